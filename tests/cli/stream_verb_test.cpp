// SPDX-License-Identifier: BSD-2-Clause
// The stream-verb helper through two small verbs built on it here, as a module's verb would be:
// "tint" (one input; a luma offset in place, then the resizer as a module stage, per-frame
// reports with state, an extra output) and "stack" (several inputs one above the other). What
// the helper must get right: its options next to the verb's, conversions in front of and behind
// the stages, progress and previews, reports that stay clear of pictures on standard output,
// and module refusals named by code.
#include "verbs/stream_verb.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cli_test_util.hpp"
#include "img_resizer.h"
#include "png_io.hpp"
#include "rng.hpp"

namespace pf::cli {
namespace {

using pfct::contains;
using pfct::Outcome;
using pfct::TempDir;

constexpr int kW = 64, kH = 32;
constexpr size_t kPicture = kW * kH * 3 / 2;

int tint_main(const VerbArgs& args, const Console& console) {
  int add = 0, fail_at = -1;
  bool half = false, refuse = false, report = false, split = false;
  std::string copy_to;
  StreamVerb verb;
  verb.name = "tint";
  verb.description = "Adds to the luma of every picture.\n";
  verb.options_help = "  --add N               luma offset\n";
  verb.examples = "  pelforge tint in.y4m --add 16 -o out.y4m\n";
  verb.formats = {"yuv420p"};
  verb.layouts = {PF_IMAGE_FRAME};
  verb.output_required = false;
  verb.options = [&](OptionValue& o) {
    if (o.name() == "--add") {
      add = static_cast<int>(o.integer(-255, 255));
    } else if (o.name() == "--fail-at") {
      fail_at = static_cast<int>(o.integer(0, 100));
    } else if (o.name() == "--copy-to") {
      copy_to = o.text();
    } else if (o.name() == "--split") {
      o.flag();
      split = true;
    } else if (o.name() == "--half" || o.name() == "--refuse" || o.name() == "--report") {
      o.flag();
      (o.name() == "--half" ? half : o.name() == "--refuse" ? refuse : report) = true;
    } else {
      return false;
    }
    return true;
  };
  verb.build = [&](StreamContext& ctx) {
    const VideoFormat in = ctx.format();
    ctx.then_in_place("luma offset", [add, luma = size_t{kW} * kH](uint8_t* p) {
      for (size_t i = 0; i < luma; ++i) p[i] = static_cast<uint8_t>(std::clamp(p[i] + add, 0, 255));
    });
    VideoFormat out = in;
    out.width = half ? in.width / 2 : in.width;
    out.height = half ? in.height / 2 : in.height;
    tImageResizerParam rp{};
    rp.s32SrcWidth = in.width;
    rp.s32SrcHeight = in.height;
    rp.u32SrcYuvType = rp.u32DstYuvType = PF_YUV_420;
    rp.u32SrcImageType = rp.u32DstImageType = PF_IMAGE_FRAME;
    rp.s32DstWidth = refuse ? 0 : out.width;
    rp.s32DstHeight = out.height;
    auto resizer = ctx.open(24, &rp);
    ctx.then("resizer", out, [&ctx, resizer, in, out, fail_at](uint8_t* src, uint8_t* dst) {
      tImgPicture a = picture_record(*in.fmt, in.width, in.height, src);
      tImgPicture b = picture_record(*out.fmt, out.width, out.height, dst);
      if (static_cast<int>(ctx.frame()) == fail_at) a.pu8Y = nullptr;
      resizer->process(&a, &b);
    });
    if (report) {
      ctx.reports_every_picture();
      // State across pictures: how many luma samples changed since the last one.
      ctx.then_in_place("report", [&ctx, last = std::vector<uint8_t>(),
                                   n = size_t(out.width) * size_t(out.height)](uint8_t* p) mutable {
        size_t changed = last.empty() ? n : 0;
        for (size_t i = 0; !last.empty() && i < n; ++i) changed += p[i] != last[i];
        last.assign(p, p + n);
        ctx.report("frame " + std::to_string(ctx.frame()) + ": " + std::to_string(changed));
      });
    }
    if (split) {
      // -o names a pattern: every picture goes to two numbered outputs, as -o would write it.
      ctx.takes_over_output();
      std::vector<FrameWriter*> parts;
      for (int k = 1; k <= 2; ++k) {
        OutputOptions o = ctx.args().output;
        o.path = expand_pattern(o.path, static_cast<uint64_t>(k));
        parts.push_back(&ctx.open_output(o, ctx.format()));
      }
      ctx.then_in_place("split", [parts](uint8_t* p) {
        for (FrameWriter* w : parts) w->write(p);
      });
    }
    if (!copy_to.empty()) {
      FrameWriter& extra = ctx.open_output(copy_to, ctx.format());
      ctx.then_in_place("copy", [&extra](uint8_t* p) { extra.write(p); });
    }
  };
  return run_stream_verb(verb, args, console);
}

// Inputs one above the other; each input may come in its own size and format, is converted to
// yuv420p and must be as wide as the first.
int stack_main(const VerbArgs& args, const Console& console) {
  StreamVerb verb;
  verb.name = "stack";
  verb.description = "Puts the pictures of its inputs one above the other.\n";
  verb.examples = "  pelforge stack a.y4m b.y4m -o both.y4m\n";
  verb.formats = {"yuv420p"};
  verb.min_inputs = 2;
  verb.max_inputs = 3;
  verb.build = [](StreamContext& ctx) {
    VideoFormat out = ctx.inputs()[0];
    out.height = 0;
    for (const VideoFormat& f : ctx.inputs()) {
      if (f.width != out.width) throw UsageError("stack: the inputs differ in width");
      out.height += f.height;
    }
    ctx.combine(out, [inputs = ctx.inputs()](std::span<uint8_t* const> ins, uint8_t* dst) {
      size_t row = 0;
      for (size_t k = 0; k < ins.size(); ++k) {  // luma only; the test looks at nothing else
        const size_t bytes = size_t(inputs[k].width) * size_t(inputs[k].height);
        std::copy(ins[k], ins[k] + bytes, dst + row);
        row += bytes;
      }
    });
  };
  return run_stream_verb(verb, args, console);
}

const Verb kTint{"tint", kFamilyFilters, "test verb", tint_main};
const Verb kStack{"stack", kFamilyComposition, "test verb", stack_main};

Outcome run(const Verb& verb, const std::string& line, const TempDir& dir, bool terminal = false) {
  std::ostringstream out, err;
  const int status = run_verb(verb, pfct::words(line, &dir), Console{out, err, terminal});
  return {status, out.str(), err.str()};
}

// Pictures whose first kW x kH bytes (their luma) are raised by `add`.
std::string luma_plus(const std::string& frames, size_t frame_bytes, int add) {
  std::string r = frames;
  for (size_t f = 0; f < r.size(); f += frame_bytes) {
    for (size_t i = 0; i < size_t{kW} * kH; ++i) {
      const int v = static_cast<uint8_t>(r[f + i]) + add;
      r[f + i] = static_cast<char>(std::clamp(v, 0, 255));
    }
  }
  return r;
}

TEST(StreamVerb, OptionsConversionsReportsAndErrors) {
  TempDir dir;
  pft::Rng rng(7);
  std::string raw;
  for (size_t i = 0; i < 4 * kPicture; ++i) raw += static_cast<char>(rng.byte());
  pfct::write_file(dir / "in.yuv", raw);
  pfct::write_file(dir / "thin.yuv", raw.substr(0, 2 * 32 * 32 * 3 / 2));
  ASSERT_EQ(pfct::run(pfct::words("convert -s 64x32 @in.yuv -pix_fmt uyvy422 -o @in.uyvy -q", &dir))
                .status,
            0);
  ASSERT_EQ(
      pfct::run(pfct::words("convert -s 64x32 @in.yuv -pix_fmt nv12 -o @ref.nv12 -q", &dir)).status,
      0);
  const auto file = [&](const char* name) { return pfct::read_file(dir / name); };
  const auto uyvy_luma = [](const std::string& s) {
    std::string y;
    for (size_t i = 1; i < s.size(); i += 2) y += s[i];
    return y;
  };

  struct Row {
    const Verb* verb;
    const char* args;  // "@name" is a file in the test's directory
    int status;
    std::string err_part;                   // "" : nothing on standard error
    const char* out_part;                   // "" : nothing on standard output
    std::function<void()> check = nullptr;  // the files written, when a row looks at them
  };
  const Row rows[] = {
      {&kTint, "--help", 0, "", "Options of tint:\n  --add N"},
      {&kTint, "-h", 0, "", "tint works on yuv420p; other input"},
      {&kTint, "--help", 0, "", "Examples:\n  pelforge tint in.y4m"},
      {&kTint, "--help", 0, "", "--preview-every N"},
      {&kStack, "--help", 0, "", "INPUT..., -i FILE"},
      // The verb's own options next to the common ones, in any order; the module stage runs.
      {&kTint, "-s 64x32 @in.yuv --add 20 -o @a.yuv -q", 0, "", "",
       [&] { EXPECT_EQ(file("a.yuv"), luma_plus(raw, kPicture, 20)); }},
      {&kTint, "--add=-300 @in.yuv", 2, "pelforge tint: error: --add: '-300' is outside -255", ""},
      {&kTint, "--add x @in.yuv", 2, "(pelforge tint --help lists the options)", ""},
      {&kTint, "--half=1 @in.yuv", 2, "--half takes no value", ""},
      {&kTint, "--bogus @in.yuv", 2, "unknown option --bogus (see pelforge tint --help)", ""},
      // Other input is converted in front of the stages and back behind them, with notes.
      {&kTint, "-s 64x32 -pix_fmt uyvy422 @in.uyvy --add 20 -o @b.uyvy", 0,
       "tint works on yuv420p 64x32 frame: converting", "",
       [&] {
         EXPECT_EQ(uyvy_luma(file("b.uyvy")), luma_plus(uyvy_luma(file("in.uyvy")), kW * kH, 20));
       }},
      {&kTint, "-s 64x32 -pix_fmt uyvy422 @in.uyvy -o @c.uyvy", 0,
       "converting yuv420p 64x32 frame to uyvy422 64x32 frame for the output", ""},
      // ... and to what the output asks for, without a note when the command line asked.
      {&kTint, "-s 64x32 @in.yuv -pix_fmt nv12 -o @d.nv12", 0, "4 pictures", "",
       [&] { EXPECT_EQ(file("d.nv12"), file("ref.nv12")); }},
      {&kTint, "-s 64x32 @in.yuv --half -o @e.yuv -q", 0, "", "",
       [&] { EXPECT_EQ(file("e.yuv").size(), 4 * kPicture / 4); }},
      {&kTint, "-s 64x32 @in.yuv --half -s 64x32 -o @f.yuv -q", 0, "", "",
       [&] { EXPECT_EQ(file("f.yuv").size(), 4 * kPicture); }},
      // Reports: one line per picture with state kept across pictures, on standard output, or
      // on standard error when pictures go there; no output file is needed.
      {&kTint, "-s 64x32 @in.yuv -frames 3 --report -q", 0, "", "frame 0: 2048\nframe 1: 20"},
      {&kTint, "-s 64x32 @thin.yuv --report", 0, "(no pictures written)", "frame 0: 2048\n"},
      {&kTint, "-s 64x32 @in.yuv --report -o - -q", 0, "frame 3: ", ""},
      // Extra outputs go through the same writers and conversions as -o.
      {&kTint, "-s 64x32 @in.yuv --copy-to @copy.yuv -o @g.yuv -q", 0, "", "",
       [&] { EXPECT_EQ(file("copy.yuv"), file("g.yuv")); }},
      {&kTint, "-s 64x32 @in.yuv --split -pix_fmt nv12 -o @part%d.nv12", 0,
       "part1.nv12, " + dir / "part2.nv12", "",
       [&] {
         EXPECT_EQ(file("part1.nv12"), file("ref.nv12"));
         EXPECT_EQ(file("part2.nv12"), file("ref.nv12"));
         EXPECT_FALSE(std::filesystem::exists(dir / "part%d.nv12"));
       }},
      // A module's refusal, at open and on a picture, by code and name; pictures before stay.
      {&kTint, "-s 64x32 @in.yuv --refuse -o @h.yuv", 1,
       "IMG_RESIZER refused to open: " + hex_code(ERR_IMG_RESIZER_C674X_SELF_DSTWIDTH_ILLEGAL) +
           " ERR_IMG_RESIZER_C674X_SELF_DSTWIDTH_ILLEGAL",
       ""},
      {&kTint, "-s 64x32 @in.yuv --fail-at 2 -o @i.yuv", 1,
       "could not process a picture: " + hex_code(ERR_IMG_RESIZER_SELF_INPUT_DATA_POINTER) +
           " ERR_IMG_RESIZER_SELF_INPUT_DATA_POINTER",
       "", [&] { EXPECT_EQ(file("i.yuv").size(), 2 * kPicture); }},
      // Several inputs, each with its own stream options, in order; the shortest ends the run.
      {&kStack, "-s 64x32 @in.yuv -s 64x32 -pix_fmt uyvy422 @in.uyvy -o @s.yuv -q", 0, "", "",
       [&] {
         const std::string s = file("s.yuv");
         ASSERT_EQ(s.size(), 4 * 2 * kPicture);
         EXPECT_EQ(s.substr(0, kW * kH), raw.substr(0, kW * kH));
         EXPECT_EQ(s.substr(kW * kH, kW * kH), uyvy_luma(file("in.uyvy")).substr(0, kW * kH));
       }},
      {&kStack, "--in-size 64x32 @in.yuv -i @in.yuv -o @t.yuv", 0, "4 pictures", ""},
      {&kStack, "-s 64x32 @in.yuv -s 64x32 @in.yuv -s 32x32 @thin.yuv -o @u.yuv", 2,
       "stack: the inputs differ in width", ""},
      {&kStack, "-s 64x32 @in.yuv -o @v.yuv", 2, "stack needs at least 2 inputs", ""},
      {&kStack, "@in.yuv @in.yuv @in.yuv @in.yuv -o @v.yuv", 2, "takes at most 3 inputs; '", ""},
      {&kStack, "- - -o @v.yuv", 2, "only one input can be standard input", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.verb->name) + " " + r.args);
    int saved = -1;
    if (contains(r.args, "-o -")) {  // keep the pictures out of the test's own output
      std::fflush(stdout);
      saved = dup(1);
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      close(null);
    }
    const Outcome o = run(*r.verb, r.args, dir);
    if (saved >= 0) {
      std::fflush(stdout);
      dup2(saved, 1);
      close(saved);
    }
    EXPECT_EQ(o.status, r.status) << o.err;
    EXPECT_TRUE(r.err_part.empty() ? o.err.empty() : contains(o.err, r.err_part)) << o.err;
    EXPECT_TRUE(*r.out_part ? contains(o.out, r.out_part) : o.out.empty()) << o.out;
    if (r.check) r.check();
  }
}

TEST(StreamVerb, ProgressPreviewsAndPngOutput) {
  if (!png_available()) GTEST_SKIP() << "this build has no libpng";
  TempDir dir;
  pfct::write_file(dir / "in.yuv", std::string(4 * kPicture, '\x60'));
  // The progress line on a terminal; the previews of the output as it is written.
  const Outcome o = run(kTint, "-s 64x32 @in.yuv --half --preview @p -o @o.yuv", dir, true);
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(contains(o.err, "\rpelforge: frame 4/4 (100%)")) << o.err;
  const auto picture = [&](const std::string& name) {
    const std::string png = pfct::read_file(dir / name);
    return decode_png(std::vector<uint8_t>(png.begin(), png.end()), name);
  };
  for (const char* name : {"first_000001.png", "middle_000002.png", "last_000004.png"}) {
    EXPECT_TRUE(contains(o.err, name)) << name;
    EXPECT_EQ(picture("p/" + std::string(name)).width, kW / 2) << name;
  }
  // Per-frame reports take the place of the progress line.
  EXPECT_FALSE(contains(run(kTint, "-s 64x32 @in.yuv --report", dir, true).err, "\r"));
  // A PNG output holds RGB: the stage's yuv420p pictures are converted behind it.
  ASSERT_EQ(run(kTint, "-s 64x32 @in.yuv -frames 1 --add 40 -o @one.png -q", dir).status, 0);
  const RgbImage image = picture("one.png");
  EXPECT_EQ(image.width, kW);
  EXPECT_EQ(image.height, kH);
}

}  // namespace
}  // namespace pf::cli
