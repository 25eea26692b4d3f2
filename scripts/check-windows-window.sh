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
#  - started a third time, the list's third size (chosen with Tab and arrow keys) gives kvox's
#    archive in three blocks; a read-only archive of that name is refused in the error box first;
#    File / Exit closes the window.
# Screenshots of the main window, the passport window, the question, the error box and the about
# box go to WINDOWS_BUILD_FOLDER/screenshots. Without a built kvocodec.exe nothing is checked.
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
# frameOf WINDOW: WIDTHxHEIGHT+X+Y on the screen (xdotool's own position is wrong for windows
# inside wine's desktop window).
frameOf() {
    onDisplay xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ {
        y = $NF } /Width:/ { w = $NF } /Height:/ { h = $NF } END { print w "x" h "+" x "+" y }'
}
# clickInto PATTERN: with no window manager, the window that wine shows first gets the keyboard
# only after a click; this one goes to the left of its client area (the summary box).
clickInto() {
    local height x y
    IFS='x+' read -r _ height x y <<<"$(frameOf "$(windowOf "$1")")"
    onDisplay xdotool mousemove "$((x + 30))" "$((y + height / 2))" click 1
}
# press PATTERN KEY... -- CONDITION...: keys as typed, which wine gives to its active window, the
# window PATTERN, until CONDITION holds. A window busy with a command drops input, so they are
# sent again (after closing any menu they opened) until it does.
press() {
    local pattern=$1 deadline=$((SECONDS + 60))
    local -a pressed=()
    shift
    while [ "$1" != -- ]; do
        pressed+=("$1")
        shift
    done
    shift
    while [ "$SECONDS" -lt "$deadline" ]; do
        shown "$pattern" || { echo "    no window \"$pattern\" for ${pressed[*]}"; return 1; }
        onDisplay xdotool key --delay 50 "${pressed[@]}"
        waitUntil 5 "" "$@" >/dev/null && return 0
        onDisplay xdotool key Escape Escape
    done
    echo "    ${pressed[*]} to \"$pattern\" did not bring about: $*"
    return 1
}
# typeText DELAY TEXT: runs of letters outside ASCII with DELAY milliseconds per key: xdotool maps
# each to a spare key for the moment of its press, and wine must read the mapping before it goes.
typeText() {
    local run='' char i wide runWide=0
    for ((i = 0; i <= ${#2}; i++)); do
        char=${2:i:1}
        [ "$(printf '%s' "$char" | wc -c)" -gt 1 ] && wide=1 || wide=0
        if [ -n "$run" ] && { [ -z "$char" ] || [ "$wide" != "$runWide" ]; }; then
            onDisplay xdotool type --delay "$((runWide ? $1 : 10))" "$run"
            run=''
        fi
        run+=$char
        runWide=$wide
    done
}
# shot NAME PATTERN: the window as it is on the screen, cropped to its frame.
shot() {
    sleep 0.5 # its painting
    onDisplay import -window root -crop "$(frameOf "$(windowOf "$2")")" +repage "$shots/$1.png"
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
errorBox='kvocodec'

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

started() { waitUntil 90 "main window \"$main\"" shown "$main" && sleep 0.5 && clickInto "$main"; }
launch "$(winPath "$recording")"
step "started with a recording as its argument, the main window opens" started
shot main "$main"

passportOpens() {
    press "$main" alt+v h -- shown "$passport" && shot passport "$passport" &&
        press "$passport" alt+F4 -- gone "$passport"
}
check "View / Head of file opens the passport window, Alt+F4 closes it" passportOpens

aboutOpens() {
    press "$main" alt+space End Return -- shown "$about" && shot about "$about" &&
        press "$about" Return -- gone "$about"
}
check "the system menu's last entry opens the about box, Enter closes it" aboutOpens

# folderHolds FOLDER NAME...: the folder holds these names and nothing else (no temporary file).
folderHolds() {
    local folder=$1
    shift
    [ "$(ls -A "$folder")" = "$(printf '%s\n' "$@" | sort)" ]
}
compressed() {
    press "$main" alt+a c -- shown "$question" && shot question "$question" &&
        press "$question" Return -- gone "$question" &&
        waitUntil 60 "complete archive beside the recording" \
            folderHolds "$folder" "запись №1.kvo" "запись №1.kvox" &&
        cmp "$archive" "$work/linux.kvox"
}
step "Actions / Compress, Enter: the archive is kvox -b $blockSize's, nothing else is left" \
    compressed
check "the recording is untouched" cmp "$recording" "$work/original.kvo"

# answeredNo KEY: the key to the main window (Actions) asks the question, answered No (Tab moves
# from Yes, the default, to No); a second later nothing has been written.
answeredNo() {
    press "$main" alt+a "$1" -- shown "$question" && press "$question" Tab space -- gone "$question" &&
        sleep 1
}
keptOnNo() {
    local before
    before=$(stat -c '%y %s %i' "$archive")
    answeredNo c && [ "$(stat -c '%y %s %i' "$archive")" = "$before" ] &&
        cmp "$archive" "$work/linux.kvox" && folderHolds "$folder" "запись №1.kvo" "запись №1.kvox"
}
check "Compress again, No: the existing archive is kept as it was" keptOnNo

# Another Cyrillic folder, so that restoring makes a new file; its path is typed in the dialog.
restoreFolder="$work/Восстановление"
mkdir "$restoreFolder"
cp "$archive" "$restoreFolder/копия.kvox"
# A letter lost on a busy machine names no file: the dialog stays, with a message over it. Both
# are closed and the path typed again, more slowly.
openedTyped() {
    local delay
    for delay in 150 400 1000; do
        press "$main" alt+f o -- shown "$openDialog" || return 1
        typeText "$delay" "$(winPath "$restoreFolder/копия.kvox")"
        onDisplay xdotool key Return
        waitUntil 5 "closing of the open dialog" gone "$openDialog" && return 0
        onDisplay xdotool key --delay 300 Escape Escape Escape
        waitUntil 5 "closing of the open dialog" gone "$openDialog" || return 1
    done
    return 1
}
step "File / Open with a typed Cyrillic path closes the dialog" openedTyped
restored() {
    press "$main" alt+a r -- shown "$question" && press "$question" Return -- gone "$question" &&
        waitUntil 60 "restored recording" folderHolds "$restoreFolder" копия.kvox копия.kvo &&
        cmp "$restoreFolder/копия.kvo" "$work/original.kvo"
}
step "Actions / Restore, Enter: the recording comes back byte for byte" restored
shot main-restored "$main"

closed() { press "$main" alt+F4 -- gone "$main"; }
check "Alt+F4 closes the main window" closed

launch "$(winPath "$archive")"
step "started again with the archive as its argument, the main window opens" started
restoreKeptOnNo() {
    answeredNo r && cmp "$recording" "$work/original.kvo" &&
        folderHolds "$folder" "запись №1.kvo" "запись №1.kvox"
}
check "Restore, No: the recording of the archive's name is kept" restoreKeptOnNo
check "Alt+F4 closes it again" closed

# A third start, in a third folder: Tab goes from the summary box to the block size list, two
# steps down choose its third size, a third of the records. A read-only archive of the output's
# name is refused in the error box, and the window goes on: Compress again, once it may be
# replaced, cuts the data into three blocks.
thirds="$work/Три блока"
mkdir "$thirds"
cp "$recording" "$thirds/запись.kvo"
printf 'older output' >"$thirds/запись.kvox"
chmod a-w "$thirds/запись.kvox"
thirdSize=$((blockSize / 3))
"$kvox" -q -b "$thirdSize" -o "$work/thirds.kvox" "$recording"
launch "$(winPath "$thirds/запись.kvo")"
step "started a third time with a recording, the main window opens" started
refused() {
    onDisplay xdotool key --delay 50 Tab Down Down &&
        press "$main" alt+a c -- shown "$question" &&
        press "$question" Return -- shown "$errorBox" && shot error "$errorBox" &&
        press "$errorBox" Return -- gone "$errorBox" && shown "$main" &&
        [ "$(cat "$thirds/запись.kvox")" = 'older output' ] &&
        folderHolds "$thirds" запись.kvo запись.kvox
}
check "Compress over a read-only archive: the error box, the archive kept, the window open" refused
inThirds() {
    chmod u+w "$thirds/запись.kvox" &&
        press "$main" alt+a c -- shown "$question" && press "$question" Return -- gone "$question" &&
        waitUntil 60 "archive in three blocks" cmp -s "$thirds/запись.kvox" "$work/thirds.kvox" &&
        folderHolds "$thirds" запись.kvo запись.kvox
}
check "Compress again with the list's third size: the archive is kvox -b $thirdSize's" inThirds
exited() { press "$main" alt+f x -- gone "$main"; }
check "File / Exit closes the third window" exited
finish
