// SPDX-License-Identifier: BSD-2-Clause
// The RGB resizer module: validation, the kernel for each bit-count pair, and the row lengths
// Process hands back to the caller.
#include "rgb_resizer.h"

#include <cstdint>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "rgb/rgb_internal.hpp"

#define PF_ERROR_PREFIX "ERR_RGB_RESIZER_"
PF_ERROR_LIST(pas8RGBResizerAnalyzeErrorCode, PF_RGB_RESIZER_ERRORS, ERR_RGB_RESIZER_BASE_)
#undef PF_ERROR_PREFIX

extern "C" {

#define PF_K(ptr, c, ...) tRgbResizerKernel ptr = c;
#include "rgb/rgb_resizer_kernels.def"
#undef PF_K

}  // extern "C"

namespace pf {
namespace {

constexpr KernelRow<tRgbResizerKernel> kKernels[] = {
#define PF_K PF_KERNEL_ROW
#include "rgb/rgb_resizer_kernels.def"
#undef PF_K
};

struct CheckCodes {
  uint32_t src_size, dst_size, src_bits, dst_bits;
};
constexpr CheckCodes kOpenChecks{kOPEN_INPUT_IMG_SIZE, kOPEN_DST_IMG_SIZE, kOPEN_SRCRGB_TYPE,
                                 kOPEN_DSTRGB_TYPE};
constexpr CheckCodes kSetParamChecks{kSETPARAM_INPUT_IMG_SIZE, kSETPARAM_OUTPUT_IMG_SIZE,
                                     kSETPARAM_SRCRGB_TYPE, kSETPARAM_DSTRGB_TYPE};

bool known_bit_count(uint32_t bits) { return bits == 8 || bits == 16 || bits == 24; }

uint32_t check_param(const tRgbResizerParam& p, const CheckCodes& codes) {
  if (p.s32SrcWidth < 1 || p.s32SrcWidth > PF_RGB_RESIZER_MAX_WIDTH || p.s32SrcHeight < 1) {
    return codes.src_size;
  }
  // A width or height of 1 is served: such a destination samples the source's first column or
  // row (see the kernels), so nothing divides by zero.
  if (p.s32DstWidth < 1 || p.s32DstWidth > PF_RGB_RESIZER_MAX_WIDTH || p.s32DstHeight < 1) {
    return codes.dst_size;
  }
  if (!known_bit_count(p.u32SrcBitCount)) return codes.src_bits;
  if (!known_bit_count(p.u32DstBitCount)) return codes.dst_bits;
  return PF_STATUS_OK;
}

// The kernel pointer for a bit-count pair, or null for the pairs no kernel serves.
tRgbResizerKernel* kernel_for(uint32_t src_bits, uint32_t dst_bits) {
  if (src_bits == 16 && dst_bits == 16) return &RGB565ReSizer;
  if (src_bits == 16 && dst_bits == 24) return &RGB16toRGB24ReSizer;
  if (src_bits == 24 && dst_bits == 24) return &RGB24ReSizer;
  if (src_bits == 24 && dst_bits == 16) return &RGB24toRGB16ReSizer;
  if (src_bits == 8 && dst_bits == 16) return &RGB8toRGB16ReSizer;
  return nullptr;
}

uint32_t choose_kernel(tRgbResizerInstance& inst, const tRgbResizerParam& p) {
  tRgbResizerKernel* kernel = kernel_for(p.u32SrcBitCount, p.u32DstBitCount);
  if (kernel == nullptr) return kFUNC_SELECT;
  inst.tParam = p;
  inst.pfnKernel = load_kernel(*kernel);
  return PF_STATUS_OK;
}

// Row length in bytes, rounded up to whole 32-bit words; false when it does not fit the record.
bool row_bytes(uint32_t bits, int32_t pixels, int32_t* bytes) {
  const int64_t length = ((static_cast<int64_t>(bits) * pixels + 31) & ~int64_t{31}) / 8;
  if (length > INT32_MAX) return false;
  *bytes = static_cast<int32_t>(length);
  return true;
}

struct RgbResizer {
  using Param = tRgbResizerParam;
  using Instance = tRgbResizerInstance;
  static constexpr FrameCodes kCodes =
      frame_codes(kErrorNames, {.fast_scratch = true, .dma = true});
  static constexpr ErrorTable kErrors = error_table(kErrorNames);
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames, "ImageRGB Version: pelforge_v300.ImageRGB.001, Compile time: %s %s.\n");
  static constexpr const char* kSource = "../source/common/rgb_resizer.c";
  // A pair no kernel serves is refused once the instance exists, before the scratch is taken.
  static constexpr bool kSelectFirst = true;

  static uint32_t validate(const Param& p) { return check_param(p, kOpenChecks); }
  static uint32_t validate_set(const Param& p) { return check_param(p, kSetParamChecks); }
  static void global_init() { RGBResizerGlobalInit(); }
  static uint32_t select(Instance& inst, const Param& p) { return choose_kernel(inst, p); }
};

}  // namespace

std::span<const KernelRow<tRgbResizerKernel>> rgb_resizer_kernels() { return kKernels; }

}  // namespace pf

PF_DISPATCH(RGBResizer, pf::kKernels)
PF_ENTRY_POINTS(RGBResizer, pf::RgbResizer)

extern "C" {

uint32_t RGBResizerProcess_c(void* hHandle, void* pSrc, void* pDst) {
  if (hHandle == nullptr) return pf::kPROCESS_INPUT_HANDLE;
  if (pSrc == nullptr) return pf::kPROCESS_INPUT_PARAM;
  if (pDst == nullptr) return pf::kPROCESS_OUTPUT_PARAM;
  const auto& inst = *static_cast<const tRgbResizerInstance*>(hHandle);
  const tRgbResizerParam& p = inst.tParam;
  auto& src = *static_cast<tRgbResizerSrc*>(pSrc);
  auto& dst = *static_cast<tRgbResizerDst*>(pDst);
  if (src.pu8Data == nullptr || (p.u32SrcBitCount == 8 && src.pu8Palette == nullptr)) {
    return pf::kPROCESS_INPUT_BUFF;
  }
  if (dst.pu8Data == nullptr) return pf::kPROCESS_OUTPUT_BUFF;
  int32_t src_bytes = 0, dst_bytes = 0;
  if (src.s32Pitch < p.s32SrcWidth || !pf::row_bytes(p.u32SrcBitCount, src.s32Pitch, &src_bytes)) {
    return pf::kPROCESS_SRC_STRIDE;
  }
  if (dst.s32Pitch < p.s32DstWidth || !pf::row_bytes(p.u32DstBitCount, dst.s32Pitch, &dst_bytes)) {
    return pf::kPROCESS_DST_STRIDE;
  }
  // The caller's records keep the byte lengths: that is how a caller learns them.
  src.s32Pitch = src_bytes;
  dst.s32Pitch = dst_bytes;
  inst.pfnKernel(&p, &src, &dst);
  return PF_STATUS_OK;
}

uint32_t RGBResizerDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t RGBResizerGetMemSize_c(const void*, uint32_t* pu32Size) {
  return pf::fixed_mem_size(pu32Size, 80, pf::kOPEN_INPUT_PARAM);
}

}  // extern "C"

PF_FUNCTION_TABLE(tRGBResizerFuncs, RGBResizer)
