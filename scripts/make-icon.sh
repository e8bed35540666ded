#!/usr/bin/env bash
# Draws the program's icon src/app/LugeonTransfer.ico from its sources in icon/:
# 16 and 24 pixels from hand-set pixel maps (XPM), 32, 48 and 256 pixels from
# the vector drawing (SVG, rendered by ImageMagick's own renderer). The .ico is
# committed; run this after changing a source and commit both. Same sources,
# same bytes: no dates go into the PNG-compressed 256-pixel image.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
command -v convert >/dev/null || bash scripts/setup-debian.sh

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
strip=(-strip -define png:exclude-chunks=date,time +set date:create +set date:modify)

convert -background none msvg:icon/LugeonTransfer.svg -depth 8 "${strip[@]}" "png32:$tmp/256.png"
for size in 32 48; do
  # A box filter keeps the drawing's 8-unit grid sharp at 32 pixels.
  convert "$tmp/256.png" -filter box -resize "${size}x${size}" "${strip[@]}" "png32:$tmp/$size.png"
done
for size in 16 24; do
  convert "icon/LugeonTransfer-$size.xpm" "${strip[@]}" "png32:$tmp/$size.png"
done
convert "$tmp"/{16,24,32,48,256}.png "${strip[@]}" src/app/LugeonTransfer.ico
echo src/app/LugeonTransfer.ico
