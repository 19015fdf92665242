// SPDX-License-Identifier: BSD-2-Clause
// Whole command lines run in-process: exit status and messages (good and bad command lines,
// failed runs), files written, previews, progress, the demo.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli_test_util.hpp"
#include "demo.hpp"
#include "png_io.hpp"
#include "progress.hpp"
#include "verbs.hpp"

namespace pf::cli {
namespace {

using pfct::contains;
using pfct::Outcome;
using pfct::run;
using pfct::TempDir;

constexpr size_t kPicture = 64 * 32 * 3 / 2;  // the inputs are 64x32 yuv420p

// The inputs of every run: four pictures, each a different grey, as raw video, cut short, as
// y4m streams that are fine (also under a raw-looking name), damaged or empty.
void write_inputs(const TempDir& dir) {
  std::string raw, y4m = "YUV4MPEG2 W64 H32 F25:1 Ib A0:0 C420jpeg XYSCSS=420JPEG\n";
  for (int i = 0; i < 4; ++i) raw += std::string(kPicture, static_cast<char>(40 + 20 * i));
  for (int i = 0; i < 2; ++i) y4m += "FRAME\n" + raw.substr(i * kPicture, kPicture);
  pfct::write_file(dir / "in.yuv", raw);
  pfct::write_file(dir / "cut.yuv", raw.substr(0, 2 * kPicture + 100));
  pfct::write_file(dir / "two.y4m", y4m);
  pfct::write_file(dir / "two.dat", y4m);
  pfct::write_file(dir / "bad.y4m", y4m + "GARBAGE\n");
  pfct::write_file(dir / "empty.y4m", "YUV4MPEG2 W64 H32 F25:1\n");
}

TEST(CommandLine, StatusAndMessages) {
  TempDir dir;
  write_inputs(dir);
  struct Row {
    const char* args;  // "@name" is a file in the test's directory
    int status;
    bool on_stdout;    // where the text is expected
    const char* part;  // null: a quiet run that must say nothing
  };
  const Row rows[] = {
      {"", 2, false, "usage: pelforge COMMAND"},
      {"--help", 0, true, "Commands:"},
      {"--version", 0, true, "pelforge "},
      {"bogus", 2, false, "unknown command 'bogus'\n(pelforge --help lists the commands)"},
      {"reszie", 2, false, "unknown command 'reszie'; did you mean 'resize'?"},
      {"conv", 2, false, "did you mean 'convert'?"},
      {"--help", 0, true, "  scaling and conversion\n    resize "},  // names padded to the longest
      {"--help", 0, true, "  the library\n    info "},
      {"info extra", 2, false, "info takes no arguments"},
      {"demo --frames 0", 2, false, "--frames: give 1 to 1000"},
      {"info", 0, true, "pelforge_v300.ImageResizer.034"},
      {"info", 0, true, "\n  24  IMG_RESIZER "},
      {"info", 0, true, "\n   3  IMG_YUV420_TO_RGB "},
      {"info", 0, true, "\n  26  RGB_RESIZER "},
      {"info", 0, true, "\n  36  IMG_RGBTOYUV "},
      {"errors", 2, false, "at least one status code"},
      {"errors zzz", 2, false, "is not a status code"},
      {"errors 0x1C6A0001A", 2, false, "larger than 32 bits"},
      {"errors 0xC6A0001A", 0, true,
       "0xC6A0001A  ERR_IMG_RESIZER_FILLLINE_ILLEGAL  (IMG_RESIZER, module 24)"},
      {"errors C7C00020", 0, true, "ERR_RGB_RESIZER_FUNC_SELECT  (RGB_RESIZER, module 26)"},
      {"errors 3368026113", 0, true, "ERR_IMG_RGBTOYUV_OPEN_INPUT_HANDLE  (IMG_RGBTOYUV"},
      {"errors 0xC6A0001A 0xD0000000", 1, true, "0xD0000000  not a code of any"},
      {"errors 0xE0000001", 0, true, "no module names"},
      {"errors 0", 0, true, "success"},
      // Command lines that cannot work: status 2 and the problem named.
      {"resize", 2, false, "pelforge resize: error: no input"},
      {"resize @in.yuv", 2, false, "no output"},
      {"resize a b c", 2, false, "unexpected argument 'c'"},
      {"resize -s 720x576 -s 352x288 in -o o", 2, false, "-s is given twice"},
      {"resize -s 720x576 --in-size 352x288 in -o o", 2, false, "given twice with different"},
      {"resize -s 720by576 in -o o", 2, false, "is not a size"},
      {"resize -s 60000x2 in -o o", 2, false, "outside"},
      {"resize -pix_fmt yuv444p in -o o", 2, false, "not a pixel format"},
      {"resize --crop 1,2,3 in -o o", 2, false, "4 comma-separated integers"},
      {"resize --fill-color 1,2,x in -o o", 2, false, "3 comma-separated integers"},
      {"resize --in-layout top in -o o", 2, false, "one of frame, field, interlaced"},
      {"resize --bogus in -o o", 2, false, "unknown option --bogus"},
      {"resize in -o", 2, false, "-o needs a value"},
      {"resize @in.yuv -o @in.yuv", 2, false, "overwrite the input"},
      {"resize --nearest=1 in -o o", 2, false, "takes no value"},
      {"resize -frames 0 in -o o", 2, false, "at least 1"},
      {"resize -frames ten in -o o", 2, false, "not a non-negative integer"},
      {"resize -f mkv in -o o", 2, false, "is not one of y4m"},
      {"resize -r 0 in -o o", 2, false, "-r: '0' is not"},
      {"convert --crop 0,0,2,2 in -o o", 2, false, "use pelforge resize"},
      {"resize @in.yuv -o @o.yuv", 2, false, "is raw video: give its size"},
      {"resize -s 16x8 @two.y4m -o @o.yuv", 2, false, "-s 16x8 contradicts"},
      {"resize -pix_fmt yuv422p @two.y4m -o @o.yuv", 2, false, "-pix_fmt yuv422p contradicts"},
      {"convert -s 64x32 @in.yuv -S 32x16 -o @o.yuv", 2, false, "convert keeps the size"},
      {"rgb -s 64x32 @in.yuv -pix_fmt nv12 -o @o.yuv", 2, false, "neither side is RGB"},
      {"resize -s 64x32 @in.yuv --out-pix_fmt nv12 -o @p.png", 2, false, "PNG output holds rgb24"},
      {"resize -s 64x32 @in.yuv --out-layout field --out-pix_fmt rgb24 -o @q.rgb", 2, false,
       "RGB pictures are frames"},
      // Runs that fail: status 1, after the good pictures; a module's refusal by code and name.
      {"resize -s 64x32 no-such-file.yuv -o @o.yuv", 1, false, "cannot open"},
      {"resize -s 64x32 @in.yuv -S 64x32 --fill 1,1,0,0 -o @o.yuv", 1, false,
       "IMG_RESIZER refused to open: 0xC6A0001A ERR_IMG_RESIZER_FILLLINE_ILLEGAL"},
      {"resize -s 64x32 @in.yuv --fill 2,2,0,0 --fill-color 300,128,128 -o @o.yuv", 1, false,
       " ERR_IMG_RESIZER_YCOLOR_ILLEGAL"},
      {"resize -s 64x32 @in.yuv -S 32x16 --nearest --out-layout field -o @o.yuv", 1, false,
       " ERR_IMG_RESIZER_420TO420_YUVTYPE_ILLEGAL"},
      {"resize -s 33x16 @in.yuv -S 16x8 -o @o.yuv", 1, false,
       " ERR_IMG_RESIZER_C674X_SELF_SRCWIDTH_ILLEGAL"},
      {"rgb -s 3x2 -pix_fmt rgb24 @in.yuv -o @o.yuv", 1, false,
       "IMG_RGBTOYUV refused to open: 0xC8C00004 ERR_IMG_RGBTOYUV_OPEN_INPUT_IMG_SIZE"},
      {"resize -s 64x32 @cut.yuv -o @cut.out", 1, false, "truncated input: picture 3"},
      {"resize @bad.y4m -o @o.y4m", 1, false, "frame 3 does not start with FRAME"},
      {"resize @empty.y4m -o @o.yuv", 1, false, "holds no pictures"},
      // Runs that work; the files they write are checked below.
      {"resize -s 64x32 @in.yuv -S 32x16 -o @small.yuv -q", 0, false, nullptr},
      {"resize -s 64x32 @in.yuv -s 32x16 -frames 2 -o @two.yuv", 0, false, "pelforge: 2 pictures"},
      {"convert -s 64x32 -pix_fmt nv12 @in.yuv -o @nv.y4m -q", 0, false, nullptr},
      {"convert @two.y4m -o @copy.y4m -q", 0, false, nullptr},
      // A y4m stream is known by its first bytes; the storage it states may be overridden.
      {"resize @two.dat --in-layout field -o @o.yuv", 0, false,
       "two.dat (y4m yuv420p 64x32, field)"},
      {"rgb -s 64x32 @in.yuv -pix_fmt bgra -o @o.rgb -q", 0, false, nullptr},
      // Without an output size the cut picture keeps its size and the margins are added.
      {"resize -s 64x32 @in.yuv --crop 0,0,16,16 --fill 0,0,2,2 -o @crop.yuv -q", 0, false,
       nullptr},
      // Detours the user did not ask for are announced.
      {"convert -s 32x16 -pix_fmt uyvy422 @in.yuv --out-pix_fmt nv12 -o @o.yuv", 0, false,
       "uyvy422 -> nv12 kernel for this job; going through yuv420p"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.args);
    const Outcome o = run(pfct::words(r.args, &dir));
    EXPECT_EQ(o.status, r.status) << o.err;
    if (r.part == nullptr) {
      EXPECT_EQ(o.err, "");
    } else {
      EXPECT_TRUE(contains(r.on_stdout ? o.out : o.err, r.part)) << o.out << "\n" << o.err;
    }
  }
  for (const auto& [file, size] : {std::pair{"small.yuv", 4 * 768},
                                   {"two.yuv", 2 * 768},
                                   {"cut.out", 2 * kPicture},
                                   {"o.rgb", 4 * 64 * 32 * 4},
                                   {"crop.yuv", 4 * 36 * 32 * 3 / 2}}) {
    EXPECT_EQ(std::filesystem::file_size(dir / file), size) << file;
  }
  // A y4m stream copied is written back byte for byte; a raw nv12 input written to y4m became
  // yuv420p, the only 4:2:0 the container knows.
  EXPECT_EQ(pfct::read_file(dir / "copy.y4m"), pfct::read_file(dir / "two.y4m"));
  EXPECT_EQ(pfct::read_file(dir / "nv.y4m").substr(0, 56),
            "YUV4MPEG2 W64 H32 F25:1 Ip A0:0 C420jpeg XYSCSS=420JPEG\n");
}

// What every verb owes its user: help with examples, in the list of commands, and a wrong
// option refused as a usage error that names the verb and where to look.
TEST(CommandLine, EveryVerbHelpsAndRefusesWrongOptions) {
  const std::string list = run({}).err;
  for (const Verb& v : verbs()) {
    SCOPED_TRACE(v.name);
    const std::string name = v.name;
    for (const char* help : {"--help", "-h"}) {
      const Outcome o = run({name, help});
      EXPECT_EQ(o.status, 0) << o.err;
      EXPECT_TRUE(contains(o.out, "usage: pelforge " + name)) << o.out;
      EXPECT_TRUE(contains(o.out, "\nExamples:\n  pelforge " + name)) << o.out;
    }
    EXPECT_TRUE(contains(list, "    " + name + " ")) << "not in the list";
    const Outcome o = run({name, "--bogus", "in.yuv", "-o", "out.yuv"});
    EXPECT_EQ(o.status, 2);
    EXPECT_TRUE(contains(o.err, "pelforge " + name + ": error: ")) << o.err;
    EXPECT_TRUE(contains(o.err, "(pelforge " + name + " --help lists the options)")) << o.err;
  }
}

TEST(CommandLine, PngPicturesAndPreviews) {
  if (!png_available()) GTEST_SKIP() << "this build has no libpng";
  TempDir dir;
  write_inputs(dir);
  auto line = [&](const char* args) { return run(pfct::words(args, &dir)); };
  const Outcome o = line("resize -s 64x32 @in.yuv -S 32x16 --preview @p -o @o.yuv");
  ASSERT_EQ(o.status, 0) << o.err;
  for (const char* name : {"first_000001.png", "middle_000002.png", "last_000004.png"}) {
    EXPECT_TRUE(std::filesystem::exists(dir / ("p/" + std::string(name)))) << name;
    EXPECT_TRUE(contains(o.err, name)) << o.err;
  }
  const Outcome every = line("resize -s 64x32 @in.yuv --preview @e --preview-every 2 -o @o.yuv -q");
  ASSERT_EQ(every.status, 0) << every.err;
  const auto files = std::distance(std::filesystem::directory_iterator(dir / "e"),
                                   std::filesystem::directory_iterator());
  EXPECT_EQ(files, 2);  // pictures 1 and 3
  EXPECT_TRUE(std::filesystem::exists(dir / "e/frame_000003.png"));

  // One PNG file per picture with a number pattern, read back as the same pictures; a plain
  // name holds one picture and the rest are dropped with a note.
  EXPECT_EQ(line("rgb -s 64x32 @in.yuv -o @pic%d.png -q").status, 0);
  EXPECT_EQ(line("rgb -s 64x32 @in.yuv -o @direct.rgb -q").status, 0);
  EXPECT_EQ(line("rgb @pic%d.png -o @back.rgb -q").status, 0);
  EXPECT_EQ(pfct::read_file(dir / "back.rgb"), pfct::read_file(dir / "direct.rgb"));
  EXPECT_EQ(pfct::read_file(dir / "direct.rgb").size(), 4u * 64 * 32 * 3);
  EXPECT_TRUE(contains(line("rgb -s 64x32 @in.yuv -o @one.png").err, "one.png holds one picture"));
}

TEST(Progress, RedrawsInPlaceAndOnlyWhenAsked) {
  double now = 0;
  const Clock clock = [&] { return now; };
  std::ostringstream shown;
  Progress p(shown, true, 50, clock);
  auto at = [&](double t, uint64_t frames) { now = t, p.update(frames); };
  at(0.1, 1);
  at(0.2, 2);  // too soon after the last line: not drawn
  at(0.5, 25);
  now = 1.0;
  p.finish(50);
  EXPECT_EQ(shown.str(),
            "\rpelforge: frame 1/50 (2%)  10.0 fps"
            "\rpelforge: frame 25/50 (50%)  50.0 fps"
            "\rpelforge: frame 50/50 (100%)  50.0 fps\n");
  EXPECT_EQ(p.line(7, 2.0), "pelforge: frame 7/50 (14%)  3.5 fps");
  EXPECT_EQ(Progress(shown, true, std::nullopt, clock).line(7, 0.0), "pelforge: frame 7  0.0 fps");

  // Through the command line: drawn on a terminal, never with -q or into a file.
  TempDir dir;
  write_inputs(dir);
  const std::vector<std::string> args = pfct::words("resize -s 64x32 @in.yuv -o @o.yuv", &dir);
  EXPECT_TRUE(contains(run(args, true).err, "\rpelforge: frame 4/4 (100%)"));
  EXPECT_TRUE(
      contains(run(pfct::words("resize @two.y4m -o @o.y4m", &dir), true).err, "2/2 (100%)"));
  EXPECT_FALSE(contains(run(args, false).err, "\r"));
  EXPECT_EQ(run(pfct::words("resize -s 64x32 @in.yuv -o @o.yuv -q", &dir), true).err, "");
}

TEST(Demo, WritesPicturesAndSummary) {
  if (!png_available()) GTEST_SKIP() << "this build has no libpng";
  TempDir dir;
  const Outcome o = run(pfct::words("demo --out @demo --frames 3 -q", &dir));
  EXPECT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_EQ(o.err, "");
  for (const char* job :
       {"D1 -> CIF, bilinear", "D1 -> CIF, nearest neighbour", "4:2:0 -> UYVY -> 4:2:0",
        "interlaced frame -> field pictures", "YUV -> RGB24 -> YUV"}) {
    EXPECT_TRUE(contains(o.out, job)) << job;
  }
  EXPECT_FALSE(contains(o.out, "failed"));
  EXPECT_EQ(pfct::read_file(dir / "demo/summary.txt"), o.out);
  for (const char* png :
       {"source/first_000001.png", "cif_bilinear/middle_000002.png", "cif_nearest/last_000003.png",
        "field_pictures/first_000001.png", "rgb_round_trip/last_000003.png"}) {
    EXPECT_TRUE(std::filesystem::exists(dir / ("demo/" + std::string(png)))) << png;
    EXPECT_TRUE(contains(o.out, png)) << png;
  }
}

TEST(Demo, ListsAndSelectsJobsByNameOrFamily) {
  TempDir dir;
  struct Row {
    const char* args;
    int status;
    const char* part;       // expected in the output (or the error)
    const char* not_there;  // a job that must not have run
  };
  const Row rows[] = {
      {"demo --list", 0, "scaling and conversion (scaling):\n  source", nullptr},
      {"demo --list", 0, "  rgb_round_trip        YUV -> RGB24 -> YUV\n", nullptr},
      {"demo --out @a --frames 2 -q --only cif_nearest,uyvy_round_trip", 0,
       "4:2:0 -> UYVY -> 4:2:0            2", "D1 -> CIF, bilinear"},
      {"demo --out @b --frames 1 -q --only scaling", 0, "YUV -> RGB24 -> YUV", nullptr},
      {"demo --out @c --only cif", 2, "no demo job or family is called 'cif'", nullptr},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.args);
    const Outcome o = run(pfct::words(r.args, &dir));
    EXPECT_EQ(o.status, r.status) << o.err;
    EXPECT_TRUE(contains(o.out + o.err, r.part)) << o.out << o.err;
    if (r.not_there) {
      EXPECT_FALSE(contains(o.out, r.not_there)) << o.out;
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "a/cif_bilinear"));
}

TEST(Demo, PatternAtAnySizeAndSeededNoise) {
  // The pattern moves and keeps its look at another size: 4:2:0 pictures of the size asked for,
  // different from one frame to the next, and interlaced ones differ from progressive ones only
  // on odd lines.
  const Frames p = make_test_pattern(176, 144, 3, false), i = make_test_pattern(176, 144, 3, true);
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p[0].size(), 176u * 144 * 3 / 2);
  EXPECT_NE(p[0], p[1]);
  for (int y = 0; y < 144; ++y) {
    const auto line = [&](const Frames& f) {
      return std::vector<uint8_t>(f[1].begin() + y * 176, f[1].begin() + (y + 1) * 176);
    };
    if (y % 2 == 0) {
      EXPECT_EQ(line(p), line(i)) << "line " << y;
    }
  }
  EXPECT_NE(p[1], i[1]);
  // Noise: the same seed, the same noise; within the amplitude; clamped at the ends.
  std::vector<uint8_t> a(4096, 128), b(4096, 128), c(4096, 128), edge(4096, 254);
  add_noise(a, 6, 1);
  add_noise(b, 6, 1);
  add_noise(c, 6, 2);
  add_noise(edge, 6, 1);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
  EXPECT_EQ(*std::min_element(a.begin(), a.end()), 122);
  EXPECT_EQ(*std::max_element(a.begin(), a.end()), 134);
  EXPECT_EQ(*std::max_element(edge.begin(), edge.end()), 255);
}

}  // namespace
}  // namespace pf::cli
