// SPDX-License-Identifier: BSD-2-Clause
// The OSD filter module: its two tables, the mean of the reference picture, and the filter.
#include "img_filterosd.h"

#include <cstdint>
#include <cstring>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "osd/osd.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_OSD_"
PF_ERROR_LIST(pas8FilterOSDAnalyzeErrorCode, PF_IMG_FILTEROSD_ERRORS, ERR_IMG_OSD_BASE_)
#undef PF_ERROR_PREFIX

// The module's kernel manifests: no SIMD variants, so the selectors are empty.
#define PF_OSD_FILTER_KERNELS(PF_K) PF_K(FilterOSD, FilterOSD_c, PF_NONE, PF_NONE, PF_NONE, PF_NONE)
#define PF_OSD_TONE_KERNELS(PF_K) PF_K(GrayInit, GrayInit_c, PF_NONE, PF_NONE, PF_NONE, PF_NONE)

extern "C" {

tFilterOsdKernel FilterOSD = FilterOSD_c;
tGrayInit GrayInit = GrayInit_c;

}  // extern "C"

namespace pf {
namespace {

constexpr KernelRow<tFilterOsdKernel> kFilterKernels[] = {PF_OSD_FILTER_KERNELS(PF_KERNEL_ROW)};
constexpr KernelRow<tGrayInit> kToneKernels[] = {PF_OSD_TONE_KERNELS(PF_KERNEL_ROW)};

constexpr uint32_t kToneTableBytes = 256;

// The division table has room for centre weights up to 11 only; larger weights are refused
// rather than read past it. A picture without pixels has no mean and nothing to filter.
uint32_t check_param(const tFilterOsdParam& p) {
  if (p.u32Width < 1 || p.u32Height < 1) return kWIDTH;
  if (p.u8CenterWeight > PF_OSD_MAX_CENTER_WEIGHT) return kWIDTH;
  if (p.u8MeasureMean != 0 && p.pu32RefPicture == nullptr) return kREFERENCE_PICTURE;
  return PF_STATUS_OK;
}

struct FilterOsd {
  using Param = tFilterOsdParam;
  using Instance = tFilterOsdInstance;
  static constexpr FrameCodes kCodes =
      frame_codes(kErrorNames, {.fast_scratch = true, .dma = true});
  static constexpr ErrorTable kErrors = error_table(kErrorNames);
  static constexpr VersionSpec kVersion =
      version_spec(kErrorNames, "OSD Version: pelforge_v300.osd.001, Compile time: %s %s.\n");
  static constexpr const char* kSource = "../source/common/img_filterosd.c";

  static uint32_t validate(const Param& p) { return check_param(p); }
  static void global_init() { ImageFilterOSDGlobalInit(); }

  static uint32_t acquire(Instance& inst) {
    inst.pu8DivTable = static_cast<uint8_t*>(
        vmem_malloc(inst.hMem, PF_OSD_DIV_TABLE_BYTES, kInstanceAlign, kSource, __LINE__));
    if (inst.pu8DivTable == nullptr) return kOPEN_MALLOC_GETBUF;
    inst.pu8ToneTable = static_cast<uint8_t*>(
        vmem_malloc(inst.hMem, kToneTableBytes, kInstanceAlign, kSource, __LINE__));
    if (inst.pu8ToneTable == nullptr) {
      vmem_free(inst.hMem, inst.pu8DivTable, kSource, __LINE__);
      inst.pu8DivTable = nullptr;
      return kOPEN_MALLOC_cTable;
    }
    return PF_STATUS_OK;
  }
  static void release(Instance& inst) {
    vmem_free(inst.hMem, inst.pu8ToneTable, kSource, __LINE__);
    vmem_free(inst.hMem, inst.pu8DivTable, kSource, __LINE__);
  }

  static uint32_t select(Instance& inst, const Param& p) {
    inst.u8CenterWeight = p.u8CenterWeight;
    inst.s16Brightness = p.s16Brightness;
    inst.s16Contrast = p.s16Contrast;
    inst.u32Width = p.u32Width;
    inst.u32Height = p.u32Height;
    inst.pfnFilter = load_kernel(FilterOSD);
    osd::build_div_table(inst.pu8DivTable, p.u8CenterWeight);
    // Without a measurement the tone table is not built; Process is refused until a mean is
    // known, so zeros only keep the table defined.
    std::memset(inst.pu8ToneTable, 0, kToneTableBytes);
    if (p.u8MeasureMean != 0) load_kernel(GrayInit)(&inst, &p);
    return PF_STATUS_OK;
  }
};

bool overlap(const void* a, const void* b, size_t bytes) {
  const auto x = reinterpret_cast<uintptr_t>(a), y = reinterpret_cast<uintptr_t>(b);
  return x < y + bytes && y < x + bytes;
}

}  // namespace
}  // namespace pf

PF_DISPATCH(ImageFilterOSD, pf::kFilterKernels, pf::kToneKernels)
PF_OPEN_CLOSE(ImageFilterOSD, pf::FilterOsd)
PF_NAMES_AND_VERSION(ImageFilterOSD, pf::FilterOsd)

extern "C" {

uint32_t ImageFilterOSDSetParam_c(void* hHandle, const void* pParam) {
  if (hHandle == nullptr || pParam == nullptr) return pf::kOPEN_POINTER;
  const auto& p = *static_cast<const tFilterOsdParam*>(pParam);
  if (const uint32_t error = pf::check_param(p)) return error;
  auto& inst = *static_cast<tFilterOsdInstance*>(hHandle);
  if (p.u8CenterWeight != inst.u8CenterWeight) {
    inst.u8CenterWeight = p.u8CenterWeight;
    pf::osd::build_div_table(inst.pu8DivTable, p.u8CenterWeight);
  }
  inst.u32Width = p.u32Width;
  inst.u32Height = p.u32Height;
  if (p.u8MeasureMean != 0 || p.s16Brightness != inst.s16Brightness ||
      p.s16Contrast != inst.s16Contrast) {
    inst.s16Brightness = p.s16Brightness;
    inst.s16Contrast = p.s16Contrast;
    pf::load_kernel(GrayInit)(&inst, &p);
  }
  return PF_STATUS_OK;
}

uint32_t ImageFilterOSDGetStatus_c(void*, void*) { return pf::kSTATUS_NOTIMPLEMENT; }

uint32_t ImageFilterOSDProcess_c(void* hHandle, void* pPictures, void* pContext) {
  if (pf::any_null(hHandle, pPictures, pContext)) return pf::kPROCESS_POINTER;
  const auto& inst = *static_cast<const tFilterOsdInstance*>(hHandle);
  const auto& pictures = *static_cast<const tFilterOsdPictures*>(pPictures);
  if (pictures.pu32Src == nullptr || pictures.pu32Dst == nullptr) return pf::kPROCESS_POINTER;
  // The filter reads the neighbours of every pixel it writes: it cannot work in place.
  const size_t bytes = size_t{4} * inst.u32Width * inst.u32Height;
  if (pf::overlap(pictures.pu32Src, pictures.pu32Dst, bytes)) return pf::kPROCESS_POINTER;
  if (inst.u32Mean == 0) return pf::kREFERENCE_PICTURE;
  inst.pfnFilter(&inst, pictures.pu32Src, pictures.pu32Dst);
  return PF_STATUS_OK;
}

uint32_t ImageFilterOSDDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImageFilterOSDGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a missing record.
  return pf::fixed_mem_size(pu32Size, 5436, pf::kOPEN_POINTER);
}

}  // extern "C"

PF_FUNCTION_TABLE(tFilterOSDFunc, ImageFilterOSD)
