// SPDX-License-Identifier: BSD-2-Clause
// The multi-encoder on the real codec unit library: pictures encoded on two channels decode
// (through the multi-decoder) back to within a PSNR bound, forced key frames, packets that do
// not fit, per-channel faults, and the module's generic facts (ModuleCase). How results and
// Debug answers are combined is checked call by call against the stand-in library.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "codec_helpers.hpp"
#include "codec_streams.hpp"
#include "img_multidec.h"
#include "img_multienc.h"
#include "module_cases.hpp"
#include "video_unit.h"
#include "vmem_fixture.hpp"

namespace {

using pft::Frame;
constexpr int kW = 176, kH = 144;

// A moving picture that is neither flat nor noise: gradients, a travelling square, chroma waves.
Frame source_picture(int t) {
  Frame f(size_t(kW) * kH * 3 / 2);
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const bool square = x >= 8 + 4 * t && x < 40 + 4 * t && y >= 40 && y < 72;
      f[size_t(y) * kW + x] = uint8_t(square ? 220 : 16 + (x + y + 2 * t) % 160);
    }
  }
  uint8_t* u = f.data() + kW * kH;
  uint8_t* v = u + kW * kH / 4;
  for (int y = 0; y < kH / 2; ++y) {
    for (int x = 0; x < kW / 2; ++x) {
      u[y * kW / 2 + x] = uint8_t(128 + (x - 44) + t);
      v[y * kW / 2 + x] = uint8_t(128 + (y - 36) - t);
    }
  }
  return f;
}

tVideoUnitEncParam enc_block(uint32_t codec, int w, int h) {
  tVideoUnitEncParam b{};
  b.u32Codec = codec;
  b.u32Width = uint32_t(w);
  b.u32Height = uint32_t(h);
  b.u32FrameRateNum = 25;
  b.u32FrameRateDen = 1;
  return b;
}

struct Packet {
  std::vector<uint8_t> data;
  int64_t pts;
  bool key;
};

class MultiEncReal : public pft::VmemTest {};

// Two channels, H.264 at a bit rate with B pictures and MPEG-2 at a fixed quantiser; a key frame
// forced at picture 5; everything drained and decoded back.
TEST_F(MultiEncReal, RoundTripThroughTheMultiDecoder) {
  constexpr int kFrames = 20;
  auto param = std::make_unique<tMultiEncParam>();
  param->s32ChannelNum = 2;
  param->atEncParam[0] = enc_block(VIDEOUNIT_CODEC_H264, kW, kH);
  param->atEncParam[0].u32Bitrate = 600000;
  param->atEncParam[0].u32Gop = 12;
  param->atEncParam[0].u32BFrames = 2;
  param->atEncParam[1] = enc_block(VIDEOUNIT_CODEC_MPEG2, kW, kH);
  param->atEncParam[1].u32Quality = 3;
  param->atEncParam[1].u32Gop = 8;
  void* h = nullptr;
  ASSERT_EQ(tImageMultiEncFunc.Open(&h, param.get(), mem()), 0u);
  std::vector<Frame> sources;
  std::vector<std::vector<Packet>> packets(2);
  std::vector<std::vector<uint8_t>> buffers(2, std::vector<uint8_t>(1 << 18));
  auto in = std::make_unique<tMultiEncInput>();
  auto out = std::make_unique<tMultiEncOutput>();
  tMultiEncDebug keyframe{};
  std::strcpy(keyframe.atText[0].as8Text, "keyframe");
  std::strcpy(keyframe.atText[1].as8Text, "keyframe");
  for (int t = 0; t < kFrames + 40; ++t) {
    if (t == 5) {
      EXPECT_EQ(tImageMultiEncFunc.Debug(h, &keyframe), 0u);
    }
    if (t < kFrames) sources.push_back(source_picture(t));
    for (int i = 0; i < 2; ++i) {
      tVideoUnitEncInput& pic = in->atInput[i];
      pic = {};
      if (t < kFrames) {
        pic.pu8Y = sources.back().data();
        pic.pu8U = pic.pu8Y + kW * kH;
        pic.pu8V = pic.pu8U + kW * kH / 4;
      }
      out->atOutput[i] = {buffers[i].data(), uint32_t(buffers[i].size()), 0, 0, 0, 0};
    }
    ASSERT_EQ(tImageMultiEncFunc.Process(h, in.get(), out.get()), 0u) << "picture " << t;
    for (int i = 0; i < 2; ++i) {
      const tVideoUnitEncOutput& o = out->atOutput[i];
      EXPECT_EQ(out->au32Result[i], 0u);
      if (o.u32Ready != 0) {
        packets[i].push_back(
            {std::vector<uint8_t>(o.pu8Buf, o.pu8Buf + o.u32Length), o.s64Pts, o.u32KeyFrame != 0});
      }
    }
  }
  auto status = std::make_unique<tMultiEncStatus>();
  ASSERT_EQ(tImageMultiEncFunc.GetStatus(h, status.get()), 0u);
  EXPECT_EQ(status->s32ChannelNum, 2);
  EXPECT_EQ(status->atEncStatus[0].u32FramesEncoded, uint32_t(kFrames));
  EXPECT_EQ(status->atEncStatus[1].u32PacketsOut, uint32_t(kFrames));
  EXPECT_EQ(tImageMultiEncFunc.Close(h), 0u);

  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE("channel " + std::to_string(i));
    ASSERT_EQ(packets[i].size(), size_t(kFrames));
    for (const Packet& p : packets[i]) {
      if (p.pts == 0 || p.pts == 5) {
        EXPECT_TRUE(p.key) << "picture " << p.pts;
      }
    }
    // Back through the multi-decoder, one channel.
    pft::CodedStream stream;
    stream.codec = param->atEncParam[i].u32Codec;
    stream.width = kW, stream.height = kH;
    for (const Packet& p : packets[i]) stream.units.push_back(p.data);
    const auto decoded = pft::decode_interleaved(mem(), {stream})[0];
    ASSERT_EQ(decoded.size(), size_t(kFrames));
    for (int t = 0; t < kFrames; ++t) {
      EXPECT_GT(pft::psnr(decoded[t], sources[t]), 32.0) << "picture " << t;
    }
  }
}

TEST_F(MultiEncReal, ChannelFaultsStayWithTheirChannel) {
  auto param = std::make_unique<tMultiEncParam>();
  param->s32ChannelNum = 3;
  for (int i = 0; i < 3; ++i) param->atEncParam[i] = enc_block(VIDEOUNIT_CODEC_MPEG2, kW, kH);
  void* h = nullptr;
  ASSERT_EQ(tImageMultiEncFunc.Open(&h, param.get(), mem()), 0u);
  const Frame picture = source_picture(0);
  std::vector<uint8_t> big(1 << 18), tiny(16);
  auto in = std::make_unique<tMultiEncInput>();
  auto out = std::make_unique<tMultiEncOutput>();
  for (int i = 0; i < 3; ++i) {
    in->atInput[i] = {picture.data(), picture.data() + kW * kH, picture.data() + kW * kH * 5 / 4};
    out->atOutput[i] = {big.data(), uint32_t(big.size()), 0, 0, 0, 0};
  }
  in->atInput[0].pu8V = nullptr;
  out->atOutput[1].pu8Buf = nullptr;
  out->atOutput[2] = {tiny.data(), uint32_t(tiny.size()), 0, 0, 0, 0};
  EXPECT_EQ(tImageMultiEncFunc.Process(h, in.get(), out.get()),
            ERR_IMG_MULTIENC_PROCESS_DECPROCESS);
  EXPECT_EQ(out->au32Result[0], ERR_IMG_MULTIENC_PROCESS_INPUT_POINTER_YUV);
  EXPECT_EQ(out->au32Result[1], ERR_IMG_MULTIENC_PROCESS_OUTPUT_POINTER_YUV);
  // A packet that does not fit stays for the next call, which gets a buffer of its size. (The
  // encoder may hold the picture back for a call or two.)
  uint32_t needed = 0;
  for (int call = 0; call < 4 && needed == 0; ++call) {
    if (call == 0) {
      EXPECT_TRUE(out->au32Result[2] == 0 || out->au32Result[2] == VIDEOUNIT_ERR_BUFFER_SHORT);
    } else {
      in->atInput[2] = {};
      out->atOutput[2] = {tiny.data(), uint32_t(tiny.size()), 0, 0, 0, 0};
      tImageMultiEncFunc.Process(h, in.get(), out.get());
    }
    if (out->au32Result[2] == VIDEOUNIT_ERR_BUFFER_SHORT) needed = out->atOutput[2].u32Length;
  }
  EXPECT_GT(needed, tiny.size());
  for (int i = 0; i < 3; ++i) {
    in->atInput[i] = {};  // drain
    out->atOutput[i] = {big.data(), uint32_t(big.size()), 0, 0, 0, 0};
  }
  EXPECT_EQ(tImageMultiEncFunc.Process(h, in.get(), out.get()), 0u);
  EXPECT_EQ(out->atOutput[2].u32Ready, 1u);
  EXPECT_EQ(out->atOutput[2].u32Length, needed);
  EXPECT_EQ(out->atOutput[2].s64Pts, 0);
  EXPECT_EQ(tImageMultiEncFunc.Close(h), 0u);
}

pft::ModuleCase multienc_case() {
  pft::ModuleCase m;
  m.name = "multienc";
  m.family = pft::Family::kCodecs;
  m.entry = PF_ENTRY_POINTS(ImgMultiEnc);
  m.table = &tImageMultiEncFunc;
  m.id = 25;
  pft::set_names(m, pas8ImgMultiEncAnalyzeErrorCode, 0xC7800001, 0xC7800001, 0xC7800017,
                 0xC7800014);
  tMultiEncParam valid{};
  valid.s32ChannelNum = 2;
  valid.atEncParam[0] = enc_block(VIDEOUNIT_CODEC_H264, 64, 48);
  valid.atEncParam[1] = enc_block(VIDEOUNIT_CODEC_MPEG2, 32, 16);
  m.param = pft::record_bytes(valid);
  m.status_echoes_param = false;
  m.status_size = sizeof(tMultiEncStatus);
  // Each channel's picture as the record's pitches describe it (0: the width), and a packet
  // buffer of a size from the content, sometimes too short.
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& rec = *static_cast<const tMultiEncParam*>(record);
    auto* in = pics.record<tMultiEncInput>();
    auto* out = pics.record<tMultiEncOutput>();
    const int n = std::clamp(rec.s32ChannelNum, 0, PF_MULTIENC_MAX_CHANNELS);
    for (int i = 0; i < n; ++i) {
      const tVideoUnitEncParam& c = rec.atEncParam[i];
      const int64_t w = c.u32Width, rows = c.u32Height;
      const int64_t ys = c.u32YPitch != 0 ? c.u32YPitch : w;
      const int64_t uvs = c.u32UVPitch != 0 ? c.u32UVPitch : w / 2;
      if ((pics.byte() & 7) != 0) {
        in->atInput[i] = {pics.plane(w, rows, ys), pics.plane(w / 2, rows / 2, uvs),
                          pics.plane(w / 2, rows / 2, uvs)};
      }
      const size_t size = size_t{1} << (6 + pics.byte() % 12);
      out->atOutput[i] = {pics.buffer(size), uint32_t(size), 0, 0, 0, 0};
    }
    // A packet buffer too short for a channel is that channel's result.
    const uint32_t status = e.Process(h, in, out);
    return status == ERR_IMG_MULTIENC_PROCESS_DECPROCESS ? 0u : status;
  };
  uint32_t size = 200 + 2 * 6144;
  for (int i = 0; i < 2; ++i) {
    uint32_t channel = 0;
    VideoUnitEncoderGetMemSize(&valid.atEncParam[i], &channel);
    size += channel;
  }
  m.mem_size = size;
  pft::set_null_codes(
      m, {0xC7800001, 0xC780000A, 0xC780000B, 0xC780000C, 0xC7800004, 0xC7800011, 0xC7800006});
  m.debug_is_noop = false;
  m.open_failures = {0xC7800002, 0xC7800002};
  using P = tMultiEncParam;
  m.rows = {
      PF_REFUSED(P, "no channel", 0xC7800010, p.s32ChannelNum = 0),
      PF_REFUSED(P, "9 channels", 0xC7800010, p.s32ChannelNum = 9),
      {"second channel's codec HEVC", pft::edit<P>([](P& r) { r.atEncParam[1].u32Codec = 2; }),
       0xC7800003, 0xC7800005, true},
  };
  return m;
}
PF_MODULE_CASE(multienc_case);

}  // namespace
