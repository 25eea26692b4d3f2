#!/usr/bin/env bash
# Runs a Windows program under Debian's wine64 with a private prefix, headless and quiet:
#   scripts/wine-run.sh PREFIX_FOLDER PROGRAM.exe [ARGUMENTS...]
# The first run makes the prefix; a persistent wineserver keeps later starts fast.
set -euo pipefail
export WINEPREFIX=$1
shift
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
unset DISPLAY
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot --init >/dev/null 2>&1 || true
fi
wineserver -p 2>/dev/null || /usr/lib/wine/wineserver -p 2>/dev/null || true
exec "$wine" "$@"
