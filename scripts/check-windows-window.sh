#!/usr/bin/env bash
# Drives the Windows window kvocodec.exe under wine64 as a person would, on a private X server,
# with keys (xdotool) and nothing else:
#  - started with a recording as its argument (a Cyrillic name in a Cyrillic folder), it shows the
#    main window; View / Head of file opens the passport window; the system menu's last entry
#    opens the about box;
#  - Actions / Compress asks "Replace living File?", Enter writes the archive, byte for byte the
#    Linux kvox's with the block size the window offers first (all records in one block), and
#    leaves nothing else in the folder; asked again, No keeps the archive untouched;
#  - File / Open with a typed path opens a copy of the archive, Actions / Restore gives the
#    recording back byte for byte; Alt+F4 closes the window;
#  - started again with the archive as its argument, Restore answered No keeps the recording.
# Screenshots of the main window, the passport window, the question and the about box go to
# WINDOWS_BUILD_FOLDER/screenshots. Without a built kvocodec.exe nothing is checked.
# Usage: scripts/check-windows-window.sh WINDOWS_BUILD_FOLDER LINUX_BUILD_FOLDER
set -euo pipefail
export LC_ALL=C.UTF-8
repo=$(realpath "$(dirname "$0")/..")
winBuild=$(realpath "$1")
linuxBuild=$(realpath "$2")
exe=$winBuild/src/app/win32/kvocodec.exe
kvox=$linuxBuild/src/cli/kvox
synth=$linuxBuild/tools/kvo-synth
for program in "$kvox" "$synth"; do
    [ -x "$program" ] || { echo "check-windows-window: $program is not built" >&2; exit 1; }
done
if [ ! -f "$exe" ]; then
    echo "check-windows-window: $exe is not built; the window is not checked"
    exit 0
fi
prefix=$winBuild/wineprefix
shots=$winBuild/screenshots
mkdir -p "$shots"
rm -f "$shots"/*.png
work=$(mktemp -d "$winBuild/window-e2e.XXXXXX")
xvfb=
launched=()
# Only what this run started goes: its programs, its X server, then the prefix's wine server.
cleanup() {
    local pid
    for pid in "${launched[@]}" $xvfb; do
        kill "$pid" 2>/dev/null || true
    done
    "$repo/scripts/wine-stop.sh" "$prefix"
    rm -rf "$work"
}
trap cleanup EXIT

# waitUntil SECONDS WHAT COMMAND...: polls COMMAND until it succeeds, or says what did not come.
waitUntil() {
    local limit=$1 what=$2 deadline
    shift 2
    deadline=$((SECONDS + limit))
    until "$@"; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            echo "    no $what after $limit s"
            return 1
        fi
        sleep 0.2
    done
}

# A display of its own: Xvfb picks a free number and writes it down.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
displayNamed() { grep -qx '[0-9]\+' "$work/display"; }
waitUntil 30 "X server (see $work/xvfb.log)" displayNamed
display=:$(cat "$work/display")
onDisplay() { DISPLAY=$display "$@"; }

# winPath UNIX_PATH: the same file as a Windows program names it.
winPath() { printf 'Z:%s' "${1//\//\\}"; }
# launch ARGUMENTS...: kvocodec.exe on wine's desktop "kvo", with the prefix of the other checks.
launch() {
    KVO_WINE_DISPLAY=$display "$repo/scripts/wine-run.sh" "$prefix" \
        explorer /desktop=kvo,1000x740 "$(winPath "$exe")" "$@" >>"$work/wine.log" 2>&1 &
    launched+=($!)
}
# windowOf PATTERN: the visible window whose whole caption matches the extended regex PATTERN.
windowOf() { onDisplay xdotool search --onlyvisible --name "^($1)\$" 2>/dev/null | head -n 1; }
shown() { [ -n "$(windowOf "$1")" ]; }
gone() { ! shown "$1"; }
# keys WINDOW KEY...: one key at a time, as typed.
keys() {
    local window=$1 key
    shift
    for key in "$@"; do
        onDisplay xdotool key --window "$window" "$key"
        sleep 0.05
    done
}
# typeText WINDOW TEXT: letters outside ASCII one by one, slowly enough for wine to follow the
# keyboard mapping xdotool changes for each of them.
typeText() {
    local window=$1 text=$2 plain='' char i
    for ((i = 0; i < ${#text}; i++)); do
        char=${text:i:1}
        if [[ $char == [[:print:]] && $(printf '%s' "$char" | wc -c) -eq 1 ]]; then
            plain+=$char
            continue
        fi
        [ -z "$plain" ] || onDisplay xdotool type --delay 10 --window "$window" "$plain"
        plain=
        onDisplay xdotool type --window "$window" "$char"
        sleep 0.15
    done
    [ -z "$plain" ] || onDisplay xdotool type --delay 10 --window "$window" "$plain"
}
# openBy WINDOW PATTERN KEY...: the keys open the window PATTERN. A window busy with a command
# drops input, so the keys are sent again (after closing any open menu) until it opens.
openBy() {
    local window=$1 pattern=$2 deadline=$((SECONDS + 60))
    shift 2
    while [ "$SECONDS" -lt "$deadline" ]; do
        keys "$window" "$@"
        waitUntil 4 "" shown "$pattern" >/dev/null && return 0
        keys "$window" Escape Escape
    done
    echo "    no window \"$pattern\" after 60 s of $*"
    return 1
}
# shot NAME PATTERN: the window as it is on the screen, cropped to its frame.
shot() {
    local X Y WIDTH HEIGHT
    sleep 0.5 # its painting
    eval "$(onDisplay xdotool getwindowgeometry --shell "$(windowOf "$2")")"
    onDisplay import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shots/$1.png"
}

checks=0
failures=0
# check WHAT COMMAND...: one line per check.
check() {
    local what=$1
    shift
    checks=$((checks + 1))
    if "$@"; then
        echo "ok: $what"
    else
        failures=$((failures + 1))
        echo "FAIL: $what"
        onDisplay import -window root "$shots/failure-$checks.png" || true
    fi
}
# step WHAT COMMAND...: a check the later ones build on; after its failure the run ends here.
step() {
    check "$@" || true
    [ "$failures" -eq 0 ] || finish
}
# finish: the summary at the end, or after a failed step with the windows that were open.
finish() {
    echo "kvocodec.exe driven by keys: $((checks - failures)) of $checks checks passed" \
        "(screenshots in $shots)"
    if [ "$failures" -ne 0 ]; then
        echo "    windows open:"
        onDisplay xdotool search --onlyvisible --name . getwindowname %@ || true
        exit 1
    fi
}

main='KVOCodecForm'
passport='Заголовок файла'
about='О программе'
question='Replace living File\?'
openDialog='Open|Открыть'

# The recording, in a Cyrillic folder under a Cyrillic name with a blank; the window's first
# block size puts every record into one block, as -b with that size does for kvox.
folder="$work/Записи цеха"
mkdir "$folder"
recording="$folder/запись №1.kvo"
archive="$folder/запись №1.kvox"
"$synth" tiptiming 150000 7 "$recording"
cp "$recording" "$work/original.kvo"
passportLength=$(od -An -tu4 -j6 -N4 "$recording" | tr -d ' ')
blockSize=$((($(stat -c %s "$recording") - passportLength) / 6 * 6))
"$kvox" -q -b "$blockSize" -o "$work/linux.kvox" "$recording"

# clickMain: a window manager would give it the keyboard; here a click does (on the summary box).
clickMain() { onDisplay xdotool mousemove --window "$(windowOf "$main")" 250 150 click 1; }
started() { waitUntil 90 "main window \"$main\"" shown "$main" && clickMain; }
launch "$(winPath "$recording")"
step "started with a recording as its argument, the main window opens" started
shot main "$main"

passportOpens() {
    openBy "$(windowOf "$main")" "$passport" alt+v h && shot passport "$passport" &&
        keys "$(windowOf "$passport")" alt+F4 && waitUntil 10 "closing of the passport window" \
        gone "$passport"
}
check "View / Head of file opens the passport window, Alt+F4 closes it" passportOpens

aboutOpens() {
    openBy "$(windowOf "$main")" "$about" alt+space End Return && shot about "$about" &&
        keys "$(windowOf "$about")" Return && waitUntil 10 "closing of the about box" gone "$about"
}
check "the system menu's last entry opens the about box, Enter closes it" aboutOpens

# folderHolds FOLDER NAME...: the folder holds these names and nothing else (no temporary file).
folderHolds() {
    local folder=$1
    shift
    [ "$(ls -A "$folder")" = "$(printf '%s\n' "$@" | sort)" ]
}
compressed() {
    openBy "$(windowOf "$main")" "$question" alt+a c && shot question "$question" &&
        keys "$(windowOf "$question")" Return &&
        waitUntil 60 "complete archive beside the recording" \
            folderHolds "$folder" "запись №1.kvo" "запись №1.kvox" &&
        cmp "$archive" "$work/linux.kvox"
}
step "Actions / Compress, Enter: the archive is kvox -b $blockSize's, nothing else is left" \
    compressed
check "the recording is untouched" cmp "$recording" "$work/original.kvo"

keptOnNo() {
    local before
    before=$(stat -c '%y %s %i' "$archive")
    openBy "$(windowOf "$main")" "$question" alt+a c && keys "$(windowOf "$question")" Tab space &&
        waitUntil 10 "closing of the question" gone "$question" &&
        sleep 1 &&
        [ "$(stat -c '%y %s %i' "$archive")" = "$before" ] && cmp "$archive" "$work/linux.kvox" &&
        folderHolds "$folder" "запись №1.kvo" "запись №1.kvox"
}
check "Compress again, No: the existing archive is kept as it was" keptOnNo

# Another Cyrillic folder, so that restoring makes a new file; its path is typed in the dialog.
restoreFolder="$work/Восстановление"
mkdir "$restoreFolder"
cp "$archive" "$restoreFolder/копия.kvox"
openedTyped() {
    openBy "$(windowOf "$main")" "$openDialog" alt+f o &&
        typeText "$(windowOf "$openDialog")" "$(winPath "$restoreFolder/копия.kvox")" &&
        keys "$(windowOf "$openDialog")" Return &&
        waitUntil 10 "closing of the open dialog" gone "$openDialog"
}
step "File / Open with a typed Cyrillic path closes the dialog" openedTyped
restored() {
    openBy "$(windowOf "$main")" "$question" alt+a r && keys "$(windowOf "$question")" Return &&
        waitUntil 60 "restored recording" folderHolds "$restoreFolder" копия.kvox копия.kvo &&
        cmp "$restoreFolder/копия.kvo" "$work/original.kvo"
}
step "Actions / Restore, Enter: the recording comes back byte for byte" restored
shot main-restored "$main"

closed() {
    keys "$(windowOf "$main")" alt+F4 && waitUntil 20 "closing of the main window" gone "$main"
}
check "Alt+F4 closes the main window" closed

launch "$(winPath "$archive")"
step "started again with the archive as its argument, the main window opens" started
restoreKeptOnNo() {
    openBy "$(windowOf "$main")" "$question" alt+a r && keys "$(windowOf "$question")" Tab space &&
        waitUntil 10 "closing of the question" gone "$question" && sleep 1 &&
        cmp "$recording" "$work/original.kvo" &&
        folderHolds "$folder" "запись №1.kvo" "запись №1.kvox"
}
check "Restore, No: the recording of the archive's name is kept" restoreKeptOnNo
check "Alt+F4 closes it again" closed
finish
