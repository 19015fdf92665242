// SPDX-License-Identifier: BSD-2-Clause
#include "vmem_fixture.hpp"

namespace pft {

tVideoMemStats stats_of(void* mem) {
  tVideoMemStats stats{};
  EXPECT_EQ(VideoMemGetStats(mem, &stats), VIDEOMEM_OK);
  return stats;
}

void VmemTest::SetUp() {
  mem_ = VideoMemCreate();
  ASSERT_NE(mem_, nullptr);
}

void VmemTest::TearDown() {
  EXPECT_EQ(live_blocks(), 0u) << "blocks left allocated after the test";
  VideoMemDestroy(mem_);
}

void expect_open_rolls_back(void* mem, const std::function<uint32_t(void**)>& open,
                            const std::function<uint32_t(void*)>& close,
                            const std::vector<OpenFailure>& failures) {
  void* const sentinel = reinterpret_cast<void*>(0x1234);
  for (const OpenFailure& failure : failures) {
    const uint64_t live_before = stats_of(mem).u64LiveBlocks;
    if (failure.nth_allocation == 0) {
      VideoMemFailDma(mem, 1);
    } else {
      VideoMemFailAllocation(mem, failure.nth_allocation);
    }
    void* handle = sentinel;
    const uint32_t status = open(&handle);
    VideoMemFailDma(mem, 0);
    VideoMemFailAllocation(mem, 0);
    EXPECT_EQ(status, failure.expected) << "failing allocation " << failure.nth_allocation;
    EXPECT_EQ(handle, sentinel) << "out-pointer written on failure " << failure.nth_allocation;
    EXPECT_EQ(stats_of(mem).u64LiveBlocks, live_before)
        << "blocks leaked when allocation " << failure.nth_allocation << " failed";
    if (status == 0 && handle != sentinel) close(handle);
  }
  void* handle = nullptr;
  ASSERT_EQ(open(&handle), 0u);
  EXPECT_EQ(close(handle), 0u);
}

}  // namespace pft
