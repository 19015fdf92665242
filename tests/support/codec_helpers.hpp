// SPDX-License-Identifier: BSD-2-Clause
// The multi-decoder driven as a host drives it, for the codec tests: channel records, output
// pictures wired to frames, and streams decoded with their channels taking turns call by call.
#ifndef PELFORGE_TESTS_SUPPORT_CODEC_HELPERS_HPP_
#define PELFORGE_TESTS_SUPPORT_CODEC_HELPERS_HPP_

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "codec_streams.hpp"
#include "img_multidec.h"
#include "video_unit.h"

namespace pft {

inline tVideoUnitDecParam block_for(uint32_t codec, int w, int h,
                                    const std::vector<uint8_t>& extra = {}) {
  tVideoUnitDecParam b{};
  b.u32Codec = codec;
  b.u32Width = static_cast<uint32_t>(w);
  b.u32Height = static_cast<uint32_t>(h);
  b.u32ExtraLen = static_cast<uint32_t>(extra.size());
  std::copy(extra.begin(), extra.end(), b.au8Extra);
  return b;
}

inline tVideoUnitDecParam block_for(const CodedStream& s) {
  return block_for(s.codec, s.width, s.height, s.extra);
}

// Points a channel's output at `picture`, resized to one w x h 4:2:0 picture (pitch = width).
inline void wire(tVideoUnitDecOutput& o, Frame& picture, int w, int h) {
  const size_t luma = size_t(w) * size_t(h);
  picture.assign(luma * 3 / 2, 0);
  o = {};
  o.pu8Y = picture.data();
  o.pu8U = o.pu8Y + luma;
  o.pu8V = o.pu8U + luma / 4;
  o.u32YPitch = static_cast<uint32_t>(w);
  o.u32UVPitch = static_cast<uint32_t>(w / 2);
}

// Checks one Process call: its status and the channels' records after it.
using StepCheck = std::function<void(uint32_t status, const tMultiDecOutput& out)>;

// Decodes `feeds` (stream i on channel i) through one multi-decoder, one access unit per channel
// per Process call, then drains every channel with the end command; the pictures of each
// channel in output order. By default every call and every channel must succeed.
inline std::vector<std::vector<Frame>> decode_interleaved(void* mem,
                                                          const std::vector<CodedStream>& feeds,
                                                          const StepCheck& check = nullptr) {
  const auto n = static_cast<int32_t>(feeds.size());
  auto param = std::make_unique<tMultiDecParam>();
  param->s32ChannelNum = n;
  for (int32_t i = 0; i < n; ++i) param->atDecParam[i] = block_for(feeds[i]);
  void* h = nullptr;
  EXPECT_EQ(ImgMultiDecOpen_c(&h, param.get(), mem), 0u);
  if (h == nullptr) return {};
  auto in = std::make_unique<tMultiDecInput>();
  auto out = std::make_unique<tMultiDecOutput>();
  std::vector<Frame> pictures(feeds.size());
  std::vector<std::vector<Frame>> decoded(feeds.size());
  std::vector<bool> done(feeds.size(), false);
  for (size_t step = 0; step <= 200 && std::count(done.begin(), done.end(), false) != 0; ++step) {
    for (int32_t i = 0; i < n; ++i) {
      const CodedStream& s = feeds[i];
      wire(out->atOutput[i], pictures[i], s.width, s.height);
      in->atInput[i] = {};
      if (done[i]) {
        in->au32Command[i] = PF_MULTIDEC_CMD_SKIP;
      } else if (step < s.units.size()) {
        in->au32Command[i] = PF_MULTIDEC_CMD_START;
        in->atInput[i].pu8Data = s.units[step].empty() ? nullptr : s.units[step].data();
        in->atInput[i].u32Length = static_cast<uint32_t>(s.units[step].size());
      } else {
        in->au32Command[i] = PF_MULTIDEC_CMD_END;
      }
    }
    const uint32_t status = ImgMultiDecProcess_c(h, in.get(), out.get());
    if (check) {
      check(status, *out);
    } else {
      EXPECT_EQ(status, 0u) << "step " << step;
      for (int32_t i = 0; i < n; ++i) EXPECT_EQ(out->au32Result[i], 0u) << "channel " << i;
    }
    for (int32_t i = 0; i < n; ++i) {
      EXPECT_EQ(in->atInput[i].ptOption, nullptr) << "the end option outlived its call";
      if (out->atOutput[i].u32PicReady != 0) {
        EXPECT_EQ(out->atOutput[i].u32PicWidth, uint32_t(feeds[i].width));
        decoded[i].push_back(pictures[i]);
      } else if (in->au32Command[i] == PF_MULTIDEC_CMD_END) {
        done[i] = true;
      }
    }
  }
  EXPECT_EQ(ImgMultiDecClose_c(h), 0u);
  return decoded;
}

inline void expect_same_pictures(const std::vector<Frame>& ours, const std::vector<Frame>& theirs,
                                 const std::string& what) {
  ASSERT_EQ(ours.size(), theirs.size()) << what;
  for (size_t k = 0; k < ours.size(); ++k) {
    EXPECT_TRUE(ours[k] == theirs[k]) << what << ": picture " << k << " differs";
  }
}

}  // namespace pft

#endif  // PELFORGE_TESTS_SUPPORT_CODEC_HELPERS_HPP_
