// SPDX-License-Identifier: BSD-2-Clause
// The one-line progress report of long runs: frames done and frames per second, redrawn in place
// on a terminal and silent everywhere else.
#ifndef PELFORGE_TOOLS_PROGRESS_HPP_
#define PELFORGE_TOOLS_PROGRESS_HPP_

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace pf::cli {

// Seconds since an arbitrary start; tests pass a clock they move by hand.
using Clock = std::function<double()>;
Clock steady_clock();

class Progress {
 public:
  // `enabled` is false when the stream is not a terminal or the user asked for quiet; the report
  // then writes nothing at all. `total` is the number of frames when the input tells it.
  Progress(std::ostream& out, bool enabled, std::optional<uint64_t> total, Clock clock);
  // Called after every frame; redraws at most four times a second.
  void update(uint64_t frames_done);
  // Draws the final count and ends the line, if anything was drawn.
  void finish(uint64_t frames_done);
  double elapsed() const;
  // The text of one report, without the carriage return.
  std::string line(uint64_t frames_done, double seconds) const;

 private:
  std::ostream& out_;
  bool enabled_;
  std::optional<uint64_t> total_;
  Clock clock_;
  double start_;
  double last_draw_ = -1;
  size_t last_width_ = 0;
  bool drawn_ = false;

  void draw(uint64_t frames_done, double now);
};

// One decimal place, the way the reports show rates ("48.3").
std::string format_rate(double frames, double seconds);

}  // namespace pf::cli

#endif  // PELFORGE_TOOLS_PROGRESS_HPP_
