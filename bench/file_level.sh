#!/usr/bin/env bash
# File-level benchmark, not part of the tests:
#  1. kvox (with its default verification and without) against zstd -1, zstd -19, lz4, xz -6 and
#     gzip -6 on a synthetic tip-timing recording, with one thread and with every core: wall time,
#     output size and peak memory of each run. Every tool's output is fsynced, as kvox does its
#     own, so the comparison is fair;
#  2. the conversion module (through kvox -T1) with the data as one block and as 100 blocks, to
#     show that restoring does not slow down with the block count.
# Usage: bench/file_level.sh [BUILD_DIR]   (default build-bench, configured as Release here)
# SIZE_MIB sets the recording size (default 1024), WORK the scratch folder; KVOX_ONLY=1 skips the
# other compressors (they take about forty minutes on two cores).
set -euo pipefail
cd "$(dirname "$0")/.."
for tool in zstd lz4 xz gzip /usr/bin/time; do
    command -v "$tool" >/dev/null ||
        { echo "missing $tool: apt-get install zstd lz4 xz-utils gzip time"; exit 1; }
done
. bench/common.sh
build=${1:-build-bench}
build_release_kvox "$build"
kvox=$build/src/cli/kvox
size_mib=${SIZE_MIB:-1024}
work=${WORK:-${TMPDIR:-/tmp}/kvox-file-bench}
mkdir -p "$work"
source=$work/tiptiming.kvo
tiptiming_recording "$build" "$source" "$size_mib" || true
source_size=$(stat -c %s "$source")
cores=$(nproc)

# run COMMAND: runs a shell command line (with its own redirections) and prints
# "seconds peak-MiB".
run() {
    /usr/bin/time -f '%e %M' -o "$work/time" sh -c "$1"
    awk '{ printf "%s %.0f\n", $1, $2 / 1024 }' "$work/time"
}

mib_per_s() { awk -v b="$1" -v s="$2" 'BEGIN { printf "%.0f", (s > 0 ? b / 1048576 / s : 0) }'; }

# row NAME THREADS COMPRESS RESTORE: the commands write $work/out.z and $work/out.raw.
row() {
    read -r ctime cpeak < <(run "$3")
    local size
    size=$(stat -c %s "$work/out.z")
    read -r rtime rpeak < <(run "$4")
    cmp -s "$work/out.raw" "$source" || echo "  ($1: the restored file differs from the source)"
    printf '| %-8s | %7s | %10s | %5s | %10s | %4.1f%% | %8s | %9s | %5s | %8s |\n' \
        "$1" "$2" "$ctime" "$(mib_per_s "$source_size" "$ctime")" "$size" \
        "$(awk -v a="$size" -v b="$source_size" 'BEGIN { print 100 * a / b }')" "$cpeak" \
        "$rtime" "$(mib_per_s "$source_size" "$rtime")" "$rpeak"
}

echo "Recording: $source ($source_size bytes, tiptiming), $cores cores"
echo
echo "| tool     | threads | compress s | MiB/s | size bytes | ratio | peak MiB | restore s | MiB/s | peak MiB |"
echo "|----------|---------|------------|-------|------------|-------|----------|-----------|-------|----------|"
src=\"$source\"
z=\"$work/out.z\"
raw=\"$work/out.raw\"
for threads in 1 "$cores"; do
    zt=$([ "$threads" = 1 ] && echo 1 || echo 0)
    row kvox "$threads" "\"$kvox\" -q -f -T $threads -o $z -z $src" \
        "\"$kvox\" -q -f -T $threads -o $raw -d $z"
    row "kvox -nv" "$threads" "\"$kvox\" -q -f --no-verify -T $threads -o $z -z $src" \
        "\"$kvox\" -q -f -T $threads -o $raw -d $z"
    [ "${KVOX_ONLY:-0}" = 1 ] && continue
    synced_z="&& sync $z"
    synced_raw="&& sync $raw"
    row "zstd -1" "$threads" "zstd -q -1 -T$zt -c $src > $z $synced_z" \
        "zstd -q -d -c $z > $raw $synced_raw"
    row "zstd -19" "$threads" "zstd -q -19 -T$zt -c $src > $z $synced_z" \
        "zstd -q -d -c $z > $raw $synced_raw"
    row "xz -6" "$threads" "xz -6 -T$zt -c $src > $z $synced_z" \
        "xz -d -T$zt -c $z > $raw $synced_raw"
    if [ "$threads" = 1 ]; then
        row "lz4" 1 "lz4 -q -c $src > $z $synced_z" "lz4 -q -d -c $z > $raw $synced_raw"
        row "gzip -6" 1 "gzip -6 -c $src > $z $synced_z" "gzip -d -c $z > $raw $synced_raw"
    fi
done

echo
echo "Conversion module, one thread:"
echo "| blocks | block bytes | compress s | restore s | restore peak MiB | size bytes |"
echo "|--------|-------------|------------|-----------|------------------|------------|"
passport=$(od -An -tu4 -j6 -N4 "$source" | tr -d ' ')
data_records=$(((source_size - passport) / 6))
for blocks in 1 100; do
    block=$((data_records / blocks * 6))
    read -r ctime _ < <(run "\"$kvox\" -q -f -T1 -b $block -o $z $src")
    read -r rtime rpeak < <(run "\"$kvox\" -q -f -T1 -o $raw -d $z")
    cmp -s "$work/out.raw" "$source" || echo "  (the restored file differs from the source)"
    printf '| %6s | %11s | %10s | %9s | %16s | %10s |\n' "$blocks" "$block" "$ctime" "$rtime" \
        "$rpeak" "$(stat -c %s "$work/out.z")"
done
rm -f "$work/out.z" "$work/out.raw"
