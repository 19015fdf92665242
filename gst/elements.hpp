// SPDX-License-Identifier: BSD-2-Clause
// The plugin's elements: each file registers its elements with GST_ELEMENT_REGISTER_DEFINE and
// plugin.cpp registers them all.
#ifndef PELFORGE_GST_ELEMENTS_HPP_
#define PELFORGE_GST_ELEMENTS_HPP_

#include <gst/gst.h>

GST_ELEMENT_REGISTER_DECLARE(pfscale);
GST_ELEMENT_REGISTER_DECLARE(pfdenoise);
GST_ELEMENT_REGISTER_DECLARE(pfsharpen);
GST_ELEMENT_REGISTER_DECLARE(pfblur);
GST_ELEMENT_REGISTER_DECLARE(pfbanner);
GST_ELEMENT_REGISTER_DECLARE(pflogo);
GST_ELEMENT_REGISTER_DECLARE(pfpatternsrc);

#endif  // PELFORGE_GST_ELEMENTS_HPP_
