// SPDX-License-Identifier: BSD-2-Clause
// The ImageZoomUYVY module: packed 4:2:2 scaling inside black bars, through a private resizer.
#include "img_zoom_uyvy.h"

#include <cstdint>

#include "errors.hpp"
#include "frame.hpp"
#include "resizer_client.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_ZOOM_UYVY_"
PF_ERROR_LIST(pas8ImageZoomUYVYSelfAnalyzeErrorCode, PF_IMAGE_ZOOM_UYVY_ERRORS,
              ERR_IMG_ZOOM_UYVY_BASE_)
#undef PF_ERROR_PREFIX

namespace pf {
namespace {

constexpr int32_t kMaxWidth = 12288;
constexpr int32_t kMaxHeight = 6144;
// Y 1 rather than 0: the bars stay black on equipment that treats 0 as a sync code.
constexpr uint32_t kBlack[3] = {1, 128, 128};

bool size_ok(int32_t v, int32_t max) { return v >= 1 && v <= max && v % 2 == 0; }
bool bar_ok(int32_t v) { return v >= 0 && v % 2 == 0; }
bool image_type_ok(uint32_t t) { return t >= PF_IMAGE_FRAME && t <= PF_IMAGE_INTERLACED; }

uint32_t check_param(const tImageZoomUYVYParam& p) {
  if (!size_ok(p.s32SrcWidth, kMaxWidth)) return kINIT_SRCWIDTH_ILLEGAL;
  if (!size_ok(p.s32DstWidth, kMaxWidth)) return kINIT_DSTWIDTH_ILLEGAL;
  if (!size_ok(p.s32SrcHeight, kMaxHeight)) return kINIT_SRCHEIGHT_ILLEGAL;
  if (!size_ok(p.s32DstHeight, kMaxHeight)) return kINIT_DSTHEIGHT_ILLEGAL;
  if (static_cast<uint32_t>(p.s32SrcWidth) > p.u32SrcPitch) return kINIT_SRC_STRIDE_ILLEGAL;
  if (static_cast<uint32_t>(p.s32DstWidth) > p.u32DstPitch) return kINIT_DST_STRIDE_ILLEGAL;
  if (!bar_ok(p.s32TopBlack)) return kTOP_BLACK;
  if (!bar_ok(p.s32BottomBlack)) return kBOTTOM_BLACK;
  if (!bar_ok(p.s32LeftBlack)) return kLEFT_BLACK;
  if (!bar_ok(p.s32RightBlack)) return kRIGHT_BLACK;
  if (!image_type_ok(p.u32SrcImageType)) return kINIT_SRC_IMAGETYPE_ILLEGAL;
  if (!image_type_ok(p.u32DstImageType)) return kINIT_DST_IMAGETYPE_ILLEGAL;
  return PF_STATUS_OK;
}

struct ZoomUyvy : ResizerClient<ZoomUyvy, tImageZoomUYVYParam> {
  static constexpr FrameCodes kCodes = frame_codes(kErrorNames);
  static constexpr ErrorTable kErrors =
      error_table(kErrorNames, {.end_named = false, .delegate = ImageResizerAnalyzeErrorCode_c});
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames, "ImageAptZoomUYVY Version: pelforge_v300.zoom_uyvy.002, Compile time: %s %s.\n");
  static constexpr const char* kSource = "../source/common/img_zoom_uyvy.c";
  static constexpr uint32_t kOwnBytes = 184;  // what the module adds to the resizer's size
  static uint32_t validate(const Param& p) { return check_param(p); }
  static tImageResizerParam resizer_record(const Param& p) {
    tImageResizerParam r{};
    r.s32SrcWidth = p.s32SrcWidth;
    r.s32SrcHeight = p.s32SrcHeight;
    r.u32SrcYuvType = PF_YUV_UYVY;
    r.u32SrcImageType = p.u32SrcImageType;
    r.s32DstWidth = p.s32DstWidth;
    r.s32DstHeight = p.s32DstHeight;
    r.u32DstYuvType = PF_YUV_UYVY;
    r.u32DstImageType = p.u32DstImageType;
    r.s32FillTop = p.s32TopBlack;
    r.s32FillBottom = p.s32BottomBlack;
    r.s32FillLeft = p.s32LeftBlack;
    r.s32FillRight = p.s32RightBlack;
    r.u32FillY = kBlack[0];
    r.u32FillU = kBlack[1];
    r.u32FillV = kBlack[2];
    return r;
  }
};

}  // namespace
}  // namespace pf

PF_ENTRY_POINTS(ImageZoomUYVY, pf::ZoomUyvy)

extern "C" {

uint32_t ImageZoomUYVYProcess_c(void* hHandle, void* pBuffers, void* pReserved) {
  if (pf::any_null(hHandle, pBuffers, pReserved)) return pf::kPROCESS_INPUT_POINTER;
  const auto& b = *static_cast<const tImageZoomUYVYBuffers*>(pBuffers);
  if (b.pu8Src == nullptr) return pf::kPROCESS_INPUT_DATA_POINTER;
  if (b.pu8Dst == nullptr) return pf::kPROCESS_OUTPUT_DATA_POINTER;
  if (b.pu8Src == b.pu8Dst) return pf::kPROCESS_INPUT_OUTPUT_POINTER_SAME;
  const tImageZoomUYVYParam& p = pf::ZoomUyvy::param_of(hHandle);
  // One packed plane each; the resizer only reads the source.
  tImgPicture src{const_cast<uint8_t*>(b.pu8Src), nullptr, nullptr, p.u32SrcPitch, 0, 0, 0};
  tImgPicture dst{b.pu8Dst, nullptr, nullptr, p.u32DstPitch, 0, 0, 0};
  return ImageResizerProcess_c(pf::ZoomUyvy::resizer_of(hHandle), &src, &dst);
}

uint32_t ImageZoomUYVYDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImageZoomUYVGetMemSize_c(const void* pParam, uint32_t* pu32Size) {
  if (pf::any_null(pParam, pu32Size)) return pf::kGETMEMSIZE_PARAM_POINTER;
  return pf::ZoomUyvy::mem_size(pParam, pu32Size);
}

}  // extern "C"

PF_FUNCTION_TABLE_WITH(tImageZoomUYVYFunc, ImageZoomUYVY, ImageZoomUYVYDebug_c,
                       ImageZoomUYVGetMemSize_c)
