// SPDX-License-Identifier: BSD-2-Clause
// pfscale: the resizer (module 24) as a scaler and converter between I420, Y42B, NV12, NV21,
// YUY2 and UYVY, with letterbox/pillarbox bars in a fill colour.
//
// The resizer has no kernel for some pairs of layouts; those go through I420 in two or three
// resizer calls, exactly as the pelforge command line plans them, so that a pipeline and
// `pelforge resize` make the same bytes from the same pictures.
#include <gst/video/gstvideofilter.h>

#include <array>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "common.hpp"
#include "elements.hpp"
#include "img_resizer.h"

GST_DEBUG_CATEGORY_STATIC(pf_scale_debug);
#define GST_CAT_DEFAULT pf_scale_debug

namespace {

using pfgst::Module;

constexpr int kMaxWidth = 49152;
constexpr int kMaxHeight = 32766;
const std::vector<const char*> kFormats = {"I420", "Y42B", "NV12", "NV21", "YUY2", "UYVY"};

enum Method { kBilinear = 0, kNearest = 1 };

// One picture shape on the route: format, size and storage.
struct Shape {
  GstVideoFormat format;
  int width, height;
  uint32_t image_type;
  bool same(const Shape& o) const {
    return format == o.format && width == o.width && height == o.height &&
           image_type == o.image_type;
  }
};

struct Bars {
  std::array<int, 4> fill{};  // top, bottom, left, right
  bool any() const { return fill[0] || fill[1] || fill[2] || fill[3]; }
};

struct Settings {
  Method method = kBilinear;
  Bars bars;
  uint32_t fill_color = 0x108080;
  bool nearest() const { return method == kNearest; }
};

// The resizer's "no kernel for this pair of YUV types" codes: a route through I420 may still
// exist after them.
bool is_type_pair_refusal(uint32_t code) {
  return (code >= ERR_IMG_RESIZER_420TO420_YUVTYPE_ILLEGAL &&
          code <= ERR_IMG_RESIZER_YUVTYPE_ILLEGAL) ||
         (code >= ERR_IMG_RESIZER_NV12TONV12_YUVTYPE_ILLEGAL && code <= ERR_IMG_RESIZER_END);
}

// One resizer instance on the route.
class Step {
 public:
  Step(const Shape& in, const Shape& out) : in_(in), out_(out) {}
  uint32_t open(const Settings& s, bool with_geometry, void* mem) {
    tImageResizerParam p{};
    p.s32SrcWidth = in_.width;
    p.s32SrcHeight = in_.height;
    p.u32SrcYuvType = pfgst::yuv_type_of(in_.format);
    p.u32SrcImageType = in_.image_type;
    p.s32DstWidth = out_.width;
    p.s32DstHeight = out_.height;
    p.u32DstYuvType = pfgst::yuv_type_of(out_.format);
    p.u32DstImageType = out_.image_type;
    p.u32FillY = 16;
    p.u32FillU = 128;
    p.u32FillV = 128;
    if (with_geometry) {
      p.s32FillTop = s.bars.fill[0];
      p.s32FillBottom = s.bars.fill[1];
      p.s32FillLeft = s.bars.fill[2];
      p.s32FillRight = s.bars.fill[3];
      p.u32FillY = (s.fill_color >> 16) & 0xFF;
      p.u32FillU = (s.fill_color >> 8) & 0xFF;
      p.u32FillV = s.fill_color & 0xFF;
      // The resizer keeps the extension by pointer: it lives in the step.
      extension_ = {PF_RESIZER_EXTENSION_MAGIC, PF_RESIZER_MODE_NEAREST};
      if (s.nearest()) p.pExtension = &extension_;
    }
    return resizer_.open(&p, mem);
  }
  uint32_t run(tImgPicture* src, tImgPicture* dst) { return resizer_.process(src, dst); }
  const Module& module() const { return resizer_; }
  const Shape& in() const { return in_; }
  const Shape& out() const { return out_; }

 private:
  Shape in_, out_;
  tResizerExtension extension_{};
  Module resizer_{tImageResizerFunc, "ImageResizer"};
};

// A contiguous I420 picture between two steps.
struct Between {
  std::vector<uint8_t> bytes;
  tImgPicture record{};
};

// The resizer calls that turn one shape into another.
class Route {
 public:
  // 0, or the refusing step's code with that step in `refused`.
  uint32_t plan(const Shape& in, const Shape& out, const Settings& s, void* mem) {
    steps_.clear();
    between_.clear();
    const bool geometry = s.bars.any() || s.nearest();
    if (in.same(out) && !geometry) return PF_STATUS_OK;
    const bool in_420 = in.format == GST_VIDEO_FORMAT_I420;
    const bool out_420 = out.format == GST_VIDEO_FORMAT_I420;
    // The resizer's only YUYV -> NV12 kernel scales even between equal sizes, which moves the
    // picture by a fraction of a pixel; a plain conversion through I420 is exact.
    const bool rescaling = in.format == GST_VIDEO_FORMAT_YUY2 &&
                           out.format == GST_VIDEO_FORMAT_NV12 && in.width == out.width &&
                           in.height == out.height && !geometry;
    uint32_t direct = PF_STATUS_OK;
    if (!rescaling) {
      direct = add(in, out, s, true, mem);
      if (direct == PF_STATUS_OK) return finish();
      if (!is_type_pair_refusal(direct) || (in_420 && out_420)) return direct;
      direct_refused_ = refused_;
      steps_.clear();
    }
    const Shape a{GST_VIDEO_FORMAT_I420, in.width, in.height, in.image_type};
    const Shape b{GST_VIDEO_FORMAT_I420, out.width, out.height, out.image_type};
    uint32_t status = PF_STATUS_OK;
    if (!in_420) status = add(in, a, s, false, mem);
    if (status == PF_STATUS_OK && (!a.same(b) || geometry)) status = add(a, b, s, true, mem);
    if (status == PF_STATUS_OK && !out_420) status = add(b, out, s, false, mem);
    if (status != PF_STATUS_OK) {
      // The direct refusal names what the user asked for better than the detour's.
      if (direct != PF_STATUS_OK) refused_ = direct_refused_;
      steps_.clear();
      return direct != PF_STATUS_OK ? direct : status;
    }
    GST_DEBUG("no direct kernel for %s -> %s: going through I420",
              gst_video_format_to_string(in.format), gst_video_format_to_string(out.format));
    return finish();
  }

  bool empty() const { return steps_.empty(); }
  size_t size() const { return steps_.size(); }
  const Step& refused() const { return *refused_; }

  // Runs every step: the first reads `src`, the last writes `dst`.
  uint32_t run(tImgPicture* src, tImgPicture* dst, const Module** failed) {
    for (size_t i = 0; i < steps_.size(); ++i) {
      tImgPicture* from = i == 0 ? src : &between_[i - 1].record;
      tImgPicture* to = i + 1 == steps_.size() ? dst : &between_[i].record;
      const uint32_t status = steps_[i]->run(from, to);
      if (status != PF_STATUS_OK) {
        *failed = &steps_[i]->module();
        return status;
      }
    }
    return PF_STATUS_OK;
  }

 private:
  uint32_t add(const Shape& in, const Shape& out, const Settings& s, bool geometry, void* mem) {
    auto step = std::make_unique<Step>(in, out);
    const uint32_t status = step->open(s, geometry, mem);
    if (status != PF_STATUS_OK) {
      refused_ = std::move(step);
      return status;
    }
    steps_.push_back(std::move(step));
    return PF_STATUS_OK;
  }

  // Buffers for the pictures between the steps.
  uint32_t finish() {
    for (size_t i = 0; i + 1 < steps_.size(); ++i) {
      const Shape& s = steps_[i]->out();
      const pfgst::Contiguous c = pfgst::contiguous_layout(s.format, s.width, s.height);
      Between b;
      b.bytes.assign(c.size, 128);
      std::fill_n(b.bytes.begin(), c.row_bytes[0] * static_cast<size_t>(c.rows[0]), 16);
      b.record.pu8Y = b.bytes.data();
      b.record.pu8U = b.bytes.data() + c.offset[1];
      b.record.pu8V = b.bytes.data() + c.offset[2];
      b.record.u32YPitch = static_cast<uint32_t>(c.row_bytes[0]);
      b.record.u32UVPitch = static_cast<uint32_t>(c.row_bytes[1]);
      between_.push_back(std::move(b));
    }
    return PF_STATUS_OK;
  }

  std::vector<std::unique_ptr<Step>> steps_;
  std::vector<Between> between_;
  std::shared_ptr<Step> refused_;
  std::shared_ptr<Step> direct_refused_;
};

// The largest box of the picture's display shape inside the output, centred, with bars that are
// multiples of 4 (so that they suit field storage too); the same bars as `pelforge resize
// --keep-aspect` computes for square pixels.
Bars aspect_bars(int w, int h, int par_n, int par_d, int out_w, int out_h, int out_par_n,
                 int out_par_d) {
  const int64_t sw = int64_t{w} * par_n * out_par_d;
  const int64_t sh = int64_t{h} * par_d * out_par_n;
  int64_t inner_w = out_w, inner_h = out_h;
  if (sw * out_h > sh * out_w) {
    inner_h = (int64_t{out_w} * sh + sw / 2) / sw;
  } else {
    inner_w = (int64_t{out_h} * sw + sh / 2) / sh;
  }
  auto split = [](int64_t bar) {
    const int first = static_cast<int>((bar / 2 + 2) & ~int64_t{3});
    return std::array<int, 2>{first, static_cast<int>((bar - first + 2) & ~int64_t{3})};
  };
  const auto [top, bottom] = split(std::max<int64_t>(0, out_h - inner_h));
  const auto [left, right] = split(std::max<int64_t>(0, out_w - inner_w));
  return Bars{{top, bottom, left, right}};
}

struct State {
  pfgst::MemHandle mem;
  // Routes by the storage of the source picture: frames and interlaced frames (mixed streams
  // need both).
  Route frame_route, interlaced_route;
  bool has_frame = false, has_interlaced = false;
  pfgst::ContiguousPicture in_copy, out_copy;
};

}  // namespace

G_BEGIN_DECLS
#define PF_TYPE_SCALE (pf_scale_get_type())
G_DECLARE_FINAL_TYPE(PfScale, pf_scale, PF, SCALE, GstVideoFilter)
G_END_DECLS

struct _PfScale {
  GstVideoFilter parent;
  // Properties, under the object lock.
  gint method;
  gboolean add_borders;
  guint fill_color;
  State* state;
};

G_DEFINE_TYPE(PfScale, pf_scale, GST_TYPE_VIDEO_FILTER)
GST_ELEMENT_REGISTER_DEFINE(pfscale, "pfscale", GST_RANK_NONE, PF_TYPE_SCALE)

namespace {

GType method_type() {
  static const GEnumValue values[] = {
      {kBilinear, "Bilinear (16.16 fixed point, line pairs)", "bilinear"},
      {kNearest, "Nearest neighbour (4:2:0 and planar 4:2:2 frames)", "nearest"},
      {0, nullptr, nullptr}};
  return pfgst::enum_type("PfScaleMethod", values);
}

constexpr pfgst::Property kProperties[] = {
    pfgst::enum_property("method", "Method", "How samples are taken from the source picture",
                         method_type, kBilinear, pfgst::kPropFlagsReady,
                         pfgst::locked_field<&PfScale::method>()),
    pfgst::boolean_property("add-borders", "Add borders",
                            "Keep the display shape with letterbox or pillarbox bars in "
                            "fill-color (bars are multiples of 4 lines or pixels)",
                            false, pfgst::kPropFlagsReady,
                            pfgst::locked_field<&PfScale::add_borders>()),
    pfgst::colour_property("fill-color", "Fill colour",
                           "Colour of the bars as 0xYYUUVV: Y, U and V bytes (0x108080 is black, "
                           "0xEB8080 white)",
                           0x108080, pfgst::kPropFlagsReady,
                           pfgst::locked_field<&PfScale::fill_color>()),
};

void finalize(GObject* object) {
  delete PF_SCALE(object)->state;
  G_OBJECT_CLASS(pf_scale_parent_class)->finalize(object);
}

// Any size and any of the formats on the other side; rate and storage stay.
GstCaps* transform_caps(GstBaseTransform*, GstPadDirection, GstCaps* caps, GstCaps* filter) {
  GstCaps* result = gst_caps_new_empty();
  GstCaps* any_format = pfgst::raw_caps(kFormats, kMaxWidth, kMaxHeight);
  const GValue* formats = gst_structure_get_value(gst_caps_get_structure(any_format, 0), "format");
  const GValue* widths = gst_structure_get_value(gst_caps_get_structure(any_format, 0), "width");
  const GValue* heights = gst_structure_get_value(gst_caps_get_structure(any_format, 0), "height");
  for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
    GstStructure* s = gst_structure_copy(gst_caps_get_structure(caps, i));
    gst_structure_set_value(s, "format", formats);
    gst_structure_set_value(s, "width", widths);
    gst_structure_set_value(s, "height", heights);
    if (gst_structure_has_field(s, "pixel-aspect-ratio")) {
      gst_structure_set(s, "pixel-aspect-ratio", GST_TYPE_FRACTION_RANGE, 1, G_MAXINT, G_MAXINT, 1,
                        nullptr);
    }
    // Chroma siting and colorimetry belong to the output format, which may differ.
    gst_structure_remove_fields(s, "colorimetry", "chroma-site", nullptr);
    result = gst_caps_merge_structure_full(result, s,
                                           gst_caps_features_copy(gst_caps_get_features(caps, i)));
  }
  gst_caps_unref(any_format);
  if (filter != nullptr) {
    GstCaps* both = gst_caps_intersect_full(filter, result, GST_CAPS_INTERSECT_FIRST);
    gst_caps_unref(result);
    result = both;
  }
  return result;
}

int round_even(int64_t v) { return static_cast<int>(std::max<int64_t>(2, (v + 1) & ~int64_t{1})); }

// Keeps the display shape where the other side leaves room: the input's size when nothing is
// asked, the missing side from the given one, the pixel aspect ratio that keeps the shape when
// both sides are given (or the input's, when bars keep the shape).
GstCaps* fixate_caps(GstBaseTransform* trans, GstPadDirection, GstCaps* caps, GstCaps* othercaps) {
  PfScale* self = PF_SCALE(trans);
  GST_OBJECT_LOCK(self);
  const bool borders = self->add_borders;
  GST_OBJECT_UNLOCK(self);
  othercaps = gst_caps_truncate(gst_caps_make_writable(othercaps));
  const GstStructure* in = gst_caps_get_structure(caps, 0);
  GstStructure* out = gst_caps_get_structure(othercaps, 0);
  int w = 0, h = 0, par_n = 1, par_d = 1;
  gst_structure_get_int(in, "width", &w);
  gst_structure_get_int(in, "height", &h);
  gst_structure_get_fraction(in, "pixel-aspect-ratio", &par_n, &par_d);
  if (const char* format = gst_structure_get_string(in, "format")) {
    gst_structure_fixate_field_string(out, "format", format);
  }
  if (w <= 0 || h <= 0 || par_n <= 0 || par_d <= 0) return gst_caps_fixate(othercaps);

  int out_w = 0, out_h = 0;
  const bool w_fixed = gst_structure_get_int(out, "width", &out_w);
  const bool h_fixed = gst_structure_get_int(out, "height", &out_h);
  auto fixed_par = [out](int& n, int& d) {
    return gst_structure_get_fraction(out, "pixel-aspect-ratio", &n, &d) && n > 0 && d > 0;
  };
  int opar_n = par_n, opar_d = par_d;
  if (w_fixed && h_fixed) {
    if (!fixed_par(opar_n, opar_d)) {
      if (!borders) {
        // The picture is stretched to the box: the pixels take the shape that keeps the display.
        int64_t n = int64_t{w} * par_n * out_h, d = int64_t{h} * par_d * out_w;
        const int64_t g = std::gcd(n, d);
        n /= g, d /= g;
        while (n > G_MAXINT || d > G_MAXINT) n /= 2, d /= 2;
        opar_n = static_cast<int>(std::max<int64_t>(1, n));
        opar_d = static_cast<int>(std::max<int64_t>(1, d));
      }
      if (gst_structure_has_field(out, "pixel-aspect-ratio")) {
        gst_structure_fixate_field_nearest_fraction(out, "pixel-aspect-ratio", opar_n, opar_d);
      } else {
        gst_structure_set(out, "pixel-aspect-ratio", GST_TYPE_FRACTION, opar_n, opar_d, nullptr);
      }
    }
    return gst_caps_fixate(othercaps);
  }
  if (gst_structure_has_field(out, "pixel-aspect-ratio")) {
    gst_structure_fixate_field_nearest_fraction(out, "pixel-aspect-ratio", par_n, par_d);
  } else {
    gst_structure_set(out, "pixel-aspect-ratio", GST_TYPE_FRACTION, par_n, par_d, nullptr);
  }
  fixed_par(opar_n, opar_d);
  // Display width / height = w * par_n / (h * par_d) on both sides.
  const int64_t num = int64_t{w} * par_n * opar_d, den = int64_t{h} * par_d * opar_n;
  if (w_fixed) {
    gst_structure_fixate_field_nearest_int(out, "height", round_even(out_w * den / num));
  } else if (h_fixed) {
    gst_structure_fixate_field_nearest_int(out, "width", round_even(out_h * num / den));
  } else {
    gst_structure_fixate_field_nearest_int(out, "width", w);
    gst_structure_get_int(out, "width", &out_w);
    gst_structure_fixate_field_nearest_int(out, "height", round_even(out_w * den / num));
  }
  return gst_caps_fixate(othercaps);
}

gboolean set_info(GstVideoFilter* filter, GstCaps*, GstVideoInfo* in_info, GstCaps*,
                  GstVideoInfo* out_info) {
  PfScale* self = PF_SCALE(filter);
  State& st = *self->state;
  Settings s;
  GST_OBJECT_LOCK(self);
  s.method = static_cast<Method>(self->method);
  s.fill_color = self->fill_color;
  const bool borders = self->add_borders;
  GST_OBJECT_UNLOCK(self);
  const int w = GST_VIDEO_INFO_WIDTH(in_info), h = GST_VIDEO_INFO_HEIGHT(in_info);
  const int ow = GST_VIDEO_INFO_WIDTH(out_info), oh = GST_VIDEO_INFO_HEIGHT(out_info);
  if (borders) {
    s.bars = aspect_bars(w, h, GST_VIDEO_INFO_PAR_N(in_info), GST_VIDEO_INFO_PAR_D(in_info), ow, oh,
                         GST_VIDEO_INFO_PAR_N(out_info), GST_VIDEO_INFO_PAR_D(out_info));
  }
  const GstVideoInterlaceMode mode = GST_VIDEO_INFO_INTERLACE_MODE(in_info);
  st.has_frame = mode != GST_VIDEO_INTERLACE_MODE_INTERLEAVED;
  st.has_interlaced = mode != GST_VIDEO_INTERLACE_MODE_PROGRESSIVE;
  for (const auto& [wanted, route, type] :
       {std::tuple{st.has_frame, &st.frame_route, PF_IMAGE_FRAME},
        std::tuple{st.has_interlaced, &st.interlaced_route, PF_IMAGE_INTERLACED}}) {
    if (!wanted) continue;
    const Shape in{GST_VIDEO_INFO_FORMAT(in_info), w, h, type};
    const Shape out{GST_VIDEO_INFO_FORMAT(out_info), ow, oh, type};
    const uint32_t status = route->plan(in, out, s, st.mem.get());
    if (status != PF_STATUS_OK) {
      const Step& step = route->refused();
      pfgst::post_module_error(GST_ELEMENT(self), step.module(), status,
                               std::string("cannot scale ") +
                                   gst_video_format_to_string(in.format) + " " + std::to_string(w) +
                                   "x" + std::to_string(h) +
                                   (type == PF_IMAGE_FRAME ? "" : " interlaced") + " to " +
                                   gst_video_format_to_string(out.format) + " " +
                                   std::to_string(ow) + "x" + std::to_string(oh));
      return FALSE;
    }
    GST_INFO_OBJECT(self, "%s storage: %zu resizer call(s), bars %d,%d,%d,%d",
                    type == PF_IMAGE_FRAME ? "frame" : "interlaced", route->size(), s.bars.fill[0],
                    s.bars.fill[1], s.bars.fill[2], s.bars.fill[3]);
  }
  st.in_copy.configure(in_info);
  st.out_copy.configure(out_info);
  const bool same = (!st.has_frame || st.frame_route.empty()) &&
                    (!st.has_interlaced || st.interlaced_route.empty());
  gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(self), same);
  return TRUE;
}

GstFlowReturn transform_frame(GstVideoFilter* filter, GstVideoFrame* in, GstVideoFrame* out) {
  PfScale* self = PF_SCALE(filter);
  State& st = *self->state;
  const uint32_t type = pfgst::image_type_of(&filter->in_info, in->buffer);
  Route& route = type == PF_IMAGE_FRAME ? st.frame_route : st.interlaced_route;
  if (route.empty()) {
    gst_video_frame_copy(out, in);
    return GST_FLOW_OK;
  }
  // Frames with pitches the picture record cannot carry go through contiguous copies.
  tImgPicture src, dst;
  const bool copy_in = !pfgst::describable(in), copy_out = !pfgst::describable(out);
  if (copy_in) {
    src = pfgst::picture_of(in, true);
    uint8_t* p = st.in_copy.begin(in);
    const pfgst::Contiguous& c = st.in_copy.layout();
    src.pu8Y = p;
    src.pu8U = src.pu8V = nullptr;  // derived from the luma plane
    src.u32YPitch = static_cast<uint32_t>(c.row_bytes[0]);
    if (c.planes == 1) src.u32YPitch /= 2;
  } else {
    src = pfgst::picture_of(in, true);
  }
  if (copy_out) {
    const pfgst::Contiguous& c = st.out_copy.layout();
    dst = tImgPicture{};
    dst.pu8Y = st.out_copy.begin(out);
    dst.u32YPitch = static_cast<uint32_t>(c.planes == 1 ? c.row_bytes[0] / 2 : c.row_bytes[0]);
  } else {
    dst = pfgst::picture_of(out, true);
  }
  const Module* failed = nullptr;
  const uint32_t status = route.run(&src, &dst, &failed);
  if (status != PF_STATUS_OK) {
    pfgst::post_module_error(GST_ELEMENT(self), *failed, status, "a picture could not be scaled");
    return GST_FLOW_ERROR;
  }
  if (copy_out) st.out_copy.finish(out);
  return GST_FLOW_OK;
}

gboolean stop(GstBaseTransform* trans) {
  PfScale* self = PF_SCALE(trans);
  delete self->state;
  self->state = new State;
  return TRUE;
}

}  // namespace

static void pf_scale_class_init(PfScaleClass* klass) {
  GObjectClass* object_class = G_OBJECT_CLASS(klass);
  GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
  GstBaseTransformClass* trans_class = GST_BASE_TRANSFORM_CLASS(klass);
  GstVideoFilterClass* filter_class = GST_VIDEO_FILTER_CLASS(klass);
  GST_DEBUG_CATEGORY_INIT(pf_scale_debug, "pfscale", 0, "pelforge resizer element");

  object_class->finalize = finalize;
  pfgst::install_properties(object_class, kProperties);

  GstCaps* caps = pfgst::raw_caps(kFormats, kMaxWidth, kMaxHeight);
  gst_element_class_add_pad_template(
      element_class, gst_pad_template_new("sink", GST_PAD_SINK, GST_PAD_ALWAYS, caps));
  gst_element_class_add_pad_template(
      element_class, gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, caps));
  gst_caps_unref(caps);
  gst_element_class_set_static_metadata(
      element_class, "pelforge scaler", "Filter/Converter/Video/Scaler",
      "Scales and converts 4:2:0, 4:2:2, NV12/NV21 and packed 4:2:2 pictures with the pelforge "
      "resizer; interlaced pictures are scaled field by field",
      "pelforge");

  trans_class->transform_caps = transform_caps;
  trans_class->fixate_caps = fixate_caps;
  trans_class->stop = stop;
  filter_class->set_info = set_info;
  filter_class->transform_frame = transform_frame;
}

static void pf_scale_init(PfScale* self) {
  pfgst::init_properties(G_OBJECT(self), kProperties);
  self->state = new State;
}
