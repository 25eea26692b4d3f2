#!/usr/bin/env bash
# Builds and runs the benchmarks in a release build. Arguments go to kvo-codec-bench:
# [records] [reference-records] [kinds...]. BENCH_BUILD_DIR picks the build directory.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
build=${BENCH_BUILD_DIR:-build-bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKVO_BUILD_BENCH=ON -DKVO_BUILD_APP=OFF \
    >/dev/null
cmake --build "$build" -j2 --target kvo-codec-bench
"$build/bench/kvo-codec-bench" "$@"
