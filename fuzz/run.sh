#!/usr/bin/env bash
# Builds the libFuzzer targets with clang++ (in build-fuzz) and runs each for SECONDS seconds on
# its seed corpus plus what earlier runs found. Prints one line per target (executions, coverage,
# findings) and exits non-zero when any target found a fault; crashing inputs and the fuzzer's
# logs stay under build-fuzz/fuzz/.
# Usage: fuzz/run.sh [SECONDS]   (default 30)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
build=build-fuzz
targets=(restore_block roundtrip restore_file passport compress_file salvage reader_index
    checksum_file)

buildLog=$(mktemp)
trap 'rm -f "$buildLog"' EXIT
if ! { cmake -S . -B "$build" -G Ninja -DKVO_FUZZ=ON -DKVO_WERROR=ON -DCMAKE_CXX_COMPILER=clang++ \
    -DKVO_BUILD_APP=OFF -DKVO_BUILD_TESTS=OFF &&
    cmake --build "$build" -j 2 --target "${targets[@]/#/fuzz_}"; } >"$buildLog" 2>&1; then
    tail -n 40 "$buildLog" >&2
    echo "fuzz/run.sh: building the fuzz targets failed" >&2
    exit 1
fi

out="$PWD/$build/fuzz"
# The file-level targets work in here; a crashing target cannot clean up after itself.
scratch=$(mktemp -d /dev/shm/kvo-fuzz-run.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch" "$buildLog"' EXIT
export KVO_FUZZ_SCRATCH="$scratch"
run="$out/runs/$(date +%Y%m%d-%H%M%S)"
rows=()
failed=0
for target in "${targets[@]}"; do
    corpus="$out/corpus/$target"
    artifacts="$run/$target"
    log="$run/$target.log"
    mkdir -p "$corpus" "$artifacts"
    echo "fuzzing $target for ${seconds}s" >&2
    rc=0
    "$out/fuzz_$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=60 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" \
        "$corpus" "$out/seeds/$target" >"$log" 2>&1 || rc=$?

    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    coverage=$(grep -E ' cov: [0-9]+ ft: [0-9]+' "$log" | tail -n 1 |
        sed -E 's/.* cov: ([0-9]+) ft: ([0-9]+).*/\1 \/ \2/')
    findings=$(find "$artifacts" -type f \( -name 'crash-*' -o -name 'leak-*' -o \
        -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
    if [ "$rc" -ne 0 ] && [ "$findings" -eq 0 ]; then
        findings=1  # the fuzzer stopped without leaving an input: see its log
    fi
    if [ "$findings" -ne 0 ]; then
        failed=1
        echo "== $target: finding(s) in $artifacts, log $log" >&2
        grep -E 'ERROR|broken:|SUMMARY' "$log" | head -n 5 >&2 || true
    fi
    rows+=("$(printf '%-14s %14s %16s %9s' "$target" "${executions:-?}" "${coverage:-?}" "$findings")")
done

printf '%-14s %14s %16s %9s\n' target executions "cov / ft" findings
printf '%s\n' "${rows[@]}"
exit "$failed"
