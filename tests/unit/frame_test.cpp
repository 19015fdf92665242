// SPDX-License-Identifier: BSD-2-Clause
// The module frame: one-time processor dispatch, selectors against the kernel manifest, and
// racing first Opens.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "img_resizer.h"
#include "img_resizer_internal.hpp"
#include "video_mem.h"

namespace {

tImageResizerParam valid_param() {
  tImageResizerParam p{};
  p.s32SrcWidth = 64;
  p.s32SrcHeight = 32;
  p.u32SrcYuvType = 420;
  p.u32SrcImageType = 1;
  p.s32DstWidth = 32;
  p.s32DstHeight = 16;
  p.u32DstYuvType = 420;
  p.u32DstImageType = 1;
  return p;
}

// Runs in a freshly started copy of this program (death-test child), where no Open has run yet.
[[noreturn]] void first_open_dispatches_once() {
  void* mem = VideoMemCreate();
  const uint64_t before = VideoMemCpuDetectCount();
  tImageResizerParam bad = valid_param();
  bad.s32SrcWidth = 3;
  void* handle = nullptr;
  if (ImageResizerOpen_c(&handle, &bad, mem) == 0) _exit(10);
  if (VideoMemCpuDetectCount() != before) _exit(11);  // refused before dispatch
  const tImageResizerParam good = valid_param();
  if (ImageResizerOpen_c(&handle, &good, mem) != 0) _exit(12);
  if (VideoMemCpuDetectCount() != before + 1) _exit(13);
  void* second = nullptr;
  if (ImageResizerOpen_c(&second, &good, mem) != 0) _exit(14);
  if (VideoMemCpuDetectCount() != before + 1) _exit(15);  // not again
  // The pointers hold what the selectors for the reported features install, the most capable
  // variant winning.
  const auto flags = static_cast<uint32_t>(DetectCpuFlags_x86());
  for (const auto& row : pf::image_resizer_kernels()) {
    tResizerKernel expected = row.scalar;
    for (int isa = 0; isa < 4; ++isa) {
      if ((flags & pf::kIsaFlag[isa]) != 0 && row.variant[isa] != nullptr) {
        expected = row.variant[isa];
      }
    }
    if (*row.pointer != expected) _exit(16);
  }
  ImageResizerClose_c(handle);
  ImageResizerClose_c(second);
  VideoMemDestroy(mem);
  _exit(0);
}

[[noreturn]] void racing_first_opens() {
  void* mem = VideoMemCreate();
  const uint64_t before = VideoMemCpuDetectCount();
  std::atomic<int> ready{0};
  std::atomic<int> failures{0};
  auto worker = [&] {
    ready.fetch_add(1);
    while (ready.load() < 4) {
    }
    const tImageResizerParam p = valid_param();
    for (int i = 0; i < 50; ++i) {
      void* handle = nullptr;
      if (ImageResizerOpen_c(&handle, &p, mem) != 0 || ImageResizerClose_c(handle) != 0) {
        failures.fetch_add(1);
      }
    }
  };
  std::thread a(worker), b(worker), c(worker), d(worker);
  a.join();
  b.join();
  c.join();
  d.join();
  if (failures.load() != 0) _exit(20);
  if (VideoMemCpuDetectCount() != before + 1) _exit(21);
  VideoMemDestroy(mem);
  _exit(0);
}

TEST(FrameDeathTest, FirstValidOpenDispatchesOnceAndInstallsTheVariants) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(first_open_dispatches_once(), ::testing::ExitedWithCode(0), "");
}

TEST(FrameDeathTest, ConcurrentFirstOpensRunTheSelectorsOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(racing_first_opens(), ::testing::ExitedWithCode(0), "");
}

TEST(Frame, EachSelectorInstallsExactlyItsManifestColumn) {
  void (*const selectors[4])() = {ImageResizerMMXFunctions, ImageResizerSSE2Functions,
                                  ImageResizerSSSE3Functions, ImageResizerSSE4Functions};
  const auto rows = pf::image_resizer_kernels();
  std::vector<tResizerKernel> saved;
  for (const auto& row : rows) saved.push_back(*row.pointer);
  for (int isa = 0; isa < 4; ++isa) {
    SCOPED_TRACE(pf::kIsaName[isa]);
    pf::restore_resizer_scalar_defaults();
    selectors[isa]();
    selectors[isa]();  // a second run changes nothing
    for (const auto& row : rows) {
      const tResizerKernel expected = row.variant[isa] != nullptr ? row.variant[isa] : row.scalar;
      EXPECT_EQ(*row.pointer, expected) << row.name;
    }
  }
  pf::restore_resizer_scalar_defaults();
  for (const auto& row : rows) EXPECT_EQ(*row.pointer, row.scalar) << row.name;
  size_t i = 0;
  for (const auto& row : rows) *row.pointer = saved[i++];
}

}  // namespace
