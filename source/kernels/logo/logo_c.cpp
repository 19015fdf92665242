// SPDX-License-Identifier: BSD-2-Clause
// The logo kernels: one blending engine for every size ratio, storage and layout.
//
// Every kernel reduces to "which logo sample lands on which background sample": picked kernels
// walk the logo with a fixed step and phase, bilinear kernels interpolate it, and the placement
// puts relative row j either at frame row top + j or, for field pictures, into field j & 1 at
// field row top/2 + j/2. All counts are clipped to the room left in the picture before anything
// is addressed, so no parameter that passed the checks reaches outside either picture.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "img_logo.h"
#include "logo/logo.hpp"

namespace pf {
namespace {

using i64 = int64_t;

inline uint8_t blend(uint8_t logo, uint8_t bg, uint8_t alpha) {
  return static_cast<uint8_t>(((255 - alpha) * logo + alpha * bg) >> 8);
}

// How samples of one plane sit in memory: element e occupies bytes e * stride + offset + c for
// c < comps (NV12 chroma: a U V pair), and its alpha is at e * a_stride + a_offset.
struct Elem {
  int32_t stride, offset, comps, a_stride, a_offset;
};
constexpr Elem kPlanar{1, 0, 1, 1, 0};
constexpr Elem kPairs{2, 0, 2, 1, 0};
constexpr Elem kPackedLuma{2, 1, 1, 2, 1};    // odd bytes of U Y V Y
constexpr Elem kPackedChroma{2, 0, 1, 2, 0};  // even bytes

// One plane of the background, with the placement of relative rows.
struct Dst {
  uint8_t* base;
  size_t pitch;
  int32_t plane_rows;  // rows of the whole plane (both fields)
  int32_t first_row;   // frame row, or field row for field pictures
  int32_t first_col;   // element index of relative column 0
  bool field;

  uint8_t* row(int32_t j) const {
    const i64 r = field ? (j & 1) * i64{plane_rows / 2} + first_row + (j >> 1) : i64{first_row} + j;
    return base + static_cast<size_t>(r) * pitch;
  }
};

// One plane of the logo: sample rows and alpha rows.
struct Src {
  const uint8_t* data;
  const uint8_t* alpha;
  size_t pitch;
  size_t a_pitch;
};

// The shift of one row: `amount` elements taken off the row, either by reading that much further
// into the logo (S >= 0) or by writing that much further right (S < 0).
struct Shift {
  int32_t amount = 0;
  bool read_side = true;
};

Shift halve(int32_t s, int32_t divisor) {
  // The shifts are byte counters in the instance's geometry: they wrap at 256.
  const i64 magnitude = (s < 0 ? -i64{s} : i64{s}) / divisor;
  return {static_cast<int32_t>(magnitude & 0xFF), s >= 0};
}

struct Walk {
  int32_t rows, cols;  // output rows and elements per row
  int32_t row0, col0;  // logo row and element of output (0, 0)
  int32_t row_step, col_step;
};

// Blends `w` into `dst`; rows with odd j take `shift` when `shift_odd` is set.
void blend_walk(const Dst& dst, const Src& src, const Elem& e, const Walk& w, bool paste,
                Shift shift, bool shift_odd) {
  for (int32_t j = 0; j < w.rows; ++j) {
    int32_t n = w.cols, read_off = 0, write_off = 0;
    if (shift_odd && (j & 1) && shift.amount > 0) {
      (shift.read_side ? read_off : write_off) = shift.amount;
      n -= shift.amount;
    }
    if (n <= 0) continue;
    const i64 logo_row = i64{w.row0} + i64{w.row_step} * j;
    const uint8_t* s = src.data + static_cast<size_t>(logo_row) * src.pitch;
    const uint8_t* a = src.alpha + static_cast<size_t>(logo_row) * src.a_pitch;
    uint8_t* d = dst.row(j);
    for (int32_t k = 0; k < n; ++k) {
      const size_t se = static_cast<size_t>(i64{w.col0} + i64{w.col_step} * (k + read_off));
      const size_t de = static_cast<size_t>(i64{dst.first_col} + k + write_off);
      const uint8_t alpha =
          a[se * static_cast<size_t>(e.a_stride) + static_cast<size_t>(e.a_offset)];
      if (!paste && alpha == 255) continue;  // fully transparent: the background stays as it is
      for (int32_t c = 0; c < e.comps; ++c) {
        const size_t so = se * static_cast<size_t>(e.stride) + static_cast<size_t>(e.offset + c);
        uint8_t& out = d[de * static_cast<size_t>(e.stride) + static_cast<size_t>(e.offset + c)];
        out = paste ? s[so] : blend(s[so], out, alpha);
      }
    }
  }
}

enum class Fmt { k420, kNv12, kPacked };

// The background's planes as the kernels address them.
struct Background {
  Dst luma, u, v;  // packed: luma only; NV12: u holds the pairs
};

Background background(const tImgPicture& pic, const tLogoParam& p, Fmt fmt, bool field) {
  const int32_t top = p.s32FgTop;
  Background bg{};
  bg.luma = {pic.pu8Y, pic.u32YPitch, p.s32BgHeight, field ? top / 2 : top, 0, field};
  if (fmt != Fmt::kPacked) {
    const int32_t ctop = field ? top / 4 : top / 2;
    bg.u = {pic.pu8U, pic.u32UVPitch, p.s32BgHeight / 2, ctop, 0, field};
    bg.v = {pic.pu8V, pic.u32UVPitch, p.s32BgHeight / 2, ctop, 0, field};
  }
  return bg;
}

// The logo's planes.
struct Logo {
  Src luma, u, v;
};

Logo logo_planes(const tLogoParam& p, Fmt fmt) {
  const size_t w = static_cast<size_t>(p.s32FgWidth), h = static_cast<size_t>(p.s32FgHeight);
  Logo l{};
  if (fmt == Fmt::kPacked) {
    l.luma = {p.pu8FgData, p.pu8FgAlpha, 2 * w, 2 * w};
    return l;
  }
  l.luma = {p.pu8FgData, p.pu8FgAlpha, w, w};
  const uint8_t* chroma = p.pu8FgData + w * h;
  const uint8_t* chroma_alpha = p.pu8FgAlpha + w * h;
  if (fmt == Fmt::kNv12) {
    l.u = {chroma, chroma_alpha, w, w / 2};
  } else {
    l.u = {chroma, chroma_alpha, w / 2, w / 2};
    l.v = {chroma + (w / 2) * (h / 2), chroma_alpha, w / 2, w / 2};
  }
  return l;
}

// ---- Picked kernels: 1:1, quarter, sixteenth and half-horizontal ----

struct Pick {
  int32_t rx, ry;           // logo pixels per output pixel, across and down
  int32_t phase;            // logo column of output column 0, after the cut
  int32_t round_cols;       // logo columns drawn are a multiple of this
  int32_t round_rows;       // likewise rows
  int32_t chroma_row_step;  // logo chroma rows per output chroma row
};
constexpr Pick kSame{1, 1, 0, 4, 1, 1};
constexpr Pick kQuarter{2, 2, 1, 4, 4, 2};
// Chroma rows of the sixteenth kernels are taken from every second logo chroma row, as their
// luma rows come from every fourth logo row.
constexpr Pick kSixteenth{4, 4, 0, 8, 8, 2};
constexpr Pick kHalfHori{2, 1, 1, 4, 1, 1};

// The visible logo in logo pixels and what it maps to. cut_x/cut_y multiply the cuts: the ratio
// for plain logos, whose cuts count background pixels, and 1 for adaptive ones.
struct Picked {
  int32_t logo_cols, logo_rows;  // logo pixels drawn across and down (after rounding)
  int32_t col0, row0;            // first logo column (phase included) and row
  int32_t cut_col, cut_row;      // logo column and row where the visible logo starts
  int32_t out_cols, out_rows;
};

Picked pick(const tLogoParam& p, const Pick& k, int32_t cut_x, int32_t cut_y) {
  const i64 room_x = i64{k.rx} * (p.s32BgWidth - p.s32FgLeft);
  const i64 room_y = i64{k.ry} * (p.s32BgHeight - p.s32FgTop);
  const i64 vis_x = i64{p.s32FgWidth} - i64{cut_x} * (i64{p.s32LeftCut} + p.s32RightCut);
  const i64 vis_y = i64{p.s32FgHeight} - i64{cut_y} * (i64{p.s32TopCut} + p.s32BottomCut);
  const i64 cols = std::max<i64>(0, std::min(vis_x, room_x)) / k.round_cols * k.round_cols;
  const i64 rows = std::max<i64>(0, std::min(vis_y, room_y)) / k.round_rows * k.round_rows;
  Picked g{};
  g.logo_cols = static_cast<int32_t>(cols);
  g.logo_rows = static_cast<int32_t>(rows);
  g.cut_col = cut_x * p.s32LeftCut;
  g.cut_row = cut_y * p.s32TopCut;
  g.col0 = g.cut_col + k.phase;
  g.row0 = g.cut_row;
  g.out_cols = g.logo_cols / k.rx;
  g.out_rows = g.logo_rows / k.ry;
  return g;
}

// Cut multipliers fit in 32 bits: the checks bound the cuts by the logo size over the ratio.
int32_t cut_scale(const Pick& k, bool adaptive, bool across) {
  return adaptive ? 1 : (across ? k.rx : k.ry);
}

struct Plan {
  Fmt fmt;
  bool field;
  Pick pick;
  bool scroll;  // second field (or odd rows) shifted by the measured motion
};

// Luma (or the packed plane) and chroma of a picked kernel, with luma optionally left to the
// adaptive colouring.
void draw_picked(const tImgPicture& pic, tLogoInstance& inst, const Plan& plan, bool luma) {
  const tLogoParam& p = inst.tParam;
  const bool adaptive = p.u32AdaptiveColor == PF_LOGO_ADAPTIVE_COLOR;
  const Picked g = pick(p, plan.pick, cut_scale(plan.pick, adaptive, true),
                        cut_scale(plan.pick, adaptive, false));
  const int32_t s = plan.scroll ? update_scroll(inst) : 0;
  const bool paste = p.u8BlendMode == PF_LOGO_BLEND_PASTE;
  Background bg = background(pic, p, plan.fmt, plan.field);
  const Logo logo = logo_planes(p, plan.fmt);
  const int32_t rows = plan.field ? g.out_rows / 2 * 2 : g.out_rows;

  if (plan.fmt == Fmt::kPacked) {
    // Byte by byte: the same walk serves both byte orders.
    bg.luma.first_col = 2 * p.s32FgLeft;
    const Walk w{rows, 2 * g.out_cols, g.row0, 2 * g.col0, plan.pick.ry, 1};
    const Shift sh = halve(s, 2);
    if (luma) {
      blend_walk(bg.luma, logo.luma, kPlanar, w, paste, {2 * sh.amount, sh.read_side}, true);
    } else {  // adaptive: the chroma bytes here, the luma bytes by the colouring
      const Walk wc{rows, g.out_cols, g.row0, g.col0, plan.pick.ry, 1};
      bg.luma.first_col = p.s32FgLeft;
      blend_walk(bg.luma, logo.luma, kPackedChroma, wc, paste, {}, false);
    }
    return;
  }

  if (luma) {
    bg.luma.first_col = p.s32FgLeft;
    const Walk w{rows, g.out_cols, g.row0, g.col0, plan.pick.ry, plan.pick.rx};
    blend_walk(bg.luma, logo.luma, kPlanar, w, paste, halve(s, 2), true);
  }
  const int32_t crows = plan.field ? g.out_rows / 4 * 2 : g.out_rows / 2;
  const Walk wc{crows,
                g.out_cols / 2,
                g.cut_row / 2,
                g.cut_col / 2 + plan.pick.phase,
                plan.pick.chroma_row_step,
                plan.pick.rx};
  const Shift csh = halve(s, 4);
  if (plan.fmt == Fmt::kNv12) {
    bg.u.first_col = p.s32FgLeft / 2;
    blend_walk(bg.u, logo.u, kPairs, wc, paste, csh, true);
  } else {
    bg.u.first_col = bg.v.first_col = p.s32FgLeft / 2;
    blend_walk(bg.u, logo.u, kPlanar, wc, paste, csh, true);
    blend_walk(bg.v, logo.v, kPlanar, wc, paste, csh, true);
  }
}

// ---- Adaptive colour ----

// First output index i with step * i + phase >= x (x >= 0).
int32_t first_at(i64 x, int32_t step, int32_t phase) {
  const i64 d = x - phase;
  return d <= 0 ? 0 : static_cast<int32_t>((d + step - 1) / step);
}

uint8_t choose_colour(uint32_t mean, bool first, uint8_t previous) {
  if (first) return mean <= 128 ? PF_LOGO_COLOR_LIGHT : PF_LOGO_COLOR_DARK;
  // Hysteresis: a character keeps its colour until the background has clearly changed, so text
  // over a background near the threshold does not flicker.
  if (previous == PF_LOGO_COLOR_LIGHT)
    return mean <= 160 ? PF_LOGO_COLOR_LIGHT : PF_LOGO_COLOR_DARK;
  return mean < 100 ? PF_LOGO_COLOR_LIGHT : PF_LOGO_COLOR_DARK;
}

// Colours the luma of every visible character cell. Cells are laid out in logo pixels (lines
// of s32LineHeight rows, characters of their listed widths) and mapped to the output samples
// the pick draws.
void colour_cells(const tImgPicture& pic, tLogoInstance& inst, const Plan& plan) {
  const tLogoParam& p = inst.tParam;
  const Picked g = pick(p, plan.pick, 1, 1);
  const bool paste = p.u8BlendMode == PF_LOGO_BLEND_PASTE;
  const bool packed = plan.fmt == Fmt::kPacked;
  const Elem& e = packed ? kPackedLuma : kPlanar;
  Dst dst = background(pic, p, plan.fmt, plan.field).luma;
  dst.first_col = p.s32FgLeft;
  const Src src = logo_planes(p, plan.fmt).luma;
  const int32_t out_rows = plan.field ? g.out_rows / 2 * 2 : g.out_rows;
  const int32_t rx = plan.pick.rx, ry = plan.pick.ry, phase = plan.pick.phase;
  const uint8_t* widths = p.pu8CharWidth;
  size_t at = static_cast<size_t>(inst.s32FirstLineIdx);
  int32_t index = 0;  // character in drawing order
  i64 y0 = 0;         // first visible logo row of the line, from the cut on
  for (int32_t line = 0; line < inst.s32LinesLeft && y0 < g.logo_rows; ++line) {
    const i64 height = line == 0 ? p.s32LineHeight - inst.s32FirstLineCut : p.s32LineHeight;
    const i64 y1 = std::min<i64>(y0 + height, g.logo_rows);
    const int32_t i0 = first_at(y0, ry, 0), i1 = std::min(first_at(y1, ry, 0), out_rows);
    i64 x = 0;  // logo column where the character starts
    for (; widths[at] != 0; ++at) {
      const i64 x_end = x + widths[at];
      const i64 vx0 = std::max<i64>(x, g.cut_col) - g.cut_col;
      const i64 vx1 = std::min<i64>(x_end, i64{g.cut_col} + g.logo_cols) - g.cut_col;
      x = x_end;
      if (vx1 <= 0) continue;            // wholly inside the left cut
      if (vx0 >= g.logo_cols) continue;  // past the drawn width: walk on to the line's end
      const int32_t j0 = first_at(vx0, rx, phase);
      const int32_t j1 = std::min(first_at(vx1, rx, phase), g.out_cols);
      const int32_t slot = index++;
      if (i1 <= i0 || j1 <= j0) continue;
      uint64_t sum = 0;
      for (int32_t i = i0; i < i1; ++i) {
        if (plan.field && (i & 1)) continue;  // fields: the first field speaks for the cell
        const uint8_t* d = dst.row(i);
        for (int32_t j = j0; j < j1; ++j) {
          sum += d[static_cast<size_t>((dst.first_col + j) * e.stride + e.offset)];
        }
      }
      const i64 cells = i64{i1 - i0} * (j1 - j0);
      const i64 divisor = plan.field ? cells / 2 : cells;
      if (divisor == 0) continue;  // no sample to judge the background by
      const uint32_t mean = static_cast<uint32_t>(static_cast<i64>(sum) / divisor);
      const bool remembered = slot < PF_LOGO_MAX_CHARS;
      const uint8_t previous = remembered ? inst.pu8FontColor[slot] : 0;
      const uint8_t colour = choose_colour(mean, inst.u32FirstFrame != 0 || !remembered, previous);
      if (remembered) inst.pu8FontColor[slot] = colour;
      for (int32_t i = i0; i < i1; ++i) {
        const i64 logo_row = i64{g.row0} + i64{ry} * i;
        const uint8_t* s = src.data + static_cast<size_t>(logo_row) * src.pitch;
        const uint8_t* a = src.alpha + static_cast<size_t>(logo_row) * src.a_pitch;
        uint8_t* d = dst.row(i);
        for (int32_t j = j0; j < j1; ++j) {
          const size_t se = static_cast<size_t>(i64{g.col0} + i64{rx} * j);
          uint8_t& out = d[static_cast<size_t>((dst.first_col + j) * e.stride + e.offset)];
          const uint8_t alpha =
              a[se * static_cast<size_t>(e.a_stride) + static_cast<size_t>(e.a_offset)];
          const uint8_t l = s[se * static_cast<size_t>(e.stride) + static_cast<size_t>(e.offset)];
          if (paste) {
            out = l;
          } else if (alpha != 255) {
            out = blend(colour, out, alpha);
          }
        }
      }
    }
    ++at;  // the line's 0 byte
    y0 += height;
  }
}

void draw_adaptive(const tImgPicture& pic, tLogoInstance& inst, const Plan& plan) {
  draw_picked(pic, inst, plan, false);
  colour_cells(pic, inst, plan);
}

// ---- Bilinear kernels ----

// 16.16 step from the first to the last of `src` samples over `out` samples. A single output
// sample has no step; it reads sample 0.
i64 step_of(i64 src, i64 out) { return out > 1 ? ((src << 16) - 65536) / (out - 1) : 0; }

struct Axis {
  i64 step;
  int32_t first;  // first output sample drawn
  int32_t count;  // samples drawn
};

// Weights in eighths from a 16-bit fraction: the top three bits, or rounded to nearest.
inline int32_t eighth(i64 position, bool rounded) {
  const i64 f = position & 0xFFFF;
  return static_cast<int32_t>(rounded ? ((f << 16) + 0x10000000) >> 29 : f >> 13);
}

// Interpolates element `e` (component c) at output (x, y). Samples at weight 0 are not read,
// so the last row and column never reach past the logo.
inline uint32_t sample(const uint8_t* base, size_t pitch, const Elem& e, int32_t c, bool alpha,
                       i64 px, i64 py, bool rounded) {
  const i64 ix = px >> 16, iy = py >> 16;
  const int32_t fx = eighth(px, rounded), fy = eighth(py, rounded);
  auto at = [&](i64 col, i64 row) -> uint32_t {
    const size_t off = alpha ? static_cast<size_t>(col * e.a_stride + e.a_offset)
                             : static_cast<size_t>(col * e.stride + e.offset + c);
    return base[static_cast<size_t>(row) * pitch + off];
  };
  auto horizontal = [&](i64 row) -> uint32_t {
    uint32_t h = at(ix, row) * static_cast<uint32_t>(8 - fx);
    if (fx > 0) h += at(ix + 1, row) * static_cast<uint32_t>(fx);
    return h;
  };
  const uint32_t h0 = horizontal(iy);
  const uint32_t h1 = fy > 0 ? horizontal(iy + 1) : 0;
  if (rounded) return (h0 * static_cast<uint32_t>(8 - fy) + h1 * static_cast<uint32_t>(fy)) >> 6;
  return (h0 * static_cast<uint32_t>(8 - fy) * 1024 + h1 * static_cast<uint32_t>(fy) * 1024) >> 16;
}

// Scales one plane of `src` (elements of layout e) into dst over the output window
// [ax.first, ax.first + ax.count) x [ay.first, ay.first + ay.count).
void scale_plane(const Dst& dst, const Src& src, const Elem& e, const Axis& ax, const Axis& ay,
                 bool paste, Shift shift, bool shift_odd, bool rounded) {
  for (int32_t j = 0; j < ay.count; ++j) {
    int32_t n = ax.count, read_off = 0, write_off = 0;
    if (shift_odd && (j & 1) && shift.amount > 0) {
      (shift.read_side ? read_off : write_off) = shift.amount;
      n -= shift.amount;
    }
    if (n <= 0) continue;
    const i64 py = (i64{ay.first} + j) * ay.step;
    uint8_t* d = dst.row(j);
    for (int32_t k = 0; k < n; ++k) {
      const i64 px = (i64{ax.first} + k + read_off) * ax.step;
      const uint8_t alpha =
          static_cast<uint8_t>(sample(src.alpha, src.a_pitch, e, 0, true, px, py, rounded));
      if (!paste && alpha == 255) continue;
      const size_t de = static_cast<size_t>(i64{dst.first_col} + k + write_off);
      for (int32_t c = 0; c < e.comps; ++c) {
        const uint8_t l =
            static_cast<uint8_t>(sample(src.data, src.pitch, e, c, false, px, py, rounded));
        uint8_t& out = d[de * static_cast<size_t>(e.stride) + static_cast<size_t>(e.offset + c)];
        out = paste ? l : blend(l, out, alpha);
      }
    }
  }
}

struct Scaled {
  i64 out_w, out_h;      // the whole logo at the background's size
  int32_t vis_w, vis_h;  // drawn, even; 0 when nothing is drawn
};

Scaled scaled(const tLogoParam& p) {
  Scaled s{};
  s.out_w = i64{p.s32FgWidth} * p.s32BgWidth / p.s32FgRefWidth;
  s.out_h = i64{p.s32FgHeight} * p.s32BgHeight / p.s32FgRefHeight;
  const i64 w = std::min(s.out_w - p.s32LeftCut - p.s32RightCut, i64{p.s32BgWidth} - p.s32FgLeft);
  const i64 h = std::min(s.out_h - p.s32TopCut - p.s32BottomCut, i64{p.s32BgHeight} - p.s32FgTop);
  if (w / 2 * 2 >= 1 && h / 2 * 2 >= 1) {
    s.vis_w = static_cast<int32_t>(w / 2 * 2);
    s.vis_h = static_cast<int32_t>(h / 2 * 2);
  }
  return s;
}

void draw_bilinear(const tImgPicture& pic, tLogoInstance& inst, Fmt fmt, bool field) {
  const tLogoParam& p = inst.tParam;
  const int32_t s = update_scroll(inst);
  const Scaled sc = scaled(p);
  if (sc.vis_w == 0) return;
  const bool scroll = field || p.u32ScanMode == PF_LOGO_SCAN_SCROLL;
  const bool paste = p.u8BlendMode == PF_LOGO_BLEND_PASTE;
  Background bg = background(pic, p, fmt, field);
  const Logo logo = logo_planes(p, fmt);
  const i64 fw = p.s32FgWidth, fh = p.s32FgHeight;

  if (fmt == Fmt::kPacked) {
    // Packed pictures are scaled byte by byte, with luma bytes following pixels and chroma
    // bytes following pixel pairs; the eighths are rounded to nearest.
    const bool uyvy = p.u32BgYuvType != PF_YUV_YUYV;
    const Axis ay{step_of(fh, sc.out_h), p.s32TopCut, sc.vis_h};
    const Axis ax_luma{step_of(fw, sc.out_w), p.s32LeftCut, sc.vis_w};
    const Axis ax_chroma{step_of(fw / 2, sc.out_w / 2), 0, 0};
    const Shift sh = halve(s, 2);
    for (int32_t j = 0; j < ay.count; ++j) {
      int32_t n = 2 * ax_luma.count, read_off = 0, write_off = 0;
      if (scroll && (j & 1) && sh.amount > 0) {
        (sh.read_side ? read_off : write_off) = 2 * sh.amount;
        n -= 2 * sh.amount;
      }
      if (n <= 0) continue;
      const i64 py = (i64{ay.first} + j) * ay.step;
      uint8_t* d = bg.luma.row(j) + 2 * static_cast<size_t>(p.s32FgLeft);
      for (int32_t k = 0; k < n; ++k) {
        const i64 b = 2 * i64{ax_luma.first} + k + read_off;  // byte of the scaled logo row
        const bool is_luma = ((b & 1) != 0) == uyvy;
        const Elem e =
            is_luma ? Elem{2, static_cast<int32_t>(b & 1), 1, 2, static_cast<int32_t>(b & 1)}
                    : Elem{4, static_cast<int32_t>(b & 3), 1, 4, static_cast<int32_t>(b & 3)};
        // An odd left cut on an odd-width logo would put the last chroma byte one pair past
        // the logo; it takes the last pair instead.
        const i64 pair = std::min<i64>(b >> 2, sc.out_w / 2 - 1);
        const i64 px = is_luma ? (b >> 1) * ax_luma.step : pair * ax_chroma.step;
        const uint8_t alpha = static_cast<uint8_t>(
            sample(logo.luma.alpha, logo.luma.a_pitch, e, 0, true, px, py, true));
        if (!paste && alpha == 255) continue;
        const uint8_t l = static_cast<uint8_t>(
            sample(logo.luma.data, logo.luma.pitch, e, 0, false, px, py, true));
        uint8_t& out = d[k + write_off];
        out = paste ? l : blend(l, out, alpha);
      }
    }
    return;
  }

  bg.luma.first_col = p.s32FgLeft;
  const Axis ax{step_of(fw, sc.out_w), p.s32LeftCut, sc.vis_w};
  const Axis ay{step_of(fh, sc.out_h), p.s32TopCut, sc.vis_h};
  scale_plane(bg.luma, logo.luma, kPlanar, ax, ay, paste, halve(s, 2), scroll, false);

  const Axis cx{step_of(fw / 2, sc.out_w / 2), p.s32LeftCut / 2, sc.vis_w / 2};
  const Axis cy{step_of(fh / 2, sc.out_h / 2), p.s32TopCut / 2,
                field ? sc.vis_h / 4 * 2 : sc.vis_h / 2};
  const Shift csh = halve(s, 4);
  if (fmt == Fmt::kNv12) {
    bg.u.first_col = p.s32FgLeft / 2;
    scale_plane(bg.u, logo.u, kPairs, cx, cy, paste, csh, scroll, false);
  } else {
    bg.u.first_col = bg.v.first_col = p.s32FgLeft / 2;
    scale_plane(bg.u, logo.u, kPlanar, cx, cy, paste, csh, scroll, false);
    scale_plane(bg.v, logo.v, kPlanar, cx, cy, paste, csh, scroll, false);
  }
}

}  // namespace

int32_t update_scroll(tLogoInstance& inst) {
  const tLogoParam& p = inst.tParam;
  const bool still = p.s32LeftCut == inst.s32PrevLeftCut && p.s32FgLeft == inst.s32PrevLeft &&
                     p.s32RightCut == inst.s32PrevRightCut;
  if (inst.u32CallCount == 1) {
    // The motion is measured once, between the first two calls; cuts and positions are bounded
    // by the picture, so the differences fit.
    if (still) {
      inst.s32Shift = 0;
    } else if (p.s32LeftCut != inst.s32PrevLeftCut) {
      inst.s32Shift = p.s32LeftCut - inst.s32PrevLeftCut;
    } else if (p.s32RightCut > inst.s32PrevRightCut) {
      inst.s32Shift = -(p.s32RightCut - inst.s32PrevRightCut);
    } else {
      inst.s32Shift = inst.s32PrevLeft - p.s32FgLeft;
    }
  } else if (still) {
    inst.s32Shift = 0;
  }
  inst.s32PrevLeftCut = p.s32LeftCut;
  inst.s32PrevLeft = p.s32FgLeft;
  inst.s32PrevRightCut = p.s32RightCut;
  // Only "first", "second" and "later" matter; stopping at 2 keeps a long run from wrapping
  // back to a second measurement.
  if (inst.u32CallCount < 2) ++inst.u32CallCount;
  return inst.s32Shift;
}

void skip_cut_text_lines(tLogoInstance& inst) {
  const tLogoParam& p = inst.tParam;
  const int32_t lines = p.s32FgHeight / p.s32LineHeight;
  int32_t r = p.s32TopCut, skipped = 0;
  size_t at = 0;
  while (skipped < lines && r >= p.s32LineHeight) {
    while (p.pu8CharWidth[at] != 0) ++at;
    ++at;
    r -= p.s32LineHeight;
    ++skipped;
  }
  inst.s32LinesLeft = lines - skipped;
  inst.s32FirstLineIdx = static_cast<int32_t>(at);
  inst.s32FirstLineCut = r;
  inst.u32FirstFrame = 1;
}

}  // namespace pf

namespace {

using pf::Fmt;
using pf::Plan;

constexpr Plan kF420{Fmt::k420, false, pf::kSame, false};
constexpr Plan kD420{Fmt::k420, true, pf::kSame, true};
constexpr Plan kFNv12{Fmt::kNv12, false, pf::kSame, false};
constexpr Plan kDNv12{Fmt::kNv12, true, pf::kSame, true};
constexpr Plan kF422{Fmt::kPacked, false, pf::kSame, true};
constexpr Plan kD422{Fmt::kPacked, true, pf::kSame, true};

constexpr Plan no_scroll(Plan plan) {
  plan.scroll = false;
  return plan;
}
constexpr Plan with_pick(Plan plan, pf::Pick k) {
  plan.pick = k;
  return plan;
}

}  // namespace

extern "C" {

#define PF_PICKED(name, plan)                                                     \
  void name##_c(const tImgPicture* ptPicture, tLogoInstance* ptInstance, void*) { \
    pf::draw_picked(*ptPicture, *ptInstance, plan, true);                         \
  }
#define PF_ADAPTIVE(name, plan)                                                   \
  void name##_c(const tImgPicture* ptPicture, tLogoInstance* ptInstance, void*) { \
    pf::draw_adaptive(*ptPicture, *ptInstance, no_scroll(plan));                  \
  }
#define PF_BILINEAR(name, fmt, field)                                             \
  void name##_c(const tImgPicture* ptPicture, tLogoInstance* ptInstance, void*) { \
    pf::draw_bilinear(*ptPicture, *ptInstance, fmt, field);                       \
  }

PF_PICKED(AddLogo420Frame, kF420)
PF_PICKED(AddLogo420Field, kD420)
PF_PICKED(AddQuarterLogo420Frame, with_pick(kF420, pf::kQuarter))
PF_PICKED(AddSixteenthLogo420Frame, with_pick(kF420, pf::kSixteenth))
PF_PICKED(AddHalfHoriLogo420Field, with_pick(kD420, pf::kHalfHori))
PF_PICKED(AddLogo422Frame, kF422)
PF_PICKED(AddLogo422Field, kD422)
PF_PICKED(AddLogoNV12Frame, kFNv12)
PF_PICKED(AddLogoNV12Field, kDNv12)
PF_PICKED(AddQuarterLogoNV12Frame, with_pick(kFNv12, pf::kQuarter))
PF_PICKED(AddSixteenthLogoNV12Frame, with_pick(kFNv12, pf::kSixteenth))
PF_PICKED(AddHalfHoriLogoNV12Field, with_pick(kDNv12, pf::kHalfHori))

PF_BILINEAR(AddLogo422Frame_sclae, Fmt::kPacked, false)
PF_BILINEAR(AddBilinearLogo420Frame, Fmt::k420, false)
PF_BILINEAR(AddBilinearLogo420Field, Fmt::k420, true)
PF_BILINEAR(AddBilinearLogoNV12Frame, Fmt::kNv12, false)
PF_BILINEAR(AddBilinearLogoNV12Field, Fmt::kNv12, true)

PF_ADAPTIVE(AddLogo420FrameAdaptiveColor, kF420)
PF_ADAPTIVE(AddLogo420FieldAdaptiveColor, kD420)
PF_ADAPTIVE(AddLogo422FrameAdaptiveColor, kF422)
PF_ADAPTIVE(AddLogo422FieldAdaptiveColor, kD422)
PF_ADAPTIVE(AddLogoNV12FrameAdaptiveColor, kFNv12)
PF_ADAPTIVE(AddLogoNV12FieldAdaptiveColor, kDNv12)
PF_ADAPTIVE(AddQuarterLogo420FrameAdaptiveColor, with_pick(kF420, pf::kQuarter))
PF_ADAPTIVE(AddQuarterLogoNV12FrameAdaptiveColor, with_pick(kFNv12, pf::kQuarter))
PF_ADAPTIVE(AddHalfHoriLogo420FieldAdaptiveColor, with_pick(kD420, pf::kHalfHori))
PF_ADAPTIVE(AddHalfHoriLogoNV12FieldAdaptiveColor, with_pick(kDNv12, pf::kHalfHori))

#undef PF_PICKED
#undef PF_ADAPTIVE
#undef PF_BILINEAR

}  // extern "C"
