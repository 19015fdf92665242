// SPDX-License-Identifier: BSD-2-Clause
// The YUV422-to-YUV420 module: packed 4:2:2 to planar 4:2:0 through a private resizer, with the
// scene-change flag of the D1 conversions.
#include "img_yuv422toyuv420.h"

#include <cstdint>

#include "errors.hpp"
#include "yuv_conversion.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_422TO420_"
PF_ERROR_LIST(pas8ImageYUV422ToYUV420SelfAnalyzeErrorCode, PF_IMG_YUV422TOYUV420_ERRORS,
              ERR_IMG_422TO420_BASE_)
#undef PF_ERROR_PREFIX

namespace pf {
namespace {

struct Yuv422ToYuv420Config {
  using Param = tYUV422ToYUV420Param;
  using Buffers = tYUV422ToYUV420Buffers;
  static constexpr ErrorNames kNames = kErrorNames;
  static constexpr uint32_t kDstImageTypeCode = 0;  // the resizer judges every image type pair
  static constexpr const char* kVersionFormat =
      "ColorSpace Version: pelforge_v300.yuv422toyuv420.002, Compile time: %s %s.\n";
  static constexpr const char* kSource = "../source/common/img_yuv422toyuv420.c";
  static constexpr uint32_t kSrcYuv = PF_YUV_UYVY;
  static constexpr uint32_t kDstYuv = PF_YUV_420;
  static constexpr uint32_t kFill[3] = {0, 0, 0};
  static void report(void* result, uint32_t dst_image_type, uint32_t scene_change) {
    *static_cast<tYUV422ToYUV420Result*>(result) = {dst_image_type, scene_change};
  }
};
using Module = Conversion<Yuv422ToYuv420Config>;

}  // namespace
}  // namespace pf

PF_ENTRY_POINTS(ImgYUV422ToYUV420, pf::Module)

extern "C" {

uint32_t ImgYUV422ToYUV420Process_c(void* hHandle, void* pBuffers, void* pResult) {
  return pf::Module::process(hHandle, pBuffers, pResult);
}

uint32_t ImgYUV422ToYUV420Debug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImgYUV422ToYUV420GetMemSize_c(const void* pParam, uint32_t* pu32Size) {
  return pf::Module::get_mem_size(pParam, pu32Size);
}

}  // extern "C"

PF_FUNCTION_TABLE(tYUV422ToYUV420Funcs, ImgYUV422ToYUV420)
