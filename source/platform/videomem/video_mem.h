/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * The video memory service: every byte pelforge uses comes from here, and so does the processor's
 * feature set. This is the default service, shipped as its own shared library so that a host can
 * link its own instead; pelforge only relies on the six calls in the first block.
 */
#ifndef PELFORGE_VIDEO_MEM_H_
#define PELFORGE_VIDEO_MEM_H_

#include <stdint.h>

#if defined(__GNUC__)
#define VIDEOMEM_API __attribute__((visibility("default")))
#else
#define VIDEOMEM_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Allocation tags pelforge passes. */
#define VIDEOMEM_TAG_FREE 218u         /**< every release through VideoMemFree_c */
#define VIDEOMEM_TAG_FAST_SCRATCH 219u /**< fast scratch, allocation and release */
#define VIDEOMEM_TAG_GENERAL 220u      /**< instance records and picture-sized buffers */
#define VIDEOMEM_TAG_LINE_BUFFER 222u  /**< line buffers */

/* Processor feature bits reported by DetectCpuFlags_x86. */
#define VIDEOMEM_CPU_MMX 0x2u
#define VIDEOMEM_CPU_SSE2 0x8u
#define VIDEOMEM_CPU_SSSE3 0x20u
#define VIDEOMEM_CPU_SSE4 0x200u

/* Results of the release calls. */
#define VIDEOMEM_OK 0u
#define VIDEOMEM_ERR_HANDLE 0xE1000001u  /**< null or destroyed memory handle */
#define VIDEOMEM_ERR_POINTER 0xE1000002u /**< pointer not allocated from this handle */
#define VIDEOMEM_ERR_KIND 0xE1000003u    /**< fast scratch released as ordinary memory or back */

/* ---- What pelforge calls. ---- */

/** A block of at least u32Size bytes aligned to u32Align (a power of two), or null. */
VIDEOMEM_API void* VideoMemMalloc_c(void* hMem, uint32_t u32Size, uint32_t u32Align,
                                    uint32_t u32Tag, const char* ps8File, uint32_t u32Line);
/** Fast working memory; pelforge always asks for 0x18000 bytes, alignment 8, tag 219. */
VIDEOMEM_API void* VideoMemMallocFastScrach_c(void* hMem, uint32_t u32Size, uint32_t u32Align,
                                              uint32_t u32Tag, const char* ps8File,
                                              uint32_t u32Line);
/** Releases a block of VideoMemMalloc_c; returns VIDEOMEM_OK or a VIDEOMEM_ERR_ code. */
VIDEOMEM_API uint32_t VideoMemFree_c(void* hMem, void* pBlock, uint32_t u32Tag, const char* ps8File,
                                     uint32_t u32Line);
/** Releases fast scratch; returns VIDEOMEM_OK or a VIDEOMEM_ERR_ code. */
VIDEOMEM_API uint32_t VideoMemFreeFastScrach_c(void* hMem, void* pBlock, uint32_t u32Tag,
                                               const char* ps8File, uint32_t u32Line);
/** An opaque non-null handle for the DMA engine, or null when none can be had. */
VIDEOMEM_API void* GetDMAHandle_c(void* hMem);
/**
 * The processor's SIMD features as VIDEOMEM_CPU_ bits, read with CPUID. The environment variable
 * PELFORGE_CPU_MASK (a number in C syntax, e.g. 0 or 0x8) and VideoMemSetCpuMask remove bits.
 */
VIDEOMEM_API uint64_t DetectCpuFlags_x86(void);

/* ---- What hosts call. ---- */

/** Creates a memory handle; null when the process is out of memory. */
VIDEOMEM_API void* VideoMemCreate(void);
/** Destroys a handle and releases whatever blocks are still live on it. */
VIDEOMEM_API void VideoMemDestroy(void* hMem);

/** Accounting of one handle. Counters only grow; live and peak values follow the blocks. */
typedef struct tVideoMemStats {
  uint64_t u64LiveBlocks;       /**< blocks allocated and not yet released, fast scratch included */
  uint64_t u64LiveBytes;        /**< their requested sizes, summed */
  uint64_t u64PeakBytes;        /**< highest value u64LiveBytes has had */
  uint64_t u64Allocations;      /**< successful allocations of either kind */
  uint64_t u64Releases;         /**< successful releases of either kind */
  uint64_t u64FailedCalls;      /**< allocations, releases and DMA requests that failed */
  uint64_t u64DmaRequests;      /**< calls of GetDMAHandle_c */
  uint64_t au64CallsByTag[256]; /**< allocation and release calls by tag (tag & 255) */
} tVideoMemStats;

/** Copies the handle's accounting; returns VIDEOMEM_OK or VIDEOMEM_ERR_HANDLE. */
VIDEOMEM_API uint32_t VideoMemGetStats(void* hMem, tVideoMemStats* ptStats);

/**
 * Fault rehearsal: the u32Nth allocation from now (1 = the next one, of either kind) returns null.
 * 0 switches it off. Returns VIDEOMEM_OK or VIDEOMEM_ERR_HANDLE.
 */
VIDEOMEM_API uint32_t VideoMemFailAllocation(void* hMem, uint32_t u32Nth);
/** Fault rehearsal: while s32Fail is non-zero GetDMAHandle_c returns null for this handle. */
VIDEOMEM_API uint32_t VideoMemFailDma(void* hMem, int32_t s32Fail);
/**
 * Fault rehearsal: the u32Nth DMA handle request from now (1 = the next one) returns null, the
 * others succeed; for modules whose Open asks several times (inner instances). 0 switches it off.
 */
VIDEOMEM_API uint32_t VideoMemFailDmaRequest(void* hMem, uint32_t u32Nth);
/**
 * A pool of a fixed size, as on equipment with dedicated video memory: an allocation that would
 * take the live bytes of this handle beyond u64MaxLiveBytes returns null. 0 (the initial value)
 * means no limit. Returns VIDEOMEM_OK or VIDEOMEM_ERR_HANDLE.
 */
VIDEOMEM_API uint32_t VideoMemSetLimit(void* hMem, uint64_t u64MaxLiveBytes);

/**
 * Removes processor features from what DetectCpuFlags_x86 reports, for the whole process (on top
 * of PELFORGE_CPU_MASK). Returns the previous mask; the initial mask allows everything.
 */
VIDEOMEM_API uint32_t VideoMemSetCpuMask(uint32_t u32AllowedFlags);
/** How often DetectCpuFlags_x86 has been called in this process. */
VIDEOMEM_API uint64_t VideoMemCpuDetectCount(void);

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_VIDEO_MEM_H_ */
