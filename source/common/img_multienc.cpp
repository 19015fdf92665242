// SPDX-License-Identifier: BSD-2-Clause
// The multi-encoder: up to 8 encoder channels of the codec unit library, each encoding one
// picture per Process call inside its own fast-memory swap.
#include "img_multienc.h"

#include <cstdint>

#include "codec_channels.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "video_unit.h"

#define PF_ERROR_PREFIX "ERR_IMG_MULTIENC_"
PF_ERROR_LIST(pas8ImgMultiEncAnalyzeErrorCode, PF_IMG_MULTIENC_ERRORS, ERR_IMG_MULTIENC_BASE_)
#undef PF_ERROR_PREFIX

namespace pf {
namespace {

constexpr int32_t kMax = PF_MULTIENC_MAX_CHANNELS;
constexpr const char* kSourcePath = "../source/common/img_multienc.c";
constexpr uint32_t kInstanceBytes = 200;

struct MultiEncInstance {
  void* hMem;
  void* ahChannel[kMax];
  uint32_t au32SetParamResult[kMax];
  uint8_t* apu8Save[kMax];
  int32_t s32ChannelNum;
  int32_t s32Opened;
  uint8_t* pu8SaveAreas;
};
static_assert(sizeof(MultiEncInstance) <= kInstanceBytes);

uint32_t check_count(const tMultiEncParam& p) {
  return p.s32ChannelNum < 1 || p.s32ChannelNum > kMax ? kCHECK_DEC_NUMBER : PF_STATUS_OK;
}

struct MultiEnc {
  using Param = tMultiEncParam;
  using Instance = MultiEncInstance;
  static constexpr FrameCodes kCodes = frame_codes(kErrorNames);
  static constexpr ErrorTable kErrors = error_table(kErrorNames);
  static constexpr const char* kSource = kSourcePath;

  static uint32_t validate(const Param& p) { return check_count(p); }
  // Opens the channels, each with the window holding its fresh save area.
  static uint32_t select(Instance& inst, const Param& p) {
    return codec::open_all(
        inst, p.s32ChannelNum, kSource, kOPEN_MALLOC, kOPEN_DECOPEN,
        [&](int32_t i, void** handle) {
          return VideoUnitMultiEncoderOpen(handle, &p.atEncParam[i], inst.hMem, codec::window());
        },
        [](void* handle) { return VideoUnitEncoderClose(handle); });
  }
  // Nothing to take before select: how many save areas and channels depends on the record.
  static uint32_t acquire(Instance&) { return PF_STATUS_OK; }
  static uint32_t release(Instance& inst) {
    return codec::close_channels(
        inst, [](void* handle) { return VideoUnitMultiEncoderClose(handle); }, kSource,
        kCLOSE_FREE);
  }
  static uint32_t set(Instance& inst, const Param& p) {
    if (const uint32_t error = check_count(p)) return error;
    return codec::set_channels(inst, p.s32ChannelNum, kSETPARAM_DECSETPARAM, [&](int32_t i) {
      return VideoUnitEncoderSetParam(inst.ahChannel[i], &p.atEncParam[i]);
    });
  }
};

uint32_t encode_channel(MultiEncInstance& inst, int32_t i, const tVideoUnitEncInput& in,
                        tVideoUnitEncOutput& out) {
  if (in.pu8Y != nullptr && (in.pu8U == nullptr || in.pu8V == nullptr)) {
    return kPROCESS_INPUT_POINTER_YUV;
  }
  if (out.pu8Buf == nullptr) return kPROCESS_OUTPUT_POINTER_YUV;
  return codec::in_window(inst.apu8Save[i],
                          [&] { return VideoUnitEncoderProcess(inst.ahChannel[i], &in, &out); });
}

}  // namespace
}  // namespace pf

PF_OPEN_CLOSE(ImgMultiEnc, pf::MultiEnc)
PF_SET_PARAM(ImgMultiEnc, pf::MultiEnc)
PF_ANALYZE_ERROR_CODE(ImgMultiEnc, pf::MultiEnc)

extern "C" {

uint32_t ImgMultiEncProcess_c(void* hHandle, void* pInput, void* pOutput) {
  if (pf::any_null(hHandle, pInput, pOutput)) return pf::kPROCESS_INPUT_POINTER;
  auto& inst = *static_cast<pf::MultiEncInstance*>(hHandle);
  const auto& in = *static_cast<const tMultiEncInput*>(pInput);
  auto& out = *static_cast<tMultiEncOutput*>(pOutput);
  const bool ok = pf::codec::all_succeed(inst.s32ChannelNum, out.au32Result, [&](int32_t i) {
    return pf::encode_channel(inst, i, in.atInput[i], out.atOutput[i]);
  });
  return ok ? PF_STATUS_OK : pf::kPROCESS_DECPROCESS;
}

uint32_t ImgMultiEncGetStatus_c(void* hHandle, void* pStatus) {
  if (hHandle == nullptr || pStatus == nullptr) return pf::kSTATUS_INPUT_POINTER;
  auto& inst = *static_cast<pf::MultiEncInstance*>(hHandle);
  auto& status = *static_cast<tMultiEncStatus*>(pStatus);
  status.s32ChannelNum = inst.s32ChannelNum;
  const bool ok =
      pf::codec::for_channels(inst, inst.s32ChannelNum, status.au32Result, [&](int32_t i) {
        return VideoUnitEncoderGetStatus(inst.ahChannel[i], &status.atEncStatus[i]);
      });
  return ok ? PF_STATUS_OK : pf::kSTATUS_DECGETSTATUS;
}

uint32_t ImgMultiEncGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen) {
  return VideoUnitEncoderGetVersion(ps8Buf, s32BufLen, pu32TextLen);
}

uint32_t ImgMultiEncDebug_c(void* hHandle, void* pArg) {
  if (hHandle == nullptr || pArg == nullptr) return pf::kDEBUG_INPUT_POINTER;
  auto& inst = *static_cast<pf::MultiEncInstance*>(hHandle);
  const auto& texts = *static_cast<const tMultiEncDebug*>(pArg);
  uint32_t last_failure = PF_STATUS_OK;
  int32_t failures = 0;
  for (int32_t i = 0; i < inst.s32ChannelNum; ++i) {
    const uint32_t status = pf::codec::in_window(inst.apu8Save[i], [&] {
      return VideoUnitEncoderDebug(inst.ahChannel[i], &texts.atText[i]);
    });
    if (status != PF_STATUS_OK) {
      last_failure = status;
      ++failures;
    }
  }
  // A command some channels understood did its work; only a command no channel took is an error.
  return failures == inst.s32ChannelNum ? last_failure : PF_STATUS_OK;
}

uint32_t ImgMultiEncGetMemSize_c(const void* pParam, uint32_t* pu32Size) {
  if (pf::any_null(pParam, pu32Size)) return pf::kGETMEMSIZE_INPUT_POINTER;
  const auto& p = *static_cast<const tMultiEncParam*>(pParam);
  if (const uint32_t error = pf::check_count(p)) return error;
  return pf::codec::channels_mem_size(
      p.s32ChannelNum, pf::kInstanceBytes,
      [&](int32_t i, uint32_t* bytes) {
        return VideoUnitEncoderGetMemSize(&p.atEncParam[i], bytes);
      },
      pf::kGETMEMSIZE_SIZE_ERROR, pu32Size);
}

}  // extern "C"

PF_FUNCTION_TABLE(tImageMultiEncFunc, ImgMultiEnc)
