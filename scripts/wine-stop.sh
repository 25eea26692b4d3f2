#!/usr/bin/env bash
# Ends the wine server of a prefix and every program it still serves (the persistent server and
# services that scripts/wine-run.sh starts would otherwise stay for good):
#   scripts/wine-stop.sh PREFIX_FOLDER
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
WINEPREFIX=$1 "$wineserver" -k 2>/dev/null || true
