// SPDX-License-Identifier: BSD-2-Clause
// The bitmap to YUV-with-alpha module: the layout and key at Open/SetParam, the kernel by layout.
#include "img_bmptoyuv_alpha.h"

#include <atomic>
#include <cstdint>
#include <iterator>

#include "bitmap/bitmap.hpp"
#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"

extern "C" const char* const pas8BMPToYUVAlphaAnalyzeErrorCode[] = {
    "ERR_IMG_BMPTOYUV_ALPHA_START",
#define PF_X(name) "ERR_IMG_BMPTOYUV_" #name,
    PF_IMG_BMPTOYUV_ALPHA_ERRORS(PF_X)
#undef PF_X
};
static_assert(std::size(pas8BMPToYUVAlphaAnalyzeErrorCode) ==
              ERR_IMG_BMPTOYUV_ALPHA_END - ERR_IMG_BMPTOYUV_ALPHA_START + 1);

extern "C" {

#define PF_K(ptr, c, mmx, sse2, ssse3, sse4) tBmpToYuvAlphaKernel ptr = c;
#include "bitmap/bmptoyuv_kernels.def"
#undef PF_K

// The manifest has no variants yet, so the selectors install nothing.
void ImgBMPToYUVAlphaMMXFunctions(void) {
#define PF_K PF_KERNEL_SET_MMX
#include "bitmap/bmptoyuv_kernels.def"
#undef PF_K
}

void ImgBMPToYUVAlphaSSE2Functions(void) {
#define PF_K PF_KERNEL_SET_SSE2
#include "bitmap/bmptoyuv_kernels.def"
#undef PF_K
}

void ImgBMPToYUVAlphaSSSE3Functions(void) {
#define PF_K PF_KERNEL_SET_SSSE3
#include "bitmap/bmptoyuv_kernels.def"
#undef PF_K
}

void ImgBMPToYUVAlphaSSE4Functions(void) {
#define PF_K PF_KERNEL_SET_SSE4
#include "bitmap/bmptoyuv_kernels.def"
#undef PF_K
}

}  // extern "C"

namespace pf {
namespace {

enum : uint32_t {
#define PF_X(name) k##name = ERR_IMG_BMPTOYUV_##name,
  PF_IMG_BMPTOYUV_ALPHA_ERRORS(PF_X)
#undef PF_X
};

bool valid_layout(uint32_t yuv_type) {
  return yuv_type == PF_YUV_420 || yuv_type == PF_YUV_NV12 || yuv_type == PF_YUV_UYVY ||
         yuv_type == PF_YUV_YUYV || yuv_type == PF_YUV_422P;
}

void store(tBmpToYuvAlphaInstance& inst, const tBmpToYuvAlphaParam& p) {
  inst.u32YuvType = p.u32YuvType;
  inst.u8KeyR = p.u8KeyR;
  inst.u8KeyG = p.u8KeyG;
  inst.u8KeyB = p.u8KeyB;
  inst.u8KeyOpacity = p.u8KeyOpacity;
}

struct BmpToYuvAlpha {
  using Param = tBmpToYuvAlphaParam;
  using Instance = tBmpToYuvAlphaInstance;
  static constexpr FrameCodes kCodes{
      .out_pointer = kALPHA_OPEN_HANDLE,
      .init_pointer = kALPHA_OPEN_HANDLE,
      .handle_malloc = kALPHA_OPEN_MALLOC,
      .fast_scratch = kMALLOC_FAST_SCRATCH,
      .dma = kGET_DMA_HANDLE,
      .close_pointer = kALPHA_CLOSE_HANDLE,
      // No code of its own: an instance without its memory handle is not a handle of ours.
      .close_mem_pointer = kALPHA_CLOSE_HANDLE,
      .mem_pointer = 0,
      .close_free = kALPHA_CLOSE_FREE,
  };
  static constexpr const char* kSource = "../source/common/img_bmptoyuv_alpha.c";

  static uint32_t validate(const Param& p) {
    return valid_layout(p.u32YuvType) ? PF_STATUS_OK : kALPHA_OPEN_YUVTYPE;
  }
  static void global_init() { ImgBMPToYUVAlphaGlobalInit(); }
  static uint32_t select(Instance& inst, const Param& p) {
    store(inst, p);
    return PF_STATUS_OK;
  }
};

std::atomic<uint64_t> g_once{0};

constexpr ErrorTable kErrors{
    .names = pas8BMPToYUVAlphaAnalyzeErrorCode,
    .count = std::size(pas8BMPToYUVAlphaAnalyzeErrorCode),
    .first_code = ERR_IMG_BMPTOYUV_ALPHA_START,
    .accept_lo = kALPHA_OPEN_HANDLE,
    .accept_hi = kPALETTE_BMPCOLORNUM,
    .null_buffer = kALPHA_ANALYZE_ERROR_CODE_HANDLE,
    .delegate = nullptr,
};

constexpr VersionSpec kVersion{
    .format = "BMPToYUVAlpha Version: pelforge_v300.bmptoyuvalpha.007, Compile time: %s %s.\n",
    .null_buffer = kALPHA_GETVERSION_HANDLE,
    .null_length = kALPHA_GETVERSION_POINTER,
    .short_buffer = kALPHA_GETVERSION_LENGTH,
};

}  // namespace

std::span<const KernelRow<tBmpToYuvAlphaKernel>> bmp_to_yuv_alpha_kernels() {
  static constexpr KernelRow<tBmpToYuvAlphaKernel> kKernels[] = {
#define PF_K PF_KERNEL_ROW
#include "bitmap/bmptoyuv_kernels.def"
#undef PF_K
  };
  return kKernels;
}

}  // namespace pf

extern "C" {

void ImgBMPToYUVAlphaGlobalInit(void) {
  pf::dispatch_once(pf::g_once, ImgBMPToYUVAlphaMMXFunctions, ImgBMPToYUVAlphaSSE2Functions,
                    ImgBMPToYUVAlphaSSSE3Functions, ImgBMPToYUVAlphaSSE4Functions);
}

uint32_t ImgBMPToYUVAlphaOpen_c(void** phHandle, const void* pParam, void* hMem) {
  return pf::open<pf::BmpToYuvAlpha>(phHandle, pParam, hMem);
}

uint32_t ImgBMPToYUVAlphaClose_c(void* hHandle) { return pf::close<pf::BmpToYuvAlpha>(hHandle); }

uint32_t ImgBMPToYUVAlphaSetParam_c(void* hHandle, const void* pParam) {
  if (hHandle == nullptr || pParam == nullptr) return pf::kALPHA_SETPARAM_HANDLE;
  const auto& p = *static_cast<const tBmpToYuvAlphaParam*>(pParam);
  if (!pf::valid_layout(p.u32YuvType)) return pf::kALPHA_SETPARAM_YUVTYPE;
  pf::store(*static_cast<tBmpToYuvAlphaInstance*>(hHandle), p);
  return PF_STATUS_OK;
}

uint32_t ImgBMPToYUVAlphaGetStatus_c(void* hHandle, void* pStatus) {
  if (hHandle == nullptr || pStatus == nullptr) return pf::kALPHA_GETSTATUS_HANDLE;
  const auto& inst = *static_cast<const tBmpToYuvAlphaInstance*>(hHandle);
  auto& out = *static_cast<tBmpToYuvAlphaParam*>(pStatus);
  out.u32YuvType = inst.u32YuvType;
  out.u8KeyR = inst.u8KeyR;
  out.u8KeyG = inst.u8KeyG;
  out.u8KeyB = inst.u8KeyB;
  out.u8KeyOpacity = inst.u8KeyOpacity;
  return PF_STATUS_OK;
}

uint32_t ImgBMPToYUVAlphaProcess_c(void* hHandle, void* pData, void* pInfo) {
  if (hHandle == nullptr || pData == nullptr || pInfo == nullptr) {
    return pf::kALPHA_PROCESS_HANDLE;
  }
  const auto& inst = *static_cast<const tBmpToYuvAlphaInstance*>(hHandle);
  const auto* data = static_cast<const tBmpToYuvAlphaData*>(pData);
  if (data->pu8Bmp == nullptr) return pf::kALPHA_PROCESS_INPUT_POINTER;
  if (data->pu8Yuv == nullptr || data->pu8Alpha == nullptr) {
    return pf::kALPHA_PROCESS_OUTPUT_POINTER;
  }
  auto* info = static_cast<tBmpToYuvAlphaInfo*>(pInfo);
  switch (inst.u32YuvType) {
    case PF_YUV_420:
    case PF_YUV_NV12:
      return pf::load_kernel(ConvertBMPToYUV420AndAlpha)(&inst, data, info);
    case PF_YUV_UYVY:
    case PF_YUV_YUYV:
      return pf::load_kernel(ConvertBMPToYUV422AndAlpha)(&inst, data, info);
    default:
      return pf::load_kernel(ConvertBMPToYUV422PAndAlpha)(&inst, data, info);
  }
}

uint32_t ImgBMPToYUVAlphaGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen) {
  return PF_WRITE_VERSION(pf::kVersion, ps8Buf, s32BufLen, pu32TextLen);
}

uint32_t ImgBMPToYUVAlphaAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf) {
  return pf::analyze_error_code(pf::kErrors, u32Code, s32BufLen, ps8Buf);
}

uint32_t ImgBMPToYUVAlphaDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImgBMPToYUVAlphaGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a null argument.
  return pf::fixed_mem_size(pu32Size, PF_BMPTOYUV_MEM_SIZE, pf::kALPHA_OPEN_HANDLE);
}

const tImgProcFuncList tImageBMPToYUVAlphaFunc = {
    ImgBMPToYUVAlphaOpen_c,
    ImgBMPToYUVAlphaProcess_c,
    ImgBMPToYUVAlphaClose_c,
    ImgBMPToYUVAlphaSetParam_c,
    ImgBMPToYUVAlphaGetVersion_c,
    ImgBMPToYUVAlphaGetStatus_c,
    ImgBMPToYUVAlphaAnalyzeErrorCode_c,
    ImgBMPToYUVAlphaDebug_c,
    ImgBMPToYUVAlphaGetMemSize_c,
};

}  // extern "C"
