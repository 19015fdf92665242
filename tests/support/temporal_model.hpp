// SPDX-License-Identifier: BSD-2-Clause
// The two temporal filters written from their definitions, for the tests: the block blend every
// processor without SSE2 runs, and the per-pixel window filter of the SSE2 kernel.
#ifndef PELFORGE_TESTS_SUPPORT_TEMPORAL_MODEL_HPP_
#define PELFORGE_TESTS_SUPPORT_TEMPORAL_MODEL_HPP_

#include <cstdint>

namespace pft {

// One plane (line step = width): 4 x 4 blocks blended with the previous output by the sum of
// their differences.
void block_blend_model(uint8_t* cur, uint8_t* pre, int width, int height);

// One plane: each pixel weighted by au8GuassDiff[strength][min(S >> 6, 63)], S the sum of
// differences of the input pictures over lines y - 8 .. y + 8 and columns max(x - 7, 1) ..
// min(x + 8, width - 1).
void window_filter_model(uint8_t* cur, uint8_t* pre, int width, int height, int strength);

}  // namespace pft

#endif  // PELFORGE_TESTS_SUPPORT_TEMPORAL_MODEL_HPP_
