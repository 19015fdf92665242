/* SPDX-License-Identifier: BSD-2-Clause */
/* A minimal host built against an installed pelforge: looks a module up, names an error code,
 * reads a version text, opens and closes a resizer. Exits non-zero on any surprise. */
#include <img_resizer.h>
#include <pelforge.h>
#include <stdio.h>
#include <string.h>
#include <video_mem.h>

int main(void) {
  const tImgProcFuncList* resizer = VekVideoPelForgeGetFuncList(24);
  if (resizer == NULL || VekVideoPelForgeGetFuncList(15) != NULL) return 1;

  char text[128];
  if (resizer->AnalyzeErrorCode(0xC6A00004u, (int32_t)sizeof text, text) != 0 ||
      strcmp(text, "ERR_IMG_RESIZER_SELF_SRCWIDTH_ILLEGAL") != 0) {
    return 2;
  }
  uint32_t length = 0;
  if (resizer->GetVersion(text, (int32_t)sizeof text, &length) != 0 || length != strlen(text)) {
    return 3;
  }

  void* mem = VideoMemCreate();
  tImageResizerParam p;
  memset(&p, 0, sizeof p);
  p.s32SrcWidth = 64;
  p.s32SrcHeight = 32;
  p.u32SrcYuvType = PF_YUV_420;
  p.u32SrcImageType = PF_IMAGE_FRAME;
  p.s32DstWidth = 32;
  p.s32DstHeight = 16;
  p.u32DstYuvType = PF_YUV_420;
  p.u32DstImageType = PF_IMAGE_FRAME;
  void* handle = NULL;
  if (resizer->Open(&handle, &p, mem) != 0 || resizer->Close(handle) != 0) return 4;
  VideoMemDestroy(mem);
  printf("%s", text);
  return 0;
}
