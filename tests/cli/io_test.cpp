// SPDX-License-Identifier: BSD-2-Clause
// Reading and writing pictures: raw video, y4m streams and PNG, including input that is cut
// short or damaged, which must end in a clear error after the good pictures.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli_error.hpp"
#include "cli_test_util.hpp"
#include "png_io.hpp"
#include "stream_io.hpp"

namespace pf::cli {
namespace {

using pfct::TempDir;

constexpr int kW = 8, kH = 4;
constexpr size_t kFrame = kW * kH * 3 / 2;  // yuv420p

std::string picture(char fill) { return std::string(kFrame, fill); }
const std::string kHeader = "YUV4MPEG2 W8 H4 F25:1 Ip A1:1 C420jpeg XYSCSS=420JPEG\n";

struct ReadOutcome {
  int pictures = 0;
  std::string error;  // empty when the input ended cleanly
};

ReadOutcome read_all(const InputOptions& opts) {
  ReadOutcome r;
  try {
    auto reader = open_reader(opts);
    std::vector<uint8_t> buf(reader->format().frame_size());
    while (reader->read(buf.data())) ++r.pictures;
  } catch (const CliError& e) {
    r.error = e.what();
  }
  return r;
}

TEST(Readers, DamagedInputFailsAfterTheGoodPictures) {
  if (!png_available()) GTEST_SKIP() << "this build has no libpng";
  struct Row {
    const char* name;
    std::string bytes;
    Container container;
    int good_pictures;
    std::string message_part;  // empty: the input is fine
  };
  const std::string full = "FRAME\n" + picture('a');
  const Row rows[] = {
      {"clean y4m", kHeader + full + full, Container::kAuto, 2, ""},
      {"frame parameters", kHeader + "FRAME Ip XA=1\n" + picture('b'), Container::kAuto, 1, ""},
      {"truncated picture", kHeader + full + "FRAME\n" + picture('c').substr(0, 10),
       Container::kAuto, 1, "truncated input: picture 2 has 10 of its 48 bytes"},
      {"header without data", kHeader + full + "FRAME\n", Container::kAuto, 1,
       "picture 2 has a FRAME header but no data"},
      {"bad frame marker", kHeader + full + "FRAMX\n" + picture('d'), Container::kAuto, 1,
       "frame 2 does not start with FRAME"},
      {"cut inside frame header", kHeader + full + "FRA", Container::kAuto, 1,
       "ends inside a header line"},
      {"cut inside stream header", "YUV4MPEG2 W8 H4", Container::kAuto, 0,
       "ends inside a header line"},
      {"endless header", "YUV4MPEG2 W8 H4 " + std::string(5000, 'X') + "\n", Container::kAuto, 0,
       "longer than 4096"},
      {"empty y4m", "", Container::kY4m, 0, "empty input"},
      {"not y4m at all", "hello world\n", Container::kY4m, 0, "does not start with YUV4MPEG2"},
      {"unsupported chroma", "YUV4MPEG2 W8 H4 C444\n", Container::kAuto, 0, "'444' is not"},
      {"raw, whole pictures", picture('e') + picture('f'), Container::kRaw, 2, ""},
      {"raw, cut short", picture('e') + picture('f').substr(0, 47), Container::kRaw, 1,
       "truncated input: picture 2 has 47 of its 48 bytes"},
      {"png that is not one", "\x89PNG\r\n\x1a\n garbage", Container::kAuto, 0,
       "not a readable PNG"},
  };
  TempDir dir;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = dir / "input.bin";
    pfct::write_file(path, row.bytes);
    InputOptions opts;
    opts.path = path;
    opts.container = row.container;
    if (row.container == Container::kRaw) opts.size = Size{kW, kH};
    const ReadOutcome r = read_all(opts);
    EXPECT_EQ(r.pictures, row.good_pictures);
    if (row.message_part.empty()) {
      EXPECT_EQ(r.error, "");
    } else {
      EXPECT_NE(r.error.find(row.message_part), std::string::npos) << r.error;
    }
  }
}

TEST(Readers, ContainerIsSniffedBeforeTheNameIsTrusted) {
  TempDir dir;
  // A y4m stream under a raw-looking name, read through a pipe-like stream without a name.
  const std::string stream = kHeader + "FRAME\n" + picture('a');
  pfct::write_file(dir / "clip.dat", stream);
  InputOptions opts;
  opts.path = dir / "clip.dat";
  auto reader = open_reader(opts);
  EXPECT_EQ(reader->container(), Container::kY4m);
  EXPECT_EQ(reader->format().width, kW);
  EXPECT_EQ(reader->frame_count(), 1u);  // counted from the file size, for progress and previews

  std::FILE* pipe = fmemopen(const_cast<char*>(stream.data()), stream.size(), "rb");
  ASSERT_NE(pipe, nullptr);
  auto piped =
      open_reader(std::make_unique<InputFile>(pipe, "standard input", true), InputOptions{});
  EXPECT_EQ(piped->container(), Container::kY4m);
  EXPECT_EQ(piped->frame_count(), std::nullopt);
  std::vector<uint8_t> buf(kFrame);
  EXPECT_TRUE(piped->read(buf.data()));
  EXPECT_EQ(buf[0], 'a');
  EXPECT_FALSE(piped->read(buf.data()));

  // Raw input says nothing about itself: without -s it cannot be read.
  pfct::write_file(dir / "clip.yuv", picture('z'));
  opts.path = dir / "clip.yuv";
  EXPECT_THROW(open_reader(opts), UsageError);
  opts.size = Size{kW, kH};
  opts.fmt = find_pix_fmt("nv12");
  auto raw = open_reader(opts);
  EXPECT_EQ(raw->format().fmt, find_pix_fmt("nv12"));
  EXPECT_EQ(raw->frame_count(), 1u);
}

TEST(Readers, CommandLineMustAgreeWithTheStream) {
  TempDir dir;
  pfct::write_file(dir / "in.y4m", kHeader + "FRAME\n" + picture('a'));
  InputOptions opts;
  opts.path = dir / "in.y4m";
  opts.size = Size{kW, kH};
  opts.fmt = find_pix_fmt("yuv420p");
  opts.layout = PF_IMAGE_FIELD;
  auto reader = open_reader(opts);
  EXPECT_EQ(reader->format().layout, PF_IMAGE_FIELD);  // storage may be overridden
  opts.size = Size{16, 4};
  EXPECT_THROW(open_reader(opts), UsageError);
  opts.size.reset();
  opts.fmt = find_pix_fmt("yuv422p");
  EXPECT_THROW(open_reader(opts), UsageError);
}

TEST(Writers, Y4mStreamAndPngFiles) {
  if (!png_available()) GTEST_SKIP() << "this build has no libpng";
  TempDir dir;
  VideoFormat f;
  f.width = kW;
  f.height = kH;
  f.fmt = find_pix_fmt("yuv420p");
  f.layout = PF_IMAGE_INTERLACED;
  f.field_order = 'b';
  const std::string a = picture('a'), b = picture('b');
  {
    auto w = open_writer(dir / "out.y4m", Container::kAuto, f);
    w->write(reinterpret_cast<const uint8_t*>(a.data()));
    w->write(reinterpret_cast<const uint8_t*>(b.data()));
    w->finish();
  }
  const std::vector<uint8_t> bytes = pfct::read_file(dir / "out.y4m");
  const std::string expected =
      "YUV4MPEG2 W8 H4 F25:1 Ib A0:0 C420jpeg XYSCSS=420JPEG\nFRAME\n" + a + "FRAME\n" + b;
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);

  // One PNG per picture with a pattern; a plain name takes the first picture only.
  VideoFormat rgb = f;
  rgb.fmt = &rgb24();
  rgb.layout = PF_IMAGE_FRAME;
  std::vector<uint8_t> pixels(static_cast<size_t>(kW * kH * 3));
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 7);
  auto seq = open_writer(dir / "f%02d.png", Container::kAuto, rgb);
  seq->write(pixels.data());
  seq->write(pixels.data());
  EXPECT_TRUE(seq->wants_more());
  auto single = open_writer(dir / "one.png", Container::kAuto, rgb);
  EXPECT_TRUE(single->wants_more());
  single->write(pixels.data());
  EXPECT_FALSE(single->wants_more());

  InputOptions opts;
  opts.path = dir / "f%02d.png";
  auto reader = open_reader(opts);
  std::vector<uint8_t> back(pixels.size());
  int count = 0;
  while (reader->read(back.data())) {
    EXPECT_EQ(back, pixels);
    ++count;
  }
  EXPECT_EQ(count, 2);
}

TEST(Png, RoundTripKeepsEverySample) {
  if (!png_available()) GTEST_SKIP() << "this build has no libpng";
  std::vector<uint8_t> rgb(5 * 3 * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 37 + 11);
  const RgbImage back = decode_png(encode_png(rgb.data(), 5, 3), "mem");
  EXPECT_EQ(back.width, 5);
  EXPECT_EQ(back.height, 3);
  EXPECT_EQ(back.rgb, rgb);
  EXPECT_THROW(decode_png(std::vector<uint8_t>{1, 2, 3}, "mem"), CliError);
}

TEST(NamePatterns, NumbersAndLiterals) {
  struct Row {
    const char* pattern;
    uint64_t n;
    const char* expected;
  };
  for (const Row& r : {Row{"out%03d.png", 7, "out007.png"}, Row{"f%d.png", 12, "f12.png"},
                       Row{"a%%b%2d.png", 3, "a%b 3.png"}, Row{"plain.png", 9, "plain.png"},
                       Row{"x%03d.png", 12345, "x12345.png"}}) {
    EXPECT_EQ(expand_pattern(r.pattern, r.n), r.expected) << r.pattern;
  }
  EXPECT_FALSE(has_pattern("100%%.png"));
  for (const char* bad : {"x%s.png", "%d%d.png", "x%", "x%05.png", "%-3d.png"}) {
    EXPECT_THROW(expand_pattern(bad, 1), UsageError) << bad;
  }
}

}  // namespace
}  // namespace pf::cli
