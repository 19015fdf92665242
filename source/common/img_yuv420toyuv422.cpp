// SPDX-License-Identifier: BSD-2-Clause
// The YUV420-to-YUV422 module: planar 4:2:0 to packed 4:2:2 through a private resizer.
#include "img_yuv420toyuv422.h"

#include <cstdint>

#include "errors.hpp"
#include "yuv_conversion.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_420TO422_"
PF_ERROR_LIST(pas8ImageYUV420ToYUV422SelfAnalyzeErrorCode, PF_IMG_YUV420TOYUV422_ERRORS,
              ERR_IMG_420TO422_BASE_)
#undef PF_ERROR_PREFIX

namespace pf {
namespace {

struct Yuv420ToYuv422Config {
  using Param = tYUV420ToYUV422Param;
  using Buffers = tYUV420ToYUV422Buffers;
  static constexpr ErrorNames kNames = kErrorNames;
  // Open refuses the image type with the same code as SetParam: hosts know that number.
  static constexpr uint32_t kDstImageTypeCode = kSETPARAM_OUTPUT_IMG_INTERLACE;
  static constexpr const char* kVersionFormat =
      "ColorSpace Version: pelforge_v300.yuv420toyuv422.003, Compile time: %s %s.\n";
  static constexpr const char* kSource = "../source/common/img_yuv420toyuv422.c";
  static constexpr uint32_t kSrcYuv = PF_YUV_420;
  static constexpr uint32_t kDstYuv = PF_YUV_UYVY;
  static constexpr uint32_t kFill[3] = {1, 128, 128};
  static void report(void* result, uint32_t dst_image_type, uint32_t) {
    *static_cast<uint32_t*>(result) = dst_image_type;
  }
};
using Module = Conversion<Yuv420ToYuv422Config>;

}  // namespace
}  // namespace pf

PF_ENTRY_POINTS(ImgYUV420ToYUV422, pf::Module)

extern "C" {

uint32_t ImgYUV420ToYUV422Process_c(void* hHandle, void* pBuffers, void* pDstImageType) {
  return pf::Module::process(hHandle, pBuffers, pDstImageType);
}

uint32_t ImgYUV420ToYUV422Debug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImgYUV420ToYUV422GetMemSize_c(const void* pParam, uint32_t* pu32Size) {
  return pf::Module::get_mem_size(pParam, pu32Size);
}

}  // extern "C"

PF_FUNCTION_TABLE(tYUV420ToYUV422Funcs, ImgYUV420ToYUV422)
