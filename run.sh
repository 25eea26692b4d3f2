#!/usr/bin/env bash
# Builds the programs and starts the desktop program; without a display it runs a command-line
# demonstration instead. Installs and builds only what that needs, in a folder of its own, so that
# it is quick on a fresh machine; ./test.sh installs and builds everything.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh --run
build="build-run"
cmake -S . -B "$build" -G Ninja -DKVO_BUILD_TESTS=OFF -DKVO_BUILD_PYTHON=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target kvox kvocodec kvo-synth
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$build/src/app/qt/kvocodec" "$@"
fi
echo "No display found: a short command-line demonstration with kvox instead."
out=${TMPDIR:-/tmp}/kvocodec-demo
rm -rf "$out"
mkdir -p "$out"
kvox=$build/src/cli/kvox
"$build/tools/kvo-synth" tiptiming 2000000 1 "$out/sample.kvo"
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
