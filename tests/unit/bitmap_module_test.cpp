// SPDX-License-Identifier: BSD-2-Clause
// Bitmap to YUV with alpha: every depth and output layout against bitmaps built byte by byte, the
// block and pair chroma rules, the key and its opacity, odd sizes and the refused formats.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "composition_helpers.hpp"
#include "img_bmptoyuv_alpha.h"
#include "module_cases.hpp"
#include "rng.hpp"
#include "vmem_fixture.hpp"

namespace {

using Bytes = std::vector<uint8_t>;
using pft::Bitmap;
using pft::put32;
using pft::Rgb;

int to_y(const Rgb& c) { return pft::rgb_to_yuv(c.r, c.g, c.b).y; }
int to_u(const Rgb& c) { return pft::rgb_to_yuv(c.r, c.g, c.b).u; }
int to_v(const Rgb& c) { return pft::rgb_to_yuv(c.r, c.g, c.b).v; }

// A random bitmap whose colours come from a few values, so that key pixels are common.
Bitmap random_bitmap(int bpp, int w, int h, const Rgb& key, pft::Rng& rng) {
  Bitmap b;
  b.width = w, b.height = h, b.bpp = bpp;
  b.compression = bpp == 16 ? 3 : 0;
  const int entries = bpp < 16 ? 1 << bpp : 0;
  auto colour = [&] {
    if (rng.chance(40)) return key;
    return Rgb{rng.byte() & (bpp == 16 ? 0xF8 : 0xFF), rng.byte() & (bpp == 16 ? 0xFC : 0xFF),
               rng.byte() & (bpp == 16 ? 0xF8 : 0xFF)};
  };
  for (int i = 0; i < entries; ++i) b.palette.push_back(colour());
  for (int i = 0; i < w * h; ++i) {
    if (bpp < 16) {
      b.index.push_back(int(rng.below(uint32_t(entries))));
    } else {
      b.pixels.push_back(colour());
    }
  }
  return b;
}

// The expected outputs, computed pixel by pixel from the bitmap's colours.
struct Expected {
  Bytes yuv, alpha;
};

Expected expect(const Bitmap& bmp, uint32_t yuv_type, const Rgb& key, int opacity) {
  const int w = bmp.width & ~1, h = bmp.height & ~1;
  const int key_alpha = 255 - opacity, other = opacity == 255 ? 255 : 0;
  // An odd height drops the top row: converted row y is bitmap row y + (height - h).
  auto at = [&](int x, int y) { return bmp.colour(x, y + bmp.height - h); };
  auto is_key = [&](int x, int y) { return at(x, y) == key; };
  Expected e;
  if (yuv_type == PF_YUV_420 || yuv_type == PF_YUV_NV12) {
    e.yuv.assign(size_t(w * h * 3 / 2), 0);
    e.alpha.assign(size_t(w * h * 3 / 2), 0);
    const size_t cw = size_t(w / 2), plane = size_t(w * h), quarter = plane / 4;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        e.yuv[size_t(y * w + x)] = uint8_t(to_y(at(x, y)));
        e.alpha[size_t(y * w + x)] = uint8_t(is_key(x, y) ? key_alpha : other);
      }
    }
    for (int by = 0; by < h; by += 2) {
      for (int bx = 0; bx < w; bx += 2) {
        const Rgb p[4] = {at(bx, by), at(bx + 1, by), at(bx, by + 1), at(bx + 1, by + 1)};
        const bool k[4] = {p[0] == key, p[1] == key, p[2] == key, p[3] == key};
        const int keys = k[0] + k[1] + k[2] + k[3];
        Rgb from = p[0];
        if (k[0] && !k[1]) from = p[1];
        if (k[0] && k[1] && !k[2]) from = p[2];
        if (keys == 3) from = bmp.bpp < 8 ? p[3] : key;
        const size_t c = size_t(by / 2) * cw + size_t(bx / 2);
        if (yuv_type == PF_YUV_NV12) {
          e.yuv[plane + 2 * c] = uint8_t(to_u(from));
          e.yuv[plane + 2 * c + 1] = uint8_t(to_v(from));
        } else {
          e.yuv[plane + c] = uint8_t(to_u(from));
          e.yuv[plane + quarter + c] = uint8_t(to_v(from));
        }
        e.alpha[plane + c] = uint8_t(keys >= 3 ? key_alpha : other);
      }
    }
    e.alpha.resize(plane + quarter);
    return e;
  }
  const bool planar = yuv_type == PF_YUV_422P;
  e.yuv.assign(size_t(2 * w * h), 0);
  e.alpha.assign(size_t(2 * w * h), 0);  // both layouts: one alpha per output byte
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; x += 2) {
      const Rgb a = at(x, y), b = at(x + 1, y);
      const bool ka = a == key, kb = b == key;
      const Rgb from = ka && !kb ? b : a;
      const uint8_t aa = uint8_t(ka ? key_alpha : other), ab = uint8_t(kb ? key_alpha : other);
      const uint8_t ac = uint8_t(ka && kb ? key_alpha : other);
      if (planar) {
        const size_t l = size_t(y * w + x), c = size_t(y * (w / 2) + x / 2);
        const size_t u = size_t(w * h), v = u + size_t(w * h / 2);
        e.yuv[l] = uint8_t(to_y(a)), e.yuv[l + 1] = uint8_t(to_y(b));
        e.yuv[u + c] = uint8_t(to_u(from)), e.yuv[v + c] = uint8_t(to_v(from));
        e.alpha[l] = aa, e.alpha[l + 1] = ab, e.alpha[u + c] = ac, e.alpha[v + c] = ac;
      } else {
        const uint8_t* order =
            yuv_type == PF_YUV_UYVY ? (const uint8_t*)"\2\0\3\1" : (const uint8_t*)"\0\2\1\3";
        // order[i]: which of U, Y0, V, Y1 (0..3 below) sits at byte i of the group.
        const uint8_t values[4] = {uint8_t(to_y(a)), uint8_t(to_y(b)), uint8_t(to_u(from)),
                                   uint8_t(to_v(from))};
        const uint8_t alphas[4] = {aa, ab, ac, ac};
        const size_t g = size_t(y * 2 * w + 2 * x);
        for (size_t i = 0; i < 4; ++i) {
          e.yuv[g + i] = values[order[i]];
          e.alpha[g + i] = alphas[order[i]];
        }
      }
    }
  }
  return e;
}

class BitmapTest : public pft::VmemTest {
 protected:
  // Converts with a fresh instance; outputs get 64 canary bytes behind them.
  uint32_t convert(const Bytes& bmp, uint32_t yuv_type, const Rgb& key, int opacity, Bytes& yuv,
                   Bytes& alpha, Bytes& inverse, tBmpToYuvAlphaInfo& info) {
    tBmpToYuvAlphaParam p{yuv_type, uint8_t(key.r), uint8_t(key.g), uint8_t(key.b),
                          uint8_t(opacity)};
    void* h = nullptr;
    EXPECT_EQ(ImgBMPToYUVAlphaOpen_c(&h, &p, mem()), 0u);
    tBmpToYuvAlphaData data{bmp.data(), yuv.data(), inverse.data(), alpha.data()};
    const uint32_t status = ImgBMPToYUVAlphaProcess_c(h, &data, &info);
    EXPECT_EQ(ImgBMPToYUVAlphaClose_c(h), 0u);
    return status;
  }
};

constexpr uint8_t kCanary = 0xC5;

// Every depth in every layout, odd and even sizes, opacity 0, 255 and between.
TEST_F(BitmapTest, EveryDepthAndLayoutMatchesThePixels) {
  pft::Rng rng(7);
  const Rgb key{8, 200, 32};  // a 5-6-5 colour too
  const uint32_t layouts[] = {PF_YUV_420, PF_YUV_NV12, PF_YUV_UYVY, PF_YUV_YUYV, PF_YUV_422P};
  int cases = 0;
  for (const int bpp : {1, 4, 8, 16, 24, 32}) {
    for (const uint32_t layout : layouts) {
      if (bpp < 8 && layout == PF_YUV_YUYV) continue;  // refused, below
      for (const int opacity : {0, 255, 77}) {
        const int w = bpp == 1 ? 8 * rng.range(1, 3) + (rng.chance(50) ? 1 : 0) : rng.range(2, 21);
        const int h = rng.range(2, 13);
        SCOPED_TRACE(testing::Message() << bpp << " bpp, layout " << layout << ", " << w << "x" << h
                                        << ", opacity " << opacity);
        const Bitmap bmp = random_bitmap(bpp, w, h, key, rng);
        const Expected e = expect(bmp, layout, key, opacity);
        Bytes yuv(e.yuv.size() + 64, kCanary), alpha(e.alpha.size() + 64, kCanary);
        Bytes inverse(e.alpha.size() + 64, kCanary);
        tBmpToYuvAlphaInfo info{};
        ASSERT_EQ(convert(bmp.buffer(), layout, key, opacity, yuv, alpha, inverse, info), 0u);
        EXPECT_EQ(info.u32Width, uint32_t(w & ~1));
        EXPECT_EQ(info.u32Height, uint32_t(h & ~1));
        EXPECT_EQ(info.u32YuvType, layout);
        EXPECT_EQ(info.u8KeyOpacity, opacity);
        EXPECT_EQ(Bytes(yuv.begin(), yuv.begin() + long(e.yuv.size())), e.yuv);
        EXPECT_EQ(Bytes(alpha.begin(), alpha.begin() + long(e.alpha.size())), e.alpha);
        for (size_t i = 0; i < e.alpha.size(); ++i) ASSERT_EQ(inverse[i], 255 - alpha[i]) << i;
        for (const Bytes* out : {&yuv, &alpha, &inverse}) {
          const size_t used = out == &yuv ? e.yuv.size() : e.alpha.size();
          EXPECT_TRUE(std::all_of(out->begin() + long(used), out->end(), [](uint8_t v) {
            return v == kCanary;
          })) << "written past the output";
        }
        ++cases;
      }
    }
  }
  EXPECT_EQ(cases, 84);
}

// The worked colours, the 5-6-5 widening and the three-key block.
TEST_F(BitmapTest, WorkedPixelsAndTheMostlyKeyBlock) {
  Bitmap b;
  b.width = 2, b.height = 2, b.bpp = 24;
  b.pixels = {{255, 0, 0}, {255, 255, 255}, {0, 0, 0}, {0, 0, 0}};
  Bytes yuv(8), alpha(8), inverse(8);  // planar 4:2:2 of 2 x 2: 8 bytes each
  tBmpToYuvAlphaInfo info{};
  ASSERT_EQ(convert(b.buffer(), PF_YUV_422P, {1, 2, 3}, 0, yuv, alpha, inverse, info), 0u);
  // Planar 4:2:2 keeps each pair's first pixel's chroma: red's and black's.
  EXPECT_EQ(Bytes(yuv.begin(), yuv.begin() + 4), (Bytes{76, 254, 0, 0}));
  EXPECT_EQ(yuv[4], 85);   // U of red
  EXPECT_EQ(yuv[5], 128);  // U of black
  Bytes full(8), full_alpha(8), full_inverse(8);
  ASSERT_EQ(convert(b.buffer(), PF_YUV_UYVY, {1, 2, 3}, 0, full, full_alpha, full_inverse, info),
            0u);
  EXPECT_EQ(full[2], 255);  // V of red: 256 before the clamp

  b.bpp = 16;
  b.compression = 3;
  b.pixels = {{255, 255, 255}, {255, 255, 255}, {255, 255, 255}, {255, 255, 255}};
  ASSERT_EQ(convert(b.buffer(), PF_YUV_422P, {248, 252, 248}, 0, yuv, alpha, inverse, info), 0u);
  EXPECT_EQ(alpha[0], 255) << "0xFFFF is the key 248, 252, 248";

  // Three key pixels and a red one: 24 bits take the key's chroma, 1 bit takes red's.
  const Rgb key{0, 0, 255}, red{255, 0, 0};
  for (const int bpp : {24, 1}) {
    Bitmap k;
    k.width = bpp == 1 ? 8 : 2, k.height = 2, k.bpp = bpp;
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < k.width; ++x) {
        const bool is_red = y == 1 && x == 1;
        if (bpp == 1) {
          k.index.push_back(is_red ? 1 : 0);
        } else {
          k.pixels.push_back(is_red ? red : key);
        }
      }
    }
    k.palette = bpp == 1 ? std::vector<Rgb>{key, red} : std::vector<Rgb>{};
    Bytes y4(size_t(k.width * 3)), a4(size_t(k.width * 3)), i4(size_t(k.width * 3));
    ASSERT_EQ(convert(k.buffer(), PF_YUV_420, key, 40, y4, a4, i4, info), 0u);
    const size_t u = size_t(k.width * 2);
    EXPECT_EQ(y4[u], bpp == 1 ? to_u(red) : to_u(key)) << bpp;
    EXPECT_EQ(a4[u], 255 - 40) << bpp;
  }
}

// Refused formats, in the order the kernels check them, and the sizes that convert nothing.
TEST_F(BitmapTest, RefusedFormatsAndEmptyPictures) {
  struct Row {
    const char* what;
    int bpp;
    uint32_t compression, red_mask;  // the masks of 16 bits: 5-6-5 or 5-5-5 by the red one
    uint32_t layout, expected;
  };
  const Row rows[] = {
      {"32 bits with bit fields", 32, 3, 0, PF_YUV_420,
       ERR_IMG_BMPTOYUV_UNSUPPORT_BMP_TYPE_DEFINED_32BMP},
      {"16 bits without bit fields", 16, 0, 0xF800, PF_YUV_420,
       ERR_IMG_BMPTOYUV_UNSUPPORT_BMP_TYPE_DEFINED_16BMP_BI_RGB},
      {"1 bit to YUYV", 1, 0, 0, PF_YUV_YUYV, ERR_IMG_BMPTOYUV_UNSUPPORT_BMP_TYPE_TO_YUYV},
      {"4 bits to YUYV", 4, 0, 0, PF_YUV_YUYV, ERR_IMG_BMPTOYUV_UNSUPPORT_BMP_TYPE_TO_YUYV},
      {"5-5-5", 16, 3, 0x7C00, PF_YUV_UYVY, ERR_IMG_BMPTOYUV_UNSUPPORT_BMP_TYPE_DEFINED_16BMP_555},
      {"2 bits", 2, 0, 0, PF_YUV_422P, ERR_IMG_BMPTOYUV_UNSUPPORT_BMP_TYPE},
      {"64 bits", 64, 0, 0, PF_YUV_NV12, ERR_IMG_BMPTOYUV_UNSUPPORT_BMP_TYPE},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Bitmap b;
    b.width = 8, b.height = 2, b.bpp = 24;
    b.pixels.assign(16, {1, 2, 3});
    Bytes buf = b.buffer();
    buf[30] = uint8_t(row.bpp);
    put32(buf, 32, row.compression);
    const uint32_t masks[3] = {row.red_mask, row.red_mask == 0x7C00 ? 0x3E0u : 0x7E0u, 0x1F};
    for (int i = 0; i < 3; ++i) put32(buf, 56 + 4 * size_t(i), row.red_mask ? masks[i] : 0);
    Bytes yuv(64), alpha(64), inverse(64);
    tBmpToYuvAlphaInfo info{};
    EXPECT_EQ(convert(buf, row.layout, {0, 0, 0}, 0, yuv, alpha, inverse, info), row.expected);
  }
  // 1 and 4 bits are converted into UYVY; a single row or a top-down bitmap converts nothing.
  for (const int height : {1, -4}) {
    Bitmap b;
    b.width = 4, b.height = 1, b.bpp = 24;
    b.pixels.assign(4, {1, 2, 3});
    Bytes buf = b.buffer();
    put32(buf, 24, uint32_t(height));
    Bytes yuv(16, kCanary), alpha(16, kCanary), inverse(16, kCanary);
    tBmpToYuvAlphaInfo info{9, 9, 0, 0};
    EXPECT_EQ(convert(buf, PF_YUV_420, {0, 0, 0}, 0, yuv, alpha, inverse, info), 0u);
    EXPECT_EQ(info.u32Height, 0u);
    EXPECT_EQ(yuv, Bytes(16, kCanary));
  }
}

pft::ModuleCase bitmap_case() {
  pft::ModuleCase m;
  m.name = "bmptoyuv_alpha";
  m.family = pft::Family::kOverlay;
  m.entry = PF_ENTRY_POINTS(ImgBMPToYUVAlpha);
  m.table = &tImageBMPToYUVAlphaFunc;
  m.id = 7;
  // The names end before the end marker, which has none.
  pft::set_names(m, pas8BMPToYUVAlphaAnalyzeErrorCode, ERR_IMG_BMPTOYUV_ALPHA_START,
                 ERR_IMG_BMPTOYUV_ALPHA_OPEN_HANDLE, ERR_IMG_BMPTOYUV_PALETTE_BMPCOLORNUM,
                 ERR_IMG_BMPTOYUV_ALPHA_ANALYZE_ERROR_CODE_HANDLE);
  pft::set_version(m, "pelforge_v300.bmptoyuvalpha.007", ERR_IMG_BMPTOYUV_ALPHA_GETVERSION_HANDLE,
                   ERR_IMG_BMPTOYUV_ALPHA_GETVERSION_POINTER,
                   ERR_IMG_BMPTOYUV_ALPHA_GETVERSION_LENGTH);
  m.param = pft::record_bytes(tBmpToYuvAlphaParam{PF_YUV_420, 0, 0, 0, 0});
  // The module is not told how long a bitmap is, so its input is always a well-formed one (the
  // bitmap reader's fuzz target covers the rest): any depth, size and colours, every palette
  // index inside a full palette.
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const tBmpToYuvAlphaParam*>(record);
    static constexpr int kDepths[] = {1, 4, 8, 16, 24, 32};
    Bitmap b;
    b.bpp = kDepths[pics.byte() % 6];
    b.width = 1 + pics.byte() % 48, b.height = 1 + pics.byte() % 40;
    if (b.bpp < 16) {
      for (int i = 0; i < (1 << b.bpp); ++i) b.palette.push_back({pics.byte(), pics.byte(), 0});
      for (int i = 0; i < b.width * b.height; ++i) b.index.push_back(pics.byte() % (1 << b.bpp));
    } else {
      for (int i = 0; i < b.width * b.height; ++i) {
        b.pixels.push_back({pics.byte(), pics.byte(), pics.byte()});
      }
    }
    const Bytes file = b.buffer();
    uint8_t* bmp = pics.buffer(file.size());
    std::copy(file.begin(), file.end(), bmp);
    const int64_t w = b.width & ~1, rows = b.height & ~1;
    const int64_t bytes = p.u32YuvType == PF_YUV_422P ? 2 * w * rows : w * rows * 3 / 2;
    const int64_t packed = 2 * w * rows;
    const bool is_packed = p.u32YuvType == PF_YUV_UYVY || p.u32YuvType == PF_YUV_YUYV;
    const int64_t alpha = is_packed                     ? packed
                          : p.u32YuvType == PF_YUV_422P ? 2 * w * rows
                                                        : w * rows * 5 / 4;
    tBmpToYuvAlphaData data{bmp, pics.buffer(is_packed ? packed : bytes), pics.buffer(alpha),
                            pics.buffer(alpha)};
    if ((pics.byte() & 3) == 0) data.pu8AlphaInv = nullptr;
    tBmpToYuvAlphaInfo info{};
    return e.Process(h, &data, &info);
  };
  m.mem_size = PF_BMPTOYUV_MEM_SIZE;
  pft::set_null_codes(
      m, {ERR_IMG_BMPTOYUV_ALPHA_OPEN_HANDLE, ERR_IMG_BMPTOYUV_ALPHA_CLOSE_HANDLE,
          ERR_IMG_BMPTOYUV_ALPHA_CLOSE_HANDLE, ERR_IMG_BMPTOYUV_ALPHA_CLOSE_FREE,
          ERR_IMG_BMPTOYUV_ALPHA_SETPARAM_HANDLE, ERR_IMG_BMPTOYUV_ALPHA_GETSTATUS_HANDLE,
          ERR_IMG_BMPTOYUV_ALPHA_PROCESS_HANDLE});
  m.open_failures = {ERR_IMG_BMPTOYUV_ALPHA_OPEN_MALLOC, ERR_IMG_BMPTOYUV_MALLOC_FAST_SCRATCH};
  m.dma_failure = ERR_IMG_BMPTOYUV_GET_DMA_HANDLE;
  m.rows = {{"layout 4202", pft::edit<tBmpToYuvAlphaParam>([](auto& p) { p.u32YuvType = 4202; }),
             ERR_IMG_BMPTOYUV_ALPHA_OPEN_YUVTYPE, ERR_IMG_BMPTOYUV_ALPHA_SETPARAM_YUVTYPE}};
  return m;
}
PF_MODULE_CASE(bitmap_case);

}  // namespace
