// SPDX-License-Identifier: BSD-2-Clause
// Stage planning, the resizer stage and the lossless repacking stages.
#include "pipeline.hpp"

#include <cstring>
#include <optional>

#include "cli_error.hpp"
#include "img_resizer.h"
#include "modules.hpp"

namespace pf::cli {
namespace {

VideoFormat with(const VideoFormat& base, int width, int height, const PixFmt& fmt,
                 uint32_t layout) {
  VideoFormat f = base;
  f.width = width;
  f.height = height;
  f.fmt = &fmt;
  f.layout = layout;
  return f;
}

class ResizerStage final : public Stage {
 public:
  ResizerStage(const VideoFormat& in, const VideoFormat& out, const Geometry& g, void* mem)
      : Stage(in, out), nearest_(g.nearest) {
    tImageResizerParam p{};
    p.s32SrcWidth = in.width;
    p.s32SrcHeight = in.height;
    p.u32SrcYuvType = in.fmt->yuv_type;
    p.u32SrcImageType = in.layout;
    p.s32CutTop = g.crop[0];
    p.s32CutBottom = g.crop[1];
    p.s32CutLeft = g.crop[2];
    p.s32CutRight = g.crop[3];
    p.s32DstWidth = out.width;
    p.s32DstHeight = out.height;
    p.u32DstYuvType = out.fmt->yuv_type;
    p.u32DstImageType = out.layout;
    p.s32OffsetTop = g.offset[0];
    p.s32OffsetBottom = g.offset[1];
    p.s32OffsetLeft = g.offset[2];
    p.s32OffsetRight = g.offset[3];
    p.s32FillTop = g.fill[0];
    p.s32FillBottom = g.fill[1];
    p.s32FillLeft = g.fill[2];
    p.s32FillRight = g.fill[3];
    // Out-of-range colours wrap to large values, which the resizer names as bad colours.
    p.u32FillY = static_cast<uint32_t>(g.fill_color[0]);
    p.u32FillU = static_cast<uint32_t>(g.fill_color[1]);
    p.u32FillV = static_cast<uint32_t>(g.fill_color[2]);
    // The resizer keeps the extension by pointer, so it lives as long as the stage.
    extension_.u32Magic = PF_RESIZER_EXTENSION_MAGIC;
    extension_.u32Mode = PF_RESIZER_MODE_NEAREST;
    p.pExtension = g.nearest ? &extension_ : nullptr;
    try {
      instance_ = std::make_unique<Instance>(kResizerId, &p, mem);
    } catch (const ModuleError& e) {
      // The code names the field; the sizes the command line derived show where it came from.
      throw ModuleError(
          std::string(e.what()) + "\n  (resizing " + brief(in) + " -> " + brief(out) + ")",
          e.code());
    }
  }
  void run(uint8_t* in, uint8_t* out) override {
    tImgPicture src = picture_record(*in_.fmt, in_.width, in_.height, in);
    tImgPicture dst = picture_record(*out_.fmt, out_.width, out_.height, out);
    instance_->process(&src, &dst);
  }
  std::string describe() const override {
    return "resizer (module 24" + std::string(nearest_ ? ", nearest" : "") + "): " + brief(in_) +
           " -> " + brief(out_);
  }

 private:
  tResizerExtension extension_{};
  bool nearest_;
  std::unique_ptr<Instance> instance_;
};

// Samples of one pixel in blue, green, red order, for the 24- and 32-bit formats.
struct Bgr {
  uint8_t b, g, r;
};

Bgr load(const PixFmt& f, const uint8_t* p) {
  if (f.order == RgbOrder::kSwapRB) return {p[2], p[1], p[0]};
  return {p[0], p[1], p[2]};
}

void store(const PixFmt& f, uint8_t* p, Bgr c) {
  if (f.order == RgbOrder::kSwapRB) {
    p[0] = c.r, p[1] = c.g, p[2] = c.b;
    return;
  }
  p[0] = c.b, p[1] = c.g, p[2] = c.r;
  // The library leaves the fourth byte 0; a bgra picture means it as opacity, so write opaque.
  if (f.rgb_bits == 32) p[3] = f.order == RgbOrder::kAlpha ? 255 : 0;
}

class RepackStage final : public Stage {
 public:
  RepackStage(const VideoFormat& in, const VideoFormat& out) : Stage(in, out) {}
  void run(uint8_t* in, uint8_t* out) override {
    if (in_.fmt->family == Family::kYuv) {
      // yuv420p and yv12 hold the same planes; only the order of the two chroma planes differs.
      const size_t luma = static_cast<size_t>(in_.width) * static_cast<size_t>(in_.height);
      const size_t chroma = (in_.frame_size() - luma) / 2;
      std::memcpy(out, in, luma);
      std::memcpy(out + luma, in + luma + chroma, chroma);
      std::memcpy(out + luma + chroma, in + luma, chroma);
      return;
    }
    const size_t pixels = static_cast<size_t>(in_.width) * static_cast<size_t>(in_.height);
    const size_t in_step = static_cast<size_t>(in_.fmt->rgb_bits / 8);
    const size_t out_step = static_cast<size_t>(out_.fmt->rgb_bits / 8);
    for (size_t i = 0; i < pixels; ++i)
      store(*out_.fmt, out + i * out_step, load(*in_.fmt, in + i * in_step));
  }
  std::string describe() const override { return "repack: " + brief(in_) + " -> " + brief(out_); }
};

}  // namespace

std::string brief(const VideoFormat& f) {
  std::string s =
      std::string(f.fmt->name) + " " + std::to_string(f.width) + "x" + std::to_string(f.height);
  if (f.fmt->family == Family::kYuv) s += std::string(" ") + layout_name(f.layout);
  return s;
}

bool same_pictures(const VideoFormat& a, const VideoFormat& b) {
  return a.width == b.width && a.height == b.height && a.fmt == b.fmt &&
         (a.fmt->family == Family::kRgb || a.layout == b.layout);
}

bool Geometry::any() const {
  for (int i = 0; i < 4; ++i) {
    if (crop[i] != 0 || offset[i] != 0 || fill[i] != 0) return true;
  }
  return nearest;
}

bool is_type_pair_refusal(uint32_t code) {
  return (code >= ERR_IMG_RESIZER_420TO420_YUVTYPE_ILLEGAL &&
          code <= ERR_IMG_RESIZER_YUVTYPE_ILLEGAL) ||
         (code >= ERR_IMG_RESIZER_NV12TONV12_YUVTYPE_ILLEGAL && code <= ERR_IMG_RESIZER_END);
}

const PixFmt& library_rgb(int bits) {
  switch (bits) {
    case 16:
      return *find_pix_fmt("rgb565le");
    case 24:
      return *find_pix_fmt("bgr24");
    default:
      return *find_pix_fmt("bgr0");
  }
}

bool can_repack(const PixFmt& from, const PixFmt& to) {
  if (from.family == Family::kYuv || to.family == Family::kYuv) {
    const auto planar420 = [](const PixFmt& f) {
      return f.family == Family::kYuv && (f.yuv_type == PF_YUV_420 || f.yuv_type == PF_YUV_420_VU);
    };
    return planar420(from) && planar420(to);
  }
  return from.rgb_bits != 16 && to.rgb_bits != 16;
}

std::unique_ptr<Stage> make_resizer_stage(const VideoFormat& in, const VideoFormat& out,
                                          const Geometry& geometry, void* mem) {
  return std::make_unique<ResizerStage>(in, out, geometry, mem);
}

std::unique_ptr<Stage> make_repack_stage(const VideoFormat& in, const PixFmt& out_fmt) {
  VideoFormat out = in;
  out.fmt = &out_fmt;
  return std::make_unique<RepackStage>(in, out);
}

// ---- Pipeline ----

Pipeline::Pipeline(const VideoFormat& in, void* mem, Note note)
    : in_(in), out_(in), mem_(mem), note_(std::move(note)) {}

Pipeline::Pipeline(const Request& r, void* mem, const Note& note) : Pipeline(r.in, mem, note) {
  then_convert(r.out, r.geometry);
}

Pipeline& Pipeline::then_convert(const VideoFormat& out, const Geometry& geometry) {
  const VideoFormat in = out_;
  const bool in_rgb = in.fmt->family == Family::kRgb;
  const bool out_rgb = out.fmt->family == Family::kRgb;
  if (!in_rgb && !out_rgb) {
    plan_yuv(in, out, geometry);
  } else if (!in_rgb) {
    const VideoFormat mid = with(in, out.width, out.height, yuv420p(), PF_IMAGE_FRAME);
    plan_yuv(in, mid, geometry);
    plan_from_yuv(mid, *out.fmt);
  } else if (!out_rgb) {
    plan_to_yuv(in);
    const VideoFormat mid = with(in, in.width, in.height, yuv420p(), PF_IMAGE_FRAME);
    plan_yuv(mid, out, geometry);
  } else if (geometry.any()) {
    // Cuts, margins and nearest scaling belong to the YUV resizer; the RGB resizer only scales.
    note_("crop, offset, fill and nearest work on YUV pictures: going through yuv420p");
    plan_to_yuv(in);
    const VideoFormat mid_in = with(in, in.width, in.height, yuv420p(), PF_IMAGE_FRAME);
    const VideoFormat mid_out = with(in, out.width, out.height, yuv420p(), PF_IMAGE_FRAME);
    plan_yuv(mid_in, mid_out, geometry);
    plan_from_yuv(mid_out, *out.fmt);
  } else {
    plan_rgb(in, out);
  }
  // The stream's other properties (rate, aspect, y4m tags) are those asked for.
  out_ = out;
  return *this;
}

Pipeline& Pipeline::then(std::unique_ptr<Stage> stage) {
  if (!same_pictures(stage->in(), out_)) {
    throw CliError("internal: the stage \"" + stage->describe() + "\" takes " + brief(stage->in()) +
                   " but the chain gives " + brief(out_));
  }
  add(std::move(stage));
  out_ = stages_.back()->out();
  return *this;
}

void Pipeline::add(std::unique_ptr<Stage> stage) {
  const VideoFormat& f = stage->out();
  std::vector<uint8_t> buffer(f.frame_size());
  fill_black(*f.fmt, f.width, f.height, buffer.data());
  buffers_.push_back(std::move(buffer));
  stages_.push_back(std::move(stage));
}

void Pipeline::plan_yuv(const VideoFormat& in, const VideoFormat& out, const Geometry& g) {
  void* const mem = mem_;
  const Note& note = note_;
  if (same_pictures(in, out) && !g.any()) return;
  const bool in_420 = in.fmt->yuv_type == PF_YUV_420;
  const bool out_420 = out.fmt->yuv_type == PF_YUV_420;
  // The resizer's only yuyv422 -> nv12 kernel scales even between equal sizes, which moves the
  // picture by a fraction of a pixel; a plain conversion is exact through yuv420p.
  const bool rescaling_conversion = in.fmt->yuv_type == PF_YUV_YUYV &&
                                    out.fmt->yuv_type == PF_YUV_NV12 && in.width == out.width &&
                                    in.height == out.height && !g.any();
  std::optional<ModuleError> direct;
  if (!rescaling_conversion) {
    try {
      add(make_resizer_stage(in, out, g, mem));
      return;
    } catch (const ModuleError& e) {
      if (!is_type_pair_refusal(e.code()) || (in_420 && out_420)) throw;
      direct = e;
    }
  }
  // The resizer converts most formats to and from yuv420p; chain those conversions around a
  // yuv420p job. yv12 differs from yuv420p only in plane order and is reordered here.
  std::vector<std::unique_ptr<Stage>> detour;
  try {
    const VideoFormat a = with(in, in.width, in.height, yuv420p(), in.layout);
    const VideoFormat b = with(out, out.width, out.height, yuv420p(), out.layout);
    if (!in_420) {
      if (can_repack(*in.fmt, yuv420p())) {
        detour.push_back(make_repack_stage(in, yuv420p()));
      } else {
        detour.push_back(make_resizer_stage(in, a, Geometry{}, mem));
      }
    }
    if (!same_pictures(a, b) || g.any()) detour.push_back(make_resizer_stage(a, b, g, mem));
    if (!out_420) {
      if (can_repack(yuv420p(), *out.fmt)) {
        detour.push_back(make_repack_stage(b, *out.fmt));
      } else {
        detour.push_back(make_resizer_stage(b, out, Geometry{}, mem));
      }
    }
  } catch (const ModuleError& also) {
    if (!direct) throw;
    throw ModuleError(std::string(direct->what()) + "\n  (going through yuv420p did not work " +
                          "either: " + also.what() + ")",
                      direct->code());
  }
  if (rescaling_conversion) {
    note("yuyv422 -> nv12 goes through yuv420p: the direct kernel would rescale the picture");
  } else {
    note(std::string("the resizer has no ") + in.fmt->name + " -> " + out.fmt->name +
         " kernel for this job; going through yuv420p");
  }
  for (auto& s : detour) add(std::move(s));
}

void Pipeline::plan_to_yuv(const VideoFormat& in) {
  void* const mem = mem_;
  if (in.fmt->order == RgbOrder::kSwapRB) {
    add(make_repack_stage(in, library_rgb(24)));
    add(make_rgb_to_yuv_stage(stages_.back()->out(), mem));
    return;
  }
  // bgra's alpha byte sits where the library reads nothing, so it is taken as it is.
  add(make_rgb_to_yuv_stage(in, mem));
}

void Pipeline::plan_from_yuv(const VideoFormat& in, const PixFmt& out_fmt) {
  void* const mem = mem_;
  add(make_yuv_to_rgb_stage(in, out_fmt.rgb_bits, mem));
  if (&out_fmt != &library_rgb(out_fmt.rgb_bits)) {
    add(make_repack_stage(stages_.back()->out(), out_fmt));
  }
}

void Pipeline::plan_rgb(const VideoFormat& in, const VideoFormat& out) {
  void* const mem = mem_;
  if (same_pictures(in, out)) return;
  const bool same_size = in.width == out.width && in.height == out.height;
  if (same_size && can_repack(*in.fmt, *out.fmt)) {
    add(make_repack_stage(in, *out.fmt));
    return;
  }
  // The RGB resizer scales 16- and 24-bit pictures; other 24/32-bit orders are repacked around it.
  VideoFormat src = in;
  if (in.fmt->rgb_bits != 16 && in.fmt != &library_rgb(24)) {
    add(make_repack_stage(in, library_rgb(24)));
    src = stages_.back()->out();
  }
  const int dst_bits = out.fmt->rgb_bits == 16 ? 16 : 24;
  const VideoFormat dst = with(out, out.width, out.height, library_rgb(dst_bits), PF_IMAGE_FRAME);
  add(make_rgb_resize_stage(src, dst, mem));
  if (dst.fmt != out.fmt) add(make_repack_stage(dst, *out.fmt));
}

uint8_t* Pipeline::run(uint8_t* in) {
  uint8_t* current = in;
  for (size_t i = 0; i < stages_.size(); ++i) {
    stages_[i]->run(current, buffers_[i].data());
    current = buffers_[i].data();
  }
  return current;
}

std::vector<std::string> Pipeline::describe() const {
  std::vector<std::string> out;
  for (const auto& s : stages_) out.push_back(s->describe());
  if (out.empty()) out.push_back("copy: " + brief(in_));
  return out;
}

}  // namespace pf::cli
