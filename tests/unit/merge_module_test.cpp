// SPDX-License-Identifier: BSD-2-Clause
// The merge module through its entry points: every style at every background size composes its
// windows where the layout formulas put them (read back from flat-coloured pictures), bands and
// empty windows take the background colour, focus frames and boundary lines land where their
// rules draw them, and the module's codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "composition_helpers.hpp"
#include "img_banner.h"
#include "img_merge.h"
#include "module_cases.hpp"
#include "rng.hpp"
#include "vmem_fixture.hpp"

namespace {

using P = tImgMergeParam;

// ---------------------------------------------------------------- the layouts, from the formulas

struct Rect {
  int x, y, w, h;
};

constexpr int kSizes[9][2] = {{352, 288},  {720, 576},  {720, 480}, {768, 768}, {1024, 768},
                              {1024, 800}, {1280, 800}, {704, 576}, {704, 480}};
constexpr int kCount[23] = {0,  1,  2,  2,  3,  4,  4,  6,  7,  8,  9, 10,
                            10, 10, 12, 13, 14, 16, 16, 25, 36, 49, 64};

// The window size of the style table, then the corrections.
using Size = std::pair<int, int>;
Rect size_of(int style, int n, int W, int H) {
  const int tw = W / 3 / 2 * 2, th = H / 3 / 2 * 2;
  const bool one = n == 1;
  auto table = [&]() -> Size {
    if (style == 1 || (style == 3 && one)) return {W, H};
    if (style == 2 || style == 4 || style == 5) return {W / 2, H / 2};
    if (style == 3 || style == 10) return {tw, th};
    if (style == 6) return one ? Size{W - tw, H - th} : Size{tw, th};
    if (style == 7) return {(one ? 2 : 1) * tw, (one ? 2 : 1) * th};
    if (style == 8) return n <= 3 ? Size{W / 2, H / 2} : Size{W / 4, H / 4};
    if (style == 9) return one ? Size{3 * W / 4, 3 * H / 4} : Size{W / 4, H / 4};
    if (style == 11 && (n == 1 || n == 6)) return {W / 2, H / 2};
    if (style == 12 && n <= 2) return {W / 2, H / 2};
    if (style == 11 || style == 12 || style == 17) return {W / 4, H / 4};
    if (style == 13) return one ? Size{4 * W / 5, 4 * (H / 5) - 4} : Size{W / 5, H / 5 - 1};
    if (style == 14) return one ? Size{5 * W / 6, 5 * H / 6} : Size{W / 6, H / 6};
    if (style == 15) return one ? Size{W / 2, H / 2} : Size{W / 4, H / 4};
    if (style == 16) return one ? Size{6 * (W / 7), 6 * (H / 7)} : Size{W / 7, H / 7};
    if (style == 18) return one ? Size{7 * W / 8, 7 * H / 8} : Size{W / 8, H / 8};
    return {W / (style - 14), H / (style - 14)};  // 19..22: 5x5 .. 8x8
  };
  auto [w, h] = table();
  if (style == 7 && W == 352 && (n == 4 || n == 5)) w = 120;
  struct Fix {
    bool width;
    int from, to;
  };
  static const Fix kChain[] = {
      {true, 360, 352},  {true, 180, 176},  {true, 236, 240}, {true, 232, 240}, {true, 116, 112},
      {true, 117, 116},  {true, 586, 580},  {true, 563, 560}, {true, 540, 528}, {true, 96, 88},
      {false, 115, 114}, {false, 563, 564}, {false, 95, 96}};
  for (const Fix& f : kChain) {
    int& v = f.width ? w : h;
    if (v != f.from || (f.width && f.from == 96 && style == 22)) continue;
    v = f.to;
    break;
  }
  if (h == 380) h = 384;
  if (h == 80 && style != 14 && style != 20) h = 72;
  return {0, 0, w, h};
}

// The six square grids (x0 + dx c, y0 + dy r) at the nine sizes; zeros where a grid has no
// layout. The 8x8 grid at 352x288 is the grid of its 44x36 windows.
struct GridRow {
  int x0, dx, y0, dy;
};
constexpr GridRow kGrid3[9] = {{8, 112, 0, 96},  {0, 240, 0, 192}, {0, 240, 0, 160},
                               {0, 256, 0, 256}, {2, 340, 0, 256}, {2, 340, 0, 266},
                               {0, 426, 0, 266}, {0, 234, 0, 192}, {0, 234, 0, 160}};
constexpr GridRow kGrid4[9] = {{0, 88, 0, 72},   {8, 176, 0, 144}, {8, 176, 0, 120},
                               {0, 192, 0, 192}, {0, 256, 0, 192}, {0, 256, 0, 200},
                               {0, 320, 0, 200}, {0, 176, 0, 144}, {0, 176, 0, 120}};
constexpr GridRow kGrid5[9] = {{0, 0, 0, 0},     {0, 144, 2, 114}, {0, 0, 0, 0},
                               {4, 152, 4, 152}, {2, 204, 4, 152}, {2, 204, 0, 160},
                               {0, 256, 0, 160}, {2, 140, 2, 114}, {2, 140, 0, 96}};
constexpr GridRow kGrid6[9] = {{0, 0, 0, 0},     {0, 120, 0, 96},  {0, 0, 0, 0},
                               {0, 128, 0, 128}, {2, 170, 0, 128}, {2, 170, 4, 132},
                               {4, 212, 4, 132}, {4, 116, 0, 96},  {4, 116, 0, 80}};
constexpr GridRow kGrid7[9] = {{0, 0, 0, 0},     {2, 102, 0, 82},  {0, 0, 0, 0},
                               {6, 108, 6, 108}, {0, 146, 6, 108}, {0, 146, 0, 114},
                               {2, 182, 0, 114}, {0, 100, 0, 82},  {0, 100, 0, 68}};
constexpr GridRow kGrid8[9] = {{0, 44, 0, 36},   {0, 90, 0, 72},  {0, 90, 0, 60},
                               {0, 96, 0, 96},   {0, 128, 0, 96}, {0, 128, 0, 100},
                               {0, 160, 0, 100}, {0, 88, 0, 72},  {0, 88, 0, 60}};
constexpr const GridRow* kGrid[6] = {kGrid3, kGrid4, kGrid5, kGrid6, kGrid7, kGrid8};

// The layouts drawn on the grids: the grid side and each window's cell (column, row), window 1
// first. The big windows take the top-left cell; the others run down the right column and along
// the bottom row.
struct Layout {
  int side;
  std::vector<std::pair<int, int>> cells;
};
Layout corner_ring(int k) {
  Layout l{k, {{0, 0}}};
  for (int r = 0; r < k - 1; ++r) l.cells.push_back({k - 1, r});
  for (int c = 0; c < k; ++c) l.cells.push_back({c, k - 1});
  return l;
}
Layout layout_of(int style) {
  if (style == 2) return {4, {{0, 1}, {2, 1}}};
  if (style == 4) return {4, {{1, 0}, {0, 2}, {2, 2}}};
  if (style == 5) return {4, {{0, 0}, {2, 0}, {0, 2}, {2, 2}}};
  if (style == 7) return {3, {{0, 0}, {2, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}}};
  if (style == 8) return {4, {{0, 0}, {2, 0}, {0, 2}, {2, 2}, {3, 2}, {2, 3}, {3, 3}}};
  if (style == 9) return {4, {{0, 0}, {3, 0}, {3, 1}, {3, 2}, {0, 3}, {1, 3}, {2, 3}, {3, 3}}};
  if (style == 11) {
    return {4, {{0, 0}, {2, 0}, {3, 0}, {2, 1}, {3, 1}, {0, 2}, {2, 2}, {3, 2}, {2, 3}, {3, 3}}};
  }
  if (style == 12) {
    return {4, {{0, 0}, {2, 0}, {0, 2}, {1, 2}, {2, 2}, {3, 2}, {0, 3}, {1, 3}, {2, 3}, {3, 3}}};
  }
  if (style == 15) {
    Layout l{4, {{0, 0}, {2, 0}, {3, 0}, {2, 1}, {3, 1}}};
    for (int n = 8; n < 16; ++n) l.cells.push_back({n % 4, n / 4});
    return l;
  }
  if (style == 13 || style == 14 || style == 16 || style == 18) {
    return corner_ring(style == 13 ? 5 : style == 14 ? 6 : style == 16 ? 7 : 8);
  }
  const int k = style == 10 ? 3 : style == 17 ? 4 : style - 14;  // the plain grids
  Layout l{k, {}};
  for (int n = 0; n < k * k; ++n) l.cells.push_back({n % k, n / k});
  return l;
}

// Sizes at which a style has no layout (index into kSizes: 0 is 352x288, 2 is 720x480).
bool without_layout(int style, int s) {
  if (style == 8 || style == 9 || style == 11 || style == 15) return s == 0;
  if (style == 12) return !(s == 0 || s == 1 || s == 7);
  return (style == 13 || style == 14 || style == 16 || (style >= 18 && style <= 21)) &&
         (s == 0 || s == 2);
}

// The corner of window n (1-based) of a style at size index s.
Rect corner_of(int style, int n, int s) {
  const int W = kSizes[s][0], H = kSizes[s][1];
  if (style == 1) return {0, 0, 0, 0};
  if (style == 3) {  // picture in picture: the small window in the bottom-right corner
    if (n == 1) return {};
    const Rect w2 = size_of(3, 2, W, H);
    return {W - w2.w, H - w2.h, 0, 0};
  }
  if (style == 6) {  // one big window, centred in height, and a column of three on the right
    const Rect w1 = size_of(6, 1, W, H), w2 = size_of(6, 2, W, H);
    if (n == 1) return {0, (H - w1.h) / 2 / 2 * 2, 0, 0};
    return {W - w2.w, (H / 3 / 2 * 2) * (n - 2), 0, 0};
  }
  // At 352x288 the Six layout runs on a 120-pixel pitch (its windows 4 and 5 are 120 wide).
  if (style == 7 && s == 0) {
    const auto [c, r] = layout_of(7).cells[static_cast<size_t>(n - 1)];
    return {120 * c, 96 * r, 0, 0};
  }
  // The one window off its grid: Ten's window 6 at 1024x768 sits one row lower than the grid
  // says, and hangs out of the picture; what lies outside is not drawn.
  if (style == 11 && s == 4 && n == 6) return {0, 512, 0, 0};
  const Layout l = layout_of(style);
  const int k = l.side;
  const int which = k == 3 ? 0 : k - 3;
  const GridRow g = kGrid[which][s];
  const auto [c, r] = l.cells[static_cast<size_t>(n - 1)];
  return {g.x0 + g.dx * c, g.y0 + g.dy * r, 0, 0};
}

Rect window_rect(int style, int n, int s) {
  const Rect c = corner_of(style, n, s);
  const Rect z = size_of(style, n, kSizes[s][0], kSizes[s][1]);
  return {c.x, c.y, z.w, z.h};
}

// ---------------------------------------------------------------- pictures and the model

using pft::Yuv;
constexpr auto convert = pft::rgb_to_yuv;

constexpr size_t kGuard = 256;

// A contiguous 4:2:0 background with a guard band after it, and the same picture as the model
// expects it (planes as display-ordered rows; field storage is applied when comparing).
class Background {
 public:
  // Black, in the picture and the model; the guard band is the same in both.
  Background(int w, int h, bool field) : w_(w), h_(h), field_(field) {
    const size_t luma = static_cast<size_t>(w) * h;
    buffer_.assign(luma * 3 / 2 + kGuard, 0x5A);
    std::fill_n(buffer_.begin(), luma, 0);
    std::fill_n(buffer_.begin() + static_cast<ptrdiff_t>(luma), luma / 2, 128);
    model_ = buffer_;
  }
  uint8_t* data() { return buffer_.data(); }
  // Paints display rows [y, y + rows) and columns [x, x + w) of a plane in the model.
  void paint(int plane, int x, int y, int w, int rows, int value) {
    const int pw = plane == 0 ? w_ : w_ / 2, ph = plane == 0 ? h_ : h_ / 2;
    for (int r = std::max(y, 0); r < std::min(y + rows, ph); ++r) {
      for (int c = std::max(x, 0); c < std::min(x + w, pw); ++c) at(plane, c, r) = uint8_t(value);
    }
  }
  // What the banner does with a rectangle: refused when empty or starting outside, clipped at
  // the right and bottom, every value rounded down to even; chroma is half of it.
  void banner(int w, int h, int left, int top, Yuv c) {
    if (w < 1 || h < 1 || top < 0 || left < 0 || top >= h_ || left >= w_) return;
    w = std::min(w, w_ - left) & ~1, h = std::min(h, h_ - top) & ~1;
    left &= ~1, top &= ~1;
    paint(0, left, top, w, h, c.y);
    paint(1, left / 2, top / 2, w / 2, h / 2, c.u);
    paint(2, left / 2, top / 2, w / 2, h / 2, c.v);
  }
  // The first difference between picture and model (plane, stored row and column), or "".
  std::string compare() const {
    const auto d = std::mismatch(buffer_.begin(), buffer_.end(), model_.begin());
    if (d.first == buffer_.end()) return "";
    const size_t i = size_t(d.first - buffer_.begin()), luma = size_t(w_) * size_t(h_);
    if (i >= luma * 3 / 2) return "guard band written";
    const size_t plane = i < luma ? 0 : i < luma * 5 / 4 ? 1 : 2;
    const size_t at = i - (plane == 0 ? 0 : luma + (plane - 1) * luma / 4);
    const size_t pw = plane == 0 ? size_t(w_) : size_t(w_) / 2;
    return "plane " + std::to_string(plane) + " stored row " + std::to_string(at / pw) +
           " column " + std::to_string(at % pw) + ": " + std::to_string(*d.first) + " want " +
           std::to_string(*d.second);
  }
  // Model and picture samples at display position.
  uint8_t& at(int plane, int x, int y) { return model_[offset(plane, x, y)]; }
  uint8_t got(int plane, int x, int y) const { return buffer_[offset(plane, x, y)]; }

 private:
  size_t offset(int plane, int x, int y) const {
    const size_t luma = static_cast<size_t>(w_) * h_;
    const int row = pft::stored_row(y, plane == 0 ? h_ : h_ / 2, field_);
    if (plane == 0) return static_cast<size_t>(row) * w_ + x;
    return luma + (plane == 2 ? luma / 4 : 0) + static_cast<size_t>(row) * (w_ / 2) + x;
  }

  int w_, h_;
  bool field_;
  std::vector<uint8_t> buffer_, model_;
};

// One flat picture per window: luma, U and V distinct for every slot.
Yuv slot_colour(int i) { return {16 + i, 100 + i, 200 - i}; }

std::vector<uint8_t> flat_picture(int w, int h, Yuv c) {
  std::vector<uint8_t> p(static_cast<size_t>(w) * h * 3 / 2);
  const size_t luma = static_cast<size_t>(w) * h;
  std::fill(p.begin(), p.begin() + static_cast<ptrdiff_t>(luma), uint8_t(c.y));
  std::fill(p.begin() + static_cast<ptrdiff_t>(luma),
            p.begin() + static_cast<ptrdiff_t>(luma * 5 / 4), uint8_t(c.u));
  std::fill(p.begin() + static_cast<ptrdiff_t>(luma * 5 / 4), p.end(), uint8_t(c.v));
  return p;
}

// A parameter record with slot i in window i + 1 at its size; nothing drawn but the pictures.
P record_for(int style, int s, bool field_output) {
  P p{};
  p.u16MergeStyle = static_cast<uint16_t>(style);
  p.u32BgWidth = static_cast<uint32_t>(kSizes[s][0]);
  p.u32BgHeight = static_cast<uint32_t>(kSizes[s][1]);
  p.u32ImageType = field_output ? PF_IMAGE_FIELD : PF_IMAGE_FRAME;
  p.u32YuvType = PF_YUV_420;
  for (int i = 0; i < kCount[style]; ++i) {
    const Rect r = size_of(style, i + 1, kSizes[s][0], kSizes[s][1]);
    tImgMergeWindow& w = p.atWindow[i];
    w.u32Width = static_cast<uint32_t>(r.w);
    w.u32Height = static_cast<uint32_t>(r.h);
    w.u32ImageType = PF_IMAGE_FRAME;
    w.u32YuvType = PF_YUV_420;
    w.u8WindowNo = static_cast<uint8_t>(i + 1);
  }
  return p;
}

// The pictures of a record's slots (flat colours), and the model's copy of them: luma rows in
// pairs from the window's top; chroma in pairs of chroma rows (in a field background each field
// holds its own pairs, from field chroma line y / 4).
struct Composition {
  std::vector<std::vector<uint8_t>> pictures;
  uint8_t* array[PF_MERGE_PICTURE_ENTRIES] = {};
};

Composition compose_model(const P& p, int s, Background& bg,
                          const std::function<void(int slot)>& after = nullptr) {
  Composition c;
  const int style = p.u16MergeStyle;
  const bool field = p.u32ImageType == PF_IMAGE_FIELD;
  for (int i = 0; i < kCount[style]; ++i) {
    const tImgMergeWindow& w = p.atWindow[i];
    if (w.u8Empty == 1) {
      c.pictures.emplace_back();
      continue;
    }
    const Yuv colour = slot_colour(i);
    c.pictures.push_back(flat_picture(int(w.u32Width), int(w.u32Height), colour));
    c.array[i] = c.pictures.back().data();
    const Rect r = corner_of(style, w.u8WindowNo, s);
    const int ww = int(w.u32Width), wh = int(w.u32Height);
    bg.paint(0, r.x, r.y, ww, 2 * (wh / 2), colour.y);
    for (int plane = 1; plane < 3; ++plane) {
      const int value = plane == 1 ? colour.u : colour.v;
      if (!field) {
        bg.paint(plane, r.x / 2, r.y / 2, ww / 2, 2 * (wh / 4), value);
        continue;
      }
      // Field storage: wh / 4 chroma lines in each field from field line y / 4, which are the
      // display chroma rows 2 (y / 4) + 2 j (first field) and one below (second field).
      for (int j = 0; j < wh / 4; ++j) {
        bg.paint(plane, r.x / 2, 2 * (r.y / 4) + 2 * j, ww / 2, 2, value);
      }
    }
    if (after) after(i);
  }
  return c;
}

class MergeModule : public pft::VmemTest {
 protected:
  // Opens on p, merges the composition's pictures into the background, closes.
  void merge(const P& p, Composition& c, Background& bg) {
    void* h = nullptr;
    ASSERT_EQ(ImgMergeOpen_c(&h, &p, mem()), 0u);
    c.array[PF_MERGE_OUTPUT_Y] = bg.data();
    int context = 0;
    ASSERT_EQ(ImgMergeProcess_c(h, c.array, &context), 0u);
    EXPECT_EQ(ImgMergeClose_c(h), 0u);
  }
};

// Every style at every size: the windows of distinct flat pictures land exactly where the
// formulas put them, later slots on top, in frame and in field storage; sizes without a layout
// are refused; nothing outside the background is written, and the pictures are left alone.
TEST_F(MergeModule, EveryStyleAtEverySizePlacesItsWindows) {
  pft::Rng rng(6);
  for (int style = 0; style < 23; ++style) {
    for (int s = 0; s < 9; ++s) {
      const int W = kSizes[s][0], H = kSizes[s][1];
      SCOPED_TRACE(testing::Message() << "style " << style << " at " << W << "x" << H);
      const bool field = rng.chance(30);
      P p = record_for(style, s, field);
      for (int i = 0; i < kCount[style]; ++i) {
        p.atWindow[i].u32ImageType = rng.chance(50) ? PF_IMAGE_FRAME : PF_IMAGE_FIELD;
      }
      if (style != 0 && without_layout(style, s)) {
        void* h = nullptr;
        EXPECT_EQ(ImgMergeOpen_c(&h, &p, mem()), ERR_IMG_MERGE_BG_STYLE);
        continue;
      }
      for (int n = 1; n <= kCount[style]; ++n) {
        const Rect want = window_rect(style, n, s);
        int x = -1, y = -1, w = -1, h = -1;
        EXPECT_EQ(ImgMergeGetWindowRect(style, n, W, H, &x, &y, &w, &h), 1);
        EXPECT_EQ((std::array{x, y, w, h}), (std::array{want.x, want.y, want.w, want.h}))
            << "window " << n;
      }
      Background bg(W, H, field);
      Composition c = compose_model(p, s, bg);
      const std::vector<std::vector<uint8_t>> before = c.pictures;
      merge(p, c, bg);
      EXPECT_EQ(bg.compare(), "");
      EXPECT_TRUE(c.pictures == before) << "a window picture changed";
    }
  }
}

// Background bands of VTow, Three and SFour, and empty windows: filled with the background
// colour when asked, left alone otherwise; an empty slot is not checked and needs no picture.
TEST_F(MergeModule, BandsAndEmptyWindowsTakeTheBackgroundColour) {
  const int kBandStyles[] = {2, 4, 6, 5, 17};
  for (int style : kBandStyles) {
    for (int s : {0, 1, 8}) {
      for (int fill = 0; fill < 2; ++fill) {
        const int W = kSizes[s][0], H = kSizes[s][1];
        SCOPED_TRACE(testing::Message()
                     << "style " << style << " at " << W << "x" << H << " fill " << fill);
        P p = record_for(style, s, false);
        p.u8BgR = 30, p.u8BgG = 200, p.u8BgB = 90;
        p.u8FillEmpty = static_cast<uint8_t>(fill);
        // The last slot is empty, with a record that would not pass its checks.
        tImgMergeWindow& last = p.atWindow[kCount[style] - 1];
        last.u8Empty = 1, last.u32Width = 3, last.u32YuvType = 0, last.u8WindowNo = 99;
        Background bg(W, H, false);
        const Yuv c = convert(30, 200, 90);
        switch (style) {
          case 2:
            bg.banner(W, H / 4, 0, 0, c);
            bg.banner(W, H / 4, 0, 3 * H / 4, c);
            bg.banner(8, H / 2, 0, H / 4, c);
            bg.banner(8, H / 2, W - 8, H / 4, c);
            break;
          case 4:
            bg.banner(W / 4 + 4, H / 2, 0, 0, c);
            bg.banner(W / 2, H / 2, W / 2, 0, c);
            bg.banner(8, H / 2, 0, H / 2, c);
            bg.banner(8, H / 2, W - 8, H / 2, c);
            break;
          case 6: {
            const int x2 = corner_of(6, 2, s).x;
            bg.banner(x2, H / 4, 0, 0, c);
            bg.banner(x2, H / 4, 0, 3 * H / 4, c);
            break;
          }
          default:
            break;
        }
        Composition comp = compose_model(p, s, bg);
        if (fill == 1) {
          const Rect r = window_rect(style, kCount[style], s);
          bg.banner(r.w, r.h, r.x, r.y, c);
        }
        merge(p, comp, bg);
        EXPECT_EQ(bg.compare(), "");
      }
    }
  }
}

// Windows with r or b insets (from the focus rule): the frame is inset on that side.
struct FocusInsets {
  std::vector<int> right, bottom;
};
FocusInsets insets_of(int style) {
  auto range = [](int a, int b) {
    std::vector<int> v;
    for (int n = a; n <= b; ++n) v.push_back(n);
    return v;
  };
  auto cat = [](std::vector<int> a, std::vector<int> b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  if (style == 1) return {{1}, {1}};
  if (style == 2) return {{2}, {1, 2}};
  if (style == 3) return {{1, 2}, {1, 2}};
  if (style == 4) return {{1, 3}, {2, 3}};
  if (style == 5) return {{2, 4}, {3, 4}};
  if (style == 6) return {{2, 3, 4}, {1, 4}};
  if (style == 7) return {{1, 2, 3, 5, 6}, {4, 5, 6}};
  if (style == 8) return {{2, 5, 7}, {3, 6, 7}};
  if (style == 9) return {{2, 3, 4, 8}, {5, 6, 7, 8}};
  if (style == 11) return {{3, 5, 8, 10}, {6, 9, 10}};
  if (style == 12) return {{2, 6, 10}, {7, 8, 9, 10}};
  if (style == 15) return {{3, 5, 9, 13}, range(10, 13)};
  if (style == 13 || style == 14 || style == 16 || style == 18) {  // the corner rings
    const int k = layout_of(style).side;
    return {cat(range(2, k), {2 * k}), range(k + 1, 2 * k)};
  }
  const int k = layout_of(style).side;  // the plain grids
  FocusInsets f;
  for (int n = k; n <= k * k; n += k) f.right.push_back(n);
  f.bottom = range(k * (k - 1) + 1, k * k);
  return f;
}

// A focus frame in every style at three sizes, at the default and at random widths: four edges
// inside the window, t below its top and t right of its left (not in windows 2, 3 and 6 of Six),
// inset at the right and bottom where the rule says; only windows with the flag get one.
TEST_F(MergeModule, FocusFramesFollowTheInsetRule) {
  pft::Rng rng(35);
  for (int style = 1; style < 23; ++style) {
    for (int s : {0, 1, 7}) {
      if (without_layout(style, s)) continue;
      // The default width everywhere, a random one at some sizes.
      const int rounds = rng.chance(40) ? 2 : 1;
      for (int round = 0; round < rounds; ++round) {
        const int W = kSizes[s][0], H = kSizes[s][1];
        P p = record_for(style, s, false);
        p.u8DrawFocus = 1;
        p.u8BoundaryWidth = static_cast<uint8_t>(round == 0 ? 0 : 2 * rng.range(1, 6));
        const int slot = rng.range(0, kCount[style] - 1);
        p.atWindow[slot].u8Focus = 1;
        p.atWindow[slot].u8FocusR = 255, p.atWindow[slot].u8FocusG = 255;
        p.atWindow[slot].u8FocusB = 255;
        const int n = slot + 1;
        SCOPED_TRACE(testing::Message() << "style " << style << " at " << W << "x" << H
                                        << " window " << n << " width " << int(p.u8BoundaryWidth));
        Background bg(W, H, false);
        const Rect r = window_rect(style, n, s);
        int t = p.u8BoundaryWidth;
        if (t == 0) t = style == 1 ? (r.w == 720 ? 4 : 2) : (W == 352 ? 2 : 4);
        const FocusInsets in = insets_of(style);
        auto has = [](const std::vector<int>& v, int k) {
          return std::find(v.begin(), v.end(), k) != v.end();
        };
        const int li = style == 7 && (n == 2 || n == 3 || n == 6) ? 0 : t;
        const int ri = has(in.right, n) ? t : 0, bi = has(in.bottom, n) ? t : 0;
        // The frame goes on the window's picture; later windows cover what they overlap of it.
        Composition comp = compose_model(p, s, bg, [&](int i) {
          if (i != slot) return;
          const Yuv white{254, 129, 129};
          bg.banner(r.w - li - ri, t, r.x + li, r.y + t, white);
          bg.banner(r.w - li - ri, t, r.x + li, r.y + r.h - bi - t, white);
          bg.banner(t, r.h - t - bi, r.x + li, r.y + t, white);
          bg.banner(t, r.h - t - bi, r.x + r.w - ri - t, r.y + t, white);
        });
        merge(p, comp, bg);
        EXPECT_EQ(bg.compare(), "");
      }
    }
  }
}

// The boundary line lists that are spelled out line by line (full, VTow, ITow, Four, Nine,
// Sixteen and the 5x5 to 8x8 grids) for a line width t.
struct Line {
  int w, h, x, y;
  bool black;
};

std::vector<Line> spelled_out(int style, int s, int t) {
  const int W = kSizes[s][0], H = kSizes[s][1];
  auto x = [&](int n) { return corner_of(style, n, s).x; };
  auto y = [&](int n) { return corner_of(style, n, s).y; };
  if (style == 1)
    return {
        {W, t, 0, 0, false}, {t, H, W - t, 0, false}, {W, t, 0, H - t, false}, {t, H, 0, 0, false}};
  if (style == 5) {
    const int off = W == 720 ? 16 : 0;
    std::vector<Line> l = {{W - off, t, x(1), y(1), false},   {W - off, t, x(1), H - t, false},
                           {t, H, W - off / 2 - t, 0, false}, {t, H, x(1), 0, false},
                           {W - off, t, x(1), H / 2, false},  {t, H, x(2), 0, false}};
    if (W == 720) l.insert(l.end(), {{8, H, 0, 0, true}, {8, H, W - 8, 0, true}});
    return l;
  }
  if (style == 2) {
    const int off = W == 720 ? 16 : 0;
    return {{W - off, t, x(1), y(1), false},
            {W - off, t, x(1), 3 * H / 4 - t, false},
            {t, H / 2, W - off / 2 - t, H / 4, false},
            {t, H / 2, x(1), H / 4, false},
            {t, H / 2, x(2), H / 4, false}};
  }
  if (style == 3) {
    const int w2 = W / 3 == 117 ? 112 : W / 3;
    return {{W, t, 0, 0, false}, {t, H, W - t, 0, false},    {W, t, 0, H - t, false},
            {t, H, 0, 0, false}, {w2, t, x(2), y(2), false}, {t, H / 3, x(2), y(2), false}};
  }
  if (style == 17) {
    const bool narrow = W == 352 || W == 704;
    const int U = narrow ? W : W - 16, e = narrow ? 0 : 8;
    const int across = x(1) != 0 ? W - 16 : W;
    std::vector<Line> l = {{U, t, x(1), y(1), false},
                           {U, t, x(1), H - t, false},
                           {t, H, W - t - e, 0, false},
                           {t, H, corner_of(5, 1, s).x, 0, false},
                           {across, t, x(1), H / 4, false},
                           {across, t, x(1), H / 2, false},
                           {across, t, x(1), 3 * (H / 4), false},
                           {t, H, x(3), 0, false},
                           {t, H, x(2), 0, false},
                           {t, H, x(4), 0, false}};
    if (W == 720) l.insert(l.end(), {{8, H, 0, 0, true}, {8, H, W - 8, 0, true}});
    return l;
  }
  if (style >= 19) {  // the 5x5 .. 8x8 grids
    const int k = style - 14;
    std::vector<Line> l;
    const int left = style == 19 ? x(1) : 0;  // TwentyFive's rows start at window 1
    for (int r = 0; r < k; ++r) l.push_back({W - left, t, x(1), y(1 + k * r), false});
    int bottom = H - t;
    if (style == 19 && H != 480) bottom = H - t - 4;
    if (style == 21) bottom = H == 480 ? H - t - 4 : H - t - 2;
    l.push_back({W - left, t, x(1), bottom, false});
    for (int c = 0; c < k; ++c) l.push_back({t, H, x(1 + c), 0, false});
    l.push_back({t, H, style == 21 ? W - t - 4 : W - t, 0, false});
    if (style == 19) {
      if (W == 704) l.push_back({t, H, W - t - 2, 0, false});
      if (H != 480) l.insert(l.end(), {{W, 2, 0, 0, true}, {W, 4, 0, H - 4, true}});
      if (W == 704) l.insert(l.end(), {{2, H, 0, 0, true}, {2, H, W - 2, 0, true}});
    } else if (style == 20 && W == 704) {
      l.insert(l.end(), {{t, H, W - t - 4, 0, false}, {4, H, 0, 0, true}, {4, H, W - 4, 0, true}});
    } else if (style == 21) {
      if (W != 704) l.push_back({2, H, 0, 0, true});
      l.push_back({4, H, W - 4, 0, true});
      l.push_back(H == 480 ? Line{W, 4, 0, H - 4, true} : Line{W, 2, 0, H - 2, true});
    }
    return l;
  }
  // Nine
  const int U = W == 352 ? W - 16 : W;
  const int right = W == 352 ? W - 8 - t : W - t;
  std::vector<Line> l = {{U, t, x(1), 0, false},    {t, H, x(1), 0, false},
                         {U, t, x(4), y(4), false}, {U, t, x(7), y(7), false},
                         {t, H, x(2), y(2), false}, {t, H, x(3), y(3), false},
                         {t, H, right, 0, false}};
  if (U % 3 != 0) l.push_back({t, H, right - 2, 0, false});
  l.push_back({U, t, x(1), H - t, false});
  if (H % 3 != 0) l.push_back({U, t, x(1), H - t - 2, false});
  if (W == 352) l.insert(l.end(), {{8, H, 0, 0, true}, {8, H, W - 8, 0, true}});
  if (W == 704) l.push_back({2, H, 702, 0, true});
  return l;
}

// Every style at every size with a layout, at the default width everywhere and, at some sizes,
// at a random width and with the flag off (any value but 1 draws nothing). Lines change only
// pixels to the boundary colour or to black, draw some, and leave the rest as the windows made
// them; a default-width line is 2 pixels at 352x288 and 4 elsewhere (Thirteen: 4 everywhere),
// so the thinnest run of boundary luma across a line is that wide. The styles whose lines are
// spelled out above draw exactly those, with the banner's rounding.
TEST_F(MergeModule, BoundaryLinesFollowTheirStyles) {
  const std::set<int> spelled = {1, 2, 3, 5, 10, 17, 19, 20, 21, 22};
  const Yuv colour = convert(250, 20, 40);
  pft::Rng rng(11);
  for (int style = 0; style < 23; ++style) {
    for (int s = 0; s < 9; ++s) {
      if (style != 0 && without_layout(style, s)) continue;
      const int W = kSizes[s][0], H = kSizes[s][1];
      for (int round = 0; round < 3; ++round) {
        if (round != 0 && !rng.chance(35)) continue;
        P p = record_for(style, s, false);
        p.u8DrawBoundary = round == 2 ? 2 : 1;
        p.u8BoundaryR = 250, p.u8BoundaryG = 20, p.u8BoundaryB = 40;
        p.u8BoundaryWidth = static_cast<uint8_t>(round == 1 ? 2 * rng.range(1, 12) : 0);
        const int t = p.u8BoundaryWidth != 0 ? p.u8BoundaryWidth : s == 0 ? 2 : 4;
        SCOPED_TRACE(testing::Message() << "style " << style << " at " << W << "x" << H << " round "
                                        << round << " width " << t);
        Background bg(W, H, false);
        Composition comp = compose_model(p, s, bg);
        merge(p, comp, bg);
        int changed = 0, bad = 0;
        for (int yy = 0; yy < H; ++yy) {
          for (int xx = 0; xx < W; ++xx) {
            const uint8_t got = bg.got(0, xx, yy);
            if (got == bg.at(0, xx, yy)) continue;
            ++changed;
            if (got != colour.y && got != 0) ++bad;
          }
        }
        EXPECT_EQ(bad, 0);
        EXPECT_EQ(changed > 0, round != 2) << changed << " pixels changed";
        // The left edge of the picture's first window row: a vertical line of t pixels.
        if (round == 0 && style != 0) {
          int widest = 0;
          for (int xx = 0, run = 0; xx < W; ++xx) {
            run = bg.got(0, xx, H / 2) == colour.y ? run + 1 : 0;
            widest = std::max(widest, run);
          }
          EXPECT_GE(widest, style == 15 || s != 0 ? 4 : 2);
        }
        if (round == 2 || spelled.count(style) == 0) continue;
        for (const Line& l : spelled_out(style, s, t)) {
          bg.banner(l.w, l.h, l.x, l.y, l.black ? Yuv{0, 128, 128} : colour);
        }
        EXPECT_EQ(bg.compare(), "");
      }
    }
  }
}

// Two slots naming the same window are both copied, the later on top; window number 0 stands
// for the slot's own window; an output whose chroma planes are given separately gets them.
TEST_F(MergeModule, SlotsWindowsAndSeparatePlanes) {
  int context = 0;
  P p = record_for(5, 7, false);  // Four at 704x576
  p.atWindow[1].u8WindowNo = 1;
  p.atWindow[2].u8WindowNo = 0;
  void* h = nullptr;
  ASSERT_EQ(ImgMergeOpen_c(&h, &p, mem()), 0u);
  Background bg(704, 576, false);
  std::vector<std::vector<uint8_t>> pics;
  uint8_t* array[PF_MERGE_PICTURE_ENTRIES] = {};
  for (int i = 0; i < 4; ++i) {
    pics.push_back(flat_picture(352, 288, slot_colour(i)));
    array[i] = pics.back().data();
  }
  const int order[4][2] = {{0, 0}, {1, 0}, {2, 2}, {3, 3}};  // slot, window - 1
  for (const auto& [slot, win] : order) {
    const Rect r = window_rect(5, win + 1, 7);
    bg.banner(r.w, r.h, r.x, r.y, slot_colour(slot));  // whole even windows: a plain fill
  }
  // Window 2 is nobody's: it keeps the picture's colour.
  std::vector<uint8_t> u(352 * 288, 1), v(352 * 288, 2);
  array[PF_MERGE_OUTPUT_Y] = bg.data();
  ASSERT_EQ(ImgMergeProcess_c(h, array, &context), 0u);
  EXPECT_EQ(bg.compare(), "");
  // The same with the chroma planes elsewhere: they receive what the buffer's planes did.
  std::vector<uint8_t> y(704 * 576);
  array[PF_MERGE_OUTPUT_Y] = y.data();
  array[PF_MERGE_OUTPUT_Y + 1] = u.data();
  array[PF_MERGE_OUTPUT_Y + 2] = v.data();
  ASSERT_EQ(ImgMergeProcess_c(h, array, &context), 0u);
  EXPECT_EQ(u[0], slot_colour(1).u);
  EXPECT_EQ(v[352 * 288 - 1], slot_colour(3).v);
  EXPECT_EQ(y[704 * 576 - 1], slot_colour(3).y);
  EXPECT_EQ(ImgMergeClose_c(h), 0u);
}

TEST_F(MergeModule, ProcessRefusesMissingPictures) {
  int context = 0;
  P p = record_for(5, 0, false);
  p.atWindow[3].u8Empty = 1;
  void* h = nullptr;
  ASSERT_EQ(ImgMergeOpen_c(&h, &p, mem()), 0u);
  std::vector<uint8_t> out(352 * 288 * 3 / 2, 77), pic(176 * 144 * 3 / 2, 9);
  uint8_t* array[PF_MERGE_PICTURE_ENTRIES] = {};
  array[0] = array[1] = pic.data();
  array[PF_MERGE_OUTPUT_Y] = out.data();
  EXPECT_EQ(ImgMergeProcess_c(h, array, &context), ERR_IMG_MERGE_PROCESS_INPUT_POINTER_YUV);
  array[2] = pic.data();
  array[PF_MERGE_OUTPUT_Y] = nullptr;
  EXPECT_EQ(ImgMergeProcess_c(h, array, &context), ERR_IMG_MERGE_PROCESS_OUTPUT_POINTER_YUV);
  EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](uint8_t b) { return b == 77; }));
  array[PF_MERGE_OUTPUT_Y] = out.data();
  EXPECT_EQ(ImgMergeProcess_c(h, array, nullptr), ERR_IMG_MERGE_PROCESS_INPUT_POINTER);
  EXPECT_EQ(ImgMergeProcess_c(h, array, &context), 0u);  // slot 3 is empty: no picture needed
  EXPECT_EQ(ImgMergeClose_c(h), 0u);
}

// ---------------------------------------------------------------- the module's codes

pft::ModuleCase merge_case() {
  pft::ModuleCase m;
  m.name = "merge";
  m.entry = tImageMergeFunc;
  m.table = &tImageMergeFunc;
  m.id = 6;
  pft::set_names(m, pas8ImageMergeSelfAnalyzeErrorCode, ERR_IMG_MERGE_OPEN_INPUT_POINTER,
                 ERR_IMG_MERGE_OPEN_INPUT_POINTER, ERR_IMG_MERGE_END,
                 ERR_IMG_MERGE_ANALYZE_ERROR_CODE_HANDLE);
  m.delegates = true;  // the banner's codes, which Open passes on
  pft::set_version(m, "pelforge_v300.merge.004", ERR_IMG_MERGE_VERSION_INPUT_POINTER, 0,
                   ERR_IMG_MERGE_VERSION_LEN);
  P valid = record_for(5, 0, false);  // Four at 352x288
  valid.u8DrawBoundary = 1, valid.u8DrawFocus = 1, valid.u8FillEmpty = 1;
  valid.atWindow[0].u8Focus = 1;
  valid.atWindow[3].u8Empty = 1;
  m.param = pft::record_bytes(valid);
  m.mem_size = 112 + 3704;
  m.family = pft::Family::kComposition;
  // Each slot's picture as large as its window record says (the module checks that size against
  // the style's window), in one buffer or in planes of its own; the background likewise.
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& rec = *static_cast<const tImgMergeParam*>(record);
    uint8_t* array[PF_MERGE_PICTURE_ENTRIES] = {};
    const auto place = [&](int y, int u, int v, int64_t w, int64_t rows) {
      if ((pics.byte() & 1) != 0) {
        array[y] = pics.picture(PF_YUV_420, w, rows);
      } else {
        const tImgPicture pic = pics.picture_record(PF_YUV_420, w, rows, false);
        array[y] = pic.pu8Y, array[u] = pic.pu8U, array[v] = pic.pu8V;
      }
    };
    for (int i = 0; i < PF_MERGE_MAX_WINDOWS; ++i) {
      const tImgMergeWindow& wnd = rec.atWindow[i];
      if (wnd.u8Empty == 0) place(i, 64 + i, 128 + i, wnd.u32Width, wnd.u32Height);
    }
    place(PF_MERGE_OUTPUT_Y, PF_MERGE_OUTPUT_Y + 1, PF_MERGE_OUTPUT_Y + 2, rec.u32BgWidth,
          rec.u32BgHeight);
    int context = 0;
    return e.Process(h, array, &context);
  };
  pft::set_null_codes(m, {ERR_IMG_MERGE_OPEN_INPUT_POINTER, ERR_IMG_MERGE_CLOSE_INPUT_POINTER,
                          ERR_IMG_MERGE_CLOSE_MEMHANDLE_POINTER, ERR_IMG_MERGE_CLOSE_FREE,
                          ERR_IMG_MERGE_SETPARAM_INPUT_POINTER, ERR_IMG_MERGE_STATUS_INPUT_POINTER,
                          ERR_IMG_MERGE_PROCESS_INPUT_POINTER});
  // The instance, then the banner's instance and its scratch.
  m.open_failures = {ERR_IMG_MERGE_OPEN_MALLOC, ERR_IMG_BANNER_MALLOC_MEMORY,
                     ERR_IMG_BANNER_MALLOC_FAST_SCRATCH};
  m.dma_failure = ERR_IMG_MERGE_GET_DMA_HANDLE;
  // The checks in their order: each row also breaks a field checked later.
  m.rows = {
      PF_REFUSED(P, "style 23", ERR_IMG_MERGE_CHECK_MERGE_STYLE, p.u16MergeStyle = 23,
                 p.u32BgWidth = 353),
      PF_REFUSED(P, "size 352x289", ERR_IMG_MERGE_CHECK_BG_SIZE, p.u32BgHeight = 289,
                 p.u8BoundaryWidth = 3),
      PF_REFUSED(P, "size 576x720", ERR_IMG_MERGE_CHECK_BG_SIZE, p.u32BgWidth = 576,
                 p.u32BgHeight = 720),
      PF_REFUSED(P, "boundary width 3", ERR_IMG_MERGE_CHECK_BOUNDARYWIDTH, p.u8BoundaryWidth = 3,
                 p.atWindow[0].u32YuvType = 422),
      PF_REFUSED(P, "boundary width 26", ERR_IMG_MERGE_CHECK_BOUNDARYWIDTH, p.u8BoundaryWidth = 26),
      PF_REFUSED(P, "window 0 in 4:2:2", ERR_IMG_MERGE_CHECK_PARAM_FG,
                 p.atWindow[0].u32YuvType = 422, p.atWindow[0].u32Width = 2),
      PF_REFUSED(P, "window number 5 of 4", ERR_IMG_MERGE_CHECK_PARAM_FG,
                 p.atWindow[1].u8WindowNo = 5, p.atWindow[2].u32Height = 2),
      PF_REFUSED(P, "width of window 2", ERR_IMG_MERGE_CHECK_FG_SIZE, p.atWindow[1].u32Width = 174),
      PF_REFUSED(P, "height of window 3", ERR_IMG_MERGE_CHECK_FG_SIZE,
                 p.atWindow[2].u32Height = 142),
      {"Seven at 352x288", pft::edit<P>([](P& r) {
         r.u16MergeStyle = 8;
         for (int i = 0; i < 7; ++i) {
           tImgMergeWindow& w = r.atWindow[i];
           w = {};
           w.u32Width = i < 3 ? 176 : 88, w.u32Height = i < 3 ? 144 : 72;
           w.u32ImageType = 1, w.u32YuvType = 420, w.u8WindowNo = static_cast<uint8_t>(i + 1);
         }
       }),
       ERR_IMG_MERGE_BG_STYLE, 0, true},
  };
  return m;
}
PF_MODULE_CASE(merge_case);

TEST(MergeCodes, BannerCodesAndSizesAreAnsweredToo) {
  char name[64];
  EXPECT_EQ(ImgMergeAnalyzeErrorCode_c(ERR_IMG_BANNER_MALLOC_MEMORY, sizeof name, name), 0u);
  EXPECT_STREQ(name, "ERR_IMG_BANNER_MALLOC_MEMORY");
  P p = record_for(22, 6, false);  // the 8x8 grid at 1280x800
  uint32_t size = 0;
  EXPECT_EQ(ImgMergeGetMemSize_c(&p, &size), 0u);
  EXPECT_EQ(size, 3816u);
  EXPECT_EQ(ImgMergeGetMemSize_c(nullptr, &size), ERR_IMG_MERGE_GETMEMSIZE_PARAM_POINTER);
  EXPECT_EQ(ImgMergeGetMemSize_c(&p, nullptr), ERR_IMG_MERGE_GETMEMSIZE_PARAM_POINTER);
  p.atWindow[63].u32Width = 1;
  EXPECT_EQ(ImgMergeGetMemSize_c(&p, &size), ERR_IMG_MERGE_CHECK_FG_SIZE);
}

}  // namespace
