// SPDX-License-Identifier: BSD-2-Clause
// Merge with zoom: fractional window layouts over any background, each picture scaled into its
// window by one private resizer instance set up anew for every window, and the bands, empty
// windows, focus frames and border lines painted with the banner's plain fill.
#include "img_merge_zoom.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "img_banner.h"
#include "img_resizer.h"
#include "resizer_client.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_MERGE_ZOOM_"
PF_ERROR_LIST(pas8ImageMergeZoomSelfAnalyzeErrorCode, PF_IMG_MERGE_ZOOM_ERRORS,
              ERR_IMG_MERGE_ZOOM_BASE_)
#undef PF_ERROR_PREFIX

// ------------------------------------------------------------------------------ the styles

// One window as four fractions of the style's denominator d (numerator << 8 | d).
#define PF_WIN(d, x, y, w, h)                                                     \
  {                                                                               \
    uint16_t((x) << 8 | (d)), uint16_t((y) << 8 | (d)), uint16_t((w) << 8 | (d)), \
        uint16_t((h) << 8 | (d))                                                  \
  }
#define PF_NOWIN \
  { 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF }
#define PF_NOWIN1 PF_NOWIN
#define PF_NOWIN2 PF_NOWIN1, PF_NOWIN
#define PF_NOWIN3 PF_NOWIN2, PF_NOWIN
#define PF_NOWIN4 PF_NOWIN3, PF_NOWIN
#define PF_NOWIN5 PF_NOWIN4, PF_NOWIN
#define PF_NOWIN6 PF_NOWIN5, PF_NOWIN
#define PF_NOWIN7 PF_NOWIN6, PF_NOWIN
#define PF_NOWIN8 PF_NOWIN7, PF_NOWIN
#define PF_NOWIN9 PF_NOWIN8, PF_NOWIN
#define PF_NOWIN10 PF_NOWIN9, PF_NOWIN
#define PF_NOWIN11 PF_NOWIN10, PF_NOWIN
#define PF_NOWIN12 PF_NOWIN11, PF_NOWIN
#define PF_NOWIN13 PF_NOWIN12, PF_NOWIN
#define PF_NOWIN14 PF_NOWIN13, PF_NOWIN
#define PF_NOWIN15 PF_NOWIN14, PF_NOWIN
#define PF_NOWIN16 PF_NOWIN15, PF_NOWIN
#define PF_NOWIN17 PF_NOWIN16, PF_NOWIN
#define PF_NOWIN18 PF_NOWIN17, PF_NOWIN
#define PF_NOWIN19 PF_NOWIN18, PF_NOWIN
#define PF_NOWIN20 PF_NOWIN19, PF_NOWIN
#define PF_NOWIN21 PF_NOWIN20, PF_NOWIN
#define PF_NOWIN22 PF_NOWIN21, PF_NOWIN
#define PF_NOWIN23 PF_NOWIN22, PF_NOWIN
#define PF_NOWIN24 PF_NOWIN23, PF_NOWIN
#define PF_NOWIN25 PF_NOWIN24, PF_NOWIN
#define PF_NOWIN26 PF_NOWIN25, PF_NOWIN

// clang-format off
#include "img_merge_zoom_styles.inc"
// clang-format on

#undef PF_WIN
#undef PF_NOWIN
#undef PF_NOWIN1
#undef PF_NOWIN2
#undef PF_NOWIN3
#undef PF_NOWIN4
#undef PF_NOWIN5
#undef PF_NOWIN6
#undef PF_NOWIN7
#undef PF_NOWIN8
#undef PF_NOWIN9
#undef PF_NOWIN10
#undef PF_NOWIN11
#undef PF_NOWIN12
#undef PF_NOWIN13
#undef PF_NOWIN14
#undef PF_NOWIN15
#undef PF_NOWIN16
#undef PF_NOWIN17
#undef PF_NOWIN18
#undef PF_NOWIN19
#undef PF_NOWIN20
#undef PF_NOWIN21
#undef PF_NOWIN22
#undef PF_NOWIN23
#undef PF_NOWIN24
#undef PF_NOWIN25
#undef PF_NOWIN26

namespace pf {
namespace {

constexpr int kUsedStyles = 99;
constexpr int kFlagStyles = 21;  // the styles with a large window (codes 1xxxx) carry edge flags
constexpr int kMaxLines = 32;    // more than any style's joined edges (checked below)

// Per style with flags: four digits per window, window 1 first, for its top, left, bottom and
// right edge.
constexpr const char* kBorderFlags[kFlagStyles] = {
    "0000 1111",
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
    "0000 1110 1010 1011 1110 1010 1011 1111 1111 1111",
};
constexpr const char* kFocusFlags[kFlagStyles] = {
    "0000 1111",
    "0000 1111 1111",
    "0000 0000 0000 0000",
    "0000 1111 1111 1111",
    "0000 0000 0000 0000 1111",
    "0000 1111 1111 1111 1111",
    "0000 0000 0000 0000 1111 1111",
    "0000 1111 1111 1111 1111 1111",
    "0000 0000 0000 0000 0000 0000 0000",
    "0000 0000 0000 0000 1111 1111 1111",
    "0000 1111 1111 1111 1111 1111 1111",
    "0000 0000 0000 0000 0000 0000 0000 1111",
    "0000 0000 0000 0000 1111 1111 1111 1111",
    "0000 1111 1111 1111 1111 1111 1111 1111",
    "0000 0000 0000 0000 0000 0000 0000 1111 1111",
    "0000 0000 0000 0000 1111 1111 1111 1111 1111",
    "0000 1111 1111 1111 1111 1111 1111 1111 1111",
    "0000 0000 0000 0000 0000 0000 0000 0000 0000 0000",
    "0000 0000 0000 0000 1111 1111 1111 1111 1111 1111",
    "0000 1111 1111 1111 1111 1111 1111 1111 1111 1111",
    "0000 0000 0000 0000 0000 0000 0000 1111 1111 1111",
};

enum Edge : int { kTop = 0, kLeft = 1, kBottom = 2, kRight = 3 };

// Tilings take every edge; the other styles what their flags say.
constexpr bool edge_flag(const char* const (&flags)[kFlagStyles], int style, int window,
                         Edge edge) {
  if (style >= kFlagStyles) return true;
  return flags[style][window * 5 + edge] == '1';
}

constexpr int window_count(int style) { return al32MergeStyle[style][1]; }
constexpr int numerator(uint16_t v) { return v >> 8; }
constexpr int denominator(int style) {
  return window_count(style) == 0 ? 0 : atMergePointstyle[style][0].u16X & 0xFF;
}

// A border line in fraction units: vertical lines run from a to b at x = at, horizontal ones at
// y = at.
struct FracLine {
  bool vertical;
  int at, a, b;
};

struct StyleLines {
  int count = 0;
  FracLine lines[kMaxLines]{};
};

// The style's window edges with collinear edges that overlap or touch joined, so that every line
// of the picture is drawn once.
constexpr StyleLines join_edges(int style) {
  FracLine edges[4 * PF_MERGE_ZOOM_MAX_WINDOWS]{};
  int n = 0;
  for (int i = 0; i < window_count(style); ++i) {
    const tMergePoint& w = atMergePointstyle[style][i];
    const int x = numerator(w.u16X), y = numerator(w.u16Y);
    const int r = x + numerator(w.u16Width), b = y + numerator(w.u16Height);
    if (edge_flag(kBorderFlags, style, i, kTop)) edges[n++] = {false, y, x, r};
    if (edge_flag(kBorderFlags, style, i, kLeft)) edges[n++] = {true, x, y, b};
    if (edge_flag(kBorderFlags, style, i, kBottom)) edges[n++] = {false, b, x, r};
    if (edge_flag(kBorderFlags, style, i, kRight)) edges[n++] = {true, r, y, b};
  }
  // Horizontal lines first, by position, then by start.
  auto before = [](const FracLine& p, const FracLine& q) {
    if (p.vertical != q.vertical) return !p.vertical;
    if (p.at != q.at) return p.at < q.at;
    return p.a < q.a;
  };
  for (int i = 1; i < n; ++i) {
    for (int j = i; j > 0 && before(edges[j], edges[j - 1]); --j) std::swap(edges[j], edges[j - 1]);
  }
  StyleLines out;
  for (int i = 0; i < n; ++i) {
    FracLine* last = out.count > 0 ? &out.lines[out.count - 1] : nullptr;
    if (last != nullptr && last->vertical == edges[i].vertical && last->at == edges[i].at &&
        edges[i].a <= last->b) {
      last->b = std::max(last->b, edges[i].b);
    } else {
      out.lines[out.count++] = edges[i];
    }
  }
  return out;
}

constexpr std::array<StyleLines, kUsedStyles> kStyleLines = [] {
  std::array<StyleLines, kUsedStyles> all{};
  for (int s = 0; s < kUsedStyles; ++s) all[size_t(s)] = join_edges(s);
  return all;
}();

// The most lines any style that fits an instance of `capacity` pictures can have: what the
// instance keeps room for, so that SetParam never has to allocate.
constexpr int max_lines_for(int capacity) {
  int most = 0;
  for (int s = 0; s < kUsedStyles; ++s) {
    if (window_count(s) <= capacity) most = std::max(most, kStyleLines[size_t(s)].count);
  }
  return most;
}
static_assert(max_lines_for(PF_MERGE_ZOOM_MAX_PICTURES) < kMaxLines);

constexpr int find_style(uint32_t code) {
  for (int s = 0; s < kUsedStyles; ++s) {
    if (uint32_t(al32MergeStyle[s][0]) == code) return s;
  }
  return -1;
}

// The smallest width and height numerators of a style's windows.
constexpr int smallest(int style, bool heights) {
  int least = 0x7FFF;
  for (int i = 0; i < window_count(style); ++i) {
    const tMergePoint& w = atMergePointstyle[style][i];
    least = std::min(least, numerator(heights ? w.u16Height : w.u16Width));
  }
  return least;
}

// ------------------------------------------------------------------------------ the instance

constexpr uint32_t low_byte(uint32_t v) { return v & 0xFFu; }
constexpr int32_t even(int64_t v) { return static_cast<int32_t>(v & ~int64_t{1}); }

struct Rgb {
  uint8_t r, g, b;
};
constexpr Rgb rgb_of(uint32_t colour) {
  return {uint8_t(colour >> 16), uint8_t(colour >> 8), uint8_t(colour)};
}

// Where a window's picture lands, in frame rows: its resizer pass covers this area of every
// field in field storage.
struct Area {
  int32_t x, y, w, h;
};

// Per window: the record as accepted (zoom style 5 resolved, the aspect of a picture that became
// fitted set to its own), the rectangle of the window's fractions and the area its picture
// covers; shown is false when the area is empty.
struct WindowState {
  tImageMergeZoomWindow tRecord;
  int32_t s32Left, s32Top, s32Right, s32Bottom;
  Area tArea;
  bool bShown;
};

// A border line in pixels: a rectangle of the border colour.
struct PixelLine {
  int32_t s32Left, s32Top, s32Width, s32Height;
};

struct MergeZoomInstance {
  void* hMem;
  void* pvFastScratch;
  void* hDma;
  void* hResizer;
  tImageMergeZoomParam tParam;  // as accepted; ptWindows is not kept
  int32_t s32Capacity;          // Open's maximum pictures: what the arrays below hold
  int32_t s32Style;             // index into al32MergeStyle
  int32_t s32LineCount;
  WindowState* ptWindows;         // s32Capacity entries
  tImageResizerParam* ptRecords;  // s32Capacity entries: each window's resizer parameters
  PixelLine* ptLines;             // max_lines_for(s32Capacity) entries
  tImageResizerParam tCurrent;    // what the resizer was last given
};

constexpr const char* kSource = "../source/common/img_merge_zoom.c";

// Bars of the fitted and centred pictures.
constexpr uint32_t kBarY = 1, kBarU = 128, kBarV = 128;

// ------------------------------------------------------------------------------ validation

bool aspect_ok(uint32_t aw, uint32_t ah) {
  if (aw == 0 || ah == 0) return true;
  const uint64_t w = aw, h = ah;
  return w * 3 == h * 4 || w * 9 == h * 16 || w * 45 == h * 64 || w * 27 == h * 32;
}

uint32_t check_window(const tImageMergeZoomWindow& w, int count) {
  if (w.u32ZoomStyle < PF_MERGE_ZOOM_STRETCH || w.u32ZoomStyle > PF_MERGE_ZOOM_AUTO) {
    return kCHECK_FG_ZOOM_STYLE;
  }
  if (!aspect_ok(w.u32AspectWidth, w.u32AspectHeight)) return kCHECK_FG_ZOOM_SCALE;
  if (w.u32WindowNum < 1 || w.u32WindowNum > uint32_t(count)) return kCHECK_FG_POSITION;
  if (w.u32ImageType < PF_IMAGE_FRAME || w.u32ImageType > PF_IMAGE_INTERLACED) {
    return kCHECK_FG_FRAMEFILEDFORMAT;
  }
  const uint32_t rows = w.u32ImageType == PF_IMAGE_FIELD ? 4 : 2;
  if (w.u32Width < 2 || w.u32Width > PF_MERGE_ZOOM_MAX_SIZE || w.u32Width % 2 != 0 ||
      w.u32Height < 1 || w.u32Height > PF_MERGE_ZOOM_MAX_SIZE || w.u32Height % rows != 0) {
    return kCHECK_FG_PICSIZE;
  }
  if (w.u32YuvType != PF_YUV_420 && w.u32YuvType != PF_YUV_422P) return kCHECK_FG_YUVTYPE;
  return PF_STATUS_OK;
}

// Everything but the pointers and SetParam's capacity test, in the order of the record.
uint32_t check_param(const tImageMergeZoomParam& p) {
  if (p.s32MaxPicNum < 0 || p.s32MaxPicNum > PF_MERGE_ZOOM_MAX_PICTURES) {
    return kCHECK_BG_MAXFGNUM;
  }
  const int style = find_style(p.u32MergeStyle);
  if (style < 0) return kCHECK_BG_MERGE_STYLE;
  const int count = window_count(style);
  if (count > p.s32MaxPicNum) return kCHECK_BG_STYLE_MAP_FGNUM;
  if (p.u32ImageType != PF_IMAGE_FRAME && p.u32ImageType != PF_IMAGE_FIELD) {
    return kCHECK_BG_FRAMEFIELDFORMAT;
  }
  const uint32_t rows = p.u32ImageType == PF_IMAGE_FIELD ? 4 : 2;
  if (p.u32BgWidth < 64 || p.u32BgWidth > PF_MERGE_ZOOM_MAX_SIZE || p.u32BgWidth % 2 != 0 ||
      p.u32BgHeight < 64 || p.u32BgHeight > PF_MERGE_ZOOM_MAX_SIZE || p.u32BgHeight % rows != 0) {
    return kCHECK_BG_PICSIZE;
  }
  if (p.u32YuvType != PF_YUV_420 && p.u32YuvType != PF_YUV_422P) return kCHECK_BG_YUVTYPE;
  const uint32_t b = low_byte(p.u32BorderWidth);
  if (b % 2 != 0) return kCHECK_BG_BOUNDARYWIDTH;
  // The style without windows has no denominator and so no smallest window to measure.
  if (const int d = denominator(style); d != 0) {
    const uint32_t narrowest = p.u32BgWidth * uint32_t(smallest(style, false)) / uint32_t(d);
    const uint32_t lowest = p.u32BgHeight * uint32_t(smallest(style, true)) / uint32_t(d);
    if (4 * b >= std::min(narrowest, lowest)) return kCHECK_BG_BOUNDARYWIDTH;
  }
  if (count > 0 && p.ptWindows == nullptr) return kCHECK_BG_INPUT;
  for (int i = 0; i < count; ++i) {
    const tImageMergeZoomWindow& w = p.ptWindows[i];
    if (low_byte(w.u32State) == PF_MERGE_ZOOM_STATE_EMPTY) continue;
    if (const uint32_t error = check_window(w, count)) return error;
  }
  return PF_STATUS_OK;
}

// ------------------------------------------------------------------------------ geometry

// A fraction of the background in pixels; on the right or bottom edge b is left for the line.
int32_t scaled(uint32_t size, int value, int d, uint32_t b) {
  int64_t px = int64_t{size} * value / d;
  if (value == d) px -= b;
  return even(px);
}

// Bars and cuts are paired, one on each side; both together leave at least 2 samples.
int32_t cap_pair(int64_t each, int32_t total) {
  return std::clamp<int32_t>(even(each), 0, even((total - 2) / 2));
}

// The resizer parameters of one picture window (the pass of one field in field storage), and
// the zoom style 5 resolves to.
void resizer_record(const tImageMergeZoomParam& p, WindowState& w, tImageResizerParam& r) {
  const bool field_out = p.u32ImageType == PF_IMAGE_FIELD;
  tImageMergeZoomWindow& in = w.tRecord;
  const auto W = int32_t(p.u32BgWidth), H = int32_t(p.u32BgHeight);
  const int32_t y = w.tArea.y;
  r = tImageResizerParam{};
  r.s32SrcWidth = int32_t(in.u32Width);
  // A field is read on its own; the resizer reads whole line pairs, so a frame whose fields have
  // an odd number of lines loses the last line of each, and a frame of 2 lines is read whole
  // for both fields.
  const bool field_read = in.u32ImageType == PF_IMAGE_FIELD || (field_out && in.u32Height >= 4);
  r.s32SrcHeight = field_read ? even(in.u32Height / 2) : int32_t(in.u32Height);
  r.u32SrcYuvType = in.u32YuvType;
  r.u32SrcImageType =
      in.u32ImageType == PF_IMAGE_INTERLACED && !field_out ? PF_IMAGE_INTERLACED : PF_IMAGE_FRAME;
  r.s32DstWidth = W;
  r.s32DstHeight = field_out ? H / 2 : H;
  r.u32DstYuvType = p.u32YuvType;
  r.u32DstImageType = PF_IMAGE_FRAME;
  r.s32OffsetLeft = w.tArea.x;
  r.s32OffsetRight = W - w.tArea.x - w.tArea.w;
  r.s32OffsetTop = field_out ? y / 2 : y;
  r.s32OffsetBottom = field_out ? (H - y - w.tArea.h) / 2 : H - y - w.tArea.h;
  r.u32FillY = kBarY, r.u32FillU = kBarU, r.u32FillV = kBarV;

  // What the resizer reads and writes per pass.
  const int64_t ws = r.s32SrcWidth, sh = r.s32SrcHeight;
  const int64_t wa = w.tArea.w, dh = r.s32DstHeight - r.s32OffsetTop - r.s32OffsetBottom;
  // The window's proportions count in frame rows.
  const int64_t ha = field_out ? 2 * dh : dh;
  if (in.u32ZoomStyle == PF_MERGE_ZOOM_AUTO) {
    if (ws <= wa && sh <= dh) {
      in.u32ZoomStyle = PF_MERGE_ZOOM_CENTRE;
    } else {
      in.u32ZoomStyle = PF_MERGE_ZOOM_FIT;
      in.u32AspectWidth = in.u32AspectHeight = 0;
    }
  }
  int64_t aw = in.u32AspectWidth, ah = in.u32AspectHeight;
  if (aw == 0 || ah == 0) aw = in.u32Width, ah = in.u32Height;
  const int64_t hf = wa * ah / aw;
  switch (in.u32ZoomStyle) {
    case PF_MERGE_ZOOM_FIT:
      if (hf > ha) {
        const int32_t bar = cap_pair((wa - ha * aw / ah) / 2 + 1, int32_t(wa));
        r.s32FillLeft = r.s32FillRight = bar;
      } else {
        const int64_t gap = field_out ? (ha - hf) / 4 : (ha - hf) / 2;
        r.s32FillTop = r.s32FillBottom = cap_pair(gap + 1, int32_t(dh));
      }
      break;
    case PF_MERGE_ZOOM_FILL:
      if (hf >= ha) {
        r.s32CutTop = r.s32CutBottom = cap_pair((hf - ha) * sh / hf / 2 + 1, int32_t(sh));
      } else {
        const int64_t wf = ha * aw / ah;
        if (wf > wa) {
          r.s32CutLeft = r.s32CutRight = cap_pair((wf - wa) * ws / wf / 2 + 1, int32_t(ws));
        }
      }
      break;
    case PF_MERGE_ZOOM_CENTRE: {
      const int64_t across = ws - wa, down = sh - dh;
      if (across > 0) {
        r.s32CutLeft = even(across / 2 + 1), r.s32CutRight = even(across / 2);
      } else {
        r.s32FillLeft = even(-across / 2 + 1), r.s32FillRight = even(-across / 2);
      }
      if (down > 0) {
        r.s32CutTop = even(down / 2 + 1), r.s32CutBottom = even(down / 2);
      } else {
        r.s32FillTop = even(-down / 2 + 1), r.s32FillBottom = even(-down / 2);
      }
      break;
    }
    default:  // stretch: the whole picture to the whole area
      break;
  }
}

// Rectangles, areas, resizer parameters and lines of an accepted record.
void layout(MergeZoomInstance& inst, const tImageMergeZoomParam& p) {
  const int style = find_style(p.u32MergeStyle);
  const int count = window_count(style), d = denominator(style);
  const uint32_t W = p.u32BgWidth, H = p.u32BgHeight, b = low_byte(p.u32BorderWidth);
  const bool field_out = p.u32ImageType == PF_IMAGE_FIELD;
  for (int i = 0; i < count; ++i) {
    const tMergePoint& f = atMergePointstyle[style][i];
    WindowState& w = inst.ptWindows[i];
    w = WindowState{};
    w.tRecord = p.ptWindows[i];
    w.tRecord.u32State = low_byte(w.tRecord.u32State);
    w.tRecord.u32WindowNum = low_byte(w.tRecord.u32WindowNum);
    const int x = numerator(f.u16X), y = numerator(f.u16Y);
    const int fw = numerator(f.u16Width), fh = numerator(f.u16Height);
    w.s32Left = scaled(W, x, d, b), w.s32Top = scaled(H, y, d, b);
    w.s32Right = scaled(W, x + fw, d, b), w.s32Bottom = scaled(H, y + fh, d, b);
    Area a{w.s32Left + int32_t(b), w.s32Top + int32_t(b), w.s32Right - w.s32Left - int32_t(b),
           w.s32Bottom - w.s32Top - int32_t(b)};
    if (field_out) {
      // Each field's part of the area starts and ends on an even field row (4:2:0 chroma comes
      // in line pairs): in frame rows, both ends move down to multiples of 4.
      const int32_t top = (a.y + 3) & ~3, bottom = (a.y + a.h + 3) & ~3;
      a.y = top, a.h = bottom - top;
    }
    w.tArea = a;
    w.bShown = a.w >= 2 && a.h >= (field_out ? 4 : 2);
    if (w.tRecord.u32State != PF_MERGE_ZOOM_STATE_EMPTY && w.bShown) {
      resizer_record(p, w, inst.ptRecords[i]);
    }
  }
  const StyleLines& lines = kStyleLines[size_t(style)];
  inst.s32LineCount = lines.count;
  for (int i = 0; i < lines.count; ++i) {
    const FracLine& l = lines.lines[i];
    PixelLine& px = inst.ptLines[i];
    if (l.vertical) {
      px.s32Left = scaled(W, l.at, d, b);
      px.s32Top = scaled(H, l.a, d, b);
      px.s32Width = int32_t(b);
      px.s32Height = scaled(H, l.b, d, b) - px.s32Top + int32_t(b);
    } else {
      px.s32Left = scaled(W, l.a, d, b);
      px.s32Top = scaled(H, l.at, d, b);
      px.s32Width = scaled(W, l.b, d, b) - px.s32Left;
      px.s32Height = int32_t(b);
    }
  }
  inst.tParam = p;
  inst.tParam.ptWindows = nullptr;
  inst.s32Style = style;
}

}  // namespace
}  // namespace pf

namespace pf {
namespace {

// ------------------------------------------------------------------------------ the frame

int32_t line_room(int32_t capacity) { return std::max(max_lines_for(capacity), 1); }

template <class T>
bool take(void* mem, T*& array, int32_t entries) {
  const auto bytes = static_cast<uint32_t>(sizeof(T) * size_t(std::max(entries, 1)));
  array = static_cast<T*>(vmem_malloc(mem, bytes, kInstanceAlign, kSource, __LINE__));
  if (array == nullptr) return false;
  std::memset(static_cast<void*>(array), 0, bytes);
  return true;
}

template <class T>
uint32_t give_back(void* mem, T*& array) {
  uint32_t status = PF_STATUS_OK;
  if (array != nullptr) status = vmem_free(mem, array, kSource, __LINE__);
  array = nullptr;
  return status;
}

// Any record Open accepts, before any picture: the resizer only learns a window's geometry in
// Process, when the window is drawn.
tImageResizerParam placeholder() {
  tImageResizerParam r{};
  r.s32SrcWidth = 352, r.s32SrcHeight = 288;
  r.u32SrcYuvType = PF_YUV_420, r.u32SrcImageType = PF_IMAGE_FRAME;
  r.s32DstWidth = 176, r.s32DstHeight = 144;
  r.u32DstYuvType = PF_YUV_420, r.u32DstImageType = PF_IMAGE_FRAME;
  return r;
}

struct MergeZoom {
  using Param = tImageMergeZoomParam;
  using Instance = MergeZoomInstance;
  static constexpr FrameCodes kCodes =
      frame_codes(kErrorNames, {.fast_scratch = true, .dma = true});
  static constexpr ErrorTable kErrors =
      error_table(kErrorNames, {.delegate = ImageResizerAnalyzeErrorCode_c});
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames, "Merge Version: pelforge_v300.mergezoom.013, Compile time: %s %s.\n");
  static constexpr const char* kSource = pf::kSource;
  // The parameters are kept first: the per-window buffers are sized by them.
  static constexpr bool kSelectFirst = true;

  static uint32_t validate(const Param& p) { return check_param(p); }
  static void global_init() { ImgMergeZoomGlobalInit(); }
  static uint32_t select(Instance& inst, const Param& p) {
    inst.tParam = p;
    inst.s32Capacity = p.s32MaxPicNum;
    return PF_STATUS_OK;
  }
  // The window states, the resizer records and the lines for Open's maximum, the layout, and the
  // resizer.
  static uint32_t acquire(Instance& inst) {
    const Param p = inst.tParam;
    uint32_t status = PF_STATUS_OK;
    if (!take(inst.hMem, inst.ptWindows, inst.s32Capacity)) {
      status = kOPEN_MALLOC_FG_INFORMATION;
    } else if (!take(inst.hMem, inst.ptRecords, inst.s32Capacity) ||
               !take(inst.hMem, inst.ptLines, line_room(inst.s32Capacity))) {
      status = kOPEN_MALLOC;
    } else {
      layout(inst, p);
      status = open_resizer(inst.hMem, inst.hResizer, inst.tCurrent, placeholder());
    }
    if (status != PF_STATUS_OK) release(inst);
    return status;
  }
  static uint32_t release(Instance& inst) {
    uint32_t status = PF_STATUS_OK;
    if (inst.hResizer != nullptr && ImageResizerClose_c(inst.hResizer) != PF_STATUS_OK) {
      status = kCLOSE_RESIZER_CLOSE;
    }
    inst.hResizer = nullptr;
    for (const uint32_t freed :
         {give_back(inst.hMem, inst.ptLines), give_back(inst.hMem, inst.ptRecords),
          give_back(inst.hMem, inst.ptWindows)}) {
      if (freed != PF_STATUS_OK && status == PF_STATUS_OK) status = kCLOSE_FREE;
    }
    return status;
  }
};

// ------------------------------------------------------------------------------ Process

// Planes of a picture whose chroma follows its luma in one buffer when U or V is not given.
tImgPicture planes(const tImgPicture& given, uint32_t yuv_type, uint32_t height) {
  tImgPicture pic = given;
  if (pic.pu8U == nullptr || pic.pu8V == nullptr) {
    const size_t luma = size_t{pic.u32YPitch} * height;
    pic.pu8U = pic.pu8Y + luma;
    pic.pu8V = pic.pu8U + (yuv_type == PF_YUV_422P ? luma / 2 : luma / 4);
    pic.u32UVPitch = pic.u32YPitch / 2;
  }
  pic.u32Spare1 = pic.u32Spare2 = 0;
  return pic;
}

// Chroma lines per luma line of a planar picture.
size_t chroma_rows(uint32_t yuv_type, size_t luma_rows) {
  return yuv_type == PF_YUV_422P ? luma_rows : luma_rows / 2;
}

class Painter {
 public:
  Painter(const tImageMergeZoomParam& p, const tImgPicture& out)
      : picture_{out.pu8Y,
                 out.pu8U,
                 out.pu8V,
                 int32_t(p.u32BgWidth),
                 int32_t(p.u32BgHeight),
                 int32_t(out.u32YPitch),
                 int32_t(out.u32UVPitch),
                 p.u32ImageType,
                 p.u32YuvType} {}
  void fill(int32_t left, int32_t top, int32_t width, int32_t height, Rgb c) const {
    const tDrawBannerRect rect{width, height, top, left, c.r, c.g, c.b};
    load_kernel(ImgDrawBanner)(nullptr, &rect, &picture_);
  }

 private:
  tDrawBannerPicture picture_;
};

// What no window area covers gets the background colour: row bands between the areas' top and
// bottom edges, and in each band the stretches between the areas that cross it.
void paint_uncovered(const MergeZoomInstance& inst, int count, const Painter& painter, Rgb c) {
  const auto W = int32_t(inst.tParam.u32BgWidth), H = int32_t(inst.tParam.u32BgHeight);
  int32_t edges[2 * PF_MERGE_ZOOM_MAX_WINDOWS + 2];
  int n = 0;
  edges[n++] = 0;
  edges[n++] = H;
  for (int i = 0; i < count; ++i) {
    const Area& a = inst.ptWindows[i].tArea;
    if (!inst.ptWindows[i].bShown) continue;
    edges[n++] = std::clamp(a.y, 0, H);
    edges[n++] = std::clamp(a.y + a.h, 0, H);
  }
  std::sort(edges, edges + n);
  n = int(std::unique(edges, edges + n) - edges);
  for (int e = 0; e + 1 < n; ++e) {
    const int32_t top = edges[e], height = edges[e + 1] - top;
    struct Span {
      int32_t from, to;
    };
    Span spans[PF_MERGE_ZOOM_MAX_WINDOWS];
    int k = 0;
    for (int i = 0; i < count; ++i) {
      const Area& a = inst.ptWindows[i].tArea;
      if (inst.ptWindows[i].bShown && a.y <= top && a.y + a.h > top) {
        spans[k++] = {a.x, a.x + a.w};
      }
    }
    std::sort(spans, spans + k, [](const Span& p, const Span& q) { return p.from < q.from; });
    int32_t x = 0;
    for (int i = 0; i < k; ++i) {
      if (spans[i].from > x) painter.fill(x, top, spans[i].from - x, height, c);
      x = std::max(x, spans[i].to);
    }
    if (x < W) painter.fill(x, top, W - x, height, c);
  }
}

// Scales one input into its window: once, or once per field of field storage.
uint32_t draw_picture(MergeZoomInstance& inst, int i, const tImgPicture& given,
                      const tImgPicture& out) {
  const tImageMergeZoomParam& p = inst.tParam;
  const tImageMergeZoomWindow& w = inst.ptWindows[i].tRecord;
  tImgPicture src = planes(given, w.u32YuvType, w.u32Height);
  tImgPicture dst = out;
  if (const uint32_t error = reset_resizer(inst.hResizer, inst.tCurrent, inst.ptRecords[i])) {
    return error;
  }
  if (p.u32ImageType != PF_IMAGE_FIELD) return ImageResizerProcess_c(inst.hResizer, &src, &dst);

  // The second field: one line further in a frame, half a plane further in a field picture.
  size_t src_y = src.u32YPitch, src_c = src.u32UVPitch;
  if (w.u32ImageType == PF_IMAGE_FIELD) {
    src_y *= w.u32Height / 2;
    src_c *= chroma_rows(w.u32YuvType, w.u32Height / 2);
  } else if (w.u32Height >= 4) {
    src.u32YPitch *= 2, src.u32UVPitch *= 2;
  } else {
    src_y = src_c = 0;
  }
  const size_t dst_y = size_t{dst.u32YPitch} * (p.u32BgHeight / 2);
  const size_t dst_c = size_t{dst.u32UVPitch} * chroma_rows(p.u32YuvType, p.u32BgHeight / 2);
  for (int field = 0; field < 2; ++field) {
    if (field == 1) {
      src.pu8Y += src_y, src.pu8U += src_c, src.pu8V += src_c;
      dst.pu8Y += dst_y, dst.pu8U += dst_c, dst.pu8V += dst_c;
    }
    if (const uint32_t error = ImageResizerProcess_c(inst.hResizer, &src, &dst)) return error;
  }
  return PF_STATUS_OK;
}

// The focus frame inside a window's area, b wide, edge by edge as the style asks.
void draw_focus(const MergeZoomInstance& inst, int i, const Painter& painter) {
  const WindowState& w = inst.ptWindows[i];
  const auto b = int32_t(low_byte(inst.tParam.u32BorderWidth));
  const Area& a = w.tArea;
  const Rgb c = rgb_of(w.tRecord.u32FocusColour);
  const int style = inst.s32Style;
  if (edge_flag(kFocusFlags, style, i, kTop)) painter.fill(a.x, a.y, a.w, b, c);
  if (edge_flag(kFocusFlags, style, i, kBottom)) painter.fill(a.x, a.y + a.h - b, a.w, b, c);
  if (edge_flag(kFocusFlags, style, i, kLeft)) painter.fill(a.x, a.y, b, a.h, c);
  if (edge_flag(kFocusFlags, style, i, kRight)) painter.fill(a.x + a.w - b, a.y, b, a.h, c);
}

uint32_t process(MergeZoomInstance& inst, const tImgPicture& given, const tImgPicture* inputs) {
  const tImageMergeZoomParam& p = inst.tParam;
  const int count = window_count(inst.s32Style);
  // Everything a picture needs is checked before anything is drawn.
  int slot[PF_MERGE_ZOOM_MAX_WINDOWS];
  for (int n = 1; n <= count; ++n) {
    slot[n - 1] = -1;
    for (int i = 0; i < count && slot[n - 1] < 0; ++i) {
      if (inst.ptWindows[i].tRecord.u32WindowNum == uint32_t(n)) slot[n - 1] = i;
    }
    if (slot[n - 1] < 0) return kPROCESS_INPUT_POSITION;
    const WindowState& w = inst.ptWindows[slot[n - 1]];
    if (w.tRecord.u32State != PF_MERGE_ZOOM_STATE_EMPTY && inputs[slot[n - 1]].pu8Y == nullptr) {
      return kPROCESS_INPUT_POINTER_YUV;
    }
  }
  if (given.u32YPitch < p.u32BgWidth) return ERR_IMG_RESIZER_SELF_DSTSTRIDE_ILLEGAL;
  const tImgPicture out = planes(given, p.u32YuvType, p.u32BgHeight);
  const Painter painter(p, out);

  paint_uncovered(inst, count, painter, rgb_of(p.u32BgColour));
  const bool lines = low_byte(p.u32DrawLine) == 1;
  for (int n = 0; n < count; ++n) {
    const int i = slot[n];
    const WindowState& w = inst.ptWindows[i];
    if (!w.bShown) continue;
    if (w.tRecord.u32State == PF_MERGE_ZOOM_STATE_EMPTY) {
      if (low_byte(p.u32FillEmpty) == 1) {
        painter.fill(w.tArea.x, w.tArea.y, w.tArea.w, w.tArea.h, rgb_of(p.u32BgColour));
      }
      continue;
    }
    if (const uint32_t error = draw_picture(inst, i, inputs[i], out)) return error;
    if (lines && low_byte(w.tRecord.u32FocusFlag) == 1) draw_focus(inst, i, painter);
  }
  if (lines) {
    const Rgb c = rgb_of(p.u32BorderColour);
    for (int i = 0; i < inst.s32LineCount; ++i) {
      const PixelLine& l = inst.ptLines[i];
      painter.fill(l.s32Left, l.s32Top, l.s32Width, l.s32Height, c);
    }
  }
  return PF_STATUS_OK;
}

}  // namespace
}  // namespace pf

PF_DISPATCH(ImgMergeZoom)
PF_OPEN_CLOSE(ImgMergeZoom, pf::MergeZoom)
PF_NAMES_AND_VERSION(ImgMergeZoom, pf::MergeZoom)

extern "C" {

uint32_t ImgMergeZoomSetParam_c(void* hHandle, const void* pParam) {
  if (hHandle == nullptr || pParam == nullptr) return pf::kSETPARAM_INPUT_POINTER;
  auto& inst = *static_cast<pf::MergeZoomInstance*>(hHandle);
  const auto& p = *static_cast<const tImageMergeZoomParam*>(pParam);
  if (p.s32MaxPicNum > inst.s32Capacity) return pf::kSETPARAM_INPUT_MAXFGNUM;
  if (const uint32_t error = pf::check_param(p)) return error;
  pf::layout(inst, p);
  return PF_STATUS_OK;
}

uint32_t ImgMergeZoomGetStatus_c(void* hHandle, void* pStatus) {
  if (hHandle == nullptr || pStatus == nullptr) return pf::kSTATUS_INPUT_POINTER;
  const auto& inst = *static_cast<const pf::MergeZoomInstance*>(hHandle);
  auto& out = *static_cast<tImageMergeZoomParam*>(pStatus);
  tImageMergeZoomWindow* windows = out.ptWindows;
  out = inst.tParam;
  out.ptWindows = windows;
  if (windows == nullptr) return PF_STATUS_OK;
  for (int i = 0; i < pf::window_count(inst.s32Style); ++i) {
    const tImageMergeZoomWindow& w = inst.ptWindows[i].tRecord;
    tImageMergeZoomWindow& o = windows[i];
    o.u32State = w.u32State;
    o.u32ZoomStyle = w.u32ZoomStyle;
    o.u32WindowNum = w.u32WindowNum;
    o.u32Width = w.u32Width;
    o.u32Height = w.u32Height;
    o.u32ImageType = w.u32ImageType;
    o.u32YuvType = w.u32YuvType;
    o.u32FocusFlag = w.u32FocusFlag;
    o.u32FocusColour = w.u32FocusColour;
    o.u32FocusWidth = w.u32FocusWidth;
  }
  return PF_STATUS_OK;
}

uint32_t ImgMergeZoomProcess_c(void* hHandle, void* pOutput, void* pInputs) {
  if (pf::any_null(hHandle, pOutput, pInputs)) return pf::kPROCESS_INPUT_POINTER;
  const auto& out = *static_cast<const tImgPicture*>(pOutput);
  if (out.pu8Y == nullptr) return pf::kPROCESS_OUTPUT_POINTER_YUV;
  return pf::process(*static_cast<pf::MergeZoomInstance*>(hHandle), out,
                     static_cast<const tImgPicture*>(pInputs));
}

uint32_t ImgMergeZoomDebug_c(void*, void*) { return PF_STATUS_OK; }

// What Open takes for this record: the instance, the per-window buffers, the scratch and the
// resizer's own.
uint32_t ImgMergeZoomGetMemSize_c(const void* pParam, uint32_t* pu32Size) {
  if (pf::any_null(pParam, pu32Size)) return pf::kGETMEMSIZE_PARAM_POINTER;
  const auto& p = *static_cast<const tImageMergeZoomParam*>(pParam);
  if (p.s32MaxPicNum < 0 || p.s32MaxPicNum > PF_MERGE_ZOOM_MAX_PICTURES) {
    return pf::kGETMEMSIZE_MAXFGNUM;
  }
  const auto entries = size_t(std::max(p.s32MaxPicNum, 1));
  const size_t own = sizeof(pf::MergeZoomInstance) + entries * sizeof(pf::WindowState) +
                     entries * sizeof(tImageResizerParam) +
                     size_t(pf::line_room(p.s32MaxPicNum)) * sizeof(pf::PixelLine) +
                     PF_FAST_SCRATCH_BYTES;
  return pf::resizer_mem_size(pf::placeholder(), uint32_t(own), pu32Size);
}

}  // extern "C"

PF_FUNCTION_TABLE(tImageMergeZoomFunc, ImgMergeZoom)
