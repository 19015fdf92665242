// SPDX-License-Identifier: BSD-2-Clause
// pattern, banner and osd: generated pictures from the renovation module, rectangles drawn by the
// banner module on every picture of a stream, and the OSD filter on 32-bit pictures. The demo's
// overlay jobs live here too.
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "args.hpp"
#include "cli_error.hpp"
#include "demo.hpp"
#include "img_banner.h"
#include "img_filterosd.h"
#include "img_renovation.h"
#include "modules.hpp"
#include "pipeline.hpp"
#include "run.hpp"
#include "stream_io.hpp"
#include "verbs.hpp"
#include "verbs/stream_verb.hpp"
#include "y4m.hpp"

namespace pf::cli {
namespace {

constexpr uint32_t kBannerId = 9;
constexpr uint32_t kOsdId = 18;
constexpr uint32_t kRenovationId = 27;

// ---------------------------------------------------------------- pattern

struct PatternKind {
  uint32_t type = PF_RENOVATION_TESTCARD;
  uint32_t r = 0, g = 0, b = 0;
  std::string name = "testcard";
};

PatternKind parse_kind(const std::string& text) {
  PatternKind k;
  k.name = text;
  if (text == "testcard") return k;
  if (text == "bars") {
    k.type = PF_RENOVATION_BARS;
    return k;
  }
  if (text == "bars2") {
    k.type = PF_RENOVATION_BARS2;
    return k;
  }
  for (const char* prefix : {"colour=", "color="}) {
    if (text.rfind(prefix, 0) != 0) continue;
    const std::vector<int> rgb = parse_int_list(text.substr(std::strlen(prefix)), 3, "--kind");
    for (int v : rgb) {
      if (v < 0 || v > 255) throw UsageError("--kind " + text + ": R, G and B go from 0 to 255");
    }
    k.type = PF_RENOVATION_SOLID;
    k.r = static_cast<uint32_t>(rgb[0]), k.g = static_cast<uint32_t>(rgb[1]);
    k.b = static_cast<uint32_t>(rgb[2]);
    return k;
  }
  throw UsageError("unknown --kind '" + text + "': testcard, bars, bars2 or colour=R,G,B");
}

// The renovation module as a source of pictures: every read asks it for one more.
class PatternReader final : public FrameReader {
 public:
  PatternReader(const VideoFormat& format, const tRenovationParam& param, void* mem, uint64_t count,
                std::string name)
      : instance_(kRenovationId, &param, mem), count_(count), name_(std::move(name)) {
    format_ = format;
  }
  bool read(uint8_t* dst) override {
    if (done_ == count_) return false;
    tImgPicture pic = picture_record(*format_.fmt, format_.width, format_.height, dst);
    int context = 0;
    instance_.process(&pic, &context);
    ++done_;
    return true;
  }
  std::optional<uint64_t> frame_count() const override { return count_; }
  std::string describe() const override { return "pattern " + name_; }
  Container container() const override { return Container::kRaw; }

 private:
  Instance instance_;
  uint64_t count_;
  uint64_t done_ = 0;
  std::string name_;
};

const char* const kPatternHelp =
    "usage: pelforge pattern [-s WxH] [-pix_fmt yuv420p|uyvy422] --kind KIND [--interlaced]\n"
    "                        [-frames N] [-r RATE] -o OUTPUT\n"
    "\n"
    "Generates pictures with the library's renovation module, as ffmpeg's test sources do.\n"
    "\n"
    "Options:\n"
    "  --kind KIND           testcard (720x576 yuv420p only), bars, bars2 (eight colour bars;\n"
    "                        the width a multiple of 16) or colour=R,G,B\n"
    "  -s WxH                picture size (default 720x576; even sides)\n"
    "  -pix_fmt FMT          yuv420p (default) or uyvy422; the output file's kind may convert\n"
    "                        further (PNG pictures are RGB)\n"
    "  --interlaced          interlaced pictures: the test card gets chroma per field; y4m\n"
    "                        output is marked top field first\n"
    "  -frames N             how many pictures (default 25)\n"
    "  -r RATE               frame rate written to y4m output (default 25)\n"
    "  -o FILE               .y4m, .yuv, .png or name%03d.png; - writes standard output\n"
    "  -f y4m|yuv|png        container, for pipes and unusual names\n"
    "  -q, --quiet           no progress line and no notes\n"
    "  --preview DIR         PNG previews: first, middle, last picture\n"
    "\n"
    "Examples:\n"
    "  pelforge pattern --kind testcard -frames 50 -o card.y4m\n"
    "  pelforge pattern -s 352x288 --kind bars -pix_fmt uyvy422 -frames 1 -o bars.yuv\n"
    "  pelforge pattern --kind colour=16,32,200 -frames 1 -o blue.png\n"
    "  pelforge pattern --kind bars2 -frames 100 -o - | ffplay -\n";

int run_pattern(const VerbArgs& args, const Console& console) {
  Size size{720, 576};
  const PixFmt* fmt = &yuv420p();
  std::optional<PatternKind> kind;
  bool interlaced = false;
  StreamArgs run;
  run.max_frames = 25;
  Rational fps{25, 1};
  std::string out_path;
  Container container = Container::kAuto;
  for (size_t i = 0; i < args.size(); ++i) {
    OptionValue o = option_at(args, i);
    const std::string opt = o.name();
    if (opt == "-h" || opt == "--help") {
      console.out << kPatternHelp;
      return kExitOk;
    } else if (opt == "-s" || opt == "-video_size") {
      size = parse_size(o.text(), opt);
    } else if (opt == "-pix_fmt") {
      const std::string name = o.text();
      fmt = find_pix_fmt(name);
      if (fmt == nullptr || (fmt->yuv_type != PF_YUV_420 && fmt->yuv_type != PF_YUV_UYVY) ||
          fmt->family != Family::kYuv) {
        throw UsageError("-pix_fmt " + name + ": patterns are made as yuv420p or uyvy422");
      }
    } else if (opt == "--kind") {
      kind = parse_kind(o.text());
    } else if (opt == "--interlaced") {
      o.flag();
      interlaced = true;
    } else if (opt == "-frames" || opt == "-frames:v" || opt == "-vframes" || opt == "--frames") {
      run.max_frames = static_cast<uint64_t>(parse_integer(o.text(), opt));
      if (run.max_frames == 0) throw UsageError(opt + ": give at least 1 frame");
    } else if (opt == "-r") {
      fps = parse_rate(o.text(), opt);
    } else if (opt == "-o" || opt == "--output") {
      out_path = o.text();
    } else if (opt == "-f") {
      container = parse_container(o.text());
    } else if (opt == "-q" || opt == "--quiet") {
      o.flag();
      run.quiet = true;
    } else if (opt == "-y") {
    } else if (opt == "--preview") {
      run.preview.dir = o.text();
    } else if (!opt.empty() && opt[0] != '-' && out_path.empty()) {
      out_path = opt;
    } else {
      throw UsageError("unknown option " + opt + " (see pelforge pattern --help)");
    }
  }
  if (!kind) throw UsageError("no --kind: testcard, bars, bars2 or colour=R,G,B");
  if (size.width % 2 != 0 || size.height % 2 != 0 || size.width > PF_RENOVATION_MAX_SIZE ||
      size.height > PF_RENOVATION_MAX_SIZE) {
    throw UsageError("-s: patterns have even sides up to " +
                     std::to_string(PF_RENOVATION_MAX_SIZE));
  }
  if (kind->type == PF_RENOVATION_TESTCARD &&
      (size.width != 720 || size.height != 576 || fmt != &yuv420p())) {
    throw UsageError("the test card is 720x576 yuv420p only");
  }
  if ((kind->type == PF_RENOVATION_BARS || kind->type == PF_RENOVATION_BARS2) &&
      size.width % 16 != 0) {
    throw UsageError("colour bars need a width that is a multiple of 16");
  }
  if (out_path.empty()) throw UsageError("no output: give -o FILE, or -o - for standard output");

  // The test card exists as a field picture; it is woven into an interlaced frame on the way
  // out, so every output shows it in display order.
  VideoFormat source;
  source.width = size.width;
  source.height = size.height;
  source.fmt = fmt;
  source.fps = fps;
  source.sar = Rational{1, 1};
  source.layout =
      interlaced ? (kind->type == PF_RENOVATION_TESTCARD ? PF_IMAGE_FIELD : PF_IMAGE_INTERLACED)
                 : PF_IMAGE_FRAME;
  const tRenovationParam param{
      kind->type, size.width, size.height, fmt->yuv_type, interlaced ? 2u : 1u, kind->r, kind->g,
      kind->b,    0};
  const Note note = console_note(console, run.quiet);
  MemHandle mem;
  PatternReader reader(source, param, mem.get(), run.max_frames, kind->name);

  if (container == Container::kAuto && out_path != "-") container = container_from_name(out_path);
  VideoFormat out = source;
  out.fmt = &default_output_fmt(container, out_path, *fmt);
  out.layout = interlaced && out.fmt->family == Family::kYuv ? PF_IMAGE_INTERLACED : PF_IMAGE_FRAME;
  check_png_output(container, *out.fmt);
  if (container == Container::kAuto) container = pipe_container(Container::kY4m, *out.fmt);
  Pipeline pipeline(Request{source, out, Geometry{}}, mem.get(), note);
  auto writer = open_writer(out_path, container, out);
  const RunResult r =
      run_frames(reader, pipeline, *writer, run_settings(run, console), mem.get(), note);
  report_run(console, run.quiet, r, reader.describe(), writer->describe());
  return kExitOk;
}

// ---------------------------------------------------------------- banner

struct Box {
  int left, top, width, height;
  uint8_t r, g, b, opacity;
};

Box parse_box(const std::string& text) {
  std::vector<int> v;
  const size_t commas = static_cast<size_t>(std::count(text.begin(), text.end(), ','));
  v = parse_int_list(text, commas == 7 ? 8 : 7, "--box");
  for (size_t k = 4; k < v.size(); ++k) {
    if (v[k] < 0 || v[k] > 255) {
      throw UsageError("--box " + text + ": colour and opacity go from 0 to 255");
    }
  }
  if (v[2] < 1 || v[3] < 1) throw UsageError("--box " + text + ": width and height start at 1");
  return {v[0],
          v[1],
          v[2],
          v[3],
          static_cast<uint8_t>(v[4]),
          static_cast<uint8_t>(v[5]),
          static_cast<uint8_t>(v[6]),
          static_cast<uint8_t>(v.size() == 8 ? v[7] : 255)};
}

// The banner's record for a box on pictures of `f`. The module wants the top-left corner inside
// the picture; a box reaching over the top or left edge is cut there first (the module itself
// cuts at the right and bottom edges). Null when nothing of the box is on the picture.
std::optional<tBannerParam> banner_param(const Box& box, const VideoFormat& f) {
  int left = box.left, top = box.top, width = box.width, height = box.height;
  if (left < 0) {
    width += left;
    left = 0;
  }
  if (top < 0) {
    height += top;
    top = 0;
  }
  if (width < 1 || height < 1 || left >= f.width || top >= f.height) return std::nullopt;
  return tBannerParam{width,    height,   top,      left,  f.width,
                      f.height, box.r,    box.g,    box.b, box.opacity,
                      f.width,  f.height, f.layout, 0,     f.fmt->yuv_type};
}

int run_banner(const VerbArgs& args, const Console& console) {
  std::vector<Box> boxes;
  StreamVerb verb;
  verb.name = "banner";
  verb.description =
      "Draws rectangles on every picture with the library's banner module: opaque, or blended\n"
      "with an opacity (0 draws nothing, 255 covers). Boxes are drawn in the order given;\n"
      "positions and sizes are rounded down to even, and boxes are cut at the picture's edges.\n";
  verb.options_help =
      "  --box X,Y,W,H,R,G,B[,OPACITY]\n"
      "                        a rectangle: left, top, width, height, colour, opacity (default\n"
      "                        255); repeat for more\n";
  verb.examples =
      "  pelforge banner in.y4m --box 0,440,720,96,16,32,160,160 -o lower_third.y4m\n"
      "  pelforge banner -s 720x576 in.yuv --box 40,40,200,60,255,255,0 --box 600,500,200,200,"
      "0,0,0,128 -o out.yuv\n";
  verb.formats = {"yuv420p", "nv12", "uyvy422", "yuyv422"};
  verb.options = [&](OptionValue& o) {
    if (o.name() != "--box") return false;
    boxes.push_back(parse_box(o.text()));
    return true;
  };
  verb.build = [&](StreamContext& ctx) {
    if (boxes.empty()) throw UsageError("no --box: give at least one rectangle");
    const VideoFormat f = ctx.format();
    std::vector<std::shared_ptr<Instance>> banners;
    for (const Box& box : boxes) {
      const std::optional<tBannerParam> p = banner_param(box, f);
      if (!p) {
        ctx.note("a box at " + std::to_string(box.left) + "," + std::to_string(box.top) +
                 " lies outside the " + std::to_string(f.width) + "x" + std::to_string(f.height) +
                 " picture: not drawn");
        continue;
      }
      banners.push_back(ctx.open(kBannerId, &*p));
    }
    ctx.then_in_place("banner (module 9)", [banners](uint8_t* picture) {
      uint8_t* planes[3] = {picture, nullptr, nullptr};
      int context = 0;
      for (const auto& banner : banners) banner->process(planes, &context);
    });
  };
  return run_stream_verb(verb, args, console);
}

// ---------------------------------------------------------------- osd

int run_osd(const VerbArgs& args, const Console& console) {
  int weight = 4, brightness = 0, contrast = 0;
  StreamVerb verb;
  verb.name = "osd";
  verb.description =
      "Smooths 32-bit on-screen-display pictures with the library's OSD filter: a 3x3 mean\n"
      "with a weighted centre, then a brightness and contrast curve around the picture's own\n"
      "mean grey level. The outermost rows and columns are kept as they are.\n";
  verb.options_help =
      "  --centre-weight N     weight of the centre pixel, 0..11 (default 4); the neighbours\n"
      "                        weigh 1\n"
      "  --brightness N        added to every level, -255..255 (default 0)\n"
      "  --contrast N          0 none (default); 1..127 steepen around the mean (64 doubles);\n"
      "                        128 black/white at the mean; -128..-1 flatten\n";
  verb.examples =
      "  pelforge osd menu.png -o menu_soft.png --centre-weight 8\n"
      "  pelforge osd menu.png -o menu_crisp.png --contrast 64 --brightness -10\n";
  verb.formats = {"bgra"};
  verb.options = [&](OptionValue& o) {
    if (o.name() == "--centre-weight" || o.name() == "--center-weight") {
      weight = static_cast<int>(o.integer(0, PF_OSD_MAX_CENTER_WEIGHT));
    } else if (o.name() == "--brightness") {
      brightness = static_cast<int>(o.integer(-255, 255));
    } else if (o.name() == "--contrast") {
      contrast = static_cast<int>(o.integer(-128, 128));
    } else {
      return false;
    }
    return true;
  };
  verb.build = [&](StreamContext& ctx) {
    const VideoFormat f = ctx.format();
    tFilterOsdParam p{static_cast<uint8_t>(weight),
                      static_cast<int16_t>(brightness),
                      static_cast<int16_t>(contrast),
                      static_cast<uint32_t>(f.width),
                      static_cast<uint32_t>(f.height),
                      nullptr,
                      0};
    // A refused record fails here, before any picture is read.
    std::shared_ptr<Instance> osd = ctx.open(kOsdId, &p);
    // The curve pivots on each picture's own mean, which the module measures when it is given
    // the picture as its reference: one SetParam per picture.
    ctx.then("osd (module 18)", f, [p, osd](uint8_t* in, uint8_t* out) {
      tFilterOsdParam measure = p;
      measure.pu32RefPicture = reinterpret_cast<const uint32_t*>(in);
      measure.u8MeasureMean = 1;
      osd->set_param(&measure);
      tFilterOsdPictures pictures{reinterpret_cast<const uint32_t*>(in),
                                  reinterpret_cast<uint32_t*>(out)};
      int context = 0;
      osd->process(&pictures, &context);
    });
  };
  return run_stream_verb(verb, args, console);
}

}  // namespace

PF_VERB_MAIN(pattern) { return run_pattern(args, console); }
PF_VERB_MAIN(banner) { return run_banner(args, console); }
PF_VERB_MAIN(osd) { return run_osd(args, console); }

// ---------------------------------------------------------------- demo

PF_DEMO_MAIN(overlay) {
  const VideoFormat& src = demo.source();
  // The three patterns, each a still picture repeated for the length of the demo.
  const struct {
    DemoJob job;
    uint32_t type;
  } patterns[] = {
      {{"pattern_testcard", "pattern: test card"}, PF_RENOVATION_TESTCARD},
      {{"pattern_bars", "pattern: colour bars"}, PF_RENOVATION_BARS},
      {{"pattern_bars2", "pattern: colour bars, second set"}, PF_RENOVATION_BARS2},
  };
  for (const auto& pattern : patterns) {
    if (!demo.wants(pattern.job)) continue;
    const tRenovationParam p{pattern.type, src.width, src.height, PF_YUV_420, 1, 0, 0, 0, 0};
    auto module = std::make_shared<Instance>(kRenovationId, &p, demo.mem());
    if (DemoReport* r = demo.run(
            pattern.job, demo.progressive(), src, src, [module, src](uint8_t*, uint8_t* out) {
              tImgPicture pic = picture_record(*src.fmt, src.width, src.height, out);
              int context = 0;
              module->process(&pic, &context);
            })) {
      r->set_result("the renovation module's picture");
    }
  }
  // A translucent lower-third bar with a thin opaque rule above it, over the moving pattern.
  const DemoJob lower_third{"lower_third", "lower third, translucent bar"};
  if (demo.wants(lower_third)) {
    const tBannerParam bar{720, 96, 440, 0, 720, 576, 16, 32, 160, 160, 720, 576, 1, 0, 420};
    const tBannerParam rule{720, 4, 436, 0, 720, 576, 255, 200, 0, 255, 720, 576, 1, 0, 420};
    auto bar_module = std::make_shared<Instance>(kBannerId, &bar, demo.mem());
    auto rule_module = std::make_shared<Instance>(kBannerId, &rule, demo.mem());
    const size_t bytes = src.frame_size();
    if (DemoReport* r = demo.run(lower_third, demo.progressive(), src, src,
                                 [bar_module, rule_module, bytes](uint8_t* in, uint8_t* out) {
                                   std::memcpy(out, in, bytes);
                                   uint8_t* planes[3] = {out, nullptr, nullptr};
                                   int context = 0;
                                   bar_module->process(planes, &context);
                                   rule_module->process(planes, &context);
                                 })) {
      r->set_result("opacity 160 of 255 over rows 440-535");
    }
  }
}

}  // namespace pf::cli
