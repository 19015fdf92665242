// SPDX-License-Identifier: BSD-2-Clause
// The renovation module: validation, the colour, and the choice of pattern kernel.
#include "img_renovation.h"

#include <cstdint>

#include "banner/banner.hpp"
#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_RENOVATION_"
PF_ERROR_LIST(pas8RenovationAnalyzeErrorCode, PF_IMG_RENOVATION_ERRORS, ERR_IMG_RENOVATION_BASE_)
#undef PF_ERROR_PREFIX

// The module's kernel manifest: no SIMD variants, so the selectors are empty.
#define PF_RENOVATION_KERNELS(PF_K)                                                          \
  PF_K(RenovationGlobosity, RenovationGlobosity_c, PF_NONE, PF_NONE, PF_NONE, PF_NONE)       \
  PF_K(RenovationRainbow420, RenovationRainbow420_c, PF_NONE, PF_NONE, PF_NONE, PF_NONE)     \
  PF_K(RenovationRainbow422, RenovationRainbow422_c, PF_NONE, PF_NONE, PF_NONE, PF_NONE)     \
  PF_K(RenovationPureColor420, RenovationPureColor420_c, PF_NONE, PF_NONE, PF_NONE, PF_NONE) \
  PF_K(RenovationPureColor422, RenovationPureColor422_c, PF_NONE, PF_NONE, PF_NONE, PF_NONE)

extern "C" {

#define PF_DEFINE_POINTER(ptr, c, mmx, sse2, ssse3, sse4) tRenovationKernel ptr = c;
PF_RENOVATION_KERNELS(PF_DEFINE_POINTER)
#undef PF_DEFINE_POINTER

}  // extern "C"

namespace pf {
namespace {

constexpr KernelRow<tRenovationKernel> kKernels[] = {PF_RENOVATION_KERNELS(PF_KERNEL_ROW)};

bool valid_size(int32_t size) {
  return size >= 1 && size <= PF_RENOVATION_MAX_SIZE && size % 2 == 0;
}

uint32_t check_param(const tRenovationParam& p) {
  if (!valid_size(p.s32Width)) return kWIDTH;
  if (!valid_size(p.s32Height)) return kHEIGHT;
  if (p.u32PatternType < PF_RENOVATION_TESTCARD || p.u32PatternType > PF_RENOVATION_BARS2) {
    return kPATTERNTYPE;
  }
  if (p.u32YuvType != PF_YUV_420 && p.u32YuvType != PF_YUV_UYVY) return kSRCTYPE;
  if (p.u32Interlace != 1 && p.u32Interlace != 2) return kINTERLACE;
  if (p.u32R > 255 || p.u32G > 255 || p.u32B > 255) return kRGBVALUE;
  return PF_STATUS_OK;
}

// The pattern's own demands, checked once the instance exists (Open) or before anything changes
// (SetParam); then the kernel and the colour.
uint32_t select_pattern(tRenovationInstance& inst, const tRenovationParam& p) {
  const bool planar = p.u32YuvType == PF_YUV_420;
  tRenovationKernel kernel = nullptr;
  switch (p.u32PatternType) {
    case PF_RENOVATION_TESTCARD:
      if (p.s32Width != 720 || p.s32Height != 576 || !planar) return kWIDTH_HEIGHT_GLOBOSITY;
      kernel = load_kernel(RenovationGlobosity);
      break;
    case PF_RENOVATION_BARS:
    case PF_RENOVATION_BARS2:
      if (p.s32Width % 16 != 0) return kWIDTH;
      kernel = load_kernel(planar ? RenovationRainbow420 : RenovationRainbow422);
      break;
    default:
      kernel = load_kernel(planar ? RenovationPureColor420 : RenovationPureColor422);
      break;
  }
  const banner::Yuv c = banner::rgb_to_yuv(
      static_cast<uint8_t>(p.u32R), static_cast<uint8_t>(p.u32G), static_cast<uint8_t>(p.u32B));
  inst.tParam = p;
  inst.u8Y = c.y;
  inst.u8U = c.u;
  inst.u8V = c.v;
  inst.pfnKernel = kernel;
  return PF_STATUS_OK;
}

struct Renovation {
  using Param = tRenovationParam;
  using Instance = tRenovationInstance;
  static constexpr FrameCodes kCodes =
      frame_codes(kErrorNames, {.fast_scratch = true, .dma = true});
  static constexpr ErrorTable kErrors = error_table(kErrorNames);
  static constexpr VersionSpec kVersion =
      version_spec(kErrorNames, "Version: pelforge_v300.imgrenovation.002, Compile time: %s %s.\n");
  static constexpr const char* kSource = "../source/common/img_renovation.c";
  static constexpr bool kSelectFirst = true;

  static uint32_t validate(const Param& p) { return check_param(p); }
  static void global_init() { ImgRenovationGlobalInit(); }
  static uint32_t select(Instance& inst, const Param& p) { return select_pattern(inst, p); }
};

}  // namespace
}  // namespace pf

PF_DISPATCH(ImgRenovation, pf::kKernels)
PF_ENTRY_POINTS(ImgRenovation, pf::Renovation)

extern "C" {

uint32_t ImgRenovationProcess_c(void* hHandle, void* pPicture, void* pContext) {
  if (hHandle == nullptr) return pf::kPROCESS_INPUT_HANDLE;
  if (pPicture == nullptr) return pf::kPROCESS_INPUT_PARAM;
  if (pContext == nullptr) return pf::kPROCESS_OUTPUT_PARAM;
  const auto& inst = *static_cast<const tRenovationInstance*>(hHandle);
  tImgPicture pic = *static_cast<const tImgPicture*>(pPicture);
  if (pic.pu8Y == nullptr) return pf::kPROCESS_INPUT_BUFF;
  const auto width = static_cast<uint32_t>(inst.tParam.s32Width);
  const auto height = static_cast<uint32_t>(inst.tParam.s32Height);
  if (pic.u32YPitch < width) return pf::kPROCESS_SRC_STRIDE;
  if (inst.tParam.u32YuvType == PF_YUV_420) {
    if (pic.pu8U == nullptr || pic.pu8V == nullptr) {
      // The chroma planes follow the luma plane in one buffer.
      pic.pu8U = pic.pu8Y + size_t{pic.u32YPitch} * height;
      pic.pu8V = pic.pu8U + size_t{pic.u32YPitch} * height / 4;
      pic.u32UVPitch = pic.u32YPitch / 2;
    } else if (pic.u32UVPitch < width / 2) {
      return pf::kPROCESS_DST_STRIDE;
    }
  }
  inst.pfnKernel(&pic, &inst, pContext);
  return PF_STATUS_OK;
}

uint32_t ImgRenovationDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImgRenovationGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a missing record.
  return pf::fixed_mem_size(pu32Size, 104, pf::kOPEN_INPUT_PARAM);
}

}  // extern "C"

PF_FUNCTION_TABLE(TImgRenovationFuncs, ImgRenovation)
