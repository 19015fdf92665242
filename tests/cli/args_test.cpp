// SPDX-License-Identifier: BSD-2-Clause
// Command lines of the video commands: where ffmpeg-style options land, and the messages for
// command lines that cannot work.
#include "args.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli_error.hpp"

namespace pf::cli {
namespace {

std::string size_text(const std::optional<Size>& s) {
  return s ? std::to_string(s->width) + "x" + std::to_string(s->height) : "-";
}

std::string list_text(const std::array<int, 4>& v) {
  return std::to_string(v[0]) + "," + std::to_string(v[1]) + "," + std::to_string(v[2]) + "," +
         std::to_string(v[3]);
}

const char* container_text(Container c) {
  switch (c) {
    case Container::kY4m:
      return "y4m";
    case Container::kRaw:
      return "raw";
    case Container::kPng:
      return "png";
    default:
      return "auto";
  }
}

// Everything the parser decided, in one line that a table row can spell out.
std::string summary(const VideoArgs& a) {
  std::string s = "in=" + a.input.path + " " + size_text(a.input.size) + " " +
                  (a.input.fmt ? a.input.fmt->name : "-") + " " + container_text(a.input.container);
  if (a.input.layout) s += std::string(" ") + layout_name(*a.input.layout);
  s += "; out=" + a.output.path + " " + size_text(a.output.size) + " " +
       (a.output.fmt ? a.output.fmt->name : "-") + " " + container_text(a.output.container);
  if (a.output.layout) s += std::string(" ") + layout_name(*a.output.layout);
  if (a.geometry_given) {
    const Geometry& g = a.geometry;
    s += "; crop=" + list_text(g.crop) + " offset=" + list_text(g.offset) +
         " fill=" + list_text(g.fill) + " colour=" + std::to_string(g.fill_color[0]) + "," +
         std::to_string(g.fill_color[1]) + "," + std::to_string(g.fill_color[2]) +
         (g.nearest ? " nearest" : "");
  }
  if (a.max_frames) s += "; frames=" + std::to_string(a.max_frames);
  if (a.quiet) s += "; quiet";
  if (!a.preview.dir.empty()) {
    s += "; preview=" + a.preview.dir + " every " + std::to_string(a.preview.every);
  }
  return s;
}

TEST(VideoArgs, OptionsLandOnTheFileTheyDescribe) {
  struct Row {
    std::vector<std::string> args;
    std::string expected;
  };
  const Row rows[] = {
      {{"-s", "720x576", "in.yuv", "-s", "352x288", "-o", "out.yuv"},
       "in=in.yuv 720x576 - auto; out=out.yuv 352x288 - auto"},
      // The pipe of the usual ffmpeg chain: a size after the input is the output size.
      {{"-", "-s", "352x288", "-o", "-"}, "in=- - - auto; out=- 352x288 - auto"},
      {{"-s", "720x576", "-pix_fmt", "uyvy422", "-i", "in.yuv", "-pix_fmt", "nv12", "-o", "o.yuv"},
       "in=in.yuv 720x576 uyvy422 auto; out=o.yuv - nv12 auto"},
      // Stream options after the last file describe the output.
      {{"in.y4m", "-o", "out.y4m", "-s", "352x288"},
       "in=in.y4m - - auto; out=out.y4m 352x288 - auto"},
      {{"in.y4m", "-o", "out.y4m", "-S", "352x288"},
       "in=in.y4m - - auto; out=out.y4m 352x288 - auto"},
      {{"--in-size=720x576", "--out-pix_fmt", "yuyv422", "in.yuv", "out.yuv"},
       "in=in.yuv 720x576 - auto; out=out.yuv - yuyv422 auto"},
      {{"-f", "y4m", "-", "-f", "yuv", "-o", "-"}, "in=- - - y4m; out=- - - raw"},
      {{"-pix_fmt", "yuy2", "-s", "cif", "in.yuv", "-o", "o.yuv"},
       "in=in.yuv 352x288 yuyv422 auto; out=o.yuv - - auto"},
      {{"in.y4m", "-o", "o.y4m", "--crop", "0,0,8,8", "--offset", "2,2,0,0", "--fill", "4,4,8,8",
        "--fill-color", "235,128,128", "--nearest", "--in-layout", "interlaced", "--out-layout",
        "field"},
       "in=in.y4m - - auto interlaced; out=o.y4m - - auto field; crop=0,0,8,8 offset=2,2,0,0 "
       "fill=4,4,8,8 colour=235,128,128 nearest"},
      {{"-frames:v", "5", "-q", "--preview", "p", "--preview-every", "3", "in.y4m", "-o", "o.yuv"},
       "in=in.y4m - - auto; out=o.yuv - - auto; frames=5; quiet; preview=p every 3"},
      {{"-o", "o.yuv", "-s", "720x576", "in.yuv"}, "in=in.yuv 720x576 - auto; out=o.yuv - - auto"},
  };
  for (const Row& row : rows) {
    std::string joined;
    for (const std::string& a : row.args) joined += a + " ";
    SCOPED_TRACE("args: " + joined);
    EXPECT_EQ(summary(parse_video_args(VideoCommand::kResize, row.args)), row.expected);
  }
}

TEST(VideoArgs, BadCommandLinesNameTheProblem) {
  struct Row {
    VideoCommand command;
    std::vector<std::string> args;
    std::string message_part;
  };
  const VideoCommand R = VideoCommand::kResize;
  const Row rows[] = {
      {R, {}, "no input"},
      {R, {"in.yuv"}, "no output"},
      {R, {"a", "b", "c"}, "unexpected argument 'c'"},
      {R, {"-s", "720x576", "-s", "352x288", "in", "-o", "o"}, "-s is given twice"},
      {R, {"-s", "720x576", "--in-size", "352x288", "in", "-o", "o"}, "given twice with different"},
      {R, {"-s", "720by576", "in", "-o", "o"}, "is not a size"},
      {R, {"-s", "0x576", "in", "-o", "o"}, "outside"},
      {R, {"-s", "60000x2", "in", "-o", "o"}, "outside"},
      {R, {"-pix_fmt", "yuv444p", "in", "-o", "o"}, "not a pixel format"},
      {R, {"--crop", "1,2,3", "in", "-o", "o"}, "4 comma-separated integers"},
      {R, {"--fill-color", "1,2,x", "in", "-o", "o"}, "3 comma-separated integers"},
      {R, {"--in-layout", "top", "in", "-o", "o"}, "one of frame, field, interlaced"},
      {R, {"--bogus", "in", "-o", "o"}, "unknown option --bogus"},
      {R, {"in", "-o"}, "-o needs a value"},
      {R, {"in", "-o", "in"}, "overwrite the input"},
      {R, {"--nearest=1", "in", "-o", "o"}, "takes no value"},
      {R, {"-frames", "0", "in", "-o", "o"}, "at least 1"},
      {R, {"-frames", "ten", "in", "-o", "o"}, "not a non-negative integer"},
      {R, {"-f", "mkv", "in", "-o", "o"}, "is not one of y4m"},
      {R, {"-r", "0", "in", "-o", "o"}, "-r"},
      {VideoCommand::kConvert, {"--crop", "0,0,2,2", "in", "-o", "o"}, "use pelforge resize"},
  };
  for (const Row& row : rows) {
    std::string joined;
    for (const std::string& a : row.args) joined += a + " ";
    SCOPED_TRACE("args: " + joined);
    try {
      parse_video_args(row.command, row.args);
      ADD_FAILURE() << "accepted";
    } catch (const UsageError& e) {
      EXPECT_NE(std::string(e.what()).find(row.message_part), std::string::npos) << e.what();
    }
  }
}

TEST(VideoArgs, HelpWinsOverMissingFiles) {
  for (VideoCommand c : {VideoCommand::kResize, VideoCommand::kConvert, VideoCommand::kRgb}) {
    EXPECT_TRUE(parse_video_args(c, {"--help"}).help) << command_name(c);
    EXPECT_NE(video_help(c).find(std::string("pelforge ") + command_name(c)), std::string::npos);
  }
}

TEST(OptionValues, SizesRatesAndLayouts) {
  struct SizeRow {
    const char* text;
    int w, h;
  };
  for (const SizeRow& r :
       {SizeRow{"720x576", 720, 576}, SizeRow{"352X288", 352, 288}, SizeRow{"cif", 352, 288},
        SizeRow{"hd1080", 1920, 1080}, SizeRow{"1x1", 1, 1}, SizeRow{"49152x2", 49152, 2}}) {
    const Size s = parse_size(r.text, "-s");
    EXPECT_EQ(s.width, r.w) << r.text;
    EXPECT_EQ(s.height, r.h) << r.text;
  }
  for (const char* bad : {"", "x", "720x", "x576", "720x576x2", "-720x576", "abc", "7e2x5"}) {
    EXPECT_THROW(parse_size(bad, "-s"), UsageError) << bad;
  }
  struct RateRow {
    const char* text;
    int num, den;
  };
  for (const RateRow& r : {RateRow{"25", 25, 1}, RateRow{"30000/1001", 30000, 1001},
                           RateRow{"50:2", 25, 1}, RateRow{"29.97", 2997, 100}}) {
    const Rational q = parse_rate(r.text, "-r");
    EXPECT_EQ(q.num, r.num) << r.text;
    EXPECT_EQ(q.den, r.den) << r.text;
  }
  for (const char* bad : {"0", "-5", "25/0", "fast", "1e9999"}) {
    EXPECT_THROW(parse_rate(bad, "-r"), UsageError) << bad;
  }
  EXPECT_EQ(parse_layout("progressive", "x"), PF_IMAGE_FRAME);
  EXPECT_EQ(parse_layout("2", "x"), PF_IMAGE_FIELD);
  EXPECT_EQ(parse_layout("interlaced", "x"), PF_IMAGE_INTERLACED);
  EXPECT_EQ(parse_int_list("-2,0,0x10,4", 4, "x"), (std::vector<int>{-2, 0, 16, 4}));
}

}  // namespace
}  // namespace pf::cli
