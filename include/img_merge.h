/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * Multi-picture merge (module id 6): composes up to 64 planar 4:2:0 pictures into one
 * background picture in one of 22 fixed window layouts (styles), at 352x288, 704x576, 704x480,
 * 720x576, 720x480, 768x768, 1024x768, 1024x800 or 1280x800. Every picture must already have the
 * size of its window: the module copies whole lines, converting between frame and field storage
 * on the way, and never scales. It fills the background bands of the styles that leave parts of
 * the picture uncovered, optionally fills empty windows, then draws the boundary lines between
 * the windows and a focus frame inside chosen windows. Every fill goes through a private banner
 * instance (img_banner.h), so colours are given as R, G, B and converted by the banner's rule.
 */
#ifndef PELFORGE_IMG_MERGE_H_
#define PELFORGE_IMG_MERGE_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, 0xC0800001 upwards. CHECK_INPUT and MALLOC_FAST_SCRATCH are named
 * but never returned. Codes of the private banner instance (0xC1400023 upwards) come back
 * unchanged from Open and are named by ImgMergeAnalyzeErrorCode_c too. */
/* clang-format off */
#define PF_IMG_MERGE_ERRORS(X)                                                                     \
  X(OPEN_INPUT_POINTER) X(OPEN_MALLOC) X(SETPARAM_INPUT_POINTER) X(PROCESS_INPUT_POINTER)          \
  X(PROCESS_OUTPUT_POINTER_YUV) X(PROCESS_INPUT_POINTER_YUV) X(CLOSE_INPUT_POINTER)                \
  X(CLOSE_MEMHANDLE_POINTER) X(CLOSE_FREE) X(VERSION_INPUT_POINTER) X(VERSION_LEN) X(CHECK_INPUT)  \
  X(CHECK_MERGE_STYLE) X(CHECK_BG_SIZE) X(CHECK_BOUNDARYWIDTH) X(CHECK_PARAM_FG) X(CHECK_FG_SIZE)  \
  X(STATUS_INPUT_POINTER) X(MALLOC_FAST_SCRATCH) X(GET_DMA_HANDLE) X(BG_STYLE)                     \
  X(ANALYZE_ERROR_CODE_HANDLE) X(GETMEMSIZE_PARAM_POINTER) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_MERGE_##name,
enum { ERR_IMG_MERGE_BASE_ = 0xC0800000u, PF_IMG_MERGE_ERRORS(PF_X) };
#undef PF_X

/** Window slots of a parameter record; a style reads the first PF_MERGE_WINDOW_COUNT(style). */
#define PF_MERGE_MAX_WINDOWS 64
/** Styles 0 .. PF_MERGE_STYLE_COUNT - 1. */
#define PF_MERGE_STYLE_COUNT 23
/** Entries of ImgMergeProcess_c's picture array: 64 Y, 64 U, 64 V, then the output Y, U, V. */
#define PF_MERGE_PICTURE_ENTRIES 195
#define PF_MERGE_OUTPUT_Y 192

/**
 * The styles and the window sizes they ask for (W x H the background; divisions truncate;
 * T_W = W/3 and T_H = H/3 rounded down to even):
 *   0 none (no window; the boundary is the 8x8 grid)   1 full: W x H
 *   2 VTow: 2 of W/2 x H/2                            3 ITow: W x H and T_W x T_H inside it
 *   4 Three: 3 of W/2 x H/2                           5 Four: 4 of W/2 x H/2
 *   6 SFour: (W-T_W) x (H-T_H), 3 of T_W x T_H        7 Six: 2T_W x 2T_H, 5 of T_W x T_H
 *                                                       (windows 4 and 5 are 120 wide at W 352)
 *   8 Seven: 3 of W/2 x H/2, 4 of W/4 x H/4           9 Eight: 3W/4 x 3H/4, 7 of W/4 x H/4
 *  10 Nine: 9 of T_W x T_H                           11 Ten: windows 1 and 6 W/2 x H/2, 8 of W/4 x
 * H/4 12 Ten_2_8: 2 of W/2 x H/2, 8 of W/4 x H/4        13 Ten_1_9: 4W/5 x (4(H/5) - 4), 9 of W/5 x
 * (H/5 - 1) 14 Twelve: 5W/6 x 5H/6, 11 of W/6 x H/6           15 Thirteen: W/2 x H/2, 12 of W/4 x
 * H/4 16 Fourteen: 6(W/7) x 6(H/7), 13 of W/7 x H/7     17 Sixteen: 16 of W/4 x H/4 18
 * Sixteen_1_15: 7W/8 x 7H/8, 15 of W/8 x H/8     19..22: 5x5, 6x6, 7x7, 8x8 grids of W/k x H/k then
 * corrected to the sizes the layouts are drawn for: of the widths 360, 180, 236/232, 116, 117, 586,
 * 563, 540, 96 (not in style 22) and the heights 115, 563, 95 the first that matches becomes 352,
 * 176, 240, 112, 116, 580, 560, 528, 88, 114, 564, 96; then height 380 becomes 384 and height 80
 * becomes 72 (not in styles 14 and 20). Window 0 (in a window record's number) is sized like the
 * windows other than window 1.
 *
 * A style without a layout at the chosen size (such as Seven at 352x288) is refused by Open and
 * SetParam with ERR_IMG_MERGE_BG_STYLE; ImgMergeGetMemSize_c still answers for it.
 */
typedef struct tImgMergeWindow {
  uint32_t u32Width;     /**< picture width; must equal the window's corrected width */
  uint32_t u32Height;    /**< picture height; must equal the window's corrected height */
  uint32_t u32ImageType; /**< PF_IMAGE_FRAME or PF_IMAGE_FIELD; others copy nothing */
  uint32_t u32YuvType;   /**< must be PF_YUV_420 */
  uint8_t u8Focus;       /**< 1: a focus frame is drawn inside this window */
  uint8_t u8FocusR;      /**< focus frame colour */
  uint8_t u8FocusG;
  uint8_t u8FocusB;
  uint8_t u8Reserved; /**< not read; GetStatus leaves it as the caller's record has it */
  uint8_t u8WindowNo; /**< 1-based window (in the style's numbering) this picture occupies */
  uint8_t u8Empty;    /**< 1: the slot carries no picture and is not checked */
} tImgMergeWindow;

/** Parameter record of Open, SetParam and GetMemSize; GetStatus fills it back. */
typedef struct tImgMergeParam {
  uint16_t u16MergeStyle; /**< 0 .. 22 (CHECK_MERGE_STYLE) */
  uint32_t u32BgWidth;    /**< background size, one of the nine (CHECK_BG_SIZE) */
  uint32_t u32BgHeight;
  uint32_t u32ImageType; /**< storage of the background: PF_IMAGE_FRAME or PF_IMAGE_FIELD */
  uint32_t u32YuvType;   /**< PF_YUV_420; handed to the banner, which paints the fills */
  uint8_t u8BgR;         /**< background colour (bands, empty windows) */
  uint8_t u8BgG;
  uint8_t u8BgB;
  uint8_t u8BoundaryR; /**< boundary line colour */
  uint8_t u8BoundaryG;
  uint8_t u8BoundaryB;
  uint8_t u8BoundaryWidth; /**< even, 0 .. 24 (CHECK_BOUNDARYWIDTH); 0: 2 at 352x288, else 4 */
  uint8_t u8FillEmpty;     /**< 1: slots marked empty are filled with the background colour */
  uint8_t u8DrawBoundary;  /**< 1: boundary lines are drawn */
  uint8_t u8DrawFocus;     /**< 1: focus frames are drawn for windows whose u8Focus is 1 */
  tImgMergeWindow atWindow[PF_MERGE_MAX_WINDOWS]; /**< slot i: picture i of Process */
} tImgMergeParam;

/**
 * Copy kernel: copies one window picture into the background at window origin (s32X, s32Y),
 * given in frame coordinates. Destination: planes pu8Dst[0..2] of a s32DstWidth x s32DstHeight
 * 4:2:0 picture (pitches W and W/2), or for the 422 kernels one packed plane (pitch 2W bytes).
 * Source: planes pu8Src[0..2] of a s32SrcWidth x s32SrcHeight picture with luma pitch
 * s32SrcPitch (chroma pitch s32SrcPitch / 2; packed: 2 x s32SrcPitch bytes).
 *
 * Lines go in pairs: h/2 luma iterations of two lines and h/4 chroma iterations of two chroma
 * lines, so an odd last luma line is not copied, nor, when the destination is a frame, the last
 * chroma line of a height that is 2 more than a multiple of 4. In a field picture (all lines of
 * the first field, then all of the second) the window starts at field line s32Y/2 (chroma
 * s32Y/4) of each field. Field to frame puts first-field lines on even and second-field lines on
 * odd lines; frame to field the other way round. Lines and columns that would fall outside the
 * destination (or outside their field) are not written.
 */
typedef void (*tMergePictureKernel)(uint8_t* const pu8Dst[3], int32_t s32DstWidth,
                                    int32_t s32DstHeight, const uint8_t* const pu8Src[3],
                                    int32_t s32SrcWidth, int32_t s32SrcHeight, int32_t s32SrcPitch,
                                    int32_t s32Y, int32_t s32X);

/* The copy kernels through their pointers (scalar; the module has no SIMD variants). The
 * picture-insertion module shares them. */
PF_API extern tMergePictureKernel MergePictureFrame420;
PF_API extern tMergePictureKernel MergePictureField420;
PF_API extern tMergePictureKernel MergePictureFieldFrame420;
PF_API extern tMergePictureKernel MergePictureFrameField420;
PF_API extern tMergePictureKernel MergePictureFrame422;
PF_API extern tMergePictureKernel MergePictureField422;
PF_API extern tMergePictureKernel MergePictureFieldFrame422;
PF_API extern tMergePictureKernel MergePictureFrameField422;

#define PF_MERGE_KERNEL_ARGS                                                     \
  uint8_t *const pu8Dst[3], int32_t s32DstWidth, int32_t s32DstHeight,           \
      const uint8_t *const pu8Src[3], int32_t s32SrcWidth, int32_t s32SrcHeight, \
      int32_t s32SrcPitch, int32_t s32Y, int32_t s32X
PF_API void MergePictureFrame420_c(PF_MERGE_KERNEL_ARGS);
PF_API void MergePictureField420_c(PF_MERGE_KERNEL_ARGS);
PF_API void MergePictureFieldFrame420_c(PF_MERGE_KERNEL_ARGS);
PF_API void MergePictureFrameField420_c(PF_MERGE_KERNEL_ARGS);
PF_API void MergePictureFrame422_c(PF_MERGE_KERNEL_ARGS);
PF_API void MergePictureField422_c(PF_MERGE_KERNEL_ARGS);
PF_API void MergePictureFieldFrame422_c(PF_MERGE_KERNEL_ARGS);
PF_API void MergePictureFrameField422_c(PF_MERGE_KERNEL_ARGS);
#undef PF_MERGE_KERNEL_ARGS

/**
 * Top-left corner of window `s32WindowNo` (1-based) of a style at a resolution index (0 352x288,
 * 1 720x576, 2 720x480, 3 768x768, 4 1024x768, 5 1024x800, 6 1280x800, 7 704x576, 8 704x480).
 * Styles outside 1..21 use the 8x8 grid. Returns 1 when the style has a layout at that size, 0
 * when it has none; window numbers outside 1..count(style) and indexes outside 0..8 give 0 too.
 * The corner is (0, 0) whenever 0 is returned.
 */
PF_API int32_t GetFgPosition(int32_t s32Style, int32_t s32WindowNo, int32_t s32ResIndex,
                             int32_t* ps32X, int32_t* ps32Y);

/**
 * The rectangle of window `s32WindowNo` of a style on a s32BgWidth x s32BgHeight background: the
 * corner from GetFgPosition and the corrected size the window's picture must have. Returns 0
 * when the size is not one of the nine or the style has no layout there; 1 otherwise. Hosts use
 * it to size (or scale) the pictures they hand to Process.
 */
PF_API int32_t ImgMergeGetWindowRect(int32_t s32Style, int32_t s32WindowNo, int32_t s32BgWidth,
                                     int32_t s32BgHeight, int32_t* ps32X, int32_t* ps32Y,
                                     int32_t* ps32Width, int32_t* ps32Height);

/*
 * Entry points. Open: (out handle, const tImgMergeParam*, memory handle); it opens the private
 * banner instance, whose codes it returns unchanged. Process: (handle, uint8_t* pictures[195],
 * context). Slot i's picture is pictures[i] (Y), pictures[64 + i] (U), pictures[128 + i] (V);
 * with U or V null the planes follow Y in one buffer (U at w*h, V at 5*w*h/4). The output is
 * pictures[192..194], chroma likewise derived from Y when U or V is null. The context must be
 * non-null and is not read. Process fails only on its pointer checks: null handle, array or
 * context (PROCESS_INPUT_POINTER), null output Y (PROCESS_OUTPUT_POINTER_YUV), a null Y for a
 * slot that is not empty (PROCESS_INPUT_POINTER_YUV); nothing is drawn then. GetStatus writes
 * the header and the first count(style) window records (their u8Reserved left alone).
 * GetMemSize validates like Open and reports the banner's size plus 3704 bytes. Debug does
 * nothing.
 */
PF_API uint32_t ImgMergeOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImgMergeProcess_c(void* hHandle, void* pPictures, void* pContext);
PF_API uint32_t ImgMergeClose_c(void* hHandle);
PF_API uint32_t ImgMergeSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImgMergeGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImgMergeGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImgMergeAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImgMergeDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImgMergeGetMemSize_c(const void* pParam, uint32_t* pu32Size);

/** Window count of each style (index: style). */
PF_API extern const int32_t al32FgNum[PF_MERGE_STYLE_COUNT];

PF_API extern const tImgProcFuncList tImageMergeFunc;
/** The module's descriptor ("IMG_MERGE", id 6) and the pointer to it in section ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_Merge;
PF_API extern const tImgProcDesc* const ptImgProc_Merge;
PF_API extern const char* const pas8ImageMergeSelfAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_MERGE_H_ */
