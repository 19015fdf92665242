// SPDX-License-Identifier: BSD-2-Clause
// The shape shared by the verbs that run one or two library modules on every picture of a
// stream: the common options and help, opening the inputs and the output, converting pictures
// into what the module takes and out of what it gives, progress, previews and per-frame reports.
// A verb describes itself in a StreamVerb and adds its module calls as stages:
//
//   PF_VERB_MAIN(soften) {                      // inside namespace pf::cli
//     int strength = 8;
//     StreamVerb verb;
//     verb.name = "soften";
//     verb.description = "Softens every picture with the library's soften filter.\n";
//     verb.options_help = "  --strength N          0 to 64 (default 8)\n";
//     verb.examples = "  pelforge soften in.y4m --strength 12 -o out.y4m\n";
//     verb.formats = {"yuv420p"};                // anything else is converted on the way in
//     verb.options = [&](OptionValue& o) {
//       if (o.name() != "--strength") return false;
//       strength = static_cast<int>(o.integer(0, 64));
//       return true;
//     };
//     verb.build = [&](StreamContext& ctx) {
//       const VideoFormat& f = ctx.format();
//       tSoftenParam p{};                        // the module's record, from f and strength
//       auto module = ctx.open(kSoftenId, &p);  // a refusal throws ModuleError
//       ctx.then_in_place("soften (module 99)", [module, f](uint8_t* picture) {
//         tImgPicture pic = picture_record(*f.fmt, f.width, f.height, picture);
//         module->process(&pic, &pic);
//       });
//     };
//     return run_stream_verb(verb, args, console);
//   }
#ifndef PELFORGE_TOOLS_VERBS_STREAM_VERB_HPP_
#define PELFORGE_TOOLS_VERBS_STREAM_VERB_HPP_

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "args.hpp"
#include "cli.hpp"
#include "modules.hpp"
#include "pipeline.hpp"
#include "stream_io.hpp"
#include "verbs.hpp"

namespace pf::cli {

class StreamContext;

struct StreamVerb {
  const char* name = "";             // as in the verb table
  const char* description = "";      // what it does: a few lines, each ending in "\n"
  const char* options_help = "";     // its own options, "  --name V              what\n" lines
  const char* examples = "";         // "  pelforge NAME ...\n" lines; --help always shows them
  std::vector<const char*> formats;  // pixel formats the module takes (first: the one converted
                                     // to); empty: any
  std::vector<uint32_t> layouts;     // storages it takes (PF_IMAGE_*), first preferred; empty: any
  size_t min_inputs = 1;
  size_t max_inputs = 1;        // more than one: build() must call ctx.combine()
  bool output_required = true;  // false for analysis verbs, which report and may write nothing
  ExtraOptions options;         // its own options; may be empty
  // Called once the inputs are open: adds the verb's stages (module instances are opened here,
  // so a refused parameter record fails before any picture is read).
  std::function<void(StreamContext& ctx)> build;
  // Called after the last picture, for closing reports (totals); may be empty.
  std::function<void(StreamContext& ctx)> finish;
};

// Parses the command line, runs the verb on every picture and returns the exit status. Throws
// UsageError and CliError for run_cli to report.
int run_stream_verb(const StreamVerb& verb, const VerbArgs& args, const Console& console);

// The verb's full --help text (also for tests).
std::string stream_verb_help(const StreamVerb& verb);

// What build() and the stages see of the run.
class StreamContext {
 public:
  virtual ~StreamContext() = default;
  // The command line as parsed (inputs in order, the output, -frames, -q, previews).
  virtual const StreamArgs& args() const = 0;
  // Opens an instance of a library module on the run's memory; ModuleError when it refuses the
  // parameter record. The instance keeps the memory handle alive, so stages and the finish
  // callback may hold it as long as they like.
  virtual std::shared_ptr<Instance> open(uint32_t module_id, const void* param) = 0;
  // The run's video memory handle (for library stages such as make_resizer_stage).
  virtual void* mem() const = 0;
  // The pictures the next stage receives: the input after conversion to a format the verb
  // takes, then each added stage's output.
  virtual const VideoFormat& format() const = 0;
  // Verbs with several inputs: each input's pictures after conversion, in command-line order.
  virtual const std::vector<VideoFormat>& inputs() const = 0;

  // Appends a stage on pictures of format(): fn(in, out) writes a picture of `out`.
  virtual void then(std::unique_ptr<Stage> stage) = 0;
  template <class Fn>
  void then(std::string description, const VideoFormat& out, Fn fn) {
    then(make_stage(format(), out, std::move(description), std::move(fn)));
  }
  // Appends a stage for a module that works in place: fn(picture) on a copy of each picture.
  template <class Fn>
  void then_in_place(std::string description, Fn fn) {
    then(make_in_place_stage(format(), std::move(description), std::move(fn)));
  }
  // Appends library conversions to `out` (between two modules that take different pictures).
  virtual void then_convert(const VideoFormat& out) = 0;
  // Verbs with several inputs start their chain here: each frame, fn(ins, out) gets one picture
  // of every input (ins[i] holds a picture of inputs()[i]) and writes a picture of `out`. The run
  // stops with the shortest input.
  template <class Fn>
  void combine(const VideoFormat& out, Fn fn) {
    auto shared = std::make_shared<Fn>(std::move(fn));  // move-only callables welcome
    combine_pictures(
        out, [shared](std::span<uint8_t* const> ins, uint8_t* dst) { (*shared)(ins, dst); });
  }
  using CombineFn = std::function<void(std::span<uint8_t* const> ins, uint8_t* out)>;
  virtual void combine_pictures(const VideoFormat& out, CombineFn fn) = 0;

  // Index of the picture being processed, from 0 (in finish: of the last picture).
  virtual uint64_t frame() const = 0;
  // One line of results (a newline is added): on standard output, or on standard error when the
  // pictures go to standard output. -q does not silence it.
  virtual void report(const std::string& line) = 0;
  // Called from build() by verbs that report a line for every picture: their lines show the
  // progress, so the progress line is left out.
  virtual void reports_every_picture() = 0;
  // A note on standard error, unless -q.
  virtual void note(const std::string& line) = 0;
  // Opens another output for pictures of `format`, for verbs that write several streams. The
  // file's name (and the options' -pix_fmt, -f, -s, --out-layout when given) decide what the
  // pictures are converted to, as for -o; the helper finishes the writer after the run.
  virtual FrameWriter& open_output(const OutputOptions& options, const VideoFormat& format) = 0;
  FrameWriter& open_output(const std::string& path, const VideoFormat& format) {
    OutputOptions options;
    options.path = path;
    return open_output(options, format);
  }
  // Called from build() by verbs that write their outputs themselves with open_output, the -o
  // name being a pattern they expand (split: -o quarter%d.y4m). The helper then opens no writer
  // for -o; the chain's pictures still make the previews.
  virtual void takes_over_output() = 0;
};

}  // namespace pf::cli

#endif  // PELFORGE_TOOLS_VERBS_STREAM_VERB_HPP_
