#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-2-Clause
# End to end for the logo verbs on clips made by ffmpeg.
#
# logo: a 200x60 PNG logo whose alpha runs from opaque through a ramp to clear, laid at 400,300
# over a 720x576 clip, against ffmpeg's overlay filter on the same clip and logo (the logo turned
# into full-range BT.601 YUV with alpha by swscale, the rule the overlay modules use). Inside the
# logo's rectangle the two must agree to a PSNR of at least 42 dB in luma and 38 dB in chroma;
# everywhere else they must be identical. The two differ in rounding only: ffmpeg blends
# (x * (255 - a) + y * a) / 255 rounded to nearest, the logo module ((255 - t) * logo + t *
# picture) >> 8 with t = 255 - a, truncating (an opaque 200 becomes 199), and swscale subsamples
# the logo's chroma with its own filter where the command line takes the mean of each 2x2 block,
# which tells most at the logo's sharp colour edges. Measured: 46.5 dB luma, 42.0 and 42.8 dB
# chroma; the logo shifted by two pixels gives 23 dB, no logo 13 dB.
#
# bmp2yuv: a red bitmap made by ffmpeg converts to Y 76, U 85, V 255, alpha 0 (no key pixel);
# a truncated bitmap is refused with a message.
# ticker: nothing outside the window changes.
# Usage: logo_e2e.sh PATH_TO_PELFORGE. Exit status 77: ffmpeg is missing (test skipped).
# shellcheck source=tests/cli/e2e_common.sh
source "$(dirname "${BASH_SOURCE[0]}")/e2e_common.sh"
need ffmpeg od awk sort

ff -f lavfi -i testsrc2=size=720x576:rate=25 -frames:v 5 -pix_fmt yuv420p "$tmp/in.y4m"
ff -f lavfi -i "testsrc=size=200x60,format=rgba,geq=r='r(X,Y)':g='g(X,Y)':b='b(X,Y)':a='if(lt(X,40),255,if(gt(X,160),0,255*(160-X)/120))'" \
  -frames:v 1 "$tmp/logo.png"

# 1. logo against overlay.
"$pelforge" logo "$tmp/in.y4m" -q -i "$tmp/logo.png" --at 400,300 -o "$tmp/out.y4m" ||
  fail "pelforge logo failed"
ff -i "$tmp/logo.png" -vf scale=out_range=full:out_color_matrix=bt601 -pix_fmt yuva420p \
  -f rawvideo "$tmp/logo.yuva"
ff -i "$tmp/in.y4m" -f rawvideo -pix_fmt yuva420p -s 200x60 -i "$tmp/logo.yuva" \
  -filter_complex "[0:v][1:v]overlay=400:300:format=yuv420" -pix_fmt yuv420p "$tmp/ref.y4m"
read -r y u v _ <<<"$(psnr crop=200:60:400:300 -i "$tmp/out.y4m" -i "$tmp/ref.y4m")"
[ -n "${y:-}" ] || fail "no PSNR from ffmpeg"
at_least "$y" 42 && at_least "$u" 38 && at_least "$v" 38 ||
  fail "logo rectangle: PSNR y $y u $u v $v, below 42/38/38 dB"
echo "logo against overlay inside the logo: PSNR y $y u $u v $v dB"
for band in crop=720:300:0:0 crop=720:216:0:360 crop=400:60:0:300 crop=120:60:600:300; do
  read -r y u v _ <<<"$(psnr "$band" -i "$tmp/out.y4m" -i "$tmp/ref.y4m")"
  [ "$y $u $v" = "inf inf inf" ] || fail "outside the logo ($band) the pictures differ: $y $u $v"
done

# 2. bmp2yuv of a red bitmap.
ff -f lavfi -i "color=c=red:size=64x32,format=bgr24" -frames:v 1 "$tmp/red.bmp"
"$pelforge" bmp2yuv "$tmp/red.bmp" -o "$tmp/red.yuv" >/dev/null || fail "pelforge bmp2yuv failed"
[ "$(stat -c %s "$tmp/red.yuv")" = 3072 ] || fail "bmp2yuv: not a 64x32 4:2:0 picture"
[ -s "$tmp/red.png" ] || fail "bmp2yuv wrote no preview"
got=$(od -An -v -tu1 -w1 "$tmp/red.yuv" |
  awk '{ n[(NR <= 2048 ? "y" : NR <= 2560 ? "u" : "v") $1]++ } END { for (k in n) print k ":" n[k] }' |
  sort | tr '\n' ' ')
[ "$got" = "u85:512 v255:512 y76:2048 " ] || fail "bmp2yuv: red converted to $got"
[ "$(od -An -v -tu1 -w1 "$tmp/red.alpha" | sort -u | tr -d ' \n')" = 0 ] ||
  fail "bmp2yuv: a bitmap without key pixels is not opaque"

# A bitmap that lies about its size is refused before the module reads it.
head -c 3000 "$tmp/red.bmp" >"$tmp/short.bmp"
expect_error 1 "truncated bitmap" \
  "$pelforge" logo "$tmp/in.y4m" -q -i "$tmp/short.bmp" -o "$tmp/x.y4m"

# 3. ticker: only the window changes.
"$pelforge" ticker "$tmp/in.y4m" -q -i "$tmp/logo.png" --window 0,480,720,64 --step -8 \
  --bar 16,32,96,176 -o "$tmp/tick.y4m" || fail "pelforge ticker failed"
read -r y u v _ <<<"$(psnr crop=720:480:0:0 -i "$tmp/in.y4m" -i "$tmp/tick.y4m")"
[ "$y $u $v" = "inf inf inf" ] || fail "ticker changed pictures above its window: $y $u $v"
read -r y u v _ <<<"$(psnr crop=720:64:0:480 -i "$tmp/in.y4m" -i "$tmp/tick.y4m")"
[ "$y" != inf ] || fail "ticker drew nothing in its window"
echo "PASS"
