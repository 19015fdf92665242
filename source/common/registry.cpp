// SPDX-License-Identifier: BSD-2-Clause
// The module registry: descriptors, the descriptor pointers hosts read from section ".IMG$B",
// and the lookup by id. GCC compiles this file with -fno-toplevel-reorder so that the pointers
// are emitted in the order they are defined.
#include "registry.hpp"

#include <cstddef>
#include <cstdint>

#include "img_adapt_16vs9.h"
#include "img_addimage.h"
#include "img_apt_zoom.h"
#include "img_banner.h"
#include "img_bannerlogo.h"
#include "img_bmptoyuv_alpha.h"
#include "img_deinterlace.h"
#include "img_filter.h"
#include "img_filterosd.h"
#include "img_generateimage.h"
#include "img_logo.h"
#include "img_merge.h"
#include "img_merge_zoom.h"
#include "img_mosaic.h"
#include "img_motionsurveil.h"
#include "img_multidec.h"
#include "img_multidec_new.h"
#include "img_multienc.h"
#include "img_pnchange.h"
#include "img_renovation.h"
#include "img_resizer.h"
#include "img_rgbtoyuv.h"
#include "img_sharp.h"
#include "img_temporalfilter.h"
#include "img_yuv420torgb.h"
#include "img_yuv420toyuv422.h"
#include "img_yuv422toyuv420.h"
#include "img_yuv422toyuv420_d1split.h"
#include "img_zoom.h"
#include "img_zoom_uyvy.h"
#include "pelforge.h"
#include "rgb_resizer.h"

// X(short name, module id, descriptor name, function table), in the order of the descriptor
// pointers in the section.
// clang-format off
#define PF_MODULES(X) \
  X(Adapt16vs9, 16, "IMG_ADAPT_16vs9", tImageAdapt16vs9Func) \
  X(AddImage, 14, "IMG_ADD_IMAGE", tImageAddImageFunc) \
  X(AptZoom, 20, "IMG_APT_ZOOM_MOD", tImageAptZoomFunc) \
  X(Banner, 9, "IMG_BANNER", tBannerFuncs) \
  X(BannerLogo, 10, "IMG_BANNER_LOGO", tBannerLogoFuncs) \
  X(BMPtoYUV, 7, "IMG_BMPTOYUVALPHA", tImageBMPToYUVAlphaFunc) \
  X(Deinterlace, 32, "IMG_DEINTERLACE", tImgDeinterlaceFunc) \
  X(FilterOSD, 18, "IMG_FILTER_OSD", tFilterOSDFunc) \
  X(GenerateImage, 11, "IMG_GENERATE_IMAGE", tImgGenerateImageFunc) \
  X(Logo, 8, "IMG_LOGO", tLogoFuncs) \
  X(Merge, 6, "IMG_MERGE", tImageMergeFunc) \
  X(MergeZoom, 21, "IMG_MERGE_ZOOM", tImageMergeZoomFunc) \
  X(Mosaic, 12, "IMG_MOSAIC", tImageMosaicFunc) \
  X(MotionSurveil, 38, "IMG_MOTION_DETECT", tImageMotionSurveilFunc) \
  X(MultiDec, 19, "IMG_MULTI_DEC", tImageMultiDecFunc) \
  X(MultiDecNew, 22, "IMG_MULTI_DEC_NEW", tImageMultiDecNewFunc) \
  X(MultiEnc, 25, "IMG_MULTI_ENC", tImageMultiEncFunc) \
  X(PNChange, 13, "IMG_PN_CHANGE", tImagePNChangeFunc) \
  X(Resizer, 24, "IMG_RESIZER", tImageResizerFunc) \
  X(Sharp, 35, "IMG_SHARP", tImageSharpFunc) \
  X(TemporalFilter, 37, "IMG_TEMPORAL_FILTER", tImageTemporalFilterFunc) \
  X(YUV420toRGB, 3, "IMG_YUV420_TO_RGB", tYUVYUV420toRGBFuncs) \
  X(YUV420toYUV422, 2, "IMG_YUV420_TO_YUV422", tYUV420ToYUV422Funcs) \
  X(YUV422toYUV420, 1, "IMG_YUV422_TO_YUV420", tYUV422ToYUV420Funcs) \
  X(YUV422Split, 4, "IMG_YUV422_SPLIT", tYUV422ToYUV420D1To4xCifFuncs) \
  X(Zoom, 5, "IMG_ZOOM", tImageZoomFunc) \
  X(YUV422Zoom, 23, "IMG_YUV422_ZOOM", tImageZoomUYVYFunc) \
  X(RGBResizer, 26, "RGB_RESIZER", tRGBResizerFuncs) \
  X(Renovation, 27, "IMG_RENOVATION", TImgRenovationFuncs) \
  X(Filter, 33, "IMG_FILTER", tImageFilterFunc) \
  X(RGBtoYUV, 36, "IMG_RGBTOYUV", tRGBtoYUVFuncs)

// The lookup order of gaptPelForgePrcList. The temporal filter has a descriptor and a descriptor
// pointer but is not looked up by id.
#define PF_REGISTRY(X) \
  X(Adapt16vs9) \
  X(AddImage) \
  X(AptZoom) \
  X(Banner) \
  X(BannerLogo) \
  X(BMPtoYUV) \
  X(FilterOSD) \
  X(GenerateImage) \
  X(Logo) \
  X(Merge) \
  X(MergeZoom) \
  X(Mosaic) \
  X(MultiDec) \
  X(MultiDecNew) \
  X(MultiEnc) \
  X(PNChange) \
  X(Renovation) \
  X(Resizer) \
  X(YUV420toRGB) \
  X(YUV420toYUV422) \
  X(YUV422toYUV420) \
  X(YUV422Split) \
  X(Zoom) \
  X(YUV422Zoom) \
  X(RGBResizer) \
  X(Deinterlace) \
  X(Filter) \
  X(Sharp) \
  X(RGBtoYUV) \
  X(MotionSurveil)
// clang-format on

extern "C" {

#define PF_DESCRIPTOR(shortname, id, name, table)        \
  PF_API extern const tImgProcDesc tImgProc_##shortname; \
  const tImgProcDesc tImgProc_##shortname = {id, &table, name};
PF_MODULES(PF_DESCRIPTOR)
#undef PF_DESCRIPTOR

#define PF_DESCRIPTOR_POINTER(shortname, id, name, table)                                 \
  PF_API extern const tImgProcDesc* const ptImgProc_##shortname;                          \
  [[gnu::section(".IMG$B"), gnu::used]] const tImgProcDesc* const ptImgProc_##shortname = \
      &tImgProc_##shortname;
PF_MODULES(PF_DESCRIPTOR_POINTER)
#undef PF_DESCRIPTOR_POINTER

#define PF_REGISTRY_ENTRY(shortname) &tImgProc_##shortname,
const tImgProcDesc* const gaptPelForgePrcList[] = {PF_REGISTRY(PF_REGISTRY_ENTRY)};
#undef PF_REGISTRY_ENTRY

}  // extern "C"

namespace pf {

#define PF_COUNT(...) +1
inline constexpr size_t kModuleCount = 0 PF_MODULES(PF_COUNT);
#undef PF_COUNT
inline constexpr size_t kRegistryCount =
    sizeof(gaptPelForgePrcList) / sizeof(gaptPelForgePrcList[0]);
static_assert(kRegistryCount == 30 && kModuleCount == 31);

size_t registry_size() { return kRegistryCount; }

}  // namespace pf

extern "C" const tImgProcFuncList* VekVideoPelForgeGetFuncList(uint32_t u32ModuleId) {
  for (const tImgProcDesc* desc : gaptPelForgePrcList) {
    if (desc->u32ModuleId == u32ModuleId) return desc->ptFuncList;
  }
  return nullptr;
}
