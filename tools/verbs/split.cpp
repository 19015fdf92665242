// SPDX-License-Identifier: BSD-2-Clause
// split, and the demo jobs of the zoom, conversion and split modules.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cli_error.hpp"
#include "demo.hpp"
#include "img_yuv422toyuv420_d1split.h"
#include "modules.hpp"
#include "pipeline.hpp"
#include "verbs.hpp"
#include "verbs/stream_verb.hpp"
#include "verbs/zoom_stages.hpp"

namespace pf::cli {
namespace {

constexpr int kQuarterWidth = 352;

// "q%d.yuv" with the picture's number; also "%0Nd" as ffmpeg's image names have it.
std::string expand_pattern(const std::string& pattern, int index) {
  const size_t at = pattern.find('%');
  if (at == std::string::npos) return pattern;
  size_t end = at + 1;
  int width = 0;
  while (end < pattern.size() && pattern[end] >= '0' && pattern[end] <= '9') {
    width = std::min(width * 10 + (pattern[end] - '0'), 16);
    ++end;
  }
  std::string number = std::to_string(index);
  if (number.size() < static_cast<size_t>(width)) {
    number.insert(0, static_cast<size_t>(width) - number.size(), '0');
  }
  return pattern.substr(0, at) + number + pattern.substr(end + 1);
}

bool is_pattern(const std::string& path) {
  const size_t at = path.find('%');
  if (at == std::string::npos || path.find('%', at + 1) != std::string::npos) return false;
  size_t end = at + 1;
  while (end < path.size() && path[end] >= '0' && path[end] <= '9') ++end;
  return end < path.size() && path[end] == 'd';
}

tYUV422ToYUV420D1To4xCifParam split_param(int height) {
  tYUV422ToYUV420D1To4xCifParam p{};
  p.s32SrcWidth = 720;
  p.s32SrcHeight = height;
  for (auto& d : p.atDst) d = {kQuarterWidth, height / 2};
  return p;
}

// The four pictures side by side, two above two: what the previews show.
VideoFormat mosaic_format(const VideoFormat& quarter) {
  VideoFormat m = quarter;
  m.width = 2 * quarter.width;
  m.height = 2 * quarter.height;
  return m;
}

void put_quarter(const VideoFormat& q, const uint8_t* picture, int index, uint8_t* mosaic) {
  const int w = q.width, h = q.height;
  const int mw = 2 * w;
  const int x = (index % 2) * w, y = (index / 2) * h;
  const uint8_t* planes[3] = {picture, picture + size_t(w) * h, picture + size_t(w) * h * 5 / 4};
  uint8_t* targets[3] = {mosaic, mosaic + size_t(mw) * 2 * h, mosaic + size_t(mw) * 2 * h * 5 / 4};
  for (int p = 0; p < 3; ++p) {
    const int shift = p == 0 ? 0 : 1;
    const int pw = w >> shift, ph = h >> shift, pitch = mw >> shift;
    for (int row = 0; row < ph; ++row) {
      std::memcpy(targets[p] + size_t((y >> shift) + row) * size_t(pitch) + size_t(x >> shift),
                  planes[p] + size_t(row) * size_t(pw), size_t(pw));
    }
  }
}

}  // namespace

PF_VERB_MAIN(split) {
  StreamVerb verb;
  verb.name = "split";
  verb.description =
      "Cuts every packed 4:2:2 D1 frame (720x576 or 720x480) into four 352-wide 4:2:0 pictures\n"
      "with the library's D1 split, one per field and half, by picking samples (no filter):\n"
      "  0: first field (even lines), pixels 8..359     1: first field, pixels 360..711\n"
      "  2: second field (odd lines), pixels 8..359     3: second field, pixels 360..711\n"
      "-o names the four outputs with %d (or %02d ...) for the picture's number; each output's\n"
      "name and options choose its container and format as for one output. --preview shows\n"
      "the four side by side.\n";
  verb.examples =
      "  pelforge split -s 720x576 -pix_fmt uyvy422 in.uyvy -o quarter%d.yuv\n"
      "  pelforge split in.y4m -o cam%d.y4m --preview previews/\n"
      "  ffmpeg -i in.mp4 -s 720x576 -pix_fmt uyvy422 -f rawvideo - |\n"
      "    pelforge split -s 720x576 -pix_fmt uyvy422 - -o q%d.y4m\n";
  verb.formats = {"uyvy422"};
  verb.layouts = {PF_IMAGE_FRAME};
  verb.build = [](StreamContext& ctx) {
    const VideoFormat in = ctx.format();
    if (in.width != 720 || (in.height != 576 && in.height != 480)) {
      throw UsageError("split takes D1 frames, 720x576 or 720x480, not " +
                       std::to_string(in.width) + "x" + std::to_string(in.height));
    }
    const OutputOptions& named = ctx.args().output;
    if (!named.path.empty() && !is_pattern(named.path)) {
      throw UsageError("split writes four pictures: -o needs a name with %d, such as q%d.yuv (" +
                       named.path + " has none)");
    }
    const tYUV422ToYUV420D1To4xCifParam p = split_param(in.height);
    auto module = ctx.open(kD1SplitId, &p);

    VideoFormat quarter = in;
    quarter.fmt = &yuv420p();
    quarter.width = kQuarterWidth;
    quarter.height = in.height / 2;
    quarter.layout = PF_IMAGE_FRAME;
    // Each picture keeps half the lines of its part of the frame: its pixels are twice as tall.
    quarter.sar = scaled_sar(in.sar, kQuarterWidth, in.height, kQuarterWidth, in.height / 2);
    std::vector<FrameWriter*> writers;
    if (!named.path.empty()) {
      ctx.takes_over_output();
      for (int q = 0; q < 4; ++q) {
        OutputOptions o = named;
        o.path = expand_pattern(named.path, q);
        writers.push_back(&ctx.open_output(o, quarter));
      }
    }
    auto pictures = std::make_shared<std::vector<std::vector<uint8_t>>>(
        4, std::vector<uint8_t>(quarter.frame_size()));
    ctx.then("D1 split (module 4) into four " + std::to_string(kQuarterWidth) + "x" +
                 std::to_string(quarter.height) + " yuv420p pictures",
             mosaic_format(quarter),
             [module, pictures, writers, quarter](uint8_t* frame, uint8_t* mosaic) {
               auto& q = *pictures;
               tYUV422ToYUV420D1To4xCifData d{frame,
                                              {q[0].data(), q[1].data(), q[2].data(), q[3].data()}};
               module->process(&d, &d);
               for (int i = 0; i < 4; ++i) {
                 if (!writers.empty()) writers[size_t(i)]->write(q[size_t(i)].data());
                 put_quarter(quarter, q[size_t(i)].data(), i, mosaic);
               }
             });
  };
  return run_stream_verb(verb, args, console);
}

PF_DEMO_MAIN(zoom) {
  const VideoFormat& src = demo.source();
  auto as = [&src](const char* fmt, int w = 0, int h = 0, uint32_t layout = PF_IMAGE_FRAME) {
    VideoFormat f = src;
    f.fmt = find_pix_fmt(fmt);
    f.layout = layout;
    if (w > 0) f.width = w, f.height = h;
    return f;
  };
  const VideoFormat uyvy = as("uyvy422");

  // ImageAptZoom: the 5:4 D1 picture into 1280x720, pillarboxed.
  {
    const VideoFormat wide = as("yuv420p", 1280, 720);
    const DemoJob job{"keep_aspect", "D1 -> 1280x720 keeping the shape (ImageAptZoom)"};
    if (demo.wants(job)) {
      const auto bars = keep_aspect_bars(src.width, src.height, wide.width, wide.height);
      Pipeline p(src, demo.mem(), [](const std::string&) {});
      p.then(make_apt_zoom_stage(src, wide, bars, demo.mem()));
      if (DemoReport* r = demo.run(job, demo.progressive(), p)) {
        r->set_result("bars " + std::to_string(bars[2]) + " and " + std::to_string(bars[3]) +
                      " pixels");
      }
    }
  }

  // ImageZoomUYVY: a packed picture scaled into black bars 72 pixels wide all round.
  {
    const DemoJob job{"uyvy_zoom", "UYVY D1 into black bars (ImageZoomUYVY)"};
    if (demo.wants(job)) {
      Geometry bars;
      bars.fill = {72, 72, 72, 72};
      Pipeline p(src, demo.mem(), [](const std::string&) {});
      p.then_convert(uyvy);
      p.then(make_uyvy_zoom_stage(uyvy, uyvy, bars, demo.mem()));
      if (DemoReport* r = demo.run(job, demo.progressive(), p)) {
        r->set_result("bars Y 1, U 128, V 128");
      }
    }
  }

  // The converters both ways, with the scene-change flags of the way back.
  {
    const DemoJob job{"scene_changes", "4:2:0 -> UYVY -> 4:2:0 with scene changes"};
    if (demo.wants(job)) {
      uint32_t changes = 0;
      Pipeline p(src, demo.mem(), [](const std::string&) {});
      p.then(make_packed_conversion_stage(src, uyvy, demo.mem()));
      p.then(make_packed_conversion_stage(uyvy, src, demo.mem(),
                                          [&changes](uint32_t flag) { changes += flag; }));
      if (DemoReport* r = demo.run(job, demo.progressive(), p)) {
        r->set_result(std::to_string(changes) + " scene changes (the first picture is one)");
      }
    }
  }

  // The D1 split of the interlaced pattern: the four pictures side by side.
  {
    const DemoJob job{"d1_split", "UYVY D1 -> four 352x288 field pictures (D1 split)"};
    if (demo.wants(job)) {
      const VideoFormat& si = demo.interlaced_source();
      const VideoFormat quarter = as("yuv420p", kQuarterWidth, si.height / 2);
      const tYUV422ToYUV420D1To4xCifParam param = split_param(si.height);
      auto module = std::make_shared<Instance>(kD1SplitId, &param, demo.mem());
      auto pictures = std::make_shared<std::vector<std::vector<uint8_t>>>(
          4, std::vector<uint8_t>(quarter.frame_size()));
      Pipeline p(si, demo.mem(), [](const std::string&) {});
      // Converted field by field, so that each field keeps its own chroma.
      VideoFormat packed = si;
      packed.fmt = find_pix_fmt("uyvy422");
      p.then_convert(packed);
      p.then(make_stage(packed, mosaic_format(quarter), "D1 split",
                        [module, pictures, quarter](uint8_t* in, uint8_t* out) {
                          auto& q = *pictures;
                          tYUV422ToYUV420D1To4xCifData d{
                              in, {q[0].data(), q[1].data(), q[2].data(), q[3].data()}};
                          module->process(&d, &d);
                          for (int i = 0; i < 4; ++i)
                            put_quarter(quarter, q[size_t(i)].data(), i, out);
                        }));
      if (DemoReport* r = demo.run(job, demo.interlaced(), p)) {
        r->set_result("first field above, second below; left and right halves");
      }
    }
  }
}

}  // namespace pf::cli
