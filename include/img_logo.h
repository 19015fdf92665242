/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * Logo overlay (module id 8, "IMG_LOGO"): blends a small picture, the logo, with a per-pixel
 * alpha plane into a background picture in place. The logo is made once for a reference picture
 * size; on a smaller background the module picks samples (half, quarter and sixteenth size) or
 * scales the logo bilinearly. Text logos can take an adaptive colour: each character is drawn
 * light (240) or dark (16) by the brightness of the background under it, with hysteresis from
 * frame to frame.
 *
 * Alpha is a transparency. For logo sample L, background sample B and alpha a:
 *   u8BlendMode 255:  B' = L                        (the alpha is not read)
 *   otherwise:        B' = ((255 - a) * L + a * B) >> 8   for a < 255, B' = B for a = 255
 * so alpha 0 gives L * 255 / 256 (200 becomes 199) and alpha 255 leaves the background alone.
 *
 * A host drives the module through its nine entry points (or tLogoFuncs); modules that draw
 * several logos into one picture keep one instance per logo and call ImgLogoSetParam_c and
 * ImgLogoProcessPrivate_c per frame.
 */
#ifndef PELFORGE_IMG_LOGO_H_
#define PELFORGE_IMG_LOGO_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Error names in code order, 0xC1400001 upwards (this module's part of the block it shares with
 * the banner and banner-logo modules). X(name, owner): the code's enumerator is
 * ERR_IMG_LOGO_<name> and its symbolic name ERR_IMG_<owner>_<name>. Two codes of this module
 * carry banner names (fast scratch and DMA handle); their enumerators keep the logo prefix so
 * that this header and the banner's can be included together.
 */
/* clang-format off */
#define PF_IMG_LOGO_ERRORS(X)                                                                     \
  X(OPEN_POINTER, LOGO) X(PROCESS_POINTER, LOGO) X(PROCESS_PRIVATE_POINTER, LOGO)                 \
  X(DATA_POINTER, LOGO) X(CLOSE_HANDLE, LOGO) X(CLOSE_MEMHANDLE, LOGO) X(SETPARAM_POINTER, LOGO)  \
  X(VER_POINTER, LOGO) X(DATA, LOGO) X(YUV_TYPE, LOGO) X(BG_WIDTH, LOGO) X(BG_HEIGHT, LOGO)       \
  X(FG_REFWIDTH, LOGO) X(FG_REFHEIGHT, LOGO) X(DOWN_SIZE, LOGO) X(UP_SIZE, LOGO)                  \
  X(WIDTH_UNMATCHED, LOGO) X(FG_WIDTH, LOGO) X(FG_HEIGHT, LOGO) X(FG_TOP, LOGO) X(FG_LEFT, LOGO)  \
  X(FG_H_CUTLINE, LOGO) X(FG_V_CUTLINE, LOGO) X(BUFFERLEN, LOGO) X(FORMAT_UNSUPPORT, LOGO)        \
  X(MALLOC_MEMORY, LOGO) X(FREE_MEMORY, LOGO) X(MALLOC_FONTCOLOR, LOGO)                           \
  X(STATUS_INPUT_POINTER, LOGO) X(CHAR_MAX, LOGO) X(MALLOC_FAST_SCRATCH, BANNER)                  \
  X(GET_DMA_HANDLE, BANNER) X(ANALYZE_ERROR_CODE_HANDLE, LOGO) X(END, LOGO)
/* clang-format on */

#define PF_X(name, owner) ERR_IMG_LOGO_##name,
enum { ERR_IMG_LOGO_BASE_ = 0xC1400000u, PF_IMG_LOGO_ERRORS(PF_X) };
#undef PF_X

#define PF_LOGO_BLEND_PASTE 255u  /**< u8BlendMode: paste the logo, ignore the alpha */
#define PF_LOGO_ADAPTIVE_COLOR 1u /**< u32AdaptiveColor: the logo is adaptive-colour text */
#define PF_LOGO_SCAN_SCROLL 16u   /**< u32ScanMode: scaling frame kernels shift odd rows */
#define PF_LOGO_MAX_CHARS 1000    /**< characters the colour memory remembers */
#define PF_LOGO_COLOR_LIGHT 240u  /**< adaptive luma over dark backgrounds */
#define PF_LOGO_COLOR_DARK 16u    /**< adaptive luma over bright backgrounds */
#define PF_LOGO_MEM_SIZE 1224u    /**< what GetMemSize reports */

/**
 * Parameter record of Open and SetParam, returned by GetStatus.
 *
 * Logo layout by YUV type (w = s32FgWidth, h = s32FgHeight, rows packed without padding):
 *   420:      Y w x h, U (w/2) x (h/2), V (w/2) x (h/2) in one buffer. Alpha: w x h luma alphas,
 *             then (w/2) x (h/2) chroma alphas that serve U and V alike.
 *   42012:    Y w x h, then h/2 rows of w bytes of U V pairs. Alpha as for 420 (one per pair).
 *   422/4201: h rows of 2w bytes in the picture's byte order, one alpha per byte.
 *
 * Sizes: the logo was made for a s32FgRefWidth x s32FgRefHeight picture. On a background of
 * that size it is drawn 1:1; at half or quarter of it (both ways, or half across for field
 * pictures) and a sixteenth (4:1 both ways) samples are picked; other sizes of plain logos are
 * scaled bilinearly. Positions are background pixels. Cuts are background pixels, except for
 * adaptive-colour logos on a smaller background, where they are logo pixels.
 */
typedef struct tLogoParam {
  uint8_t* pu8FgData;        /**< logo pixels in the background's layout; not null */
  void* pu8FgSpare;          /**< not read */
  uint8_t* pu8FgAlpha;       /**< logo alpha plane(s); not null */
  uint8_t u8BlendMode;       /**< PF_LOGO_BLEND_PASTE, or any other value: alpha blend */
  int32_t s32FgWidth;        /**< logo width in logo pixels, even */
  int32_t s32FgHeight;       /**< logo height in logo rows, even */
  uint32_t u32FgYuvType;     /**< must equal u32BgYuvType */
  int32_t s32FgTop;          /**< background row of the visible logo's top, 0..s32BgHeight, even */
  int32_t s32FgLeft;         /**< background column of its left, 0..s32BgWidth, even */
  int32_t s32TopCut;         /**< rows cut off the logo's top, even */
  int32_t s32BottomCut;      /**< rows cut off its bottom, even */
  int32_t s32LeftCut;        /**< columns cut off its left */
  int32_t s32RightCut;       /**< columns cut off its right */
  uint32_t u32FgSpare;       /**< not read */
  int32_t s32FgRefWidth;     /**< reference picture width, a multiple of 8 */
  int32_t s32FgRefHeight;    /**< reference picture height, a multiple of 4 */
  uint32_t u32AdaptiveColor; /**< PF_LOGO_ADAPTIVE_COLOR: text logo; other values: plain */
  int32_t s32LineHeight;     /**< adaptive: rows per text line, >= 1 */
  int32_t s32CharNum;        /**< adaptive: characters, at most PF_LOGO_MAX_CHARS */
  uint8_t* pu8CharWidth;     /**< adaptive: per text line its character widths, then a 0 byte */
  int32_t s32BgWidth;        /**< background width, a multiple of 8; no padding beyond it */
  int32_t s32BgHeight;       /**< background height in frame rows, a multiple of 4 */
  uint32_t u32ImageType;     /**< PF_IMAGE_FRAME or PF_IMAGE_INTERLACED: frame; PF_IMAGE_FIELD */
  uint32_t u32ScanMode;      /**< PF_LOGO_SCAN_SCROLL: scroll shift in the scaling frame kernels */
  uint32_t u32BgYuvType;     /**< PF_YUV_420, PF_YUV_NV12, PF_YUV_UYVY or PF_YUV_YUYV */
} tLogoParam;

struct tLogoInstance;

/**
 * Logo kernel: (picture, instance, context). The picture record holds the background's plane
 * pointers and pitches in bytes (packed pictures too); the context is passed on unread. Kernels
 * keep the instance's scroll state and colour memory up to date.
 */
typedef void (*tLogoKernel)(const tImgPicture* ptPicture, struct tLogoInstance* ptInstance,
                            void* pvContext);

/** The instance behind a handle. Kernels read the parameters and keep their state here. */
typedef struct tLogoInstance {
  void* hMem;              /**< memory handle given to Open */
  void* pvFastScratch;     /**< PF_FAST_SCRATCH_BYTES, not used by the kernels */
  void* hDma;              /**< DMA handle */
  tLogoParam tParam;       /**< the validated parameters */
  tLogoKernel pfnKernel;   /**< chosen at Open/SetParam */
  uint32_t u32FirstFrame;  /**< 1 until the first Process after Open or an adaptive SetParam */
  int32_t s32LinesLeft;    /**< text lines not hidden by the top cut */
  int32_t s32FirstLineIdx; /**< index in pu8CharWidth of the first of those lines */
  int32_t s32FirstLineCut; /**< rows of that line hidden by the top cut */
  uint8_t* pu8FontColor;   /**< PF_LOGO_MAX_CHARS colours, one per character in drawing order */
  int32_t s32PrevLeftCut;  /**< scroll state: the previous call's s32LeftCut */
  int32_t s32PrevLeft;     /**< the previous call's s32FgLeft */
  int32_t s32PrevRightCut; /**< the previous call's s32RightCut */
  uint32_t u32CallCount;   /**< calls since Open (or a SetParam at the origin), up to 2 */
  int32_t s32Shift;        /**< the measured per-frame motion S */
} tLogoInstance;

/*
 * Entry points. Open: (out handle, const tLogoParam*, memory handle). Process: (handle, uint8_t*
 * planes[3], context): Y, U, V planes of a picture without padding (Y and the U V pair plane for
 * 42012, the one packed plane for 422 and 4201); the context must not be null and is not read.
 * ProcessPrivate: (handle, tImgPicture*, context) for pictures with pitches of their own, in
 * bytes for every type. SetParam re-validates, resets the scroll state when position and cuts are
 * all 0, and restarts the adaptive colours. GetStatus fills a tLogoParam. GetMemSize reports
 * PF_LOGO_MEM_SIZE. Debug does nothing.
 */
PF_API uint32_t ImgLogoOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImgLogoProcess_c(void* hHandle, void* pPlanes, void* pContext);
PF_API uint32_t ImgLogoProcessPrivate_c(void* hHandle, tImgPicture* ptPicture, void* pContext);
PF_API uint32_t ImgLogoClose_c(void* hHandle);
PF_API uint32_t ImgLogoSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImgLogoGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImgLogoGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImgLogoAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImgLogoDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImgLogoGetMemSize_c(const void* pParam, uint32_t* pu32Size);

/**
 * The checks Open and SetParam share, in their fixed order, and the kernel choice: 0 and the
 * chosen kernel pointer's current value through ppfnKernel (when not null), or the first failing
 * field's code. SetParam also refuses more than PF_LOGO_MAX_CHARS characters.
 */
PF_API uint32_t CheckLogoParam(const tLogoParam* ptParam, tLogoKernel* ppfnKernel);

PF_API void ImgLogoGlobalInit(void);
PF_API void ImgLogoMMXFunctions(void);
PF_API void ImgLogoSSE2Functions(void);
PF_API void ImgLogoSSSE3Functions(void);
PF_API void ImgLogoSSE4Functions(void);

/*
 * The kernels, each behind a pointer of its name (without _c). 1:1 kernels draw min(visible
 * logo, room left in the picture) with the columns rounded down to a multiple of 4; field
 * kernels send logo rows 2k to the first field and 2k+1 to the second. Quarter kernels take logo
 * row 2i and column 2j+1, sixteenth kernels row 4i and column 4j (chroma: every second chroma row,
 * every fourth chroma column), half-horizontal kernels column 2j+1 of every row. Bilinear kernels
 * interpolate in eighths; AddLogo422Frame_sclae rounds its eighths to nearest.
 *
 * Scroll compensation (field kernels, AddLogo422Frame, and the scaling frame kernels with
 * u32ScanMode PF_LOGO_SCAN_SCROLL): the motion S of the logo between the first two calls is
 * measured from the changes of s32LeftCut, s32RightCut and s32FgLeft; while the logo keeps moving,
 * the second field (or the odd rows) is read S/2 columns further into the logo (S >= 0) or drawn
 * |S|/2 columns further right (S < 0), chroma by S/4, so the two fields of a moving logo sit half
 * a frame's motion apart. A logo that stops has S = 0 until a SetParam at the origin.
 *
 * Adaptive-colour kernels colour each character cell's luma 240 or 16: on the first frame 240
 * when the cell's mean background luma is <= 128; afterwards a light character stays light up to
 * a mean of 160 and a dark one turns light below 100. Field kernels average the first field only.
 */
/* clang-format off */
#define PF_IMG_LOGO_KERNELS(X)                                                                    \
  X(AddLogo420Frame) X(AddLogo420Field) X(AddQuarterLogo420Frame) X(AddSixteenthLogo420Frame)     \
  X(AddHalfHoriLogo420Field) X(AddLogo422Frame) X(AddLogo422Field) X(AddLogo422Frame_sclae)       \
  X(AddBilinearLogo420Frame) X(AddBilinearLogo420Field) X(AddLogoNV12Frame) X(AddLogoNV12Field)   \
  X(AddQuarterLogoNV12Frame) X(AddSixteenthLogoNV12Frame) X(AddHalfHoriLogoNV12Field)             \
  X(AddBilinearLogoNV12Frame) X(AddBilinearLogoNV12Field) X(AddLogo420FrameAdaptiveColor)         \
  X(AddLogo420FieldAdaptiveColor) X(AddLogo422FrameAdaptiveColor)                                 \
  X(AddLogo422FieldAdaptiveColor) X(AddLogoNV12FrameAdaptiveColor)                                \
  X(AddLogoNV12FieldAdaptiveColor) X(AddQuarterLogo420FrameAdaptiveColor)                         \
  X(AddQuarterLogoNV12FrameAdaptiveColor) X(AddHalfHoriLogo420FieldAdaptiveColor)                 \
  X(AddHalfHoriLogoNV12FieldAdaptiveColor)
/* clang-format on */

#define PF_X(name)                \
  PF_API extern tLogoKernel name; \
  PF_API void name##_c(const tImgPicture* ptPicture, tLogoInstance* ptInstance, void* pvContext);
PF_IMG_LOGO_KERNELS(PF_X)
#undef PF_X

PF_API extern const tImgProcFuncList tLogoFuncs;
/** The module's descriptor ("IMG_LOGO", id 8) and the pointer to it in section ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_Logo;
PF_API extern const tImgProcDesc* const ptImgProc_Logo;
PF_API extern const char* const pas8ImgLogoAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_LOGO_H_ */
