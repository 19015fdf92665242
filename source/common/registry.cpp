// SPDX-License-Identifier: BSD-2-Clause
// The module registry: descriptors, the descriptor pointers hosts read from section ".IMG$B",
// and the lookup by id.
//
// Every module has its fixed place in two lists below: PF_MODULES gives the order of the
// descriptor pointers in the section, PF_REGISTRY the lookup order of gaptPelForgePrcList. A
// module joins both when its public header is part of the tree, so the registry of a build holds
// exactly the modules that build has, each in its own place. GCC compiles this file with
// -fno-toplevel-reorder so that the pointers are emitted in the order they are defined.
#include "registry.hpp"

#include <cstddef>
#include <cstdint>

#include "pelforge.h"

// One guard per module: PF_REG_<short name>(X) expands X(short name, id, descriptor name,
// function table) when the module's header is there, and to nothing otherwise.

#if __has_include("img_adapt_16vs9.h")
#include "img_adapt_16vs9.h"
#define PF_REG_Adapt16vs9(X) X(Adapt16vs9, 16, "IMG_ADAPT_16vs9", tImageAdapt16vs9Func)
#else
#define PF_REG_Adapt16vs9(X)
#endif
#if __has_include("img_addimage.h")
#include "img_addimage.h"
#define PF_REG_AddImage(X) X(AddImage, 14, "IMG_ADD_IMAGE", tImageAddImageFunc)
#else
#define PF_REG_AddImage(X)
#endif
#if __has_include("img_apt_zoom.h")
#include "img_apt_zoom.h"
#define PF_REG_AptZoom(X) X(AptZoom, 20, "IMG_APT_ZOOM_MOD", tImageAptZoomFunc)
#else
#define PF_REG_AptZoom(X)
#endif
#if __has_include("img_banner.h")
#include "img_banner.h"
#define PF_REG_Banner(X) X(Banner, 9, "IMG_BANNER", tBannerFuncs)
#else
#define PF_REG_Banner(X)
#endif
#if __has_include("img_bannerlogo.h")
#include "img_bannerlogo.h"
#define PF_REG_BannerLogo(X) X(BannerLogo, 10, "IMG_BANNER_LOGO", tBannerLogoFuncs)
#else
#define PF_REG_BannerLogo(X)
#endif
#if __has_include("img_bmptoyuv_alpha.h")
#include "img_bmptoyuv_alpha.h"
#define PF_REG_BMPtoYUV(X) X(BMPtoYUV, 7, "IMG_BMPTOYUVALPHA", tImageBMPToYUVAlphaFunc)
#else
#define PF_REG_BMPtoYUV(X)
#endif
#if __has_include("img_deinterlace.h")
#include "img_deinterlace.h"
#define PF_REG_Deinterlace(X) X(Deinterlace, 32, "IMG_DEINTERLACE", tImgDeinterlaceFunc)
#else
#define PF_REG_Deinterlace(X)
#endif
#if __has_include("img_filterosd.h")
#include "img_filterosd.h"
#define PF_REG_FilterOSD(X) X(FilterOSD, 18, "IMG_FILTER_OSD", tFilterOSDFunc)
#else
#define PF_REG_FilterOSD(X)
#endif
#if __has_include("img_generateimage.h")
#include "img_generateimage.h"
#define PF_REG_GenerateImage(X) X(GenerateImage, 11, "IMG_GENERATE_IMAGE", tImgGenerateImageFunc)
#else
#define PF_REG_GenerateImage(X)
#endif
#if __has_include("img_logo.h")
#include "img_logo.h"
#define PF_REG_Logo(X) X(Logo, 8, "IMG_LOGO", tLogoFuncs)
#else
#define PF_REG_Logo(X)
#endif
#if __has_include("img_merge.h")
#include "img_merge.h"
#define PF_REG_Merge(X) X(Merge, 6, "IMG_MERGE", tImageMergeFunc)
#else
#define PF_REG_Merge(X)
#endif
#if __has_include("img_merge_zoom.h")
#include "img_merge_zoom.h"
#define PF_REG_MergeZoom(X) X(MergeZoom, 21, "IMG_MERGE_ZOOM", tImageMergeZoomFunc)
#else
#define PF_REG_MergeZoom(X)
#endif
#if __has_include("img_mosaic.h")
#include "img_mosaic.h"
#define PF_REG_Mosaic(X) X(Mosaic, 12, "IMG_MOSAIC", tImageMosaicFunc)
#else
#define PF_REG_Mosaic(X)
#endif
#if __has_include("img_motionsurveil.h")
#include "img_motionsurveil.h"
#define PF_REG_MotionSurveil(X) X(MotionSurveil, 38, "IMG_MOTION_DETECT", tImageMotionSurveilFunc)
#else
#define PF_REG_MotionSurveil(X)
#endif
#if __has_include("img_multidec.h")
#include "img_multidec.h"
#define PF_REG_MultiDec(X) X(MultiDec, 19, "IMG_MULTI_DEC", tImageMultiDecFunc)
#else
#define PF_REG_MultiDec(X)
#endif
#if __has_include("img_multidec_new.h")
#include "img_multidec_new.h"
#define PF_REG_MultiDecNew(X) X(MultiDecNew, 22, "IMG_MULTI_DEC_NEW", tImageMultiDecNewFunc)
#else
#define PF_REG_MultiDecNew(X)
#endif
#if __has_include("img_multienc.h")
#include "img_multienc.h"
#define PF_REG_MultiEnc(X) X(MultiEnc, 25, "IMG_MULTI_ENC", tImageMultiEncFunc)
#else
#define PF_REG_MultiEnc(X)
#endif
#if __has_include("img_pnchange.h")
#include "img_pnchange.h"
#define PF_REG_PNChange(X) X(PNChange, 13, "IMG_PN_CHANGE", tImagePNChangeFunc)
#else
#define PF_REG_PNChange(X)
#endif
#if __has_include("img_sharp.h")
#include "img_sharp.h"
#define PF_REG_Sharp(X) X(Sharp, 35, "IMG_SHARP", tImageSharpFunc)
#else
#define PF_REG_Sharp(X)
#endif
#if __has_include("img_temporalfilter.h")
#include "img_temporalfilter.h"
#define PF_REG_TemporalFilter(X) \
  X(TemporalFilter, 37, "IMG_TEMPORAL_FILTER", tImageTemporalFilterFunc)
#else
#define PF_REG_TemporalFilter(X)
#endif
#if __has_include("img_yuv420toyuv422.h")
#include "img_yuv420toyuv422.h"
#define PF_REG_YUV420toYUV422(X) X(YUV420toYUV422, 2, "IMG_YUV420_TO_YUV422", tYUV420ToYUV422Funcs)
#else
#define PF_REG_YUV420toYUV422(X)
#endif
#if __has_include("img_yuv422toyuv420.h")
#include "img_yuv422toyuv420.h"
#define PF_REG_YUV422toYUV420(X) X(YUV422toYUV420, 1, "IMG_YUV422_TO_YUV420", tYUV422ToYUV420Funcs)
#else
#define PF_REG_YUV422toYUV420(X)
#endif
#if __has_include("img_yuv422toyuv420_d1split.h")
#include "img_yuv422toyuv420_d1split.h"
#define PF_REG_YUV422Split(X) X(YUV422Split, 4, "IMG_YUV422_SPLIT", tYUV422ToYUV420D1To4xCifFuncs)
#else
#define PF_REG_YUV422Split(X)
#endif
#if __has_include("img_zoom.h")
#include "img_zoom.h"
#define PF_REG_Zoom(X) X(Zoom, 5, "IMG_ZOOM", tImageZoomFunc)
#else
#define PF_REG_Zoom(X)
#endif
#if __has_include("img_zoom_uyvy.h")
#include "img_zoom_uyvy.h"
#define PF_REG_YUV422Zoom(X) X(YUV422Zoom, 23, "IMG_YUV422_ZOOM", tImageZoomUYVYFunc)
#else
#define PF_REG_YUV422Zoom(X)
#endif
#if __has_include("img_renovation.h")
#include "img_renovation.h"
#define PF_REG_Renovation(X) X(Renovation, 27, "IMG_RENOVATION", TImgRenovationFuncs)
#else
#define PF_REG_Renovation(X)
#endif
#if __has_include("img_filter.h")
#include "img_filter.h"
#define PF_REG_Filter(X) X(Filter, 33, "IMG_FILTER", tImageFilterFunc)
#else
#define PF_REG_Filter(X)
#endif

#include "img_resizer.h"
#include "img_rgbtoyuv.h"
#include "img_yuv420torgb.h"
#include "rgb_resizer.h"
#define PF_REG_Resizer(X) X(Resizer, 24, "IMG_RESIZER", tImageResizerFunc)
#define PF_REG_YUV420toRGB(X) X(YUV420toRGB, 3, "IMG_YUV420_TO_RGB", tYUVYUV420toRGBFuncs)
#define PF_REG_RGBResizer(X) X(RGBResizer, 26, "RGB_RESIZER", tRGBResizerFuncs)
#define PF_REG_RGBtoYUV(X) X(RGBtoYUV, 36, "IMG_RGBTOYUV", tRGBtoYUVFuncs)

// Descriptors and their pointers, in the order of the pointers in the section.
#define PF_MODULES(X)                                                                             \
  PF_REG_Adapt16vs9(X) PF_REG_AddImage(X) PF_REG_AptZoom(X) PF_REG_Banner(X) PF_REG_BannerLogo(X) \
      PF_REG_BMPtoYUV(X) PF_REG_Deinterlace(X) PF_REG_FilterOSD(X) PF_REG_GenerateImage(X)        \
          PF_REG_Logo(X) PF_REG_Merge(X) PF_REG_MergeZoom(X) PF_REG_Mosaic(X)                     \
              PF_REG_MotionSurveil(X) PF_REG_MultiDec(X) PF_REG_MultiDecNew(X) PF_REG_MultiEnc(X) \
                  PF_REG_PNChange(X) PF_REG_Resizer(X) PF_REG_Sharp(X) PF_REG_TemporalFilter(X)   \
                      PF_REG_YUV420toRGB(X) PF_REG_YUV420toYUV422(X) PF_REG_YUV422toYUV420(X)     \
                          PF_REG_YUV422Split(X) PF_REG_Zoom(X) PF_REG_YUV422Zoom(X)               \
                              PF_REG_RGBResizer(X) PF_REG_Renovation(X) PF_REG_Filter(X)          \
                                  PF_REG_RGBtoYUV(X)

// The lookup order. The temporal filter has a descriptor but is not looked up by id.
#define PF_REGISTRY(X)                                                                            \
  PF_REG_Adapt16vs9(X) PF_REG_AddImage(X) PF_REG_AptZoom(X) PF_REG_Banner(X) PF_REG_BannerLogo(X) \
      PF_REG_BMPtoYUV(X) PF_REG_FilterOSD(X) PF_REG_GenerateImage(X) PF_REG_Logo(X)               \
          PF_REG_Merge(X) PF_REG_MergeZoom(X) PF_REG_Mosaic(X) PF_REG_MultiDec(X)                 \
              PF_REG_MultiDecNew(X) PF_REG_MultiEnc(X) PF_REG_PNChange(X) PF_REG_Renovation(X)    \
                  PF_REG_Resizer(X) PF_REG_YUV420toRGB(X) PF_REG_YUV420toYUV422(X)                \
                      PF_REG_YUV422toYUV420(X) PF_REG_YUV422Split(X) PF_REG_Zoom(X)               \
                          PF_REG_YUV422Zoom(X) PF_REG_RGBResizer(X) PF_REG_Deinterlace(X)         \
                              PF_REG_Filter(X) PF_REG_Sharp(X) PF_REG_RGBtoYUV(X)                 \
                                  PF_REG_MotionSurveil(X)

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

#define PF_REGISTRY_ENTRY(shortname, id, name, table) &tImgProc_##shortname,
const tImgProcDesc* const gaptPelForgePrcList[] = {PF_REGISTRY(PF_REGISTRY_ENTRY)};
#undef PF_REGISTRY_ENTRY

}  // extern "C"

namespace pf {

#define PF_COUNT(...) +1
inline constexpr size_t kModuleCount = 0 PF_MODULES(PF_COUNT);
#undef PF_COUNT
inline constexpr size_t kRegistryCount =
    sizeof(gaptPelForgePrcList) / sizeof(gaptPelForgePrcList[0]);
static_assert(kRegistryCount <= kModuleCount, "a registered module needs a descriptor");
static_assert(kRegistryCount <= 30 && kModuleCount <= 31);

size_t registry_size() { return kRegistryCount; }

}  // namespace pf

extern "C" const tImgProcFuncList* VekVideoPelForgeGetFuncList(uint32_t u32ModuleId) {
  for (const tImgProcDesc* desc : gaptPelForgePrcList) {
    if (desc->u32ModuleId == u32ModuleId) return desc->ptFuncList;
  }
  return nullptr;
}
