#!/usr/bin/env bash
# Builds the Debian packages in a Release build folder and checks them: kvox depends on no Qt
# library and runs from its unpacked package, kvocodec depends on the Qt platform plugins it needs
# to start, recommends kvox and installs its AppStream description, and lintian finds no error and
# no warning in any package.
# Usage: scripts/check-packages.sh BUILD_FOLDER
set -euo pipefail
build=$(realpath "$1")
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)

deb() {
    local found=("$build/$1"_*.deb)
    [ -f "${found[0]}" ] || { echo "check-packages: no package $1" >&2; exit 1; }
    echo "${found[0]}"
}
kvox=$(deb kvox)
kvocodec=$(deb kvocodec)

kvoxDepends=$(dpkg-deb -f "$kvox" Depends)
echo "kvox depends on: $kvoxDepends"
if grep -qi 'qt' <<<"$kvoxDepends"; then
    echo "check-packages: kvox must not depend on Qt" >&2
    exit 1
fi
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$kvox" "$unpacked"
if ldd "$unpacked/usr/bin/kvox" | grep -i 'qt'; then
    echo "check-packages: the packaged kvox loads Qt" >&2
    exit 1
fi
"$unpacked/usr/bin/kvox" --version

kvocodecDepends=$(dpkg-deb -f "$kvocodec" Depends)
echo "kvocodec depends on: $kvocodecDepends"
for needed in qt6-qpa-plugins libqt6widgets6; do
    grep -q "$needed" <<<"$kvocodecDepends" || {
        echo "check-packages: kvocodec must depend on $needed" >&2
        exit 1
    }
done

# The window points users to kvox --salvage.
grep -qE '(^|[ ,])kvox([ ,(]|$)' <<<"$(dpkg-deb -f "$kvocodec" Recommends)" || {
    echo "check-packages: kvocodec must recommend kvox" >&2
    exit 1
}
# The listing is read whole first: grep -q would stop early and dpkg-deb die of a broken pipe.
listing=$(dpkg-deb -c "$kvocodec")
grep -q ' \./usr/share/metainfo/org\.example\.kvocodec\.metainfo\.xml$' <<<"$listing" || {
    echo "check-packages: kvocodec must install its AppStream description" >&2
    exit 1
}

lintian --fail-on error,warning "$build"/*.deb
echo "Packages: $(cd "$build" && ls ./*.deb | tr '\n' ' ')lintian clean"
