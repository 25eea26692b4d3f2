#!/usr/bin/env bash
# kvox.exe under wine64 beside the Linux kvox, not part of the tests: compress and restore of a
# tip-timing recording, each the median of a few runs, both Release builds with their defaults
# (verification on, every core). A sanity figure for the Windows build: wine adds its own cost to
# every file call, but a factor above 3 means something is wrong and is flagged.
# Usage: bench/windows_wine.sh [LINUX_BUILD_DIR [WINDOWS_BUILD_DIR]]
#        (default build-bench and build-bench-win, configured as Release here)
# SIZE_MIB sets the recording size (default 512), RUNS the runs per figure (default 3), WORK the
# scratch folder.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
. bench/common.sh
build=${1:-build-bench}
winBuild=${2:-build-bench-win}
build_release_kvox "$build"
cmake -S . -B "$winBuild" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DKVO_BUILD_TESTS=OFF >/dev/null
cmake --build "$winBuild" -j2 --target kvox >/dev/null
kvox=$repo/$build/src/cli/kvox
kvoxExe=$repo/$winBuild/src/cli/kvox.exe
prefix=$repo/$winBuild/wineprefix
size_mib=${SIZE_MIB:-512}
runs=${RUNS:-3}
work=${WORK:-${TMPDIR:-/tmp}/kvox-wine-bench}
mkdir -p "$work"
tiptiming_recording "$build" "$work/tiptiming.kvo" "$size_mib" || true
cd "$work"
win() { "$repo/scripts/wine-run.sh" "$prefix" "$kvoxExe" "$@"; }
win --version >/dev/null  # makes the prefix and starts the server, untimed
stopWine() { WINEPREFIX=$prefix "$(command -v wineserver || echo /usr/lib/wine/wineserver)" -k; }
trap stopWine EXIT

# seconds COMMAND...: the median wall time of RUNS runs; the output is removed before each run.
seconds() {
    local times=() start
    for _ in $(seq "$runs"); do
        rm -f out.kvox out.kvo
        start=$(date +%s.%N)
        "$@"
        times+=("$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.2f", e - s }')")
    done
    printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p"
}

linuxCompress=$(seconds "$kvox" -q -o out.kvox tiptiming.kvo)
cp out.kvox linux.kvox
winCompress=$(seconds win -q -o out.kvox tiptiming.kvo)
cmp -s out.kvox linux.kvox || { echo "kvox.exe compressed otherwise than kvox"; exit 1; }
linuxRestore=$(seconds "$kvox" -q -d -o out.kvo linux.kvox)
winRestore=$(seconds win -q -d -o out.kvo linux.kvox)
cmp -s out.kvo tiptiming.kvo || { echo "kvox.exe restored otherwise than the recording"; exit 1; }

source_size=$(stat -c %s tiptiming.kvo)
echo "Recording: $work/tiptiming.kvo ($source_size bytes, tiptiming), $(nproc) cores," \
    "median of $runs runs"
echo
echo "| direction | kvox s | MiB/s | kvox.exe (wine64) s | MiB/s | factor |"
echo "|-----------|--------|-------|---------------------|-------|--------|"
row() {
    awk -v name="$1" -v l="$2" -v w="$3" -v b="$source_size" 'BEGIN {
        factor = (l > 0 ? w / l : 0)
        printf "| %-9s | %6.2f | %5.0f | %19.2f | %5.0f | %5.2f%s |\n", name, l, b / 1048576 / l,
            w, b / 1048576 / w, factor, (factor > 3 ? " (above 3: something is wrong)" : "")
    }'
}
row compress "$linuxCompress" "$winCompress"
row restore "$linuxRestore" "$winRestore"
