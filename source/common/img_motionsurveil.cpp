// SPDX-License-Identifier: BSD-2-Clause
// The motion detection module: validation, thresholds from the sensitivity tables, the
// reference, state and map buffers, and the state carried from picture to picture.
#include "img_motionsurveil.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "motion/motion.hpp"

// The names carry the module's word, in both of its spellings.
#define PF_ERROR_PREFIX "ERR_IMG_"
PF_ERROR_LIST(pas8ImageMotionSurveilAnalyzeErrorCode, PF_IMG_MOTIONSURVEIL_ERRORS,
              ERR_IMG_MOTIONSURVEIL_BASE_, "MOTIONSURVEIL_SELF_", "MOTINOSURVEIL_SELF_")
#undef PF_ERROR_PREFIX

extern "C" {

// clang-format off
const int16_t as16PixelTheshold[106] = {
    50, 48, 46, 44, 42, 40, 38, 36, 34, 32, 30, 29, 29, 28, 28, 27, 27, 26, 26, 26, 26,
    24, 24, 24, 24, 23, 23, 22, 22, 21, 21, 20, 19, 19, 19, 19, 19, 18, 18, 18, 18, 18,
    18, 18, 18, 18, 18, 17, 17, 17, 17, 17, 16, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15,
    14, 14, 14, 14, 14, 14, 14, 14, 14, 14, 13, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 11, 11, 10, 10,  9,  9,  8,  8,  7,  7,
    0};
const int16_t as16AreaThreshold[106] = {
    99, 95, 90, 85, 75, 67, 59, 51, 43, 35, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32,
    32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 31, 31, 31, 30, 30, 30, 29, 29, 29, 29,
    27, 27, 27, 27, 26, 26, 26, 25, 25, 25, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24,
    24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 23, 23, 23, 23, 23, 23, 23, 23, 23, 23,
    22, 22, 22, 22, 22, 21, 21, 21, 21, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11, 10,
    0};
// clang-format on

#define PF_K(ptr, c, ...) tMotionSurveilKernel ptr = c;
#include "motion/motion_kernels.def"
#undef PF_K

}  // extern "C"

namespace pf {
namespace {

constexpr KernelRow<tMotionSurveilKernel> kKernels[] = {
#define PF_K PF_KERNEL_ROW
#include "motion/motion_kernels.def"
#undef PF_K
};

using Param = tImageMotionSurveilParam;
using Instance = tImageMotionSurveilInstance;

constexpr const char* kSource = "../source/common/img_motionsurveil";

bool area_valid(const tMotionSurveilArea& a, int32_t width, int32_t height) {
  if (a.s16Top < 0 || a.s16Top > height) return false;
  if (a.s16Left < 0 || a.s16Left > width) return false;
  if (a.s16Width < 0 || a.s16Height < 0) return false;
  return a.s16Left + a.s16Width <= width && a.s16Top + a.s16Height <= height;
}

uint32_t check_param(const Param& p) {
  if (p.s32Width < 1 || p.s32Width > 12288 || p.s32Width % 8 != 0)
    return kMOTIONSURVEIL_SELF_WIDTH_ILLEGAL;
  if (p.s32Height < 1 || p.s32Height > 6144) return kMOTIONSURVEIL_SELF_HEIGHT_ILLEGAL;
  if (p.s32YuvType != static_cast<int32_t>(PF_YUV_420)) return kMOTIONSURVEIL_SELF_YUVTYPE_ILLEGAL;
  if (p.s32Interlace < 1 || p.s32Interlace > 3) return kMOTIONSURVEIL_SELF_INTERLACE_ILLEGAL;
  if (p.s16AreaNum < 0 || p.s16AreaNum > PF_MOTION_MAX_AREAS)
    return kMOTIONSURVEIL_SELF_SURVEIL_NUM;
  for (int i = 0; i < p.s16AreaNum; ++i) {
    if (!area_valid(p.atArea[i], p.s32Width, p.s32Height)) return kMOTIONSURVEIL_SELF_SURVEIL_AREA;
  }
  if (p.s16Sensitivity < 1 || p.s16Sensitivity > 5) return kMOTIONSURVEIL_SELF_SURVEIL_SENSITIVE;
  if (p.s32FineTune < -10 || p.s32FineTune > 10) return kMOTIONSURVEIL_SELF_SURVEIL_FINE_TUNE;
  return PF_STATUS_OK;
}

// Pictures of CIF size or smaller have a quarter of the pixels the area table is made for.
void look_up_thresholds(Instance& inst) {
  const int index = 115 - 21 * inst.s16Sensitivity + inst.s16FineTune;
  inst.s16PixelThreshold = as16PixelTheshold[index];
  int16_t area = as16AreaThreshold[index];
  if (inst.s32Width <= 352 && inst.s32Height <= 288)
    area = static_cast<int16_t>(static_cast<uint16_t>(area) >> 2);
  inst.s16AreaThreshold = area;
}

// Everything SetParam may change; the next picture only primes the reference.
void store(Instance& inst, const Param& p) {
  inst.s32Width = p.s32Width;
  inst.s32Height = p.s32Height;
  inst.s32Interlace = p.s32Interlace;
  inst.s32InterlaceSaved = p.s32Interlace;
  inst.s16Sensitivity = p.s16Sensitivity;
  inst.s16FineTune = static_cast<int16_t>(p.s32FineTune);
  inst.s16AreaNum = p.s16AreaNum;
  std::memset(inst.atArea, 0, sizeof inst.atArea);
  std::memcpy(inst.atArea, p.atArea,
              sizeof(tMotionSurveilArea) * static_cast<size_t>(p.s16AreaNum));
  inst.s32ReferenceValid = 0;
  look_up_thresholds(inst);
  inst.pfnKernel = load_kernel(MotionSurveilBlock);
}

bool unchanged(const Instance& inst, const Param& p) {
  if (p.s32Width != inst.s32Width || p.s32Height != inst.s32Height ||
      p.s32Interlace != inst.s32Interlace || p.s32FineTune != inst.s16FineTune ||
      p.s16Sensitivity != inst.s16Sensitivity || p.s16AreaNum != inst.s16AreaNum) {
    return false;
  }
  for (int i = 0; i < inst.s16AreaNum; ++i) {
    const tMotionSurveilArea &a = p.atArea[i], &b = inst.atArea[i];
    if (a.s16Top != b.s16Top || a.s16Left != b.s16Left || a.s16Width != b.s16Width ||
        a.s16Height != b.s16Height) {
      return false;
    }
  }
  return true;
}

struct MotionTraits {
  using Param = tImageMotionSurveilParam;
  using Instance = tImageMotionSurveilInstance;
  static constexpr FrameCodes kCodes =
      frame_codes(kErrorNames, {.fast_scratch = true, .dma = true});
  static constexpr ErrorTable kErrors = error_table(kErrorNames, {.end_named = false});
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames,
      "ImageMotionSurveil Version: pelforge_v300.motionsurveil.007, Compile time: %s %s.\n");
  static constexpr const char* kSource = pf::kSource;
  static constexpr bool kBuffersFirst = true;

  static uint32_t validate(const Param& p) { return check_param(p); }
  static void global_init() { ImageMotionSurveilGlobalInit(); }

  // The buffers are sized once, for the size given to Open; SetParam may only shrink the picture.
  static uint32_t acquire(Instance& inst, const Param& p) {
    inst.s32InitWidth = p.s32Width;
    inst.s32InitHeight = p.s32Height;
    const auto w = static_cast<uint32_t>(p.s32Width);
    const auto h = static_cast<uint32_t>(p.s32Height);
    struct Want {
      void** slot;
      uint32_t size;
      uint32_t error;
    };
    const Want wants[] = {
        {reinterpret_cast<void**>(&inst.pu8Reference), w * h,
         kMOTINOSURVEIL_SELF_STORE_PIC_MEM_MALLOC},
        {reinterpret_cast<void**>(&inst.ps8State), w * h,
         kMOTIONSURVEIL_SELF_TEMPLATE_IMG_MEM_MALLOC},
        {reinterpret_cast<void**>(&inst.pu8Map), w * (h + 3),
         kMOTIONSURVEIL_SELF_FILTER_MEM_MALLOC},
    };
    for (const Want& want : wants) {
      *want.slot = vmem_malloc(inst.hMem, want.size, kInstanceAlign, kSource, __LINE__);
      if (*want.slot == nullptr) {
        release(inst);
        return want.error;
      }
    }
    return PF_STATUS_OK;
  }
  static void release(Instance& inst) {
    void** const slots[] = {reinterpret_cast<void**>(&inst.pu8Map),
                            reinterpret_cast<void**>(&inst.ps8State),
                            reinterpret_cast<void**>(&inst.pu8Reference)};
    for (void** slot : slots) {
      if (*slot != nullptr) vmem_free(inst.hMem, *slot, kSource, __LINE__);
      *slot = nullptr;
    }
  }
  static void select(Instance& inst, const Param& p) { store(inst, p); }
  static void status(const Instance& inst, Param& p) {
    p.s32Width = inst.s32Width;
    p.s32Height = inst.s32Height;
    p.s32YuvType = static_cast<int32_t>(PF_YUV_420);
    p.s32Interlace = inst.s32Interlace;
    p.s32FineTune = inst.s16FineTune;
    p.s16Sensitivity = inst.s16Sensitivity;
    p.s16AreaNum = inst.s16AreaNum;
    std::memcpy(p.atArea, inst.atArea,
                sizeof(tMotionSurveilArea) * static_cast<size_t>(inst.s16AreaNum));
  }
};

// Reads the integer after the '=' of `key` in `text` into `value`; a key without a number
// leaves `value` as it was.
void read_key(const char* text, const char* key, int& value) {
  const char* at = std::strstr(text, key);
  if (at == nullptr) return;
  std::sscanf(at + std::strlen(key), "%d", &value);  // NOLINT(cert-err34-c): misses keep value
}

}  // namespace
}  // namespace pf

PF_DISPATCH(ImageMotionSurveil, pf::kKernels)
PF_OPEN_CLOSE(ImageMotionSurveil, pf::MotionTraits)
PF_GET_STATUS(ImageMotionSurveil, pf::MotionTraits)
PF_NAMES_AND_VERSION(ImageMotionSurveil, pf::MotionTraits)

extern "C" {

uint32_t ImageMotionSurveilProcess_c(void* hHandle, void* pInput, void* pOutput) {
  if (pf::any_null(hHandle, pInput, pOutput)) return pf::kMOTIONSURVEIL_SELF_INPUT_POINTER;
  const auto& input = *static_cast<const tImageMotionSurveilInput*>(pInput);
  if (input.pu8Y == nullptr) return pf::kMOTIONSURVEIL_SELF_INPUT_DATA_POINTER;
  if (input.pu8Result == nullptr) return pf::kMOTIONSURVEIL_SELF_OUTPUT_DATA_POINTER;
  auto& inst = *static_cast<tImageMotionSurveilInstance*>(hHandle);
  inst.pu8Cur = input.pu8Y;
  inst.pu8Result = input.pu8Result;
  pf::motion_detect(inst, inst.pfnKernel);
  return PF_STATUS_OK;
}

uint32_t ImageMotionSurveilSetParam_c(void* hHandle, const void* pParam) {
  if (hHandle == nullptr || pParam == nullptr) return pf::kMOTINOSURVEIL_SELF_SETPARAM_POINTER;
  auto& inst = *static_cast<tImageMotionSurveilInstance*>(hHandle);
  const auto& p = *static_cast<const tImageMotionSurveilParam*>(pParam);
  // Hosts resend their whole record whenever anything in it changes; an identical record must
  // not throw away the reference and the state built up so far.
  if (pf::unchanged(inst, p)) return PF_STATUS_OK;
  if (const uint32_t error = pf::check_param(p)) return error;
  if (p.s32Width > inst.s32InitWidth || p.s32Height > inst.s32InitHeight)
    return pf::kMOTIONSURVEIL_SELF_WIDTH_HEIGHT_OVER_INIT;
  pf::store(inst, p);
  return PF_STATUS_OK;
}

uint32_t ImageMotionSurveilDebug_c(void* hHandle, void* pArg) {
  if (hHandle == nullptr || pArg == nullptr) return pf::kMOTINOSURVEIL_SELF_HANDLE_DEBUG;
  const char* text = static_cast<const char*>(pArg);
  if (std::strstr(text, "h=vid/enc/motionsurveil") == nullptr)
    return pf::kMOTINOSURVEIL_DEBUG_MODULE;
  auto& inst = *static_cast<tImageMotionSurveilInstance*>(hHandle);
  // One variable serves both keys, so "areath=" without a number repeats the pixel threshold.
  int value = 0;
  if (std::strstr(text, "pixelth=") != nullptr) {
    pf::read_key(text, "pixelth=", value);
    inst.s16PixelThreshold = static_cast<int16_t>(value);
  }
  if (std::strstr(text, "areath=") != nullptr) {
    pf::read_key(text, "areath=", value);
    inst.s16AreaThreshold = static_cast<int16_t>(value);
  }
  return PF_STATUS_OK;
}

uint32_t ImageMotionSurveilGetMemSize_c(const void* pParam, uint32_t* pu32Size) {
  // A missing result pointer is reported like a missing record: there is no code of its own.
  if (pParam == nullptr || pu32Size == nullptr)
    return pf::kMOTIONSURVEIL_SELF_GETMEMSIZE_PARAM_POINTER;
  const auto& p = *static_cast<const tImageMotionSurveilParam*>(pParam);
  if (const uint32_t error = pf::check_param(p)) return error;
  const auto w = static_cast<uint32_t>(p.s32Width), h = static_cast<uint32_t>(p.s32Height);
  *pu32Size = w * (h + 3) + 2 * w * h + 272;
  return PF_STATUS_OK;
}

}  // extern "C"

PF_FUNCTION_TABLE(tImageMotionSurveilFunc, ImageMotionSurveil)

namespace pf {

std::span<const KernelRow<tMotionSurveilKernel>> motion_kernels() { return kKernels; }

}  // namespace pf
