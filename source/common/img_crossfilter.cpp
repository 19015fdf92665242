// SPDX-License-Identifier: BSD-2-Clause
// The cross filter module: validation and the three planes through the chosen kernel.
#include "img_crossfilter.h"

#include <atomic>
#include <cstdint>
#include <iterator>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "spatial/spatial.hpp"

extern "C" const char* const pas8CrossFilterAnalyzeErrorCode[] = {
#define PF_X(name) "ERR_IMG_CROSS_FILTER_" #name,
    PF_IMG_CROSS_FILTER_ERRORS(PF_X)
#undef PF_X
};
static_assert(std::size(pas8CrossFilterAnalyzeErrorCode) ==
              ERR_IMG_CROSS_FILTER_END - ERR_IMG_CROSS_FILTER_BASE_);

#ifdef PF_NO_SIMD
#define PF_VARIANTS(...) PF_NONE, PF_NONE, PF_NONE, PF_NONE
#else
#define PF_VARIANTS(...) __VA_ARGS__
#endif
#define PF_APPLY(macro, args) macro args

extern "C" {

#define PF_K(ptr, c, mmx, sse2, ssse3, sse4) tCrossFilterKernel ptr = c;
#include "spatial/crossfilter_kernels.def"
#undef PF_K

void ImgCrossFilterMMXFunctions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_MMX, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "spatial/crossfilter_kernels.def"
#undef PF_K
}

void ImgCrossFilterSSE2Functions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_SSE2, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "spatial/crossfilter_kernels.def"
#undef PF_K
}

void ImgCrossFilterSSSE3Functions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_SSSE3, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "spatial/crossfilter_kernels.def"
#undef PF_K
}

void ImgCrossFilterSSE4Functions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_SSE4, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "spatial/crossfilter_kernels.def"
#undef PF_K
}

}  // extern "C"

namespace pf {
namespace {

constexpr KernelRow<tCrossFilterKernel> kKernels[] = {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_ROW, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "spatial/crossfilter_kernels.def"
#undef PF_K
};

enum : uint32_t {
#define PF_X(name) k##name = ERR_IMG_CROSS_FILTER_##name,
  PF_IMG_CROSS_FILTER_ERRORS(PF_X)
#undef PF_X
};

// A picture's four values are usable when each is at least 1 and each stride holds its plane's
// line; a shorter stride would make lines overlap.
bool usable(int32_t width, int32_t height, int32_t y_stride, int32_t uv_stride) {
  return width >= 1 && height >= 1 && y_stride >= width && uv_stride >= 1 &&
         uv_stride >= (width >> 1);
}

uint32_t check_param(const tImgCrossFilterParam& p) {
  if (p.s32DstWidth != p.s32SrcWidth || p.s32DstHeight != p.s32SrcHeight) {
    return kPARAM_WIDTH_HEIGHT;
  }
  if (!usable(p.s32SrcWidth, p.s32SrcHeight, p.s32SrcYStride, p.s32SrcUVStride)) return kPARAM_SRC;
  if (!usable(p.s32DstWidth, p.s32DstHeight, p.s32DstYStride, p.s32DstUVStride)) return kPARAM_DST;
  return PF_STATUS_OK;
}

void store(tImgCrossFilterInstance& inst, const tImgCrossFilterParam& p) {
  inst.tParam = p;
  inst.pfnFilter = load_kernel(CrossFilter);
}

struct CrossFilterModule {
  using Param = tImgCrossFilterParam;
  using Instance = tImgCrossFilterInstance;
  static constexpr FrameCodes kCodes{
      .out_pointer = 0,
      .init_pointer = kOPEN_HANDLE,
      .handle_malloc = kOPEN_MALLOC,
      .fast_scratch = kMALLOC_FAST_SCRATCH,
      .dma = kGET_DMA_HANDLE,
      .close_pointer = kCLOSE_HANDLE,
      .close_mem_pointer = kCLOSE_HANDLE,
      .close_free = kCLOSE_FREE,
  };
  static constexpr const char* kSource = "../source/common/img_crossfilter.c";

  static uint32_t validate(const Param& p) { return check_param(p); }
  static void global_init() { ImgCrossFilterGlobalInit(); }
  static uint32_t select(Instance& inst, const Param& p) {
    store(inst, p);
    return PF_STATUS_OK;
  }
};

std::atomic<uint64_t> g_once{0};

constexpr ErrorTable kErrors{
    .names = pas8CrossFilterAnalyzeErrorCode,
    .count = ERR_IMG_CROSS_FILTER_END - ERR_IMG_CROSS_FILTER_BASE_,
    .first_code = kSTART,
    .accept_lo = kOPEN_HANDLE,
    .accept_hi = kGET_DMA_HANDLE,
    .null_buffer = kANALYZE_ERROR_CODE_HANDLE,
    .delegate = nullptr,
};

constexpr VersionSpec kVersion{
    .format = "CrossFilter Version: pelforge_v300.crossfilter.001, Compile time: %s %s.\n",
    .null_buffer = kGETVERSION_HANDLE,
    .null_length = kGETVERSION_POINTER,
    .short_buffer = kGETVERSION_LENGTH,
};

}  // namespace

namespace spatial {
std::span<const KernelRow<tCrossFilterKernel>> cross_filter_kernels() { return kKernels; }
}  // namespace spatial

}  // namespace pf

extern "C" {

void ImgCrossFilterGlobalInit(void) {
  pf::dispatch_once(pf::g_once, ImgCrossFilterMMXFunctions, ImgCrossFilterSSE2Functions,
                    ImgCrossFilterSSSE3Functions, ImgCrossFilterSSE4Functions);
}

uint32_t ImgCrossFilterOpen_c(void** phHandle, const void* pParam, void* hMem) {
  return pf::open<pf::CrossFilterModule>(phHandle, pParam, hMem);
}

uint32_t ImgCrossFilterClose_c(void* hHandle) { return pf::close<pf::CrossFilterModule>(hHandle); }

uint32_t ImgCrossFilterProcess_c(void* hHandle, void* pInput, void* pOutput) {
  if (hHandle == nullptr || pInput == nullptr || pOutput == nullptr) return pf::kPROCESS_HANDLE;
  const auto& pic = *static_cast<const tImgCrossFilterPicture*>(pInput);
  if (pic.pu8SrcY == nullptr || pic.pu8SrcU == nullptr || pic.pu8SrcV == nullptr) {
    return pf::kPROCESS_INPUT_POINTER;
  }
  if (pic.pu8DstY == nullptr || pic.pu8DstU == nullptr || pic.pu8DstV == nullptr) {
    return pf::kPROCESS_OUTPUT_POINTER;
  }
  auto& inst = *static_cast<tImgCrossFilterInstance*>(hHandle);
  const tImgCrossFilterParam& p = inst.tParam;
  const int32_t w = p.s32SrcWidth, h = p.s32SrcHeight;
  inst.pfnFilter(inst.pvFastScratch, pic.pu8SrcY, pic.pu8DstY, h, w, p.s32SrcYStride,
                 p.s32DstYStride);
  inst.pfnFilter(inst.pvFastScratch, pic.pu8SrcU, pic.pu8DstU, h / 2, w / 2, p.s32SrcUVStride,
                 p.s32DstUVStride);
  inst.pfnFilter(inst.pvFastScratch, pic.pu8SrcV, pic.pu8DstV, h / 2, w / 2, p.s32SrcUVStride,
                 p.s32DstUVStride);
  return PF_STATUS_OK;
}

uint32_t ImgCrossFilterSetParam_c(void* hHandle, const void* pParam) {
  if (hHandle == nullptr || pParam == nullptr) return pf::kSETPARAM_HANDLE;
  const auto& p = *static_cast<const tImgCrossFilterParam*>(pParam);
  if (const uint32_t error = pf::check_param(p)) return error;
  pf::store(*static_cast<tImgCrossFilterInstance*>(hHandle), p);
  return PF_STATUS_OK;
}

uint32_t ImgCrossFilterGetStatus_c(void* hHandle, void* pStatus) {
  if (hHandle == nullptr || pStatus == nullptr) return pf::kGETSTATUS_HANDLE;
  *static_cast<tImgCrossFilterParam*>(pStatus) =
      static_cast<const tImgCrossFilterInstance*>(hHandle)->tParam;
  return PF_STATUS_OK;
}

uint32_t ImgCrossFilterGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen) {
  return PF_WRITE_VERSION(pf::kVersion, ps8Buf, s32BufLen, pu32TextLen);
}

uint32_t ImgCrossFilterAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf) {
  return pf::analyze_error_code(pf::kErrors, u32Code, s32BufLen, ps8Buf);
}

uint32_t ImageCrossFilterDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImageCrossFilterGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a missing record.
  return pf::fixed_mem_size(pu32Size, 72, pf::kOPEN_HANDLE);
}

}  // extern "C"
