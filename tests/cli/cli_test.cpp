// SPDX-License-Identifier: BSD-2-Clause
// Whole command lines run in-process: exit status and messages, files written, progress, the
// demo.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli_test_util.hpp"
#include "png_io.hpp"
#include "progress.hpp"

namespace pf::cli {
namespace {

using pfct::Outcome;
using pfct::run;
using pfct::TempDir;

bool contains(const std::string& s, const std::string& part) {
  return s.find(part) != std::string::npos;
}

std::string joined(const std::vector<std::string>& args) {
  std::string s;
  for (const std::string& a : args) s += a + " ";
  return s;
}

// n pictures of 64x32 yuv420p, each a different grey.
std::string raw_pictures(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += std::string(64 * 32 * 3 / 2, static_cast<char>(40 + 20 * i));
  return s;
}

TEST(CommandLine, StatusAndMessages) {
  struct Row {
    std::vector<std::string> args;
    int status;
    bool on_stdout;  // where the text is expected
    std::string part;
  };
  const Row rows[] = {
      {{}, 2, false, "usage: pelforge COMMAND"},
      {{"--help"}, 0, true, "Commands:"},
      {{"--version"}, 0, true, "pelforge "},
      {{"bogus"}, 2, false, "unknown command 'bogus'"},
      {{"resize", "--help"}, 0, true, "usage: pelforge resize"},
      {{"convert", "-h"}, 0, true, "usage: pelforge convert"},
      {{"rgb", "--help"}, 0, true, "usage: pelforge rgb"},
      {{"info", "--help"}, 0, true, "usage: pelforge info"},
      {{"errors", "--help"}, 0, true, "usage: pelforge errors"},
      {{"demo", "--help"}, 0, true, "usage: pelforge demo"},
      {{"resize"}, 2, false, "pelforge resize: error: no input"},
      {{"info", "extra"}, 2, false, "info takes no arguments"},
      {{"demo", "--frames", "0"}, 2, false, "--frames: give 1 to 1000"},
      {{"errors"}, 2, false, "at least one status code"},
      {{"errors", "zzz"}, 2, false, "is not a status code"},
      {{"errors", "0x1C6A0001A"}, 2, false, "larger than 32 bits"},
      {{"errors", "0xC6A0001A"},
       0,
       true,
       "0xC6A0001A  ERR_IMG_RESIZER_FILLLINE_ILLEGAL  (IMG_RESIZER, module 24)"},
      {{"errors", "C7C00020"}, 0, true, "ERR_RGB_RESIZER_FUNC_SELECT  (RGB_RESIZER, module 26)"},
      {{"errors", "0xC1000063"}, 0, true, "ERR_IMG_420TORGB_OPEN_INPUT_HANDLE"},
      {{"errors", "3368026113"}, 0, true, "ERR_IMG_RGBTOYUV_OPEN_INPUT_HANDLE  (IMG_RGBTOYUV"},
      {{"errors", "0xC6A0001A", "0xD0000000"}, 1, true, "0xD0000000  not a code of any"},
      {{"errors", "0xE0000001"}, 0, true, "no module names"},
      {{"errors", "0"}, 0, true, "success"},
      {{"info"}, 0, true, "pelforge_v300.ImageResizer.034"},
      {{"resize", "-s", "64x32", "no-such-file.yuv", "-o", "x.yuv"}, 1, false, "cannot open"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(joined(r.args));
    const Outcome o = run(r.args);
    EXPECT_EQ(o.status, r.status) << o.err;
    EXPECT_TRUE(contains(r.on_stdout ? o.out : o.err, r.part))
        << "out: " << o.out << "\nerr: " << o.err;
  }
}

TEST(CommandLine, InfoListsEveryRegisteredModule) {
  const Outcome o = run({"info"});
  for (const char* line : {"  24  IMG_RESIZER", "   3  IMG_YUV420_TO_RGB", "  26  RGB_RESIZER",
                           "  36  IMG_RGBTOYUV"}) {
    EXPECT_TRUE(contains(o.out, line)) << line << "\n" << o.out;
  }
}

TEST(CommandLine, RunsWriteWhatTheyShould) {
  if (!png_available()) GTEST_SKIP() << "this build has no libpng";
  TempDir dir;
  pfct::write_file(dir / "in.yuv", raw_pictures(3));
  pfct::write_file(dir / "cut.yuv", raw_pictures(3).substr(0, 64 * 32 * 3 / 2 * 2 + 100));
  pfct::write_file(dir / "bad.y4m", "YUV4MPEG2 W64 H32\nFRAME\n" + raw_pictures(1) + "GARBAGE\n");
  pfct::write_file(dir / "empty.y4m", "YUV4MPEG2 W64 H32 F25:1\n");
  const std::string in = dir / "in.yuv";
  struct Row {
    std::vector<std::string> args;
    int status;
    std::string err_part;  // empty: no error expected
    std::string file;      // written file to check, with its expected size
    size_t size;
  };
  const size_t cif_like = 32 * 16 * 3 / 2;
  const Row rows[] = {
      {{"resize", "-s", "64x32", in, "-S", "32x16", "-o", dir / "small.yuv", "-q"},
       0,
       "",
       dir / "small.yuv",
       3 * cif_like},
      {{"resize", "-s", "64x32", in, "-s", "32x16", "-frames", "2", "-o", dir / "two.yuv"},
       0,
       "pelforge: 2 pictures",
       dir / "two.yuv",
       2 * cif_like},
      {{"resize", "-s", "64x32", in, "--fill", "1,1,0,0", "-o", dir / "f.yuv"},
       1,
       "0xC6A0001A ERR_IMG_RESIZER_FILLLINE_ILLEGAL",
       "",
       0},
      {{"resize", "-s", "64x32", dir / "cut.yuv", "-o", dir / "cut_out.yuv"},
       1,
       "truncated input: picture 3",
       dir / "cut_out.yuv",
       2 * 64 * 32 * 3 / 2},
      {{"resize", dir / "bad.y4m", "-o", dir / "bad_out.y4m"},
       1,
       "frame 2 does not start with FRAME",
       "",
       0},
      {{"resize", dir / "empty.y4m", "-o", dir / "e.yuv"}, 1, "holds no pictures", "", 0},
      {{"convert", "-s", "64x32", in, "-S", "32x16", "-o", dir / "c.yuv"},
       2,
       "convert keeps the size",
       "",
       0},
      {{"rgb", "-s", "64x32", in, "-pix_fmt", "nv12", "-o", dir / "r.yuv"},
       2,
       "neither side is RGB",
       "",
       0},
      {{"resize", "-s", "64x32", in, "--out-pix_fmt", "nv12", "-o", dir / "p.png"},
       2,
       "PNG output holds rgb24",
       "",
       0},
      {{"resize", "-s", "64x32", in, "--out-layout", "field", "--out-pix_fmt", "rgb24", "-o",
        dir / "q.rgb"},
       2,
       "RGB pictures are frames",
       "",
       0},
      {{"convert", "-s", "64x32", "-pix_fmt", "nv12", in, "-o", dir / "nv.y4m", "-q"},
       0,
       "",
       dir / "nv.y4m",
       0},
      {{"rgb", "-s", "64x32", in, "-o", dir / "pic%d.png", "-q"}, 0, "", dir / "pic3.png", 0},
      {{"rgb", "-s", "64x32", in, "-pix_fmt", "bgra", "-o", dir / "pic.rgb", "-q"},
       0,
       "",
       dir / "pic.rgb",
       3 * 64 * 32 * 4},
      {{"resize", "-s", "64x32", in, "--crop", "0,0,16,16", "--fill", "0,0,2,2", "-o",
        dir / "crop.yuv", "-q"},
       0,
       "",
       dir / "crop.yuv",
       3 * 36 * 32 * 3 / 2},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(joined(r.args));
    const Outcome o = run(r.args);
    EXPECT_EQ(o.status, r.status) << o.err;
    if (r.err_part.empty()) {
      EXPECT_EQ(o.err, "");
    } else {
      EXPECT_TRUE(contains(o.err, r.err_part)) << o.err;
    }
    if (!r.file.empty()) {
      ASSERT_TRUE(std::filesystem::exists(r.file));
      if (r.size != 0) {
        EXPECT_EQ(std::filesystem::file_size(r.file), r.size);
      }
    }
  }
  // A raw nv12 input written to y4m became yuv420p, the only 4:2:0 the container knows.
  const std::vector<uint8_t> y4m = pfct::read_file(dir / "nv.y4m");
  EXPECT_EQ(std::string(y4m.begin(), y4m.begin() + 56),
            "YUV4MPEG2 W64 H32 F25:1 Ip A0:0 C420jpeg XYSCSS=420JPEG\n");
}

TEST(CommandLine, PreviewsOfFirstMiddleAndLast) {
  if (!png_available()) GTEST_SKIP() << "this build has no libpng";
  TempDir dir;
  pfct::write_file(dir / "in.yuv", raw_pictures(5));
  const Outcome o = run({"resize", "-s", "64x32", dir / "in.yuv", "-S", "32x16", "--preview",
                         dir / "prev", "-o", dir / "out.yuv"});
  ASSERT_EQ(o.status, 0) << o.err;
  for (const char* name : {"first_000001.png", "middle_000003.png", "last_000005.png"}) {
    EXPECT_TRUE(std::filesystem::exists(dir / ("prev/" + std::string(name)))) << name;
    EXPECT_TRUE(contains(o.err, name)) << o.err;
  }
  const Outcome every = run({"resize", "-s", "64x32", dir / "in.yuv", "--preview", dir / "every",
                             "--preview-every", "2", "-o", dir / "out2.yuv", "-q"});
  ASSERT_EQ(every.status, 0) << every.err;
  size_t count = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir / "every")) {
    (void)e;
    ++count;
  }
  EXPECT_EQ(count, 3u);  // pictures 1, 3 and 5
  EXPECT_TRUE(std::filesystem::exists(dir / "every/frame_000005.png"));
}

TEST(Progress, RedrawsInPlaceAndOnlyWhenAsked) {
  double now = 0;
  const Clock clock = [&] { return now; };
  std::ostringstream shown;
  Progress p(shown, true, 50, clock);
  now = 0.1;
  p.update(1);
  now = 0.2;
  p.update(2);  // too soon after the last line: not drawn
  now = 0.5;
  p.update(25);
  now = 1.0;
  p.finish(50);
  EXPECT_EQ(shown.str(),
            "\rpelforge: frame 1/50 (2%)  10.0 fps"
            "\rpelforge: frame 25/50 (50%)  50.0 fps"
            "\rpelforge: frame 50/50 (100%)  50.0 fps\n");
  EXPECT_EQ(p.line(7, 2.0), "pelforge: frame 7/50 (14%)  3.5 fps");
  Progress unknown(shown, true, std::nullopt, clock);
  EXPECT_EQ(unknown.line(7, 0.0), "pelforge: frame 7  0.0 fps");

  std::ostringstream silent;
  Progress off(silent, false, 50, clock);
  off.update(1);
  off.finish(1);
  EXPECT_EQ(silent.str(), "");

  // Through the command line: drawn on a terminal, never with -q or into a file.
  TempDir dir;
  pfct::write_file(dir / "in.yuv", raw_pictures(2));
  const std::vector<std::string> args = {"resize",       "-s", "64x32",
                                         dir / "in.yuv", "-o", dir / "o.yuv"};
  EXPECT_TRUE(contains(run(args, true).err, "\rpelforge: frame 2/2 (100%)"));
  EXPECT_FALSE(contains(run(args, false).err, "\r"));
  std::vector<std::string> quiet = args;
  quiet.push_back("-q");
  EXPECT_EQ(run(quiet, true).err, "");
}

TEST(Demo, WritesPicturesAndSummary) {
  if (!png_available()) GTEST_SKIP() << "this build has no libpng";
  TempDir dir;
  const Outcome o = run({"demo", "--out", dir / "demo", "--frames", "3", "-q"});
  EXPECT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_EQ(o.err, "");
  for (const char* job :
       {"D1 -> CIF, bilinear", "D1 -> CIF, nearest neighbour", "4:2:0 -> UYVY -> 4:2:0",
        "interlaced frame -> field pictures", "YUV -> RGB24 -> YUV"}) {
    EXPECT_TRUE(contains(o.out, job)) << job;
  }
  EXPECT_FALSE(contains(o.out, "failed"));
  const std::vector<uint8_t> summary = pfct::read_file(dir / "demo/summary.txt");
  EXPECT_EQ(std::string(summary.begin(), summary.end()), o.out);
  for (const char* png :
       {"source/first_000001.png", "cif_bilinear/middle_000002.png", "cif_nearest/last_000003.png",
        "field_pictures/first_000001.png", "rgb_round_trip/last_000003.png"}) {
    EXPECT_TRUE(std::filesystem::exists(dir / ("demo/" + std::string(png)))) << png;
    EXPECT_TRUE(contains(o.out, png)) << png;
  }
}

}  // namespace
}  // namespace pf::cli
