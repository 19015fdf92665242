// SPDX-License-Identifier: BSD-2-Clause
// The cross filter module: validation and the three planes through the chosen kernel.
#include "img_crossfilter.h"

#include <cstdint>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "layout.hpp"
#include "spatial/spatial.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_CROSS_FILTER_"
PF_ERROR_LIST(pas8CrossFilterAnalyzeErrorCode, PF_IMG_CROSS_FILTER_ERRORS,
              ERR_IMG_CROSS_FILTER_BASE_)
#undef PF_ERROR_PREFIX

extern "C" {

#define PF_K(ptr, c, ...) tCrossFilterKernel ptr = c;
#include "spatial/crossfilter_kernels.def"
#undef PF_K

}  // extern "C"

namespace pf {
namespace {

constexpr KernelRow<tCrossFilterKernel> kKernels[] = {
#define PF_K PF_SIMD_KERNEL_ROW
#include "spatial/crossfilter_kernels.def"
#undef PF_K
};

uint32_t check_param(const tImgCrossFilterParam& p) {
  if (p.s32DstWidth != p.s32SrcWidth || p.s32DstHeight != p.s32SrcHeight) {
    return kPARAM_WIDTH_HEIGHT;
  }
  if (!planes_usable(p.s32SrcWidth, p.s32SrcHeight, p.s32SrcYStride, p.s32SrcUVStride))
    return kPARAM_SRC;
  if (!planes_usable(p.s32DstWidth, p.s32DstHeight, p.s32DstYStride, p.s32DstUVStride))
    return kPARAM_DST;
  return PF_STATUS_OK;
}

void store(tImgCrossFilterInstance& inst, const tImgCrossFilterParam& p) {
  inst.tParam = p;
  inst.pfnFilter = load_kernel(CrossFilter);
}

struct CrossFilterModule {
  using Param = tImgCrossFilterParam;
  using Instance = tImgCrossFilterInstance;
  static constexpr FrameCodes kCodes =
      frame_codes(kErrorNames, {.fast_scratch = true, .dma = true});
  // Neither the start marker nor the end marker is named.
  static constexpr ErrorTable kErrors =
      error_table(kErrorNames, {.start_named = false, .end_named = false});
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames, "CrossFilter Version: pelforge_v300.crossfilter.001, Compile time: %s %s.\n");
  static constexpr const char* kSource = "../source/common/img_crossfilter.c";

  static uint32_t validate(const Param& p) { return check_param(p); }
  static void global_init() { ImgCrossFilterGlobalInit(); }
  static void select(Instance& inst, const Param& p) { store(inst, p); }
};

}  // namespace

namespace spatial {
std::span<const KernelRow<tCrossFilterKernel>> cross_filter_kernels() { return kKernels; }
}  // namespace spatial

}  // namespace pf

PF_DISPATCH(ImgCrossFilter, pf::kKernels)
PF_ENTRY_POINTS(ImgCrossFilter, pf::CrossFilterModule)

extern "C" {

uint32_t ImgCrossFilterProcess_c(void* hHandle, void* pInput, void* pOutput) {
  if (pf::any_null(hHandle, pInput, pOutput)) return pf::kPROCESS_HANDLE;
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

uint32_t ImageCrossFilterDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImageCrossFilterGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a missing record.
  return pf::fixed_mem_size(pu32Size, 72, pf::kOPEN_HANDLE);
}

}  // extern "C"
