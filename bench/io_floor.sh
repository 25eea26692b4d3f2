#!/usr/bin/env bash
# Whole-file speed against the I/O it cannot avoid, not part of the tests. For compress and
# restore of a tip-timing recording, each kvox run is alternated with its floor (read the input,
# write an output of the same size, fsync it) in the same loop, and the medians are compared.
# Also -T 2 against -T 1, minor page faults and peak memory. Verification is on, as by default.
# Usage: bench/io_floor.sh [BUILD_DIR]   (default build-bench, configured as Release here)
# SIZE_MIB sets the recording size (default 512), PAIRS the number of pairs (default 5), WORK
# the scratch folder.
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/common.sh
build=${1:-build-bench}
build_release_kvox "$build"
kvox=$build/src/cli/kvox
size_mib=${SIZE_MIB:-512}
pairs=${PAIRS:-5}
work=${WORK:-${TMPDIR:-/tmp}/kvox-io-floor}
mkdir -p "$work"
recording=$work/tiptiming.kvo
out=$work/out
tiptiming_recording "$build" "$recording" "$size_mib" || true
"$kvox" -q -f -o "$work/reference.kvox" "$recording"
"$kvox" -q -f -o "$work/reference.kvo" -d "$work/reference.kvox"
cmp -s "$work/reference.kvo" "$recording" || { echo "restore differs from the source"; exit 1; }

# measure COMMAND: prints "seconds minor-faults peak-KiB" of one run. Both outputs are removed
# before every run, untimed: each run then writes a new file into the same page cache, instead
# of kvox keeping the old target whole until its new file is complete (as it must) while the
# floor's truncation hands its pages straight back.
measure() {
    rm -f "$out" "$work/floor.out"
    /usr/bin/time -f '%e %R %M' -o "$work/time" sh -c "$1"
    cat "$work/time"
}
# The floor of a run from $1 to an output like $2: read the input, write the output, fsync it.
floor_command() {
    echo "cat '$1' > /dev/null && cat '$2' > '$work/floor.out' && sync '$work/floor.out'"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

# pair NAME KVOX_COMMAND FLOOR_COMMAND: alternates them, prints the medians and the ratio.
pair() {
    : >"$work/kvox.times"
    : >"$work/floor.times"
    : >"$work/kvox.faults"
    : >"$work/kvox.peak"
    for _ in $(seq "$pairs"); do
        read -r seconds faults peak < <(measure "$2")
        echo "$seconds" >>"$work/kvox.times"
        echo "$faults" >>"$work/kvox.faults"
        echo "$peak" >>"$work/kvox.peak"
        read -r seconds _ _ < <(measure "$3")
        echo "$seconds" >>"$work/floor.times"
    done
    local run base faults peak
    run=$(median <"$work/kvox.times")
    base=$(median <"$work/floor.times")
    faults=$(median <"$work/kvox.faults")
    peak=$(median <"$work/kvox.peak")
    printf '| %-18s | %8s | %8s | %6.2f | %12s | %9.0f |\n' "$1" "$run" "$base" \
        "$(awk -v a="$run" -v b="$base" 'BEGIN { print (b > 0 ? a / b : 0) }')" "$faults" \
        "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')"
    echo "$run" >"$work/$1.median"
    awk -v a="$run" -v b="$base" 'BEGIN { print a / b }' >"$work/$1.ratio"
}

echo "Recording: $(stat -c %s "$recording") bytes, tiptiming; $(nproc) cores; $pairs pairs, medians"
echo
echo "| run                | kvox s   | floor s  | ratio  | minor faults | peak MiB  |"
echo "|--------------------|----------|----------|--------|--------------|-----------|"
pair "compress -T1" "'$kvox' -q -f -T1 -o '$out' '$recording'" \
    "$(floor_command "$recording" "$work/reference.kvox")"
pair "compress -T2" "'$kvox' -q -f -T2 -o '$out' '$recording'" \
    "$(floor_command "$recording" "$work/reference.kvox")"
pair "compress -T1 nv" "'$kvox' -q -f -T1 --no-verify -o '$out' '$recording'" \
    "$(floor_command "$recording" "$work/reference.kvox")"
pair "restore -T1" "'$kvox' -q -f -T1 -o '$out' -d '$work/reference.kvox'" \
    "$(floor_command "$work/reference.kvox" "$recording")"
pair "restore -T2" "'$kvox' -q -f -T2 -o '$out' -d '$work/reference.kvox'" \
    "$(floor_command "$work/reference.kvox" "$recording")"
pages=$(( $(stat -c %s "$recording") / $(getconf PAGESIZE) ))
echo
echo "Output pages of a restore: $pages (the faults target is under 10% of that)"
# The machine's speed drifts between the loops, so each run is taken against the floor measured
# beside it before the two are compared.
for direction in compress restore; do
    echo "$direction: -T2 / -T1 = $(awk -v a="$(cat "$work/$direction -T2.ratio")" \
        -v b="$(cat "$work/$direction -T1.ratio")" 'BEGIN { printf "%.2f", a / b }') (each against its floor)"
done
echo "verification cost: compress -T1 / no-verify = $(awk -v a="$(cat "$work/compress -T1.median")" \
    -v b="$(cat "$work/compress -T1 nv.median")" 'BEGIN { printf "%.2f", a / b }')"
rm -f "$out" "$work/floor.out"
