// SPDX-License-Identifier: BSD-2-Clause
// What command lines and input streams are read as: where ffmpeg-style options land, the small
// value parsers behind them, y4m headers as ffmpeg writes them and pelforge writes them back, and
// input that is cut short or damaged, which must end in a clear error after the good pictures.
// The messages for bad command lines are checked through whole runs in cli_test.cpp.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "args.hpp"
#include "cli_error.hpp"
#include "cli_test_util.hpp"
#include "png_io.hpp"
#include "stream_io.hpp"
#include "y4m.hpp"

namespace pf::cli {
namespace {

// Everything the parser decided, in one line that a table row can spell out.
std::string summary(const VideoArgs& a) {
  std::ostringstream s;
  auto side = [&](const char* name, const auto& f) {
    static const char* const kContainers[] = {"auto", "raw", "y4m", "png"};
    const Size size = f.size.value_or(Size{});
    s << name << f.path << " "
      << (f.size ? std::to_string(size.width) + "x" + std::to_string(size.height) : "-") << " "
      << (f.fmt ? f.fmt->name : "-") << " " << kContainers[static_cast<int>(f.container)]
      << (f.layout ? std::string(" ") + layout_name(*f.layout) : "");
  };
  auto list = [&](const char* name, const auto& v) {
    s << name;
    for (size_t i = 0; i < v.size(); ++i) s << (i ? "," : "") << v[i];
  };
  side("in=", a.inputs.at(0));
  side("; out=", a.output);
  if (a.geometry_given) {
    list("; crop=", a.geometry.crop);
    list(" offset=", a.geometry.offset);
    list(" fill=", a.geometry.fill);
    list(" colour=", a.geometry.fill_color);
    s << (a.geometry.nearest ? " nearest" : "");
  }
  if (a.max_frames) s << "; frames=" << a.max_frames;
  if (a.quiet) s << "; quiet";
  if (!a.preview.dir.empty()) s << "; preview=" << a.preview.dir << " every " << a.preview.every;
  return s.str();
}

TEST(VideoArgs, OptionsLandOnTheFileTheyDescribe) {
  struct Row {
    const char* args;
    const char* expected;
  };
  const Row rows[] = {
      {"-s 720x576 in.yuv -s 352x288 -o out.yuv",
       "in=in.yuv 720x576 - auto; out=out.yuv 352x288 - auto"},
      // The pipe of the usual ffmpeg chain: a size after the input is the output size.
      {"- -s 352x288 -o -", "in=- - - auto; out=- 352x288 - auto"},
      {"-s 720x576 -pix_fmt uyvy422 -i in.yuv -pix_fmt nv12 -o o.yuv",
       "in=in.yuv 720x576 uyvy422 auto; out=o.yuv - nv12 auto"},
      // Stream options after the last file describe the output.
      {"in.y4m -o out.y4m -s 352x288", "in=in.y4m - - auto; out=out.y4m 352x288 - auto"},
      {"in.y4m -o out.y4m -S 352x288", "in=in.y4m - - auto; out=out.y4m 352x288 - auto"},
      {"--in-size=720x576 --out-pix_fmt yuyv422 in.yuv out.yuv",
       "in=in.yuv 720x576 - auto; out=out.yuv - yuyv422 auto"},
      {"-f y4m - -f yuv -o -", "in=- - - y4m; out=- - - raw"},
      {"-pix_fmt yuy2 -s cif in.yuv -o o.yuv",
       "in=in.yuv 352x288 yuyv422 auto; out=o.yuv - - auto"},
      {"in.y4m -o o.y4m --crop 0,0,8,8 --offset 2,2,0,0 --fill 4,4,8,8 --fill-color 235,100,150 "
       "--nearest --in-layout interlaced --out-layout field",
       "in=in.y4m - - auto interlaced; out=o.y4m - - auto field; crop=0,0,8,8 offset=2,2,0,0 "
       "fill=4,4,8,8 colour=235,100,150 nearest"},
      {"-frames:v 5 -q --preview p --preview-every 3 in.y4m -o o.yuv",
       "in=in.y4m - - auto; out=o.yuv - - auto; frames=5; quiet; preview=p every 3"},
      {"-o o.yuv -s 720x576 in.yuv", "in=in.yuv 720x576 - auto; out=o.yuv - - auto"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args);
    EXPECT_EQ(summary(parse_video_args(VideoCommand::kResize, pfct::words(row.args))),
              row.expected);
  }
}

TEST(OptionValues, SizesRatesLayoutsListsAndNamePatterns) {
  EXPECT_EQ(parse_size("720x576", "-s"), (Size{720, 576}));
  EXPECT_EQ(parse_size("352X288", "-s"), (Size{352, 288}));
  EXPECT_EQ(parse_size("hd1080", "-s"), (Size{1920, 1080}));
  EXPECT_EQ(parse_size("1x1", "-s"), (Size{1, 1}));
  EXPECT_EQ(parse_size("49152x2", "-s"), (Size{49152, 2}));
  for (const char* bad :
       {"", "x", "720x", "x576", "0x576", "720x576x2", "-720x576", "abc", "7e2x5"}) {
    EXPECT_THROW(parse_size(bad, "-s"), UsageError) << bad;
  }
  EXPECT_EQ(parse_rate("25", "-r"), (Rational{25, 1}));
  EXPECT_EQ(parse_rate("30000/1001", "-r"), (Rational{30000, 1001}));
  EXPECT_EQ(parse_rate("50:2", "-r"), (Rational{25, 1}));
  EXPECT_EQ(parse_rate("29.97", "-r"), (Rational{2997, 100}));
  for (const char* bad : {"0", "-5", "25/0", "fast", "1e9999"}) {
    EXPECT_THROW(parse_rate(bad, "-r"), UsageError) << bad;
  }
  EXPECT_EQ(parse_layout("2", "x"), PF_IMAGE_FIELD);
  EXPECT_EQ(parse_int_list("-2,0,0x10,4", 4, "x"), (std::vector<int>{-2, 0, 16, 4}));

  EXPECT_EQ(expand_pattern("out%03d.png", 7), "out007.png");
  EXPECT_EQ(expand_pattern("f%d.png", 12), "f12.png");
  EXPECT_EQ(expand_pattern("a%%b%2d.png", 3), "a%b 3.png");
  EXPECT_EQ(expand_pattern("x%03d.png", 12345), "x12345.png");
  EXPECT_EQ(expand_pattern("plain.png", 9), "plain.png");
  EXPECT_FALSE(has_pattern("100%%.png"));
  for (const char* bad : {"x%s.png", "%d%d.png", "x%", "x%05.png", "%-3d.png"}) {
    EXPECT_THROW(expand_pattern(bad, 1), UsageError) << bad;
  }
}

std::string text(const Rational& r) { return std::to_string(r.num) + ":" + std::to_string(r.den); }

TEST(Y4mHeader, ReadsRealHeadersAndWritesThemBack) {
  struct Row {
    const char* line;
    const char* parsed;   // size, rate, aspect, format, storage (and field order)
    const char* written;  // without the newline; null: the line as it was read
  };
  const Row rows[] = {
      {"YUV4MPEG2 W720 H576 F25:1 It A16:15 C420jpeg XYSCSS=420JPEG",
       "720x576 25:1 16:15 yuv420p interlaced t", nullptr},
      {"YUV4MPEG2 W720 H480 F30000:1001 Ib A10:11 C420mpeg2 XYSCSS=420MPEG2 XCOLORRANGE=LIMITED",
       "720x480 30000:1001 10:11 yuv420p interlaced b", nullptr},
      {"YUV4MPEG2 W352 H288 F25:1 Ip A0:0 C420paldv XYSCSS=420PALDV",
       "352x288 25:1 0:0 yuv420p frame", nullptr},
      {"YUV4MPEG2 W1920 H1080 F50:1 Ip A1:1 C422 XYSCSS=422", "1920x1080 50:1 1:1 yuv422p frame",
       nullptr},
      {"YUV4MPEG2 W176 H144 F15:1 Im C420", "176x144 15:1 0:0 yuv420p frame",
       "YUV4MPEG2 W176 H144 F15:1 Ip A0:0 C420 XYSCSS=420JPEG"},
      // Only W and H are required; F0:0 is "unknown" and keeps the default rate.
      {"YUV4MPEG2  H32  W64 F0:0 I? Zfuture", "64x32 25:1 0:0 yuv420p frame",
       "YUV4MPEG2 W64 H32 F25:1 Ip A0:0 C420jpeg XYSCSS=420JPEG"},
      // Field pictures have no word in the container: a private parameter carries them.
      {"YUV4MPEG2 W64 H32 Ip XPFLAYOUT=field", "64x32 25:1 0:0 yuv420p field",
       "YUV4MPEG2 W64 H32 F25:1 Ip A0:0 C420jpeg XYSCSS=420JPEG XPFLAYOUT=field"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.line);
    const VideoFormat f = parse_y4m_header(r.line);
    std::string parsed = std::to_string(f.width) + "x" + std::to_string(f.height) + " " +
                         text(f.fps) + " " + text(f.sar) + " " + f.fmt->name + " " +
                         layout_name(f.layout);
    if (f.layout == PF_IMAGE_INTERLACED) parsed += std::string(" ") + f.field_order;
    EXPECT_EQ(parsed, r.parsed);
    const std::string written = format_y4m_header(f);
    EXPECT_EQ(written, std::string(r.written ? r.written : r.line) + "\n");
    EXPECT_EQ(format_y4m_header(parse_y4m_header(written.substr(0, written.size() - 1))), written);
  }
  VideoFormat nv12 = parse_y4m_header("YUV4MPEG2 W64 H32");
  nv12.fmt = find_pix_fmt("nv12");
  EXPECT_THROW(format_y4m_header(nv12), UsageError);
}

TEST(Readers, RefusedOrDamagedInputFailsAfterTheGoodPictures) {
  constexpr size_t kFrame = 8 * 4 * 3 / 2;  // the streams hold 8x4 yuv420p pictures
  const std::string pic(kFrame, 'a'), full = "FRAME\n" + pic;
  const std::string header = "YUV4MPEG2 W8 H4 F25:1 Ip A1:1 C420jpeg XYSCSS=420JPEG\n";
  const Container kY4m = Container::kY4m, kRaw = Container::kRaw;
  struct Row {
    std::string bytes;
    int good_pictures;
    std::string message_part;  // empty: the input is fine
    Container container = Container::kAuto;
  };
  const Row rows[] = {
      {header + full + full, 2, ""},
      {header + "FRAME Ixyz XA=1\n" + pic, 1, ""},  // frame parameters only advise
      {header + full + "FRAME\n" + pic.substr(0, 10), 1, "picture 2 has 10 of its 48 bytes"},
      {header + full + "FRAME\n", 1, "picture 2 has a FRAME header but no data"},
      {header + full + "FRAMES\n" + pic, 1, "frame 2 does not start with FRAME"},
      {header + full + "FRA", 1, "ends inside a header line"},
      {"YUV4MPEG2 W8 H4 " + std::string(5000, 'X') + "\n", 0, "longer than 4096"},
      {"", 0, "empty input", kY4m},
      {"hello world\n", 0, "does not start with YUV4MPEG2", kY4m},
      {"YUV4MPEG W720 H576\n", 0, "does not start with YUV4MPEG2", kY4m},
      {"YUV4MPEG2X W720 H576\n", 0, "does not start with YUV4MPEG2"},
      {"YUV4MPEG2 W720\n", 0, "W and H parameters are required"},
      {"YUV4MPEG2 W0 H576\n", 0, "'W0' is not a width"},
      {"YUV4MPEG2 Wabc H576\n", 0, "is not a width"},
      {"YUV4MPEG2 W720 H-2\n", 0, "is not a height"},
      {"YUV4MPEG2 W720 H576 F25\n", 0, "is not a frame rate"},
      {"YUV4MPEG2 W720 H576 A16\n", 0, "is not an aspect ratio"},
      {"YUV4MPEG2 W720 H576 Ix\n", 0, "is not one of Ip"},
      {"YUV4MPEG2 W720 H576 Itb\n", 0, "is not an interlace flag"},
      {"YUV4MPEG2 W720 H576 C444\n", 0, "chroma format '444' is not supported"},
      {"YUV4MPEG2 W100000 H100000\n", 0, "larger than pelforge handles"},
      {pic + pic.substr(0, 47), 1, "truncated input: picture 2 has 47 of its 48 bytes", kRaw},
      {"\x89PNG\r\n\x1a\n garbage", 0,
       png_available() ? "not a readable PNG" : "without PNG support"},
  };
  pfct::TempDir dir;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.bytes.substr(0, 40));
    pfct::write_file(dir / "input.bin", row.bytes);
    InputOptions opts;
    opts.path = dir / "input.bin";
    opts.container = row.container;
    if (row.container == kRaw) opts.size = Size{8, 4};
    int pictures = 0;
    std::string error;
    try {
      auto reader = open_reader(opts);
      std::vector<uint8_t> buf(reader->format().frame_size());
      while (reader->read(buf.data())) ++pictures;
    } catch (const CliError& e) {
      error = e.what();
    }
    EXPECT_EQ(pictures, row.good_pictures);
    EXPECT_EQ(error.empty(), row.message_part.empty()) << error;
    EXPECT_TRUE(pfct::contains(error, row.message_part)) << error;
  }
}

}  // namespace
}  // namespace pf::cli
