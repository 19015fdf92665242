// SPDX-License-Identifier: BSD-2-Clause
// The RGB-to-YUV module: validation, the 5-6-5 table each instance owns, and the source row
// length the kernels see.
#include "img_rgbtoyuv.h"

#include <cstddef>
#include <cstdint>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "rgb/rgb_internal.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_RGBTOYUV_"
PF_ERROR_LIST(pas8RGBtoYUVAnalyzeErrorCode, PF_IMG_RGBTOYUV_ERRORS, ERR_IMG_RGBTOYUV_BASE_)
#undef PF_ERROR_PREFIX

extern "C" {

#define PF_K(ptr, c, ...) tRgbToYuvKernel ptr = c;
#include "rgb/rgbtoyuv_kernels.def"
#undef PF_K

}  // extern "C"

namespace pf {
namespace {

constexpr const char* kSourcePath = "../source/common/img_rgbtoyuv.c";

// The MMX variants call the codec unit library's converters: every build has them, with or
// without the SIMD objects.
constexpr KernelRow<tRgbToYuvKernel> kKernels[] = {
#define PF_K PF_KERNEL_ROW
#include "rgb/rgbtoyuv_kernels.def"
#undef PF_K
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
  static constexpr FrameCodes kCodes =
      frame_codes(kErrorNames, {.fast_scratch = true, .dma = true});
  static constexpr ErrorTable kErrors = error_table(kErrorNames);
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames, "ImageRGB Version: pelforge_v300.ImageRGBtoYUV.005, Compile time: %s %s.\n");
  static constexpr const char* kSource = kSourcePath;

  static uint32_t validate(const Param& p) { return check_param(p, kOpenChecks); }
  static uint32_t validate_set(const Param& p) { return check_param(p, kSetParamChecks); }
  static void global_init() { RGBtoYUVGlobalInit(); }
  static void select(Instance& inst, const Param& p) { store(inst, p); }
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

}  // namespace

std::span<const KernelRow<tRgbToYuvKernel>> rgb_to_yuv_kernels() { return kKernels; }

void restore_rgb_scalar_defaults() {
  for (const auto& row : yuv420_to_rgb_kernels()) store_kernel(*row.pointer, row.scalar);
  for (const auto& row : rgb_resizer_kernels()) store_kernel(*row.pointer, row.scalar);
  for (const auto& row : rgb_to_yuv_kernels()) store_kernel(*row.pointer, row.scalar);
}

}  // namespace pf

PF_DISPATCH(RGBtoYUV, pf::kKernels)
PF_ENTRY_POINTS(RGBtoYUV, pf::RgbToYuv)

extern "C" {

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

uint32_t RGBtoYUVDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t RGBtoYUVGetMemSize_c(const void*, uint32_t* pu32Size) {
  // The instance and its 5-6-5 table.
  return pf::fixed_mem_size(pu32Size, 0x40070, pf::kOPEN_INPUT_PARAM);
}

}  // extern "C"

PF_FUNCTION_TABLE(tRGBtoYUVFuncs, RGBtoYUV)
