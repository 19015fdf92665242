// SPDX-License-Identifier: BSD-2-Clause
// The bitmap to YUV-with-alpha module: the layout and key at Open/SetParam, the kernel by layout.
#include "img_bmptoyuv_alpha.h"

#include <cstdint>
#include <iterator>

#include "bitmap/bitmap.hpp"
#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"

// The table opens with the start marker, which the list leaves out.
extern "C" const char* const pas8BMPToYUVAlphaAnalyzeErrorCode[] = {
    "ERR_IMG_BMPTOYUV_ALPHA_START",
#define PF_X(name) "ERR_IMG_BMPTOYUV_" #name,
    PF_IMG_BMPTOYUV_ALPHA_ERRORS(PF_X)
#undef PF_X
};
PF_ERROR_CODES(PF_IMG_BMPTOYUV_ALPHA_ERRORS, ERR_IMG_BMPTOYUV_ALPHA_START, nullptr, "ALPHA_")
static_assert(std::size(pas8BMPToYUVAlphaAnalyzeErrorCode) ==
              ERR_IMG_BMPTOYUV_ALPHA_END - ERR_IMG_BMPTOYUV_ALPHA_START + 1);

extern "C" {

#define PF_K(ptr, c, ...) tBmpToYuvAlphaKernel ptr = c;
#include "bitmap/bmptoyuv_kernels.def"
#undef PF_K

}  // extern "C"

namespace pf {
namespace {

constexpr KernelRow<tBmpToYuvAlphaKernel> kKernels[] = {
#define PF_K PF_KERNEL_ROW
#include "bitmap/bmptoyuv_kernels.def"
#undef PF_K
};

bool valid_layout(uint32_t yuv_type) {
  return yuv_type == PF_YUV_420 || yuv_type == PF_YUV_NV12 || yuv_type == PF_YUV_UYVY ||
         yuv_type == PF_YUV_YUYV || yuv_type == PF_YUV_422P;
}

void store(tBmpToYuvAlphaInstance& inst, const tBmpToYuvAlphaParam& p) {
  inst.u32YuvType = p.u32YuvType;
  inst.u8KeyR = p.u8KeyR;
  inst.u8KeyG = p.u8KeyG;
  inst.u8KeyB = p.u8KeyB;
  inst.u8KeyOpacity = p.u8KeyOpacity;
}

struct BmpToYuvAlpha {
  using Param = tBmpToYuvAlphaParam;
  using Instance = tBmpToYuvAlphaInstance;
  static constexpr FrameCodes kCodes =
      frame_codes(kErrorNames, {.fast_scratch = true, .dma = true});
  static constexpr ErrorTable kErrors{
      .names = pas8BMPToYUVAlphaAnalyzeErrorCode,
      .count = std::size(pas8BMPToYUVAlphaAnalyzeErrorCode),
      .first_code = ERR_IMG_BMPTOYUV_ALPHA_START,
      .accept_lo = kALPHA_OPEN_HANDLE,
      .accept_hi = kPALETTE_BMPCOLORNUM,
      .null_buffer = kALPHA_ANALYZE_ERROR_CODE_HANDLE,
      .delegate = nullptr,
  };
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames,
      "BMPToYUVAlpha Version: pelforge_v300.bmptoyuvalpha.007, Compile time: %s %s.\n");
  static constexpr const char* kSource = "../source/common/img_bmptoyuv_alpha.c";

  static uint32_t validate(const Param& p) {
    return valid_layout(p.u32YuvType) ? PF_STATUS_OK : kALPHA_OPEN_YUVTYPE;
  }
  static uint32_t validate_set(const Param& p) {
    return valid_layout(p.u32YuvType) ? PF_STATUS_OK : kALPHA_SETPARAM_YUVTYPE;
  }
  static void global_init() { ImgBMPToYUVAlphaGlobalInit(); }
  static void select(Instance& inst, const Param& p) { store(inst, p); }
  static void status(const Instance& inst, Param& out) {
    out.u32YuvType = inst.u32YuvType;
    out.u8KeyR = inst.u8KeyR;
    out.u8KeyG = inst.u8KeyG;
    out.u8KeyB = inst.u8KeyB;
    out.u8KeyOpacity = inst.u8KeyOpacity;
  }
};

}  // namespace

std::span<const KernelRow<tBmpToYuvAlphaKernel>> bmp_to_yuv_alpha_kernels() { return kKernels; }

}  // namespace pf

PF_DISPATCH(ImgBMPToYUVAlpha, pf::kKernels)
PF_ENTRY_POINTS(ImgBMPToYUVAlpha, pf::BmpToYuvAlpha)

extern "C" {

uint32_t ImgBMPToYUVAlphaProcess_c(void* hHandle, void* pData, void* pInfo) {
  if (pf::any_null(hHandle, pData, pInfo)) return pf::kALPHA_PROCESS_HANDLE;
  const auto& inst = *static_cast<const tBmpToYuvAlphaInstance*>(hHandle);
  const auto* data = static_cast<const tBmpToYuvAlphaData*>(pData);
  if (data->pu8Bmp == nullptr) return pf::kALPHA_PROCESS_INPUT_POINTER;
  if (data->pu8Yuv == nullptr || data->pu8Alpha == nullptr) {
    return pf::kALPHA_PROCESS_OUTPUT_POINTER;
  }
  auto* info = static_cast<tBmpToYuvAlphaInfo*>(pInfo);
  switch (inst.u32YuvType) {
    case PF_YUV_420:
    case PF_YUV_NV12:
      return pf::load_kernel(ConvertBMPToYUV420AndAlpha)(&inst, data, info);
    case PF_YUV_UYVY:
    case PF_YUV_YUYV:
      return pf::load_kernel(ConvertBMPToYUV422AndAlpha)(&inst, data, info);
    default:
      return pf::load_kernel(ConvertBMPToYUV422PAndAlpha)(&inst, data, info);
  }
}

uint32_t ImgBMPToYUVAlphaDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImgBMPToYUVAlphaGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a null argument.
  return pf::fixed_mem_size(pu32Size, PF_BMPTOYUV_MEM_SIZE, pf::kALPHA_OPEN_HANDLE);
}

}  // extern "C"

PF_FUNCTION_TABLE(tImageBMPToYUVAlphaFunc, ImgBMPToYUVAlpha)
