#!/usr/bin/env bash
# Writes the media the thumbnail tests hand to the browser: AVIs whose first frame is four
# coloured quadrants (red, lime / blue, yellow) and later frames magenta (for 1 s, one for
# 10 s), the same first frame at another size with its colours turned, an AVI with only audio, a text file named .AVI,
# an MPEG-1 .MPG; JPEGs (colour, greyscale, one named .JPEG) and BMPs of 1, 4, 8, 24 and 32
# bits with the same quadrants.
set -euo pipefail
folder=$1
rm -rf "$folder" "$folder/../thumbs_out"
mkdir -p "$folder"
cd "$folder"
ff() { timeout 60 ffmpeg -hide_banner -loglevel error -y "$@"; }
im() { timeout 60 convert "$@"; }
quadrants() {  # width height top-left top-right bottom-left bottom-right out
  local w=$1 h=$2
  im \( -size $((w / 2))x$((h / 2)) xc:"$3" -size $((w / 2))x$((h / 2)) xc:"$4" +append \) \
    \( -size $((w / 2))x$((h / 2)) xc:"$5" -size $((w / 2))x$((h / 2)) xc:"$6" +append \) \
    -append "$7"
}
quadrants 640 480 red lime blue yellow quad640.png
quadrants 320 240 blue yellow red lime turned320.png
video() {  # first-frame later-colour size out [codec args...]; later_seconds of later frames
  local first=$1 later=$2 size=$3 out=$4
  shift 4
  ff -loop 1 -framerate 10 -t 0.1 -i "$first" -f lavfi -i color=c=$later:s=$size:r=10:d=${later_seconds:-1} \
    -filter_complex "[0:v]format=yuvj420p,setsar=1[a];[1:v]format=yuvj420p,setsar=1[b];[a][b]concat=n=2:v=1[v]" \
    -map "[v]" "$@" "$out"
}
video quad640.png magenta 640x480 quadrants.avi -c:v mjpeg -q:v 2 -vtag MJPG
video turned320.png magenta 320x240 turned.avi -c:v mjpeg -q:v 2 -vtag MJPG
later_seconds=10 video turned320.png magenta 320x240 long.avi -c:v mjpeg -q:v 2 -vtag MJPG
video quad640.png magenta 640x480 quadrants.mpg -c:v mpeg1video -q:v 2 -pix_fmt yuv420p -r 25 -f mpeg
ff -f lavfi -i sine=frequency=440:sample_rate=22050 -t 1 -c:a pcm_s16le audio_only.avi
echo "This is not a video." > text.AVI
im quad640.png -quality 90 colour.jpg
im quad640.png -quality 90 -colorspace Gray grey.jpg
cp colour.jpg named.JPEG
quadrants 160 120 black white white black png:- | im png:- -type Bilevel BMP3:bits1.bmp
im quad640.png -sample 160x120 -type Palette -compress None BMP3:bits4.bmp
# More than 16 colours: an 8-bit palette. The stripe at the very bottom keeps the centres.
im quad640.png -sample 160x120 \( -size 4x160 gradient:white-black -rotate 90 \) -append -crop 160x120+0+4 \
  +repage -type Palette -compress None BMP3:bits8.bmp
im quad640.png -sample 160x120 -type TrueColor BMP3:bits24.bmp
im quad640.png -sample 160x120 -alpha set -channel A -evaluate set 100% +channel BMP:bits32.bmp
for f in bits*.bmp; do printf '%s %s\n' "$f" "$(identify -format '%z %[bit-depth] %r' "$f")"; done
rm -f quad640.png turned320.png
echo "make_thumb_media: $(ls | wc -l) files in $folder"
