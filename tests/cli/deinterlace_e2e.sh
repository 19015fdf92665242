#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-2-Clause
# End to end against ffmpeg for the filter verbs: an interlaced clip made by ffmpeg comes out of
# every deinterlace mode as progressive y4m much closer to ffmpeg's bwdif than the input was; a
# clip coded by ffmpeg's MPEG-2 coder at its coarsest quantiser loses most of its blocking (by
# ffmpeg's blockdetect) through deblock and dering; refusals end with status 1 and a reason.
# Usage: deinterlace_e2e.sh PATH_TO_PELFORGE. Exit status 77: ffmpeg is missing (test skipped).
set -euo pipefail

pelforge=${1:?usage: deinterlace_e2e.sh PATH_TO_PELFORGE}
for tool in ffmpeg ffprobe; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is not installed; this end-to-end test needs ffmpeg and ffprobe"
    exit 77
  fi
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
ff() { ffmpeg -nostdin -hide_banner -loglevel error "$@"; }
psnr() {
  ffmpeg -nostdin -hide_banner -i "$1" -i "$2" -lavfi psnr -f null - 2>&1 |
    sed -n 's/.*PSNR.* average:\([0-9.inf]*\).*/\1/p' | tail -n 1
}
frames() {
  ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
    -of csv=p=0 "$1"
}

# 1. Interlaced: two moments of the test pattern per frame, top field first.
ff -f lavfi -i testsrc2=size=720x576:rate=50 -frames:v 10 -vf tinterlace=interleave_top \
  -pix_fmt yuv420p -f yuv4mpegpipe "$tmp/interlaced.y4m"
ff -i "$tmp/interlaced.y4m" -vf bwdif=mode=send_frame -f yuv4mpegpipe "$tmp/bwdif.y4m"
before=$(psnr "$tmp/interlaced.y4m" "$tmp/bwdif.y4m")
for mode in 0 1 2 3; do
  "$pelforge" deinterlace "$tmp/interlaced.y4m" --mode "$mode" -q -o "$tmp/mode$mode.y4m" ||
    fail "deinterlace --mode $mode failed"
  head -n 1 "$tmp/mode$mode.y4m" | grep -q '^YUV4MPEG2 W720 H576 F25:1 Ip ' ||
    fail "mode $mode: not a progressive 720x576 stream"
  [ "$(frames "$tmp/mode$mode.y4m")" = 10 ] || fail "mode $mode: not 10 pictures"
  after=$(psnr "$tmp/mode$mode.y4m" "$tmp/bwdif.y4m")
  echo "mode $mode: PSNR against bwdif $before -> $after dB"
  awk -v a="$after" -v b="$before" 'BEGIN { exit !(a + 0 > b + 4) }' ||
    fail "mode $mode did not come closer to bwdif ($before -> $after dB)"
done
# Field-separated storage, and mode 0's refusal of it.
"$pelforge" deinterlace "$tmp/interlaced.y4m" --mode 3 --field-separated -q \
  -o "$tmp/fields.y4m" || fail "deinterlace --field-separated failed"
set +e
"$pelforge" deinterlace "$tmp/interlaced.y4m" --mode 0 --field-separated -o "$tmp/no.y4m" \
  2>"$tmp/refused.log"
status=$?
set -e
[ "$status" -eq 1 ] || fail "mode 0 on field-separated storage gave status $status"
grep -q 'ERR_IMG_DEINTERLACE_FRAME_TYPE' "$tmp/refused.log" ||
  fail "no reason for the refusal: $(cat "$tmp/refused.log")"

# 2. Blocking: a noisy pattern at MPEG-2's coarsest quantiser.
ff -f lavfi -i testsrc2=size=720x576:rate=25 -frames:v 10 -vf noise=alls=12:allf=t \
  -pix_fmt yuv420p -c:v mpeg2video -qscale:v 31 -qmin 31 "$tmp/coded.m2v"
ff -i "$tmp/coded.m2v" -f yuv4mpegpipe "$tmp/coded.y4m"
"$pelforge" deblock "$tmp/coded.y4m" --qp 31 -q -o - |
  "$pelforge" dering - --qp 31 -q -o "$tmp/clean.y4m" || fail "deblock | dering failed"
[ "$(frames "$tmp/clean.y4m")" = 10 ] || fail "deblock | dering: not 10 pictures"
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
set +e
"$pelforge" deblock "$tmp/coded.y4m" --qp-file "$tmp/qp.txt" -q -o "$tmp/short.y4m" \
  2>"$tmp/short.log"
status=$?
set -e
[ "$status" -eq 1 ] || fail "a short quantiser file gave status $status"
grep -q 'has 3 quantisers; picture 4 has none' "$tmp/short.log" ||
  fail "unclear message: $(cat "$tmp/short.log")"
echo "filter verbs: all checks passed"
