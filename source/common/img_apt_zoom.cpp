// SPDX-License-Identifier: BSD-2-Clause
// The ImageAptZoom module: scaling into an output picture less four bars, through a private
// resizer.
#include "img_apt_zoom.h"

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "errors.hpp"
#include "frame.hpp"
#include "resizer_client.hpp"

extern "C" const char* const pas8ImageAptZoomSelfAnalyzeErrorCode[] = {
#define PF_X(name) "ERR_IMG_APT_ZOOM_" #name,
    PF_IMAGE_APT_ZOOM_ERRORS(PF_X)
#undef PF_X
};
static_assert(std::size(pas8ImageAptZoomSelfAnalyzeErrorCode) ==
              ERR_IMG_APT_ZOOM_END - ERR_IMG_APT_ZOOM_BASE_);

namespace pf {
namespace {

enum : uint32_t {
#define PF_X(name) k##name = ERR_IMG_APT_ZOOM_##name,
  PF_IMAGE_APT_ZOOM_ERRORS(PF_X)
#undef PF_X
};

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
  static constexpr FrameCodes kCodes{
      .out_pointer = 0,
      .init_pointer = kSELF_INIT_POINTER,
      .handle_malloc = kSELF_INIT_HANDLE_MEM_MALLOC_ERROR,
      .fast_scratch = 0,
      .dma = 0,
      .close_pointer = kSELF_CLOSE_POINTER,
      .close_mem_pointer = kSELF_CLOSE_MEM_POINTER,
  };
  static constexpr const char* kSource = "../source/common/img_apt_zoom.c";
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

constexpr ErrorTable kErrors{
    .names = pas8ImageAptZoomSelfAnalyzeErrorCode,
    .count = ERR_IMG_APT_ZOOM_END - ERR_IMG_APT_ZOOM_BASE_,
    .first_code = kSELF_INIT_POINTER,
    .accept_lo = kSELF_INIT_POINTER,
    .accept_hi = kGET_MEMSIZE_ZOOM_PARAM,
    .null_buffer = kANALYZE_ERROR_CODE_HANDLE,
    .delegate = ImageResizerAnalyzeErrorCode_c,
};

constexpr VersionSpec kVersion{
    .format = "ImageAptZoom Version: pelforge_v300.AptZoom.003, Compile time: %s %s.\n",
    .null_buffer = kSELF_GET_VERSION_POINTER,
    .null_length = kSELF_GET_VERSION_VERLEN_POINTER,
    .short_buffer = kSELF_VERSION_BUFLEN_TOO_SHORT,
};

// The bytes the module adds to the resizer's own.
constexpr uint32_t kOwnBytes = 192;

}  // namespace
}  // namespace pf

extern "C" {

uint32_t ImageAptZoomOpen_c(void** phHandle, const void* pParam, void* hMem) {
  return pf::open<pf::AptZoom>(phHandle, pParam, hMem);
}

uint32_t ImageAptZoomClose_c(void* hHandle) { return pf::close<pf::AptZoom>(hHandle); }

uint32_t ImageAptZoomSetParam_c(void* hHandle, const void* pParam) {
  if (hHandle == nullptr || pParam == nullptr) return pf::kSELF_SETPARAM_POINTER;
  return pf::AptZoom::set_param(hHandle, pParam);
}

uint32_t ImageAptZoomGetStatus_c(void* hHandle, void* pStatus) {
  if (hHandle == nullptr || pStatus == nullptr) return pf::kSELF_STATUS_POINTER;
  pf::AptZoom::get_status(hHandle, pStatus);
  return PF_STATUS_OK;
}

uint32_t ImageAptZoomProcess_c(void* hHandle, void* pBuffers, void* pReserved) {
  if (hHandle == nullptr || pBuffers == nullptr || pReserved == nullptr) {
    return pf::kSELF_INPUT_POINTER;
  }
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

uint32_t ImageAptZoomGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen) {
  return PF_WRITE_VERSION(pf::kVersion, ps8Buf, s32BufLen, pu32TextLen);
}

uint32_t ImageAptZoomAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf) {
  return pf::analyze_error_code(pf::kErrors, u32Code, s32BufLen, ps8Buf);
}

uint32_t ImageAptZoomDebug_c(void*, void*) { return PF_STATUS_OK; }

// Answers for records Open would accept; the resizer's own checks are left to Open.
uint32_t ImageAptZoomGetMemSize_c(const void* pParam, uint32_t* pu32Size) {
  if (pParam == nullptr || pu32Size == nullptr) return pf::kGET_MEMSIZE_ZOOM_PARAM;
  const auto& p = *static_cast<const tImageAptZoomParam*>(pParam);
  if (const uint32_t error = pf::check_param(p)) return error;
  return pf::resizer_mem_size(pf::AptZoom::resizer_record(p), pf::kOwnBytes, pu32Size);
}

const tImgProcFuncList tImageAptZoomFunc = {
    ImageAptZoomOpen_c,
    ImageAptZoomProcess_c,
    ImageAptZoomClose_c,
    ImageAptZoomSetParam_c,
    ImageAptZoomGetVersion_c,
    ImageAptZoomGetStatus_c,
    ImageAptZoomAnalyzeErrorCode_c,
    ImageAptZoomDebug_c,
    ImageAptZoomGetMemSize_c,
};

}  // extern "C"
