// SPDX-License-Identifier: BSD-2-Clause
// The frame loop shared by every video command: read, convert, write, report progress and keep
// PNG previews of the output.
#ifndef PELFORGE_TOOLS_RUN_HPP_
#define PELFORGE_TOOLS_RUN_HPP_

#include <cstdint>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "pipeline.hpp"
#include "progress.hpp"
#include "stream_io.hpp"

namespace pf::cli {

struct PreviewOptions {
  std::string dir;     // empty: no previews
  uint64_t every = 0;  // 0: first, middle and last picture; N: pictures 1, N+1, 2N+1, ...
};

// Writes PNG pictures of an output stream into a directory while the stream runs.
class Previewer {
 public:
  // Creates the directory. When the output format cannot be shown (no conversion to RGB),
  // `note` says so and the previewer stays idle.
  Previewer(const PreviewOptions& options, const VideoFormat& format, void* mem,
            std::optional<uint64_t> total, const Note& note);
  ~Previewer();
  void offer(uint64_t index, const uint8_t* frame);
  // Writes what waited for the end of the stream; returns every file written, in order.
  std::vector<std::string> finish(uint64_t frames);

 private:
  struct Snapshot {
    uint64_t index;
    std::vector<uint8_t> data;
  };
  void write(const std::string& kind, uint64_t index, const uint8_t* frame);

  PreviewOptions options_;
  VideoFormat format_;
  std::optional<uint64_t> total_;
  std::unique_ptr<Pipeline> to_rgb_;
  std::vector<uint8_t> scratch_;
  std::vector<Snapshot> middles_;  // candidates for the middle picture
  uint64_t stride_ = 1;
  std::optional<Snapshot> last_;
  std::vector<std::string> written_;
};

struct RunSettings {
  uint64_t max_frames = 0;  // 0: all
  bool progress = false;    // draw the progress line (a terminal, not quiet)
  std::ostream* progress_stream = &std::cerr;
  Clock clock;
  PreviewOptions preview;
};

struct RunResult {
  uint64_t frames = 0;
  double seconds = 0;
  std::vector<std::string> previews;
};

// Runs the whole input through the pipeline into the writer. Pictures already written stay
// written when a later one fails; the error is thrown after the writer has been flushed.
RunResult run_frames(FrameReader& reader, Pipeline& pipeline, FrameWriter& writer,
                     const RunSettings& settings, void* mem, const Note& note);

}  // namespace pf::cli

#endif  // PELFORGE_TOOLS_RUN_HPP_
