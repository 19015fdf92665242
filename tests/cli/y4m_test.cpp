// SPDX-License-Identifier: BSD-2-Clause
// y4m headers as ffmpeg and other tools write them, and the headers pelforge writes.
#include "y4m.hpp"

#include <gtest/gtest.h>

#include <string>

#include "cli_error.hpp"

namespace pf::cli {
namespace {

TEST(Y4mHeader, ParsesRealHeaders) {
  struct Row {
    const char* line;
    int w, h;
    Rational fps, sar;
    const char* fmt;
    uint32_t layout;
    char field_order;
  };
  const Row rows[] = {
      {"YUV4MPEG2 W720 H576 F25:1 It A16:15 C420jpeg XYSCSS=420JPEG",
       720,
       576,
       {25, 1},
       {16, 15},
       "yuv420p",
       PF_IMAGE_INTERLACED,
       't'},
      {"YUV4MPEG2 W720 H480 F30000:1001 Ib A10:11 C420mpeg2 XYSCSS=420MPEG2",
       720,
       480,
       {30000, 1001},
       {10, 11},
       "yuv420p",
       PF_IMAGE_INTERLACED,
       'b'},
      {"YUV4MPEG2 W352 H288 F25:1 Ip A0:0 C420paldv XYSCSS=420PALDV",
       352,
       288,
       {25, 1},
       {0, 0},
       "yuv420p",
       PF_IMAGE_FRAME,
       't'},
      {"YUV4MPEG2 W1920 H1080 F50:1 Ip A1:1 C422 XYSCSS=422",
       1920,
       1080,
       {50, 1},
       {1, 1},
       "yuv422p",
       PF_IMAGE_FRAME,
       't'},
      {"YUV4MPEG2 W176 H144 F15:1 Im C420",
       176,
       144,
       {15, 1},
       {0, 0},
       "yuv420p",
       PF_IMAGE_FRAME,
       't'},
      // Only W and H are required; F0:0 is "unknown" and keeps the default rate.
      {"YUV4MPEG2 W64 H32", 64, 32, {25, 1}, {0, 0}, "yuv420p", PF_IMAGE_FRAME, 't'},
      {"YUV4MPEG2  H32  W64 F0:0 I? Zfuture",
       64,
       32,
       {25, 1},
       {0, 0},
       "yuv420p",
       PF_IMAGE_FRAME,
       't'},
      {"YUV4MPEG2 W64 H32 Ip XPFLAYOUT=field",
       64,
       32,
       {25, 1},
       {0, 0},
       "yuv420p",
       PF_IMAGE_FIELD,
       't'},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.line);
    const VideoFormat f = parse_y4m_header(r.line);
    EXPECT_EQ(f.width, r.w);
    EXPECT_EQ(f.height, r.h);
    EXPECT_EQ(f.fps, r.fps);
    EXPECT_EQ(f.sar, r.sar);
    EXPECT_STREQ(f.fmt->name, r.fmt);
    EXPECT_EQ(f.layout, r.layout);
    if (r.layout == PF_IMAGE_INTERLACED) {
      EXPECT_EQ(f.field_order, r.field_order);
    }
  }
}

TEST(Y4mHeader, RefusesWhatItCannotCarry) {
  struct Row {
    const char* line;
    const char* message_part;
  };
  const Row rows[] = {
      {"YUV4MPEG W720 H576", "does not start with YUV4MPEG2"},
      {"YUV4MPEG2X W720 H576", "does not start with YUV4MPEG2"},
      {"RIFF", "does not start with YUV4MPEG2"},
      {"YUV4MPEG2 W720", "W and H parameters are required"},
      {"YUV4MPEG2 W0 H576", "'W0' is not a width"},
      {"YUV4MPEG2 W720 H-2", "is not a height"},
      {"YUV4MPEG2 Wabc H576", "is not a width"},
      {"YUV4MPEG2 W720 H576 F25", "is not a frame rate"},
      {"YUV4MPEG2 W720 H576 A16", "is not an aspect ratio"},
      {"YUV4MPEG2 W720 H576 Ix", "is not one of Ip"},
      {"YUV4MPEG2 W720 H576 Itb", "is not an interlace flag"},
      {"YUV4MPEG2 W720 H576 C444", "chroma format '444' is not supported"},
      {"YUV4MPEG2 W720 H576 C420p10 XYSCSS=420P10", "'420p10' is not supported"},
      {"YUV4MPEG2 W720 H576 Cmono", "'mono' is not supported"},
      {"YUV4MPEG2 W100000 H100000", "larger than pelforge handles"},
  };
  for (const Row& r : rows) {
    try {
      parse_y4m_header(r.line);
      ADD_FAILURE() << "accepted: " << r.line;
    } catch (const CliError& e) {
      EXPECT_NE(std::string(e.what()).find(r.message_part), std::string::npos)
          << r.line << " -> " << e.what();
    }
  }
}

TEST(Y4mHeader, FrameHeadersMayCarryParameters) {
  EXPECT_NO_THROW(check_y4m_frame_header("FRAME", 0));
  EXPECT_NO_THROW(check_y4m_frame_header("FRAME Ixyz XFOO=1", 3));
  for (const char* bad : {"", "FRAM", "FRAMES", "frame", "YUV4MPEG2 W2 H2"}) {
    EXPECT_THROW(check_y4m_frame_header(bad, 4), CliError) << bad;
  }
  try {
    check_y4m_frame_header("JUNK", 4);
  } catch (const CliError& e) {
    EXPECT_NE(std::string(e.what()).find("frame 5"), std::string::npos) << e.what();
  }
}

TEST(Y4mHeader, WritesWhatItReadsBack) {
  struct Row {
    const char* read;
    const char* written;
  };
  const Row rows[] = {
      {"YUV4MPEG2 W720 H576 F25:1 It A16:15 C420jpeg XYSCSS=420JPEG",
       "YUV4MPEG2 W720 H576 F25:1 It A16:15 C420jpeg XYSCSS=420JPEG\n"},
      {"YUV4MPEG2 W720 H480 F30000:1001 Ib A0:0 C420mpeg2 XYSCSS=420MPEG2 XCOLORRANGE=LIMITED",
       "YUV4MPEG2 W720 H480 F30000:1001 Ib A0:0 C420mpeg2 XYSCSS=420MPEG2 XCOLORRANGE=LIMITED\n"},
      {"YUV4MPEG2 W64 H32 C422", "YUV4MPEG2 W64 H32 F25:1 Ip A0:0 C422 XYSCSS=422\n"},
      {"YUV4MPEG2 W64 H32 C420", "YUV4MPEG2 W64 H32 F25:1 Ip A0:0 C420 XYSCSS=420JPEG\n"},
      {"YUV4MPEG2 W64 H32 XPFLAYOUT=field",
       "YUV4MPEG2 W64 H32 F25:1 Ip A0:0 C420jpeg XYSCSS=420JPEG XPFLAYOUT=field\n"},
  };
  for (const Row& r : rows) {
    const std::string written = format_y4m_header(parse_y4m_header(r.read));
    EXPECT_EQ(written, r.written) << r.read;
    EXPECT_EQ(format_y4m_header(parse_y4m_header(written.substr(0, written.size() - 1))), written);
  }
  VideoFormat nv12 = parse_y4m_header("YUV4MPEG2 W64 H32");
  nv12.fmt = find_pix_fmt("nv12");
  EXPECT_THROW(format_y4m_header(nv12), UsageError);
}

}  // namespace
}  // namespace pf::cli
