#!/usr/bin/env bash
# Builds the programs and starts the desktop program; without a display it runs a command-line
# demonstration instead.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x build/src/app/kvocodec ]; then
    exec build/src/app/kvocodec "$@"
fi
echo "No display found: generating a sample recording instead."
out=${TMPDIR:-/tmp}/kvocodec-demo
mkdir -p "$out"
build/tools/kvo-synth tiptiming 100000 1 "$out/sample.kvo"
ls -l "$out/sample.kvo"
