// SPDX-License-Identifier: BSD-2-Clause
// The YUV-to-RGB module: validation, kernel choice by bit count, orientation from the options.
#include "img_yuv420torgb.h"

#include <atomic>
#include <cstdint>
#include <iterator>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "rgb/rgb_internal.hpp"

extern "C" const char* const pas8ImageYUV420ToRGBSelfAnalyzeErrorCode[] = {
#define PF_X(name) "ERR_IMG_420TORGB_" #name,
    PF_IMG_YUV420TORGB_ERRORS(PF_X)
#undef PF_X
};
static_assert(std::size(pas8ImageYUV420ToRGBSelfAnalyzeErrorCode) ==
              ERR_IMG_420TORGB_END - ERR_IMG_420TORGB_BASE_);

extern "C" {

#define PF_K(ptr, c, mmx, sse2, ssse3, sse4) tYuv420ToRgbKernel ptr = c;
#include "rgb/yuv420torgb_kernels.def"
#undef PF_K

tGenerateYUVtoRGBTables GenerateYUVtoRGBTables = GenerateYUVtoRGBTables_c;

void ImgYUV420ToRGBMMXFunctions(void) {
#define PF_K PF_KERNEL_SET_MMX
#include "rgb/yuv420torgb_kernels.def"
#undef PF_K
}

void ImgYUV420ToRGBSSE2Functions(void) {
#define PF_K PF_KERNEL_SET_SSE2
#include "rgb/yuv420torgb_kernels.def"
#undef PF_K
}

void ImgYUV420ToRGBSSSE3Functions(void) {
#define PF_K PF_KERNEL_SET_SSSE3
#include "rgb/yuv420torgb_kernels.def"
#undef PF_K
}

void ImgYUV420ToRGBSSE4Functions(void) {
#define PF_K PF_KERNEL_SET_SSE4
#include "rgb/yuv420torgb_kernels.def"
#undef PF_K
}

}  // extern "C"

namespace pf {
namespace {

constexpr KernelRow<tYuv420ToRgbKernel> kKernels[] = {
#define PF_K PF_KERNEL_ROW
#include "rgb/yuv420torgb_kernels.def"
#undef PF_K
};

enum : uint32_t {
#define PF_X(name) k##name = ERR_IMG_420TORGB_##name,
  PF_IMG_YUV420TORGB_ERRORS(PF_X)
#undef PF_X
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
  static constexpr FrameCodes kCodes{
      .out_pointer = kOPEN_INPUT_HANDLE,
      .init_pointer = kOPEN_INPUT_PARAM,
      .handle_malloc = kOPEN_MALLOC,
      .fast_scratch = kOPEN_MALLOC_FAST_SCRATCH,
      .dma = kOPEN_GET_DMA_HANDLE,
      .close_pointer = kCLOSE_INPUT_HANDLE,
      .close_mem_pointer = kCLOSE_INPUT_MEMHANDLE,
      .mem_pointer = kOPEN_INPUT_MEMHANDLE,
      .close_free = kCLOSE_FREE,
  };
  static constexpr const char* kSource = "../source/common/img_yuv420torgb.c";

  static uint32_t validate(const Param& p) { return check_param(p, kOpenChecks); }
  static void global_init() { ImgYUV420ToRGBGlobalInit(); }
  static uint32_t select(Instance& inst, const Param& p) {
    store(inst, p);
    return PF_STATUS_OK;
  }
};

std::atomic<uint64_t> g_once{0};

constexpr ErrorTable kErrors{
    .names = pas8ImageYUV420ToRGBSelfAnalyzeErrorCode,
    .count = ERR_IMG_420TORGB_END - ERR_IMG_420TORGB_BASE_,
    .first_code = kOPEN_INPUT_HANDLE,
    .accept_lo = kOPEN_INPUT_HANDLE,
    .accept_hi = kEND,
    .null_buffer = kANDTF_ANALYZECODE_HANDLE,
    .delegate = nullptr,
};

constexpr VersionSpec kVersion{
    .format = "ColorSpace Version: pelforge_v300.yuv420torgb.002, Compile time: %s %s.\n",
    .null_buffer = kGETVERSION_INPUT_BUFFER,
    .null_length = 0,
    .short_buffer = kGETVERSION_BUFFERLEN,
};

}  // namespace

std::span<const KernelRow<tYuv420ToRgbKernel>> yuv420_to_rgb_kernels() { return kKernels; }

}  // namespace pf

extern "C" {

void ImgYUV420ToRGBGlobalInit(void) {
  pf::dispatch_once(pf::g_once, ImgYUV420ToRGBMMXFunctions, ImgYUV420ToRGBSSE2Functions,
                    ImgYUV420ToRGBSSSE3Functions, ImgYUV420ToRGBSSE4Functions);
}

uint32_t ImgYUV420ToRGBOpen_c(void** phHandle, const void* pParam, void* hMem) {
  const uint32_t status = pf::open<pf::Yuv420ToRgb>(phHandle, pParam, hMem);
  if (status == PF_STATUS_OK) pf::load_kernel(GenerateYUVtoRGBTables)();
  return status;
}

uint32_t ImgYUV420ToRGBClose_c(void* hHandle) { return pf::close<pf::Yuv420ToRgb>(hHandle); }

uint32_t ImgYUV420ToRGBSetParam_c(void* hHandle, const void* pParam) {
  if (hHandle == nullptr) return pf::kSETPARAM_INPUT_HANDLE;
  if (pParam == nullptr) return pf::kSETPARAM_INPUT_PARAM;
  const auto& p = *static_cast<const tYuv420ToRgbParam*>(pParam);
  if (const uint32_t error = pf::check_param(p, pf::kSetParamChecks)) return error;
  pf::store(*static_cast<tYuv420ToRgbInstance*>(hHandle), p);
  return PF_STATUS_OK;
}

uint32_t ImgYUV420ToRGBGetStatus_c(void* hHandle, void* pStatus) {
  if (hHandle == nullptr) return pf::kGETSTATUS_INPUT_HANDLE;
  if (pStatus == nullptr) return pf::kGETSTATUS_INPUT_PARAM;
  *static_cast<tYuv420ToRgbParam*>(pStatus) =
      static_cast<const tYuv420ToRgbInstance*>(hHandle)->tParam;
  return PF_STATUS_OK;
}

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

uint32_t ImgYUV420ToRGBGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen) {
  return PF_WRITE_VERSION(pf::kVersion, ps8Buf, s32BufLen, pu32TextLen);
}

uint32_t ImgYUV420ToRGBAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf) {
  return pf::analyze_error_code(pf::kErrors, u32Code, s32BufLen, ps8Buf);
}

uint32_t ImageYUV420ToRGBDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImageYUV420ToRGBGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a missing record.
  return pf::fixed_mem_size(pu32Size, 88, pf::kOPEN_INPUT_PARAM);
}

const tImgProcFuncList tYUVYUV420toRGBFuncs = {
    ImgYUV420ToRGBOpen_c,
    ImgYUV420ToRGBProcess_c,
    ImgYUV420ToRGBClose_c,
    ImgYUV420ToRGBSetParam_c,
    ImgYUV420ToRGBGetVersion_c,
    ImgYUV420ToRGBGetStatus_c,
    ImgYUV420ToRGBAnalyzeErrorCode_c,
    ImageYUV420ToRGBDebug_c,
    ImageYUV420ToRGBGetMemSize_c,
};

}  // extern "C"
