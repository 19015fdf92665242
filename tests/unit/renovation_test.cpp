// SPDX-License-Identifier: BSD-2-Clause
// The renovation module: solid colours and both bar sets in planar and packed pictures against
// the colour table, the test card's fixed parts sample by sample and a checksum of the whole
// card in both storages, Process's picture checks, and the module's codes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "composition_helpers.hpp"
#include "guarded.hpp"
#include "img_renovation.h"
#include "module_cases.hpp"
#include "rng.hpp"
#include "vmem_fixture.hpp"

namespace {

using P = tRenovationParam;

using pft::Yuv;

// Colours as the pattern generator must produce them (worked by hand from the conversion): the
// eight bars of the first set, then of the second.
constexpr Yuv kBars[16] = {{254, 129, 129}, {225, 1, 149}, {29, 255, 108},  {149, 44, 21},
                           {38, 107, 192},  {76, 85, 255}, {105, 213, 236}, {0, 128, 128},
                           {254, 129, 129}, {216, 6, 155}, {164, 180, 12},  {127, 57, 38},
                           {127, 200, 219}, {90, 77, 245}, {38, 251, 102},  {0, 128, 128}};

class Renovation : public pft::VmemTest {
 protected:
  // One picture of the pattern in a guarded picture with odd pitches; the guards must hold.
  pft::GuardedPicture generate(const P& p, uint32_t seed = 1) {
    pft::Rng rng(seed);
    pft::GuardedPicture picture(p.u32YuvType, uint32_t(p.s32Width), uint32_t(p.s32Height), rng,
                                p.u32PatternType == PF_RENOVATION_TESTCARD ? 0 : 11);
    void* h = nullptr;
    EXPECT_EQ(ImgRenovationOpen_c(&h, &p, mem()), 0u);
    const tImgPicture record = picture.record();
    int context = 0;
    EXPECT_EQ(ImgRenovationProcess_c(h, const_cast<tImgPicture*>(&record), &context), 0u);
    EXPECT_EQ(ImgRenovationClose_c(h), 0u);
    EXPECT_EQ(picture.check_guards(), "");
    return picture;
  }
};

// Every sample of every picture: the bar (or the one colour) its column lies in.
TEST_F(Renovation, SolidColoursAndBarsFillEverySample) {
  struct Row {
    uint32_t pattern;
    int width, height;
    uint32_t r, g, b;
  };
  const Row rows[] = {
      {PF_RENOVATION_BARS, 720, 8, 0, 0, 0},       {PF_RENOVATION_BARS2, 720, 6, 0, 0, 0},
      {PF_RENOVATION_BARS, 48, 4, 0, 0, 0},        {PF_RENOVATION_BARS2, 176, 2, 0, 0, 0},
      {PF_RENOVATION_SOLID, 30, 6, 255, 255, 255}, {PF_RENOVATION_SOLID, 2, 2, 0, 0, 255},
  };
  for (const Row& row : rows) {
    for (uint32_t type : {PF_YUV_420, PF_YUV_UYVY}) {
      for (uint32_t interlace : {1u, 2u}) {
        const P p{row.pattern, row.width, row.height, type, interlace, row.r, row.g, row.b, 0};
        SCOPED_TRACE(testing::Message()
                     << "pattern " << row.pattern << " width " << row.width << " type " << type);
        pft::GuardedPicture picture = generate(p);
        auto colour = [&](int x) -> Yuv {
          if (row.pattern == PF_RENOVATION_SOLID) {
            return row.b == 255 && row.r == 0 ? Yuv{29, 255, 108} : Yuv{254, 129, 129};
          }
          return kBars[(row.pattern == PF_RENOVATION_BARS2 ? 8 : 0) + x / (row.width / 8)];
        };
        auto& planes = picture.planes();
        for (uint32_t y = 0; y < uint32_t(row.height); ++y) {
          for (uint32_t x = 0; x < uint32_t(row.width); ++x) {
            const Yuv c = colour(int(x));
            if (type == PF_YUV_UYVY) {
              const uint32_t pair = x & ~1u;
              ASSERT_EQ(planes[0].at(2 * x + 1, y), c.y) << x << "," << y;
              ASSERT_EQ(planes[0].at(2 * pair, y), c.u) << x << "," << y;
              ASSERT_EQ(planes[0].at(2 * pair + 2, y), c.v) << x << "," << y;
            } else {
              ASSERT_EQ(planes[0].at(x, y), c.y) << x << "," << y;
              ASSERT_EQ(planes[1].at(x / 2, y / 2), c.u) << x << "," << y;
              ASSERT_EQ(planes[2].at(x / 2, y / 2), c.v) << x << "," << y;
            }
          }
        }
      }
    }
  }
}

// FNV-1a over the three planes.
uint64_t checksum(const pft::GuardedPicture& picture) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (const auto& plane : picture.planes()) {
    for (uint32_t y = 0; y < plane.rows(); ++y) {
      for (uint32_t x = 0; x < plane.width(); ++x) h = (h ^ plane.at(x, y)) * 0x100000001b3ull;
    }
  }
  return h;
}

// The card's frame, rulers and grid are fixed; the circle's rim darkens the luma. In field
// storage frame row r is stored at r / 2 of its field, the second field from row 288.
TEST_F(Renovation, TestCardSamples) {
  struct Sample {
    int x, y;
    Yuv c;
  };
  const Yuv black{16, 128, 128}, white{235, 128, 128}, field{16, 240, 240}, grey{128, 128, 128};
  const Sample samples[] = {
      {0, 0, black},     {4, 0, white},    {19, 11, white},   {20, 0, black},    {60, 0, white},
      {99, 11, white},   {100, 4, black},  {620, 0, white},   {660, 0, black},   {704, 0, white},
      {716, 0, black},   {8, 48, white},   {8, 84, black},    {8, 480, white},   {4, 556, white},
      {30, 556, black},  {60, 570, white}, {704, 570, white}, {716, 570, black}, {704, 120, white},
      {719, 120, black}, {30, 24, field},  {20, 30, white},   {60, 30, white},   {30, 48, white},
      {30, 51, white},   {30, 52, field},  {700, 40, white},  {110, 540, field}, {690, 540, field},
      {360, 288, grey}};
  for (uint32_t interlace : {1u, 2u}) {
    const P p{PF_RENOVATION_TESTCARD, 720, 576, PF_YUV_420, interlace, 0, 0, 0, 0};
    pft::GuardedPicture card = generate(p);
    auto stored = [&](int y) { return uint32_t(interlace == 1 ? y : y / 2 + (y % 2) * 288); };
    for (const Sample& s : samples) {
      SCOPED_TRACE(testing::Message() << "interlace " << interlace << " at " << s.x << "," << s.y);
      EXPECT_EQ(card.planes()[0].at(uint32_t(s.x), stored(s.y)), s.c.y);
      // Chroma at the sample's own chroma row: these samples lie in blocks 4 rows high or more.
      const uint32_t crow =
          interlace == 1 ? uint32_t(s.y / 2) : uint32_t(s.y / 4 + (s.y % 2) * 144);
      EXPECT_EQ(card.planes()[1].at(uint32_t(s.x / 2), crow), s.c.u);
      EXPECT_EQ(card.planes()[2].at(uint32_t(s.x / 2), crow), s.c.v);
    }
    // Inside the circle's square but outside its rim the luma is dark; at the rim the ring.
    EXPECT_EQ(card.planes()[0].at(125, stored(53)), 16);
    EXPECT_EQ(card.planes()[0].at(121, stored(288)), 235);
    EXPECT_EQ(card.planes()[0].at(120, stored(288)), 16);  // dx^2 - 240^2 = 0 > -120
  }
  // A regression anywhere in the card shows here. A change to these values needs a reason.
  EXPECT_EQ(checksum(generate({1, 720, 576, PF_YUV_420, 1, 0, 0, 0, 0})), 13065441654532934889ull);
  EXPECT_EQ(checksum(generate({1, 720, 576, PF_YUV_420, 2, 0, 0, 0, 0})), 538505818839294463ull);
}

TEST_F(Renovation, ProcessChecksThePicture) {
  const P p{PF_RENOVATION_SOLID, 8, 4, PF_YUV_420, 1, 10, 20, 30, 0};
  void* h = nullptr;
  ASSERT_EQ(ImgRenovationOpen_c(&h, &p, mem()), 0u);
  std::vector<uint8_t> buffer(12 * 4 * 3 / 2 + 16, 0x77);
  int context = 0;
  struct Row {
    tImgPicture pic;
    uint32_t code;
  };
  uint8_t* b = buffer.data();
  const Row rows[] = {
      {{nullptr, b, b, 8, 4, 0, 0}, ERR_IMG_RENOVATION_PROCESS_INPUT_BUFF},
      {{b, nullptr, nullptr, 7, 4, 0, 0}, ERR_IMG_RENOVATION_PROCESS_SRC_STRIDE},
      {{b, b + 48, b + 60, 12, 3, 0, 0}, ERR_IMG_RENOVATION_PROCESS_DST_STRIDE},
  };
  for (const Row& row : rows) {
    tImgPicture pic = row.pic;
    EXPECT_EQ(ImgRenovationProcess_c(h, &pic, &context), row.code);
  }
  // Without chroma pointers the planes follow the luma in one buffer, pitch halved.
  tImgPicture pic{b, b + 5, nullptr, 12, 99, 0, 0};
  ASSERT_EQ(ImgRenovationProcess_c(h, &pic, &context), 0u);
  const uint8_t y = b[0], u = b[48], v = b[60];
  for (int row = 0; row < 4; ++row) {
    for (int x = 0; x < 12; ++x) EXPECT_EQ(b[row * 12 + x], x < 8 ? y : 0x77);
  }
  EXPECT_EQ(b[48 + 6 + 3], u);
  EXPECT_EQ(b[48 + 6 + 4], 0x77);
  EXPECT_EQ(b[60 + 6 + 3], v);
  EXPECT_EQ(buffer[72], 0x77);
  EXPECT_EQ(ImgRenovationClose_c(h), 0u);
}

// ---------------------------------------------------------------- the module's codes

pft::ModuleCase renovation_case() {
  pft::ModuleCase m;
  m.name = "renovation";
  m.family = pft::Family::kOverlay;
  m.entry = TImgRenovationFuncs;
  m.table = &TImgRenovationFuncs;
  m.id = 27;
  pft::set_names(m, pas8RenovationAnalyzeErrorCode, ERR_IMG_RENOVATION_OPEN_INPUT_HANDLE,
                 ERR_IMG_RENOVATION_OPEN_INPUT_HANDLE, ERR_IMG_RENOVATION_END,
                 ERR_IMG_RENOVATION_ANDTF_ANALYZECODE_HANDLE);
  pft::set_version(m, "pelforge_v300.imgrenovation.002", ERR_IMG_RENOVATION_GETVERSION_INPUT_BUFFER,
                   0, ERR_IMG_RENOVATION_GETVERSION_BUFFERLEN);
  m.param = pft::record_bytes(P{PF_RENOVATION_BARS, 32, 8, PF_YUV_420, 1, 1, 2, 3, 77});
  m.mem_size = 104;
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const P*>(record);
    tImgPicture pic{};
    if ((pics.byte() & 1) != 0) {
      pic = pics.picture_record(p.u32YuvType, p.s32Width, p.s32Height);
    } else {  // chroma after the luma, derived by the module
      pic.u32YPitch = static_cast<uint32_t>(p.s32Width);
      pic.pu8Y = pics.picture(p.u32YuvType, p.s32Width, p.s32Height);
    }
    int context = 0;
    return e.Process(h, &pic, &context);
  };
  PF_NULL_CODES_BY_PREFIX(m, ERR_IMG_RENOVATION);
  m.open_failures = {ERR_IMG_RENOVATION_OPEN_MALLOC, ERR_IMG_RENOVATION_OPEN_MALLOC_FAST_SCRATCH};
  m.dma_failure = ERR_IMG_RENOVATION_OPEN_GET_DMA_HANDLE;
  // The checks in their order: each row also breaks a field checked later.
  m.rows = {
      PF_REFUSED(P, "width 0", ERR_IMG_RENOVATION_WIDTH, p.s32Width = 0, p.s32Height = 0),
      PF_REFUSED(P, "width odd", ERR_IMG_RENOVATION_WIDTH, p.s32Width = 33),
      PF_REFUSED(P, "width 12290", ERR_IMG_RENOVATION_WIDTH, p.s32Width = 12290),
      PF_REFUSED(P, "height 12289", ERR_IMG_RENOVATION_HEIGHT, p.s32Height = 12289,
                 p.u32PatternType = 0),
      PF_REFUSED(P, "pattern 5", ERR_IMG_RENOVATION_PATTERNTYPE, p.u32PatternType = 5,
                 p.u32YuvType = 4201),
      PF_REFUSED(P, "YUV type 4201", ERR_IMG_RENOVATION_SRCTYPE, p.u32YuvType = 4201,
                 p.u32Interlace = 3),
      PF_REFUSED(P, "interlace 0", ERR_IMG_RENOVATION_INTERLACE, p.u32Interlace = 0, p.u32R = 256),
      PF_REFUSED(P, "blue 256", ERR_IMG_RENOVATION_RGBVALUE, p.u32B = 256),
      // Found once the instance exists, which is given back at once.
      PF_REFUSED_LATE(P, "card 704x576", ERR_IMG_RENOVATION_WIDTH_HEIGHT_GLOBOSITY,
                      p.u32PatternType = 1, p.s32Width = 704),
      PF_REFUSED_LATE(P, "card packed", ERR_IMG_RENOVATION_WIDTH_HEIGHT_GLOBOSITY,
                      p.u32PatternType = 1, p.s32Width = 720, p.s32Height = 576,
                      p.u32YuvType = 422),
      PF_REFUSED_LATE(P, "bars 728 wide", ERR_IMG_RENOVATION_WIDTH, p.s32Width = 728),
      PF_REFUSED_LATE(P, "second bars 40 wide", ERR_IMG_RENOVATION_WIDTH, p.u32PatternType = 4,
                      p.s32Width = 40),
  };
  return m;
}
PF_MODULE_CASE(renovation_case);

}  // namespace
