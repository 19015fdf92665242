// SPDX-License-Identifier: BSD-2-Clause
// The layouts of the merge-with-zoom module as the command line names them: grids, layout files
// and style codes, and the window record of a stream's pictures. Shared by mergezoom and the
// monitor wall of multidec.
#ifndef PELFORGE_TOOLS_VERBS_MERGEZOOM_HPP_
#define PELFORGE_TOOLS_VERBS_MERGEZOOM_HPP_

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "formats.hpp"
#include "img_merge_zoom.h"

namespace pf::cli {

// Index into al32MergeStyle of a style code; -1 when the library has none.
int find_merge_style(uint32_t code);
int merge_style_windows(int style);
// The tiling whose windows are all 1/cols x 1/rows of the picture; -1 when there is none.
int find_grid_style(int cols, int rows);
// The style's window indexes row by row, left to right.
std::vector<int> reading_order(int style);

// A layout: the style and, for each of its windows in the order they were named, the window
// number, the zoom style (0: the default) and whether it has a focus frame.
struct MergeLayout {
  int style = -1;
  std::vector<int> windows;
  std::vector<uint32_t> zoom;
  std::vector<bool> focus;
};

// Reads a layout file: window lines 'LEFT TOP WIDTH HEIGHT [ZOOM] [focus]' (fractions of the
// picture) that must be the windows of one style, in any order, or one line 'style CODE'.
// Throws UsageError naming the file and line.
MergeLayout read_merge_layout(std::istream& in, const std::string& name);

// The window record of window `number` for pictures of `f`, in zoom style `zoom`; the aspect is
// the display aspect when the stream's pixel aspect makes it one the module knows.
tImageMergeZoomWindow merge_window(int number, const VideoFormat& f, uint32_t zoom);

}  // namespace pf::cli

#endif  // PELFORGE_TOOLS_VERBS_MERGEZOOM_HPP_
