/* SPDX-License-Identifier: BSD-2-Clause */
/* pelforge: the types every module shares, the module function table and the registry. */
#ifndef PELFORGE_H_
#define PELFORGE_H_

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__)
#define PF_API __attribute__((visibility("default")))
#else
#define PF_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Status codes. Every entry point returns a 32-bit status: 0 is success, module errors are
 * 0xC0000000 + block * 0x200000 + k (k from 1), listed in each module's header.
 *
 * The error enumerations in the module headers hold values above INT_MAX. GCC and Clang accept
 * that in C99 and give such an enumeration the type unsigned int; ISO C before C23 does not, so
 * a -pedantic build warns about it. We accept that trade to keep each name and its code in one
 * list.
 */
#define PF_STATUS_OK 0u
#define PF_ERR_CODE_NOT_NAMEABLE 0xE0000001u /**< AnalyzeErrorCode: no module names this code */
#define PF_ERR_NAME_BUFFER_SHORT 0xE0000002u /**< AnalyzeErrorCode: buffer too short */

/* YUV type codes: how the samples of a picture are laid out. */
#define PF_YUV_420 420u     /**< planar 4:2:0: Y, U, V planes; U and V are w/2 x h/2 */
#define PF_YUV_420_VU 4202u /**< planar 4:2:0 with V before U in one buffer */
#define PF_YUV_422P 4221u   /**< planar 4:2:2: U and V are w/2 x h */
#define PF_YUV_UYVY 422u    /**< packed 4:2:2, bytes U Y0 V Y1; pitch counted in pixels */
#define PF_YUV_YUYV 4201u   /**< packed 4:2:2, bytes Y0 U Y1 V; pitch counted in pixels */
#define PF_YUV_NV12 42012u  /**< semi-planar 4:2:0: Y plane, then U V pairs */
#define PF_YUV_NV21 42021u  /**< semi-planar 4:2:0: Y plane, then V U pairs */

/* Image type codes: how the lines of the two fields are stored. */
#define PF_IMAGE_FRAME 1u      /**< lines in display order, processed as one picture */
#define PF_IMAGE_FIELD 2u      /**< all lines of the top field, then all lines of the bottom one */
#define PF_IMAGE_INTERLACED 3u /**< display order, but each field is processed on its own */

/* Scratch every instance gets from the memory service for its line buffers. */
#define PF_FAST_SCRATCH_BYTES 0x18000u

/* Callers must give GetVersion at least this many bytes. */
#define PF_VERSION_MIN_BUFFER 100

/**
 * Picture record used by the resizer and the modules built on it. Missing chroma pointers (U or
 * V null) are derived from Y: the chroma planes then follow the luma plane in one buffer.
 */
typedef struct tImgPicture {
  uint8_t* pu8Y;       /**< first luma byte; for packed types the first byte of the only plane */
  uint8_t* pu8U;       /**< U plane (NV12: the interleaved chroma plane); may be null */
  uint8_t* pu8V;       /**< V plane (NV21: the interleaved chroma plane); may be null */
  uint32_t u32YPitch;  /**< distance between luma lines: bytes, or pixels for packed types */
  uint32_t u32UVPitch; /**< distance between chroma lines in bytes */
  uint32_t u32Spare1;  /**< set to 0 by callers; D1 conversions report a scene change here */
  uint32_t u32Spare2;  /**< set to 0 by callers; not read */
} tImgPicture;

/**
 * The nine entry points of a module, in slot order. Handles are opaque pointers to the module's
 * instance; parameter, input and output records are the module's own record types.
 */
typedef struct tImgProcFuncList {
  uint32_t (*Open)(void** phHandle, const void* pParam, void* hMem);
  uint32_t (*Process)(void* hHandle, void* pInput, void* pOutput);
  uint32_t (*Close)(void* hHandle);
  uint32_t (*SetParam)(void* hHandle, const void* pParam);
  uint32_t (*GetVersion)(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
  uint32_t (*GetStatus)(void* hHandle, void* pStatus);
  uint32_t (*AnalyzeErrorCode)(uint32_t u32Code, int32_t s32BufLen, char* ps8Buf);
  uint32_t (*Debug)(void* hHandle, void* pArg);
  uint32_t (*GetMemSize)(const void* pParam, uint32_t* pu32Size);
} tImgProcFuncList;

/** Module descriptor: the id the registry looks up, the module's table and its name. */
typedef struct tImgProcDesc {
  uint32_t u32ModuleId;
  const tImgProcFuncList* ptFuncList;
  const char* ps8Name;
} tImgProcDesc;

/**
 * Returns the function table of the registered module whose id is u32ModuleId, or null when no
 * registered module has that id.
 */
PF_API const tImgProcFuncList* VekVideoPelForgeGetFuncList(uint32_t u32ModuleId);

/** The registered modules' descriptors, in registry order; every entry is non-null. */
PF_API extern const tImgProcDesc* const gaptPelForgePrcList[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_H_ */
