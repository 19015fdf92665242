// SPDX-License-Identifier: BSD-2-Clause
// The D1 split module: checks the D1 and quarter sizes and runs the split kernel.
#include "img_yuv422toyuv420_d1split.h"

#include <cstdint>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_D1_SPLIT_"
PF_ERROR_LIST(pas8ImageYUV422ToYUV420D1To4xCifSelfAnalyzeErrorCode, PF_IMG_D1SPLIT_ERRORS,
              ERR_IMG_D1_SPLIT_BASE_)
#undef PF_ERROR_PREFIX

extern "C" {

#define PF_K(ptr, c, ...) tYUV422ToYUV420D1To4xCifKernel ptr = c;
#include "d1split/d1split_kernels.def"
#undef PF_K

}  // extern "C"

namespace pf {
namespace {

constexpr KernelRow<tYUV422ToYUV420D1To4xCifKernel> kKernels[] = {
#define PF_K PF_KERNEL_ROW
#include "d1split/d1split_kernels.def"
#undef PF_K
};

struct CheckCodes {
  uint32_t source, width, height;
};
constexpr CheckCodes kOpenChecks{kOPEN_INPUT_IMG_SIZE, kOPEN_OUTPUT_IMG_WIDTH,
                                 kOPEN_OUTPUT_IMG_HEIGHT};
constexpr CheckCodes kSetParamChecks{kSETPARAM_INPUT_IMG_SIZE, kSETPARAM_OUTPUT_IMG_WIDTH,
                                     kSETPARAM_OUTPUT_IMG_HEIGHT};

uint32_t check_param(const tYUV422ToYUV420D1To4xCifParam& p, const CheckCodes& codes) {
  if (p.s32SrcWidth != 720 || (p.s32SrcHeight != 576 && p.s32SrcHeight != 480)) {
    return codes.source;
  }
  for (const auto& dst : p.atDst) {
    if (dst.s32Width != 352) return codes.width;
  }
  // A picture holds one field: a 480-line frame has no 288-line field to give, and reading one
  // would run past the caller's frame.
  for (const auto& dst : p.atDst) {
    if ((dst.s32Height != 288 && dst.s32Height != 240) || dst.s32Height > p.s32SrcHeight / 2) {
      return codes.height;
    }
  }
  return PF_STATUS_OK;
}

void store(tYUV422ToYUV420D1To4xCifInstance& inst, const tYUV422ToYUV420D1To4xCifParam& p) {
  inst.s32SrcWidth = p.s32SrcWidth;
  inst.s32SrcHeight = p.s32SrcHeight;
  inst.s32SrcLineBytes = 2 * p.s32SrcWidth;
  for (int q = 0; q < 4; ++q) inst.atDst[q] = p.atDst[q];
}

struct D1Split {
  using Param = tYUV422ToYUV420D1To4xCifParam;
  using Instance = tYUV422ToYUV420D1To4xCifInstance;
  static constexpr FrameCodes kCodes =
      frame_codes(kErrorNames, {.fast_scratch = true, .dma = true});
  static constexpr ErrorTable kErrors = error_table(kErrorNames);
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames,
      "ColorSpace Version: pelforge_v300.yuv422toyuv420_d1split.001, Compile time: %s %s.\n");
  static constexpr const char* kSource = "../source/common/img_yuv422toyuv420_d1split.c";

  static uint32_t validate(const Param& p) { return check_param(p, kOpenChecks); }
  static void global_init() { ImgYUV422ToYUV420D1To4xCifGlobalInit(); }
  static void select(Instance& inst, const Param& p) {
    store(inst, p);
    inst.pfnKernel = load_kernel(ImgYUV422ToYUV420D1To4xCif);
  }
  // SetParam keeps the kernel Open chose.
  static uint32_t set(Instance& inst, const Param& p) {
    if (const uint32_t error = check_param(p, kSetParamChecks)) return error;
    store(inst, p);
    return PF_STATUS_OK;
  }
  static void status(const Instance& inst, Param& p) {
    p.s32SrcWidth = inst.s32SrcWidth;
    p.s32SrcHeight = inst.s32SrcHeight;
    for (int q = 0; q < 4; ++q) p.atDst[q] = inst.atDst[q];
  }
};

}  // namespace
}  // namespace pf

PF_DISPATCH(ImgYUV422ToYUV420D1To4xCif, pf::kKernels)
PF_ENTRY_POINTS(ImgYUV422ToYUV420D1To4xCif, pf::D1Split)

extern "C" {

uint32_t ImgYUV422ToYUV420D1To4xCifProcess_c(void* hHandle, void* pData, void* pReserved) {
  if (hHandle == nullptr) return pf::kPROCESS_INPUT_HANDLE;
  if (pData == nullptr) return pf::kPROCESS_INPUT_PARAM;
  if (pReserved == nullptr) return pf::kPROCESS_OUTPUT_PARAM;
  const auto& data = *static_cast<const tYUV422ToYUV420D1To4xCifData*>(pData);
  if (data.pu8Src == nullptr) return pf::kPROCESS_INPUT_BUFF;
  for (uint8_t* dst : data.apu8Dst) {
    if (dst == nullptr) return pf::kPROCESS_OUTPUT_BUFF;
  }
  const auto& inst = *static_cast<const tYUV422ToYUV420D1To4xCifInstance*>(hHandle);
  inst.pfnKernel(&inst, data.pu8Src, data.apu8Dst[0], data.apu8Dst[1], data.apu8Dst[2],
                 data.apu8Dst[3]);
  return PF_STATUS_OK;
}

uint32_t ImgYUV422ToYUV420D1To4xCifDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImgYUV422ToYUV420D1To4xCifGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a missing record.
  return pf::fixed_mem_size(pu32Size, 96, pf::kOPEN_INPUT_PARAM);
}

}  // extern "C"

PF_FUNCTION_TABLE(tYUV422ToYUV420D1To4xCifFuncs, ImgYUV422ToYUV420D1To4xCif)
