// SPDX-License-Identifier: BSD-2-Clause
// A fresh memory handle per test, and the checks that nothing is left allocated.
#ifndef PELFORGE_TESTS_SUPPORT_VMEM_FIXTURE_HPP_
#define PELFORGE_TESTS_SUPPORT_VMEM_FIXTURE_HPP_

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "video_mem.h"

namespace pft {

tVideoMemStats stats_of(void* mem);

class VmemTest : public ::testing::Test {
 protected:
  void SetUp() override;
  // Fails the test when any block is still live: every test closes what it opened.
  void TearDown() override;
  void* mem() const { return mem_; }
  tVideoMemStats stats() const { return stats_of(mem_); }
  uint64_t live_blocks() const { return stats().u64LiveBlocks; }

 private:
  void* mem_ = nullptr;
};

// One way to make Open fail: the n-th allocation from the start of Open (1-based), or the DMA
// handle when n is 0, and the code Open must return then.
struct OpenFailure {
  uint32_t nth_allocation;
  uint32_t expected;
};

// For each failure: Open must return its code, leave nothing live on the handle and not write
// the out-pointer. `open(out)` opens with `mem` and everything else fixed. After the table, an
// Open without injected faults must succeed and is closed with `close`.
void expect_open_rolls_back(void* mem, const std::function<uint32_t(void**)>& open,
                            const std::function<uint32_t(void*)>& close,
                            const std::vector<OpenFailure>& failures);

}  // namespace pft

#endif  // PELFORGE_TESTS_SUPPORT_VMEM_FIXTURE_HPP_
