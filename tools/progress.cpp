// SPDX-License-Identifier: BSD-2-Clause
// Progress line.
#include "progress.hpp"

#include <chrono>
#include <cstdio>

namespace pf::cli {

Clock steady_clock() {
  return [] {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
  };
}

std::string format_rate(double frames, double seconds) {
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%.1f", seconds > 0 ? frames / seconds : 0.0);
  return buf;
}

Progress::Progress(std::ostream& out, bool enabled, std::optional<uint64_t> total, Clock clock)
    : out_(out), enabled_(enabled), total_(total), clock_(std::move(clock)), start_(clock_()) {}

double Progress::elapsed() const { return clock_() - start_; }

std::string Progress::line(uint64_t frames, double seconds) const {
  std::string s = "pelforge: frame " + std::to_string(frames);
  if (total_ && *total_ > 0) {
    s += "/" + std::to_string(*total_) + " (" + std::to_string(frames * 100 / *total_) + "%)";
  }
  s += "  " + format_rate(static_cast<double>(frames), seconds) + " fps";
  return s;
}

void Progress::draw(uint64_t frames, double now) {
  std::string text = line(frames, now - start_);
  const size_t width = text.size();
  // Pad over the tail of a longer previous line instead of relying on terminal escapes.
  if (width < last_width_) text.append(last_width_ - width, ' ');
  out_ << '\r' << text << std::flush;
  last_width_ = width;
  last_draw_ = now;
  drawn_ = true;
}

void Progress::update(uint64_t frames) {
  if (!enabled_) return;
  const double now = clock_();
  if (last_draw_ >= 0 && now - last_draw_ < 0.25) return;
  draw(frames, now);
}

void Progress::finish(uint64_t frames) {
  if (!enabled_ || !drawn_) return;
  draw(frames, clock_());
  out_ << '\n' << std::flush;
}

}  // namespace pf::cli
