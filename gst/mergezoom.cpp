// SPDX-License-Identifier: BSD-2-Clause
// pfmergezoom: merge with zoom (module 21) as an aggregator. Each request sink pad is one window
// of a layout; the module scales every picture into its window in the pad's zoom style, so
// pictures of any size mix on a background of any even size.
#include <gst/video/gstvideoaggregator.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "common.hpp"
#include "elements.hpp"
#include "img_merge_zoom.h"

GST_DEBUG_CATEGORY_STATIC(pf_merge_zoom_debug);
#define GST_CAT_DEFAULT pf_merge_zoom_debug

namespace {

using pfgst::Module;

// A record and its window records.
struct Record {
  tImageMergeZoomParam param{};
  std::vector<tImageMergeZoomWindow> windows;
};

struct ZoomState {
  pfgst::MemHandle mem;
  Module module{tImageMergeZoomFunc, "ImgMergeZoom"};
  Record next;   // built for the coming picture
  Record given;  // what the module was last given
  bool open = false;
};

int windows_of(int style) { return al32MergeStyle[style][1]; }

// Index into al32MergeStyle of a style code; -1 when the library has none.
int find_style(uint32_t code) {
  for (int s = 0; s < PF_MERGE_ZOOM_STYLE_COUNT; ++s) {
    if (al32MergeStyle[s][0] != 0 && static_cast<uint32_t>(al32MergeStyle[s][0]) == code) return s;
  }
  return -1;
}

// A window of a style as fractions over the style's denominator.
struct Fractions {
  int x, y, w, h, d;
};
Fractions window_of(int style, int i) {
  const tMergePoint& p = atMergePointstyle[style][i];
  return {p.u16X >> 8, p.u16Y >> 8, p.u16Width >> 8, p.u16Height >> 8,
          atMergePointstyle[style][0].u16X & 0xFF};
}

// The smallest tiling of equal windows that holds `n` pictures (the library's 1x1 to 5x5
// grids), as `pelforge mergezoom` picks it without a layout.
int grid_for(int n) {
  for (const auto& [cols, rows] : {std::pair{1, 1}, {2, 2}, {3, 2}, {3, 3}, {4, 4}, {5, 5}}) {
    if (cols * rows < n) continue;
    for (int s = 0; s < PF_MERGE_ZOOM_STYLE_COUNT; ++s) {
      if (al32MergeStyle[s][0] < 20000 || windows_of(s) != cols * rows) continue;
      bool grid = true;
      for (int i = 0; i < windows_of(s) && grid; ++i) {
        const Fractions f = window_of(s, i);
        grid = f.w * cols == f.d && f.h * rows == f.d;
      }
      if (grid) return s;
    }
  }
  return -1;
}

// The style's window numbers row by row, left to right: the order pads take them in.
std::vector<int> reading_order(int style) {
  std::vector<int> order(static_cast<size_t>(windows_of(style)));
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [style](int a, int b) {
    const Fractions p = window_of(style, a), q = window_of(style, b);
    return p.y != q.y ? p.y < q.y : p.x < q.x;
  });
  for (int& n : order) ++n;
  return order;
}

}  // namespace

G_BEGIN_DECLS
#define PF_TYPE_MERGE_ZOOM_PAD (pf_merge_zoom_pad_get_type())
G_DECLARE_FINAL_TYPE(PfMergeZoomPad, pf_merge_zoom_pad, PF, MERGE_ZOOM_PAD,
                     GstVideoAggregatorConvertPad)
#define PF_TYPE_MERGE_ZOOM (pf_merge_zoom_get_type())
G_DECLARE_FINAL_TYPE(PfMergeZoom, pf_merge_zoom, PF, MERGE_ZOOM, GstVideoAggregator)
G_END_DECLS

struct _PfMergeZoomPad {
  GstVideoAggregatorConvertPad parent;
  guint window;  // 0: the next free window in reading order
  guint zoom;    // 0: the element's zoom style
  gboolean focus;
};

struct _PfMergeZoom {
  GstVideoAggregator parent;
  // Properties, under the object lock.
  guint layout;  // a style code; 0: the smallest grid that holds the pads
  guint zoom;
  gboolean draw_lines;
  gint border;  // -1: 4 with lines or focus frames, else 0
  guint border_color;
  guint background;
  guint focus_color;
  ZoomState* state;
};

G_DEFINE_TYPE(PfMergeZoomPad, pf_merge_zoom_pad, GST_TYPE_VIDEO_AGGREGATOR_CONVERT_PAD)
G_DEFINE_TYPE_WITH_CODE(PfMergeZoom, pf_merge_zoom, GST_TYPE_VIDEO_AGGREGATOR,
                        G_IMPLEMENT_INTERFACE(GST_TYPE_CHILD_PROXY, pfgst::sink_pads_as_children))
GST_ELEMENT_REGISTER_DEFINE(pfmergezoom, "pfmergezoom", GST_RANK_NONE, PF_TYPE_MERGE_ZOOM)

namespace {

GType zoom_type() {
  static const GEnumValue values[] = {
      {PF_MERGE_ZOOM_STRETCH, "The whole picture to the whole window", "stretch"},
      {PF_MERGE_ZOOM_FIT, "The whole picture, shape kept, black bars", "fit"},
      {PF_MERGE_ZOOM_FILL, "The window filled, shape kept, edges cut off", "fill"},
      {PF_MERGE_ZOOM_CENTRE, "Not scaled: centred, cut or with bars", "centre"},
      {PF_MERGE_ZOOM_AUTO, "Centre when the picture fits the window, else fit", "auto"},
      {0, nullptr, nullptr}};
  return pfgst::enum_type("PfMergeZoomStyle", values);
}

constexpr pfgst::Property kPadProperties[] = {
    pfgst::uint_property("window", "Window",
                         "Window of the layout this pad's pictures fill, from 1 (0: the first "
                         "window no other pad names, row by row)",
                         0, PF_MERGE_ZOOM_MAX_WINDOWS, 0, pfgst::kPropFlagsControllable,
                         pfgst::locked_field<&PfMergeZoomPad::window>()),
    pfgst::uint_property("zoom", "Zoom style",
                         "How the pictures meet the window: 1 stretch, 2 fit, 3 fill, 4 centre, 5 "
                         "auto (0: the element's zoom)",
                         0, PF_MERGE_ZOOM_AUTO, 0, pfgst::kPropFlagsControllable,
                         pfgst::locked_field<&PfMergeZoomPad::zoom>()),
    pfgst::boolean_property("focus", "Focus",
                            "Draw a focus frame inside this pad's window (border lines are drawn "
                            "too)",
                            false, pfgst::kPropFlagsControllable,
                            pfgst::locked_field<&PfMergeZoomPad::focus>()),
};

constexpr pfgst::Property kProperties[] = {
    pfgst::uint_property(
        "layout", "Layout",
        "A style code of the library's layouts: 1xxyy a picture with xx - 1 insets (10200: "
        "one inset), 2xxyy a tiling of xx windows; 0: the smallest grid (1x1, 2x2, "
        "3x2, 3x3, 4x4, 5x5) that holds the pads",
        0, G_MAXUINT, 0, pfgst::kPropFlags, pfgst::locked_field<&PfMergeZoom::layout>()),
    pfgst::enum_property(
        "zoom", "Zoom style", "How pictures meet their windows, unless the pad says", zoom_type,
        PF_MERGE_ZOOM_FIT, pfgst::kPropFlags, pfgst::locked_field<&PfMergeZoom::zoom>()),
    pfgst::boolean_property("draw-lines", "Draw lines", "Draw border lines along the window edges",
                            false, pfgst::kPropFlags,
                            pfgst::locked_field<&PfMergeZoom::draw_lines>()),
    pfgst::int_property("border", "Border",
                        "Line width and the gap left round each window, even (-1: 4 with lines "
                        "or focus frames, else 0)",
                        -1, 254, -1, pfgst::kPropFlags,
                        pfgst::locked_field<&PfMergeZoom::border>()),
    pfgst::colour_property("border-color", "Border colour", "Colour of the lines, 0xRRGGBB",
                           0xFFFFFF, pfgst::kPropFlags,
                           pfgst::locked_field<&PfMergeZoom::border_color>()),
    pfgst::colour_property("background", "Background", "What no picture covers, 0xRRGGBB", 0,
                           pfgst::kPropFlags, pfgst::locked_field<&PfMergeZoom::background>()),
    pfgst::colour_property("focus-color", "Focus colour", "Colour of the focus frames, 0xRRGGBB",
                           0xFFC800, pfgst::kPropFlags,
                           pfgst::locked_field<&PfMergeZoom::focus_color>()),
};

void finalize(GObject* object) {
  delete PF_MERGE_ZOOM(object)->state;
  G_OBJECT_CLASS(pf_merge_zoom_parent_class)->finalize(object);
}

// The display shape of a pad's pictures when their pixel aspect makes it one the module knows
// (4:3, 16:9, 64:45, 32:27); else 0:0, the picture's own width and height.
void aspect_of(const GstVideoInfo& info, uint32_t& aw, uint32_t& ah) {
  aw = ah = 0;
  const int64_t w = int64_t{GST_VIDEO_INFO_WIDTH(&info)} * GST_VIDEO_INFO_PAR_N(&info);
  const int64_t h = int64_t{GST_VIDEO_INFO_HEIGHT(&info)} * GST_VIDEO_INFO_PAR_D(&info);
  if (w <= 0 || h <= 0) return;
  const int64_t g = std::gcd(w, h);
  for (const auto& k : {std::pair{4, 3}, {16, 9}, {64, 45}, {32, 27}}) {
    if (w / g == k.first && h / g == k.second) {
      aw = static_cast<uint32_t>(k.first), ah = static_cast<uint32_t>(k.second);
    }
  }
}

// The record for the pads as they are: pads take the windows they name, the others the free
// windows in reading order; `pads[n]` receives the pad of window n + 1 (null: empty). False when
// the layout code names no style of the library.
bool record(PfMergeZoom* self, int w, int h, ZoomState& st, std::vector<PfMergeZoomPad*>& pads,
            std::string& error) {
  std::vector<PfMergeZoomPad*> all;
  GST_OBJECT_LOCK(self);
  for (GList* l = GST_ELEMENT(self)->sinkpads; l != nullptr; l = l->next) {
    all.push_back(PF_MERGE_ZOOM_PAD(l->data));
  }
  const guint code = self->layout, zoom = self->zoom, border_color = self->border_color;
  const guint background = self->background, focus_color = self->focus_color;
  const bool lines = self->draw_lines;
  const gint border = self->border;
  GST_OBJECT_UNLOCK(self);
  const int style = code != 0 ? find_style(code) : grid_for(std::max<int>(1, int(all.size())));
  if (style < 0) {
    error = code != 0 ? "layout: the library has no style " + std::to_string(code)
                      : "more pads than the largest grid (5x5) holds";
    return false;
  }
  const int count = windows_of(style);
  pads.assign(static_cast<size_t>(count), nullptr);
  std::vector<PfMergeZoomPad*> unplaced;
  for (PfMergeZoomPad* pad : all) {
    GST_OBJECT_LOCK(pad);
    const int n = static_cast<int>(pad->window);
    GST_OBJECT_UNLOCK(pad);
    if (n >= 1 && n <= count && pads[static_cast<size_t>(n - 1)] == nullptr) {
      pads[static_cast<size_t>(n - 1)] = pad;
    } else if (n == 0) {
      unplaced.push_back(pad);
    }
  }
  size_t next = 0;
  for (int n : reading_order(style)) {
    auto& slot = pads[static_cast<size_t>(n - 1)];
    if (slot == nullptr && next < unplaced.size()) slot = unplaced[next++];
  }
  std::vector<tImageMergeZoomWindow>& windows = st.next.windows;
  windows.assign(static_cast<size_t>(count), tImageMergeZoomWindow{});
  bool any_focus = false;
  for (int n = 1; n <= count; ++n) {
    tImageMergeZoomWindow& win = windows[static_cast<size_t>(n - 1)];
    win.u32WindowNum = static_cast<uint32_t>(n);
    PfMergeZoomPad* pad = pads[static_cast<size_t>(n - 1)];
    if (pad == nullptr) {
      win.u32State = PF_MERGE_ZOOM_STATE_EMPTY;
      continue;
    }
    const GstVideoInfo& info = GST_VIDEO_AGGREGATOR_PAD(pad)->info;
    win.u32State = 1;
    GST_OBJECT_LOCK(pad);
    win.u32ZoomStyle = pad->zoom != 0 ? pad->zoom : zoom;
    win.u32FocusFlag = pad->focus ? 1 : 0;
    GST_OBJECT_UNLOCK(pad);
    win.u32FocusColour = focus_color;
    aspect_of(info, win.u32AspectWidth, win.u32AspectHeight);
    win.u32Width = static_cast<uint32_t>(GST_VIDEO_INFO_WIDTH(&info));
    win.u32Height = static_cast<uint32_t>(GST_VIDEO_INFO_HEIGHT(&info));
    win.u32ImageType = GST_VIDEO_INFO_IS_INTERLACED(&info) ? PF_IMAGE_INTERLACED : PF_IMAGE_FRAME;
    win.u32YuvType = pfgst::yuv_type_of(GST_VIDEO_INFO_FORMAT(&info));
    any_focus = any_focus || win.u32FocusFlag == 1;
  }
  tImageMergeZoomParam& p = st.next.param;
  p = tImageMergeZoomParam{};
  p.s32MaxPicNum = count;
  p.u32MergeStyle = static_cast<uint32_t>(al32MergeStyle[style][0]);
  p.u32BgWidth = static_cast<uint32_t>(w), p.u32BgHeight = static_cast<uint32_t>(h);
  p.u32ImageType = PF_IMAGE_FRAME;
  p.u32YuvType = PF_YUV_420;
  p.u32DrawLine = lines || any_focus ? 1 : 0;
  p.u32BorderColour = border_color;
  p.u32BorderWidth = static_cast<uint32_t>(border >= 0 ? border : (lines || any_focus ? 4 : 0));
  p.u32FillEmpty = 1;
  p.u32BgColour = background;
  p.ptWindows = windows.data();
  return true;
}

bool same(const Record& a, const Record& b) {
  tImageMergeZoomParam x = a.param, y = b.param;
  x.ptWindows = y.ptWindows = nullptr;
  return std::memcmp(&x, &y, sizeof x) == 0 && a.windows.size() == b.windows.size() &&
         std::memcmp(a.windows.data(), b.windows.data(),
                     a.windows.size() * sizeof(tImageMergeZoomWindow)) == 0;
}

}  // namespace

namespace {

// Opens the module for a new layout or size, hands it other changes.
uint32_t take(ZoomState& st) {
  if (st.open && same(st.given, st.next)) return PF_STATUS_OK;
  const tImageMergeZoomParam& p = st.next.param;
  const bool same_layout = st.open && st.given.param.u32MergeStyle == p.u32MergeStyle &&
                           st.given.param.u32BgWidth == p.u32BgWidth &&
                           st.given.param.u32BgHeight == p.u32BgHeight;
  const uint32_t status = same_layout ? st.module.set_param(&p) : st.module.open(&p, st.mem.get());
  if (!same_layout) st.open = status == PF_STATUS_OK;
  if (status == PF_STATUS_OK) st.given = st.next;
  return status;
}

}  // namespace

namespace {

void post_refusal(PfMergeZoom* self, uint32_t status, const std::string& what) {
  pfgst::post_module_error(GST_ELEMENT(self), self->state->module, status, what);
}

gboolean negotiated_src_caps(GstAggregator* agg, GstCaps* caps) {
  PfMergeZoom* self = PF_MERGE_ZOOM(agg);
  GstVideoInfo info;
  if (!gst_video_info_from_caps(&info, caps)) return FALSE;
  ZoomState& st = *self->state;
  std::vector<PfMergeZoomPad*> pads;
  std::string error;
  const int w = GST_VIDEO_INFO_WIDTH(&info), h = GST_VIDEO_INFO_HEIGHT(&info);
  if (!record(self, w, h, st, pads, error)) {
    GST_ELEMENT_ERROR(self, RESOURCE, SETTINGS, ("%s", error.c_str()), (nullptr));
    return FALSE;
  }
  st.next.param.u32YuvType = pfgst::yuv_type_of(GST_VIDEO_INFO_FORMAT(&info));
  st.open = false;
  const uint32_t status = take(st);
  if (status != PF_STATUS_OK) {
    post_refusal(self, status,
                 "cannot compose layout " + std::to_string(st.next.param.u32MergeStyle) + " at " +
                     std::to_string(w) + "x" + std::to_string(h));
    return FALSE;
  }
  return GST_AGGREGATOR_CLASS(pf_merge_zoom_parent_class)->negotiated_src_caps(agg, caps);
}

// The first pad's size unless downstream asks for another (any even size from 64); the
// fastest input's rate.
GstCaps* fixate_src_caps(GstAggregator* agg, GstCaps* caps) {
  caps = gst_caps_make_writable(caps);
  GstStructure* s = gst_caps_get_structure(caps, 0);
  int width = 720, height = 576, best_n = 0, best_d = 1;
  GST_OBJECT_LOCK(agg);
  for (GList* l = GST_ELEMENT(agg)->sinkpads; l != nullptr; l = l->next) {
    const GstVideoInfo& info = GST_VIDEO_AGGREGATOR_PAD(l->data)->info;
    if (GST_VIDEO_INFO_WIDTH(&info) <= 0) continue;
    if (l == GST_ELEMENT(agg)->sinkpads) {
      width = std::max(64, GST_VIDEO_INFO_WIDTH(&info) & ~1);
      height = std::max(64, GST_VIDEO_INFO_HEIGHT(&info) & ~1);
    }
    if (GST_VIDEO_INFO_FPS_D(&info) > 0 &&
        gst_util_fraction_compare(GST_VIDEO_INFO_FPS_N(&info), GST_VIDEO_INFO_FPS_D(&info), best_n,
                                  best_d) > 0) {
      best_n = GST_VIDEO_INFO_FPS_N(&info), best_d = GST_VIDEO_INFO_FPS_D(&info);
    }
  }
  GST_OBJECT_UNLOCK(agg);
  if (best_n == 0) best_n = 25, best_d = 1;
  gst_structure_fixate_field_nearest_int(s, "width", width);
  gst_structure_fixate_field_nearest_int(s, "height", height);
  gst_structure_fixate_field_nearest_fraction(s, "framerate", best_n, best_d);
  if (gst_structure_has_field(s, "pixel-aspect-ratio")) {
    gst_structure_fixate_field_nearest_fraction(s, "pixel-aspect-ratio", 1, 1);
  }
  return gst_caps_fixate(caps);
}

GstFlowReturn aggregate_frames(GstVideoAggregator* vagg, GstBuffer* outbuf) {
  PfMergeZoom* self = PF_MERGE_ZOOM(vagg);
  ZoomState& st = *self->state;
  const int w = GST_VIDEO_INFO_WIDTH(&vagg->info), h = GST_VIDEO_INFO_HEIGHT(&vagg->info);
  std::vector<PfMergeZoomPad*> pads;
  std::string error;
  if (!record(self, w, h, st, pads, error)) {
    GST_ELEMENT_ERROR(self, RESOURCE, SETTINGS, ("%s", error.c_str()), (nullptr));
    return GST_FLOW_ERROR;
  }
  st.next.param.u32YuvType = pfgst::yuv_type_of(GST_VIDEO_INFO_FORMAT(&vagg->info));
  // Pads without a picture for this output picture leave their window empty.
  std::vector<tImgPicture> pictures(pads.size(), tImgPicture{});
  for (size_t i = 0; i < pads.size(); ++i) {
    if (pads[i] == nullptr) continue;
    GstVideoFrame* frame =
        gst_video_aggregator_pad_get_prepared_frame(GST_VIDEO_AGGREGATOR_PAD(pads[i]));
    if (frame == nullptr) {
      st.next.windows[i].u32State = PF_MERGE_ZOOM_STATE_EMPTY;
      st.next.windows[i].u32FocusFlag = 0;
      continue;
    }
    pictures[i] = pfgst::picture_of(frame, false);
  }
  uint32_t status = take(st);
  if (status != PF_STATUS_OK) {
    post_refusal(self, status, "cannot compose these windows");
    return GST_FLOW_ERROR;
  }
  GstVideoFrame out;
  if (!gst_video_frame_map(&out, &vagg->info, outbuf, GST_MAP_WRITE)) {
    GST_ELEMENT_ERROR(self, RESOURCE, WRITE, ("cannot map the output picture"), (nullptr));
    return GST_FLOW_ERROR;
  }
  tImgPicture o = pfgst::picture_of(&out, false);
  status = st.module.process(&o, pictures.data());
  gst_video_frame_unmap(&out);
  if (status != PF_STATUS_OK) {
    post_refusal(self, status, "cannot compose a picture");
    return GST_FLOW_ERROR;
  }
  return GST_FLOW_OK;
}

gboolean stop(GstAggregator* agg) {
  PfMergeZoom* self = PF_MERGE_ZOOM(agg);
  delete self->state;
  self->state = new ZoomState;
  return GST_AGGREGATOR_CLASS(pf_merge_zoom_parent_class)->stop(agg);
}

GstPad* request_new_pad(GstElement* element, GstPadTemplate* templ, const gchar* name,
                        const GstCaps* caps) {
  return pfgst::request_child_pad(GST_ELEMENT_CLASS(pf_merge_zoom_parent_class), element, templ,
                                  name, caps);
}
void release_pad(GstElement* element, GstPad* pad) {
  pfgst::release_child_pad(GST_ELEMENT_CLASS(pf_merge_zoom_parent_class), element, pad);
}

}  // namespace

static void pf_merge_zoom_pad_class_init(PfMergeZoomPadClass* klass) {
  pfgst::install_properties(G_OBJECT_CLASS(klass), kPadProperties);
}

static void pf_merge_zoom_pad_init(PfMergeZoomPad* pad) {
  pfgst::init_properties(G_OBJECT(pad), kPadProperties);
}

static void pf_merge_zoom_class_init(PfMergeZoomClass* klass) {
  GObjectClass* object_class = G_OBJECT_CLASS(klass);
  GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
  GstAggregatorClass* agg_class = GST_AGGREGATOR_CLASS(klass);
  GST_DEBUG_CATEGORY_INIT(pf_merge_zoom_debug, "pfmergezoom", 0,
                          "pelforge merge-with-zoom element");
  object_class->finalize = finalize;
  pfgst::install_properties(object_class, kProperties);

  // Pictures in other formats are converted to the output's on the way in; the module scales.
  GstCaps* sink = pfgst::raw_caps({"I420", "Y42B", "YV12", "NV12", "NV21", "YUY2", "UYVY", "AYUV",
                                   "BGRA", "RGBA", "BGRx", "RGBx", "RGB", "BGR"},
                                  PF_MERGE_ZOOM_MAX_SIZE, PF_MERGE_ZOOM_MAX_SIZE, 2, 2, false);
  gst_element_class_add_pad_template(
      element_class, gst_pad_template_new_with_gtype("sink_%u", GST_PAD_SINK, GST_PAD_REQUEST, sink,
                                                     PF_TYPE_MERGE_ZOOM_PAD));
  gst_caps_unref(sink);
  GstCaps* src = pfgst::raw_caps({"I420", "Y42B"}, PF_MERGE_ZOOM_MAX_SIZE, PF_MERGE_ZOOM_MAX_SIZE,
                                 2, 2, false);
  GValue range = G_VALUE_INIT;
  g_value_init(&range, GST_TYPE_INT_RANGE);
  gst_value_set_int_range_step(&range, 64, PF_MERGE_ZOOM_MAX_SIZE, 2);
  gst_structure_set_value(gst_caps_get_structure(src, 0), "width", &range);
  gst_structure_set_value(gst_caps_get_structure(src, 0), "height", &range);
  g_value_unset(&range);
  gst_element_class_add_pad_template(
      element_class, gst_pad_template_new_with_gtype("src", GST_PAD_SRC, GST_PAD_ALWAYS, src,
                                                     GST_TYPE_AGGREGATOR_PAD));
  gst_caps_unref(src);
  gst_element_class_set_static_metadata(
      element_class, "pelforge merge with zoom", "Filter/Editor/Video/Compositor",
      "Composes pictures of any size into a layout of windows, each scaled in its zoom style, "
      "with border lines and focus frames",
      "pelforge");
  agg_class->negotiated_src_caps = negotiated_src_caps;
  agg_class->fixate_src_caps = fixate_src_caps;
  agg_class->stop = stop;
  element_class->request_new_pad = request_new_pad;
  element_class->release_pad = release_pad;
  GST_VIDEO_AGGREGATOR_CLASS(klass)->aggregate_frames = aggregate_frames;
  gst_type_mark_as_plugin_api(PF_TYPE_MERGE_ZOOM_PAD, static_cast<GstPluginAPIFlags>(0));
  gst_type_mark_as_plugin_api(zoom_type(), static_cast<GstPluginAPIFlags>(0));
}

static void pf_merge_zoom_init(PfMergeZoom* self) {
  pfgst::init_properties(G_OBJECT(self), kProperties);
  self->state = new ZoomState;
}
