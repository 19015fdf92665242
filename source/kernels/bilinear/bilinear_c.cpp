// SPDX-License-Identifier: BSD-2-Clause
// PLACEHOLDER: kernels not written yet; they do nothing.
#include "img_resizer.h"

extern "C" {

void BilinearFrameItoFrame422to420_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void BilinearFrameItoFrameI422to420_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void BilinearframeItoframe420to422P_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void BilinearframeItoframe422Pto420_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void BilinearframeItoframe422Pto422P_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void BilinearframeItoframeI420to422P_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void Bilinearframetofield422to420_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void Bilinearframetoframe420to422P_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void Bilinearframetoframe422Pto420_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void Bilinearframetoframe422Pto422P_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void Bilinearframetoframe422to420_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void Bilinearframetoframe422to422ItoI_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void Bilinearframetoframe422to422ItoP_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void Bilinearframetoframe422to422_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void ConvertCifFrameto720x576FieldFilter_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void GeneralBilinearfieldtofield420to420_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void GeneralBilinearfieldtoframe420to420ItoF_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void GeneralBilinearfieldtoframe420to420_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void GeneralBilinearfieldtoframe420to422_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void GeneralBilinearframeItoframe420to420_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void GeneralBilinearframeItoframeI420to420_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void GeneralBilinearframeItoframeI420to422_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void GeneralBilinearframetofield420to420_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void GeneralBilinearframetoframe420to420_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void GeneralBilinearframetoframe420to422_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void YUV422Width720toYUV420Width352Cut16Point_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void YUV422toYUV420ScaleDown_c(void**, tResizerGeometry*, tImgPicture*, tImgPicture*) {}
void BilinearZoom_c(void*, const uint8_t*, uint8_t*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}

}  // extern "C"
