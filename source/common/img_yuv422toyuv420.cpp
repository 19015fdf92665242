// SPDX-License-Identifier: BSD-2-Clause
// The YUV422-to-YUV420 module: packed 4:2:2 to planar 4:2:0 through a private resizer, with the
// scene-change flag of the D1 conversions.
#include "img_yuv422toyuv420.h"

#include <cstdint>
#include <iterator>

#include "errors.hpp"
#include "yuv_conversion.hpp"

extern "C" const char* const pas8ImageYUV422ToYUV420SelfAnalyzeErrorCode[] = {
#define PF_X(name) "ERR_IMG_422TO420_" #name,
    PF_IMG_YUV422TOYUV420_ERRORS(PF_X)
#undef PF_X
};
static_assert(std::size(pas8ImageYUV422ToYUV420SelfAnalyzeErrorCode) ==
              ERR_IMG_422TO420_END - ERR_IMG_422TO420_BASE_);

namespace pf {
namespace {

enum : uint32_t {
#define PF_X(name) k##name = ERR_IMG_422TO420_##name,
  PF_IMG_YUV422TOYUV420_ERRORS(PF_X)
#undef PF_X
};

struct Yuv422ToYuv420Config {
  using Param = tYUV422ToYUV420Param;
  using Buffers = tYUV422ToYUV420Buffers;
  static constexpr ConversionCodes kCodes{
      .open_handle = kOPEN_INPUT_HANDLE,
      .open_param = kOPEN_INPUT_PARAM,
      .open_mem = kOPEN_INPUT_MEMHANDLE,
      .open_malloc = kOPEN_MALLOC,
      .dst_image_type = 0,  // the resizer judges every image type pair
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
      .memsize_param = kGETMEMSIZE_POINTER_PARAM,
  };
  static constexpr const char* kSource = "../source/common/img_yuv422toyuv420.c";
  static constexpr uint32_t kSrcYuv = PF_YUV_UYVY;
  static constexpr uint32_t kDstYuv = PF_YUV_420;
  static constexpr uint32_t kFill[3] = {0, 0, 0};
  static void report(void* result, uint32_t dst_image_type, uint32_t scene_change) {
    *static_cast<tYUV422ToYUV420Result*>(result) = {dst_image_type, scene_change};
  }
};
using Module = Conversion<Yuv422ToYuv420Config>;

constexpr ErrorTable kErrors{
    .names = pas8ImageYUV422ToYUV420SelfAnalyzeErrorCode,
    .count = ERR_IMG_422TO420_END - ERR_IMG_422TO420_BASE_,
    .first_code = kOPEN_INPUT_HANDLE,
    .accept_lo = kOPEN_INPUT_HANDLE,
    .accept_hi = kEND,
    .null_buffer = kANDTF_ANALYZECODE_HANDLE,
    .delegate = ImageResizerAnalyzeErrorCode_c,
};

constexpr VersionSpec kVersion{
    .format = "ColorSpace Version: pelforge_v300.yuv422toyuv420.002, Compile time: %s %s.\n",
    .null_buffer = kGETVERSION_INPUT_BUFFER,
    .null_length = 0,
    .short_buffer = kGETVERSION_BUFFERLEN,
};

}  // namespace
}  // namespace pf

extern "C" {

uint32_t ImgYUV422ToYUV420Open_c(void** phHandle, const void* pParam, void* hMem) {
  return pf::open<pf::Module>(phHandle, pParam, hMem);
}

uint32_t ImgYUV422ToYUV420Close_c(void* hHandle) { return pf::close<pf::Module>(hHandle); }

uint32_t ImgYUV422ToYUV420SetParam_c(void* hHandle, const void* pParam) {
  return pf::Module::set_param(hHandle, pParam);
}

uint32_t ImgYUV422ToYUV420GetStatus_c(void* hHandle, void* pStatus) {
  return pf::Module::get_status(hHandle, pStatus);
}

uint32_t ImgYUV422ToYUV420Process_c(void* hHandle, void* pBuffers, void* pResult) {
  return pf::Module::process(hHandle, pBuffers, pResult);
}

uint32_t ImgYUV422ToYUV420GetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen) {
  return PF_WRITE_VERSION(pf::kVersion, ps8Buf, s32BufLen, pu32TextLen);
}

uint32_t ImgYUV422ToYUV420AnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf) {
  return pf::analyze_error_code(pf::kErrors, u32Code, s32BufLen, ps8Buf);
}

uint32_t ImgYUV422ToYUV420Debug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImgYUV422ToYUV420GetMemSize_c(const void* pParam, uint32_t* pu32Size) {
  return pf::Module::get_mem_size(pParam, pu32Size);
}

const tImgProcFuncList tYUV422ToYUV420Funcs = {
    ImgYUV422ToYUV420Open_c,
    ImgYUV422ToYUV420Process_c,
    ImgYUV422ToYUV420Close_c,
    ImgYUV422ToYUV420SetParam_c,
    ImgYUV422ToYUV420GetVersion_c,
    ImgYUV422ToYUV420GetStatus_c,
    ImgYUV422ToYUV420AnalyzeErrorCode_c,
    ImgYUV422ToYUV420Debug_c,
    ImgYUV422ToYUV420GetMemSize_c,
};

}  // extern "C"
