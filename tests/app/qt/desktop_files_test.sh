#!/usr/bin/env bash
# The menu entry validates and opens both file types; the file type definition builds into a
# database in which *.kvo and *.kvox in any letter case (as the window takes them) have their types
# and a file without a name that tells starts as a recording when its passport signature does; the
# AppStream description of the window validates and names the same entry and types.
set -uo pipefail
resources=$(realpath "$1")
metainfo=$2  # as the build fills it in
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
grep -q '^50:application/x-kvo:\*\.kvo$' "$mime/globs2" || fail "no case-insensitive *.kvo glob"
grep -q '^50:application/x-kvox:\*\.kvox$' "$mime/globs2" || fail "no case-insensitive *.kvox glob"
! grep -q ':cs$' "$mime/globs2" || fail "a glob is case-sensitive"

# What a file manager would tell, asked through GIO with only this database.
files=$data/files
mkdir "$files"
printf 'RecKvo\030\0\0\0' >"$files/recording"
printf 'Other\0\030\0\0\0' >"$files/other"
for name in UP.KVO run.KvO up.KvOx a.kvox; do cp "$files/other" "$files/$name"; done
typeOf() {
    XDG_DATA_HOME=$data XDG_DATA_DIRS=$data gio info -a standard::content-type "$files/$1" 2>&1 |
        sed -n 's/^ *standard::content-type: //p'
}
command -v gio >/dev/null || fail "gio (libglib2.0-bin) is needed to ask for the file types"
for expected in UP.KVO:application/x-kvo run.KvO:application/x-kvo up.KvOx:application/x-kvox \
    a.kvox:application/x-kvox recording:application/x-kvo; do
    name=${expected%%:*}
    type=$(typeOf "$name")
    [ "$type" = "${expected#*:}" ] || fail "$name is '$type', not ${expected#*:}"
done
[ "$(typeOf other)" != application/x-kvo ] || fail "a file without the signature is a recording"

if ! report=$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1); then
    fail "appstreamcli validate: $report"
fi
grep -q '<launchable type="desktop-id">kvocodec.desktop</launchable>' "$metainfo" ||
    fail "the metainfo does not launch kvocodec.desktop"
for type in application/x-kvo application/x-kvox; do
    grep -q "<mediatype>$type</mediatype>" "$metainfo" || fail "the metainfo does not provide $type"
done

[ "$failures" -eq 0 ] && echo "desktop files: all checks passed"
exit "$failures"
