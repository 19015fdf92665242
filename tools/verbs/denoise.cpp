// SPDX-License-Identifier: BSD-2-Clause
// denoise, uyvy2yuv, sharpen, blur, cross and vfilter: the temporal and spatial filter modules on
// every picture of a stream; and the family's demo jobs (a noisy moving pattern before and after
// the temporal filter, sharpen and blur side by side).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cli.hpp"
#include "cli_error.hpp"
#include "demo.hpp"
#include "img_crossfilter.h"
#include "img_filter.h"
#include "img_gaussfilter.h"
#include "img_sharp.h"
#include "img_temporalfilter.h"
#include "img_uyvyto420andtf.h"
#include "modules.hpp"
#include "stream_verb.hpp"
#include "verbs.hpp"

namespace pf::cli {
namespace {

constexpr uint32_t kSharpId = 35;
constexpr uint32_t kVerticalFilterId = 33;

// The cross and Gaussian filters export their entry points but have no table; these tables let
// them be driven like the others.
const tImgProcFuncList kCrossTable = {ImgCrossFilterOpen_c,
                                      ImgCrossFilterProcess_c,
                                      ImgCrossFilterClose_c,
                                      ImgCrossFilterSetParam_c,
                                      ImgCrossFilterGetVersion_c,
                                      ImgCrossFilterGetStatus_c,
                                      ImgCrossFilterAnalyzeErrorCode_c,
                                      ImageCrossFilterDebug_c,
                                      ImageCrossFilterGetMemSize_c};
const tImgProcFuncList kGaussTable = {ImgGaussFilterOpen_c,
                                      ImgGaussFilterProcess_c,
                                      ImgGaussFilterClose_c,
                                      ImgGaussFilterSetParam_c,
                                      ImgGaussFilterGetVersion_c,
                                      ImgGaussFilterGetStatus_c,
                                      ImgGaussFilterAnalyzeErrorCode_c,
                                      ImageGaussFilterDebug_c,
                                      ImageGaussFilterGetMemSize_c};

// An instance of a module reached through its table rather than the registry (the temporal
// filter, the UYVY module, cross and Gaussian), on a memory handle of its own that it outlives.
class TableInstance {
 public:
  TableInstance(const tImgProcFuncList& table, const char* name, const void* param)
      : table_(table), name_(name) {
    check(table_.Open(&handle_, param, mem_.get()), "refused its parameters");
  }
  ~TableInstance() {
    if (handle_ != nullptr) table_.Close(handle_);
  }
  TableInstance(const TableInstance&) = delete;
  TableInstance& operator=(const TableInstance&) = delete;

  void process(void* input, void* output) {
    check(table_.Process(handle_, input, output), "failed");
  }
  void set_param(const void* param) { check(table_.SetParam(handle_, param), "refused"); }
  void* handle() const { return handle_; }

 private:
  void check(uint32_t status, const char* what) const {
    if (status != PF_STATUS_OK) {
      throw ModuleError(std::string(name_) + " " + what + ": " + status_text(table_, status),
                        status);
    }
  }

  MemHandle mem_;  // declared first: it goes after the instance
  const tImgProcFuncList& table_;
  const char* name_;
  void* handle_ = nullptr;
};

// The modules filter 4:2:0 planes of width / 2 x height / 2 chroma: odd sizes have a chroma
// column or line more than they would fill.
void need_even(const VideoFormat& f, const char* verb) {
  if (f.width % 2 != 0 || f.height % 2 != 0) {
    throw UsageError(std::string(verb) + " needs an even width and height (the input is " +
                     std::to_string(f.width) + "x" + std::to_string(f.height) + ")");
  }
}

struct Planes {
  uint8_t *y, *u, *v;
};
Planes planes_of(const VideoFormat& f, uint8_t* picture) {
  const size_t luma = static_cast<size_t>(f.width) * static_cast<size_t>(f.height);
  return {picture, picture + luma, picture + luma + luma / 4};
}

// ---- The filters as stages, shared by the verbs and the demo ----

std::shared_ptr<TableInstance> open_temporal(const VideoFormat& f, int strength) {
  const tImgTemporalFilterParam p{f.width, f.height, f.width, f.width / 2, strength};
  return std::make_shared<TableInstance>(tImageTemporalFilterFunc, "temporal filter", &p);
}
void run_temporal(TableInstance& t, uint8_t* picture) {
  tImgPicture pic{picture, nullptr, nullptr, 0, 0, 0, 0};
  t.process(&pic, &pic);
}

std::shared_ptr<TableInstance> open_gauss(const VideoFormat& f, int level, int limit) {
  const int32_t w = f.width, h = f.height;
  const tImgGaussFilterParam p{w, h, w, w / 2, w, h, w, w / 2, level, static_cast<uint8_t>(limit)};
  return std::make_shared<TableInstance>(kGaussTable, "Gaussian filter", &p);
}
void run_gauss(TableInstance& t, const VideoFormat& f, uint8_t* in, uint8_t* out) {
  const Planes s = planes_of(f, in), d = planes_of(f, out);
  tImgGaussFilterPicture pic{s.y, s.u, s.v, d.y, d.u, d.v};
  t.process(&pic, &pic);
}

std::shared_ptr<TableInstance> open_cross(const VideoFormat& f) {
  const int32_t w = f.width, h = f.height;
  const tImgCrossFilterParam p{w, h, w, w / 2, w, h, w, w / 2};
  return std::make_shared<TableInstance>(kCrossTable, "cross filter", &p);
}
void run_cross(TableInstance& t, const VideoFormat& f, uint8_t* in, uint8_t* out) {
  const Planes s = planes_of(f, in), d = planes_of(f, out);
  tImgCrossFilterPicture pic{s.y, s.u, s.v, d.y, d.u, d.v};
  t.process(&pic, &pic);
}

void run_sharpen(Instance& m, const VideoFormat& f, uint8_t* in, uint8_t* out) {
  const auto w = static_cast<uint32_t>(f.width);
  tImgPicture src{in, nullptr, nullptr, w, 0, 0, 0}, dst{out, nullptr, nullptr, w, 0, 0, 0};
  m.process(&src, &dst);
}

constexpr const char* kYuv420Only = "yuv420p";

// The UYVY module's output sizes and their storage.
struct UyvyOutput {
  int width, height;
  uint32_t layout;  // PF_IMAGE_FIELD for the field-separated sizes
};
constexpr UyvyOutput kUyvyOutputs[] = {{720, 576, PF_IMAGE_FIELD}, {352, 576, PF_IMAGE_FIELD},
                                       {352, 288, PF_IMAGE_FRAME}, {176, 144, PF_IMAGE_FRAME},
                                       {112, 96, PF_IMAGE_FRAME},  {240, 192, PF_IMAGE_FRAME},
                                       {96, 80, PF_IMAGE_FRAME}};

}  // namespace

PF_VERB_MAIN(denoise) {
  int strength = 3;
  StreamVerb verb;
  verb.name = "denoise";
  verb.description =
      "Reduces noise with the temporal filter: every picture is blended with the filter's\n"
      "previous output, which carries over from picture to picture. On processors with SSE2\n"
      "the blend is per pixel, by a weight that falls with the difference around the pixel and\n"
      "rises with a strength that grows by --strength every picture (up to 29); without SSE2\n"
      "(PELFORGE_CPU_MASK=0) 4x4 blocks that hardly changed keep the previous output.\n";
  verb.options_help =
      "  --strength N          strength increase per picture, 0 to 29 (default 3)\n";
  verb.examples =
      "  pelforge denoise camera.y4m -o clean.y4m\n"
      "  pelforge denoise -s 720x576 noisy.yuv --strength 6 -o clean.yuv\n"
      "  PELFORGE_CPU_MASK=0 pelforge denoise noisy.y4m -o blocks.y4m   # the block blend\n";
  verb.formats = {kYuv420Only};
  verb.layouts = {PF_IMAGE_FRAME};
  verb.options = [&](OptionValue& o) {
    if (o.name() != "--strength") return false;
    strength = static_cast<int>(o.integer(0, 29));
    return true;
  };
  verb.build = [&](StreamContext& ctx) {
    const VideoFormat f = ctx.format();
    need_even(f, "denoise");
    auto filter = open_temporal(f, strength);
    ctx.then_in_place("temporal filter, strength +" + std::to_string(strength) + " a picture",
                      [filter](uint8_t* picture) { run_temporal(*filter, picture); });
  };
  return run_stream_verb(verb, args, console);
}

PF_VERB_MAIN(uyvy2yuv) {
  bool denoise = false;
  StreamVerb verb;
  verb.name = "uyvy2yuv";
  verb.description =
      "Converts 720x576 UYVY frames to 4:2:0 in one of the sizes of the UYVY module:\n"
      "720x576 or 352x576 (field pictures), 352x288, 240x192, 176x144, 112x96 or 96x80 frames.\n"
      "With --denoise every output sample within 8 of the previous picture's is averaged with\n"
      "it; without, every picture starts afresh (which still halves samples below 9).\n";
  verb.options_help =
      "  --out-size WxH        one of the sizes above (default 352x288)\n"
      "  --denoise             carry the previous output from picture to picture\n"
      "  A field-separated size is written as field pictures unless --out-layout says else.\n";
  verb.examples =
      "  pelforge uyvy2yuv camera.uyvy -s 720x576 --out-size 352x288 --denoise -o cif.yuv\n"
      "  pelforge uyvy2yuv in.y4m --out-size 720x576 -o fields.y4m\n";
  verb.formats = {"uyvy422"};
  verb.layouts = {PF_IMAGE_FRAME};
  verb.options = [&](OptionValue& o) {
    if (o.name() != "--denoise") return false;
    o.flag();
    denoise = true;
    return true;
  };
  verb.build = [&](StreamContext& ctx) {
    const VideoFormat in = ctx.format();
    if (in.width != 720 || in.height != 576) {
      throw UsageError("uyvy2yuv takes 720x576 pictures (the input is " + std::to_string(in.width) +
                       "x" + std::to_string(in.height) + ")");
    }
    // The output size is the common --out-size (-S): this verb makes that size itself.
    const Size out_size = ctx.args().output.size.value_or(Size{352, 288});
    const UyvyOutput* o = nullptr;
    for (const UyvyOutput& c : kUyvyOutputs) {
      if (c.width == out_size.width && c.height == out_size.height) o = &c;
    }
    if (o == nullptr) {
      throw UsageError("--out-size " + std::to_string(out_size.width) + "x" +
                       std::to_string(out_size.height) +
                       " is none of 720x576, 352x576, 352x288, 240x192, 176x144, 112x96, 96x80");
    }
    const tImgUYVYTo420AndTFParam p{720,      576,       1,
                                    o->width, o->height, o->layout == PF_IMAGE_FIELD ? 2 : 1};
    auto module = std::make_shared<TableInstance>(tImageUYVYTo420AndTFFunc,
                                                  "UYVY to 4:2:0 with temporal filter", &p);
    VideoFormat out = in;
    out.fmt = &yuv420p();
    out.width = o->width;
    out.height = o->height;
    out.layout = o->layout;
    out.sar = scaled_sar(in.sar, in.width, in.height, out.width, out.height);
    ctx.then(std::string("UYVY to 4:2:0 ") + std::to_string(o->width) + "x" +
                 std::to_string(o->height) + (denoise ? ", temporal average" : ""),
             out, [module, p, denoise](uint8_t* src, uint8_t* dst) {
               if (!denoise) module->set_param(&p);  // clears the previous output
               tImgUYVYTo420AndTFData data{src, dst};
               module->process(&data, &data);
             });
  };
  return run_stream_verb(verb, args, console);
}

PF_VERB_MAIN(sharpen) {
  int strength = 64;
  StreamVerb verb;
  verb.name = "sharpen";
  verb.description =
      "Sharpens with an unsharp mask: every sample moves away from the mean of the 8x8 box\n"
      "around it by --strength / 256 of its difference to it.\n";
  verb.options_help = "  --strength N          0 to 255 (default 64; 0 changes nothing)\n";
  verb.examples =
      "  pelforge sharpen in.y4m --strength 96 -o sharp.y4m\n"
      "  pelforge sharpen -s 720x576 in.yuv -o sharp.yuv --preview previews/\n";
  verb.formats = {kYuv420Only};
  verb.layouts = {PF_IMAGE_FRAME};
  verb.options = [&](OptionValue& o) {
    if (o.name() != "--strength") return false;
    strength = static_cast<int>(o.integer(0, 255));
    return true;
  };
  verb.build = [&](StreamContext& ctx) {
    const VideoFormat f = ctx.format();
    need_even(f, "sharpen");
    const tImgSharpParam p{f.width, f.height, strength, 0};
    auto module = ctx.open(kSharpId, &p);
    ctx.then("sharpen, strength " + std::to_string(strength), f,
             [module, f](uint8_t* in, uint8_t* out) { run_sharpen(*module, f, in, out); });
  };
  return run_stream_verb(verb, args, console);
}

PF_VERB_MAIN(blur) {
  int level = 3, limit = 255;
  StreamVerb verb;
  verb.name = "blur";
  verb.description =
      "Blurs with the separable Gaussian of the Gaussian filter module. Neighbours further than\n"
      "--limit from the centre sample count as if they were --limit away, which keeps edges\n"
      "that step by more than that.\n";
  verb.options_help =
      "  --level N             width of the Gaussian, 0 (none) to 4 (default 3)\n"
      "  --limit N             0 to 255 (default 255: no limit; 0 changes nothing)\n";
  verb.examples =
      "  pelforge blur in.y4m --level 4 -o soft.y4m\n"
      "  pelforge blur in.y4m --level 4 --limit 12 -o smooth-keep-edges.y4m\n";
  verb.formats = {kYuv420Only};
  verb.layouts = {PF_IMAGE_FRAME};
  verb.options = [&](OptionValue& o) {
    if (o.name() == "--level") {
      level = static_cast<int>(o.integer(0, 4));
      return true;
    }
    if (o.name() == "--limit") {
      limit = static_cast<int>(o.integer(0, 255));
      return true;
    }
    return false;
  };
  verb.build = [&](StreamContext& ctx) {
    const VideoFormat f = ctx.format();
    need_even(f, "blur");
    auto module = open_gauss(f, level, limit);
    ctx.then("Gaussian level " + std::to_string(level) + ", limit " + std::to_string(limit), f,
             [module, f](uint8_t* in, uint8_t* out) { run_gauss(*module, f, in, out); });
  };
  return run_stream_verb(verb, args, console);
}

PF_VERB_MAIN(cross) {
  StreamVerb verb;
  verb.name = "cross";
  verb.description =
      "Smooths with a 5-point cross: every sample becomes half itself and an eighth of each of\n"
      "its four neighbours (the first and last lines are kept).\n";
  verb.examples = "  pelforge cross in.y4m -o smooth.y4m\n";
  verb.formats = {kYuv420Only};
  verb.layouts = {PF_IMAGE_FRAME};
  verb.build = [&](StreamContext& ctx) {
    const VideoFormat f = ctx.format();
    need_even(f, "cross");
    auto module = open_cross(f);
    ctx.then("cross filter", f,
             [module, f](uint8_t* in, uint8_t* out) { run_cross(*module, f, in, out); });
  };
  return run_stream_verb(verb, args, console);
}

PF_VERB_MAIN(vfilter) {
  bool field = false, luma = false;
  StreamVerb verb;
  verb.name = "vfilter";
  verb.description =
      "Filters vertically with the 6-tap low-pass of the vertical filter module, against the\n"
      "flicker of fine horizontal lines on interlaced displays. With --field each field is\n"
      "filtered on its own (the pictures are taken as field pictures for it).\n";
  verb.options_help =
      "  --field               filter the two fields apart\n"
      "  --luma                filter luma only\n";
  verb.examples =
      "  pelforge vfilter in.y4m -o steady.y4m\n"
      "  pelforge vfilter interlaced.y4m --field -o steady.y4m\n";
  verb.formats = {kYuv420Only};
  verb.layouts = {PF_IMAGE_FRAME};
  verb.options = [&](OptionValue& o) {
    if (o.name() == "--field") {
      o.flag();
      field = true;
      verb.layouts = {PF_IMAGE_FIELD};
      return true;
    }
    if (o.name() == "--luma") {
      o.flag();
      luma = true;
      return true;
    }
    return false;
  };
  verb.build = [&](StreamContext& ctx) {
    const VideoFormat f = ctx.format();
    need_even(f, "vfilter");
    const tImageFilterParam p{f.width,
                              f.height,
                              f.width,
                              f.width / 2,
                              static_cast<int32_t>(PF_YUV_420),
                              static_cast<int32_t>(field ? PF_IMAGE_FIELD : PF_IMAGE_FRAME),
                              luma ? PF_FILTER_TYPE_LUMA : PF_FILTER_TYPE_ALL,
                              0,
                              0};
    auto module = ctx.open(kVerticalFilterId, &p);
    ctx.then_in_place(std::string("vertical filter") + (field ? " on fields" : ""),
                      [module, f](uint8_t* picture) {
                        const Planes pl = planes_of(f, picture);
                        tImageFilterPlanes planes{pl.y, pl.u, pl.v};
                        int marker = 0;
                        module->process(&planes, &marker);
                      });
  };
  return run_stream_verb(verb, args, console);
}

// ---- Demo ----

namespace {
std::string db(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f dB", v);
  return buf;
}
}  // namespace

PF_DEMO_MAIN(denoise) {
  const VideoFormat& src = demo.source();
  const DemoJob noisy_job{"noisy", "noisy pattern (seeded, +-12)"};
  const DemoJob denoise_job{"denoised", "denoise the noisy pattern"};
  const DemoJob split_job{"sharpen_blur", "sharpen 128 | blur level 4"};
  const bool noise_jobs = demo.wants(noisy_job) || demo.wants(denoise_job);
  if (noise_jobs) {
    const Frames& clean = demo.progressive();
    Frames noisy = clean;
    for (size_t i = 0; i < noisy.size(); ++i) add_noise(noisy[i], 12, 1000 + i);
    double before = 0, after = 0, last = 0;  // last: the last picture's, once the filter settled
    DemoOptions measure_before, measure_after;
    measure_before.sink = [&](uint64_t i, const uint8_t* out) {
      before += psnr(out, clean[i].data(), src.frame_size());
    };
    measure_after.sink = [&](uint64_t i, const uint8_t* out) {
      last = psnr(out, clean[i].data(), src.frame_size());
      after += last;
    };
    const double n = static_cast<double>(noisy.size());
    if (DemoReport* r = demo.run(
            noisy_job, noisy, src, src,
            [&](uint8_t* in, uint8_t* out) { std::memcpy(out, in, src.frame_size()); },
            measure_before)) {
      r->set_result("PSNR " + db(before / n) + " against the clean pattern");
    }
    std::shared_ptr<TableInstance> filter;
    if (DemoReport* r = demo.run(
            denoise_job, noisy, src, src,
            [&](uint8_t* in, uint8_t* out) {
              if (!filter) filter = open_temporal(src, 3);
              std::memcpy(out, in, src.frame_size());
              run_temporal(*filter, out);
            },
            measure_after)) {
      r->set_result("PSNR " + db(before / n) + " noisy -> " + db(after / n) + " filtered (last " +
                    db(last) + ")");
    }
  }
  if (demo.wants(split_job)) {
    MemHandle mem;  // before the instance opened on it, which goes first
    std::shared_ptr<Instance> sharp;
    std::shared_ptr<TableInstance> gauss;
    std::vector<uint8_t> sharpened(src.frame_size()), blurred(src.frame_size());
    demo.run(split_job, demo.progressive(), src, src, [&](uint8_t* in, uint8_t* out) {
      if (!sharp) {
        const tImgSharpParam p{src.width, src.height, 128, 0};
        sharp = std::make_shared<Instance>(kSharpId, &p, mem.get());
        gauss = open_gauss(src, 4, 255);
      }
      run_sharpen(*sharp, src, in, sharpened.data());
      run_gauss(*gauss, src, in, blurred.data());
      // Left half from the sharpened picture, right half from the blurred one, plane by plane.
      const Planes o = planes_of(src, out), s = planes_of(src, sharpened.data()),
                   b = planes_of(src, blurred.data());
      const struct {
        uint8_t *out, *left, *right;
        int w, h;
      } parts[3] = {{o.y, s.y, b.y, src.width, src.height},
                    {o.u, s.u, b.u, src.width / 2, src.height / 2},
                    {o.v, s.v, b.v, src.width / 2, src.height / 2}};
      for (const auto& p : parts) {
        for (int y = 0; y < p.h; ++y) {
          const size_t row = static_cast<size_t>(y) * static_cast<size_t>(p.w);
          const size_t half = static_cast<size_t>(p.w / 2);
          std::memcpy(p.out + row, p.left + row, half);
          std::memcpy(p.out + row + half, p.right + row + half, static_cast<size_t>(p.w) - half);
        }
      }
    });
  }
}

}  // namespace pf::cli
