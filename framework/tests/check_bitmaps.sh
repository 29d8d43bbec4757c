#!/usr/bin/env bash
# Reads the bitmaps the framework's tests saved, one per depth, with ImageMagick on the Linux
# side and compares their pixels with what the test meant to draw (NAME.rgb beside NAME.bmp,
# top-down 8-bit RGB written from the pattern itself, not from the bitmap code).
set -euo pipefail
folder=$1
fail() { echo "check_bitmaps: $*" >&2; exit 1; }
count=0
for bmp in "$folder"/depth_*.bmp; do
  [ -e "$bmp" ] || fail "no bitmaps in $folder"
  rgb=${bmp%.bmp}.rgb
  [ -s "$rgb" ] || fail "$bmp: no expected pixels"
  size=$(timeout 60 identify -format '%wx%h' "$bmp") || fail "$bmp: identify cannot read it"
  [ "$size" = 13x7 ] || fail "$bmp: size $size, expected 13x7"
  timeout 60 convert "$bmp" -depth 8 rgb:- >"$rgb.read" || fail "$bmp: convert cannot read it"
  cmp -s "$rgb" "$rgb.read" || fail "$bmp: pixels differ from the pattern ($(cmp "$rgb" "$rgb.read" 2>&1 | head -n1))"
  rm -f "$rgb.read"
  count=$((count + 1))
done
[ "$count" = 7 ] || fail "$count bitmaps, expected 7"
echo "check_bitmaps: $count bitmaps read by ImageMagick with the pixels drawn"
