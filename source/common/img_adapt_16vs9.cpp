// SPDX-License-Identifier: BSD-2-Clause
// The 16:9 adaptation module: parameter checks, kernel choice by YUV type and standard, the
// picture's plane pointers.
#include "img_adapt_16vs9.h"

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_ADAPT_16VS9_"
PF_ERROR_LIST(pas8ImageAdapt16vs9AnalyzeErrorCode, PF_IMAGE_ADAPT_16VS9_ERRORS,
              ERR_IMG_ADAPT_16VS9_BASE_)
#undef PF_ERROR_PREFIX

namespace pf {
namespace {

struct Adapt16vs9Instance {
  void* hMem;
  void* pvFastScratch;  // taken for the host's accounting; the kernels need no scratch
  void* hDma;
  tAdapt16vs9Kernel pfnKernel;
  tImageAdapt16vs9Param tParam;
};

uint32_t check(const tImageAdapt16vs9Param& p) {
  if (p.s32Width != static_cast<int32_t>(PF_ADAPT_16VS9_WIDTH)) return kSELF_WIDTH_ILLEGAL;
  if (p.s32Height != 576 && p.s32Height != 480) return kSELF_HEIGHT_ILLEGAL;
  if (p.u32YuvType != PF_YUV_420 && p.u32YuvType != PF_YUV_UYVY) return kSELF_YUVTYPE_ILLEGAL;
  if (p.u32ImageType != PF_IMAGE_FRAME && p.u32ImageType != PF_IMAGE_FIELD) {
    return kSELF_IMAGETYPE_ILLEGAL;
  }
  if (p.u32YuvType == PF_YUV_UYVY && p.u32ImageType == PF_IMAGE_FIELD) {
    return kSELF_YUV422_MISMATCH_FRAMEFORMAT;
  }
  if (p.u32YuvType == PF_YUV_420 && p.u32ImageType == PF_IMAGE_FRAME) {
    return kSELF_YUV420_MISMATCH_FIELDFORMAT;
  }
  if (p.u32TvFormat != PF_ADAPT_16VS9_PAL && p.u32TvFormat != PF_ADAPT_16VS9_NTSC) {
    return kSELF_TVFORMAT_ILLEGAL;
  }
  // The standard sets how many lines the kernel adapts. NTSC's 480 lie inside a 576-line
  // picture, but PAL's 576 would run past a 480-line one: that pairing is refused.
  if (p.u32TvFormat == PF_ADAPT_16VS9_PAL && p.s32Height < 576) return kSELF_TVFORMAT_ILLEGAL;
  return PF_STATUS_OK;
}

void store(Adapt16vs9Instance& inst, const tImageAdapt16vs9Param& p) {
  inst.tParam = p;
  const bool pal = p.u32TvFormat == PF_ADAPT_16VS9_PAL;
  if (p.u32YuvType == PF_YUV_UYVY) {
    inst.pfnKernel = pal ? VEK_PALImageYUV422Adaptto16vs9_c : VEK_NTSCImageYUV422Adaptto16vs9_c;
  } else {
    inst.pfnKernel = pal ? VEK_PALImageYUV420Adaptto16vs9_c : VEK_NTSCImageYUV420Adaptto16vs9_c;
  }
}

struct Adapt16vs9 {
  using Param = tImageAdapt16vs9Param;
  using Instance = Adapt16vs9Instance;
  static constexpr FrameCodes kCodes =
      frame_codes(kErrorNames, {.fast_scratch = true, .dma = true});
  // The end marker is in the table but not in the accepted range: it is never named.
  static constexpr ErrorTable kErrors = error_table(kErrorNames, {.end_named = false});
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames,
      "ImageAdapt16vs9 Version: pelforge_v300.Adapt.16vs9.001, Compile time: %s %s.\n");
  static constexpr const char* kSource = "../source/common/img_adapt_16vs9.c";

  static uint32_t validate(const Param& p) { return check(p); }
  static void global_init() { ImageAdapt16vs9GlobalInit(); }
  static void select(Instance& inst, const Param& p) { store(inst, p); }
};

}  // namespace
}  // namespace pf

// The adaptation kernels have no SIMD variants: the selectors install nothing.
PF_DISPATCH(ImageAdapt16vs9)
PF_ENTRY_POINTS(ImageAdapt16vs9, pf::Adapt16vs9)

extern "C" {

uint32_t ImageAdapt16vs9Process_c(void* hHandle, void* pPlanes, void* pContext) {
  if (pf::any_null(hHandle, pPlanes, pContext)) return pf::kSELF_INPUT_POINTER;
  uint8_t* const y = static_cast<uint8_t* const*>(pPlanes)[0];
  if (y == nullptr) return pf::kSELF_INPUT_DATA_POINTER;
  const auto& inst = *static_cast<const pf::Adapt16vs9Instance*>(hHandle);
  // One buffer: the chroma planes follow the luma plane of the whole picture, whatever number
  // of lines the standard adapts.
  const size_t area =
      static_cast<size_t>(inst.tParam.s32Width) * static_cast<size_t>(inst.tParam.s32Height);
  uint8_t* const u = y + area;
  inst.pfnKernel(y, u, u + area / 4);
  return PF_STATUS_OK;
}

uint32_t ImageAdapt16vs9Debug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImageAdapt16vs9GetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a missing record.
  return pf::fixed_mem_size(pu32Size, PF_ADAPT_16VS9_MEM_SIZE, pf::kSELF_INIT_POINTER);
}

}  // extern "C"

PF_FUNCTION_TABLE(tImageAdapt16vs9Func, ImageAdapt16vs9)
