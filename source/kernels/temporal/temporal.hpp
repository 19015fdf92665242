// SPDX-License-Identifier: BSD-2-Clause
// What the temporal filter, the UYVY-to-4:2:0 module, their kernels and the tests share beyond
// the public headers.
#ifndef PELFORGE_SOURCE_KERNELS_TEMPORAL_TEMPORAL_HPP_
#define PELFORGE_SOURCE_KERNELS_TEMPORAL_TEMPORAL_HPP_

#include <cstdint>
#include <span>

#include "dispatch.hpp"
#include "img_temporalfilter.h"
#include "img_uyvyto420andtf.h"

namespace pf::temporal {

// Sizes are rounded up to multiples of 8 so that every plane of a 4:2:0 picture splits into
// whole 4 x 4 blocks.
constexpr int64_t align8(int64_t v) { return (v + 7) & ~int64_t{7}; }

// Bytes of an AW x AH 4:2:0 picture, of the SSE2 kernel's line buffer, and what GetMemSize
// reports (the buffers plus the instance's share of bookkeeping).
constexpr int64_t picture_bytes(int64_t aw, int64_t ah) { return 3 * aw * ah / 2; }
constexpr int64_t line_buffer_bytes(int64_t aw) { return 37 * aw + 864; }
constexpr int64_t reported_mem_size(int64_t aw, int64_t ah) {
  return picture_bytes(aw, ah) + 37 * aw + 408;
}

// The thresholded recursive average every UYVY output sample passes: a sample within 8 of the
// stored one is averaged with it (truncating), anything else is taken as a change and kept.
inline uint8_t recursive_average(uint8_t s, uint8_t& stored) {
  const int d = s - stored;
  const auto o = d > -9 && d < 9 ? static_cast<uint8_t>((s + stored) >> 1) : s;
  stored = o;
  return o;
}

std::span<const KernelRow<tFilterframeKernel>> temporal_filter_kernels();
std::span<const KernelRow<tUYVYTo420AndTFKernel>> uyvy_tf_kernels();

}  // namespace pf::temporal

#endif  // PELFORGE_SOURCE_KERNELS_TEMPORAL_TEMPORAL_HPP_
