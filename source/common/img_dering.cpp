// SPDX-License-Identifier: BSD-2-Clause
// The dering module: exported entry points without a registry entry, on the module frame.
#include "img_dering.h"

#include <cstdint>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "img_deblock_internal.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_DERING_"
PF_ERROR_LIST(pas8DeringAnalyzeErrorCode, PF_IMG_DERING_ERRORS, ERR_IMG_DERING_BASE_)
#undef PF_ERROR_PREFIX

extern "C" {

#define PF_K(ptr, c, ...) tImgDeringKernel ptr = c;
#include "dering/dering_kernels.def"
#undef PF_K

}  // extern "C"

namespace pf {
namespace {

constexpr KernelRow<tImgDeringKernel> kKernels[] = {
#define PF_K PF_KERNEL_ROW
#include "dering/dering_kernels.def"
#undef PF_K
};

uint32_t check_param(const tImgDeringParam& p) {
  if (p.s32Width < 1 || p.s32Width % 8 != 0) return kPARAM_WIDTH;
  if (p.s32Height < 1 || p.s32Height % 8 != 0) return kPARAM_HEIGHT;
  if (p.s32Width > p.s32YStride || p.s32Width / 2 > p.s32UVStride) return kPARAM_STRIDE;
  return PF_STATUS_OK;
}

void store(tImgDeringInstance& inst, const tImgDeringParam& p) {
  inst.tParam = p;
  inst.pfnKernel = load_kernel(Dering);
}

struct DeringModule {
  using Param = tImgDeringParam;
  using Instance = tImgDeringInstance;
  static constexpr FrameCodes kCodes =
      frame_codes(kErrorNames, {.fast_scratch = true, .dma = true});
  // Neither the start marker nor the end marker is named.
  static constexpr ErrorTable kErrors =
      error_table(kErrorNames, {.start_named = false, .end_named = false});
  static constexpr VersionSpec kVersion =
      version_spec(kErrorNames, "Dering Version: pelforge_v300.dering.001, Compile time: %s %s.\n");
  static constexpr const char* kSource = "../source/common/img_dering";

  static uint32_t validate(const Param& p) { return check_param(p); }
  static void global_init() { ImgDeringGlobalInit(); }
  static void select(Instance& inst, const Param& p) { store(inst, p); }
};

}  // namespace

std::span<const KernelRow<tImgDeringKernel>> dering_kernels() { return kKernels; }

}  // namespace pf

PF_DISPATCH(ImgDering, pf::kKernels)
PF_ENTRY_POINTS(ImgDering, pf::DeringModule)

extern "C" {

uint32_t ImgDeringProcess_c(void* hHandle, void* pInput, void* pOutput) {
  if (pf::any_null(hHandle, pInput, pOutput)) return pf::kPROCESS_HANDLE;
  const auto& d = *static_cast<const tImgDeringData*>(pInput);
  if (d.pu8Y == nullptr || d.pu8U == nullptr || d.pu8V == nullptr)
    return pf::kPROCESS_INPUT_POINTER;
  const auto& inst = *static_cast<const tImgDeringInstance*>(hHandle);
  const tImgDeringParam& p = inst.tParam;
  inst.pfnKernel(inst.pvFastScratch, d.pu8Y, p.s32Width, p.s32Height, p.s32YStride, d.s32QP);
  inst.pfnKernel(inst.pvFastScratch, d.pu8U, p.s32Width / 2, p.s32Height / 2, p.s32UVStride,
                 d.s32QP);
  inst.pfnKernel(inst.pvFastScratch, d.pu8V, p.s32Width / 2, p.s32Height / 2, p.s32UVStride,
                 d.s32QP);
  return PF_STATUS_OK;
}

uint32_t ImageDeringDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImageDeringGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a missing record.
  return pf::fixed_mem_size(pu32Size, 56, pf::kOPEN_HANDLE);
}

}  // extern "C"
