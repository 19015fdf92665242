// SPDX-License-Identifier: BSD-2-Clause
// FFmpeg's filters in process, for benchmarks against our modules: one libavfilter graph, built
// once from a filter description as ffmpeg -vf takes it, fed pictures from plane pointers and
// pitches, its results copied into the caller's planes. The graph runs on one thread, as our
// modules do.
//
//   pfb::LavfiRunner yadif("yadif=mode=0", 720, 576, "yuv420p");
//   yadif.push(src.data, src.pitch);              // yadif holds the first picture back
//   for (auto _ : state) {
//     yadif.push(src.data, src.pitch);
//     yadif.pull(dst.data, dst.pitch);             // true: one picture per picture from now on
//   }
#ifndef PELFORGE_BENCH_LAVFI_HPP_
#define PELFORGE_BENCH_LAVFI_HPP_

#include <cstdint>
#include <string>

struct AVFilterGraph;
struct AVFilterContext;
struct AVFrame;

namespace pfb {

class LavfiRunner {
 public:
  // `filters`: "yadif=mode=0", "hqdn3d", "unsharp", "gblur=sigma=1", "deblock", "bwdif",
  // "scale=352:288:flags=bilinear" ...; pictures of width x height in `pix_fmt` as FFmpeg names it
  // ("yuv420p", "uyvy422"). A filter that does not take that format gets a conversion inserted by
  // libavfilter, which then counts in its time. Throws std::runtime_error naming what failed.
  LavfiRunner(const std::string& filters, int width, int height, const std::string& pix_fmt);
  ~LavfiRunner();
  LavfiRunner(const LavfiRunner&) = delete;
  LavfiRunner& operator=(const LavfiRunner&) = delete;

  // Feeds one picture: planes[i] with pitches[i] bytes per line, as many planes as the format
  // has. Without `copy` the graph reads the caller's memory in place, and filters that look at
  // neighbouring pictures (yadif, bwdif, hqdn3d) keep referring to it: the memory must stay
  // valid and unchanged until flush() or the runner's end. A loop that pushes the same buffer
  // again and again meets that; a caller feeding different contents in one buffer passes
  // copy = true. Filters never write into it.
  void push(const uint8_t* const planes[4], const int pitches[4], bool copy = false);
  // Copies the next filtered picture into the caller's planes; false when the graph holds its
  // pictures back for now (yadif and bwdif wait for the next picture) or has none left.
  bool pull(uint8_t* const planes[4], const int pitches[4]);
  // Ends the stream: pictures held back come out with the following pulls.
  void flush();

  int out_width() const;
  int out_height() const;
  std::string out_pix_fmt() const;
  // Pictures pushed so far.
  int64_t pushed() const { return next_pts_; }

 private:
  void release();

  AVFilterGraph* graph_ = nullptr;
  AVFilterContext* source_ = nullptr;
  AVFilterContext* sink_ = nullptr;
  AVFrame* in_ = nullptr;
  AVFrame* out_ = nullptr;
  int width_, height_, format_;
  int64_t next_pts_ = 0;
};

}  // namespace pfb

#endif  // PELFORGE_BENCH_LAVFI_HPP_
