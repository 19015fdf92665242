// SPDX-License-Identifier: BSD-2-Clause
// The multi-decoder: up to 64 decoder channels of the codec unit library, each started once and
// then decoding whenever its command asks, inside its own fast-memory swap.
#include "img_multidec.h"

#include <cstdint>

#include "codec_channels.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "video_unit.h"

#define PF_ERROR_PREFIX "ERR_IMG_MULTIDEC_"
PF_ERROR_LIST(pas8ImgMultiDecAnalyzeErrorCode, PF_IMG_MULTIDEC_ERRORS, ERR_IMG_MULTIDEC_BASE_)
#undef PF_ERROR_PREFIX

namespace pf {
namespace {

constexpr int32_t kMax = PF_MULTIDEC_MAX_CHANNELS;
constexpr const char* kSourcePath = "../source/common/img_multidec.c";
// The instance below plus the bookkeeping a host should reserve with it.
constexpr uint32_t kInstanceBytes = 1576;

struct MultiDecInstance {
  void* hMem;
  void* ahChannel[kMax];
  uint32_t au32SetParamResult[kMax];
  uint32_t au32Started[kMax];
  uint8_t* apu8Save[kMax];
  int32_t s32ChannelNum;
  int32_t s32Opened;
  uint8_t* pu8SaveAreas;
};
static_assert(sizeof(MultiDecInstance) <= kInstanceBytes);

uint32_t check_count(const tMultiDecParam& p) {
  return p.s32ChannelNum < 1 || p.s32ChannelNum > kMax ? kCHECK_DEC_NUMBER : PF_STATUS_OK;
}

struct MultiDec {
  using Param = tMultiDecParam;
  using Instance = MultiDecInstance;
  static constexpr FrameCodes kCodes = frame_codes(kErrorNames);
  static constexpr ErrorTable kErrors = error_table(kErrorNames);
  static constexpr const char* kSource = kSourcePath;

  static uint32_t validate(const Param& p) { return check_count(p); }
  // The channels are this module's "kernel": select opens them, each with the window holding
  // its (fresh) save area, and takes back what the open left there.
  static uint32_t select(Instance& inst, const Param& p) {
    return codec::open_all(
        inst, p.s32ChannelNum, kSource, kOPEN_MALLOC, kOPEN_DECOPEN,
        [&](int32_t i, void** handle) {
          return VideoUnitDecoder4PelforgeOpen(handle, &p.atDecParam[i], inst.hMem,
                                               codec::window());
        },
        [](void* handle) { return VideoUnitDecoderClose(handle); });
  }
  // Nothing to take before select: how many save areas and channels depends on the record.
  static uint32_t acquire(Instance&) { return PF_STATUS_OK; }
  static uint32_t release(Instance& inst) {
    return codec::close_channels(
        inst, [](void* handle) { return VideoUnitDecoder4PelforgeClose(handle); }, kSource,
        kCLOSE_FREE);
  }
  static uint32_t set(Instance& inst, const Param& p) {
    if (const uint32_t error = check_count(p)) return error;
    return codec::set_channels(inst, p.s32ChannelNum, kSETPARAM_DECSETPARAM, [&](int32_t i) {
      return VideoUnitDecoderSetParam(inst.ahChannel[i], &p.atDecParam[i]);
    });
  }
};

uint32_t decode_channel(MultiDecInstance& inst, int32_t i, uint32_t command, tVideoUnitDecInput& in,
                        tVideoUnitDecOutput& out) {
  if (command > PF_MULTIDEC_CMD_END) return kCHECK_INPUT;
  if (command == PF_MULTIDEC_CMD_START) inst.au32Started[i] = 1;
  if (command == PF_MULTIDEC_CMD_SKIP || inst.au32Started[i] == 0) return PF_STATUS_OK;
  if (in.pu8Data == nullptr && in.u32Length != 0) return kPROCESS_INPUT_POINTER_YUV;
  if (out.ptPicture == nullptr &&
      (out.pu8Y == nullptr || out.pu8U == nullptr || out.pu8V == nullptr)) {
    return kPROCESS_OUTPUT_POINTER_YUV;
  }
  // The end option lives for this call only; the caller's record gets its own option back.
  const tVideoUnitOption end{VIDEOUNIT_OPTION_END, 1};
  const tVideoUnitOption* const own = in.ptOption;
  if (command == PF_MULTIDEC_CMD_END) in.ptOption = &end;
  const uint32_t status = codec::in_window(
      inst.apu8Save[i], [&] { return VideoUnitDecoderProcess(inst.ahChannel[i], &in, &out); });
  in.ptOption = own;
  return status;
}

}  // namespace
}  // namespace pf

PF_OPEN_CLOSE(ImgMultiDec, pf::MultiDec)
PF_SET_PARAM(ImgMultiDec, pf::MultiDec)
PF_ANALYZE_ERROR_CODE(ImgMultiDec, pf::MultiDec)

extern "C" {

uint32_t ImgMultiDecProcess_c(void* hHandle, void* pInput, void* pOutput) {
  if (pf::any_null(hHandle, pInput, pOutput)) return pf::kPROCESS_INPUT_POINTER;
  auto& inst = *static_cast<pf::MultiDecInstance*>(hHandle);
  auto& in = *static_cast<tMultiDecInput*>(pInput);
  auto& out = *static_cast<tMultiDecOutput*>(pOutput);
  const bool ok = pf::codec::all_succeed(inst.s32ChannelNum, out.au32Result, [&](int32_t i) {
    return pf::decode_channel(inst, i, in.au32Command[i], in.atInput[i], out.atOutput[i]);
  });
  return ok ? PF_STATUS_OK : pf::kPROCESS_DECPROCESS;
}

uint32_t ImgMultiDecGetStatus_c(void* hHandle, void* pStatus) {
  if (hHandle == nullptr || pStatus == nullptr) return pf::kSTATUS_INPUT_POINTER;
  auto& inst = *static_cast<pf::MultiDecInstance*>(hHandle);
  auto& status = *static_cast<tMultiDecStatus*>(pStatus);
  const bool ok =
      pf::codec::for_channels(inst, inst.s32ChannelNum, status.au32Result, [&](int32_t i) {
        return VideoUnitDecoderGetStatus(inst.ahChannel[i], &status.atDecStatus[i]);
      });
  return ok ? PF_STATUS_OK : pf::kSTATUS_DECGETSTATUS;
}

uint32_t ImgMultiDecGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen) {
  return VideoUnitDecoderGetVersion(ps8Buf, s32BufLen, pu32TextLen, 3);
}

uint32_t ImageMultiDecDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImgMultiDecGetMemSize_c(const void* pParam, uint32_t* pu32Size) {
  if (pf::any_null(pParam, pu32Size)) return pf::kGETMEMSIZE_INPUT_POINTER;
  const auto& p = *static_cast<const tMultiDecParam*>(pParam);
  if (const uint32_t error = pf::check_count(p)) return error;
  return pf::codec::channels_mem_size(
      p.s32ChannelNum, pf::kInstanceBytes,
      [&](int32_t i, uint32_t* bytes) {
        return VideoUnitDecoderGetMemSize(&p.atDecParam[i], bytes);
      },
      pf::kGETMEMSIZE_SIZE_ERROR, pu32Size);
}

}  // extern "C"

PF_FUNCTION_TABLE_WITH(tImageMultiDecFunc, ImgMultiDec, ImageMultiDecDebug_c,
                       ImgMultiDecGetMemSize_c)
