// SPDX-License-Identifier: BSD-2-Clause
// PLACEHOLDER: kernels not written yet; they do nothing.
#include "img_resizer.h"

extern "C" {

void Bilinearframetoframe420SPto420SP_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void BilinearframetoframeYUYVtoYUYV_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void CopyPicNV12to420_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void CopyPicNV21to420_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void FrametoFieldNV12to420_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void FrametoFieldNV21to420_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void NV12toNV21Conversion_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void NV12toYUV420Conversion_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void NV21toNV12Conversion_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void NV21toYUV420Conversion_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void Nearestframetoframe420to420_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void Nearestframetoframe422Pto422P_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void YUV420toNV12Conversion_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void YUV420toNV21Conversion_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void YUV420toYUYVConversion_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void YUYVtoNV12ConversionAndBilinear_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void YUYVtoYUV420Conversion_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void NearestZoom_c(const uint8_t*, uint8_t*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}

}  // extern "C"
