// SPDX-License-Identifier: BSD-2-Clause
// The PAL/NTSC change module: validation, the kernel for layout, width, direction and buffer use.
#include "img_pnchange.h"

#include <cstdint>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "pnchange/pnchange.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_PNCHANGE_SELF_"
PF_ERROR_LIST(pas8ImagePNChangeAnalyzeErrorCode, PF_IMG_PNCHANGE_ERRORS,
              ERR_IMG_PNCHANGE_SELF_BASE_)
#undef PF_ERROR_PREFIX

extern "C" {

#define PF_K(ptr, c, ...) tPNChangeKernel ptr = c;
#include "pnchange/pnchange_kernels.def"
#undef PF_K

}  // extern "C"

namespace pf {
namespace {

constexpr KernelRow<tPNChangeKernel> kKernels[] = {
#define PF_K PF_SIMD_KERNEL_ROW
#include "pnchange/pnchange_kernels.def"
#undef PF_K
};

struct SpecRow {
  const tPNChangeKernel* pointer;
  PnKernelShape shape;
};
constexpr SpecRow kSpecs[] = {
#define PF_PN_ROW(name, ...) {&name, k##name##Shape},
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
    const PnKernelShape& s = row.shape;
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
  static constexpr FrameCodes kCodes =
      frame_codes(kErrorNames, {.fast_scratch = true, .dma = true});
  static constexpr ErrorTable kErrors = error_table(kErrorNames, {.end_named = false});
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames, "ImagePNChange Version: pelforge_v300.pnchange.001, Compile time: %s %s.\n");
  static constexpr const char* kSource = "../source/common/img_pnchange";
  static constexpr bool kSelectFirst = true;

  static uint32_t validate(const Param& p) { return check_param(p); }
  static void global_init() { ImagePNChangeGlobalInit(); }
  static uint32_t select(Instance& inst, const Param& p) { return store(inst, p); }
};

bool planes_set(const tImagePNChangePicture& pic, bool planar) {
  return pic.pu8Y != nullptr && (!planar || (pic.pu8U != nullptr && pic.pu8V != nullptr));
}

}  // namespace

std::span<const KernelRow<tPNChangeKernel>> pnchange_kernels() { return kKernels; }

const PnKernelShape* pn_kernel_shape(const tPNChangeKernel* pointer) {
  for (const SpecRow& row : kSpecs) {
    if (row.pointer == pointer) return &row.shape;
  }
  return nullptr;
}

}  // namespace pf

PF_DISPATCH(ImagePNChange, pf::kKernels)
PF_ENTRY_POINTS(ImagePNChange, pf::PNChange)

extern "C" {

uint32_t ImagePNChangeProcess_c(void* hHandle, void* pInput, void* pOutput) {
  if (pf::any_null(hHandle, pInput, pOutput)) return pf::kINPUT_POINTER;
  const auto& inst = *static_cast<const pf::PnInstance*>(hHandle);
  const auto& src = *static_cast<const tImagePNChangePicture*>(pInput);
  const auto& dst = *static_cast<const tImagePNChangePicture*>(pOutput);
  const bool planar = inst.tParam.s32SrcYuvType == static_cast<int32_t>(PF_YUV_420);
  if (!pf::planes_set(src, planar)) return pf::kINPUT_DATA_POINTER;
  if (!pf::planes_set(dst, planar)) return pf::kOUTPUT_DATA_POINTER;
  inst.pfnKernel(&src, &dst);
  return PF_STATUS_OK;
}

uint32_t ImagePNChangeDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImagePNChangeGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a missing record.
  return pf::fixed_mem_size(pu32Size, 160, pf::kINIT_POINTER);
}

}  // extern "C"

PF_FUNCTION_TABLE(tImagePNChangeFunc, ImagePNChange)
