// SPDX-License-Identifier: BSD-2-Clause
// The new multi-decoder: up to 96 decoder channels whose pictures are placed, grouped by size,
// into one composite 4:2:0 buffer of the caller's.
#include "img_multidec_new.h"

#include <cstdint>
#include <cstring>

#include "codec_channels.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "video_unit.h"

#define PF_ERROR_PREFIX "ERR_IMG_MULTIDEC_NEW_"
PF_ERROR_LIST(pas8ImgMultiDecNewAnalyzeErrorCode, PF_IMG_MULTIDEC_NEW_ERRORS,
              ERR_IMG_MULTIDEC_NEW_BASE_)
#undef PF_ERROR_PREFIX

namespace pf {
namespace {

constexpr int32_t kMax = PF_MULTIDEC_NEW_MAX_CHANNELS;
constexpr const char* kSourcePath = "../source/common/img_multidec_new.c";
constexpr uint32_t kInstanceBytes = 10784;
constexpr uint32_t kOutputArrayBytes = kMax * sizeof(tVideoUnitDecOutput);
static_assert(kOutputArrayBytes == 6912);

struct MultiDecNewInstance {
  void* hMem;
  // Counts and pointers first, so that a damaged handle is told from a real one early.
  int32_t s32ChannelNum;
  int32_t s32Opened;
  uint8_t* pu8SaveAreas;
  tVideoUnitDecOutput* ptDecOutput;  // kMax records, one per channel
  uint32_t u32CompositeLumaSize;
  uint32_t u32GroupNum;
  void* ahChannel[kMax];
  uint32_t au32SetParamResult[kMax];
  uint32_t au32Started[kMax];
  uint8_t* apu8Save[kMax];
  // Each channel's picture size and its place in the composite of the latest Process.
  uint32_t au32Width[kMax];
  uint32_t au32Height[kMax];
  uint32_t au32LumaOffset[kMax];
  uint32_t au32ChromaOffset[kMax];
  uint32_t au32Pitch[kMax];
};
static_assert(sizeof(MultiDecNewInstance) <= kInstanceBytes);

uint32_t check_param(const tMultiDecNewParam& p, int32_t max_count) {
  if (p.s32ChannelNum < 1 || p.s32ChannelNum > max_count) return kCHECK_DEC_NUMBER;
  for (int32_t i = 0; i < p.s32ChannelNum; ++i) {
    const uint32_t w = p.atDecParam[i].u32Width, h = p.atDecParam[i].u32Height;
    // Even sizes keep every chroma offset whole; the bound keeps the composite within 32 bits.
    if (w < 2 || h < 2 || w % 2 != 0 || h % 2 != 0 || w > VIDEOUNIT_MAX_DIMENSION ||
        h > VIDEOUNIT_MAX_DIMENSION) {
      return kCHECK_INPUT;
    }
  }
  return PF_STATUS_OK;
}

void take_sizes(MultiDecNewInstance& inst, const tMultiDecNewParam& p, int32_t i) {
  inst.au32Width[i] = p.atDecParam[i].u32Width;
  inst.au32Height[i] = p.atDecParam[i].u32Height;
}

struct MultiDecNew {
  using Param = tMultiDecNewParam;
  using Instance = MultiDecNewInstance;
  static constexpr FrameCodes kCodes = frame_codes(kErrorNames);
  static constexpr ErrorTable kErrors = error_table(kErrorNames);
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames, "multidec Version: pelforge_v300.multidec_new.002, Compile time: %s %s.\n");
  static constexpr const char* kSource = kSourcePath;

  static uint32_t validate(const Param& p) { return check_param(p, kMax); }
  // Save areas, the decoder output records, then the channels, each opened with the window
  // holding its fresh save area.
  static uint32_t select(Instance& inst, const Param& p) {
    inst.s32ChannelNum = p.s32ChannelNum;
    for (int32_t i = 0; i < p.s32ChannelNum; ++i) take_sizes(inst, p, i);
    if (!codec::allocate_saves(inst, p.s32ChannelNum, kSource)) return kOPEN_MALLOC;
    inst.ptDecOutput = static_cast<tVideoUnitDecOutput*>(
        vmem_malloc(inst.hMem, kOutputArrayBytes, kInstanceAlign, kSource, __LINE__));
    if (inst.ptDecOutput == nullptr) return kOPEN_MALLOC_DEC_OUTPUT;
    std::memset(inst.ptDecOutput, 0, kOutputArrayBytes);
    const bool opened = codec::open_channels(
        inst, p.s32ChannelNum,
        [&](int32_t i, void** handle) {
          return VideoUnitDecoder4PelforgeNewOpen(handle, &p.atDecParam[i], inst.hMem,
                                                  p.atDecParam[i].u32Height);
        },
        [](void* handle) { return VideoUnitDecoderClose(handle); });
    return opened ? PF_STATUS_OK : kOPEN_DECOPEN;
  }
  // Nothing to take before select: how many save areas and channels depends on the record.
  static uint32_t acquire(Instance&) { return PF_STATUS_OK; }
  static uint32_t release(Instance& inst) {
    uint32_t status = codec::close_channels(
        inst, [](void* handle) { return VideoUnitDecoder4PelforgeClose(handle); }, kSource,
        kCLOSE_FREE);
    if (inst.ptDecOutput != nullptr) {
      if (vmem_free(inst.hMem, inst.ptDecOutput, kSource, __LINE__) != PF_STATUS_OK) {
        status = kCLOSE_FREE;
      }
      inst.ptDecOutput = nullptr;
    }
    return status;
  }
  static uint32_t set(Instance& inst, const Param& p) {
    // Only channels Open opened can be taken into use again.
    if (const uint32_t error = check_param(p, inst.s32Opened)) return error;
    inst.s32ChannelNum = p.s32ChannelNum;
    const bool ok =
        codec::for_channels(inst, p.s32ChannelNum, inst.au32SetParamResult, [&](int32_t i) {
          const uint32_t status = VideoUnitDecoderSetParam(inst.ahChannel[i], &p.atDecParam[i]);
          // A channel that refused keeps its limits, and so keeps its place size.
          if (status == 0) take_sizes(inst, p, i);
          return status;
        });
    return ok ? PF_STATUS_OK : kSETPARAM_DECSETPARAM;
  }
};

bool placed(uint32_t command) {
  return command == PF_MULTIDEC_NEW_CMD_DECODE || command == PF_MULTIDEC_NEW_CMD_PLACE;
}

// Groups the placed channels by picture size and lays the groups out as bands of the composite.
void GetMultiDecBufOffsetNew(MultiDecNewInstance& inst, const tMultiDecNewInput& in,
                             tMultiDecNewOutput& out) {
  uint32_t groups = 0;
  for (int32_t i = 0; i < inst.s32ChannelNum; ++i) {
    if (!placed(in.au32Command[i])) continue;
    const uint32_t w = inst.au32Width[i], h = inst.au32Height[i];
    // Only the newest group of a size can have room: older ones filled up before it was made.
    uint32_t g = groups;
    for (uint32_t k = groups; k-- > 0;) {
      const tMultiDecNewGroup& group = out.atGroup[k];
      if (group.u16Width == w && group.u16Height == h) {
        if (group.u32MemberNum < PF_MULTIDEC_NEW_GROUP_MEMBERS) g = k;
        break;
      }
    }
    tMultiDecNewGroup& group = out.atGroup[g];
    if (g == groups) {
      group.u16Width = static_cast<uint16_t>(w);
      group.u16Height = static_cast<uint16_t>(h);
      group.u32MemberNum = 0;
      std::memset(group.au8Member, 0, sizeof group.au8Member);
      ++groups;
    }
    group.au8Member[group.u32MemberNum++] = static_cast<uint8_t>(i);
  }
  uint32_t luma = 0, chroma = 0;
  for (uint32_t g = 0; g < groups; ++g) {
    const tMultiDecNewGroup& group = out.atGroup[g];
    const uint32_t w = group.u16Width, h = group.u16Height;
    const uint32_t pitch = w * group.u32MemberNum;
    for (uint32_t k = 0; k < group.u32MemberNum; ++k) {
      const uint8_t channel = group.au8Member[k];
      inst.au32LumaOffset[channel] = luma + w * k;
      inst.au32ChromaOffset[channel] = chroma + (w / 2) * k;
      inst.au32Pitch[channel] = pitch;
    }
    luma += pitch * h;
    chroma += (h * pitch / 2) / 2;
  }
  inst.u32GroupNum = groups;
  inst.u32CompositeLumaSize = luma;
  out.u32GroupNum = groups;
  out.u32CompositeLumaSize = luma;
}

void place_picture(const MultiDecNewInstance& inst, int32_t i, uint8_t* composite,
                   tVideoUnitPicture& pic) {
  const uint32_t size = inst.u32CompositeLumaSize;
  pic.u32Tag = VIDEOUNIT_PICTURE_TAG;
  pic.pu8Y = composite + inst.au32LumaOffset[i];
  pic.pu8U = composite + size + inst.au32ChromaOffset[i];
  pic.pu8V = pic.pu8U + size / 4;
  pic.u32Pitch = inst.au32Pitch[i];
  pic.u32UVPitch = inst.au32Pitch[i] / 2;
  pic.u32Width = pic.u32Height = pic.u32Ready = 0;
}

uint32_t decode_channel(MultiDecNewInstance& inst, int32_t i, tVideoUnitDecInput& in,
                        tVideoUnitPicture& pic) {
  if (in.pu8Data == nullptr && in.u32Length != 0) return kPROCESS_INPUT_POINTER_YUV;
  tVideoUnitDecOutput& dec = inst.ptDecOutput[i];
  dec.ptPicture = &pic;
  inst.au32Started[i] = 1;
  const uint32_t status = codec::in_window(
      inst.apu8Save[i], [&] { return VideoUnitDecoderProcess(inst.ahChannel[i], &in, &dec); });
  // Bytes 8 to 19 of the decoder's record: the picture's width, height and ready flag.
  pic.u32Width = dec.u32PicWidth;
  pic.u32Height = dec.u32PicHeight;
  pic.u32Ready = dec.u32PicReady;
  return status;
}

}  // namespace
}  // namespace pf

PF_OPEN_CLOSE(ImgMultiDecNew, pf::MultiDecNew)
PF_SET_PARAM(ImgMultiDecNew, pf::MultiDecNew)
PF_NAMES_AND_VERSION(ImgMultiDecNew, pf::MultiDecNew)

extern "C" {

uint32_t ImgMultiDecNewProcess_c(void* hHandle, void* pInput, void* pOutput) {
  if (pf::any_null(hHandle, pInput, pOutput)) return pf::kPROCESS_INPUT_POINTER;
  auto& inst = *static_cast<pf::MultiDecNewInstance*>(hHandle);
  auto& in = *static_cast<tMultiDecNewInput*>(pInput);
  auto& out = *static_cast<tMultiDecNewOutput*>(pOutput);
  for (int32_t i = 0; i < inst.s32ChannelNum; ++i) {
    const uint32_t command = in.au32Command[i];
    if (command < PF_MULTIDEC_NEW_CMD_DECODE || command > PF_MULTIDEC_NEW_CMD_SKIP) {
      return pf::kPROCESS_INPUT_POINTER;
    }
  }
  if (out.pu8Composite == nullptr) return pf::kPROCESS_INPUT_BUFFER;
  pf::GetMultiDecBufOffsetNew(inst, in, out);
  const bool ok = pf::codec::all_succeed(inst.s32ChannelNum, out.au32Result, [&](int32_t i) {
    const uint32_t command = in.au32Command[i];
    if (!pf::placed(command)) return PF_STATUS_OK;
    pf::place_picture(inst, i, out.pu8Composite, out.atPicture[i]);
    if (command != PF_MULTIDEC_NEW_CMD_DECODE) return PF_STATUS_OK;
    return pf::decode_channel(inst, i, in.atInput[i], out.atPicture[i]);
  });
  return ok ? PF_STATUS_OK : pf::kPROCESS_DECPROCESS;
}

uint32_t ImgMultiDecNewGetStatus_c(void* hHandle, void* pStatus) {
  if (hHandle == nullptr || pStatus == nullptr) return pf::kSTATUS_INPUT_POINTER;
  auto& inst = *static_cast<pf::MultiDecNewInstance*>(hHandle);
  auto& status = *static_cast<tMultiDecNewStatus*>(pStatus);
  const bool ok =
      pf::codec::for_channels(inst, inst.s32ChannelNum, status.au32Result, [&](int32_t i) {
        return VideoUnitDecoderGetStatus(inst.ahChannel[i], &status.atDecStatus[i]);
      });
  return ok ? PF_STATUS_OK : pf::kSTATUS_DECGETSTATUS;
}

uint32_t ImageMultiDecNewDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImgMultiDecNewGetMemSize_c(const void* pParam, uint32_t* pu32Size) {
  if (pf::any_null(pParam, pu32Size)) return pf::kGETMEMSIZE_INPUT_POINTER;
  const auto& p = *static_cast<const tMultiDecNewParam*>(pParam);
  if (const uint32_t error = pf::check_param(p, pf::kMax)) return error;
  // The instance, the save areas, and each channel's share of the composite: a host that sizes
  // its memory from this number has room for the composite buffer too.
  uint64_t size = pf::kInstanceBytes + uint64_t{pf::codec::kSaveBytes} * p.s32ChannelNum;
  for (int32_t i = 0; i < p.s32ChannelNum; ++i) {
    size += uint64_t{p.atDecParam[i].u32Width} * p.atDecParam[i].u32Height * 3 / 2;
  }
  *pu32Size = static_cast<uint32_t>(size);  // at most 96 * 4096 * 4096 * 3 / 2 + a little
  return PF_STATUS_OK;
}

}  // extern "C"

PF_FUNCTION_TABLE_WITH(tImageMultiDecNewFunc, ImgMultiDecNew, ImageMultiDecNewDebug_c,
                       ImgMultiDecNewGetMemSize_c)
