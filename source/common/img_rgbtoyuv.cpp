// SPDX-License-Identifier: BSD-2-Clause
// The RGB-to-YUV module: validation, the 5-6-5 table each instance owns, and the source row
// length the kernels see.
#include "img_rgbtoyuv.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "rgb/rgb_internal.hpp"

extern "C" const char* const pas8RGBtoYUVAnalyzeErrorCode[] = {
#define PF_X(name) "ERR_IMG_RGBTOYUV_" #name,
    PF_IMG_RGBTOYUV_ERRORS(PF_X)
#undef PF_X
};
static_assert(std::size(pas8RGBtoYUVAnalyzeErrorCode) ==
              ERR_IMG_RGBTOYUV_END - ERR_IMG_RGBTOYUV_BASE_);

extern "C" {

#define PF_K(ptr, c, mmx, sse2, ssse3, sse4) tRgbToYuvKernel ptr = c;
#include "rgb/rgbtoyuv_kernels.def"
#undef PF_K

void RGBtoYUVMMXFunctions(void) {
#define PF_K PF_KERNEL_SET_MMX
#include "rgb/rgbtoyuv_kernels.def"
#undef PF_K
}

void RGBtoYUVSSE2Functions(void) {
#define PF_K PF_KERNEL_SET_SSE2
#include "rgb/rgbtoyuv_kernels.def"
#undef PF_K
}

void RGBtoYUVSSSE3Functions(void) {
#define PF_K PF_KERNEL_SET_SSSE3
#include "rgb/rgbtoyuv_kernels.def"
#undef PF_K
}

void RGBtoYUVSSE4Functions(void) {
#define PF_K PF_KERNEL_SET_SSE4
#include "rgb/rgbtoyuv_kernels.def"
#undef PF_K
}

}  // extern "C"

namespace pf {
namespace {

constexpr const char* kSourcePath = "../source/common/img_rgbtoyuv.c";

constexpr KernelRow<tRgbToYuvKernel> kKernels[] = {
#define PF_K PF_KERNEL_ROW
#include "rgb/rgbtoyuv_kernels.def"
#undef PF_K
};

enum : uint32_t {
#define PF_X(name) k##name = ERR_IMG_RGBTOYUV_##name,
  PF_IMG_RGBTOYUV_ERRORS(PF_X)
#undef PF_X
};

struct CheckCodes {
  int64_t max_width;  // 0: no limit
  uint32_t src_size, src_stride, dst_size, dst_stride, bit_count, yuv_type;
};
constexpr CheckCodes kOpenChecks{0,
                                 kOPEN_INPUT_IMG_SIZE,
                                 kOPEN_INPUT_IMG_SRCSTRIDE,
                                 kOPEN_DST_IMG_SIZE,
                                 kOPEN_INPUT_IMG_DSTSTRIDE,
                                 kOPEN_SRCRGB_TYPE,
                                 kOPEN_DSTRGB_TYPE};
constexpr CheckCodes kSetParamChecks{PF_RGBTOYUV_SETPARAM_MAX_WIDTH, kSETPARAM_INPUT_IMG_SIZE,
                                     kSETPARAM_INPUT_IMG_STRIDE,     kSETPARAM_OUTPUT_IMG_SIZE,
                                     kSETPARAM_OUTPUT_IMG_STRIDE,    kSETPARAM_SRCRGB_TYPE,
                                     kSETPARAM_DSTRGB_TYPE};

bool positive_even(int32_t v) { return v > 0 && v % 2 == 0; }

// Source rows are this many bytes apart: the pitch in pixels, rounded up to whole 32-bit words.
int64_t src_row_bytes(uint32_t bits, int32_t pitch) {
  return ((static_cast<int64_t>(bits) * pitch + 31) & ~int64_t{31}) / 8;
}

uint32_t check_param(const tRgbToYuvParam& p, const CheckCodes& codes) {
  if (!positive_even(p.s32SrcWidth) || !positive_even(p.s32SrcHeight) ||
      (codes.max_width != 0 && p.s32SrcWidth > codes.max_width)) {
    return codes.src_size;
  }
  // The row length in bytes replaces the pitch while a kernel runs, so it has to fit the field;
  // at 32 bits per pixel (the most a caller can ask for) that bounds the pitch.
  if (p.s32SrcWidth > p.s32SrcPitch || src_row_bytes(32, p.s32SrcPitch) > INT32_MAX) {
    return codes.src_stride;
  }
  if (!positive_even(p.s32DstWidth) || !positive_even(p.s32DstHeight) ||
      p.s32DstWidth != p.s32SrcWidth || p.s32DstHeight != p.s32SrcHeight) {
    return codes.dst_size;
  }
  if (p.s32DstWidth > p.s32DstPitch) return codes.dst_stride;
  if (p.u32SrcBitCount != 16 && p.u32SrcBitCount != 24 && p.u32SrcBitCount != 32) {
    return codes.bit_count;
  }
  if (p.u32DstYuvType != PF_YUV_420) return codes.yuv_type;
  return PF_STATUS_OK;
}

void store(tRgbToYuvInstance& inst, const tRgbToYuvParam& p) {
  inst.tParam = p;
  switch (p.u32SrcBitCount) {
    case 16:
      inst.pfnKernel = load_kernel(RGB565toYUV420);
      break;
    case 24:
      inst.pfnKernel = load_kernel(RGB24toYUV420);
      break;
    default:
      inst.pfnKernel = load_kernel(RGB32toYUV420);
      break;
  }
}

struct RgbToYuv {
  using Param = tRgbToYuvParam;
  using Instance = tRgbToYuvInstance;
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
  static constexpr const char* kSource = kSourcePath;

  static uint32_t validate(const Param& p) { return check_param(p, kOpenChecks); }
  static void global_init() { RGBtoYUVGlobalInit(); }
  static uint32_t select(Instance& inst, const Param& p) {
    store(inst, p);
    return PF_STATUS_OK;
  }
  // The 5-6-5 table is every instance's own, filled once here and kept across SetParam.
  static uint32_t acquire(Instance& inst) {
    auto* table = static_cast<uint8_t*>(
        vmem_malloc(inst.hMem, PF_RGBTOYUV_TABLE_BYTES, kInstanceAlign, kSourcePath, __LINE__));
    if (table == nullptr) return kOPEN_MALLOC;
    fill_rgb565_yuv_table(table);
    inst.pu8Table565 = table;
    return PF_STATUS_OK;
  }
  static void release(Instance& inst) {
    if (inst.pu8Table565 == nullptr) return;
    vmem_free(inst.hMem, inst.pu8Table565, kSourcePath, __LINE__);
    inst.pu8Table565 = nullptr;
  }
};

std::atomic<uint64_t> g_once{0};

constexpr ErrorTable kErrors{
    .names = pas8RGBtoYUVAnalyzeErrorCode,
    .count = ERR_IMG_RGBTOYUV_END - ERR_IMG_RGBTOYUV_BASE_,
    .first_code = kOPEN_INPUT_HANDLE,
    .accept_lo = kOPEN_INPUT_HANDLE,
    .accept_hi = kEND,
    .null_buffer = kANDTF_ANALYZECODE_HANDLE,
    .delegate = nullptr,
};

constexpr VersionSpec kVersion{
    .format = "ImageRGB Version: pelforge_v300.ImageRGBtoYUV.005, Compile time: %s %s.\n",
    .null_buffer = kGETVERSION_INPUT_BUFFER,
    .null_length = 0,
    .short_buffer = kGETVERSION_BUFFERLEN,
};

}  // namespace

std::span<const KernelRow<tRgbToYuvKernel>> rgb_to_yuv_kernels() { return kKernels; }

void restore_rgb_scalar_defaults() {
  for (const auto& row : yuv420_to_rgb_kernels()) store_kernel(*row.pointer, row.scalar);
  for (const auto& row : rgb_resizer_kernels()) store_kernel(*row.pointer, row.scalar);
  for (const auto& row : rgb_to_yuv_kernels()) store_kernel(*row.pointer, row.scalar);
}

}  // namespace pf

extern "C" {

void RGBtoYUVGlobalInit(void) {
  pf::dispatch_once(pf::g_once, RGBtoYUVMMXFunctions, RGBtoYUVSSE2Functions, RGBtoYUVSSSE3Functions,
                    RGBtoYUVSSE4Functions);
}

uint32_t RGBtoYUVOpen_c(void** phHandle, const void* pParam, void* hMem) {
  return pf::open<pf::RgbToYuv>(phHandle, pParam, hMem);
}

uint32_t RGBtoYUVClose_c(void* hHandle) { return pf::close<pf::RgbToYuv>(hHandle); }

uint32_t RGBtoYUVSetParam_c(void* hHandle, const void* pParam) {
  if (hHandle == nullptr) return pf::kSETPARAM_INPUT_HANDLE;
  if (pParam == nullptr) return pf::kSETPARAM_INPUT_PARAM;
  const auto& p = *static_cast<const tRgbToYuvParam*>(pParam);
  if (const uint32_t error = pf::check_param(p, pf::kSetParamChecks)) return error;
  pf::store(*static_cast<tRgbToYuvInstance*>(hHandle), p);
  return PF_STATUS_OK;
}

uint32_t RGBtoYUVGetStatus_c(void* hHandle, void* pStatus) {
  if (hHandle == nullptr) return pf::kGETSTATUS_INPUT_HANDLE;
  if (pStatus == nullptr) return pf::kGETSTATUS_INPUT_PARAM;
  *static_cast<tRgbToYuvParam*>(pStatus) = static_cast<const tRgbToYuvInstance*>(hHandle)->tParam;
  return PF_STATUS_OK;
}

uint32_t RGBtoYUVProcess_c(void* hHandle, void* pSrc, void* pDst) {
  if (hHandle == nullptr) return pf::kPROCESS_INPUT_HANDLE;
  if (pSrc == nullptr) return pf::kPROCESS_INPUT_PARAM;
  if (pDst == nullptr) return pf::kPROCESS_OUTPUT_PARAM;
  const auto& src = *static_cast<const tRgbToYuvSrc*>(pSrc);
  const auto& dst = *static_cast<const tRgbToYuvDst*>(pDst);
  if (src.pu8Rgb == nullptr) return pf::kPROCESS_INPUT_BUFF;
  if (dst.pu8Y == nullptr) return pf::kPROCESS_OUTPUT_BUFF;
  auto& inst = *static_cast<tRgbToYuvInstance*>(hHandle);
  tRgbToYuvParam& p = inst.tParam;

  uint8_t* u = dst.pu8U;
  uint8_t* v = dst.pu8V;
  if (u == nullptr || v == nullptr) {
    const ptrdiff_t luma_bytes = static_cast<ptrdiff_t>(p.s32DstPitch) * p.s32DstHeight;
    u = dst.pu8Y + luma_bytes;
    v = u + luma_bytes / 4;
  }
  // Validation bounded the pitch so that the byte length fits.
  const int32_t pitch = p.s32SrcPitch;
  p.s32SrcPitch = static_cast<int32_t>(pf::src_row_bytes(p.u32SrcBitCount, pitch));
  inst.pfnKernel(&inst, src.pu8Rgb, dst.pu8Y, u, v);
  p.s32SrcPitch = pitch;
  return PF_STATUS_OK;
}

uint32_t RGBtoYUVGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen) {
  return PF_WRITE_VERSION(pf::kVersion, ps8Buf, s32BufLen, pu32TextLen);
}

uint32_t RGBtoYUVAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf) {
  return pf::analyze_error_code(pf::kErrors, u32Code, s32BufLen, ps8Buf);
}

uint32_t RGBtoYUVDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t RGBtoYUVGetMemSize_c(const void*, uint32_t* pu32Size) {
  // The instance and its 5-6-5 table.
  return pf::fixed_mem_size(pu32Size, 0x40070, pf::kOPEN_INPUT_PARAM);
}

const tImgProcFuncList tRGBtoYUVFuncs = {
    RGBtoYUVOpen_c,
    RGBtoYUVProcess_c,
    RGBtoYUVClose_c,
    RGBtoYUVSetParam_c,
    RGBtoYUVGetVersion_c,
    RGBtoYUVGetStatus_c,
    RGBtoYUVAnalyzeErrorCode_c,
    RGBtoYUVDebug_c,
    RGBtoYUVGetMemSize_c,
};

}  // extern "C"
