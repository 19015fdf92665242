// SPDX-License-Identifier: BSD-2-Clause
// Random resizer parameter records that the resizer accepts, spread over every YUV and image
// type pair, with cuts, offsets, fills and the special sizes some kernels are chosen for.
#ifndef PELFORGE_TESTS_SUPPORT_RESIZER_CASES_HPP_
#define PELFORGE_TESTS_SUPPORT_RESIZER_CASES_HPP_

#include <string>

#include "img_resizer.h"
#include "rng.hpp"

namespace pft {

struct ResizerCaseOptions {
  int max_width = 48;        // of the scaled rectangles, in the generic cases
  int max_height = 40;       // likewise, a multiple of 4
  int special_percent = 15;  // D1 and CIF sizes that select dedicated kernels
  int border_percent = 30;   // chance of each cut, offset and fill being non-zero
  int nearest_percent = 10;  // chance of the nearest-neighbour extension record
};

// A record that may or may not pass validation; callers Open it and skip refusals.
tImageResizerParam random_resizer_param(Rng& rng, const ResizerCaseOptions& options = {});

// "420/1 64x32 -> 420/2 32x16 cut t,b,l,r offset ... fill ..." for messages.
std::string describe(const tImageResizerParam& p);

}  // namespace pft

#endif  // PELFORGE_TESTS_SUPPORT_RESIZER_CASES_HPP_
