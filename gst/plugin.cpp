// SPDX-License-Identifier: BSD-2-Clause
// The plugin "pelforge": every element of the library's modules.
#include <gst/gst.h>

#include "elements.hpp"

namespace {

gboolean plugin_init(GstPlugin* plugin) {
  gboolean ok = TRUE;
  ok &= GST_ELEMENT_REGISTER(pfscale, plugin);
  ok &= GST_ELEMENT_REGISTER(pfdenoise, plugin);
  ok &= GST_ELEMENT_REGISTER(pfsharpen, plugin);
  ok &= GST_ELEMENT_REGISTER(pfblur, plugin);
  ok &= GST_ELEMENT_REGISTER(pfdeinterlace, plugin);
  ok &= GST_ELEMENT_REGISTER(pfdeblock, plugin);
  ok &= GST_ELEMENT_REGISTER(pfdering, plugin);
  ok &= GST_ELEMENT_REGISTER(pfmosaic, plugin);
  ok &= GST_ELEMENT_REGISTER(pfmotion, plugin);
  ok &= GST_ELEMENT_REGISTER(pfmerge, plugin);
  ok &= GST_ELEMENT_REGISTER(pfmergezoom, plugin);
  ok &= GST_ELEMENT_REGISTER(pfbanner, plugin);
  ok &= GST_ELEMENT_REGISTER(pflogo, plugin);
  ok &= GST_ELEMENT_REGISTER(pfpatternsrc, plugin);
  return ok;
}

}  // namespace

#define PACKAGE "pelforge"
GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, pelforge,
                  "Image-processing modules for digital video equipment", plugin_init,
                  PF_GST_VERSION, "BSD", "pelforge", "local build")
