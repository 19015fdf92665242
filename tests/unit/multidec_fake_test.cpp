// SPDX-License-Identifier: BSD-2-Clause
// The three codec modules against a recording stand-in of the codec unit library: the exact
// calls and arguments, the window each call finds (what its channel left, never another's),
// rollback and close order, forwarding, sums and the per-channel result rules.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "fake_video_unit.hpp"
#include "img_multidec.h"
#include "img_multidec_new.h"
#include "img_multienc.h"
#include "vmem_fixture.hpp"

namespace {

using fakevu::Call;

uint8_t* window() { return reinterpret_cast<uint8_t*>(au64FastMem) + PF_CODEC_FAST_MEM_OFFSET; }

// Every call finds in the window exactly what its channel's previous call left there (an open
// finds a clean window), whatever other channels did in between.
void expect_window_discipline(const std::vector<Call>& log) {
  std::map<int, std::array<uint8_t, 16>> left;
  for (size_t k = 0; k < log.size(); ++k) {
    const Call& c = log[k];
    if (c.channel == 0) continue;
    const bool opens = c.fn.find("Open") != std::string::npos;
    if (!opens && left.count(c.channel) == 0) {  // opened before the log began
      left[c.channel] = c.after;
      continue;
    }
    const std::array<uint8_t, 16> expected = opens ? std::array<uint8_t, 16>{} : left[c.channel];
    EXPECT_EQ(c.before, expected) << "call " << k << " (" << c.fn << ", channel " << c.channel
                                  << ") found another window";
    left[c.channel] = c.after;
  }
  EXPECT_FALSE(fakevu::window_clobbered());
}

std::vector<std::string> names(const std::vector<Call>& log) {
  std::vector<std::string> out;
  for (const Call& c : log) out.push_back(c.fn + "#" + std::to_string(c.channel));
  return out;
}

class CodecFake : public pft::VmemTest {
 protected:
  void SetUp() override {
    pft::VmemTest::SetUp();
    fakevu::reset(window());
  }
};

TEST_F(CodecFake, MultiDecCallsCarryTheirRecordsInsideTheirWindows) {
  auto p = std::make_unique<tMultiDecParam>();
  p->s32ChannelNum = 3;
  for (int i = 0; i < 3; ++i) p->atDecParam[i].u32Width = 16u * (i + 1);
  void* h = nullptr;
  ASSERT_EQ(ImgMultiDecOpen_c(&h, p.get(), mem()), 0u);
  auto log = fakevu::calls();
  ASSERT_EQ(log.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(log[i].fn, "VideoUnitDecoder4PelforgeOpen");
    EXPECT_EQ(log[i].args[1], &p->atDecParam[i]);
    EXPECT_EQ(log[i].args[2], mem());
    EXPECT_EQ(log[i].args[3], window());
  }

  auto in = std::make_unique<tMultiDecInput>();
  auto out = std::make_unique<tMultiDecOutput>();
  uint8_t planes[3] = {};
  for (auto& o : out->atOutput) o.pu8Y = &planes[0], o.pu8U = &planes[1], o.pu8V = &planes[2];
  // Channel 1 asks to end before it ever started: it does not decode. Channel 2 skips.
  const uint32_t first[3] = {1, 2, 0}, second[3] = {2, 1, 7};
  std::copy(first, first + 3, in->au32Command);
  fakevu::reset(window());
  EXPECT_EQ(ImgMultiDecProcess_c(h, in.get(), out.get()), 0u);
  std::copy(second, second + 3, in->au32Command);
  fakevu::script("VideoUnitDecoderProcess", 2, 0xE2000004u);
  EXPECT_EQ(ImgMultiDecProcess_c(h, in.get(), out.get()), ERR_IMG_MULTIDEC_PROCESS_DECPROCESS);
  EXPECT_EQ(out->au32Result[0], 0u);
  EXPECT_EQ(out->au32Result[1], 0xE2000004u);
  EXPECT_EQ(out->au32Result[2], ERR_IMG_MULTIDEC_CHECK_INPUT);
  log = fakevu::calls();
  ASSERT_EQ(names(log),
            (std::vector<std::string>{"VideoUnitDecoderProcess#1", "VideoUnitDecoderProcess#1",
                                      "VideoUnitDecoderProcess#2"}));
  EXPECT_EQ(log[0].option_kind, 0u);
  EXPECT_EQ(log[1].option_kind, 301u);  // the end option, during the call only
  EXPECT_EQ(log[1].option_value, 1u);
  EXPECT_EQ(in->atInput[0].ptOption, nullptr);
  for (int k = 0; k < 3; ++k) {
    const int i = log[k].channel - 1;
    EXPECT_EQ(log[k].args[0], &in->atInput[i]);
    EXPECT_EQ(log[k].args[1], &out->atOutput[i]);
  }

  auto q = std::make_unique<tMultiDecParam>(*p);
  q->s32ChannelNum = 2;  // updates the first two channels; three stay open
  fakevu::script("VideoUnitDecoderSetParam", 2, 0xE2000001u);
  EXPECT_EQ(ImgMultiDecSetParam_c(h, q.get()), ERR_IMG_MULTIDEC_SETPARAM_DECSETPARAM);
  auto status = std::make_unique<tMultiDecStatus>();
  EXPECT_EQ(ImgMultiDecGetStatus_c(h, status.get()), 0u);
  char text[128];
  uint32_t length = 0;
  EXPECT_EQ(ImgMultiDecGetVersion_c(text, 128, &length), 0xE2FE0001u);  // the library's answer
  uint32_t size = 0;
  EXPECT_EQ(ImgMultiDecGetMemSize_c(p.get(), &size), 0u);
  EXPECT_EQ(size, 1576u + 3 * 6144 + 3 * 1000 + 16 + 32 + 48);
  p->atDecParam[1].u32Codec = 99;
  EXPECT_EQ(ImgMultiDecGetMemSize_c(p.get(), &size), ERR_IMG_MULTIDEC_GETMEMSIZE_SIZE_ERROR);
  EXPECT_EQ(ImgMultiDecClose_c(h), 0u);
  log = fakevu::calls();
  const std::vector<std::string> expected = {
      "VideoUnitDecoderProcess#1",        "VideoUnitDecoderProcess#1",
      "VideoUnitDecoderProcess#2",        "VideoUnitDecoderSetParam#1",
      "VideoUnitDecoderSetParam#2",       "VideoUnitDecoderGetStatus#1",
      "VideoUnitDecoderGetStatus#2",      "VideoUnitDecoderGetStatus#3",
      "VideoUnitDecoderGetVersion#0",     "VideoUnitDecoderGetMemSize#0",
      "VideoUnitDecoderGetMemSize#0",     "VideoUnitDecoderGetMemSize#0",
      "VideoUnitDecoderGetMemSize#0",     "VideoUnitDecoderGetMemSize#0",
      "VideoUnitDecoder4PelforgeClose#1", "VideoUnitDecoder4PelforgeClose#2",
      "VideoUnitDecoder4PelforgeClose#3"};
  EXPECT_EQ(names(log), expected);
  EXPECT_EQ(log[3].args[0], &q->atDecParam[0]);
  EXPECT_EQ(log[6].args[0], &status->atDecStatus[1]);
  EXPECT_EQ(status->au32Result[2], 0u);
  EXPECT_EQ(log[8].args[0], text);
  EXPECT_EQ(log[8].args[1], &length);
  EXPECT_EQ(log[8].number, (uint64_t{128} << 32) | 3);
  fakevu::reset(window());
}

TEST_F(CodecFake, WindowsStayApartAcrossModulesAndCalls) {
  // Channels of all three modules, interleaved: each call finds its own channel's window.
  auto d = std::make_unique<tMultiDecParam>();
  auto n = std::make_unique<tMultiDecNewParam>();
  auto e = std::make_unique<tMultiEncParam>();
  d->s32ChannelNum = 2, n->s32ChannelNum = 3, e->s32ChannelNum = 2;
  for (auto& b : n->atDecParam) b.u32Width = b.u32Height = 16;
  void *hd = nullptr, *hn = nullptr, *he = nullptr;
  ASSERT_EQ(ImgMultiDecOpen_c(&hd, d.get(), mem()), 0u);
  ASSERT_EQ(ImgMultiDecNewOpen_c(&hn, n.get(), mem()), 0u);
  ASSERT_EQ(ImgMultiEncOpen_c(&he, e.get(), mem()), 0u);
  auto din = std::make_unique<tMultiDecInput>();
  auto dout = std::make_unique<tMultiDecOutput>();
  auto nin = std::make_unique<tMultiDecNewInput>();
  auto nout = std::make_unique<tMultiDecNewOutput>();
  auto ein = std::make_unique<tMultiEncInput>();
  auto eout = std::make_unique<tMultiEncOutput>();
  uint8_t planes[3 * 16 * 16 * 3 / 2] = {};
  for (auto& o : dout->atOutput) o.pu8Y = planes, o.pu8U = planes, o.pu8V = planes;
  for (auto& o : eout->atOutput) o.pu8Buf = planes;
  din->au32Command[0] = din->au32Command[1] = 1;
  nin->au32Command[0] = nin->au32Command[2] = 1;
  nin->au32Command[1] = 2;
  nout->pu8Composite = planes;
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(ImgMultiDecProcess_c(hd, din.get(), dout.get()), 0u);
    EXPECT_EQ(ImgMultiDecNewProcess_c(hn, nin.get(), nout.get()), 0u);
    EXPECT_EQ(ImgMultiEncProcess_c(he, ein.get(), eout.get()), 0u);
  }
  // The new multi-decoder opens with the block's height, links each channel's picture record
  // into its decoder output record and copies the picture's description back.
  std::map<int, int> new_channel;  // fake channel -> channel of the new multi-decoder
  for (const Call& c : fakevu::calls()) {
    if (c.fn == "VideoUnitDecoder4PelforgeNewOpen") {
      EXPECT_EQ(c.number, 16u);
      const int index = static_cast<int>(new_channel.size());
      new_channel[c.channel] = index;
    }
    if (c.fn == "VideoUnitDecoderProcess" && new_channel.count(c.channel) != 0) {
      EXPECT_EQ(c.picture, &nout->atPicture[new_channel[c.channel]]);
      EXPECT_NE(new_channel[c.channel], 1) << "a channel that is only placed was decoded";
    }
  }
  EXPECT_EQ(nout->atPicture[0].u32Ready, 1u);
  EXPECT_EQ(nout->atPicture[0].u32Width, 16u);
  EXPECT_EQ(nout->atPicture[1].u32Ready, 0u);  // only placed
  // The new multi-decoder can take fewer of its channels into use, never more than it opened.
  n->s32ChannelNum = 4;
  EXPECT_EQ(ImgMultiDecNewSetParam_c(hn, n.get()), ERR_IMG_MULTIDEC_NEW_CHECK_DEC_NUMBER);
  n->s32ChannelNum = 1;
  EXPECT_EQ(ImgMultiDecNewSetParam_c(hn, n.get()), 0u);
  const size_t before = fakevu::calls().size();
  EXPECT_EQ(ImgMultiDecNewProcess_c(hn, nin.get(), nout.get()), 0u);
  EXPECT_EQ(fakevu::calls().size(), before + 1);
  EXPECT_EQ(nout->u32GroupNum, 1u);
  EXPECT_EQ(ImgMultiDecClose_c(hd), 0u);
  EXPECT_EQ(ImgMultiDecNewClose_c(hn), 0u);
  EXPECT_EQ(ImgMultiEncClose_c(he), 0u);
  expect_window_discipline(fakevu::calls());
}

TEST_F(CodecFake, ThreadsTakeTurnsOnTheWindow) {
  auto worker = [] {
    void* m = VideoMemCreate();
    auto p = std::make_unique<tMultiDecParam>();
    p->s32ChannelNum = 4;
    void* h = nullptr;
    EXPECT_EQ(ImgMultiDecOpen_c(&h, p.get(), m), 0u);
    auto in = std::make_unique<tMultiDecInput>();
    auto out = std::make_unique<tMultiDecOutput>();
    uint8_t planes[3] = {};
    for (auto& o : out->atOutput) o.pu8Y = &planes[0], o.pu8U = &planes[1], o.pu8V = &planes[2];
    for (int i = 0; i < 4; ++i) in->au32Command[i] = 1;
    for (int k = 0; k < 200; ++k) EXPECT_EQ(ImgMultiDecProcess_c(h, in.get(), out.get()), 0u);
    EXPECT_EQ(ImgMultiDecClose_c(h), 0u);
    VideoMemDestroy(m);
  };
  std::thread a(worker), b(worker);
  a.join();
  b.join();
  expect_window_discipline(fakevu::calls());
}

// A channel that fails to open: those opened before it are closed, newest first, each in its
// own window, with the give-up close; everything allocated is returned.
TEST_F(CodecFake, FailedChannelOpenRollsBackNewestFirst) {
  struct Module {
    const char* name;
    uint32_t (*open)(void**, const void*, void*);
    std::string open_fn, rollback_fn;
    uint32_t code;
    size_t param_size;
  };
  const Module modules[] = {
      {"multidec", ImgMultiDecOpen_c, "VideoUnitDecoder4PelforgeOpen", "VideoUnitDecoderClose",
       ERR_IMG_MULTIDEC_OPEN_DECOPEN, sizeof(tMultiDecParam)},
      {"multidec_new", ImgMultiDecNewOpen_c, "VideoUnitDecoder4PelforgeNewOpen",
       "VideoUnitDecoderClose", ERR_IMG_MULTIDEC_NEW_OPEN_DECOPEN, sizeof(tMultiDecNewParam)},
      {"multienc", ImgMultiEncOpen_c, "VideoUnitMultiEncoderOpen", "VideoUnitEncoderClose",
       ERR_IMG_MULTIENC_OPEN_DECOPEN, sizeof(tMultiEncParam)},
  };
  for (const Module& m : modules) {
    for (int failing = 0; failing < 4; ++failing) {
      SCOPED_TRACE(std::string(m.name) + ", channel " + std::to_string(failing) + " fails");
      std::vector<uint8_t> param(m.param_size, 0);
      const int32_t count = 4;
      std::memcpy(param.data(), &count, sizeof count);
      // Picture sizes the new multi-decoder accepts; the others do not read them.
      auto* blocks = reinterpret_cast<tVideoUnitDecParam*>(param.data() + 8);
      if (m.param_size == sizeof(tMultiDecNewParam)) {
        for (int i = 0; i < count; ++i) blocks[i].u32Width = blocks[i].u32Height = 8;
      }
      fakevu::reset(window());
      fakevu::fail_open(failing);
      void* h = reinterpret_cast<void*>(0x1);
      EXPECT_EQ(m.open(&h, param.data(), mem()), m.code);
      EXPECT_EQ(h, reinterpret_cast<void*>(0x1));
      EXPECT_EQ(live_blocks(), 0u);
      std::vector<std::string> expected;
      for (int i = 0; i <= failing; ++i) {
        expected.push_back(m.open_fn + "#" + std::to_string(i < failing ? i + 1 : 0));
      }
      for (int i = failing; i >= 1; --i) {
        expected.push_back(m.rollback_fn + "#" + std::to_string(i));
      }
      // Channel numbers continue across rows: compare the shape, not the numbers.
      const std::vector<Call> log = fakevu::calls();
      ASSERT_EQ(log.size(), expected.size());
      int base = 0;
      for (const Call& c : log) {
        if (c.channel != 0 && base == 0) base = c.channel - 1;
      }
      for (size_t k = 0; k < log.size(); ++k) {
        const Call& c = log[k];
        EXPECT_EQ(c.fn + "#" + std::to_string(c.channel == 0 ? 0 : c.channel - base), expected[k]);
      }
      expect_window_discipline(log);
    }
  }
}

TEST_F(CodecFake, MultiEncForwardsAndCountsFailures) {
  auto p = std::make_unique<tMultiEncParam>();
  p->s32ChannelNum = 3;
  for (int i = 0; i < 3; ++i) p->atEncParam[i].u32Width = 32u * (i + 1);
  void* h = nullptr;
  ASSERT_EQ(ImgMultiEncOpen_c(&h, p.get(), mem()), 0u);
  const auto opened = fakevu::calls();
  ASSERT_EQ(opened.size(), 3u);
  const int first = opened[0].channel;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(opened[i].args[3], window());
  tMultiEncDebug texts{};
  // Debug: 0 unless every channel failed, then the last failure.
  struct Row {
    std::vector<uint32_t> results;
    uint32_t expected;
  };
  const Row rows[] = {{{0, 0, 0}, 0}, {{5, 0, 6}, 0}, {{5, 6, 7}, 7}, {{0, 6, 7}, 0}};
  for (const Row& row : rows) {
    for (int i = 0; i < 3; ++i) fakevu::script("VideoUnitEncoderDebug", first + i, row.results[i]);
    EXPECT_EQ(ImgMultiEncDebug_c(h, &texts), row.expected);
  }
  fakevu::reset(window());
  EXPECT_EQ(ImgMultiEncDebug_c(h, &texts), 0u);
  auto in = std::make_unique<tMultiEncInput>();
  auto out = std::make_unique<tMultiEncOutput>();
  uint8_t packet[4];
  for (auto& o : out->atOutput) o.pu8Buf = packet;
  fakevu::script("VideoUnitEncoderProcess", first + 1, 0xE200000Au);
  EXPECT_EQ(ImgMultiEncProcess_c(h, in.get(), out.get()), ERR_IMG_MULTIENC_PROCESS_DECPROCESS);
  EXPECT_EQ(out->au32Result[1], 0xE200000Au);
  EXPECT_EQ(reinterpret_cast<uint32_t*>(out.get())[64 + 1], 0xE200000Au);  // the 65th u32 on
  char text[128];
  uint32_t length = 0;
  EXPECT_EQ(ImgMultiEncGetVersion_c(text, 120, &length), 0xE2FE0002u);
  uint32_t size = 0;
  EXPECT_EQ(ImgMultiEncGetMemSize_c(p.get(), &size), 0u);
  EXPECT_EQ(size, 200u + 3 * 6144 + 3 * 2000 + 32 + 64 + 96);
  EXPECT_EQ(ImgMultiEncClose_c(h), 0u);
  const auto log = fakevu::calls();
  const std::vector<std::string> fns = {
      "VideoUnitEncoderDebug",      "VideoUnitEncoderDebug",      "VideoUnitEncoderDebug",
      "VideoUnitEncoderProcess",    "VideoUnitEncoderProcess",    "VideoUnitEncoderProcess",
      "VideoUnitEncoderGetVersion", "VideoUnitEncoderGetMemSize", "VideoUnitEncoderGetMemSize",
      "VideoUnitEncoderGetMemSize", "VideoUnitMultiEncoderClose", "VideoUnitMultiEncoderClose",
      "VideoUnitMultiEncoderClose"};
  ASSERT_EQ(log.size(), fns.size());
  for (size_t k = 0; k < fns.size(); ++k) EXPECT_EQ(log[k].fn, fns[k]) << k;
  EXPECT_EQ(log[1].args[0], &texts.atText[1]);
  EXPECT_EQ(log[4].args[0], &in->atInput[1]);
  EXPECT_EQ(log[4].args[1], &out->atOutput[1]);
  EXPECT_EQ(log[6].args[0], text);
  EXPECT_EQ(log[6].args[1], &length);
  EXPECT_EQ(log[6].number, 120u);
  expect_window_discipline(log);
}

}  // namespace
