// SPDX-License-Identifier: BSD-2-Clause
// The vertical filter module: validation, frame or field kernel, the planes in place.
#include "img_filter.h"

#include <cstdint>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "spatial/spatial.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_FILTER_"
PF_ERROR_LIST(pas8ImageFilterSelfAnalyzeErrorCode, PF_IMG_FILTER_ERRORS, ERR_IMG_FILTER_BASE_)
#undef PF_ERROR_PREFIX

extern "C" {

#define PF_K(ptr, c, ...) tImageFilterKernel ptr = c;
#include "spatial/filter_kernels.def"
#undef PF_K

}  // extern "C"

namespace pf {
namespace {

constexpr KernelRow<tImageFilterKernel> kKernels[] = {
#define PF_K PF_SIMD_KERNEL_ROW
#include "spatial/filter_kernels.def"
#undef PF_K
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
  static constexpr FrameCodes kCodes =
      frame_codes(kErrorNames, {.fast_scratch = true, .dma = true});
  static constexpr ErrorTable kErrors = error_table(kErrorNames, {.end_named = false});
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames, "ImageFilter Version: pelforge_v300.ImageFilter.001, Compile time: %s %s.\n");
  static constexpr const char* kSource = "../source/common/img_filter.c";

  static uint32_t validate(const Param& p) { return check_param(p); }
  static void global_init() { ImageFilterGlobalInit(); }
  static void select(Instance& inst, const Param& p) { store(inst, p); }
};

}  // namespace

namespace spatial {
std::span<const KernelRow<tImageFilterKernel>> vertical_filter_kernels() { return kKernels; }
}  // namespace spatial

}  // namespace pf

PF_DISPATCH(ImageFilter, pf::kKernels)
PF_ENTRY_POINTS(ImageFilter, pf::FilterModule)

extern "C" {

uint32_t ImageFilterProcess_c(void* hHandle, void* pInput, void* pOutput) {
  if (pf::any_null(hHandle, pInput, pOutput)) return pf::kSELF_INPUT_POINTER;
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

uint32_t ImageFilterDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImageFilterGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a missing record.
  return pf::fixed_mem_size(pu32Size, 88, pf::kSELF_INIT_POINTER);
}

}  // extern "C"

PF_FUNCTION_TABLE(tImageFilterFunc, ImageFilter)
