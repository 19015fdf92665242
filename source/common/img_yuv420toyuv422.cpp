// SPDX-License-Identifier: BSD-2-Clause
// The YUV420-to-YUV422 module: planar 4:2:0 to packed 4:2:2 through a private resizer.
#include "img_yuv420toyuv422.h"

#include <cstdint>
#include <iterator>

#include "errors.hpp"
#include "yuv_conversion.hpp"

extern "C" const char* const pas8ImageYUV420ToYUV422SelfAnalyzeErrorCode[] = {
#define PF_X(name) "ERR_IMG_420TO422_" #name,
    PF_IMG_YUV420TOYUV422_ERRORS(PF_X)
#undef PF_X
};
static_assert(std::size(pas8ImageYUV420ToYUV422SelfAnalyzeErrorCode) ==
              ERR_IMG_420TO422_END - ERR_IMG_420TO422_BASE_);

namespace pf {
namespace {

enum : uint32_t {
#define PF_X(name) k##name = ERR_IMG_420TO422_##name,
  PF_IMG_YUV420TOYUV422_ERRORS(PF_X)
#undef PF_X
};

struct Yuv420ToYuv422Config {
  using Param = tYUV420ToYUV422Param;
  using Buffers = tYUV420ToYUV422Buffers;
  static constexpr ConversionCodes kCodes{
      .open_handle = kOPEN_INPUT_HANDLE,
      .open_param = kOPEN_INPUT_PARAM,
      .open_mem = kOPEN_INPUT_MEMHANDLE,
      .open_malloc = kOPEN_MALLOC,
      // Open refuses the image type with the same code as SetParam: hosts know that number.
      .dst_image_type = kSETPARAM_OUTPUT_IMG_INTERLACE,
      .setparam_handle = kSETPARAM_INPUT_HANDLE,
      .setparam_param = kSETPARAM_INPUT_PARAM,
      .process_handle = kPROCESS_INPUT_HANDLE,
      .process_buffers = kPROCESS_INPUT_PARAM,
      .process_result = kPROCESS_OUTPUT_PARAM,
      .process_src = kPROCESS_INPUT_BUFF,
      .process_dst = kPROCESS_OUTPUT_BUFF,
      .close_handle = kCLOSE_INPUT_HANDLE,
      .close_mem = kCLOSE_INPUT_MEMHANDLE,
      .close_free = kCLOSE_FREE,
      .status_handle = kGETSTATUS_INPUT_HANDLE,
      .status_param = kGETSTATUS_INPUT_PARAM,
      .memsize_param = kGETMEMSIZE_PARAM_POINTER,
  };
  static constexpr const char* kSource = "../source/common/img_yuv420toyuv422.c";
  static constexpr uint32_t kSrcYuv = PF_YUV_420;
  static constexpr uint32_t kDstYuv = PF_YUV_UYVY;
  static constexpr uint32_t kFill[3] = {1, 128, 128};
  static void report(void* result, uint32_t dst_image_type, uint32_t) {
    *static_cast<uint32_t*>(result) = dst_image_type;
  }
};
using Module = Conversion<Yuv420ToYuv422Config>;

constexpr ErrorTable kErrors{
    .names = pas8ImageYUV420ToYUV422SelfAnalyzeErrorCode,
    .count = ERR_IMG_420TO422_END - ERR_IMG_420TO422_BASE_,
    .first_code = kOPEN_INPUT_HANDLE,
    .accept_lo = kOPEN_INPUT_HANDLE,
    .accept_hi = kEND,
    .null_buffer = kANDTF_ANALYZECODE_HANDLE,
    .delegate = ImageResizerAnalyzeErrorCode_c,
};

constexpr VersionSpec kVersion{
    .format = "ColorSpace Version: pelforge_v300.yuv420toyuv422.003, Compile time: %s %s.\n",
    .null_buffer = kGETVERSION_INPUT_BUFFER,
    .null_length = 0,
    .short_buffer = kGETVERSION_BUFFERLEN,
};

}  // namespace
}  // namespace pf

extern "C" {

uint32_t ImgYUV420ToYUV422Open_c(void** phHandle, const void* pParam, void* hMem) {
  return pf::open<pf::Module>(phHandle, pParam, hMem);
}

uint32_t ImgYUV420ToYUV422Close_c(void* hHandle) { return pf::close<pf::Module>(hHandle); }

uint32_t ImgYUV420ToYUV422SetParam_c(void* hHandle, const void* pParam) {
  return pf::Module::set_param(hHandle, pParam);
}

uint32_t ImgYUV420ToYUV422GetStatus_c(void* hHandle, void* pStatus) {
  return pf::Module::get_status(hHandle, pStatus);
}

uint32_t ImgYUV420ToYUV422Process_c(void* hHandle, void* pBuffers, void* pDstImageType) {
  return pf::Module::process(hHandle, pBuffers, pDstImageType);
}

uint32_t ImgYUV420ToYUV422GetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen) {
  return PF_WRITE_VERSION(pf::kVersion, ps8Buf, s32BufLen, pu32TextLen);
}

uint32_t ImgYUV420ToYUV422AnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf) {
  return pf::analyze_error_code(pf::kErrors, u32Code, s32BufLen, ps8Buf);
}

uint32_t ImgYUV420ToYUV422Debug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImgYUV420ToYUV422GetMemSize_c(const void* pParam, uint32_t* pu32Size) {
  return pf::Module::get_mem_size(pParam, pu32Size);
}

const tImgProcFuncList tYUV420ToYUV422Funcs = {
    ImgYUV420ToYUV422Open_c,
    ImgYUV420ToYUV422Process_c,
    ImgYUV420ToYUV422Close_c,
    ImgYUV420ToYUV422SetParam_c,
    ImgYUV420ToYUV422GetVersion_c,
    ImgYUV420ToYUV422GetStatus_c,
    ImgYUV420ToYUV422AnalyzeErrorCode_c,
    ImgYUV420ToYUV422Debug_c,
    ImgYUV420ToYUV422GetMemSize_c,
};

}  // extern "C"
