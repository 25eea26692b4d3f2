#!/usr/bin/env bash
# Builds and runs the benchmarks in a release build. Arguments go to kvo-codec-bench:
# [records] [reference-records] [kinds...]. BENCH_BUILD_DIR picks the build directory.
set -euo pipefail
cd "$(dirname "$0")/.."
packages=(libzstd-dev liblz4-dev zlib1g-dev liblzma-dev)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
build=${BENCH_BUILD_DIR:-build-bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKVO_BUILD_BENCH=ON -DKVO_BUILD_APP=OFF \
    >/dev/null
cmake --build "$build" -j2 --target kvo-codec-bench
"$build/bench/kvo-codec-bench" "$@"
