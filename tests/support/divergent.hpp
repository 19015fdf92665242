// SPDX-License-Identifier: BSD-2-Clause
// Models of the SIMD variants that compute a different picture from their scalar twins, written
// from what each variant is defined to do. The parity harness and the resizer tests hold such a
// variant to its model instead of to the scalar kernel.
#ifndef PELFORGE_TESTS_SUPPORT_DIVERGENT_HPP_
#define PELFORGE_TESTS_SUPPORT_DIVERGENT_HPP_

#include "img_deinterlace.h"
#include "img_resizer.h"

namespace pft {

// The SSSE3 CIF-to-field filter: Y (SW x SH to DW x DH) and U and V (SW/2 x SH/2 to DW/2 x DH/2)
// each scaled on its own by BilinearZoom_c, output line j stored at line j/2 (even j) or
// height/2 + j/2 (odd j) of the plane exactly as the destination record addresses it. Nothing
// else is written: no fill is painted.
void cif_field_filter_model(void** scratch, tResizerGeometry* geometry, tImgPicture* src,
                            tImgPicture* dst);

// The model that `variant` is held to, or null when the variant reproduces its scalar twin
// (null variants included).
tResizerKernel divergent_model(tResizerKernel variant);

// The SSE2 mode-0 deinterlacer: each plane (Y, then U and V at half size) has its odd lines
// 1 .. Hp - 3 visited (none when Hp / 2 < 3), in groups of 8 pixels from x = 0 (a last, shorter
// group over the pixels it has); a group becomes avg(P, N) when s1 + s2 > s3 + s4.
uint32_t deinterlace_mode0_sse2_model(tImgDeinterlaceInstance* instance, uint8_t* y, uint8_t* u,
                                      uint8_t* v);
tImgDeinterlaceKernel divergent_model(tImgDeinterlaceKernel variant);

}  // namespace pft

#endif  // PELFORGE_TESTS_SUPPORT_DIVERGENT_HPP_
