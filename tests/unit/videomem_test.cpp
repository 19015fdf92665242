// SPDX-License-Identifier: BSD-2-Clause
// The default video memory service: accounting, fault rehearsal, feature masks, threads.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <thread>
#include <vector>

#include "video_mem.h"
#include "vmem_fixture.hpp"

namespace {

using VideoMem = pft::VmemTest;

TEST_F(VideoMem, AccountsBlocksBytesPeaksAndTags) {
  void* a = VideoMemMalloc_c(mem(), 100, 64, 220, "f", 1);
  void* b = VideoMemMallocFastScrach_c(mem(), 0x18000, 8, 219, "f", 2);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % 64, 0u);
  tVideoMemStats s = stats();
  EXPECT_EQ(s.u64LiveBlocks, 2u);
  EXPECT_EQ(s.u64LiveBytes, 100u + 0x18000u);
  // Releasing through the wrong call or twice is refused and changes nothing.
  EXPECT_EQ(VideoMemFree_c(mem(), b, 218, "f", 3), VIDEOMEM_ERR_KIND);
  EXPECT_EQ(VideoMemFreeFastScrach_c(mem(), b, 219, "f", 4), VIDEOMEM_OK);
  EXPECT_EQ(VideoMemFreeFastScrach_c(mem(), b, 219, "f", 5), VIDEOMEM_ERR_POINTER);
  EXPECT_EQ(VideoMemFree_c(mem(), a, 218, "f", 6), VIDEOMEM_OK);
  EXPECT_EQ(VideoMemFree_c(nullptr, a, 218, "f", 7), VIDEOMEM_ERR_HANDLE);
  s = stats();
  EXPECT_EQ(s.u64LiveBlocks, 0u);
  EXPECT_EQ(s.u64PeakBytes, 100u + 0x18000u);
  EXPECT_EQ(s.u64Allocations, 2u);
  EXPECT_EQ(s.u64Releases, 2u);
  EXPECT_EQ(s.u64FailedCalls, 2u);
  EXPECT_EQ(s.au64CallsByTag[220], 1u);
  EXPECT_EQ(s.au64CallsByTag[219], 3u);
  EXPECT_EQ(s.au64CallsByTag[218], 2u);
  EXPECT_EQ(VideoMemMalloc_c(nullptr, 8, 8, 220, "f", 8), nullptr);
  EXPECT_EQ(VideoMemMalloc_c(mem(), 8, 24, 220, "f", 9), nullptr) << "alignment not a power of 2";
}

TEST_F(VideoMem, FailsTheNthAllocationAndTheDmaHandleOnRequest) {
  ASSERT_NE(GetDMAHandle_c(mem()), nullptr);
  VideoMemFailDma(mem(), 1);
  EXPECT_EQ(GetDMAHandle_c(mem()), nullptr);
  VideoMemFailDma(mem(), 0);
  EXPECT_NE(GetDMAHandle_c(mem()), nullptr);
  VideoMemFailDmaRequest(mem(), 2);
  EXPECT_NE(GetDMAHandle_c(mem()), nullptr);
  EXPECT_EQ(GetDMAHandle_c(mem()), nullptr) << "the second request from now";
  EXPECT_NE(GetDMAHandle_c(mem()), nullptr) << "and only that one";

  // A pool of 100 bytes: what would take the live bytes past it fails, a release makes room.
  VideoMemSetLimit(mem(), 100);
  void* first = VideoMemMalloc_c(mem(), 60, 8, 220, "f", 1);
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(VideoMemMalloc_c(mem(), 41, 8, 220, "f", 1), nullptr);
  void* second = VideoMemMalloc_c(mem(), 40, 8, 220, "f", 1);
  EXPECT_NE(second, nullptr);
  VideoMemFree_c(mem(), first, 218, "f", 2);
  VideoMemSetLimit(mem(), 20);  // below what is live: nothing more fits
  EXPECT_EQ(VideoMemMalloc_c(mem(), 1, 8, 220, "f", 1), nullptr);
  VideoMemSetLimit(mem(), 0);
  VideoMemFree_c(mem(), second, 218, "f", 2);

  VideoMemFailAllocation(mem(), 3);
  std::vector<void*> blocks;
  for (int i = 0; i < 5; ++i) blocks.push_back(VideoMemMalloc_c(mem(), 16, 8, 220, "f", 1));
  EXPECT_NE(blocks[0], nullptr);
  EXPECT_NE(blocks[1], nullptr);
  EXPECT_EQ(blocks[2], nullptr);
  EXPECT_NE(blocks[3], nullptr) << "only one allocation fails";
  for (void* b : blocks) {
    if (b != nullptr) VideoMemFree_c(mem(), b, 218, "f", 2);
  }
}

TEST_F(VideoMem, AccountingIsThreadSafe) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([this] {
      for (int i = 0; i < 500; ++i) {
        void* p = VideoMemMalloc_c(mem(), 32, 16, 220, "f", 1);
        ASSERT_NE(p, nullptr);
        VideoMemFree_c(mem(), p, 218, "f", 2);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(stats().u64Allocations, 2000u);
  EXPECT_EQ(stats().u64Releases, 2000u);
}

TEST(VideoMemCpu, MasksRemoveFeaturesAndCallsAreCounted) {
  const uint64_t calls = VideoMemCpuDetectCount();
  const uint64_t all = DetectCpuFlags_x86();
  EXPECT_NE(all & VIDEOMEM_CPU_SSE2, 0u) << "every x86-64 processor has SSE2";
  const uint32_t previous = VideoMemSetCpuMask(VIDEOMEM_CPU_MMX | VIDEOMEM_CPU_SSE2);
  EXPECT_EQ(DetectCpuFlags_x86() & ~uint64_t{VIDEOMEM_CPU_MMX | VIDEOMEM_CPU_SSE2}, 0u);
  VideoMemSetCpuMask(previous);
  EXPECT_EQ(DetectCpuFlags_x86(), all);
  EXPECT_EQ(VideoMemCpuDetectCount(), calls + 3);
}

TEST(VideoMemCpu, EnvironmentMaskForcesTheScalarKernels) {
  // The mask is read on every call, so setting it here takes effect at once.
  const char* old = std::getenv("PELFORGE_CPU_MASK");
  setenv("PELFORGE_CPU_MASK", "0", 1);
  EXPECT_EQ(DetectCpuFlags_x86(), 0u);
  setenv("PELFORGE_CPU_MASK", "0x8", 1);
  EXPECT_EQ(DetectCpuFlags_x86() & ~uint64_t{0x8}, 0u);
  setenv("PELFORGE_CPU_MASK", "nonsense", 1);
  EXPECT_NE(DetectCpuFlags_x86() & VIDEOMEM_CPU_SSE2, 0u) << "an unreadable mask is ignored";
  if (old != nullptr) {
    setenv("PELFORGE_CPU_MASK", old, 1);
  } else {
    unsetenv("PELFORGE_CPU_MASK");
  }
}

}  // namespace
