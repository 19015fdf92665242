/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * The 16:9 adaptation module (module id 16, "IMG_ADAPT_16vs9"): reshapes a standard-definition
 * 720-pixel-wide picture in place for 16:9 use.
 *
 * A 4:2:0 field picture is squeezed horizontally into its middle three quarters: every luma line
 * becomes 90 bytes of 1, the 720 samples squeezed to 540, and 90 bytes of 1; every chroma line
 * 45 bytes of 128, the 360 samples squeezed to 270, and 45 bytes of 128. Each group of four
 * samples s0..s3 gives three:
 *   (s0 + s1 + 1) >> 1,  (s1 + s2 + 1) >> 1,  (s2 + s3 + 1) >> 1
 *
 * A packed 4:2:2 (UYVY) frame has the middle three quarters of its lines stretched vertically
 * to the full height. With H the standard's line count and m = H / 8, source lines m .. H-m-1
 * fill lines 0 .. H-1, six source lines to eight. In the upper half, source lines a .. a+5
 * (a = m + 6i) give lines 8i .. 8i+7:
 *   a, a+1, avg(a, a+2), avg(a+1, a+3), a+2, a+3, a+4, a+5
 * where avg(p, q) = (p + q + 1) >> 1 byte by byte over the whole 1440-byte line (the averaged
 * lines are two apart, so of the same field). The lower half is the mirror image: counted from
 * the bottom, source lines b, b-1, ... (b = H-m-1 - 6i) give lines H-1-8i, H-2-8i, ... by the
 * same pattern.
 */
#ifndef PELFORGE_IMG_ADAPT_16VS9_H_
#define PELFORGE_IMG_ADAPT_16VS9_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, 0xC4200001 upwards. */
/* clang-format off */
#define PF_IMAGE_ADAPT_16VS9_ERRORS(X)                                                     \
  X(SELF_INIT_POINTER) X(SELF_WIDTH_ILLEGAL) X(SELF_HEIGHT_ILLEGAL) X(SELF_YUVTYPE_ILLEGAL) \
  X(SELF_IMAGETYPE_ILLEGAL) X(SELF_YUV422_MISMATCH_FRAMEFORMAT)                            \
  X(SELF_YUV420_MISMATCH_FIELDFORMAT) X(SELF_TVFORMAT_ILLEGAL) X(SELF_HANDLE_MEM_MALLOC)   \
  X(SELF_INPUT_POINTER) X(SELF_INPUT_DATA_POINTER) X(SELF_CLOSE_POINTER)                   \
  X(SELF_CLOSE_MEM_POINTER) X(SELF_SETPARAM_POINTER) X(SELF_GET_VERSION_POINTER)           \
  X(SELF_GET_VERSION_VERLEN_POINTER) X(SELF_VERSION_BUFLEN_TOO_SHORT) X(SELF_STATUS_POINTER) \
  X(MALLOC_FAST_SCRATCH) X(GET_DMA_HANDLE) X(ANALYZE_ERROR_CODE_HANDLE) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_ADAPT_16VS9_##name,
enum { ERR_IMG_ADAPT_16VS9_BASE_ = 0xC4200000u, PF_IMAGE_ADAPT_16VS9_ERRORS(PF_X) };
#undef PF_X

#define PF_ADAPT_16VS9_WIDTH 720u      /**< the only width the module takes */
#define PF_ADAPT_16VS9_PAL 80u         /**< 'P': 576 lines are adapted */
#define PF_ADAPT_16VS9_NTSC 78u        /**< 'N': 480 lines are adapted */
#define PF_ADAPT_16VS9_LUMA_BAR 1u     /**< luma of the side bars of squeezed pictures */
#define PF_ADAPT_16VS9_CHROMA_BAR 128u /**< chroma of the side bars */
#define PF_ADAPT_16VS9_MEM_SIZE 104u   /**< what GetMemSize reports */

/**
 * Parameter record of Open and SetParam, returned by GetStatus. Checked in the order
 * width, height, YUV type, image type, the two type pairings, standard.
 */
typedef struct tImageAdapt16vs9Param {
  int32_t s32Width;      /**< 720; else ERR_IMG_ADAPT_16VS9_SELF_WIDTH_ILLEGAL */
  int32_t s32Height;     /**< 576 or 480; else ERR_IMG_ADAPT_16VS9_SELF_HEIGHT_ILLEGAL */
  uint32_t u32ImageType; /**< PF_IMAGE_FRAME or PF_IMAGE_FIELD; else ..._SELF_IMAGETYPE_ILLEGAL.
                              4:2:2 must be a frame (..._SELF_YUV422_MISMATCH_FRAMEFORMAT), 4:2:0
                              a field picture (..._SELF_YUV420_MISMATCH_FIELDFORMAT) */
  uint32_t u32YuvType;   /**< PF_YUV_420 or PF_YUV_UYVY; else ..._SELF_YUVTYPE_ILLEGAL */
  uint32_t u32TvFormat;  /**< PF_ADAPT_16VS9_PAL or PF_ADAPT_16VS9_NTSC; else
                              ..._SELF_TVFORMAT_ILLEGAL, which a PAL standard on a 480-line picture
                              also gets (its 576 lines do not fit). A 576-line picture may take
                              NTSC: its first 480 lines are adapted. */
} tImageAdapt16vs9Param;

/**
 * Adaptation kernel: (Y plane, U plane, V plane) of a picture 720 samples wide without padding,
 * changed in place. The 4:2:2 kernels read only the first pointer (the packed plane, lines of
 * 1440 bytes). The PAL kernels adapt 576 lines (4:2:0: 288 chroma lines of U and of V), the NTSC
 * kernels 480 (240).
 */
typedef void (*tAdapt16vs9Kernel)(uint8_t* pu8Y, uint8_t* pu8U, uint8_t* pu8V);

PF_API void VEK_PALImageYUV420Adaptto16vs9_c(uint8_t* pu8Y, uint8_t* pu8U, uint8_t* pu8V);
PF_API void VEK_NTSCImageYUV420Adaptto16vs9_c(uint8_t* pu8Y, uint8_t* pu8U, uint8_t* pu8V);
PF_API void VEK_PALImageYUV422Adaptto16vs9_c(uint8_t* pu8Y, uint8_t* pu8U, uint8_t* pu8V);
PF_API void VEK_NTSCImageYUV422Adaptto16vs9_c(uint8_t* pu8Y, uint8_t* pu8U, uint8_t* pu8V);

/*
 * Entry points. Open: (out handle, const tImageAdapt16vs9Param*, memory handle). Process:
 * (handle, uint8_t* planes[1], context): planes[0] is the picture, one buffer of 720 x height
 * luma then, for 4:2:0, U (360 x height/2) and V; the context must not be null and is not read.
 * GetStatus fills a tImageAdapt16vs9Param. GetMemSize reports PF_ADAPT_16VS9_MEM_SIZE whatever
 * the record (a null size pointer gives ERR_IMG_ADAPT_16VS9_SELF_INIT_POINTER). Debug does
 * nothing.
 */
PF_API uint32_t ImageAdapt16vs9Open_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImageAdapt16vs9Process_c(void* hHandle, void* pPlanes, void* pContext);
PF_API uint32_t ImageAdapt16vs9Close_c(void* hHandle);
PF_API uint32_t ImageAdapt16vs9SetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImageAdapt16vs9GetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImageAdapt16vs9GetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImageAdapt16vs9AnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen,
                                                  char* ps8Buf);
PF_API uint32_t ImageAdapt16vs9Debug_c(void* hHandle, void* pArg);
PF_API uint32_t ImageAdapt16vs9GetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API void ImageAdapt16vs9GlobalInit(void);
PF_API void ImageAdapt16vs9MMXFunctions(void);
PF_API void ImageAdapt16vs9SSE2Functions(void);
PF_API void ImageAdapt16vs9SSSE3Functions(void);
PF_API void ImageAdapt16vs9SSE4Functions(void);

PF_API extern const tImgProcFuncList tImageAdapt16vs9Func;
/** The module's descriptor ("IMG_ADAPT_16vs9", id 16) and the pointer to it in section ".IMG$B".
 */
PF_API extern const tImgProcDesc tImgProc_Adapt16vs9;
PF_API extern const tImgProcDesc* const ptImgProc_Adapt16vs9;
PF_API extern const char* const pas8ImageAdapt16vs9AnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_ADAPT_16VS9_H_ */
