// SPDX-License-Identifier: BSD-2-Clause
// PLACEHOLDER: kernels not written yet; they do nothing.
#include "img_resizer.h"

extern "C" {

void YUV422toYUV420D1FieldtoD1Field_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void YUV422toYUV420D1FrametoD1Field_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void YUV422toYUV420D1FrametoD1Frame_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}

}  // extern "C"
