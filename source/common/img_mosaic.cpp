// SPDX-License-Identifier: BSD-2-Clause
// The mosaic module: window checks, kernel choice by YUV and image type, the picture pointers.
#include "img_mosaic.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "mosaic/mosaic.hpp"

extern "C" const char* const pas8ImageMosaicSelfAnalyzeErrorCode[] = {
#define PF_X(name) "ERR_IMG_MOSAIC_" #name,
    PF_IMAGE_MOSAIC_ERRORS(PF_X)
#undef PF_X
};
static_assert(std::size(pas8ImageMosaicSelfAnalyzeErrorCode) ==
              ERR_IMG_MOSAIC_SELF_END - ERR_IMG_MOSAIC_BASE_);

// A build without SIMD variants (PF_NO_SIMD) keeps every pointer on its scalar kernel.
#ifdef PF_NO_SIMD
#define PF_VARIANTS(...) PF_NONE, PF_NONE, PF_NONE, PF_NONE
#else
#define PF_VARIANTS(...) __VA_ARGS__
#endif
#define PF_APPLY(macro, args) macro args

extern "C" {

#define PF_K(ptr, c, mmx, sse2, ssse3, sse4) tMosaicKernel ptr = c;
#include "mosaic/mosaic_kernels.def"
#undef PF_K

void ImageMosaicMMXFunctions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_MMX, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "mosaic/mosaic_kernels.def"
#undef PF_K
}

void ImageMosaicSSE2Functions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_SSE2, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "mosaic/mosaic_kernels.def"
#undef PF_K
}

void ImageMosaicSSSE3Functions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_SSSE3, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "mosaic/mosaic_kernels.def"
#undef PF_K
}

void ImageMosaicSSE4Functions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_SSE4, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "mosaic/mosaic_kernels.def"
#undef PF_K
}

}  // extern "C"

namespace pf {
namespace {

enum : uint32_t {
#define PF_X(name) k##name = ERR_IMG_MOSAIC_##name,
  PF_IMAGE_MOSAIC_ERRORS(PF_X)
#undef PF_X
};

// The instance keeps the windows in a record of its own: the host's record may end after its
// last window.
struct MosaicInstance {
  void* hMem;
  void* pvFastScratch;  // taken for the host's accounting; the kernels need no scratch
  void* hDma;
  tMosaicKernel pfnKernel;
  tImageMosaicParam tParam;
};

// The header words and the windows in use: what Open reads and GetStatus writes.
size_t used_bytes(uint32_t windows) {
  return offsetof(tImageMosaicParam, atWindow) + windows * sizeof(tMosaicWindow);
}

uint32_t check_window(const tMosaicWindow& w, int64_t y_stride, int64_t height) {
  const int64_t left = w.s32Left, top = w.s32Top, width = w.s32Width, rows = w.s32Height;
  const int64_t g = w.s32Granularity;
  if (left < 0) return kSELF_INIT_WINDOWS_LEFT_MINUS_ZERO;
  if (width < 0) return kSELF_INIT_WINDOWS_WIDTH_MINUS_ZERO;
  // A negative block size has no meaning; it is refused with the block-size code the checks
  // reach first.
  if (g > width || g < 0) return kSELF_INIT_GRANULARITY_EXCESS_WINDOWS_WIDTH;
  if (left + width > y_stride) return kSELF_INIT_WINDOWS_WIDTH_PLUS_LEFT_EXCESS_Y_STRIDE;
  if (top < 0) return kSELF_INIT_WINDOWS_TOP_MINUS_ZERO;
  if (rows < 0) return kSELF_INIT_WINDOWS_HEIGHT_MINUS_ZERO;
  if (g > rows) return kSELF_INIT_GRANULARITY_EXCESS_WINDOWS_HEIGHT;
  if (top + rows > height) return kSELF_INIT_WINDOWS_TOP_PLUS_HEIGHT_EXCESS_IMAGE_HEIGHT;
  return PF_STATUS_OK;
}

uint32_t check(const tImageMosaicParam& p) {
  if (p.s32Width < 1 || p.s32Width > PF_MOSAIC_MAX_WIDTH || p.s32Width % 2 != 0) {
    return kSELF_INIT_IMAGE_WIDTH_ILLEGAL;
  }
  if (p.s32Height < 1 || p.s32Height > PF_MOSAIC_MAX_HEIGHT || p.s32Height % 2 != 0) {
    return kSELF_INIT_IMAGE_HEIGHT_ILLEGAL;
  }
  if (p.s32YStride < p.s32Width) return kSELF_INIT_YSTRIDE_ILLEGAL;
  if (p.s32UVStride != p.s32YStride / 2) return kSELF_INIT_UVSTRIDE_ILLEGAL;
  if (p.u32YuvType != PF_YUV_420 && p.u32YuvType != PF_YUV_UYVY) return kSELF_INIT_YUVTYPE_ILLEGAL;
  if (p.u32ImageType != PF_IMAGE_FRAME && p.u32ImageType != PF_IMAGE_FIELD) {
    return kSELF_INIT_IMAGETYPE_ILLEGAL;
  }
  // The instance holds 32 windows; more would have to be written past it.
  if (p.u32MosaicNum > PF_MOSAIC_MAX_WINDOWS) return kSELF_INIT_MOSAIC_NUM_ILLEGAL;
  for (uint32_t i = 0; i < p.u32MosaicNum; ++i) {
    if (const uint32_t error = check_window(p.atWindow[i], p.s32YStride, p.s32Height)) {
      return error;
    }
  }
  return PF_STATUS_OK;
}

void store(MosaicInstance& inst, const tImageMosaicParam& p) {
  std::memset(&inst.tParam, 0, sizeof inst.tParam);
  std::memcpy(&inst.tParam, &p, used_bytes(p.u32MosaicNum));
  const bool field = p.u32ImageType != PF_IMAGE_FRAME;
  if (p.u32YuvType == PF_YUV_UYVY) {
    inst.pfnKernel = load_kernel(field ? YUV422FieldProduceMosaic : YUV422FrameProduceMosaic);
  } else {
    inst.pfnKernel = load_kernel(field ? YUV420FieldProduceMosaic : YUV420FrameProduceMosaic);
  }
}

struct Mosaic {
  using Param = tImageMosaicParam;
  using Instance = MosaicInstance;
  static constexpr FrameCodes kCodes{
      .out_pointer = 0,
      .init_pointer = kSELF_INIT_POINTER,
      .handle_malloc = kSELF_INIT_HANDLE_MEM_MALLOC_ERROR,
      .fast_scratch = kMALLOC_FAST_SCRATCH,
      .dma = kGET_DMA_HANDLE,
      .close_pointer = kSELF_CLOSE_POINTER,
      .close_mem_pointer = kSELF_CLOSE_MEM_POINTER,
  };
  static constexpr const char* kSource = "../source/common/img_mosaic.c";

  static uint32_t validate(const Param& p) { return check(p); }
  static void global_init() { ImageMosaicGlobalInit(); }
  static uint32_t select(Instance& inst, const Param& p) {
    store(inst, p);
    return PF_STATUS_OK;
  }
};

std::atomic<uint64_t> g_once{0};

constexpr ErrorTable kErrors{
    .names = pas8ImageMosaicSelfAnalyzeErrorCode,
    .count = std::size(pas8ImageMosaicSelfAnalyzeErrorCode),
    .first_code = kSELF_INIT_POINTER,
    .accept_lo = kSELF_INIT_POINTER,
    .accept_hi = kSELF_ANALYZE_ERROR_CODE_HANDLE,
    .null_buffer = kSELF_ANALYZE_ERROR_CODE_HANDLE,
    .delegate = nullptr,
};

constexpr VersionSpec kVersion{
    .format = "ImageMosaic Version: pelforge_v300.mosaic.001, Compile time: %s %s.\n",
    .null_buffer = kSELF_GET_VERSION_POINTER,
    .null_length = kSELF_GET_VERSION_VERLEN_POINTER,
    .short_buffer = kSELF_VERSION_BUFLEN_TOO_SHORT,
};

}  // namespace

namespace mosaic {

std::span<const KernelRow<tMosaicKernel>> mosaic_kernels() {
  static constexpr KernelRow<tMosaicKernel> kKernels[] = {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_ROW, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "mosaic/mosaic_kernels.def"
#undef PF_K
  };
  return kKernels;
}

}  // namespace mosaic
}  // namespace pf

extern "C" {

void ImageMosaicGlobalInit(void) {
  pf::dispatch_once(pf::g_once, ImageMosaicMMXFunctions, ImageMosaicSSE2Functions,
                    ImageMosaicSSSE3Functions, ImageMosaicSSE4Functions);
}

uint32_t ImageMosaicOpen_c(void** phHandle, const void* pParam, void* hMem) {
  return pf::open<pf::Mosaic>(phHandle, pParam, hMem);
}

uint32_t ImageMosaicClose_c(void* hHandle) { return pf::close<pf::Mosaic>(hHandle); }

uint32_t ImageMosaicSetParam_c(void* hHandle, const void* pParam) {
  if (hHandle == nullptr || pParam == nullptr) return pf::kSELF_SETPARAM_POINTER;
  const auto& p = *static_cast<const tImageMosaicParam*>(pParam);
  if (const uint32_t error = pf::check(p)) return error;
  pf::store(*static_cast<pf::MosaicInstance*>(hHandle), p);
  return PF_STATUS_OK;
}

uint32_t ImageMosaicGetStatus_c(void* hHandle, void* pStatus) {
  if (hHandle == nullptr || pStatus == nullptr) return pf::kSELF_STATUS_POINTER;
  const tImageMosaicParam& p = static_cast<const pf::MosaicInstance*>(hHandle)->tParam;
  std::memcpy(pStatus, &p, pf::used_bytes(p.u32MosaicNum));
  return PF_STATUS_OK;
}

uint32_t ImageMosaicProcess_c(void* hHandle, void* pPictures, void* pContext) {
  if (hHandle == nullptr || pPictures == nullptr || pContext == nullptr) {
    return pf::kSELF_INPUT_POINTER;
  }
  uint8_t* const* pictures = static_cast<uint8_t* const*>(pPictures);
  if (pictures[0] == nullptr) return pf::kSELF_INPUT_DATA_POINTER;
  if (pictures[1] == nullptr) return pf::kSELF_OUTPUT_DATA_POINTER;
  const auto& inst = *static_cast<const pf::MosaicInstance*>(hHandle);
  inst.pfnKernel(pictures[0], pictures[1], &inst.tParam);
  return PF_STATUS_OK;
}

uint32_t ImageMosaicGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen) {
  return PF_WRITE_VERSION(pf::kVersion, ps8Buf, s32BufLen, pu32TextLen);
}

uint32_t ImageMosaicAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf) {
  return pf::analyze_error_code(pf::kErrors, u32Code, s32BufLen, ps8Buf);
}

uint32_t ImageMosaicDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImageMosaicGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a missing record.
  return pf::fixed_mem_size(pu32Size, PF_MOSAIC_MEM_SIZE, pf::kSELF_INIT_POINTER);
}

const tImgProcFuncList tImageMosaicFunc = {
    ImageMosaicOpen_c,
    ImageMosaicProcess_c,
    ImageMosaicClose_c,
    ImageMosaicSetParam_c,
    ImageMosaicGetVersion_c,
    ImageMosaicGetStatus_c,
    ImageMosaicAnalyzeErrorCode_c,
    ImageMosaicDebug_c,
    ImageMosaicGetMemSize_c,
};

}  // extern "C"
