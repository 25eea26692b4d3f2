#!/usr/bin/env bash
# Builds and runs every test: once plain, once as a hardened Release build that also makes and
# checks the Debian packages, once cross-built for Windows and run under wine64 (the test programs,
# kvox.exe end to end beside the Linux kvox, the window kvocodec.exe driven by keys on a virtual
# screen, the zip, the installer), once under AddressSanitizer + UndefinedBehaviorSanitizer,
# kvox's tests (threaded and interrupted runs among them) under ThreadSanitizer, then a short smoke
# of every fuzz target when clang is present. Warnings are errors throughout. Exits non-zero on any
# failure.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export CTEST_OUTPUT_ON_FAILURE=1

echo "== plain build"
cmake -S . -B build -G Ninja -DKVO_BUILD_BENCH=ON -DKVO_WERROR=ON >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build -j "$jobs" --timeout 600

echo "== install check"
stage=$(mktemp -d)
cmake --install build --prefix "$stage" >/dev/null
"$stage/bin/kvox" --version
rm -rf "$stage"

echo "== Release build and packages"
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKVO_WERROR=ON >/dev/null
cmake --build build-release -j "$jobs"
ctest --test-dir build-release -j "$jobs" --timeout 600
scripts/check-packages.sh build-release

echo "== Windows build (mingw-w64; tests, kvox.exe, the window, zip and installer under wine64)"
windowsStart=$SECONDS
# The stage's wine server and wine's services would otherwise stay for good, also after a failure.
stopWine() { scripts/wine-stop.sh "$PWD/build-win/wineprefix"; }
trap stopWine EXIT
cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DKVO_WERROR=ON \
    >/dev/null
cmake --build build-win -j "$jobs"
# The first wine run makes the prefix, here rather than inside test discovery's time limit.
scripts/wine-run.sh "$PWD/build-win/wineprefix" build-win/src/cli/kvox.exe --version
ctest --test-dir build-win -j "$jobs" --timeout 900
scripts/check-windows-kvox.sh build-win build
scripts/check-windows-window.sh build-win build
scripts/check-windows-package.sh build-win
scripts/check-windows-installer.sh build-win
stopWine
trap - EXIT
echo "Windows build: $((SECONDS - windowsStart)) s"

echo "== sanitizer build (ASan + UBSan)"
cmake -S . -B build-asan -G Ninja -DKVO_SANITIZE=ON -DKVO_WERROR=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp" \
    ctest --test-dir build-asan -j "$jobs" --timeout 900

echo "== ThreadSanitizer: kvox's threaded and interrupted runs"
cmake -S . -B build-tsan -G Ninja -DKVO_TSAN=ON -DKVO_WERROR=ON -DCMAKE_BUILD_TYPE=Debug \
    -DKVO_BUILD_APP=OFF -DKVO_BUILD_PYTHON=OFF >/dev/null
cmake --build build-tsan -j "$jobs" --target kvox kvo_cli_tests
# Left out: the peak-memory checks, which the sanitizer's own memory would fail, and the slow
# large-file check.
TSAN_OPTIONS=halt_on_error=1 KVO_TEST_TMP="$PWD/build-tsan/tests/cli/tmp" \
    build-tsan/tests/cli/kvo_cli_tests --gtest_brief=1 --gtest_filter='-KvoxMemory.*:KvoxLarge.*'

if command -v clang++ >/dev/null && [ -x fuzz/run.sh ]; then
    echo "== fuzz smoke"
    fuzz/run.sh "${KVO_FUZZ_SECONDS:-30}"
fi
echo "All tests passed."
