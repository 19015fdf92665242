// SPDX-License-Identifier: BSD-2-Clause
// Generated pictures: test patterns in a 4:2:0 frame, made by a private renovation instance.
#include "img_generateimage.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "errors.hpp"
#include "frame.hpp"
#include "img_renovation.h"
#include "layout.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_GENERATE_IMAGE_"
PF_ERROR_LIST(pas8ImgGenerateImageAnalyzeErrorCode, PF_IMG_GENERATE_IMAGE_ERRORS,
              ERR_IMG_GENERATE_IMAGE_BASE_)
#undef PF_ERROR_PREFIX

namespace pf {
namespace {

constexpr const char* kSource = "../source/common/img_generateimage.c";
constexpr uint32_t kOwnBytes = 92;

struct GenerateImageInstance {
  void* hMem;
  void* hRenovation;
  tRenovationParam* ptRecord;  // what the renovation instance was given
  tImgGenerateImageParam tParam;
};

// The solid colour is the renovation's own pattern; here only the test card and the bars.
bool pattern_ok(uint32_t type) {
  return type == PF_RENOVATION_TESTCARD || type == PF_RENOVATION_BARS ||
         type == PF_RENOVATION_BARS2;
}

tRenovationParam renovation_record(const tImgGenerateImageParam& p) {
  tRenovationParam r{};
  r.u32PatternType = p.u32PatternType;
  r.s32Width = p.s32Width;
  r.s32Height = p.s32Height;
  r.u32YuvType = PF_YUV_420;
  r.u32Interlace = 1;
  return r;
}

struct GenerateImage {
  using Param = tImgGenerateImageParam;
  using Instance = GenerateImageInstance;
  static constexpr FrameCodes kCodes = frame_codes(kErrorNames);
  // Neither the start marker nor the end marker is named.
  static constexpr ErrorTable kErrors =
      error_table(kErrorNames, {.start_named = false, .end_named = false});
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames,
      "GenerateImage Version: pelforge_v300.generateimage.003, Compile time: %s %s.\n");
  static constexpr const char* kSource = pf::kSource;

  static uint32_t validate(const Param& p) {
    return pattern_ok(p.u32PatternType) ? PF_STATUS_OK : kOPEN_PATTER_TYPE;
  }
  // No global_init: the renovation instance runs its own dispatch.
  static uint32_t acquire(Instance& inst) {
    inst.ptRecord = static_cast<tRenovationParam*>(
        vmem_malloc(inst.hMem, sizeof(tRenovationParam), kInstanceAlign, kSource, __LINE__));
    if (inst.ptRecord == nullptr) return kOPEN_MALLOC;
    std::memset(static_cast<void*>(inst.ptRecord), 0, sizeof(tRenovationParam));
    return PF_STATUS_OK;
  }
  static uint32_t release(Instance& inst) {
    uint32_t status = PF_STATUS_OK;
    if (inst.hRenovation != nullptr) status = ImgRenovationClose_c(inst.hRenovation);
    inst.hRenovation = nullptr;
    if (inst.ptRecord != nullptr) {
      if (vmem_free(inst.hMem, inst.ptRecord, kSource, __LINE__) != PF_STATUS_OK &&
          status == PF_STATUS_OK) {
        status = kCLOSE_FREE;
      }
    }
    inst.ptRecord = nullptr;
    return status;
  }
  static uint32_t select(Instance& inst, const Param& p) {
    *inst.ptRecord = renovation_record(p);
    const uint32_t status = ImgRenovationOpen_c(&inst.hRenovation, inst.ptRecord, inst.hMem);
    if (status == PF_STATUS_OK) inst.tParam = p;
    return status;
  }
};

bool size_ok(int32_t v) { return v >= 1 && v <= PF_RENOVATION_MAX_SIZE && v % 2 == 0; }

}  // namespace
}  // namespace pf

PF_OPEN_CLOSE(ImgGenerateImage, pf::GenerateImage)
PF_GET_STATUS(ImgGenerateImage, pf::GenerateImage)
PF_NAMES_AND_VERSION(ImgGenerateImage, pf::GenerateImage)

extern "C" {

uint32_t ImgGenerateImageSetParam_c(void* hHandle, const void* pParam) {
  if (hHandle == nullptr || pParam == nullptr) return pf::kSET_PARAM_HANDLE;
  const auto& p = *static_cast<const tImgGenerateImageParam*>(pParam);
  if (!pf::pattern_ok(p.u32PatternType)) return pf::kSET_PARAM_PATTER_TYPE;
  auto& inst = *static_cast<pf::GenerateImageInstance*>(hHandle);
  // The renovation instance refuses without changing; so does this one.
  tRenovationParam next = pf::renovation_record(p);
  const uint32_t status = ImgRenovationSetParam_c(inst.hRenovation, &next);
  if (status == PF_STATUS_OK) *inst.ptRecord = next, inst.tParam = p;
  return status;
}

uint32_t ImgGenerateImageProcess_c(void* hHandle, void* pPlanes, void* pContext) {
  if (pf::any_null(hHandle, pPlanes, pContext)) return pf::kPROCESS_HANDLE;
  uint8_t* const y = static_cast<uint8_t* const*>(pPlanes)[0];
  if (y == nullptr) return pf::kPROCESS_INPUT_POINTER;
  const auto& inst = *static_cast<const pf::GenerateImageInstance*>(hHandle);
  tImgPicture picture =
      pf::unpadded_picture(y, PF_YUV_420, static_cast<uint32_t>(inst.tParam.s32Width),
                           static_cast<uint32_t>(inst.tParam.s32Height));
  return ImgRenovationProcess_c(inst.hRenovation, &picture, pContext);
}

uint32_t ImgGenerateImageDebug_c(void*, void*) { return PF_STATUS_OK; }

// Any of the renovation's four patterns: the size a host sets aside does not depend on which.
uint32_t ImgGenerateImageGetMemSize_c(const void* pParam, uint32_t* pu32Size) {
  if (pf::any_null(pParam, pu32Size)) return pf::kGETMEMSIZE_PARAM_POINTER;
  const auto& p = *static_cast<const tImgGenerateImageParam*>(pParam);
  if (p.u32PatternType < PF_RENOVATION_TESTCARD || p.u32PatternType > PF_RENOVATION_BARS2) {
    return pf::kGETMEMSIZE_PATTER_TYPE;
  }
  if (!pf::size_ok(p.s32Width)) return pf::kGETMEMSIZE_WIDTH;
  if (!pf::size_ok(p.s32Height)) return pf::kGETMEMSIZE_HEIGHT;
  const tRenovationParam r = pf::renovation_record(p);
  uint32_t renovation = 0;
  if (const uint32_t error = ImgRenovationGetMemSize_c(&r, &renovation)) return error;
  *pu32Size = renovation + pf::kOwnBytes;
  return PF_STATUS_OK;
}

}  // extern "C"

PF_FUNCTION_TABLE(tImgGenerateImageFunc, ImgGenerateImage)
