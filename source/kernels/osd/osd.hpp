// SPDX-License-Identifier: BSD-2-Clause
// Helpers of the OSD filter's kernels that the module calls directly.
#ifndef PELFORGE_SOURCE_KERNELS_OSD_OSD_HPP_
#define PELFORGE_SOURCE_KERNELS_OSD_OSD_HPP_

#include <cstdint>

#include "img_filterosd.h"

namespace pf::osd {

// div[s] = min(s / (weight + 8), 255) for every sum the filter can form with this weight; the
// rest of the table is zeroed.
void build_div_table(uint8_t* table, uint8_t center_weight);

}  // namespace pf::osd

#endif  // PELFORGE_SOURCE_KERNELS_OSD_OSD_HPP_
