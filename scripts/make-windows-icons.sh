#!/usr/bin/env bash
# Remakes the Windows icons in packaging/windows/ from their drawings, each with 16, 32, 48 and
# 256 pixel images (the largest stored as PNG, as Windows expects it):
#   kvocodec.ico  the application: the window's own rotor (src/app/qt/resources/kvocodec.svg)
#   kvo.ico       a recording: kvo.svg (a page with a blue label)
#   kvox.ico      a compressed recording: kvox.svg (the same page with an orange label)
# The .ico files are committed, so a build needs none of the tools this script uses:
# rsvg-convert (librsvg2-bin) and icotool (icoutils).
set -euo pipefail
repo=$(realpath "$(dirname "$0")/..")
out=$repo/packaging/windows
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

makeIcon() { # makeIcon SOURCE.svg TARGET.ico
    local source=$1 target=$2 size images=()
    for size in 16 32 48 256; do
        rsvg-convert --width "$size" --height "$size" --keep-aspect-ratio "$source" \
            -o "$work/$size.png"
        images+=("$work/$size.png")
    done
    # The small images as bitmaps for every Windows; the 256 pixel one compressed.
    icotool --create --output "$target" "${images[@]:0:3}" --raw "${images[3]}"
    echo "$target: $(icotool --list "$target" | wc -l) images, $(stat -c %s "$target") bytes"
}

makeIcon "$repo/src/app/qt/resources/kvocodec.svg" "$out/kvocodec.ico"
makeIcon "$out/kvo.svg" "$out/kvo.ico"
makeIcon "$out/kvox.svg" "$out/kvox.ico"
