/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * New multi-decoder (module id 22): up to 96 decoder channels of the video codec unit library
 * whose pictures land in one composite planar 4:2:0 buffer that the caller supplies.
 *
 * Composite placement, computed at the start of every Process from that call's commands:
 * channels with command DECODE or PLACE are grouped by the picture size of their blocks
 * (u32Width, u32Height), in order of first appearance and with at most 64 members a group (a
 * 65th channel of one size opens a new group). Groups are bands laid out one below the other;
 * in a band of n members of w x h the pitch is w * n and member k sits at luma offset
 * L + w * k and chroma offset C + (w / 2) * k, where L and C are the sizes of the bands above
 * (a band adds pitch * h to L and (h * pitch / 2) / 2 to C). With S the final L (the composite
 * luma size), a channel's planes are Y = composite + luma offset, U = composite + S + chroma
 * offset, V = U + S / 4, pitches w * n and w * n / 2. The composite therefore needs S * 3 / 2
 * bytes: the sum of w * h * 3 / 2 over the placed channels.
 *
 * Fast memory is shared with the other codec modules and swapped per channel call (see
 * img_multidec.h).
 */
#ifndef PELFORGE_IMG_MULTIDEC_NEW_H_
#define PELFORGE_IMG_MULTIDEC_NEW_H_

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

/* Error names in code order, 0xC6000001 upwards. */
/* clang-format off */
#define PF_IMG_MULTIDEC_NEW_ERRORS(X)                                                              \
  X(OPEN_INPUT_POINTER) X(OPEN_MALLOC) X(OPEN_DECOPEN) X(SETPARAM_INPUT_POINTER)                   \
  X(SETPARAM_DECSETPARAM) X(PROCESS_INPUT_POINTER) X(PROCESS_INPUT_BUFFER) X(PROCESS_DECPROCESS)   \
  X(PROCESS_INPUT_POINTER_YUV) X(PROCESS_OUTPUT_POINTER_YUV) X(CLOSE_INPUT_POINTER)                \
  X(CLOSE_MEMHANDLE_POINTER) X(CLOSE_FREE) X(VERSION_INPUT_POINTER) X(VERSION_LEN) X(CHECK_INPUT)  \
  X(CHECK_DEC_NUMBER) X(STATUS_INPUT_POINTER) X(STATUS_DECGETSTATUS) X(GETMEMSIZE_INPUT_POINTER)   \
  X(OPEN_MALLOC_DEC_OUTPUT) X(ANALYZE_ERROR_CODE_HANDLE) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_MULTIDEC_NEW_##name,
enum { ERR_IMG_MULTIDEC_NEW_BASE_ = 0xC6000000u, PF_IMG_MULTIDEC_NEW_ERRORS(PF_X) };
#undef PF_X

#define PF_MULTIDEC_NEW_MAX_CHANNELS 96
#define PF_MULTIDEC_NEW_GROUP_MEMBERS 64

/* Channel commands of Process; any other value refuses the whole call before any decoding. */
#define PF_MULTIDEC_NEW_CMD_DECODE 1u /**< place the channel's picture and decode into it */
#define PF_MULTIDEC_NEW_CMD_PLACE 2u  /**< only place it: fill its picture record */
#define PF_MULTIDEC_NEW_CMD_SKIP 3u   /**< leave the channel alone (its picture record too) */

/**
 * Parameter record of Open, SetParam and GetMemSize. The module reads u32Width and u32Height of
 * each block (even, 2..VIDEOUNIT_MAX_DIMENSION, else ERR_IMG_MULTIDEC_NEW_CHECK_INPUT); the rest
 * is the codec unit library's. SetParam may lower the number of channels in use (down to 1) and
 * raise it again up to the number Open opened.
 */
typedef struct tMultiDecNewParam {
  int32_t s32ChannelNum; /**< 1..96, else ERR_IMG_MULTIDEC_NEW_CHECK_DEC_NUMBER */
  uint32_t u32Spare;     /**< not read */
  tVideoUnitDecParam atDecParam[PF_MULTIDEC_NEW_MAX_CHANNELS];
} tMultiDecNewParam;

/** Status record of GetStatus: each channel's block and the result of its query. */
typedef struct tMultiDecNewStatus {
  int32_t s32ChannelNum; /**< not written */
  uint32_t u32Spare;     /**< not written */
  tVideoUnitDecParam atDecStatus[PF_MULTIDEC_NEW_MAX_CHANNELS];
  uint32_t au32Result[PF_MULTIDEC_NEW_MAX_CHANNELS];
} tMultiDecNewStatus;

/**
 * Input record of Process. To drain a channel at the end of its stream, attach the option
 * {VIDEOUNIT_OPTION_END, 1} to its input record and decode with an empty access unit until its
 * picture record says no picture is ready.
 */
typedef struct tMultiDecNewInput {
  uint32_t au32Command[PF_MULTIDEC_NEW_MAX_CHANNELS];       /**< PF_MULTIDEC_NEW_CMD_ values */
  tVideoUnitDecInput atInput[PF_MULTIDEC_NEW_MAX_CHANNELS]; /**< one access unit per channel */
} tMultiDecNewInput;

/** One band of the composite: channels of one picture size side by side. */
typedef struct tMultiDecNewGroup {
  uint16_t u16Width;                                /**< members' picture width */
  uint16_t u16Height;                               /**< members' picture height */
  uint32_t u32MemberNum;                            /**< 1..64 */
  uint8_t au8Member[PF_MULTIDEC_NEW_GROUP_MEMBERS]; /**< channel numbers, left to right */
} tMultiDecNewGroup;

/**
 * Output record of Process. atPicture[i] is channel i's place in the composite (tag 401, planes,
 * pitches) and, after a decode, the picture's width, height and ready flag; au32Result holds
 * every channel's result (0, the codec unit library's status, or
 * ERR_IMG_MULTIDEC_NEW_PROCESS_INPUT_POINTER_YUV for a length without data). Process returns
 * ERR_IMG_MULTIDEC_NEW_PROCESS_DECPROCESS when any channel failed; the others still decoded.
 * Group entries from u32GroupNum on are not written.
 */
typedef struct tMultiDecNewOutput {
  tVideoUnitPicture atPicture[PF_MULTIDEC_NEW_MAX_CHANNELS];
  uint32_t au32Result[PF_MULTIDEC_NEW_MAX_CHANNELS];
  uint8_t* pu8Composite; /**< the caller's composite buffer; null gives ..._PROCESS_INPUT_BUFFER */
  tMultiDecNewGroup atGroup[PF_MULTIDEC_NEW_MAX_CHANNELS];
  uint32_t u32GroupNum;          /**< written: bands in the composite */
  uint32_t u32CompositeLumaSize; /**< written: S, the composite's luma bytes */
} tMultiDecNewOutput;

/*
 * Entry points. Open: (out handle, const tMultiDecNewParam*, memory handle); a channel that fails
 * to open closes every channel opened before it and gives ERR_IMG_MULTIDEC_NEW_OPEN_DECOPEN.
 * Process: (handle, tMultiDecNewInput*, tMultiDecNewOutput*). GetStatus: (handle,
 * tMultiDecNewStatus*). GetMemSize: 10784 + 6144 per channel + w * h * 3 / 2 per channel (the
 * channel's share of the composite the caller supplies). Debug does nothing.
 */
PF_API uint32_t ImgMultiDecNewOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImgMultiDecNewProcess_c(void* hHandle, void* pInput, void* pOutput);
PF_API uint32_t ImgMultiDecNewClose_c(void* hHandle);
PF_API uint32_t ImgMultiDecNewSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImgMultiDecNewGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImgMultiDecNewGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImgMultiDecNewAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImageMultiDecNewDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImgMultiDecNewGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API extern const tImgProcFuncList tImageMultiDecNewFunc;
/** The module's descriptor ("IMG_MULTI_DEC_NEW", id 22) and the pointer to it in ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_MultiDecNew;
PF_API extern const tImgProcDesc* const ptImgProc_MultiDecNew;
PF_API extern const char* const pas8ImgMultiDecNewAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_MULTIDEC_NEW_H_ */
