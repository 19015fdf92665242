// SPDX-License-Identifier: BSD-2-Clause
// PLACEHOLDER: SSSE3 variants still call their scalar twins.
#include "img_resizer.h"

extern "C" {

void GeneralBilinearframetoframe420to422_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  GeneralBilinearframetoframe420to422_c(s, g, a, b);
}
void GeneralBilinearfieldtoframe420to422_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  GeneralBilinearfieldtoframe420to422_c(s, g, a, b);
}
void GeneralBilinearframeItoframeI420to422_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  GeneralBilinearframeItoframeI420to422_c(s, g, a, b);
}
void Bilinearframetoframe422to420_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  Bilinearframetoframe422to420_c(s, g, a, b);
}
void Bilinearframetofield422to420_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  Bilinearframetofield422to420_c(s, g, a, b);
}
void BilinearFrameItoFrameI422to420_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  BilinearFrameItoFrameI422to420_c(s, g, a, b);
}
void BilinearFrameItoFrame422to420_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  BilinearFrameItoFrame422to420_c(s, g, a, b);
}
void Bilinearframetoframe422to422_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  Bilinearframetoframe422to422_c(s, g, a, b);
}
void Bilinearframetoframe422to422ItoI_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  Bilinearframetoframe422to422ItoI_c(s, g, a, b);
}
void Bilinearframetoframe422to422ItoP_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  Bilinearframetoframe422to422ItoP_c(s, g, a, b);
}
void YUV422Width720toYUV420Width352Cut16Point_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  YUV422Width720toYUV420Width352Cut16Point_c(s, g, a, b);
}
void YUV422toYUV420ScaleDown_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  YUV422toYUV420ScaleDown_c(s, g, a, b);
}

}  // extern "C"
