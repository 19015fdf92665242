/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * PAL/NTSC change (module id 13, "IMG_PN_CHANGE"): converts D1 pictures between 576 lines (PAL)
 * and 480 lines (NTSC) without scaling. PAL to NTSC drops 48 lines at the top and 48 at the
 * bottom; NTSC to PAL adds 48 black lines (Y 16, U and V 128) above and below. Field pictures
 * lose or gain 24 lines at each end of each field. Packed 4:2:2 (UYVY) frames are 720 wide;
 * planar 4:2:0 frames and field pictures are 720 or 704 wide.
 *
 * Two-buffer conversions write a separate destination; one-buffer conversions work inside the
 * memory they are given (PAL to NTSC for every layout, NTSC to PAL for UYVY only).
 */
#ifndef PELFORGE_IMG_PNCHANGE_H_
#define PELFORGE_IMG_PNCHANGE_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, 0xC2A00001 upwards. */
/* clang-format off */
#define PF_IMG_PNCHANGE_ERRORS(X)                                                                  \
  X(INIT_POINTER) X(HANDLE_MEM_MALLOC) X(SRCWIDTH_UNEQUAL_TO_D1_WIDTH)                             \
  X(DSTWIDTH_UNEQUAL_TO_D1_WIDTH) X(SRCHEIGHT_UNEQUAL_TO_D1_HEIGHT)                                \
  X(DSTHEIGHT_UNEQUAL_TO_D1_HEIGHT) X(SRCYSTRIDE_ILLEGAL) X(SRCUVSTRIDE_ILLEGAL)                   \
  X(DSTYSTRIDE_ILLEGAL) X(DSTUVSTRIDE_ILLEGAL) X(SRCYUVTYPE_UNEQUAL_TO_DSTYUVTYPE)                 \
  X(SRCYUVTYPE_ILLEGAL) X(DSTYUVTYPE_ILLEGAL) X(SRCIMAGETYPE_UNEQUAL_TO_FIELD_FORMAT)              \
  X(DSTIMAGETYPE_UNEQUAL_TO_FIELD_FORMAT) X(SRCTVFORMAT_EQUAL_TO_DSTTVFORMAT)                      \
  X(SRCTVFORMAT_ILLEGAL) X(DSTTVFORMAT_ILLEGAL) X(BUFFER_USE_ILLEGAL)                              \
  X(YUV422_ONE_BUFFER_P_TO_N_UNREALIZED) X(YUV420_ONE_BUFFER_N_TO_P_UNREALIZED)                    \
  X(YUV420_TWO_BUFFER_P_TO_N_UNREALIZED) X(INPUT_POINTER) X(INPUT_DATA_POINTER)                    \
  X(OUTPUT_DATA_POINTER) X(CLOSE_POINTER) X(CLOSE_MEM_POINTER) X(SETPARAM_POINTER)                 \
  X(GET_VERSION_POINTER) X(GET_VERSION_VERLEN_POINTER) X(VERSION_BUFLEN_TOO_SHORT)                 \
  X(STATUS_POINTER) X(MALLOC_FAST_SCRATCH) X(GET_DMA_HANDLE) X(ANALYZE_ERROR_CODE_HANDLE) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_PNCHANGE_SELF_##name,
enum { ERR_IMG_PNCHANGE_SELF_BASE_ = 0xC2A00000u, PF_IMG_PNCHANGE_ERRORS(PF_X) };
#undef PF_X

#define PF_TV_PAL 'P'  /**< 576 lines */
#define PF_TV_NTSC 'N' /**< 480 lines */

#define PF_PN_TWO_BUFFERS 0 /**< the destination is a separate picture */
#define PF_PN_ONE_BUFFER 1  /**< the destination may share the source's memory */

/**
 * Parameter record of Open and SetParam; GetStatus returns it. Each side's height must be the
 * one its standard has (576 for 'P', 480 for 'N'): the conversions read and write exactly those
 * lines.
 */
typedef struct tImagePNChangeParam {
  int32_t s32SrcWidth;     /**< 720 or 704 (ERR_IMG_PNCHANGE_SELF_SRCWIDTH_UNEQUAL_TO_D1_WIDTH);
                                UYVY: 720 */
  int32_t s32SrcHeight;    /**< 576 or 480 (ERR_IMG_PNCHANGE_SELF_SRCHEIGHT_UNEQUAL_TO_D1_HEIGHT) */
  int32_t s32SrcYStride;   /**< >= width (ERR_IMG_PNCHANGE_SELF_SRCYSTRIDE_ILLEGAL) */
  int32_t s32SrcUVStride;  /**< 4:2:0: s32SrcYStride / 2 (ERR_IMG_PNCHANGE_SELF_SRCUVSTRIDE_ILLEGAL)
                            */
  int32_t s32SrcYuvType;   /**< PF_YUV_420 or PF_YUV_UYVY, as the destination's
                                (ERR_IMG_PNCHANGE_SELF_SRCYUVTYPE_ILLEGAL) */
  int32_t s32SrcImageType; /**< PF_IMAGE_FRAME, or PF_IMAGE_FIELD for 4:2:0
                                (ERR_IMG_PNCHANGE_SELF_SRCIMAGETYPE_UNEQUAL_TO_FIELD_FORMAT) */
  uint8_t u8SrcTvFormat; /**< PF_TV_PAL or PF_TV_NTSC (ERR_IMG_PNCHANGE_SELF_SRCTVFORMAT_ILLEGAL) */
  uint8_t au8Reserved[3]; /**< not read */
  int32_t s32DstWidth;    /**< as s32SrcWidth, with the DST codes */
  int32_t s32DstHeight;
  int32_t s32DstYStride;
  int32_t s32DstUVStride;
  int32_t s32DstYuvType;
  int32_t s32DstImageType;
  uint8_t u8DstTvFormat; /**< the other standard
                          * (ERR_IMG_PNCHANGE_SELF_SRCTVFORMAT_EQUAL_TO_DSTTVFORMAT)
                          */
  uint8_t u8BufferUse;   /**< PF_PN_TWO_BUFFERS or PF_PN_ONE_BUFFER
                              (ERR_IMG_PNCHANGE_SELF_BUFFER_USE_ILLEGAL) */
} tImagePNChangeParam;

/** Source and destination records of Process: the plane pointers (UYVY uses pu8Y only). */
typedef struct tImagePNChangePicture {
  uint8_t* pu8Y;
  uint8_t* pu8U;
  uint8_t* pu8V;
} tImagePNChangePicture;

/*
 * Entry points. Open: (out handle, const tImagePNChangeParam*, memory handle). Process: (handle,
 * const tImagePNChangePicture* source, const tImagePNChangePicture* destination). GetStatus
 * fills a tImagePNChangeParam. GetMemSize reports 160. Debug does nothing.
 */
PF_API uint32_t ImagePNChangeOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImagePNChangeProcess_c(void* hHandle, void* pInput, void* pOutput);
PF_API uint32_t ImagePNChangeClose_c(void* hHandle);
PF_API uint32_t ImagePNChangeSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImagePNChangeGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImagePNChangeGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImagePNChangeAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImagePNChangeDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImagePNChangeGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API void ImagePNChangeGlobalInit(void);
PF_API void ImagePNChangeMMXFunctions(void);
PF_API void ImagePNChangeSSE2Functions(void);
PF_API void ImagePNChangeSSSE3Functions(void);
PF_API void ImagePNChangeSSE4Functions(void);

/*
 * Kernels: (source planes, destination planes). Lines are the picture's width apart (1440 bytes
 * for UYVY, 720 or 704 for luma, half that for chroma), whatever stride the caller's record
 * names; the 4CIF kernels are the 704-wide ones. L = 48 luma (24 chroma) lines per frame, 24 (12)
 * per field of a field picture, whose second field starts after the first field's lines of the
 * same picture.
 *
 *   P to N: destination line y of each field (or the frame) = source line y + L.
 *   N to P: destination lines 0 .. L - 1 and the last L lines are black; line L + y = source
 *           line y. Black is 16 for Y, 128 for U and V, and bytes 128 16 128 16 for UYVY.
 *
 * Every line is moved as memmove would move it. The P-to-N kernels go forward, plane by plane
 * (Y, U, V), so a destination line at or before its source line never overwrites a line still
 * to be read; D1YUV422FrameNToPOneBuffer moves lines from the last one backwards and paints the
 * black bands afterwards. The one-buffer kernels therefore convert in place (destination planes
 * equal to the source planes), and P to N also into a packed repacking of the same buffer.
 * The two-buffer kernels paint the top band, move the lines, then paint the bottom band.
 * Every _sse2 kernel computes exactly what its _c twin computes.
 */
typedef void (*tPNChangeKernel)(const tImagePNChangePicture* ptSrc,
                                const tImagePNChangePicture* ptDst);

/* clang-format off */
#define PF_PNCHANGE_KERNELS(X)                                                                     \
  X(D1YUV422FrameNToPTwoBuffer) X(D1YUV422FrameNToPOneBuffer) X(D1YUV422FramePToNTwoBuffer)        \
  X(D1YUV422FramePToNOneBuffer) X(D1YUV420FieldPToNOneBuffer) X(D1YUV420FramePToNOneBuffer)        \
  X(D1YUV420FieldNToPTwoBuffer) X(D1YUV420FrameNToPTwoBuffer) X(YUV420Field4CIFPToNOneBuffer)      \
  X(YUV420Frame4CIFPToNOneBuffer) X(YUV420Field4CIFNToPTwoBuffer) X(YUV420Frame4CIFNToPTwoBuffer)
/* clang-format on */

#define PF_X(name)                                                                              \
  PF_API extern tPNChangeKernel name;                                                           \
  PF_API void name##_c(const tImagePNChangePicture* ptSrc, const tImagePNChangePicture* ptDst); \
  PF_API void name##_sse2(const tImagePNChangePicture* ptSrc, const tImagePNChangePicture* ptDst);
PF_PNCHANGE_KERNELS(PF_X)
#undef PF_X

PF_API extern const tImgProcFuncList tImagePNChangeFunc;
/** The module's descriptor (id 13) and the pointer to it in section ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_PNChange;
PF_API extern const tImgProcDesc* const ptImgProc_PNChange;
PF_API extern const char* const pas8ImagePNChangeAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_PNCHANGE_H_ */
