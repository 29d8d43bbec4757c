#!/usr/bin/env bash
# Writes BMP files as ImageMagick writes them, for the framework's tests to read: info
# headers of 40 and 124 bytes, 1, 4, 8, 16 (5-6-5 bit fields), 24 and 32 bits (bit fields
# with alpha). Beside each NAME.bmp, NAME.rgb holds the pixels as ImageMagick reads them
# (top-down 8-bit RGB) and NAME.size its width and height.
set -euo pipefail
folder=$1
rm -rf "$folder"
mkdir -p "$folder"
cd "$folder"
im() { timeout 60 convert "$@"; }
im -size 7x5 xc:white -fill black -draw 'point 1,1' -draw 'point 3,2' -type Bilevel BMP3:im_1.bmp
im -size 7x5 xc:red -fill blue -draw 'point 1,1' -fill lime -draw 'point 3,2' \
  -fill white -draw 'point 5,4' -type Palette -compress None BMP3:im_4.bmp
im -size 7x40 gradient:red-blue -type Palette -compress None BMP3:im_8.bmp
im -size 7x5 gradient:red-blue -define bmp:subtype=RGB565 BMP:im_16_565.bmp
im -size 7x5 gradient:red-blue -type TrueColor BMP3:im_24.bmp
im -size 7x5 gradient:red-blue BMP:im_24_v5.bmp
im -size 7x5 gradient:lime-blue -alpha set -channel A -evaluate set 50% +channel BMP:im_32_alpha.bmp
for bmp in im_*.bmp; do
  im "$bmp" -alpha off -depth 8 "rgb:${bmp%.bmp}.rgb"
  identify -format '%w %h' "$bmp" >"${bmp%.bmp}.size"
done
echo "make_bitmaps: $(ls im_*.bmp | wc -l) bitmaps written by ImageMagick in $folder"
