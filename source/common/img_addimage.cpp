// SPDX-License-Identifier: BSD-2-Clause
// Picture insertion: a cut foreground copied into a background with the merge module's copy
// kernels, converting between frame and field storage.
#include "img_addimage.h"

#include <cstddef>
#include <cstdint>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "img_merge.h"

#define PF_ERROR_PREFIX "ERR_IMG_"
PF_ERROR_LIST(pas8ImageAddImageSelfAnalyzeErrorCode, PF_IMG_ADD_IMAGE_ERRORS,
              ERR_IMG_ADD_IMAGE_BASE_, "ADD_IMAGE_")
#undef PF_ERROR_PREFIX

namespace pf {
namespace {

struct AddImageInstance {
  void* hMem;
  void* hDma;
  tMergePictureKernel pfnCopy;
  bool bFieldSource;  // the kernel reads the foreground as two fields
  bool bFieldDest;    // ... and writes them into the two fields of the background
  tImageAddImageParam tParam;
};

bool size_ok(int32_t v) { return v > 0 && v % 8 == 0; }
bool place_ok(int32_t v) { return v >= 0 && v % 2 == 0; }

uint32_t check_param(const tImageAddImageParam& p) {
  if (!size_ok(p.s32BgWidth) || !size_ok(p.s32BgHeight)) return kADD_IMAGE_CHECK_BG_SIZE;
  if (!size_ok(p.s32FgHeight) || !size_ok(p.s32FgWidth)) return kADD_IMAGE_CHECK_FG_SIZE;
  if (p.u32BgYuvType != p.u32FgYuvType) return kADD_IMAGE_CHECK_YUV_TYPE_EQUALITY;
  if (p.u32FgYuvType != PF_YUV_420 && p.u32FgYuvType != PF_YUV_UYVY) {
    return kADD_IMAGE_CHECK_YUV_TYPE;
  }
  if (!place_ok(p.s32Top)) return kADD_IMAGE_CHECK_TOP_SIZE;
  if (!place_ok(p.s32Left)) return kADD_IMAGE_CHECK_LEFT_SIZE;
  if (!place_ok(p.s32TopCut)) return kADD_IMAGE_CHECK_TOP_CUT_SIZE;
  if (!place_ok(p.s32BottomCut)) return kADD_IMAGE_CHECK_BOTTOM_CUT_SIZE;
  if (!place_ok(p.s32LeftCut)) return kADD_IMAGE_CHECK_LEFT_CUT_SIZE;
  if (!place_ok(p.s32RightCut)) return kADD_IMAGE_CHECK_RIGHT_CUT_SIZE;
  const int64_t width = int64_t{p.s32FgWidth} - p.s32LeftCut - p.s32RightCut;
  const int64_t height = int64_t{p.s32FgHeight} - p.s32TopCut - p.s32BottomCut;
  if (p.s32Left + width > p.s32BgWidth) return kADD_IMAGE_CHECK_FG_WIDTH_OVER;
  if (p.s32Top + height > p.s32BgHeight) return kADDIMAGE_CHECK_FG_HEIGHT_OVER;
  return PF_STATUS_OK;
}

void choose_kernel(AddImageInstance& inst, const tImageAddImageParam& p) {
  const bool packed = p.u32FgYuvType == PF_YUV_UYVY;
  const uint32_t fg = p.u32FgImageType, bg = p.u32BgImageType;
  tMergePictureKernel planar = nullptr, plane = nullptr;
  if (fg == PF_IMAGE_FRAME && bg == PF_IMAGE_FRAME) {
    planar = load_kernel(MergePictureFrame420), plane = load_kernel(MergePictureFrame422);
  } else if (fg == PF_IMAGE_FRAME && bg == PF_IMAGE_FIELD) {
    planar = load_kernel(MergePictureFrameField420), plane = load_kernel(MergePictureFrameField422);
  } else if (fg == PF_IMAGE_FIELD && bg == PF_IMAGE_FIELD) {
    planar = load_kernel(MergePictureField420), plane = load_kernel(MergePictureField422);
  } else {
    planar = load_kernel(MergePictureFieldFrame420), plane = load_kernel(MergePictureFieldFrame422);
  }
  inst.pfnCopy = packed ? plane : planar;
  // Foregrounds that are neither frames nor fields go through a kernel that reads fields, and
  // are cut as fields too.
  inst.bFieldSource = fg != PF_IMAGE_FRAME;
  inst.bFieldDest = fg == PF_IMAGE_FIELD && bg == PF_IMAGE_FIELD;
  inst.tParam = p;
}

struct AddImage {
  using Param = tImageAddImageParam;
  using Instance = AddImageInstance;
  static constexpr FrameCodes kCodes = frame_codes(kErrorNames, {.dma = true});
  static constexpr ErrorTable kErrors = error_table(kErrorNames);
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames, "addimage Version: pelforge_v300.addimage.001, Compile time: %s %s.\n");
  static constexpr const char* kSource = "../source/common/img_addimage.c";
  // The kernel is chosen before the DMA handle is asked for.
  static constexpr bool kSelectFirst = true;

  static uint32_t validate(const Param& p) { return check_param(p); }
  static void global_init() { ImgAddImageGlobalInit(); }
  static void select(Instance& inst, const Param& p) { choose_kernel(inst, p); }
};

// A field foreground cut at its top or bottom keeps its second field half the foreground's
// height after the first, not half the cut height as the copy kernels expect of a whole field
// picture. The copy then goes one line of each field at a time, plane by plane: a kernel call of
// two lines copies luma only (its chroma runs in pairs of pairs), line 0 of its source into the
// first field and line 1 into the second, and a source pitch of half a plane makes line 1 the
// same line of the second field. A chroma plane goes through the same call as if it were luma.
// Every line lands where the kernel puts it when it copies a whole field picture.
void copy_cut_fields(const AddImageInstance& inst, uint8_t* const dst[3],
                     const uint8_t* const src[3], int32_t w, int32_t h) {
  const tImageAddImageParam& p = inst.tParam;
  struct Plane {
    int k;
    int32_t width, bg_width, bg_height, fg_width, fg_height, left, origin, lines;
  };
  const bool packed = p.u32FgYuvType == PF_YUV_UYVY;
  Plane planes[3] = {
      {0, w, p.s32BgWidth, p.s32BgHeight, p.s32FgWidth, p.s32FgHeight, p.s32Left, p.s32Top, h / 2},
      {1, w / 2, p.s32BgWidth / 2, p.s32BgHeight / 2, p.s32FgWidth / 2, p.s32FgHeight / 2,
       p.s32Left / 2, p.s32Top / 2, h / 4},
      {2, w / 2, p.s32BgWidth / 2, p.s32BgHeight / 2, p.s32FgWidth / 2, p.s32FgHeight / 2,
       p.s32Left / 2, p.s32Top / 2, h / 4}};
  for (int i = 0; i < (packed ? 1 : 3); ++i) {
    const Plane& pl = planes[i];
    uint8_t* const d[3] = {dst[pl.k], dst[pl.k], dst[pl.k]};
    // Pitches count pixels: for packed pictures two bytes each.
    const int32_t half_plane = pl.fg_height / 2 * pl.fg_width;
    const size_t row = size_t(pl.fg_width) * (packed ? 2 : 1);
    for (int32_t r = 0; r < pl.lines; ++r) {
      const uint8_t* line = src[pl.k] + r * row;
      const uint8_t* const s[3] = {line, line, line};
      // Line r of each field: field row origin / 2 + r, or frame rows origin + 2 r and + 1.
      const int32_t y = inst.bFieldDest ? 2 * (pl.origin / 2 + r) : pl.origin + 2 * r;
      inst.pfnCopy(d, pl.bg_width, pl.bg_height, s, pl.width, 2, half_plane, y, pl.left);
    }
  }
}

uint32_t process(const AddImageInstance& inst, const uint8_t* fg, uint8_t* bg) {
  const tImageAddImageParam& p = inst.tParam;
  const int32_t w = p.s32FgWidth - p.s32LeftCut - p.s32RightCut;
  const int32_t h = p.s32FgHeight - p.s32TopCut - p.s32BottomCut;
  if (w <= 0 || h <= 0) return PF_STATUS_OK;  // everything cut away
  const size_t fw = size_t(p.s32FgWidth), fh = size_t(p.s32FgHeight);
  const size_t bw = size_t(p.s32BgWidth), bh = size_t(p.s32BgHeight);
  const bool field = inst.bFieldSource;
  const auto top = size_t(field ? p.s32TopCut / 2 : p.s32TopCut), left = size_t(p.s32LeftCut);
  const uint8_t* src[3] = {};
  uint8_t* dst[3] = {bg, nullptr, nullptr};
  if (p.u32FgYuvType == PF_YUV_UYVY) {
    src[0] = fg + 2 * (left + fw * top);
  } else {
    const size_t chroma_top = field ? size_t(p.s32TopCut / 4) : size_t(p.s32TopCut / 2);
    src[0] = fg + top * fw + left;
    src[1] = fg + fw * fh + chroma_top * (fw / 2) + left / 2;
    src[2] = fg + fw * fh * 5 / 4 + chroma_top * (fw / 2) + left / 2;
    dst[1] = bg + bw * bh;
    dst[2] = bg + bw * bh * 5 / 4;
  }
  if (field && p.s32TopCut + p.s32BottomCut != 0) {
    copy_cut_fields(inst, dst, src, w, h);
  } else {
    inst.pfnCopy(dst, p.s32BgWidth, p.s32BgHeight, src, w, h, p.s32FgWidth, p.s32Top, p.s32Left);
  }
  return PF_STATUS_OK;
}

}  // namespace
}  // namespace pf

PF_DISPATCH(ImgAddImage)
PF_ENTRY_POINTS(ImgAddImage, pf::AddImage)

extern "C" {

uint32_t ImgAddImageProcess_c(void* hHandle, void* pPictures, void* pReserved) {
  if (pf::any_null(hHandle, pPictures, pReserved)) return pf::kADD_IMAGE_PROCESS_INPUT_POINTER;
  uint8_t* const* pictures = static_cast<uint8_t* const*>(pPictures);
  if (pictures[0] == nullptr) return pf::kADD_IMAGE_PROCESS_INPUT_POINTER_YUV;
  if (pictures[1] == nullptr) return pf::kADD_IMAGE_PROCESS_OUTPUT_POINTER_YUV;
  return pf::process(*static_cast<const pf::AddImageInstance*>(hHandle), pictures[0], pictures[1]);
}

uint32_t ImgAddImageDebug_c(void*, void*) { return PF_STATUS_OK; }

// The module states one size for every record; a null result pointer has no code of its own.
uint32_t ImgAddImageGetMemSize_c(const void*, uint32_t* pu32Size) {
  return pf::fixed_mem_size(pu32Size, 216, pf::kADD_IMAGE_CHECK_INPUT);
}

}  // extern "C"

PF_FUNCTION_TABLE(tImageAddImageFunc, ImgAddImage)
