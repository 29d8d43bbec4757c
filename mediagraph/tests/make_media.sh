#!/usr/bin/env bash
# Writes the media files the graph tests render: motion-JPEG AVIs as ffmpeg writes them,
# one with a PCM audio stream beside the video, and a text file named .avi.
set -euo pipefail
folder=$1
rm -rf "$folder"
mkdir -p "$folder"
cd "$folder"
ff() { timeout 60 ffmpeg -hide_banner -loglevel error -y "$@"; }
ff -f lavfi -i testsrc=size=160x120:rate=10 -t 1 -c:v mjpeg -pix_fmt yuvj420p -vtag MJPG -q:v 5 mjpg.avi
ff -f lavfi -i testsrc=size=160x120:rate=10 -f lavfi -i sine=frequency=440:sample_rate=22050 \
  -t 1 -c:v mjpeg -pix_fmt yuvj420p -vtag MJPG -q:v 5 -c:a pcm_s16le -ac 1 mjpg_pcm.avi
echo "This is not a video." > text.avi
# Red above, blue below, for the grabber's frames.
ff -f lavfi -i color=c=red:s=160x60:r=10 -f lavfi -i color=c=blue:s=160x60:r=10 \
  -filter_complex "[0:v][1:v]vstack" -t 1 -c:v mjpeg -pix_fmt yuvj420p -vtag MJPG -q:v 2 redblue.avi
