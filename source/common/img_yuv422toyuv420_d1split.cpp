// SPDX-License-Identifier: BSD-2-Clause
// The D1 split module: checks the D1 and quarter sizes and runs the split kernel.
#include "img_yuv422toyuv420_d1split.h"

#include <atomic>
#include <cstdint>
#include <iterator>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"

extern "C" const char* const pas8ImageYUV422ToYUV420D1To4xCifSelfAnalyzeErrorCode[] = {
#define PF_X(name) "ERR_IMG_D1_SPLIT_" #name,
    PF_IMG_D1SPLIT_ERRORS(PF_X)
#undef PF_X
};
static_assert(std::size(pas8ImageYUV422ToYUV420D1To4xCifSelfAnalyzeErrorCode) ==
              ERR_IMG_D1_SPLIT_END - ERR_IMG_D1_SPLIT_BASE_);

extern "C" {

#define PF_K(ptr, c, mmx, sse2, ssse3, sse4) tYUV422ToYUV420D1To4xCifKernel ptr = c;
#include "d1split/d1split_kernels.def"
#undef PF_K

void ImgYUV422ToYUV420D1To4xCifMMXFunctions(void) {
#define PF_K PF_KERNEL_SET_MMX
#include "d1split/d1split_kernels.def"
#undef PF_K
}

void ImgYUV422ToYUV420D1To4xCifSSE2Functions(void) {
#define PF_K PF_KERNEL_SET_SSE2
#include "d1split/d1split_kernels.def"
#undef PF_K
}

void ImgYUV422ToYUV420D1To4xCifSSSE3Functions(void) {
#define PF_K PF_KERNEL_SET_SSSE3
#include "d1split/d1split_kernels.def"
#undef PF_K
}

void ImgYUV422ToYUV420D1To4xCifSSE4Functions(void) {
#define PF_K PF_KERNEL_SET_SSE4
#include "d1split/d1split_kernels.def"
#undef PF_K
}

}  // extern "C"

namespace pf {
namespace {

enum : uint32_t {
#define PF_X(name) k##name = ERR_IMG_D1_SPLIT_##name,
  PF_IMG_D1SPLIT_ERRORS(PF_X)
#undef PF_X
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
  static constexpr FrameCodes kCodes{
      .out_pointer = kOPEN_INPUT_HANDLE,
      .init_pointer = kOPEN_INPUT_PARAM,
      .handle_malloc = kOPEN_MALLOC,
      .fast_scratch = kFAST_SCRATCH_MEM_MALLOC,
      .dma = kGET_DMA_HANDLE,
      .close_pointer = kCLOSE_INPUT_HANDLE,
      .close_mem_pointer = kCLOSE_INPUT_MEMHANDLE,
      .mem_pointer = kOPEN_INPUT_MEMHANDLE,
      .close_free = kCLOSE_FREE,
  };
  static constexpr const char* kSource = "../source/common/img_yuv422toyuv420_d1split.c";

  static uint32_t validate(const Param& p) { return check_param(p, kOpenChecks); }
  static void global_init() { ImgYUV422ToYUV420D1To4xCifGlobalInit(); }
  static uint32_t select(Instance& inst, const Param& p) {
    store(inst, p);
    inst.pfnKernel = load_kernel(ImgYUV422ToYUV420D1To4xCif);
    return PF_STATUS_OK;
  }
};

std::atomic<uint64_t> g_once{0};

constexpr ErrorTable kErrors{
    .names = pas8ImageYUV422ToYUV420D1To4xCifSelfAnalyzeErrorCode,
    .count = ERR_IMG_D1_SPLIT_END - ERR_IMG_D1_SPLIT_BASE_,
    .first_code = kOPEN_INPUT_HANDLE,
    .accept_lo = kOPEN_INPUT_HANDLE,
    .accept_hi = kEND,
    .null_buffer = kANDTF_ANALYZECODE_HANDLE,
    .delegate = nullptr,
};

constexpr VersionSpec kVersion{
    .format =
        "ColorSpace Version: pelforge_v300.yuv422toyuv420_d1split.001, Compile time: %s %s.\n",
    .null_buffer = kGETVERSION_INPUT_BUFFER,
    .null_length = 0,
    .short_buffer = kGETVERSION_BUFFERLEN,
};

}  // namespace
}  // namespace pf

extern "C" {

void ImgYUV422ToYUV420D1To4xCifGlobalInit(void) {
  pf::dispatch_once(
      pf::g_once, ImgYUV422ToYUV420D1To4xCifMMXFunctions, ImgYUV422ToYUV420D1To4xCifSSE2Functions,
      ImgYUV422ToYUV420D1To4xCifSSSE3Functions, ImgYUV422ToYUV420D1To4xCifSSE4Functions);
}

uint32_t ImgYUV422ToYUV420D1To4xCifOpen_c(void** phHandle, const void* pParam, void* hMem) {
  return pf::open<pf::D1Split>(phHandle, pParam, hMem);
}

uint32_t ImgYUV422ToYUV420D1To4xCifClose_c(void* hHandle) {
  return pf::close<pf::D1Split>(hHandle);
}

uint32_t ImgYUV422ToYUV420D1To4xCifSetParam_c(void* hHandle, const void* pParam) {
  if (hHandle == nullptr) return pf::kSETPARAM_INPUT_HANDLE;
  if (pParam == nullptr) return pf::kSETPARAM_INPUT_PARAM;
  const auto& p = *static_cast<const tYUV422ToYUV420D1To4xCifParam*>(pParam);
  if (const uint32_t error = pf::check_param(p, pf::kSetParamChecks)) return error;
  pf::store(*static_cast<tYUV422ToYUV420D1To4xCifInstance*>(hHandle), p);
  return PF_STATUS_OK;
}

uint32_t ImgYUV422ToYUV420D1To4xCifGetStatus_c(void* hHandle, void* pStatus) {
  if (hHandle == nullptr) return pf::kGETSTATUS_INPUT_HANDLE;
  if (pStatus == nullptr) return pf::kGETSTATUS_INPUT_PARAM;
  const auto& inst = *static_cast<const tYUV422ToYUV420D1To4xCifInstance*>(hHandle);
  auto& p = *static_cast<tYUV422ToYUV420D1To4xCifParam*>(pStatus);
  p.s32SrcWidth = inst.s32SrcWidth;
  p.s32SrcHeight = inst.s32SrcHeight;
  for (int q = 0; q < 4; ++q) p.atDst[q] = inst.atDst[q];
  return PF_STATUS_OK;
}

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

uint32_t ImgYUV422ToYUV420D1To4xCifGetVersion_c(char* ps8Buf, int32_t s32BufLen,
                                                uint32_t* pu32TextLen) {
  return PF_WRITE_VERSION(pf::kVersion, ps8Buf, s32BufLen, pu32TextLen);
}

uint32_t ImgYUV422ToYUV420D1To4xCifAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen,
                                                      char* ps8Buf) {
  return pf::analyze_error_code(pf::kErrors, u32Code, s32BufLen, ps8Buf);
}

uint32_t ImgYUV422ToYUV420D1To4xCifDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImgYUV422ToYUV420D1To4xCifGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a missing record.
  return pf::fixed_mem_size(pu32Size, 96, pf::kOPEN_INPUT_PARAM);
}

const tImgProcFuncList tYUV422ToYUV420D1To4xCifFuncs = {
    ImgYUV422ToYUV420D1To4xCifOpen_c,
    ImgYUV422ToYUV420D1To4xCifProcess_c,
    ImgYUV422ToYUV420D1To4xCifClose_c,
    ImgYUV422ToYUV420D1To4xCifSetParam_c,
    ImgYUV422ToYUV420D1To4xCifGetVersion_c,
    ImgYUV422ToYUV420D1To4xCifGetStatus_c,
    ImgYUV422ToYUV420D1To4xCifAnalyzeErrorCode_c,
    ImgYUV422ToYUV420D1To4xCifDebug_c,
    ImgYUV422ToYUV420D1To4xCifGetMemSize_c,
};

}  // extern "C"
