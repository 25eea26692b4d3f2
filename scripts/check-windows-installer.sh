#!/usr/bin/env bash
# Builds the Windows installer in the Windows build folder (`cpack -G NSIS`) and checks it under
# wine64 in a fresh prefix of its own (BUILD/installer-check), so that no other prefix is touched.
# Twice:
#   1. `setup.exe /S /PATH`: the files, the Start-menu entry and file types (when the build has
#      the window), the uninstall key, kvox.exe on the system PATH and runnable by its name,
#      PATH unchanged by installing again over it; then `Uninstall.exe /S _?=FOLDER`, which
#      waits and leaves only itself, as NSIS documents;
#   2. `setup.exe /S`: the same without the PATH entry; then `Uninstall.exe /S` as the system's
#      "uninstall" runs it, which returns at once and finishes from a copy of itself.
# After each uninstall nothing the installer wrote may be left: no folder, no shortcut, no
# registry key, PATH as it was. Every check prints a line; the first miss ends the script.
# Usage: scripts/check-windows-installer.sh WINDOWS_BUILD_FOLDER
set -euo pipefail
repo=$(realpath "$(dirname "$0")/..")
build=$(realpath "$1")
rm -f "$build"/kvocodec-*-windows-x64-setup.exe
(cd "$build" && cpack -G NSIS >/dev/null)
installers=("$build"/kvocodec-*-windows-x64-setup.exe)
[ -f "${installers[0]}" ] || { echo "check-windows-installer: no installer in $build" >&2; exit 1; }
installer=${installers[0]}
version=$(sed -n 's/^project(KVOCodec VERSION \([0-9.]*\).*/\1/p' "$repo/CMakeLists.txt")

check=$build/installer-check
prefix=$check/prefix
out=$check/out.txt
rm -rf "$check"
mkdir -p "$check"
trap '"$repo/scripts/wine-stop.sh" "$prefix"' EXIT
# Output goes to a file: wine's service processes may hold a pipe open long after the program.
wine() { "$repo/scripts/wine-run.sh" "$prefix" "$@" >"$out" 2>&1; }

folder='C:\Program Files\KVOCodec'
folderUnix=$prefix/drive_c/Program\ Files/KVOCodec
shortcut=$prefix/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/KVOCodec.lnk
uninstallKey='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KVOCodec'
environmentKey='HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment'
# The window, its shortcut and file types come with the build's kvocodec target.
window=false
grep -q KVO_WINDOW "$build/CPackConfig.cmake" && window=true

# What is still in the installation folder, on one line.
leftOver() { find "$folderUnix" -mindepth 1 -printf '%P '; }
fail() {
    echo "check-windows-installer: $*" >&2
    exit 1
}
ok() { echo "installer: ok: $*"; }

# regValue KEY NAME: prints the value's data (NAME empty: the key's default value); fails when
# the key or the value is missing.
regValue() {
    local which=(/v "$2")
    [ -n "$2" ] || which=(/ve)
    wine reg query "$1" "${which[@]}" || return 1
    sed -n 's/^ .*    REG_[A-Z_]*    //p' "$out" | tr -d '\r'
}
expectValue() { # KEY NAME EXPECTED
    local actual
    actual=$(regValue "$1" "$2") || fail "no ${2:-default value} in $1"
    [ "$actual" = "$3" ] || fail "$1 ${2:-(default)} is '$actual', not '$3'"
    ok "$1 ${2:-(default)} = $3"
}
expectNoKey() {
    ! wine reg query "$1" || fail "left behind: $1"
    ok "no $1"
}

# The file types: .EXT -> KVOCodec.EXT, opened by the window, shown with EXT.ico.
expectFileType() {
    expectValue "HKCR\\.$1" "" "KVOCodec.$1"
    expectValue "HKCR\\KVOCodec.$1\\shell\\open\\command" "" "\"$folder\\kvocodec.exe\" \"%1\""
    expectValue "HKCR\\KVOCodec.$1\\DefaultIcon" "" "$folder\\$1.ico"
}

expectInstalled() { # PATH_EXPECTED
    local expected=(LICENSE README-windows.txt Uninstall.exe kvox.exe)
    $window && expected+=(kvo.ico kvocodec.exe kvox.ico)
    [ -d "$folderUnix" ] || fail "no folder $folder"
    local listing
    listing=$(leftOver | tr ' ' '\n' | LC_ALL=C sort)
    [ "$listing" = "$(printf '%s\n' "${expected[@]}" | LC_ALL=C sort)" ] ||
        fail "$folder holds: $(leftOver)"
    ok "$folder holds ${expected[*]}"
    wine "$folder\\kvox.exe" --version || fail "the installed kvox.exe does not run: $(cat "$out")"
    grep -q "kvox $version" "$out" || fail "the installed kvox.exe says: $(cat "$out")"
    ok "the installed kvox.exe --version: $(tr -d '\r' <"$out")"
    if $window; then
        [ -f "$shortcut" ] || fail "no Start-menu entry ${shortcut#"$prefix/"}"
        grep -aq kvocodec.exe "$shortcut" || fail "the Start-menu entry does not start kvocodec.exe"
        ok "Start-menu entry ${shortcut#"$prefix/drive_c/"} -> kvocodec.exe"
        expectFileType kvo
        expectFileType kvox
    else
        [ ! -e "$shortcut" ] || fail "a Start-menu entry without the window"
        ok "no window in this build: no Start-menu entry, no file types"
    fi
    expectValue "$uninstallKey" DisplayName KVOCodec
    expectValue "$uninstallKey" DisplayVersion "$version"
    expectValue "$uninstallKey" UninstallString "\"$folder\\Uninstall.exe\""
    expectValue "$environmentKey" Path "$1"
}

expectRemoved() {
    [ ! -e "$folderUnix" ] ||
        fail "left behind in $folder: $(leftOver)"
    ok "no folder $folder"
    [ ! -e "$shortcut" ] || fail "left behind: the Start-menu entry"
    ok "no Start-menu entry"
    expectNoKey 'HKCR\.kvo'
    expectNoKey 'HKCR\.kvox'
    expectNoKey 'HKCR\KVOCodec.kvo'
    expectNoKey 'HKCR\KVOCodec.kvox'
    expectNoKey "$uninstallKey"
    expectValue "$environmentKey" Path "$pathBefore"
}

start=$SECONDS
wine cmd /c ver # makes the prefix
pathBefore=$(regValue "$environmentKey" Path) || fail "no PATH in the new prefix"
echo "installer: $(basename "$installer") ($(stat -c %s "$installer") bytes), window: $window"

echo "installer: 1. setup.exe /S /PATH"
# A PATH that ends in a separator gets it back after the uninstall.
pathBefore="$pathBefore;"
wine reg add "$environmentKey" /v Path /t REG_EXPAND_SZ /d "$pathBefore" /f ||
    fail "cannot set PATH: $(cat "$out")"
wine "$installer" /S /PATH || fail "the installer failed: $(cat "$out")"
expectInstalled "$pathBefore$folder;"
# Installed again over itself: PATH holds the folder once.
wine "$installer" /S /PATH || fail "the installer failed over itself: $(cat "$out")"
expectValue "$environmentKey" Path "$pathBefore$folder;"
wine cmd /c "kvox --version" || fail "kvox does not run by its name: $(cat "$out")"
ok "kvox runs by its name through PATH"
# Told where it lives (after _?=, up to the end of the line, no quotes), the uninstaller runs in
# place and waits; it cannot remove itself while running, that is left to whoever started it.
# wine quotes an argument with a space, so the folder comes in two.
wine "$folder\\Uninstall.exe" /S "_?=${folder% *}" "${folder##* }" ||
    fail "the uninstaller failed: $(cat "$out")"
[ "$(leftOver)" = "Uninstall.exe " ] || fail "after the uninstaller, $folder holds: $(leftOver)"
ok "the uninstaller left only itself in $folder"
rm "$folderUnix/Uninstall.exe"
rmdir "$folderUnix"
expectRemoved

echo "installer: 2. setup.exe /S"
wine "$installer" /S || fail "the installer failed: $(cat "$out")"
expectInstalled "$pathBefore"
wine "$folder\\Uninstall.exe" /S || fail "the uninstaller failed: $(cat "$out")"
# It goes on from a copy of itself; the folder is the last thing it removes.
for _ in $(seq 600); do
    [ -e "$folderUnix" ] || break
    sleep 0.1
done
expectRemoved
echo "Installer: checked in $((SECONDS - start)) s"
