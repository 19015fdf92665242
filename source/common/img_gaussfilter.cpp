// SPDX-License-Identifier: BSD-2-Clause
// The Gaussian filter module: validation, the intermediate picture, the three planes.
#include "img_gaussfilter.h"

#include <cstdint>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "layout.hpp"
#include "spatial/spatial.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_GAUSS_FILTER_"
PF_ERROR_LIST(pas8GaussFilterAnalyzeErrorCode, PF_IMG_GAUSS_FILTER_ERRORS,
              ERR_IMG_GAUSS_FILTER_BASE_)
#undef PF_ERROR_PREFIX

extern "C" {

#define PF_K(ptr, c, ...) tGaussFilterKernel ptr = c;
#include "spatial/gaussfilter_kernels.def"
#undef PF_K

}  // extern "C"

namespace pf {
namespace {

constexpr KernelRow<tGaussFilterKernel> kKernels[] = {
#define PF_K PF_SIMD_KERNEL_ROW
#include "spatial/gaussfilter_kernels.def"
#undef PF_K
};

// The intermediate picture holds the three planes of the source size.
int64_t mediate_bytes(const tImgGaussFilterParam& p) {
  return int64_t{p.s32SrcWidth} * p.s32SrcHeight * 3 / 2;
}

uint32_t check_param(const tImgGaussFilterParam& p) {
  if (p.s32DstWidth != p.s32SrcWidth || p.s32DstHeight != p.s32SrcHeight) {
    return kPARAM_WIDTH_HEIGHT;
  }
  if (!planes_usable(p.s32SrcWidth, p.s32SrcHeight, p.s32SrcYStride, p.s32SrcUVStride) ||
      p.s32SrcWidth > PF_GAUSS_FILTER_MAX_WIDTH || mediate_bytes(p) > UINT32_MAX) {
    return kPARAM_SRC;
  }
  if (!planes_usable(p.s32DstWidth, p.s32DstHeight, p.s32DstYStride, p.s32DstUVStride))
    return kPARAM_DST;
  if (p.s32Level < 0 || p.s32Level > 4) return kPARAM_RADIUS;
  return PF_STATUS_OK;
}

void store(tImgGaussFilterInstance& inst, const tImgGaussFilterParam& p) {
  inst.tParam = p;
  inst.pfnFilter = load_kernel(GaussDanymicFilter);
}

struct GaussFilterModule {
  using Param = tImgGaussFilterParam;
  using Instance = tImgGaussFilterInstance;
  static constexpr FrameCodes kCodes =
      frame_codes(kErrorNames, {.fast_scratch = true, .dma = true});
  // Unlike the other filters' start markers, this one is named.
  static constexpr ErrorTable kErrors = error_table(kErrorNames);
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames, "GaussFilter Version: pelforge_v300.gaussfilter.001, Compile time: %s %s.\n");
  static constexpr const char* kSource = "../source/common/img_gaussfilter.c";
  static constexpr bool kSelectFirst = true;   // the intermediate picture has the source size
  static constexpr bool kBuffersFirst = true;  // taken before the scratch and the DMA handle

  static uint32_t validate(const Param& p) { return check_param(p); }
  static void global_init() { ImgGaussFilterGlobalInit(); }
  static void select(Instance& inst, const Param& p) { store(inst, p); }
  static uint32_t acquire(Instance& inst) {
    inst.u32MediateBytes = static_cast<uint32_t>(mediate_bytes(inst.tParam));
    inst.pu8Mediate = static_cast<uint8_t*>(
        vmem_malloc(inst.hMem, inst.u32MediateBytes, kInstanceAlign, kSource, __LINE__));
    return inst.pu8Mediate == nullptr ? kOPEN_MALLOC_MEDIATE_BUF : PF_STATUS_OK;
  }
  static void release(Instance& inst) {
    if (inst.pu8Mediate != nullptr) vmem_free(inst.hMem, inst.pu8Mediate, kSource, __LINE__);
    inst.pu8Mediate = nullptr;
  }
};

}  // namespace

namespace spatial {
std::span<const KernelRow<tGaussFilterKernel>> gauss_filter_kernels() { return kKernels; }
}  // namespace spatial

}  // namespace pf

PF_DISPATCH(ImgGaussFilter, pf::kKernels)
PF_OPEN_CLOSE(ImgGaussFilter, pf::GaussFilterModule)
PF_GET_STATUS(ImgGaussFilter, pf::GaussFilterModule)
PF_NAMES_AND_VERSION(ImgGaussFilter, pf::GaussFilterModule)

extern "C" {

uint32_t ImgGaussFilterProcess_c(void* hHandle, void* pInput, void* pOutput) {
  if (pf::any_null(hHandle, pInput, pOutput)) return pf::kPROCESS_HANDLE;
  const auto& pic = *static_cast<const tImgGaussFilterPicture*>(pInput);
  if (pic.pu8SrcY == nullptr || pic.pu8SrcU == nullptr || pic.pu8SrcV == nullptr) {
    return pf::kPROCESS_INPUT_POINTER;
  }
  if (pic.pu8DstY == nullptr || pic.pu8DstU == nullptr || pic.pu8DstV == nullptr) {
    return pf::kPROCESS_OUTPUT_POINTER;
  }
  auto& inst = *static_cast<tImgGaussFilterInstance*>(hHandle);
  const tImgGaussFilterParam& p = inst.tParam;
  const int32_t w = p.s32SrcWidth, h = p.s32SrcHeight;
  inst.pfnFilter(&inst, pic.pu8SrcY, pic.pu8DstY, w, h, p.s32SrcYStride, p.s32DstYStride,
                 p.s32Level, p.u8Limit);
  inst.pfnFilter(&inst, pic.pu8SrcU, pic.pu8DstU, w / 2, h / 2, p.s32SrcUVStride, p.s32DstUVStride,
                 p.s32Level, p.u8Limit);
  inst.pfnFilter(&inst, pic.pu8SrcV, pic.pu8DstV, w / 2, h / 2, p.s32SrcUVStride, p.s32DstUVStride,
                 p.s32Level, p.u8Limit);
  return PF_STATUS_OK;
}

uint32_t ImgGaussFilterSetParam_c(void* hHandle, const void* pParam) {
  if (hHandle == nullptr || pParam == nullptr) return pf::kSETPARAM_HANDLE;
  const auto& p = *static_cast<const tImgGaussFilterParam*>(pParam);
  if (const uint32_t error = pf::check_param(p)) return error;
  auto& inst = *static_cast<tImgGaussFilterInstance*>(hHandle);
  // The intermediate picture was sized at Open.
  if (pf::mediate_bytes(p) > inst.u32MediateBytes) return pf::kPARAM_SRC;
  pf::store(inst, p);
  return PF_STATUS_OK;
}

uint32_t ImageGaussFilterDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImageGaussFilterGetMemSize_c(const void* pParam, uint32_t* pu32Size) {
  if (pf::any_null(pParam, pu32Size)) return pf::kGETMEMSIZE_PARAM_POINTER;
  const auto& p = *static_cast<const tImgGaussFilterParam*>(pParam);
  if (const uint32_t error = pf::check_param(p)) return error;
  const int64_t size = int64_t{sizeof(tImgGaussFilterInstance)} + pf::mediate_bytes(p);
  if (size > UINT32_MAX) return pf::kPARAM_SRC;
  *pu32Size = static_cast<uint32_t>(size);
  return PF_STATUS_OK;
}

}  // extern "C"
