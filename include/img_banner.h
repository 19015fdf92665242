/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * Banner (module id 9): fills one rectangle of a picture with a solid colour, opaque or blended
 * with a fixed opacity, and serves the composition modules as their rectangle painter (through
 * the rectangle kernels and ImgDrawBanner).
 *
 * The colour is given as R, G, B and converted once, with arithmetic shifts:
 *   Y = (76 R + 150 G + 29 B + 128) >> 8
 *   U = min(((-43 R - 84 G + 128 B + 128) >> 8) + 128, 255)
 *   V = min(((128 R - 107 G - 20 B + 128) >> 8) + 128, 255)
 * An opaque fill (opacity 255) writes the colour; any other opacity a blends every sample S of
 * the rectangle to (S * (255 - a) + C * a) >> 8; opacity 0 draws nothing.
 */
#ifndef PELFORGE_IMG_BANNER_H_
#define PELFORGE_IMG_BANNER_H_

#include "pelforge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error names in code order, 0xC1400023 upwards (the banner's part of the overlay block). */
/* clang-format off */
#define PF_IMG_BANNER_ERRORS(X)                                                                    \
  X(OPEN_POINTER) X(PROCESS_POINTER) X(PROCESS_PRIVATE_POINTER) X(CLOSE_HANDLE) X(CLOSE_MEMHANDLE) \
  X(SETPARAM_POINTER) X(VER_POINTER) X(DATA_POINTER) X(BG_WIDTH) X(BG_HEIGHT) X(YUVTYPE)           \
  X(IMAGETYPE) X(FG_WIDTH_HEIGHT) X(FG_REFHEIGHT) X(FG_REFWIDTH) X(FG_TOP) X(FG_LEFT)              \
  X(BUFFERLEN) X(MALLOC_MEMORY) X(FREE_MEMORY) X(STATUS_INPUT_POINTER) X(MALLOC_FAST_SCRATCH)      \
  X(GET_DMA_HANDLE) X(ANALYZE_ERROR_CODE_HANDLE) X(END)
/* clang-format on */

#define PF_X(name) ERR_IMG_BANNER_##name,
enum { ERR_IMG_BANNER_BASE_ = 0xC1400022u, PF_IMG_BANNER_ERRORS(PF_X) };
#undef PF_X

/**
 * Parameter record of Open and SetParam, returned unchanged by GetStatus. The rectangle is given
 * in a reference size; when the reference is larger than the picture, position and size are
 * divided by the integer ratio (never enlarged). The rectangle is then clipped to the picture
 * and its four values rounded down to even. Checks, in this order, with their codes:
 */
typedef struct tBannerParam {
  int32_t s32Width;        /**< rectangle width, reference pixels, >= 1 (FG_WIDTH_HEIGHT) */
  int32_t s32Height;       /**< rectangle height, reference rows, >= 1 (FG_WIDTH_HEIGHT) */
  int32_t s32Top;          /**< 0..s32BgHeight - 1, before scaling (FG_TOP) */
  int32_t s32Left;         /**< 0..s32BgWidth - 1, before scaling (FG_LEFT) */
  int32_t s32RefWidth;     /**< width the rectangle is given in, >= 1 (FG_REFWIDTH) */
  int32_t s32RefHeight;    /**< height the rectangle is given in, >= 1 (FG_REFHEIGHT) */
  uint8_t u8R;             /**< colour */
  uint8_t u8G;             /**< colour */
  uint8_t u8B;             /**< colour */
  uint8_t u8Opacity;       /**< 0: nothing is drawn; 255: opaque; other: blend */
  int32_t s32BgWidth;      /**< picture width, >= 1 (BG_WIDTH); also Process's luma pitch */
  int32_t s32BgHeight;     /**< picture height, >= 1 (BG_HEIGHT) */
  uint32_t u32ImageType;   /**< PF_IMAGE_FRAME or PF_IMAGE_INTERLACED: frame; PF_IMAGE_FIELD:
                                field-separated storage (IMAGETYPE) */
  uint32_t u32BannerSpare; /**< kept, not read */
  uint32_t u32BgYuvType;   /**< PF_YUV_420, PF_YUV_UYVY, PF_YUV_NV12 or PF_YUV_YUYV (YUVTYPE) */
} tBannerParam;

struct tBannerInstance;

/**
 * Rectangle kernel: (picture, banner instance, opacity). Fills the instance's rectangle
 * (s32DrawTop, s32DrawLeft, s32DrawWidth x s32DrawHeight, all even) with u8Y, u8U, u8V. The
 * picture record's pitches: luma and chroma in bytes for 420 and NV12, pixels for the packed
 * types (a line is 2 x pitch bytes). The opaque kernels ignore the opacity; the transparency
 * kernels blend with it. In 4:2:0 the chroma rectangle is half the luma one in both directions.
 *
 * Field kernels work on field-separated pictures: frame row r of the rectangle goes to field
 * r & 1 at field row r >> 1, the second field starting at luma row s32BgHeight / 2 (packed rows
 * likewise); the 4:2:0 chroma rows r of the frame rectangle (top / 2 .. (top + height) / 2 - 1)
 * alternate between the fields the same way, the second field starting at chroma row
 * s32BgHeight / 4. Where a plane's height does not split evenly between the fields, a row that
 * would fall outside its field's part of the plane is not drawn.
 */
typedef void (*tBannerKernel)(const tImgPicture* ptPicture, const struct tBannerInstance* ptBanner,
                              uint8_t u8Opacity);

/** The instance behind a handle; the rectangle kernels read the drawing fields from it. */
typedef struct tBannerInstance {
  void* hMem;              /**< memory handle given to Open */
  void* pvFastScratch;     /**< PF_FAST_SCRATCH_BYTES, not used by the kernels */
  void* hDma;              /**< DMA handle */
  int32_t s32Width;        /**< rectangle as given */
  int32_t s32Height;       /**< rectangle as given */
  int32_t s32Top;          /**< rectangle as given */
  int32_t s32Left;         /**< rectangle as given */
  int32_t s32DrawWidth;    /**< rectangle in picture pixels, even, may be 0 */
  int32_t s32DrawHeight;   /**< rectangle in picture rows, even, may be 0 */
  int32_t s32BgWidth;      /**< picture width */
  int32_t s32BgHeight;     /**< picture height */
  int32_t s32DrawTop;      /**< rectangle top in picture rows, even */
  int32_t s32DrawLeft;     /**< rectangle left in picture pixels, even */
  uint32_t u32YuvType;     /**< picture YUV type (the packed kernels read the byte order) */
  uint32_t u32ImageType;   /**< picture image type */
  int32_t s32RefWidth;     /**< reference size as given */
  int32_t s32RefHeight;    /**< reference size as given */
  uint8_t u8R;             /**< colour as given */
  uint8_t u8G;             /**< colour as given */
  uint8_t u8B;             /**< colour as given */
  uint8_t u8Y;             /**< colour converted */
  uint8_t u8U;             /**< colour converted */
  uint8_t u8V;             /**< colour converted */
  uint8_t u8Opacity;       /**< opacity as given */
  tBannerKernel pfnKernel; /**< chosen at Open/SetParam by YUV type, image type and opacity */
  tBannerParam tParam;     /**< the record as given, for GetStatus */
} tBannerInstance;

/*
 * Entry points. Open: (out handle, const tBannerParam*, memory handle). Process: (handle, array
 * of picture buffers, context): only the first buffer is used and holds the whole picture,
 * planes packed after one another (420: Y, then U after s32BgWidth x s32BgHeight bytes, then V a
 * quarter of that later, pitches s32BgWidth and s32BgWidth / 2; NV12: Y, then the UV plane with
 * pitch s32BgWidth; packed: one plane of 2 x s32BgWidth bytes per line). ProcessPrivate:
 * (handle, tImgPicture*, context) with the caller's planes and pitches; it refuses (DATA_POINTER)
 * a null plane, a luma pitch below s32BgWidth, a 420 chroma pitch below s32BgWidth / 2 and an
 * NV12 chroma pitch below s32BgWidth. The context must be non-null and is not read. GetStatus
 * fills a tBannerParam. GetMemSize reports 112 (a null size pointer gives OPEN_POINTER). Debug
 * does nothing.
 */
PF_API uint32_t ImgBannerOpen_c(void** phHandle, const void* pParam, void* hMem);
PF_API uint32_t ImgBannerProcess_c(void* hHandle, void* pBuffers, void* pContext);
PF_API uint32_t ImgBannerProcessPrivate_c(void* hHandle, const tImgPicture* ptPicture,
                                          void* pContext);
PF_API uint32_t ImgBannerClose_c(void* hHandle);
PF_API uint32_t ImgBannerSetParam_c(void* hHandle, const void* pParam);
PF_API uint32_t ImgBannerGetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImgBannerGetStatus_c(void* hHandle, void* pStatus);
PF_API uint32_t ImgBannerAnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
PF_API uint32_t ImgBannerDebug_c(void* hHandle, void* pArg);
PF_API uint32_t ImgBannerGetMemSize_c(const void* pParam, uint32_t* pu32Size);

PF_API void ImgBannerGlobalInit(void);
PF_API void ImgBannerMMXFunctions(void);
PF_API void ImgBannerSSE2Functions(void);
PF_API void ImgBannerSSSE3Functions(void);
PF_API void ImgBannerSSE4Functions(void);

/*
 * Rectangle kernels, through their pointers. The 422 kernels serve both packed orders (U Y V Y
 * for PF_YUV_UYVY, Y U Y V for PF_YUV_YUYV); the NV12 kernels write U V pairs. The SSE2 variants
 * compute the same bytes as the scalar kernels.
 */
PF_API extern tBannerKernel DrawRectangleFrame420;
PF_API extern tBannerKernel DrawRectangleField420;
PF_API extern tBannerKernel DrawRectangleFrameTransparency420;
PF_API extern tBannerKernel DrawRectangleFieldTransparency420;
PF_API extern tBannerKernel DrawRectangleFrame422;
PF_API extern tBannerKernel DrawRectangleField422;
PF_API extern tBannerKernel DrawRectangleFrameTransparency422;
PF_API extern tBannerKernel DrawRectangleFieldTransparency422;
PF_API extern tBannerKernel DrawRectangleFrameNV12;
PF_API extern tBannerKernel DrawRectangleFieldNV12;
PF_API extern tBannerKernel DrawRectangleFrameTransparencyNV12;
PF_API extern tBannerKernel DrawRectangleFieldTransparencyNV12;

PF_API void DrawRectangleFrame420_c(const tImgPicture* ptPicture, const tBannerInstance* ptBanner,
                                    uint8_t u8Opacity);
PF_API void DrawRectangleField420_c(const tImgPicture* ptPicture, const tBannerInstance* ptBanner,
                                    uint8_t u8Opacity);
PF_API void DrawRectangleFrameTransparency420_c(const tImgPicture* ptPicture,
                                                const tBannerInstance* ptBanner, uint8_t u8Opacity);
PF_API void DrawRectangleFieldTransparency420_c(const tImgPicture* ptPicture,
                                                const tBannerInstance* ptBanner, uint8_t u8Opacity);
PF_API void DrawRectangleFrame422_c(const tImgPicture* ptPicture, const tBannerInstance* ptBanner,
                                    uint8_t u8Opacity);
PF_API void DrawRectangleField422_c(const tImgPicture* ptPicture, const tBannerInstance* ptBanner,
                                    uint8_t u8Opacity);
PF_API void DrawRectangleFrameTransparency422_c(const tImgPicture* ptPicture,
                                                const tBannerInstance* ptBanner, uint8_t u8Opacity);
PF_API void DrawRectangleFieldTransparency422_c(const tImgPicture* ptPicture,
                                                const tBannerInstance* ptBanner, uint8_t u8Opacity);
PF_API void DrawRectangleFrameNV12_c(const tImgPicture* ptPicture, const tBannerInstance* ptBanner,
                                     uint8_t u8Opacity);
PF_API void DrawRectangleFieldNV12_c(const tImgPicture* ptPicture, const tBannerInstance* ptBanner,
                                     uint8_t u8Opacity);
PF_API void DrawRectangleFrameTransparencyNV12_c(const tImgPicture* ptPicture,
                                                 const tBannerInstance* ptBanner,
                                                 uint8_t u8Opacity);
PF_API void DrawRectangleFieldTransparencyNV12_c(const tImgPicture* ptPicture,
                                                 const tBannerInstance* ptBanner,
                                                 uint8_t u8Opacity);
PF_API void DrawRectangleField422_sse2(const tImgPicture* ptPicture,
                                       const tBannerInstance* ptBanner, uint8_t u8Opacity);
PF_API void DrawRectangleFrame422_sse2(const tImgPicture* ptPicture,
                                       const tBannerInstance* ptBanner, uint8_t u8Opacity);
PF_API void DrawRectangleFrameTransparency422_sse2(const tImgPicture* ptPicture,
                                                   const tBannerInstance* ptBanner,
                                                   uint8_t u8Opacity);
PF_API void DrawRectangleFieldTransparency422_sse2(const tImgPicture* ptPicture,
                                                   const tBannerInstance* ptBanner,
                                                   uint8_t u8Opacity);
PF_API void DrawRectangleFrameTransparency420_sse2(const tImgPicture* ptPicture,
                                                   const tBannerInstance* ptBanner,
                                                   uint8_t u8Opacity);
PF_API void DrawRectangleFieldTransparency420_sse2(const tImgPicture* ptPicture,
                                                   const tBannerInstance* ptBanner,
                                                   uint8_t u8Opacity);

/** Rectangle of ImgDrawBanner, in picture pixels; the colour is converted as above. */
typedef struct tDrawBannerRect {
  int32_t s32Width;
  int32_t s32Height;
  int32_t s32Top;
  int32_t s32Left;
  uint8_t u8R;
  uint8_t u8G;
  uint8_t u8B;
} tDrawBannerRect;

/** Picture of ImgDrawBanner: planes, size and pitches in bytes. */
typedef struct tDrawBannerPicture {
  uint8_t* pu8Y;
  uint8_t* pu8U;
  uint8_t* pu8V;
  int32_t s32Width;      /**< picture width */
  int32_t s32Height;     /**< picture height */
  int32_t s32YPitch;     /**< luma pitch, >= s32Width */
  int32_t s32UVPitch;    /**< chroma pitch, >= s32Width / 2 for PF_YUV_420 and PF_YUV_422P */
  uint32_t u32ImageType; /**< PF_IMAGE_FRAME: frame; any other value: field-separated */
  uint32_t u32YuvType;   /**< PF_YUV_420 and PF_YUV_422P get chroma; other types luma only */
} tDrawBannerPicture;

/**
 * Plain opaque rectangle fill for the composition modules: (context, rectangle, picture); the
 * context is not read. The rectangle is clipped to the picture on all four sides; luma
 * s32Height rows of s32Width samples from (s32Top, s32Left); 4:2:0 chroma from row s32Top / 2
 * and column s32Left / 2, s32Height / 2 rows of s32Width / 2 samples; planar 4:2:2 chroma from
 * row s32Top, s32Height rows of s32Width / 2 samples. Field-separated pictures get frame row r in
 * field r & 1 at row r >> 1 (chroma rows alternate the same way). Returns 0, or
 * ERR_IMG_BANNER_PROCESS_PRIVATE_POINTER for a null record and ERR_IMG_BANNER_DATA_POINTER for a
 * null plane or a pitch too small for the width; nothing is written then.
 */
typedef uint32_t (*tImgDrawBanner)(void* pContext, const tDrawBannerRect* ptRect,
                                   const tDrawBannerPicture* ptPicture);
PF_API extern tImgDrawBanner ImgDrawBanner;
PF_API uint32_t ImgDrawBanner_c(void* pContext, const tDrawBannerRect* ptRect,
                                const tDrawBannerPicture* ptPicture);

PF_API extern const tImgProcFuncList tBannerFuncs;
/** The module's descriptor ("IMG_BANNER", id 9) and the pointer to it in section ".IMG$B". */
PF_API extern const tImgProcDesc tImgProc_Banner;
PF_API extern const tImgProcDesc* const ptImgProc_Banner;
PF_API extern const char* const pas8BannerAnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_BANNER_H_ */
