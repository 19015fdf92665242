// SPDX-License-Identifier: BSD-2-Clause
// The banner module: validation, the rectangle in picture pixels, the colour, and the choice of
// rectangle kernel by storage and opacity.
#include "img_banner.h"

#include <algorithm>
#include <cstdint>
#include <span>

#include "banner/banner.hpp"
#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "layout.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_BANNER_"
PF_ERROR_LIST(pas8BannerAnalyzeErrorCode, PF_IMG_BANNER_ERRORS, ERR_IMG_BANNER_BASE_)
#undef PF_ERROR_PREFIX

extern "C" {

#define PF_K(ptr, c, ...) tBannerKernel ptr = c;
#include "banner/banner_kernels.def"
#undef PF_K

tImgDrawBanner ImgDrawBanner = ImgDrawBanner_c;

}  // extern "C"

namespace pf {
namespace {

constexpr KernelRow<tBannerKernel> kKernels[] = {
#define PF_K PF_SIMD_KERNEL_ROW
#include "banner/banner_kernels.def"
#undef PF_K
};

uint32_t check_param(const tBannerParam& p) {
  if (p.s32BgWidth < 1) return kBG_WIDTH;
  if (p.s32BgHeight < 1) return kBG_HEIGHT;
  switch (p.u32BgYuvType) {
    case PF_YUV_420:
    case PF_YUV_UYVY:
    case PF_YUV_NV12:
    case PF_YUV_YUYV:
      break;
    default:
      return kYUVTYPE;
  }
  if (p.u32ImageType < PF_IMAGE_FRAME || p.u32ImageType > PF_IMAGE_INTERLACED) return kIMAGETYPE;
  if (p.s32Width < 1 || p.s32Height < 1) return kFG_WIDTH_HEIGHT;
  if (p.s32RefHeight < 1) return kFG_REFHEIGHT;
  if (p.s32RefWidth < 1) return kFG_REFWIDTH;
  // Position is compared before scaling: a rectangle given in a larger reference size is refused
  // when its unscaled position lies outside the picture, although the scaled one would fit.
  if (p.s32Top < 0 || p.s32Top >= p.s32BgHeight) return kFG_TOP;
  if (p.s32Left < 0 || p.s32Left >= p.s32BgWidth) return kFG_LEFT;
  return PF_STATUS_OK;
}

tBannerKernel choose_kernel(const tBannerParam& p) {
  const bool field = p.u32ImageType == PF_IMAGE_FIELD;
  const bool opaque = p.u8Opacity == 255;
  switch (p.u32BgYuvType) {
    case PF_YUV_420:
      return load_kernel(
          field ? (opaque ? DrawRectangleField420 : DrawRectangleFieldTransparency420)
                : (opaque ? DrawRectangleFrame420 : DrawRectangleFrameTransparency420));
    case PF_YUV_NV12:
      return load_kernel(
          field ? (opaque ? DrawRectangleFieldNV12 : DrawRectangleFieldTransparencyNV12)
                : (opaque ? DrawRectangleFrameNV12 : DrawRectangleFrameTransparencyNV12));
    default:  // both packed orders
      return load_kernel(
          field ? (opaque ? DrawRectangleField422 : DrawRectangleFieldTransparency422)
                : (opaque ? DrawRectangleFrame422 : DrawRectangleFrameTransparency422));
  }
}

// The rectangle in picture pixels: shrunk by the integer ratio when the reference is larger,
// never enlarged; clipped at the right and bottom edges; every value rounded down to even so that
// chroma and packed pixel pairs are whole. Validation keeps top and left inside the picture.
void InitBannerParam(tBannerInstance& inst, const tBannerParam& p) {
  int32_t top = p.s32Top, height = p.s32Height, left = p.s32Left, width = p.s32Width;
  if (p.s32RefHeight > p.s32BgHeight) {
    const int32_t s = p.s32RefHeight / p.s32BgHeight;
    top /= s;
    height /= s;
  }
  if (p.s32RefWidth > p.s32BgWidth) {
    const int32_t s = p.s32RefWidth / p.s32BgWidth;
    left /= s;
    width /= s;
  }
  width = std::min(width, p.s32BgWidth - left);
  height = std::min(height, p.s32BgHeight - top);
  inst.s32Width = p.s32Width;
  inst.s32Height = p.s32Height;
  inst.s32Top = p.s32Top;
  inst.s32Left = p.s32Left;
  inst.s32DrawWidth = width & ~1;
  inst.s32DrawHeight = height & ~1;
  inst.s32DrawTop = top & ~1;
  inst.s32DrawLeft = left & ~1;
  inst.s32BgWidth = p.s32BgWidth;
  inst.s32BgHeight = p.s32BgHeight;
  inst.u32YuvType = p.u32BgYuvType;
  inst.u32ImageType = p.u32ImageType;
  inst.s32RefWidth = p.s32RefWidth;
  inst.s32RefHeight = p.s32RefHeight;
  inst.u8R = p.u8R;
  inst.u8G = p.u8G;
  inst.u8B = p.u8B;
  const banner::Yuv yuv = banner::rgb_to_yuv(p.u8R, p.u8G, p.u8B);
  inst.u8Y = yuv.y;
  inst.u8U = yuv.u;
  inst.u8V = yuv.v;
  inst.u8Opacity = p.u8Opacity;
  inst.pfnKernel = choose_kernel(p);
  inst.tParam = p;
}

struct Banner {
  using Param = tBannerParam;
  using Instance = tBannerInstance;
  static constexpr FrameCodes kCodes =
      frame_codes(kErrorNames, {.fast_scratch = true, .dma = true});
  static constexpr ErrorTable kErrors = error_table(kErrorNames);
  static constexpr VersionSpec kVersion =
      version_spec(kErrorNames, "Banner Version: pelforge_v300.Banner.006, Compile time: %s %s.\n");
  static constexpr const char* kSource = "../source/common/img_banner.c";

  static uint32_t validate(const Param& p) { return check_param(p); }
  static void global_init() { ImgBannerGlobalInit(); }
  static void select(Instance& inst, const Param& p) { InitBannerParam(inst, p); }
};

}  // namespace

std::span<const KernelRow<tBannerKernel>> banner_kernels() { return kKernels; }

}  // namespace pf

PF_DISPATCH(ImgBanner, pf::kKernels)
PF_ENTRY_POINTS(ImgBanner, pf::Banner)

extern "C" {

uint32_t ImgBannerProcessPrivate_c(void* hHandle, const tImgPicture* ptPicture, void* pContext) {
  if (pf::any_null(hHandle, ptPicture, pContext)) return pf::kPROCESS_PRIVATE_POINTER;
  const auto& inst = *static_cast<const tBannerInstance*>(hHandle);
  const tImgPicture& pic = *ptPicture;
  const auto width = static_cast<uint32_t>(inst.s32BgWidth);
  switch (inst.u32YuvType) {
    case PF_YUV_420:
      if (pic.pu8Y == nullptr || pic.pu8U == nullptr || pic.pu8V == nullptr ||
          width > pic.u32YPitch || width / 2 > pic.u32UVPitch) {
        return pf::kDATA_POINTER;
      }
      break;
    case PF_YUV_NV12:
      // NV12 chroma rows hold U and V pairs, a full width of bytes: a pitch of half the width
      // would run the last row past the plane.
      if (pic.pu8Y == nullptr || pic.pu8U == nullptr || width > pic.u32YPitch ||
          width > pic.u32UVPitch) {
        return pf::kDATA_POINTER;
      }
      break;
    default:
      if (pic.pu8Y == nullptr || width > pic.u32YPitch) return pf::kDATA_POINTER;
      break;
  }
  if (inst.u8Opacity == 0) return PF_STATUS_OK;
  inst.pfnKernel(&pic, &inst, inst.u8Opacity);
  return PF_STATUS_OK;
}

uint32_t ImgBannerProcess_c(void* hHandle, void* pBuffers, void* pContext) {
  if (pf::any_null(hHandle, pBuffers, pContext)) return pf::kPROCESS_POINTER;
  const auto& inst = *static_cast<const tBannerInstance*>(hHandle);
  uint8_t* buffer = static_cast<uint8_t* const*>(pBuffers)[0];
  if (buffer == nullptr) return pf::kDATA_POINTER;
  // One buffer holds the whole picture, its planes packed after one another.
  tImgPicture pic =
      pf::unpadded_picture(buffer, inst.u32YuvType, static_cast<uint32_t>(inst.s32BgWidth),
                           static_cast<uint32_t>(inst.s32BgHeight));
  return ImgBannerProcessPrivate_c(hHandle, &pic, pContext);
}

uint32_t ImgBannerDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImgBannerGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a missing record.
  return pf::fixed_mem_size(pu32Size, 112, pf::kOPEN_POINTER);
}

}  // extern "C"

PF_FUNCTION_TABLE(tBannerFuncs, ImgBanner)
