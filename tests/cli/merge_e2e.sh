#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-2-Clause
# End to end against ffmpeg for the merge verb: four clips made by ffmpeg at the windows' size,
# composed in the 2x2 style at 704x576 without boundary lines (the windows then cover the whole
# picture), must equal ffmpeg's xstack of the same clips byte for byte; composed into field
# storage, they must equal xstack followed by il's deinterleave. A clip of the wrong size is
# refused unless --scale brings it to its window.
# Usage: merge_e2e.sh PATH_TO_PELFORGE. Exit status 77: ffmpeg is missing (test skipped).
# shellcheck source=tests/cli/e2e_common.sh
source "$(dirname "${BASH_SOURCE[0]}")/e2e_common.sh"
need ffmpeg

# Four different moving clips, 352x288, 6 frames each.
for i in 1 2 3 4; do
  ff -f lavfi -i "testsrc2=size=352x288:rate=25" -vf "hue=h=$((i * 70)),vflip" -frames:v 6 \
    -pix_fmt yuv420p -f rawvideo "$tmp/c$i.yuv"
done
inputs=()
for i in 1 2 3 4; do inputs+=(-s 352x288 "$tmp/c$i.yuv"); done
ffin=()
for i in 1 2 3 4; do ffin+=(-f rawvideo -pix_fmt yuv420p -s 352x288 -i "$tmp/c$i.yuv"); done
stack="[0:v][1:v][2:v][3:v]xstack=inputs=4:layout=0_0|w0_0|0_h0|w0_h0"

# 1. Frames.
"$pelforge" merge -q "${inputs[@]}" --style four --no-boundary -s 704x576 -o "$tmp/wall.yuv" \
  2>"$tmp/merge.log" || fail "pelforge merge failed: $(cat "$tmp/merge.log")"
ff "${ffin[@]}" -filter_complex "$stack" -pix_fmt yuv420p -f rawvideo "$tmp/ref.yuv"
[ "$(stat -c %s "$tmp/wall.yuv")" -eq $((704 * 576 * 3 / 2 * 6)) ] ||
  fail "the merge wrote $(stat -c %s "$tmp/wall.yuv") bytes, expected 6 pictures of 704x576"
cmp -s "$tmp/wall.yuv" "$tmp/ref.yuv" || fail "the 2x2 wall differs from ffmpeg's xstack"
echo "2x2 wall at 704x576: identical to xstack in every window"

# 2. Field storage: the first field's lines, then the second's, in every plane.
"$pelforge" merge -q "${inputs[@]}" --style four --no-boundary --field -s 704x576 \
  -o "$tmp/fields.yuv" 2>"$tmp/fields.log" ||
  fail "pelforge merge --field failed: $(cat "$tmp/fields.log")"
ff "${ffin[@]}" -filter_complex "$stack,il=l=d:c=d" -pix_fmt yuv420p -f rawvideo \
  "$tmp/ref_fields.yuv"
cmp -s "$tmp/fields.yuv" "$tmp/ref_fields.yuv" ||
  fail "the 2x2 wall in field storage differs from xstack,il=l=d:c=d"
echo "2x2 wall in field storage: identical to xstack,il=l=d:c=d"

# 3. A clip that does not fit its window is refused (exit status 2), and --scale makes it fit.
ff -f lavfi -i "testsrc2=size=320x240:rate=25" -frames:v 2 -pix_fmt yuv420p -f rawvideo \
  "$tmp/small.yuv"
expect_error 2 "add --scale" \
  "$pelforge" merge -q -s 320x240 "$tmp/small.yuv" --style full -s 720x576 -o "$tmp/no.yuv"
"$pelforge" merge -q -s 320x240 "$tmp/small.yuv" --style full --scale -s 720x576 \
  -o "$tmp/scaled.yuv" 2>"$tmp/scaled.log" ||
  fail "pelforge merge --scale failed: $(cat "$tmp/scaled.log")"
[ "$(stat -c %s "$tmp/scaled.yuv")" -eq $((720 * 576 * 3 / 2 * 2)) ] ||
  fail "--scale wrote $(stat -c %s "$tmp/scaled.yuv") bytes, expected 2 pictures of 720x576"
echo "wrong size refused with a hint; --scale composes it"

# 4. --list-styles names every style with its window count.
"$pelforge" merge --list-styles >"$tmp/styles.txt"
[ "$(grep -c '^style ' "$tmp/styles.txt")" -eq 23 ] || fail "--list-styles does not list 23 styles"
grep -q '^style 13  Ten_1_9  10 windows' "$tmp/styles.txt" || fail "--list-styles misses Ten_1_9"

echo "merge end-to-end: all checks passed"
