// SPDX-License-Identifier: BSD-2-Clause
// resize, convert and rgb: one input stream through a planned chain of the library's scaling and
// conversion modules into one output stream.
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>

#include "args.hpp"
#include "cli_error.hpp"
#include "demo.hpp"
#include "modules.hpp"
#include "pipeline.hpp"
#include "run.hpp"
#include "stream_io.hpp"
#include "verbs.hpp"
#include "verbs/zoom_stages.hpp"

namespace pf::cli {
namespace {

// Decides the output format from what the command line said and what the input is.
VideoFormat resolve_output(VideoCommand command, const VideoArgs& a, const FrameReader& reader,
                           Container& container) {
  const VideoFormat& in = reader.format();
  VideoFormat out = in;
  container = a.output.container;
  const std::string& path = a.output.path;
  if (container == Container::kAuto && path != "-") container = container_from_name(path);

  const PixFmt* fmt =
      a.output.fmt != nullptr ? a.output.fmt : &default_output_fmt(container, path, *in.fmt);
  check_png_output(container, *fmt);
  if (container == Container::kAuto) container = pipe_container(reader.container(), *fmt);
  out.fmt = fmt;

  const Geometry& g = a.geometry;
  if (a.output.size) {
    out.width = a.output.size->width;
    out.height = a.output.size->height;
  } else {
    // Without an output size nothing is scaled: the cut picture keeps its size and the margins
    // are added around it, as a crop or pad filter would do.
    out.width =
        in.width - g.crop[2] - g.crop[3] + g.offset[2] + g.offset[3] + g.fill[2] + g.fill[3];
    out.height =
        in.height - g.crop[0] - g.crop[1] + g.offset[0] + g.offset[1] + g.fill[0] + g.fill[1];
    if (out.width < 1 || out.height < 1 || out.width > kMaxSide || out.height > kMaxSide) {
      throw UsageError("the margins leave no picture (" + std::to_string(out.width) + "x" +
                       std::to_string(out.height) + "); give the output size with -S WxH");
    }
  }

  if (fmt->family == Family::kRgb || in.fmt->family == Family::kRgb) {
    if (a.output.layout && *a.output.layout != PF_IMAGE_FRAME && fmt->family == Family::kRgb) {
      throw UsageError("RGB pictures are frames; --out-layout does not apply to them");
    }
    out.layout = a.output.layout.value_or(PF_IMAGE_FRAME);
  } else {
    out.layout = a.output.layout.value_or(in.layout);
  }
  if (in.fmt->family == Family::kRgb && in.layout != PF_IMAGE_FRAME) {
    throw UsageError("RGB pictures are frames; --in-layout does not apply to them");
  }
  if (a.output.fps) out.fps = *a.output.fps;
  out.sar = scaled_sar(in.sar, in.width - g.crop[2] - g.crop[3], in.height - g.crop[0] - g.crop[1],
                       out.width - g.offset[2] - g.offset[3] - g.fill[2] - g.fill[3],
                       out.height - g.offset[0] - g.offset[1] - g.fill[0] - g.fill[1]);

  if (command == VideoCommand::kConvert && (out.width != in.width || out.height != in.height)) {
    throw UsageError("convert keeps the size (" + std::to_string(in.width) + "x" +
                     std::to_string(in.height) + "); use pelforge resize to change it");
  }
  if (command == VideoCommand::kRgb && in.fmt->family == Family::kYuv &&
      fmt->family == Family::kYuv) {
    throw UsageError(std::string("neither side is RGB (") + in.fmt->name + " -> " + fmt->name +
                     "); use pelforge convert or resize");
  }
  return out;
}

// The modules made for a job take it: ImageAptZoom for --keep-aspect, ImageZoomUYVY for packed
// 4:2:2 scaled into black bars, the 4:2:0/4:2:2 converters for yuv420p <-> uyvy422. Everything
// else, and whatever those modules refuse, goes through the resizer's planned chain.
std::unique_ptr<Pipeline> plan(VideoCommand command, const VideoArgs& a, const VideoFormat& in,
                               const VideoFormat& out, void* mem, const Note& note,
                               const SceneReport& scene) {
  auto general = [&] {
    return std::make_unique<Pipeline>(Request{in, out, a.geometry}, mem, note);
  };
  const PixFmt* uyvy = find_pix_fmt("uyvy422");
  auto chain = std::make_unique<Pipeline>(in, mem, note);
  try {
    if (a.keep_aspect) {
      // The module takes 4:2:0 or packed 4:2:2 frames or field pictures; interlaced frames are
      // stored as frames are.
      auto taken = [uyvy](VideoFormat f) {
        if (f.fmt != uyvy) f.fmt = &yuv420p();
        if (f.layout == PF_IMAGE_INTERLACED) f.layout = PF_IMAGE_FRAME;
        return f;
      };
      const VideoFormat from = taken(in), to = taken(out);
      chain->then_convert(from).then(make_apt_zoom_stage(from, to, a.geometry.fill, mem));
      chain->then_convert(out);
      return chain;
    }
    if (command == VideoCommand::kResize) {
      if (auto stage = make_uyvy_zoom_stage(in, out, a.geometry, mem)) {
        chain->then(std::move(stage));
        return chain;
      }
    }
    if (command == VideoCommand::kConvert) {
      if (auto stage = make_packed_conversion_stage(in, out, mem, scene)) {
        chain->then(std::move(stage));
        return chain;
      }
    }
  } catch (const ModuleError& e) {
    if (a.scene_changes) throw;
    note(std::string(e.what()) + "; the resizer takes the job instead");
  }
  return general();
}

int run_video_command(VideoCommand command, const VerbArgs& args, const Console& console) {
  VideoArgs a = parse_video_args(command, args);
  if (a.help) {
    console.out << video_help(command);
    return kExitOk;
  }
  const Note note = console_note(console, a.quiet);
  MemHandle mem;
  auto reader = open_reader(a.inputs[0]);
  if (a.keep_aspect) {
    const VideoFormat& in = reader->format();
    const auto bars =
        keep_aspect_bars(in.width, in.height, a.output.size->width, a.output.size->height);
    a.geometry.fill = bars;
  }
  Container container = Container::kAuto;
  const VideoFormat out = resolve_output(command, a, *reader, container);
  const PixFmt* uyvy = find_pix_fmt("uyvy422");
  if (a.scene_changes && (reader->format().fmt != uyvy || out.fmt != &yuv420p())) {
    throw UsageError(std::string("--scene-changes reports what the uyvy422 -> yuv420p conversion "
                                 "finds; this run converts ") +
                     reader->format().fmt->name + " to " + out.fmt->name);
  }
  // One line per picture, on standard error when the pictures go to standard output.
  std::ostream& lines = a.output.path == "-" ? console.err : console.out;
  uint64_t frame = 0;
  SceneReport scene;
  if (a.scene_changes) {
    scene = [&lines, &frame](uint32_t flag) {
      lines << "frame " << frame++ << " scene-change " << flag << "\n";
    };
  }
  auto pipeline = plan(command, a, reader->format(), out, mem.get(), note, scene);
  auto writer = open_writer(a.output.path, container, out);
  RunSettings settings = run_settings(a, console);
  if (a.scene_changes) settings.progress = false;  // the lines show the progress
  const RunResult r = run_frames(*reader, *pipeline, *writer, settings, mem.get(), note);
  if (r.frames == 0) throw CliError(reader->describe() + " holds no pictures");
  report_run(console, a.quiet, r, reader->describe(), writer->describe());
  return kExitOk;
}

std::string psnr_text(double sum, uint64_t n) {
  char buf[64];
  std::snprintf(buf, sizeof(buf), "round trip PSNR %.1f dB",
                n ? sum / static_cast<double>(n) : 0.0);
  return buf;
}

VideoFormat with(VideoFormat f, const PixFmt& fmt, uint32_t layout, int w = 0, int h = 0) {
  f.fmt = &fmt;
  f.layout = layout;
  if (w > 0) f.width = w, f.height = h;
  return f;
}

// A job that converts the source to `via` and measures how close each picture comes back.
void round_trip(DemoContext& demo, const DemoJob& job, const VideoFormat& via,
                const std::string& remark) {
  if (!demo.wants(job)) return;
  const VideoFormat& src = demo.source();
  double sum = 0;
  uint64_t n = 0;
  std::unique_ptr<Pipeline> back;
  std::vector<uint8_t> scratch(via.frame_size());
  std::string back_error;
  try {
    back = std::make_unique<Pipeline>(Request{via, src, Geometry{}}, demo.mem(), [](auto&) {});
  } catch (const CliError& e) {
    back_error = e.what();
  }
  const Frames& frames = demo.progressive();
  DemoOptions options;
  options.sink = [&](uint64_t i, const uint8_t* out) {
    if (!back) return;
    std::memcpy(scratch.data(), out, scratch.size());
    const uint8_t* again = back->run(scratch.data());
    sum += psnr(again, frames[i].data(), src.frame_size());
    ++n;
  };
  if (DemoReport* r = demo.run(job, frames, Request{src, via, Geometry{}}, options)) {
    r->set_result(back ? psnr_text(sum, n) + remark : "way back failed: " + back_error);
  }
}

}  // namespace

PF_DEMO_MAIN(scaling) {
  const VideoFormat& src = demo.source();
  const VideoFormat& src_i = demo.interlaced_source();
  const VideoFormat cif = with(src, yuv420p(), PF_IMAGE_FRAME, 352, 288);
  const VideoFormat fields = with(src, yuv420p(), PF_IMAGE_FIELD);
  Geometry nearest;
  nearest.nearest = true;

  if (DemoReport* r = demo.run({"source", "test pattern (source)"}, demo.progressive(),
                               Request{src, src, Geometry{}})) {
    r->set_result("what the jobs below read");
  }
  demo.run({"cif_bilinear", "D1 -> CIF, bilinear"}, demo.progressive(),
           Request{src, cif, Geometry{}});
  demo.run({"cif_nearest", "D1 -> CIF, nearest neighbour"}, demo.progressive(),
           Request{src, cif, nearest});
  round_trip(demo, {"uyvy_round_trip", "4:2:0 -> UYVY -> 4:2:0"},
             with(src, *find_pix_fmt("uyvy422"), PF_IMAGE_FRAME), "");
  // Interlaced and field storage are shown as stored: field pictures with the top field's lines
  // above the bottom field's.
  DemoOptions as_frames;
  as_frames.shown = with(src_i, yuv420p(), PF_IMAGE_FRAME);
  if (DemoReport* r = demo.run({"interlaced_source", "interlaced source"}, demo.interlaced(),
                               Request{src_i, src_i, Geometry{}}, as_frames)) {
    r->set_result("odd lines half a frame later than even ones");
  }
  as_frames.shown = with(fields, yuv420p(), PF_IMAGE_FRAME);
  if (DemoReport* r = demo.run({"field_pictures", "interlaced frame -> field pictures"},
                               demo.interlaced(), Request{src_i, fields, Geometry{}}, as_frames)) {
    r->set_result("pictures show field 1 above field 2");
  }
  // Far from lossless by design: YUV-to-RGB expands studio range (16..235) to 0..255 while
  // RGB-to-YUV keeps full range, so luma does not come back where it started.
  round_trip(demo, {"rgb_round_trip", "YUV -> RGB24 -> YUV"}, with(src, rgb24(), PF_IMAGE_FRAME),
             " (luma range not restored)");
}

PF_VERB_MAIN(resize) { return run_video_command(VideoCommand::kResize, args, console); }
PF_VERB_MAIN(convert) { return run_video_command(VideoCommand::kConvert, args, console); }
PF_VERB_MAIN(rgb) { return run_video_command(VideoCommand::kRgb, args, console); }

}  // namespace pf::cli
