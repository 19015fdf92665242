#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-2-Clause
# End to end against ffmpeg: a y4m stream made by ffmpeg is piped through pelforge's resize, and
# the result must be a stream ffmpeg reads, with the right picture count and size, close to
# ffmpeg's own bilinear scale of the same input; and pelforge's PNG pictures open in ffmpeg.
# (Damaged input, which needs no ffmpeg, is checked in-process by cli_test and parse_test.)
# Usage: ffmpeg_e2e.sh PATH_TO_PELFORGE. Exit status 77: ffmpeg is missing (test skipped).
# shellcheck source=tests/cli/e2e_common.sh
source "$(dirname "${BASH_SOURCE[0]}")/e2e_common.sh"
need ffmpeg ffprobe

# 1. ffmpeg | pelforge | file, and the same scale by ffmpeg.
ff -f lavfi -i testsrc2=size=720x576:rate=25 -frames:v 10 -pix_fmt yuv420p -f yuv4mpegpipe - |
  "$pelforge" resize - -s 352x288 -o - >"$tmp/ours.y4m" 2>"$tmp/ours.log" ||
  fail "pelforge resize failed: $(cat "$tmp/ours.log")"
ff -f lavfi -i testsrc2=size=720x576:rate=25 -frames:v 10 -pix_fmt yuv420p \
  -f yuv4mpegpipe "$tmp/in.y4m"
ff -i "$tmp/in.y4m" -vf scale=352:288:flags=bilinear -pix_fmt yuv420p -f yuv4mpegpipe \
  "$tmp/ref.y4m"

head -n 1 "$tmp/ours.y4m" | grep -q '^YUV4MPEG2 W352 H288 F25:1 Ip ' ||
  fail "unexpected header: $(head -n 1 "$tmp/ours.y4m" | cut -c1-80)"
[ "$(probe "$tmp/ours.y4m" width,height,nb_read_frames)" = "352,288,10" ] ||
  fail "ffprobe reads '$(probe "$tmp/ours.y4m" width,height,nb_read_frames)', expected 352,288,10"

read -r _ _ _ psnr <<<"$(psnr null -i "$tmp/ours.y4m" -i "$tmp/ref.y4m")"
[ -n "${psnr:-}" ] || fail "ffmpeg's psnr filter printed no average"
echo "PSNR against ffmpeg's bilinear scale: $psnr dB"
at_least "$psnr" 30 || fail "PSNR $psnr dB is not above 30 dB"

# 2. Pictures for people: PNG out of a y4m stream opens in ffmpeg at the right size.
if "$pelforge" rgb "$tmp/ours.y4m" -q -o "$tmp/frame%02d.png" 2>"$tmp/png.log"; then
  probe=$(ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 \
    "$tmp/frame10.png")
  [ "$probe" = "png,352,288" ] || fail "ffprobe reads the PNG as '$probe'"
elif grep -q 'without PNG support' "$tmp/png.log"; then
  echo "note: this pelforge has no PNG support; PNG check skipped"
else
  fail "PNG output failed: $(cat "$tmp/png.log")"
fi

echo "ffmpeg end-to-end: all checks passed"
