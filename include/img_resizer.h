/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * The resizer (module id 24, "IMG_RESIZER"): cuts a rectangle out of a source picture, scales or
 * converts it into a rectangle of the destination, paints a coloured border around it and leaves
 * an offset area of the destination untouched. It converts between the YUV types and between
 * frame, field-picture and interlaced storage on the way, choosing one kernel at Open/SetParam.
 *
 * Destination, horizontally (vertically the same with top and bottom):
 *   offset left | fill left | scaled picture | fill right | offset right
 */
#ifndef PELFORGE_IMG_RESIZER_H_
#define PELFORGE_IMG_RESIZER_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, 0xC6A00001 upwards. */
/* clang-format off */
#define PF_IMAGE_RESIZER_ERRORS(X)                                                            \
  X(SELF_INIT_POINTER) X(SELF_SETPARAM_POINTER) X(SELF_HANDLE_MEM_MALLOC)                     \
  X(SELF_SRCWIDTH_ILLEGAL) X(SELF_SRCHEIGHT_ILLEGAL) X(SELF_SRCSTRIDE_ILLEGAL)                \
  X(SELF_SRCYUVTYPE_ILLEGAL) X(SELF_SRCIMAGETYPE_ILLEGAL) X(SELF_DSTWIDTH_ILLEGAL)            \
  X(SELF_DSTHEIGHT_ILLEGAL) X(SELF_DSTSTRIDE_ILLEGAL) X(SELF_DSTYUVTYPE_ILLEGAL)              \
  X(SELF_DSTIMAGETYPE_ILLEGAL) X(SELF_INPUT_POINTER) X(SELF_INPUT_DATA_POINTER)               \
  X(SELF_OUTPUT_DATA_POINTER) X(SELF_INPUT_OUTPUT_POINTER_SAME)                               \
  X(SELF_VERSION_BUFLEN_TOO_SHORT) X(SELF_CLOSE_POINTER) X(SELF_CLOSE_MEM_POINTER)            \
  X(SELF_GET_VERSION_POINTER) X(SELF_GET_VERSION_VERLEN_POINTER) X(SELF_STATUS_POINTER)       \
  X(GETMEMSIZE_INPUT_POINTER) X(FAST_SCRATCH_MEM_MALLOC) X(FILLLINE_ILLEGAL)                  \
  X(FILLPOINT_ILLEGAL) X(CUTLINE_ILLEGAL) X(CUTPOINT_ILLEGAL) X(YCOLOR_ILLEGAL)               \
  X(UCOLOR_ILLEGAL) X(VCOLOR_ILLEGAL) X(420TO420_YUVTYPE_ILLEGAL) X(420TO422_YUVTYPE_ILLEGAL) \
  X(422TO420_YUVTYPE_ILLEGAL) X(422TO422_YUVTYPE_ILLEGAL) X(420TO422P_YUVTYPE_ILLEGAL)        \
  X(422PTO420_YUVTYPE_ILLEGAL) X(422PTO422P_YUVTYPE_ILLEGAL) X(YUYVTO420_YUVTYPE_ILLEGAL)     \
  X(420TOYUYV_YUVTYPE_ILLEGAL) X(NV12TO420_YUVTYPE_ILLEGAL) X(420TONV12_YUVTYPE_ILLEGAL)      \
  X(YUVTYPE_ILLEGAL) X(GET_DMA_HANDLE) X(SELF_ANALYZE_ERROR_CODE_HANDLE)                      \
  X(C674X_SELF_SRCWIDTH_ILLEGAL) X(C674X_SELF_DSTWIDTH_ILLEGAL) X(NV12TONV12_YUVTYPE_ILLEGAL) \
  X(YUYVTOYUYV_YUVTYPE_ILLEGAL) X(YUYVTONV12_YUVTYPE_ILLEGAL) X(NV21TO420_YUVTYPE_ILLEGAL)    \
  X(420TONV21_YUVTYPE_ILLEGAL) X(NV12TONV21_YUVTYPE_ILLEGAL) X(NV21TONV12_YUVTYPE_ILLEGAL)    \
  X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_RESIZER_##name,
enum { ERR_IMG_RESIZER_BASE_ = 0xC6A00000u, PF_IMAGE_RESIZER_ERRORS(PF_X) };
#undef PF_X

/** Extension record: nearest-neighbour scaling where the resizer offers it. */
#define PF_RESIZER_EXTENSION_MAGIC 0xAAAAu
#define PF_RESIZER_MODE_NEAREST 0x5555u

typedef struct tResizerExtension {
  uint32_t u32Magic; /**< PF_RESIZER_EXTENSION_MAGIC, or the record is ignored */
  uint32_t u32Mode;  /**< PF_RESIZER_MODE_NEAREST; any other value means bilinear */
} tResizerExtension;

/**
 * Parameter record of Open, SetParam and GetStatus. SW = width - cuts left and right and
 * SH = height - cuts top and bottom give the source rectangle; DW = destination width - offsets
 * - fills, DH likewise, the scaled picture. Cut, offset and fill counts are even.
 */
typedef struct tImageResizerParam {
  int32_t s32SrcWidth;       /**< whole source width, >= 1, even; SW <= 49152 or 12288 (below) */
  int32_t s32SrcHeight;      /**< whole source height, 1..32767, even; x4 for field pictures */
  uint32_t u32SrcYuvType;    /**< PF_YUV_ code, else ERR_IMG_RESIZER_SELF_SRCYUVTYPE_ILLEGAL */
  uint32_t u32SrcImageType;  /**< PF_IMAGE_ code, else ERR_IMG_RESIZER_SELF_SRCIMAGETYPE_ILLEGAL */
  int32_t s32CutTop;         /**< source lines dropped at the top; x4 for 4:2:0 field sources */
  int32_t s32CutBottom;      /**< source lines dropped at the bottom; likewise */
  int32_t s32CutLeft;        /**< source pixels dropped at the left */
  int32_t s32CutRight;       /**< source pixels dropped at the right */
  uint32_t au32Reserved1[2]; /**< not read */
  int32_t s32DstWidth;       /**< whole destination width, >= 1, even */
  int32_t s32DstHeight;      /**< whole destination height, >= 1, even; x4 for field pictures */
  uint32_t u32DstYuvType;    /**< PF_YUV_ code, else ERR_IMG_RESIZER_SELF_DSTYUVTYPE_ILLEGAL */
  uint32_t u32DstImageType;  /**< PF_IMAGE_ code, else ERR_IMG_RESIZER_SELF_DSTIMAGETYPE_ILLEGAL */
  int32_t s32OffsetTop;      /**< destination lines above the output area, never written */
  int32_t s32OffsetBottom;   /**< destination lines below the output area, never written */
  int32_t s32OffsetLeft;     /**< destination pixels left of the output area, never written */
  int32_t s32OffsetRight;    /**< destination pixels right of the output area, never written */
  int32_t s32FillTop;        /**< lines painted in the fill colour above the picture */
  int32_t s32FillBottom;     /**< lines painted below it */
  int32_t s32FillLeft;       /**< pixels painted left of it */
  int32_t s32FillRight;      /**< pixels painted right of it */
  uint32_t u32FillY;         /**< fill colour Y, 0..255, else ERR_IMG_RESIZER_YCOLOR_ILLEGAL */
  uint32_t u32FillU;         /**< fill colour U, 0..255, else ERR_IMG_RESIZER_UCOLOR_ILLEGAL */
  uint32_t u32FillV;         /**< fill colour V, 0..255, else ERR_IMG_RESIZER_VCOLOR_ILLEGAL */
  uint32_t au32Reserved2[5]; /**< not read */
  const tResizerExtension* pExtension; /**< null, or the extension record (kept by pointer) */
} tImageResizerParam;

/**
 * What every resizer kernel receives. Kernels may change fields while they run (halving heights
 * for field processing) and restore them before they return.
 */
typedef struct tResizerGeometry {
  uint32_t u32SrcWidth;  /**< SW */
  uint32_t u32SrcHeight; /**< SH */
  uint32_t u32SrcYuvType;
  uint32_t u32SrcImageType;
  uint32_t u32CutTop;
  uint32_t u32CutBottom;
  uint32_t u32CutLeft;
  uint32_t u32CutRight;
  uint32_t u32DstWidth;  /**< DW */
  uint32_t u32DstHeight; /**< DH */
  uint32_t u32DstYuvType;
  uint32_t u32DstImageType;
  uint32_t u32OffsetTop;
  uint32_t u32OffsetBottom;
  uint32_t u32OffsetLeft;
  uint32_t u32OffsetRight;
  uint32_t u32FillTop;
  uint32_t u32FillBottom;
  uint32_t u32FillLeft;
  uint32_t u32FillRight;
  uint32_t u32FillY;
  uint32_t u32FillU;
  uint32_t u32FillV;
  uint32_t u32MeanY; /**< previous picture's mean Y, for the D1 scene-change flag; 0 after Open */
  uint32_t u32MeanU; /**< previous mean U */
  uint32_t u32MeanV; /**< previous mean V */
} tResizerGeometry;

/**
 * Resizer kernel: (pointer to the instance's fast-scratch field, geometry, source picture,
 * destination picture). The pictures' plane pointers address the cut origin of the source and
 * the fill origin of the destination.
 */
typedef void (*tResizerKernel)(void** ppvFastScratch, tResizerGeometry* ptGeometry,
                               tImgPicture* ptSrc, tImgPicture* ptDst);

/* The parameter list of every kernel of that type, for declaring them. */
#define PF_RESIZER_KERNEL_ARGS \
  void **ppvFastScratch, tResizerGeometry *ptGeometry, tImgPicture *ptSrc, tImgPicture *ptDst

/** The instance behind a resizer handle, for hosts and debuggers that read it. */
typedef struct tImageResizerInstance {
  void* hMem;                           /**< memory handle given to Open */
  tResizerKernel pfnKernel;             /**< kernel chosen at Open/SetParam */
  void* pvFastScratch;                  /**< PF_FAST_SCRATCH_BYTES of line buffers */
  void* hDma;                           /**< DMA handle */
  tResizerGeometry tGeometry;           /**< what the kernel receives */
  const tResizerExtension* ptExtension; /**< as given */
  uint32_t u32ExtensionMode;            /**< the extension's mode found at Open, else 0 */
} tImageResizerInstance;

/* Entry points. Open: (out handle, const tImageResizerParam*, memory handle). Process:
 * (handle, tImgPicture* source, tImgPicture* destination); the destination record's first spare
 * field receives the scene-change flag of the D1 conversions. GetStatus fills a
 * tImageResizerParam. GetMemSize reports 176. */
PF_API uint32_t ImageResizerOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImageResizerProcess_c(void* hHandle, void* pSrc, void* pDst);
PF_API uint32_t ImageResizerClose_c(void* hHandle);
PF_API uint32_t ImageResizerSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImageResizerGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImageResizerGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImageResizerAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImageResizerDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImageResizerGetMemSize_c(const void* pParam, uint32_t* pu32Size);

/** The validation Open and SetParam share: 0 or the first failing field's code. */
PF_API uint32_t ImageResizerCheckParam(const tImageResizerParam* ptParam);
/** The kernel choice Open and SetParam share, on the instance's geometry and extension mode. */
PF_API uint32_t SelectResizerFunc(tImageResizerInstance* ptInstance);

PF_API void ImageResizerGlobalInit(void);
PF_API void ImageResizerMMXFunctions(void);
PF_API void ImageResizerSSE2Functions(void);
PF_API void ImageResizerSSSE3Functions(void);
PF_API void ImageResizerSSE4Functions(void);

PF_API extern const tImgProcFuncList tImageResizerFunc;
/** The module's descriptor ("IMG_RESIZER", id 24) and the pointer to it in section ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_Resizer;
PF_API extern const tImgProcDesc* const ptImgProc_Resizer;
PF_API extern const char* const pas8ImageResizerSelfAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#include "img_resizer_kernels.h"
#include "img_resizer_simd.h"

#endif /* PELFORGE_IMG_RESIZER_H_ */
