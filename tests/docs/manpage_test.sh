#!/usr/bin/env bash
# The manual pages format without a warning, and every option kvox --help names is described in
# kvox(1) and offered by the bash completion.
set -uo pipefail
kvox=$1
mandir=$2
completion=$3
failures=0

for page in "$mandir"/*.1; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    if [ -n "$warnings" ]; then
        echo "FAIL: $page: $warnings"
        failures=$((failures + 1))
    fi
done

source=$(sed 's/\\-/-/g' "$mandir/kvox.1")
options=$("$kvox" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u)
[ -n "$options" ] || { echo "FAIL: kvox --help names no options"; exit 1; }
for option in $options; do
    if ! grep -qE -- "(^|[^a-z-])$option([^a-z-]|\$)" <<<"$source"; then
        echo "FAIL: $option is not described in kvox.1"
        failures=$((failures + 1))
    fi
    if ! grep -qE -- "$option(=|[[:space:]]|'|\$)" "$completion"; then
        echo "FAIL: $option is not offered by the completion"
        failures=$((failures + 1))
    fi
done

[ "$failures" -eq 0 ] && echo "manual pages: $(wc -w <<<"$options") options checked"
exit "$failures"
