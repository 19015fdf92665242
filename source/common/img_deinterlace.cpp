// SPDX-License-Identifier: BSD-2-Clause
// The deinterlace module: validation, the mode kernel, and the two working buffers the blenders
// of modes 2 and 3 keep between Open and Close.
#include "img_deinterlace.h"

#include <cstdint>
#include <cstring>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "img_deinterlace_internal.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_DEINTERLACE_"
PF_ERROR_LIST(pas8DeinterlaceAnalyzeErrorCode, PF_IMG_DEINTERLACE_ERRORS, ERR_IMG_DEINTERLACE_BASE_)
#undef PF_ERROR_PREFIX

extern "C" {

#define PF_K(ptr, c, ...) tImgDeinterlaceKernel ptr = c;
#include "deinterlace/deinterlace_kernels.def"
#undef PF_K

}  // extern "C"

namespace pf {
namespace {

constexpr KernelRow<tImgDeinterlaceKernel> kKernels[] = {
#define PF_K PF_SIMD_KERNEL_ROW
#include "deinterlace/deinterlace_kernels.def"
#undef PF_K
};

constexpr const char* kSourcePath = "../source/common/img_deinterlace";
constexpr uint32_t kBufferAlign = 16;

uint32_t check_param(const tImgDeinterlaceParam& p) {
  if (p.s32Width <= 0 || p.s32Width % 8 != 0) return kPARAM_WIDTH;
  if (p.s32Height <= 0 || p.s32Height % 8 != 0) return kPARAM_HEIGHT;
  if (p.s32Width > p.s32YStride || p.s32UVStride < 0) return kPARAM_STRIDE;
  if (p.s32Mode < 0 || p.s32Mode > 3) return kPARAM_MODE;
  if (p.s32FrameType < 1 || p.s32FrameType > 3) return kFRAME_TYPE;
  return PF_STATUS_OK;
}

// Buffer sizes in 64 bits: a size the memory service's 32-bit interface cannot express is
// refused as that buffer's allocation failure.
uint64_t line_buffer_bytes(const tImgDeinterlaceParam& p) {
  return 10 * static_cast<uint64_t>(p.s32Width) + 16;
}
uint64_t pre_field_bytes(const tImgDeinterlaceParam& p) {
  return static_cast<uint64_t>(p.s32Width) * static_cast<uint64_t>(p.s32Height) / 2;
}

void* take(void* mem, uint64_t bytes, uint32_t tag, uint32_t line) {
  if (bytes > UINT32_MAX) return nullptr;
  return VideoMemMalloc_c(mem, static_cast<uint32_t>(bytes), kBufferAlign, tag, kSourcePath, line);
}

void give_back(void* mem, void* block, uint32_t line) {
  if (block != nullptr) vmem_free(mem, block, kSourcePath, line);
}

tImgDeinterlaceKernel kernel_for(int32_t mode) {
  switch (mode) {
    case 0:
      return load_kernel(DeinterlaceMode1);
    case 1:
      return load_kernel(DeinterlaceMode2);
    case 2:
      return load_kernel(DeinterlaceMode3);
    default:
      return load_kernel(DeinterlaceMode4);
  }
}

// Stores the values in force, then picks the mode's kernel. Mode 0 has no field-separated form:
// the values stay stored, the kernel chosen before stays, and the frame type is reported.
uint32_t store(tImgDeinterlaceInstance& inst, const tImgDeinterlaceParam& p) {
  inst.s32Width = p.s32Width;
  inst.s32Height = p.s32Height;
  inst.s32FrameType = p.s32FrameType;
  inst.s32YStride = p.s32YStride;
  inst.s32UVStride = p.s32UVStride != 0 ? p.s32UVStride : p.s32YStride >> 1;
  inst.s32Mode = p.s32Mode;
  if (p.s32Mode == 0 && p.s32FrameType == PF_DEINTERLACE_FIELDS) return kFRAME_TYPE;
  inst.pfnKernel = kernel_for(p.s32Mode);
  return PF_STATUS_OK;
}

// Makes the buffers large enough for `p`, allocating new ones only where the present ones are
// too small. Nothing changes unless every allocation succeeds. A new history starts from zero,
// as after Open; a buffer that is large enough keeps its content.
uint32_t fit_buffers(tImgDeinterlaceInstance& inst, const tImgDeinterlaceParam& p, bool take_dma) {
  void* mem = inst.hMem;
  const uint64_t pre_bytes = pre_field_bytes(p), line_bytes = line_buffer_bytes(p);
  uint8_t* pre = nullptr;
  uint8_t* line = nullptr;
  if (pre_bytes > inst.u32PreFieldBufBytes || inst.pu8PreFieldBuf == nullptr) {
    pre = static_cast<uint8_t*>(take(mem, pre_bytes, VIDEOMEM_TAG_GENERAL, __LINE__));
    if (pre == nullptr) return kOPEN_MALLOC_PRE_FIELD_BUF;
    std::memset(pre, 0, static_cast<size_t>(pre_bytes));
  }
  if (line_bytes > inst.u32LineBufBytes || inst.pu8LineBuf == nullptr) {
    line = static_cast<uint8_t*>(take(mem, line_bytes, VIDEOMEM_TAG_LINE_BUFFER, __LINE__));
    if (line == nullptr) {
      give_back(mem, pre, __LINE__);
      return kMALLOC_FAST_SCRATCH;
    }
  }
  if (take_dma) {
    inst.hDma = GetDMAHandle_c(mem);
    if (inst.hDma == nullptr) {
      give_back(mem, line, __LINE__);
      give_back(mem, pre, __LINE__);
      return kGET_DMA_HANDLE;
    }
  }
  if (pre != nullptr) {
    give_back(mem, inst.pu8PreFieldBuf, __LINE__);
    inst.pu8PreFieldBuf = pre;
    inst.u32PreFieldBufBytes = static_cast<uint32_t>(pre_bytes);
  }
  if (line != nullptr) {
    give_back(mem, inst.pu8LineBuf, __LINE__);
    inst.pu8LineBuf = line;
    inst.u32LineBufBytes = static_cast<uint32_t>(line_bytes);
  }
  return PF_STATUS_OK;
}

struct Deinterlace {
  using Param = tImgDeinterlaceParam;
  using Instance = tImgDeinterlaceInstance;
  // No fast scratch; the DMA handle is taken after the two buffers, by acquire().
  static constexpr FrameCodes kCodes = frame_codes(kErrorNames);
  // Neither the start marker nor the end marker is named.
  static constexpr ErrorTable kErrors =
      error_table(kErrorNames, {.start_named = false, .end_named = false});
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames, "Deinterlace Version: pelforge_v300.deinterlace.009, Compile time: %s %s.\n");
  static constexpr const char* kSource = kSourcePath;
  // The kernel is chosen before the buffers are taken, so that mode 0 with field-separated
  // pictures is refused with only the instance to give back.
  static constexpr bool kSelectFirst = true;

  static uint32_t validate(const Param& p) { return check_param(p); }
  static void global_init() { ImgDeinterlaceGlobalInit(); }
  static uint32_t select(Instance& inst, const Param& p) { return store(inst, p); }
  static uint32_t acquire(Instance& inst) {
    const Param p{inst.s32Width,    inst.s32Height, inst.s32YStride,
                  inst.s32UVStride, inst.s32Mode,   inst.s32FrameType};
    return fit_buffers(inst, p, true);
  }
  static void release(Instance& inst) {
    give_back(inst.hMem, inst.pu8LineBuf, __LINE__);
    give_back(inst.hMem, inst.pu8PreFieldBuf, __LINE__);
    inst.pu8LineBuf = nullptr;
    inst.pu8PreFieldBuf = nullptr;
  }
  static void status(const Instance& inst, Param& p) {
    p = {inst.s32Width,    inst.s32Height, inst.s32YStride,
         inst.s32UVStride, inst.s32Mode,   inst.s32FrameType};
  }
};

}  // namespace

std::span<const KernelRow<tImgDeinterlaceKernel>> deinterlace_kernels() { return kKernels; }
void restore_deinterlace_scalar_defaults() { restore_scalar_defaults(kKernels); }

}  // namespace pf

PF_DISPATCH(ImgDeinterlace, pf::kKernels)
PF_OPEN_CLOSE(ImgDeinterlace, pf::Deinterlace)
PF_GET_STATUS(ImgDeinterlace, pf::Deinterlace)
PF_NAMES_AND_VERSION(ImgDeinterlace, pf::Deinterlace)

extern "C" {

uint32_t ImgDeinterlaceSetParam_c(void* hHandle, const void* pParam) {
  if (hHandle == nullptr || pParam == nullptr) return pf::kSET_PARAM_HANDLE;
  const auto& p = *static_cast<const tImgDeinterlaceParam*>(pParam);
  if (const uint32_t error = pf::check_param(p)) return error;
  auto& inst = *static_cast<tImgDeinterlaceInstance*>(hHandle);
  // A larger picture than the buffers were sized for gets larger buffers here, before any value
  // is stored: whichever kernel stays selected must never run past them.
  if (const uint32_t error = pf::fit_buffers(inst, p, false)) return error;
  return pf::store(inst, p);
}

uint32_t ImgDeinterlaceProcess_c(void* hHandle, void* pInput, void* pOutput) {
  if (pf::any_null(hHandle, pInput, pOutput)) return pf::kPROCESS_HANDLE;
  auto* const* planes = static_cast<uint8_t* const*>(pInput);
  uint8_t* y = planes[0];
  if (y == nullptr) return pf::kPROCESS_INPUT_POINTER;
  auto& inst = *static_cast<tImgDeinterlaceInstance*>(hHandle);
  uint8_t* u = planes[1];
  uint8_t* v = planes[2];
  if (u == nullptr || v == nullptr) {
    u = y + static_cast<ptrdiff_t>(inst.s32YStride) * inst.s32Height;
    v = u + static_cast<ptrdiff_t>(inst.s32Height / 2) * inst.s32UVStride;
  }
  inst.pfnKernel(&inst, y, u, v);
  return PF_STATUS_OK;
}

uint32_t ImgDeinterlaceDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImgDeinterlaceGetMemSize_c(const void* pParam, uint32_t* pu32Size) {
  if (pf::any_null(pParam, pu32Size)) return pf::kSELF_GETMEMSIZE_PARAM_POINTER;
  const auto& p = *static_cast<const tImgDeinterlaceParam*>(pParam);
  // The stated size in 32-bit arithmetic, wrapping as the record's values make it (no
  // validation here: any record gets an answer).
  const auto w = static_cast<uint32_t>(p.s32Width), h = static_cast<uint32_t>(p.s32Height);
  const auto area = static_cast<int32_t>(w * h);
  *pu32Size = 10u * w + static_cast<uint32_t>(area / 2) + 144u;
  return PF_STATUS_OK;
}

}  // extern "C"

PF_FUNCTION_TABLE(tImgDeinterlaceFunc, ImgDeinterlace)
