#!/usr/bin/env bash
# Regenerates the renderer's test pictures with ImageMagick (Debian's imagemagick package, convert 6).
# They are committed, so the tests do not need ImageMagick; run this only to change them.
set -euo pipefail
cd "$(dirname "$0")"
im=/usr/bin/convert
# 256 x 4, pure red, alpha rising from 0 at the left column to 255 at the right (alpha = x).
$im -size 256x4 xc:'#FF0000' \( -size 4x256 gradient:black-white -rotate -90 \) \
    -alpha off -compose CopyOpacity -composite PNG32:alpha-ramp.png
# 30 x 30 opaque nine-grid: 10-pixel corners split into quadrants of two colours, blue edges, white centre.
$im -size 30x30 xc:white \
    -fill '#0000FF' -draw 'rectangle 10,0 19,9' -draw 'rectangle 10,20 19,29' \
    -draw 'rectangle 0,10 9,19' -draw 'rectangle 20,10 29,19' \
    -fill '#FF0000' -draw 'rectangle 0,0 9,9' -fill '#00FF00' -draw 'rectangle 0,0 4,4' \
    -fill '#FFFF00' -draw 'rectangle 20,0 29,9' -fill '#00FFFF' -draw 'rectangle 25,0 29,4' \
    -fill '#FF00FF' -draw 'rectangle 0,20 9,29' -fill '#800000' -draw 'rectangle 0,25 4,29' \
    -fill '#008000' -draw 'rectangle 20,20 29,29' -fill '#000080' -draw 'rectangle 25,25 29,29' \
    -alpha off PNG24:nine-grid.png
# 10 x 10 opaque tile whose pixel (x, y) has red = 20 x, green = 20 y, blue 0x40: any scaling shows.
$im -size 10x10 xc:black -channel R -fx 'i*20/255' -channel G -fx 'j*20/255' -channel B -fx '64/255' \
    +channel -alpha off PNG24:tile.png
# The skin archive for the image loader, by Python's zipfile (the member name differs in case).
python3 -c "import zipfile; z=zipfile.ZipFile(\"skin.zip\",\"w\",zipfile.ZIP_DEFLATED); z.write(\"tile.png\",\"pics/Tile.png\"); z.close()"
