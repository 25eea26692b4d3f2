#!/usr/bin/env bash
# Runs the Windows kvox.exe under wine64 beside the Linux kvox, end to end:
#  - every kind of synthetic recording (and an empty one, and one with a trailing partial record)
#    compressed by both programs, as one block and as many, gives the same bytes and the same exit
#    status, and kvox.exe restores its own archive to the recording;
#  - listings (text and JSON), tests of sound and damaged archives and checksum files: the same
#    bytes from both;
#  - Cyrillic names with spaces, for files and for a folder walked with -r;
#  - a path longer than 260 characters, relative with backslashes and absolute, named in messages
#    as written;
#  - standard output with -c, standard input with - and with no name, through pipes;
#  - an existing output kept without -f (non-zero exit status, nothing left behind, the same
#    Russian message in UTF-8), replaced with it.
# Usage: scripts/check-windows-kvox.sh WINDOWS_BUILD_FOLDER LINUX_BUILD_FOLDER
set -euo pipefail
repo=$(realpath "$(dirname "$0")/..")
winBuild=$(realpath "$1")
linuxBuild=$(realpath "$2")
kvoxExe=$winBuild/src/cli/kvox.exe
kvox=$linuxBuild/src/cli/kvox
synth=$linuxBuild/tools/kvo-synth
for program in "$kvoxExe" "$kvox" "$synth"; do
    [ -x "$program" ] || { echo "check-windows-kvox: $program is not built" >&2; exit 1; }
done
work=$(mktemp -d "$winBuild/kvox-e2e.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

checks=0
failures=0
check() {
    checks=$((checks + 1))
    if ! "$@"; then
        failures=$((failures + 1))
        echo "FAIL: $*"
    fi
}
# A run that hangs is a failure, not the end of the stage.
win() { timeout 300 "$repo/scripts/wine-run.sh" "$winBuild/wineprefix" "$kvoxExe" "$@"; }

# same NAME ARGUMENTS...: both programs run with the arguments and -o NAME.linux / NAME.win; the
# exit statuses and the outputs must be equal.
same() {
    local name=$1 linuxStatus=0 winStatus=0
    shift
    "$kvox" -q "$@" -o "$name.linux" 2>/dev/null || linuxStatus=$?
    win -q "$@" -o "$name.win" 2>/dev/null || winStatus=$?
    if [ "$linuxStatus" != "$winStatus" ]; then
        echo "$name: kvox ended with $linuxStatus, kvox.exe with $winStatus"
        return 1
    fi
    cmp "$name.linux" "$name.win"
}
# restores NAME ORIGINAL: kvox.exe gives the recording back from its own archive, with the exit
# status the Linux kvox gives.
restores() {
    local linuxStatus=0 winStatus=0
    "$kvox" -q -d "$1.linux" -o "$1.linux-back" 2>/dev/null || linuxStatus=$?
    win -q -d "$1.win" -o "$1.back" 2>/dev/null || winStatus=$?
    [ "$linuxStatus" = "$winStatus" ] && cmp "$1.back" "$2"
}

# The kinds as the generator's usage text lists them, so that a new kind is checked too.
usage=$("$synth" 2>&1 || true)
kinds=$(sed -n 's/^ *KIND *//p' <<<"$usage" | tr -d ' ' | tr '|' ' ')
[ -n "$kinds" ] || { echo "check-windows-kvox: kvo-synth names no kinds" >&2; exit 1; }
for kind in $kinds; do
    "$synth" "$kind" 150000 7 "$kind.kvo"
    check same "$kind.one" "$kind.kvo"
    check restores "$kind.one" "$kind.kvo"
    check same "$kind.many" -b 6000 -T 2 "$kind.kvo"
    check restores "$kind.many" "$kind.kvo"
done
"$synth" zeros 0 1 empty.kvo
check same empty empty.kvo
check restores empty empty.kvo
# A trailing partial record is not carried: both warn (status 2) and write the same archive.
"$synth" tiptiming 1000 3 partial.kvo
printf 'abc' >>partial.kvo
check same partial partial.kvo

# sameText ARGUMENTS...: both programs print the same (standard output and error) and end alike.
sameText() {
    local linuxStatus=0 winStatus=0
    "$kvox" "$@" >linux.out 2>linux.err || linuxStatus=$?
    win "$@" >win.out 2>win.err || winStatus=$?
    [ "$linuxStatus" = "$winStatus" ] && cmp linux.out win.out && cmp linux.err win.err
}
check sameText -l tiptiming.many.linux
check sameText -l --json runs.many.linux
check sameText -t random.many.linux
# A damaged block (here one cut short) is named alike, in the same words.
head -c "$(($(stat -c %s tiptiming.many.linux) * 2 / 3))" tiptiming.many.linux >damaged.kvox
check sameText -t damaged.kvox
check grep -q 'поврежден' win.err
check sameText -l --json damaged.kvox
# The checksum file (SHA-256 of the system's own library on each side) is the same line.
checksums() {
    mkdir linux-sum win-sum
    cp zeros.kvo linux-sum/
    cp zeros.kvo win-sum/
    (cd linux-sum && "$kvox" -q --checksum zeros.kvo) &&
        (cd win-sum && win -q --checksum zeros.kvo) &&
        cmp linux-sum/zeros.kvox win-sum/zeros.kvox &&
        cmp linux-sum/zeros.kvox.sha256 win-sum/zeros.kvox.sha256 &&
        (cd win-sum && win -q -t zeros.kvox)
}
check checksums

# Names are Cyrillic and have spaces; the output goes beside the source with the source's name.
mkdir "Записи цеха"
cp tiptiming.kvo "Записи цеха/запись №1.kvo"
check win -q "Записи цеха/запись №1.kvo"
check cmp "Записи цеха/запись №1.kvox" tiptiming.one.linux
check win -q -d "Записи цеха\\запись №1.kvox" -o "копия записи.kvo"
check cmp "копия записи.kvo" tiptiming.kvo
rm "Записи цеха/запись №1.kvox"
cp random.kvo "Записи цеха/вторая.KVO"
check win -q -r "Записи цеха"
check cmp "Записи цеха/запись №1.kvox" tiptiming.one.linux
check cmp "Записи цеха/вторая.KVOX" random.one.linux

# A path of more than 260 characters, once relative with backslashes, once absolute.
deep=long
for level in 1 2 3 4 5 6; do
    deep=$deep/папка-уровня-$level-с-длинным-именем-для-проверки
done
mkdir -p "$deep"
cp constant.kvo "$deep/запись.kvo"
windowsDeep=${deep//\//\\}
absoluteDeep="Z:${work//\//\\}\\$windowsDeep"
check test "${#absoluteDeep}" -gt 260
check win -q "$windowsDeep\\запись.kvo"
check cmp "$deep/запись.kvox" constant.one.linux
check win -q -d "$absoluteDeep\\запись.kvox" -o "$absoluteDeep\\обратно.kvo"
check cmp "$deep/обратно.kvo" constant.kvo
# Messages name a Windows path as the user wrote it: its backslashes are folders, not escapes.
namedAsWritten() {
    win -q "$windowsDeep\\нет такой.kvo" 2>missing.message && return 1
    grep -qF "$windowsDeep\\нет такой.kvo" missing.message || { cat missing.message; return 1; }
}
check namedAsWritten

# Pipes carry bytes untouched: tip-timing records hold CR and LF bytes. The cats make pipes of
# what a redirection would hand over as a file.
# shellcheck disable=SC2002
piped() {
    win -q -c tiptiming.kvo | cat >piped-c.kvox &&
        cmp piped-c.kvox tiptiming.one.linux &&
        cat tiptiming.kvo | win -q -z - | cat >piped-dash.kvox &&
        cmp piped-dash.kvox tiptiming.one.linux &&
        win -q -z <tiptiming.kvo >piped-redirected.kvox &&
        cmp piped-redirected.kvox tiptiming.one.linux &&
        cat tiptiming.one.linux | win -q -d | cmp - tiptiming.kvo
}
check piped

# No replace without -f: the existing output stays as it was, the run fails and leaves nothing.
keptUnchanged() {
    mkdir kept
    cp runs.kvo kept/runs.kvo
    printf 'older output' >kept/runs.kvox
    printf 'older output' >kept/other.kvox
    local before status=0
    before=$(ls -A kept)
    win -q kept/runs.kvo 2>/dev/null || status=$?
    [ "$status" -ne 0 ] || { echo "kvox.exe replaced an output without -f"; return 1; }
    win -q -o kept/other.kvox kept/runs.kvo 2>/dev/null && return 1
    [ "$(cat kept/runs.kvox)" = 'older output' ] && [ "$(cat kept/other.kvox)" = 'older output' ] &&
        [ "$(ls -A kept)" = "$before" ]
}
check keptUnchanged
# Its message, redirected, is the same UTF-8 text as the Linux kvox's, with no CR.
sameMessage() {
    "$kvox" kept/runs.kvo 2>linux.message
    win kept/runs.kvo 2>win.message
    [ -s linux.message ] && cmp linux.message win.message
}
check sameMessage
check win -q -f kept/runs.kvo
check cmp kept/runs.kvox runs.one.linux
check win -q -f -o kept/other.kvox kept/runs.kvo
check cmp kept/other.kvox runs.one.linux

echo "kvox.exe end to end: $((checks - failures)) of $checks checks passed"
[ "$failures" -eq 0 ]
