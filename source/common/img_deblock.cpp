// SPDX-License-Identifier: BSD-2-Clause
// The deblock module: exported entry points without a registry entry, on the module frame.
#include "img_deblock.h"

#include <atomic>
#include <cstdint>
#include <iterator>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "img_deblock_internal.hpp"

extern "C" const char* const pas8DeblockAnalyzeErrorCode[] = {
#define PF_X(name) "ERR_IMG_DEBLOCK_" #name,
    PF_IMG_DEBLOCK_ERRORS(PF_X)
#undef PF_X
};
static_assert(std::size(pas8DeblockAnalyzeErrorCode) ==
              ERR_IMG_DEBLOCK_END - ERR_IMG_DEBLOCK_BASE_);

// A build without SIMD variants (PF_NO_SIMD) keeps the pointer on its scalar kernel.
#ifdef PF_NO_SIMD
#define PF_VARIANTS(...) PF_NONE, PF_NONE, PF_NONE, PF_NONE
#else
#define PF_VARIANTS(...) __VA_ARGS__
#endif
#define PF_APPLY(macro, args) macro args

extern "C" {

#define PF_K(ptr, c, ...) tImgDeblockKernel ptr = c;
#include "deblock/deblock_kernels.def"
#undef PF_K

void ImgDeblockMMXFunctions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_MMX, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "deblock/deblock_kernels.def"
#undef PF_K
}

void ImgDeblockSSE2Functions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_SSE2, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "deblock/deblock_kernels.def"
#undef PF_K
}

void ImgDeblockSSSE3Functions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_SSSE3, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "deblock/deblock_kernels.def"
#undef PF_K
}

void ImgDeblockSSE4Functions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_SSE4, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "deblock/deblock_kernels.def"
#undef PF_K
}

}  // extern "C"

namespace pf {
namespace {

constexpr KernelRow<tImgDeblockKernel> kKernels[] = {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_ROW, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "deblock/deblock_kernels.def"
#undef PF_K
};

enum : uint32_t {
#define PF_X(name) k##name = ERR_IMG_DEBLOCK_##name,
  PF_IMG_DEBLOCK_ERRORS(PF_X)
#undef PF_X
};

// Sizes that are not positive pass: the kernel then has nothing to do. Halves are computed as
// the kernel computes the chroma sizes.
uint32_t check_param(const tImgDeblockParam& p) {
  if (p.s32SrcWidth > 0 && p.s32SrcWidth % 8 != 0) return kPARAM_WIDTH;
  if (p.s32SrcHeight > 0 && p.s32SrcHeight % 8 != 0) return kPARAM_HEIGHT;
  if (p.s32DstHeight != p.s32SrcHeight || p.s32DstWidth != p.s32SrcWidth)
    return kPARAM_WIDTH_HEIGHT;
  if (p.s32SrcWidth > p.s32SrcYStride || p.s32SrcWidth / 2 > p.s32SrcUVStride)
    return kPARAM_SRC_STRIDE;
  if (p.s32DstWidth > p.s32DstYStride || p.s32DstWidth / 2 > p.s32DstUVStride)
    return kPARAM_DST_STRIDE;
  return PF_STATUS_OK;
}

void store(tImgDeblockInstance& inst, const tImgDeblockParam& p) {
  inst.tParam = p;
  inst.pfnKernel = load_kernel(ImgDeblockFrame);
}

struct Deblock {
  using Param = tImgDeblockParam;
  using Instance = tImgDeblockInstance;
  static constexpr FrameCodes kCodes{
      .out_pointer = kOPEN_HANDLE,
      .init_pointer = kOPEN_HANDLE,
      .handle_malloc = kOPEN_MALLOC,
      .fast_scratch = kMALLOC_FAST_SCRATCH,
      .dma = kGET_DMA_HANDLE,
      .close_pointer = kCLOSE_HANDLE,
      .close_mem_pointer = kCLOSE_HANDLE,
      .close_free = kCLOSE_FREE,
  };
  static constexpr const char* kSource = "../source/common/img_deblock";

  static uint32_t validate(const Param& p) { return check_param(p); }
  static void global_init() { ImgDeblockGlobalInit(); }
  static uint32_t select(Instance& inst, const Param& p) {
    store(inst, p);
    return PF_STATUS_OK;
  }
};

std::atomic<uint64_t> g_once{0};

constexpr ErrorTable kErrors{
    .names = pas8DeblockAnalyzeErrorCode,
    .count = ERR_IMG_DEBLOCK_END - ERR_IMG_DEBLOCK_BASE_,
    .first_code = kMOD_START,
    .accept_lo = kOPEN_HANDLE,
    .accept_hi = kGET_DMA_HANDLE,
    .null_buffer = kANALYZE_ERROR_CODE_HANDLE,
    .delegate = nullptr,
};

constexpr VersionSpec kVersion{
    .format = "Deblock Version: pelforge_v300.deblock.003, Compile time: %s %s.\n",
    .null_buffer = kGETVERSION_HANDLE,
    .null_length = kGETVERSION_POINTER,
    .short_buffer = kGETVERSION_LENGTH,
};

}  // namespace

std::span<const KernelRow<tImgDeblockKernel>> deblock_kernels() { return kKernels; }
void restore_deblock_scalar_defaults() { restore_scalar_defaults(kKernels); }

}  // namespace pf

extern "C" {

void ImgDeblockGlobalInit(void) {
  pf::dispatch_once(pf::g_once, ImgDeblockMMXFunctions, ImgDeblockSSE2Functions,
                    ImgDeblockSSSE3Functions, ImgDeblockSSE4Functions);
}

uint32_t ImgDeblockOpen_c(void** phHandle, const void* pParam, void* hMem) {
  return pf::open<pf::Deblock>(phHandle, pParam, hMem);
}

uint32_t ImgDeblockClose_c(void* hHandle) { return pf::close<pf::Deblock>(hHandle); }

uint32_t ImgDeblockSetParam_c(void* hHandle, const void* pParam) {
  if (hHandle == nullptr || pParam == nullptr) return pf::kSET_PARAM_HANDLE;
  const auto& p = *static_cast<const tImgDeblockParam*>(pParam);
  if (const uint32_t error = pf::check_param(p)) return error;
  pf::store(*static_cast<tImgDeblockInstance*>(hHandle), p);
  return PF_STATUS_OK;
}

uint32_t ImgDeblockGetStatus_c(void* hHandle, void* pStatus) {
  if (hHandle == nullptr || pStatus == nullptr) return pf::kGETSTATUS_HANDLE;
  *static_cast<tImgDeblockParam*>(pStatus) =
      static_cast<const tImgDeblockInstance*>(hHandle)->tParam;
  return PF_STATUS_OK;
}

uint32_t ImgDeblockProcess_c(void* hHandle, void* pInput, void* pOutput) {
  if (hHandle == nullptr || pInput == nullptr || pOutput == nullptr) return pf::kPROCESS_HANDLE;
  const auto& d = *static_cast<const tImgDeblockData*>(pInput);
  if (d.pu8SrcY == nullptr || d.pu8SrcU == nullptr || d.pu8SrcV == nullptr)
    return pf::kPROCESS_INPUT_POINTER;
  if (d.pu8DstY == nullptr || d.pu8DstU == nullptr || d.pu8DstV == nullptr)
    return pf::kPROCESS_OUTPUT_POINTER;
  const auto& inst = *static_cast<const tImgDeblockInstance*>(hHandle);
  const tImgDeblockParam& p = inst.tParam;
  inst.pfnKernel(d.pu8SrcY, d.pu8SrcU, d.pu8SrcV, d.pu8DstY, d.pu8DstU, d.pu8DstV, p.s32SrcWidth,
                 p.s32SrcHeight, p.s32SrcYStride, p.s32SrcUVStride, p.s32DstYStride,
                 p.s32DstUVStride, d.s32QP);
  return PF_STATUS_OK;
}

uint32_t ImgDeblockGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen) {
  return PF_WRITE_VERSION(pf::kVersion, ps8Buf, s32BufLen, pu32TextLen);
}

uint32_t ImgDeblockAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf) {
  return pf::analyze_error_code(pf::kErrors, u32Code, s32BufLen, ps8Buf);
}

uint32_t ImageDeblockDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImageDeblockGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a missing record.
  return pf::fixed_mem_size(pu32Size, 72, pf::kOPEN_HANDLE);
}

}  // extern "C"
