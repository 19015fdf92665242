// SPDX-License-Identifier: BSD-2-Clause
// pfpatternsrc: the renovation module's pictures (test card, two sets of colour bars, a solid
// colour) as a source, in I420 or UYVY, progressive or interleaved.
#include <gst/base/gstpushsrc.h>

#include <algorithm>
#include <vector>

#include "common.hpp"
#include "elements.hpp"
#include "img_renovation.h"
#include "img_resizer.h"

GST_DEBUG_CATEGORY_STATIC(pf_pattern_src_debug);
#define GST_CAT_DEFAULT pf_pattern_src_debug

namespace {

struct State {
  pfgst::MemHandle mem;
  GstVideoInfo info;
  pfgst::Contiguous layout;
  std::vector<uint8_t> picture;  // the pattern, rendered once: it does not move
  guint64 frames = 0;
};

}  // namespace

G_BEGIN_DECLS
#define PF_TYPE_PATTERN_SRC (pf_pattern_src_get_type())
G_DECLARE_FINAL_TYPE(PfPatternSrc, pf_pattern_src, PF, PATTERN_SRC, GstPushSrc)
G_END_DECLS

struct _PfPatternSrc {
  GstPushSrc parent;
  // Properties, under the object lock.
  gint kind;
  guint color;
  State* state;
};

G_DEFINE_TYPE(PfPatternSrc, pf_pattern_src, GST_TYPE_PUSH_SRC)
GST_ELEMENT_REGISTER_DEFINE(pfpatternsrc, "pfpatternsrc", GST_RANK_NONE, PF_TYPE_PATTERN_SRC)

namespace {

GType kind_type() {
  static const GEnumValue values[] = {
      {PF_RENOVATION_TESTCARD, "Test card (720x576 I420 only)", "testcard"},
      {PF_RENOVATION_BARS, "Eight colour bars (width a multiple of 16)", "bars"},
      {PF_RENOVATION_SOLID, "One colour: color", "solid"},
      {PF_RENOVATION_BARS2, "Eight colour bars, second set (width a multiple of 16)", "bars2"},
      {0, nullptr, nullptr}};
  return pfgst::enum_type("PfPatternKind", values);
}

constexpr pfgst::Property kProperties[] = {
    pfgst::enum_property("kind", "Kind", "The picture to make", kind_type, PF_RENOVATION_BARS,
                         pfgst::kPropFlagsReady, pfgst::locked_field<&PfPatternSrc::kind>()),
    pfgst::colour_property("color", "Colour", "The solid colour as 0xRRGGBB (kind=solid)", 0,
                           pfgst::kPropFlagsReady, pfgst::locked_field<&PfPatternSrc::color>()),
};

void finalize(GObject* object) {
  delete PF_PATTERN_SRC(object)->state;
  G_OBJECT_CLASS(pf_pattern_src_parent_class)->finalize(object);
}

// What the kind can be made as: the test card exists only as 720x576 I420, bars need widths in
// steps of 16 (eight bars of whole chroma pairs).
GstCaps* get_caps(GstBaseSrc* src, GstCaps* filter) {
  PfPatternSrc* self = PF_PATTERN_SRC(src);
  GST_OBJECT_LOCK(self);
  const auto kind = static_cast<uint32_t>(self->kind);
  GST_OBJECT_UNLOCK(self);
  GstCaps* caps = gst_pad_get_pad_template_caps(GST_BASE_SRC_PAD(src));
  caps = gst_caps_make_writable(caps);
  GstStructure* s = gst_caps_get_structure(caps, 0);
  if (kind == PF_RENOVATION_TESTCARD) {
    gst_structure_set(s, "format", G_TYPE_STRING, "I420", "width", G_TYPE_INT, 720, "height",
                      G_TYPE_INT, 576, nullptr);
  } else if (kind == PF_RENOVATION_BARS || kind == PF_RENOVATION_BARS2) {
    GValue range = G_VALUE_INIT;
    g_value_init(&range, GST_TYPE_INT_RANGE);
    gst_value_set_int_range_step(&range, 16, PF_RENOVATION_MAX_SIZE, 16);
    gst_structure_set_value(s, "width", &range);
    g_value_unset(&range);
  }
  if (filter != nullptr) {
    GstCaps* both = gst_caps_intersect_full(filter, caps, GST_CAPS_INTERSECT_FIRST);
    gst_caps_unref(caps);
    caps = both;
  }
  return caps;
}

// D1 PAL at 25 pictures a second unless downstream asks for something else.
GstCaps* fixate(GstBaseSrc* src, GstCaps* caps) {
  caps = gst_caps_make_writable(caps);
  caps = gst_caps_truncate(caps);
  GstStructure* s = gst_caps_get_structure(caps, 0);
  gst_structure_fixate_field_nearest_int(s, "width", 720);
  gst_structure_fixate_field_nearest_int(s, "height", 576);
  gst_structure_fixate_field_nearest_fraction(s, "framerate", 25, 1);
  gst_structure_fixate_field_string(s, "interlace-mode", "progressive");
  if (gst_structure_has_field(s, "pixel-aspect-ratio")) {
    gst_structure_fixate_field_nearest_fraction(s, "pixel-aspect-ratio", 1, 1);
  }
  return GST_BASE_SRC_CLASS(pf_pattern_src_parent_class)->fixate(src, caps);
}

// Renders the pattern once. The test card exists as a field picture when interlaced, and is
// woven into an interlaced frame by the resizer, as `pelforge pattern --interlaced` does.
gboolean set_caps(GstBaseSrc* src, GstCaps* caps) {
  PfPatternSrc* self = PF_PATTERN_SRC(src);
  State& st = *self->state;
  if (!gst_video_info_from_caps(&st.info, caps)) return FALSE;
  GST_OBJECT_LOCK(self);
  const auto kind = static_cast<uint32_t>(self->kind);
  const guint color = self->color;
  GST_OBJECT_UNLOCK(self);
  const GstVideoFormat format = GST_VIDEO_INFO_FORMAT(&st.info);
  const int w = GST_VIDEO_INFO_WIDTH(&st.info), h = GST_VIDEO_INFO_HEIGHT(&st.info);
  const bool interlaced = GST_VIDEO_INFO_IS_INTERLACED(&st.info);
  const uint32_t yuv_type = pfgst::yuv_type_of(format);
  const tRenovationParam p{
      kind,         w, h, yuv_type, interlaced ? 2u : 1u, (color >> 16) & 0xFF, (color >> 8) & 0xFF,
      color & 0xFF, 0};
  pfgst::Module renovation(TImgRenovationFuncs, "ImgRenovation");
  uint32_t status = renovation.open(&p, st.mem.get());
  if (status != PF_STATUS_OK) {
    pfgst::post_module_error(GST_ELEMENT(self), renovation, status,
                             std::string("cannot make this pattern at ") +
                                 gst_video_format_to_string(format) + " " + std::to_string(w) +
                                 "x" + std::to_string(h));
    return FALSE;
  }
  st.layout = pfgst::contiguous_layout(format, w, h);
  st.picture.assign(st.layout.size, 0);
  std::vector<uint8_t> fields;
  const bool weave = interlaced && kind == PF_RENOVATION_TESTCARD;
  if (weave) fields.assign(st.layout.size, 0);
  uint8_t* target = weave ? fields.data() : st.picture.data();
  tImgPicture pic{target,
                  nullptr,
                  nullptr,
                  static_cast<uint32_t>(st.layout.planes == 1 ? st.layout.row_bytes[0] / 2
                                                              : st.layout.row_bytes[0]),
                  0,
                  0,
                  0};
  int context = 0;
  status = renovation.process(&pic, &context);
  if (status != PF_STATUS_OK) {
    pfgst::post_module_error(GST_ELEMENT(self), renovation, status, "cannot make the pattern");
    return FALSE;
  }
  if (weave) {
    tImageResizerParam rp{};
    rp.s32SrcWidth = rp.s32DstWidth = w;
    rp.s32SrcHeight = rp.s32DstHeight = h;
    rp.u32SrcYuvType = rp.u32DstYuvType = yuv_type;
    rp.u32SrcImageType = PF_IMAGE_FIELD;
    rp.u32DstImageType = PF_IMAGE_INTERLACED;
    rp.u32FillY = 16;
    rp.u32FillU = rp.u32FillV = 128;
    pfgst::Module resizer(tImageResizerFunc, "ImageResizer");
    status = resizer.open(&rp, st.mem.get());
    tImgPicture out = pic;
    out.pu8Y = st.picture.data();
    if (status == PF_STATUS_OK) status = resizer.process(&pic, &out);
    if (status != PF_STATUS_OK) {
      pfgst::post_module_error(GST_ELEMENT(self), resizer, status,
                               "cannot weave the test card's fields");
      return FALSE;
    }
  }
  GST_INFO_OBJECT(self, "pattern %u at %dx%d %s", kind, w, h, interlaced ? "interlaced" : "");
  st.frames = 0;
  return TRUE;
}

GstFlowReturn fill(GstPushSrc* src, GstBuffer* buffer) {
  PfPatternSrc* self = PF_PATTERN_SRC(src);
  State& st = *self->state;
  if (st.picture.empty()) return GST_FLOW_NOT_NEGOTIATED;
  const int fps_n = GST_VIDEO_INFO_FPS_N(&st.info), fps_d = GST_VIDEO_INFO_FPS_D(&st.info);
  // A still picture (rate 0) is sent once.
  if (fps_n == 0 && st.frames > 0) return GST_FLOW_EOS;
  GstVideoFrame frame;
  if (!gst_video_frame_map(&frame, &st.info, buffer, GST_MAP_WRITE)) {
    GST_ELEMENT_ERROR(self, RESOURCE, WRITE, ("cannot map a buffer"), (nullptr));
    return GST_FLOW_ERROR;
  }
  pfgst::copy_into_frame(st.picture.data(), st.layout, &frame);
  gst_video_frame_unmap(&frame);
  if (fps_n > 0) {
    const GstClockTime start = gst_util_uint64_scale(
        st.frames, GST_SECOND * static_cast<guint64>(fps_d), static_cast<guint64>(fps_n));
    const GstClockTime end = gst_util_uint64_scale(
        st.frames + 1, GST_SECOND * static_cast<guint64>(fps_d), static_cast<guint64>(fps_n));
    GST_BUFFER_PTS(buffer) = start;
    GST_BUFFER_DURATION(buffer) = end - start;
  } else {
    GST_BUFFER_PTS(buffer) = 0;
    GST_BUFFER_DURATION(buffer) = GST_CLOCK_TIME_NONE;
  }
  GST_BUFFER_DTS(buffer) = GST_CLOCK_TIME_NONE;
  GST_BUFFER_OFFSET(buffer) = st.frames;
  GST_BUFFER_OFFSET_END(buffer) = st.frames + 1;
  if (GST_VIDEO_INFO_IS_INTERLACED(&st.info)) {
    GST_BUFFER_FLAG_SET(buffer, GST_VIDEO_BUFFER_FLAG_INTERLACED);
    GST_BUFFER_FLAG_SET(buffer, GST_VIDEO_BUFFER_FLAG_TFF);
  }
  ++st.frames;
  return GST_FLOW_OK;
}

// Pictures come from a video buffer pool of the negotiated size (downstream's, when it offers
// one), with video meta where downstream reads it, so that padded strides are understood.
gboolean decide_allocation(GstBaseSrc* src, GstQuery* query) {
  PfPatternSrc* self = PF_PATTERN_SRC(src);
  GstCaps* caps = nullptr;
  gst_query_parse_allocation(query, &caps, nullptr);
  GstBufferPool* pool = nullptr;
  guint size = 0, min = 0, max = 0;
  const bool has_pool = gst_query_get_n_allocation_pools(query) > 0;
  if (has_pool) gst_query_parse_nth_allocation_pool(query, 0, &pool, &size, &min, &max);
  if (pool == nullptr) pool = gst_video_buffer_pool_new();
  size = std::max<guint>(size, static_cast<guint>(GST_VIDEO_INFO_SIZE(&self->state->info)));
  GstStructure* config = gst_buffer_pool_get_config(pool);
  gst_buffer_pool_config_set_params(config, caps, size, min, max);
  if (gst_query_find_allocation_meta(query, GST_VIDEO_META_API_TYPE, nullptr)) {
    gst_buffer_pool_config_add_option(config, GST_BUFFER_POOL_OPTION_VIDEO_META);
  }
  gst_buffer_pool_set_config(pool, config);
  if (has_pool) {
    gst_query_set_nth_allocation_pool(query, 0, pool, size, min, max);
  } else {
    gst_query_add_allocation_pool(query, pool, size, min, max);
  }
  gst_object_unref(pool);
  return GST_BASE_SRC_CLASS(pf_pattern_src_parent_class)->decide_allocation(src, query);
}

gboolean start(GstBaseSrc* src) {
  PfPatternSrc* self = PF_PATTERN_SRC(src);
  delete self->state;
  self->state = new State;
  gst_video_info_init(&self->state->info);
  return TRUE;
}

gboolean stop(GstBaseSrc* src) {
  PfPatternSrc* self = PF_PATTERN_SRC(src);
  self->state->picture.clear();
  return TRUE;
}

}  // namespace

static void pf_pattern_src_class_init(PfPatternSrcClass* klass) {
  GObjectClass* object_class = G_OBJECT_CLASS(klass);
  GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
  GstBaseSrcClass* base_class = GST_BASE_SRC_CLASS(klass);
  GST_DEBUG_CATEGORY_INIT(pf_pattern_src_debug, "pfpatternsrc", 0,
                          "pelforge renovation pattern source");
  object_class->finalize = finalize;
  pfgst::install_properties(object_class, kProperties);
  GstCaps* caps = pfgst::raw_caps({"I420", "UYVY"}, PF_RENOVATION_MAX_SIZE, PF_RENOVATION_MAX_SIZE);
  // Progressive or interleaved; a pattern has no mixed pictures.
  GValue modes = G_VALUE_INIT, mode = G_VALUE_INIT;
  g_value_init(&modes, GST_TYPE_LIST);
  g_value_init(&mode, G_TYPE_STRING);
  for (const char* m : {"progressive", "interleaved"}) {
    g_value_set_string(&mode, m);
    gst_value_list_append_value(&modes, &mode);
  }
  gst_structure_set_value(gst_caps_get_structure(caps, 0), "interlace-mode", &modes);
  gst_structure_set(gst_caps_get_structure(caps, 0), "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1,
                    nullptr);
  g_value_unset(&modes);
  g_value_unset(&mode);
  gst_element_class_add_pad_template(
      element_class, gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, caps));
  gst_caps_unref(caps);
  gst_element_class_set_static_metadata(
      element_class, "pelforge pattern source", "Source/Video",
      "Test card, colour bars and solid colours from the pelforge renovation module", "pelforge");
  base_class->get_caps = get_caps;
  base_class->fixate = fixate;
  base_class->set_caps = set_caps;
  base_class->decide_allocation = decide_allocation;
  base_class->start = start;
  base_class->stop = stop;
  GST_PUSH_SRC_CLASS(klass)->fill = fill;
}

static void pf_pattern_src_init(PfPatternSrc* self) {
  pfgst::init_properties(G_OBJECT(self), kProperties);
  self->state = new State;
  gst_video_info_init(&self->state->info);
  gst_base_src_set_format(GST_BASE_SRC(self), GST_FORMAT_TIME);
}
