// SPDX-License-Identifier: BSD-2-Clause
// Bitmap to YUV with alpha: the three scalar kernels, one bitmap reader behind them.
#include <cstddef>
#include <cstdint>

#include "img_bmptoyuv_alpha.h"
#include "rgb/rgb_internal.hpp"

namespace pf {
namespace {

// Buffer offsets of the fields read; the file's bytes after the 14-byte header stand 2 further on.
constexpr size_t kOffBits = 12;
constexpr size_t kWidth = 20;
constexpr size_t kHeight = 24;
constexpr size_t kBitCount = 30;
constexpr size_t kCompression = 32;
constexpr size_t kPalette = 56;
constexpr size_t kMasks = 56;
constexpr size_t kFileToBuffer = 2;

// The buffer has no alignment guarantee: every field is assembled from bytes.
uint32_t le16(const uint8_t* p) { return static_cast<uint32_t>(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

struct Colour {
  int32_t r, g, b;
  bool key;
  uint8_t y, u, v;
};

struct Key {
  uint8_t r, g, b;
  uint8_t key_alpha;    // 255 - O
  uint8_t other_alpha;  // F
};

enum class Layout { k420, kNv12, kPacked, kPlanar422 };

class Bitmap {
 public:
  explicit Bitmap(const uint8_t* buf)
      : buf_(buf),
        width_(static_cast<int32_t>(le32(buf + kWidth))),
        height_(static_cast<int32_t>(le32(buf + kHeight))),
        bpp_(le16(buf + kBitCount)),
        compression_(le32(buf + kCompression)) {}

  uint32_t bpp() const { return bpp_; }
  // The format checks every kernel makes, in their order; 0 when the bitmap can be read.
  uint32_t check(bool packed_kernel, uint32_t yuv_type) const {
    if (bpp_ == 32 && compression_ == 3) return ERR_IMG_BMPTOYUV_UNSUPPORT_BMP_TYPE_DEFINED_32BMP;
    if (bpp_ == 16 && compression_ == 0) {
      return ERR_IMG_BMPTOYUV_UNSUPPORT_BMP_TYPE_DEFINED_16BMP_BI_RGB;
    }
    if (packed_kernel && (bpp_ == 4 || bpp_ == 1) && yuv_type == PF_YUV_YUYV) {
      return ERR_IMG_BMPTOYUV_UNSUPPORT_BMP_TYPE_TO_YUYV;
    }
    if (bpp_ == 16 && le32(buf_ + kMasks) == 0x7C00 && le32(buf_ + kMasks + 4) == 0x3E0 &&
        le32(buf_ + kMasks + 8) == 0x1F) {
      return ERR_IMG_BMPTOYUV_UNSUPPORT_BMP_TYPE_DEFINED_16BMP_555;
    }
    if (bpp_ != 1 && bpp_ != 4 && bpp_ != 8 && bpp_ != 16 && bpp_ != 24 && bpp_ != 32) {
      return ERR_IMG_BMPTOYUV_UNSUPPORT_BMP_TYPE;
    }
    return PF_STATUS_OK;
  }

  // Converted size: both rounded down to even. A top-down (negative) height converts nothing.
  int32_t width() const { return width_ > 0 ? width_ & ~1 : 0; }
  int32_t height() const { return height_ > 0 ? height_ & ~1 : 0; }

  // Picture row y (0 at the top) of the converted picture. An odd height drops the top stored
  // row, so the converted rows are stored rows height()-1 down to 0 either way.
  const uint8_t* row(int32_t y) const {
    const size_t stride =
        ((static_cast<size_t>(bpp_) * static_cast<size_t>(width_) + 31) & ~size_t{31}) / 8;
    const size_t pixels = static_cast<size_t>(le32(buf_ + kOffBits)) + kFileToBuffer;
    return buf_ + pixels + static_cast<size_t>(height() - 1 - y) * stride;
  }

  Colour pixel(const uint8_t* row, int32_t x, const Key& key) const {
    Colour c{};
    switch (bpp_) {
      case 1:
        palette(c, (row[x >> 3] >> (7 - (x & 7))) & 1u);
        break;
      case 4:
        palette(c, (x & 1) ? row[x >> 1] & 0xFu : static_cast<uint32_t>(row[x >> 1] >> 4));
        break;
      case 8:
        palette(c, row[x]);
        break;
      case 16: {
        const uint32_t v = le16(row + 2 * static_cast<size_t>(x));
        c.r = static_cast<int32_t>((v >> 11) << 3);
        c.g = static_cast<int32_t>(((v >> 5) & 63u) << 2);
        c.b = static_cast<int32_t>((v & 31u) << 3);
        break;
      }
      default: {  // 24 and 32: blue, green, red (and a byte that is ignored)
        const uint8_t* p = row + static_cast<size_t>(x) * (bpp_ / 8);
        c.b = p[0];
        c.g = p[1];
        c.r = p[2];
        break;
      }
    }
    c.key = c.r == key.r && c.g == key.g && c.b == key.b;
    c.y = rgb_to_y(c.r, c.g, c.b);
    c.u = rgb_to_u(c.r, c.g, c.b);
    c.v = rgb_to_v(c.r, c.g, c.b);
    return c;
  }

 private:
  void palette(Colour& c, uint32_t index) const {
    const uint8_t* e = buf_ + kPalette + 4 * static_cast<size_t>(index);
    c.b = e[0];
    c.g = e[1];
    c.r = e[2];
  }

  const uint8_t* buf_;
  int32_t width_, height_;
  uint32_t bpp_, compression_;
};

Key key_of(const tBmpToYuvAlphaInstance& inst) {
  const uint8_t o = inst.u8KeyOpacity;
  return {inst.u8KeyR, inst.u8KeyG, inst.u8KeyB, static_cast<uint8_t>(255 - o),
          static_cast<uint8_t>(o == 255 ? 255 : 0)};
}

// Writes an alpha value and, when the caller wants it, its complement.
inline void put_alpha(const tBmpToYuvAlphaData& d, size_t at, uint8_t a) {
  d.pu8Alpha[at] = a;
  if (d.pu8AlphaInv != nullptr) d.pu8AlphaInv[at] = static_cast<uint8_t>(255 - a);
}

void convert_420(const Bitmap& bmp, const Key& key, const tBmpToYuvAlphaData& d, bool nv12) {
  const size_t w = static_cast<size_t>(bmp.width()), h = static_cast<size_t>(bmp.height());
  uint8_t* y_plane = d.pu8Yuv;
  uint8_t* u_plane = y_plane + w * h;
  uint8_t* v_plane = u_plane + (w / 2) * (h / 2);
  const size_t chroma_alpha = w * h;
  // The key colour's own chroma, for blocks that are mostly key.
  const uint8_t key_u = rgb_to_u(key.r, key.g, key.b), key_v = rgb_to_v(key.r, key.g, key.b);
  const bool few_bits = bmp.bpp() < 8;
  for (size_t by = 0; by < h; by += 2) {
    const uint8_t* top = bmp.row(static_cast<int32_t>(by));
    const uint8_t* bottom = bmp.row(static_cast<int32_t>(by + 1));
    for (size_t bx = 0; bx < w; bx += 2) {
      const Colour px[4] = {bmp.pixel(top, static_cast<int32_t>(bx), key),
                            bmp.pixel(top, static_cast<int32_t>(bx + 1), key),
                            bmp.pixel(bottom, static_cast<int32_t>(bx), key),
                            bmp.pixel(bottom, static_cast<int32_t>(bx + 1), key)};
      int keys = 0;
      for (int i = 0; i < 4; ++i) {
        const size_t at = (by + static_cast<size_t>(i >> 1)) * w + bx + static_cast<size_t>(i & 1);
        y_plane[at] = px[i].y;
        put_alpha(d, at, px[i].key ? key.key_alpha : key.other_alpha);
        keys += px[i].key ? 1 : 0;
      }
      const Colour* from = &px[0];
      if (px[0].key && !px[1].key) {
        from = &px[1];
      } else if (px[0].key && px[1].key && !px[2].key) {
        from = &px[2];
      }
      uint8_t u = from->u, v = from->v;
      if (keys == 3) {
        u = few_bits ? px[3].u : key_u;
        v = few_bits ? px[3].v : key_v;
      }
      const size_t c = (by / 2) * (w / 2) + bx / 2;
      if (nv12) {
        u_plane[2 * c] = u;
        u_plane[2 * c + 1] = v;
      } else {
        u_plane[c] = u;
        v_plane[c] = v;
      }
      put_alpha(d, chroma_alpha + c, keys >= 3 ? key.key_alpha : key.other_alpha);
    }
  }
}

// Both 4:2:2 layouts: chroma per horizontal pair from its first non-key pixel.
void convert_422(const Bitmap& bmp, const Key& key, const tBmpToYuvAlphaData& d, bool planar,
                 uint32_t yuv_type) {
  const size_t w = static_cast<size_t>(bmp.width()), h = static_cast<size_t>(bmp.height());
  // Byte positions in a packed group of four: luma of pixel 1 and 2, then U and V.
  const bool uyvy = yuv_type != PF_YUV_YUYV;
  const size_t y0 = uyvy ? 1 : 0, y1 = uyvy ? 3 : 2, cu = uyvy ? 0 : 1, cv = uyvy ? 2 : 3;
  for (size_t y = 0; y < h; ++y) {
    const uint8_t* row = bmp.row(static_cast<int32_t>(y));
    for (size_t x = 0; x < w; x += 2) {
      const Colour a = bmp.pixel(row, static_cast<int32_t>(x), key);
      const Colour b = bmp.pixel(row, static_cast<int32_t>(x + 1), key);
      const Colour& from = (a.key && !b.key) ? b : a;
      const uint8_t alpha_a = a.key ? key.key_alpha : key.other_alpha;
      const uint8_t alpha_b = b.key ? key.key_alpha : key.other_alpha;
      const uint8_t alpha_c = (a.key && b.key) ? key.key_alpha : key.other_alpha;
      if (planar) {
        const size_t at = y * w + x, c = y * (w / 2) + x / 2, chroma_plane = (w / 2) * h;
        d.pu8Yuv[at] = a.y;
        d.pu8Yuv[at + 1] = b.y;
        d.pu8Yuv[w * h + c] = from.u;
        d.pu8Yuv[w * h + chroma_plane + c] = from.v;
        put_alpha(d, at, alpha_a);
        put_alpha(d, at + 1, alpha_b);
        put_alpha(d, w * h + c, alpha_c);
        put_alpha(d, w * h + chroma_plane + c, alpha_c);
      } else {
        const size_t g = y * 2 * w + 2 * x;
        d.pu8Yuv[g + y0] = a.y;
        d.pu8Yuv[g + y1] = b.y;
        d.pu8Yuv[g + cu] = from.u;
        d.pu8Yuv[g + cv] = from.v;
        put_alpha(d, g + y0, alpha_a);
        put_alpha(d, g + y1, alpha_b);
        put_alpha(d, g + cu, alpha_c);
        put_alpha(d, g + cv, alpha_c);
      }
    }
  }
}

uint32_t run(const tBmpToYuvAlphaInstance* inst, const tBmpToYuvAlphaData* data,
             tBmpToYuvAlphaInfo* info, Layout layout) {
  // The kernels are exported: a host calling one directly gets the module's pointer codes.
  if (inst == nullptr || data == nullptr || info == nullptr) {
    return ERR_IMG_BMPTOYUV_ALPHA_PROCESS_HANDLE;
  }
  if (data->pu8Bmp == nullptr) return ERR_IMG_BMPTOYUV_ALPHA_PROCESS_INPUT_POINTER;
  if (data->pu8Yuv == nullptr || data->pu8Alpha == nullptr) {
    return ERR_IMG_BMPTOYUV_ALPHA_PROCESS_OUTPUT_POINTER;
  }
  const Bitmap bmp(data->pu8Bmp);
  if (const uint32_t error = bmp.check(layout == Layout::kPacked, inst->u32YuvType)) return error;
  const Key key = key_of(*inst);
  if (bmp.height() >= 2) {
    switch (layout) {
      case Layout::k420:
      case Layout::kNv12:
        convert_420(bmp, key, *data, layout == Layout::kNv12);
        break;
      case Layout::kPacked:
      case Layout::kPlanar422:
        convert_422(bmp, key, *data, layout == Layout::kPlanar422, inst->u32YuvType);
        break;
    }
  }
  info->u32Height = static_cast<uint32_t>(bmp.height());
  info->u32Width = static_cast<uint32_t>(bmp.width());
  info->u32YuvType = inst->u32YuvType;
  info->u8KeyOpacity = inst->u8KeyOpacity;
  return PF_STATUS_OK;
}

}  // namespace
}  // namespace pf

extern "C" {

uint32_t ConvertBMPToYUV420AndAlpha_c(const tBmpToYuvAlphaInstance* ptInstance,
                                      const tBmpToYuvAlphaData* ptData,
                                      tBmpToYuvAlphaInfo* ptInfo) {
  // The 4:2:0 kernel serves NV12 too; the instance's layout tells them apart.
  const bool nv12 = ptInstance != nullptr && ptInstance->u32YuvType == PF_YUV_NV12;
  return pf::run(ptInstance, ptData, ptInfo, nv12 ? pf::Layout::kNv12 : pf::Layout::k420);
}

uint32_t ConvertBMPToYUV422AndAlpha_c(const tBmpToYuvAlphaInstance* ptInstance,
                                      const tBmpToYuvAlphaData* ptData,
                                      tBmpToYuvAlphaInfo* ptInfo) {
  return pf::run(ptInstance, ptData, ptInfo, pf::Layout::kPacked);
}

uint32_t ConvertBMPToYUV422PAndAlpha_c(const tBmpToYuvAlphaInstance* ptInstance,
                                       const tBmpToYuvAlphaData* ptData,
                                       tBmpToYuvAlphaInfo* ptInfo) {
  return pf::run(ptInstance, ptData, ptInfo, pf::Layout::kPlanar422);
}

}  // extern "C"
