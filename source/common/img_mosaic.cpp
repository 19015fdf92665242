// SPDX-License-Identifier: BSD-2-Clause
// The mosaic module: window checks, kernel choice by YUV and image type, the picture pointers.
#include "img_mosaic.h"

#include <cstdint>
#include <cstring>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "mosaic/mosaic.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_MOSAIC_"
PF_ERROR_LIST(pas8ImageMosaicSelfAnalyzeErrorCode, PF_IMAGE_MOSAIC_ERRORS, ERR_IMG_MOSAIC_BASE_)
#undef PF_ERROR_PREFIX

extern "C" {

#define PF_K(ptr, c, ...) tMosaicKernel ptr = c;
#include "mosaic/mosaic_kernels.def"
#undef PF_K

}  // extern "C"

namespace pf {
namespace {

constexpr KernelRow<tMosaicKernel> kKernels[] = {
#define PF_K PF_SIMD_KERNEL_ROW
#include "mosaic/mosaic_kernels.def"
#undef PF_K
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
  static constexpr FrameCodes kCodes =
      frame_codes(kErrorNames, {.fast_scratch = true, .dma = true});
  static constexpr ErrorTable kErrors = error_table(kErrorNames, {.end_named = false});
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames, "ImageMosaic Version: pelforge_v300.mosaic.001, Compile time: %s %s.\n");
  static constexpr const char* kSource = "../source/common/img_mosaic.c";

  static uint32_t validate(const Param& p) { return check(p); }
  static void global_init() { ImageMosaicGlobalInit(); }
  static void select(Instance& inst, const Param& p) { store(inst, p); }
  // The header words and the windows in use, as Open read them.
  static void status(const Instance& inst, Param& p) {
    std::memcpy(&p, &inst.tParam, used_bytes(inst.tParam.u32MosaicNum));
  }
};

}  // namespace

namespace mosaic {

std::span<const KernelRow<tMosaicKernel>> mosaic_kernels() { return kKernels; }

}  // namespace mosaic
}  // namespace pf

PF_DISPATCH(ImageMosaic, pf::kKernels)
PF_ENTRY_POINTS(ImageMosaic, pf::Mosaic)

extern "C" {

uint32_t ImageMosaicProcess_c(void* hHandle, void* pPictures, void* pContext) {
  if (pf::any_null(hHandle, pPictures, pContext)) return pf::kSELF_INPUT_POINTER;
  uint8_t* const* pictures = static_cast<uint8_t* const*>(pPictures);
  if (pictures[0] == nullptr) return pf::kSELF_INPUT_DATA_POINTER;
  if (pictures[1] == nullptr) return pf::kSELF_OUTPUT_DATA_POINTER;
  const auto& inst = *static_cast<const pf::MosaicInstance*>(hHandle);
  inst.pfnKernel(pictures[0], pictures[1], &inst.tParam);
  return PF_STATUS_OK;
}

uint32_t ImageMosaicDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImageMosaicGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a missing record.
  return pf::fixed_mem_size(pu32Size, PF_MOSAIC_MEM_SIZE, pf::kSELF_INIT_POINTER);
}

}  // extern "C"

PF_FUNCTION_TABLE(tImageMosaicFunc, ImageMosaic)
