// SPDX-License-Identifier: BSD-2-Clause
// PLACEHOLDER: SSSE3 variants still call their scalar twins.
#include "img_resizer.h"

extern "C" {

void FrametoFrame420to422_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  FrametoFrame420to422_c(s, g, a, b);
}
void FieldtoFrame420to422_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  FieldtoFrame420to422_c(s, g, a, b);
}
void FrametoFrame422to420_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  FrametoFrame422to420_c(s, g, a, b);
}
void FrametoField422to420_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  FrametoField422to420_c(s, g, a, b);
}
void YUYVtoYUV420Conversion_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  YUYVtoYUV420Conversion_c(s, g, a, b);
}
void YUV422toYUV420D1FrametoD1Frame_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  YUV422toYUV420D1FrametoD1Frame_c(s, g, a, b);
}
void YUV422toYUV420D1FrametoD1Field_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  YUV422toYUV420D1FrametoD1Field_c(s, g, a, b);
}
void YUV422toYUV420D1FieldtoD1Field_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  YUV422toYUV420D1FieldtoD1Field_c(s, g, a, b);
}

}  // extern "C"
