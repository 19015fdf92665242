// SPDX-License-Identifier: BSD-2-Clause
// The sharpen module: validation, its line store, chroma planes derived as in every
// picture record.
#include "img_sharp.h"

#include <atomic>
#include <cstdint>
#include <iterator>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "layout.hpp"
#include "spatial/spatial.hpp"

extern "C" const char* const pas8ImageSharpSelfAnalyzeErrorCode[] = {
#define PF_X(name) "ERR_IMG_SHARP_" #name,
    PF_IMG_SHARP_ERRORS(PF_X)
#undef PF_X
};
static_assert(std::size(pas8ImageSharpSelfAnalyzeErrorCode) ==
              ERR_IMG_SHARP_END - ERR_IMG_SHARP_BASE_);

#ifdef PF_NO_SIMD
#define PF_VARIANTS(...) PF_NONE, PF_NONE, PF_NONE, PF_NONE
#else
#define PF_VARIANTS(...) __VA_ARGS__
#endif
#define PF_APPLY(macro, args) macro args

extern "C" {

#define PF_K(ptr, c, mmx, sse2, ssse3, sse4) tImgSharpKernel ptr = c;
#include "spatial/sharp_kernels.def"
#undef PF_K

void ImageSharpMMXFunctions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_MMX, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "spatial/sharp_kernels.def"
#undef PF_K
}

void ImageSharpSSE2Functions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_SSE2, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "spatial/sharp_kernels.def"
#undef PF_K
}

void ImageSharpSSSE3Functions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_SSSE3, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "spatial/sharp_kernels.def"
#undef PF_K
}

void ImageSharpSSE4Functions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_SSE4, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "spatial/sharp_kernels.def"
#undef PF_K
}

}  // extern "C"

namespace pf {
namespace {

constexpr KernelRow<tImgSharpKernel> kKernels[] = {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_ROW, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "spatial/sharp_kernels.def"
#undef PF_K
};

enum : uint32_t {
#define PF_X(name) k##name = ERR_IMG_SHARP_##name,
  PF_IMG_SHARP_ERRORS(PF_X)
#undef PF_X
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
  static constexpr FrameCodes kCodes{
      .out_pointer = 0,
      .init_pointer = kSELF_INIT_POINTER,
      .handle_malloc = kSELF_HANDLE_MEM_MALLOC,
      .fast_scratch = 0,  // the line store is its working memory
      .dma = kGET_DMA_HANDLE,
      .close_pointer = kSELF_CLOSE_POINTER,
      .close_mem_pointer = kSELF_CLOSE_MEM_POINTER,
  };
  static constexpr const char* kSource = "../source/common/img_sharp.c";
  static constexpr bool kBuffersFirst = true;  // the line store before the DMA handle

  static uint32_t validate(const Param& p) { return check_param(p); }
  static void global_init() { ImageSharpGlobalInit(); }
  static uint32_t select(Instance& inst, const Param& p) {
    store(inst, p);
    return PF_STATUS_OK;
  }
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

std::atomic<uint64_t> g_once{0};

constexpr ErrorTable kErrors{
    .names = pas8ImageSharpSelfAnalyzeErrorCode,
    .count = ERR_IMG_SHARP_END - ERR_IMG_SHARP_BASE_,
    .first_code = kSELF_INIT_POINTER,
    .accept_lo = kSELF_INIT_POINTER,
    .accept_hi = kSELF_ANALYZE_ERROR_CODE_HANDLE,
    .null_buffer = kSELF_ANALYZE_ERROR_CODE_HANDLE,
    .delegate = nullptr,
};

constexpr VersionSpec kVersion{
    .format = "ImageSharp Version: pelforge_v300.ImageSharp.004, Compile time: %s %s.\n",
    .null_buffer = kSELF_GET_VERSION_POINTER,
    .null_length = kSELF_GET_VERSION_VERLEN_POINTER,
    .short_buffer = kSELF_VERSION_BUFLEN_TOO_SHORT,
};

}  // namespace

namespace spatial {
std::span<const KernelRow<tImgSharpKernel>> sharp_kernels() { return kKernels; }
}  // namespace spatial

}  // namespace pf

extern "C" {

void ImageSharpGlobalInit(void) {
  pf::dispatch_once(pf::g_once, ImageSharpMMXFunctions, ImageSharpSSE2Functions,
                    ImageSharpSSSE3Functions, ImageSharpSSE4Functions);
}

uint32_t ImageSharpOpen_c(void** phHandle, const void* pParam, void* hMem) {
  return pf::open<pf::SharpModule>(phHandle, pParam, hMem);
}

uint32_t ImageSharpClose_c(void* hHandle) { return pf::close<pf::SharpModule>(hHandle); }

uint32_t ImageSharpProcess_c(void* hHandle, void* pInput, void* pOutput) {
  if (hHandle == nullptr || pInput == nullptr || pOutput == nullptr) {
    return pf::kSELF_INPUT_POINTER;
  }
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

uint32_t ImageSharpSetParam_c(void* hHandle, const void* pParam) {
  if (hHandle == nullptr || pParam == nullptr) return pf::kSELF_SETPARAM_POINTER;
  const auto& p = *static_cast<const tImgSharpParam*>(pParam);
  if (const uint32_t error = pf::check_param(p)) return error;
  pf::store(*static_cast<tImgSharpInstance*>(hHandle), p);
  return PF_STATUS_OK;
}

uint32_t ImageSharpGetStatus_c(void* hHandle, void* pStatus) {
  if (hHandle == nullptr || pStatus == nullptr) return pf::kSELF_STATUS_POINTER;
  *static_cast<tImgSharpParam*>(pStatus) = static_cast<const tImgSharpInstance*>(hHandle)->tParam;
  return PF_STATUS_OK;
}

uint32_t ImageSharpGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen) {
  return PF_WRITE_VERSION(pf::kVersion, ps8Buf, s32BufLen, pu32TextLen);
}

uint32_t ImageSharpAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf) {
  return pf::analyze_error_code(pf::kErrors, u32Code, s32BufLen, ps8Buf);
}

uint32_t ImageSharpDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImageSharpGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a missing record.
  return pf::fixed_mem_size(pu32Size, 82000, pf::kSELF_INIT_POINTER);
}

const tImgProcFuncList tImageSharpFunc = {
    ImageSharpOpen_c,
    ImageSharpProcess_c,
    ImageSharpClose_c,
    ImageSharpSetParam_c,
    ImageSharpGetVersion_c,
    ImageSharpGetStatus_c,
    ImageSharpAnalyzeErrorCode_c,
    ImageSharpDebug_c,
    ImageSharpGetMemSize_c,
};

}  // extern "C"
