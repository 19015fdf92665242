/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * Multi-encoder (module id 25): up to 8 encoder channels of the video codec unit library behind
 * one instance. Each Process call gives every channel one planar 4:2:0 picture (or the end of
 * its stream) and collects at most one packet per channel into the caller's buffers.
 *
 * Fast memory is shared with the other codec modules and swapped per channel call (see
 * img_multidec.h).
 */
#ifndef PELFORGE_IMG_MULTIENC_H_
#define PELFORGE_IMG_MULTIENC_H_

#include "pelforge.h"
#include "video_unit.h"

#ifdef __cplusplus
extern "C" {
#endif

#ifndef PF_CODEC_FAST_MEM_OFFSET
#define PF_CODEC_FAST_MEM_OFFSET 0xC000u /**< where the channels' window starts in au64FastMem */
#define PF_CODEC_FAST_MEM_BYTES 6144u    /**< the window, and each channel's save area */
#define PF_CODEC_FAST_MEM_WORDS ((PF_CODEC_FAST_MEM_OFFSET + PF_CODEC_FAST_MEM_BYTES) / 8u)
#endif
/** The fast memory shared by every codec channel (declared alike by the three codec headers). */
PF_API extern uint64_t au64FastMem[PF_CODEC_FAST_MEM_WORDS];

/* Error names in code order, 0xC7800001 upwards. */
/* clang-format off */
#define PF_IMG_MULTIENC_ERRORS(X)                                                                  \
  X(OPEN_INPUT_POINTER) X(OPEN_MALLOC) X(OPEN_DECOPEN) X(SETPARAM_INPUT_POINTER)                   \
  X(SETPARAM_DECSETPARAM) X(PROCESS_INPUT_POINTER) X(PROCESS_DECPROCESS)                           \
  X(PROCESS_INPUT_POINTER_YUV) X(PROCESS_OUTPUT_POINTER_YUV) X(CLOSE_INPUT_POINTER)                \
  X(CLOSE_MEMHANDLE_POINTER) X(CLOSE_FREE) X(VERSION_INPUT_POINTER) X(VERSION_LEN) X(CHECK_INPUT)  \
  X(CHECK_DEC_NUMBER) X(STATUS_INPUT_POINTER) X(STATUS_DECGETSTATUS) X(GETMEMSIZE_INPUT_POINTER)   \
  X(ANALYZE_ERROR_CODE_HANDLE) X(GETMEMSIZE_SIZE_ERROR) X(DEBUG_INPUT_POINTER) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_MULTIENC_##name,
enum { ERR_IMG_MULTIENC_BASE_ = 0xC7800000u, PF_IMG_MULTIENC_ERRORS(PF_X) };
#undef PF_X

#define PF_MULTIENC_MAX_CHANNELS 8

/** Parameter record of Open, SetParam and GetMemSize; only s32ChannelNum blocks are read. */
typedef struct tMultiEncParam {
  int32_t s32ChannelNum; /**< 1..8, else ERR_IMG_MULTIENC_CHECK_DEC_NUMBER */
  uint32_t u32Spare;     /**< not read */
  tVideoUnitEncParam atEncParam[PF_MULTIENC_MAX_CHANNELS];
} tMultiEncParam;

/** Status record of GetStatus: the channel count, each channel's block and query result. */
typedef struct tMultiEncStatus {
  int32_t s32ChannelNum; /**< written: the channels in use */
  uint32_t u32Spare;     /**< not written */
  tVideoUnitEncParam atEncStatus[PF_MULTIENC_MAX_CHANNELS];
  uint32_t au32Result[PF_MULTIENC_MAX_CHANNELS];
} tMultiEncStatus;

/** Input record of Process: one picture per channel; a null luma pointer drains the channel. */
typedef struct tMultiEncInput {
  tVideoUnitEncInput atInput[PF_MULTIENC_MAX_CHANNELS];
} tMultiEncInput;

/**
 * Output record of Process: each channel's packet buffer and what landed in it; au32Result (at
 * the 65th u32) holds every channel's result: 0, the codec unit library's status,
 * ERR_IMG_MULTIENC_PROCESS_INPUT_POINTER_YUV for a picture without chroma planes or
 * ..._PROCESS_OUTPUT_POINTER_YUV for a missing packet buffer. Process returns
 * ERR_IMG_MULTIENC_PROCESS_DECPROCESS when any channel failed; the others still encoded.
 */
typedef struct tMultiEncOutput {
  tVideoUnitEncOutput atOutput[PF_MULTIENC_MAX_CHANNELS];
  uint32_t au32Result[PF_MULTIENC_MAX_CHANNELS];
} tMultiEncOutput;

/** Argument of Debug: one command text per channel (tVideoUnitEncText). */
typedef struct tMultiEncDebug {
  tVideoUnitEncText atText[PF_MULTIENC_MAX_CHANNELS];
} tMultiEncDebug;

/*
 * Entry points. Open: (out handle, const tMultiEncParam*, memory handle); a channel that fails to
 * open closes every channel opened before it and gives ERR_IMG_MULTIENC_OPEN_DECOPEN. Process:
 * (handle, tMultiEncInput*, tMultiEncOutput*). GetStatus: (handle, tMultiEncStatus*). GetVersion
 * is the codec unit library's encoder version (VideoUnitEncoderGetVersion). Debug: (handle,
 * tMultiEncDebug*) runs each channel's command and fails only when every channel failed, with the
 * last channel's status. GetMemSize: 200 + 6144 per channel + what VideoUnitEncoderGetMemSize
 * says for each block.
 */
PF_API uint32_t ImgMultiEncOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImgMultiEncProcess_c(void* hHandle, void* pInput, void* pOutput);
PF_API uint32_t ImgMultiEncClose_c(void* hHandle);
PF_API uint32_t ImgMultiEncSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImgMultiEncGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImgMultiEncGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImgMultiEncAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImgMultiEncDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImgMultiEncGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API extern const tImgProcFuncList tImageMultiEncFunc;
/** The module's descriptor ("IMG_MULTI_ENC", id 25) and the pointer to it in section ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_MultiEnc;
PF_API extern const tImgProcDesc* const ptImgProc_MultiEnc;
PF_API extern const char* const pas8ImgMultiEncAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_MULTIENC_H_ */
