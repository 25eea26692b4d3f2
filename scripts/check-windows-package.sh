#!/usr/bin/env bash
# Builds the Windows zip in the Windows build folder and checks it: kvox.exe, LICENSE and
# README-windows.txt at its root, and kvocodec.exe when the build has the window; the README
# readable by Notepad; the programs taken out of it need no DLL of the compiler's, and kvox.exe
# runs (under wine64).
# Usage: scripts/check-windows-package.sh WINDOWS_BUILD_FOLDER
set -euo pipefail
repo=$(realpath "$(dirname "$0")/..")
build=$(realpath "$1")
rm -f "$build"/kvox-*-windows-x64.zip
(cd "$build" && cpack -G ZIP >/dev/null)
zips=("$build"/kvox-*-windows-x64.zip)
[ -f "${zips[0]}" ] || { echo "check-windows-package: no kvox-VERSION-windows-x64.zip" >&2; exit 1; }
zip=${zips[0]}

listing=$(unzip -Z1 "$zip" | LC_ALL=C sort)
programs=(kvox.exe)
# The build has the window when its packages do (cmake/KvoPackagingWindows.cmake).
grep -q KVO_WINDOW "$build/CPackConfig.cmake" && programs+=(kvocodec.exe)
expected=$(printf '%s\n' LICENSE README-windows.txt "${programs[@]}" | LC_ALL=C sort)
if [ "$listing" != "$expected" ]; then
    echo "check-windows-package: $(basename "$zip") holds: $(tr '\n' ' ' <<<"$listing")" >&2
    exit 1
fi
unpacked=$(mktemp -d "$build/package-check.XXXXXX")
trap 'rm -rf "$unpacked"' EXIT
unzip -q "$zip" -d "$unpacked"
# Notepad shows it right on every Windows: a UTF-8 byte order mark and CR LF line ends.
readme=$unpacked/README-windows.txt
if [ "$(head -c 3 "$readme" | od -An -tx1 | tr -d ' ')" != efbbbf ] ||
    [ "$(grep -c $'\r$' "$readme")" != "$(wc -l <"$readme")" ]; then
    echo "check-windows-package: README-windows.txt needs a byte order mark and CR LF" >&2
    exit 1
fi
# Each stands alone: no runtime library of the compiler's (libstdc++, libgcc, winpthread) beside it.
for program in "${programs[@]}"; do
    imports=$(x86_64-w64-mingw32-objdump -p "$unpacked/$program" | sed -n 's/^\s*DLL Name: //p')
    if grep -qi '^lib' <<<"$imports"; then
        echo "check-windows-package: $program needs" \
            "$(grep -i '^lib' <<<"$imports" | tr '\n' ' ')" >&2
        exit 1
    fi
done
version=$("$repo/scripts/wine-run.sh" "$build/wineprefix" "$unpacked/kvox.exe" --version)
echo "$version"
grep -q "$(sed -n 's/^project(KVOCodec VERSION \([0-9.]*\).*/\1/p' "$repo/CMakeLists.txt")" \
    <<<"$version" || { echo "check-windows-package: kvox.exe --version names no version" >&2; exit 1; }
echo "Package: $(basename "$zip") ($(stat -c %s "$zip") bytes): $(paste -sd ' ' <<<"$listing")"
