// SPDX-License-Identifier: BSD-2-Clause
// The ImageZoom module: a 4:2:0 scaling record with explicit pitches in front of a private
// resizer.
#include "img_zoom.h"

#include <cstddef>
#include <cstdint>

#include "errors.hpp"
#include "frame.hpp"
#include "resizer_client.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_ZOOM_"
PF_ERROR_LIST(pas8ImageZoomSelfAnalyzeErrorCode, PF_IMAGE_ZOOM_ERRORS, ERR_IMG_ZOOM_BASE_)
#undef PF_ERROR_PREFIX

namespace pf {
namespace {

constexpr int32_t kMaxWidth = 12288;
constexpr uint32_t kZoomTypes = 3;

bool width_ok(int32_t w) { return w >= 1 && w <= kMaxWidth && w % 2 == 0; }
bool height_ok(int32_t h) { return h >= 1 && h % 2 == 0; }
bool image_type_ok(uint32_t t) { return t >= PF_IMAGE_FRAME && t <= PF_IMAGE_INTERLACED; }

uint32_t check_param(const tImageZoomParam& p) {
  if (!width_ok(p.s32SrcWidth)) return kSELF_SRCWIDTH_ILLEGAL;
  if (!width_ok(p.s32DstWidth)) return kSELF_DSTWIDTH_ILLEGAL;
  if (!height_ok(p.s32SrcHeight)) return kSELF_SRCHEIGHT_ILLEGAL;
  if (!height_ok(p.s32DstHeight)) return kSELF_DSTHEIGHT_ILLEGAL;
  if (p.u32SrcYPitch < static_cast<uint32_t>(p.s32SrcWidth)) return kSELF_SRCYSTRIDE_ILLEGAL;
  if (p.u32SrcUVPitch != p.u32SrcYPitch / 2) return kSELF_SRCUVSTRIDE_ILLEGAL;
  if (p.u32DstYPitch < static_cast<uint32_t>(p.s32DstWidth)) return kSELF_DSTYSTRIDE_ILLEGAL;
  if (p.u32DstUVPitch != p.u32DstYPitch / 2) return kSELF_DSTUVSTRIDE_ILLEGAL;
  if (p.u32SrcYuvType != PF_YUV_420) return kSELF_SRCYUVTYPE_ILLEGAL;
  if (p.u32DstYuvType != PF_YUV_420) return kSELF_DSTYUVTYPE_ILLEGAL;
  if (!image_type_ok(p.u32SrcImageType)) return kSELF_SRCIMAGETYPE_ILLEGAL;
  if (!image_type_ok(p.u32DstImageType)) return kSELF_DSTIMAGETYPE_ILLEGAL;
  if (p.u8ZoomType >= kZoomTypes) return kSELF_ZOOMTYPE_ILLEGAL;
  return PF_STATUS_OK;
}

// The zoom type is kept for GetStatus only: every type scales the same way.
tImageResizerParam to_resizer(const tImageZoomParam& p) {
  tImageResizerParam r{};
  r.s32SrcWidth = p.s32SrcWidth;
  r.s32SrcHeight = p.s32SrcHeight;
  r.u32SrcYuvType = PF_YUV_420;
  r.u32SrcImageType = p.u32SrcImageType;
  r.s32DstWidth = p.s32DstWidth;
  r.s32DstHeight = p.s32DstHeight;
  r.u32DstYuvType = PF_YUV_420;
  r.u32DstImageType = p.u32DstImageType;
  return r;
}

// A 4:2:0 picture in one buffer: U follows height luma lines, V height / 2 chroma lines later.
tImgPicture picture(uint8_t* y, uint32_t y_pitch, uint32_t uv_pitch, int32_t height) {
  uint8_t* u = y + static_cast<size_t>(y_pitch) * static_cast<size_t>(height);
  uint8_t* v = u + static_cast<size_t>(height / 2) * uv_pitch;
  return {y, u, v, y_pitch, uv_pitch, 0, 0};
}

struct Zoom : ResizerClient<Zoom, tImageZoomParam> {
  static constexpr FrameCodes kCodes = frame_codes(kErrorNames);
  static constexpr ErrorTable kErrors =
      error_table(kErrorNames, {.end_named = false, .delegate = ImageResizerAnalyzeErrorCode_c});
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames, "ImageZoom Version: pelforge_v300.zoom.004, Compile time: %s %s.\n");
  static constexpr const char* kSource = "../source/common/img_zoom.c";
  static constexpr uint32_t kOwnBytes = 192;  // what the module adds to the resizer's size
  static uint32_t validate(const Param& p) { return check_param(p); }
  static tImageResizerParam resizer_record(const Param& p) { return to_resizer(p); }
};

}  // namespace
}  // namespace pf

PF_ENTRY_POINTS(ImageZoom, pf::Zoom)

extern "C" {

uint32_t ImageZoomProcess_c(void* hHandle, void* pBuffers, void* pReserved) {
  if (pf::any_null(hHandle, pBuffers, pReserved)) return pf::kSELF_INPUT_POINTER;
  const auto& b = *static_cast<const tImageZoomBuffers*>(pBuffers);
  if (b.pu8Src == nullptr) return pf::kSELF_INPUT_DATA_POINTER;
  if (b.pu8Dst == nullptr) return pf::kSELF_OUTPUT_DATA_POINTER;
  if (b.pu8Src == b.pu8Dst) return pf::kSELF_INPUT_OUTPUT_POINTER_SAME;
  const tImageZoomParam& p = pf::Zoom::param_of(hHandle);
  // The resizer only reads the source picture.
  tImgPicture src =
      pf::picture(const_cast<uint8_t*>(b.pu8Src), p.u32SrcYPitch, p.u32SrcUVPitch, p.s32SrcHeight);
  tImgPicture dst = pf::picture(b.pu8Dst, p.u32DstYPitch, p.u32DstUVPitch, p.s32DstHeight);
  return ImageResizerProcess_c(pf::Zoom::resizer_of(hHandle), &src, &dst);
}

uint32_t ImageZoomDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImageZoomGetMemSize_c(const void* pParam, uint32_t* pu32Size) {
  if (pParam == nullptr) return pf::kSELF_GETMEMSIZE_PARAM_POINTER;
  if (pu32Size == nullptr) return pf::kGETMEMSIZE_INPUT_POINTER;
  return pf::Zoom::mem_size(pParam, pu32Size);
}

}  // extern "C"

PF_FUNCTION_TABLE(tImageZoomFunc, ImageZoom)
