// SPDX-License-Identifier: BSD-2-Clause
// The video codec unit library stand-in. (to come)
#include "video_unit.h"
