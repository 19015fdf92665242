// SPDX-License-Identifier: BSD-2-Clause
// Command lines of the verbs that read and write picture streams. Options follow ffmpeg's habits:
// -s, -pix_fmt, -f and -r describe the file that comes next (an input when they precede it, the
// output when they follow the last input), -i is optional, -o names the output, "-" is a pipe.
// Each verb adds its own options through a callback and keeps all the common ones.
#ifndef PELFORGE_TOOLS_ARGS_HPP_
#define PELFORGE_TOOLS_ARGS_HPP_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "formats.hpp"
#include "pipeline.hpp"
#include "run.hpp"
#include "stream_io.hpp"

namespace pf::cli {

using OutputOptions = StreamOptions;

// One option the common parser does not know, handed to the verb. Reading the value advances
// past it; the helpers throw UsageError naming the option.
class OptionValue {
 public:
  OptionValue(std::string name, std::optional<std::string> inline_value,
              std::function<std::string()> next_word)
      : name_(std::move(name)), inline_(std::move(inline_value)), next_(std::move(next_word)) {}
  // The option as written, without an inline "=value": "--strength".
  const std::string& name() const { return name_; }
  // Its value: what follows '=' in --name=value, else the next word.
  std::string text();
  // Checks that the option came without a value (--flag=1 is refused).
  void flag() const;
  // The value as an integer (decimal or 0x hex, a sign allowed) within [lo, hi].
  int64_t integer(int64_t lo, int64_t hi);
  // The value as exactly `count` comma-separated integers.
  std::vector<int> list(size_t count);

 private:
  std::string name_;
  std::optional<std::string> inline_;
  std::function<std::string()> next_;
};

// The option at args[i]: "--name=value" gives its value inline, any other option takes the next
// word when asked for a value (moving i past it).
OptionValue option_at(const std::vector<std::string>& args, size_t& i);

// Returns true when the verb knew the option (and took its value); false lets the parser report
// it as unknown.
using ExtraOptions = std::function<bool(OptionValue& option)>;

// The shape of a verb's command line.
struct StreamSyntax {
  std::string verb;  // for messages: "see pelforge VERB --help"
  size_t min_inputs = 1;
  size_t max_inputs = 1;  // more than one: every file named is an input and -o names the output
  bool output_required = true;
  ExtraOptions extra;  // may be empty
};

struct StreamArgs {
  bool help = false;
  std::vector<InputOptions> inputs;  // in command-line order
  OutputOptions output;              // path empty when none was named (and none is required)
  uint64_t max_frames = 0;
  bool quiet = false;
  PreviewOptions preview;
};

// Throws UsageError with a message that names the offending option. With help asked for, the
// rest of the line is not checked.
StreamArgs parse_stream_args(const StreamSyntax& syntax, const std::vector<std::string>& args);

// What every stream verb's --help shows about the common options. `several_inputs` adds how to
// name more than one input; `output_optional` says the verb writes pictures only when asked.
std::string common_options_help(bool several_inputs, bool output_optional);
// The pixel formats, one line each, as --help lists them.
std::string pix_fmts_help();

// ---- resize, convert, rgb ----

enum class VideoCommand { kResize, kConvert, kRgb };
const char* command_name(VideoCommand command);

struct VideoArgs : StreamArgs {
  Geometry geometry;
  bool geometry_given = false;  // any of --crop, --offset, --fill, --fill-color, --nearest
  bool keep_aspect = false;     // resize: keep the picture's shape inside black bars
  bool scene_changes = false;   // convert: report the scene-change flag of every picture
};

VideoArgs parse_video_args(VideoCommand command, const std::vector<std::string>& args);
std::string video_help(VideoCommand command);

}  // namespace pf::cli

#endif  // PELFORGE_TOOLS_ARGS_HPP_
