#!/usr/bin/env bash
# Runs a Windows program under Debian's wine64 with a private prefix, headless and quiet:
#   scripts/wine-run.sh PREFIX_FOLDER PROGRAM.exe [ARGUMENTS...]
# With KVO_WINE_DISPLAY set, the program (not the server and services started here) shows its
# windows on that X display.
# The first run makes the prefix; a persistent wineserver keeps later starts fast.
set -euo pipefail
export WINEPREFIX=$1
shift
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko to offer, and no menu entries or file types written into the home folder.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}
unset DISPLAY
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
mkdir -p "$WINEPREFIX"
# The server and wine's service processes outlive the program. Started by the program they would
# inherit its output, and whoever reads that pipe (ctest, a shell pipeline) would wait for them
# forever; so they start here, one caller at a time, with no output of anyone's.
{
    flock 9
    # Exit status 0: no server was running for this prefix, and now a persistent one is.
    # They must not hold the lock either.
    if "$wineserver" -p </dev/null >/dev/null 2>&1 9>&-; then
        boot=(wineboot)
        [ -f "$WINEPREFIX/system.reg" ] || boot+=(--init)
        "$wine" "${boot[@]}" </dev/null >/dev/null 2>&1 9>&- || true
        # Windows can be made without an X display too (the window tests create theirs hidden):
        # the null driver stands in where X cannot start. The desktop the boot started has chosen
        # its driver already, so the server starts once more after the setting is made.
        if ! grep -qs '^"Graphics"="x11,null"' "$WINEPREFIX/user.reg"; then
            "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11,null /f \
                </dev/null >/dev/null 2>&1 9>&- || true
            "$wineserver" -k </dev/null >/dev/null 2>&1 9>&- || true
            "$wineserver" -w </dev/null >/dev/null 2>&1 9>&- || true
            "$wineserver" -p </dev/null >/dev/null 2>&1 9>&- || true
            "$wine" wineboot </dev/null >/dev/null 2>&1 9>&- || true
        fi
    fi
} 9>"$WINEPREFIX/.kvo-start.lock"
[ -z "${KVO_WINE_DISPLAY-}" ] || export DISPLAY=$KVO_WINE_DISPLAY
exec "$wine" "$@"
