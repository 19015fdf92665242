#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-2-Clause
# End to end against ffmpeg for the filter verbs: an interlaced clip made by ffmpeg comes out of
# every deinterlace mode as progressive y4m much closer to ffmpeg's bwdif than the input was; a
# clip coded by ffmpeg's MPEG-2 coder at its coarsest quantiser loses most of its blocking (by
# ffmpeg's blockdetect) through deblock and dering; refusals end with status 1 and a reason.
# Usage: deinterlace_e2e.sh PATH_TO_PELFORGE. Exit status 77: ffmpeg is missing (test skipped).
# shellcheck source=tests/cli/e2e_common.sh
source "$(dirname "${BASH_SOURCE[0]}")/e2e_common.sh"
need ffmpeg ffprobe

# 1. Interlaced: two moments of the test pattern per frame, top field first.
ff -f lavfi -i testsrc2=size=720x576:rate=50 -frames:v 10 -vf tinterlace=interleave_top \
  -pix_fmt yuv420p -f yuv4mpegpipe "$tmp/interlaced.y4m"
ff -i "$tmp/interlaced.y4m" -vf bwdif=mode=send_frame -f yuv4mpegpipe "$tmp/bwdif.y4m"
read -r _ _ _ before <<<"$(psnr null -i "$tmp/interlaced.y4m" -i "$tmp/bwdif.y4m")"
for mode in 0 1 2 3; do
  "$pelforge" deinterlace "$tmp/interlaced.y4m" --mode "$mode" -q -o "$tmp/mode$mode.y4m" ||
    fail "deinterlace --mode $mode failed"
  head -n 1 "$tmp/mode$mode.y4m" | grep -q '^YUV4MPEG2 W720 H576 F25:1 Ip ' ||
    fail "mode $mode: not a progressive 720x576 stream"
  [ "$(probe "$tmp/mode$mode.y4m" nb_read_frames)" = 10 ] || fail "mode $mode: not 10 pictures"
  read -r _ _ _ after <<<"$(psnr null -i "$tmp/mode$mode.y4m" -i "$tmp/bwdif.y4m")"
  echo "mode $mode: PSNR against bwdif $before -> $after dB"
  awk -v a="$after" -v b="$before" 'BEGIN { exit !(a + 0 > b + 4) }' ||
    fail "mode $mode did not come closer to bwdif ($before -> $after dB)"
done
# Field-separated storage, and mode 0's refusal of it.
"$pelforge" deinterlace "$tmp/interlaced.y4m" --mode 3 --field-separated -q \
  -o "$tmp/fields.y4m" || fail "deinterlace --field-separated failed"
expect_error 1 'ERR_IMG_DEINTERLACE_FRAME_TYPE' \
  "$pelforge" deinterlace "$tmp/interlaced.y4m" --mode 0 --field-separated -o "$tmp/no.y4m"

# 2. Blocking: a noisy pattern at MPEG-2's coarsest quantiser.
ff -f lavfi -i testsrc2=size=720x576:rate=25 -frames:v 10 -vf noise=alls=12:allf=t \
  -pix_fmt yuv420p -c:v mpeg2video -qscale:v 31 -qmin 31 "$tmp/coded.m2v"
ff -i "$tmp/coded.m2v" -f yuv4mpegpipe "$tmp/coded.y4m"
"$pelforge" deblock "$tmp/coded.y4m" --qp 31 -q -o - |
  "$pelforge" dering - --qp 31 -q -o "$tmp/clean.y4m" || fail "deblock | dering failed"
[ "$(probe "$tmp/clean.y4m" nb_read_frames)" = 10 ] || fail "deblock | dering: not 10 pictures"
blocks() {
  ffmpeg -nostdin -hide_banner -i "$1" -vf blockdetect -f null - 2>&1 |
    sed -n 's/.*block mean: \([0-9.]*\).*/\1/p' | tail -n 1
}
coded=$(blocks "$tmp/coded.y4m")
clean=$(blocks "$tmp/clean.y4m")
echo "blockdetect: $coded -> $clean"
awk -v a="$clean" -v b="$coded" 'BEGIN { exit !(a + 0 < b / 2) }' ||
  fail "deblock and dering left the blocking ($coded -> $clean)"

# A quantiser file shorter than the clip stops the run at the first picture without a value.
printf '31 30\n29\n' >"$tmp/qp.txt"
expect_error 1 'has 3 quantisers; picture 4 has none' \
  "$pelforge" deblock "$tmp/coded.y4m" --qp-file "$tmp/qp.txt" -q -o "$tmp/short.y4m"
echo "filter verbs: all checks passed"
