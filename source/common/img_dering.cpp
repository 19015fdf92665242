// SPDX-License-Identifier: BSD-2-Clause
// The dering module: exported entry points without a registry entry, on the module frame.
#include "img_dering.h"

#include <atomic>
#include <cstdint>
#include <iterator>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "img_deblock_internal.hpp"

extern "C" const char* const pas8DeringAnalyzeErrorCode[] = {
#define PF_X(name) "ERR_IMG_DERING_" #name,
    PF_IMG_DERING_ERRORS(PF_X)
#undef PF_X
};
static_assert(std::size(pas8DeringAnalyzeErrorCode) == ERR_IMG_DERING_END - ERR_IMG_DERING_BASE_);

extern "C" {

#define PF_K(ptr, c, mmx, sse2, ssse3, sse4) tImgDeringKernel ptr = c;
#include "dering/dering_kernels.def"
#undef PF_K

void ImgDeringMMXFunctions(void) {
#define PF_K PF_KERNEL_SET_MMX
#include "dering/dering_kernels.def"
#undef PF_K
}

void ImgDeringSSE2Functions(void) {
#define PF_K PF_KERNEL_SET_SSE2
#include "dering/dering_kernels.def"
#undef PF_K
}

void ImgDeringSSSE3Functions(void) {
#define PF_K PF_KERNEL_SET_SSSE3
#include "dering/dering_kernels.def"
#undef PF_K
}

void ImgDeringSSE4Functions(void) {
#define PF_K PF_KERNEL_SET_SSE4
#include "dering/dering_kernels.def"
#undef PF_K
}

}  // extern "C"

namespace pf {
namespace {

constexpr KernelRow<tImgDeringKernel> kKernels[] = {
#define PF_K PF_KERNEL_ROW
#include "dering/dering_kernels.def"
#undef PF_K
};

enum : uint32_t {
#define PF_X(name) k##name = ERR_IMG_DERING_##name,
  PF_IMG_DERING_ERRORS(PF_X)
#undef PF_X
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
  static constexpr FrameCodes kCodes{
      .out_pointer = kOPEN_HANDLE,
      .init_pointer = kOPEN_HANDLE,
      .handle_malloc = kOPEN_MALLOC,
      .fast_scratch = kMALLOC_FAST_SCRATCH,
      .dma = kGET_DMA_HANDLE,
      .close_pointer = kCLOSE_HANDLE,
      .close_mem_pointer = kCLOSE_HANDLE,
      .close_free = kCLOSE_FREE,
  };
  static constexpr const char* kSource = "../source/common/img_dering";

  static uint32_t validate(const Param& p) { return check_param(p); }
  static void global_init() { ImgDeringGlobalInit(); }
  static uint32_t select(Instance& inst, const Param& p) {
    store(inst, p);
    return PF_STATUS_OK;
  }
};

std::atomic<uint64_t> g_once{0};

constexpr ErrorTable kErrors{
    .names = pas8DeringAnalyzeErrorCode,
    .count = ERR_IMG_DERING_END - ERR_IMG_DERING_BASE_,
    .first_code = kSTART_CODE,
    .accept_lo = kOPEN_HANDLE,
    .accept_hi = kGET_DMA_HANDLE,
    .null_buffer = kANALYZE_ERROR_CODE_HANDLE,
    .delegate = nullptr,
};

constexpr VersionSpec kVersion{
    .format = "Dering Version: pelforge_v300.dering.001, Compile time: %s %s.\n",
    .null_buffer = kGETVERSION_HANDLE,
    .null_length = kGETVERSION_POINTER,
    .short_buffer = kGETVERSION_LENGTH,
};

}  // namespace

std::span<const KernelRow<tImgDeringKernel>> dering_kernels() { return kKernels; }

}  // namespace pf

extern "C" {

void ImgDeringGlobalInit(void) {
  pf::dispatch_once(pf::g_once, ImgDeringMMXFunctions, ImgDeringSSE2Functions,
                    ImgDeringSSSE3Functions, ImgDeringSSE4Functions);
}

uint32_t ImgDeringOpen_c(void** phHandle, const void* pParam, void* hMem) {
  return pf::open<pf::DeringModule>(phHandle, pParam, hMem);
}

uint32_t ImgDeringClose_c(void* hHandle) { return pf::close<pf::DeringModule>(hHandle); }

uint32_t ImgDeringSetParam_c(void* hHandle, const void* pParam) {
  if (hHandle == nullptr || pParam == nullptr) return pf::kSET_PARAM_HANDLE;
  const auto& p = *static_cast<const tImgDeringParam*>(pParam);
  if (const uint32_t error = pf::check_param(p)) return error;
  pf::store(*static_cast<tImgDeringInstance*>(hHandle), p);
  return PF_STATUS_OK;
}

uint32_t ImgDeringGetStatus_c(void* hHandle, void* pStatus) {
  if (hHandle == nullptr || pStatus == nullptr) return pf::kGETSTATUS_HANDLE;
  *static_cast<tImgDeringParam*>(pStatus) = static_cast<const tImgDeringInstance*>(hHandle)->tParam;
  return PF_STATUS_OK;
}

uint32_t ImgDeringProcess_c(void* hHandle, void* pInput, void* pOutput) {
  if (hHandle == nullptr || pInput == nullptr || pOutput == nullptr) return pf::kPROCESS_HANDLE;
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

uint32_t ImgDeringGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen) {
  return PF_WRITE_VERSION(pf::kVersion, ps8Buf, s32BufLen, pu32TextLen);
}

uint32_t ImgDeringAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf) {
  return pf::analyze_error_code(pf::kErrors, u32Code, s32BufLen, ps8Buf);
}

uint32_t ImageDeringDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImageDeringGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a missing record.
  return pf::fixed_mem_size(pu32Size, 56, pf::kOPEN_HANDLE);
}

}  // extern "C"
