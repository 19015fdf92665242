/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * Motion detection (module id 38, "IMG_MOTION_DETECT"): compares the luma of each picture with
 * the luma of the picture before it and answers, per call, whether anything moved inside one of
 * up to 16 watch areas.
 *
 * Per pixel, with the current sample c, the previous sample r and the remembered class s
 * (-100, 0 or 100): d = c - r; the class q is 100 when d > T, -100 when d < -T, else 0. When
 * s = q the memory returns to 0 and the raw motion cell is |q|; otherwise the memory becomes q
 * and the cell is 100. A pixel that brightens and stays bright is thus reported on two pictures
 * and then forgotten, and noise that flickers back and forth keeps being reported only while it
 * flickers. A 3 x 4 majority filter (at least 7 of 12 cells set) removes isolated cells, and an
 * area raises the alarm when its count of filtered cells exceeds the area threshold A. T and A
 * come from two tables indexed by sensitivity (1..5) and fine tune (-10..10).
 *
 * Pictures of 720 or 704 x 576 are first reduced to their first field at half width (360 or 352
 * x 288, with BilinearZoom_c), and the areas and A are scaled to match.
 */
#ifndef PELFORGE_IMG_MOTIONSURVEIL_H_
#define PELFORGE_IMG_MOTIONSURVEIL_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, 0xC1E00001 upwards. Both spellings (MOTINO and MOTION) are part of
 * the names hosts match on. */
/* clang-format off */
#define PF_IMG_MOTIONSURVEIL_ERRORS(X)                                                             \
  X(MOTINOSURVEIL_SELF_INIT_POINTER) X(MOTINOSURVEIL_SELF_HANDLE_MEM_MALLOC)                       \
  X(MOTINOSURVEIL_SELF_STORE_PIC_MEM_MALLOC) X(MOTIONSURVEIL_SELF_WIDTH_ILLEGAL)                   \
  X(MOTIONSURVEIL_SELF_HEIGHT_ILLEGAL) X(MOTIONSURVEIL_SELF_YUVTYPE_ILLEGAL)                       \
  X(MOTIONSURVEIL_SELF_SURVEIL_NUM) X(MOTIONSURVEIL_SELF_SURVEIL_AREA)                             \
  X(MOTIONSURVEIL_SELF_SURVEIL_SENSITIVE) X(MOTIONSURVEIL_SELF_SURVEIL_FINE_TUNE)                  \
  X(MOTIONSURVEIL_SELF_INPUT_POINTER) X(MOTIONSURVEIL_SELF_INPUT_DATA_POINTER)                     \
  X(MOTIONSURVEIL_SELF_OUTPUT_DATA_POINTER) X(MOTIONSURVEIL_SELF_CLOSE_POINTER)                    \
  X(MOTIONSURVEIL_SELF_CLOSE_MEM_POINTER) X(MOTINOSURVEIL_SELF_SETPARAM_POINTER)                   \
  X(MOTIONSURVEIL_SELF_GET_VERSION_POINTER) X(MOTIONSURVEIL_SELF_GET_VERSION_VERLEN_POINTER)       \
  X(MOTIONSURVEIL_SELF_VERSION_BUFLEN_TOO_SHORT) X(MOTINOSURVEIL_SELF_STATUS_POINTER)              \
  X(MOTINOSURVEIL_SELF_MALLOC_FAST_SCRATCH) X(MOTINOSURVEIL_SELF_GET_DMA_HANDLE)                   \
  X(MOTINOSURVEIL_SELF_ANALYZE_ERROR_CODE_HANDLE) X(MOTIONSURVEIL_SELF_INTERLACE_ILLEGAL)          \
  X(MOTIONSURVEIL_SELF_GETMEMSIZE_PARAM_POINTER) X(MOTIONSURVEIL_SELF_TEMPLATE_IMG_MEM_MALLOC)     \
  X(MOTIONSURVEIL_SELF_FILTER_MEM_MALLOC) X(MOTINOSURVEIL_SELF_HANDLE_DEBUG)                       \
  X(MOTINOSURVEIL_DEBUG_MODULE) X(MOTIONSURVEIL_SELF_WIDTH_HEIGHT_OVER_INIT)                       \
  X(MOTINOSURVEIL_SELF_END)
/* clang-format on */

#define PF_X(name) ERR_IMG_##name,
enum { ERR_IMG_MOTIONSURVEIL_BASE_ = 0xC1E00000u, PF_IMG_MOTIONSURVEIL_ERRORS(PF_X) };
#undef PF_X

#define PF_MOTION_MAX_AREAS 16 /**< watch areas a parameter record holds */

/** A watch rectangle in luma pixels of the whole picture. */
typedef struct tMotionSurveilArea {
  int16_t s16Top;    /**< first line, 0..height (ERR_IMG_MOTIONSURVEIL_SELF_SURVEIL_AREA) */
  int16_t s16Left;   /**< first column, 0..width (same code) */
  int16_t s16Width;  /**< >= 0, s16Left + s16Width <= width (same code); 0 never alarms */
  int16_t s16Height; /**< >= 0, s16Top + s16Height <= height (same code); 0 never alarms */
} tMotionSurveilArea;

/** Parameter record of Open, SetParam and GetMemSize; GetStatus fills the same layout. */
typedef struct tImageMotionSurveilParam {
  int32_t s32Width;       /**< luma width and line stride, 1..12288, multiple of 8
                               (ERR_IMG_MOTIONSURVEIL_SELF_WIDTH_ILLEGAL) */
  int32_t s32Height;      /**< luma height of the whole frame, 1..6144
                               (ERR_IMG_MOTIONSURVEIL_SELF_HEIGHT_ILLEGAL) */
  int32_t s32YuvType;     /**< PF_YUV_420 only (ERR_IMG_MOTIONSURVEIL_SELF_YUVTYPE_ILLEGAL) */
  int32_t s32Interlace;   /**< 1 or 3: one picture of lines in display order; 2: the upper field's
                               lines, then the lower field's
                               (ERR_IMG_MOTIONSURVEIL_SELF_INTERLACE_ILLEGAL) */
  int32_t s32FineTune;    /**< -10..10 (ERR_IMG_MOTIONSURVEIL_SELF_SURVEIL_FINE_TUNE) */
  int16_t s16Sensitivity; /**< 1 (least) .. 5 (most sensitive)
                               (ERR_IMG_MOTIONSURVEIL_SELF_SURVEIL_SENSITIVE) */
  int16_t s16AreaNum;     /**< areas in use, 0..16 (ERR_IMG_MOTIONSURVEIL_SELF_SURVEIL_NUM) */
  tMotionSurveilArea atArea[PF_MOTION_MAX_AREAS]; /**< only the first s16AreaNum are read */
} tImageMotionSurveilParam;

/** Input record of Process. */
typedef struct tImageMotionSurveilInput {
  const uint8_t* pu8Y; /**< luma of the current picture, s32Width bytes per line
                            (null: ERR_IMG_MOTIONSURVEIL_SELF_INPUT_DATA_POINTER) */
  uint8_t* pu8Result;  /**< receives 1 when an area raised the alarm, else 0
                            (null: ERR_IMG_MOTIONSURVEIL_SELF_OUTPUT_DATA_POINTER) */
} tImageMotionSurveilInput;

struct tImageMotionSurveilInstance;

/** Detection kernel: classifies the instance's current picture and sets its result byte. */
typedef void (*tMotionSurveilKernel)(struct tImageMotionSurveilInstance* ptInstance);

/**
 * The instance behind a handle. Between calls pu8Map holds the filtered motion map of the last
 * picture in its first lines (s32Width x s32Height cells of 0 or 100; for 720/704 x 576 pictures
 * the reduced map, s32Width / 2 x s32Height / 2 cells, s32Width / 2 apart), which hosts may read
 * to show where something moved.
 */
typedef struct tImageMotionSurveilInstance {
  void* hMem;            /**< memory handle given to Open */
  void* pvFastScratch;   /**< PF_FAST_SCRATCH_BYTES, the scratch of the reducing scaler */
  void* hDma;            /**< DMA handle */
  uint8_t* pu8Reference; /**< width x height: the previous picture's luma (720/704 x 576: the
                              reduced current picture, then the reduced previous one) */
  int8_t* ps8State;      /**< width x height: remembered class per pixel, -100, 0 or 100 */
  uint8_t* pu8Map; /**< (height + 3) x width: raw map in lines 3.., filtered map in lines 0.. */
  const uint8_t* pu8Cur;               /**< current luma, set by each Process */
  uint8_t* pu8Result;                  /**< result byte, set by each Process */
  int32_t s32Width, s32Height;         /**< size in force */
  int32_t s32InitWidth, s32InitHeight; /**< size given to Open: the buffers' capacity */
  int32_t s32Interlace, s32InterlaceSaved;
  int32_t s32ReferenceValid; /**< 0 until a picture was stored; the next picture only primes */
  tMotionSurveilArea atArea[PF_MOTION_MAX_AREAS];
  int16_t s16PixelThreshold, s16AreaThreshold, s16AreaNum, s16Sensitivity, s16FineTune;
  tMotionSurveilKernel pfnKernel; /**< chosen at Open */
} tImageMotionSurveilInstance;

/*
 * Entry points. Open: (out handle, const tImageMotionSurveilParam*, memory handle). Process:
 * (handle, tImageMotionSurveilInput*, any non-null pointer): the first picture after Open or
 * after a SetParam that changed anything only primes the reference and reports 0. SetParam with
 * the values in force changes nothing; otherwise it may not exceed the size given to Open
 * (ERR_IMG_MOTIONSURVEIL_SELF_WIDTH_HEIGHT_OVER_INIT). Debug: (handle, text) with the text
 * "h=vid/enc/motionsurveil" and optional "pixelth=N" and "areath=N", which override the two
 * thresholds until the next SetParam. GetMemSize: width x (height + 3) + 2 x width x height + 272.
 */
PF_API uint32_t ImageMotionSurveilOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImageMotionSurveilProcess_c(void* hHandle, void* pInput, void* pOutput);
PF_API uint32_t ImageMotionSurveilClose_c(void* hHandle);
PF_API uint32_t ImageMotionSurveilSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImageMotionSurveilGetVersion_c(char* ps8Buf, int32_t s32BufLen,
                                               uint32_t* pu32TextLen);
PF_API uint32_t ImageMotionSurveilGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImageMotionSurveilAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen,
                                                     char* ps8Buf);
PF_API uint32_t ImageMotionSurveilDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImageMotionSurveilGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API void ImageMotionSurveilGlobalInit(void);
PF_API void ImageMotionSurveilMMXFunctions(void);
PF_API void ImageMotionSurveilSSE2Functions(void);
PF_API void ImageMotionSurveilSSSE3Functions(void);
PF_API void ImageMotionSurveilSSE4Functions(void);

/*
 * Threshold tables, 5 rows of 21 plus a trailing 0: the entry for sensitivity s and fine tune f
 * is [115 - 21 s + f]. The area threshold is divided by 4 for pictures of at most 352 x 288.
 */
PF_API extern const int16_t as16PixelTheshold[106];
PF_API extern const int16_t as16AreaThreshold[106];

/*
 * The detection kernel, on the instance's s32Width x s32Height picture at pu8Cur with reference
 * pu8Reference: sets *pu8Result to 0; on the first picture copies it to the reference, clears the
 * state and sets s32ReferenceValid; otherwise classifies every pixel (interlace 2: line i of the
 * upper half and line H/2 + i of the lower half become state and map lines 2i and 2i + 1; with an
 * odd height the last line is not classified and its map line is 0), replaces the reference,
 * filters the map (lines 0 and H - 1, columns 0 and W - 3 .. W - 1 are copied; every other cell is
 * 100 when more than 600 is the sum of the raw cells of lines y - 1 .. y + 1, columns x - 1 ..
 * x + 2) and sets *pu8Result to 1 at the first area, in order, whose count of cells >= 100 exceeds
 * s16AreaThreshold (signed). MotionSurveilBlock_c computes the same.
 */
PF_API extern tMotionSurveilKernel MotionSurveilBlock;
PF_API void MDModifiedTemporalDiff_c(tImageMotionSurveilInstance* ptInstance);
PF_API void MotionSurveilBlock_c(tImageMotionSurveilInstance* ptInstance);
/*
 * One detection step as Process runs it on an instance whose pu8Cur and pu8Result are set: the
 * reduction of 720/704 x 576 pictures, MDModifiedTemporalDiff_c, and the restoration of the
 * instance's size, areas and thresholds. Process does not call it through the pointer.
 */
PF_API extern tMotionSurveilKernel MotionSurveil;
PF_API void MotionSurveil_c(tImageMotionSurveilInstance* ptInstance);

PF_API extern const tImgProcFuncList tImageMotionSurveilFunc;
/** The module's descriptor (id 38) and the pointer to it in section ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_MotionSurveil;
PF_API extern const tImgProcDesc* const ptImgProc_MotionSurveil;
PF_API extern const char* const pas8ImageMotionSurveilAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_MOTIONSURVEIL_H_ */
