/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * The 16:9 adaptation module (module id 16, "IMG_ADAPT_16vs9"). For now its error names and
 * version text; the picture processing follows.
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

PF_API uint32_t ImageAdapt16vs9GetVersion_c(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen);
PF_API uint32_t ImageAdapt16vs9AnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen,
                                                  char* ps8Buf);

PF_API extern const char* const pas8ImageAdapt16vs9AnalyzeErrorCode[];

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_IMG_ADAPT_16VS9_H_ */
