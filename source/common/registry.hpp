// SPDX-License-Identifier: BSD-2-Clause
#ifndef PELFORGE_SOURCE_COMMON_REGISTRY_HPP_
#define PELFORGE_SOURCE_COMMON_REGISTRY_HPP_

#include <cstddef>

namespace pf {

// How many entries gaptPelForgePrcList holds: the modules registered in this build.
size_t registry_size();

}  // namespace pf

#endif  // PELFORGE_SOURCE_COMMON_REGISTRY_HPP_
