/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * Banner logo (module id 10, "IMG_BANNER_LOGO"): a ticker or caption layer of up to 36 logos and
 * 36 bars. Each logo moves through its own window by a fixed step per frame, pauses at regular
 * distances, wraps round when it has left the window and stops after a number of passes; each bar
 * is a rectangle drawn under the logo of the same index. The module draws through private logo
 * (img_logo.h) and banner (img_banner.h) instances, opened through their exported entry points.
 *
 * Motion of one logo, per frame, with X and Y its offsets from the window's top-left corner
 * (positive steps move right and up; X advances by the step, Y by minus the step):
 *   - a disabled logo, its bar included, is skipped;
 *   - after its cycle (the frames its passes take, pauses included) or with s32Loops 0 it is
 *     parked outside the window on the side it moves towards and nothing of it is drawn;
 *   - a logo outside the window (X <= -w' or X >= the window's visible width; Y likewise) is not
 *     drawn for one frame, its bar is, and it jumps to the entry side one step in; a logo that
 *     does not move along an axis never wraps along it and is only drawn where it is in the window;
 *   - otherwise the bar, then the logo cut to the window, are drawn and the logo advances, except
 *     that after every pause distance it holds still for s32PauseFrames frames (the jump counts
 *     as a step; a pause due there is spent waiting outside the window).
 */
#ifndef PELFORGE_IMG_BANNERLOGO_H_
#define PELFORGE_IMG_BANNERLOGO_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, 0xC140003C upwards (the banner logo's part of the overlay block). */
/* clang-format off */
#define PF_IMG_BANNERLOGO_ERRORS(X)                                                               \
  X(OPEN_POINTER) X(SETPARAM_POINTER) X(SET_ENABLE) X(CLOSE_HANDLE) X(CLOSE_MEMHANDLE)            \
  X(PROCESS_POINTER) X(PROCESS_PRIVATE_POINTER) X(DATA_POINTER) X(IMAGE_PARAM) X(IMAGE_YUVTYPE)   \
  X(YUYV_NOT_SUPPORT_FIELD) X(IMAGE_IMAGETYPE) X(LOGO_NUM) X(LOGO_DATA) X(LOGO_WINDOW)            \
  X(LOGO_STEP) X(VER_POINTER) X(MALLOC_MEMORY) X(FREE_MEMORY) X(BUFFERLEN)                        \
  X(STATUS_INPUT_POINTER) X(REF_WIDTH) X(REF_HEIGHT) X(WINDOW_WIDTH) X(WINDOW_HEIGHT)             \
  X(WINDOW_LEFT) X(WINDOW_TOP) X(ANALYZE_ERROR_CODE_HANDLE) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_BANNERLOGO_##name,
enum { ERR_IMG_BANNERLOGO_BASE_ = 0xC140003Bu, PF_IMG_BANNERLOGO_ERRORS(PF_X) };
#undef PF_X

#define PF_BANNERLOGO_MAX_ITEMS 36       /**< logos, and bars, one instance can hold */
#define PF_BANNERLOGO_CONTROL_MAGIC 601u /**< tBannerLogoControl.u32Magic that makes it count */
#define PF_BANNERLOGO_MEM_SIZE 56784u    /**< what GetMemSize reports */

/**
 * Optional per-logo control: with u32Magic PF_BANNERLOGO_CONTROL_MAGIC, Open and SetParam take
 * the enable flag from u32Enable; SetParam then re-initialises the logo only when u32Apply is not
 * 0 (otherwise the running logo is left as it is, and while it is enabled the picture's size,
 * YUV type and image type must stay: SET_ENABLE). Without it a logo is enabled, and SetParam
 * re-initialises it when any of its fields or the picture changed, or when it has finished.
 */
typedef struct tBannerLogoControl {
  uint32_t u32Magic;  /**< PF_BANNERLOGO_CONTROL_MAGIC, or the record is ignored */
  uint32_t u32Apply;  /**< SetParam: 0 leaves the running logo alone */
  uint32_t u32Enable; /**< 0: the logo and its bar are not drawn */
} tBannerLogoControl;

/**
 * One logo. Positions, sizes, steps and distances are in pixels of the reference picture
 * s32RefWidth x s32RefHeight and are scaled to the picture (x * width / s32RefWidth, steps rounded
 * half away from zero and at least 1 when not 0). Checks, in this order, with their codes:
 * null pixels or alpha (LOGO_DATA), a reference side below 1 (REF_WIDTH, REF_HEIGHT), a scaled
 * window narrower or lower than 1 (WINDOW_WIDTH, WINDOW_HEIGHT), a window left of -width or at
 * the picture's width (WINDOW_LEFT), likewise its top (WINDOW_TOP); then the logo module's own
 * checks of the logo at the origin (its codes come back unchanged).
 */
typedef struct tBannerLogoItem {
  uint8_t* pu8FgData;        /**< logo pixels, laid out as for the logo module */
  void* pu8ItemSpare;        /**< not read */
  uint8_t* pu8FgAlpha;       /**< logo alpha, as for the logo module */
  int32_t s32FgWidth;        /**< logo width in logo pixels */
  int32_t s32FgHeight;       /**< logo height in logo rows */
  uint32_t u32FgYuvType;     /**< YUV type of the logo, the picture's */
  uint32_t u32FgSpare;       /**< handed to the logo instance unread */
  int32_t s32RefWidth;       /**< reference width, >= 1 (REF_WIDTH) */
  int32_t s32RefHeight;      /**< reference height, >= 1 (REF_HEIGHT) */
  uint8_t u8BlendMode;       /**< PF_LOGO_BLEND_PASTE or alpha blend, as for the logo module */
  int32_t s32StartY;         /**< first vertical offset of the logo in its window */
  int32_t s32StartX;         /**< first horizontal offset of the logo in its window */
  int16_t s16StepX;          /**< movement per frame; positive moves right */
  int16_t s16StepY;          /**< movement per frame; positive moves up */
  int32_t s32Loops;          /**< passes through the window; 0: the logo is not shown */
  int32_t s32PauseDistX;     /**< travel between pauses; -1 (or a distance of at least a step
                                  that is no multiple of it): no pauses */
  int32_t s32PauseDistY;     /**< likewise, vertically */
  int32_t s32PauseFrames;    /**< frames each pause holds the logo still */
  int32_t s32WinTop;         /**< window top; rounded down to even (to a multiple of 4 in
                                  field pictures and with u32ScanMode 16) */
  int32_t s32WinLeft;        /**< window left, rounded down to even */
  int32_t s32WinWidth;       /**< window width */
  int32_t s32WinHeight;      /**< window height */
  uint32_t u32AdaptiveColor; /**< PF_LOGO_ADAPTIVE_COLOR: text logo, as for the logo module */
  int32_t s32LineHeight;     /**< adaptive: rows per text line */
  int32_t s32CharNum;        /**< adaptive: characters, at most 1000 */
  uint8_t* pu8CharWidth;     /**< adaptive: character widths per line, each line ending in 0 */
  tBannerLogoControl* pItemControl; /**< optional control record, or null */
} tBannerLogoItem;

/**
 * One bar, in reference pixels; scaled to the picture (width and left by width / s32RefWidth,
 * height and top by height / s32RefHeight; a top or left below 1 becomes 0) and drawn by a banner
 * instance, whose checks and codes then apply. A reference side below 1 gives REF_WIDTH or
 * REF_HEIGHT.
 */
typedef struct tBannerLogoBar {
  int32_t s32Width;
  int32_t s32Height;
  int32_t s32Top;
  int32_t s32Left;
  int32_t s32RefWidth;
  int32_t s32RefHeight;
  uint8_t u8R;
  uint8_t u8G;
  uint8_t u8B;
  uint8_t u8Opacity; /**< 0: not drawn; 255: opaque; other: blended */
} tBannerLogoBar;

/**
 * Parameter record of Open and SetParam. Only the first s32LogoNum logos and s32BannerNum bars
 * are read. Checks before the items', in this order: picture size below 1 (IMAGE_PARAM); YUV type
 * (IMAGE_YUVTYPE); PF_YUV_YUYV field pictures (YUYV_NOT_SUPPORT_FIELD); image type
 * (IMAGE_IMAGETYPE); counts outside 0..36 or both 0 (LOGO_NUM).
 *
 * GetStatus fills the same record from the running set-up: each logo's offsets, steps, pause
 * distances and window in picture pixels as its last set-up made them (the offsets are the
 * starting ones), its other fields as given; each bar as its banner holds it (in picture pixels,
 * the reference being the picture); unused items are zeroed.
 */
typedef struct tBannerLogoParam {
  tBannerLogoItem atLogo[PF_BANNERLOGO_MAX_ITEMS];
  tBannerLogoBar atBar[PF_BANNERLOGO_MAX_ITEMS];
  int32_t s32BgWidth;    /**< picture width, >= 1 */
  int32_t s32BgHeight;   /**< picture height, >= 1 */
  uint32_t u32ImageType; /**< PF_IMAGE_FRAME, PF_IMAGE_FIELD or PF_IMAGE_INTERLACED */
  uint32_t u32ScanMode;  /**< PF_LOGO_SCAN_SCROLL (16), as for the logo module */
  uint32_t u32BgYuvType; /**< PF_YUV_420, PF_YUV_UYVY, PF_YUV_NV12 or PF_YUV_YUYV (frames only) */
  int32_t s32LogoNum;    /**< 0..36 */
  int32_t s32BannerNum;  /**< 0..36 */
} tBannerLogoParam;

/*
 * Entry points. Open: (out handle, const tBannerLogoParam*, memory handle); it opens one logo
 * instance per logo and one banner instance per bar, and gives everything back when one of them
 * fails, returning that instance's code. Process: (handle, array of picture buffers, context):
 * as for the banner, the first buffer holds the whole picture. ProcessPrivate: (handle,
 * tImgPicture*, context), the record in the banner's terms (packed pitches in pixels); it is
 * refused (DATA_POINTER) as the banner refuses it, and a logo's refusal of its placement ends the
 * frame with the logo's code. The context must be non-null and is handed to the instances.
 * SetParam re-initialises only what changed, opens instances for new items and closes those of
 * items beyond lowered counts; a refusal leaves the running set-up as it was. Close closes the
 * banners, then the logos, and returns the first failing close's code. GetMemSize reports
 * PF_BANNERLOGO_MEM_SIZE. Debug does nothing. AnalyzeErrorCode also names the logo's and the
 * banner's codes.
 */
PF_API uint32_t ImgBannerLogoOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImgBannerLogoProcess_c(void* hHandle, void* pBuffers, void* pContext);
PF_API uint32_t ImgBannerLogoProcessPrivate_c(void* hHandle, const tImgPicture* ptPicture,
                                              void* pContext);
PF_API uint32_t ImgBannerLogoClose_c(void* hHandle);
PF_API uint32_t ImgBannerLogoSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImgBannerLogoGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImgBannerLogoGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImgBannerLogoAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImgBannerLogoDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImgBannerLogoGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API extern const tImgProcFuncList tBannerLogoFuncs;
/** The module's descriptor ("IMG_BANNER_LOGO", id 10) and the pointer to it in ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_BannerLogo;
PF_API extern const tImgProcDesc* const ptImgProc_BannerLogo;
PF_API extern const char* const pas8BannerLogoAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_BANNERLOGO_H_ */
