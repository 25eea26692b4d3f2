#!/bin/sh
# The windows' controller is shared by every view: no toolkit or system window header may enter
# it, so that it builds for each of them alone. Views live in the subfolders.
set -eu
controller="$1"
found=$(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](Q[A-Za-z]*|qt[^>"]*|windows\.h|winuser\.h|commctrl\.h|app/qt/[^>"]*|app/win32/[^>"]*)[>"]' \
    "$controller"/*.h "$controller"/*.cpp || true)
if [ -n "$found" ]; then
    echo "toolkit headers in the controller:"
    echo "$found"
    exit 1
fi
