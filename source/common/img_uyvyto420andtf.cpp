// SPDX-License-Identifier: BSD-2-Clause
// The UYVY-to-4:2:0 module with temporal filter: the seven output sizes, the stored previous
// output and its reset.
#include "img_uyvyto420andtf.h"

#include <cstdint>
#include <cstring>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "temporal/temporal.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_UYVYTO420_ANDTF_"
PF_ERROR_LIST(pas8UYVYTo420AndTFAnalyzeErrorCode, PF_IMG_UYVYTO420_ANDTF_ERRORS,
              ERR_IMG_UYVYTO420_ANDTF_BASE_)
#undef PF_ERROR_PREFIX

extern "C" {

#define PF_K(ptr, c, ...) tUYVYTo420AndTFKernel ptr = c;
#include "temporal/uyvyto420andtf_kernels.def"
#undef PF_K

}  // extern "C"

namespace pf {
namespace {

constexpr const char* kSourcePath = "../source/common/img_uyvyto420andtf.c";

constexpr KernelRow<tUYVYTo420AndTFKernel> kKernels[] = {
#define PF_K PF_KERNEL_ROW
#include "temporal/uyvyto420andtf_kernels.def"
#undef PF_K
};

struct Output {
  int32_t width, height, interlace;
  tUYVYTo420AndTFKernel* kernel;
};
constexpr Output kOutputs[] = {
    {720, 576, 2, &UYVYD1FrameTo420D1FieldAndTF},
    {352, 576, 2, &UYVYD1FrameTo4202CifFieldAndTF},
    {352, 288, 1, &UYVYD1FrameTo420CifFrameAndTF},
    {176, 144, 1, &UYVYD1FrameTo420QCifFrameAndTF},
    {112, 96, 1, &UYVYD1FrameTo420112x96FrameAndTF},
    {240, 192, 1, &UYVYD1FrameTo420NinethD1FrameAndTF},
    {96, 80, 1, &UYVYD1FrameTo42096x80FrameAndTF},
};

const Output* find_output(const tImgUYVYTo420AndTFParam& p) {
  for (const Output& o : kOutputs) {
    if (o.width == p.s32DstWidth && o.height == p.s32DstHeight) return &o;
  }
  return nullptr;
}

uint32_t output_bytes(const tImgUYVYTo420AndTFParam& p) {
  return static_cast<uint32_t>(p.s32DstWidth * 3 * p.s32DstHeight / 2);
}

// The checks every entry point shares: the source is a D1 frame, and the output width and height
// each belong to some output size.
uint32_t check_sizes(const tImgUYVYTo420AndTFParam& p) {
  if (p.s32SrcInterlace != 1) return kCHECKPARAM_SRC_INTERLACE;
  if (p.s32SrcWidth != 720) return kCHECKPARAM_SRC_WIDTH;
  if (p.s32SrcHeight != 576) return kCHECKPARAM_SRC_HEIGHT;
  bool width = false, height = false;
  for (const Output& o : kOutputs) {
    width |= o.width == p.s32DstWidth;
    height |= o.height == p.s32DstHeight;
  }
  if (!width) return kCHECKPARAM_DST_WIDTH;
  if (!height) return kCHECKPARAM_DST_HEIGHT;
  return PF_STATUS_OK;
}

// The pair must be an output size, with that size's interlace.
uint32_t check_pair(const tImgUYVYTo420AndTFParam& p, uint32_t unsupported, uint32_t interlace) {
  const Output* o = find_output(p);
  if (o == nullptr) return unsupported;
  if (o->interlace != p.s32DstInterlace) return interlace;
  return PF_STATUS_OK;
}

void store(tImgUYVYTo420AndTFInstance& inst, const tImgUYVYTo420AndTFParam& p) {
  inst.tParam = p;
  inst.pfnKernel = load_kernel(*find_output(p)->kernel);
}

struct UyvyTo420AndTf {
  using Param = tImgUYVYTo420AndTFParam;
  using Instance = tImgUYVYTo420AndTFInstance;
  static constexpr FrameCodes kCodes =
      frame_codes(kErrorNames, {.fast_scratch = true, .dma = true});
  // Neither the start marker nor the end marker is named.
  static constexpr ErrorTable kErrors =
      error_table(kErrorNames, {.start_named = false, .end_named = false});
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames,
      "UYVYTo420AndTemporalFilter Version: pelforge_v300.UYVYTo420AndTemporalFilter.002, "
      "Compile time: %s %s.\n");
  static constexpr const char* kSource = kSourcePath;
  static constexpr bool kSelectFirst = true;   // the previous output is sized by the output
  static constexpr bool kBuffersFirst = true;  // previous output before scratch and DMA handle

  // The pair is checked after the dispatch has run: a combination of valid width and height
  // that is no output size is a choice among kernels, not a malformed field.
  static uint32_t validate(const Param& p) {
    if (const uint32_t error = check_sizes(p)) return error;
    ImgUYVYTo420AndTemporalFilterGlobalInit();
    return check_pair(p, kOPEN_UNSUPPORTTYPE, kOPEN_DST_INTERLACE);
  }
  static void global_init() { ImgUYVYTo420AndTemporalFilterGlobalInit(); }
  static void select(Instance& inst, const Param& p) { store(inst, p); }
  static uint32_t acquire(Instance& inst) {
    inst.u32PreBytes = output_bytes(inst.tParam);
    inst.pu8PreYuv = static_cast<uint8_t*>(
        vmem_malloc(inst.hMem, inst.u32PreBytes, kInstanceAlign, kSource, __LINE__));
    if (inst.pu8PreYuv == nullptr) return kOPEN_MALLOC_PREYUV;
    std::memset(inst.pu8PreYuv, 0, inst.u32PreBytes);
    return PF_STATUS_OK;
  }
  static void release(Instance& inst) {
    if (inst.pu8PreYuv != nullptr) vmem_free(inst.hMem, inst.pu8PreYuv, kSource, __LINE__);
    inst.pu8PreYuv = nullptr;
  }
};

}  // namespace

namespace temporal {
std::span<const KernelRow<tUYVYTo420AndTFKernel>> uyvy_tf_kernels() { return kKernels; }
}  // namespace temporal

}  // namespace pf

PF_DISPATCH(ImgUYVYTo420AndTemporalFilter, pf::kKernels)
PF_GET_STATUS(ImgUYVYTo420AndTemporalFilter, pf::UyvyTo420AndTf)
PF_NAMES_AND_VERSION(ImgUYVYTo420AndTemporalFilter, pf::UyvyTo420AndTf)

extern "C" {

uint32_t ImgUYVYTo420AndTemporalFilterOpen_c(void** phHandle, const void* pParam, void* hMem) {
  return pf::open<pf::UyvyTo420AndTf>(phHandle, pParam, hMem);
}

// Close names the block whose release failed: the previous output or the instance. The instance
// is released even when the previous output could not be.
uint32_t ImgUYVYTo420AndTemporalFilterClose_c(void* hHandle) {
  if (hHandle == nullptr) return pf::kCLOSE_HANDLE;
  auto* inst = static_cast<tImgUYVYTo420AndTFInstance*>(hHandle);
  void* mem = inst->hMem;
  if (mem == nullptr) return pf::kCLOSE_HANDLE;
  if (inst->pvFastScratch != nullptr) {
    pf::vmem_free_scratch(mem, inst->pvFastScratch, pf::kSourcePath, __LINE__);
  }
  const uint32_t buffer = pf::vmem_free(mem, inst->pu8PreYuv, pf::kSourcePath, __LINE__);
  if (pf::vmem_free(mem, inst, pf::kSourcePath, __LINE__) != PF_STATUS_OK) {
    return pf::kCLOSE_FREE_HANDLE;
  }
  return buffer == PF_STATUS_OK ? PF_STATUS_OK : pf::kCLOSE_FREE_PREYUV;
}

uint32_t ImgUYVYTo420AndTemporalFilterProcess_c(void* hHandle, void* pInput, void* pOutput) {
  if (hHandle == nullptr) return pf::kPROCESS_HANDLE;
  if (pInput == nullptr) return pf::kPROCESS_INPUT;
  if (pOutput == nullptr) return pf::kPROCESS_OUTPUT;
  const auto& data = *static_cast<const tImgUYVYTo420AndTFData*>(pInput);
  if (data.pu8Src == nullptr) return pf::kPROCESS_SRC_POINTER;
  if (data.pu8Dst == nullptr) return pf::kPROCESS_DST_POINTER;
  auto& inst = *static_cast<tImgUYVYTo420AndTFInstance*>(hHandle);
  inst.pfnKernel(&inst, data.pu8Src, data.pu8Dst);
  return PF_STATUS_OK;
}

uint32_t ImgUYVYTo420AndTemporalFilterSetParam_c(void* hHandle, const void* pParam) {
  if (hHandle == nullptr) return pf::kSET_PARAM_HANDLE;
  if (pParam == nullptr) return pf::kSET_PARAM_PARAM;
  const auto& p = *static_cast<const tImgUYVYTo420AndTFParam*>(pParam);
  if (const uint32_t error = pf::check_sizes(p)) return error;
  if (const uint32_t error =
          pf::check_pair(p, pf::kSET_PARAM_UNSUPPORTTYPE, pf::kSET_PARAM_DST_INTERLACE)) {
    return error;
  }
  auto& inst = *static_cast<tImgUYVYTo420AndTFInstance*>(hHandle);
  // The previous output was sized at Open; a larger output would need a new buffer.
  if (pf::output_bytes(p) > inst.u32PreBytes) return pf::kSET_PARAM_UNSUPPORTTYPE;
  std::memset(inst.pu8PreYuv, 0, pf::output_bytes(p));
  pf::store(inst, p);
  return PF_STATUS_OK;
}

uint32_t ImgUYVYTo420AndTemporalFilterDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImgUYVYTo420AndTemporalFilterGetMemSize_c(const void* pParam, uint32_t* pu32Size) {
  if (pf::any_null(pParam, pu32Size)) return pf::kGETMEMSIZE_PARAM_POINTER;
  const auto& p = *static_cast<const tImgUYVYTo420AndTFParam*>(pParam);
  if (const uint32_t error = pf::check_sizes(p)) return error;
  *pu32Size = pf::output_bytes(p) + 88;
  return PF_STATUS_OK;
}

}  // extern "C"

PF_FUNCTION_TABLE(tImageUYVYTo420AndTFFunc, ImgUYVYTo420AndTemporalFilter)
