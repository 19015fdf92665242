// SPDX-License-Identifier: BSD-2-Clause
// deinterlace, deblock and dering: one library filter on every picture of a stream, and the
// filters' demo jobs (the interlaced pattern through each mode; a coarsely coded clip cleaned).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli_error.hpp"
#include "demo.hpp"
#include "img_deblock.h"
#include "img_deinterlace.h"
#include "img_dering.h"
#include "modules.hpp"
#include "stream_verb.hpp"
#include "verbs.hpp"

namespace pf::cli {
namespace {

constexpr uint32_t kDeinterlaceId = 32;

// The entry points of deblock and dering, which have no registry entry and are called directly.
const tImgProcFuncList kDeblockEntry = {ImgDeblockOpen_c,
                                        ImgDeblockProcess_c,
                                        ImgDeblockClose_c,
                                        ImgDeblockSetParam_c,
                                        ImgDeblockGetVersion_c,
                                        ImgDeblockGetStatus_c,
                                        ImgDeblockAnalyzeErrorCode_c,
                                        ImageDeblockDebug_c,
                                        ImageDeblockGetMemSize_c};
const tImgProcFuncList kDeringEntry = {ImgDeringOpen_c,
                                       ImgDeringProcess_c,
                                       ImgDeringClose_c,
                                       ImgDeringSetParam_c,
                                       ImgDeringGetVersion_c,
                                       ImgDeringGetStatus_c,
                                       ImgDeringAnalyzeErrorCode_c,
                                       ImageDeringDebug_c,
                                       ImageDeringGetMemSize_c};

// An instance of a module reached through its exported entry points; closed when it goes. The
// memory handle must outlive it.
class Direct {
 public:
  Direct(const char* name, const tImgProcFuncList& entry, const void* param, void* mem)
      : name_(name), entry_(entry) {
    const uint32_t status = entry_.Open(&handle_, param, mem);
    if (status != PF_STATUS_OK) {
      throw ModuleError(name_ + " refused to open: " + status_text(entry_, status), status);
    }
  }
  ~Direct() { entry_.Close(handle_); }
  Direct(const Direct&) = delete;
  Direct& operator=(const Direct&) = delete;
  void process(void* input) {
    const uint32_t status = entry_.Process(handle_, input, input);
    if (status != PF_STATUS_OK) {
      throw ModuleError(name_ + " could not process a picture: " + status_text(entry_, status),
                        status);
    }
  }

 private:
  std::string name_;
  const tImgProcFuncList& entry_;
  void* handle_ = nullptr;
};

// Plane pointers of a contiguous yuv420p picture.
struct Planes {
  uint8_t* y;
  uint8_t* u;
  uint8_t* v;
};
Planes planes_of(uint8_t* picture, int width, int height) {
  const size_t luma = static_cast<size_t>(width) * static_cast<size_t>(height);
  return {picture, picture + luma, picture + luma + luma / 4};
}

// The filters work on 8 x 8 blocks and line pairs: they take sizes that are multiples of 8.
void check_size(const char* verb, const VideoFormat& f) {
  if (f.width % 8 != 0 || f.height % 8 != 0) {
    throw CliError(std::string(verb) + " needs a width and height that are multiples of 8 (the " +
                   "input is " + std::to_string(f.width) + "x" + std::to_string(f.height) +
                   "); resize or pad it first");
  }
}

// ---------------------------------------------------------------- deinterlace

// Deinterlaces pictures of `in` (layout frame, interlaced or field) in place; the pictures that
// leave are progressive frames in the same storage.
struct DeinterlaceStage {
  std::shared_ptr<Instance> module;
  int width, height;
  void operator()(uint8_t* picture) const {
    const Planes p = planes_of(picture, width, height);
    uint8_t* planes[3] = {p.y, p.u, p.v};
    module->process(planes, planes);
  }
};

std::shared_ptr<Instance> open_deinterlace(StreamContext& ctx, int width, int height, int mode,
                                           bool fields) {
  const tImgDeinterlaceParam p{width, height,
                               width, width / 2,
                               mode,  fields ? PF_DEINTERLACE_FIELDS : PF_DEINTERLACE_INTERLACED};
  return ctx.open(kDeinterlaceId, &p);
}

}  // namespace

PF_VERB_MAIN(deinterlace) {
  int mode = 3;
  bool fields = false;
  StreamVerb verb;
  verb.name = "deinterlace";
  verb.description =
      "Removes interlace combing with the library's deinterlacer (module 32). The lines of the\n"
      "first field pass unchanged; those of the second field are rebuilt. Pictures are taken\n"
      "as interleaved frames whatever the input says, and leave as progressive frames.\n";
  verb.options_help =
      "  --mode N              0 block comb detector, 1 line repetition, 2 motion-adaptive\n"
      "                        blend, 3 blend with edge directions and the previous picture\n"
      "                        (default 3)\n"
      "  --field-separated     run the module on field-separated storage (modes 1 to 3)\n";
  verb.examples =
      "  pelforge deinterlace interlaced.y4m -o progressive.y4m\n"
      "  pelforge deinterlace -s 720x576 tv.yuv --mode 0 -o out.yuv\n"
      "  pelforge deinterlace tv.y4m --mode 2 --field-separated --preview previews/ -o out.y4m\n";
  verb.formats = {"yuv420p"};
  verb.options = [&](OptionValue& o) {
    if (o.name() == "--mode") {
      mode = static_cast<int>(o.integer(0, 3));
      return true;
    }
    if (o.name() == "--field-separated") {
      fields = true;
      return true;
    }
    return false;
  };
  verb.build = [&](StreamContext& ctx) {
    check_size("deinterlace", ctx.format());
    VideoFormat in = ctx.format();
    const uint32_t want = fields                        ? PF_IMAGE_FIELD
                          : in.layout == PF_IMAGE_FIELD ? PF_IMAGE_INTERLACED
                                                        : in.layout;
    if (in.layout != want) {
      in.layout = want;
      ctx.then_convert(in);
    }
    const DeinterlaceStage stage{open_deinterlace(ctx, in.width, in.height, mode, fields), in.width,
                                 in.height};
    VideoFormat out = in;
    out.layout = fields ? PF_IMAGE_FIELD : PF_IMAGE_FRAME;
    const size_t bytes = in.frame_size();
    ctx.then("deinterlace, mode " + std::to_string(mode) + " (module 32)", out,
             [stage, bytes](uint8_t* src, uint8_t* dst) {
               std::memcpy(dst, src, bytes);
               stage(dst);
             });
    if (fields) {
      out.layout = PF_IMAGE_FRAME;
      ctx.then_convert(out);
    }
  };
  return run_stream_verb(verb, args, console);
}

// ---------------------------------------------------------------- deblock and dering

namespace {

// The quantiser of each picture: one fixed value, or one per picture from a file.
class QpSource {
 public:
  bool option(OptionValue& o) {
    if (o.name() == "--qp" || o.name() == "-qp") {
      fixed_ = static_cast<int32_t>(o.integer(0, 1 << 16));
      return true;
    }
    if (o.name() == "--qp-file") {
      path_ = o.text();
      return true;
    }
    return false;
  }
  // Reads the file, if one was named; the run stops at a picture it has no value for.
  void load() {
    if (path_.empty()) return;
    std::ifstream in(path_);
    if (!in) throw CliError("cannot read the quantiser file " + path_);
    std::string word;
    while (in >> word) {
      char* end = nullptr;
      const long v = std::strtol(word.c_str(), &end, 0);
      if (*end != '\0' || v < 0 || v > (1 << 16)) {
        throw CliError(path_ + ": '" + word + "' is not a quantiser (0 to 65536)");
      }
      values_.push_back(static_cast<int32_t>(v));
    }
    if (values_.empty()) throw CliError(path_ + " holds no quantiser");
  }
  int32_t at(uint64_t frame) const {
    if (values_.empty()) return fixed_;
    if (frame >= values_.size()) {
      throw CliError(path_ + " has " + std::to_string(values_.size()) + " quantisers; picture " +
                     std::to_string(frame + 1) + " has none");
    }
    return values_[frame];
  }
  static constexpr const char* kHelp =
      "  --qp N, -qp N         quantiser of every picture: the coder's quantiser scale, 1 to 31\n"
      "                        for MPEG coders (default 8); 0 leaves nearly everything as is\n"
      "  --qp-file FILE        one quantiser per picture, in picture order (whitespace apart)\n";

 private:
  int32_t fixed_ = 8;
  std::string path_;
  std::vector<int32_t> values_;
};

}  // namespace

PF_VERB_MAIN(deblock) {
  auto qp = std::make_shared<QpSource>();
  StreamVerb verb;
  verb.name = "deblock";
  verb.description =
      "Smooths the 8x8 block edges of decoded pictures with the library's deblocking filter:\n"
      "flat areas get a strong smoothing across each edge, textured ones a small correction,\n"
      "steered by the quantiser the pictures were coded with.\n";
  verb.options_help = QpSource::kHelp;
  verb.examples =
      "  pelforge deblock decoded.y4m --qp 12 -o clean.y4m\n"
      "  ffmpeg -i low.mpg -f yuv4mpegpipe - | pelforge deblock - --qp 24 -o - | ffplay -\n"
      "  pelforge deblock -s 352x288 in.yuv --qp-file qp.txt -o out.yuv\n";
  verb.formats = {"yuv420p"};
  verb.options = [qp](OptionValue& o) { return qp->option(o); };
  verb.build = [qp](StreamContext& ctx) {
    const VideoFormat& f = ctx.format();
    check_size("deblock", f);
    qp->load();
    const int w = f.width, h = f.height;
    const tImgDeblockParam p{w, h, w, w / 2, w, h, w, w / 2};
    auto module = std::make_shared<Direct>("deblock", kDeblockEntry, &p, ctx.mem());
    StreamContext* context = &ctx;
    ctx.then("deblock", f, [module, qp, context, w, h](uint8_t* src, uint8_t* dst) {
      const Planes s = planes_of(src, w, h), d = planes_of(dst, w, h);
      tImgDeblockData data{s.y, s.u, s.v, d.y, d.u, d.v, qp->at(context->frame())};
      module->process(&data);
    });
  };
  return run_stream_verb(verb, args, console);
}

PF_VERB_MAIN(dering) {
  auto qp = std::make_shared<QpSource>();
  StreamVerb verb;
  verb.name = "dering";
  verb.description =
      "Suppresses the ringing around edges inside the 8x8 blocks of decoded pictures with the\n"
      "library's dering filter: a 3x3 smoothing on either side of each block's edges, no\n"
      "pixel moving by more than half the quantiser.\n";
  verb.options_help = QpSource::kHelp;
  verb.examples =
      "  pelforge dering decoded.y4m --qp 12 -o clean.y4m\n"
      "  pelforge deblock in.y4m --qp 20 -o - | pelforge dering - --qp 20 -o out.y4m\n";
  verb.formats = {"yuv420p"};
  verb.options = [qp](OptionValue& o) { return qp->option(o); };
  verb.build = [qp](StreamContext& ctx) {
    const VideoFormat& f = ctx.format();
    check_size("dering", f);
    qp->load();
    const int w = f.width, h = f.height;
    const tImgDeringParam p{w, h, w, w / 2};
    auto module = std::make_shared<Direct>("dering", kDeringEntry, &p, ctx.mem());
    StreamContext* context = &ctx;
    ctx.then_in_place("dering", [module, qp, context, w, h](uint8_t* picture) {
      const Planes s = planes_of(picture, w, h);
      tImgDeringData data{s.y, s.u, s.v, qp->at(context->frame())};
      module->process(&data);
    });
  };
  return run_stream_verb(verb, args, console);
}

// ---------------------------------------------------------------- demo

namespace {

double luma_psnr(const uint8_t* reference, const uint8_t* picture, int w, int h) {
  double sum = 0;
  const size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
  for (size_t i = 0; i < n; ++i) {
    const double d = static_cast<double>(reference[i]) - picture[i];
    sum += d * d;
  }
  return sum == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 * static_cast<double>(n) / sum);
}

// Blockiness of the luma: the mean step between horizontal neighbours across 8x8 block edges,
// as a multiple of the mean step between neighbours inside blocks (about 1 without blocking).
double block_steps(const uint8_t* y, int w, int h) {
  double edge = 0, inside = 0;
  size_t edges = 0, insides = 0;
  for (int l = 0; l < h; ++l) {
    const uint8_t* line = y + static_cast<size_t>(l) * w;
    for (int x = 1; x < w; ++x) {
      const int step = std::abs(line[x] - line[x - 1]);
      if (x % 8 == 0) {
        edge += step, ++edges;
      } else {
        inside += step, ++insides;
      }
    }
  }
  return inside == 0
             ? 1.0
             : (edge / static_cast<double>(edges)) / (inside / static_cast<double>(insides));
}

// Writes a (2w) x h yuv420p picture: the part of `left` and `right` from (0, h / 4), w / 2 x
// h / 2 pixels, each zoomed twice (pixel repetition), side by side.
void zoom_side_by_side(const uint8_t* left, const uint8_t* right, uint8_t* out, int w, int h) {
  const uint8_t* from[2] = {left, right};
  for (int side = 0; side < 2; ++side) {
    const Planes src = planes_of(const_cast<uint8_t*>(from[side]), w, h);
    const Planes dst = planes_of(out, 2 * w, h);
    const uint8_t* sp[3] = {src.y, src.u, src.v};
    uint8_t* dp[3] = {dst.y, dst.u, dst.v};
    for (int k = 0; k < 3; ++k) {
      const int pw = k == 0 ? w : w / 2, ph = k == 0 ? h : h / 2;
      for (int y = 0; y < ph; ++y) {
        const uint8_t* line = sp[k] + static_cast<size_t>(ph / 4 + y / 2) * pw;
        uint8_t* o = dp[k] + static_cast<size_t>(y) * 2 * pw + side * pw;
        for (int x = 0; x < pw; ++x) o[x] = line[x / 2];
      }
    }
  }
}

// A measure of combing: the mean of |2 x line - above - below| over the odd lines, where a
// progressive picture of smooth content stays low and interleaved motion is large.
double combing(const uint8_t* y, int width, int height) {
  double sum = 0;
  int lines = 0;
  for (int l = 1; l + 1 < height; l += 2, ++lines) {
    const uint8_t* c = y + static_cast<size_t>(l) * width;
    for (int x = 0; x < width; ++x) sum += std::abs(2 * c[x] - c[x - width] - c[x + width]);
  }
  return lines == 0 ? 0.0 : sum / (static_cast<double>(width) * lines);
}

std::string quoted(const std::string& path) {
  std::string q = "'";
  for (char c : path) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// The pattern through ffmpeg's MPEG-2 coder at a fixed, very coarse quantiser and back: real
// blocking and ringing. Empty when ffmpeg is not there.
Frames coded_coarsely(DemoContext& demo, const Frames& frames, int qscale) {
  const std::string raw = demo.dir() + "/blocky_source.yuv";
  const std::string coded = demo.dir() + "/blocky_mpeg2.m2v";
  const std::string back = demo.dir() + "/blocky_decoded.yuv";
  {
    std::ofstream out(raw, std::ios::binary);
    for (const auto& f : frames) out.write(reinterpret_cast<const char*>(f.data()), f.size());
  }
  const std::string size =
      std::to_string(DemoContext::kWidth) + "x" + std::to_string(DemoContext::kHeight);
  const std::string encode = "ffmpeg -nostdin -loglevel error -y -f rawvideo -pix_fmt yuv420p -s " +
                             size + " -i " + quoted(raw) + " -c:v mpeg2video -qscale:v " +
                             std::to_string(qscale) + " -qmin " + std::to_string(qscale) +
                             " -g 12 " + quoted(coded);
  const std::string decode = "ffmpeg -nostdin -loglevel error -y -i " + quoted(coded) +
                             " -f rawvideo -pix_fmt yuv420p " + quoted(back);
  Frames decoded;
  if (std::system(encode.c_str()) == 0 && std::system(decode.c_str()) == 0) {
    std::ifstream in(back, std::ios::binary);
    for (size_t i = 0; i < frames.size(); ++i) {
      std::vector<uint8_t> f(frames[i].size());
      if (!in.read(reinterpret_cast<char*>(f.data()), static_cast<std::streamsize>(f.size())))
        break;
      decoded.push_back(std::move(f));
    }
  }
  std::remove(raw.c_str());
  std::remove(coded.c_str());
  std::remove(back.c_str());
  return decoded;
}

}  // namespace

PF_DEMO_MAIN(deinterlace) {
  constexpr int w = DemoContext::kWidth, h = DemoContext::kHeight;
  // The interlaced pattern through every mode: the moving circle and bars lose their combs,
  // the still ramp stays as sharp as it was.
  const char* const titles[4] = {"block comb detector", "line repetition",
                                 "motion-adaptive field blend",
                                 "edge-directed blend with the previous picture"};
  for (int mode = 0; mode < 4; ++mode) {
    const DemoJob job{"deinterlace_mode" + std::to_string(mode),
                      "deinterlace, mode " + std::to_string(mode) + ": " + titles[mode]};
    if (!demo.wants(job)) continue;
    const Frames& frames = demo.interlaced();
    VideoFormat out = demo.interlaced_source();
    out.layout = PF_IMAGE_FRAME;
    const tImgDeinterlaceParam p{w, h, w, w / 2, mode, PF_DEINTERLACE_INTERLACED};
    auto module = std::make_shared<Instance>(kDeinterlaceId, &p, demo.mem());
    double before = 0, after = 0;
    size_t index = 0;
    DemoOptions options;
    options.sink = [&](uint64_t i, const uint8_t* picture) {
      before += combing(frames[i].data(), w, h);
      after += combing(picture, w, h);
      ++index;
    };
    DemoReport* r = demo.run(
        job, frames, demo.interlaced_source(), out,
        [module](uint8_t* in, uint8_t* dst) {
          std::memcpy(dst, in, static_cast<size_t>(w) * h * 3 / 2);
          const Planes pl = planes_of(dst, w, h);
          uint8_t* planes[3] = {pl.y, pl.u, pl.v};
          module->process(planes, planes);
        },
        options);
    if (r != nullptr && index > 0) {
      char text[96];
      std::snprintf(text, sizeof text, "combing %.1f -> %.1f (mean |2c - a - b| on odd lines)",
                    before / static_cast<double>(index), after / static_cast<double>(index));
      r->set_result(text);
    }
  }

  // A textured clip coded by MPEG-2 at a very coarse quantiser, then deblocked and deringed
  // with that quantiser. The preview shows a 360x288 part zoomed twice: the decoded picture on
  // the left, the cleaned one on the right.
  constexpr int kQscale = 31;
  const DemoJob job{"deblock_dering",
                    "MPEG-2 at qscale 31, deblocked and deringed (zoomed; left: decoded)"};
  if (!demo.wants(job)) return;
  Frames source = demo.progressive();
  for (size_t i = 0; i < source.size(); ++i) add_noise(source[i], 10, 1000 + i);
  const Frames coded = coded_coarsely(demo, source, kQscale);
  VideoFormat wide = demo.source();
  wide.width = 2 * w;
  const tImgDeblockParam bp{w, h, w, w / 2, w, h, w, w / 2};
  const tImgDeringParam rp{w, h, w, w / 2};
  auto deblock = std::make_shared<Direct>("deblock", kDeblockEntry, &bp, demo.mem());
  auto dering = std::make_shared<Direct>("dering", kDeringEntry, &rp, demo.mem());
  const auto plane_bytes = static_cast<size_t>(w) * h * 3 / 2;
  std::vector<uint8_t> clean(plane_bytes);
  double steps_coded = 0, steps_clean = 0, psnr_coded = 0, psnr_clean = 0;
  size_t index = 0;
  DemoOptions options;
  options.sink = [&](uint64_t i, const uint8_t*) {
    steps_coded += block_steps(coded[i].data(), w, h);
    steps_clean += block_steps(clean.data(), w, h);
    psnr_coded += luma_psnr(source[i].data(), coded[i].data(), w, h);
    psnr_clean += luma_psnr(source[i].data(), clean.data(), w, h);
    ++index;
  };
  const Frames& input = coded.empty() ? source : coded;  // the job fails below without ffmpeg
  DemoReport* r = demo.run(
      job, input, demo.source(), wide,
      [&, deblock, dering](uint8_t* in, uint8_t* out) {
        if (coded.empty()) throw CliError("ffmpeg is needed to code the clip (apt install ffmpeg)");
        const Planes s = planes_of(in, w, h), c = planes_of(clean.data(), w, h);
        tImgDeblockData bd{s.y, s.u, s.v, c.y, c.u, c.v, kQscale};
        deblock->process(&bd);
        tImgDeringData rd{c.y, c.u, c.v, kQscale};
        dering->process(&rd);
        zoom_side_by_side(in, clean.data(), out, w, h);
      },
      options);
  if (r != nullptr && index > 0) {
    const auto n = static_cast<double>(index);
    char text[160];
    std::snprintf(text, sizeof text,
                  "steps across block edges %.2f -> %.2f of those inside; PSNR %.2f -> %.2f dB",
                  steps_coded / n, steps_clean / n, psnr_coded / n, psnr_clean / n);
    r->set_result(text);
  }
}

}  // namespace pf::cli
