// SPDX-License-Identifier: BSD-2-Clause
// The multi-decoders on the real codec unit library: streams made by ffmpeg decode to exactly
// ffmpeg's pictures on every channel while the channels take turns call by call; the composite
// placement against a model of its own; damaged streams and refused commands; and both modules'
// generic facts (ModuleCase).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "codec_helpers.hpp"
#include "codec_streams.hpp"
#include "img_multidec.h"
#include "img_multidec_new.h"
#include "module_cases.hpp"
#include "rng.hpp"
#include "video_unit.h"
#include "vmem_fixture.hpp"

namespace {

using pft::block_for;
using pft::CodedStream;
using pft::decode_interleaved;
using pft::expect_same_pictures;
using pft::Frame;

// The streams every test here shares, made once: three codecs, four picture sizes, B pictures,
// and an MP4 file whose H.264 configuration travels out of band.
const std::vector<CodedStream>& streams() {
  static const std::vector<CodedStream> all = [] {
    std::vector<CodedStream> s;
    s.push_back(pft::make_stream("a.h264", 176, 144, 14, "-c:v libx264 -bf 2 -g 8"));
    s.push_back(pft::make_stream("b.hevc", 128, 96, 9, "-c:v libx265 -x265-params log-level=none"));
    s.push_back(pft::make_stream("c.m2v", 160, 120, 12, "-c:v mpeg2video -bf 2 -g 6"));
    s.push_back(pft::make_stream("d.mp4", 96, 64, 10, "-c:v libx264 -bf 1"));
    return s;
  }();
  return all;
}

class MultiDecReal : public pft::VmemTest {
 protected:
  void SetUp() override {
    pft::VmemTest::SetUp();
    for (const CodedStream& s : streams()) {
      ASSERT_NE(s.codec, 0u) << "ffmpeg could not make the test streams";
      ASSERT_FALSE(s.units.empty());
      ASSERT_FALSE(s.reference.empty());
    }
  }
};

TEST_F(MultiDecReal, InterleavedChannelsDecodeExactlyAsFfmpeg) {
  // Two channels on the same stream as well: their pictures must not mix either.
  std::vector<CodedStream> feeds = streams();
  feeds.push_back(streams()[0]);
  const auto decoded = decode_interleaved(mem(), feeds);
  ASSERT_EQ(decoded.size(), feeds.size());
  for (size_t i = 0; i < feeds.size(); ++i) {
    expect_same_pictures(decoded[i], feeds[i].reference, "channel " + std::to_string(i));
  }
}

// Where the model puts channel i: bands of one size (at most 64 members) in order of first
// appearance; a band's luma starts after the bands above, its chroma at a quarter of that.
struct Place {
  size_t luma, chroma, pitch;
};
std::map<int, Place> model_places(const std::vector<uint32_t>& commands,
                                  const std::vector<std::pair<int, int>>& sizes, size_t& luma_size,
                                  size_t& bands) {
  std::vector<std::tuple<int, int, int>> keys;  // (w, h, band of that size)
  std::map<std::tuple<int, int, int>, std::vector<int>> members;
  std::map<std::pair<int, int>, int> seen;
  for (size_t i = 0; i < commands.size(); ++i) {
    if (commands[i] != 1 && commands[i] != 2) continue;
    const auto [w, h] = sizes[i];
    const int k = seen[{w, h}]++;
    const auto key = std::make_tuple(w, h, k / 64);
    if (members[key].empty()) keys.push_back(key);
    members[key].push_back(int(i));
  }
  std::map<int, Place> places;
  size_t start = 0;
  for (const auto& key : keys) {
    const auto [w, h, band] = key;
    const std::vector<int>& m = members[key];
    for (size_t k = 0; k < m.size(); ++k) {
      places[m[k]] = {start + w * k, start / 4 + (w / 2) * k, size_t(w) * m.size()};
    }
    start += size_t(w) * m.size() * h;
  }
  luma_size = start;
  bands = keys.size();
  return places;
}

void expect_places(const tMultiDecNewOutput& out, const std::vector<uint32_t>& commands,
                   const std::vector<std::pair<int, int>>& sizes, const uint8_t* composite) {
  size_t luma_size = 0, bands = 0;
  const auto places = model_places(commands, sizes, luma_size, bands);
  EXPECT_EQ(out.u32CompositeLumaSize, luma_size);
  EXPECT_EQ(out.u32GroupNum, bands);
  for (const auto& [i, place] : places) {
    SCOPED_TRACE("channel " + std::to_string(i));
    const tVideoUnitPicture& pic = out.atPicture[i];
    EXPECT_EQ(pic.u32Tag, 401u);
    EXPECT_EQ(pic.pu8Y, composite + place.luma);
    EXPECT_EQ(pic.pu8U, composite + luma_size + place.chroma);
    EXPECT_EQ(pic.pu8V, composite + luma_size + luma_size / 4 + place.chroma);
    EXPECT_EQ(pic.u32Pitch, place.pitch);
    EXPECT_EQ(pic.u32UVPitch, place.pitch / 2);
  }
}

TEST_F(MultiDecReal, CompositePlacementFollowsTheModel) {
  struct Row {
    std::string what;
    std::vector<uint32_t> commands;
    std::vector<std::pair<int, int>> sizes;
  };
  std::vector<Row> rows = {
      {"CIF, D1, CIF", {2, 2, 2}, {{352, 288}, {704, 576}, {352, 288}}},
      {"skipped channels take no place", {3, 2, 3, 2}, {{64, 32}, {96, 32}, {64, 32}, {64, 32}}},
      {"70 of one size: a second band", std::vector<uint32_t>(70, 2),
       std::vector<std::pair<int, int>>(70, {16, 8})},
  };
  pft::Rng rng(20261206);
  for (int r = 0; r < 4; ++r) {
    Row row{"random " + std::to_string(r), {}, {}};
    const int n = rng.range(1, 96);
    for (int i = 0; i < n; ++i) {
      row.commands.push_back(uint32_t(rng.range(2, 3)));
      row.sizes.push_back({2 * rng.range(1, 4) * 8, 2 * rng.range(1, 3) * 4});
    }
    rows.push_back(row);
  }
  // The worked example in figures: the two CIF channels share the first band.
  size_t size = 0, bands = 0;
  const auto example = model_places(rows[0].commands, rows[0].sizes, size, bands);
  EXPECT_EQ(example.at(2).luma, 352u);
  EXPECT_EQ(example.at(1).luma, 704u * 288);
  EXPECT_EQ(example.at(1).pitch, 704u);

  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const auto n = static_cast<int32_t>(row.commands.size());
    auto param = std::make_unique<tMultiDecNewParam>();
    param->s32ChannelNum = n;
    for (int32_t i = 0; i < n; ++i) {
      param->atDecParam[i] =
          block_for(VIDEOUNIT_CODEC_MJPEG, row.sizes[i].first, row.sizes[i].second);
    }
    void* h = nullptr;
    ASSERT_EQ(ImgMultiDecNewOpen_c(&h, param.get(), mem()), 0u);
    auto in = std::make_unique<tMultiDecNewInput>();
    auto out = std::make_unique<tMultiDecNewOutput>();
    std::copy(row.commands.begin(), row.commands.end(), in->au32Command);
    uint8_t composite[16];
    out->pu8Composite = composite;  // only placed, never written
    EXPECT_EQ(ImgMultiDecNewProcess_c(h, in.get(), out.get()), 0u);
    expect_places(*out, row.commands, row.sizes, composite);
    EXPECT_EQ(ImgMultiDecNewClose_c(h), 0u);
  }
}

// The new multi-decoder on real streams of mixed sizes: every picture lands in its place in the
// composite and equals ffmpeg's; nothing outside the channels' places is written.
TEST_F(MultiDecReal, CompositeHoldsFfmpegsPicturesInTheirPlaces) {
  const std::vector<CodedStream> feeds = {streams()[0], streams()[2], streams()[0], streams()[1],
                                          streams()[3]};
  const auto n = static_cast<int32_t>(feeds.size());
  auto param = std::make_unique<tMultiDecNewParam>();
  param->s32ChannelNum = n;
  std::vector<std::pair<int, int>> sizes;
  size_t total = 0;
  for (int32_t i = 0; i < n; ++i) {
    param->atDecParam[i] = block_for(feeds[i]);
    sizes.push_back({feeds[i].width, feeds[i].height});
    total += size_t(feeds[i].width) * feeds[i].height * 3 / 2;
  }
  void* h = nullptr;
  ASSERT_EQ(ImgMultiDecNewOpen_c(&h, param.get(), mem()), 0u);
  auto in = std::make_unique<tMultiDecNewInput>();
  auto out = std::make_unique<tMultiDecNewOutput>();
  const tVideoUnitOption end{VIDEOUNIT_OPTION_END, 1};
  std::vector<std::vector<Frame>> decoded(feeds.size());
  std::vector<bool> done(feeds.size(), false);
  std::vector<uint8_t> composite(total + 64);
  for (size_t step = 0; step < 100; ++step) {
    std::fill(composite.begin(), composite.end(), 0xA5);
    for (int32_t i = 0; i < n; ++i) {
      in->atInput[i] = {};
      in->au32Command[i] = done[i] ? PF_MULTIDEC_NEW_CMD_SKIP : PF_MULTIDEC_NEW_CMD_DECODE;
      if (step < feeds[i].units.size()) {
        in->atInput[i].pu8Data = feeds[i].units[step].data();
        in->atInput[i].u32Length = static_cast<uint32_t>(feeds[i].units[step].size());
      } else {
        in->atInput[i].ptOption = &end;
      }
    }
    if (std::all_of(done.begin(), done.end(), [](bool d) { return d; })) break;
    out->pu8Composite = composite.data();
    ASSERT_EQ(ImgMultiDecNewProcess_c(h, in.get(), out.get()), 0u) << "step " << step;
    expect_places(*out, std::vector<uint32_t>(in->au32Command, in->au32Command + n), sizes,
                  composite.data());
    for (size_t at = size_t(out->u32CompositeLumaSize) * 3 / 2; at < composite.size(); ++at) {
      ASSERT_EQ(composite[at], 0xA5) << "written past the composite at " << at;
    }
    for (int32_t i = 0; i < n; ++i) {
      const tVideoUnitPicture& pic = out->atPicture[i];
      if (in->au32Command[i] != PF_MULTIDEC_NEW_CMD_DECODE) continue;
      EXPECT_EQ(out->au32Result[i], 0u);
      if (pic.u32Ready == 0) {
        if (step >= feeds[i].units.size()) done[i] = true;
        continue;
      }
      const int w = feeds[i].width, hh = feeds[i].height;
      EXPECT_EQ(pic.u32Width, uint32_t(w));
      EXPECT_EQ(pic.u32Height, uint32_t(hh));
      Frame f;
      for (int y = 0; y < hh; ++y)
        f.insert(f.end(), pic.pu8Y + y * pic.u32Pitch, pic.pu8Y + y * pic.u32Pitch + w);
      for (const uint8_t* plane : {pic.pu8U, pic.pu8V}) {
        for (int y = 0; y < hh / 2; ++y) {
          f.insert(f.end(), plane + y * pic.u32UVPitch, plane + y * pic.u32UVPitch + w / 2);
        }
      }
      decoded[i].push_back(f);
    }
  }
  for (int32_t i = 0; i < n; ++i) {
    expect_same_pictures(decoded[i], feeds[i].reference, "channel " + std::to_string(i));
  }
  EXPECT_EQ(ImgMultiDecNewClose_c(h), 0u);
}

// Damaged input on one channel: its result says so, the healthy channel beside it decodes
// exactly as before, and nothing crashes or leaks.
TEST_F(MultiDecReal, DamagedStreamsFailOnlyTheirChannel) {
  const CodedStream& good = streams()[0];
  pft::Rng rng(7);
  using Unit = std::vector<uint8_t>;
  struct Damage {
    std::string what;
    std::function<Unit(const Unit&)> make;
    bool must_fail;
  };
  const std::vector<Damage> damages = {
      {"random bytes",
       [&](const Unit& u) {
         Unit r(u.size());
         for (auto& b : r) b = rng.byte();
         return r;
       },
       false},
      {"truncated units",
       [](const Unit& u) { return Unit(u.begin(), u.begin() + ptrdiff_t(u.size() / 3)); }, false},
      {"flipped bits",
       [&](const Unit& u) {
         Unit r = u;
         for (size_t k = 4; k < r.size(); k += 7) r[k] ^= uint8_t(1 << rng.below(8));
         return r;
       },
       false},
      {"empty units", [](const Unit&) { return Unit(); }, true},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    CodedStream bad = good;
    for (auto& u : bad.units) u = damage.make(u);
    bool bad_failed = false;
    const auto decoded =
        decode_interleaved(mem(), {bad, good}, [&](uint32_t status, const tMultiDecOutput& out) {
          EXPECT_EQ(out.au32Result[1], 0u);
          EXPECT_EQ(status, out.au32Result[0] != 0 ? ERR_IMG_MULTIDEC_PROCESS_DECPROCESS : 0u);
          bad_failed = bad_failed || out.au32Result[0] != 0;
        });
    if (damage.must_fail) {
      EXPECT_TRUE(bad_failed);
    }
    ASSERT_EQ(decoded.size(), 2u);
    expect_same_pictures(decoded[1], good.reference, "healthy channel");
  }
}

TEST_F(MultiDecReal, CommandsOutsideTheirValues) {
  const CodedStream& s = streams()[0];
  // Multi-decoder: the channel with an unknown command fails alone.
  {
    auto param = std::make_unique<tMultiDecParam>();
    param->s32ChannelNum = 2;
    param->atDecParam[0] = param->atDecParam[1] = block_for(s);
    void* h = nullptr;
    ASSERT_EQ(ImgMultiDecOpen_c(&h, param.get(), mem()), 0u);
    auto in = std::make_unique<tMultiDecInput>();
    auto out = std::make_unique<tMultiDecOutput>();
    Frame picture;
    for (tVideoUnitDecOutput& o : out->atOutput) pft::wire(o, picture, s.width, s.height);
    for (int i = 0; i < 2; ++i) {
      in->atInput[i].pu8Data = s.units[0].data();
      in->atInput[i].u32Length = uint32_t(s.units[0].size());
    }
    in->au32Command[0] = 3;
    in->au32Command[1] = PF_MULTIDEC_CMD_START;
    EXPECT_EQ(ImgMultiDecProcess_c(h, in.get(), out.get()), ERR_IMG_MULTIDEC_PROCESS_DECPROCESS);
    EXPECT_EQ(out->au32Result[0], ERR_IMG_MULTIDEC_CHECK_INPUT);
    EXPECT_EQ(out->au32Result[1], 0u);
    // A length without data is the input's fault; missing planes the output's.
    in->au32Command[0] = PF_MULTIDEC_CMD_START;
    in->atInput[0].pu8Data = nullptr;
    out->atOutput[1].pu8V = nullptr;
    EXPECT_EQ(ImgMultiDecProcess_c(h, in.get(), out.get()), ERR_IMG_MULTIDEC_PROCESS_DECPROCESS);
    EXPECT_EQ(out->au32Result[0], ERR_IMG_MULTIDEC_PROCESS_INPUT_POINTER_YUV);
    EXPECT_EQ(out->au32Result[1], ERR_IMG_MULTIDEC_PROCESS_OUTPUT_POINTER_YUV);
    EXPECT_EQ(ImgMultiDecClose_c(h), 0u);
  }
  // New multi-decoder: command 4 anywhere refuses the call before any channel decodes.
  {
    auto param = std::make_unique<tMultiDecNewParam>();
    param->s32ChannelNum = 3;
    for (int i = 0; i < 3; ++i) param->atDecParam[i] = block_for(s);
    void* h = nullptr;
    ASSERT_EQ(ImgMultiDecNewOpen_c(&h, param.get(), mem()), 0u);
    auto in = std::make_unique<tMultiDecNewInput>();
    auto out = std::make_unique<tMultiDecNewOutput>();
    std::vector<uint8_t> composite(size_t(s.width) * s.height * 3 / 2 * 3);
    out->pu8Composite = composite.data();
    for (int i = 0; i < 3; ++i) {
      in->au32Command[i] = PF_MULTIDEC_NEW_CMD_DECODE;
      in->atInput[i].pu8Data = s.units[0].data();
      in->atInput[i].u32Length = uint32_t(s.units[0].size());
    }
    in->au32Command[2] = 4;
    std::memset(out.get(), 0x5A, offsetof(tMultiDecNewOutput, pu8Composite));
    EXPECT_EQ(ImgMultiDecNewProcess_c(h, in.get(), out.get()),
              ERR_IMG_MULTIDEC_NEW_PROCESS_INPUT_POINTER);
    EXPECT_EQ(out->au32Result[0], 0x5A5A5A5Au) << "a channel ran before the refusal";
    in->au32Command[2] = 0;
    EXPECT_EQ(ImgMultiDecNewProcess_c(h, in.get(), out.get()),
              ERR_IMG_MULTIDEC_NEW_PROCESS_INPUT_POINTER);
    in->au32Command[2] = PF_MULTIDEC_NEW_CMD_SKIP;
    out->pu8Composite = nullptr;
    EXPECT_EQ(ImgMultiDecNewProcess_c(h, in.get(), out.get()),
              ERR_IMG_MULTIDEC_NEW_PROCESS_INPUT_BUFFER);
    out->pu8Composite = composite.data();
    in->atInput[1].pu8Data = nullptr;
    EXPECT_EQ(ImgMultiDecNewProcess_c(h, in.get(), out.get()),
              ERR_IMG_MULTIDEC_NEW_PROCESS_DECPROCESS);
    EXPECT_EQ(out->au32Result[0], 0u);
    EXPECT_EQ(out->au32Result[1], ERR_IMG_MULTIDEC_NEW_PROCESS_INPUT_POINTER_YUV);
    EXPECT_EQ(ImgMultiDecNewClose_c(h), 0u);
  }
}

// ---- Generic facts of both modules ----

pft::ModuleCase multidec_case() {
  pft::ModuleCase m;
  m.name = "multidec";
  m.family = pft::Family::kCodecs;
  m.entry = PF_ENTRY_POINTS_WITH(ImgMultiDec, ImageMultiDecDebug_c, ImgMultiDecGetMemSize_c);
  m.table = &tImageMultiDecFunc;
  m.id = 19;
  pft::set_names(m, pas8ImgMultiDecAnalyzeErrorCode, 0xC5400001, 0xC5400001, 0xC5400016,
                 0xC5400014);
  // GetVersion is the codec unit library's: no tag of ours to check.
  tMultiDecParam valid{};
  valid.s32ChannelNum = 3;
  for (int i = 0; i < 3; ++i)
    valid.atDecParam[i] = block_for(VIDEOUNIT_CODEC_H264, 64 + 32 * i, 48);
  m.param = pft::record_bytes(valid);
  m.status_echoes_param = false;
  m.status_size = sizeof(tMultiDecStatus);
  // Each channel given a command from the content; the rest of the content is the access unit
  // of every channel that decodes. Results are per channel, so only the call's status counts.
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& rec = *static_cast<const tMultiDecParam*>(record);
    auto* in = pics.record<tMultiDecInput>();
    auto* out = pics.record<tMultiDecOutput>();
    const int n = std::clamp(rec.s32ChannelNum, 0, PF_MULTIDEC_MAX_CHANNELS);
    for (int i = 0; i < n; ++i) {
      const tVideoUnitDecParam& c = rec.atDecParam[i];
      in->au32Command[i] = pics.byte() % 3;
      const int64_t w = c.u32Width, rows = c.u32Height;
      out->atOutput[i].u32YPitch = static_cast<uint32_t>(w);
      out->atOutput[i].u32UVPitch = static_cast<uint32_t>((w + 1) / 2);
      out->atOutput[i].pu8Y = pics.plane(w, rows, w);
      out->atOutput[i].pu8U = pics.plane((w + 1) / 2, (rows + 1) / 2, (w + 1) / 2);
      out->atOutput[i].pu8V = pics.plane((w + 1) / 2, (rows + 1) / 2, (w + 1) / 2);
    }
    const auto [unit, length] = pics.rest();
    for (int i = 0; i < n; ++i) {
      in->atInput[i].pu8Data = unit;
      in->atInput[i].u32Length = static_cast<uint32_t>(length);
    }
    // A unit a channel cannot decode is that channel's result; the call reports it in general.
    const uint32_t status = e.Process(h, in, out);
    return status == ERR_IMG_MULTIDEC_PROCESS_DECPROCESS ? 0u : status;
  };
  uint32_t size = 1576 + 3 * 6144;
  for (int i = 0; i < 3; ++i) {
    uint32_t channel = 0;
    VideoUnitDecoderGetMemSize(&valid.atDecParam[i], &channel);
    size += channel;
  }
  m.mem_size = size;
  pft::set_null_codes(
      m, {0xC5400001, 0xC540000A, 0xC540000B, 0xC540000C, 0xC5400004, 0xC5400011, 0xC5400006});
  m.open_failures = {0xC5400002, 0xC5400002};
  using P = tMultiDecParam;
  m.rows = {
      PF_REFUSED(P, "no channel", 0xC5400010, p.s32ChannelNum = 0),
      PF_REFUSED(P, "65 channels", 0xC5400010, p.s32ChannelNum = 65),
      PF_REFUSED(P, "negative count", 0xC5400010, p.s32ChannelNum = -1),
      {"third channel's codec unknown", pft::edit<P>([](P& r) { r.atDecParam[2].u32Codec = 9; }),
       0xC5400003, 0xC5400005, true},
      {"second channel's width odd", pft::edit<P>([](P& r) { r.atDecParam[1].u32Width = 63; }),
       0xC5400003, 0xC5400005, true},
  };
  return m;
}
PF_MODULE_CASE(multidec_case);

pft::ModuleCase multidec_new_case() {
  pft::ModuleCase m;
  m.name = "multidec_new";
  m.family = pft::Family::kCodecs;
  m.entry =
      PF_ENTRY_POINTS_WITH(ImgMultiDecNew, ImageMultiDecNewDebug_c, ImgMultiDecNewGetMemSize_c);
  m.table = &tImageMultiDecNewFunc;
  m.id = 22;
  pft::set_names(m, pas8ImgMultiDecNewAnalyzeErrorCode, 0xC6000001, 0xC6000001, 0xC6000017,
                 0xC6000016);
  pft::set_version(m, "pelforge_v300.multidec_new.002", 0xC600000E, 0, 0xC600000F);
  tMultiDecNewParam valid{};
  valid.s32ChannelNum = 2;
  valid.atDecParam[0] = block_for(VIDEOUNIT_CODEC_HEVC, 64, 48);
  valid.atDecParam[1] = block_for(VIDEOUNIT_CODEC_MPEG2, 32, 16);
  m.param = pft::record_bytes(valid);
  m.status_echoes_param = false;
  m.status_size = sizeof(tMultiDecNewStatus);
  // The composite is as large as every channel's picture together, which is what GetMemSize
  // counts for it; commands and the access unit come from the content.
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& rec = *static_cast<const tMultiDecNewParam*>(record);
    auto* in = pics.record<tMultiDecNewInput>();
    auto* out = pics.record<tMultiDecNewOutput>();
    const int n = std::clamp(rec.s32ChannelNum, 0, PF_MULTIDEC_NEW_MAX_CHANNELS);
    int64_t luma = 0;
    for (int i = 0; i < n; ++i) {
      luma += int64_t{rec.atDecParam[i].u32Width} * rec.atDecParam[i].u32Height;
      in->au32Command[i] = 1 + pics.byte() % 3;
    }
    out->pu8Composite = pics.buffer(luma * 3 / 2);
    const auto [unit, length] = pics.rest();
    for (int i = 0; i < n; ++i) {
      in->atInput[i].pu8Data = unit;
      in->atInput[i].u32Length = static_cast<uint32_t>(length);
    }
    return e.Process(h, in, out);
  };
  m.mem_size = 10784 + 2 * 6144 + (64 * 48 + 32 * 16) * 3 / 2;
  pft::set_null_codes(
      m, {0xC6000001, 0xC600000B, 0xC600000C, 0xC600000D, 0xC6000004, 0xC6000012, 0xC6000006});
  m.open_failures = {0xC6000002, 0xC6000002, 0xC6000015};
  using P = tMultiDecNewParam;
  m.rows = {
      PF_REFUSED(P, "no channel", 0xC6000011, p.s32ChannelNum = 0),
      PF_REFUSED(P, "97 channels", 0xC6000011, p.s32ChannelNum = 97),
      PF_REFUSED(P, "odd width", 0xC6000010, p.atDecParam[1].u32Width = 31),
      PF_REFUSED(P, "height 0", 0xC6000010, p.atDecParam[0].u32Height = 0),
      PF_REFUSED(P, "width 4098", 0xC6000010, p.atDecParam[0].u32Width = 4098),
      {"second channel's codec unknown", pft::edit<P>([](P& r) { r.atDecParam[1].u32Codec = 0; }),
       0xC6000003, 0xC6000005, true},
  };
  return m;
}
PF_MODULE_CASE(multidec_new_case);

}  // namespace
