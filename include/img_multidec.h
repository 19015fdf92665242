/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * Multi-decoder (module id 19): up to 64 decoder channels of the video codec unit library
 * (video_unit.h) behind one instance. Each Process call gives every channel a command and one
 * access unit and collects one picture per channel into the planes named by that channel's
 * decoder output record.
 *
 * Fast memory. All channels of all codec modules (multi-decoder, new multi-decoder,
 * multi-encoder) share one fast-memory window, PF_CODEC_FAST_MEM_BYTES of au64FastMem from
 * PF_CODEC_FAST_MEM_OFFSET on. Every instance keeps a save area of that size per channel and
 * swaps it into the window around each call into the codec unit library, so channels never see
 * each other's fast memory. The swaps are serialised inside pelforge: instances may be driven
 * from several threads, their channel calls then simply take turns.
 */
#ifndef PELFORGE_IMG_MULTIDEC_H_
#define PELFORGE_IMG_MULTIDEC_H_

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

/* Error names in code order, 0xC5400001 upwards. */
/* clang-format off */
#define PF_IMG_MULTIDEC_ERRORS(X)                                                                  \
  X(OPEN_INPUT_POINTER) X(OPEN_MALLOC) X(OPEN_DECOPEN) X(SETPARAM_INPUT_POINTER)                   \
  X(SETPARAM_DECSETPARAM) X(PROCESS_INPUT_POINTER) X(PROCESS_DECPROCESS)                           \
  X(PROCESS_INPUT_POINTER_YUV) X(PROCESS_OUTPUT_POINTER_YUV) X(CLOSE_INPUT_POINTER)                \
  X(CLOSE_MEMHANDLE_POINTER) X(CLOSE_FREE) X(VERSION_INPUT_POINTER) X(VERSION_LEN) X(CHECK_INPUT)  \
  X(CHECK_DEC_NUMBER) X(STATUS_INPUT_POINTER) X(STATUS_DECGETSTATUS) X(GETMEMSIZE_INPUT_POINTER)   \
  X(ANALYZE_ERROR_CODE_HANDLE) X(GETMEMSIZE_SIZE_ERROR) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_MULTIDEC_##name,
enum { ERR_IMG_MULTIDEC_BASE_ = 0xC5400000u, PF_IMG_MULTIDEC_ERRORS(PF_X) };
#undef PF_X

#define PF_MULTIDEC_MAX_CHANNELS 64

/* Channel commands of Process. */
#define PF_MULTIDEC_CMD_SKIP 0u  /**< the channel does nothing; its result is 0 */
#define PF_MULTIDEC_CMD_START 1u /**< starts the channel (for good) and decodes */
#define PF_MULTIDEC_CMD_END 2u   /**< decodes with the end-of-stream option: drains the channel */

/**
 * Parameter record of Open, SetParam and GetMemSize. Only the first s32ChannelNum blocks are
 * read. SetParam keeps the number of channels Open opened and passes the first
 * min(s32ChannelNum, opened) blocks on; the others keep their parameters.
 */
typedef struct tMultiDecParam {
  int32_t s32ChannelNum; /**< 1..64, else ERR_IMG_MULTIDEC_CHECK_DEC_NUMBER */
  uint32_t u32Spare;     /**< not read */
  tVideoUnitDecParam atDecParam[PF_MULTIDEC_MAX_CHANNELS]; /**< one block per channel */
} tMultiDecParam;

/** Status record of GetStatus: each open channel's block and the result of its query. */
typedef struct tMultiDecStatus {
  int32_t s32ChannelNum; /**< not written */
  uint32_t u32Spare;     /**< not written */
  tVideoUnitDecParam atDecStatus[PF_MULTIDEC_MAX_CHANNELS];
  uint32_t au32Result[PF_MULTIDEC_MAX_CHANNELS];
} tMultiDecStatus;

/**
 * Input record of Process. A channel decodes when its command is START or END and it has
 * received START once since Open. END attaches the option {VIDEOUNIT_OPTION_END, 1} to the
 * channel's input record for that call only: the record's ptOption is put back afterwards.
 */
typedef struct tMultiDecInput {
  uint32_t au32Command[PF_MULTIDEC_MAX_CHANNELS];       /**< PF_MULTIDEC_CMD_ values */
  tVideoUnitDecInput atInput[PF_MULTIDEC_MAX_CHANNELS]; /**< one access unit per channel */
} tMultiDecInput;

/**
 * Output record of Process. Each channel's record names its destination planes (or a picture
 * record) and receives the picture's description; au32Result holds every channel's result: 0,
 * the codec unit library's status, ERR_IMG_MULTIDEC_CHECK_INPUT for a command above 2,
 * ..._PROCESS_INPUT_POINTER_YUV for a length without data or ..._PROCESS_OUTPUT_POINTER_YUV for
 * missing destination planes. Process returns ERR_IMG_MULTIDEC_PROCESS_DECPROCESS when any
 * channel failed; the other channels still decoded.
 */
typedef struct tMultiDecOutput {
  tVideoUnitDecOutput atOutput[PF_MULTIDEC_MAX_CHANNELS];
  uint32_t au32Result[PF_MULTIDEC_MAX_CHANNELS];
} tMultiDecOutput;

/*
 * Entry points. Open: (out handle, const tMultiDecParam*, memory handle); a channel that fails to
 * open closes every channel opened before it and gives ERR_IMG_MULTIDEC_OPEN_DECOPEN. Process:
 * (handle, tMultiDecInput*, tMultiDecOutput*). GetStatus: (handle, tMultiDecStatus*). GetVersion
 * is the codec unit library's decoder version (VideoUnitDecoderGetVersion). GetMemSize: 1576 +
 * 6144 per channel + what VideoUnitDecoderGetMemSize says for each block. Debug does nothing.
 */
PF_API uint32_t ImgMultiDecOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImgMultiDecProcess_c(void* hHandle, void* pInput, void* pOutput);
PF_API uint32_t ImgMultiDecClose_c(void* hHandle);
PF_API uint32_t ImgMultiDecSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImgMultiDecGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImgMultiDecGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImgMultiDecAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImageMultiDecDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImgMultiDecGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API extern const tImgProcFuncList tImageMultiDecFunc;
/** The module's descriptor ("IMG_MULTI_DEC", id 19) and the pointer to it in section ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_MultiDec;
PF_API extern const tImgProcDesc* const ptImgProc_MultiDec;
PF_API extern const char* const pas8ImgMultiDecAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_MULTIDEC_H_ */
