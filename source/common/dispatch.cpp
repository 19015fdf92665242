// SPDX-License-Identifier: BSD-2-Clause
#include "dispatch.hpp"

#include "video_mem.h"

namespace pf {

void dispatch_once(std::atomic<uint64_t>& once_flag, Selector mmx, Selector sse2, Selector ssse3,
                   Selector sse4) {
  if (once_flag.exchange(1, std::memory_order_acq_rel) != 0) return;
  const auto flags = static_cast<uint32_t>(DetectCpuFlags_x86());
  if ((flags & VIDEOMEM_CPU_MMX) != 0) mmx();
  if ((flags & VIDEOMEM_CPU_SSE2) != 0) sse2();
  if ((flags & VIDEOMEM_CPU_SSSE3) != 0) ssse3();
  if ((flags & VIDEOMEM_CPU_SSE4) != 0) sse4();
}

}  // namespace pf
