// SPDX-License-Identifier: BSD-2-Clause
// Scalar RGB kernels: YUV 4:2:0 to RGB with its tables, the RGB resizer, RGB to YUV 4:2:0.
#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

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

// ---- YUV 4:2:0 to RGB, the vector-friendly way ----
//
// The loops below are written for the compiler's vectoriser at the baseline instruction set:
// 16-bit lanes, restrict pointers, no branch on a pixel value or on the format inside a loop,
// and strips of kStrip pixels whose working arrays stay in L1. Two rows that share their chroma
// go through one loop.
//
// They compute exactly what the tables give while the tables hold the values Open writes. With
// Y, u = U - 128 and v = V - 128 the table sums are 298 Y - 4768 + C, where C is 409 v (red),
// -100 u - 208 v (green) and 517 u (blue). Taking 298 Y = 256 Y + 42 Y and moving every multiple
// of 256 in front of the shift leaves sums that fit in 16 bits:
//   R = Y + v  + ((42 Y + 153 v - 4768) >> 8)
//   G = Y - v  + ((42 Y - 100 u + 48 v - 4768) >> 8)
//   B = Y + 2u + ((42 Y + 5 u - 4768) >> 8)
// Every result lies in -278..534, where the clip table is a plain clamp to 0..255.

#define PF_RESTRICT __restrict__

constexpr int32_t kStrip = 128;  // pixels per strip

// Pixels move between three- and four-byte forms as 64-bit words, in memory order.
static_assert(std::endian::native == std::endian::little);

// The tables are public and writable. A host that changed entries (and has not opened an
// instance since, which would put them back) gets the table-driven walk, which reads them.
template <size_t kCount>
constexpr std::array<int32_t, kCount> table_of(int32_t (*entry)(int32_t)) {
  std::array<int32_t, kCount> t{};
  for (size_t i = 0; i < kCount; ++i) t[i] = entry(static_cast<int32_t>(i));
  return t;
}

bool tables_hold_their_values() {
  static constexpr auto kY = table_of<256>(yuv_rgb_y_entry);
  static constexpr auto kRV = table_of<256>(yuv_r_v_entry);
  static constexpr auto kGU = table_of<256>(yuv_g_u_entry);
  static constexpr auto kGV = table_of<256>(yuv_g_v_entry);
  static constexpr auto kBU = table_of<256>(yuv_b_u_entry);
  static constexpr auto kClip = table_of<kClipEntries>(clip_entry);
  return std::memcmp(al32RGB_Y_Tab, kY.data(), sizeof kY) == 0 &&
         std::memcmp(al32R_V_Tab, kRV.data(), sizeof kRV) == 0 &&
         std::memcmp(al32G_U_Tab, kGU.data(), sizeof kGU) == 0 &&
         std::memcmp(al32G_V_Tab, kGV.data(), sizeof kGV) == 0 &&
         std::memcmp(al32B_U_Tab, kBU.data(), sizeof kBU) == 0 &&
         std::memcmp(al32Clip_Tab, kClip.data(), sizeof kClip) == 0;
}

// The chroma terms of the pixels of one strip, one entry per pixel (hi: added as it is, lo:
// added to 42 Y before the shift). One slot more than a strip holds: a strip that starts on an
// odd column stores its pairs from slot 1 on and may fill slot kStrip.
struct ChromaStrip {
  alignas(16) int16_t b_hi[kStrip + 1];
  alignas(16) int16_t b_lo[kStrip + 1];
  alignas(16) int16_t g_hi[kStrip + 1];
  alignas(16) int16_t g_lo[kStrip + 1];
  alignas(16) int16_t r_hi[kStrip + 1];
  alignas(16) int16_t r_lo[kStrip + 1];
};

inline void set_chroma(ChromaStrip& c, int32_t k, int16_t u, int16_t v) {
  c.b_hi[k] = static_cast<int16_t>(2 * u);
  c.b_lo[k] = static_cast<int16_t>(5 * u - 4768);
  c.g_hi[k] = static_cast<int16_t>(-v);
  c.g_lo[k] = static_cast<int16_t>(-100 * u + 48 * v - 4768);
  c.r_hi[k] = v;
  c.r_lo[k] = static_cast<int16_t>(153 * v - 4768);
}

// Terms for pixels first_x .. first_x + n - 1 of a row whose chroma row is u_row, v_row.
void fill_chroma_strip(const uint8_t* PF_RESTRICT u_row, const uint8_t* PF_RESTRICT v_row,
                       int32_t first_x, int32_t n, ChromaStrip& PF_RESTRICT c) {
  int32_t k = 0;
  if (first_x % 2 != 0) {
    set_chroma(c, 0, static_cast<int16_t>(u_row[first_x / 2] - 128),
               static_cast<int16_t>(v_row[first_x / 2] - 128));
    k = 1;
  }
  const uint8_t* PF_RESTRICT u = u_row + (first_x + k) / 2;
  const uint8_t* PF_RESTRICT v = v_row + (first_x + k) / 2;
  const int32_t pairs = (n - k + 1) / 2;
  for (int32_t i = 0; i < pairs; ++i) {  // vectorised: chroma terms
    const auto cu = static_cast<int16_t>(u[i] - 128), cv = static_cast<int16_t>(v[i] - 128);
    const auto b_hi = static_cast<int16_t>(2 * cu), b_lo = static_cast<int16_t>(5 * cu - 4768);
    const auto g_hi = static_cast<int16_t>(-cv);
    const auto g_lo = static_cast<int16_t>(-100 * cu + 48 * cv - 4768);
    const auto r_lo = static_cast<int16_t>(153 * cv - 4768);
    c.b_hi[k + 2 * i] = c.b_hi[k + 2 * i + 1] = b_hi;
    c.b_lo[k + 2 * i] = c.b_lo[k + 2 * i + 1] = b_lo;
    c.g_hi[k + 2 * i] = c.g_hi[k + 2 * i + 1] = g_hi;
    c.g_lo[k + 2 * i] = c.g_lo[k + 2 * i + 1] = g_lo;
    c.r_hi[k + 2 * i] = c.r_hi[k + 2 * i + 1] = cv;
    c.r_lo[k + 2 * i] = c.r_lo[k + 2 * i + 1] = r_lo;
  }
}

// One channel before clamping.
inline int16_t channel(int16_t y, int16_t l, int16_t hi, int16_t lo) {
  return static_cast<int16_t>(y + hi + static_cast<int16_t>(static_cast<int16_t>(l + lo) >> 8));
}
inline int16_t clamp_byte(int16_t v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

struct Channels {
  int16_t b, g, r;
};
inline Channels channels(uint8_t luma, const ChromaStrip& c, int32_t x) {
  const int16_t y = luma;
  const auto l = static_cast<int16_t>(42 * y);
  return {channel(y, l, c.b_hi[x], c.b_lo[x]), channel(y, l, c.g_hi[x], c.g_lo[x]),
          channel(y, l, c.r_hi[x], c.r_lo[x])};
}

// Blue, green, red, 0: two 16-bit halves, which the vectoriser interleaves without widening.
inline void store_bgr0(uint8_t* out, const Channels& ch) {
  const auto bg = static_cast<uint16_t>(clamp_byte(ch.b) | clamp_byte(ch.g) << 8);
  const auto r0 = static_cast<uint16_t>(clamp_byte(ch.r));
  std::memcpy(out, &bg, 2);
  std::memcpy(out + 2, &r0, 2);
}

template <int kRows>
void bgr0_strip(const uint8_t* PF_RESTRICT y0, const uint8_t* PF_RESTRICT y1,
                const ChromaStrip& PF_RESTRICT c, int32_t n, uint8_t* PF_RESTRICT out0,
                uint8_t* PF_RESTRICT out1) {
  for (int32_t x = 0; x < n; ++x) {  // vectorised: BGR0 pixels
    store_bgr0(out0 + 4 * x, channels(y0[x], c, x));
    if constexpr (kRows == 2) store_bgr0(out1 + 4 * x, channels(y1[x], c, x));
  }
}

// Four-byte pixels to three-byte ones, two per 8-byte store; each store runs two bytes into the
// next pair, which the next store rewrites. The row's last pair stores its six bytes only.
void pack_bgr24(const uint8_t* PF_RESTRICT quads, int32_t n, uint8_t* PF_RESTRICT out,
                bool row_ends) {
  const int32_t pairs = n / 2;
  const int32_t full = row_ends ? pairs - 1 : pairs;
  for (int32_t i = 0; i < full; ++i) {
    uint64_t q;
    std::memcpy(&q, quads + 8 * i, 8);
    q = (q & 0xFFFFFFu) | (q >> 8 & 0xFFFFFF000000u);
    std::memcpy(out + 6 * i, &q, 8);
  }
  if (row_ends && pairs > 0) {
    uint64_t q;
    std::memcpy(&q, quads + 8 * (pairs - 1), 8);
    q = (q & 0xFFFFFFu) | (q >> 8 & 0xFFFFFF000000u);
    std::memcpy(out + 6 * (pairs - 1), &q, 6);
  }
}

// The per-format strip writers. `carry` holds each row's running 5-6-5 carry across strips.
struct Bgr0Format {
  static constexpr int kBytes = 4;
  template <int kRows>
  static void strip(const uint8_t* y0, const uint8_t* y1, const ChromaStrip& c, int32_t n,
                    uint8_t* out0, uint8_t* out1, uint32_t* /*carry*/, bool /*row_ends*/) {
    bgr0_strip<kRows>(y0, y1, c, n, out0, out1);
  }
};

struct Bgr24Format {
  static constexpr int kBytes = 3;
  template <int kRows>
  static void strip(const uint8_t* y0, const uint8_t* y1, const ChromaStrip& c, int32_t n,
                    uint8_t* out0, uint8_t* out1, uint32_t* /*carry*/, bool row_ends) {
    alignas(16) uint8_t quads[2][4 * kStrip];
    bgr0_strip<kRows>(y0, y1, c, n, quads[0], quads[1]);
    pack_bgr24(quads[0], n, out0, row_ends);
    if constexpr (kRows == 2) pack_bgr24(quads[1], n, out1, row_ends);
  }
};

// 5-6-5 with the carried truncation error. The carry into pixel x is the low three bits of the
// sum of the unclamped values of the row's earlier pixels, so a first loop computes the values
// and their low bits (three nibbles per pixel), a short serial loop runs the sums (two rows side
// by side), and a last loop adds the carries, clamps and packs.
struct Rgb565Format {
  static constexpr int kBytes = 2;
  struct Row {
    alignas(16) int16_t b[kStrip];
    alignas(16) int16_t g[kStrip];
    alignas(16) int16_t r[kStrip];
    alignas(16) uint16_t low[kStrip];  // low three bits of r, g, b in nibbles 0, 1, 2
  };
  static void values(const uint8_t* PF_RESTRICT y, const ChromaStrip& PF_RESTRICT c, int32_t n,
                     Row& PF_RESTRICT row) {
    for (int32_t x = 0; x < n; ++x) {  // vectorised: 5-6-5 values
      const Channels ch = channels(y[x], c, x);
      row.b[x] = ch.b;
      row.g[x] = ch.g;
      row.r[x] = ch.r;
      row.low[x] = static_cast<uint16_t>((ch.r & 7) | (ch.g & 7) << 4 | (ch.b & 7) << 8);
    }
  }
  static void pack(const Row& PF_RESTRICT row, int32_t n, uint8_t* PF_RESTRICT out) {
    for (int32_t x = 0; x < n; ++x) {  // vectorised: 5-6-5 pixels
      const uint16_t e = row.low[x];   // the carries into this pixel, by now
      const int16_t r = clamp_byte(static_cast<int16_t>(row.r[x] + (e & 7)));
      const int16_t g = clamp_byte(static_cast<int16_t>(row.g[x] + (e >> 4 & 7)));
      const int16_t b = clamp_byte(static_cast<int16_t>(row.b[x] + (e >> 8 & 7)));
      const auto pixel = static_cast<uint16_t>((r & 0xF8) << 8 | (g << 3 & 0x7E0) | b >> 3);
      std::memcpy(out + 2 * x, &pixel, 2);
    }
  }
  template <int kRows>
  static void strip(const uint8_t* y0, const uint8_t* y1, const ChromaStrip& c, int32_t n,
                    uint8_t* out0, uint8_t* out1, uint32_t* carry, bool /*row_ends*/) {
    Row rows[2];
    values(y0, c, n, rows[0]);
    if constexpr (kRows == 2) values(y1, c, n, rows[1]);
    // Nibble sums stay below 16, so masking after each step keeps them apart. Each slot of
    // `low` turns from the pixel's own low bits into the carry it receives.
    uint32_t e0 = carry[0], e1 = carry[1];
    for (int32_t x = 0; x < n; ++x) {
      const uint32_t own0 = rows[0].low[x];
      rows[0].low[x] = static_cast<uint16_t>(e0);
      e0 = (e0 + own0) & 0x777u;
      if constexpr (kRows == 2) {
        const uint32_t own1 = rows[1].low[x];
        rows[1].low[x] = static_cast<uint16_t>(e1);
        e1 = (e1 + own1) & 0x777u;
      }
    }
    carry[0] = e0;
    carry[1] = e1;
    pack(rows[0], n, out0);
    if constexpr (kRows == 2) pack(rows[1], n, out1);
  }
};

// The window walk of convert_window, strip by strip.
template <class Format>
void convert_window_fast(const tYuv420ToRgbInstance& inst, const uint8_t* yuv, uint8_t* rgb,
                         int32_t win_w, int32_t win_h) {
  const tYuv420ToRgbParam& p = inst.tParam;
  const ptrdiff_t width = p.s32Width, height = p.s32Height;
  const ptrdiff_t chroma_w = (width + 1) / 2, chroma_h = (height + 1) / 2;
  const uint8_t* y_plane = yuv;
  const uint8_t* u_plane = y_plane + width * height;
  const uint8_t* v_plane = u_plane + chroma_w * chroma_h;
  const ptrdiff_t row_bytes = width * Format::kBytes;
  const int32_t top = p.s32WinTop, left = p.s32WinLeft;
  ChromaStrip chroma;
  for (int32_t j = 0; j < win_h;) {
    const int32_t src_y = top + j;
    const int rows = (src_y % 2 == 0 && j + 1 < win_h) ? 2 : 1;
    const uint8_t* luma[2];
    uint8_t* out[2];
    for (int r = 0; r < 2; ++r) {
      const ptrdiff_t y = src_y + std::min(r, rows - 1);
      luma[r] = y_plane + y * width + left;
      const ptrdiff_t dst_y = inst.u32TopDown != 0 ? y : height - 1 - y;
      out[r] = rgb + dst_y * row_bytes + static_cast<ptrdiff_t>(left) * Format::kBytes;
    }
    const uint8_t* u_row = u_plane + (src_y / 2) * chroma_w;
    const uint8_t* v_row = v_plane + (src_y / 2) * chroma_w;
    uint32_t carry[2] = {0, 0};
    for (int32_t i = 0; i < win_w; i += kStrip) {
      const int32_t n = std::min(kStrip, win_w - i);
      const bool row_ends = i + n == win_w;
      fill_chroma_strip(u_row, v_row, left + i, n, chroma);
      const ptrdiff_t at = static_cast<ptrdiff_t>(i) * Format::kBytes;
      if (rows == 2) {
        Format::template strip<2>(luma[0] + i, luma[1] + i, chroma, n, out[0] + at, out[1] + at,
                                  carry, row_ends);
      } else {
        Format::template strip<1>(luma[0] + i, luma[0] + i, chroma, n, out[0] + at, out[0] + at,
                                  carry, row_ends);
      }
    }
    j += rows;
  }
}

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
//
// The colour rule in 16-bit lanes, for the vectoriser. Y's weights add up to 255, so its sum
// fits unsigned 16 bits. U's sum 128 B - 43 R - 84 G + 128 lies in -32257..32768, one past the
// signed range; with T = 128 B - 43 R - 84 G, (T + 128) >> 8 = ((T >> 1) + 64) >> 7, which
// stays inside it (V likewise). The result lies in 1..256 before the clamp at 255.
//
// GCC turns a vector multiplication by a constant into shifts and adds, which costs more than
// the multiply instructions it saves when three products are summed per lane; the weights pass
// through keep_multiply so that the vectoriser multiplies.
template <class T>
inline T keep_multiply(T v) {
#if defined(__GNUC__)
  asm("" : "+r"(v));
#endif
  return v;
}

struct Weights {
  uint16_t yr, yg, yb;  // 76, 150, 29
  int16_t ur, ug;       // 43, 84
  int16_t vg, vb;       // 107, 20
};

Weights colour_weights() {
  return {keep_multiply<uint16_t>(76), keep_multiply<uint16_t>(150), keep_multiply<uint16_t>(29),
          keep_multiply<int16_t>(43),  keep_multiply<int16_t>(84),   keep_multiply<int16_t>(107),
          keep_multiply<int16_t>(20)};
}

inline uint8_t luma_of(uint16_t r, uint16_t g, uint16_t b, const Weights& w) {
  return static_cast<uint8_t>(static_cast<uint16_t>(w.yr * r + w.yg * g + w.yb * b + 128) >> 8);
}
inline uint8_t chroma_of(int16_t t) {
  const auto q = static_cast<int16_t>((static_cast<int16_t>((t >> 1) + 64) >> 7) + 128);
  return static_cast<uint8_t>(q > 255 ? 255 : q);
}
inline uint8_t u_of(int16_t r, int16_t g, int16_t b, const Weights& w) {
  return chroma_of(static_cast<int16_t>(128 * b - w.ur * r - w.ug * g));
}
inline uint8_t v_of(int16_t r, int16_t g, int16_t b, const Weights& w) {
  return chroma_of(static_cast<int16_t>(128 * r - w.vg * g - w.vb * b));
}

inline uint16_t load16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

// Pixel readers: channel values of pixel x as 16-bit numbers. Four-byte pixels are read as two
// 16-bit halves, which the vectoriser splits with shifts and masks.
struct ReadBgr0 {
  static void get(const uint8_t* row, int32_t x, uint16_t& r, uint16_t& g, uint16_t& b) {
    const uint16_t bg = load16(row + 4 * x), r0 = load16(row + 4 * x + 2);
    b = bg & 0xFF;
    g = bg >> 8;
    r = r0 & 0xFF;
  }
};

struct ReadRgb565 {
  static void get(const uint8_t* row, int32_t x, uint16_t& r, uint16_t& g, uint16_t& b) {
    const uint16_t w = load16(row + 2 * x);
    r = static_cast<uint16_t>(w >> 11 << 3);
    g = static_cast<uint16_t>((w >> 5 & 63) << 2);
    b = static_cast<uint16_t>((w & 31) << 3);
  }
};

template <class Read>
void luma_row(const uint8_t* PF_RESTRICT src, int32_t n, uint8_t* PF_RESTRICT y, const Weights& w) {
  for (int32_t x = 0; x < n; ++x) {  // vectorised: luma
    uint16_t r, g, b;
    Read::get(src, x, r, g, b);
    y[x] = luma_of(r, g, b, w);
  }
}

// U and V from the top-left pixel of each 2x2 block.
template <class Read>
void chroma_row(const uint8_t* PF_RESTRICT src, int32_t blocks, uint8_t* PF_RESTRICT u,
                uint8_t* PF_RESTRICT v, const Weights& w) {
  for (int32_t i = 0; i < blocks; ++i) {  // vectorised: chroma
    uint16_t r, g, b;
    Read::get(src, 2 * i, r, g, b);
    const auto sr = static_cast<int16_t>(r), sg = static_cast<int16_t>(g);
    const auto sb = static_cast<int16_t>(b);
    u[i] = u_of(sr, sg, sb, w);
    v[i] = v_of(sr, sg, sb, w);
  }
}

// Three-byte pixels are widened to four bytes a strip at a time (the vectoriser has no cheap
// way to split triplets at the baseline instruction set), two pixels per 8-byte load and store
// to halve the stores that bound this loop. A load takes the two pixels' six bytes and two of
// the next pixel's; the row's last pair, which has no next pixel, is read byte-exactly.
void widen_bgr24(const uint8_t* PF_RESTRICT src, int32_t n, bool row_ends,
                 uint8_t* PF_RESTRICT quads) {
  const int32_t pairs = n / 2;  // n is even
  const int32_t whole = row_ends ? pairs - 1 : pairs;
  for (int32_t i = 0; i < whole; ++i) {
    uint64_t w;
    std::memcpy(&w, src + 6 * i, 8);
    w = (w & 0xFFFFFFu) | (w << 8 & 0xFFFFFF00000000u);
    std::memcpy(quads + 8 * i, &w, 8);
  }
  if (row_ends && pairs > 0) {
    uint64_t w = 0;
    std::memcpy(&w, src + 6 * (pairs - 1), 6);
    w = (w & 0xFFFFFFu) | (w << 8 & 0xFFFFFF00000000u);
    std::memcpy(quads + 8 * (pairs - 1), &w, 8);
  }
}

struct RgbToYuvRows {
  const uint8_t* top;
  const uint8_t* bottom;
  uint8_t* y_top;
  uint8_t* y_bottom;
  uint8_t* u;
  uint8_t* v;
};

template <class Read>
void convert_rows(const RgbToYuvRows& r, int32_t width, const Weights& w) {
  luma_row<Read>(r.top, width, r.y_top, w);
  luma_row<Read>(r.bottom, width, r.y_bottom, w);
  chroma_row<Read>(r.top, width / 2, r.u, r.v, w);
}

void convert_rows_bgr24(const RgbToYuvRows& r, int32_t width, const Weights& w) {
  alignas(16) uint8_t quads[2][4 * kStrip];
  for (int32_t x = 0; x < width; x += kStrip) {  // kStrip is even, and so is width
    const int32_t n = std::min(kStrip, width - x);
    const bool row_ends = x + n == width;
    widen_bgr24(r.top + 3 * x, n, row_ends, quads[0]);
    widen_bgr24(r.bottom + 3 * x, n, row_ends, quads[1]);
    luma_row<ReadBgr0>(quads[0], n, r.y_top + x, w);
    luma_row<ReadBgr0>(quads[1], n, r.y_bottom + x, w);
    chroma_row<ReadBgr0>(quads[0], n / 2, r.u + x / 2, r.v + x / 2, w);
  }
}

template <int kPixelBytes>
void rgb_to_yuv420(const tRgbToYuvInstance& inst, const uint8_t* rgb, uint8_t* y_plane,
                   uint8_t* u_plane, uint8_t* v_plane) {
  const tRgbToYuvParam& p = inst.tParam;
  const ptrdiff_t stride = p.s32SrcPitch;  // bytes while the kernel runs
  const ptrdiff_t y_pitch = p.s32DstPitch, uv_pitch = p.s32DstPitch / 2;
  const int32_t width = p.s32SrcWidth, height = p.s32SrcHeight;
  const Weights w = colour_weights();
  auto stored_row = [&](int32_t y) {
    return rgb + (p.u32SrcBottomUp != 0 ? height - 1 - y : y) * stride;
  };
  for (int32_t y = 0; y < height; y += 2) {
    uint8_t* y_top = y_plane + y * y_pitch;
    const RgbToYuvRows rows{stored_row(y),
                            stored_row(y + 1),
                            y_top,
                            y_top + y_pitch,
                            u_plane + (y / 2) * uv_pitch,
                            v_plane + (y / 2) * uv_pitch};
    if constexpr (kPixelBytes == 2) {
      convert_rows<ReadRgb565>(rows, width, w);
    } else if constexpr (kPixelBytes == 3) {
      convert_rows_bgr24(rows, width, w);
    } else {
      convert_rows<ReadBgr0>(rows, width, w);
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
  const tYuv420ToRgbParam& p = ptInstance->tParam;
  if (pf::tables_hold_their_values()) {
    pf::convert_window_fast<pf::Rgb565Format>(*ptInstance, pu8Yuv, pu8Rgb, p.s32WinWidth,
                                              p.s32WinHeight);
    return;
  }
  pf::Rgb565Writer writer;
  pf::convert_window(*ptInstance, pu8Yuv, pu8Rgb, p.s32WinWidth, p.s32WinHeight, writer);
}

void YUV420ToRGB24_c(const tYuv420ToRgbInstance* ptInstance, const uint8_t* pu8Yuv,
                     uint8_t* pu8Rgb) {
  const tYuv420ToRgbParam& p = ptInstance->tParam;
  if (pf::tables_hold_their_values()) {
    pf::convert_window_fast<pf::Bgr24Format>(*ptInstance, pu8Yuv, pu8Rgb, p.s32WinWidth & ~1,
                                             p.s32WinHeight & ~1);
    return;
  }
  pf::TrueColourWriter<3> writer;
  pf::convert_window(*ptInstance, pu8Yuv, pu8Rgb, p.s32WinWidth & ~1, p.s32WinHeight & ~1, writer);
}

void YUV420ToRGB32_c(const tYuv420ToRgbInstance* ptInstance, const uint8_t* pu8Yuv,
                     uint8_t* pu8Rgb) {
  const tYuv420ToRgbParam& p = ptInstance->tParam;
  if (pf::tables_hold_their_values()) {
    pf::convert_window_fast<pf::Bgr0Format>(*ptInstance, pu8Yuv, pu8Rgb, p.s32WinWidth & ~1,
                                            p.s32WinHeight & ~1);
    return;
  }
  pf::TrueColourWriter<4> writer;
  pf::convert_window(*ptInstance, pu8Yuv, pu8Rgb, p.s32WinWidth & ~1, p.s32WinHeight & ~1, writer);
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
  pf::rgb_to_yuv420<4>(*ptInstance, pu8Rgb, pu8Y, pu8U, pu8V);
}

void RGB24toYUV420_c(const tRgbToYuvInstance* ptInstance, const uint8_t* pu8Rgb, uint8_t* pu8Y,
                     uint8_t* pu8U, uint8_t* pu8V) {
  pf::rgb_to_yuv420<3>(*ptInstance, pu8Rgb, pu8Y, pu8U, pu8V);
}

void RGB565toYUV420_c(const tRgbToYuvInstance* ptInstance, const uint8_t* pu8Rgb, uint8_t* pu8Y,
                      uint8_t* pu8U, uint8_t* pu8V) {
  // The instance's table holds what the colour rule gives for every 5-6-5 value; computing the
  // rule on the widened channels gives the same bytes without 256 KiB of lookups.
  pf::rgb_to_yuv420<2>(*ptInstance, pu8Rgb, pu8Y, pu8U, pu8V);
}

}  // extern "C"
