// SPDX-License-Identifier: BSD-2-Clause
// The default video memory service: aligned heap blocks with per-handle accounting, fault
// rehearsal and CPUID-based feature detection.
#include "video_mem.h"

#include <cpuid.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

namespace {

constexpr uint32_t kMagic = 0x564D454Du;  // "VMEM": tells a live handle from garbage

struct Block {
  uint32_t size;
  bool fast_scratch;
};

struct Handle {
  uint32_t magic = kMagic;
  std::mutex lock;
  std::unordered_map<void*, Block> blocks;
  tVideoMemStats stats{};
  uint32_t fail_countdown = 0;  // 0: off; otherwise the allocation that reaches 1 fails
  bool fail_dma = false;
  uint32_t dma_countdown = 0;  // like fail_countdown, for DMA handle requests
  uint64_t limit = 0;          // most live bytes; 0: none
  char dma_token = 0;          // the DMA handle we give out is this byte's address
};

Handle* handle_of(void* h) {
  auto* handle = static_cast<Handle*>(h);
  return handle != nullptr && handle->magic == kMagic ? handle : nullptr;
}

void* allocate(void* h, uint32_t size, uint32_t align, uint32_t tag, bool fast_scratch) {
  Handle* handle = handle_of(h);
  if (handle == nullptr) return nullptr;
  std::lock_guard<std::mutex> guard(handle->lock);
  handle->stats.au64CallsByTag[tag & 255u]++;
  bool injected = false;
  if (handle->fail_countdown != 0) injected = --handle->fail_countdown == 0;
  if (align < alignof(void*)) align = alignof(void*);
  void* p = nullptr;
  const bool over = handle->limit != 0 && (handle->stats.u64LiveBytes > handle->limit ||
                                           size > handle->limit - handle->stats.u64LiveBytes);
  if (injected || over || (align & (align - 1)) != 0 ||
      posix_memalign(&p, align, size == 0 ? 1 : size) != 0) {
    handle->stats.u64FailedCalls++;
    return nullptr;
  }
  handle->blocks.emplace(p, Block{size, fast_scratch});
  handle->stats.u64Allocations++;
  handle->stats.u64LiveBlocks++;
  handle->stats.u64LiveBytes += size;
  if (handle->stats.u64LiveBytes > handle->stats.u64PeakBytes) {
    handle->stats.u64PeakBytes = handle->stats.u64LiveBytes;
  }
  return p;
}

uint32_t release(void* h, void* p, uint32_t tag, bool fast_scratch) {
  Handle* handle = handle_of(h);
  if (handle == nullptr) return VIDEOMEM_ERR_HANDLE;
  std::lock_guard<std::mutex> guard(handle->lock);
  handle->stats.au64CallsByTag[tag & 255u]++;
  auto it = handle->blocks.find(p);
  if (it == handle->blocks.end()) {
    handle->stats.u64FailedCalls++;
    return VIDEOMEM_ERR_POINTER;
  }
  if (it->second.fast_scratch != fast_scratch) {
    handle->stats.u64FailedCalls++;
    return VIDEOMEM_ERR_KIND;
  }
  handle->stats.u64Releases++;
  handle->stats.u64LiveBlocks--;
  handle->stats.u64LiveBytes -= it->second.size;
  handle->blocks.erase(it);
  std::free(p);
  return VIDEOMEM_OK;
}

std::atomic<uint32_t> g_cpu_mask{0xFFFFFFFFu};
std::atomic<uint64_t> g_cpu_detect_calls{0};

uint32_t cpuid_flags() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return 0;
  uint32_t flags = 0;
  if (edx & bit_MMX) flags |= VIDEOMEM_CPU_MMX;
  if (edx & bit_SSE2) flags |= VIDEOMEM_CPU_SSE2;
  if (ecx & bit_SSSE3) flags |= VIDEOMEM_CPU_SSSE3;
  if (ecx & bit_SSE4_1) flags |= VIDEOMEM_CPU_SSE4;
  return flags;
}

uint32_t environment_mask() {
  const char* text = std::getenv("PELFORGE_CPU_MASK");
  if (text == nullptr || *text == '\0') return 0xFFFFFFFFu;
  char* end = nullptr;
  unsigned long value = std::strtoul(text, &end, 0);
  // A mask we cannot read must not silently turn features on or off: ignore it.
  if (end == text || *end != '\0') return 0xFFFFFFFFu;
  return static_cast<uint32_t>(value);
}

}  // namespace

extern "C" {

void* VideoMemMalloc_c(void* hMem, uint32_t u32Size, uint32_t u32Align, uint32_t u32Tag,
                       const char*, uint32_t) {
  return allocate(hMem, u32Size, u32Align, u32Tag, false);
}

void* VideoMemMallocFastScrach_c(void* hMem, uint32_t u32Size, uint32_t u32Align, uint32_t u32Tag,
                                 const char*, uint32_t) {
  return allocate(hMem, u32Size, u32Align, u32Tag, true);
}

uint32_t VideoMemFree_c(void* hMem, void* pBlock, uint32_t u32Tag, const char*, uint32_t) {
  return release(hMem, pBlock, u32Tag, false);
}

uint32_t VideoMemFreeFastScrach_c(void* hMem, void* pBlock, uint32_t u32Tag, const char*,
                                  uint32_t) {
  return release(hMem, pBlock, u32Tag, true);
}

void* GetDMAHandle_c(void* hMem) {
  Handle* handle = handle_of(hMem);
  if (handle == nullptr) return nullptr;
  std::lock_guard<std::mutex> guard(handle->lock);
  handle->stats.u64DmaRequests++;
  bool injected = false;
  if (handle->dma_countdown != 0) injected = --handle->dma_countdown == 0;
  if (handle->fail_dma || injected) {
    handle->stats.u64FailedCalls++;
    return nullptr;
  }
  return &handle->dma_token;
}

uint64_t DetectCpuFlags_x86(void) {
  g_cpu_detect_calls.fetch_add(1, std::memory_order_relaxed);
  return cpuid_flags() & environment_mask() & g_cpu_mask.load(std::memory_order_relaxed);
}

void* VideoMemCreate(void) { return new (std::nothrow) Handle(); }

void VideoMemDestroy(void* hMem) {
  Handle* handle = handle_of(hMem);
  if (handle == nullptr) return;
  for (auto& entry : handle->blocks) std::free(entry.first);
  handle->magic = 0;
  delete handle;
}

uint32_t VideoMemGetStats(void* hMem, tVideoMemStats* ptStats) {
  Handle* handle = handle_of(hMem);
  if (handle == nullptr || ptStats == nullptr) return VIDEOMEM_ERR_HANDLE;
  std::lock_guard<std::mutex> guard(handle->lock);
  *ptStats = handle->stats;
  return VIDEOMEM_OK;
}

uint32_t VideoMemFailAllocation(void* hMem, uint32_t u32Nth) {
  Handle* handle = handle_of(hMem);
  if (handle == nullptr) return VIDEOMEM_ERR_HANDLE;
  std::lock_guard<std::mutex> guard(handle->lock);
  handle->fail_countdown = u32Nth;
  return VIDEOMEM_OK;
}

uint32_t VideoMemFailDma(void* hMem, int32_t s32Fail) {
  Handle* handle = handle_of(hMem);
  if (handle == nullptr) return VIDEOMEM_ERR_HANDLE;
  std::lock_guard<std::mutex> guard(handle->lock);
  handle->fail_dma = s32Fail != 0;
  return VIDEOMEM_OK;
}

uint32_t VideoMemFailDmaRequest(void* hMem, uint32_t u32Nth) {
  Handle* handle = handle_of(hMem);
  if (handle == nullptr) return VIDEOMEM_ERR_HANDLE;
  std::lock_guard<std::mutex> guard(handle->lock);
  handle->dma_countdown = u32Nth;
  return VIDEOMEM_OK;
}

uint32_t VideoMemSetLimit(void* hMem, uint64_t u64MaxLiveBytes) {
  Handle* handle = handle_of(hMem);
  if (handle == nullptr) return VIDEOMEM_ERR_HANDLE;
  std::lock_guard<std::mutex> guard(handle->lock);
  handle->limit = u64MaxLiveBytes;
  return VIDEOMEM_OK;
}

uint32_t VideoMemSetCpuMask(uint32_t u32AllowedFlags) {
  return g_cpu_mask.exchange(u32AllowedFlags, std::memory_order_relaxed);
}

uint64_t VideoMemCpuDetectCount(void) { return g_cpu_detect_calls.load(std::memory_order_relaxed); }

}  // extern "C"
