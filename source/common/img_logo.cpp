// SPDX-License-Identifier: BSD-2-Clause
// The logo module: parameter checks and kernel choice, the colour memory, the picture record.
#include "img_logo.h"

#include <cstdint>
#include <cstring>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "logo/logo.hpp"

// Each name carries its owner's word (the scratch and DMA codes are spelled as the banner's), so
// the table is laid out here; the codes are the logo's all the same.
extern "C" const char* const pas8ImgLogoAnalyzeErrorCode[] = {
#define PF_X(name, owner) "ERR_IMG_" #owner "_" #name,
    PF_IMG_LOGO_ERRORS(PF_X)
#undef PF_X
};
PF_ERROR_CODES(PF_IMG_LOGO_ERRORS, ERR_IMG_LOGO_BASE_, pas8ImgLogoAnalyzeErrorCode)

extern "C" {

#define PF_K(ptr, c, ...) tLogoKernel ptr = c;
#include "logo/logo_kernels.def"
#undef PF_K

}  // extern "C"

namespace pf {
namespace {

constexpr KernelRow<tLogoKernel> kKernels[] = {
#define PF_K PF_KERNEL_ROW
#include "logo/logo_kernels.def"
#undef PF_K
};

constexpr uint32_t kFontColorBytes = PF_LOGO_MAX_CHARS;
constexpr const char* kSourcePath = "../source/common/img_logo.c";

// The kernel a parameter record selects, and the factors that turn the logo's size into the
// units its cuts are checked in.
struct Choice {
  uint32_t error;
  tLogoKernel* pointer;
  int64_t mul_w, mul_h;
};

Choice choose(const tLogoParam& p) {
  const uint32_t yuv = p.u32BgYuvType, type = p.u32ImageType;
  const bool frame = type == PF_IMAGE_FRAME || type == PF_IMAGE_INTERLACED;
  const bool field = type == PF_IMAGE_FIELD;
  const int32_t bw = p.s32BgWidth, bh = p.s32BgHeight, rw = p.s32FgRefWidth, rh = p.s32FgRefHeight;
  const bool same = bw == rw && bh == rh;
  const bool is420 = yuv == PF_YUV_420, nv12 = yuv == PF_YUV_NV12, uyvy = yuv == PF_YUV_UYVY;
  auto pick = [](tLogoKernel& k, int64_t w = 1, int64_t h = 1) { return Choice{0, &k, w, h}; };
  const Choice unsupported{kFORMAT_UNSUPPORT, nullptr, 1, 1};
  const Choice unmatched{kWIDTH_UNMATCHED, nullptr, 1, 1};

  if (p.u32AdaptiveColor != PF_LOGO_ADAPTIVE_COLOR) {
    if (same) {
      if (is420 && frame) return pick(AddLogo420Frame);
      if (is420 && field) return pick(AddLogo420Field);
      if (nv12 && frame) return pick(AddLogoNV12Frame);
      if (nv12 && field) return pick(AddLogoNV12Field);
      if (uyvy && frame) return pick(AddLogo422Frame);
      if (uyvy && field) return pick(AddLogo422Field);
      if (yuv == PF_YUV_YUYV && frame) return pick(AddLogo422Frame);
      return unsupported;
    }
    const bool half_w = bw == rw >> 1, half_h = bh == rh >> 1,
               quarter = bw == rw >> 2 && bh == rh >> 2;
    if (half_w && half_h && is420 && frame) return pick(AddQuarterLogo420Frame);
    if (half_w && bh == rh && is420 && field) return pick(AddHalfHoriLogo420Field);
    if (quarter && is420 && frame) return pick(AddSixteenthLogo420Frame);
    if (half_w && half_h && nv12 && frame) return pick(AddQuarterLogoNV12Frame);
    if (half_w && bh == rh && nv12 && field) return pick(AddHalfHoriLogoNV12Field);
    if (quarter && nv12 && frame) return pick(AddSixteenthLogoNV12Frame);
    if (is420 && frame) return pick(AddBilinearLogo420Frame);
    if (is420 && field) return pick(AddBilinearLogo420Field);
    if (nv12 && frame) return pick(AddBilinearLogoNV12Frame);
    if (nv12 && field) return pick(AddBilinearLogoNV12Field);
    if ((uyvy || yuv == PF_YUV_YUYV) && frame) return pick(AddLogo422Frame_sclae);
    return unmatched;
  }

  if (same) {
    if (is420 && frame) return pick(AddLogo420FrameAdaptiveColor);
    if (is420 && field) return pick(AddLogo420FieldAdaptiveColor);
    if (nv12 && frame) return pick(AddLogoNV12FrameAdaptiveColor);
    if (nv12 && field) return pick(AddLogoNV12FieldAdaptiveColor);
    if (uyvy && frame) return pick(AddLogo422FrameAdaptiveColor);
    if (uyvy && field) return pick(AddLogo422FieldAdaptiveColor);
    return unsupported;
  }
  // Integer ratios: a logo made for 720 columns serves a 352-column picture as a half-size one.
  const int32_t ratio_w = rw / bw, ratio_h = rh / bh;
  if (ratio_w == 2) {
    if (ratio_h == 2 && is420 && frame) return pick(AddQuarterLogo420FrameAdaptiveColor, 2, 2);
    if (rh == bh && is420 && field) return pick(AddHalfHoriLogo420FieldAdaptiveColor, 2, 1);
    if (ratio_h == 2 && nv12 && frame) return pick(AddQuarterLogoNV12FrameAdaptiveColor, 2, 2);
    if (rh == bh && nv12 && field) return pick(AddHalfHoriLogoNV12FieldAdaptiveColor, 2, 1);
  } else if (ratio_w == 4) {
    if (ratio_h == 4 && is420 && frame) return pick(AddSixteenthLogo420Frame, 4, 4);
    if (ratio_h == 4 && nv12 && frame) return pick(AddSixteenthLogoNV12Frame, 4, 4);
  }
  return unmatched;
}

uint32_t check(const tLogoParam& p, tLogoKernel* kernel) {
  if (p.pu8FgData == nullptr || p.pu8FgAlpha == nullptr) return kDATA;
  if (p.u32BgYuvType != p.u32FgYuvType) return kYUV_TYPE;
  if (p.s32BgWidth < 1 || p.s32BgWidth % 8 != 0) return kBG_WIDTH;
  if (p.s32BgHeight < 1 || p.s32BgHeight % 4 != 0) return kBG_HEIGHT;
  if (p.s32FgRefWidth < 1 || p.s32FgRefWidth % 8 != 0) return kFG_REFWIDTH;
  if (p.s32FgRefHeight < 1 || p.s32FgRefHeight % 4 != 0) return kFG_REFHEIGHT;

  const Choice choice = choose(p);
  if (choice.error != 0) return choice.error;
  // 64-bit: the record's fields may hold anything a caller stored.
  const int64_t w = p.s32FgWidth * choice.mul_w, h = p.s32FgHeight * choice.mul_h;
  if (w < 1 || w % 2 != 0) return kFG_WIDTH;
  if (h < 1 || h % 2 != 0) return kFG_HEIGHT;

  if (p.s32FgTop < 0 || p.s32FgTop > p.s32BgHeight) return kFG_TOP;
  if (p.s32FgLeft < 0 || p.s32FgLeft > p.s32BgWidth) return kFG_LEFT;
  if (p.s32FgTop % 2 != 0) return kFG_TOP;
  if (p.s32FgLeft % 2 != 0) return kFG_LEFT;

  const int64_t tc = p.s32TopCut, bc = p.s32BottomCut, lc = p.s32LeftCut, rc = p.s32RightCut;
  if (tc < 0) return kFG_V_CUTLINE;
  if (bc < 0 || tc + bc > h * p.s32BgHeight / p.s32FgRefHeight || tc % 2 != 0 || bc % 2 != 0) {
    return kFG_V_CUTLINE;
  }
  if (rc < 0 || lc < 0 || lc + rc > w * p.s32BgWidth / p.s32FgRefWidth) return kFG_H_CUTLINE;

  // Text logos are read line by line from the width list: without a list or with lines of no
  // height there is nothing to lay the characters out by.
  if (p.u32AdaptiveColor == PF_LOGO_ADAPTIVE_COLOR &&
      (p.pu8CharWidth == nullptr || p.s32LineHeight < 1)) {
    return kDATA;
  }
  if (kernel != nullptr) *kernel = load_kernel(*choice.pointer);
  return PF_STATUS_OK;
}

// Replaces the instance's parameters and kernel; the adaptive colours start afresh.
void store(tLogoInstance& inst, const tLogoParam& p, tLogoKernel kernel) {
  inst.tParam = p;
  inst.pfnKernel = kernel;
  inst.u32FirstFrame = 1;
  inst.s32LinesLeft = inst.s32FirstLineIdx = inst.s32FirstLineCut = 0;
  if (p.u32AdaptiveColor == PF_LOGO_ADAPTIVE_COLOR) skip_cut_text_lines(inst);
}

struct Logo {
  using Param = tLogoParam;
  using Instance = tLogoInstance;
  static constexpr FrameCodes kCodes =
      frame_codes(kErrorNames, {.fast_scratch = true, .dma = true});
  static constexpr ErrorTable kErrors = error_table(kErrorNames);
  static constexpr VersionSpec kVersion =
      version_spec(kErrorNames, "Logo Version: pelforge_v300.logo.012, Compile time: %s %s.\n");
  static constexpr const char* kSource = kSourcePath;

  static uint32_t validate(const Param& p) { return check(p, nullptr); }
  static void global_init() { ImgLogoGlobalInit(); }
  static uint32_t acquire(Instance& inst) {
    inst.pu8FontColor = static_cast<uint8_t*>(
        vmem_malloc(inst.hMem, kFontColorBytes, kInstanceAlign, kSource, __LINE__));
    if (inst.pu8FontColor == nullptr) return kMALLOC_FONTCOLOR;
    std::memset(inst.pu8FontColor, 0, kFontColorBytes);
    return PF_STATUS_OK;
  }
  static void release(Instance& inst) {
    if (inst.pu8FontColor != nullptr) vmem_free(inst.hMem, inst.pu8FontColor, kSource, __LINE__);
    inst.pu8FontColor = nullptr;
  }
  static uint32_t select(Instance& inst, const Param& p) {
    tLogoKernel kernel = nullptr;
    if (const uint32_t error = check(p, &kernel)) return error;
    store(inst, p, kernel);
    return PF_STATUS_OK;
  }
};

// The picture checks of ProcessPrivate: every plane the kernels write, and pitches that hold a
// background row.
bool picture_fits(const tImgPicture& pic, const tLogoParam& p) {
  const uint32_t width = static_cast<uint32_t>(p.s32BgWidth);
  if (pic.pu8Y == nullptr || pic.u32YPitch < width) return false;
  switch (p.u32BgYuvType) {
    case PF_YUV_420:
      return pic.pu8U != nullptr && pic.pu8V != nullptr && pic.u32UVPitch >= width / 2;
    case PF_YUV_NV12:
      // The V pointer is not used: the pair plane holds both chroma samples.
      return pic.pu8U != nullptr && pic.u32UVPitch >= width;
    default:
      // Packed rows are 2 x s32BgWidth bytes; the pitch test is the one hosts rely on.
      return true;
  }
}

}  // namespace

std::span<const KernelRow<tLogoKernel>> logo_kernels() { return kKernels; }

}  // namespace pf

PF_DISPATCH(ImgLogo, pf::kKernels)
PF_OPEN_CLOSE(ImgLogo, pf::Logo)
PF_GET_STATUS(ImgLogo, pf::Logo)
PF_NAMES_AND_VERSION(ImgLogo, pf::Logo)

extern "C" {

uint32_t CheckLogoParam(const tLogoParam* ptParam, tLogoKernel* ppfnKernel) {
  if (ptParam == nullptr) return pf::kDATA;
  return pf::check(*ptParam, ppfnKernel);
}

uint32_t ImgLogoSetParam_c(void* hHandle, const void* pParam) {
  if (hHandle == nullptr || pParam == nullptr) return pf::kSETPARAM_POINTER;
  const auto& p = *static_cast<const tLogoParam*>(pParam);
  tLogoKernel kernel = nullptr;
  if (const uint32_t error = pf::check(p, &kernel)) return error;
  if (p.u32AdaptiveColor == PF_LOGO_ADAPTIVE_COLOR && p.s32CharNum > PF_LOGO_MAX_CHARS) {
    return pf::kCHAR_MAX;
  }
  auto& inst = *static_cast<tLogoInstance*>(hHandle);
  const bool at_origin = p.s32FgTop == 0 && p.s32FgLeft == 0 && p.s32TopCut == 0 &&
                         p.s32BottomCut == 0 && p.s32LeftCut == 0 && p.s32RightCut == 0;
  if (at_origin) {
    // A logo set back to the origin starts a new movement: measure its motion afresh.
    inst.u32CallCount = 0;
    inst.s32Shift = 0;
  }
  if (p.u32AdaptiveColor == PF_LOGO_ADAPTIVE_COLOR) {
    pf::store(inst, p, kernel);
  } else {
    // A plain logo keeps the first-frame flag as it was; it only matters to text logos.
    const uint32_t first = inst.u32FirstFrame;
    pf::store(inst, p, kernel);
    inst.u32FirstFrame = first;
  }
  return PF_STATUS_OK;
}

uint32_t ImgLogoProcessPrivate_c(void* hHandle, tImgPicture* ptPicture, void* pContext) {
  if (pf::any_null(hHandle, ptPicture, pContext)) return pf::kPROCESS_PRIVATE_POINTER;
  auto& inst = *static_cast<tLogoInstance*>(hHandle);
  if (!pf::picture_fits(*ptPicture, inst.tParam)) return pf::kDATA_POINTER;
  inst.pfnKernel(ptPicture, &inst, pContext);
  inst.u32FirstFrame = 0;
  return PF_STATUS_OK;
}

uint32_t ImgLogoProcess_c(void* hHandle, void* pPlanes, void* pContext) {
  if (pf::any_null(hHandle, pPlanes, pContext)) return pf::kPROCESS_POINTER;
  const auto& p = static_cast<const tLogoInstance*>(hHandle)->tParam;
  uint8_t* const* planes = static_cast<uint8_t* const*>(pPlanes);
  const uint32_t width = static_cast<uint32_t>(p.s32BgWidth);
  const bool packed = p.u32BgYuvType == PF_YUV_UYVY || p.u32BgYuvType == PF_YUV_YUYV;
  tImgPicture pic{};
  pic.pu8Y = planes[0];
  if (!packed) {
    pic.pu8U = planes[1];
    // The pair plane of NV12 is the only chroma plane; V is not read.
    pic.pu8V = p.u32BgYuvType == PF_YUV_NV12 ? nullptr : planes[2];
  }
  pic.u32YPitch = packed ? 2 * width : width;
  pic.u32UVPitch = p.u32BgYuvType == PF_YUV_NV12 ? width : width / 2;
  return ImgLogoProcessPrivate_c(hHandle, &pic, pContext);
}

uint32_t ImgLogoDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImgLogoGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a null argument.
  return pf::fixed_mem_size(pu32Size, PF_LOGO_MEM_SIZE, pf::kOPEN_POINTER);
}

}  // extern "C"

PF_FUNCTION_TABLE(tLogoFuncs, ImgLogo)
