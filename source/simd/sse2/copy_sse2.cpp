// SPDX-License-Identifier: BSD-2-Clause
// PLACEHOLDER: SSE2 variants still call their scalar twins.
#include "img_resizer.h"

extern "C" {

void CopyPic422Pto422P_sse2(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  CopyPic422Pto422P_c(s, g, a, b);
}
void CopyPic420to422P_sse2(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  CopyPic420to422P_c(s, g, a, b);
}
void CopyPic420Ito422PI_sse2(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  CopyPic420Ito422PI_c(s, g, a, b);
}
void CopyPic420Fieldto422PFrameI_sse2(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  CopyPic420Fieldto422PFrameI_c(s, g, a, b);
}
void CopyPic422Pto420_sse2(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  CopyPic422Pto420_c(s, g, a, b);
}
void FrametoField420to420_sse2(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  FrametoField420to420_c(s, g, a, b);
}
void FieldtoFrame420to420_sse2(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  FieldtoFrame420to420_c(s, g, a, b);
}
void FieldtoField420to420_sse2(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  FieldtoField420to420_c(s, g, a, b);
}
void CopyPic420to420_sse2(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  CopyPic420to420_c(s, g, a, b);
}
void CopyPic422to422_sse2(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  CopyPic422to422_c(s, g, a, b);
}

}  // extern "C"
