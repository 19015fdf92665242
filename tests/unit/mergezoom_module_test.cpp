// SPDX-License-Identifier: BSD-2-Clause
// Merge with zoom: the module for the generic tests; the style tables' own consistency; whole
// pictures over random styles, sizes, zoom styles, borders and storages against a model built
// from the layout rules with the resizer, the banner fill and the style's edges, guards round
// every plane; worked geometry examples; and the checks Process makes before drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "guarded.hpp"
#include "img_banner.h"
#include "img_merge_zoom.h"
#include "img_resizer.h"
#include "module_cases.hpp"
#include "rng.hpp"
#include "vmem_fixture.hpp"

namespace {

using pft::Bytes;
using pft::edit;
using P = tImageMergeZoomParam;
using Window = tImageMergeZoomWindow;

int count_of(int style) { return al32MergeStyle[style][1]; }

Window picture_window(uint32_t number, uint32_t w, uint32_t h, uint32_t zoom = 1,
                      uint32_t image_type = PF_IMAGE_FRAME, uint32_t yuv = PF_YUV_420) {
  Window win{};
  win.u32State = 1, win.u32ZoomStyle = zoom, win.u32WindowNum = number;
  win.u32Width = w, win.u32Height = h, win.u32ImageType = image_type, win.u32YuvType = yuv;
  return win;
}

P param(uint32_t style, uint32_t width, uint32_t height, Window* windows, int32_t max = 25) {
  P p{};
  p.s32MaxPicNum = max;
  p.u32MergeStyle = style;
  p.u32BgWidth = width, p.u32BgHeight = height;
  p.u32ImageType = PF_IMAGE_FRAME, p.u32YuvType = PF_YUV_420;
  p.u32BorderColour = 0xFFFFFF, p.u32BgColour = 0x102030;
  p.ptWindows = windows;
  return p;
}

// The valid record of the generic tests: 2x2 tiling of 128x96, four 40x30 pictures... of even
// size, border 2, lines and focus on window 3.
std::vector<Window>& case_windows() {
  static std::vector<Window> w = {picture_window(1, 40, 30, 2), picture_window(2, 64, 48, 3),
                                  picture_window(3, 16, 12, 4), picture_window(4, 80, 60, 5)};
  return w;
}

P case_param() {
  P p = param(20400, 128, 96, case_windows().data(), 4);
  p.u32BorderWidth = 2, p.u32DrawLine = 1;
  case_windows()[2].u32FocusFlag = 1;
  return p;
}

// A change that points the record at windows of its own.
std::function<void(void*)> windows_edit(std::function<void(std::vector<Window>&)> change) {
  auto windows = std::make_shared<std::vector<Window>>(case_windows());
  change(*windows);
  return [windows](void* record) { static_cast<P*>(record)->ptWindows = windows->data(); };
}

// The window count of a style code; 0 for a code that is not a style.
int style_windows(uint32_t style) {
  for (int s = 0; s < PF_MERGE_ZOOM_STYLE_COUNT; ++s) {
    if (al32MergeStyle[s][0] != 0 && uint32_t(al32MergeStyle[s][0]) == style) {
      return al32MergeStyle[s][1];
    }
  }
  return 0;
}

pft::ModuleCase mergezoom_case() {
  pft::ModuleCase m;
  m.name = "mergezoom";
  m.entry = PF_ENTRY_POINTS(ImgMergeZoom);
  m.table = &tImageMergeZoomFunc;
  m.id = 21;
  pft::set_names(m, pas8ImageMergeZoomSelfAnalyzeErrorCode, ERR_IMG_MERGE_ZOOM_OPEN_INPUT_POINTER,
                 ERR_IMG_MERGE_ZOOM_OPEN_INPUT_POINTER, ERR_IMG_MERGE_ZOOM_END,
                 ERR_IMG_MERGE_ZOOM_ANALYZE_ERROR_CODE_HANDLE);
  m.delegates = true;
  pft::set_version(m, "pelforge_v300.mergezoom.013", ERR_IMG_MERGE_ZOOM_VERSION_INPUT_POINTER, 0,
                   ERR_IMG_MERGE_ZOOM_VERSION_LEN);
  m.param = pft::record_bytes(case_param());
  // GetStatus fills the windows only through the caller's own pointer.
  m.status_echoes_param = false;
  m.status_size = sizeof(P);
  m.family = pft::Family::kComposition;
  // The output and every picture window's input as large as the records say, each either in one
  // buffer (null chroma pointers) or in planes of their own.
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const P*>(record);
    const auto place = [&](uint32_t yuv, int64_t w, int64_t rows) {
      if ((pics.byte() & 1) != 0) return pics.picture_record(yuv, w, rows);
      tImgPicture one{};
      one.pu8Y = pics.picture(yuv, w, rows);
      one.u32YPitch = static_cast<uint32_t>(w);
      return one;
    };
    tImgPicture out = place(p.u32YuvType, p.u32BgWidth, p.u32BgHeight);
    // A style without windows still takes an array (never null).
    const size_t count = size_t(style_windows(p.u32MergeStyle));
    std::vector<tImgPicture> in(std::max<size_t>(count, 1));
    for (size_t i = 0; i < count; ++i) {
      const Window& w = p.ptWindows[i];
      if ((w.u32State & 0xFF) != PF_MERGE_ZOOM_STATE_EMPTY) {
        in[i] = place(w.u32YuvType, w.u32Width, w.u32Height);
      }
    }
    return e.Process(h, &out, in.data());
  };
  // Window records of the style's count exactly (so that reading one more faults), valid ones of
  // small sizes with a field or two changed now and then.
  m.bind = [](void* record, pft::Pictures& pics) {
    auto& p = *static_cast<P*>(record);
    const int count = style_windows(p.u32MergeStyle);
    auto* windows = reinterpret_cast<Window*>(pics.buffer(int64_t(sizeof(Window)) * count));
    for (int i = 0; i < count; ++i) {
      const uint32_t image = uint32_t(1 + pics.byte() % 3);
      windows[i] = picture_window(uint32_t(i + 1), 2u * (1 + pics.byte() % 64),
                                  4u * (1 + pics.byte() % 32), uint32_t(1 + pics.byte() % 5), image,
                                  (pics.byte() & 1) != 0 ? PF_YUV_422P : PF_YUV_420);
      const uint8_t change = pics.byte();
      if ((change & 7) == 0) {
        auto* words = reinterpret_cast<uint32_t*>(&windows[i]);
        words[change / 8 % (sizeof(Window) / 4)] = pics.byte();
      }
    }
    p.ptWindows = count == 0 && (pics.byte() & 1) != 0 ? nullptr : windows;
  };
  pft::set_null_codes(
      m, {ERR_IMG_MERGE_ZOOM_OPEN_INPUT_POINTER, ERR_IMG_MERGE_ZOOM_CLOSE_INPUT_POINTER,
          ERR_IMG_MERGE_ZOOM_CLOSE_MEMHANDLE_POINTER, ERR_IMG_MERGE_ZOOM_CLOSE_FREE,
          ERR_IMG_MERGE_ZOOM_SETPARAM_INPUT_POINTER, ERR_IMG_MERGE_ZOOM_STATUS_INPUT_POINTER,
          ERR_IMG_MERGE_ZOOM_PROCESS_INPUT_POINTER});
  // The instance, its scratch, the window states, the resizer records, the lines, then the
  // resizer's instance and scratch.
  m.open_failures = {ERR_IMG_MERGE_ZOOM_OPEN_MALLOC,
                     ERR_IMG_MERGE_ZOOM_OPEN_MALLOC_FAST_SCRATCH,
                     ERR_IMG_MERGE_ZOOM_OPEN_MALLOC_FG_INFORMATION,
                     ERR_IMG_MERGE_ZOOM_OPEN_MALLOC,
                     ERR_IMG_MERGE_ZOOM_OPEN_MALLOC,
                     ERR_IMG_RESIZER_SELF_HANDLE_MEM_MALLOC,
                     ERR_IMG_RESIZER_FAST_SCRATCH_MEM_MALLOC};
  m.dma_failure = ERR_IMG_MERGE_ZOOM_OPEN_GET_DMA_HANDLE;
  m.rows = {
      PF_REFUSED2(P, "maximum pictures 65 before a bad style", ERR_IMG_MERGE_ZOOM_CHECK_BG_MAXFGNUM,
                  ERR_IMG_MERGE_ZOOM_SETPARAM_INPUT_MAXFGNUM, p.s32MaxPicNum = 65,
                  p.u32MergeStyle = 1),
      PF_REFUSED(P, "maximum pictures -1", ERR_IMG_MERGE_ZOOM_CHECK_BG_MAXFGNUM,
                 p.s32MaxPicNum = -1),
      PF_REFUSED(P, "style 20401 + 1", ERR_IMG_MERGE_ZOOM_CHECK_BG_MERGE_STYLE,
                 p.u32MergeStyle = 20403),
      PF_REFUSED(P, "style 0 (an unused entry)", ERR_IMG_MERGE_ZOOM_CHECK_BG_MERGE_STYLE,
                 p.u32MergeStyle = 0),
      PF_REFUSED(P, "six windows for at most four before a bad image type",
                 ERR_IMG_MERGE_ZOOM_CHECK_BG_STYLE_MAP_FGNUM, p.u32MergeStyle = 20600,
                 p.u32ImageType = 3),
      PF_REFUSED(P, "image type 3 before a bad size", ERR_IMG_MERGE_ZOOM_CHECK_BG_FRAMEFIELDFORMAT,
                 p.u32ImageType = 3, p.u32BgWidth = 63),
      PF_REFUSED(P, "width 62", ERR_IMG_MERGE_ZOOM_CHECK_BG_PICSIZE, p.u32BgWidth = 62),
      PF_REFUSED(P, "width odd", ERR_IMG_MERGE_ZOOM_CHECK_BG_PICSIZE, p.u32BgWidth = 129),
      PF_REFUSED(P, "width beyond the largest", ERR_IMG_MERGE_ZOOM_CHECK_BG_PICSIZE,
                 p.u32BgWidth = 16386),
      PF_REFUSED(P, "field storage of 98 lines before a bad YUV type",
                 ERR_IMG_MERGE_ZOOM_CHECK_BG_PICSIZE, p.u32ImageType = 2, p.u32BgHeight = 98,
                 p.u32YuvType = 422),
      PF_REFUSED(P, "UYVY background", ERR_IMG_MERGE_ZOOM_CHECK_BG_YUVTYPE,
                 p.u32YuvType = PF_YUV_UYVY),
      PF_REFUSED(P, "border width odd", ERR_IMG_MERGE_ZOOM_CHECK_BG_BOUNDARYWIDTH,
                 p.u32BorderWidth = 3),
      // The smallest window is 48 lines high: 4 b must stay below 48.
      PF_REFUSED(P, "border width 12", ERR_IMG_MERGE_ZOOM_CHECK_BG_BOUNDARYWIDTH,
                 p.u32BorderWidth = 12),
      PF_REFUSED(P, "no window records", ERR_IMG_MERGE_ZOOM_CHECK_BG_INPUT, p.ptWindows = nullptr),
      {"zoom style 6 before a bad aspect",
       windows_edit([](auto& w) { w[1].u32ZoomStyle = 6, w[1].u32AspectWidth = 5; }),
       ERR_IMG_MERGE_ZOOM_CHECK_FG_ZOOM_STYLE},
      {"aspect 5:4 before a bad number", windows_edit([](auto& w) {
         w[2].u32AspectWidth = 5, w[2].u32AspectHeight = 4, w[2].u32WindowNum = 9;
       }),
       ERR_IMG_MERGE_ZOOM_CHECK_FG_ZOOM_SCALE},
      {"window number 5 before a bad image type",
       windows_edit([](auto& w) { w[3].u32WindowNum = 5, w[3].u32ImageType = 0; }),
       ERR_IMG_MERGE_ZOOM_CHECK_FG_POSITION},
      {"image type 4 before a bad size",
       windows_edit([](auto& w) { w[0].u32ImageType = 4, w[0].u32Width = 3; }),
       ERR_IMG_MERGE_ZOOM_CHECK_FG_FRAMEFILEDFORMAT},
      {"field picture of 30 lines before a bad YUV type",
       windows_edit([](auto& w) { w[0].u32ImageType = 2, w[0].u32YuvType = 42012; }),
       ERR_IMG_MERGE_ZOOM_CHECK_FG_PICSIZE},
      {"input width 0", windows_edit([](auto& w) { w[1].u32Width = 0; }),
       ERR_IMG_MERGE_ZOOM_CHECK_FG_PICSIZE},
      {"NV12 input", windows_edit([](auto& w) { w[3].u32YuvType = PF_YUV_NV12; }),
       ERR_IMG_MERGE_ZOOM_CHECK_FG_YUVTYPE},
  };
  return m;
}
PF_MODULE_CASE(mergezoom_case);

// ------------------------------------------------------------------------------ the tables

// Tilings (2xxxx) but the four picture-in-picture ones cut the square into windows that never
// overlap, and leave gaps exactly where the background is meant to show; the others (1xxxx) are a
// full window with small ones along the bottom.
TEST(MergeZoomStyles, WindowsTileTheBackground) {
  const std::vector<int> gaps = {20200, 20300, 20301, 20304, 20305, 20306, 20401, 20402,
                                 20500, 20501, 20502, 20604, 20706, 20901, 21100, 21101,
                                 21306, 21501, 21702, 22300, 22301, 22501};
  int used = 0;
  for (int s = 0; s < PF_MERGE_ZOOM_STYLE_COUNT; ++s) {
    const int code = al32MergeStyle[s][0], n = count_of(s);
    if (code == 0) {
      EXPECT_EQ(n, 0);
      continue;
    }
    ++used;
    SCOPED_TRACE(code);
    EXPECT_EQ(n, code / 100 % 100);
    const tMergePoint* w = atMergePointstyle[s];
    for (int i = n; i < PF_MERGE_ZOOM_STYLE_WINDOWS; ++i) {
      EXPECT_EQ(w[i].u16X, PF_MERGE_ZOOM_NO_WINDOW);
    }
    if (n == 0) continue;
    const int d = w[0].u16X & 0xFF;
    std::vector<int> cover(size_t(d * d), 0);
    for (int i = 0; i < n; ++i) {
      for (uint16_t v : {w[i].u16X, w[i].u16Y, w[i].u16Width, w[i].u16Height}) {
        ASSERT_EQ(v & 0xFF, d) << "window " << i + 1;
      }
      const int x = w[i].u16X >> 8, y = w[i].u16Y >> 8;
      const int fw = w[i].u16Width >> 8, fh = w[i].u16Height >> 8;
      ASSERT_TRUE(fw > 0 && fh > 0 && x + fw <= d && y + fh <= d) << "window " << i + 1;
      for (int r = y; r < y + fh; ++r) {
        for (int c = x; c < x + fw; ++c) ++cover[size_t(r * d + c)];
      }
    }
    const int most = *std::max_element(cover.begin(), cover.end());
    const bool gap = std::count(cover.begin(), cover.end(), 0) > 0;
    if (code < 20000) {
      EXPECT_EQ(w[0].u16Width >> 8, d);
      EXPECT_EQ(w[0].u16Height >> 8, d);
    } else if (code < 20201 || code > 20204) {
      EXPECT_EQ(most, 1) << "windows overlap";
      EXPECT_EQ(gap, std::count(gaps.begin(), gaps.end(), code) == 1);
    }
  }
  EXPECT_EQ(used, 99);
}

// ------------------------------------------------------------------------------ the model

// Edge flags of the styles with a large window: top, left, bottom, right per window. Focus
// frames go round the windows with all four edges, all the way; the windows stacked in a column
// (which share their edges) get none.
const char* const kBorder[21] = {"0000 1111",
                                 "0000 1111 1111",
                                 "0000 1110 1010 1011",
                                 "0000 1111 1111 1111",
                                 "0000 1110 1010 1011 1111",
                                 "0000 1111 1111 1111 1111",
                                 "0000 1110 1010 1011 1111 1111",
                                 "0000 1111 1111 1111 1111 1111",
                                 "0000 1110 1010 1011 1110 1010 1011",
                                 "0000 1110 1010 1011 1111 1111 1111",
                                 "0000 1111 1111 1111 1111 1111 1111",
                                 "0000 1110 1010 1011 1110 1010 1011 1111",
                                 "0000 1110 1010 1011 1111 1111 1111 1111",
                                 "0000 1111 1111 1111 1111 1111 1111 1111",
                                 "0000 1110 1010 1011 1110 1010 1011 1111 1111",
                                 "0000 1110 1010 1011 1111 1111 1111 1111 1111",
                                 "0000 1111 1111 1111 1111 1111 1111 1111 1111",
                                 "0000 1110 1010 1011 1110 1010 1011 1110 1010 1011",
                                 "0000 1110 1010 1011 1111 1111 1111 1111 1111 1111",
                                 "0000 1111 1111 1111 1111 1111 1111 1111 1111 1111",
                                 "0000 1110 1010 1011 1110 1010 1011 1111 1111 1111"};
bool flag(int style, int window, int edge) {
  return style >= 21 || kBorder[style][window * 5 + edge] == '1';
}
bool focus_flag(int style, int window) {
  return style >= 21 || std::string_view(kBorder[style] + window * 5, 4) == "1111";
}

int64_t down_even(int64_t v) { return v - (v % 2 + 2) % 2; }

struct Rect {
  int32_t x, y, w, h;
};

// Where window i's picture goes: fractions to pixels, the border left on top and left (and on
// the background's right and bottom edge), field storage on whole field line pairs.
struct WindowGeometry {
  Rect area;
  bool shown;
};

WindowGeometry geometry(const P& p, int style, int i) {
  const tMergePoint& f = atMergePointstyle[style][i];
  const int64_t d = f.u16X & 0xFF, W = p.u32BgWidth, H = p.u32BgHeight;
  const int64_t b = p.u32BorderWidth & 0xFF;
  const int64_t x = f.u16X >> 8, y = f.u16Y >> 8, xr = x + (f.u16Width >> 8),
                yb = y + (f.u16Height >> 8);
  const int64_t left = down_even(W * x / d), top = down_even(H * y / d);
  const int64_t right = down_even(W * xr / d - (xr == d ? b : 0));
  const int64_t bottom = down_even(H * yb / d - (yb == d ? b : 0));
  Rect a{int32_t(left + b), int32_t(top + b), int32_t(right - left - b), int32_t(bottom - top - b)};
  const bool field = p.u32ImageType == PF_IMAGE_FIELD;
  if (field) {
    // Per field: top (y / 2 + 1) rounded down to even, bottom ((H - y - h) / 4) * 2.
    const int32_t top_f = int32_t(down_even(a.y / 2 + 1));
    const int32_t bottom_f = int32_t((H - a.y - a.h) / 4 * 2);
    a = {a.x, 2 * top_f, a.w, int32_t(H) - 2 * bottom_f - 2 * top_f};
  }
  return {a, a.w >= 2 && a.h >= (field ? 4 : 2)};
}

// The resizer record the window should get, from the zoom-style rules.
tImageResizerParam expected_record(const P& p, const Window& in, const Rect& a, uint32_t& zoom) {
  const bool field = p.u32ImageType == PF_IMAGE_FIELD;
  const int64_t W = p.u32BgWidth, H = p.u32BgHeight;
  tImageResizerParam r{};
  const int64_t ws = in.u32Width;
  int64_t sh = in.u32Height;
  // Fields are read on their own, but for a frame of 2 lines, which each field reads whole.
  if ((field && sh >= 4) || in.u32ImageType == PF_IMAGE_FIELD) sh = down_even(sh / 2);
  r.s32SrcWidth = int32_t(ws), r.s32SrcHeight = int32_t(sh);
  r.u32SrcYuvType = in.u32YuvType;
  r.u32SrcImageType = (in.u32ImageType == 3 && !field) ? 3 : 1;
  r.s32DstWidth = int32_t(W), r.s32DstHeight = int32_t(field ? H / 2 : H);
  r.u32DstYuvType = p.u32YuvType, r.u32DstImageType = 1;
  r.s32OffsetLeft = a.x, r.s32OffsetRight = int32_t(W - a.x - a.w);
  r.s32OffsetTop = field ? a.y / 2 : a.y;
  r.s32OffsetBottom = int32_t(field ? (H - a.y - a.h) / 2 : H - a.y - a.h);
  r.u32FillY = 1, r.u32FillU = 128, r.u32FillV = 128;
  const int64_t wa = a.w, ha = a.h, dh = field ? ha / 2 : ha;
  zoom = in.u32ZoomStyle;
  int64_t aw = in.u32AspectWidth, ah = in.u32AspectHeight;
  if (zoom == 5) {
    const bool fits = ws <= wa && sh <= dh;
    zoom = fits ? 4 : 2;
    if (!fits) aw = ah = 0;
  }
  if (aw == 0 || ah == 0) aw = ws, ah = in.u32Height;
  auto pair = [](int64_t each, int64_t total) {
    return int32_t(std::min(down_even(each), down_even((total - 2) / 2)));
  };
  const int64_t hf = wa * ah / aw;
  if (zoom == 2) {
    if (hf > ha) {
      r.s32FillLeft = r.s32FillRight = pair((wa - ha * aw / ah) / 2 + 1, wa);
    } else {
      r.s32FillTop = r.s32FillBottom = pair((ha - hf) / (field ? 4 : 2) + 1, dh);
    }
  } else if (zoom == 3) {
    if (hf >= ha) {
      r.s32CutTop = r.s32CutBottom = pair((hf - ha) * sh / hf / 2 + 1, sh);
    } else if (const int64_t wf = ha * aw / ah; wf > wa) {
      r.s32CutLeft = r.s32CutRight = pair((wf - wa) * ws / wf / 2 + 1, ws);
    }
  } else if (zoom == 4) {
    const int64_t dx = ws - wa, dy = sh - dh;
    (dx > 0 ? r.s32CutLeft : r.s32FillLeft) = int32_t(down_even(std::abs(dx) / 2 + 1));
    (dx > 0 ? r.s32CutRight : r.s32FillRight) = int32_t(down_even(std::abs(dx) / 2));
    (dy > 0 ? r.s32CutTop : r.s32FillTop) = int32_t(down_even(std::abs(dy) / 2 + 1));
    (dy > 0 ? r.s32CutBottom : r.s32FillBottom) = int32_t(down_even(std::abs(dy) / 2));
  }
  return r;
}

class MergeZoomPictures : public pft::VmemTest {
 protected:
  void fill(pft::GuardedPicture& out, const P& p, Rect r, uint32_t colour) {
    tImgPicture rec = out.record();
    const tDrawBannerPicture pic{rec.pu8Y,
                                 rec.pu8U,
                                 rec.pu8V,
                                 int32_t(p.u32BgWidth),
                                 int32_t(p.u32BgHeight),
                                 int32_t(rec.u32YPitch),
                                 int32_t(rec.u32UVPitch),
                                 p.u32ImageType,
                                 p.u32YuvType};
    const tDrawBannerRect rect{
        r.w, r.h, r.y, r.x, uint8_t(colour >> 16), uint8_t(colour >> 8), uint8_t(colour)};
    ASSERT_EQ(ImgDrawBanner_c(nullptr, &rect, &pic), 0u);
  }

  // The resizer run directly on the record, once per field in field storage.
  void scale(pft::GuardedPicture& out, const P& p, pft::GuardedPicture& in, const Window& w,
             const tImageResizerParam& r) {
    void* h = nullptr;
    ASSERT_EQ(ImageResizerOpen_c(&h, &r, mem()), 0u);
    tImgPicture src = in.record(), dst = out.record();
    const bool field = p.u32ImageType == PF_IMAGE_FIELD;
    for (int pass = 0; pass < (field ? 2 : 1); ++pass) {
      tImgPicture s = src, o = dst;
      if (field) {
        const size_t in_c = w.u32YuvType == PF_YUV_422P ? 2 : 4;
        const size_t out_c = p.u32YuvType == PF_YUV_422P ? 2 : 4;
        if (w.u32ImageType == PF_IMAGE_FIELD) {
          s.pu8Y += pass * size_t(s.u32YPitch) * w.u32Height / 2;
          s.pu8U += pass * size_t(s.u32UVPitch) * w.u32Height / in_c;
          s.pu8V += pass * size_t(s.u32UVPitch) * w.u32Height / in_c;
        } else if (w.u32Height >= 4) {
          s.pu8Y += pass * size_t(s.u32YPitch), s.pu8U += pass * size_t(s.u32UVPitch);
          s.pu8V += pass * size_t(s.u32UVPitch);
          s.u32YPitch *= 2, s.u32UVPitch *= 2;
        }
        o.pu8Y += pass * size_t(o.u32YPitch) * p.u32BgHeight / 2;
        o.pu8U += pass * size_t(o.u32UVPitch) * p.u32BgHeight / out_c;
        o.pu8V += pass * size_t(o.u32UVPitch) * p.u32BgHeight / out_c;
      }
      ASSERT_EQ(ImageResizerProcess_c(h, &s, &o), 0u);
    }
    ASSERT_EQ(ImageResizerClose_c(h), 0u);
  }

  // The whole expected picture: the background where no area is, then each window in number
  // order (picture or empty fill, then its focus frame), then every flagged edge as a line.
  void model(pft::GuardedPicture& out, const P& p, int style,
             std::vector<pft::GuardedPicture>& inputs) {
    const int n = count_of(style);
    const auto W = int32_t(p.u32BgWidth), H = int32_t(p.u32BgHeight);
    const int32_t b = p.u32BorderWidth & 0xFF;
    const bool lines = (p.u32DrawLine & 0xFF) == 1;
    std::vector<WindowGeometry> g;
    std::vector<int32_t> xs = {0, W}, ys = {0, H};
    for (int i = 0; i < n; ++i) {
      g.push_back(geometry(p, style, i));
      if (!g.back().shown) continue;
      const Rect& a = g.back().area;
      xs.insert(xs.end(), {a.x, a.x + a.w});
      ys.insert(ys.end(), {a.y, a.y + a.h});
    }
    for (auto* v : {&xs, &ys}) {
      std::sort(v->begin(), v->end());
      v->erase(std::unique(v->begin(), v->end()), v->end());
    }
    for (size_t r = 0; r + 1 < ys.size(); ++r) {
      for (size_t c = 0; c + 1 < xs.size(); ++c) {
        bool covered = false;
        for (const WindowGeometry& w : g) {
          covered |= w.shown && xs[c] >= w.area.x && xs[c] < w.area.x + w.area.w &&
                     ys[r] >= w.area.y && ys[r] < w.area.y + w.area.h;
        }
        if (!covered) {
          fill(out, p, {xs[c], ys[r], xs[c + 1] - xs[c], ys[r + 1] - ys[r]}, p.u32BgColour);
        }
      }
    }
    for (int number = 1; number <= n; ++number) {
      int i = 0;
      while (p.ptWindows[i].u32WindowNum != uint32_t(number)) ++i;
      const Window& w = p.ptWindows[i];
      const Rect& a = g[size_t(i)].area;
      if (!g[size_t(i)].shown) continue;
      if ((w.u32State & 0xFF) == 2) {
        if ((p.u32FillEmpty & 0xFF) == 1) fill(out, p, a, p.u32BgColour);
        continue;
      }
      uint32_t zoom = 0;
      scale(out, p, inputs[size_t(i)], w, expected_record(p, w, a, zoom));
      if (lines && (w.u32FocusFlag & 0xFF) == 1) {
        const Rect edges[4] = {{a.x, a.y, a.w, b},
                               {a.x, a.y, b, a.h},
                               {a.x, a.y + a.h - b, a.w, b},
                               {a.x + a.w - b, a.y, b, a.h}};
        for (int e : {0, 2, 1, 3}) {
          if (focus_flag(style, i)) fill(out, p, edges[e], w.u32FocusColour);
        }
      }
    }
    if (!lines) return;
    for (int i = 0; i < n; ++i) {
      const tMergePoint& f = atMergePointstyle[style][i];
      const int d = f.u16X & 0xFF;
      auto px = [&](int64_t size, int v) {
        return int32_t(down_even(size * v / d - (v == d ? b : 0)));
      };
      const int x = f.u16X >> 8, y = f.u16Y >> 8;
      const int xr = x + (f.u16Width >> 8), yb = y + (f.u16Height >> 8);
      // Vertical lines reach b further down; collinear edges need no joining for the pixels.
      const Rect edges[4] = {{px(W, x), px(H, y), px(W, xr) - px(W, x), b},
                             {px(W, x), px(H, y), b, px(H, yb) - px(H, y) + b},
                             {px(W, x), px(H, yb), px(W, xr) - px(W, x), b},
                             {px(W, xr), px(H, y), b, px(H, yb) - px(H, y) + b}};
      for (int e = 0; e < 4; ++e) {
        if (flag(style, i, e)) fill(out, p, edges[e], p.u32BorderColour);
      }
    }
  }
};

testing::Message describe(const P& p, const std::vector<Window>& w) {
  testing::Message m;
  m << "style " << p.u32MergeStyle << " " << p.u32BgWidth << "x" << p.u32BgHeight << " type "
    << p.u32ImageType << "/" << p.u32YuvType << " b " << p.u32BorderWidth << " lines "
    << p.u32DrawLine << " |";
  for (const Window& x : w) {
    m << " #" << x.u32WindowNum << (x.u32State == 2 ? " empty" : "") << " z" << x.u32ZoomStyle
      << " " << x.u32Width << "x" << x.u32Height << "/" << x.u32ImageType << "/" << x.u32YuvType
      << " " << x.u32AspectWidth << ":" << x.u32AspectHeight;
  }
  return m;
}

// Random records through Open (or SetParam on a bigger instance) and Process against the model.
TEST_F(MergeZoomPictures, RandomLayoutsMatchTheModel) {
  pft::Rng rng(2024);
  const uint32_t aspects[][2] = {{0, 0}, {4, 3}, {16, 9}, {64, 45}, {32, 27}, {8, 6}, {0, 7}};
  for (int round = 0; round < 141; ++round) {
    // The first rounds take the styles of the edge table in turn, with lines, a border and every
    // window shown and framed; then any style.
    const bool sweep = round < 21;
    const int style = sweep ? round : rng.range(0, 98);
    const int n = count_of(style);
    P p = param(uint32_t(al32MergeStyle[style][0]), 0, 0, nullptr, n + rng.range(0, 3));
    p.u32ImageType = rng.chance(30) ? PF_IMAGE_FIELD : PF_IMAGE_FRAME;
    p.u32YuvType = rng.chance(30) ? PF_YUV_422P : PF_YUV_420;
    p.u32BgWidth = uint32_t(rng.range(32, 200) * 2);
    p.u32BgHeight = uint32_t(rng.range(16, 75) * 4);
    p.u32DrawLine = sweep || rng.chance(60) ? 1 : 0x100;
    p.u32FillEmpty = rng.chance(50) ? 1 : 0;
    p.u32BorderColour = uint32_t(rng.next() & 0xFFFFFF), p.u32BgColour = uint32_t(rng.next());
    // The largest border the style takes.
    for (uint32_t b = 2 * uint32_t(sweep ? 6 : rng.range(0, 6)); b > 0; b -= 2) {
      p.u32BorderWidth = b;
      void* h = nullptr;
      Window empty{};
      empty.u32State = PF_MERGE_ZOOM_STATE_EMPTY;
      std::vector<Window> none(size_t(n), empty);
      p.ptWindows = none.data();
      if (ImgMergeZoomOpen_c(&h, &p, mem()) == 0) {
        ImgMergeZoomClose_c(h);
        break;
      }
      p.u32BorderWidth = 0;
    }
    std::vector<Window> windows;
    std::vector<pft::GuardedPicture> inputs;
    for (int i = 0; i < n; ++i) {
      const uint32_t type = uint32_t(rng.range(1, 3));
      const uint32_t rows = type == 2 ? 4 : 2;
      Window w = picture_window(uint32_t(i + 1), uint32_t(rng.range(1, 100) * 2),
                                uint32_t(rng.range(1, 40)) * rows, uint32_t(rng.range(1, 5)), type,
                                rng.chance(30) ? PF_YUV_422P : PF_YUV_420);
      const auto& a = aspects[rng.below(7)];
      w.u32AspectWidth = a[0], w.u32AspectHeight = a[1];
      if (!sweep && rng.chance(10)) w.u32State = 0x102;  // empty: only the low byte counts
      w.u32FocusFlag = sweep || rng.chance(40) ? 1 : 0;
      w.u32FocusColour = uint32_t(rng.next() & 0xFFFFFF);
      windows.push_back(w);
      inputs.emplace_back(w.u32YuvType, w.u32Width, w.u32Height, rng, 9);
    }
    // Window numbers in another order than the slots (in the sweep the large window is drawn
    // first, so that no frame is hidden under it).
    for (int i = n - 1; i > 0 && !sweep; --i) {
      std::swap(windows[size_t(i)].u32WindowNum, windows[rng.below(uint32_t(i) + 1)].u32WindowNum);
    }
    p.ptWindows = windows.data();
    SCOPED_TRACE(describe(p, windows));

    pft::GuardedPicture out(p.u32YuvType, p.u32BgWidth, p.u32BgHeight, rng, 13);
    pft::GuardedPicture expected = out;
    void* h = nullptr;
    if (rng.chance(50)) {
      ASSERT_EQ(ImgMergeZoomOpen_c(&h, &p, mem()), 0u);
    } else {
      // A bigger instance of another style, changed by SetParam.
      std::vector<Window> first(25, picture_window(1, 64, 64));
      for (int i = 0; i < 25; ++i) first[size_t(i)].u32WindowNum = uint32_t(i + 1);
      P before = param(22500, 640, 480, first.data(), PF_MERGE_ZOOM_MAX_PICTURES);
      ASSERT_EQ(ImgMergeZoomOpen_c(&h, &before, mem()), 0u);
      ASSERT_EQ(ImgMergeZoomSetParam_c(h, &p), 0u);
    }
    std::vector<tImgPicture> records;
    for (auto& in : inputs) records.push_back(in.record());
    records.emplace_back();  // a style without windows still hands Process an array
    tImgPicture o = out.record();
    ASSERT_EQ(ImgMergeZoomProcess_c(h, &o, records.data()), 0u);
    ASSERT_EQ(ImgMergeZoomClose_c(h), 0u);
    model(expected, p, style, inputs);
    ASSERT_EQ(out.check_guards(), "");
    for (size_t k = 0; k < out.planes().size(); ++k) {
      ASSERT_EQ(out.planes()[k].raw(), expected.planes()[k].raw()) << "plane " << k;
    }
  }
}

// ------------------------------------------------------------------------------ worked examples

// Four windows of 480x270 on 960x540 without border: what each zoom style makes of the same
// 720x576 (or 100x60) picture, worked by hand.
TEST_F(MergeZoomPictures, ZoomStylesWorkedByHand) {
  pft::Rng rng(7);
  pft::GuardedPicture big(PF_YUV_420, 720, 576, rng), small(PF_YUV_420, 100, 60, rng);
  std::vector<Window> w = {picture_window(1, 720, 576, 2), picture_window(2, 100, 60, 4),
                           picture_window(3, 720, 576, 3), picture_window(4, 100, 60, 5)};
  w[2].u32AspectWidth = 4, w[2].u32AspectHeight = 3;
  P p = param(20400, 960, 540, w.data(), 4);
  pft::GuardedPicture out(PF_YUV_420, 960, 540, rng);
  void* h = nullptr;
  ASSERT_EQ(ImgMergeZoomOpen_c(&h, &p, mem()), 0u);
  std::vector<tImgPicture> in = {big.record(), small.record(), big.record(), small.record()};
  tImgPicture o = out.record();
  ASSERT_EQ(ImgMergeZoomProcess_c(h, &o, in.data()), 0u);
  std::vector<Window> status(4);
  P got{};
  got.ptWindows = status.data();
  ASSERT_EQ(ImgMergeZoomGetStatus_c(h, &got), 0u);
  ASSERT_EQ(ImgMergeZoomClose_c(h), 0u);
  EXPECT_EQ(status[3].u32ZoomStyle, 4u) << "auto with a picture that fits: centred";
  EXPECT_EQ(status[0].u32ZoomStyle, 2u);
  const auto& y = out.planes()[0];
  // Fit: 480 wide gives 384 lines > 270, so bars of (480 - 270 * 720 / 576) / 2 + 1 = 72.
  for (uint32_t row : {0u, 135u, 269u}) {
    EXPECT_EQ(y.at(71, row), 1);
    EXPECT_EQ(y.at(408, row), 1);
  }
  // Centre: (480 - 100) / 2 + 1 = 191 -> 190 columns left, (270 - 60) / 2 + 1 = 106 lines above;
  // the picture's bytes unscaled.
  for (uint32_t r = 0; r < 60; ++r) {
    for (uint32_t c = 0; c < 100; ++c) {
      ASSERT_EQ(y.at(480 + 190 + c, 106 + r), small.planes()[0].at(c, r)) << c << "," << r;
    }
  }
  EXPECT_EQ(y.at(480 + 189, 106), 1);
  EXPECT_EQ(y.at(480 + 290, 106), 1);
  // Fill: 4:3 into 480 wide is 360 lines high, 90 too many: ((90 * 576 / 360) / 2 + 1) -> 72
  // lines cut at the top and the bottom of the picture, the rest scaled to the window.
  tImageResizerParam r{};
  r.s32SrcWidth = 720, r.s32SrcHeight = 576, r.u32SrcYuvType = 420, r.u32SrcImageType = 1;
  r.s32CutTop = r.s32CutBottom = 72;
  r.s32DstWidth = 480, r.s32DstHeight = 270, r.u32DstYuvType = 420, r.u32DstImageType = 1;
  pft::GuardedPicture direct(PF_YUV_420, 480, 270, rng);
  void* rh = nullptr;
  ASSERT_EQ(ImageResizerOpen_c(&rh, &r, mem()), 0u);
  tImgPicture s = big.record(), d = direct.record();
  ASSERT_EQ(ImageResizerProcess_c(rh, &s, &d), 0u);
  ASSERT_EQ(ImageResizerClose_c(rh), 0u);
  for (uint32_t row = 0; row < 270; ++row) {
    for (uint32_t c = 0; c < 480; ++c) {
      ASSERT_EQ(y.at(c, 270 + row), direct.planes()[0].at(c, row)) << c << "," << row;
    }
  }
}

// Process refuses what it cannot draw before it draws anything; a resizer refusal comes back
// with the resizer's code.
TEST_F(MergeZoomPictures, ProcessChecksBeforeDrawing) {
  pft::Rng rng(3);
  std::vector<Window> w = {picture_window(1, 40, 30), picture_window(2, 40, 30),
                           picture_window(3, 40, 30), picture_window(4, 40, 30)};
  P p = param(20400, 128, 96, w.data(), 4);
  pft::GuardedPicture pic(PF_YUV_420, 40, 30, rng), out(PF_YUV_420, 128, 96, rng);
  const pft::ByteView before = out.planes()[0].raw();
  const std::vector<uint8_t> untouched(before.begin(), before.end());
  std::vector<tImgPicture> in(4, pic.record());
  void* h = nullptr;
  ASSERT_EQ(ImgMergeZoomOpen_c(&h, &p, mem()), 0u);
  tImgPicture o = out.record();

  in[2].pu8Y = nullptr;
  EXPECT_EQ(ImgMergeZoomProcess_c(h, &o, in.data()), ERR_IMG_MERGE_ZOOM_PROCESS_INPUT_POINTER_YUV);
  in[2] = pic.record();
  tImgPicture narrow = o;
  narrow.u32YPitch = 126;
  EXPECT_EQ(ImgMergeZoomProcess_c(h, &narrow, in.data()), ERR_IMG_RESIZER_SELF_DSTSTRIDE_ILLEGAL);
  // Two records for window 2, none for window 4.
  w[3].u32WindowNum = 2;
  ASSERT_EQ(ImgMergeZoomSetParam_c(h, &p), 0u);
  EXPECT_EQ(ImgMergeZoomProcess_c(h, &o, in.data()), ERR_IMG_MERGE_ZOOM_PROCESS_INPUT_POSITION);
  EXPECT_TRUE(out.planes()[0].raw() == pft::ByteView(untouched.data(), untouched.size()));
  // An empty window needs no picture.
  w[3].u32WindowNum = 4, w[3].u32State = 2;
  ASSERT_EQ(ImgMergeZoomSetParam_c(h, &p), 0u);
  in[3].pu8Y = nullptr;
  EXPECT_EQ(ImgMergeZoomProcess_c(h, &o, in.data()), 0u);
  // A picture pitch below its width: the resizer's refusal.
  in[0].u32YPitch = 38;
  EXPECT_EQ(ImgMergeZoomProcess_c(h, &o, in.data()), ERR_IMG_RESIZER_SELF_SRCSTRIDE_ILLEGAL);
  EXPECT_EQ(out.check_guards(), "");
  // SetParam may not ask for more windows than Open made room for.
  p.s32MaxPicNum = 5;
  EXPECT_EQ(ImgMergeZoomSetParam_c(h, &p), ERR_IMG_MERGE_ZOOM_SETPARAM_INPUT_MAXFGNUM);
  EXPECT_EQ(ImgMergeZoomClose_c(h), 0u);
}

}  // namespace
