#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-2-Clause
# End to end against ffmpeg for the composition verbs: pelforge insert of one ffmpeg clip into
# another must be ffmpeg's overlay at the same even position (no alpha) byte for byte, also with
# the foreground cut first (ffmpeg's crop); four clips stretched by mergezoom into a 2x2 grid whose
# windows are exactly their size must be ffmpeg's xstack of them byte for byte (a window of the
# picture's own size is a plain copy); a wall of clips of other sizes and shapes in field storage
# is read back by ffprobe with the size and count asked for.
# Usage: mergezoom_e2e.sh PATH_TO_PELFORGE. Exit status 77: ffmpeg is missing (test skipped).
# shellcheck source=tests/cli/e2e_common.sh
source "$(dirname "${BASH_SOURCE[0]}")/e2e_common.sh"
need ffmpeg ffprobe

# 1. Picture in picture against overlay, whole and cut.
ff -f lavfi -i "testsrc2=size=720x576:rate=25" -frames:v 5 -pix_fmt yuv420p "$tmp/bg.y4m"
ff -f lavfi -i "smptebars=size=352x288:rate=25" -frames:v 5 -pix_fmt yuv420p "$tmp/fg.y4m"
"$pelforge" insert "$tmp/bg.y4m" "$tmp/fg.y4m" --at 340,258 -o "$tmp/pip.yuv" -q 2>"$tmp/log" ||
  fail "insert: $(cat "$tmp/log")"
ff -i "$tmp/bg.y4m" -i "$tmp/fg.y4m" -filter_complex "[0:v][1:v]overlay=x=340:y=258" \
  -pix_fmt yuv420p -f rawvideo "$tmp/overlay.yuv"
cmp -s "$tmp/pip.yuv" "$tmp/overlay.yuv" || fail "insert differs from ffmpeg's overlay"
"$pelforge" insert "$tmp/bg.y4m" "$tmp/fg.y4m" --at 100,50 --cut 8,16,24,40 -o "$tmp/cut.yuv" \
  -q 2>"$tmp/log" || fail "insert with cuts: $(cat "$tmp/log")"
ff -i "$tmp/bg.y4m" -i "$tmp/fg.y4m" \
  -filter_complex "[1:v]crop=288:264:24:8[f];[0:v][f]overlay=x=100:y=50" -pix_fmt yuv420p \
  -f rawvideo "$tmp/overlay_cut.yuv"
cmp -s "$tmp/cut.yuv" "$tmp/overlay_cut.yuv" || fail "insert with cuts differs from crop + overlay"

# 2. Four 176x144 clips into a 352x288 2x2 grid: ffmpeg's xstack, byte for byte.
sources=("testsrc2" "smptebars" "rgbtestsrc" "testsrc")
for i in 0 1 2 3; do
  ff -f lavfi -i "${sources[$i]}=size=176x144:rate=25" -frames:v 5 -pix_fmt yuv420p \
    "$tmp/c$i.y4m"
done
"$pelforge" mergezoom "$tmp"/c0.y4m "$tmp"/c1.y4m "$tmp"/c2.y4m "$tmp"/c3.y4m --grid 2x2 \
  --zoom stretch -s 352x288 -o "$tmp/wall.yuv" -q 2>"$tmp/log" ||
  fail "mergezoom 2x2: $(cat "$tmp/log")"
ff -i "$tmp/c0.y4m" -i "$tmp/c1.y4m" -i "$tmp/c2.y4m" -i "$tmp/c3.y4m" \
  -filter_complex "xstack=inputs=4:layout=0_0|w0_0|0_h0|w0_h0" -pix_fmt yuv420p -f rawvideo \
  "$tmp/xstack.yuv"
cmp -s "$tmp/wall.yuv" "$tmp/xstack.yuv" || fail "the 2x2 wall differs from ffmpeg's xstack"

# 3. Clips of other sizes and shapes, 3x3 with lines, field storage: what ffprobe reads back.
ff -f lavfi -i "testsrc2=size=640x360:rate=25" -frames:v 3 -pix_fmt yuv420p "$tmp/wide.y4m"
ff -f lavfi -i "smptebars=size=240x320:rate=25" -frames:v 3 -pix_fmt yuv422p "$tmp/tall.y4m"
"$pelforge" mergezoom "$tmp/wide.y4m" "$tmp/tall.y4m" "$tmp/c0.y4m" --grid 3x3 --zoom auto \
  --lines --focus 2 -s 1280x720 --out-layout field -o "$tmp/field.y4m" -q 2>"$tmp/log" ||
  fail "mergezoom 3x3: $(cat "$tmp/log")"
wall=$(probe "$tmp/field.y4m" width,height,nb_read_frames)
[ "$wall" = "1280,720,3" ] || fail "the 3x3 wall reads as $wall"

echo "insert and mergezoom end to end: ok"
