// SPDX-License-Identifier: BSD-2-Clause
// The PAL/NTSC change module: validation, the kernel for layout, width, direction and buffer use.
#include "img_pnchange.h"

#include <atomic>
#include <cstdint>
#include <iterator>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "pnchange/pnchange.hpp"

// A build without SIMD variants (PF_NO_SIMD) keeps every pointer on its scalar kernel.
#ifdef PF_NO_SIMD
#define PF_VARIANTS(...) PF_NONE, PF_NONE, PF_NONE, PF_NONE
#else
#define PF_VARIANTS(...) __VA_ARGS__
#endif
#define PF_APPLY(macro, args) macro args

extern "C" {

const char* const pas8ImagePNChangeAnalyzeErrorCode[] = {
#define PF_X(name) "ERR_IMG_PNCHANGE_SELF_" #name,
    PF_IMG_PNCHANGE_ERRORS(PF_X)
#undef PF_X
};

#define PF_K(ptr, c, mmx, sse2, ssse3, sse4) tPNChangeKernel ptr = c;
#include "pnchange/pnchange_kernels.def"
#undef PF_K

void ImagePNChangeMMXFunctions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_MMX, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "pnchange/pnchange_kernels.def"
#undef PF_K
}

void ImagePNChangeSSE2Functions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_SSE2, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "pnchange/pnchange_kernels.def"
#undef PF_K
}

void ImagePNChangeSSSE3Functions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_SSSE3, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "pnchange/pnchange_kernels.def"
#undef PF_K
}

void ImagePNChangeSSE4Functions(void) {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_SET_SSE4, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "pnchange/pnchange_kernels.def"
#undef PF_K
}

}  // extern "C"

static_assert(std::size(pas8ImagePNChangeAnalyzeErrorCode) ==
              ERR_IMG_PNCHANGE_SELF_END - ERR_IMG_PNCHANGE_SELF_BASE_);

namespace pf {
namespace {

enum : uint32_t {
#define PF_X(name) k##name = ERR_IMG_PNCHANGE_SELF_##name,
  PF_IMG_PNCHANGE_ERRORS(PF_X)
#undef PF_X
};

constexpr KernelRow<tPNChangeKernel> kKernels[] = {
#define PF_K(ptr, c, ...) PF_APPLY(PF_KERNEL_ROW, (ptr, c, PF_VARIANTS(__VA_ARGS__)))
#include "pnchange/pnchange_kernels.def"
#undef PF_K
};

struct SpecRow {
  const tPNChangeKernel* pointer;
  PnKernelSpec spec;
};
constexpr SpecRow kSpecs[] = {
#define PF_PN_ROW(name, ...) {&name, k##name##Spec},
    PF_PN_KERNEL_SPECS(PF_PN_ROW)
#undef PF_PN_ROW
};

struct PnInstance {
  void* hMem;
  void* pvFastScratch;
  void* hDma;
  tPNChangeKernel pfnKernel;
  tImagePNChangeParam tParam;
  uint32_t u32SrcPlaneSize;  // luma stride x height
  uint32_t u32DstPlaneSize;
};

bool is_width(int32_t w) { return w == 720 || w == 704; }
bool is_height(int32_t h) { return h == 576 || h == 480; }
bool is_standard(uint8_t s) { return s == PF_TV_PAL || s == PF_TV_NTSC; }
int32_t lines_of(uint8_t standard) { return standard == PF_TV_PAL ? 576 : 480; }

uint32_t check_param(const tImagePNChangeParam& p) {
  constexpr auto k420 = static_cast<int32_t>(PF_YUV_420);
  constexpr auto kUyvy = static_cast<int32_t>(PF_YUV_UYVY);
  if (!is_width(p.s32SrcWidth)) return kSRCWIDTH_UNEQUAL_TO_D1_WIDTH;
  if (!is_width(p.s32DstWidth)) return kDSTWIDTH_UNEQUAL_TO_D1_WIDTH;
  if (!is_height(p.s32SrcHeight)) return kSRCHEIGHT_UNEQUAL_TO_D1_HEIGHT;
  if (!is_height(p.s32DstHeight)) return kDSTHEIGHT_UNEQUAL_TO_D1_HEIGHT;
  if (p.s32SrcYuvType != p.s32DstYuvType) return kSRCYUVTYPE_UNEQUAL_TO_DSTYUVTYPE;
  if (p.s32SrcYuvType != k420 && p.s32SrcYuvType != kUyvy) return kSRCYUVTYPE_ILLEGAL;
  if (p.s32DstYuvType != k420 && p.s32DstYuvType != kUyvy) return kDSTYUVTYPE_ILLEGAL;
  const bool planar = p.s32SrcYuvType == k420;
  if (p.s32SrcYStride < p.s32SrcWidth) return kSRCYSTRIDE_ILLEGAL;
  if (planar && p.s32SrcUVStride != p.s32SrcYStride / 2) return kSRCUVSTRIDE_ILLEGAL;
  if (p.s32DstYStride < p.s32DstWidth) return kDSTYSTRIDE_ILLEGAL;
  if (planar && p.s32DstUVStride != p.s32DstYStride / 2) return kDSTUVSTRIDE_ILLEGAL;
  const auto image_ok = [planar](int32_t type) {
    return type == static_cast<int32_t>(PF_IMAGE_FRAME) ||
           (planar && type == static_cast<int32_t>(PF_IMAGE_FIELD));
  };
  if (!image_ok(p.s32SrcImageType)) return kSRCIMAGETYPE_UNEQUAL_TO_FIELD_FORMAT;
  if (!image_ok(p.s32DstImageType)) return kDSTIMAGETYPE_UNEQUAL_TO_FIELD_FORMAT;
  if (p.u8SrcTvFormat == p.u8DstTvFormat) return kSRCTVFORMAT_EQUAL_TO_DSTTVFORMAT;
  if (!is_standard(p.u8SrcTvFormat)) return kSRCTVFORMAT_ILLEGAL;
  if (!is_standard(p.u8DstTvFormat)) return kDSTTVFORMAT_ILLEGAL;
  if (p.u8BufferUse > PF_PN_ONE_BUFFER) return kBUFFER_USE_ILLEGAL;
  // The kernels read and write the lines of the standards they convert between. A height that
  // disagrees with its standard would make them run past the caller's picture, so it is refused
  // with that side's height code.
  if (p.s32SrcHeight != lines_of(p.u8SrcTvFormat)) return kSRCHEIGHT_UNEQUAL_TO_D1_HEIGHT;
  if (p.s32DstHeight != lines_of(p.u8DstTvFormat)) return kDSTHEIGHT_UNEQUAL_TO_D1_HEIGHT;
  return PF_STATUS_OK;
}

// The kernel for a validated record, or the code of the conversion that has none.
tPNChangeKernel* choose(const tImagePNChangeParam& p, uint32_t* error) {
  const bool to_pal = p.u8SrcTvFormat == PF_TV_NTSC;
  const bool one = p.u8BufferUse == PF_PN_ONE_BUFFER;
  if (p.s32SrcYuvType == static_cast<int32_t>(PF_YUV_UYVY)) {
    // Packed pictures are converted in D1 width only: a 704-wide picture's lines are shorter
    // than the 1440 bytes the kernels move.
    if (p.s32SrcWidth != 720) {
      *error = kSRCWIDTH_UNEQUAL_TO_D1_WIDTH;
      return nullptr;
    }
    if (p.s32DstWidth != 720) {
      *error = kDSTWIDTH_UNEQUAL_TO_D1_WIDTH;
      return nullptr;
    }
    if (to_pal) return one ? &D1YUV422FrameNToPOneBuffer : &D1YUV422FrameNToPTwoBuffer;
    return one ? &D1YUV422FramePToNOneBuffer : &D1YUV422FramePToNTwoBuffer;
  }
  // Planar pictures: PAL to NTSC in one buffer, NTSC to PAL in two. Neither side may change
  // width or storage, since the lines are moved as they are.
  const uint32_t unrealized =
      one ? kYUV420_ONE_BUFFER_N_TO_P_UNREALIZED : kYUV420_TWO_BUFFER_P_TO_N_UNREALIZED;
  if (one == to_pal || p.s32SrcWidth != p.s32DstWidth || p.s32SrcImageType != p.s32DstImageType) {
    *error = unrealized;
    return nullptr;
  }
  const PnLayout layout = p.s32SrcImageType == static_cast<int32_t>(PF_IMAGE_FIELD)
                              ? PnLayout::k420Field
                              : PnLayout::k420Frame;
  const PnDirection direction = to_pal ? PnDirection::kNtscToPal : PnDirection::kPalToNtsc;
  for (const SpecRow& row : kSpecs) {
    const PnKernelSpec& s = row.spec;
    if (s.layout == layout && s.width == static_cast<uint32_t>(p.s32SrcWidth) &&
        s.direction == direction && s.one_buffer == one) {
      return const_cast<tPNChangeKernel*>(row.pointer);
    }
  }
  *error = unrealized;
  return nullptr;
}

uint32_t store(PnInstance& inst, const tImagePNChangeParam& p) {
  uint32_t error = PF_STATUS_OK;
  tPNChangeKernel* pointer = choose(p, &error);
  if (pointer == nullptr) return error;
  inst.pfnKernel = load_kernel(*pointer);
  inst.tParam = p;
  // Strides have no upper bound: the products wrap in 32 bits rather than overflow.
  inst.u32SrcPlaneSize =
      static_cast<uint32_t>(p.s32SrcYStride) * static_cast<uint32_t>(p.s32SrcHeight);
  inst.u32DstPlaneSize =
      static_cast<uint32_t>(p.s32DstYStride) * static_cast<uint32_t>(p.s32DstHeight);
  return PF_STATUS_OK;
}

struct PNChange {
  using Param = tImagePNChangeParam;
  using Instance = PnInstance;
  static constexpr FrameCodes kCodes{
      .out_pointer = 0,
      .init_pointer = kINIT_POINTER,
      .handle_malloc = kHANDLE_MEM_MALLOC,
      .fast_scratch = kMALLOC_FAST_SCRATCH,
      .dma = kGET_DMA_HANDLE,
      .close_pointer = kCLOSE_POINTER,
      .close_mem_pointer = kCLOSE_MEM_POINTER,
  };
  static constexpr const char* kSource = "../source/common/img_pnchange";
  static constexpr bool kSelectFirst = true;

  static uint32_t validate(const Param& p) { return check_param(p); }
  static void global_init() { ImagePNChangeGlobalInit(); }
  static uint32_t select(Instance& inst, const Param& p) { return store(inst, p); }
};

std::atomic<uint64_t> g_once{0};

constexpr ErrorTable kErrors{
    .names = pas8ImagePNChangeAnalyzeErrorCode,
    .count = ERR_IMG_PNCHANGE_SELF_END - ERR_IMG_PNCHANGE_SELF_BASE_,
    .first_code = kINIT_POINTER,
    .accept_lo = kINIT_POINTER,
    .accept_hi = kANALYZE_ERROR_CODE_HANDLE,
    .null_buffer = kANALYZE_ERROR_CODE_HANDLE,
    .delegate = nullptr,
};

constexpr VersionSpec kVersion{
    .format = "ImagePNChange Version: pelforge_v300.pnchange.001, Compile time: %s %s.\n",
    .null_buffer = kGET_VERSION_POINTER,
    .null_length = kGET_VERSION_VERLEN_POINTER,
    .short_buffer = kVERSION_BUFLEN_TOO_SHORT,
};

bool planes_set(const tImagePNChangePicture& pic, bool planar) {
  return pic.pu8Y != nullptr && (!planar || (pic.pu8U != nullptr && pic.pu8V != nullptr));
}

}  // namespace

std::span<const KernelRow<tPNChangeKernel>> pnchange_kernels() { return kKernels; }

const PnKernelSpec* pn_kernel_spec(const tPNChangeKernel* pointer) {
  for (const SpecRow& row : kSpecs) {
    if (row.pointer == pointer) return &row.spec;
  }
  return nullptr;
}

}  // namespace pf

extern "C" {

void ImagePNChangeGlobalInit(void) {
  pf::dispatch_once(pf::g_once, ImagePNChangeMMXFunctions, ImagePNChangeSSE2Functions,
                    ImagePNChangeSSSE3Functions, ImagePNChangeSSE4Functions);
}

uint32_t ImagePNChangeOpen_c(void** phHandle, const void* pParam, void* hMem) {
  return pf::open<pf::PNChange>(phHandle, pParam, hMem);
}

uint32_t ImagePNChangeClose_c(void* hHandle) { return pf::close<pf::PNChange>(hHandle); }

uint32_t ImagePNChangeSetParam_c(void* hHandle, const void* pParam) {
  if (hHandle == nullptr || pParam == nullptr) return pf::kSETPARAM_POINTER;
  const auto& p = *static_cast<const tImagePNChangeParam*>(pParam);
  if (const uint32_t error = pf::check_param(p)) return error;
  return pf::store(*static_cast<pf::PnInstance*>(hHandle), p);
}

uint32_t ImagePNChangeGetStatus_c(void* hHandle, void* pStatus) {
  if (hHandle == nullptr || pStatus == nullptr) return pf::kSTATUS_POINTER;
  *static_cast<tImagePNChangeParam*>(pStatus) = static_cast<const pf::PnInstance*>(hHandle)->tParam;
  return PF_STATUS_OK;
}

uint32_t ImagePNChangeProcess_c(void* hHandle, void* pInput, void* pOutput) {
  if (hHandle == nullptr || pInput == nullptr || pOutput == nullptr) return pf::kINPUT_POINTER;
  const auto& inst = *static_cast<const pf::PnInstance*>(hHandle);
  const auto& src = *static_cast<const tImagePNChangePicture*>(pInput);
  const auto& dst = *static_cast<const tImagePNChangePicture*>(pOutput);
  const bool planar = inst.tParam.s32SrcYuvType == static_cast<int32_t>(PF_YUV_420);
  if (!pf::planes_set(src, planar)) return pf::kINPUT_DATA_POINTER;
  if (!pf::planes_set(dst, planar)) return pf::kOUTPUT_DATA_POINTER;
  inst.pfnKernel(&src, &dst);
  return PF_STATUS_OK;
}

uint32_t ImagePNChangeGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen) {
  return PF_WRITE_VERSION(pf::kVersion, ps8Buf, s32BufLen, pu32TextLen);
}

uint32_t ImagePNChangeAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf) {
  return pf::analyze_error_code(pf::kErrors, u32Code, s32BufLen, ps8Buf);
}

uint32_t ImagePNChangeDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImagePNChangeGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a missing record.
  return pf::fixed_mem_size(pu32Size, 160, pf::kINIT_POINTER);
}

const tImgProcFuncList tImagePNChangeFunc = {
    ImagePNChangeOpen_c,
    ImagePNChangeProcess_c,
    ImagePNChangeClose_c,
    ImagePNChangeSetParam_c,
    ImagePNChangeGetVersion_c,
    ImagePNChangeGetStatus_c,
    ImagePNChangeAnalyzeErrorCode_c,
    ImagePNChangeDebug_c,
    ImagePNChangeGetMemSize_c,
};

}  // extern "C"
