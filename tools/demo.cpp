// SPDX-License-Identifier: BSD-2-Clause
// pelforge demo: makes a moving test video, runs the main jobs of the library on it and leaves
// PNG pictures and a summary a person can look at.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli.hpp"
#include "cli_error.hpp"
#include "modules.hpp"
#include "pipeline.hpp"
#include "run.hpp"
#include "verbs.hpp"

namespace pf::cli {
namespace {

constexpr int kWidth = 720;
constexpr int kHeight = 576;
constexpr double kPi = 3.14159265358979323846;

struct Rgb8 {
  int r, g, b;
};

// 75% colour bars scrolling over the top two thirds, a grey ramp with a fast bar below, and a
// circle on a slow loop: enough motion to show scaling, chroma and field effects.
struct Scene {
  double t;   // time in frames
  double cx;  // circle centre
  double cy;
  Scene(double time, double period)
      : t(time),
        cx(kWidth / 2.0 + kWidth / 3.0 * std::cos(2 * kPi * time / period)),
        cy(kHeight / 2.0 + kHeight / 4.0 * std::sin(4 * kPi * time / period)) {}
};

Rgb8 pattern(int x, int y, const Scene& s) {
  static constexpr Rgb8 kBars[7] = {{191, 191, 191}, {191, 191, 0}, {0, 191, 191}, {0, 191, 0},
                                    {191, 0, 191},   {191, 0, 0},   {0, 0, 191}};
  const double t = s.t;
  const double dx = x + 0.5 - s.cx, dy = y + 0.5 - s.cy;
  const double d2 = dx * dx + dy * dy;
  if (d2 < 60 * 60) return {255, 140, 0};
  if (d2 < 66 * 66) return {235, 235, 235};
  if (y < kHeight * 2 / 3) {
    const int shifted = (x + static_cast<int>(6 * t)) % kWidth;
    return kBars[shifted * 7 / kWidth];
  }
  const int bar = static_cast<int>(12 * t) % kWidth;
  if (x >= bar && x < bar + 8) return {235, 235, 235};
  const int grey = 16 + x * (235 - 16) / (kWidth - 1);
  return {grey, grey, grey};
}

// One 4:2:0 picture; interlaced pictures take their odd lines half a frame later.
std::vector<uint8_t> make_picture(double t, bool interlaced, double period) {
  const size_t luma = static_cast<size_t>(kWidth) * kHeight;
  std::vector<uint8_t> pic(luma * 3 / 2);
  uint8_t* u = pic.data() + luma;
  uint8_t* v = u + luma / 4;
  std::vector<int> u_sum(kWidth / 2), v_sum(kWidth / 2);
  const Scene even(t, period), odd(interlaced ? t + 0.5 : t, period);
  for (int y = 0; y < kHeight; ++y) {
    const Scene& scene = y % 2 == 1 ? odd : even;
    if (y % 2 == 0) {
      std::fill(u_sum.begin(), u_sum.end(), 0);
      std::fill(v_sum.begin(), v_sum.end(), 0);
    }
    for (int x = 0; x < kWidth; ++x) {
      const Rgb8 c = pattern(x, y, scene);
      pic[static_cast<size_t>(y) * kWidth + static_cast<size_t>(x)] =
          static_cast<uint8_t>(((66 * c.r + 129 * c.g + 25 * c.b + 128) >> 8) + 16);
      u_sum[static_cast<size_t>(x / 2)] += ((-38 * c.r - 74 * c.g + 112 * c.b + 128) >> 8) + 128;
      v_sum[static_cast<size_t>(x / 2)] += ((112 * c.r - 94 * c.g - 18 * c.b + 128) >> 8) + 128;
    }
    if (y % 2 == 1) {
      for (int x = 0; x < kWidth / 2; ++x) {
        const size_t at = static_cast<size_t>(y / 2) * (kWidth / 2) + static_cast<size_t>(x);
        u[at] = static_cast<uint8_t>((u_sum[static_cast<size_t>(x)] + 2) / 4);
        v[at] = static_cast<uint8_t>((v_sum[static_cast<size_t>(x)] + 2) / 4);
      }
    }
  }
  return pic;
}

class MemoryReader final : public FrameReader {
 public:
  MemoryReader(const std::vector<std::vector<uint8_t>>& frames, const VideoFormat& f)
      : frames_(frames) {
    format_ = f;
  }
  bool read(uint8_t* dst) override {
    if (next_ >= frames_.size()) return false;
    std::memcpy(dst, frames_[next_].data(), frames_[next_].size());
    ++next_;
    return true;
  }
  std::optional<uint64_t> frame_count() const override { return frames_.size(); }
  std::string describe() const override { return "test pattern"; }
  Container container() const override { return Container::kRaw; }

 private:
  const std::vector<std::vector<uint8_t>>& frames_;
  size_t next_ = 0;
};

class CallbackWriter final : public FrameWriter {
 public:
  explicit CallbackWriter(std::function<void(const uint8_t*)> fn) : fn_(std::move(fn)) {}
  void write(const uint8_t* frame) override { fn_(frame); }
  void finish() override {}
  std::string describe() const override { return "memory"; }

 private:
  std::function<void(const uint8_t*)> fn_;
};

struct JobReport {
  std::string name;
  uint64_t frames = 0;
  double seconds = 0;
  std::string result;  // PSNR or the failure
  bool failed = false;
  std::vector<std::string> pictures;
};

struct Demo {
  std::string dir;
  void* mem;
  const Clock& clock;
  const Note& note;
  std::vector<std::vector<uint8_t>> progressive;
  std::vector<std::vector<uint8_t>> interlaced;
  VideoFormat source;  // 720x576 yuv420p frame

  // Runs the input through `pipeline`, hands each output picture to `sink`, and keeps previews
  // of `shown` (the output relabelled as needed) in dir/sub.
  JobReport run(const std::string& name, const std::vector<std::vector<uint8_t>>& frames,
                const VideoFormat& in, const Request& request, const std::string& sub,
                const std::optional<VideoFormat>& shown,
                const std::function<void(uint64_t, const uint8_t*)>& sink) {
    JobReport report;
    report.name = name;
    try {
      Pipeline pipeline(request, mem, note);
      MemoryReader reader(frames, in);
      std::unique_ptr<Previewer> previewer;
      PreviewOptions preview{(std::filesystem::path(dir) / sub).string(), 0};
      previewer = std::make_unique<Previewer>(preview, shown.value_or(request.out), mem,
                                              frames.size(), note);
      uint64_t index = 0;
      CallbackWriter writer([&](const uint8_t* out) {
        previewer->offer(index, out);
        if (sink) sink(index, out);
        ++index;
      });
      RunSettings settings;
      settings.clock = clock;
      const RunResult r = run_frames(reader, pipeline, writer, settings, mem, note);
      report.frames = r.frames;
      report.seconds = r.seconds;
      report.pictures = previewer->finish(r.frames);
    } catch (const CliError& e) {
      report.failed = true;
      report.result = std::string("failed: ") + e.what();
    }
    return report;
  }
};

VideoFormat with(VideoFormat f, int w, int h, const PixFmt& fmt, uint32_t layout) {
  f.width = w;
  f.height = h;
  f.fmt = &fmt;
  f.layout = layout;
  return f;
}

std::string psnr_text(double sum, uint64_t n) {
  char buf[64];
  std::snprintf(buf, sizeof(buf), "round trip PSNR %.1f dB",
                n ? sum / static_cast<double>(n) : 0.0);
  return buf;
}

}  // namespace

PF_VERB_MAIN(demo) {
  std::string dir = "pelforge-demo";
  uint64_t frames = 50;
  bool quiet = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= args.size()) throw UsageError(a + " needs a value");
      return args[++i];
    };
    if (a == "-h" || a == "--help") {
      console.out
          << "usage: pelforge demo [--out DIR] [--frames N] [-q]\n\n"
             "Makes a moving 720x576 4:2:0 test video (progressive and interlaced), runs\n"
             "the library's main jobs on it (D1 -> CIF bilinear and nearest, 4:2:0 -> UYVY\n"
             "-> 4:2:0, interlaced frame -> field pictures, YUV -> RGB -> YUV) and writes\n"
             "PNG pictures of each result and a summary to DIR (default ./pelforge-demo)\n"
             "and to standard output. --frames sets the video's length (default 50).\n";
      return kExitOk;
    } else if (a == "--out" || a == "-o") {
      dir = value();
    } else if (a == "--frames" || a == "-frames") {
      frames = static_cast<uint64_t>(parse_integer(value(), a));
      if (frames < 1 || frames > 1000) throw UsageError("--frames: give 1 to 1000");
    } else if (a == "-q" || a == "--quiet") {
      quiet = true;
    } else {
      throw UsageError("unknown option " + a + " (see pelforge demo --help)");
    }
  }
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) throw CliError("cannot create " + dir + ": " + ec.message());

  const Note note = [&](const std::string& s) {
    if (!quiet) console.err << "pelforge demo: note: " << s << "\n";
  };
  MemHandle mem;
  Demo demo{dir, mem.get(), console.clock, note, {}, {}, {}};
  const double period = static_cast<double>(std::max<uint64_t>(frames, 2));
  for (uint64_t i = 0; i < frames; ++i) {
    demo.progressive.push_back(make_picture(static_cast<double>(i), false, period));
    demo.interlaced.push_back(make_picture(static_cast<double>(i), true, period));
  }
  VideoFormat src;
  src.width = kWidth;
  src.height = kHeight;
  src.fmt = &yuv420p();
  src.sar = {16, 15};
  demo.source = src;
  const VideoFormat src_i = with(src, kWidth, kHeight, yuv420p(), PF_IMAGE_INTERLACED);
  const VideoFormat cif = with(src, 352, 288, yuv420p(), PF_IMAGE_FRAME);
  const VideoFormat uyvy = with(src, kWidth, kHeight, *find_pix_fmt("uyvy422"), PF_IMAGE_FRAME);
  const VideoFormat fields = with(src, kWidth, kHeight, yuv420p(), PF_IMAGE_FIELD);
  const VideoFormat rgb = with(src, kWidth, kHeight, rgb24(), PF_IMAGE_FRAME);

  std::vector<JobReport> reports;
  const auto progress = [&](const JobReport& r) {
    if (!quiet)
      console.err << "pelforge demo: " << r.name << (r.failed ? ": failed" : ": done") << "\n";
  };
  auto add = [&](JobReport r) {
    progress(r);
    reports.push_back(std::move(r));
  };

  {
    JobReport r = demo.run("test pattern (source)", demo.progressive, src,
                           Request{src, src, Geometry{}}, "source", std::nullopt, nullptr);
    if (!r.failed) r.result = "what the jobs below read";
    add(std::move(r));
  }
  add(demo.run("D1 -> CIF, bilinear", demo.progressive, src, Request{src, cif, Geometry{}},
               "cif_bilinear", std::nullopt, nullptr));
  Geometry nearest;
  nearest.nearest = true;
  add(demo.run("D1 -> CIF, nearest neighbour", demo.progressive, src, Request{src, cif, nearest},
               "cif_nearest", std::nullopt, nullptr));

  // 4:2:0 -> UYVY, and each UYVY picture straight back to 4:2:0 to measure what the trip costs.
  {
    double sum = 0;
    uint64_t n = 0;
    std::unique_ptr<Pipeline> back;
    std::vector<uint8_t> scratch(uyvy.frame_size());
    std::string back_error;
    try {
      back = std::make_unique<Pipeline>(Request{uyvy, src, Geometry{}}, demo.mem, note);
    } catch (const CliError& e) {
      back_error = e.what();
    }
    JobReport r =
        demo.run("4:2:0 -> UYVY -> 4:2:0", demo.progressive, src, Request{src, uyvy, Geometry{}},
                 "uyvy_round_trip", std::nullopt, [&](uint64_t i, const uint8_t* out) {
                   if (!back) return;
                   std::memcpy(scratch.data(), out, scratch.size());
                   const uint8_t* again = back->run(scratch.data());
                   sum += psnr(again, demo.progressive[i].data(), src.frame_size());
                   ++n;
                 });
    if (!r.failed) r.result = back ? psnr_text(sum, n) : "way back failed: " + back_error;
    add(std::move(r));
  }
  {
    JobReport r = demo.run("interlaced source", demo.interlaced, src_i,
                           Request{src_i, src_i, Geometry{}}, "interlaced_source",
                           with(src_i, kWidth, kHeight, yuv420p(), PF_IMAGE_FRAME), nullptr);
    if (!r.failed) r.result = "odd lines half a frame later than even ones";
    add(std::move(r));
  }
  {
    // Shown as stored: the top field's lines above the bottom field's.
    JobReport r = demo.run("interlaced frame -> field pictures", demo.interlaced, src_i,
                           Request{src_i, fields, Geometry{}}, "field_pictures",
                           with(fields, kWidth, kHeight, yuv420p(), PF_IMAGE_FRAME), nullptr);
    if (!r.failed) r.result = "pictures show field 1 above field 2";
    add(std::move(r));
  }
  {
    double sum = 0;
    uint64_t n = 0;
    std::unique_ptr<Pipeline> back;
    std::vector<uint8_t> scratch(rgb.frame_size());
    std::string back_error;
    try {
      back = std::make_unique<Pipeline>(Request{rgb, src, Geometry{}}, demo.mem, note);
    } catch (const CliError& e) {
      back_error = e.what();
    }
    JobReport r =
        demo.run("YUV -> RGB24 -> YUV", demo.progressive, src, Request{src, rgb, Geometry{}},
                 "rgb_round_trip", std::nullopt, [&](uint64_t i, const uint8_t* out) {
                   if (!back) return;
                   std::memcpy(scratch.data(), out, scratch.size());
                   const uint8_t* again = back->run(scratch.data());
                   sum += psnr(again, demo.progressive[i].data(), src.frame_size());
                   ++n;
                 });
    // Far from lossless by design: YUV-to-RGB expands studio range (16..235) to 0..255 while
    // RGB-to-YUV keeps full range, so luma does not come back where it started.
    if (!r.failed) {
      r.result = back ? psnr_text(sum, n) + " (luma range not restored)"
                      : "way back failed: " + back_error;
    }
    add(std::move(r));
  }

  std::ostringstream s;
  s << "pelforge demo: moving test pattern, " << kWidth << "x" << kHeight << " yuv420p, " << frames
    << " frames (progressive and interlaced)\n\n";
  char line[160];
  std::snprintf(line, sizeof(line), "%-36s %6s %9s %9s  %s\n", "job", "frames", "seconds", "fps",
                "result");
  s << line;
  bool failed = false;
  for (const JobReport& r : reports) {
    std::snprintf(line, sizeof(line), "%-36s %6llu %9.3f %9s  ", r.name.c_str(),
                  static_cast<unsigned long long>(r.frames), r.seconds,
                  format_rate(static_cast<double>(r.frames), r.seconds).c_str());
    s << line << r.result << "\n";
    failed = failed || r.failed;
  }
  s << "\npictures:\n";
  for (const JobReport& r : reports) {
    for (const std::string& p : r.pictures) s << "  " << p << "\n";
  }
  const std::string summary_path = (std::filesystem::path(dir) / "summary.txt").string();
  s << "\nsummary: " << summary_path << "\n";
  console.out << s.str();
  std::ofstream file(summary_path);
  file << s.str();
  if (!file.good()) throw CliError("cannot write " + summary_path);
  return failed ? kExitFailure : kExitOk;
}

}  // namespace pf::cli
