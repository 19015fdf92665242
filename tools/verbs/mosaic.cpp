// SPDX-License-Identifier: BSD-2-Clause
// mosaic and adapt169: the two in-place composition modules on every picture of a stream, and
// their demo jobs (a privacy mosaic that follows the pattern's moving circle; a 4:3 picture made
// ready for a 16:9 display).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "cli_error.hpp"
#include "demo.hpp"
#include "img_adapt_16vs9.h"
#include "img_mosaic.h"
#include "modules.hpp"
#include "stream_verb.hpp"
#include "verbs.hpp"

namespace pf::cli {
namespace {

constexpr uint32_t kMosaicId = 12;
constexpr uint32_t kAdaptId = 16;

// A module instance whose parameters change between pictures (the registry's Instance only
// opens and processes). Closed when it goes; the memory handle must outlive it.
class Retunable {
 public:
  Retunable(uint32_t id, const void* param, void* mem) : table_(module_table(id)), id_(id) {
    check("open", table_.Open(&handle_, param, mem));
  }
  ~Retunable() { table_.Close(handle_); }
  Retunable(const Retunable&) = delete;
  Retunable& operator=(const Retunable&) = delete;
  void set_param(const void* param) {
    check("take new parameters", table_.SetParam(handle_, param));
  }
  void process(void* input, void* output) {
    check("process a picture", table_.Process(handle_, input, output));
  }

 private:
  void check(const char* what, uint32_t status) const {
    if (status != PF_STATUS_OK) {
      throw ModuleError(
          module_name(id_) + " could not " + what + ": " + status_text(table_, status), status);
    }
  }
  const tImgProcFuncList& table_;
  uint32_t id_;
  void* handle_ = nullptr;
};

// The mosaic record for contiguous pictures of `f` (pitch = width).
tImageMosaicParam mosaic_param(const VideoFormat& f, const std::vector<tMosaicWindow>& windows) {
  tImageMosaicParam p{};
  p.s32Width = f.width;
  p.s32Height = f.height;
  p.s32YStride = f.width;
  p.s32UVStride = f.width / 2;
  p.u32YuvType = f.fmt->yuv_type;
  p.u32ImageType = f.layout == PF_IMAGE_FIELD ? PF_IMAGE_FIELD : PF_IMAGE_FRAME;
  p.u32MosaicNum = static_cast<uint32_t>(windows.size());
  std::copy(windows.begin(), windows.end(), p.atWindow);
  return p;
}

// The module would refuse these windows with its codes; the command line says which window and
// why in words.
void check_windows(const std::vector<tMosaicWindow>& windows, const VideoFormat& f) {
  for (size_t i = 0; i < windows.size(); ++i) {
    const tMosaicWindow& w = windows[i];
    const std::string which = "--window " + std::to_string(w.s32Left) + "," +
                              std::to_string(w.s32Top) + "," + std::to_string(w.s32Width) + "," +
                              std::to_string(w.s32Height) + "," + std::to_string(w.s32Granularity);
    if (w.s32Left < 0 || w.s32Top < 0 || w.s32Width < 0 || w.s32Height < 0) {
      throw UsageError(which + ": position and size cannot be negative");
    }
    if (int64_t{w.s32Left} + w.s32Width > f.width || int64_t{w.s32Top} + w.s32Height > f.height) {
      throw UsageError(which + ": the window reaches past the " + std::to_string(f.width) + "x" +
                       std::to_string(f.height) + " picture");
    }
    if (w.s32Granularity < 0 || w.s32Granularity > std::min(w.s32Width, w.s32Height)) {
      throw UsageError(which + ": the block size must lie between 0 and the window's width " +
                       "and height");
    }
  }
}

// The mosaic works in place: both picture pointers name the picture.
void run_mosaic(const std::shared_ptr<Instance>& module, uint8_t* picture) {
  uint8_t* pictures[2] = {picture, picture};
  int context = 0;
  module->process(pictures, &context);
}

}  // namespace

PF_VERB_MAIN(mosaic) {
  std::vector<tMosaicWindow> windows;
  StreamVerb verb;
  verb.name = "mosaic";
  verb.description =
      "Pixelates rectangular windows of every picture with the library's mosaic module\n"
      "(module 12), for privacy masking: each window is cut into blocks of BLOCK x BLOCK\n"
      "pixels, and each block takes the luma of its top-left pixel. Colour is left as it is;\n"
      "nothing outside the windows changes. Windows are drawn in the order given, up to 32.\n"
      "Field pictures (--in-layout field) are pixelated field by field.\n";
  verb.options_help =
      "  --window X,Y,W,H,BLOCK\n"
      "                        a window at column X, line Y, W x H pixels, blocks of BLOCK\n"
      "                        (at most W and H; 1 changes nothing, 0 switches the window off);\n"
      "                        repeat for more windows\n";
  verb.examples =
      "  pelforge mosaic in.y4m --window 200,120,160,160,16 -o masked.y4m\n"
      "  pelforge mosaic -s 720x576 -pix_fmt uyvy422 cam.yuv --window 0,500,720,76,8 \\\n"
      "      --window 600,40,96,64,12 -o masked.yuv\n";
  verb.formats = {"yuv420p", "uyvy422"};
  verb.layouts = {PF_IMAGE_FRAME, PF_IMAGE_FIELD};
  verb.options = [&](OptionValue& o) {
    if (o.name() != "--window") return false;
    const std::vector<int> v = o.list(5);
    if (windows.size() == PF_MOSAIC_MAX_WINDOWS) {
      throw UsageError("mosaic takes at most " + std::to_string(PF_MOSAIC_MAX_WINDOWS) +
                       " windows");
    }
    windows.push_back({v[0], v[1], v[2], v[3], v[4]});
    return true;
  };
  verb.build = [&](StreamContext& ctx) {
    if (windows.empty()) throw UsageError("mosaic needs at least one --window X,Y,W,H,BLOCK");
    check_windows(windows, ctx.format());
    const tImageMosaicParam p = mosaic_param(ctx.format(), windows);
    auto module = ctx.open(kMosaicId, &p);
    ctx.then_in_place(std::to_string(windows.size()) + " mosaic window(s) (module 12)",
                      [module](uint8_t* picture) { run_mosaic(module, picture); });
  };
  return run_stream_verb(verb, args, console);
}

namespace {

enum class AdaptMode { kAuto, kSqueeze, kStretch };

// Both reshapes turn a 4:3 picture into a 16:9 one: pixels become a third wider.
Rational widened_sar(Rational sar, int height) {
  if (!sar.known()) return height == 480 ? Rational{32, 27} : Rational{64, 45};
  const int num = sar.num * 4, den = sar.den * 3, d = std::gcd(num, den);
  return {num / d, den / d};
}

}  // namespace

PF_VERB_MAIN(adapt169) {
  AdaptMode mode = AdaptMode::kAuto;
  uint32_t standard = 0;
  StreamVerb verb;
  verb.name = "adapt169";
  verb.description =
      "Reshapes 720-pixel-wide standard-definition pictures for 16:9 use with the library's\n"
      "16:9 adaptation module (module 16), in one of two ways:\n"
      "  squeeze  every line is squeezed into its middle three quarters, with bars at the\n"
      "           sides: a 4:3 picture keeps its shape on a 16:9 display (4:2:0, as fields)\n"
      "  stretch  the middle three quarters of the lines are stretched to the full height:\n"
      "           a letterboxed 16:9 picture fills the frame (packed 4:2:2 frames)\n"
      "Pictures are converted to what the chosen way takes and back. The output's pixel aspect\n"
      "is that of a 16:9 picture. Only 720x576 and 720x480 pictures are taken.\n";
  verb.options_help =
      "  --mode squeeze|stretch\n"
      "                        default: stretch for uyvy422 input, squeeze otherwise\n"
      "  --standard pal|ntsc   lines adapted: 576 (pal) or 480 (ntsc); default by the height.\n"
      "                        ntsc on a 576-line picture adapts its first 480 lines only\n";
  verb.examples =
      "  pelforge adapt169 in.y4m -o widescreen.y4m\n"
      "  pelforge adapt169 letterbox.y4m --mode stretch -o anamorphic.y4m\n"
      "  pelforge adapt169 -s 720x480 ntsc.yuv --standard ntsc -o out.yuv\n";
  verb.formats = {"yuv420p", "uyvy422"};
  verb.options = [&](OptionValue& o) {
    if (o.name() == "--mode") {
      const std::string m = o.text();
      if (m != "squeeze" && m != "stretch") {
        throw UsageError("--mode takes squeeze or stretch, not '" + m + "'");
      }
      mode = m == "squeeze" ? AdaptMode::kSqueeze : AdaptMode::kStretch;
      return true;
    }
    if (o.name() == "--standard") {
      const std::string s = o.text();
      if (s != "pal" && s != "ntsc") {
        throw UsageError("--standard takes pal or ntsc, not '" + s + "'");
      }
      standard = s == "pal" ? PF_ADAPT_16VS9_PAL : PF_ADAPT_16VS9_NTSC;
      return true;
    }
    return false;
  };
  verb.build = [&](StreamContext& ctx) {
    const VideoFormat in = ctx.format();
    const bool squeeze =
        mode == AdaptMode::kAuto ? in.fmt != find_pix_fmt("uyvy422") : mode == AdaptMode::kSqueeze;
    VideoFormat work = in;
    work.fmt = find_pix_fmt(squeeze ? "yuv420p" : "uyvy422");
    work.layout = squeeze ? PF_IMAGE_FIELD : PF_IMAGE_FRAME;
    if (!same_pictures(work, in)) ctx.then_convert(work);
    const tImageAdapt16vs9Param p{work.width, work.height, work.layout, work.fmt->yuv_type,
                                  standard != 0        ? standard
                                  : work.height == 480 ? PF_ADAPT_16VS9_NTSC
                                                       : PF_ADAPT_16VS9_PAL};
    auto module = ctx.open(kAdaptId, &p);
    VideoFormat out = work;
    out.sar = widened_sar(work.sar, work.height);
    const size_t bytes = work.frame_size();
    ctx.then(std::string(squeeze ? "squeeze" : "stretch") + " to 16:9 (module 16)", out,
             [module, bytes](uint8_t* src, uint8_t* dst) {
               std::memcpy(dst, src, bytes);
               uint8_t* planes[1] = {dst};
               int context = 0;
               module->process(planes, &context);
             });
    // The pictures leave in the format and storage they came in.
    VideoFormat back = in;
    back.sar = out.sar;
    if (!same_pictures(back, out)) ctx.then_convert(back);
  };
  return run_stream_verb(verb, args, console);
}

namespace {

// Where the test pattern's circle is in picture `i` of `count`, as the pattern draws it.
void circle_centre(const VideoFormat& f, size_t i, size_t count, double& x, double& y) {
  constexpr double kPi = 3.14159265358979323846;
  const double period = static_cast<double>(std::max<size_t>(count, 2));
  const double t = static_cast<double>(i);
  x = f.width / 2.0 + f.width / 3.0 * std::cos(2 * kPi * t / period);
  y = f.height / 2.0 + f.height / 4.0 * std::sin(4 * kPi * t / period);
}

}  // namespace

PF_DEMO_MAIN(mosaic) {
  const VideoFormat& src = demo.source();
  const DemoJob privacy{"privacy_mosaic", "privacy mosaic over a moving area, blocks of 24"};
  if (demo.wants(privacy)) {
    // A 192 x 192 window over the circle (diameter 132) and what lies around it, moved with
    // SetParam every picture.
    constexpr int kSide = 192, kBlock = 24;
    std::unique_ptr<Retunable> module;
    size_t picture = 0;
    const size_t count = demo.progressive().size();
    auto window_at = [&](size_t i) {
      double x = 0, y = 0;
      circle_centre(src, i, count, x, y);
      const int left =
          std::clamp(static_cast<int>(std::lround(x)) - kSide / 2, 0, src.width - kSide);
      const int top =
          std::clamp(static_cast<int>(std::lround(y)) - kSide / 2, 0, src.height - kSide);
      return mosaic_param(src, {{left, top, kSide, kSide, kBlock}});
    };
    const size_t bytes = src.frame_size();
    if (DemoReport* r =
            demo.run(privacy, demo.progressive(), src, src, [&](uint8_t* in, uint8_t* out) {
              const tImageMosaicParam p = window_at(picture++);
              if (!module) {
                module = std::make_unique<Retunable>(kMosaicId, &p, demo.mem());
              } else {
                module->set_param(&p);
              }
              std::memcpy(out, in, bytes);
              uint8_t* pictures[2] = {out, out};
              int context = 0;
              module->process(pictures, &context);
            })) {
      r->set_result("a window follows the circle, moved by SetParam; luma only");
    }
  }

  const DemoJob widescreen{"adapt_16x9", "16:9 adaptation: 4:3 picture squeezed between bars"};
  if (demo.wants(widescreen)) {
    // The squeeze changes every line on its own, so the frame's lines come out as the two
    // fields' would; the module is told it gets field pictures, which it requires for 4:2:0.
    const tImageAdapt16vs9Param p{src.width, src.height, PF_IMAGE_FIELD, PF_YUV_420,
                                  PF_ADAPT_16VS9_PAL};
    std::unique_ptr<Retunable> module;
    VideoFormat out = src;
    out.sar = widened_sar(src.sar, src.height);
    const size_t bytes = src.frame_size();
    if (DemoReport* r =
            demo.run(widescreen, demo.progressive(), src, out, [&](uint8_t* in, uint8_t* dst) {
              if (!module) {
                module = std::make_unique<Retunable>(kAdaptId, &p, demo.mem());
              }
              std::memcpy(dst, in, bytes);
              uint8_t* planes[1] = {dst};
              int context = 0;
              module->process(planes, &context);
            })) {
      r->set_result("540 of 720 columns, bars of 90; pixel aspect 64:45");
    }
  }
}

}  // namespace pf::cli
