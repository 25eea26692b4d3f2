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
echo "No display found: a short command-line demonstration with kvox instead."
out=${TMPDIR:-/tmp}/kvocodec-demo
rm -rf "$out"
mkdir -p "$out"
kvox=build/src/cli/kvox
build/tools/kvo-synth tiptiming 2000000 1 "$out/sample.kvo"
echo "== compress"
"$kvox" -v "$out/sample.kvo"
echo "== test"
"$kvox" -v -t "$out/sample.kvox"
echo "== list"
"$kvox" -l "$out/sample.kvox"
echo "== restore"
"$kvox" -v -o "$out/restored.kvo" "$out/sample.kvox"
cmp "$out/sample.kvo" "$out/restored.kvo" && echo "The restored file is identical to the source."
ls -l "$out"
