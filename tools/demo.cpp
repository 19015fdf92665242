// SPDX-License-Identifier: BSD-2-Clause
// pelforge demo: the test pattern, the job helpers, the family table and the demo verb.
#include "demo.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli_error.hpp"
#include "modules.hpp"
#include "run.hpp"
#include "verbs.hpp"

namespace pf::cli {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Rgb8 {
  int r, g, b;
};

// Where things are at time t (in frames). Sizes and speeds follow the picture's width, so the
// pattern looks alike at every size.
struct Scene {
  int width, height;
  double scale;
  double t;
  double cx, cy;  // circle centre
  Scene(int w, int h, double time, double period)
      : width(w),
        height(h),
        scale(w / 720.0),
        t(time),
        cx(w / 2.0 + w / 3.0 * std::cos(2 * kPi * time / period)),
        cy(h / 2.0 + h / 4.0 * std::sin(4 * kPi * time / period)) {}
};

Rgb8 pattern(int x, int y, const Scene& s) {
  static constexpr Rgb8 kBars[7] = {{191, 191, 191}, {191, 191, 0}, {0, 191, 191}, {0, 191, 0},
                                    {191, 0, 191},   {191, 0, 0},   {0, 0, 191}};
  const double dx = x + 0.5 - s.cx, dy = y + 0.5 - s.cy;
  const double d2 = dx * dx + dy * dy;
  const double inner = 60 * s.scale, outer = 66 * s.scale;
  if (d2 < inner * inner) return {255, 140, 0};
  if (d2 < outer * outer) return {235, 235, 235};
  if (y < s.height * 2 / 3) {
    const int shifted = (x + static_cast<int>(6 * s.scale * s.t)) % s.width;
    return kBars[shifted * 7 / s.width];
  }
  const int bar = static_cast<int>(12 * s.scale * s.t) % s.width;
  if (x >= bar && x < bar + std::max(2, static_cast<int>(8 * s.scale))) return {235, 235, 235};
  const int grey = 16 + x * (235 - 16) / std::max(1, s.width - 1);
  return {grey, grey, grey};
}

// One 4:2:0 picture; interlaced pictures take their odd lines half a frame later.
std::vector<uint8_t> make_picture(int w, int h, double t, bool interlaced, double period) {
  const size_t luma = static_cast<size_t>(w) * static_cast<size_t>(h);
  const size_t cw = static_cast<size_t>(w / 2);
  std::vector<uint8_t> pic(luma * 3 / 2);
  uint8_t* u = pic.data() + luma;
  uint8_t* v = u + luma / 4;
  std::vector<int> u_sum(cw), v_sum(cw);
  const Scene even(w, h, t, period), odd(w, h, interlaced ? t + 0.5 : t, period);
  for (int y = 0; y < h; ++y) {
    const Scene& scene = y % 2 == 1 ? odd : even;
    if (y % 2 == 0) {
      std::fill(u_sum.begin(), u_sum.end(), 0);
      std::fill(v_sum.begin(), v_sum.end(), 0);
    }
    for (int x = 0; x < w; ++x) {
      const Rgb8 c = pattern(x, y, scene);
      pic[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] =
          static_cast<uint8_t>(((66 * c.r + 129 * c.g + 25 * c.b + 128) >> 8) + 16);
      u_sum[static_cast<size_t>(x / 2)] += ((-38 * c.r - 74 * c.g + 112 * c.b + 128) >> 8) + 128;
      v_sum[static_cast<size_t>(x / 2)] += ((112 * c.r - 94 * c.g - 18 * c.b + 128) >> 8) + 128;
    }
    if (y % 2 == 1) {
      for (size_t x = 0; x < cw; ++x) {
        const size_t at = static_cast<size_t>(y / 2) * cw + x;
        u[at] = static_cast<uint8_t>((u_sum[x] + 2) / 4);
        v[at] = static_cast<uint8_t>((v_sum[x] + 2) / 4);
      }
    }
  }
  return pic;
}

class MemoryReader final : public FrameReader {
 public:
  MemoryReader(const Frames& frames, const VideoFormat& f) : frames_(frames) { format_ = f; }
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
  const Frames& frames_;
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

std::vector<std::string> split_names(const std::string& list) {
  std::vector<std::string> out;
  std::stringstream s(list);
  for (std::string name; std::getline(s, name, ',');) {
    if (!name.empty()) out.push_back(name);
  }
  return out;
}

}  // namespace

Frames make_test_pattern(int width, int height, size_t count, bool interlaced) {
  Frames frames;
  const double period = static_cast<double>(std::max<size_t>(count, 2));
  for (size_t i = 0; i < count; ++i) {
    frames.push_back(make_picture(width, height, static_cast<double>(i), interlaced, period));
  }
  return frames;
}

void add_noise(std::vector<uint8_t>& picture, int amplitude, uint64_t seed) {
  uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
  auto next = [&state] {  // splitmix64
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  };
  const uint64_t span = static_cast<uint64_t>(amplitude) + 1;
  for (uint8_t& sample : picture) {
    const int noise = static_cast<int>(next() % span) - static_cast<int>(next() % span);
    sample = static_cast<uint8_t>(std::clamp(sample + noise, 0, 255));
  }
}

// A row: the family's short name (for --only and --list) and its name in the verb table. The row
// declares the family's demo function demo_NAME, defined with PF_DEMO_MAIN in its verb file.
// clang-format off
#define PF_DEMO(NAME, FAMILY)                        \
  DemoFamily{#NAME, FAMILY, [](DemoContext& demo) { \
               void demo_##NAME(DemoContext&);      \
               demo_##NAME(demo);                   \
             }}
// clang-format on

const std::vector<DemoFamily>& demo_families() {
  static const std::vector<DemoFamily> table = {
      // scaling and conversion
      PF_DEMO(scaling, kFamilyScaling),
      // the zoom modules, the 4:2:0/4:2:2 converters and the D1 split
      PF_DEMO(zoom, kFamilyScaling),

      // composition
      PF_DEMO(merge, kFamilyComposition), PF_DEMO(mosaic, kFamilyComposition),
      // merge with zoom and picture insertion
      PF_DEMO(mergezoom, kFamilyComposition),

      // overlay
      PF_DEMO(overlay, kFamilyOverlay), PF_DEMO(logo, kFamilyOverlay),

      // filters
      PF_DEMO(denoise, kFamilyFilters),
      // deinterlace, deblock and dering
      PF_DEMO(deinterlace, kFamilyFilters),

      // analysis and standards
      PF_DEMO(motion, kFamilyAnalysis),

      // codecs
      PF_DEMO(codec, kFamilyCodecs),

      // the library
  };
  return table;
}

#undef PF_DEMO

// ---- DemoContext ----

DemoContext::DemoContext(std::string dir, size_t length, void* mem, Note note,
                         std::function<void(const DemoReport&)> progress, Clock clock)
    : dir_(std::move(dir)),
      length_(length),
      mem_(mem),
      note_(std::move(note)),
      progress_(std::move(progress)),
      clock_(std::move(clock)) {
  source_.width = kWidth;
  source_.height = kHeight;
  source_.fmt = &yuv420p();
  source_.sar = {16, 15};
  interlaced_source_ = source_;
  interlaced_source_.layout = PF_IMAGE_INTERLACED;
}

const Frames& DemoContext::progressive() {
  if (progressive_.empty() && !listing_) {
    progressive_ = make_test_pattern(kWidth, kHeight, length_, false);
  }
  return progressive_;
}

const Frames& DemoContext::interlaced() {
  if (interlaced_.empty() && !listing_) {
    interlaced_ = make_test_pattern(kWidth, kHeight, length_, true);
  }
  return interlaced_;
}

Frames DemoContext::pattern(int width, int height, bool interlaced) const {
  if (listing_) return {};
  return make_test_pattern(width, height, length_, interlaced);
}

void DemoContext::start_family(const std::string& key, const std::string& name) {
  family_key_ = key;
  family_ = name;
}

bool DemoContext::wants(const DemoJob& job) {
  const bool known = std::any_of(listed_.begin(), listed_.end(),
                                 [&](const Listed& l) { return l.job.key == job.key; });
  if (!known) listed_.push_back({family_key_, family_, job});
  if (listing_) return false;
  return selected_.empty() || selected_.count(job.key) != 0 || selected_.count(family_key_) != 0 ||
         selected_.count(family_) != 0;
}

DemoReport& DemoContext::start_report(const DemoJob& job) {
  reports_.push_back(DemoReport{});
  reports_.back().title = job.title;
  return reports_.back();
}

DemoReport* DemoContext::run(const DemoJob& job, const Frames& frames, const Request& request,
                             const DemoOptions& options) {
  if (!wants(job)) return nullptr;
  try {
    Pipeline pipeline(request, mem_, note_);
    return run(job, frames, pipeline, options);
  } catch (const CliError& e) {
    DemoReport& r = start_report(job);
    r.failed = true;
    r.result = std::string("failed: ") + e.what();
    progress_(r);
    return &r;
  }
}

DemoReport* DemoContext::run_stage(const DemoJob& job, const Frames& frames,
                                   const std::function<std::unique_ptr<Stage>()>& make,
                                   const DemoOptions& options) {
  try {
    std::unique_ptr<Stage> stage = make();
    Pipeline pipeline(stage->in(), mem_, note_);
    pipeline.then(std::move(stage));
    return run(job, frames, pipeline, options);
  } catch (const CliError& e) {
    DemoReport& r = start_report(job);
    r.failed = true;
    r.result = std::string("failed: ") + e.what();
    progress_(r);
    return &r;
  }
}

DemoReport* DemoContext::run(const DemoJob& job, const Frames& frames, Pipeline& pipeline,
                             const DemoOptions& options) {
  if (!wants(job)) return nullptr;
  DemoReport& report = start_report(job);
  try {
    MemoryReader reader(frames, pipeline.in());
    PreviewOptions preview{(std::filesystem::path(dir_) / job.key).string(), 0};
    Previewer previewer(preview, options.shown.value_or(pipeline.out()), mem_, frames.size(),
                        note_);
    uint64_t index = 0;
    CallbackWriter writer([&](const uint8_t* out) {
      previewer.offer(index, out);
      if (options.sink) options.sink(index, out);
      ++index;
    });
    RunSettings settings;
    settings.clock = clock_;
    const RunResult r = run_frames(reader, pipeline, writer, settings, mem_, note_);
    report.frames = r.frames;
    report.seconds = r.seconds;
    report.pictures = previewer.finish(r.frames);
  } catch (const CliError& e) {
    report.failed = true;
    report.result = std::string("failed: ") + e.what();
  }
  progress_(report);
  return &report;
}

// ---- The demo verb ----

PF_VERB_MAIN(demo) {
  std::string dir = "pelforge-demo";
  uint64_t frames = 50;
  bool quiet = false, list = false;
  std::vector<std::string> only;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= args.size()) throw UsageError(a + " needs a value");
      return args[++i];
    };
    if (a == "-h" || a == "--help") {
      console.out
          << "usage: pelforge demo [--out DIR] [--frames N] [--only NAME[,NAME]] [--list] [-q]\n\n"
             "Makes a moving 720x576 4:2:0 test video (progressive and interlaced), runs the\n"
             "library's jobs of every family on it (D1 -> CIF bilinear and nearest, 4:2:0 ->\n"
             "UYVY -> 4:2:0, interlaced frame -> field pictures, YUV -> RGB -> YUV, ...) and\n"
             "writes PNG pictures of each result and a summary to DIR (default ./pelforge-demo)\n"
             "and to standard output.\n"
             "\n"
             "  --out DIR             where pictures and summary.txt go\n"
             "  --frames N            the video's length (default 50)\n"
             "  --only NAME[,NAME]    run only these jobs or families (names as --list shows)\n"
             "  --list                list the jobs by family and run nothing\n"
             "  -q, --quiet           no notes and no progress\n"
             "\nExamples:\n"
             "  pelforge demo --out out/demo\n"
             "  pelforge demo --only cif_bilinear,uyvy_round_trip --frames 10\n"
             "  pelforge demo --only scaling\n";
      return kExitOk;
    } else if (a == "--out" || a == "-o") {
      dir = value();
    } else if (a == "--frames" || a == "-frames") {
      frames = static_cast<uint64_t>(parse_integer(value(), a));
      if (frames < 1 || frames > 1000) throw UsageError("--frames: give 1 to 1000");
    } else if (a == "--only") {
      for (const std::string& name : split_names(value())) only.push_back(name);
      if (only.empty()) throw UsageError("--only needs a job or family name");
    } else if (a == "--list") {
      list = true;
    } else if (a == "-q" || a == "--quiet") {
      quiet = true;
    } else {
      throw UsageError("unknown option " + a + " (see pelforge demo --help)");
    }
  }

  const Note note = [&](const std::string& s) {
    if (!quiet) console.err << "pelforge demo: note: " << s << "\n";
  };
  const auto progress = [&](const DemoReport& r) {
    if (!quiet)
      console.err << "pelforge demo: " << r.title << (r.failed ? ": failed" : ": done") << "\n";
  };
  MemHandle mem;
  DemoContext demo(dir, frames, mem.get(), note, progress, console.clock);
  auto each_family = [&] {
    for (const DemoFamily& f : demo_families()) {
      demo.start_family(f.key, f.name);
      f.run(demo);
    }
  };
  if (list || !only.empty()) {
    // A dry pass names every job without making pictures.
    demo.set_listing(true);
    each_family();
    demo.set_listing(false);
  }
  if (list) {
    std::string family;
    for (const DemoContext::Listed& l : demo.listed()) {
      if (l.family != family) {
        family = l.family;
        console.out << family << " (" << l.family_key << "):\n";
      }
      std::string key = l.job.key;
      key.resize(std::max<size_t>(key.size() + 2, 22), ' ');
      console.out << "  " << key << l.job.title << "\n";
    }
    return kExitOk;
  }
  for (const std::string& name : only) {
    const bool family =
        std::any_of(demo_families().begin(), demo_families().end(),
                    [&](const DemoFamily& f) { return name == f.key || name == f.name; });
    const bool job = std::any_of(demo.listed().begin(), demo.listed().end(),
                                 [&](const DemoContext::Listed& l) { return l.job.key == name; });
    if (!family && !job) {
      throw UsageError("--only: no demo job or family is called '" + name +
                       "' (pelforge demo --list names them)");
    }
  }
  demo.select(std::set<std::string>(only.begin(), only.end()));
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) throw CliError("cannot create " + dir + ": " + ec.message());
  each_family();

  std::ostringstream s;
  s << "pelforge demo: moving test pattern, " << DemoContext::kWidth << "x" << DemoContext::kHeight
    << " yuv420p, " << frames << " frames (progressive and interlaced)\n\n";
  int width = 3;
  for (const DemoReport& r : demo.reports())
    width = std::max(width, static_cast<int>(r.title.size()));
  char line[256];
  std::snprintf(line, sizeof(line), "%-*s %6s %9s %9s  %s\n", width, "job", "frames", "seconds",
                "fps", "result");
  s << line;
  bool failed = false;
  for (const DemoReport& r : demo.reports()) {
    std::snprintf(line, sizeof(line), "%-*.*s %6llu %9.3f %9s  ", width, width, r.title.c_str(),
                  static_cast<unsigned long long>(r.frames), r.seconds,
                  format_rate(static_cast<double>(r.frames), r.seconds).c_str());
    s << line << r.result << "\n";
    failed = failed || r.failed;
  }
  s << "\npictures:\n";
  for (const DemoReport& r : demo.reports()) {
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
