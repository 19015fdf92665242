// SPDX-License-Identifier: BSD-2-Clause
// The logo module: validation order and kernel choice, the blend rule's corner values, adaptive
// colour with its hysteresis over a frame sequence, the scroll shift of field logos, and a
// bitmap turned into a logo and laid over a picture.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "composition_helpers.hpp"
#include "img_bmptoyuv_alpha.h"
#include "img_logo.h"
#include "module_cases.hpp"
#include "vmem_fixture.hpp"

namespace {

using Bytes = std::vector<uint8_t>;

// A 420 frame logo of w x h on a 64 x 32 background of the same reference size.
struct Fixture {
  Bytes logo, alpha;
  tLogoParam p{};
  Fixture(int w, int h, uint8_t value, uint8_t a, uint32_t yuv = PF_YUV_420) {
    const bool packed = yuv == PF_YUV_UYVY || yuv == PF_YUV_YUYV;
    logo.assign(size_t(packed ? 2 * w * h : w * h * 3 / 2), value);
    alpha.assign(size_t(packed ? 2 * w * h : w * h * 5 / 4), a);
    p.pu8FgData = logo.data();
    p.pu8FgAlpha = alpha.data();
    p.s32FgWidth = w, p.s32FgHeight = h;
    p.u32FgYuvType = p.u32BgYuvType = yuv;
    p.s32FgRefWidth = p.s32BgWidth = 64;
    p.s32FgRefHeight = p.s32BgHeight = 32;
    p.u32ImageType = PF_IMAGE_FRAME;
  }
};

tLogoParam valid_param() {
  static Fixture f(16, 8, 200, 0);
  return f.p;
}

pft::ModuleCase logo_case() {
  using pft::edit;
  pft::ModuleCase m;
  m.name = "logo";
  m.family = pft::Family::kOverlay;
  m.entry = PF_ENTRY_POINTS(ImgLogo);
  m.table = &tLogoFuncs;
  m.id = 8;
  // The names run up to the end marker, which has one too.
  pft::set_names(m, pas8ImgLogoAnalyzeErrorCode, ERR_IMG_LOGO_OPEN_POINTER,
                 ERR_IMG_LOGO_OPEN_POINTER, ERR_IMG_LOGO_END,
                 ERR_IMG_LOGO_ANALYZE_ERROR_CODE_HANDLE);
  pft::set_version(m, "pelforge_v300.logo.012", ERR_IMG_LOGO_VER_POINTER, 0,
                   ERR_IMG_LOGO_BUFFERLEN);
  m.param = pft::record_bytes(valid_param());
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const tLogoParam*>(record);
    const int64_t w = p.s32BgWidth, rows = p.s32BgHeight;
    uint8_t* planes[3] = {};
    if (p.u32BgYuvType == PF_YUV_UYVY || p.u32BgYuvType == PF_YUV_YUYV) {
      planes[0] = pics.plane(2 * w, rows, 2 * w);
    } else if (p.u32BgYuvType == PF_YUV_NV12) {
      planes[0] = pics.plane(w, rows, w);
      planes[1] = pics.plane(w, rows / 2, w);
    } else {
      planes[0] = pics.plane(w, rows, w);
      planes[1] = pics.plane(w / 2, rows / 2, w / 2);
      planes[2] = pics.plane(w / 2, rows / 2, w / 2);
    }
    int context = 0;
    return e.Process(h, planes, &context);
  };
  // The logo, its alpha and the character widths of a text logo, as long as the record says.
  m.bind = [](void* record, pft::Pictures& pics) {
    auto& p = *static_cast<tLogoParam*>(record);
    const int64_t w = p.s32FgWidth, rows = p.s32FgHeight;
    const bool packed = p.u32FgYuvType == PF_YUV_UYVY || p.u32FgYuvType == PF_YUV_YUYV;
    if (w < 0 || rows < 0 || w > 4096 || rows > 4096) throw pft::TooLarge{};
    p.pu8FgData = pics.buffer(packed ? 2 * w * rows : w * rows * 3 / 2);
    p.pu8FgAlpha = pics.buffer(packed ? 2 * w * rows : w * rows * 5 / 4);
    p.pu8FgSpare = nullptr;
    const int64_t lines = p.s32LineHeight > 0 ? rows / p.s32LineHeight + 1 : 1;
    p.pu8CharWidth = pics.char_widths(p.s32CharNum, lines, w);
  };
  m.mem_size = PF_LOGO_MEM_SIZE;
  pft::set_null_codes(
      m, {ERR_IMG_LOGO_OPEN_POINTER, ERR_IMG_LOGO_CLOSE_HANDLE, ERR_IMG_LOGO_CLOSE_MEMHANDLE,
          ERR_IMG_LOGO_FREE_MEMORY, ERR_IMG_LOGO_SETPARAM_POINTER,
          ERR_IMG_LOGO_STATUS_INPUT_POINTER, ERR_IMG_LOGO_PROCESS_POINTER});
  m.open_failures = {ERR_IMG_LOGO_MALLOC_MEMORY, ERR_IMG_LOGO_MALLOC_FAST_SCRATCH,
                     ERR_IMG_LOGO_MALLOC_FONTCOLOR};
  m.dma_failure = ERR_IMG_LOGO_GET_DMA_HANDLE;
  // Each row breaks one field (and leaves the earlier ones valid): the first failing check wins.
  m.rows = {
      PF_REFUSED(tLogoParam, "no logo data", ERR_IMG_LOGO_DATA, p.pu8FgData = nullptr),
      PF_REFUSED(tLogoParam, "no alpha, bad type too", ERR_IMG_LOGO_DATA, p.pu8FgAlpha = nullptr,
                 p.u32FgYuvType = 422),
      PF_REFUSED(tLogoParam, "logo and background types differ", ERR_IMG_LOGO_YUV_TYPE,
                 p.u32FgYuvType = 42012),
      PF_REFUSED(tLogoParam, "width not a multiple of 8", ERR_IMG_LOGO_BG_WIDTH, p.s32BgWidth = 60,
                 p.s32BgHeight = 0),
      PF_REFUSED(tLogoParam, "height 0", ERR_IMG_LOGO_BG_HEIGHT, p.s32BgHeight = 0),
      PF_REFUSED(tLogoParam, "reference width 4", ERR_IMG_LOGO_FG_REFWIDTH, p.s32FgRefWidth = 4),
      PF_REFUSED(tLogoParam, "reference height 30", ERR_IMG_LOGO_FG_REFHEIGHT,
                 p.s32FgRefHeight = 30),
      PF_REFUSED(tLogoParam, "type 4202", ERR_IMG_LOGO_FORMAT_UNSUPPORT,
                 p.u32FgYuvType = p.u32BgYuvType = 4202),
      PF_REFUSED(tLogoParam, "YUYV field", ERR_IMG_LOGO_FORMAT_UNSUPPORT,
                 p.u32FgYuvType = p.u32BgYuvType = PF_YUV_YUYV, p.u32ImageType = PF_IMAGE_FIELD),
      {"UYVY field at another size", edit<tLogoParam>([](tLogoParam& p) {
         p.u32FgYuvType = p.u32BgYuvType = PF_YUV_UYVY, p.u32ImageType = PF_IMAGE_FIELD;
         p.s32FgRefWidth = 720;
       }),
       ERR_IMG_LOGO_WIDTH_UNMATCHED},
      PF_REFUSED(tLogoParam, "adaptive YUYV", ERR_IMG_LOGO_FORMAT_UNSUPPORT,
                 p.u32FgYuvType = p.u32BgYuvType = PF_YUV_YUYV, p.u32AdaptiveColor = 1),
      PF_REFUSED(tLogoParam, "adaptive at 3:1", ERR_IMG_LOGO_WIDTH_UNMATCHED,
                 p.u32AdaptiveColor = 1, p.s32FgRefWidth = 192),
      PF_REFUSED(tLogoParam, "odd logo width", ERR_IMG_LOGO_FG_WIDTH, p.s32FgWidth = 15,
                 p.s32FgTop = -2),
      PF_REFUSED(tLogoParam, "logo height 0", ERR_IMG_LOGO_FG_HEIGHT, p.s32FgHeight = 0),
      PF_REFUSED(tLogoParam, "top below the picture", ERR_IMG_LOGO_FG_TOP, p.s32FgTop = 34,
                 p.s32FgLeft = -2),
      PF_REFUSED(tLogoParam, "left past the picture", ERR_IMG_LOGO_FG_LEFT, p.s32FgLeft = 66,
                 p.s32FgTop = 3),
      PF_REFUSED(tLogoParam, "odd top", ERR_IMG_LOGO_FG_TOP, p.s32FgTop = 3, p.s32FgLeft = 3),
      PF_REFUSED(tLogoParam, "odd left", ERR_IMG_LOGO_FG_LEFT, p.s32FgLeft = 3, p.s32TopCut = -2),
      PF_REFUSED(tLogoParam, "negative top cut", ERR_IMG_LOGO_FG_V_CUTLINE, p.s32TopCut = -2,
                 p.s32LeftCut = -1),
      PF_REFUSED(tLogoParam, "cuts taller than the logo", ERR_IMG_LOGO_FG_V_CUTLINE,
                 p.s32TopCut = 4, p.s32BottomCut = 6),
      PF_REFUSED(tLogoParam, "odd bottom cut", ERR_IMG_LOGO_FG_V_CUTLINE, p.s32BottomCut = 1),
      PF_REFUSED(tLogoParam, "cuts wider than the logo", ERR_IMG_LOGO_FG_H_CUTLINE,
                 p.s32LeftCut = 9, p.s32RightCut = 8),
      PF_REFUSED(tLogoParam, "negative right cut", ERR_IMG_LOGO_FG_H_CUTLINE, p.s32RightCut = -1),
      PF_REFUSED(tLogoParam, "text without widths", ERR_IMG_LOGO_DATA, p.u32AdaptiveColor = 1,
                 p.s32LineHeight = 4),
  };
  return m;
}
PF_MODULE_CASE(logo_case);

// Kernel choice of the adaptive logos and of the sizes between the tables' rows.
TEST(LogoChoice, AdaptiveAndScaledLogosFindTheirKernels) {
  static uint8_t widths[] = {8, 0};
  struct Row {
    uint32_t yuv, type;
    int ref_w, ref_h, bg_w, bg_h;
    uint32_t adaptive;
    tLogoKernel* kernel;
  };
  const Row rows[] = {
      {PF_YUV_420, PF_IMAGE_FRAME, 720, 576, 352, 288, 0, &AddBilinearLogo420Frame},
      {PF_YUV_420, PF_IMAGE_FRAME, 720, 576, 352, 288, 1, &AddQuarterLogo420FrameAdaptiveColor},
      {PF_YUV_420, PF_IMAGE_FRAME, 704, 576, 352, 288, 0, &AddQuarterLogo420Frame},
      {PF_YUV_420, PF_IMAGE_FIELD, 704, 576, 352, 576, 1, &AddHalfHoriLogo420FieldAdaptiveColor},
      {PF_YUV_NV12, PF_IMAGE_FIELD, 704, 576, 352, 576, 1, &AddHalfHoriLogoNV12FieldAdaptiveColor},
      {PF_YUV_NV12, PF_IMAGE_FRAME, 704, 576, 176, 144, 1, &AddSixteenthLogoNV12Frame},
      {PF_YUV_420, PF_IMAGE_INTERLACED, 704, 576, 176, 144, 1, &AddSixteenthLogo420Frame},
      {PF_YUV_NV12, PF_IMAGE_FRAME, 704, 576, 352, 288, 1, &AddQuarterLogoNV12FrameAdaptiveColor},
      {PF_YUV_UYVY, PF_IMAGE_FIELD, 64, 32, 64, 32, 1, &AddLogo422FieldAdaptiveColor},
      {PF_YUV_UYVY, PF_IMAGE_FRAME, 64, 32, 64, 32, 1, &AddLogo422FrameAdaptiveColor},
      {PF_YUV_NV12, PF_IMAGE_FIELD, 64, 32, 64, 32, 1, &AddLogoNV12FieldAdaptiveColor},
      {PF_YUV_NV12, PF_IMAGE_FRAME, 64, 32, 64, 32, 1, &AddLogoNV12FrameAdaptiveColor},
      {PF_YUV_420, PF_IMAGE_FIELD, 64, 32, 64, 32, 1, &AddLogo420FieldAdaptiveColor},
      {PF_YUV_420, PF_IMAGE_FRAME, 64, 32, 64, 32, 1, &AddLogo420FrameAdaptiveColor},
      {PF_YUV_YUYV, PF_IMAGE_FRAME, 64, 32, 48, 32, 0, &AddLogo422Frame_sclae},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message()
                 << r.yuv << " " << r.type << " " << r.ref_w << "x" << r.ref_h << " on " << r.bg_w
                 << "x" << r.bg_h << " adaptive " << r.adaptive);
    tLogoParam p = valid_param();
    p.u32FgYuvType = p.u32BgYuvType = r.yuv;
    p.u32ImageType = r.type;
    p.s32FgRefWidth = r.ref_w, p.s32FgRefHeight = r.ref_h;
    p.s32BgWidth = r.bg_w, p.s32BgHeight = r.bg_h;
    p.u32AdaptiveColor = r.adaptive;
    p.s32LineHeight = 8, p.pu8CharWidth = widths;
    tLogoKernel chosen = nullptr;
    ASSERT_EQ(CheckLogoParam(&p, &chosen), 0u);
    EXPECT_EQ(chosen, *r.kernel);
  }
}

class Logo : public pft::VmemTest {
 protected:
  // Draws `f` once on a background of `bg` and returns the picture (420: Y, U, V in one buffer).
  Bytes draw(const tLogoParam& p, uint8_t bg) {
    Bytes pic(size_t(p.s32BgWidth * p.s32BgHeight * 2), bg);
    void* h = nullptr;
    EXPECT_EQ(ImgLogoOpen_c(&h, &p, mem()), 0u);
    run(h, p, pic);
    EXPECT_EQ(ImgLogoClose_c(h), 0u);
    return pic;
  }
  static void run(void* h, const tLogoParam& p, Bytes& pic) {
    const size_t luma = size_t(p.s32BgWidth * p.s32BgHeight);
    uint8_t* planes[3] = {pic.data(), pic.data() + luma, pic.data() + luma * 5 / 4};
    int context = 0;
    EXPECT_EQ(ImgLogoProcess_c(h, planes, &context), 0u);
  }
};

// Alpha 0 gives 255/256 of the logo, alpha 255 the background, paste the logo; a visible width
// of 6 draws 4 luma and 2 chroma columns.
TEST_F(Logo, BlendCornersAndColumnRounding) {
  struct Row {
    uint8_t alpha, mode, expected;
  };
  for (const Row& r : {Row{0, 0, 199}, Row{255, 0, 10}, Row{0, 255, 200}, Row{255, 255, 200},
                       Row{128, 0, uint8_t((127 * 200 + 128 * 10) >> 8)}}) {
    Fixture f(8, 4, 200, r.alpha);
    f.p.u8BlendMode = r.mode;
    const Bytes pic = draw(f.p, 10);
    EXPECT_EQ(pic[0], r.expected) << int(r.alpha) << " " << int(r.mode);
  }
  Fixture f(8, 4, 200, 0);
  f.p.s32LeftCut = 2;
  f.p.s32FgLeft = 4;
  const Bytes pic = draw(f.p, 10);
  const uint8_t* row = pic.data();
  EXPECT_EQ(Bytes(row, row + 10), (Bytes{10, 10, 10, 10, 199, 199, 199, 199, 10, 10}));
  const uint8_t* u = pic.data() + 64 * 32;
  EXPECT_EQ(Bytes(u, u + 6), (Bytes{10, 10, 199, 199, 10, 10}));
  // Placed at the bottom right it is clipped to the picture.
  f.p.s32LeftCut = 0, f.p.s32FgLeft = 60, f.p.s32FgTop = 30;
  const Bytes clipped = draw(f.p, 10);
  EXPECT_EQ(clipped[30 * 64 + 59], 10);
  EXPECT_EQ(clipped[30 * 64 + 60], 199);
  EXPECT_EQ(clipped[31 * 64 + 63], 199);
  EXPECT_EQ(clipped[64 * 32 + 15 * 32 + 31], 199);  // last U sample
}

// One character over a uniform background: the first-frame rule, then the hysteresis as the
// background moves, for each layout and storage the same-size adaptive kernels cover.
TEST_F(Logo, AdaptiveColourFollowsTheBackgroundWithHysteresis) {
  struct Step {
    uint8_t bg, colour;
  };
  // first frame: <= 128 light; light stays up to 160; dark stays down to 100.
  const std::vector<std::vector<Step>> runs = {
      {{128, 240}, {160, 240}, {161, 16}, {100, 16}, {99, 240}},
      {{129, 16}, {100, 16}, {120, 16}, {99, 240}, {161, 16}},
  };
  for (const uint32_t yuv : {PF_YUV_420, PF_YUV_NV12, PF_YUV_UYVY}) {
    for (const uint32_t type : {PF_IMAGE_FRAME, PF_IMAGE_FIELD}) {
      for (const auto& steps : runs) {
        SCOPED_TRACE(testing::Message() << yuv << " type " << type << " from " << int(steps[0].bg));
        static uint8_t widths[] = {8, 0};
        Fixture f(8, 8, 77, 0, yuv);
        f.p.u32ImageType = type;
        f.p.u32AdaptiveColor = 1, f.p.s32LineHeight = 8, f.p.s32CharNum = 1;
        f.p.pu8CharWidth = widths;
        f.p.s32FgTop = 4, f.p.s32FgLeft = 8;
        void* h = nullptr;
        ASSERT_EQ(ImgLogoOpen_c(&h, &f.p, mem()), 0u);
        for (const Step& s : steps) {
          Bytes pic(64 * 32 * 2, s.bg);
          run(h, f.p, pic);
          // The sample at frame row 4, column 8: luma (packed: the odd byte of the pixel); in a
          // field picture frame row 4 is row 2 of the first field.
          const size_t row = type == PF_IMAGE_FIELD ? 2 : 4;
          const size_t at = yuv == PF_YUV_UYVY ? row * 128 + 2 * 8 + 1 : row * 64 + 8;
          EXPECT_EQ(pic[at], (255 * s.colour) >> 8) << "over " << int(s.bg);
        }
        EXPECT_EQ(ImgLogoClose_c(h), 0u);
      }
    }
  }
}

// Characters are coloured one by one: a bright left half and a dark right half under two
// characters give them opposite colours; a SetParam starts the memory afresh.
TEST_F(Logo, EachCharacterTakesItsOwnColour) {
  static uint8_t widths[] = {4, 4, 0, 8, 0};
  Fixture f(8, 8, 77, 0);
  f.p.u32AdaptiveColor = 1, f.p.s32LineHeight = 4, f.p.s32CharNum = 3;
  f.p.pu8CharWidth = widths;
  Bytes pic(64 * 32 * 2, 30);
  for (int y = 0; y < 8; ++y) std::memset(pic.data() + y * 64, 220, 4);
  void* h = nullptr;
  ASSERT_EQ(ImgLogoOpen_c(&h, &f.p, mem()), 0u);
  run(h, f.p, pic);
  EXPECT_EQ(pic[0], (255 * 16) >> 8);        // first line, first character: bright below
  EXPECT_EQ(pic[4], (255 * 240) >> 8);       // second character: dark below
  EXPECT_EQ(pic[4 * 64], (255 * 240) >> 8);  // second line, one character: mean 125
  f.p.s32CharNum = PF_LOGO_MAX_CHARS + 1;
  EXPECT_EQ(ImgLogoSetParam_c(h, &f.p), ERR_IMG_LOGO_CHAR_MAX);
  f.p.s32CharNum = 3;
  // A top cut of one line leaves the second line, which is all one character.
  f.p.s32TopCut = 4;
  ASSERT_EQ(ImgLogoSetParam_c(h, &f.p), 0u);
  Bytes dark(64 * 32 * 2, 30);
  run(h, f.p, dark);
  EXPECT_EQ(dark[0], (255 * 240) >> 8);
  EXPECT_EQ(dark[3 * 64 + 7], (255 * 240) >> 8);
  EXPECT_EQ(dark[4 * 64], 30) << "the cut logo is 4 rows high";
  EXPECT_EQ(ImgLogoClose_c(h), 0u);
}

// A field logo whose left cut grows by 4 per call: from the second call on, its second field is
// read 2 columns further into the logo; when it stops the shift is 0.
TEST_F(Logo, ScrollingFieldLogoShiftsItsSecondField) {
  Fixture f(32, 4, 0, 0);
  for (int i = 0; i < 32 * 4; ++i) f.logo[size_t(i)] = uint8_t(i % 32 * 4);  // luma by column
  f.p.u32ImageType = PF_IMAGE_FIELD;
  void* h = nullptr;
  ASSERT_EQ(ImgLogoOpen_c(&h, &f.p, mem()), 0u);
  // luma of field two (frame row 1) at picture column 0, after each call's cut.
  const int cuts[] = {0, 4, 8, 12, 12, 12};
  const int expected_column[] = {0, 4 + 2, 8 + 2, 12 + 2, 12, 12};
  for (int call = 0; call < 6; ++call) {
    f.p.s32LeftCut = cuts[call];
    ASSERT_EQ(ImgLogoSetParam_c(h, &f.p), 0u);
    Bytes pic(64 * 32 * 2, 0);
    run(h, f.p, pic);
    const uint8_t first = pic[0], second = pic[16 * 64];
    EXPECT_EQ(first, (255 * (cuts[call] * 4)) >> 8) << "call " << call;
    EXPECT_EQ(second, (255 * (expected_column[call] * 4)) >> 8) << "call " << call;
  }
  EXPECT_EQ(ImgLogoClose_c(h), 0u);
}

// Picture checks of ProcessPrivate.
TEST_F(Logo, PicturesWithoutPlanesOrWithShortPitchesAreRefused) {
  Fixture f(8, 4, 200, 0);
  void* h = nullptr;
  ASSERT_EQ(ImgLogoOpen_c(&h, &f.p, mem()), 0u);
  Bytes y(64 * 32), u(32 * 16), v(32 * 16);
  int context = 0;
  const tImgPicture good{y.data(), u.data(), v.data(), 64, 32, 0, 0};
  tImgPicture pic = good;
  EXPECT_EQ(ImgLogoProcessPrivate_c(h, &pic, &context), 0u);
  EXPECT_EQ(ImgLogoProcessPrivate_c(h, &pic, nullptr), ERR_IMG_LOGO_PROCESS_PRIVATE_POINTER);
  EXPECT_EQ(ImgLogoProcessPrivate_c(h, nullptr, &context), ERR_IMG_LOGO_PROCESS_PRIVATE_POINTER);
  pic.pu8V = nullptr;
  EXPECT_EQ(ImgLogoProcessPrivate_c(h, &pic, &context), ERR_IMG_LOGO_DATA_POINTER);
  pic = good, pic.u32YPitch = 63;
  EXPECT_EQ(ImgLogoProcessPrivate_c(h, &pic, &context), ERR_IMG_LOGO_DATA_POINTER);
  pic = good, pic.u32UVPitch = 31;
  EXPECT_EQ(ImgLogoProcessPrivate_c(h, &pic, &context), ERR_IMG_LOGO_DATA_POINTER);
  EXPECT_EQ(ImgLogoClose_c(h), 0u);
}

// A bitmap with a key colour becomes a logo: key pixels leave the picture as it was, the others
// cover it.
TEST_F(Logo, BitmapRoundTrip) {
  // An 8 x 4 24-bit bitmap: left half key (magenta), right half white.
  const int w = 8, h = 4;
  pft::Bitmap bmp;
  bmp.width = w, bmp.height = h;
  for (int i = 0; i < w * h; ++i)
    bmp.pixels.push_back(i % w < 4 ? pft::Rgb{255, 0, 255} : pft::Rgb{255, 255, 255});
  const Bytes buf = bmp.buffer();
  tBmpToYuvAlphaParam bp{PF_YUV_420, 255, 0, 255, 0};
  void* conv = nullptr;
  ASSERT_EQ(ImgBMPToYUVAlphaOpen_c(&conv, &bp, mem()), 0u);
  Bytes yuv(size_t(w * h * 3 / 2)), alpha(yuv.size()), inverse(yuv.size());
  tBmpToYuvAlphaData data{buf.data(), yuv.data(), inverse.data(), alpha.data()};
  tBmpToYuvAlphaInfo info{};
  ASSERT_EQ(ImgBMPToYUVAlphaProcess_c(conv, &data, &info), 0u);
  ASSERT_EQ(ImgBMPToYUVAlphaClose_c(conv), 0u);

  Fixture f(w, h, 0, 0);
  f.logo = yuv, f.alpha = alpha;
  f.p.pu8FgData = f.logo.data(), f.p.pu8FgAlpha = f.alpha.data();
  f.p.s32FgLeft = 8, f.p.s32FgTop = 2;
  const Bytes pic = draw(f.p, 40);
  for (int x = 6; x < 18; ++x) {
    const uint8_t want = x >= 12 && x < 16 ? uint8_t(254 * 255 >> 8) : 40;
    EXPECT_EQ(pic[size_t(3 * 64 + x)], want) << x;
  }
}

}  // namespace
