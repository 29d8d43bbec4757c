#!/usr/bin/env bash
# Reads a recording back on the Linux side with ffprobe and ffmpeg, independently of the
# AVIFile library that wrote it, and compares it with what the recording test noted.
# Usage: check_recording.sh FILE.avi   (FILE.avi.txt holds frames=, width=, height=, rate=
# and, when the frames are known, one md5= line per frame in order)
set -euo pipefail
avi=$1
notes=$avi.txt
fail() { echo "check_recording: $avi: $*" >&2; exit 1; }

[ -s "$avi" ] || fail "no recording"
[ -s "$notes" ] || fail "no notes"
note() { tr -d '\r' <"$notes" | sed -n "s/^$1=//p" | head -n1; }
frames=$(note frames) width=$(note width) height=$(note height) rate=$(note rate)
[ -n "$frames" ] && [ -n "$width" ] && [ -n "$height" ] && [ -n "$rate" ] || fail "incomplete notes"

probe() { timeout 120 ffprobe -v error "$@" "$avi"; }
info=$(probe -select_streams v:0 -count_frames -of default=nw=1 \
  -show_entries stream=codec_name,codec_tag_string,width,height,r_frame_rate,nb_read_frames) \
  || fail "ffprobe cannot read it"
field() { printf '%s\n' "$info" | sed -n "s/^$1=//p"; }

[ "$(probe -show_entries format=format_name -of default=nw=1:nk=1)" = avi ] || fail "not read as AVI"
[ "$(probe -show_entries stream=codec_type -of csv=p=0 | grep -c .)" = 1 ] || fail "not one stream"
[ "$(field codec_tag_string)" = MJPG ] || fail "codec tag $(field codec_tag_string), not MJPG"
[ "$(field codec_name)" = mjpeg ] || fail "codec $(field codec_name), not mjpeg"
[ "$(field width)" = "$width" ] || fail "width $(field width), expected $width"
[ "$(field height)" = "$height" ] || fail "height $(field height), expected $height"
[ "$(field r_frame_rate)" = "$rate/1" ] || fail "rate $(field r_frame_rate), expected $rate/1"
# Every frame decodes: ffmpeg stops at the first decoding error and reports it.
errors=$(timeout 120 ffmpeg -nostdin -v error -xerror -i "$avi" -map 0:v:0 -f null - 2>&1) \
  || fail "decoding failed: $errors"
[ -z "$errors" ] || fail "decoder complained: $errors"
[ "$(field nb_read_frames)" = "$frames" ] || fail "$(field nb_read_frames) frames decoded, expected $frames"

# One key-frame packet per frame.
flags=$(probe -select_streams v:0 -show_entries packet=flags -of csv=p=0)
[ "$(printf '%s\n' "$flags" | grep -c .)" = "$frames" ] || fail "packet count differs from $frames"
[ -z "$(printf '%s\n' "$flags" | grep -v '^K')" ] || fail "a frame is not a key frame"

# The frames as the camera sent them, byte for byte, when the test knew them.
if grep -q '^md5=' "$notes"; then
  expected=$(tr -d '\r' <"$notes" | sed -n 's/^md5=//p')
  actual=$(timeout 120 ffmpeg -nostdin -v error -i "$avi" -map 0:v:0 -c copy -f framemd5 - \
    | awk -F', *' '!/^#/ {print $NF}')
  [ "$expected" = "$actual" ] || fail "frame bytes differ from what was recorded"
fi
echo "check_recording: $avi: $frames frames of ${width}x$height MJPG at $rate/s, all decoded"
