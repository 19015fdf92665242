// SPDX-License-Identifier: BSD-2-Clause
// pelforge demo: a moving test video, the jobs of every verb family run on it, PNG previews of
// each result and a summary. Each family adds its jobs in a function demo_FAMILY(DemoContext&)
// in its verb file, registered by one row in demo.cpp's family table:
//
//   PF_DEMO_MAIN(filters) {                      // inside namespace pf::cli
//     const DemoJob job{"sharpen", "sharpen, strength 8"};
//     if (DemoReport* r = demo.run(job, demo.progressive(), demo.source(), demo.source(),
//                                  [&](uint8_t* in, uint8_t* out) { /* the module call */ })) {
//       r->set_result("PSNR 38.2 dB against the source");
//     }
//   }
#ifndef PELFORGE_TOOLS_DEMO_HPP_
#define PELFORGE_TOOLS_DEMO_HPP_

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli.hpp"
#include "pipeline.hpp"

namespace pf::cli {

using Frames = std::vector<std::vector<uint8_t>>;

// The moving test pattern as `count` yuv420p pictures of width x height (even): 75% colour bars
// scrolling over the top two thirds, a grey ramp with a fast bar below, a circle on a slow loop.
// Interlaced pictures take their odd lines half a frame later, as a camera's second field.
Frames make_test_pattern(int width, int height, size_t count, bool interlaced);

// Adds seeded noise to every sample: a triangular distribution over -amplitude..amplitude, the
// sum of two uniform draws, clamped to 0..255. The same seed gives the same noise.
void add_noise(std::vector<uint8_t>& picture, int amplitude, uint64_t seed);

// One job as the demo names it.
struct DemoJob {
  std::string key;    // short name for --only, and the previews' subdirectory: "cif_bilinear"
  std::string title;  // its line in the summary: "D1 -> CIF, bilinear"
};

// One line of the summary.
struct DemoReport {
  std::string title;
  uint64_t frames = 0;
  double seconds = 0;
  std::string result;  // "PSNR 38.2 dB", a count, or why the job failed
  bool failed = false;
  std::vector<std::string> pictures;
  // Sets the result text, unless the job failed (its message stays).
  void set_result(const std::string& text) {
    if (!failed) result = text;
  }
};

struct DemoOptions {
  // How the previews show the output, when not as it is (field pictures shown as stored).
  std::optional<VideoFormat> shown;
  // Sees every output picture, for measurements (round trips, PSNR, counts).
  std::function<void(uint64_t index, const uint8_t* out)> sink;
};

class DemoContext {
 public:
  static constexpr int kWidth = 720;
  static constexpr int kHeight = 576;

  // `progress` hears of every job as it ends.
  DemoContext(std::string dir, size_t length, void* mem, Note note,
              std::function<void(const DemoReport&)> progress, Clock clock);

  // The source: the test pattern as 720x576 yuv420p frames (aspect 16:15), and the interlaced
  // pattern stored as interlaced frames. Made on first use; empty while the demo only lists.
  const VideoFormat& source() const { return source_; }
  const VideoFormat& interlaced_source() const { return interlaced_source_; }
  const Frames& progressive();
  const Frames& interlaced();
  // The same pattern and length at another size (even width and height).
  Frames pattern(int width, int height, bool interlaced) const;
  size_t length() const { return length_; }

  void* mem() const { return mem_; }
  const std::string& dir() const { return dir_; }
  void note(const std::string& text) const { note_(text); }

  // True when the job is to run (it is selected by --only, or nothing is); also records it for
  // --list. The run helpers ask themselves; a job with costly preparation asks first.
  bool wants(const DemoJob& job);

  // Runs every picture of `frames` (pictures of the pipeline's input format) through the
  // pipeline, writes first/middle/last previews of the output into DIR/job.key and adds a line
  // to the summary. Returns that line for the job to set its result, or null when the job is
  // not selected. A CliError (a module's refusal) fails the job, not the demo.
  DemoReport* run(const DemoJob& job, const Frames& frames, Pipeline& pipeline,
                  const DemoOptions& options = {});
  // ... through the library conversions of `request`.
  DemoReport* run(const DemoJob& job, const Frames& frames, const Request& request,
                  const DemoOptions& options = {});
  // ... through any per-picture function: fn(in, out) turns a picture of `in` into one of `out`
  // (state may be kept across pictures).
  template <class Fn>
  DemoReport* run(const DemoJob& job, const Frames& frames, const VideoFormat& in,
                  const VideoFormat& out, Fn fn, const DemoOptions& options = {}) {
    if (!wants(job)) return nullptr;
    return run_stage(
        job, frames, [&] { return make_stage(in, out, job.title, std::move(fn)); }, options);
  }

  // ---- For the demo verb ----
  void select(std::set<std::string> names) { selected_ = std::move(names); }
  void start_family(const std::string& key, const std::string& name);
  void set_listing(bool listing) { listing_ = listing; }
  // Every job recorded: family key, family name, job.
  struct Listed {
    std::string family_key;
    std::string family;
    DemoJob job;
  };
  const std::vector<Listed>& listed() const { return listed_; }
  const std::deque<DemoReport>& reports() const { return reports_; }

 private:
  DemoReport* run_stage(const DemoJob& job, const Frames& frames,
                        const std::function<std::unique_ptr<Stage>()>& make,
                        const DemoOptions& options);
  DemoReport& start_report(const DemoJob& job);

  std::string dir_;
  size_t length_;
  void* mem_;
  Note note_;
  std::function<void(const DemoReport&)> progress_;
  Clock clock_;
  VideoFormat source_;
  VideoFormat interlaced_source_;
  Frames progressive_;
  Frames interlaced_;
  std::set<std::string> selected_;
  bool listing_ = false;
  std::string family_key_;
  std::string family_;
  std::vector<Listed> listed_;
  std::deque<DemoReport> reports_;  // stable addresses: jobs keep theirs to set the result
};

// The family table, in the verb table's family order.
struct DemoFamily {
  const char* key;   // for --only and --list: "scaling"
  const char* name;  // as in the verb table: "scaling and conversion"
  void (*run)(DemoContext& demo);
};
const std::vector<DemoFamily>& demo_families();

}  // namespace pf::cli

// Declares and defines a family's demo function `demo_NAME`; demo.cpp's row for NAME calls it.
#define PF_DEMO_MAIN(NAME)                        \
  void demo_##NAME(::pf::cli::DemoContext& demo); \
  void demo_##NAME(::pf::cli::DemoContext& demo)

#endif  // PELFORGE_TOOLS_DEMO_HPP_
