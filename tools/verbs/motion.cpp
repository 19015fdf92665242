// SPDX-License-Identifier: BSD-2-Clause
// Analysis and standards: `motion` (did anything move in the watch areas, and when) and `pn`
// (PAL <-> NTSC line count), and their demo jobs.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "demo.hpp"
#include "img_motionsurveil.h"
#include "img_pnchange.h"
#include "modules.hpp"
#include "png_io.hpp"
#include "verbs/stream_verb.hpp"

namespace pf::cli {
namespace {

constexpr uint32_t kPnChangeId = 13;

struct Area {
  int x, y, w, h;
};

// ---- motion ----

struct MotionSettings {
  std::vector<Area> areas;
  int sensitivity = 3;
  int fine_tune = 0;
  bool json = false;
};

// The module's instance, opened through its exported entry points: the verb reads the filtered
// map and the thresholds the instance holds to tell which areas moved. It has a memory handle of
// its own, so it may outlive the run's.
class Detector {
 public:
  Detector(const VideoFormat& f, const MotionSettings& s) : width_(f.width) {
    tImageMotionSurveilParam p{};
    p.s32Width = f.width;
    p.s32Height = f.height;
    p.s32YuvType = static_cast<int32_t>(PF_YUV_420);
    p.s32Interlace = static_cast<int32_t>(f.layout);  // frame 1, field pictures 2, interlaced 3
    p.s32FineTune = s.fine_tune;
    p.s16Sensitivity = static_cast<int16_t>(s.sensitivity);
    p.s16AreaNum = static_cast<int16_t>(s.areas.size());
    for (size_t i = 0; i < s.areas.size(); ++i) {
      const Area& a = s.areas[i];
      p.atArea[i] = {static_cast<int16_t>(a.y), static_cast<int16_t>(a.x),
                     static_cast<int16_t>(a.w), static_cast<int16_t>(a.h)};
    }
    const uint32_t status = ImageMotionSurveilOpen_c(&handle_, &p, mem_.get());
    if (status != 0) {
      throw ModuleError(
          "motion detection refused the stream: " + status_text(tImageMotionSurveilFunc, status),
          status);
    }
    reduced_ = (f.width == 720 || f.width == 704) && f.height == 576;
  }
  ~Detector() {
    if (handle_ != nullptr) ImageMotionSurveilClose_c(handle_);
  }
  Detector(const Detector&) = delete;
  Detector& operator=(const Detector&) = delete;

  // Runs one picture; true when an area raised the alarm.
  bool detect(const uint8_t* luma) {
    uint8_t result = 0;
    tImageMotionSurveilInput in{luma, &result};
    const uint32_t status = ImageMotionSurveilProcess_c(handle_, &in, &result);
    if (status != 0) {
      throw ModuleError("motion detection failed: " + status_text(tImageMotionSurveilFunc, status),
                        status);
    }
    return result != 0;
  }

  // Whether the filtered map of the last picture has more moving cells in `a` than the area
  // threshold. The module stops at the first such area; asking each one names them all.
  bool moved(const Area& a) const {
    const auto& inst = *static_cast<const tImageMotionSurveilInstance*>(handle_);
    int x = a.x, y = a.y, w = a.w, h = a.h, threshold = inst.s16AreaThreshold;
    if (reduced_) x >>= 1, y >>= 1, w >>= 1, h >>= 1, threshold /= 4;
    int count = 0;
    for (int row = y; row < y + h; ++row) {
      for (int col = x; col < x + w; ++col) count += cell(col, row) ? 1 : 0;
    }
    return count > threshold;
  }
  // The filtered map: one cell per pixel, or per 2 x 2 pixels of a reduced 720/704 x 576 picture.
  bool cell(int col, int row) const {
    const auto& inst = *static_cast<const tImageMotionSurveilInstance*>(handle_);
    const int stride = reduced_ ? width_ / 2 : width_;
    return inst.pu8Map[static_cast<size_t>(row) * static_cast<size_t>(stride) +
                       static_cast<size_t>(col)] >= 100;
  }
  int cell_size() const { return reduced_ ? 2 : 1; }

 private:
  MemHandle mem_;
  void* handle_ = nullptr;
  int width_;
  bool reduced_ = false;
};

// Paints over a 4:2:0 picture in display coordinates, whatever its storage.
class Painter {
 public:
  Painter(const VideoFormat& f, uint8_t* picture) : f_(f), y_(picture) {
    u_ = y_ + static_cast<size_t>(f.width) * static_cast<size_t>(f.height);
    v_ = u_ + static_cast<size_t>(f.width / 2) * static_cast<size_t>(f.height / 2);
  }
  void pixel(int x, int y, uint8_t luma, uint8_t u, uint8_t v) {
    if (x < 0 || y < 0 || x >= f_.width || y >= f_.height) return;
    const int half = f_.height / 2;
    int line = y, chroma_line = y / 2;
    if (f_.layout == PF_IMAGE_FIELD) {  // field one's lines, then field two's
      line = (y & 1) * half + y / 2;
      chroma_line = (y & 1) * (half / 2) + y / 4;
    }
    y_[static_cast<size_t>(line) * static_cast<size_t>(f_.width) + static_cast<size_t>(x)] = luma;
    const size_t c = static_cast<size_t>(chroma_line) * static_cast<size_t>(f_.width / 2) +
                     static_cast<size_t>(x / 2);
    if (c < static_cast<size_t>(f_.width / 2) * static_cast<size_t>(f_.height / 2)) {
      u_[c] = u;
      v_[c] = v;
    }
  }
  // Tints a pixel red, keeping some of its brightness.
  void tint(int x, int y) {
    if (x < 0 || y < 0 || x >= f_.width || y >= f_.height) return;
    pixel(x, y, 110, 96, 220);
  }
  void frame(const Area& a, bool alarm) {
    const uint8_t u = alarm ? 90 : 54, v = alarm ? 240 : 34, luma = alarm ? 82 : 145;
    for (int t = 0; t < 2; ++t) {
      for (int x = a.x - 2; x < a.x + a.w + 2; ++x) {
        pixel(x, a.y - 1 - t, luma, u, v);
        pixel(x, a.y + a.h + t, luma, u, v);
      }
      for (int y = a.y - 2; y < a.y + a.h + 2; ++y) {
        pixel(a.x - 1 - t, y, luma, u, v);
        pixel(a.x + a.w + t, y, luma, u, v);
      }
    }
  }

 private:
  const VideoFormat& f_;
  uint8_t *y_, *u_, *v_;
};

// Draws the watch areas (red when they raised the alarm, green otherwise) and the moving cells.
void annotate(const VideoFormat& f, const Detector& d, const std::vector<Area>& areas,
              const std::vector<bool>& alarms, uint8_t* picture) {
  Painter p(f, picture);
  const int size = d.cell_size();
  for (int row = 0; row < f.height / size; ++row) {
    for (int col = 0; col < f.width / size; ++col) {
      if (!d.cell(col, row)) continue;
      for (int dy = 0; dy < size; ++dy) {
        for (int dx = 0; dx < size; ++dx) p.tint(col * size + dx, row * size + dy);
      }
    }
  }
  for (size_t i = 0; i < areas.size(); ++i) p.frame(areas[i], alarms[i]);
}

std::string motion_line(uint64_t frame, const std::vector<size_t>& moved, bool json) {
  std::string line;
  if (json) {
    line = "{\"frame\":" + std::to_string(frame) +
           ",\"alarm\":" + (moved.empty() ? "false" : "true") + ",\"areas\":[";
    for (size_t i = 0; i < moved.size(); ++i) line += (i ? "," : "") + std::to_string(moved[i]);
    return line + "]}";
  }
  line = "frame " + std::to_string(frame) + ": ";
  if (moved.empty()) return line + "no motion";
  line += moved.size() == 1 ? "motion in area " : "motion in areas ";
  for (size_t i = 0; i < moved.size(); ++i) line += (i ? ", " : "") + std::to_string(moved[i]);
  return line;
}

// PNG pictures of the annotated frames that raised the alarm, named by frame number.
class AlarmPictures {
 public:
  AlarmPictures(std::string dir, const VideoFormat& f) : dir_(std::move(dir)) {
    std::error_code ec;
    std::filesystem::create_directories(dir_, ec);
    if (ec) throw CliError("cannot create preview directory " + dir_ + ": " + ec.message());
    VideoFormat rgb = f;
    rgb.fmt = &rgb24();
    rgb.layout = PF_IMAGE_FRAME;
    to_rgb_ = std::make_unique<Pipeline>(Request{f, rgb, Geometry{}}, mem_.get(), [](auto&) {});
    scratch_.resize(f.frame_size());
    width_ = f.width;
    height_ = f.height;
  }
  void write(uint64_t frame, const uint8_t* picture) {
    std::memcpy(scratch_.data(), picture, scratch_.size());
    const std::vector<uint8_t> png = encode_png(to_rgb_->run(scratch_.data()), width_, height_);
    char name[48];
    std::snprintf(name, sizeof name, "alarm_%06llu.png", static_cast<unsigned long long>(frame));
    auto out = OutputFile::open((std::filesystem::path(dir_) / name).string());
    out->write(png.data(), png.size());
    out->close();
  }

 private:
  MemHandle mem_;  // outlives the pipeline's instances
  std::string dir_;
  std::unique_ptr<Pipeline> to_rgb_;
  std::vector<uint8_t> scratch_;
  int width_ = 0, height_ = 0;
};

Area parse_area(OptionValue& o) {
  const std::vector<int> v = o.list(4);
  if (v[0] < 0 || v[1] < 0 || v[2] < 0 || v[3] < 0)
    throw UsageError("--area X,Y,W,H takes no negative numbers");
  return {v[0], v[1], v[2], v[3]};
}

// ---- pn ----

struct PnSettings {
  uint8_t to = 0;  // PF_TV_PAL or PF_TV_NTSC
  bool in_place = false;
};

uint8_t standard_of(int height) {
  if (height == 576) return PF_TV_PAL;
  if (height == 480) return PF_TV_NTSC;
  throw CliError("pn converts 576-line (PAL) and 480-line (NTSC) pictures; the input has " +
                 std::to_string(height) + " lines");
}

tImagePNChangeParam pn_param(const VideoFormat& in, uint8_t to, bool one_buffer) {
  const bool packed = in.fmt->yuv_type == PF_YUV_UYVY;
  const int32_t stride = in.width;
  tImagePNChangeParam p{};
  p.s32SrcWidth = p.s32DstWidth = in.width;
  p.s32SrcHeight = in.height;
  p.s32DstHeight = to == PF_TV_PAL ? 576 : 480;
  p.s32SrcYStride = p.s32DstYStride = packed ? 2 * stride : stride;
  p.s32SrcUVStride = p.s32DstUVStride = p.s32SrcYStride / 2;
  p.s32SrcYuvType = p.s32DstYuvType = static_cast<int32_t>(in.fmt->yuv_type);
  p.s32SrcImageType = p.s32DstImageType = static_cast<int32_t>(in.layout);
  p.u8SrcTvFormat = standard_of(in.height);
  p.u8DstTvFormat = to;
  p.u8BufferUse = one_buffer ? PF_PN_ONE_BUFFER : PF_PN_TWO_BUFFERS;
  return p;
}

// Plane pointers of a picture stored plane after plane.
tImagePNChangePicture planes_of(uint8_t* base, const VideoFormat& f) {
  tImagePNChangePicture p{base, nullptr, nullptr};
  if (f.fmt->yuv_type != PF_YUV_UYVY) {
    const size_t luma = static_cast<size_t>(f.width) * static_cast<size_t>(f.height);
    p.pu8U = base + luma;
    p.pu8V = p.pu8U + luma / 4;
  }
  return p;
}

VideoFormat with_height(const VideoFormat& f, int height) {
  VideoFormat out = f;
  out.height = height;
  return out;
}

// Adds the conversion to `to` as a stage: in a separate picture, or inside one PAL-sized buffer
// that holds the source first and the result afterwards.
void add_pn_stage(StreamContext& ctx, const VideoFormat& in, uint8_t to, bool one_buffer,
                  const std::shared_ptr<Instance>& module) {
  const VideoFormat out = with_height(in, to == PF_TV_PAL ? 576 : 480);
  const std::string what = std::string(to == PF_TV_PAL ? "NTSC -> PAL" : "PAL -> NTSC") +
                           (one_buffer ? " in one buffer" : "") + " (module 13)";
  if (!one_buffer) {
    ctx.then(what, out, [in, out, module](uint8_t* src, uint8_t* dst) {
      tImagePNChangePicture s = planes_of(src, in), d = planes_of(dst, out);
      module->process(&s, &d);
    });
    return;
  }
  const VideoFormat pal = with_height(in, 576);
  auto buffer = std::make_shared<std::vector<uint8_t>>(pal.frame_size());
  ctx.then(what, out, [in, out, module, buffer](uint8_t* src, uint8_t* dst) {
    std::memcpy(buffer->data(), src, in.frame_size());
    tImagePNChangePicture s = planes_of(buffer->data(), in), d = planes_of(buffer->data(), out);
    module->process(&s, &d);
    std::memcpy(dst, buffer->data(), out.frame_size());
  });
}

}  // namespace

PF_VERB_MAIN(motion) {
  auto settings = std::make_shared<MotionSettings>();
  std::shared_ptr<Detector> detector;
  std::shared_ptr<AlarmPictures> pictures;
  uint64_t alarms = 0;
  StreamVerb verb;
  verb.name = "motion";
  verb.description =
      "Watches up to 16 areas of every picture and says, frame by frame, whether anything moved\n"
      "in them: one line per frame (frame numbers from 0) on standard output. Pictures of\n"
      "720 or 704 x 576 are analysed on their first field at half width. The first picture\n"
      "only primes the detector. With -o, the pictures are written with the watch areas (red\n"
      "when they raised the alarm) and the moving cells drawn in.\n";
  verb.options_help =
      "  --area X,Y,W,H        a watch area in pixels (up to 16; numbered from 1)\n"
      "  --sensitivity N       1 (least) to 5 (most sensitive; default 3)\n"
      "  --fine-tune N         -10 to 10 within the sensitivity (default 0)\n"
      "  --json                one JSON object per frame: "
      "{\"frame\":N,\"alarm\":B,\"areas\":[..]}\n"
      "  --preview DIR         also writes alarm_N.png for every frame N that raised the alarm\n";
  verb.examples =
      "  pelforge motion cam.y4m --area 100,80,200,150 --area 400,300,120,120\n"
      "  pelforge motion cam.y4m --area 0,0,352,288 --sensitivity 5 --json | grep true\n"
      "  pelforge motion cam.y4m --area 100,80,200,150 --preview alarms/ -o annotated.y4m\n";
  verb.formats = {"yuv420p"};
  verb.output_required = false;
  verb.options = [settings](OptionValue& o) {
    if (o.name() == "--area") {
      if (settings->areas.size() == PF_MOTION_MAX_AREAS) throw UsageError("at most 16 watch areas");
      settings->areas.push_back(parse_area(o));
    } else if (o.name() == "--sensitivity") {
      settings->sensitivity = static_cast<int>(o.integer(1, 5));
    } else if (o.name() == "--fine-tune") {
      settings->fine_tune = static_cast<int>(o.integer(-10, 10));
    } else if (o.name() == "--json") {
      o.flag();
      settings->json = true;
    } else {
      return false;
    }
    return true;
  };
  verb.build = [&](StreamContext& ctx) {
    const VideoFormat f = ctx.format();
    if (settings->areas.empty()) throw UsageError("name at least one watch area with --area");
    for (size_t i = 0; i < settings->areas.size(); ++i) {
      const Area& a = settings->areas[i];
      if (a.x + a.w > f.width || a.y + a.h > f.height) {
        throw UsageError("area " + std::to_string(i + 1) + " (" + std::to_string(a.x) + "," +
                         std::to_string(a.y) + "," + std::to_string(a.w) + "," +
                         std::to_string(a.h) + ") reaches outside the " + std::to_string(f.width) +
                         "x" + std::to_string(f.height) + " picture");
      }
    }
    detector = std::make_shared<Detector>(f, *settings);
    if (!ctx.args().preview.dir.empty())
      pictures = std::make_shared<AlarmPictures>(ctx.args().preview.dir, f);
    ctx.reports_every_picture();
    // Drawing costs a copy of every picture: only when pictures are written or shown.
    const bool draw = !ctx.args().output.path.empty() || !ctx.args().preview.dir.empty();
    StreamContext* c = &ctx;
    ctx.then("motion detection (module 38)", f, [&, c, f, draw](uint8_t* in, uint8_t* out) {
      const bool alarm = detector->detect(in);
      std::vector<bool> moved(settings->areas.size(), false);
      std::vector<size_t> named;
      for (size_t i = 0; alarm && i < settings->areas.size(); ++i) {
        moved[i] = detector->moved(settings->areas[i]);
        if (moved[i]) named.push_back(i + 1);
      }
      c->report(motion_line(c->frame(), named, settings->json));
      if (alarm) ++alarms;
      if (!draw) return;
      std::memcpy(out, in, f.frame_size());
      annotate(f, *detector, settings->areas, moved, out);
      if (alarm && pictures) pictures->write(c->frame(), out);
    });
  };
  verb.finish = [&](StreamContext& ctx) {
    ctx.note(std::to_string(alarms) + " of " + std::to_string(ctx.frame() + 1) +
             " frames raised the alarm");
  };
  return run_stream_verb(verb, args, console);
}

PF_VERB_MAIN(pn) {
  auto settings = std::make_shared<PnSettings>();
  StreamVerb verb;
  verb.name = "pn";
  verb.description =
      "Converts D1 pictures between PAL's 576 lines and NTSC's 480 without scaling: PAL to NTSC\n"
      "drops 48 lines at the top and at the bottom, NTSC to PAL adds 48 black lines at each end\n"
      "(field pictures: 24 per field). yuv420p frames and field pictures 720 or 704 wide, and\n"
      "uyvy422 frames 720 wide.\n";
  verb.options_help =
      "  --to pal|ntsc         the standard to convert to (required)\n"
      "  --in-place            convert inside one buffer (NTSC to PAL: uyvy422 only; yuv420p\n"
      "                        PAL to NTSC always works in one buffer)\n";
  verb.examples =
      "  pelforge pn pal.y4m --to ntsc -o ntsc.y4m\n"
      "  pelforge pn -s 720x480 -pix_fmt uyvy422 ntsc.yuv --to pal -o pal.yuv\n"
      "  pelforge pn pal.y4m --to ntsc --in-place --preview previews/ -o ntsc.y4m\n";
  verb.formats = {"yuv420p", "uyvy422"};
  verb.layouts = {PF_IMAGE_FRAME, PF_IMAGE_FIELD};
  verb.options = [settings](OptionValue& o) {
    if (o.name() == "--to") {
      const std::string to = o.text();
      if (to == "pal" || to == "PAL") {
        settings->to = PF_TV_PAL;
      } else if (to == "ntsc" || to == "NTSC") {
        settings->to = PF_TV_NTSC;
      } else {
        throw UsageError("--to takes pal or ntsc, not '" + to + "'");
      }
    } else if (o.name() == "--in-place") {
      o.flag();
      settings->in_place = true;
    } else {
      return false;
    }
    return true;
  };
  verb.build = [settings](StreamContext& ctx) {
    if (settings->to == 0) throw UsageError("say which standard to convert to: --to pal|ntsc");
    const VideoFormat in = ctx.format();
    if (standard_of(in.height) == settings->to) {
      throw UsageError(std::string("the input is already ") +
                       (settings->to == PF_TV_PAL ? "PAL (576 lines)" : "NTSC (480 lines)"));
    }
    // 4:2:0 pictures lose their PAL lines only in place: the library has that one way.
    const bool one_buffer =
        settings->in_place || (in.fmt->yuv_type == PF_YUV_420 && settings->to == PF_TV_NTSC);
    const tImagePNChangeParam p = pn_param(in, settings->to, one_buffer);
    add_pn_stage(ctx, in, settings->to, one_buffer, ctx.open(kPnChangeId, &p));
  };
  return run_stream_verb(verb, args, console);
}

PF_DEMO_MAIN(motion) {
  // Three watch areas on the moving test pattern, which carries light noise: where the circle
  // dips into the grey ramp (the fast bar crosses there late in the run too), a corner of the
  // ramp nothing reaches, and the middle of a white bar painted on every picture across the fast
  // bar's path, below where the circle goes.
  const VideoFormat& src = demo.source();
  const std::vector<Area> areas = {{470, 400, 120, 70}, {620, 500, 80, 60}, {310, 506, 100, 36}};
  const Area bar{300, 496, 120, 56};
  const char* const names[] = {"circle path", "quiet corner", "static bar"};
  const DemoJob job{"motion_areas", "motion detection, three watch areas"};
  if (demo.wants(job)) {
    Frames frames = demo.progressive();
    uint64_t seed = 1;
    for (auto& picture : frames) {
      add_noise(picture, 3, seed++);
      for (int y = bar.y; y < bar.y + bar.h; ++y) {
        std::memset(picture.data() + static_cast<size_t>(y) * 720 + static_cast<size_t>(bar.x), 235,
                    static_cast<size_t>(bar.w));
      }
    }
    MotionSettings s;
    s.areas = areas;
    std::unique_ptr<Detector> detector;
    std::vector<std::vector<uint64_t>> hits(areas.size());
    std::string refused;
    try {
      detector = std::make_unique<Detector>(src, s);
    } catch (const CliError& e) {
      refused = e.what();
    }
    uint64_t index = 0;
    DemoReport* r = demo.run(job, frames, src, src, [&](uint8_t* in, uint8_t* out) {
      std::memcpy(out, in, src.frame_size());
      if (!detector) return;
      const bool alarm = detector->detect(in);
      std::vector<bool> moved(areas.size(), false);
      for (size_t i = 0; alarm && i < areas.size(); ++i) {
        moved[i] = detector->moved(areas[i]);
        if (moved[i]) hits[i].push_back(index);
      }
      annotate(src, *detector, areas, moved, out);
      ++index;
    });
    if (r != nullptr) {
      // The alarm timeline: each area with the runs of frames in which it raised the alarm.
      std::string timeline;
      for (size_t i = 0; i < areas.size(); ++i) {
        std::string runs;
        for (size_t k = 0; k < hits[i].size(); ++k) {
          const uint64_t first = hits[i][k];
          while (k + 1 < hits[i].size() && hits[i][k + 1] == hits[i][k] + 1) ++k;
          runs += (runs.empty() ? "" : ",") + std::to_string(first) +
                  (hits[i][k] != first ? "-" + std::to_string(hits[i][k]) : "");
        }
        timeline += (i ? "; " : "") + std::string(names[i]) + ": " + (runs.empty() ? "none" : runs);
      }
      r->set_result(detector ? timeline : refused);
    }
  }

  // PAL to NTSC in place and back in two buffers: the kept lines come back unchanged.
  const VideoFormat ntsc = with_height(src, 480);
  Frames ntsc_frames;
  const DemoJob to_ntsc{"pal_to_ntsc", "PAL -> NTSC, in one buffer"};
  const DemoJob to_pal{"ntsc_to_pal", "NTSC -> PAL, black bands added"};
  if (demo.wants(to_ntsc) || demo.wants(to_pal)) {
    try {
      const tImagePNChangeParam down = pn_param(src, PF_TV_NTSC, true);
      Instance module(kPnChangeId, &down, demo.mem());
      std::vector<uint8_t> buffer(src.frame_size());
      DemoOptions keep;
      keep.sink = [&](uint64_t, const uint8_t* out) {
        ntsc_frames.emplace_back(out, out + ntsc.frame_size());
      };
      DemoReport* r = demo.run(
          to_ntsc, demo.progressive(), src, ntsc,
          [&](uint8_t* in, uint8_t* out) {
            std::memcpy(buffer.data(), in, src.frame_size());
            tImagePNChangePicture s = planes_of(buffer.data(), src),
                                  d = planes_of(buffer.data(), ntsc);
            module.process(&s, &d);
            std::memcpy(out, buffer.data(), ntsc.frame_size());
          },
          keep);
      if (r != nullptr) r->set_result("lines 48..527 kept, 48 dropped at each end");
    } catch (const CliError& e) {
      demo.note(std::string("pal_to_ntsc: ") + e.what());
    }
    if (!ntsc_frames.empty()) {
      size_t same = 0;
      const Frames& original = demo.progressive();
      try {
        const tImagePNChangeParam up = pn_param(ntsc, PF_TV_PAL, false);
        Instance module(kPnChangeId, &up, demo.mem());
        DemoOptions check;
        uint64_t n = 0;
        check.sink = [&](uint64_t, const uint8_t* out) {
          // Luma lines 48..527 are the source's; the rest is black.
          const size_t kept = 480 * 720, skip = 48 * 720;
          same += std::memcmp(out + skip, original[n++].data() + skip, kept) == 0 ? 1 : 0;
        };
        if (DemoReport* r = demo.run(
                to_pal, ntsc_frames, ntsc, src,
                [&](uint8_t* in, uint8_t* out) {
                  tImagePNChangePicture s = planes_of(in, ntsc), d = planes_of(out, src);
                  module.process(&s, &d);
                },
                check)) {
          r->set_result(std::to_string(same) + " of " + std::to_string(ntsc_frames.size()) +
                        " pictures keep the source's middle 480 lines");
        }
      } catch (const CliError& e) {
        demo.note(std::string("ntsc_to_pal: ") + e.what());
      }
    }
  }
}

}  // namespace pf::cli
