// SPDX-License-Identifier: BSD-2-Clause
// Command lines of the video commands (resize, convert, rgb). Options follow ffmpeg's habits:
// -s, -pix_fmt, -f and -r describe the file that comes next (the input when they precede it, the
// output when they follow it), -i is optional, -o names the output, "-" is a pipe.
#ifndef PELFORGE_TOOLS_ARGS_HPP_
#define PELFORGE_TOOLS_ARGS_HPP_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats.hpp"
#include "pipeline.hpp"
#include "run.hpp"
#include "stream_io.hpp"

namespace pf::cli {

enum class VideoCommand { kResize, kConvert, kRgb };
const char* command_name(VideoCommand command);

using OutputOptions = StreamOptions;

struct VideoArgs {
  bool help = false;
  InputOptions input;
  OutputOptions output;
  Geometry geometry;
  bool geometry_given = false;  // any of --crop, --offset, --fill, --fill-color, --nearest
  uint64_t max_frames = 0;
  bool quiet = false;
  PreviewOptions preview;
};

// Throws UsageError with a message that names the offending option.
VideoArgs parse_video_args(VideoCommand command, const std::vector<std::string>& args);
std::string video_help(VideoCommand command);

}  // namespace pf::cli

#endif  // PELFORGE_TOOLS_ARGS_HPP_
