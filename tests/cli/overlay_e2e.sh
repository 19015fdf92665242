#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-2-Clause
# End to end for the overlay verbs on clips made by ffmpeg. banner: every byte outside the
# (rounded, clipped) boxes stays as it was, inside an opaque box every sample is the converted
# colour and inside a translucent one the blend of picture and colour. pattern: ffmpeg reads the
# y4m streams without complaint, and the bars carry the converted colours in y4m and raw UYVY.
# Usage: overlay_e2e.sh PATH_TO_PELFORGE. Exit status 77: ffmpeg is missing (test skipped).
# shellcheck source=tests/cli/e2e_common.sh
source "$(dirname "${BASH_SOURCE[0]}")/e2e_common.sh"
need ffmpeg ffprobe od awk
bytes() { od -An -v -tu1 -w1 "$1" | tr -d ' '; }

# The colour rule, with floor division for the arithmetic shift.
colour_awk='
function fl(n) { return n >= 0 ? int(n / 256) : -int((-n + 255) / 256) }
function mn(a, b) { return a < b ? a : b }
function cy(r, g, b) { return fl(76 * r + 150 * g + 29 * b + 128) }
function cu(r, g, b) { return mn(fl(-43 * r - 84 * g + 128 * b + 128) + 128, 255) }
function cv(r, g, b) { return mn(fl(128 * r - 107 * g - 20 * b + 128) + 128, 255) }
'

# 1. banner on a 720x576 4:2:0 clip: an opaque box with odd corners, a translucent one hanging
#    over the right edge and one hanging over the top-left corner.
ff -f lavfi -i testsrc2=size=720x576:rate=25 -frames:v 3 -pix_fmt yuv420p "$tmp/in.y4m"
"$pelforge" banner "$tmp/in.y4m" -q --box 101,403,519,121,20,40,200 \
  --box 650,101,100,60,255,0,0,128 --box -7,-9,41,35,0,255,0 -o "$tmp/out.y4m" ||
  fail "pelforge banner failed"
ff -i "$tmp/in.y4m" -f rawvideo "$tmp/in.yuv"
ff -i "$tmp/out.y4m" -f rawvideo "$tmp/out.yuv"
[ "$(stat -c %s "$tmp/in.yuv")" = "$(stat -c %s "$tmp/out.yuv")" ] ||
  fail "the output does not hold the input's three pictures"
paste -d ' ' <(bytes "$tmp/in.yuv") <(bytes "$tmp/out.yuv") | awk "$colour_awk"'
  BEGIN {
    W = 720; H = 576; L = W * H; C = L / 4; F = L + 2 * C
    # Boxes as placed: even corners, cut at the edges (x0, y0, x1, y1 exclusive).
    n = 3
    x0[1] = 100; y0[1] = 402; x1[1] = 618; y1[1] = 522; o[1] = 255; r[1] = 20; g[1] = 40; b[1] = 200
    x0[2] = 650; y0[2] = 100; x1[2] = 720; y1[2] = 160; o[2] = 128; r[2] = 255; g[2] = 0; b[2] = 0
    x0[3] = 0; y0[3] = 0; x1[3] = 34; y1[3] = 26; o[3] = 255; r[3] = 0; g[3] = 255; b[3] = 0
  }
  {
    i = (NR - 1) % F
    if (i < L) { x = i % W; y = int(i / W); s = 1 }
    else if (i < L + C) { x = 2 * ((i - L) % (W / 2)); y = 2 * int((i - L) / (W / 2)); s = 2 }
    else { x = 2 * ((i - L - C) % (W / 2)); y = 2 * int((i - L - C) / (W / 2)); s = 3 }
    want = $1
    for (k = 1; k <= n; k++) {
      if (x < x0[k] || x >= x1[k] || y < y0[k] || y >= y1[k]) continue
      c = s == 1 ? cy(r[k], g[k], b[k]) : s == 2 ? cu(r[k], g[k], b[k]) : cv(r[k], g[k], b[k])
      want = o[k] == 255 ? c : int(($1 * (255 - o[k]) + c * o[k]) / 256)
    }
    if ($2 != want) {
      printf "picture %d plane %d at %d,%d: %d, expected %d (was %d)\n", int((NR - 1) / F), s, x, y, $2, want, $1
      bad++
      if (bad > 5) exit 1
    }
    if ($2 != $1) changed++
  }
  END {
    if (bad) exit 1
    printf "banner: %d samples changed, every other one kept\n", changed
    if (changed < 3 * 518 * 120) { print "too few samples changed"; exit 1 }
  }' || fail "banner bytes differ from the expected picture"

# A box wholly outside the picture is reported and skipped; a refused box is an error.
"$pelforge" banner "$tmp/in.y4m" --box 800,10,20,20,1,2,3 -o "$tmp/same.y4m" 2>"$tmp/note.log"
grep -q "not drawn" "$tmp/note.log" || fail "no note for a box outside the picture"
cmp -s "$tmp/in.y4m" "$tmp/same.y4m" || fail "a box outside the picture changed it"
expect_status 2 "$pelforge" banner "$tmp/in.y4m" --box 1,2,3 -o "$tmp/x.y4m"

# 2. pattern: y4m that ffmpeg reads without a word, with the bars' colours.
"$pelforge" pattern --kind bars -frames 2 -q -o "$tmp/bars.y4m" || fail "pelforge pattern failed"
probe=$(probe "$tmp/bars.y4m" width,height,pix_fmt,nb_read_frames)
[ "$probe" = "720,576,yuv420p,2" ] || fail "ffprobe reads '$probe', expected 720,576,yuv420p,2"
ffmpeg -nostdin -v warning -i "$tmp/bars.y4m" -f rawvideo "$tmp/bars.yuv" 2>"$tmp/ff.log"
[ ! -s "$tmp/ff.log" ] || fail "ffmpeg complained: $(cat "$tmp/ff.log")"
"$pelforge" pattern -s 352x288 -pix_fmt uyvy422 --kind bars2 -frames 1 -q -o "$tmp/bars2.yuv"
[ "$(stat -c %s "$tmp/bars2.yuv")" = $((352 * 288 * 2)) ] || fail "bars2.yuv has the wrong size"

check_bars() {  # file, width, height, layout (420 or uyvy), set
  bytes "$1" | awk "$colour_awk"'
    BEGIN {
      split("255 255 255 255 255 0 0 0 255 0 255 0 128 0 0 255 0 0 255 0 255 0 0 0", s1)
      split("255 255 255 255 240 0 0 231 255 0 216 0 255 39 255 255 24 0 0 15 255 0 0 0", s2)
    }
    { v[NR - 1] = $1 }
    END {
      bw = w / 8; L = w * h; bad = 0
      for (k = 0; k < 8; k++) {
        R = set == 1 ? s1[3 * k + 1] : s2[3 * k + 1]
        G = set == 1 ? s1[3 * k + 2] : s2[3 * k + 2]
        B = set == 1 ? s1[3 * k + 3] : s2[3 * k + 3]
        x = k * bw + 2 * int(bw / 4)  # an even column inside bar k
        for (y = 0; y < h; y += h / 4) {
          if (layout == "420") {
            got_y = v[y * w + x]; got_u = v[L + (y / 2) * (w / 2) + x / 2]
            got_v = v[L + L / 4 + (y / 2) * (w / 2) + x / 2]
          } else {
            got_u = v[2 * (y * w + x)]; got_y = v[2 * (y * w + x) + 1]; got_v = v[2 * (y * w + x) + 2]
          }
          if (got_y != cy(R, G, B) || got_u != cu(R, G, B) || got_v != cv(R, G, B)) {
            printf "bar %d row %d: %d %d %d, expected %d %d %d\n", k + 1, y, got_y, got_u, got_v, cy(R, G, B), cu(R, G, B), cv(R, G, B)
            bad = 1
          }
        }
      }
      exit bad
    }' w="$2" h="$3" layout="$4" set="$5"
}
check_bars "$tmp/bars.yuv" 720 576 420 1 || fail "yuv420p bars (read back by ffmpeg) are wrong"
check_bars "$tmp/bars2.yuv" 352 288 uyvy 2 || fail "uyvy422 bars of the second set are wrong"

# The test card, progressive and interlaced: ffmpeg reads both, the interlaced one top field
# first; the black frame and a white ruler block sit where they belong.
"$pelforge" pattern --kind testcard -frames 1 -q -o "$tmp/card.y4m"
"$pelforge" pattern --kind testcard --interlaced -frames 1 -q -o "$tmp/cardi.y4m"
probe=$(ffprobe -v error -show_entries stream=width,height,field_order -of csv=p=0 \
  "$tmp/cardi.y4m")
[ "$probe" = "720,576,tt" ] || fail "the interlaced card reads as '$probe'"
for card in card cardi; do
  ff -i "$tmp/$card.y4m" -f rawvideo "$tmp/$card.yuv"
  corner=$(od -An -tu1 -j 0 -N 1 "$tmp/$card.yuv" | tr -d ' ')
  ruler=$(od -An -tu1 -j $((720 * 11 + 60)) -N 1 "$tmp/$card.yuv" | tr -d ' ')
  [ "$corner" = 16 ] && [ "$ruler" = 235 ] || fail "$card: corner $corner, ruler $ruler"
done
echo "overlay end to end: ok"
