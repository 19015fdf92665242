/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * Deinterlace (module id 32): removes interlace combing from a planar 4:2:0 picture in place.
 * Field A (the even lines of an interleaved frame, or the upper half of each plane of a
 * field-separated picture) always passes unchanged; only the lines of field B are rewritten.
 *
 *   mode 0  block comb detector: an 8-pixel group of a field-B line becomes the average of the
 *           lines above and below when it differs more across the fields than within them;
 *   mode 1  line repetition: field A is copied over field B;
 *   mode 2  motion-adaptive field blend of luma, chroma median;
 *   mode 3  as mode 2, plus a temporal term against the previous picture and edge-directed
 *           interpolation.
 *
 * Notation of the formulas below: samples are unsigned 8-bit, h(v) = (v + 1) >> 1,
 * avg(a, b) = (a + b + 1) >> 1. n = height / 2 lines per field; A(k) and B(k) are the k-th lines
 * of field A and B, so that B(k) lies between A(k) and A(k + 1) on screen.
 */
#ifndef PELFORGE_IMG_DEINTERLACE_H_
#define PELFORGE_IMG_DEINTERLACE_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order from 0xC7400000 (the start marker); END is 0xC7400018. */
/* clang-format off */
#define PF_IMG_DEINTERLACE_ERRORS(X)                                                               \
  X(START_CODE) X(OPEN_HANDLE) X(OPEN_MALLOC) X(OPEN_MALLOC_TEMP_BUF)                              \
  X(OPEN_MALLOC_PRE_FIELD_BUF) X(PARAM_WIDTH) X(PARAM_HEIGHT) X(PARAM_STRIDE) X(PROCESS_HANDLE)   \
  X(PROCESS_INPUT_POINTER) X(PROCESS_OUTPUT_POINTER) X(CLOSE_HANDLE) X(CLOSE_FREE)                 \
  X(SET_PARAM_HANDLE) X(GETVERSION_HANDLE) X(GETVERSION_POINTER) X(GETVERSION_LENGTH)              \
  X(GETSTATUS_HANDLE) X(ANALYZE_ERROR_CODE_HANDLE) X(MALLOC_FAST_SCRATCH) X(GET_DMA_HANDLE)        \
  X(PARAM_MODE) X(FRAME_TYPE) X(SELF_GETMEMSIZE_PARAM_POINTER) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_DEINTERLACE_##name,
enum { ERR_IMG_DEINTERLACE_BASE_ = 0xC73FFFFFu, PF_IMG_DEINTERLACE_ERRORS(PF_X) };
#undef PF_X

/* Modes and frame types. */
#define PF_DEINTERLACE_MODE_COMB 0     /**< block comb detector */
#define PF_DEINTERLACE_MODE_REPEAT 1   /**< line repetition */
#define PF_DEINTERLACE_MODE_BLEND 2    /**< motion-adaptive field blend */
#define PF_DEINTERLACE_MODE_TEMPORAL 3 /**< motion-adaptive, edge-directed, with history */
#define PF_DEINTERLACE_FRAME 1         /**< interleaved: even lines field A, odd lines field B */
#define PF_DEINTERLACE_FIELDS 2        /**< field-separated: upper half field A, lower half B */
#define PF_DEINTERLACE_INTERLACED 3    /**< handled as PF_DEINTERLACE_FRAME */

/** Parameter record of Open, SetParam and GetMemSize; GetStatus fills the same layout. */
typedef struct tImgDeinterlaceParam {
  int32_t s32Width;     /**< luma width, > 0 and a multiple of 8 (ERR_..._PARAM_WIDTH) */
  int32_t s32Height;    /**< luma height of the whole frame, > 0, multiple of 8 (..._HEIGHT) */
  int32_t s32YStride;   /**< bytes between luma lines, >= s32Width (..._PARAM_STRIDE) */
  int32_t s32UVStride;  /**< bytes between chroma lines, >= 0; 0: s32YStride / 2 (..._STRIDE) */
  int32_t s32Mode;      /**< 0..3 (ERR_..._PARAM_MODE) */
  int32_t s32FrameType; /**< 1, 2 or 3; mode 0 refuses 2 (ERR_..._FRAME_TYPE) */
} tImgDeinterlaceParam;

struct tImgDeinterlaceInstance;

/** Mode kernel: (instance, Y, U, V); works in place, returns 0. */
typedef uint32_t (*tImgDeinterlaceKernel)(struct tImgDeinterlaceInstance* ptInstance, uint8_t* pu8Y,
                                          uint8_t* pu8U, uint8_t* pu8V);

/** The instance behind a handle; the mode kernels read the geometry and buffers from it. */
typedef struct tImgDeinterlaceInstance {
  void* hMem;                      /**< memory handle given to Open */
  uint8_t* pu8LineBuf;             /**< 10 x width + 16 bytes of working lines (modes 2, 3) */
  void* hDma;                      /**< DMA handle; the kernels do not use it */
  tImgDeinterlaceKernel pfnKernel; /**< chosen by the mode at Open/SetParam */
  int32_t s32Width;
  int32_t s32Height;
  int32_t s32FrameType;
  int32_t s32YStride;
  int32_t s32UVStride; /**< after the 0 default was applied */
  int32_t s32Mode;
  uint8_t* pu8PreFieldBuf;  /**< width x height / 2 bytes of mode-3 history, 0 at Open */
  uint32_t u32LineBufBytes; /**< sizes of the two buffers, which SetParam may grow */
  uint32_t u32PreFieldBufBytes;
} tImgDeinterlaceInstance;

/*
 * Entry points. Open: (out handle, const tImgDeinterlaceParam*, memory handle). Process:
 * (handle, uint8_t* planes[3] = {Y, U, V}, any non-null pointer); with U or V null the chroma
 * planes follow the luma: U = Y + luma stride x height, V = U + height / 2 x chroma stride. The
 * picture is rewritten in place. SetParam re-validates; when the new size needs larger working
 * buffers than the instance has, it allocates them first (history starts again from zero) and
 * reports an allocation failure with Open's codes, changing nothing. Mode 0 with frame type 2
 * stores the new values but keeps the old kernel and returns ERR_..._FRAME_TYPE.
 * GetMemSize: 10 x width + width x height / 2 + 144.
 */
PF_API uint32_t ImgDeinterlaceOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImgDeinterlaceProcess_c(void* hHandle, void* pInput, void* pOutput);
PF_API uint32_t ImgDeinterlaceClose_c(void* hHandle);
PF_API uint32_t ImgDeinterlaceSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImgDeinterlaceGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImgDeinterlaceGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImgDeinterlaceAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImgDeinterlaceDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImgDeinterlaceGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API void ImgDeinterlaceGlobalInit(void);
PF_API void ImgDeinterlaceMMXFunctions(void);
PF_API void ImgDeinterlaceSSE2Functions(void);
PF_API void ImgDeinterlaceSSSE3Functions(void);
PF_API void ImgDeinterlaceSSE4Functions(void);

/*
 * Mode kernels; mode m runs through pointer DeinterlaceMode<m + 1>.
 *
 * DeinterlaceMode1_c (mode 0, interleaved only): Deinterlace_c on Y (width x height, luma
 * stride), then on U and V (width / 2 x height / 2, chroma stride).
 *
 * DeinterlaceMode2_c (mode 1): interleaved, each even line 2i is copied over line 2i + 1 (luma:
 * i < height / 2; chroma: even lines below height / 2); field-separated, luma line i over line
 * n + i and chroma line i over line height / 4 + i.
 *
 * DeinterlaceMode3_c (mode 2): Deinterlace3_c on luma in place (interleaved: Y, Y + stride,
 * line step 2 x stride; field-separated: Y, Y + height x stride / 2, step stride), then the
 * chroma median on U and V: each field-B chroma line becomes the pixelwise median of itself and
 * the field-A lines above and below it (the last one uses the line above twice).
 *
 * DeinterlaceMode4_c (mode 3): as mode 2 with Deinterlace4_c and the instance's history.
 */
PF_API extern tImgDeinterlaceKernel DeinterlaceMode1;
PF_API extern tImgDeinterlaceKernel DeinterlaceMode2;
PF_API extern tImgDeinterlaceKernel DeinterlaceMode3;
PF_API extern tImgDeinterlaceKernel DeinterlaceMode4;
PF_API uint32_t DeinterlaceMode1_c(tImgDeinterlaceInstance* ptInstance, uint8_t* pu8Y,
                                   uint8_t* pu8U, uint8_t* pu8V);
PF_API uint32_t DeinterlaceMode2_c(tImgDeinterlaceInstance* ptInstance, uint8_t* pu8Y,
                                   uint8_t* pu8U, uint8_t* pu8V);
PF_API uint32_t DeinterlaceMode3_c(tImgDeinterlaceInstance* ptInstance, uint8_t* pu8Y,
                                   uint8_t* pu8U, uint8_t* pu8V);
PF_API uint32_t DeinterlaceMode4_c(tImgDeinterlaceInstance* ptInstance, uint8_t* pu8Y,
                                   uint8_t* pu8U, uint8_t* pu8V);

/**
 * Mode 0's SSE2 kernel decides with a simpler test than Deinterlace_c and visits one more line:
 * a group is replaced when s1 + s2 > s3 + s4, and the odd lines 1 .. Hp - 3 are visited. It is
 * the kernel that runs for mode 0 on every processor that reports SSE2.
 */
PF_API uint32_t ImgDeinterlaceMode1_sse2(tImgDeinterlaceInstance* ptInstance, uint8_t* pu8Y,
                                         uint8_t* pu8U, uint8_t* pu8V);
/** The pictures of DeinterlaceMode3_c and DeinterlaceMode4_c, bit for bit. */
PF_API uint32_t ImgDeinterlaceMode3_sse2(tImgDeinterlaceInstance* ptInstance, uint8_t* pu8Y,
                                         uint8_t* pu8U, uint8_t* pu8V);
PF_API uint32_t ImgDeinterlaceMode4_sse2(tImgDeinterlaceInstance* ptInstance, uint8_t* pu8Y,
                                         uint8_t* pu8U, uint8_t* pu8V);
PF_API uint32_t ImgDeinterlaceMode4_ssse3(tImgDeinterlaceInstance* ptInstance, uint8_t* pu8Y,
                                          uint8_t* pu8U, uint8_t* pu8V);

/**
 * Mode 0 on one interleaved plane of s32Width x s32Height. Planes with s32Height / 2 < 3 stay as
 * they are. The odd lines L = 1, 3, .., s32Height - 5 are cut into groups of 8 pixels from x = 0;
 * with P, C, N, N2 the lines L - 1 .. L + 2 and the sums of absolute differences over the group
 * s1 = |P - C|, s2 = |C - N|, s3 = |C - N2|, s4 = |P - N|, the group's C becomes avg(P, N) when
 * min(s1, s2) > min(s3, s4) and ((s1 + s2) >> 1) - 16 > (s3 + s4) >> 1. A last group that would
 * reach past the width is taken over the pixels it has.
 */
PF_API void Deinterlace_c(uint8_t* pu8Plane, int32_t s32Width, int32_t s32Height,
                          int32_t s32Stride);

/**
 * Mode 2's field blender. Field A lines start at pu8SrcA, field B lines at pu8SrcB, both
 * s32SrcStep apart; the result goes to the same layout at pu8DstA / pu8DstB / s32DstStep (which
 * may be the source: every sample is read before it is rewritten). s32Height is the frame's
 * height (n = s32Height / 2 lines per field); pu8LineBuf holds at least 8 x s32Width bytes.
 *
 * For the pair k = 0 .. n - 2, with centre j = k + 1 and x along the line:
 *   dA = |A(j) - avg(A(j-1), A(j+1))|, dB likewise on field B;
 *   M(j) = min(16, h(h(h(h(dA + dB)))));
 *   D(j) = floor((pa - pb) / 2), pa = h(h(A(j)) + avg(A(j-1), A(j+1))), pb likewise on B;
 *   E(j) = h(max(0, |B(j) - avg(A(j), A(j+1))| - max(dA, dB)));
 *   interp = avg(A(k), A(k+1));  v = clamp(h(B(k) + interp) + D(k), 0, 255);
 *   inner = (B(k) M(k) + (16 - M(k)) v) >> 4;
 *   w = min(16, h(E(k) + h(h(E(k)[x-1] + E(k)[x+1]) + h(E(k-1) + E(k+1)))));
 *   B(k) = (interp w + (16 - w) inner) >> 4.
 * M(0) = D(0) = 0 and E(0) = E(-1) = 16; A(n) and B(n) read as A(n-1) and B(n-1); E beyond
 * either end of a line reads as its end sample. Field A and the last line of field B stay.
 */
PF_API void Deinterlace3_c(const uint8_t* pu8SrcA, const uint8_t* pu8SrcB, int32_t s32SrcStep,
                           uint8_t* pu8DstA, uint8_t* pu8DstB, int32_t s32DstStep, int32_t s32Width,
                           int32_t s32Height, uint8_t* pu8LineBuf);

/**
 * Mode 3's field blender: Deinterlace3_c with three changes. pu8LineBuf holds 10 x s32Width
 * bytes; pu8PreField holds s32Width x (n - 1) bytes of history that this call reads and rewrites.
 *   - E(j) = max(E(j) above, |s - t|), t = h(avg(A(j)[x], A(j)[x+1]) + avg(A(j+1)[x],
 *     A(j+1)[x+1])), s the history byte (line j - 1, column x), which t then replaces.
 *   - dir(j): with c(d) = |A(j)[x] - avg(A(j-1)[x+d], A(j+1)[x-d])| and key(d) = (c(d) & ~7) +
 *     tag (d 0, +1, -1, +2, -2: tags 0, 2, 3, 4, 5): 0 when key(0) is the smallest of d = 0, +-1,
 *     else the d of the smallest of all five keys.
 *   - interp = avg(A(k)[x + ds], A(k+1)[x - ds]) with ds = (dir(k)[x-1] + 2 dir(k)[x] +
 *     dir(k)[x+1] + dir(k+1)[x-1] + 2 dir(k+1)[x] + dir(k+1)[x+1]) / 8, truncated toward zero;
 *     ds = 0 at x = 0 and x = width - 1, and dir(0) = 0.
 * Samples beyond either end of a line read as the line's end sample.
 */
PF_API void Deinterlace4_c(const uint8_t* pu8SrcA, const uint8_t* pu8SrcB, int32_t s32SrcStep,
                           uint8_t* pu8DstA, uint8_t* pu8DstB, int32_t s32DstStep, int32_t s32Width,
                           int32_t s32Height, uint8_t* pu8LineBuf, uint8_t* pu8PreField);

PF_API extern const tImgProcFuncList tImgDeinterlaceFunc;
/** The module's descriptor ("IMG_DEINTERLACE", id 32) and the pointer to it in ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_Deinterlace;
PF_API extern const tImgProcDesc* const ptImgProc_Deinterlace;
PF_API extern const char* const pas8DeinterlaceAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_DEINTERLACE_H_ */
