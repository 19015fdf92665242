// SPDX-License-Identifier: BSD-2-Clause
// The codec unit library's decoder channels on untrusted bitstreams: whatever arrives from a
// camera or the network is one access unit after another. The first byte picks the codec and
// how the pictures are delivered; then come units, each a 2-byte length and its bytes; the
// stream ends with the end-of-stream option until the channel has nothing left. Every picture
// lands in page-guarded planes exactly as large as the channel's limits.
#include <cstdint>
#include <cstdlib>

#include "fuzz_util.hpp"
#include "guarded.hpp"
#include "video_mem.h"
#include "video_unit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pfz::Input in(data, size);
  const uint8_t flags = in.byte();
  static constexpr uint32_t kCodecs[] = {VIDEOUNIT_CODEC_H264, VIDEOUNIT_CODEC_HEVC,
                                         VIDEOUNIT_CODEC_MPEG2, VIDEOUNIT_CODEC_MJPEG};
  static void* const mem = VideoMemCreate();
  static tVideoUnitDecParam param;  // 6 KB: not on the stack of every run
  param = tVideoUnitDecParam{};
  param.u32Codec = kCodecs[flags % 4];
  // Limits from 16x16 to 400x304: pictures larger than the limits must be refused, not written.
  param.u32Width = 16 + 16 * (in.byte() % 25);
  param.u32Height = 16 + 16 * (in.byte() % 19);
  if ((flags & 4) != 0) {
    size_t got = 0;
    const uint8_t* extra = in.take(in.byte(), got);
    for (size_t i = 0; i < got; ++i) param.au8Extra[i] = extra[i];
    param.u32ExtraLen = static_cast<uint32_t>(got);
  }
  const pft::PageGuard side = (flags & 8) != 0 ? pft::PageGuard::kHead : pft::PageGuard::kTail;
  const uint32_t w = param.u32Width, h = param.u32Height, cw = (w + 1) / 2, ch = (h + 1) / 2;
  pft::PageBuffer y(size_t{w} * h, side), u(size_t{cw} * ch, side), v(size_t{cw} * ch, side);

  void* channel = nullptr;
  if (VideoUnitDecoder4PelforgeNewOpen(&channel, &param, mem, param.u32Height) != 0) return 0;
  tVideoUnitPicture picture{};
  const auto output = [&] {
    tVideoUnitDecOutput out{};
    out.pu8Y = y.data(), out.pu8U = u.data(), out.pu8V = v.data();
    out.u32YPitch = w, out.u32UVPitch = cw;
    if ((flags & 16) != 0) {  // through a picture record instead
      picture = tVideoUnitPicture{};
      picture.pu8Y = y.data(), picture.pu8U = u.data(), picture.pu8V = v.data();
      picture.u32Pitch = w, picture.u32UVPitch = cw;
      out.ptPicture = &picture;
    }
    return out;
  };
  for (int units = 0; units < 64 && !in.empty(); ++units) {
    size_t length = 0;
    const uint8_t* unit = in.take(in.u16(), length);
    // The unit in a buffer of its own, so that reading past it faults.
    pft::PageBuffer copy(length, side);
    for (size_t i = 0; i < length; ++i) copy.data()[i] = unit[i];
    tVideoUnitDecInput input{};
    input.pu8Data = copy.data();
    input.u32Length = static_cast<uint32_t>(length);
    tVideoUnitDecOutput out = output();
    VideoUnitDecoderProcess(channel, &input, &out);
    if (out.u32PicReady != 0 && (out.u32PicWidth > w || out.u32PicHeight > h)) std::abort();
  }
  const tVideoUnitOption end{VIDEOUNIT_OPTION_END, 1};
  for (int drain = 0; drain < 32; ++drain) {
    tVideoUnitDecInput input{};
    input.ptOption = &end;
    tVideoUnitDecOutput out = output();
    if (VideoUnitDecoderProcess(channel, &input, &out) != 0 || out.u32PicReady == 0) break;
  }
  tVideoUnitDecParam status{};
  VideoUnitDecoderGetStatus(channel, &status);
  if (VideoUnitDecoderClose(channel) != 0) std::abort();
  return 0;
}
