#!/usr/bin/env bash
# Reads the thumbnails the browser's tests saved with ImageMagick on the Linux side: each is
# 120 x 90, with the colours its NAME.expected lists at their points ("x y red green blue").
set -euo pipefail
folder=$1
fail() { echo "check_thumbnails: $*" >&2; exit 1; }
count=0
for bmp in "$folder"/*.bmp; do
  [ -e "$bmp" ] || fail "no thumbnails in $folder"
  size=$(timeout 60 identify -format '%wx%h' "$bmp") || fail "$bmp: identify cannot read it"
  [ "$size" = 120x90 ] || fail "$bmp: size $size, expected 120x90"
  while read -r x y r g b; do
    read -r R G B < <(timeout 60 convert "$bmp" -alpha off -crop "1x1+$x+$y" -depth 8 rgb:- | od -An -tu1)
    for pair in "$r $R" "$g $G" "$b $B"; do
      set -- $pair
      d=$(( $1 > $2 ? $1 - $2 : $2 - $1 ))
      [ "$d" -le 48 ] || fail "$bmp: ($x, $y) is $R $G $B, expected $r $g $b"
    done
  done < <(tr -d '\r' <"${bmp%.bmp}.expected")
  count=$((count + 1))
done
[ "$count" -gt 0 ] || fail "no thumbnails in $folder"
echo "check_thumbnails: $count thumbnails read by ImageMagick with their colours"
