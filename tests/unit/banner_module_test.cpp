// SPDX-License-Identifier: BSD-2-Clause
// The banner module and the plain rectangle fill: rectangles on random pictures of every storage
// against a model written from the rules (which rows of a field-separated plane hold which frame
// rows, which bytes of a packed pair are chroma), the worked examples, and the module's codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "composition_helpers.hpp"
#include "guarded.hpp"
#include "img_banner.h"
#include "module_cases.hpp"
#include "rng.hpp"
#include "vmem_fixture.hpp"

namespace {

using P = tBannerParam;

struct Rect {
  int top, left, width, height;
};

// Where the rectangle lands in the picture: shrunk by the whole ratio of a larger reference,
// kept inside the right and bottom edges, every value made even.
Rect placed(const P& p) {
  const int sy = p.s32RefHeight > p.s32BgHeight ? p.s32RefHeight / p.s32BgHeight : 1;
  const int sx = p.s32RefWidth > p.s32BgWidth ? p.s32RefWidth / p.s32BgWidth : 1;
  const int top = p.s32Top / sy, left = p.s32Left / sx;
  const int height = std::min(p.s32Height / sy, p.s32BgHeight - top);
  const int width = std::min(p.s32Width / sx, p.s32BgWidth - left);
  return {top & ~1, left & ~1, width & ~1, height & ~1};
}

// Paints rectangle r (in picture pixels, inside the picture) into copies of a picture's planes,
// sample by sample: which stored rows of a field-separated plane hold which frame rows, which
// bytes of a packed pair are chroma, which chroma rows and columns the rectangle covers.
void paint_model(std::vector<pft::GuardedPlane>& planes, uint32_t yuv, bool field, Rect r,
                 pft::Yuv c, int opacity) {
  if (opacity == 0 || r.width <= 0 || r.height <= 0) return;
  auto paint = [&](pft::GuardedPlane& plane, int x, int s, int colour) {
    uint8_t& b = plane.at(uint32_t(x), uint32_t(s));
    b = uint8_t(opacity == 255 ? colour : (b * (255 - opacity) + colour * opacity) >> 8);
  };
  auto in = [](int v, int first, int count) { return v >= first && v < first + count; };
  const bool packed = yuv == PF_YUV_UYVY || yuv == PF_YUV_YUYV, uyvy = yuv == PF_YUV_UYVY;
  const int rows = int(planes[0].rows());
  for (int s = 0; s < rows; ++s) {
    if (!in(pft::display_row(s, rows, field), r.top, r.height)) continue;
    if (!packed) {
      for (int x = r.left; x < r.left + r.width; ++x) paint(planes[0], x, s, c.y);
      continue;
    }
    for (int j = 2 * r.left; j < 2 * (r.left + r.width); ++j) {
      const int role = j % 4;  // UYVY: U Y V Y; YUYV: Y U Y V
      const bool luma = (role % 2 == 1) == uyvy, u = role == (uyvy ? 0 : 1);
      paint(planes[0], j, s, luma ? c.y : u ? c.u : c.v);
    }
  }
  if (packed) return;
  const bool half = yuv != PF_YUV_422P;
  const int crows = half ? rows / 2 : rows;
  for (int s = 0; s < crows; ++s) {
    if (!in(pft::display_row(s, crows, field), half ? r.top / 2 : r.top,
            half ? r.height / 2 : r.height)) {
      continue;
    }
    for (int x = r.left / 2; x < r.left / 2 + r.width / 2; ++x) {
      if (yuv == PF_YUV_NV12) {
        paint(planes[1], 2 * x, s, c.u), paint(planes[1], 2 * x + 1, s, c.v);
      } else {
        paint(planes[1], x, s, c.u), paint(planes[2], x, s, c.v);
      }
    }
  }
}

// Applies the banner to copies of the picture's planes.
void expect_banner(const P& p, std::vector<pft::GuardedPlane>& planes) {
  paint_model(planes, p.u32BgYuvType, p.u32ImageType == PF_IMAGE_FIELD, placed(p),
              pft::rgb_to_yuv(p.u8R, p.u8G, p.u8B), p.u8Opacity);
}

P random_param(pft::Rng& rng) {
  static const uint32_t kTypes[] = {PF_YUV_420, PF_YUV_NV12, PF_YUV_UYVY, PF_YUV_YUYV};
  P p{};
  p.s32BgWidth = rng.range(2, 70);
  p.s32BgHeight = rng.range(2, 40);
  p.u32BgYuvType = kTypes[rng.below(4)];
  p.u32ImageType = static_cast<uint32_t>(rng.range(1, 3));
  // References smaller, equal and up to four times larger than the picture.
  p.s32RefWidth = rng.chance(50) ? p.s32BgWidth : rng.range(1, 4 * p.s32BgWidth);
  p.s32RefHeight = rng.chance(50) ? p.s32BgHeight : rng.range(1, 4 * p.s32BgHeight);
  p.s32Top = rng.range(0, p.s32BgHeight - 1);
  p.s32Left = rng.range(0, p.s32BgWidth - 1);
  p.s32Width = rng.range(1, 2 * p.s32RefWidth);
  p.s32Height = rng.range(1, 2 * p.s32RefHeight);
  p.u8R = rng.byte(), p.u8G = rng.byte(), p.u8B = rng.byte();
  const uint32_t o = rng.below(4);
  p.u8Opacity = o == 0 ? 255 : o == 1 ? 0 : rng.byte();
  return p;
}

testing::Message describe(const P& p) {
  return testing::Message() << "picture " << p.s32BgWidth << "x" << p.s32BgHeight << " type "
                            << p.u32BgYuvType << "/" << p.u32ImageType << " rect " << p.s32Left
                            << "," << p.s32Top << " " << p.s32Width << "x" << p.s32Height << " ref "
                            << p.s32RefWidth << "x" << p.s32RefHeight << " opacity "
                            << int(p.u8Opacity);
}

class Banner : public pft::VmemTest {};

// Random pictures with odd pitches and guard bands: every byte inside the placed rectangle is
// filled or blended, every other byte (and every guard) is left as it was, whether the rectangle
// came with Open or replaced another through SetParam (storage, opacity and kernel included).
TEST_F(Banner, RectanglesMatchTheModelInEveryStorage) {
  pft::Rng rng(20261206);
  int context = 0;
  for (int i = 0; i < 600; ++i) {
    const P p = random_param(rng);
    SCOPED_TRACE(describe(p));
    // Half the cases reach their rectangle through SetParam from another one.
    const P first = rng.chance(50) ? random_param(rng) : p;
    void* h = nullptr;
    ASSERT_EQ(ImgBannerOpen_c(&h, &first, mem()), 0u);
    ASSERT_EQ(ImgBannerSetParam_c(h, &p), 0u);
    pft::GuardedPicture picture(p.u32BgYuvType, static_cast<uint32_t>(p.s32BgWidth),
                                static_cast<uint32_t>(p.s32BgHeight), rng, 9);
    std::vector<pft::GuardedPlane> expected = picture.planes();
    expect_banner(p, expected);
    const tImgPicture record = picture.record();
    ASSERT_EQ(ImgBannerProcessPrivate_c(h, &record, &context), 0u);
    EXPECT_EQ(picture.check_guards(), "");
    for (size_t k = 0; k < expected.size(); ++k) {
      ASSERT_TRUE(picture.planes()[k].raw() == expected[k].raw()) << "plane " << k;
    }
    EXPECT_EQ(ImgBannerClose_c(h), 0u);
  }
}

// Process takes one buffer with the planes packed after one another; a rectangle reaching the
// bottom-right corner touches nothing past the picture.
TEST_F(Banner, ProcessFindsThePlanesInOneBuffer) {
  pft::Rng rng(7);
  for (uint32_t type : {PF_YUV_420, PF_YUV_NV12, PF_YUV_UYVY, PF_YUV_YUYV}) {
    SCOPED_TRACE(type);
    P p{30, 20, 10, 6, 36, 30, 250, 10, 60, 77, 36, 30, PF_IMAGE_FRAME, 0, type};
    const size_t luma = 36 * 30;
    const size_t bytes = type == PF_YUV_420 || type == PF_YUV_NV12 ? luma * 3 / 2 : 2 * luma;
    std::vector<uint8_t> buffer(bytes + 64);
    for (auto& b : buffer) b = rng.byte();
    pft::GuardedPicture model(type, 36, 30, rng);
    // The model's planes hold the same bytes the buffer holds in its planes.
    size_t at = 0;
    for (auto& plane : model.planes()) {
      for (uint32_t y = 0; y < plane.rows(); ++y) {
        for (uint32_t x = 0; x < plane.width(); ++x) plane.at(x, y) = buffer[at++];
      }
    }
    auto expected = model.planes();
    expect_banner(p, expected);
    const std::vector<uint8_t> before = buffer;
    void* h = nullptr;
    ASSERT_EQ(ImgBannerOpen_c(&h, &p, mem()), 0u);
    uint8_t* planes[3] = {buffer.data(), nullptr, nullptr};
    int context = 0;
    ASSERT_EQ(ImgBannerProcess_c(h, planes, &context), 0u);
    at = 0;
    for (auto& plane : expected) {
      for (uint32_t y = 0; y < plane.rows(); ++y) {
        for (uint32_t x = 0; x < plane.width(); ++x) ASSERT_EQ(buffer[at++], plane.at(x, y));
      }
    }
    EXPECT_TRUE(std::equal(buffer.begin() + static_cast<ptrdiff_t>(bytes), buffer.end(),
                           before.begin() + static_cast<ptrdiff_t>(bytes)));
    EXPECT_EQ(ImgBannerClose_c(h), 0u);
  }
}

TEST_F(Banner, WorkedExamples) {
  struct Row {
    const char* what;
    P param;
    Rect rect;        // placed, in picture pixels
    pft::Yuv colour;  // converted
  };
  const Row rows[] = {
      {"clipped at the right edge",
       {100, 20, 100, 650, 720, 576, 0, 0, 0, 255, 720, 576, 1, 0, 420},
       {100, 650, 70, 20},
       {0, 128, 128}},
      {"given for twice the size",
       {200, 100, 300, 400, 1440, 1152, 255, 255, 255, 255, 720, 576, 1, 0, 420},
       {150, 200, 100, 50},
       {254, 129, 129}},
      {"never enlarged",
       {100, 50, 30, 40, 352, 288, 255, 0, 0, 255, 720, 576, 2, 0, 422},
       {30, 40, 100, 50},
       {76, 85, 255}},
      {"odd values made even",
       {9, 7, 5, 3, 64, 32, 0, 0, 255, 255, 64, 32, 1, 0, 42012},
       {4, 2, 8, 6},
       {29, 255, 108}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    void* h = nullptr;
    ASSERT_EQ(ImgBannerOpen_c(&h, &row.param, mem()), 0u);
    const auto& inst = *static_cast<const tBannerInstance*>(h);
    EXPECT_EQ(
        (std::array{inst.s32DrawTop, inst.s32DrawLeft, inst.s32DrawWidth, inst.s32DrawHeight}),
        (std::array{row.rect.top, row.rect.left, row.rect.width, row.rect.height}));
    EXPECT_EQ((pft::Yuv{inst.u8Y, inst.u8U, inst.u8V}), row.colour);
    EXPECT_EQ(ImgBannerClose_c(h), 0u);
  }
  // Opacity 128 over luma 0 with a colour of luma 200: (0 x 127 + 200 x 128) >> 8 = 100.
  P p{2, 2, 0, 0, 2, 2, 0, 0, 0, 128, 2, 2, PF_IMAGE_FRAME, 0, PF_YUV_UYVY};
  p.u8R = p.u8G = p.u8B = 201;  // converts to luma 200
  void* h = nullptr;
  ASSERT_EQ(ImgBannerOpen_c(&h, &p, mem()), 0u);
  ASSERT_EQ(static_cast<const tBannerInstance*>(h)->u8Y, 200);
  uint8_t pixels[8] = {};
  uint8_t* planes[1] = {pixels};
  int context = 0;
  ASSERT_EQ(ImgBannerProcess_c(h, planes, &context), 0u);
  EXPECT_EQ(pixels[1], 100);
  EXPECT_EQ(ImgBannerClose_c(h), 0u);
}

TEST_F(Banner, ProcessRefusesPlanesItCannotReach) {
  const P p{4, 4, 0, 0, 8, 8, 1, 2, 3, 255, 8, 8, PF_IMAGE_FRAME, 0, PF_YUV_420};
  void* h = nullptr;
  ASSERT_EQ(ImgBannerOpen_c(&h, &p, mem()), 0u);
  uint8_t y[64] = {}, u[16] = {}, v[16] = {};
  int context = 0;
  struct Row {
    tImgPicture pic;
    uint32_t code;
  };
  const Row rows[] = {
      {{nullptr, u, v, 8, 4, 0, 0}, ERR_IMG_BANNER_DATA_POINTER},
      {{y, nullptr, v, 8, 4, 0, 0}, ERR_IMG_BANNER_DATA_POINTER},
      {{y, u, nullptr, 8, 4, 0, 0}, ERR_IMG_BANNER_DATA_POINTER},
      {{y, u, v, 7, 4, 0, 0}, ERR_IMG_BANNER_DATA_POINTER},
      {{y, u, v, 8, 3, 0, 0}, ERR_IMG_BANNER_DATA_POINTER},
      {{y, u, v, 8, 4, 0, 0}, 0},
  };
  for (const Row& row : rows) EXPECT_EQ(ImgBannerProcessPrivate_c(h, &row.pic, &context), row.code);
  EXPECT_EQ(ImgBannerProcessPrivate_c(h, nullptr, &context),
            ERR_IMG_BANNER_PROCESS_PRIVATE_POINTER);
  EXPECT_EQ(ImgBannerProcessPrivate_c(h, &rows[5].pic, nullptr),
            ERR_IMG_BANNER_PROCESS_PRIVATE_POINTER);
  uint8_t* none[1] = {nullptr};
  EXPECT_EQ(ImgBannerProcess_c(h, none, &context), ERR_IMG_BANNER_DATA_POINTER);
  EXPECT_EQ(ImgBannerClose_c(h), 0u);
}

// ---------------------------------------------------------------- ImgDrawBanner

// Rectangles anywhere, also hanging over any edge, on planar 4:2:0, planar 4:2:2 and other
// pictures in frame and field-separated storage: luma and chroma of the clipped rectangle take
// the colour, nothing else changes.
TEST(DrawBanner, FillsTheClippedRectangle) {
  pft::Rng rng(99);
  for (int i = 0; i < 400; ++i) {
    static const uint32_t kTypes[] = {PF_YUV_420, PF_YUV_422P, PF_YUV_NV12};
    const uint32_t type = kTypes[rng.below(3)];
    const int w = rng.range(2, 50), h = rng.range(2, 40);
    tDrawBannerRect rect{rng.range(-10, 60), rng.range(-10, 50), rng.range(-20, 45),
                         rng.range(-20, 55), rng.byte(),         rng.byte(),
                         rng.byte()};
    const uint32_t image = rng.chance(50) ? PF_IMAGE_FRAME : 2 + rng.below(2);
    pft::GuardedPicture picture(type, static_cast<uint32_t>(w), static_cast<uint32_t>(h), rng, 7);
    const tImgPicture record = picture.record();
    const tDrawBannerPicture target{record.pu8Y,
                                    record.pu8U,
                                    record.pu8V,
                                    w,
                                    h,
                                    static_cast<int32_t>(record.u32YPitch),
                                    static_cast<int32_t>(record.u32UVPitch),
                                    image,
                                    type};
    SCOPED_TRACE(testing::Message()
                 << w << "x" << h << " type " << type << "/" << image << " rect " << rect.s32Left
                 << "," << rect.s32Top << " " << rect.s32Width << "x" << rect.s32Height);
    // The rectangle clipped to the picture, opaque; NV12 chroma is left alone.
    auto expected = picture.planes();
    const int left = std::max(rect.s32Left, 0), top = std::max(rect.s32Top, 0);
    const int right = std::min(rect.s32Left + rect.s32Width, w);
    const int bottom = std::min(rect.s32Top + rect.s32Height, h);
    paint_model(expected, type, image != PF_IMAGE_FRAME, {top, left, right - left, bottom - top},
                pft::rgb_to_yuv(rect.u8R, rect.u8G, rect.u8B), 255);
    if (type == PF_YUV_NV12) expected[1] = picture.planes()[1];
    ASSERT_EQ(ImgDrawBanner(nullptr, &rect, &target), 0u);
    EXPECT_EQ(picture.check_guards(), "");
    for (size_t k = 0; k < expected.size(); ++k) {
      ASSERT_TRUE(picture.planes()[k].raw() == expected[k].raw()) << "plane " << k;
    }
  }
}

TEST(DrawBanner, RefusesRecordsItCannotUse) {
  uint8_t y[64] = {}, u[32] = {}, v[32] = {};
  const tDrawBannerRect rect{8, 8, 0, 0, 255, 255, 255};
  struct Row {
    tDrawBannerPicture pic;
    uint32_t code;
  };
  const Row rows[] = {
      {{nullptr, u, v, 8, 8, 8, 4, 1, PF_YUV_420}, ERR_IMG_BANNER_DATA_POINTER},
      {{y, nullptr, v, 8, 8, 8, 4, 1, PF_YUV_420}, ERR_IMG_BANNER_DATA_POINTER},
      {{y, u, v, 8, 8, 7, 4, 1, PF_YUV_420}, ERR_IMG_BANNER_DATA_POINTER},
      {{y, u, v, 8, 8, 8, 3, 1, PF_YUV_422P}, ERR_IMG_BANNER_DATA_POINTER},
      {{y, nullptr, nullptr, 8, 8, 8, 0, 1, PF_YUV_NV12}, 0},
  };
  for (const Row& row : rows) EXPECT_EQ(ImgDrawBanner_c(nullptr, &rect, &row.pic), row.code);
  EXPECT_EQ(std::count(std::begin(u), std::end(u), 0), 32);
  EXPECT_EQ(ImgDrawBanner_c(nullptr, nullptr, &rows[0].pic),
            ERR_IMG_BANNER_PROCESS_PRIVATE_POINTER);
  EXPECT_EQ(ImgDrawBanner_c(nullptr, &rect, nullptr), ERR_IMG_BANNER_PROCESS_PRIVATE_POINTER);
}

// ---------------------------------------------------------------- the module's codes

pft::ModuleCase banner_case() {
  pft::ModuleCase m;
  m.name = "banner";
  m.family = pft::Family::kOverlay;
  m.entry = tBannerFuncs;
  m.table = &tBannerFuncs;
  m.id = 9;
  pft::set_names(m, pas8BannerAnalyzeErrorCode, ERR_IMG_BANNER_OPEN_POINTER,
                 ERR_IMG_BANNER_OPEN_POINTER, ERR_IMG_BANNER_END,
                 ERR_IMG_BANNER_ANALYZE_ERROR_CODE_HANDLE);
  pft::set_version(m, "pelforge_v300.Banner.006", ERR_IMG_BANNER_VER_POINTER, 0,
                   ERR_IMG_BANNER_BUFFERLEN);
  m.param = pft::record_bytes(P{40, 20, 4, 6, 64, 32, 10, 200, 30, 180, 64, 32, 1, 0, 420});
  m.mem_size = 112;
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const P*>(record);
    uint8_t* planes[1] = {pics.picture(p.u32BgYuvType, p.s32BgWidth, p.s32BgHeight)};
    int context = 0;
    return e.Process(h, planes, &context);
  };
  pft::set_null_codes(
      m, {ERR_IMG_BANNER_OPEN_POINTER, ERR_IMG_BANNER_CLOSE_HANDLE, ERR_IMG_BANNER_CLOSE_MEMHANDLE,
          ERR_IMG_BANNER_FREE_MEMORY, ERR_IMG_BANNER_SETPARAM_POINTER,
          ERR_IMG_BANNER_STATUS_INPUT_POINTER, ERR_IMG_BANNER_PROCESS_POINTER});
  m.open_failures = {ERR_IMG_BANNER_MALLOC_MEMORY, ERR_IMG_BANNER_MALLOC_FAST_SCRATCH};
  m.dma_failure = ERR_IMG_BANNER_GET_DMA_HANDLE;
  // The checks in their order: each row also breaks a field checked later.
  m.rows = {
      PF_REFUSED2(P, "picture width 0", ERR_IMG_BANNER_BG_WIDTH, ERR_IMG_BANNER_BG_WIDTH,
                  p.s32BgWidth = 0, p.s32BgHeight = 0),
      PF_REFUSED2(P, "picture height -1", ERR_IMG_BANNER_BG_HEIGHT, ERR_IMG_BANNER_BG_HEIGHT,
                  p.s32BgHeight = -1, p.u32BgYuvType = 0),
      PF_REFUSED2(P, "YUV type 4221", ERR_IMG_BANNER_YUVTYPE, ERR_IMG_BANNER_YUVTYPE,
                  p.u32BgYuvType = 4221, p.u32ImageType = 0),
      PF_REFUSED2(P, "image type 4", ERR_IMG_BANNER_IMAGETYPE, ERR_IMG_BANNER_IMAGETYPE,
                  p.u32ImageType = 4, p.s32Width = 0),
      PF_REFUSED2(P, "width 0", ERR_IMG_BANNER_FG_WIDTH_HEIGHT, ERR_IMG_BANNER_FG_WIDTH_HEIGHT,
                  p.s32Width = 0, p.s32RefHeight = 0),
      PF_REFUSED2(P, "height 0", ERR_IMG_BANNER_FG_WIDTH_HEIGHT, ERR_IMG_BANNER_FG_WIDTH_HEIGHT,
                  p.s32Height = 0),
      PF_REFUSED2(P, "reference height 0", ERR_IMG_BANNER_FG_REFHEIGHT, ERR_IMG_BANNER_FG_REFHEIGHT,
                  p.s32RefHeight = 0, p.s32RefWidth = 0),
      PF_REFUSED2(P, "reference width 0", ERR_IMG_BANNER_FG_REFWIDTH, ERR_IMG_BANNER_FG_REFWIDTH,
                  p.s32RefWidth = 0, p.s32Top = -1),
      PF_REFUSED2(P, "top -1", ERR_IMG_BANNER_FG_TOP, ERR_IMG_BANNER_FG_TOP, p.s32Top = -1,
                  p.s32Left = -1),
      // Compared before scaling: in a reference twice the size it would land at row 16.
      PF_REFUSED2(P, "top at the height", ERR_IMG_BANNER_FG_TOP, ERR_IMG_BANNER_FG_TOP,
                  p.s32Top = 32, p.s32RefHeight = 64),
      PF_REFUSED2(P, "left -1", ERR_IMG_BANNER_FG_LEFT, ERR_IMG_BANNER_FG_LEFT, p.s32Left = -1),
      PF_REFUSED2(P, "left at the width", ERR_IMG_BANNER_FG_LEFT, ERR_IMG_BANNER_FG_LEFT,
                  p.s32Left = 64),
  };
  return m;
}
PF_MODULE_CASE(banner_case);

}  // namespace
