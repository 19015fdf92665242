// SPDX-License-Identifier: BSD-2-Clause
// PLACEHOLDER: SSSE3 variants still call their scalar twins.
#include "img_resizer.h"

extern "C" {

void GeneralBilinearframetoframe420to420_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  GeneralBilinearframetoframe420to420_c(s, g, a, b);
}
void GeneralBilinearframetofield420to420_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  GeneralBilinearframetofield420to420_c(s, g, a, b);
}
void GeneralBilinearfieldtofield420to420_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  GeneralBilinearfieldtofield420to420_c(s, g, a, b);
}
void GeneralBilinearfieldtoframe420to420_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  GeneralBilinearfieldtoframe420to420_c(s, g, a, b);
}
void GeneralBilinearframeItoframeI420to420_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  GeneralBilinearframeItoframeI420to420_c(s, g, a, b);
}
void GeneralBilinearframeItoframe420to420_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  GeneralBilinearframeItoframe420to420_c(s, g, a, b);
}
void GeneralBilinearfieldtoframe420to420ItoF_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  GeneralBilinearfieldtoframe420to420ItoF_c(s, g, a, b);
}
void ConvertCifFrameto720x576FieldFilter_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  ConvertCifFrameto720x576FieldFilter_c(s, g, a, b);
}
void Bilinearframetoframe420to422P_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  Bilinearframetoframe420to422P_c(s, g, a, b);
}
void BilinearframeItoframe420to422P_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  BilinearframeItoframe420to422P_c(s, g, a, b);
}
void BilinearframeItoframeI420to422P_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  BilinearframeItoframeI420to422P_c(s, g, a, b);
}
void Bilinearframetoframe422Pto420_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  Bilinearframetoframe422Pto420_c(s, g, a, b);
}
void BilinearframeItoframe422Pto420_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  BilinearframeItoframe422Pto420_c(s, g, a, b);
}
void Bilinearframetoframe422Pto422P_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  Bilinearframetoframe422Pto422P_c(s, g, a, b);
}
void BilinearframeItoframe422Pto422P_ssse3(void** s, tResizerGeometry* g, tImgPicture* a, tImgPicture* b) {
  BilinearframeItoframe422Pto422P_c(s, g, a, b);
}
void BilinearZoom_ssse3(void* s, const uint8_t* a, uint8_t* b, uint32_t sw, uint32_t sh,
                        uint32_t sp, uint32_t dw, uint32_t dh, uint32_t dp, int32_t) {
  BilinearZoom_c(s, a, b, sw, sh, sp, dw, dh, dp);
}

}  // extern "C"
