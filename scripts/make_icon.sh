#!/usr/bin/env bash
# Draws the program icon resources/quobex.ico (16 to 256 pixels) with ImageMagick: a blue tile
# holding a white ring with a tail, the letter Q of the product, above an archive's zip stripe.
# Run it only to change the picture; the .ico it writes is committed.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 256x256 xc:none \
  -fill '#1d5fa8' -draw 'roundrectangle 8,8 247,247 44,44' \
  -fill '#2f7fd6' -draw 'roundrectangle 8,8 247,150 44,44' \
  -fill none -stroke white -strokewidth 30 -draw 'circle 128,118 128,46' \
  -strokewidth 34 -draw 'line 160,150 210,204' \
  -stroke none -fill '#f2c230' -draw 'rectangle 112,206 144,247' \
  -fill '#1d5fa8' -draw 'rectangle 112,214 128,222' -draw 'rectangle 128,230 144,238' \
  "$work/q256.png"
for size in 16 24 32 48 64; do
  convert "$work/q256.png" -resize ${size}x${size} "$work/q$size.png"
done
convert "$work"/q16.png "$work"/q24.png "$work"/q32.png "$work"/q48.png "$work"/q64.png \
  "$work"/q256.png resources/quobex.ico
echo "wrote resources/quobex.ico"
