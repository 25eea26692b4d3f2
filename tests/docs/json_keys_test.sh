#!/usr/bin/env bash
# Every key of the JSON that kvox prints (-l of a recording, of a sound, a cut-short and a damaged
# compressed file; --salvage with a gap) is in snake_case and described in kvox(1) as ".B key".
set -uo pipefail
kvox=$(realpath "$1")
synth=$(realpath "$2")
page=$(realpath "$3")
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder" || exit 1

"$synth" tiptiming 3000 1 a.kvo >/dev/null || exit 1
printf 'abc' >>a.kvo  # a trailing partial record
"$kvox" -q -b 6000 a.kvo
size=$(stat -c %s a.kvox)
head -c $((size - 1)) a.kvox >cut.kvox
cp a.kvox gap.kvox
# A SecondWord run count of the last block: its lengths still hold together.
at=$((size - 30))
byte=$(od -An -tu1 -j "$at" -N1 a.kvox | tr -d ' ')
printf "%b" "\\x$(printf %02x $((byte ^ 0x55)))" | dd of=gap.kvox bs=1 seek="$at" conv=notrunc 2>/dev/null

{
    "$kvox" -l --json a.kvo
    "$kvox" -l --json a.kvox
    "$kvox" -l --json cut.kvox
    "$kvox" --salvage --json -o salvaged.kvo gap.kvox
} >all.json 2>/dev/null
keys=$(grep -oE '"[^"]*":' all.json | tr -d '":' | sort -u)
failures=0
for wanted in partial_bytes ratio cut_short_block gaps file_start; do
    grep -qx "$wanted" <<<"$keys" || {
        echo "FAIL: the runs printed no $wanted"
        failures=$((failures + 1))
    }
done
for key in $keys; do
    if ! [[ $key =~ ^[a-z]+(_[a-z]+)*$ ]]; then
        echo "FAIL: $key is not snake_case"
        failures=$((failures + 1))
    fi
    if ! grep -qx "\.B $key" "$page"; then
        echo "FAIL: $key is not described in $(basename "$page")"
        failures=$((failures + 1))
    fi
done

[ "$failures" -eq 0 ] && echo "JSON keys: $(wc -w <<<"$keys") keys checked"
exit "$failures"
