#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-2-Clause
# End to end: ffmpeg draws a white square that slides right across a grey picture, 8 pixels a
# frame; `pelforge motion --json` watches an area the square enters half way and one it never
# reaches. The first area must raise the alarm in the frame the square enters it and not before,
# the second never; the alarm previews must be PNG pictures. Then `pelforge pn` against ffmpeg:
# PAL to NTSC is its crop of the middle 480 lines, and back to PAL its pad with black.
# Usage: motion_e2e.sh PATH_TO_PELFORGE. Exit status 77: ffmpeg is missing (test skipped).
# shellcheck source=tests/cli/e2e_common.sh
source "$(dirname "${BASH_SOURCE[0]}")/e2e_common.sh"
need ffmpeg

ffmpeg -nostdin -hide_banner -loglevel error \
  -f lavfi -i "color=c=0x808080:size=352x288:rate=25[bg];color=c=white:size=32x32[box];[bg][box]overlay=x='8*n':y=100" \
  -frames:v 40 -pix_fmt yuv420p -f yuv4mpegpipe "$tmp/clip.y4m"
# The frame in which the square first reaches the area (columns 200..259, lines 90..149), read
# from the clip itself: ffmpeg versions differ in where they start counting the overlay's n.
enters=$(ffmpeg -nostdin -hide_banner -loglevel error -i "$tmp/clip.y4m" -pix_fmt gray \
  -f rawvideo - | od -An -tu1 -v -w352 | awk '
  { line = (NR - 1) % 288; frame = int((NR - 1) / 288) }
  !found && line >= 90 && line < 150 {
    for (x = 201; x <= 260; ++x) if ($x > 200) { found = 1; print frame; break }
  }')
[ -n "$enters" ] || fail "the square never reaches the area in the clip"

"$pelforge" motion "$tmp/clip.y4m" --area 200,90,60,60 --area 0,220,80,60 --json \
  --preview "$tmp/alarms" >"$tmp/lines.json" 2>"$tmp/log" ||
  fail "pelforge motion failed: $(cat "$tmp/log")"

lines=$(wc -l <"$tmp/lines.json")
[ "$lines" -eq 40 ] || fail "$lines result lines for 40 frames"
first=$(grep -m1 '"alarm":true' "$tmp/lines.json" | sed 's/.*"frame":\([0-9]*\).*/\1/')
[ "$first" = "$enters" ] ||
  fail "first alarm at frame '${first}', the square enters at $enters: $(head -n 24 "$tmp/lines.json")"
grep '"alarm":true' "$tmp/lines.json" | grep -v '"areas":\[1\]' &&
  fail "an alarm names an area other than the first"
grep -q "\"frame\":$((enters + 1)),\"alarm\":true,\"areas\":\\[1\\]" "$tmp/lines.json" ||
  fail "no alarm while the square crosses the area: $(sed -n "$((enters + 2))p" "$tmp/lines.json")"

pictures=$(find "$tmp/alarms" -name 'alarm_*.png' | wc -l)
alarms=$(grep -c '"alarm":true' "$tmp/lines.json")
[ "$pictures" -eq "$alarms" ] || fail "$pictures previews for $alarms alarms"
first_png=$(find "$tmp/alarms" -name 'alarm_*.png' | sort | head -n 1)
[ "$(head -c 8 "$first_png" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] ||
  fail "$first_png is not a PNG picture"

# The plain form: one line per frame, naming the area.
"$pelforge" motion "$tmp/clip.y4m" --area 200,90,60,60 -q >"$tmp/lines.txt"
grep -q "^frame $enters: motion in area 1\$" "$tmp/lines.txt" ||
  fail "plain report: $(sed -n "$((enters + 1))p" "$tmp/lines.txt")"
grep -q "^frame $((enters - 1)): no motion\$" "$tmp/lines.txt" ||
  fail "plain report: $(sed -n "${enters}p" "$tmp/lines.txt")"
echo "alarm from frame $first in the watched area; $alarms alarm pictures"

ff -f lavfi -i testsrc2=size=720x576:rate=25 -frames:v 5 -pix_fmt yuv420p -f rawvideo "$tmp/pal.yuv"
ff -s 720x576 -pix_fmt yuv420p -f rawvideo -i "$tmp/pal.yuv" -vf crop=720:480:0:48 \
  -f rawvideo "$tmp/ntsc_ref.yuv"
ff -s 720x480 -pix_fmt yuv420p -f rawvideo -i "$tmp/ntsc_ref.yuv" \
  -vf pad=720:576:0:48:black -f rawvideo "$tmp/pal_ref.yuv"
"$pelforge" pn -s 720x576 "$tmp/pal.yuv" --to ntsc -o "$tmp/ntsc.yuv" -q
cmp -s "$tmp/ntsc.yuv" "$tmp/ntsc_ref.yuv" || fail "pn --to ntsc differs from ffmpeg's crop"
"$pelforge" pn -s 720x480 "$tmp/ntsc.yuv" --to pal -o "$tmp/back.yuv" -q
cmp -s "$tmp/back.yuv" "$tmp/pal_ref.yuv" || fail "pn --to pal differs from ffmpeg's pad"
echo "pn matches ffmpeg's crop and pad"
