// SPDX-License-Identifier: BSD-2-Clause
// SSE2 forms of the PAL/NTSC change kernels: the shared walk with 16-byte block moves and fills.
#include <emmintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "img_pnchange.h"
#include "pnchange/pnchange.hpp"

namespace pf::sse2 {
namespace {

inline __m128i load(const uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void store(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
inline void store_aligned(uint8_t* p, __m128i v) {
  _mm_store_si128(reinterpret_cast<__m128i*>(p), v);
}

// A block move with memmove's contract. The first and last 16 source bytes are read before
// anything is written and stored last, so the unaligned ends cost two vectors whatever the
// overlap; the vectors between them go to 16-aligned destinations, walking away from the side
// where source and destination overlap so that no source byte is overwritten before it is read.
void move_sse2(uint8_t* dst, const uint8_t* src, size_t bytes) {
  if (bytes < 16) {
    uint8_t tmp[16];
    std::memcpy(tmp, src, bytes);
    std::memcpy(dst, tmp, bytes);
    return;
  }
  const __m128i head = load(src);
  const __m128i tail = load(src + bytes - 16);
  const auto d = reinterpret_cast<uintptr_t>(dst);
  const auto s = reinterpret_cast<uintptr_t>(src);
  if (d <= s || d >= s + bytes) {
    size_t i = (16 - (d & 15)) & 15;
    for (; i + 64 <= bytes; i += 64) {
      const __m128i a = load(src + i), b = load(src + i + 16);
      const __m128i c = load(src + i + 32), e = load(src + i + 48);
      store_aligned(dst + i, a);
      store_aligned(dst + i + 16, b);
      store_aligned(dst + i + 32, c);
      store_aligned(dst + i + 48, e);
    }
    for (; i + 16 <= bytes; i += 16) store_aligned(dst + i, load(src + i));
  } else {
    size_t j = bytes - ((d + bytes) & 15);
    for (; j >= 64; j -= 64) {
      const __m128i a = load(src + j - 16), b = load(src + j - 32);
      const __m128i c = load(src + j - 48), e = load(src + j - 64);
      store_aligned(dst + j - 16, a);
      store_aligned(dst + j - 32, b);
      store_aligned(dst + j - 48, c);
      store_aligned(dst + j - 64, e);
    }
    for (; j >= 16; j -= 16) store_aligned(dst + j - 16, load(src + j - 16));
  }
  store(dst, head);
  store(dst + bytes - 16, tail);
}

void fill_sse2(uint8_t* dst, size_t bytes, uint32_t pattern) {
  const __m128i v = _mm_set1_epi32(static_cast<int>(pattern));
  size_t i = 0;
  for (; i + 64 <= bytes; i += 64) {
    store(dst + i, v);
    store(dst + i + 16, v);
    store(dst + i + 32, v);
    store(dst + i + 48, v);
  }
  for (; i + 16 <= bytes; i += 16) store(dst + i, v);
  // The pattern repeats every four bytes and i is a multiple of 16: the tail starts in phase.
  for (; i < bytes; ++i) dst[i] = static_cast<uint8_t>(pattern >> (8 * (i & 3)));
}

constexpr PnByteOps kOps{move_sse2, fill_sse2};

}  // namespace
}  // namespace pf::sse2

extern "C" {

#define PF_PN_SSE2(name, ...)                                                                \
  void name##_sse2(const tImagePNChangePicture* ptSrc, const tImagePNChangePicture* ptDst) { \
    pf::pn_change(pf::k##name##Shape, *ptSrc, *ptDst, pf::sse2::kOps);                       \
  }
PF_PN_KERNEL_SPECS(PF_PN_SSE2)
#undef PF_PN_SSE2

}  // extern "C"
