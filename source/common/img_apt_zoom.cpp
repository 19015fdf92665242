// SPDX-License-Identifier: BSD-2-Clause
// The ImageAptZoom module: scaling into an output picture less four bars, through a private
// resizer.
#include "img_apt_zoom.h"

#include <cstddef>
#include <cstdint>

#include "errors.hpp"
#include "frame.hpp"
#include "resizer_client.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_APT_ZOOM_"
PF_ERROR_LIST(pas8ImageAptZoomSelfAnalyzeErrorCode, PF_IMAGE_APT_ZOOM_ERRORS,
              ERR_IMG_APT_ZOOM_BASE_)
#undef PF_ERROR_PREFIX

namespace pf {
namespace {

// Y 1 rather than 0: the bars stay black on equipment that treats 0 as a sync code.
constexpr uint32_t kBlack[3] = {1, 128, 128};

bool even_positive(int32_t v) { return v >= 1 && v % 2 == 0; }
// A bar is a multiple of 4 (so 4:2:0 field pictures keep whole chroma lines in each field) and
// smaller than the source side it is measured against.
bool bar_ok(int32_t bar, int32_t side) { return bar >= 0 && bar < side && bar % 4 == 0; }
bool yuv_type_ok(uint32_t t) { return t == PF_YUV_420 || t == PF_YUV_UYVY; }
bool image_type_ok(uint32_t t) { return t == PF_IMAGE_FRAME || t == PF_IMAGE_FIELD; }

uint32_t check_param(const tImageAptZoomParam& p) {
  const int64_t w = p.s32SrcWidth, h = p.s32SrcHeight;
  if (!even_positive(p.s32SrcWidth)) return kSELF_INIT_IMAGE_WIDTH_ILLEGAL;
  if (h < 1 || (p.u32SrcImageType == PF_IMAGE_FIELD && h % 4 != 0) ||
      (p.u32SrcImageType == PF_IMAGE_FRAME && h % 2 != 0)) {
    return kSELF_INIT_IMAGE_HEIGHT_ILLEGAL;
  }
  if (p.u32SrcYPitch < static_cast<uint32_t>(w)) return kSELF_INIT_YSTRIDE_ILLEGAL;
  if (p.u32SrcUVPitch != p.u32SrcYPitch / 2) return kSELF_INIT_UVSTRIDE_ILLEGAL;
  if (!even_positive(p.s32OutWidth)) return kSELF_INIT_OUT_IMAGE_WIDTH_ILLEGAL;
  if (!even_positive(p.s32OutHeight)) return kSELF_INIT_OUT_IMAGE_HEIGHT_ILLEGAL;
  if (static_cast<uint32_t>(p.s32OutWidth) > p.u32OutYPitch) return kSELF_INIT_OUT_YSTRIDE_ILLEGAL;
  if (!bar_ok(p.s32LeftOffset, p.s32SrcWidth)) return kSELF_INIT_LEFT_OFFSET_ILLEGAL;
  if (!bar_ok(p.s32RightOffset, p.s32SrcWidth)) return kSELF_INIT_RIGHT_OFFSET_ILLEGAL;
  if (int64_t{p.s32LeftOffset} + p.s32RightOffset >= w) return kSELF_INIT_HORIZON_OFFSET_ILLEGAL;
  if (!bar_ok(p.s32TopOffset, p.s32SrcHeight)) return kSELF_INIT_TOP_OFFSET_ILLEGAL;
  if (!bar_ok(p.s32BottomOffset, p.s32SrcHeight)) return kSELF_INIT_BOTTOM_OFFSET_ILLEGAL;
  if (int64_t{p.s32TopOffset} + p.s32BottomOffset >= h) return kSELF_INIT_VERTICAL_OFFSET_ILLEGAL;
  if (!yuv_type_ok(p.u32SrcYuvType)) return kSELF_INIT_SRC_YUVTYPE_ILLEGAL;
  if (!yuv_type_ok(p.u32OutYuvType)) return kSELF_INIT_DST_YUVTYPE_ILLEGAL;
  if (!image_type_ok(p.u32SrcImageType)) return kSELF_INIT_SRC_IMAGETYPE_ILLEGAL;
  if (!image_type_ok(p.u32OutImageType)) return kSELF_INIT_DST_IMAGETYPE_ILLEGAL;
  return PF_STATUS_OK;
}

struct AptZoom : ResizerClient<AptZoom, tImageAptZoomParam> {
  static constexpr FrameCodes kCodes = frame_codes(kErrorNames);
  static constexpr ErrorTable kErrors =
      error_table(kErrorNames, {.end_named = false, .delegate = ImageResizerAnalyzeErrorCode_c});
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames, "ImageAptZoom Version: pelforge_v300.AptZoom.003, Compile time: %s %s.\n");
  static constexpr const char* kSource = "../source/common/img_apt_zoom.c";
  static constexpr uint32_t kOwnBytes = 192;  // what the module adds to the resizer's size
  static uint32_t validate(const Param& p) { return check_param(p); }
  static tImageResizerParam resizer_record(const Param& p) {
    tImageResizerParam r{};
    r.s32SrcWidth = p.s32SrcWidth;
    r.s32SrcHeight = p.s32SrcHeight;
    r.u32SrcYuvType = p.u32SrcYuvType;
    r.u32SrcImageType = p.u32SrcImageType;
    r.s32DstWidth = p.s32OutWidth;
    r.s32DstHeight = p.s32OutHeight;
    r.u32DstYuvType = p.u32OutYuvType;
    r.u32DstImageType = p.u32OutImageType;
    r.s32FillTop = p.s32TopOffset;
    r.s32FillBottom = p.s32BottomOffset;
    r.s32FillLeft = p.s32LeftOffset;
    r.s32FillRight = p.s32RightOffset;
    r.u32FillY = kBlack[0];
    r.u32FillU = kBlack[1];
    r.u32FillV = kBlack[2];
    return r;
  }
};

// A picture in one buffer. Its chroma planes follow width x height luma bytes whatever the luma
// pitch, and the chroma pitch is half the luma pitch; packed pictures use neither.
tImgPicture picture(uint8_t* y, int32_t width, int32_t height, uint32_t y_pitch,
                    uint32_t uv_pitch) {
  const size_t luma = static_cast<size_t>(width) * static_cast<size_t>(height);
  return {y, y + luma, y + luma + luma / 4, y_pitch, uv_pitch, 0, 0};
}

}  // namespace
}  // namespace pf

PF_ENTRY_POINTS(ImageAptZoom, pf::AptZoom)

extern "C" {

uint32_t ImageAptZoomProcess_c(void* hHandle, void* pBuffers, void* pReserved) {
  if (pf::any_null(hHandle, pBuffers, pReserved)) return pf::kSELF_INPUT_POINTER;
  const auto& b = *static_cast<const tImageAptZoomBuffers*>(pBuffers);
  if (b.pu8Src == nullptr) return pf::kSELF_INPUT_DATA_POINTER;
  if (b.pu8Dst == nullptr) return pf::kSELF_OUTPUT_DATA_POINTER;
  const tImageAptZoomParam& p = pf::AptZoom::param_of(hHandle);
  // The resizer only reads the source picture.
  tImgPicture src = pf::picture(const_cast<uint8_t*>(b.pu8Src), p.s32SrcWidth, p.s32SrcHeight,
                                p.u32SrcYPitch, p.u32SrcUVPitch);
  tImgPicture dst =
      pf::picture(b.pu8Dst, p.s32OutWidth, p.s32OutHeight, p.u32OutYPitch, p.u32OutYPitch / 2);
  return ImageResizerProcess_c(pf::AptZoom::resizer_of(hHandle), &src, &dst);
}

uint32_t ImageAptZoomDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImageAptZoomGetMemSize_c(const void* pParam, uint32_t* pu32Size) {
  if (pf::any_null(pParam, pu32Size)) return pf::kGET_MEMSIZE_ZOOM_PARAM;
  return pf::AptZoom::mem_size(pParam, pu32Size);
}

}  // extern "C"

PF_FUNCTION_TABLE(tImageAptZoomFunc, ImageAptZoom)
