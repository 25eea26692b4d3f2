#!/usr/bin/env bash
# The menu entry validates and opens both file types; the file type definition builds into a
# database in which *.kvo and *.kvox (lower case only, as the window accepts them) have their types.
set -uo pipefail
resources=$1
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! report=$(desktop-file-validate "$resources/kvocodec.desktop" 2>&1) || [ -n "$report" ]; then
    fail "desktop-file-validate: $report"
fi
grep -qx 'Exec=kvocodec %f' "$resources/kvocodec.desktop" || fail "Exec does not take a file"
grep -qx 'MimeType=application/x-kvo;application/x-kvox;' "$resources/kvocodec.desktop" ||
    fail "MimeType does not name both types"

data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
mime=$data/mime
mkdir -p "$mime/packages"
cp "$resources/kvocodec.xml" "$mime/packages/"
if ! report=$(XDG_DATA_DIRS=$data update-mime-database "$mime" 2>&1) || [ -n "$report" ]; then
    fail "update-mime-database: $report"
fi
grep -q '^50:application/x-kvo:\*\.kvo:cs$' "$mime/globs2" || fail "no case-sensitive *.kvo glob"
grep -q '^50:application/x-kvox:\*\.kvox:cs$' "$mime/globs2" || fail "no case-sensitive *.kvox glob"

[ "$failures" -eq 0 ] && echo "desktop files: all checks passed"
exit "$failures"
