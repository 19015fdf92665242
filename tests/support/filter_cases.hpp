// SPDX-License-Identifier: BSD-2-Clause
// Random cases for the deinterlace, deblock and dering filters: geometries with odd strides, and
// picture contents that drive every branch of their decisions (combing, still and moving areas,
// diagonal edges, blocking, flat and textured blocks, extremes).
#ifndef PELFORGE_TESTS_SUPPORT_FILTER_CASES_HPP_
#define PELFORGE_TESTS_SUPPORT_FILTER_CASES_HPP_

#include <cstdint>
#include <string>

#include "guarded.hpp"
#include "img_deinterlace.h"
#include "rng.hpp"

namespace pft {

// A valid deinterlace record for `mode` (field-separated only where the mode has it). Strides
// are left 0: the picture built for the case supplies them.
tImgDeinterlaceParam random_deinterlace_param(Rng& rng, int32_t mode, int32_t max_width = 200,
                                              int32_t max_height = 96);
std::string describe(const tImgDeinterlaceParam& p);

// Fills every plane of a picture with one of the content kinds, picked at random.
void fill_filter_content(GuardedPicture& picture, Rng& rng);
// Decoded-looking content for deblock and dering: 8 x 8 blocks of near-constant values with
// steps between them, some textured blocks, some sharp edges, and ringing-like ripples.
void fill_blocky_content(GuardedPicture& picture, Rng& rng);
// A quantiser from the values that matter: 0, small, typical, extremes, negative, random.
int32_t random_qp(Rng& rng);

}  // namespace pft

#endif  // PELFORGE_TESTS_SUPPORT_FILTER_CASES_HPP_
