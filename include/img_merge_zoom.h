/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * Merge with zoom (module id 21, "IMG_MERGE_ZOOM"): composes up to 25 pictures of any size into
 * one background picture of any even size. The windows of a style are fractions of the
 * background (atMergePointstyle); every picture is scaled into its window by a private resizer
 * instance (img_resizer.h) in the window's own zoom style; bands the windows leave uncovered,
 * empty windows, focus frames and the border lines derived from the window edges are painted
 * with ImgDrawBanner (img_banner.h).
 *
 * Geometry, for a window x, y, w, h over the style's denominator d, border width b, background
 * W x H (integer divisions):
 *   left = W x / d, top = H y / d, right = W (x + w) / d, bottom = H (y + h) / d; right and
 *   bottom lose b on the background's right and bottom edge; all four rounded down to even.
 *   The picture area is (left + b, top + b), (right - left - b) x (bottom - top - b).
 * Border lines are the joined window edges (every edge for tilings, style codes 2xxxx; the
 * style's flags for codes 1xxxx), scaled the same way and drawn b wide in the border colour;
 * vertical lines reach b further down, so that the lines' corners close.
 * With field storage each field of the area gets (y / 2 + 1) rounded down to even as its top and
 * ((H - y - h) / 4) x 2 as its bottom margin, so the area covers frame rows from y and from
 * y + h rounded up to multiples of 4.
 *
 * Zoom styles, for an input w_s x h_s of display aspect aw:ah (0:0: w_s:h_s) in an area
 * w_a x h_a; "even" rounds down; sh and dh are the lines the resizer reads and writes per pass
 * (halved for field inputs and field storage):
 *   1 stretch: the whole input to the whole area.
 *   2 fit:     h_f = w_a ah / aw; h_f > h_a: bars left and right of even((w_a - h_a aw / ah) / 2
 *              + 1), else above and below of even((h_a - h_f) / 2 + 1) (/4 with field storage);
 *              bars Y 1, U 128, V 128.
 *   3 fill:    h_f >= h_a: even(((h_f - h_a) sh / h_f) / 2 + 1) lines cut at the top and the
 *              bottom, else with w_f = h_a aw / ah even(((w_f - w_a) w_s / w_f) / 2 + 1) columns
 *              cut left and right.
 *   4 centre:  no scaling: the larger side is cut, the smaller gets bars, even(diff / 2 + 1)
 *              left or above and even(diff / 2) right or below, per pass.
 *   5 auto:    resolved at Open and SetParam: 4 when the input fits the area, else 2 with the
 *              picture's own proportions.
 * Bars and cuts leave at least 2 pixels and lines of picture, so a tiny window still shows one.
 */
#ifndef PELFORGE_IMG_MERGE_ZOOM_H_
#define PELFORGE_IMG_MERGE_ZOOM_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, 0xC5C00001 upwards. */
/* clang-format off */
#define PF_IMG_MERGE_ZOOM_ERRORS(X)                                                                \
  X(OPEN_INPUT_POINTER) X(OPEN_MALLOC) X(OPEN_MALLOC_FG_INFORMATION) X(OPEN_MALLOC_FAST_SCRATCH)   \
  X(OPEN_GET_DMA_HANDLE) X(SETPARAM_INPUT_POINTER) X(SETPARAM_INPUT_MAXFGNUM)                      \
  X(PROCESS_INPUT_POINTER) X(PROCESS_OUTPUT_POINTER_YUV) X(PROCESS_INPUT_POINTER_YUV)              \
  X(PROCESS_INPUT_POSITION) X(CLOSE_INPUT_POINTER) X(CLOSE_MEMHANDLE_POINTER)                      \
  X(CLOSE_RESIZER_CLOSE) X(CLOSE_FREE) X(VERSION_INPUT_POINTER) X(VERSION_LEN) X(CHECK_BG_INPUT)   \
  X(CHECK_BG_MAXFGNUM) X(CHECK_BG_MERGE_STYLE) X(CHECK_BG_STYLE_MAP_FGNUM)                         \
  X(CHECK_BG_FRAMEFIELDFORMAT) X(CHECK_BG_PICSIZE) X(CHECK_BG_YUVTYPE) X(CHECK_BG_BOUNDARYWIDTH)   \
  X(CHECK_FG_ZOOM_STYLE) X(CHECK_FG_POSITION) X(CHECK_FG_FRAMEFILEDFORMAT) X(CHECK_FG_PICSIZE)     \
  X(CHECK_FG_YUVTYPE) X(CHECK_FG_FOCUSWIDTH) X(CHECK_FG_ZOOM_SCALE) X(STATUS_INPUT_POINTER)        \
  X(GETMEMSIZE_INPUT_POINTER) X(ANALYZE_ERROR_CODE_HANDLE) X(GETMEMSIZE_PARAM_POINTER)             \
  X(GETMEMSIZE_MAXFGNUM) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_MERGE_ZOOM_##name,
enum { ERR_IMG_MERGE_ZOOM_BASE_ = 0xC5C00000u, PF_IMG_MERGE_ZOOM_ERRORS(PF_X) };
#undef PF_X

#define PF_MERGE_ZOOM_MAX_PICTURES 64   /**< largest maximum-pictures value */
#define PF_MERGE_ZOOM_STYLE_COUNT 105   /**< entries of al32MergeStyle (the last 6 unused) */
#define PF_MERGE_ZOOM_STYLE_WINDOWS 26  /**< window slots per style in atMergePointstyle */
#define PF_MERGE_ZOOM_MAX_WINDOWS 25    /**< the most windows a style has */
#define PF_MERGE_ZOOM_MAX_SIZE 16384    /**< largest background and input width and height */
#define PF_MERGE_ZOOM_NO_WINDOW 0xFFFFu /**< atMergePointstyle filler after a style's windows */

/* Zoom styles of a window. */
#define PF_MERGE_ZOOM_STRETCH 1u
#define PF_MERGE_ZOOM_FIT 2u
#define PF_MERGE_ZOOM_FILL 3u
#define PF_MERGE_ZOOM_CENTRE 4u
#define PF_MERGE_ZOOM_AUTO 5u

/* Window state: a window without a picture (any other value: a picture is given). */
#define PF_MERGE_ZOOM_STATE_EMPTY 2u

/**
 * One window of the style. Only the low byte of u32State and u32WindowNum is kept. Records whose
 * state is PF_MERGE_ZOOM_STATE_EMPTY are not checked; the others in this order: zoom style,
 * aspect, window number, image type, size, YUV type.
 */
typedef struct tImageMergeZoomWindow {
  uint32_t u32State;        /**< PF_MERGE_ZOOM_STATE_EMPTY: no picture (low byte) */
  uint32_t u32ZoomStyle;    /**< PF_MERGE_ZOOM_STRETCH..AUTO, else CHECK_FG_ZOOM_STYLE */
  uint32_t u32AspectWidth;  /**< display aspect 4:3, 16:9, 64:45, 32:27 (any multiple), else
                                 CHECK_FG_ZOOM_SCALE; a 0 in either word: the picture's own
                                 width:height */
  uint32_t u32AspectHeight; /**< see u32AspectWidth */
  uint32_t u32WindowNum;    /**< 1..the style's window count, else CHECK_FG_POSITION */
  uint32_t u32Width;        /**< input width, even, 2..PF_MERGE_ZOOM_MAX_SIZE, else
                                 CHECK_FG_PICSIZE */
  uint32_t u32Height;       /**< input height, 1..PF_MERGE_ZOOM_MAX_SIZE, even (a multiple of 4
                                 for field pictures), else CHECK_FG_PICSIZE */
  uint32_t u32ImageType;    /**< PF_IMAGE_FRAME, PF_IMAGE_FIELD or PF_IMAGE_INTERLACED, else
                                 CHECK_FG_FRAMEFILEDFORMAT */
  uint32_t u32YuvType;      /**< PF_YUV_420 or PF_YUV_422P, else CHECK_FG_YUVTYPE */
  uint32_t u32FocusFlag;    /**< 1 in the low byte: a focus frame (when lines are drawn) */
  uint32_t u32FocusColour;  /**< R << 16 | G << 8 | B */
  uint32_t u32FocusWidth;   /**< kept for GetStatus; frames are as wide as the border lines */
  uint32_t u32Reserved;     /**< not read */
} tImageMergeZoomWindow;

/**
 * Parameter record of Open, SetParam and GetMemSize. Checks, in this order, with their codes:
 * s32MaxPicNum (CHECK_BG_MAXFGNUM), the style (CHECK_BG_MERGE_STYLE, then CHECK_BG_STYLE_MAP_FGNUM
 * when it has more windows than s32MaxPicNum), the image type, the size, the YUV type, the border
 * width, a null ptWindows for a style with windows (CHECK_BG_INPUT), then every window record of
 * the style in turn.
 */
typedef struct tImageMergeZoomParam {
  int32_t s32MaxPicNum;     /**< 0..PF_MERGE_ZOOM_MAX_PICTURES: sizes the instance; SetParam may
                                 not raise it above Open's (SETPARAM_INPUT_MAXFGNUM) */
  uint32_t u32MergeStyle;   /**< a style code of al32MergeStyle */
  uint32_t u32BgWidth;      /**< even, 64..PF_MERGE_ZOOM_MAX_SIZE, else CHECK_BG_PICSIZE */
  uint32_t u32BgHeight;     /**< 64..PF_MERGE_ZOOM_MAX_SIZE, even, a multiple of 4 for field
                                 storage, else CHECK_BG_PICSIZE */
  uint32_t u32ImageType;    /**< PF_IMAGE_FRAME or PF_IMAGE_FIELD (field-separated), else
                                 CHECK_BG_FRAMEFIELDFORMAT */
  uint32_t u32YuvType;      /**< PF_YUV_420 or PF_YUV_422P, else CHECK_BG_YUVTYPE */
  uint32_t u32DrawLine;     /**< 1 in the low byte: border lines and focus frames */
  uint32_t u32BorderColour; /**< R << 16 | G << 8 | B */
  uint32_t u32BorderWidth;  /**< low byte: even, and 4 b < min(W nx / d, H ny / d) with nx, ny
                                 the style's smallest window width and height numerators, else
                                 CHECK_BG_BOUNDARYWIDTH; the picture areas are inset by it also
                                 when no lines are drawn */
  uint32_t u32FillEmpty;    /**< 1 in the low byte: empty windows get the background colour
                                 (else they are left as they were) */
  uint32_t u32BgColour;     /**< R << 16 | G << 8 | B: what no window covers */
  uint32_t u32Reserved;     /**< not read */
  tImageMergeZoomWindow* ptWindows; /**< one record per window of the style; copied */
} tImageMergeZoomParam;

/** One window of atMergePointstyle: each value is numerator << 8 | denominator. */
typedef struct tMergePoint {
  uint16_t u16X;
  uint16_t u16Y;
  uint16_t u16Width;
  uint16_t u16Height;
} tMergePoint;

/** The styles: {style code, window count}, 99 entries then six {0, 0}. */
PF_API extern const int32_t al32MergeStyle[PF_MERGE_ZOOM_STYLE_COUNT][2];
/** The windows of each style (same index as al32MergeStyle), window 1 first. */
PF_API extern const tMergePoint atMergePointstyle[PF_MERGE_ZOOM_STYLE_COUNT]
                                                 [PF_MERGE_ZOOM_STYLE_WINDOWS];

/*
 * Entry points. Open: (out handle, const tImageMergeZoomParam*, memory handle); a null pointer
 * gives OPEN_INPUT_POINTER; the resizer's codes come back unchanged. Process: (handle, output
 * tImgPicture*, array of input tImgPicture indexed like ptWindows): a null handle, output record
 * or input array gives PROCESS_INPUT_POINTER, a null output Y PROCESS_OUTPUT_POINTER_YUV, a
 * window number no record carries PROCESS_INPUT_POSITION, a picture window with a null Y
 * PROCESS_INPUT_POINTER_YUV, all before anything is drawn; an output luma pitch below the width
 * gives the resizer's ERR_IMG_RESIZER_SELF_DSTSTRIDE_ILLEGAL. Null U or V planes follow Y in one
 * buffer (U = Y + pitch H, V = U + pitch H / 4 for 4:2:0 or pitch H / 2 for 4:2:2, chroma pitch
 * pitch / 2), for the output and the inputs alike. A resizer refusal ends Process with its code.
 * SetParam re-validates and recomputes the geometry; a refusal changes nothing. GetStatus fills
 * the record's twelve words and, when its ptWindows is not null, the style's window records
 * (zoom style 5 resolved; the aspect words left alone). GetMemSize: a null pointer gives
 * GETMEMSIZE_PARAM_POINTER, s32MaxPicNum outside 0..64 GETMEMSIZE_MAXFGNUM. Close returns
 * CLOSE_RESIZER_CLOSE when the resizer does not close and CLOSE_FREE when memory does not go
 * back. Debug does nothing.
 */
PF_API uint32_t ImgMergeZoomOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImgMergeZoomProcess_c(void* hHandle, void* pOutput, void* pInputs);
PF_API uint32_t ImgMergeZoomClose_c(void* hHandle);
PF_API uint32_t ImgMergeZoomSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImgMergeZoomGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImgMergeZoomGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImgMergeZoomAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImgMergeZoomDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImgMergeZoomGetMemSize_c(const void* pParam, uint32_t* pu32Size);

/* Processor dispatch: the module has no kernels of its own, so the selectors are empty. */
PF_API void ImgMergeZoomGlobalInit(void);
PF_API void ImgMergeZoomMMXFunctions(void);
PF_API void ImgMergeZoomSSE2Functions(void);
PF_API void ImgMergeZoomSSSE3Functions(void);
PF_API void ImgMergeZoomSSE4Functions(void);

PF_API extern const tImgProcFuncList tImageMergeZoomFunc;
/** The module's descriptor ("IMG_MERGE_ZOOM", id 21) and the pointer to it in section ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_MergeZoom;
PF_API extern const tImgProcDesc* const ptImgProc_MergeZoom;
PF_API extern const char* const pas8ImageMergeZoomSelfAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_MERGE_ZOOM_H_ */
