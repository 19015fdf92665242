#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-2-Clause
# End to end for pelforge mosaic: with one window, every byte that changes is a luma byte inside
# the window, and some do; on random raw pictures (planar 4:2:0 and packed 4:2:2) and, with
# ffmpeg installed, on a clip piped through pelforge that ffprobe then reads back. Windows past
# the picture are usage errors (status 2) that name the window.
# Usage: mosaic_e2e.sh PATH_TO_PELFORGE
# shellcheck source=tests/cli/e2e_common.sh
source "$(dirname "${BASH_SOURCE[0]}")/e2e_common.sh"

# outside_unchanged IN OUT FMT WIDTH HEIGHT SKIP PREFIX X Y W H: the files' first SKIP bytes are
# a stream header, each picture is preceded by PREFIX bytes. cmp lists every byte that differs
# (and exits 1 when any does, as some must).
outside_unchanged() {
  local in=$1 out=$2 fmt=$3 width=$4 height=$5 skip=$6 prefix=$7
  local picture=$((width * height * 3 / 2)) line=$width
  if [ "$fmt" = uyvy422 ]; then picture=$((width * height * 2)) line=$((2 * width)); fi
  { cmp -l "$in" "$out" || true; } | awk -v skip="$skip" -v prefix="$prefix" -v fmt="$fmt" \
    -v size=$((picture + prefix)) -v line="$line" -v height="$height" \
    -v x="$8" -v y="$9" -v w="${10}" -v h="${11}" '
    {
      o = $1 - 1 - skip; p = int(o / size); b = o - p * size - prefix
      row = int(b / line); col = b % line
      if (fmt == "uyvy422") { luma = col % 2 == 1; col = int(col / 2) } else { luma = row < height }
      if (b < 0 || !luma || row < y || row >= y + h || col < x || col >= x + w) {
        printf "picture %d, byte %d (line %d, sample %d) changed outside the window\n", p, b, row, col
        bad = 1; exit
      }
      n++
    }
    END { if (!bad && n == 0) { print "nothing changed inside the window"; bad = 1 } exit bad }'
}

for fmt in yuv420p uyvy422; do
  bytes=$((176 * 144 * 3 / 2))
  [ "$fmt" = uyvy422 ] && bytes=$((176 * 144 * 2))
  head -c $((bytes * 3)) /dev/urandom >"$tmp/in_$fmt.yuv"
  # Partial blocks on every side: 90 = 5 x 16 + 10 columns, 70 = 4 x 16 + 6 lines.
  "$pelforge" mosaic -s 176x144 -pix_fmt $fmt "$tmp/in_$fmt.yuv" --window 37,21,90,70,16 -q \
    -o "$tmp/out_$fmt.yuv" || fail "$fmt: pelforge mosaic failed"
  [ "$(stat -c %s "$tmp/out_$fmt.yuv")" -eq $((bytes * 3)) ] || fail "$fmt: wrong output size"
  outside_unchanged "$tmp/in_$fmt.yuv" "$tmp/out_$fmt.yuv" $fmt 176 144 0 0 37 21 90 70 ||
    fail "$fmt: bytes outside the window changed"
  echo "$fmt: every byte outside the window unchanged"
done

for window in 100,100,100,60,16 0,0,32,32,33 -2,0,8,8,2; do
  expect_error 2 "--window $window" \
    "$pelforge" mosaic -s 176x144 "$tmp/in_yuv420p.yuv" --window=$window -o "$tmp/x.yuv"
done

if ! have ffmpeg ffprobe; then
  echo "note: ffmpeg is not installed; the clip check is skipped"
  exit 0
fi
ff -f lavfi -i testsrc2=size=720x576:rate=25 -frames:v 5 -pix_fmt yuv420p -f yuv4mpegpipe - |
  "$pelforge" mosaic - --window 201,133,250,170,12 -q -o - >"$tmp/clip_out.y4m" ||
  fail "pelforge mosaic in a pipe failed"
ff -f lavfi -i testsrc2=size=720x576:rate=25 -frames:v 5 -pix_fmt yuv420p -f yuv4mpegpipe \
  "$tmp/clip_in.y4m"
[ "$(head -n 1 "$tmp/clip_out.y4m")" = "$(head -n 1 "$tmp/clip_in.y4m")" ] ||
  fail "the stream header changed: $(head -n 1 "$tmp/clip_out.y4m")"
# Every picture follows a "FRAME\n" line.
outside_unchanged "$tmp/clip_in.y4m" "$tmp/clip_out.y4m" yuv420p 720 576 \
  "$(head -n 1 "$tmp/clip_in.y4m" | wc -c)" 6 201 133 250 170 ||
  fail "the clip changed outside the window"
probe=$(probe "$tmp/clip_out.y4m" width,height,nb_read_frames)
[ "$probe" = "720,576,5" ] || fail "ffprobe reads '$probe', expected 720,576,5"
echo "ffmpeg clip: every byte outside the window unchanged"
echo "mosaic end-to-end: all checks passed"
