// SPDX-License-Identifier: BSD-2-Clause
// pfmerge: the multi-picture merge module (6) as an aggregator. Each request sink pad is one
// window of the style; a picture that does not have its window's size is brought to it by a
// resizer (module 24) first, as `pelforge merge --scale` does. The background is painted with the
// banner's plain fill before every merge, so what no window, band or line covers is the
// background colour.
#include <gst/video/gstvideoaggregator.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common.hpp"
#include "elements.hpp"
#include "img_banner.h"
#include "img_merge.h"
#include "img_resizer.h"

GST_DEBUG_CATEGORY_STATIC(pf_merge_debug);
#define GST_CAT_DEFAULT pf_merge_debug

namespace {

using pfgst::Module;

constexpr int kBackgrounds[9][2] = {{720, 576}, {704, 576},  {720, 480},  {704, 480}, {352, 288},
                                    {768, 768}, {1024, 768}, {1024, 800}, {1280, 800}};

// A pad's picture as its window takes it: contiguous, and scaled when its size differs. The
// pad's resizer has a memory handle of its own: pads may outlive the element's running state.
struct PadState {
  pfgst::MemHandle mem;
  pfgst::ContiguousPicture picture;
  Module resizer{tImageResizerFunc, "ImageResizer"};
  int from_w = 0, from_h = 0, to_w = 0, to_h = 0;
  std::vector<uint8_t> scaled;
};

struct MergeState {
  pfgst::MemHandle mem;
  Module merge{tImageMergeFunc, "ImgMerge"};
  tImgMergeParam param{};
  bool open = false;
  pfgst::ContiguousPicture out;
};

}  // namespace

G_BEGIN_DECLS
#define PF_TYPE_MERGE_PAD (pf_merge_pad_get_type())
G_DECLARE_FINAL_TYPE(PfMergePad, pf_merge_pad, PF, MERGE_PAD, GstVideoAggregatorConvertPad)
#define PF_TYPE_MERGE (pf_merge_get_type())
G_DECLARE_FINAL_TYPE(PfMerge, pf_merge, PF, MERGE, GstVideoAggregator)
G_END_DECLS

struct _PfMergePad {
  GstVideoAggregatorConvertPad parent;
  guint window;  // 0: the next free window, in pad order
  gboolean focus;
  PadState* state;
};

struct _PfMerge {
  GstVideoAggregator parent;
  // Properties, under the object lock.
  guint style;
  guint background;
  gboolean draw_boundary;
  guint boundary_color;
  guint boundary_width;
  guint focus_color;
  MergeState* state;
};

G_DEFINE_TYPE(PfMergePad, pf_merge_pad, GST_TYPE_VIDEO_AGGREGATOR_CONVERT_PAD)
G_DEFINE_TYPE_WITH_CODE(PfMerge, pf_merge, GST_TYPE_VIDEO_AGGREGATOR,
                        G_IMPLEMENT_INTERFACE(GST_TYPE_CHILD_PROXY, pfgst::sink_pads_as_children))
GST_ELEMENT_REGISTER_DEFINE(pfmerge, "pfmerge", GST_RANK_NONE, PF_TYPE_MERGE)

namespace {

void pad_finalize(GObject* object) {
  delete PF_MERGE_PAD(object)->state;
  G_OBJECT_CLASS(pf_merge_pad_parent_class)->finalize(object);
}

void finalize(GObject* object) {
  delete PF_MERGE(object)->state;
  G_OBJECT_CLASS(pf_merge_parent_class)->finalize(object);
}

uint8_t red(guint c) { return static_cast<uint8_t>(c >> 16); }
uint8_t green(guint c) { return static_cast<uint8_t>(c >> 8); }
uint8_t blue(guint c) { return static_cast<uint8_t>(c); }

// The merge record for the pads as they are: pads take the windows they name, the others the
// free windows in pad order; windows without a picture are empty (the background colour).
// `pictures[n]` receives the pad of window n + 1 (null when empty).
tImgMergeParam record(PfMerge* self, int w, int h, std::vector<PfMergePad*>& pictures) {
  tImgMergeParam p{};
  GST_OBJECT_LOCK(self);
  const int style = static_cast<int>(self->style);
  p.u16MergeStyle = static_cast<uint16_t>(self->style);
  p.u8BgR = red(self->background), p.u8BgG = green(self->background);
  p.u8BgB = blue(self->background);
  p.u8BoundaryR = red(self->boundary_color), p.u8BoundaryG = green(self->boundary_color);
  p.u8BoundaryB = blue(self->boundary_color);
  p.u8BoundaryWidth = static_cast<uint8_t>(self->boundary_width);
  p.u8DrawBoundary = self->draw_boundary ? 1 : 0;
  const guint focus = self->focus_color;
  std::vector<PfMergePad*> pads;
  for (GList* l = GST_ELEMENT(self)->sinkpads; l != nullptr; l = l->next) {
    pads.push_back(PF_MERGE_PAD(l->data));
  }
  GST_OBJECT_UNLOCK(self);
  p.u32BgWidth = static_cast<uint32_t>(w);
  p.u32BgHeight = static_cast<uint32_t>(h);
  p.u32ImageType = PF_IMAGE_FRAME;
  p.u32YuvType = PF_YUV_420;
  p.u8FillEmpty = 1;
  const int count = style < PF_MERGE_STYLE_COUNT ? al32FgNum[style] : 0;
  pictures.assign(static_cast<size_t>(count), nullptr);
  std::vector<PfMergePad*> unplaced;
  for (PfMergePad* pad : pads) {
    GST_OBJECT_LOCK(pad);
    const int n = static_cast<int>(pad->window);
    GST_OBJECT_UNLOCK(pad);
    if (n >= 1 && n <= count && pictures[static_cast<size_t>(n - 1)] == nullptr) {
      pictures[static_cast<size_t>(n - 1)] = pad;
    } else if (n == 0) {
      unplaced.push_back(pad);
    }
  }
  size_t next = 0;
  for (auto& slot : pictures) {
    if (slot == nullptr && next < unplaced.size()) slot = unplaced[next++];
  }
  for (int n = 1; n <= count; ++n) {
    tImgMergeWindow& win = p.atWindow[n - 1];
    int x = 0, y = 0, ww = 0, wh = 0;
    // A style without a layout at this size has no windows to fill: the module then names the
    // style, not the sizes of windows it never had.
    const bool laid_out = ImgMergeGetWindowRect(style, n, w, h, &x, &y, &ww, &wh) != 0;
    win.u32Width = static_cast<uint32_t>(ww);
    win.u32Height = static_cast<uint32_t>(wh);
    win.u32ImageType = PF_IMAGE_FRAME;
    win.u32YuvType = PF_YUV_420;
    win.u8WindowNo = static_cast<uint8_t>(n);
    win.u8FocusR = red(focus), win.u8FocusG = green(focus), win.u8FocusB = blue(focus);
    PfMergePad* pad = pictures[static_cast<size_t>(n - 1)];
    if (pad == nullptr || !laid_out) {
      win.u8Empty = 1;
      continue;
    }
    GST_OBJECT_LOCK(pad);
    win.u8Focus = pad->focus ? 1 : 0;
    GST_OBJECT_UNLOCK(pad);
    p.u8DrawFocus = p.u8DrawFocus || win.u8Focus;
  }
  return p;
}

// Opens the module for a new record, or hands it the changes of one.
uint32_t take(MergeState& st, const tImgMergeParam& p) {
  const bool same_layout = st.open && st.param.u16MergeStyle == p.u16MergeStyle &&
                           st.param.u32BgWidth == p.u32BgWidth &&
                           st.param.u32BgHeight == p.u32BgHeight;
  if (st.open && std::memcmp(&st.param, &p, sizeof p) == 0) return PF_STATUS_OK;
  uint32_t status = same_layout ? st.merge.set_param(&p) : st.merge.open(&p, st.mem.get());
  if (!same_layout) st.open = status == PF_STATUS_OK;
  if (status == PF_STATUS_OK) st.param = p;
  return status;
}

gboolean negotiated_src_caps(GstAggregator* agg, GstCaps* caps) {
  PfMerge* self = PF_MERGE(agg);
  GstVideoInfo info;
  if (!gst_video_info_from_caps(&info, caps)) return FALSE;
  std::vector<PfMergePad*> pictures;
  const tImgMergeParam p =
      record(self, GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info), pictures);
  self->state->open = false;
  const uint32_t status = take(*self->state, p);
  if (status != PF_STATUS_OK) {
    pfgst::post_module_error(GST_ELEMENT(self), self->state->merge, status,
                             "cannot merge in style " + std::to_string(p.u16MergeStyle) + " at " +
                                 std::to_string(GST_VIDEO_INFO_WIDTH(&info)) + "x" +
                                 std::to_string(GST_VIDEO_INFO_HEIGHT(&info)));
    return FALSE;
  }
  self->state->out.configure(&info);
  return GST_AGGREGATOR_CLASS(pf_merge_parent_class)->negotiated_src_caps(agg, caps);
}

// D1 PAL unless downstream asks for another of the module's sizes; the fastest input's rate.
GstCaps* fixate_src_caps(GstAggregator* agg, GstCaps* caps) {
  caps = gst_caps_make_writable(caps);
  GstStructure* s = gst_caps_get_structure(caps, 0);
  gst_structure_fixate_field_nearest_int(s, "width", 720);
  gst_structure_fixate_field_nearest_int(s, "height", 576);
  int best_n = 0, best_d = 1;
  GST_OBJECT_LOCK(agg);
  for (GList* l = GST_ELEMENT(agg)->sinkpads; l != nullptr; l = l->next) {
    const GstVideoInfo& info = GST_VIDEO_AGGREGATOR_PAD(l->data)->info;
    if (GST_VIDEO_INFO_FPS_D(&info) > 0 &&
        gst_util_fraction_compare(GST_VIDEO_INFO_FPS_N(&info), GST_VIDEO_INFO_FPS_D(&info), best_n,
                                  best_d) > 0) {
      best_n = GST_VIDEO_INFO_FPS_N(&info), best_d = GST_VIDEO_INFO_FPS_D(&info);
    }
  }
  GST_OBJECT_UNLOCK(agg);
  if (best_n == 0) best_n = 25, best_d = 1;
  gst_structure_fixate_field_nearest_fraction(s, "framerate", best_n, best_d);
  if (gst_structure_has_field(s, "pixel-aspect-ratio")) {
    gst_structure_fixate_field_nearest_fraction(s, "pixel-aspect-ratio", 1, 1);
  }
  return gst_caps_fixate(caps);
}

// A pad's picture at its window's size, contiguous; null on a resizer refusal (`status` set).
uint8_t* window_picture(PfMergePad* pad, GstVideoFrame* frame, const tImgMergeWindow& win,
                        uint32_t& status) {
  PadState& ps = *pad->state;
  const int w = GST_VIDEO_FRAME_WIDTH(frame), h = GST_VIDEO_FRAME_HEIGHT(frame);
  const int ww = static_cast<int>(win.u32Width), wh = static_cast<int>(win.u32Height);
  if (ps.picture.layout().size != pfgst::contiguous_layout(GST_VIDEO_FORMAT_I420, w, h).size) {
    ps.picture.configure(&frame->info);
  }
  uint8_t* picture = ps.picture.begin(frame);
  if (w == ww && h == wh) return picture;
  if (!ps.resizer.is_open() || ps.from_w != w || ps.from_h != h || ps.to_w != ww || ps.to_h != wh) {
    tImageResizerParam p{};
    p.s32SrcWidth = w, p.s32SrcHeight = h, p.u32SrcYuvType = PF_YUV_420;
    p.u32SrcImageType = PF_IMAGE_FRAME;
    p.s32DstWidth = ww, p.s32DstHeight = wh, p.u32DstYuvType = PF_YUV_420;
    p.u32DstImageType = PF_IMAGE_FRAME;
    p.u32FillY = 16, p.u32FillU = p.u32FillV = 128;
    status = ps.resizer.open(&p, ps.mem.get());
    if (status != PF_STATUS_OK) return nullptr;
    ps.from_w = w, ps.from_h = h, ps.to_w = ww, ps.to_h = wh;
    ps.scaled.assign(pfgst::contiguous_layout(GST_VIDEO_FORMAT_I420, ww, wh).size, 0);
  }
  tImgPicture src{picture, nullptr, nullptr, static_cast<uint32_t>(w), 0, 0, 0};
  tImgPicture dst{ps.scaled.data(), nullptr, nullptr, static_cast<uint32_t>(ww), 0, 0, 0};
  status = ps.resizer.process(&src, &dst);
  return status == PF_STATUS_OK ? ps.scaled.data() : nullptr;
}

GstFlowReturn aggregate_frames(GstVideoAggregator* vagg, GstBuffer* outbuf) {
  PfMerge* self = PF_MERGE(vagg);
  MergeState& st = *self->state;
  const int w = GST_VIDEO_INFO_WIDTH(&vagg->info), h = GST_VIDEO_INFO_HEIGHT(&vagg->info);
  std::vector<PfMergePad*> pictures;
  tImgMergeParam p = record(self, w, h, pictures);
  // Pads without a picture for this output picture leave their window empty.
  std::vector<GstVideoFrame*> frames(pictures.size(), nullptr);
  for (size_t i = 0; i < pictures.size(); ++i) {
    if (pictures[i] == nullptr) continue;
    frames[i] = gst_video_aggregator_pad_get_prepared_frame(GST_VIDEO_AGGREGATOR_PAD(pictures[i]));
    if (frames[i] == nullptr) p.atWindow[i].u8Empty = 1, p.atWindow[i].u8Focus = 0;
  }
  uint32_t status = take(st, p);
  if (status != PF_STATUS_OK) {
    pfgst::post_module_error(GST_ELEMENT(self), st.merge, status, "cannot merge these windows");
    return GST_FLOW_ERROR;
  }
  uint8_t* array[PF_MERGE_PICTURE_ENTRIES] = {};
  for (size_t i = 0; i < frames.size(); ++i) {
    if (frames[i] == nullptr) continue;
    array[i] = window_picture(pictures[i], frames[i], p.atWindow[i], status);
    if (array[i] == nullptr) {
      pfgst::post_module_error(GST_ELEMENT(self), pictures[i]->state->resizer, status,
                               "cannot scale a picture to its window");
      return GST_FLOW_ERROR;
    }
  }
  GstVideoFrame out;
  if (!gst_video_frame_map(&out, &vagg->info, outbuf, GST_MAP_READWRITE)) {
    GST_ELEMENT_ERROR(self, RESOURCE, WRITE, ("cannot map the output picture"), (nullptr));
    return GST_FLOW_ERROR;
  }
  uint8_t* dst = st.out.begin(&out);
  const size_t luma = static_cast<size_t>(w) * static_cast<size_t>(h);
  const tDrawBannerRect rect{w, h, 0, 0, p.u8BgR, p.u8BgG, p.u8BgB};
  const tDrawBannerPicture pic{dst, dst + luma, dst + luma * 5 / 4, w,         h,
                               w,   w / 2,      PF_IMAGE_FRAME,     PF_YUV_420};
  ImgDrawBanner(nullptr, &rect, &pic);
  array[PF_MERGE_OUTPUT_Y] = dst;
  int context = 0;
  status = st.merge.process(array, &context);
  st.out.finish(&out);
  gst_video_frame_unmap(&out);
  if (status != PF_STATUS_OK) {
    pfgst::post_module_error(GST_ELEMENT(self), st.merge, status, "cannot merge a picture");
    return GST_FLOW_ERROR;
  }
  return GST_FLOW_OK;
}

gboolean stop(GstAggregator* agg) {
  PfMerge* self = PF_MERGE(agg);
  delete self->state;
  self->state = new MergeState;
  return GST_AGGREGATOR_CLASS(pf_merge_parent_class)->stop(agg);
}

GstPad* request_new_pad(GstElement* element, GstPadTemplate* templ, const gchar* name,
                        const GstCaps* caps) {
  return pfgst::request_child_pad(GST_ELEMENT_CLASS(pf_merge_parent_class), element, templ, name,
                                  caps);
}
void release_pad(GstElement* element, GstPad* pad) {
  pfgst::release_child_pad(GST_ELEMENT_CLASS(pf_merge_parent_class), element, pad);
}

constexpr pfgst::Property kPadProperties[] = {
    pfgst::uint_property("window", "Window",
                         "Window of the style this pad's pictures fill, from 1 (0: the first "
                         "window no other pad names, in pad order)",
                         0, PF_MERGE_MAX_WINDOWS, 0, pfgst::kPropFlagsControllable,
                         pfgst::locked_field<&PfMergePad::window>()),
    pfgst::boolean_property("focus", "Focus", "Draw the focus frame inside this pad's window",
                            false, pfgst::kPropFlagsControllable,
                            pfgst::locked_field<&PfMergePad::focus>()),
};

constexpr pfgst::Property kProperties[] = {
    pfgst::uint_property("style", "Style",
                         "Window layout, 0 to 22 (1 full, 2 two, 5 four, 10 nine, 17 sixteen, "
                         "19-22 grids of 25 to 64; `pelforge merge --list-styles` draws them)",
                         0, PF_MERGE_STYLE_COUNT - 1, 5, pfgst::kPropFlagsReady,
                         pfgst::locked_field<&PfMerge::style>()),
    pfgst::colour_property("background", "Background",
                           "Colour of bands and empty windows, 0xRRGGBB", 0, pfgst::kPropFlags,
                           pfgst::locked_field<&PfMerge::background>()),
    pfgst::boolean_property("draw-boundary", "Draw boundary", "Draw lines between the windows",
                            true, pfgst::kPropFlags,
                            pfgst::locked_field<&PfMerge::draw_boundary>()),
    pfgst::colour_property("boundary-color", "Boundary colour", "Colour of the lines, 0xRRGGBB",
                           0xFFFFFF, pfgst::kPropFlags,
                           pfgst::locked_field<&PfMerge::boundary_color>()),
    pfgst::uint_property("boundary-width", "Boundary width",
                         "Width of the lines, even (0: 2 at 352x288, else 4)", 0, 24, 0,
                         pfgst::kPropFlags, pfgst::locked_field<&PfMerge::boundary_width>()),
    pfgst::colour_property("focus-color", "Focus colour", "Colour of the focus frames, 0xRRGGBB",
                           0xFFC800, pfgst::kPropFlags,
                           pfgst::locked_field<&PfMerge::focus_color>()),
};

GstCaps* src_caps() {
  GstCaps* caps = gst_caps_new_empty();
  for (const auto& b : kBackgrounds) {
    gst_caps_append_structure(
        caps,
        gst_structure_new("video/x-raw", "format", G_TYPE_STRING, "I420", "width", G_TYPE_INT, b[0],
                          "height", G_TYPE_INT, b[1], "framerate", GST_TYPE_FRACTION_RANGE, 0, 1,
                          G_MAXINT, 1, "interlace-mode", G_TYPE_STRING, "progressive", nullptr));
  }
  return caps;
}

}  // namespace

static void pf_merge_pad_class_init(PfMergePadClass* klass) {
  GObjectClass* object_class = G_OBJECT_CLASS(klass);
  object_class->finalize = pad_finalize;
  pfgst::install_properties(object_class, kPadProperties);
}

static void pf_merge_pad_init(PfMergePad* pad) {
  pfgst::init_properties(G_OBJECT(pad), kPadProperties);
  pad->state = new PadState;
}

static void pf_merge_class_init(PfMergeClass* klass) {
  GObjectClass* object_class = G_OBJECT_CLASS(klass);
  GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
  GstAggregatorClass* agg_class = GST_AGGREGATOR_CLASS(klass);
  GST_DEBUG_CATEGORY_INIT(pf_merge_debug, "pfmerge", 0, "pelforge merge element");
  object_class->finalize = finalize;
  pfgst::install_properties(object_class, kProperties);

  // Pictures in other formats are converted to I420 by the pads on the way in.
  GstCaps* sink = pfgst::raw_caps({"I420", "YV12", "NV12", "NV21", "Y42B", "YUY2", "UYVY", "AYUV",
                                   "BGRA", "RGBA", "BGRx", "RGBx", "RGB", "BGR"},
                                  12288, 12288, 2, 2, false);
  gst_element_class_add_pad_template(
      element_class, gst_pad_template_new_with_gtype("sink_%u", GST_PAD_SINK, GST_PAD_REQUEST, sink,
                                                     PF_TYPE_MERGE_PAD));
  gst_caps_unref(sink);
  GstCaps* src = src_caps();
  gst_element_class_add_pad_template(
      element_class, gst_pad_template_new_with_gtype("src", GST_PAD_SRC, GST_PAD_ALWAYS, src,
                                                     GST_TYPE_AGGREGATOR_PAD));
  gst_caps_unref(src);
  gst_element_class_set_static_metadata(
      element_class, "pelforge merge", "Filter/Editor/Video/Compositor",
      "Composes the pictures of its sink pads into one of 22 multi-window layouts with "
      "boundary lines and focus frames",
      "pelforge");
  agg_class->negotiated_src_caps = negotiated_src_caps;
  agg_class->fixate_src_caps = fixate_src_caps;
  agg_class->stop = stop;
  element_class->request_new_pad = request_new_pad;
  element_class->release_pad = release_pad;
  GST_VIDEO_AGGREGATOR_CLASS(klass)->aggregate_frames = aggregate_frames;
  gst_type_mark_as_plugin_api(PF_TYPE_MERGE_PAD, static_cast<GstPluginAPIFlags>(0));
}

static void pf_merge_init(PfMerge* self) {
  pfgst::init_properties(G_OBJECT(self), kProperties);
  self->state = new MergeState;
}
