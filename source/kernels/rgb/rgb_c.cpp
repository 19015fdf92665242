// SPDX-License-Identifier: BSD-2-Clause
// Scalar RGB kernels: YUV 4:2:0 to RGB with its tables, the RGB resizer, RGB to YUV 4:2:0.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "rgb_internal.hpp"

// ---- YUV-to-RGB tables ----
// They are initialised at load time, so that a kernel called before any Open (or by a host that
// calls kernels directly) already sees the right values.
#define PF_R4(f, n) f(n), f((n) + 1), f((n) + 2), f((n) + 3)
#define PF_R16(f, n) PF_R4(f, n), PF_R4(f, (n) + 4), PF_R4(f, (n) + 8), PF_R4(f, (n) + 12)
#define PF_R64(f, n) PF_R16(f, n), PF_R16(f, (n) + 16), PF_R16(f, (n) + 32), PF_R16(f, (n) + 48)
#define PF_R256(f, n) PF_R64(f, n), PF_R64(f, (n) + 64), PF_R64(f, (n) + 128), PF_R64(f, (n) + 192)
#define PF_R1024(f, n) \
  PF_R256(f, n), PF_R256(f, (n) + 256), PF_R256(f, (n) + 512), PF_R256(f, (n) + 768)

extern "C" {
constinit int32_t al32RGB_Y_Tab[256] = {PF_R256(pf::yuv_rgb_y_entry, 0)};
constinit int32_t al32R_V_Tab[256] = {PF_R256(pf::yuv_r_v_entry, 0)};
constinit int32_t al32G_U_Tab[256] = {PF_R256(pf::yuv_g_u_entry, 0)};
constinit int32_t al32G_V_Tab[256] = {PF_R256(pf::yuv_g_v_entry, 0)};
constinit int32_t al32B_U_Tab[256] = {PF_R256(pf::yuv_b_u_entry, 0)};
constinit int32_t al32Clip_Tab[2048] = {PF_R1024(pf::clip_entry, 0),
                                        PF_R1024(pf::clip_entry, 1024)};
int32_t* const pl32Clip = al32Clip_Tab + pf::kClipBelow;
}  // extern "C"

#undef PF_R1024
#undef PF_R256
#undef PF_R64
#undef PF_R16
#undef PF_R4

namespace pf {
namespace {

// Every Open regenerates the tables while other instances may be converting with them. Each
// entry is compared before it is stored, so the usual regeneration, which finds every value in
// place, writes nothing; only entries a host overwrote are put back.
void restore_entries(int32_t* table, int32_t count, int32_t (*entry)(int32_t)) {
  for (int32_t i = 0; i < count; ++i) {
    std::atomic_ref<int32_t> cell(table[i]);
    const int32_t value = entry(i);
    if (cell.load(std::memory_order_relaxed) != value) {
      cell.store(value, std::memory_order_relaxed);
    }
  }
}

// ---- YUV 4:2:0 to RGB ----

struct ChromaTerms {
  int32_t r, g, b;  // added to, subtracted from and added to the luma term
};

inline int32_t clip(int32_t v) { return pl32Clip[v]; }

// Walks a window in 2x2 blocks of the picture, looking each block's chroma up once; a window
// that starts on an odd row or column has single rows or columns at its edges, whose pixels
// still take the chroma of the picture block they lie in. Writer::kBytes is the pixel size;
// writer.start_row(slot) begins a destination row and writer.put(slot, out, luma term, chroma)
// stores one pixel of the row in that slot (0 upper, 1 lower).
template <class Writer>
void convert_window(const tYuv420ToRgbInstance& inst, const uint8_t* yuv, uint8_t* rgb,
                    int32_t win_w, int32_t win_h, Writer& writer) {
  const tYuv420ToRgbParam& p = inst.tParam;
  const ptrdiff_t width = p.s32Width, height = p.s32Height;
  const ptrdiff_t chroma_w = (width + 1) / 2, chroma_h = (height + 1) / 2;
  const uint8_t* y_plane = yuv;
  const uint8_t* u_plane = y_plane + width * height;
  const uint8_t* v_plane = u_plane + chroma_w * chroma_h;
  const ptrdiff_t row_bytes = width * Writer::kBytes;
  const int32_t top = p.s32WinTop, left = p.s32WinLeft;

  for (int32_t j = 0; j < win_h;) {
    const int32_t src_y = top + j;
    const int rows = (src_y % 2 == 0 && j + 1 < win_h) ? 2 : 1;
    const uint8_t* luma[2];
    uint8_t* out[2];
    for (int r = 0; r < rows; ++r) {
      luma[r] = y_plane + (src_y + r) * width;
      const ptrdiff_t dst_y = inst.u32TopDown != 0 ? src_y + r : height - 1 - (src_y + r);
      out[r] = rgb + dst_y * row_bytes + static_cast<ptrdiff_t>(left) * Writer::kBytes;
      writer.start_row(r);
    }
    const uint8_t* u_row = u_plane + (src_y / 2) * chroma_w;
    const uint8_t* v_row = v_plane + (src_y / 2) * chroma_w;
    for (int32_t i = 0; i < win_w;) {
      const int32_t src_x = left + i;
      const int cols = (src_x % 2 == 0 && i + 1 < win_w) ? 2 : 1;
      const uint8_t u = u_row[src_x / 2], v = v_row[src_x / 2];
      const ChromaTerms chroma{al32R_V_Tab[v], al32G_U_Tab[u] + al32G_V_Tab[v], al32B_U_Tab[u]};
      for (int r = 0; r < rows; ++r) {
        for (int k = 0; k < cols; ++k) {
          writer.put(r, out[r] + static_cast<ptrdiff_t>(i + k) * Writer::kBytes,
                     al32RGB_Y_Tab[luma[r][src_x + k]], chroma);
        }
      }
      i += cols;
    }
    j += rows;
  }
}

template <int kPixelBytes>
struct TrueColourWriter {
  static constexpr int kBytes = kPixelBytes;
  void start_row(int) {}
  void put(int, uint8_t* out, int32_t y, const ChromaTerms& c) {
    out[0] = static_cast<uint8_t>(clip((y + c.b) >> 8));
    out[1] = static_cast<uint8_t>(clip((y - c.g) >> 8));
    out[2] = static_cast<uint8_t>(clip((y + c.r) >> 8));
    if constexpr (kPixelBytes == 4) out[3] = 0;
  }
};

// Carries each channel's truncation error to the next pixel of the row, so that flat areas
// dither instead of banding. The carry is the low three bits of the unclamped value, the carry
// it received included.
struct Rgb565Writer {
  static constexpr int kBytes = 2;
  int32_t carry[2][3] = {};
  void start_row(int slot) { carry[slot][0] = carry[slot][1] = carry[slot][2] = 0; }
  void put(int slot, uint8_t* out, int32_t y, const ChromaTerms& c) {
    int32_t* e = carry[slot];
    const int32_t r = ((y + c.r) >> 8) + e[0];
    const int32_t g = ((y - c.g) >> 8) + e[1];
    const int32_t b = ((y + c.b) >> 8) + e[2];
    e[0] = r & 7;
    e[1] = g & 7;
    e[2] = b & 7;
    const uint32_t pixel = (static_cast<uint32_t>(clip(r)) & 0xF8u) << 8 |
                           (static_cast<uint32_t>(clip(g)) << 3 & 0x7E0u) |
                           static_cast<uint32_t>(clip(b)) >> 3;
    out[0] = static_cast<uint8_t>(pixel);
    out[1] = static_cast<uint8_t>(pixel >> 8);
  }
};

// ---- RGB resizer ----

struct Rgb {
  int32_t r, g, b;
};

struct Read565 {
  const uint8_t* palette;
  Rgb operator()(const uint8_t* row, ptrdiff_t x) const {
    const uint32_t w = row[2 * x] | static_cast<uint32_t>(row[2 * x + 1]) << 8;
    return {static_cast<int32_t>(w >> 11), static_cast<int32_t>(w >> 5 & 63),
            static_cast<int32_t>(w & 31)};
  }
};

struct Read24 {
  const uint8_t* palette;
  Rgb operator()(const uint8_t* row, ptrdiff_t x) const {
    const uint8_t* p = row + 3 * x;
    return {p[2], p[1], p[0]};
  }
};

struct ReadPalette {
  const uint8_t* palette;
  Rgb operator()(const uint8_t* row, ptrdiff_t x) const {
    const uint8_t* p = palette + 4 * row[x];
    return {p[2], p[1], p[0]};
  }
};

// The writers get the weighted sums (weights total 65536) without the rounding term.
struct Write565From565 {
  static constexpr int kBytes = 2;
  void operator()(uint8_t* out, const Rgb& s) const {
    const auto pixel = static_cast<uint32_t>((s.r + 32768) >> 16 << 11 | (s.g + 32768) >> 16 << 5 |
                                             (s.b + 32768) >> 16);
    out[0] = static_cast<uint8_t>(pixel);
    out[1] = static_cast<uint8_t>(pixel >> 8);
  }
};

struct Write565From8Bit {
  static constexpr int kBytes = 2;
  void operator()(uint8_t* out, const Rgb& s) const {
    const auto pixel = static_cast<uint32_t>((s.r + 32768) >> 19 << 11 | (s.g + 32768) >> 18 << 5 |
                                             (s.b + 32768) >> 19);
    out[0] = static_cast<uint8_t>(pixel);
    out[1] = static_cast<uint8_t>(pixel >> 8);
  }
};

struct Write24From24 {
  static constexpr int kBytes = 3;
  void operator()(uint8_t* out, const Rgb& s) const {
    out[0] = static_cast<uint8_t>((s.b + 32768) >> 16);
    out[1] = static_cast<uint8_t>((s.g + 32768) >> 16);
    out[2] = static_cast<uint8_t>((s.r + 32768) >> 16);
  }
};

// Widening keeps three (red, blue) or two (green) fraction bits of the interpolated value, which
// puts each level in the middle of the 8-bit range it stands for.
struct Write24From565 {
  static constexpr int kBytes = 3;
  void operator()(uint8_t* out, const Rgb& s) const {
    out[0] = static_cast<uint8_t>((s.b + 32768) >> 13);
    out[1] = static_cast<uint8_t>((s.g + 32768) >> 14);
    out[2] = static_cast<uint8_t>((s.r + 32768) >> 13);
  }
};

// 16.16 step between destination samples. A destination of one sample has no step to divide
// out; it samples position 0, the source's first column or row, as every other size does for
// its first sample.
int64_t resize_step(int32_t src, int32_t dst) {
  if (dst <= 1) return 0;
  return ((static_cast<int64_t>(src) << 16) - 65536) / (dst - 1);
}

template <class Read, class Write>
void resize(const tRgbResizerParam& p, const tRgbResizerSrc& src, const tRgbResizerDst& dst) {
  const Read read{src.pu8Palette};
  const Write write{};
  const int64_t step_x = resize_step(p.s32SrcWidth, p.s32DstWidth);
  const int64_t step_y = resize_step(p.s32SrcHeight, p.s32DstHeight);
  const int32_t last_col = p.s32SrcWidth - 1, last_row = p.s32SrcHeight - 1;
  for (int32_t y = 0; y < p.s32DstHeight; ++y) {
    const int64_t pos_y = y * step_y;
    const auto r0 = static_cast<int32_t>(pos_y >> 16);
    const int32_t r1 = std::min(r0 + 1, last_row);
    const auto fy = static_cast<int32_t>((pos_y & 0xFFFF) >> 10);
    const uint8_t* row0 = src.pu8Data + static_cast<ptrdiff_t>(r0) * src.s32Pitch;
    const uint8_t* row1 = src.pu8Data + static_cast<ptrdiff_t>(r1) * src.s32Pitch;
    uint8_t* out = dst.pu8Data + static_cast<ptrdiff_t>(y) * dst.s32Pitch;
    const int32_t wy0 = 1024 - 16 * fy, wy1 = 16 * fy;
    for (int32_t x = 0; x < p.s32DstWidth; ++x) {
      const int64_t pos_x = x * step_x;
      const auto c0 = static_cast<int32_t>(pos_x >> 16);
      // At the right edge the neighbour is the pixel itself; its weight is 0 there anyway, but
      // reading one pixel past the row would leave the caller's buffer.
      const int32_t c1 = std::min(c0 + 1, last_col);
      const auto fx = static_cast<int32_t>((pos_x & 0xFFFF) >> 10);
      const int32_t wx0 = 64 - fx, wx1 = fx;
      const Rgb a = read(row0, c0), b = read(row0, c1), c = read(row1, c0), d = read(row1, c1);
      auto mix = [&](int32_t pa, int32_t pb, int32_t pc, int32_t pd) {
        return (pa * wx0 + pb * wx1) * wy0 + (pc * wx0 + pd * wx1) * wy1;
      };
      write(out + static_cast<ptrdiff_t>(x) * Write::kBytes,
            Rgb{mix(a.r, b.r, c.r, d.r), mix(a.g, b.g, c.g, d.g), mix(a.b, b.b, c.b, d.b)});
    }
  }
}

// ---- RGB to YUV 4:2:0 ----

// Reads one pixel and returns its (Y, U, V) as the colour rule gives them.
struct Yuv {
  uint8_t y, u, v;
};

template <int kPixelBytes>
struct ReadTrueColour {
  static constexpr int kBytes = kPixelBytes;
  uint8_t luma(const uint8_t* p) const { return rgb_to_y(p[2], p[1], p[0]); }
  Yuv full(const uint8_t* p) const {
    return {rgb_to_y(p[2], p[1], p[0]), rgb_to_u(p[2], p[1], p[0]), rgb_to_v(p[2], p[1], p[0])};
  }
};

struct ReadTable565 {
  static constexpr int kBytes = 2;
  const uint8_t* table;
  const uint8_t* entry(const uint8_t* p) const {
    return table + 4 * (p[0] | static_cast<uint32_t>(p[1]) << 8);
  }
  uint8_t luma(const uint8_t* p) const { return entry(p)[0]; }
  Yuv full(const uint8_t* p) const {
    const uint8_t* e = entry(p);
    return {e[0], e[1], e[2]};
  }
};

template <class Read>
void rgb_to_yuv420(const tRgbToYuvInstance& inst, const uint8_t* rgb, uint8_t* y_plane,
                   uint8_t* u_plane, uint8_t* v_plane, const Read& read) {
  const tRgbToYuvParam& p = inst.tParam;
  const ptrdiff_t stride = p.s32SrcPitch;  // bytes while the kernel runs
  const ptrdiff_t y_pitch = p.s32DstPitch, uv_pitch = p.s32DstPitch / 2;
  const int32_t width = p.s32SrcWidth, height = p.s32SrcHeight;
  auto stored_row = [&](int32_t y) {
    return rgb + (p.u32SrcBottomUp != 0 ? height - 1 - y : y) * stride;
  };
  for (int32_t y = 0; y < height; y += 2) {
    const uint8_t* top = stored_row(y);
    const uint8_t* bottom = stored_row(y + 1);
    uint8_t* y_top = y_plane + y * y_pitch;
    uint8_t* y_bottom = y_top + y_pitch;
    uint8_t* u_row = u_plane + (y / 2) * uv_pitch;
    uint8_t* v_row = v_plane + (y / 2) * uv_pitch;
    for (int32_t x = 0; x < width; x += 2) {
      const ptrdiff_t at = static_cast<ptrdiff_t>(x) * Read::kBytes;
      const Yuv corner = read.full(top + at);
      y_top[x] = corner.y;
      y_top[x + 1] = read.luma(top + at + Read::kBytes);
      y_bottom[x] = read.luma(bottom + at);
      y_bottom[x + 1] = read.luma(bottom + at + Read::kBytes);
      u_row[x / 2] = corner.u;
      v_row[x / 2] = corner.v;
    }
  }
}

}  // namespace

void fill_rgb565_yuv_table(uint8_t* table) {
  for (uint32_t w = 0; w < 65536; ++w) {
    const auto r = static_cast<int32_t>(w >> 11 << 3);
    const auto g = static_cast<int32_t>((w >> 5 & 63) << 2);
    const auto b = static_cast<int32_t>((w & 31) << 3);
    uint8_t* e = table + 4 * w;
    e[0] = rgb_to_y(r, g, b);
    e[1] = rgb_to_u(r, g, b);
    e[2] = rgb_to_v(r, g, b);
    e[3] = 0;
  }
}

}  // namespace pf

extern "C" {

void GenerateYUVtoRGBTables_c(void) {
  pf::restore_entries(al32RGB_Y_Tab, 256, pf::yuv_rgb_y_entry);
  pf::restore_entries(al32R_V_Tab, 256, pf::yuv_r_v_entry);
  pf::restore_entries(al32G_U_Tab, 256, pf::yuv_g_u_entry);
  pf::restore_entries(al32G_V_Tab, 256, pf::yuv_g_v_entry);
  pf::restore_entries(al32B_U_Tab, 256, pf::yuv_b_u_entry);
  pf::restore_entries(al32Clip_Tab, pf::kClipEntries, pf::clip_entry);
}

void YUV420ToRGB565_c(const tYuv420ToRgbInstance* ptInstance, const uint8_t* pu8Yuv,
                      uint8_t* pu8Rgb) {
  pf::Rgb565Writer writer;
  pf::convert_window(*ptInstance, pu8Yuv, pu8Rgb, ptInstance->tParam.s32WinWidth,
                     ptInstance->tParam.s32WinHeight, writer);
}

void YUV420ToRGB24_c(const tYuv420ToRgbInstance* ptInstance, const uint8_t* pu8Yuv,
                     uint8_t* pu8Rgb) {
  pf::TrueColourWriter<3> writer;
  pf::convert_window(*ptInstance, pu8Yuv, pu8Rgb, ptInstance->tParam.s32WinWidth & ~1,
                     ptInstance->tParam.s32WinHeight & ~1, writer);
}

void YUV420ToRGB32_c(const tYuv420ToRgbInstance* ptInstance, const uint8_t* pu8Yuv,
                     uint8_t* pu8Rgb) {
  pf::TrueColourWriter<4> writer;
  pf::convert_window(*ptInstance, pu8Yuv, pu8Rgb, ptInstance->tParam.s32WinWidth & ~1,
                     ptInstance->tParam.s32WinHeight & ~1, writer);
}

void RGB565ReSizer_c(const tRgbResizerParam* ptParam, const tRgbResizerSrc* ptSrc,
                     const tRgbResizerDst* ptDst) {
  pf::resize<pf::Read565, pf::Write565From565>(*ptParam, *ptSrc, *ptDst);
}

void RGB24ReSizer_c(const tRgbResizerParam* ptParam, const tRgbResizerSrc* ptSrc,
                    const tRgbResizerDst* ptDst) {
  pf::resize<pf::Read24, pf::Write24From24>(*ptParam, *ptSrc, *ptDst);
}

void RGB24toRGB16ReSizer_c(const tRgbResizerParam* ptParam, const tRgbResizerSrc* ptSrc,
                           const tRgbResizerDst* ptDst) {
  pf::resize<pf::Read24, pf::Write565From8Bit>(*ptParam, *ptSrc, *ptDst);
}

void RGB16toRGB24ReSizer_c(const tRgbResizerParam* ptParam, const tRgbResizerSrc* ptSrc,
                           const tRgbResizerDst* ptDst) {
  pf::resize<pf::Read565, pf::Write24From565>(*ptParam, *ptSrc, *ptDst);
}

void RGB8toRGB16ReSizer_c(const tRgbResizerParam* ptParam, const tRgbResizerSrc* ptSrc,
                          const tRgbResizerDst* ptDst) {
  pf::resize<pf::ReadPalette, pf::Write565From8Bit>(*ptParam, *ptSrc, *ptDst);
}

void RGB32toYUV420_c(const tRgbToYuvInstance* ptInstance, const uint8_t* pu8Rgb, uint8_t* pu8Y,
                     uint8_t* pu8U, uint8_t* pu8V) {
  pf::rgb_to_yuv420(*ptInstance, pu8Rgb, pu8Y, pu8U, pu8V, pf::ReadTrueColour<4>{});
}

void RGB24toYUV420_c(const tRgbToYuvInstance* ptInstance, const uint8_t* pu8Rgb, uint8_t* pu8Y,
                     uint8_t* pu8U, uint8_t* pu8V) {
  pf::rgb_to_yuv420(*ptInstance, pu8Rgb, pu8Y, pu8U, pu8V, pf::ReadTrueColour<3>{});
}

void RGB565toYUV420_c(const tRgbToYuvInstance* ptInstance, const uint8_t* pu8Rgb, uint8_t* pu8Y,
                      uint8_t* pu8U, uint8_t* pu8V) {
  pf::rgb_to_yuv420(*ptInstance, pu8Rgb, pu8Y, pu8U, pu8V,
                    pf::ReadTable565{ptInstance->pu8Table565});
}

}  // extern "C"
