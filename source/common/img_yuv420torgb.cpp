// SPDX-License-Identifier: BSD-2-Clause
// The YUV-to-RGB module: validation, kernel choice by bit count, orientation from the options.
#include "img_yuv420torgb.h"

#include <cstdint>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "rgb/rgb_internal.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_420TORGB_"
PF_ERROR_LIST(pas8ImageYUV420ToRGBSelfAnalyzeErrorCode, PF_IMG_YUV420TORGB_ERRORS,
              ERR_IMG_420TORGB_BASE_)
#undef PF_ERROR_PREFIX

extern "C" {

#define PF_K(ptr, c, ...) tYuv420ToRgbKernel ptr = c;
#include "rgb/yuv420torgb_kernels.def"
#undef PF_K

tGenerateYUVtoRGBTables GenerateYUVtoRGBTables = GenerateYUVtoRGBTables_c;

}  // extern "C"

namespace pf {
namespace {

constexpr KernelRow<tYuv420ToRgbKernel> kKernels[] = {
#define PF_K PF_KERNEL_ROW
#include "rgb/yuv420torgb_kernels.def"
#undef PF_K
};

// Open and SetParam check the same fields in the same order, each with its own codes.
struct CheckCodes {
  uint32_t size, top, left, win_height, win_width, bit_count;
};
constexpr CheckCodes kOpenChecks{kOPEN_INPUT_IMG_SIZE, kOPEN_RGB_Y_POSITION, kOPEN_RGB_X_POSITION,
                                 kOPEN_WINDOW_HEIGHT,  kOPEN_WINDOW_WIDTH,   kOPEN_UNSUPPORTTYPE};
constexpr CheckCodes kSetParamChecks{kSETPARAM_INPUT_IMG_SIZE, kSETPARAM_RGB_Y_POSITION,
                                     kSETPARAM_RGB_X_POSITION, kSETPARAM_WINDOW_HEIGHT,
                                     kSETPARAM_WINDOW_WIDTH,   kSETPARAM_UNSUPPORTTYPE};

uint32_t check_param(const tYuv420ToRgbParam& p, const CheckCodes& codes) {
  // 64-bit arithmetic: the record's fields may hold anything a caller stored.
  const int64_t width = p.s32Width, height = p.s32Height;
  if (width < 1 || height < 1) return codes.size;
  if (p.s32WinTop < 0 || p.s32WinTop > height - 1) return codes.top;
  if (p.s32WinLeft < 0 || p.s32WinLeft > width - 1) return codes.left;
  if (p.s32WinWidth < 1 || p.s32WinWidth > width - p.s32WinLeft) return codes.win_width;
  if (p.s32WinHeight < 1 || p.s32WinHeight > height - p.s32WinTop) return codes.win_height;
  if (p.u32BitCount != 16 && p.u32BitCount != 24 && p.u32BitCount != 32) return codes.bit_count;
  return PF_STATUS_OK;
}

void store(tYuv420ToRgbInstance& inst, const tYuv420ToRgbParam& p) {
  inst.tParam = p;
  switch (p.u32BitCount) {
    case 16:
      inst.pfnKernel = load_kernel(YUV420ToRGB565);
      break;
    case 24:
      inst.pfnKernel = load_kernel(YUV420ToRGB24);
      break;
    default:
      inst.pfnKernel = load_kernel(YUV420ToRGB32);
      break;
  }
}

struct Yuv420ToRgb {
  using Param = tYuv420ToRgbParam;
  using Instance = tYuv420ToRgbInstance;
  static constexpr FrameCodes kCodes =
      frame_codes(kErrorNames, {.fast_scratch = true, .dma = true});
  static constexpr ErrorTable kErrors = error_table(kErrorNames);
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames, "ColorSpace Version: pelforge_v300.yuv420torgb.002, Compile time: %s %s.\n");
  static constexpr const char* kSource = "../source/common/img_yuv420torgb.c";

  static uint32_t validate(const Param& p) { return check_param(p, kOpenChecks); }
  static uint32_t validate_set(const Param& p) { return check_param(p, kSetParamChecks); }
  static void global_init() { ImgYUV420ToRGBGlobalInit(); }
  static void select(Instance& inst, const Param& p) { store(inst, p); }
};

}  // namespace

std::span<const KernelRow<tYuv420ToRgbKernel>> yuv420_to_rgb_kernels() { return kKernels; }

}  // namespace pf

PF_DISPATCH(ImgYUV420ToRGB, pf::kKernels)
PF_SET_PARAM(ImgYUV420ToRGB, pf::Yuv420ToRgb)
PF_GET_STATUS(ImgYUV420ToRGB, pf::Yuv420ToRgb)
PF_NAMES_AND_VERSION(ImgYUV420ToRGB, pf::Yuv420ToRgb)

extern "C" {

uint32_t ImgYUV420ToRGBOpen_c(void** phHandle, const void* pParam, void* hMem) {
  const uint32_t status = pf::open<pf::Yuv420ToRgb>(phHandle, pParam, hMem);
  if (status == PF_STATUS_OK) pf::load_kernel(GenerateYUVtoRGBTables)();
  return status;
}

uint32_t ImgYUV420ToRGBClose_c(void* hHandle) { return pf::close<pf::Yuv420ToRgb>(hHandle); }

uint32_t ImgYUV420ToRGBProcess_c(void* hHandle, void* pData, void* pOptions) {
  if (hHandle == nullptr) return pf::kPROCESS_INPUT_HANDLE;
  if (pData == nullptr) return pf::kPROCESS_INPUT_PARAM;
  if (pOptions == nullptr) return pf::kPROCESS_OUTPUT_PARAM;
  const auto& data = *static_cast<const tYuv420ToRgbData*>(pData);
  if (data.pu8Yuv == nullptr) return pf::kPROCESS_INPUT_BUFF;
  if (data.pu8Rgb == nullptr) return pf::kPROCESS_OUTPUT_BUFF;
  auto& inst = *static_cast<tYuv420ToRgbInstance*>(hHandle);
  // The flag belongs to this picture only: without a top-down option the picture is bottom-up,
  // whatever an earlier call asked for.
  const tYuv420ToRgbOption* option = static_cast<const tYuv420ToRgbOptions*>(pOptions)->ptOption;
  inst.u32TopDown =
      option != nullptr && option->u32Kind == PF_YUV420TORGB_OPTION_TOP_DOWN ? option->u32Value : 0;
  inst.pfnKernel(&inst, data.pu8Yuv, data.pu8Rgb);
  return PF_STATUS_OK;
}

uint32_t ImageYUV420ToRGBDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImageYUV420ToRGBGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a missing record.
  return pf::fixed_mem_size(pu32Size, 88, pf::kOPEN_INPUT_PARAM);
}

}  // extern "C"

PF_FUNCTION_TABLE_WITH(tYUVYUV420toRGBFuncs, ImgYUV420ToRGB, ImageYUV420ToRGBDebug_c,
                       ImageYUV420ToRGBGetMemSize_c)
