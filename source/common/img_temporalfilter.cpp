// SPDX-License-Identifier: BSD-2-Clause
// The temporal filter module: aligned sizes, the previous-output buffer carried from picture to
// picture, the working picture for unaligned sizes, the strength ramp and the Debug command.
#include "img_temporalfilter.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "temporal/temporal.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_TEMPORALFILTER_"
PF_ERROR_LIST(pas8TemporalFilterAnalyzeErrorCode, PF_IMG_TEMPORALFILTER_ERRORS,
              ERR_IMG_TEMPORALFILTER_BASE_)
#undef PF_ERROR_PREFIX

extern "C" {

#define PF_K(ptr, c, ...) tFilterframeKernel ptr = c;
#include "temporal/temporalfilter_kernels.def"
#undef PF_K

}  // extern "C"

namespace pf {
namespace {

constexpr const char* kSourcePath = "../source/common/img_temporalfilter.c";

constexpr KernelRow<tFilterframeKernel> kKernels[] = {
#define PF_K PF_SIMD_KERNEL_ROW
#include "temporal/temporalfilter_kernels.def"
#undef PF_K
};

using temporal::align8;

// The buffers are sized in 32 bits by the memory service: sizes whose buffers it cannot be
// asked for are refused with the field that makes them too large.
uint32_t check_param(const tImgTemporalFilterParam& p) {
  if (p.s32Width < 1 || temporal::line_buffer_bytes(align8(p.s32Width)) > UINT32_MAX) {
    return kPARAM_WIDTH;
  }
  if (p.s32Height < 1 ||
      temporal::reported_mem_size(align8(p.s32Width), align8(p.s32Height)) > UINT32_MAX) {
    return kPARAM_HEIGHT;
  }
  if (p.s32Width > p.s32YStride || (p.s32Width >> 1) > p.s32UVStride) return kPARAM_STRIDE;
  return PF_STATUS_OK;
}

void store_param(tImgTemporalFilterInstance& inst, const tImgTemporalFilterParam& p) {
  inst.s32Width = p.s32Width;
  inst.s32Height = p.s32Height;
  inst.s32YStride = p.s32YStride;
  inst.s32UVStride = p.s32UVStride;
  inst.s32AddNoise = p.s32AddNoise;
}

uint32_t picture_size(const tImgTemporalFilterInstance& inst) {
  return static_cast<uint32_t>(
      temporal::picture_bytes(inst.s32AlignedWidth, inst.s32AlignedHeight));
}

uint8_t* take_zeroed(void* mem, uint32_t bytes, uint32_t line) {
  auto* block = static_cast<uint8_t*>(vmem_malloc(mem, bytes, kInstanceAlign, kSourcePath, line));
  if (block != nullptr) std::memset(block, 0, bytes);
  return block;
}

struct TemporalFilter {
  using Param = tImgTemporalFilterParam;
  using Instance = tImgTemporalFilterInstance;
  // No DMA handle in the frame: Open takes it afterwards, kept but not required.
  static constexpr FrameCodes kCodes = frame_codes(kErrorNames, {.fast_scratch = true});
  // Neither the start marker nor the end marker is named.
  static constexpr ErrorTable kErrors =
      error_table(kErrorNames, {.start_named = false, .end_named = false});
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames, "Version: pelforge_v300.temporalfilter.009, Compile time: %s %s.\n");
  static constexpr const char* kSource = kSourcePath;
  static constexpr bool kSelectFirst = true;   // the buffers are sized from the aligned values
  static constexpr bool kBuffersFirst = true;  // previous output, working picture, line buffer

  static uint32_t validate(const Param& p) { return check_param(p); }
  static void global_init() { ImgTemporalFilterGlobalInit(); }
  static uint32_t select(Instance& inst, const Param& p) {
    store_param(inst, p);
    const bool width_aligned = p.s32Width % 8 == 0;
    inst.s32AlignedWidth = static_cast<int32_t>(align8(p.s32Width));
    inst.s32AlignedHeight = static_cast<int32_t>(align8(p.s32Height));
    inst.s32AlignedYStride = width_aligned ? p.s32YStride : inst.s32AlignedWidth;
    inst.s32AlignedUVStride = width_aligned ? p.s32UVStride : inst.s32AlignedWidth / 2;
    inst.s32Aligned = width_aligned && p.s32Height % 8 == 0 ? 1 : 0;
    inst.pfnFilter = load_kernel(Filterframe);
    return PF_STATUS_OK;
  }
  static uint32_t acquire(Instance& inst) {
    const uint32_t picture = picture_size(inst);
    inst.pu8PreFrame = take_zeroed(inst.hMem, picture, __LINE__);
    if (inst.pu8PreFrame == nullptr) return kOPEN_MALLOC_PREFRAME;
    if (inst.s32Aligned == 0) {
      inst.pu8AlignedFrame = take_zeroed(inst.hMem, picture, __LINE__);
      if (inst.pu8AlignedFrame == nullptr) {
        release(inst);
        return kOPEN_MALLOC_ALIGNED_CURFRAME;
      }
    }
    inst.pu8LineBuf = static_cast<uint8_t*>(vmem_malloc(
        inst.hMem, static_cast<uint32_t>(temporal::line_buffer_bytes(inst.s32AlignedWidth)),
        kInstanceAlign, kSource, __LINE__));
    if (inst.pu8LineBuf == nullptr) {
      release(inst);
      return kOPEN_MALLOC_TEMP_BUF;
    }
    return PF_STATUS_OK;
  }
  static void release(Instance& inst) {
    for (uint8_t** block : {&inst.pu8LineBuf, &inst.pu8AlignedFrame, &inst.pu8PreFrame}) {
      if (*block != nullptr) vmem_free(inst.hMem, *block, kSource, __LINE__);
      *block = nullptr;
    }
  }
  static void status(const Instance& inst, Param& p) {
    p = {inst.s32Width, inst.s32Height, inst.s32YStride, inst.s32UVStride, inst.s32AddNoise};
  }
};

// Copies a w x h 4:2:0 picture between line steps (w, w / 2) and (aw, aw / 2).
void copy_picture(const uint8_t* src, int32_t src_w, int32_t src_h, uint8_t* dst, int32_t dst_w,
                  int32_t dst_h, int32_t w, int32_t h) {
  struct Plane {
    size_t src_offset, dst_offset, src_step, dst_step, bytes, rows;
  };
  const auto sw = static_cast<size_t>(src_w), sh = static_cast<size_t>(src_h);
  const auto dw = static_cast<size_t>(dst_w), dh = static_cast<size_t>(dst_h);
  const auto cw = static_cast<size_t>(w / 2), ch = static_cast<size_t>(h / 2);
  const Plane planes[3] = {
      {0, 0, sw, dw, static_cast<size_t>(w), static_cast<size_t>(h)},
      {sw * sh, dw * dh, sw / 2, dw / 2, cw, ch},
      {sw * sh + (sw / 2) * (sh / 2), dw * dh + (dw / 2) * (dh / 2), sw / 2, dw / 2, cw, ch},
  };
  for (const Plane& p : planes) {
    for (size_t r = 0; r < p.rows; ++r) {
      std::memcpy(dst + p.dst_offset + r * p.dst_step, src + p.src_offset + r * p.src_step,
                  p.bytes);
    }
  }
}

}  // namespace

namespace temporal {
std::span<const KernelRow<tFilterframeKernel>> temporal_filter_kernels() { return kKernels; }
}  // namespace temporal

}  // namespace pf

PF_DISPATCH(ImgTemporalFilter, pf::kKernels)
PF_GET_STATUS(ImgTemporalFilter, pf::TemporalFilter)
PF_NAMES_AND_VERSION(ImgTemporalFilter, pf::TemporalFilter)

extern "C" {

uint32_t ImgTemporalFilterOpen_c(void** phHandle, const void* pParam, void* hMem) {
  const uint32_t status = pf::open<pf::TemporalFilter>(phHandle, pParam, hMem);
  if (status == PF_STATUS_OK) {
    static_cast<tImgTemporalFilterInstance*>(*phHandle)->hDma = GetDMAHandle_c(hMem);
  }
  return status;
}

uint32_t ImgTemporalFilterClose_c(void* hHandle) { return pf::close<pf::TemporalFilter>(hHandle); }

uint32_t ImgTemporalFilterProcess_c(void* hHandle, void* pInput, void* pOutput) {
  if (pf::any_null(hHandle, pInput, pOutput)) return pf::kPROCESS_HANDLE;
  uint8_t* picture = static_cast<tImgPicture*>(pInput)->pu8Y;
  if (picture == nullptr) return pf::kPROCESS_INPUT_POINTER;
  auto& inst = *static_cast<tImgTemporalFilterInstance*>(hHandle);
  for (int32_t& strength : inst.as32Strength) {
    const int64_t next = int64_t{strength} + inst.s32AddNoise;
    strength = static_cast<int32_t>(next < 0 ? 0 : next > 29 ? 29 : next);
  }
  if (inst.s32Aligned != 0) {
    inst.pfnFilter(&inst, picture, inst.pu8PreFrame);
    return PF_STATUS_OK;
  }
  const int32_t aw = inst.s32AlignedWidth, ah = inst.s32AlignedHeight;
  const int32_t w = inst.s32Width, h = inst.s32Height;
  pf::copy_picture(picture, w, h, inst.pu8AlignedFrame, aw, ah, w, h);
  inst.pfnFilter(&inst, inst.pu8AlignedFrame, inst.pu8PreFrame);
  pf::copy_picture(inst.pu8AlignedFrame, aw, ah, picture, w, h, w, h);
  return PF_STATUS_OK;
}

uint32_t ImgTemporalFilterSetParam_c(void* hHandle, const void* pParam) {
  if (hHandle == nullptr || pParam == nullptr) return pf::kSET_PARAM_HANDLE;
  const auto& p = *static_cast<const tImgTemporalFilterParam*>(pParam);
  if (const uint32_t error = pf::check_param(p)) return error;
  auto& inst = *static_cast<tImgTemporalFilterInstance*>(hHandle);
  // The buffers stay those of Open: a new size must round up to the same aligned size, and it
  // can leave the aligned size only when Open made a working picture.
  const bool copies = inst.s32Aligned == 0;
  if (pf::align8(p.s32Width) != inst.s32AlignedWidth ||
      (!copies && p.s32Width != inst.s32AlignedWidth)) {
    return pf::kPARAM_WIDTH;
  }
  if (pf::align8(p.s32Height) != inst.s32AlignedHeight ||
      (!copies && p.s32Height != inst.s32AlignedHeight)) {
    return pf::kPARAM_HEIGHT;
  }
  pf::store_param(inst, p);
  return PF_STATUS_OK;
}

uint32_t ImgTemporalFilterDebug_c(void* hHandle, void* pArg) {
  if (hHandle == nullptr || pArg == nullptr) return pf::kDEBUG_HANDLE;
  const auto* text = static_cast<const char*>(pArg);
  if (std::strstr(text, "h=vid/enc/temfilter") == nullptr) return pf::kDEBUG_MODULE;
  if (const char* key = std::strstr(text, "addnoise=")) {
    int value = 0;  // a key without a number sets 0
    std::sscanf(key + sizeof "addnoise=" - 1, "%d", &value);
    static_cast<tImgTemporalFilterInstance*>(hHandle)->s32AddNoise = value;
  }
  return PF_STATUS_OK;
}

uint32_t ImgTemporalFilterGetMemSize_c(const void* pParam, uint32_t* pu32Size) {
  if (pf::any_null(pParam, pu32Size)) return pf::kGETMEMSIZE_PARAM_POINTER;
  const auto& p = *static_cast<const tImgTemporalFilterParam*>(pParam);
  if (const uint32_t error = pf::check_param(p)) return error;
  *pu32Size = static_cast<uint32_t>(
      pf::temporal::reported_mem_size(pf::align8(p.s32Width), pf::align8(p.s32Height)));
  return PF_STATUS_OK;
}

}  // extern "C"

PF_FUNCTION_TABLE(tImageTemporalFilterFunc, ImgTemporalFilter)
