// SPDX-License-Identifier: BSD-2-Clause
// The sharpen module: validation, its line store, chroma planes derived as in every
// picture record.
#include "img_sharp.h"

#include <cstdint>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "layout.hpp"
#include "spatial/spatial.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_SHARP_"
PF_ERROR_LIST(pas8ImageSharpSelfAnalyzeErrorCode, PF_IMG_SHARP_ERRORS, ERR_IMG_SHARP_BASE_)
#undef PF_ERROR_PREFIX

extern "C" {

#define PF_K(ptr, c, ...) tImgSharpKernel ptr = c;
#include "spatial/sharp_kernels.def"
#undef PF_K

}  // extern "C"

namespace pf {
namespace {

constexpr KernelRow<tImgSharpKernel> kKernels[] = {
#define PF_K PF_SIMD_KERNEL_ROW
#include "spatial/sharp_kernels.def"
#undef PF_K
};

uint32_t check_param(const tImgSharpParam& p) {
  // The line store holds 38 bytes per pixel of width at most.
  if (int64_t{38} * p.s32Width > 80896) return kSELF_IMGWIDTH_TOOLONGE;
  if (p.s32Width < 1 || p.s32Width > 12288 || p.s32Width % 2 != 0) return kSELF_IMGWIDTH_ILLEGAL;
  if (p.s32Height < 1 || p.s32Height > 6144 || p.s32Height % 2 != 0) {
    return kSELF_IMGHEIGHT_ILLEGAL;
  }
  if (p.s32Strength < 0 || p.s32Strength > 255) return kSELF_FACTOR_ILLEGAL;
  return PF_STATUS_OK;
}

void store(tImgSharpInstance& inst, const tImgSharpParam& p) {
  inst.tParam = p;
  inst.pfnSharp = load_kernel(ImgSharpYUV420);
}

struct SharpModule {
  using Param = tImgSharpParam;
  using Instance = tImgSharpInstance;
  // No fast scratch: the line store is its working memory.
  static constexpr FrameCodes kCodes = frame_codes(kErrorNames, {.dma = true});
  static constexpr ErrorTable kErrors = error_table(kErrorNames, {.end_named = false});
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames, "ImageSharp Version: pelforge_v300.ImageSharp.004, Compile time: %s %s.\n");
  static constexpr const char* kSource = "../source/common/img_sharp.c";
  static constexpr bool kBuffersFirst = true;  // the line store before the DMA handle

  static uint32_t validate(const Param& p) { return check_param(p); }
  static void global_init() { ImageSharpGlobalInit(); }
  static void select(Instance& inst, const Param& p) { store(inst, p); }
  // The line store takes the place of the fast scratch, and its failure is reported as such.
  static uint32_t acquire(Instance& inst) {
    inst.pu8LineStore = static_cast<uint8_t*>(
        vmem_malloc(inst.hMem, PF_SHARP_LINE_STORE_BYTES, kInstanceAlign, kSource, __LINE__));
    return inst.pu8LineStore == nullptr ? kFAST_SCRATCH_MEM_MALLOC : PF_STATUS_OK;
  }
  static void release(Instance& inst) {
    if (inst.pu8LineStore != nullptr) vmem_free(inst.hMem, inst.pu8LineStore, kSource, __LINE__);
    inst.pu8LineStore = nullptr;
  }
};

// Lines shorter than the picture would overlap. The chroma pitch is the one the record will
// have once missing chroma pointers are derived (half the luma pitch).
bool pitches_hold(const tImgPicture& pic, const tImgSharpParam& p) {
  const bool derived = pic.pu8U == nullptr || pic.pu8V == nullptr;
  const uint32_t uv_pitch = derived ? pic.u32YPitch / 2 : pic.u32UVPitch;
  // Derived planes lie a whole luma plane further on, an offset of 32 bits.
  const bool addressable = int64_t{pic.u32YPitch} * p.s32Height <= INT32_MAX;
  return pic.u32YPitch >= static_cast<uint32_t>(p.s32Width) && addressable &&
         uv_pitch >= static_cast<uint32_t>(p.s32Width / 2) && uv_pitch <= INT32_MAX;
}

}  // namespace

namespace spatial {
std::span<const KernelRow<tImgSharpKernel>> sharp_kernels() { return kKernels; }
}  // namespace spatial

}  // namespace pf

PF_DISPATCH(ImageSharp, pf::kKernels)
PF_ENTRY_POINTS(ImageSharp, pf::SharpModule)

extern "C" {

uint32_t ImageSharpProcess_c(void* hHandle, void* pInput, void* pOutput) {
  if (pf::any_null(hHandle, pInput, pOutput)) return pf::kSELF_INPUT_POINTER;
  auto& inst = *static_cast<tImgSharpInstance*>(hHandle);
  tImgPicture src = *static_cast<const tImgPicture*>(pInput);
  tImgPicture dst = *static_cast<const tImgPicture*>(pOutput);
  if (!pf::pitches_hold(src, inst.tParam)) return pf::kSELF_SRCSTRIDE_ILLEGAL;
  if (!pf::pitches_hold(dst, inst.tParam)) return pf::kSELF_DSTSTRIDE_ILLEGAL;
  if (src.pu8Y == nullptr) return pf::kSELF_INPUT_DATA_POINTER;
  if (dst.pu8Y == nullptr) return pf::kSELF_OUTPUT_DATA_POINTER;
  pf::derive_chroma(src, PF_YUV_420, inst.tParam.s32Height);
  pf::derive_chroma(dst, PF_YUV_420, inst.tParam.s32Height);
  inst.pfnSharp(&inst, &src, &dst);
  return PF_STATUS_OK;
}

uint32_t ImageSharpDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImageSharpGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a missing record.
  return pf::fixed_mem_size(pu32Size, 82000, pf::kSELF_INIT_POINTER);
}

}  // extern "C"

PF_FUNCTION_TABLE(tImageSharpFunc, ImageSharp)
