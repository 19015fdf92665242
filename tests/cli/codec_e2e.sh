#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-2-Clause
# End to end of the codec verbs against ffmpeg: streams made by ffmpeg (H.264 elementary, MPEG-2,
# H.264 in MP4, HEVC in Matroska) decode through `pelforge multidec` to exactly ffmpeg's pictures
# per channel and into a wall ffprobe reads; `pelforge multienc` makes streams ffmpeg decodes to
# within a PSNR bound of their input; bad inputs end with a message and a non-zero status.
# Usage: codec_e2e.sh PATH_TO_PELFORGE. Exit status 77: ffmpeg is missing (test skipped).
# shellcheck source=tests/cli/e2e_common.sh
source "$(dirname "${BASH_SOURCE[0]}")/e2e_common.sh"
need ffmpeg ffprobe
codec_probe() { probe "$1" codec_name,width,height,nb_read_frames | cut -d, -f1-4; }

cd "$tmp"
ff -f lavfi -i testsrc2=size=352x288:rate=25 -frames:v 20 -c:v libx264 -bf 2 a.h264
ff -f lavfi -i mandelbrot=size=320x240:rate=25 -frames:v 16 -c:v mpeg2video -bf 2 b.m2v
ff -f lavfi -i smptebars=size=640x360:rate=25 -frames:v 12 -pix_fmt yuv420p -c:v libx264 c.mp4
ff -f lavfi -i testsrc=size=176x144:rate=25 -frames:v 10 -pix_fmt yuv420p -c:v libx265 \
  -x265-params log-level=none d.mkv
inputs=(a.h264 b.m2v c.mp4 d.mkv)

# 1. One output per channel: exactly ffmpeg's decode (bit-exact decoding on both sides).
"$pelforge" multidec "${inputs[@]}" -o ch%d.y4m -q 2>log || fail "multidec: $(cat log)"
for i in 1 2 3 4; do
  in=${inputs[$((i - 1))]}
  ff -flags bitexact -idct simple -i "$in" -fps_mode passthrough -f rawvideo -pix_fmt yuv420p \
    "ref$i.yuv"
  ff -i "ch$i.y4m" -f rawvideo "ours$i.yuv"
  cmp -s "ref$i.yuv" "ours$i.yuv" || fail "channel $i ($in) differs from ffmpeg's decode"
done

# 2. The wall: size from the grid and the pictures, one wall per step with a new picture.
"$pelforge" multidec "${inputs[@]}" -o wall.y4m --preview prev -q 2>log || fail "wall: $(cat log)"
[ "$(codec_probe wall.y4m)" = "rawvideo,1280,720,21" ] || fail "wall reads as '$(codec_probe wall.y4m)'"
[ -s prev/wall_first.png ] && [ -s prev/wall_last.png ] || fail "no wall previews"
"$pelforge" multidec a.h264 b.m2v --grid 2x1 -S 704x288 -o - -q 2>log >wall2.y4m ||
  fail "wall to a pipe: $(cat log)"
head -n 1 wall2.y4m | grep -q '^YUV4MPEG2 W704 H288 ' || fail "pipe wall header"

# 3. Encoding: two channels, H.264 at a bit rate and MPEG-2; ffmpeg decodes them near the input.
ff -f lavfi -i testsrc2=size=352x288:rate=25 -frames:v 25 -pix_fmt yuv420p in1.y4m
ff -f lavfi -i mandelbrot=size=320x240:rate=25 -frames:v 25 -pix_fmt yuv420p in2.y4m
for codec in h264 mpeg2; do
  "$pelforge" multienc in1.y4m in2.y4m -c "$codec" -b 2M -o "out%d.$codec" -q 2>log ||
    fail "multienc $codec: $(cat log)"
  name=$([ "$codec" = h264 ] && echo h264 || echo mpeg2video)
  [ "$(codec_probe "out1.$codec")" = "$name,352,288,25" ] || fail "out1.$codec: wrong stream"
  [ "$(codec_probe "out2.$codec")" = "$name,320,240,25" ] || fail "out2.$codec: wrong stream"
  # Compared as raw pictures: container timestamps must not pair the wrong pictures.
  ff -i "out1.$codec" -fps_mode passthrough -f rawvideo -pix_fmt yuv420p dec.yuv
  ff -i in1.y4m -f rawvideo src.yuv
  read -r _ _ _ psnr <<<"$(psnr null -f rawvideo -s 352x288 -i dec.yuv -f rawvideo -s 352x288 \
    -i src.yuv)"
  at_least "$psnr" 30 || fail "$codec PSNR $psnr"
done

# 4. Refusals: a file that is no video, a missing file, a codec the encoder lacks, no pattern.
head -c 4000 /dev/urandom >junk.h264
for args in "multidec junk.h264 -o w.y4m" "multidec nothere.mp4 -o w.y4m"; do
  # shellcheck disable=SC2086
  if "$pelforge" $args -q 2>log; then fail "$args succeeded"; fi
  grep -q "error" log || fail "$args: no message"
done
expect_status 2 "$pelforge" multienc in1.y4m -c vp9 -o x.bin
expect_status 2 "$pelforge" multienc in1.y4m in2.y4m -o same.h264
echo "codec verbs agree with ffmpeg"
