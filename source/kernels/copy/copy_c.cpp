// SPDX-License-Identifier: BSD-2-Clause
// PLACEHOLDER: kernels not written yet; they do nothing.
#include "img_resizer.h"

extern "C" {

void CopyPic420Fieldto422PFrameI_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void CopyPic420Ito422PI_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void CopyPic420to420_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void CopyPic420to422P_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void CopyPic422Pto420_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void CopyPic422Pto422P_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void CopyPic422to422_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void FieldtoField420to420_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void FieldtoFrame420to420_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void FieldtoFrame420to422_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void FrametoField420to420_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void FrametoField422to420_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void FrametoFrame420to422_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void FrametoFrame422to420_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}

}  // extern "C"
