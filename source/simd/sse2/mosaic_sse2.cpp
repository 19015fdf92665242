// SPDX-License-Identifier: BSD-2-Clause
// SSE2 forms of the mosaic kernels: the shared walk over windows and rows with 16-byte line
// primitives.
#include <emmintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "mosaic/mosaic.hpp"

namespace pf::sse2 {
namespace {

inline __m128i load(const uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void store(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
inline size_t at_most(size_t a, size_t b) { return a < b ? a : b; }
inline __m128i splat(uint8_t v) { return _mm_set1_epi8(static_cast<char>(v)); }

// Planar blocks 3, 5, 6, 7 and 9 to 15 samples wide are written with one 16-byte store each,
// from the left: a store runs into the following blocks, which their own stores then put right.
// A block's first sample must be read before any store reaches it, so the values of the next six
// blocks (6 x 3 > 15 samples) are read ahead. Blocks too close to the window's right edge for a
// whole store are filled byte by byte, also from read-ahead values.
constexpr size_t kAhead = 6;
constexpr size_t kRing = 8;

void fill_by_stores(uint8_t* line, size_t width, size_t g) {
  const size_t blocks = (width + g - 1) / g;
  uint8_t ahead[kRing];
  for (size_t k = 0; k < blocks && k < kAhead; ++k) ahead[k] = line[k * g];
  size_t k = 0;
  for (; k * g + 16 <= width; ++k) {
    const uint8_t value = ahead[k % kRing];
    if (k + kAhead < blocks) ahead[(k + kAhead) % kRing] = line[(k + kAhead) * g];
    store(line + k * g, splat(value));
  }
  for (; k < blocks; ++k) {
    const uint8_t value = ahead[k % kRing];
    if (k + kAhead < blocks) ahead[(k + kAhead) % kRing] = line[(k + kAhead) * g];
    const size_t c = k * g, n = at_most(g, width - c);
    for (size_t i = 0; i < n; ++i) line[c + i] = value;
  }
}

// Blocks from sample c on, byte by byte: the short tail after a vector loop.
template <size_t Step>
void fill_tail(uint8_t* line, size_t c, size_t width, size_t g) {
  uint8_t* luma = line + (Step - 1);
  for (; c < width; c += g) {
    const size_t n = at_most(g, width - c);
    const uint8_t value = luma[Step * c];
    for (size_t i = 1; i < n; ++i) luma[Step * (c + i)] = value;
  }
}

// Blocks of 2, 4 and 8 samples tile a vector loaded at a block boundary: each block's first
// byte is spread over the block by shifts within 16-, 32- or 64-bit lanes, 16 samples a step.
// Blocks of 16 and more take a splatted value, the last vector of a block overlapping the one
// before it.
void fill_planar(uint8_t* line, size_t width, uint32_t block) {
  const size_t g = block;
  const size_t whole = width & ~size_t{15};
  size_t c = 0;
  if (g == 2) {
    const __m128i first = _mm_set1_epi16(0x00FF);
    for (; c < whole; c += 16) {
      const __m128i x = _mm_and_si128(load(line + c), first);
      store(line + c, _mm_or_si128(x, _mm_slli_epi16(x, 8)));
    }
  } else if (g == 4) {
    const __m128i first = _mm_set1_epi32(0xFF);
    for (; c < whole; c += 16) {
      __m128i x = _mm_and_si128(load(line + c), first);
      x = _mm_or_si128(x, _mm_slli_epi32(x, 8));
      store(line + c, _mm_or_si128(x, _mm_slli_epi32(x, 16)));
    }
  } else if (g == 8) {
    const __m128i first = _mm_set_epi32(0, 0xFF, 0, 0xFF);
    for (; c < whole; c += 16) {
      __m128i x = _mm_and_si128(load(line + c), first);
      x = _mm_or_si128(x, _mm_slli_epi64(x, 8));
      x = _mm_or_si128(x, _mm_slli_epi64(x, 16));
      store(line + c, _mm_or_si128(x, _mm_slli_epi64(x, 32)));
    }
  } else if (g >= 16) {
    for (; c < width; c += g) {
      const size_t n = at_most(g, width - c);
      if (n < 16) break;  // only the last block is narrower
      const __m128i v = splat(line[c]);
      size_t i = 0;
      for (; i + 16 <= n; i += 16) store(line + c + i, v);
      if (i < n) store(line + c + n - 16, v);
    }
  } else {
    fill_by_stores(line, width, g);
    return;
  }
  fill_tail<1>(line, c, width, g);
}

// UYVY: a vector holds 8 pixels as 16-bit lanes of chroma (low byte) and luma (high byte).
// Chroma bytes are kept by masking, so every store writes back the chroma it read. Blocks of
// 3, 5, 6 and 7 pixels are filled byte by byte: overlapping read-modify-write stores, as the
// planar blocks take, would each wait for the store before them to land and end up slower.
void fill_packed(uint8_t* line, size_t width, uint32_t block) {
  const size_t g = block;
  const __m128i chroma = _mm_set1_epi16(0x00FF);
  const size_t whole = width & ~size_t{7};
  size_t c = 0;
  if (g == 2) {
    // 32-bit lanes [C0 Y0 C1 Y1]: Y0 moves up two bytes over Y1.
    const __m128i keep = _mm_set1_epi32(0x00FFFFFF), y0 = _mm_set1_epi32(0xFF00);
    for (; c < whole; c += 8) {
      const __m128i x = load(line + 2 * c);
      const __m128i y = _mm_slli_epi32(_mm_and_si128(x, y0), 16);
      store(line + 2 * c, _mm_or_si128(_mm_and_si128(x, keep), y));
    }
  } else if (g == 4) {
    const __m128i y0 = _mm_set_epi32(0, 0xFF00, 0, 0xFF00);
    for (; c < whole; c += 8) {
      const __m128i x = load(line + 2 * c);
      __m128i y = _mm_and_si128(x, y0);
      y = _mm_or_si128(y, _mm_slli_epi64(y, 16));
      y = _mm_or_si128(y, _mm_slli_epi64(y, 32));
      store(line + 2 * c, _mm_or_si128(_mm_and_si128(x, chroma), y));
    }
  } else if (g == 8) {
    const __m128i luma = _mm_set1_epi16(static_cast<short>(0xFF00));
    for (; c < whole; c += 8) {
      const __m128i x = load(line + 2 * c);
      __m128i y = _mm_shufflelo_epi16(x, 0);
      y = _mm_and_si128(_mm_unpacklo_epi64(y, y), luma);
      store(line + 2 * c, _mm_or_si128(_mm_and_si128(x, chroma), y));
    }
  } else if (g > 8) {
    for (; c < width; c += g) {
      const size_t n = at_most(g, width - c);
      if (n < 8) break;  // only the last block is narrower
      const __m128i y = _mm_set1_epi16(static_cast<short>(line[2 * c + 1] << 8));
      uint8_t* at = line + 2 * c;
      size_t i = 0;
      for (; i + 8 <= n; i += 8) {
        store(at + 2 * i, _mm_or_si128(_mm_and_si128(load(at + 2 * i), chroma), y));
      }
      if (i < n) {
        uint8_t* last = at + 2 * (n - 8);
        store(last, _mm_or_si128(_mm_and_si128(load(last), chroma), y));
      }
    }
  }
  fill_tail<2>(line, c, width, g);
}

// Lines never overlap (the pitch holds the window), so a row is copied with whole vectors and
// an overlapping last one; rows under 16 bytes go in 8-, 4- and 1-byte pieces.
void copy_row(const uint8_t* src, uint8_t* dst, size_t n) {
  if (n >= 16) {
    size_t i = 0;
    for (; i + 16 <= n; i += 16) store(dst + i, load(src + i));
    if (i < n) store(dst + n - 16, load(src + n - 16));
    return;
  }
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
}

// Long rows go to the C library's copy, which uses the widest stores the processor has; short
// ones stay inline, where the call would cost more than the copy.
void replicate_planar(uint8_t* line, std::ptrdiff_t pitch, size_t count, size_t width) {
  for (size_t k = 1; k <= count; ++k) {
    uint8_t* dst = line + static_cast<std::ptrdiff_t>(k) * pitch;
    if (width >= 256) {
      std::memcpy(dst, line, width);
    } else {
      copy_row(line, dst, width);
    }
  }
}

void replicate_packed(uint8_t* line, std::ptrdiff_t pitch, size_t count, size_t width) {
  const size_t bytes = 2 * width;
  const __m128i chroma = _mm_set1_epi16(0x00FF);
  const __m128i luma = _mm_set1_epi16(static_cast<short>(0xFF00));
  for (size_t k = 1; k <= count; ++k) {
    uint8_t* dst = line + static_cast<std::ptrdiff_t>(k) * pitch;
    if (bytes < 16) {
      for (size_t i = 1; i < bytes; i += 2) dst[i] = line[i];
      continue;
    }
    // Rewriting the overlap of the last vector yields the same bytes again.
    auto merge = [&](size_t i) {
      store(dst + i, _mm_or_si128(_mm_and_si128(load(dst + i), chroma),
                                  _mm_and_si128(load(line + i), luma)));
    };
    size_t i = 0;
    for (; i + 16 <= bytes; i += 16) merge(i);
    if (i < bytes) merge(bytes - 16);
  }
}

constinit const mosaic::LineOps kPlanar = {fill_planar, replicate_planar};
constinit const mosaic::LineOps kPacked = {fill_packed, replicate_packed};

}  // namespace
}  // namespace pf::sse2

extern "C" {

void YUV420ProduceMosaicinField_sse2(uint8_t* pu8Field, const tImageMosaicParam* ptParam) {
  pf::mosaic::draw_windows(pf::sse2::kPlanar, false, true, pu8Field, *ptParam);
}

void YUV422ProduceMosaicinField_sse2(uint8_t* pu8Field, const tImageMosaicParam* ptParam) {
  pf::mosaic::draw_windows(pf::sse2::kPacked, true, true, pu8Field, *ptParam);
}

void YUV420FrameProduceMosaic_sse2(const uint8_t* pu8Src, uint8_t* pu8Dst,
                                   const tImageMosaicParam* ptParam) {
  pf::mosaic::produce(pf::sse2::kPlanar, false, false, pu8Src, pu8Dst, *ptParam);
}

void YUV422FrameProduceMosaic_sse2(const uint8_t* pu8Src, uint8_t* pu8Dst,
                                   const tImageMosaicParam* ptParam) {
  pf::mosaic::produce(pf::sse2::kPacked, true, false, pu8Src, pu8Dst, *ptParam);
}

void YUV420FieldProduceMosaic_sse2(const uint8_t* pu8Src, uint8_t* pu8Dst,
                                   const tImageMosaicParam* ptParam) {
  pf::mosaic::copy_picture(false, pu8Src, pu8Dst, *ptParam);
  YUV420ProduceMosaicinField_sse2(pu8Dst, ptParam);
  YUV420ProduceMosaicinField_sse2(pu8Dst + pf::mosaic::second_field(false, *ptParam), ptParam);
}

void YUV422FieldProduceMosaic_sse2(const uint8_t* pu8Src, uint8_t* pu8Dst,
                                   const tImageMosaicParam* ptParam) {
  pf::mosaic::copy_picture(true, pu8Src, pu8Dst, *ptParam);
  YUV422ProduceMosaicinField_sse2(pu8Dst, ptParam);
  YUV422ProduceMosaicinField_sse2(pu8Dst + pf::mosaic::second_field(true, *ptParam), ptParam);
}

}  // extern "C"
