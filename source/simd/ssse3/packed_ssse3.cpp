// SPDX-License-Identifier: BSD-2-Clause
// SSSE3 forms of the packed 4:2:2 conversions: UYVY <-> planar 4:2:0 rows, YUYV -> 4:2:0 and the
// D1 conversions, whose scene-change sums are taken while the planes are written.
#include <emmintrin.h>
#include <tmmintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "copy/copy.hpp"
#include "d1/d1.hpp"
#include "img_resizer_simd.h"
#include "nearest_packed/nearest_packed.hpp"

namespace pf::ssse3 {
namespace {

// Packed 4:2:2 byte orders: UYVY has luma in the odd bytes, YUYV in the even ones; chroma takes
// the other half, U before V in both.
enum class Order { kUyvy, kYuyv };

// Running plane sums, in 64-bit lanes so that no picture can overflow them; scalar tails add
// into the plain counters.
struct Sums {
  __m128i y, u, v;
  uint64_t tail_y, tail_u, tail_v;
};

Sums no_sums() {
  const __m128i z = _mm_setzero_si128();
  return {z, z, z, 0, 0, 0};
}

uint64_t lanes(__m128i s) {
  return static_cast<uint64_t>(_mm_cvtsi128_si64(s)) +
         static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(s, s)));
}

// psadbw against zero adds 8 bytes into each 64-bit lane.
__m128i add_sad(__m128i acc, __m128i bytes) {
  return _mm_add_epi64(acc, _mm_sad_epu8(bytes, _mm_setzero_si128()));
}

// Adds the four 32-bit lanes of d (all below 2^31) to the two 64-bit lanes of acc.
__m128i add_dwords(__m128i acc, __m128i d) {
  const __m128i z = _mm_setzero_si128();
  return _mm_add_epi64(acc, _mm_add_epi64(_mm_unpacklo_epi32(d, z), _mm_unpackhi_epi32(d, z)));
}

__m128i load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
void store(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// One byte of each 16-bit word, as a word: the high byte shifted down or the low byte masked.
// packuswb then narrows such words without saturating, as each is at most 255.
__m128i high_words(__m128i a) { return _mm_srli_epi16(a, 8); }
__m128i low_words(__m128i a) { return _mm_and_si128(a, _mm_set1_epi16(0x00FF)); }

template <Order kOrder>
__m128i luma_words(__m128i a) {
  if constexpr (kOrder == Order::kUyvy) {
    return high_words(a);
  } else {
    return low_words(a);
  }
}

constexpr uint32_t luma_byte(Order o) { return o == Order::kUyvy ? 1 : 0; }
constexpr uint32_t u_byte(Order o) { return o == Order::kUyvy ? 0 : 1; }

// pshufb gathers one 16-byte group of 4 pixel pairs as 8 luma bytes, then 4 U and 4 V bytes.
template <Order kOrder>
__m128i group_mask() {
  if constexpr (kOrder == Order::kUyvy) {
    return _mm_setr_epi8(1, 3, 5, 7, 9, 11, 13, 15, 0, 4, 8, 12, 2, 6, 10, 14);
  } else {
    return _mm_setr_epi8(0, 2, 4, 6, 8, 10, 12, 14, 1, 5, 9, 13, 3, 7, 11, 15);
  }
}

// Within a run of 16-pair blocks the samples are added up in 16-bit lanes, off the shuffle
// ports: pmaddubsw against 1s adds byte pairs, or the words before packing are added directly.
// A block adds at most 4 x 255 to a lane and pmaddwd, which widens the run into the 64-bit
// totals, reads its words as signed: 32 blocks (at most 32640) keep every lane below 2^15.
constexpr uint32_t kBlocksPerRun = 32;

__m128i pair_sums(__m128i bytes) { return _mm_maddubs_epi16(bytes, _mm_set1_epi8(1)); }
__m128i widen_run(__m128i total, __m128i run) {
  return add_dwords(total, _mm_madd_epi16(run, _mm_set1_epi16(1)));
}

// `pairs` pixel pairs of one packed line into planar luma (when kLuma) and chroma (when u and v
// are set), adding what is written to `sums` when kSum. 16 pairs per step, then 8, then a scalar
// tail: no byte past the line or the planar rows is read or written.
//
// Lines with chroma are split with pshufb: 4 shuffles sort the 64 bytes of a block into luma and
// chroma halves, and 6 unpacks gather 32 Y, 16 U and 16 V bytes; pshufb and the unpacks issue on
// two ports where packuswb has one. Luma-only lines take the 16-bit words' bytes with two packs.
template <Order kOrder, bool kLuma, bool kSum>
void split_pairs(const uint8_t* in, uint8_t* y, uint8_t* u, uint8_t* v, uint32_t pairs,
                 Sums& sums) {
  const bool chroma = u != nullptr && v != nullptr;
  if (!kLuma && !chroma) return;
  // Byte stores may alias the accumulators, so they are kept in locals until the line is done.
  __m128i sum_y = sums.y, sum_u = sums.u, sum_v = sums.v;
  const __m128i mask = group_mask<kOrder>();
  for (size_t blocks = pairs / 16; blocks != 0;) {
    size_t run = blocks < kBlocksPerRun ? blocks : kBlocksPerRun;
    blocks -= run;
    __m128i run_y = _mm_setzero_si128(), run_u = run_y, run_v = run_y;
    if (chroma) {
      for (; run != 0; --run, in += 64, u += 16, v += 16) {
        const __m128i s0 = _mm_shuffle_epi8(load(in), mask);
        const __m128i s1 = _mm_shuffle_epi8(load(in + 16), mask);
        const __m128i s2 = _mm_shuffle_epi8(load(in + 32), mask);
        const __m128i s3 = _mm_shuffle_epi8(load(in + 48), mask);
        if constexpr (kLuma) {
          const __m128i y0 = _mm_unpacklo_epi64(s0, s1), y1 = _mm_unpacklo_epi64(s2, s3);
          store(y, y0);
          store(y + 16, y1);
          y += 32;
          if constexpr (kSum) {
            run_y = _mm_add_epi16(run_y, _mm_add_epi16(pair_sums(y0), pair_sums(y1)));
          }
        }
        // U0-3 U4-7 V0-3 V4-7, then the same for the second half of the block.
        const __m128i t0 = _mm_unpackhi_epi32(s0, s1), t1 = _mm_unpackhi_epi32(s2, s3);
        const __m128i uu = _mm_unpacklo_epi64(t0, t1), vv = _mm_unpackhi_epi64(t0, t1);
        store(u, uu);
        store(v, vv);
        if constexpr (kSum) {
          run_u = _mm_add_epi16(run_u, pair_sums(uu));
          run_v = _mm_add_epi16(run_v, pair_sums(vv));
        }
      }
    } else if constexpr (kLuma) {
      for (; run != 0; --run, in += 64, y += 32) {
        const __m128i w0 = luma_words<kOrder>(load(in)), w1 = luma_words<kOrder>(load(in + 16));
        const __m128i w2 = luma_words<kOrder>(load(in + 32));
        const __m128i w3 = luma_words<kOrder>(load(in + 48));
        store(y, _mm_packus_epi16(w0, w1));
        store(y + 16, _mm_packus_epi16(w2, w3));
        if constexpr (kSum) {
          run_y = _mm_add_epi16(run_y, _mm_add_epi16(_mm_add_epi16(w0, w1), _mm_add_epi16(w2, w3)));
        }
      }
    }
    if constexpr (kSum) {
      sum_y = widen_run(sum_y, run_y);
      sum_u = widen_run(sum_u, run_u);
      sum_v = widen_run(sum_v, run_v);
    }
  }
  uint32_t left = pairs % 16;
  if (left >= 8) {
    const __m128i s0 = _mm_shuffle_epi8(load(in), mask);
    const __m128i s1 = _mm_shuffle_epi8(load(in + 16), mask);
    if constexpr (kLuma) {
      const __m128i y0 = _mm_unpacklo_epi64(s0, s1);
      store(y, y0);
      y += 16;
      if constexpr (kSum) sum_y = add_sad(sum_y, y0);
    }
    if (chroma) {
      // U0-3 U4-7 in the low half, V0-3 V4-7 in the high half.
      const __m128i t0 = _mm_unpackhi_epi32(s0, s1);
      const __m128i uu = _mm_unpacklo_epi64(t0, _mm_setzero_si128());
      const __m128i vv = _mm_unpackhi_epi64(t0, _mm_setzero_si128());
      _mm_storel_epi64(reinterpret_cast<__m128i*>(u), uu);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(v), vv);
      u += 8;
      v += 8;
      if constexpr (kSum) {
        sum_u = add_sad(sum_u, uu);
        sum_v = add_sad(sum_v, vv);
      }
    }
    in += 32;
    left -= 8;
  }
  if constexpr (kSum) {
    sums.y = sum_y;
    sums.u = sum_u;
    sums.v = sum_v;
  }
  for (; left != 0; --left, in += 4) {
    if constexpr (kLuma) {
      y[0] = in[luma_byte(kOrder)];
      y[1] = in[luma_byte(kOrder) + 2];
      if constexpr (kSum) sums.tail_y += uint64_t{y[0]} + y[1];
      y += 2;
    }
    if (chroma) {
      *u = in[u_byte(kOrder)];
      *v = in[u_byte(kOrder) + 2];
      if constexpr (kSum) {
        sums.tail_u += *u;
        sums.tail_v += *v;
      }
      ++u;
      ++v;
    }
  }
}

// One packed line of `width` pixels into planar lines (chroma dropped when u, v are null); an
// odd width's last pixel gives its luma only.
template <Order kOrder, bool kSum>
void split_line(const uint8_t* in, uint8_t* y, uint8_t* u, uint8_t* v, uint32_t width, Sums& sums) {
  split_pairs<kOrder, true, kSum>(in, y, u, v, width / 2, sums);
  if (width % 2 != 0) {
    y[width - 1] = in[2 * (width - 1) + luma_byte(kOrder)];
    if constexpr (kSum) sums.tail_y += y[width - 1];
  }
}

// ---- rows for the copy-family compositions ----

// The UYVY members copy no plain rows; these only complete the set.
void copy_row(const uint8_t* src, uint8_t* dst, uint32_t bytes) { std::memcpy(dst, src, bytes); }
void copy_rows(const uint8_t* src, std::ptrdiff_t src_step, uint8_t* dst, std::ptrdiff_t dst_step,
               uint32_t bytes, uint32_t rows) {
  for (uint32_t r = 0; r < rows; ++r, src += src_step, dst += dst_step) {
    std::memcpy(dst, src, bytes);
  }
}

// Interleaving U with V gives U V U V ..., and interleaving that with the luma gives U Y V Y: two
// unpack stages build 64 output bytes from 32 luma and 16 + 16 chroma bytes.
void pack_uyvy_block(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out) {
  const __m128i y0 = load(y), y1 = load(y + 16), uu = load(u), vv = load(v);
  const __m128i uv0 = _mm_unpacklo_epi8(uu, vv), uv1 = _mm_unpackhi_epi8(uu, vv);
  store(out, _mm_unpacklo_epi8(uv0, y0));
  store(out + 16, _mm_unpackhi_epi8(uv0, y0));
  store(out + 32, _mm_unpacklo_epi8(uv1, y1));
  store(out + 48, _mm_unpackhi_epi8(uv1, y1));
}

// A pure map between rows that never overlap, so a row of 16 pairs or more ends with one block
// that may overlap the previous one; shorter rows take 8 pairs at once, then single pairs.
void pack_uyvy_row(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out,
                   uint32_t pairs) {
  if (pairs >= 16) {
    const size_t last = pairs - 16;
    const uint8_t *yy = y, *uu = u, *vv = v;
    uint8_t* o = out;
    for (size_t blocks = pairs / 16; blocks != 0; --blocks, yy += 32, uu += 16, vv += 16, o += 64) {
      pack_uyvy_block(yy, uu, vv, o);
    }
    if (pairs % 16 != 0) pack_uyvy_block(y + 2 * last, u + last, v + last, out + 4 * last);
    return;
  }
  uint32_t i = 0;
  if (pairs >= 8) {
    const __m128i y0 = load(y);
    const __m128i uu = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(u));
    const __m128i vv = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(v));
    const __m128i uv = _mm_unpacklo_epi8(uu, vv);
    store(out, _mm_unpacklo_epi8(uv, y0));
    store(out + 16, _mm_unpackhi_epi8(uv, y0));
    i = 8;
  }
  for (; i < pairs; ++i) {
    uint8_t* o = out + 4 * static_cast<size_t>(i);
    o[0] = u[i];
    o[1] = y[2 * i];
    o[2] = v[i];
    o[3] = y[2 * i + 1];
  }
}

void uyvy_luma_row(const uint8_t* in, uint8_t* y, uint32_t pairs) {
  Sums unused = no_sums();
  split_pairs<Order::kUyvy, true, false>(in, y, nullptr, nullptr, pairs, unused);
}

void uyvy_chroma_row(const uint8_t* in, uint8_t* u, uint8_t* v, uint32_t pairs) {
  Sums unused = no_sums();
  split_pairs<Order::kUyvy, false, false>(in, nullptr, u, v, pairs, unused);
}

constexpr copy::RowOps kRows = {copy_row, copy_rows, pack_uyvy_row, uyvy_luma_row, uyvy_chroma_row};

// ---- the D1 conversions ----

uint8_t* row_of(uint8_t* plane, uint32_t pitch, size_t row) { return plane + row * pitch; }

// The bytes a plane area spans, as addresses; empty for no rows or no columns.
struct Span {
  uintptr_t begin, end;
};
Span span_of(const uint8_t* p, uint32_t pitch, uint32_t width, uint32_t rows) {
  if (width == 0 || rows == 0) return {0, 0};
  const auto begin = reinterpret_cast<uintptr_t>(p);
  return {begin, begin + static_cast<uintptr_t>(rows - 1) * pitch + width};
}
bool apart(Span a, Span b) {
  return a.begin == a.end || b.begin == b.end || a.end <= b.begin || b.end <= a.begin;
}

// The flag is defined on the destination planes as they are afterwards. Adding up the samples as
// they are written gives the same sums only when no byte of the summed areas is written twice:
// rows of a plane that do not run into each other and planes that do not overlap. Otherwise the
// areas are summed again once they are written.
bool sums_while_writing(const tImgPicture& dst, uint32_t width, uint32_t height) {
  const uint32_t cw = width / 2, ch = height / 2;
  if (height > 1 && dst.u32YPitch < width) return false;
  if (ch > 1 && dst.u32UVPitch < cw) return false;
  const Span y = span_of(dst.pu8Y, dst.u32YPitch, width, height);
  const Span u = span_of(dst.pu8U, dst.u32UVPitch, cw, ch);
  const Span v = span_of(dst.pu8V, dst.u32UVPitch, cw, ch);
  return apart(y, u) && apart(y, v) && apart(u, v);
}

uint32_t scene_change(tResizerGeometry& g, const tImgPicture& dst, uint32_t width, uint32_t height,
                      bool summed, const Sums& s) {
  if (!summed) return d1_scene_change(g, dst, width, height);
  return d1_scene_change_from_sums(g, lanes(s.y) + s.tail_y, lanes(s.u) + s.tail_u,
                                   lanes(s.v) + s.tail_v, width, height);
}

template <bool kSum>
void d1_frame_lines(const tImgPicture& src, const tImgPicture& dst, uint32_t width, uint32_t height,
                    Sums& sums) {
  const size_t line_bytes = 2 * static_cast<size_t>(src.u32YPitch);
  for (uint32_t row = 0; row < height; ++row) {
    const bool chroma = row % 2 == 0 && row / 2 < height / 2;
    split_line<Order::kUyvy, kSum>(
        src.pu8Y + row * line_bytes, row_of(dst.pu8Y, dst.u32YPitch, row),
        chroma ? row_of(dst.pu8U, dst.u32UVPitch, row / 2) : nullptr,
        chroma ? row_of(dst.pu8V, dst.u32UVPitch, row / 2) : nullptr, width, sums);
  }
}

uint32_t destination_lines(const tResizerGeometry& g) {
  return g.u32DstHeight + g.u32FillTop + g.u32FillBottom;
}

// Even source lines to the first field, odd ones to the second; frame chroma line 2k (source
// line 4k) to the first field's chroma line k, frame chroma line 2k + 1 (source line 4k + 2) to
// the second field's.
template <bool kSum>
void d1_field_lines(const tResizerGeometry& g, const tImgPicture& src, const tImgPicture& dst,
                    uint32_t width, uint32_t height, Sums& sums) {
  const size_t line_bytes = 2 * static_cast<size_t>(src.u32YPitch);
  const D1Planes second = d1_second_field(g, dst);
  const uint32_t field_lines = height / 2, chroma_lines = height / 4;
  for (uint32_t line = 0; line < 2 * field_lines; ++line) {
    const uint32_t k = line / 4;
    uint8_t* y = line % 2 == 0 ? dst.pu8Y : second.y;
    uint8_t* u = nullptr;
    uint8_t* v = nullptr;
    if (k < chroma_lines && line % 4 == 0) {
      u = row_of(dst.pu8U, dst.u32UVPitch, k);
      v = row_of(dst.pu8V, dst.u32UVPitch, k);
    } else if (k < chroma_lines && line % 4 == 2) {
      u = row_of(second.u, dst.u32UVPitch, k);
      v = row_of(second.v, dst.u32UVPitch, k);
    }
    split_line<Order::kUyvy, kSum>(src.pu8Y + line * line_bytes, row_of(y, dst.u32YPitch, line / 2),
                                   u, v, width, sums);
  }
}

// uyvy_line_to_planes' twin, for the shared field-picture conversion.
void split_uyvy(const uint8_t* uyvy, uint8_t* y, uint8_t* u, uint8_t* v, uint32_t width) {
  Sums unused = no_sums();
  split_line<Order::kUyvy, false>(uyvy, y, u, v, width, unused);
}

}  // namespace
}  // namespace pf::ssse3

extern "C" {

// The UYVY members of the copy family: the shared compositions over the rows above.
#define PF_PACKED_SSSE3(name, composition) PF_COPY_KERNEL(name, composition, pf::ssse3::kRows)

PF_PACKED_SSSE3(FrametoFrame420to422_ssse3, frame_to_frame_420_to_uyvy)
PF_PACKED_SSSE3(FieldtoFrame420to422_ssse3, field_to_frame_420_to_uyvy)
PF_PACKED_SSSE3(FrametoFrame422to420_ssse3, frame_to_frame_uyvy_to_420)
PF_PACKED_SSSE3(FrametoField422to420_ssse3, frame_to_field_uyvy_to_420)

#undef PF_PACKED_SSSE3

// Chroma from the even line of each pair; an odd height's last line keeps only its luma.
void YUYVtoYUV420Conversion_ssse3(void**, tResizerGeometry* ptGeometry, tImgPicture* ptSrc,
                                  tImgPicture* ptDst) {
  if (ptGeometry == nullptr || ptSrc == nullptr || ptDst == nullptr || ptSrc->pu8Y == nullptr ||
      ptDst->pu8Y == nullptr || ptDst->pu8U == nullptr || ptDst->pu8V == nullptr) {
    return;
  }
  using pf::ssse3::row_of;
  const pf::ConversionSize s = pf::conversion_size(*ptGeometry);
  const size_t line_bytes = 2 * static_cast<size_t>(ptSrc->u32YPitch);
  pf::ssse3::Sums unused = pf::ssse3::no_sums();
  for (uint32_t row = 0; row < s.height; ++row) {
    const bool chroma = row % 2 == 0 && row / 2 < s.height / 2;
    pf::ssse3::split_line<pf::ssse3::Order::kYuyv, false>(
        ptSrc->pu8Y + row * line_bytes, row_of(ptDst->pu8Y, ptDst->u32YPitch, row),
        chroma ? row_of(ptDst->pu8U, ptDst->u32UVPitch, row / 2) : nullptr,
        chroma ? row_of(ptDst->pu8V, ptDst->u32UVPitch, row / 2) : nullptr, s.width, unused);
  }
}

void YUV422toYUV420D1FrametoD1Frame_ssse3(void**, tResizerGeometry* ptGeometry, tImgPicture* ptSrc,
                                          tImgPicture* ptDst) {
  using namespace pf::ssse3;
  if (!pf::d1_records_ok(ptGeometry, ptSrc, ptDst)) return;
  const uint32_t width = pf::d1_width(*ptGeometry), height = pf::d1_height(*ptGeometry);
  Sums sums = no_sums();
  const bool summed = sums_while_writing(*ptDst, width, height);
  if (summed) {
    d1_frame_lines<true>(*ptSrc, *ptDst, width, height, sums);
  } else {
    d1_frame_lines<false>(*ptSrc, *ptDst, width, height, sums);
  }
  ptDst->u32Spare1 = scene_change(*ptGeometry, *ptDst, width, height, summed, sums);
}

void YUV422toYUV420D1FrametoD1Field_ssse3(void**, tResizerGeometry* ptGeometry, tImgPicture* ptSrc,
                                          tImgPicture* ptDst) {
  using namespace pf::ssse3;
  if (!pf::d1_records_ok(ptGeometry, ptSrc, ptDst)) return;
  const uint32_t width = pf::d1_width(*ptGeometry), height = pf::d1_height(*ptGeometry);
  // The flag sums the first `height` lines of the planes; the two fields fill exactly those when
  // the second starts right after the first, that is without fill lines and with whole chroma
  // line pairs in each field.
  const bool summed = destination_lines(*ptGeometry) == height && height % 4 == 0 &&
                      sums_while_writing(*ptDst, width, height);
  Sums sums = no_sums();
  if (summed) {
    d1_field_lines<true>(*ptGeometry, *ptSrc, *ptDst, width, height, sums);
  } else {
    d1_field_lines<false>(*ptGeometry, *ptSrc, *ptDst, width, height, sums);
  }
  ptDst->u32Spare1 = scene_change(*ptGeometry, *ptDst, width, height, summed, sums);
}

// Each field converted on its own like a frame of half the lines; no scene-change flag.
void YUV422toYUV420D1FieldtoD1Field_ssse3(void**, tResizerGeometry* ptGeometry, tImgPicture* ptSrc,
                                          tImgPicture* ptDst) {
  if (!pf::d1_records_ok(ptGeometry, ptSrc, ptDst)) return;
  pf::d1_field_to_field(pf::ssse3::split_uyvy, *ptGeometry, *ptSrc, *ptDst);
}

}  // extern "C"
