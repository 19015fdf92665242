// SPDX-License-Identifier: BSD-2-Clause
// SSE2 forms of the copy and re-layout kernels: the shared compositions with 16-byte row moves.
#include <emmintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "copy/copy.hpp"
#include "img_resizer_simd.h"

namespace pf::sse2 {
namespace {

// A row copy is a pure byte map between rows that never overlap. A row of 16 bytes or more
// starts with one unaligned vector and then stores at 16-aligned destination addresses, since
// stores that straddle cache lines cost about twice as much; its last vector may overlap the
// previous one, rewriting bytes with the values they already have and touching nothing outside
// the row. Shorter rows are copied in 8-, 4- and 1-byte pieces.
inline void copy_row(const uint8_t* src, uint8_t* dst, uint32_t bytes) {
  const size_t n = bytes;
  if (n < 16) {
    size_t i = 0;
    if (n & 8) {
      uint64_t q;
      std::memcpy(&q, src, 8);
      std::memcpy(dst, &q, 8);
      i = 8;
    }
    if (n & 4) {
      uint32_t d;
      std::memcpy(&d, src + i, 4);
      std::memcpy(dst + i, &d, 4);
      i += 4;
    }
    for (; i < n; ++i) dst[i] = src[i];
    return;
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst),
                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(src)));
  size_t i = 16 - (reinterpret_cast<uintptr_t>(dst) & 15);
  for (; i + 64 <= n; i += 64) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 32));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 48));
    _mm_store_si128(reinterpret_cast<__m128i*>(dst + i), a);
    _mm_store_si128(reinterpret_cast<__m128i*>(dst + i + 16), b);
    _mm_store_si128(reinterpret_cast<__m128i*>(dst + i + 32), c);
    _mm_store_si128(reinterpret_cast<__m128i*>(dst + i + 48), d);
  }
  for (; i + 16 <= n; i += 16) {
    _mm_store_si128(reinterpret_cast<__m128i*>(dst + i),
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)));
  }
  if (i < n) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + n - 16),
                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + n - 16)));
  }
}

void copy_rows(const uint8_t* src, std::ptrdiff_t src_step, uint8_t* dst, std::ptrdiff_t dst_step,
               uint32_t bytes, uint32_t rows) {
  for (uint32_t r = 0; r < rows; ++r, src += src_step, dst += dst_step) copy_row(src, dst, bytes);
}

// The SSE2 kernels are the copy-only members; the UYVY rows are never asked for by them and stay
// the scalar ones.
constinit const copy::RowOps kRows = {copy_row, copy_rows, copy::pack_uyvy_row, copy::uyvy_luma_row,
                                      copy::uyvy_chroma_row};

}  // namespace
}  // namespace pf::sse2

extern "C" {

#define PF_COPY_SSE2(name, composition) PF_COPY_KERNEL(name, composition, pf::sse2::kRows)

PF_COPY_SSE2(CopyPic420to420_sse2, copy_pic_420_to_420)
PF_COPY_SSE2(FrametoField420to420_sse2, frame_to_field_420_to_420)
PF_COPY_SSE2(FieldtoField420to420_sse2, field_to_field_420_to_420)
PF_COPY_SSE2(FieldtoFrame420to420_sse2, field_to_frame_420_to_420)
PF_COPY_SSE2(CopyPic422to422_sse2, copy_pic_uyvy_to_uyvy)
PF_COPY_SSE2(CopyPic420to422P_sse2, copy_pic_420_to_422p)
PF_COPY_SSE2(CopyPic420Ito422PI_sse2, copy_pic_420i_to_422pi)
PF_COPY_SSE2(CopyPic420Fieldto422PFrameI_sse2, copy_pic_420_field_to_422pi)
PF_COPY_SSE2(CopyPic422Pto420_sse2, copy_pic_422p_to_420)
PF_COPY_SSE2(CopyPic422Pto422P_sse2, copy_pic_422p_to_422p)

#undef PF_COPY_SSE2

}  // extern "C"
