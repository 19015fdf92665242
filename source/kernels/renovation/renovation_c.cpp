// SPDX-License-Identifier: BSD-2-Clause
// The renovation module's pattern kernels: solid colour, colour bars and the test card.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "banner/banner.hpp"
#include "img_renovation.h"

namespace pf::renovation {
namespace {

using banner::Yuv;

constexpr uint8_t kBars[2][8][3] = {
    {{255, 255, 255},
     {255, 255, 0},
     {0, 0, 255},
     {0, 255, 0},
     {128, 0, 0},
     {255, 0, 0},
     {255, 0, 255},
     {0, 0, 0}},
    {{255, 255, 255},
     {255, 240, 0},
     {0, 231, 255},
     {0, 216, 0},
     {255, 39, 255},
     {255, 24, 0},
     {0, 15, 255},
     {0, 0, 0}},
};

Yuv bar_colour(int set, int bar) {
  const uint8_t* rgb = kBars[set][bar];
  return banner::rgb_to_yuv(rgb[0], rgb[1], rgb[2]);
}

int bar_set(const tRenovationInstance& inst) {
  return inst.tParam.u32PatternType == PF_RENOVATION_BARS2 ? 1 : 0;
}

void fill(uint8_t* dst, size_t bytes, uint8_t value) { std::memset(dst, value, bytes); }

// Packed rows: U Y V Y for every pixel pair.
void fill_pairs(uint8_t* dst, size_t pairs, Yuv c) {
  for (size_t i = 0; i < pairs; ++i) {
    dst[4 * i] = c.u;
    dst[4 * i + 1] = c.y;
    dst[4 * i + 2] = c.v;
    dst[4 * i + 3] = c.y;
  }
}

// The 420 kernels walk the picture in luma row pairs with one chroma row per pair.
void planar(const tImgPicture& pic, size_t width, size_t height, const Yuv* bars, size_t count) {
  const size_t bar = width / count;
  for (size_t r = 0; r < height; r += 2) {
    for (size_t k = 0; k < count; ++k) {
      const Yuv c = bars[k];
      fill(pic.pu8Y + r * pic.u32YPitch + k * bar, bar, c.y);
      if (r + 1 < height) fill(pic.pu8Y + (r + 1) * pic.u32YPitch + k * bar, bar, c.y);
      fill(pic.pu8U + (r / 2) * pic.u32UVPitch + k * bar / 2, bar / 2, c.u);
      fill(pic.pu8V + (r / 2) * pic.u32UVPitch + k * bar / 2, bar / 2, c.v);
    }
  }
}

void packed(const tImgPicture& pic, size_t width, size_t height, const Yuv* bars, size_t count) {
  const size_t bar = width / count;
  const size_t stride = 2 * size_t{pic.u32YPitch};
  for (size_t r = 0; r < height; ++r) {
    for (size_t k = 0; k < count; ++k) {
      fill_pairs(pic.pu8Y + r * stride + 2 * k * bar, bar / 2, bars[k]);
    }
  }
}

// ---------------------------------------------------------------- the test card

constexpr int kCardWidth = 720, kCardHeight = 576;
constexpr int kCentreX = 360, kCentreY = 288, kRadius = 240;
constexpr int kChromaRows = kCardHeight / 2;

constexpr Yuv kBlack{16, 128, 128}, kWhite{235, 128, 128}, kField{16, 240, 240};
constexpr Yuv kGrey{128, 128, 128};

// The card is drawn in frame coordinates; the storage decides where a frame row lands and which
// frame row each chroma row samples.
struct Card {
  const tImgPicture& pic;
  bool field;

  uint8_t* luma(int y) const {
    const int row = field ? (y >> 1) + (y & 1) * (kCardHeight / 2) : y;
    return pic.pu8Y + static_cast<ptrdiff_t>(row) * pic.u32YPitch;
  }
  // Frame row sampled by chroma row k: in a frame rows 2k and 2k + 1 share it; in a field
  // picture chroma row c of field f covers that field's rows 2c and 2c + 1, frame rows 4c + f
  // and 4c + f + 2.
  int chroma_source_row(int k) const {
    return field ? 4 * (k % (kChromaRows / 2)) + k / (kChromaRows / 2) : 2 * k;
  }
  uint8_t* u(int k) const { return pic.pu8U + static_cast<ptrdiff_t>(k) * pic.u32UVPitch; }
  uint8_t* v(int k) const { return pic.pu8V + static_cast<ptrdiff_t>(k) * pic.u32UVPitch; }
};

// Fills (left, top, height, width) in both fields: luma rows top .. top + height - 1, and the
// chroma samples whose luma source lies inside the rectangle.
void DrawRectangle420(const Card& card, int left, int top, int height, int width, Yuv c) {
  for (int y = top; y < top + height; ++y)
    fill(card.luma(y) + left, static_cast<size_t>(width), c.y);
  const int first = (left + 1) / 2, end = (left + width + 1) / 2;
  for (int k = 0; k < kChromaRows; ++k) {
    const int y = card.chroma_source_row(k);
    if (y < top || y >= top + height) continue;
    fill(card.u(k) + first, static_cast<size_t>(end - first), c.u);
    fill(card.v(k) + first, static_cast<size_t>(end - first), c.v);
  }
}

int distance2(int x, int y) {
  return (x - kCentreX) * (x - kCentreX) + (y - kCentreY) * (y - kCentreY);
}

// Inside the circle: what the edge rule leaves alone.
bool inside(int x, int y) { return distance2(x, y) - kRadius * kRadius <= -120; }

// The circle's contents at a frame pixel inside it.
Yuv globe_colour(int x, int y) {
  if (distance2(x, y) >= 228 * 228) return kWhite;  // the ring
  const bool cross =
      (y >= 286 && y < 290 && x >= 300 && x < 420) || (x >= 358 && x < 362 && y >= 228 && y < 348);
  if (cross) return kGrey;
  const int column = x - (kCentreX - kRadius);
  if (y < 120) return kGrey;
  if (y < 216) return bar_colour(0, column / 60);
  if (y < 288) return Yuv{static_cast<uint8_t>(16 + 31 * (column / 60)), 128, 128};
  if (y < 360) return x < kCentreX ? kBlack : kWhite;
  if (y < 432) {
    const int half = column < 160 ? 8 : column < 320 ? 4 : 2;
    return ((column % 160) / half) % 2 == 0 ? kWhite : kBlack;
  }
  return bar_colour(1, column / 60);
}

constexpr int kGlobeLeft = kCentreX - kRadius, kGlobeRight = kCentreX + kRadius;
constexpr int kGlobeTop = kCentreY - kRadius, kGlobeBottom = kCentreY + kRadius;

// Paints the circle's contents on the frame rows of one parity (the first field's rows, then the
// second's), luma and the chroma rows that sample those rows.
void draw_globe_rows(const Card& card, int parity) {
  for (int y = kGlobeTop + parity; y < kGlobeBottom; y += 2) {
    uint8_t* row = card.luma(y);
    for (int x = kGlobeLeft; x < kGlobeRight; ++x) {
      if (inside(x, y)) row[x] = globe_colour(x, y).y;
    }
  }
  for (int k = 0; k < kChromaRows; ++k) {
    const int y = card.chroma_source_row(k);
    if ((y & 1) != parity || y < kGlobeTop || y >= kGlobeBottom) continue;
    for (int cx = kGlobeLeft / 2; cx < kGlobeRight / 2; ++cx) {
      if (!inside(2 * cx, y)) continue;
      const Yuv c = globe_colour(2 * cx, y);
      card.u(k)[cx] = c.u;
      card.v(k)[cx] = c.v;
    }
  }
}

void GenerateGlobosityUpField(const Card& card) { draw_globe_rows(card, 0); }
void GenerateGlobNextField(const Card& card) { draw_globe_rows(card, 1); }

// The circle bounds the drawing: in its bounding square every luma sample on or outside the rim
// goes dark.
void GenerateGlobosityEdge(const Card& card) {
  for (int y = kGlobeTop; y < kGlobeBottom; ++y) {
    uint8_t* row = card.luma(y);
    for (int x = kGlobeLeft; x < kGlobeRight; ++x) {
      if (!inside(x, y)) row[x] = 16;
    }
  }
}

void draw_card(const Card& card) {
  DrawRectangle420(card, 20, 12, 544, 684, kField);
  // The frame of black bars.
  DrawRectangle420(card, 0, 0, 12, 720, kBlack);
  DrawRectangle420(card, 0, 12, 564, 20, kBlack);
  DrawRectangle420(card, 20, 556, 20, 700, kBlack);
  DrawRectangle420(card, 704, 12, 544, 16, kBlack);
  // The rulers on the bars.
  DrawRectangle420(card, 4, 0, 12, 16, kWhite);
  DrawRectangle420(card, 704, 0, 12, 12, kWhite);
  DrawRectangle420(card, 4, 556, 16, 16, kWhite);
  DrawRectangle420(card, 704, 556, 20, 12, kWhite);
  for (int x = 60; x <= 620; x += 80) {
    DrawRectangle420(card, x, 0, 12, 40, kWhite);
    DrawRectangle420(card, x, 556, 20, 40, kWhite);
  }
  for (int y = 48; y <= 480; y += 72) {
    DrawRectangle420(card, 4, y, 36, 16, kWhite);
    DrawRectangle420(card, 704, y, 36, 12, kWhite);
  }
  // The grid over the inner field.
  for (int k = 0; k < 16; ++k) DrawRectangle420(card, 20, 12 + 36 * k, 4, 684, kWhite);
  for (int k = 0; k < 18; ++k) DrawRectangle420(card, 20 + 40 * k, 12, 544, 4, kWhite);
  GenerateGlobosityUpField(card);
  GenerateGlobNextField(card);
  GenerateGlobosityEdge(card);
}

}  // namespace
}  // namespace pf::renovation

using pf::banner::Yuv;

extern "C" void RenovationPureColor420_c(const tImgPicture* ptPicture,
                                         const tRenovationInstance* ptInstance, void*) {
  if (ptPicture == nullptr || ptInstance == nullptr) return;
  const Yuv c{ptInstance->u8Y, ptInstance->u8U, ptInstance->u8V};
  pf::renovation::planar(*ptPicture, static_cast<size_t>(ptInstance->tParam.s32Width),
                         static_cast<size_t>(ptInstance->tParam.s32Height), &c, 1);
}

extern "C" void RenovationPureColor422_c(const tImgPicture* ptPicture,
                                         const tRenovationInstance* ptInstance, void*) {
  if (ptPicture == nullptr || ptInstance == nullptr) return;
  const Yuv c{ptInstance->u8Y, ptInstance->u8U, ptInstance->u8V};
  pf::renovation::packed(*ptPicture, static_cast<size_t>(ptInstance->tParam.s32Width),
                         static_cast<size_t>(ptInstance->tParam.s32Height), &c, 1);
}

extern "C" void RenovationRainbow420_c(const tImgPicture* ptPicture,
                                       const tRenovationInstance* ptInstance, void*) {
  if (ptPicture == nullptr || ptInstance == nullptr) return;
  Yuv bars[8];
  for (int k = 0; k < 8; ++k)
    bars[k] = pf::renovation::bar_colour(pf::renovation::bar_set(*ptInstance), k);
  pf::renovation::planar(*ptPicture, static_cast<size_t>(ptInstance->tParam.s32Width),
                         static_cast<size_t>(ptInstance->tParam.s32Height), bars, 8);
}

extern "C" void RenovationRainbow422_c(const tImgPicture* ptPicture,
                                       const tRenovationInstance* ptInstance, void*) {
  if (ptPicture == nullptr || ptInstance == nullptr) return;
  Yuv bars[8];
  for (int k = 0; k < 8; ++k)
    bars[k] = pf::renovation::bar_colour(pf::renovation::bar_set(*ptInstance), k);
  pf::renovation::packed(*ptPicture, static_cast<size_t>(ptInstance->tParam.s32Width),
                         static_cast<size_t>(ptInstance->tParam.s32Height), bars, 8);
}

extern "C" void RenovationGlobosity_c(const tImgPicture* ptPicture,
                                      const tRenovationInstance* ptInstance, void*) {
  if (ptPicture == nullptr || ptInstance == nullptr) return;
  // Only the 720x576 4:2:0 card exists; the module refuses any other geometry for it.
  if (ptInstance->tParam.s32Width != pf::renovation::kCardWidth ||
      ptInstance->tParam.s32Height != pf::renovation::kCardHeight) {
    return;
  }
  pf::renovation::draw_card(pf::renovation::Card{*ptPicture, ptInstance->tParam.u32Interlace == 2});
}
