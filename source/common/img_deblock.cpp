// SPDX-License-Identifier: BSD-2-Clause
// The deblock module: exported entry points without a registry entry, on the module frame.
#include "img_deblock.h"

#include <cstdint>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "img_deblock_internal.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_DEBLOCK_"
PF_ERROR_LIST(pas8DeblockAnalyzeErrorCode, PF_IMG_DEBLOCK_ERRORS, ERR_IMG_DEBLOCK_BASE_)
#undef PF_ERROR_PREFIX

extern "C" {

#define PF_K(ptr, c, ...) tImgDeblockKernel ptr = c;
#include "deblock/deblock_kernels.def"
#undef PF_K

}  // extern "C"

namespace pf {
namespace {

constexpr KernelRow<tImgDeblockKernel> kKernels[] = {
#define PF_K PF_SIMD_KERNEL_ROW
#include "deblock/deblock_kernels.def"
#undef PF_K
};

// Sizes that are not positive pass: the kernel then has nothing to do. Halves are computed as
// the kernel computes the chroma sizes.
uint32_t check_param(const tImgDeblockParam& p) {
  if (p.s32SrcWidth > 0 && p.s32SrcWidth % 8 != 0) return kPARAM_WIDTH;
  if (p.s32SrcHeight > 0 && p.s32SrcHeight % 8 != 0) return kPARAM_HEIGHT;
  if (p.s32DstHeight != p.s32SrcHeight || p.s32DstWidth != p.s32SrcWidth)
    return kPARAM_WIDTH_HEIGHT;
  if (p.s32SrcWidth > p.s32SrcYStride || p.s32SrcWidth / 2 > p.s32SrcUVStride)
    return kPARAM_SRC_STRIDE;
  if (p.s32DstWidth > p.s32DstYStride || p.s32DstWidth / 2 > p.s32DstUVStride)
    return kPARAM_DST_STRIDE;
  return PF_STATUS_OK;
}

void store(tImgDeblockInstance& inst, const tImgDeblockParam& p) {
  inst.tParam = p;
  inst.pfnKernel = load_kernel(ImgDeblockFrame);
}

struct Deblock {
  using Param = tImgDeblockParam;
  using Instance = tImgDeblockInstance;
  static constexpr FrameCodes kCodes =
      frame_codes(kErrorNames, {.fast_scratch = true, .dma = true});
  // Neither the start marker nor the end marker is named.
  static constexpr ErrorTable kErrors =
      error_table(kErrorNames, {.start_named = false, .end_named = false});
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames, "Deblock Version: pelforge_v300.deblock.003, Compile time: %s %s.\n");
  static constexpr const char* kSource = "../source/common/img_deblock";

  static uint32_t validate(const Param& p) { return check_param(p); }
  static void global_init() { ImgDeblockGlobalInit(); }
  static void select(Instance& inst, const Param& p) { store(inst, p); }
};

}  // namespace

std::span<const KernelRow<tImgDeblockKernel>> deblock_kernels() { return kKernels; }
void restore_deblock_scalar_defaults() { restore_scalar_defaults(kKernels); }

}  // namespace pf

PF_DISPATCH(ImgDeblock, pf::kKernels)
PF_ENTRY_POINTS(ImgDeblock, pf::Deblock)

extern "C" {

uint32_t ImgDeblockProcess_c(void* hHandle, void* pInput, void* pOutput) {
  if (pf::any_null(hHandle, pInput, pOutput)) return pf::kPROCESS_HANDLE;
  const auto& d = *static_cast<const tImgDeblockData*>(pInput);
  if (d.pu8SrcY == nullptr || d.pu8SrcU == nullptr || d.pu8SrcV == nullptr)
    return pf::kPROCESS_INPUT_POINTER;
  if (d.pu8DstY == nullptr || d.pu8DstU == nullptr || d.pu8DstV == nullptr)
    return pf::kPROCESS_OUTPUT_POINTER;
  const auto& inst = *static_cast<const tImgDeblockInstance*>(hHandle);
  const tImgDeblockParam& p = inst.tParam;
  inst.pfnKernel(d.pu8SrcY, d.pu8SrcU, d.pu8SrcV, d.pu8DstY, d.pu8DstU, d.pu8DstV, p.s32SrcWidth,
                 p.s32SrcHeight, p.s32SrcYStride, p.s32SrcUVStride, p.s32DstYStride,
                 p.s32DstUVStride, d.s32QP);
  return PF_STATUS_OK;
}

uint32_t ImageDeblockDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImageDeblockGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a missing record.
  return pf::fixed_mem_size(pu32Size, 72, pf::kOPEN_HANDLE);
}

}  // extern "C"
