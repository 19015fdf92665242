#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-2-Clause
# End to end for pelforge mosaic: one window over random raw pictures, planar 4:2:0 and packed
# 4:2:2, leaves every byte outside the window as it was, and inside it every luma sample is the
# input's sample at the top-left of its block (chroma untouched). With ffmpeg installed, a clip
# piped through pelforge keeps every byte outside the window too and reads back in ffprobe.
# Windows past the picture are usage errors (status 2).
# Usage: mosaic_e2e.sh PATH_TO_PELFORGE
set -euo pipefail

pelforge=${1:?usage: mosaic_e2e.sh PATH_TO_PELFORGE}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# A window with partial blocks on every side: 90 = 5 x 16 + 10 columns, 70 = 4 x 16 + 6 lines.
W=176 H=144 N=3
X=37 Y=21 WW=90 WH=70 G=16

# expect FORMAT IN OUT: every byte of OUT against the block rule applied to IN. od writes one
# picture line per text line (chroma lines of 4:2:0 come W bytes to a line as well).
expect() {
  local fmt=$1 in=$2 out=$3 width=$W lines=$((H * 3 / 2))
  if [ "$fmt" = uyvy422 ]; then width=$((2 * W)) lines=$H; fi
  paste -d '|' <(od -An -v -tu1 -w"$width" "$in") <(od -An -v -tu1 -w"$width" "$out") |
    awk -F'|' -v fmt="$fmt" -v lines="$lines" -v h="$H" -v x="$X" -v y="$Y" -v ww="$WW" \
      -v wh="$WH" -v g="$G" '
      function block(v) { return v - (v % g) }
      {
        n = split($1, a, " "); split($2, b, " ")
        r = (NR - 1) % lines
        for (i = 1; i <= n; i++) ins[r, i] = a[i]
        for (i = 1; i <= n; i++) outs[r, i] = b[i]
        if (r < lines - 1) next
        # A whole picture is in: check it.
        for (r2 = 0; r2 < lines; r2++) {
          for (i = 1; i <= n; i++) {
            c = i - 1; want = ins[r2, i]
            px = fmt == "uyvy422" ? int(c / 2) : c
            luma = fmt == "uyvy422" ? c % 2 == 1 : r2 < h
            if (luma && px >= x && px < x + ww && r2 >= y && r2 < y + wh) {
              bx = x + block(px - x); by = y + block(r2 - y)
              want = ins[by, (fmt == "uyvy422" ? 2 * bx + 1 : bx) + 1]
            }
            if (outs[r2, i] != want) {
              printf "picture %d, line %d, byte %d: %s, expected %s\n", pic, r2, c, outs[r2, i], want
              bad = 1; exit 1
            }
            changed += outs[r2, i] != ins[r2, i]
          }
        }
        pic++
      }
      END { if (!bad && (pic == 0 || changed == 0)) { print "nothing was pixelated"; exit 1 } }
    ' || fail "$fmt: the output breaks the block rule"
}

for fmt in yuv420p uyvy422; do
  bytes=$((W * H * 3 / 2))
  [ "$fmt" = uyvy422 ] && bytes=$((W * H * 2))
  head -c $((bytes * N)) /dev/urandom >"$tmp/in_$fmt.yuv"
  "$pelforge" mosaic -s ${W}x$H -pix_fmt $fmt "$tmp/in_$fmt.yuv" --window $X,$Y,$WW,$WH,$G -q \
    -o "$tmp/out_$fmt.yuv" || fail "$fmt: pelforge mosaic failed"
  [ "$(stat -c %s "$tmp/out_$fmt.yuv")" -eq $((bytes * N)) ] || fail "$fmt: wrong output size"
  expect $fmt "$tmp/in_$fmt.yuv" "$tmp/out_$fmt.yuv"
  echo "$fmt: outside the window unchanged, inside it the blocks of the input"
done

# Usage errors name the window.
for window in 100,100,100,60,16 0,0,32,32,33 -2,0,8,8,2; do
  set +e
  "$pelforge" mosaic -s ${W}x$H "$tmp/in_yuv420p.yuv" --window=$window -o "$tmp/x.yuv" \
    2>"$tmp/err.log"
  status=$?
  set -e
  [ "$status" -eq 2 ] || fail "--window $window gave status $status, expected 2"
  grep -q -- "--window $window" "$tmp/err.log" || fail "no message names $window: $(cat "$tmp/err.log")"
done

if ! command -v ffmpeg >/dev/null 2>&1 || ! command -v ffprobe >/dev/null 2>&1; then
  echo "note: ffmpeg is not installed; the clip check is skipped"
  exit 0
fi
ff() { ffmpeg -nostdin -hide_banner -loglevel error "$@"; }

# An ffmpeg clip through a pipe: cmp lists every byte that changed; each must be a luma byte of
# the window. 720x576 frames of 622080 bytes after a y4m header of the same length in both files.
ff -f lavfi -i testsrc2=size=720x576:rate=25 -frames:v 5 -pix_fmt yuv420p -f yuv4mpegpipe - |
  "$pelforge" mosaic - --window 201,133,250,170,12 -q -o - >"$tmp/clip_out.y4m" ||
  fail "pelforge mosaic in a pipe failed"
ff -f lavfi -i testsrc2=size=720x576:rate=25 -frames:v 5 -pix_fmt yuv420p -f yuv4mpegpipe \
  "$tmp/clip_in.y4m"
header=$(head -n 1 "$tmp/clip_in.y4m" | wc -c)
[ "$(head -n 1 "$tmp/clip_out.y4m")" = "$(head -n 1 "$tmp/clip_in.y4m")" ] ||
  fail "the stream header changed: $(head -n 1 "$tmp/clip_out.y4m")"
# cmp exits 1 when the files differ, which they must.
{ cmp -l "$tmp/clip_in.y4m" "$tmp/clip_out.y4m" || true; } | awk -v header="$header" '
  {
    # Each picture: "FRAME\n" (6 bytes), then 622080 bytes of Y, U, V.
    o = $1 - 1 - header; p = int(o / 622086); b = o - p * 622086 - 6
    row = int(b / 720); col = b % 720
    if (b < 0 || row >= 576 || col < 201 || col >= 451 || row < 133 || row >= 303) {
      printf "byte %d (picture %d, offset %d) outside the window changed\n", $1, p, b; bad = 1; exit
    }
    n++
  }
  END { if (!bad && n == 0) { print "nothing changed"; bad = 1 } exit bad }
' || fail "the clip changed outside the window"
probe=$(ffprobe -v error -count_frames -select_streams v:0 \
  -show_entries stream=width,height,nb_read_frames -of csv=p=0 "$tmp/clip_out.y4m")
[ "$probe" = "720,576,5" ] || fail "ffprobe reads '$probe', expected 720,576,5"
echo "ffmpeg clip: every byte outside the window unchanged"
echo "mosaic end-to-end: all checks passed"
