// SPDX-License-Identifier: BSD-2-Clause
// The vertical filter module: validation, frame or field kernel, the planes in place.
#include "img_filter.h"

#include <atomic>
#include <cstdint>
#include <iterator>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "spatial/spatial.hpp"

extern "C" const char* const pas8ImageFilterSelfAnalyzeErrorCode[] = {
#define PF_X(name) "ERR_IMG_FILTER_" #name,
    PF_IMG_FILTER_ERRORS(PF_X)
#undef PF_X
};
static_assert(std::size(pas8ImageFilterSelfAnalyzeErrorCode) ==
              ERR_IMG_FILTER_END - ERR_IMG_FILTER_BASE_);

#ifdef PF_NO_SIMD
#define PF_VARIANTS(...) PF_NONE, PF_NONE, PF_NONE, PF_NONE
#else
#define PF_VARIANTS(...) __VA_ARGS__
#endif
#define PF_APPLY(macro, args) macro args

extern "C" {

#define PF_K(ptr, c, mmx, sse2, ssse3, sse4) tImageFilterKernel ptr = c;
#include "spatial/filter_kernels.def"
#undef PF_K

void ImageFilterMMXFunctions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_MMX, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "spatial/filter_kernels.def"
#undef PF_K
}

void ImageFilterSSE2Functions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_SSE2, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "spatial/filter_kernels.def"
#undef PF_K
}

void ImageFilterSSSE3Functions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_SSSE3, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "spatial/filter_kernels.def"
#undef PF_K
}

void ImageFilterSSE4Functions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_SSE4, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "spatial/filter_kernels.def"
#undef PF_K
}

}  // extern "C"

namespace pf {
namespace {

constexpr KernelRow<tImageFilterKernel> kKernels[] = {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_ROW, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "spatial/filter_kernels.def"
#undef PF_K
};

enum : uint32_t {
#define PF_X(name) k##name = ERR_IMG_FILTER_##name,
  PF_IMG_FILTER_ERRORS(PF_X)
#undef PF_X
};

uint32_t check_param(const tImageFilterParam& p) {
  // Sixteen lines of the widest picture fit the fast scratch with room to spare.
  if (int64_t{38} * p.s32Width > 97280 || p.s32Width < 1 || p.s32Width > 12288 ||
      p.s32Width % 2 != 0) {
    return kSELF_IMGWIDTH_ILLEGAL;
  }
  if (p.s32Height < 1 || p.s32Height > 6144 || p.s32Height % 2 != 0) {
    return kSELF_IMGHEIGHT_ILLEGAL;
  }
  if (p.s32YStride < p.s32Width) return kSELF_YSTRIDE_ILLEGAL;
  if (p.s32UVStride != 0 && p.s32UVStride < p.s32Width / 2) return kSELF_UVSTRIDE_ILLEGAL;
  if (p.s32YuvType != static_cast<int32_t>(PF_YUV_420)) return kSELF_YUVTYPE_ILLEGAL;
  if (p.s32ImageType != static_cast<int32_t>(PF_IMAGE_FRAME) &&
      p.s32ImageType != static_cast<int32_t>(PF_IMAGE_FIELD)) {
    return kSELF_INTERLACE_ILLEGAL;
  }
  if (p.s32FilterType != PF_FILTER_TYPE_ALL && p.s32FilterType != PF_FILTER_TYPE_LUMA) {
    return kSELF_FILTERTYPE_ILLEGAL;
  }
  return PF_STATUS_OK;
}

void store(tImageFilterInstance& inst, const tImageFilterParam& p) {
  inst.tParam = p;
  inst.pfnFilter =
      load_kernel(p.s32ImageType == static_cast<int32_t>(PF_IMAGE_FIELD) ? ImageFilterVYUV420Field
                                                                         : ImageFilterVYUV420Frame);
}

struct FilterModule {
  using Param = tImageFilterParam;
  using Instance = tImageFilterInstance;
  static constexpr FrameCodes kCodes{
      .out_pointer = 0,
      .init_pointer = kSELF_INIT_POINTER,
      .handle_malloc = kSELF_HANDLE_MEM_MALLOC,
      .fast_scratch = kFAST_SCRATCH_MEM_MALLOC,
      .dma = kGET_DMA_HANDLE,
      .close_pointer = kSELF_CLOSE_POINTER,
      .close_mem_pointer = kSELF_CLOSE_MEM_POINTER,
  };
  static constexpr const char* kSource = "../source/common/img_filter.c";

  static uint32_t validate(const Param& p) { return check_param(p); }
  static void global_init() { ImageFilterGlobalInit(); }
  static uint32_t select(Instance& inst, const Param& p) {
    store(inst, p);
    return PF_STATUS_OK;
  }
};

std::atomic<uint64_t> g_once{0};

constexpr ErrorTable kErrors{
    .names = pas8ImageFilterSelfAnalyzeErrorCode,
    .count = ERR_IMG_FILTER_END - ERR_IMG_FILTER_BASE_,
    .first_code = kSELF_INIT_POINTER,
    .accept_lo = kSELF_INIT_POINTER,
    .accept_hi = kSELF_ANALYZE_ERROR_CODE_HANDLE,
    .null_buffer = kSELF_ANALYZE_ERROR_CODE_HANDLE,
    .delegate = nullptr,
};

constexpr VersionSpec kVersion{
    .format = "ImageFilter Version: pelforge_v300.ImageFilter.001, Compile time: %s %s.\n",
    .null_buffer = kSELF_GET_VERSION_POINTER,
    .null_length = kSELF_GET_VERSION_VERLEN_POINTER,
    .short_buffer = kSELF_VERSION_BUFLEN_TOO_SHORT,
};

}  // namespace

namespace spatial {
std::span<const KernelRow<tImageFilterKernel>> vertical_filter_kernels() { return kKernels; }
}  // namespace spatial

}  // namespace pf

extern "C" {

void ImageFilterGlobalInit(void) {
  pf::dispatch_once(pf::g_once, ImageFilterMMXFunctions, ImageFilterSSE2Functions,
                    ImageFilterSSSE3Functions, ImageFilterSSE4Functions);
}

uint32_t ImageFilterOpen_c(void** phHandle, const void* pParam, void* hMem) {
  return pf::open<pf::FilterModule>(phHandle, pParam, hMem);
}

uint32_t ImageFilterClose_c(void* hHandle) { return pf::close<pf::FilterModule>(hHandle); }

uint32_t ImageFilterProcess_c(void* hHandle, void* pInput, void* pOutput) {
  if (hHandle == nullptr || pInput == nullptr || pOutput == nullptr) {
    return pf::kSELF_INPUT_POINTER;
  }
  const auto& planes = *static_cast<const tImageFilterPlanes*>(pInput);
  if (planes.pu8Y == nullptr || planes.pu8U == nullptr || planes.pu8V == nullptr) {
    return pf::kSELF_INPUT_DATA_POINTER;
  }
  auto& inst = *static_cast<tImageFilterInstance*>(hHandle);
  const tImageFilterParam& p = inst.tParam;
  auto* ring = static_cast<uint8_t*>(inst.pvFastScratch);
  const tImageFilterGeometry luma{p.s32Width, p.s32Height, p.s32YStride};
  inst.pfnFilter(ring, &luma, planes.pu8Y);
  if (p.s32FilterType == PF_FILTER_TYPE_LUMA) return PF_STATUS_OK;
  const tImageFilterGeometry chroma{p.s32Width / 2, p.s32Height / 2,
                                    p.s32UVStride != 0 ? p.s32UVStride : p.s32Width / 2};
  inst.pfnFilter(ring, &chroma, planes.pu8U);
  inst.pfnFilter(ring, &chroma, planes.pu8V);
  return PF_STATUS_OK;
}

uint32_t ImageFilterSetParam_c(void* hHandle, const void* pParam) {
  if (hHandle == nullptr || pParam == nullptr) return pf::kSELF_SETPARAM_POINTER;
  const auto& p = *static_cast<const tImageFilterParam*>(pParam);
  if (const uint32_t error = pf::check_param(p)) return error;
  pf::store(*static_cast<tImageFilterInstance*>(hHandle), p);
  return PF_STATUS_OK;
}

uint32_t ImageFilterGetStatus_c(void* hHandle, void* pStatus) {
  if (hHandle == nullptr || pStatus == nullptr) return pf::kSELF_STATUS_POINTER;
  *static_cast<tImageFilterParam*>(pStatus) =
      static_cast<const tImageFilterInstance*>(hHandle)->tParam;
  return PF_STATUS_OK;
}

uint32_t ImageFilterGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen) {
  return PF_WRITE_VERSION(pf::kVersion, ps8Buf, s32BufLen, pu32TextLen);
}

uint32_t ImageFilterAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf) {
  return pf::analyze_error_code(pf::kErrors, u32Code, s32BufLen, ps8Buf);
}

uint32_t ImageFilterDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImageFilterGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a missing record.
  return pf::fixed_mem_size(pu32Size, 88, pf::kSELF_INIT_POINTER);
}

const tImgProcFuncList tImageFilterFunc = {
    ImageFilterOpen_c,
    ImageFilterProcess_c,
    ImageFilterClose_c,
    ImageFilterSetParam_c,
    ImageFilterGetVersion_c,
    ImageFilterGetStatus_c,
    ImageFilterAnalyzeErrorCode_c,
    ImageFilterDebug_c,
    ImageFilterGetMemSize_c,
};

}  // extern "C"
