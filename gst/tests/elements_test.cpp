// SPDX-License-Identifier: BSD-2-Clause
// The elements in pipelines: each makes the bytes the pelforge command line makes from the same
// pictures; every pair of the scaler's formats negotiates; refusals come as bus errors with the
// module's code and name; interlace metadata follows the pictures.
#include <gst/gst.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gst_support.hpp"

namespace {

using pfgst_test::cli;
using pfgst_test::run;
using pfgst_test::temp_path;

struct Source {
  std::string format;  // GStreamer name
  int width, height;
  bool interlaced = false;
};

std::string cli_format(const std::string& gst) {
  if (gst == "I420") return "yuv420p";
  if (gst == "Y42B") return "yuv422p";
  if (gst == "NV12") return "nv12";
  if (gst == "NV21") return "nv21";
  if (gst == "YUY2") return "yuyv422";
  return "uyvy422";
}

std::string size_text(int w, int h) { return std::to_string(w) + "x" + std::to_string(h); }

// Three pictures of videotestsrc's moving ball (each run draws the same ones).
std::string source(const Source& s, int frames = 3) {
  std::string d = "videotestsrc num-buffers=" + std::to_string(frames) +
                  " pattern=ball ! video/x-raw,format=" + s.format +
                  ",width=" + std::to_string(s.width) + ",height=" + std::to_string(s.height) +
                  ",framerate=25/1";
  if (s.interlaced) d += " ! capssetter caps=video/x-raw,interlace-mode=interleaved";
  return d;
}

// The source's pictures as a raw file, and the command line's description of it.
std::string raw_input(const Source& s, const std::string& name) {
  pfgst_test::RunResult in = run(source(s));
  EXPECT_EQ(in.error, "") << name;
  const std::string path = temp_path(name + "_in.yuv");
  pfgst_test::write_file(path, in.bytes());
  return "-s " + size_text(s.width, s.height) + " -pix_fmt " + cli_format(s.format) +
         (s.interlaced ? " --in-layout interlaced " : " ") + path;
}

// Runs `pipeline` and the command line `command` (with -o added): `frames` pictures of the
// same bytes. The pipeline's run, for more checks.
pfgst_test::RunResult expect_cli_bytes(const std::string& pipeline, size_t frames,
                                       const std::string& command) {
  pfgst_test::RunResult out = run(pipeline);
  EXPECT_EQ(out.error, "");
  EXPECT_EQ(out.frames.size(), frames);
  const std::string expected = temp_path("cli.yuv");
  EXPECT_EQ(cli(command + " -o " + expected), 0) << command;
  EXPECT_TRUE(out.bytes() == pfgst_test::read_file(expected)) << command;
  return out;
}

const Source kI420{"I420", 320, 240}, kNv12{"NV12", 320, 240}, kUyvy{"UYVY", 320, 240},
    kInterlaced{"I420", 320, 240, true};
// 180 and 90 are not multiples of 4: GStreamer pads the rows of these pictures.
const Source kPadded{"I420", 180, 120}, kPaddedUyvy{"UYVY", 180, 120};

struct Row {
  Source in;
  const char* element;   // the element and its properties, then output caps if any
  const char* command;   // the command line's verb, then its options after the input
  const char* caps_has;  // text the negotiated output caps hold
};

const Row kRows[] = {
    {kI420, "pfscale ! video/x-raw,format=UYVY,width=176,height=144",
     "resize -s 176x144 -pix_fmt uyvy422", "UYVY"},
    {kNv12, "pfscale ! video/x-raw,format=YUY2,width=160,height=120",
     "resize -s 160x120 -pix_fmt yuyv422", "YUY2"},
    {kI420, "pfscale method=nearest ! video/x-raw,width=200,height=100",
     "resize -s 200x100 --nearest", "I420"},
    {kI420, "pfscale add-borders=true fill-color=0x2080C0 ! video/x-raw,width=320,height=120",
     "resize -s 320x120 --fill 0,0,80,80 --fill-color 32,128,192",
     "pixel-aspect-ratio=(fraction)1/1"},
    {kInterlaced, "pfscale ! video/x-raw,width=176,height=120", "resize -s 176x120",
     "interlace-mode=(string)interleaved"},
    {kPadded, "pfscale ! video/x-raw,format=NV12,width=90,height=60",
     "resize -s 90x60 -pix_fmt nv12", "NV12"},
    {kI420, "pfdenoise strength=5", "denoise --strength 5", "I420"},
    {kPadded, "pfdenoise", "denoise", "I420"},
    {kPadded, "pfsharpen strength=96", "sharpen --strength 96", "I420"},
    {kI420, "pfblur level=4 limit=12", "blur --level 4 --limit 12", "I420"},
    {kInterlaced, "pfdeinterlace mode=3", "deinterlace --mode 3",
     "interlace-mode=(string)progressive"},
    {kInterlaced, "pfdeinterlace mode=0", "deinterlace --mode 0", "progressive"},
    {kI420, "pfdeblock quantiser=12", "deblock --qp 12", "I420"},
    {kI420, "pfdering quantiser=20", "dering --qp 20", "I420"},
    {kI420, "pfbanner boxes=\"0,180,320,40,16,32,160,160;-8,-8,60,40,255,255,0\"",
     "banner --box 0,180,320,40,16,32,160,160 --box -8,-8,60,40,255,255,0", "I420"},
    {kUyvy, "pfbanner boxes=100,100,300,300,0,0,255,100",
     "banner --box 100,100,300,300,0,0,255,100", "UYVY"},
    {kI420, "pfmosaic windows=\"40,40,120,80,16;0,200,320,40,8\"",
     "mosaic --window 40,40,120,80,16 --window 0,200,320,40,8", "I420"},
    {kPaddedUyvy, "pfmosaic windows=10,10,64,64,12", "mosaic --window 10,10,64,64,12", "UYVY"},
};

TEST(Elements, MakeTheCommandLinesBytes) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.element);
    std::string command = row.command;
    const size_t verb_end = std::min(command.find(' '), command.size());
    command.insert(verb_end, " " + raw_input(row.in, "row"));
    const pfgst_test::RunResult out =
        expect_cli_bytes(source(row.in) + " ! " + row.element, 3, command);
    EXPECT_NE(out.caps.find(row.caps_has), std::string::npos) << out.caps;
  }
}

TEST(Elements, PatternSourceMakesTheCommandLinesPictures) {
  const struct {
    const char* element;
    const char* pattern;
  } rows[] = {
      {"kind=testcard", "--kind testcard"},
      {"kind=testcard ! video/x-raw,interlace-mode=interleaved", "--kind testcard --interlaced"},
      {"kind=bars2 ! video/x-raw,format=UYVY,width=352,height=288",
       "--kind bars2 -s 352x288 -pix_fmt uyvy422"},
      {"kind=solid color=0x1020C8 ! video/x-raw,width=180,height=120",
       "--kind colour=16,32,200 -s 180x120"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.element);
    expect_cli_bytes(std::string("pfpatternsrc num-buffers=2 ") + r.element, 2,
                     std::string("pattern ") + r.pattern + " -frames 2 -f yuv");
  }
}

// Every input format to every output format, scaled; the same through the command line.
TEST(Elements, ScalerNegotiatesEveryFormatPair) {
  const char* formats[] = {"I420", "Y42B", "NV12", "NV21", "YUY2", "UYVY"};
  for (const char* from : formats) {
    const Source in{from, 96, 64};
    const std::string input = raw_input(in, std::string("pair_") + from);
    for (const char* to : formats) {
      SCOPED_TRACE(std::string(from) + " -> " + to);
      expect_cli_bytes(
          source(in, 2) + " ! pfscale ! video/x-raw,format=" + to + ",width=64,height=48", 2,
          "resize " + input + " -frames 2 -s 64x48 -pix_fmt " + cli_format(to));
    }
  }
}

// Refusals end the pipeline with an error on the bus: a module's carries its code and name.
TEST(Elements, RefusalsArePostedWithTheModulesCode) {
  const std::string src = "videotestsrc num-buffers=2 ! video/x-raw,format=I420,",
                    i420 = src + "width=320,height=240 ! ";
  const struct {
    std::string pipeline;
    guint code;          // 0: not a module's refusal
    const char* naming;  // in the error's name (module) or text (other)
  } rows[] = {
      {i420 + "capssetter caps=video/x-raw,interlace-mode=interleaved ! pfscale method=nearest ! "
              "video/x-raw,width=160,height=120",
       0xC6A00021u, "ERR_IMG_RESIZER_420TO420_YUVTYPE_ILLEGAL"},
      {i420 + "pfmosaic windows=300,0,100,100,8", 0, "ERR_IMG_MOSAIC"},
      {i420 + "pfbanner boxes=1,2,3", 0, "boxes"},
      {i420 + "pflogo location=/nonexistent/logo.png", 0, "cannot read the logo"},
      {"pfmerge name=m style=8 ! video/x-raw,width=352,height=288 ! appsink name=out " + src +
           "width=176,height=144 ! m.",
       0, "ERR_IMG_MERGE_BG_STYLE"},
      {i420 + "pfmotion areas=0,0,400,100", 0, "ERR_IMG_MOTIONSURVEIL"},
      // Caps the modules cannot serve never reach them: sizes, steps and formats.
      {src + "width=2200,height=240 ! pfsharpen", 0, "not-negotiated"},
      {src + "width=324,height=240 ! capssetter caps=video/x-raw,interlace-mode=interleaved ! "
             "pfdeinterlace",
       0, "not-negotiated"},
      {src + "width=324,height=240 ! pflogo", 0, "not-negotiated"},
      {"videotestsrc num-buffers=2 ! video/x-raw,format=NV12,width=320,height=240 ! pfdenoise", 0,
       "not-negotiated"},
      {i420 + "pfscale ! video/x-raw,width=161,height=120", 0, "not-negotiated"},
      {"pfpatternsrc kind=testcard num-buffers=2 ! video/x-raw,width=352,height=288", 0,
       "not-negotiated"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.pipeline);
    pfgst_test::RunResult out = run(r.pipeline);
    ASSERT_NE(out.error, "");
    const GstStructure* d = out.error_details.get();
    const char* name = d != nullptr ? gst_structure_get_string(d, "pelforge-error") : nullptr;
    guint code = 0;
    if (d != nullptr) gst_structure_get_uint(d, "pelforge-code", &code);
    if (std::string(r.naming).rfind("ERR_IMG_", 0) == 0) {
      ASSERT_NE(name, nullptr) << out.error;
      EXPECT_NE(std::string(name).find(r.naming), std::string::npos) << name;
      if (r.code != 0) {
        EXPECT_EQ(code, r.code);
      }
      EXPECT_NE(out.error.find(name), std::string::npos) << out.error;
    } else if (std::string(r.naming) == "not-negotiated") {
      EXPECT_EQ(name, nullptr);
      EXPECT_EQ(out.frames.size(), 0u);
    } else {
      EXPECT_NE(out.error.find(r.naming), std::string::npos) << out.error;
    }
  }
}

// Deinterlaced pictures leave without the interlace flags; scaled interlaced ones keep them.
TEST(Elements, InterlaceFlagsFollowThePictures) {
  const std::string interlaced =
      "pfpatternsrc num-buffers=2 kind=bars ! video/x-raw,width=320,height=240,"
      "interlace-mode=interleaved ! ";
  pfgst_test::RunResult scaled = run(interlaced + "pfscale ! video/x-raw,width=160,height=120");
  pfgst_test::RunResult progressive = run(interlaced + "pfdeinterlace");
  ASSERT_EQ(scaled.error, "");
  ASSERT_EQ(progressive.error, "");
  ASSERT_EQ(scaled.buffer_flags.size(), 2u);
  ASSERT_EQ(progressive.buffer_flags.size(), 2u);
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(scaled.buffer_flags[i] & GST_VIDEO_BUFFER_FLAG_INTERLACED);
    EXPECT_TRUE(scaled.buffer_flags[i] & GST_VIDEO_BUFFER_FLAG_TFF);
    EXPECT_FALSE(progressive.buffer_flags[i] & GST_VIDEO_BUFFER_FLAG_INTERLACED);
  }
}

// A 64x32 logo: a colour ramp with a 16x8 hole (at 2x2-aligned places) the logo leaves clear.
struct Logo {
  static constexpr int kW = 64, kH = 32;
  static bool hole(int x, int y) { return x >= 24 && x < 40 && y >= 12 && y < 20; }
  static void rgb(int x, int y, uint8_t& r, uint8_t& g, uint8_t& b) {
    r = static_cast<uint8_t>(x * 4), g = static_cast<uint8_t>(255 - y * 8), b = 96;
  }
};

void put(std::vector<uint8_t>& b, size_t at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i)
    b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

// The logo as a 24-bit bitmap, the hole in the key colour magenta.
std::string write_bmp() {
  const size_t row = Logo::kW * 3;
  std::vector<uint8_t> b(54 + row * Logo::kH, 0);
  b[0] = 'B', b[1] = 'M';
  put(b, 2, static_cast<uint32_t>(b.size()), 4);
  put(b, 10, 54, 4);
  put(b, 14, 40, 4);
  put(b, 18, Logo::kW, 4);
  put(b, 22, Logo::kH, 4);
  put(b, 26, 1, 2);
  put(b, 28, 24, 2);
  for (int y = 0; y < Logo::kH; ++y) {
    for (int x = 0; x < Logo::kW; ++x) {
      uint8_t r = 255, g = 0, bl = 255;
      if (!Logo::hole(x, y)) Logo::rgb(x, y, r, g, bl);
      uint8_t* p =
          &b[54 + static_cast<size_t>(Logo::kH - 1 - y) * row + static_cast<size_t>(x) * 3];
      p[0] = bl, p[1] = g, p[2] = r;
    }
  }
  const std::string path = temp_path("logo.bmp");
  pfgst_test::write_file(path, b);
  return path;
}

// The same logo as a PNG whose hole is transparent by its alpha channel.
std::string write_png() {
  std::vector<uint8_t> rgba(static_cast<size_t>(Logo::kW) * Logo::kH * 4);
  for (int y = 0; y < Logo::kH; ++y) {
    for (int x = 0; x < Logo::kW; ++x) {
      uint8_t* p = &rgba[(static_cast<size_t>(y) * Logo::kW + static_cast<size_t>(x)) * 4];
      Logo::rgb(x, y, p[0], p[1], p[2]);
      p[3] = Logo::hole(x, y) ? 0 : 255;
    }
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = Logo::kW;
  image.height = Logo::kH;
  image.format = PNG_FORMAT_RGBA;
  const std::string path = temp_path("logo.png");
  EXPECT_NE(png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr), 0);
  return path;
}

// A bitmap logo and a PNG one, in 4:2:0 and packed 4:2:2: the logo verb's pictures. In the
// 4:2:0 bitmap case, opaque samples are the logo's luma (255/256 of it, the blend with alpha 0),
// the hole and the rest of the picture stay.
TEST(Elements, LogoMakesTheCommandLinesPictures) {
  const std::string bmp = write_bmp(), png = write_png();
  for (const char* format : {"I420", "UYVY"}) {
    const Source in{format, 320, 240};
    const std::string input = raw_input(in, std::string("logo_") + format);
    for (const std::string& logo : {bmp, png}) {
      SCOPED_TRACE(std::string(format) + " " + logo);
      expect_cli_bytes(source(in) + " ! pflogo x=32 y=16 location=" + logo, 3,
                       "logo " + input + " -i " + logo + " --at 32,16");
    }
  }
  const Source in{"I420", 320, 240};
  pfgst_test::RunResult background = run(source(in));
  pfgst_test::RunResult out = run(source(in) + " ! pflogo x=32 y=16 location=" + bmp);
  ASSERT_EQ(out.frames.size(), background.frames.size());
  for (size_t f = 0; f < out.frames.size(); ++f) {
    int wrong = 0;
    for (int y = 0; y < in.height; ++y) {
      for (int x = 0; x < in.width; ++x) {
        const size_t at =
            static_cast<size_t>(y) * static_cast<size_t>(in.width) + static_cast<size_t>(x);
        const int lx = x - 32, ly = y - 16;
        int want = background.frames[f][at];
        if (lx >= 0 && lx < Logo::kW && ly >= 0 && ly < Logo::kH && !Logo::hole(lx, ly)) {
          uint8_t r, g, b;
          Logo::rgb(lx, ly, r, g, b);
          want = (255 * ((76 * r + 150 * g + 29 * b + 128) >> 8)) >> 8;
        }
        wrong += out.frames[f][at] != want;
      }
    }
    EXPECT_EQ(wrong, 0) << "picture " << f;
  }
}

// Four videotestsrc patterns into a merge; three of another size scaled into a nine-window style
// with one pad placed by its window property; pictures of two sizes through merge with zoom, a
// focus frame and a pad's own zoom style: the command line's walls.
TEST(Elements, MergeComposesTheCommandLinesWall) {
  const struct {
    const char* element;  // with its pad properties
    std::vector<std::pair<int, int>> inputs;
    const char* verb;  // and the command line's options
  } rows[] = {
      {"pfmerge style=5 sink_0::focus=true",
       {{352, 288}, {352, 288}, {352, 288}, {352, 288}},
       "merge --style four --focus 1 -s 720x576"},
      {"pfmerge style=10 background=0x204060 boundary-width=6 sink_2::window=5",
       {{320, 240}, {320, 240}, {320, 240}},
       "merge --style nine --scale --empty 3,4 --background 32,64,96 --boundary-width 6 "
       "-s 720x576"},
      {"pfmergezoom draw-lines=true sink_1::focus=true sink_2::zoom=3 ! "
       "video/x-raw,width=1280,height=720",
       {{320, 240}, {352, 288}, {320, 240}},
       "mergezoom --lines --layout LAYOUT -s 1280x720"},
  };
  const std::string layout = temp_path("layout.txt");
  const std::string lines =
      "0 0 1/2 1/2\n1/2 0 1/2 1/2 fit focus\n0 1/2 1/2 1/2 fill\n1/2 1/2 1/2 1/2\n";
  pfgst_test::write_file(layout, std::vector<uint8_t>(lines.begin(), lines.end()));
  const char* patterns[] = {"smpte", "ball", "snow", "pinwheel"};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.element);
    std::string element = r.element;
    const size_t caps = element.find(" ! ");
    element.insert(caps == std::string::npos ? element.size() : caps, " name=m");
    std::string pipeline = element + " ! appsink name=out";
    std::string inputs;
    for (size_t i = 0; i < r.inputs.size(); ++i) {
      const auto [w, h] = r.inputs[i];
      const std::string src = "videotestsrc num-buffers=3 pattern=" + std::string(patterns[i]) +
                              " ! video/x-raw,format=I420,width=" + std::to_string(w) +
                              ",height=" + std::to_string(h) + ",framerate=25/1";
      pfgst_test::RunResult in = run(src);
      ASSERT_EQ(in.error, "");
      const std::string path = temp_path("merge_in" + std::to_string(i) + ".yuv");
      pfgst_test::write_file(path, in.bytes());
      inputs += " -s " + size_text(w, h) + " " + path;
      pipeline += " " + src + " ! m.sink_" + std::to_string(i);
    }
    std::string verb = r.verb;
    verb.insert(verb.find(' '), inputs);
    if (const size_t l = verb.find("LAYOUT"); l != std::string::npos) verb.replace(l, 6, layout);
    expect_cli_bytes(pipeline, 3, verb);
  }
}

// Still grey pictures, then a bright block appears in the right half at picture 4 and stays: the
// block is reported on the two pictures where it appears and settles (then it is still), in
// area 2 only, as the command line reports it.
TEST(Elements, MotionIsPostedAtTheFrameItHappens) {
  const int w = 320, h = 240;
  std::vector<uint8_t> clip;
  for (int f = 0; f < 8; ++f) {
    std::vector<uint8_t> picture(static_cast<size_t>(w * h * 3 / 2), 128);
    std::fill_n(picture.begin(), w * h, uint8_t{100});
    for (int y = 100; f >= 4 && y < 164; ++y) {
      std::fill_n(picture.begin() + y * w + 200, 64, uint8_t{220});
    }
    clip.insert(clip.end(), picture.begin(), picture.end());
  }
  const std::string path = temp_path("motion.yuv");
  pfgst_test::write_file(path, clip);
  pfgst_test::RunResult out =
      run("filesrc location=" + path +
          " ! rawvideoparse width=320 height=240 format=i420 framerate=25/1 ! "
          "pfmotion areas=\"0,0,160,240;160,0,160,240\"");
  ASSERT_EQ(out.error, "");
  ASSERT_EQ(out.frames.size(), 8u);
  EXPECT_TRUE(out.bytes() == clip);  // the pictures pass unchanged
  std::string posted;
  for (const auto& message : out.element_messages) {
    const GstStructure* s = message.get();
    if (!gst_structure_has_name(s, "pelforge-motion")) continue;
    guint64 frame = 0;
    gst_structure_get_uint64(s, "frame", &frame);
    const GValue* areas = gst_structure_get_value(s, "areas");
    posted += "{\"frame\":" + std::to_string(frame) + ",\"alarm\":true,\"areas\":[";
    for (guint i = 0; areas != nullptr && i < gst_value_array_get_size(areas); ++i) {
      posted +=
          (i ? "," : "") + std::to_string(g_value_get_int(gst_value_array_get_value(areas, i)));
    }
    posted += "]}\n";
  }
  EXPECT_EQ(posted,
            "{\"frame\":4,\"alarm\":true,\"areas\":[2]}\n"
            "{\"frame\":5,\"alarm\":true,\"areas\":[2]}\n");
  std::string reported;
  const std::string lines = pfgst_test::cli_output(
      "motion -s 320x240 " + path + " --area 0,0,160,240 --area 160,0,160,240 --json");
  for (size_t at = 0, end; (end = lines.find('\n', at)) != std::string::npos; at = end + 1) {
    const std::string line = lines.substr(at, end - at + 1);
    if (line.find("\"alarm\":true") != std::string::npos) reported += line;
  }
  EXPECT_EQ(posted, reported);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Listing the tests needs no plugin registry (ctest lists them without the test environment).
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  // The plugin of this build, a registry of its own, and scanning in this process: GStreamer's
  // separate scanner could not load a plugin built with the sanitizers.
  setenv("GST_PLUGIN_PATH", PF_GST_PLUGIN_DIR, 1);
  setenv("GST_REGISTRY", PF_GST_REGISTRY, 1);
  setenv("GST_REGISTRY_FORK", "no", 1);
  gst_init(&argc, &argv);
  const int status = RUN_ALL_TESTS();
  gst_deinit();
  return status;
}
