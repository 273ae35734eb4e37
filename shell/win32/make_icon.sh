#!/usr/bin/env bash
# Makes vorlip.ico from the yellow chick (frame 0 of sheet 2): the colour half gives the
# picture, the mask half (black where the chick is solid) gives its transparency.
# Run after the chick art changes; needs ImageMagick.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
sheet="$here/../../sheets/sheet02.bmp"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
convert "$sheet" -crop 72x72+0+0 +repage "$work/colour.png"
convert "$sheet" -crop 72x72+0+72 +repage -colorspace gray -negate "$work/alpha.png"
convert "$work/colour.png" "$work/alpha.png" -alpha off -compose copy_opacity -composite \
    "PNG32:$work/chick.png"
convert "$work/chick.png" -type TrueColorAlpha -define icon:auto-resize=256,64,48,32,16 "$here/vorlip.ico"
echo "wrote $here/vorlip.ico"
