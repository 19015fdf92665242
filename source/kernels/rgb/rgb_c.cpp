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
// and strips of kStrip pixels whose working arrays stay in L1.
//
// They compute exactly what the tables give while the tables hold the values Open writes. With
// Y, u = U - 128 and v = V - 128 the table sums are 298 Y - 4768 + C, where C is 409 v (red),
// -100 u - 208 v (green) and 517 u (blue). Taking 298 Y = 256 Y + 42 Y and moving every multiple
// of 256 in front of the shift leaves sums that fit in 16 bits:
//   R = Y + v  + ((42 Y + 153 v - 4768) >> 8)
//   G = Y - v  + ((42 Y - 100 u + 48 v - 4768) >> 8)
//   B = Y + 2u + ((42 Y + 5 u - 4768) >> 8)
// Every result lies in -278..534, where the clip table is a plain clamp to 0..255.
//
// A strip is walked by chroma sample: one step takes a sample's terms and the two pixels of
// each row that share them, whose luma arrives as one 16-bit load (even pixel in the low byte).
// The terms are thus computed once per sample, at chroma resolution, and never widened to one
// entry per pixel; the two pixels of a step come out side by side in the stores.

#define PF_RESTRICT __restrict__
// Clang cannot bound the strips' arrays behind references and inlined pointers and leaves the
// marked loops scalar (some twenty times slower); it is told what the restrict pointers tell GCC.
// Instrumented builds (sanitizers, fuzzing coverage) may leave them scalar, which is no error.
#if defined(__clang__)
#define PF_VECTOR_LOOP _Pragma("clang loop vectorize(assume_safety)")
#pragma clang diagnostic ignored "-Wpass-failed"
#else
#define PF_VECTOR_LOOP
#endif

constexpr int32_t kStrip = 256;  // pixels per strip; even, so a strip is whole chroma samples
constexpr int32_t kStripPairs = kStrip / 2;

// Pixels move between byte and word forms in memory order.
static_assert(std::endian::native == std::endian::little);

// GCC turns a vector multiplication by a constant into shifts and adds, which costs more than
// the multiply instructions it saves when several products are summed per lane; weights that
// pass through keep_multiply (outside the loop: inside, the barrier stops the vectoriser) stay
// multiplications.
template <class T>
inline T keep_multiply(T v) {
#if defined(__GNUC__)
  asm("" : "+r"(v));
#endif
  return v;
}

inline uint16_t load16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
inline void store16(uint8_t* p, uint16_t v) { std::memcpy(p, &v, 2); }

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

// One chroma sample's terms: blue adds b_hi, green subtracts v and red adds it; the *_lo terms
// are added to 42 Y before the shift.
struct SampleTerms {
  int16_t b_hi, v, b_lo, g_lo, r_lo;
};

// The multipliers of the chroma terms: 5, 100, 48, 153 (through keep_multiply in loops).
struct TermWeights {
  int16_t b_u, g_u, g_v, r_v;
};
constexpr TermWeights kTermWeights{5, 100, 48, 153};

inline SampleTerms centred_terms(int16_t u, int16_t v, const TermWeights& w) {
  return {static_cast<int16_t>(2 * u), v, static_cast<int16_t>(w.b_u * u - 4768),
          static_cast<int16_t>(w.g_v * v - w.g_u * u - 4768),
          static_cast<int16_t>(w.r_v * v - 4768)};
}

inline SampleTerms sample_terms(uint8_t u_byte, uint8_t v_byte, const TermWeights& w) {
  return centred_terms(static_cast<int16_t>(u_byte - 128), static_cast<int16_t>(v_byte - 128), w);
}

// The terms of a strip's chroma samples.
struct ChromaStrip {
  alignas(16) int16_t u[kStripPairs];
  alignas(16) int16_t v[kStripPairs];
  SampleTerms at(int32_t i, const TermWeights& w) const { return centred_terms(u[i], v[i], w); }
};

TermWeights term_weights() {
  return {keep_multiply(kTermWeights.b_u), keep_multiply(kTermWeights.g_u),
          keep_multiply(kTermWeights.g_v), keep_multiply(kTermWeights.r_v)};
}

void fill_chroma_strip(const uint8_t* PF_RESTRICT u, const uint8_t* PF_RESTRICT v, int32_t samples,
                       ChromaStrip& PF_RESTRICT c) {
  PF_VECTOR_LOOP
  for (int32_t i = 0; i < samples; ++i) {  // vectorised: chroma terms
    c.u[i] = static_cast<int16_t>(u[i] - 128);
    c.v[i] = static_cast<int16_t>(v[i] - 128);
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
// k42 is 42, held by keep_multiply in the loops.
inline Channels channels(int16_t y, int16_t k42, const SampleTerms& t) {
  const auto l = static_cast<int16_t>(k42 * y);
  return {channel(y, l, t.b_hi, t.b_lo), channel(y, l, static_cast<int16_t>(-t.v), t.g_lo),
          channel(y, l, t.v, t.r_lo)};
}

// The per-format writers. pixel() stores a single pixel (a window edge that splits a chroma
// sample); strip<kRows>() stores `pairs` pixel pairs of one or two rows from even columns.
// `carry` holds each row's running 5-6-5 carry from the row's left edge on.

// Blue, green, red, 0: two 16-bit halves, which the vectoriser interleaves without widening.
struct Bgr0Format {
  static constexpr int kBytes = 4;
  static void pixel(uint8_t* out, const Channels& ch, uint32_t& /*carry*/) {
    store16(out, static_cast<uint16_t>(clamp_byte(ch.b) | clamp_byte(ch.g) << 8));
    store16(out + 2, static_cast<uint16_t>(clamp_byte(ch.r)));
  }
  template <int kRows>
  static void strip(const uint8_t* PF_RESTRICT y0, const uint8_t* PF_RESTRICT y1,
                    const ChromaStrip& PF_RESTRICT c, int32_t pairs, uint8_t* PF_RESTRICT out0,
                    uint8_t* PF_RESTRICT out1, uint32_t* /*carry*/, bool /*row_ends*/) {
    const auto k42 = keep_multiply<int16_t>(42);
    const TermWeights tw = term_weights();
    PF_VECTOR_LOOP
    for (int32_t i = 0; i < pairs; ++i) {  // vectorised: BGR0 pixels
      const SampleTerms t = c.at(i, tw);
      const uint16_t w0 = load16(y0 + 2 * i);
      put_pair(out0 + 8 * i, channels(static_cast<int16_t>(w0 & 0xFF), k42, t),
               channels(static_cast<int16_t>(w0 >> 8), k42, t));
      if constexpr (kRows == 2) {
        const uint16_t w1 = load16(y1 + 2 * i);
        put_pair(out1 + 8 * i, channels(static_cast<int16_t>(w1 & 0xFF), k42, t),
                 channels(static_cast<int16_t>(w1 >> 8), k42, t));
      }
    }
  }
  static void put_pair(uint8_t* out, const Channels& even, const Channels& odd) {
    store16(out, static_cast<uint16_t>(clamp_byte(even.b) | clamp_byte(even.g) << 8));
    store16(out + 2, static_cast<uint16_t>(clamp_byte(even.r)));
    store16(out + 4, static_cast<uint16_t>(clamp_byte(odd.b) | clamp_byte(odd.g) << 8));
    store16(out + 6, static_cast<uint16_t>(clamp_byte(odd.r)));
  }
};

// Three-byte pixels. A pair's six bytes go to an 8-byte slot in L1 as three 16-bit words, which
// the vectoriser interleaves like the four-byte form; the fourth word repeats the third so that
// every lane stores something it computed (a constant there makes GCC store word by word). The
// slots then go to the picture as unrolled 8-byte moves, each running two bytes into the next
// pair, which the next move rewrites; the last pair of the window's row stores its six bytes
// only, so nothing outside the window changes.
struct Bgr24Format {
  static constexpr int kBytes = 3;
  static void pixel(uint8_t* out, const Channels& ch, uint32_t& /*carry*/) {
    out[0] = static_cast<uint8_t>(clamp_byte(ch.b));
    out[1] = static_cast<uint8_t>(clamp_byte(ch.g));
    out[2] = static_cast<uint8_t>(clamp_byte(ch.r));
  }
  static void put_pair(uint16_t* slot, const Channels& even, const Channels& odd) {
    const auto last = static_cast<uint16_t>(clamp_byte(odd.g) | clamp_byte(odd.r) << 8);
    slot[0] = static_cast<uint16_t>(clamp_byte(even.b) | clamp_byte(even.g) << 8);
    slot[1] = static_cast<uint16_t>(clamp_byte(even.r) | clamp_byte(odd.b) << 8);
    slot[2] = last;
    slot[3] = last;
  }
  static void pack(const uint16_t* PF_RESTRICT slots, int32_t pairs, bool row_ends,
                   uint8_t* PF_RESTRICT out) {
    const int32_t whole = row_ends ? pairs - 1 : pairs;
#pragma GCC unroll 4
    for (int32_t k = 0; k < whole; ++k) std::memcpy(out + 6 * k, slots + 4 * k, 8);
    if (whole < pairs) std::memcpy(out + 6 * whole, slots + 4 * whole, 6);
  }
  template <int kRows>
  static void strip(const uint8_t* PF_RESTRICT y0, const uint8_t* PF_RESTRICT y1,
                    const ChromaStrip& PF_RESTRICT c, int32_t pairs, uint8_t* PF_RESTRICT out0,
                    uint8_t* PF_RESTRICT out1, uint32_t* /*carry*/, bool row_ends) {
    alignas(16) uint16_t slots[2][4 * kStripPairs];
    const auto k42 = keep_multiply<int16_t>(42);
    const TermWeights tw = term_weights();
    PF_VECTOR_LOOP
    for (int32_t i = 0; i < pairs; ++i) {  // vectorised: BGR pixel pairs
      const SampleTerms t = c.at(i, tw);
      const uint16_t w0 = load16(y0 + 2 * i);
      put_pair(slots[0] + 4 * i, channels(static_cast<int16_t>(w0 & 0xFF), k42, t),
               channels(static_cast<int16_t>(w0 >> 8), k42, t));
      if constexpr (kRows == 2) {
        const uint16_t w1 = load16(y1 + 2 * i);
        put_pair(slots[1] + 4 * i, channels(static_cast<int16_t>(w1 & 0xFF), k42, t),
                 channels(static_cast<int16_t>(w1 >> 8), k42, t));
      }
    }
    pack(slots[0], pairs, row_ends, out0);
    if constexpr (kRows == 2) pack(slots[1], pairs, row_ends, out1);
  }
};

// 5-6-5 with the carried truncation error. The carry into pixel x is the low three bits of the
// sum of the unclamped values of the row's earlier pixels, so a first loop computes the values
// and their low bits (three nibbles per pixel), a short serial loop runs the sums (two rows side
// by side), and a last loop adds the carries, clamps and packs.
struct Rgb565Format {
  static constexpr int kBytes = 2;
  // The even or the odd pixels of a row's pairs.
  struct Half {
    alignas(16) int16_t b[kStripPairs];
    alignas(16) int16_t g[kStripPairs];
    alignas(16) int16_t r[kStripPairs];
    alignas(16) uint16_t low[kStripPairs];  // low three bits of r, g, b in nibbles 0, 1, 2
  };
  struct Row {
    Half even, odd;
  };
  static uint16_t low_bits(const Channels& ch) {
    return static_cast<uint16_t>((ch.r & 7) | (ch.g & 7) << 4 | (ch.b & 7) << 8);
  }
  // e: the carries into the pixel, in the nibbles of low_bits.
  static uint16_t pack565(int16_t b, int16_t g, int16_t r, uint32_t e) {
    const int16_t cr = clamp_byte(static_cast<int16_t>(r + (e & 7)));
    const int16_t cg = clamp_byte(static_cast<int16_t>(g + (e >> 4 & 7)));
    const int16_t cb = clamp_byte(static_cast<int16_t>(b + (e >> 8 & 7)));
    return static_cast<uint16_t>((cr & 0xF8) << 8 | (cg << 3 & 0x7E0) | cb >> 3);
  }
  static void pixel(uint8_t* out, const Channels& ch, uint32_t& carry) {
    store16(out, pack565(ch.b, ch.g, ch.r, carry));
    carry = (carry + low_bits(ch)) & 0x777u;
  }
  static void put(Half& h, int32_t i, const Channels& ch) {
    h.b[i] = ch.b;
    h.g[i] = ch.g;
    h.r[i] = ch.r;
    h.low[i] = low_bits(ch);
  }
  static void values(const uint8_t* PF_RESTRICT y, const ChromaStrip& PF_RESTRICT c, int32_t pairs,
                     Row& PF_RESTRICT row) {
    const auto k42 = keep_multiply<int16_t>(42);
    const TermWeights tw = term_weights();
    PF_VECTOR_LOOP
    for (int32_t i = 0; i < pairs; ++i) {  // vectorised: 5-6-5 values
      const SampleTerms t = c.at(i, tw);
      const uint16_t w = load16(y + 2 * i);
      put(row.even, i, channels(static_cast<int16_t>(w & 0xFF), k42, t));
      put(row.odd, i, channels(static_cast<int16_t>(w >> 8), k42, t));
    }
  }
  static void pack(const Row& PF_RESTRICT row, int32_t pairs, uint8_t* PF_RESTRICT out) {
    PF_VECTOR_LOOP
    for (int32_t i = 0; i < pairs; ++i) {  // vectorised: 5-6-5 pixels
      const Half& e = row.even;
      const Half& o = row.odd;
      store16(out + 4 * i, pack565(e.b[i], e.g[i], e.r[i], e.low[i]));
      store16(out + 4 * i + 2, pack565(o.b[i], o.g[i], o.r[i], o.low[i]));
    }
  }
  // Nibble sums stay below 16, so masking after each step keeps them apart. Each slot of `low`
  // turns from the pixel's own low bits into the carry it receives.
  static uint32_t run_carry(Half& even, Half& odd, int32_t i, uint32_t e) {
    const uint32_t own_even = even.low[i];
    even.low[i] = static_cast<uint16_t>(e);
    e = (e + own_even) & 0x777u;
    const uint32_t own_odd = odd.low[i];
    odd.low[i] = static_cast<uint16_t>(e);
    return (e + own_odd) & 0x777u;
  }
  // The same for a whole row, four pairs at a time in the four 16-bit lanes of a 64-bit word:
  // two shifted additions give each lane the sum of the pairs up to it, so the serial part is one
  // addition per four pairs instead of two per pair.
  static uint32_t run_carries(Half& even, Half& odd, int32_t pairs, uint32_t e) {
    constexpr uint64_t kLanes = 0x0001000100010001u, kMask = 0x777u * kLanes;
    const uint64_t spread = keep_multiply(kLanes);  // one multiplication copies e to every lane
    int32_t i = 0;
    for (; i + 4 <= pairs; i += 4) {
      uint64_t own_even, own_odd;
      std::memcpy(&own_even, even.low + i, 8);
      std::memcpy(&own_odd, odd.low + i, 8);
      const uint64_t pair = (own_even + own_odd) & kMask;
      uint64_t upto = (pair + (pair << 16)) & kMask;
      upto = (upto + (upto << 32)) & kMask;  // lane k: pairs 0..k
      const uint64_t into_even = ((upto << 16) + e * spread) & kMask;
      const uint64_t into_odd = (into_even + own_even) & kMask;
      std::memcpy(even.low + i, &into_even, 8);
      std::memcpy(odd.low + i, &into_odd, 8);
      e = static_cast<uint32_t>((e + (upto >> 48)) & 0x777u);
    }
    for (; i < pairs; ++i) e = run_carry(even, odd, i, e);
    return e;
  }
  template <int kRows>
  static void strip(const uint8_t* y0, const uint8_t* y1, const ChromaStrip& c, int32_t pairs,
                    uint8_t* out0, uint8_t* out1, uint32_t* carry, bool /*row_ends*/) {
    Row rows[kRows];
    values(y0, c, pairs, rows[0]);
    if constexpr (kRows == 2) values(y1, c, pairs, rows[1]);
    carry[0] = run_carries(rows[0].even, rows[0].odd, pairs, carry[0]);
    pack(rows[0], pairs, out0);
    if constexpr (kRows == 2) {
      carry[1] = run_carries(rows[1].even, rows[1].odd, pairs, carry[1]);
      pack(rows[1], pairs, out1);
    }
  }
};

// The window walk of convert_window, strip by strip. A window edge on an odd column leaves a
// single pixel of a chroma sample, converted on its own.
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
  const int32_t top = p.s32WinTop, left = p.s32WinLeft, right = left + win_w;
  ChromaStrip chroma;
  for (int32_t j = 0; j < win_h;) {
    const int32_t src_y = top + j;
    const int rows = (src_y % 2 == 0 && j + 1 < win_h) ? 2 : 1;
    const uint8_t* luma[2];
    uint8_t* out[2];
    for (int r = 0; r < 2; ++r) {
      const ptrdiff_t y = src_y + std::min(r, rows - 1);
      luma[r] = y_plane + y * width;
      const ptrdiff_t dst_y = inst.u32TopDown != 0 ? y : height - 1 - y;
      out[r] = rgb + dst_y * row_bytes;
    }
    const uint8_t* u_row = u_plane + (src_y / 2) * chroma_w;
    const uint8_t* v_row = v_plane + (src_y / 2) * chroma_w;
    uint32_t carry[2] = {0, 0};
    auto single = [&](int32_t x) {
      const SampleTerms t = sample_terms(u_row[x / 2], v_row[x / 2], kTermWeights);
      for (int r = 0; r < rows; ++r) {
        Format::pixel(out[r] + static_cast<ptrdiff_t>(x) * Format::kBytes,
                      channels(luma[r][x], 42, t), carry[r]);
      }
    };
    int32_t x = left;
    if (x % 2 != 0 && x < right) single(x++);
    while (right - x >= 2) {
      const int32_t n = std::min(kStrip, (right - x) & ~1);
      const bool row_ends = x + n == right;
      fill_chroma_strip(u_row + x / 2, v_row + x / 2, n / 2, chroma);
      const ptrdiff_t at = static_cast<ptrdiff_t>(x) * Format::kBytes;
      if (rows == 2) {
        Format::template strip<2>(luma[0] + x, luma[1] + x, chroma, n / 2, out[0] + at, out[1] + at,
                                  carry, row_ends);
      } else {
        Format::template strip<1>(luma[0] + x, nullptr, chroma, n / 2, out[0] + at, nullptr, carry,
                                  row_ends);
      }
      x += n;
    }
    if (x < right) single(x);
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
// stays inside it (V likewise). The result lies in 1..256 before the clamp at 255. The weights
// pass through keep_multiply.
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

// The 5-6-5 reader: channel values of pixel x as 16-bit numbers, widened by shifting.
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
  PF_VECTOR_LOOP
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
  PF_VECTOR_LOOP
  for (int32_t i = 0; i < blocks; ++i) {  // vectorised: chroma
    uint16_t r, g, b;
    Read::get(src, 2 * i, r, g, b);
    const auto sr = static_cast<int16_t>(r), sg = static_cast<int16_t>(g);
    const auto sb = static_cast<int16_t>(b);
    u[i] = u_of(sr, sg, sb, w);
    v[i] = v_of(sr, sg, sb, w);
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

// Four-byte pixels: the luma of both rows in one loop, each pixel read as two 16-bit halves
// (blue and green, red and the unused byte), which the vectoriser splits with one interleave;
// then U and V from the top row's even pixels, each read as one 32-bit word, whose lanes the
// vectoriser takes from every other pixel without the interleaves that 16-bit halves would cost.
void luma_rows_bgr0(const uint8_t* PF_RESTRICT top, const uint8_t* PF_RESTRICT bottom, int32_t n,
                    uint8_t* PF_RESTRICT y_top, uint8_t* PF_RESTRICT y_bottom, const Weights& w) {
  PF_VECTOR_LOOP
  for (int32_t x = 0; x < n; ++x) {  // vectorised: luma of four-byte pixels
    const uint16_t bg0 = load16(top + 4 * x), r0 = load16(top + 4 * x + 2);
    y_top[x] = luma_of(r0 & 0xFF, bg0 >> 8, bg0 & 0xFF, w);
    const uint16_t bg1 = load16(bottom + 4 * x), r1 = load16(bottom + 4 * x + 2);
    y_bottom[x] = luma_of(r1 & 0xFF, bg1 >> 8, bg1 & 0xFF, w);
  }
}

void chroma_row_bgr0(const uint8_t* PF_RESTRICT src, int32_t blocks, uint8_t* PF_RESTRICT u,
                     uint8_t* PF_RESTRICT v, const Weights& w) {
  PF_VECTOR_LOOP
  for (int32_t i = 0; i < blocks; ++i) {  // vectorised: chroma of four-byte pixels
    uint32_t p;
    std::memcpy(&p, src + 8 * i, 4);
    const auto r = static_cast<int16_t>(p >> 16 & 0xFF), g = static_cast<int16_t>(p >> 8 & 0xFF);
    const auto b = static_cast<int16_t>(p & 0xFF);
    u[i] = u_of(r, g, b, w);
    v[i] = v_of(r, g, b, w);
  }
}

// Three-byte pixels go by pairs: one step reads a pixel pair of each row as 16-bit words, splits
// the words into channels and writes both pixels' luma, and U and V from the top row's even
// pixel, so the chroma costs no second pass over the source. A pair is read from an 8-byte slot
// holding its six bytes, b g r b g r, and two bytes that are not read.
struct Pixel {
  uint16_t r, g, b;
};

struct Bgr24Pair {
  static constexpr int kStride = 8;
  static void get(const uint8_t* p, Pixel& even, Pixel& odd) {
    const uint16_t w0 = load16(p), w1 = load16(p + 2), w2 = load16(p + 4);
    even = {static_cast<uint16_t>(w1 & 0xFF), static_cast<uint16_t>(w0 >> 8),
            static_cast<uint16_t>(w0 & 0xFF)};
    odd = {static_cast<uint16_t>(w2 >> 8), static_cast<uint16_t>(w2 & 0xFF),
           static_cast<uint16_t>(w1 >> 8)};
  }
};

// Every store of the loop is a 16-bit word (two luma bytes; U and V side by side in a strip
// array that a second loop splits), which keeps the vectoriser at eight pairs per step, where a
// byte store would make it take sixteen and run out of registers.
template <class Pair>
void convert_pairs(const uint8_t* PF_RESTRICT top, const uint8_t* PF_RESTRICT bottom, int32_t pairs,
                   uint8_t* PF_RESTRICT y_top, uint8_t* PF_RESTRICT y_bottom,
                   uint16_t* PF_RESTRICT uv, const Weights& w) {
  PF_VECTOR_LOOP
  for (int32_t i = 0; i < pairs; ++i) {  // vectorised: pixel pairs to YUV
    Pixel a, b, c, d;
    Pair::get(top + Pair::kStride * i, a, b);
    Pair::get(bottom + Pair::kStride * i, c, d);
    store16(y_top + 2 * i,
            static_cast<uint16_t>(luma_of(a.r, a.g, a.b, w) | luma_of(b.r, b.g, b.b, w) << 8));
    store16(y_bottom + 2 * i,
            static_cast<uint16_t>(luma_of(c.r, c.g, c.b, w) | luma_of(d.r, d.g, d.b, w) << 8));
    const auto sr = static_cast<int16_t>(a.r), sg = static_cast<int16_t>(a.g);
    const auto sb = static_cast<int16_t>(a.b);
    uv[i] = static_cast<uint16_t>(u_of(sr, sg, sb, w) | v_of(sr, sg, sb, w) << 8);
  }
}

void split_uv(const uint16_t* PF_RESTRICT uv, int32_t n, uint8_t* PF_RESTRICT u,
              uint8_t* PF_RESTRICT v) {
  PF_VECTOR_LOOP
  for (int32_t i = 0; i < n; ++i) {  // vectorised: U and V apart
    u[i] = static_cast<uint8_t>(uv[i]);
    v[i] = static_cast<uint8_t>(uv[i] >> 8);
  }
}

// A row pair strip by strip: Pair reads the strip's source, from `load(row, x, pairs, buffer)`.
template <class Pair, class Load>
void convert_rows_by_pairs(const RgbToYuvRows& r, int32_t width, const Weights& w, Load load) {
  alignas(16) uint8_t buffers[2][4 * kStrip];
  alignas(16) uint16_t uv[kStrip / 2];
  for (int32_t x = 0; x < width; x += kStrip) {  // kStrip is even, and so is width
    const int32_t pairs = std::min(kStrip, width - x) / 2;
    const uint8_t* top = load(r.top, x, pairs, buffers[0]);
    const uint8_t* bottom = load(r.bottom, x, pairs, buffers[1]);
    convert_pairs<Pair>(top, bottom, pairs, r.y_top + x, r.y_bottom + x, uv, w);
    split_uv(uv, pairs, r.u + x / 2, r.v + x / 2);
  }
}

// Three-byte pixels into slots, a strip at a time (the vectoriser has no cheap way to split
// triplets at the baseline instruction set). One 8-byte load per pair takes its six bytes and
// two of the next pair, which the slot may hold since nothing reads them; the row's last pair,
// which has no next pair, is copied byte-exactly. Unrolled plain moves beat the vectoriser's
// shuffles here: two instructions per pair.
void bgr24_to_slots(const uint8_t* PF_RESTRICT src, int32_t pairs, bool row_ends,
                    uint8_t* PF_RESTRICT slots) {
  const int32_t whole = row_ends ? pairs - 1 : pairs;
#pragma GCC unroll 4
  for (int32_t k = 0; k < whole; ++k) {
    uint64_t c;
    std::memcpy(&c, src + 6 * k, 8);
    std::memcpy(slots + 8 * k, &c, 8);
  }
  if (whole < pairs) std::memcpy(slots + 8 * whole, src + 6 * whole, 6);
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
      convert_rows_by_pairs<Bgr24Pair>(
          rows, width, w, [width](const uint8_t* row, int32_t x, int32_t pairs, uint8_t* slots) {
            bgr24_to_slots(row + 3 * x, pairs, x + 2 * pairs == width, slots);
            return static_cast<const uint8_t*>(slots);
          });
    } else {
      luma_rows_bgr0(rows.top, rows.bottom, width, rows.y_top, rows.y_bottom, w);
      chroma_row_bgr0(rows.top, width / 2, rows.u, rows.v, w);
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
