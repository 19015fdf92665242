// SPDX-License-Identifier: BSD-2-Clause
// The 16:9 adaptation module: parameter checks, kernel choice by YUV type and standard, the
// picture's plane pointers.
#include "img_adapt_16vs9.h"

#include <atomic>
#include <iterator>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"

extern "C" const char* const pas8ImageAdapt16vs9AnalyzeErrorCode[] = {
#define PF_X(name) "ERR_IMG_ADAPT_16VS9_" #name,
    PF_IMAGE_ADAPT_16VS9_ERRORS(PF_X)
#undef PF_X
};
static_assert(std::size(pas8ImageAdapt16vs9AnalyzeErrorCode) ==
              ERR_IMG_ADAPT_16VS9_END - ERR_IMG_ADAPT_16VS9_BASE_);

namespace pf {
namespace {

enum : uint32_t {
#define PF_X(name) k##name = ERR_IMG_ADAPT_16VS9_##name,
  PF_IMAGE_ADAPT_16VS9_ERRORS(PF_X)
#undef PF_X
};

struct Adapt16vs9Instance {
  void* hMem;
  void* pvFastScratch;  // taken for the host's accounting; the kernels need no scratch
  void* hDma;
  tAdapt16vs9Kernel pfnKernel;
  tImageAdapt16vs9Param tParam;
};

uint32_t check(const tImageAdapt16vs9Param& p) {
  if (p.s32Width != static_cast<int32_t>(PF_ADAPT_16VS9_WIDTH)) return kSELF_WIDTH_ILLEGAL;
  if (p.s32Height != 576 && p.s32Height != 480) return kSELF_HEIGHT_ILLEGAL;
  if (p.u32YuvType != PF_YUV_420 && p.u32YuvType != PF_YUV_UYVY) return kSELF_YUVTYPE_ILLEGAL;
  if (p.u32ImageType != PF_IMAGE_FRAME && p.u32ImageType != PF_IMAGE_FIELD) {
    return kSELF_IMAGETYPE_ILLEGAL;
  }
  if (p.u32YuvType == PF_YUV_UYVY && p.u32ImageType == PF_IMAGE_FIELD) {
    return kSELF_YUV422_MISMATCH_FRAMEFORMAT;
  }
  if (p.u32YuvType == PF_YUV_420 && p.u32ImageType == PF_IMAGE_FRAME) {
    return kSELF_YUV420_MISMATCH_FIELDFORMAT;
  }
  if (p.u32TvFormat != PF_ADAPT_16VS9_PAL && p.u32TvFormat != PF_ADAPT_16VS9_NTSC) {
    return kSELF_TVFORMAT_ILLEGAL;
  }
  // The standard sets how many lines the kernel adapts. NTSC's 480 lie inside a 576-line
  // picture, but PAL's 576 would run past a 480-line one: that pairing is refused.
  if (p.u32TvFormat == PF_ADAPT_16VS9_PAL && p.s32Height < 576) return kSELF_TVFORMAT_ILLEGAL;
  return PF_STATUS_OK;
}

void store(Adapt16vs9Instance& inst, const tImageAdapt16vs9Param& p) {
  inst.tParam = p;
  const bool pal = p.u32TvFormat == PF_ADAPT_16VS9_PAL;
  if (p.u32YuvType == PF_YUV_UYVY) {
    inst.pfnKernel = pal ? VEK_PALImageYUV422Adaptto16vs9_c : VEK_NTSCImageYUV422Adaptto16vs9_c;
  } else {
    inst.pfnKernel = pal ? VEK_PALImageYUV420Adaptto16vs9_c : VEK_NTSCImageYUV420Adaptto16vs9_c;
  }
}

struct Adapt16vs9 {
  using Param = tImageAdapt16vs9Param;
  using Instance = Adapt16vs9Instance;
  static constexpr FrameCodes kCodes{
      .out_pointer = 0,
      .init_pointer = kSELF_INIT_POINTER,
      .handle_malloc = kSELF_HANDLE_MEM_MALLOC,
      .fast_scratch = kMALLOC_FAST_SCRATCH,
      .dma = kGET_DMA_HANDLE,
      .close_pointer = kSELF_CLOSE_POINTER,
      .close_mem_pointer = kSELF_CLOSE_MEM_POINTER,
  };
  static constexpr const char* kSource = "../source/common/img_adapt_16vs9.c";

  static uint32_t validate(const Param& p) { return check(p); }
  static void global_init() { ImageAdapt16vs9GlobalInit(); }
  static uint32_t select(Instance& inst, const Param& p) {
    store(inst, p);
    return PF_STATUS_OK;
  }
};

std::atomic<uint64_t> g_once{0};

// The end marker is in the table but not in the accepted range: it is never named.
constexpr ErrorTable kErrors{
    .names = pas8ImageAdapt16vs9AnalyzeErrorCode,
    .count = ERR_IMG_ADAPT_16VS9_END - ERR_IMG_ADAPT_16VS9_BASE_,
    .first_code = kSELF_INIT_POINTER,
    .accept_lo = kSELF_INIT_POINTER,
    .accept_hi = kANALYZE_ERROR_CODE_HANDLE,
    .null_buffer = kANALYZE_ERROR_CODE_HANDLE,
    .delegate = nullptr,
};

constexpr VersionSpec kVersion{
    .format = "ImageAdapt16vs9 Version: pelforge_v300.Adapt.16vs9.001, Compile time: %s %s.\n",
    .null_buffer = kSELF_GET_VERSION_POINTER,
    .null_length = kSELF_GET_VERSION_VERLEN_POINTER,
    .short_buffer = kSELF_VERSION_BUFLEN_TOO_SHORT,
};

}  // namespace
}  // namespace pf

extern "C" {

// The adaptation kernels have no SIMD variants: the selectors install nothing.
void ImageAdapt16vs9MMXFunctions(void) {}
void ImageAdapt16vs9SSE2Functions(void) {}
void ImageAdapt16vs9SSSE3Functions(void) {}
void ImageAdapt16vs9SSE4Functions(void) {}

void ImageAdapt16vs9GlobalInit(void) {
  pf::dispatch_once(pf::g_once, ImageAdapt16vs9MMXFunctions, ImageAdapt16vs9SSE2Functions,
                    ImageAdapt16vs9SSSE3Functions, ImageAdapt16vs9SSE4Functions);
}

uint32_t ImageAdapt16vs9Open_c(void** phHandle, const void* pParam, void* hMem) {
  return pf::open<pf::Adapt16vs9>(phHandle, pParam, hMem);
}

uint32_t ImageAdapt16vs9Close_c(void* hHandle) { return pf::close<pf::Adapt16vs9>(hHandle); }

uint32_t ImageAdapt16vs9SetParam_c(void* hHandle, const void* pParam) {
  if (hHandle == nullptr || pParam == nullptr) return pf::kSELF_SETPARAM_POINTER;
  const auto& p = *static_cast<const tImageAdapt16vs9Param*>(pParam);
  if (const uint32_t error = pf::check(p)) return error;
  pf::store(*static_cast<pf::Adapt16vs9Instance*>(hHandle), p);
  return PF_STATUS_OK;
}

uint32_t ImageAdapt16vs9GetStatus_c(void* hHandle, void* pStatus) {
  if (hHandle == nullptr || pStatus == nullptr) return pf::kSELF_STATUS_POINTER;
  *static_cast<tImageAdapt16vs9Param*>(pStatus) =
      static_cast<const pf::Adapt16vs9Instance*>(hHandle)->tParam;
  return PF_STATUS_OK;
}

uint32_t ImageAdapt16vs9Process_c(void* hHandle, void* pPlanes, void* pContext) {
  if (hHandle == nullptr || pPlanes == nullptr || pContext == nullptr) {
    return pf::kSELF_INPUT_POINTER;
  }
  uint8_t* const y = static_cast<uint8_t* const*>(pPlanes)[0];
  if (y == nullptr) return pf::kSELF_INPUT_DATA_POINTER;
  const auto& inst = *static_cast<const pf::Adapt16vs9Instance*>(hHandle);
  // One buffer: the chroma planes follow the luma plane of the whole picture, whatever number
  // of lines the standard adapts.
  const size_t area =
      static_cast<size_t>(inst.tParam.s32Width) * static_cast<size_t>(inst.tParam.s32Height);
  uint8_t* const u = y + area;
  inst.pfnKernel(y, u, u + area / 4);
  return PF_STATUS_OK;
}

uint32_t ImageAdapt16vs9GetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen) {
  return PF_WRITE_VERSION(pf::kVersion, ps8Buf, s32BufLen, pu32TextLen);
}

uint32_t ImageAdapt16vs9AnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf) {
  return pf::analyze_error_code(pf::kErrors, u32Code, s32BufLen, ps8Buf);
}

uint32_t ImageAdapt16vs9Debug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImageAdapt16vs9GetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a missing record.
  return pf::fixed_mem_size(pu32Size, PF_ADAPT_16VS9_MEM_SIZE, pf::kSELF_INIT_POINTER);
}

const tImgProcFuncList tImageAdapt16vs9Func = {
    ImageAdapt16vs9Open_c,
    ImageAdapt16vs9Process_c,
    ImageAdapt16vs9Close_c,
    ImageAdapt16vs9SetParam_c,
    ImageAdapt16vs9GetVersion_c,
    ImageAdapt16vs9GetStatus_c,
    ImageAdapt16vs9AnalyzeErrorCode_c,
    ImageAdapt16vs9Debug_c,
    ImageAdapt16vs9GetMemSize_c,
};

}  // extern "C"
