// SPDX-License-Identifier: BSD-2-Clause
// The RGB-to-YUV converters' portable definition and the choice of the vector path that runs
// them. Every path writes the bytes the portable loop below defines.
#include "rgb_to_yv12.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "rgb_to_yv12_internal.hpp"

namespace pf_unit {
namespace {

// Right shifts of negative sums are arithmetic (defined so from C++20 on), which is what the
// chroma formulas need.
uint8_t luma(int r, int g, int b) {
  return static_cast<uint8_t>((76 * r + 150 * g + 29 * b + 128) >> 8);
}
uint8_t chroma(int sum) {
  const int c = (sum >> 8) + 128;
  return static_cast<uint8_t>(c > 255 ? 255 : c);
}

// Pixels [from, width) of a row pair; `from` is even.
template <int kBytes>
void portable_rows(const RowPair& rows, int32_t from, int32_t width) {
  for (int32_t x = from; x < width; x += 2) {
    const uint8_t* t = rows.top + static_cast<ptrdiff_t>(x) * kBytes;
    const uint8_t* b = rows.bottom + static_cast<ptrdiff_t>(x) * kBytes;
    rows.y_top[x] = luma(t[2], t[1], t[0]);
    rows.y_top[x + 1] = luma(t[kBytes + 2], t[kBytes + 1], t[kBytes]);
    rows.y_bottom[x] = luma(b[2], b[1], b[0]);
    rows.y_bottom[x + 1] = luma(b[kBytes + 2], b[kBytes + 1], b[kBytes]);
    rows.u[x / 2] = chroma(-43 * t[2] - 84 * t[1] + 128 * t[0] + 128);
    rows.v[x / 2] = chroma(128 * t[2] - 107 * t[1] - 20 * t[0] + 128);
  }
}

int32_t no_vector_rows(const RowPair&, int32_t) { return 0; }

struct Paths {
  RowPairFn bgr24;
  RowPairFn bgra;
};

Paths paths_for(uint32_t path) {
  switch (path) {
    case VIDEOUNIT_RGB_PATH_AVX2:
      return {bgr24_rows_avx2, bgra_rows_avx2};
    case VIDEOUNIT_RGB_PATH_SSSE3:
      return {bgr24_rows_ssse3, bgra_rows_ssse3};
    default:
      return {no_vector_rows, no_vector_rows};
  }
}

uint32_t best_path_of_processor() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  // GCC's and Clang's feature test also checks that the system saves the AVX registers.
  if (__builtin_cpu_supports("avx2")) return VIDEOUNIT_RGB_PATH_AVX2;
  if (__builtin_cpu_supports("ssse3")) return VIDEOUNIT_RGB_PATH_SSSE3;
#endif
  return VIDEOUNIT_RGB_PATH_C;
}

uint32_t path_from_environment() {
  const char* text = std::getenv("PELFORGE_UNIT_RGB_PATH");
  if (text == nullptr) return VIDEOUNIT_RGB_PATH_AVX2;
  if (std::strcmp(text, "c") == 0) return VIDEOUNIT_RGB_PATH_C;
  if (std::strcmp(text, "ssse3") == 0) return VIDEOUNIT_RGB_PATH_SSSE3;
  return VIDEOUNIT_RGB_PATH_AVX2;
}

// The limit starts unset (all ones) and is read from the environment at the first conversion,
// unless a host set it before.
constexpr uint32_t kUnset = ~0u;
std::atomic<uint32_t> g_limit{kUnset};

uint32_t limit() {
  uint32_t l = g_limit.load(std::memory_order_relaxed);
  if (l == kUnset) {
    uint32_t expected = kUnset;
    g_limit.compare_exchange_strong(expected, path_from_environment(), std::memory_order_relaxed);
    l = g_limit.load(std::memory_order_relaxed);
  }
  return l;
}

uint32_t current_path() {
  static const uint32_t best = best_path_of_processor();
  const uint32_t l = limit();
  return best < l ? best : l;
}

}  // namespace

template <int kBytes>
void convert(const uint8_t* src, int32_t src_stride, uint8_t* y_plane, uint8_t* u_plane,
             uint8_t* v_plane, int32_t y_pitch, int32_t uv_pitch, int32_t width, int32_t height,
             uint32_t bottom_up) {
  const Paths paths = paths_for(current_path());
  const RowPairFn vector_rows = kBytes == 3 ? paths.bgr24 : paths.bgra;
  auto row_of = [&](int32_t y) {
    const ptrdiff_t stored = bottom_up != 0 ? height - 1 - y : y;
    return src + stored * src_stride;
  };
  for (int32_t y = 0; y < height; y += 2) {
    uint8_t* y_top = y_plane + static_cast<ptrdiff_t>(y) * y_pitch;
    const RowPair rows{row_of(y),
                       row_of(y + 1),
                       y_top,
                       y_top + y_pitch,
                       u_plane + static_cast<ptrdiff_t>(y / 2) * uv_pitch,
                       v_plane + static_cast<ptrdiff_t>(y / 2) * uv_pitch};
    portable_rows<kBytes>(rows, vector_rows(rows, width), width);
  }
}

template void convert<3>(const uint8_t*, int32_t, uint8_t*, uint8_t*, uint8_t*, int32_t, int32_t,
                         int32_t, int32_t, uint32_t);
template void convert<4>(const uint8_t*, int32_t, uint8_t*, uint8_t*, uint8_t*, int32_t, int32_t,
                         int32_t, int32_t, uint32_t);

}  // namespace pf_unit

extern "C" uint32_t VideoUnitLimitRgbPath(uint32_t u32Path) {
  const uint32_t before = pf_unit::limit();
  pf_unit::g_limit.store(u32Path, std::memory_order_relaxed);
  return before;
}

extern "C" uint32_t VideoUnitRgbPath(void) { return pf_unit::current_path(); }
