#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-2-Clause
# End to end against ffmpeg for the D1 split and its neighbours: ffmpeg makes a packed 4:2:2 D1
# clip, pelforge split cuts it into four 352-wide 4:2:0 quarters, and each quarter's luma must be
# ffmpeg's crop of the same field byte for byte (the chroma, which ffmpeg filters down to 4:2:0
# and the split only picks, within a PSNR bound). Also: convert reports scene changes on a clip
# with a cut, and resize --keep-aspect keeps the picture's shape inside black bars.
# Usage: split_e2e.sh PATH_TO_PELFORGE. Exit status 77: ffmpeg is missing (test skipped).
# shellcheck source=tests/cli/e2e_common.sh
source "$(dirname "${BASH_SOURCE[0]}")/e2e_common.sh"
need ffmpeg ffprobe
# The luma plane of every picture of a raw yuv420p file.
luma() { ff -f rawvideo -pix_fmt yuv420p -s "$2" -i "$1" -vf extractplanes=y -f rawvideo "$3"; }

# 1. The split of PAL and NTSC frames against ffmpeg's field and crop filters.
for size in 720x576 720x480; do
  height=${size#720x}
  quarter=352x$((height / 2))
  ff -f lavfi -i "testsrc2=size=$size:rate=25" -frames:v 4 -pix_fmt uyvy422 -f rawvideo \
    "$tmp/in.uyvy"
  "$pelforge" split -q -s "$size" -pix_fmt uyvy422 "$tmp/in.uyvy" -o "$tmp/q%d.yuv" \
    2>"$tmp/split.log" || fail "pelforge split $size failed: $(cat "$tmp/split.log")"
  for q in 0 1 2 3; do
    field=top
    [ "$q" -ge 2 ] && field=bottom
    left=8
    [ $((q % 2)) -eq 1 ] && left=360
    [ -s "$tmp/q$q.yuv" ] || fail "no picture $q for $size"
    ff -f rawvideo -pix_fmt uyvy422 -s "$size" -i "$tmp/in.uyvy" \
      -vf "field=$field,crop=352:$((height / 2)):$left:0" -pix_fmt yuv420p -f rawvideo "$tmp/ref$q.yuv"
    luma "$tmp/q$q.yuv" "$quarter" "$tmp/ours$q.y"
    luma "$tmp/ref$q.yuv" "$quarter" "$tmp/ref$q.y"
    cmp -s "$tmp/ours$q.y" "$tmp/ref$q.y" ||
      fail "$size picture $q: luma differs from ffmpeg's field=$field,crop at x=$left"
    raw=(-f rawvideo -pix_fmt yuv420p -s "$quarter")
    read -r _ u v _ <<<"$(psnr null "${raw[@]}" -i "$tmp/q$q.yuv" "${raw[@]}" -i "$tmp/ref$q.yuv")"
    [ -n "${v:-}" ] || fail "ffmpeg's psnr filter printed nothing for picture $q"
    at_least "$u" 28 && at_least "$v" 28 ||
      fail "$size picture $q: chroma PSNR $u $v dB (U V) is not above 28 dB"
    echo "$size picture $q: luma identical, chroma PSNR U V $u $v dB"
  done
done

# 2. Scene changes: two frames of one picture, then two of another; only the cut is reported
#    (and the first frame, which follows nothing).
ff -f lavfi -i "testsrc2=size=720x576:rate=25" -f lavfi -i "color=c=0x203040:size=720x576:rate=25" \
  -filter_complex "[0:v]trim=end_frame=2[a];[1:v]trim=end_frame=2[b];[a][b]concat=n=2:v=1[v]" \
  -map "[v]" -pix_fmt uyvy422 -f rawvideo "$tmp/cut.uyvy"
"$pelforge" convert -q -s 720x576 -pix_fmt uyvy422 "$tmp/cut.uyvy" -pix_fmt yuv420p \
  --scene-changes -o "$tmp/cut.yuv" >"$tmp/scenes.txt" 2>"$tmp/scenes.log" ||
  fail "pelforge convert --scene-changes failed: $(cat "$tmp/scenes.log")"
flags=$(awk '{print $NF}' "$tmp/scenes.txt" | tr -d '\n')
[ "$flags" = "1010" ] || fail "scene-change flags '$flags', expected 1010: $(cat "$tmp/scenes.txt")"

# 3. --keep-aspect: 720x576 into 1280x720 is pillarboxed; the picture keeps its shape.
ff -f lavfi -i "color=c=white:size=720x576:rate=25" -frames:v 1 -pix_fmt yuv420p \
  -f yuv4mpegpipe "$tmp/white.y4m"
"$pelforge" resize -q "$tmp/white.y4m" -s 1280x720 --keep-aspect -o "$tmp/boxed.yuv" \
  2>"$tmp/boxed.log" || fail "pelforge resize --keep-aspect failed: $(cat "$tmp/boxed.log")"
# The middle luma line: where the white picture starts and ends between the black bars.
span=$(od -An -v -tu1 -j $((360 * 1280)) -N 1280 "$tmp/boxed.yuv" | tr -s ' ' '\n' | grep -v '^$' |
  awk '$1 > 128 { if (first == "") first = NR - 1; last = NR - 1 } END { print first, last }')
first=${span% *}
last=${span#* }
[ -n "$first" ] || fail "no picture inside the bars"
width=$((last - first + 1))
awk -v w="$width" -v f="$first" 'BEGIN { exit !(w >= 896 && w <= 904 && f >= 186 && f <= 194) }' ||
  fail "the picture inside the bars spans columns $first..$last, expected about 190..1089"
echo "keep-aspect: picture in columns $first..$last of 1280"

echo "split end-to-end: all checks passed"
