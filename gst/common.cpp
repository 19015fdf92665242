// SPDX-License-Identifier: BSD-2-Clause
// Memory handle, module instances, bus errors, format codes and contiguous pictures.
#include "common.hpp"

#include <cstdio>
#include <cstring>

#include "video_mem.h"

namespace pfgst {

MemHandle::MemHandle() : handle_(VideoMemCreate()) {}
MemHandle::~MemHandle() {
  if (handle_ != nullptr) VideoMemDestroy(handle_);
}

uint32_t Module::open(const void* param, void* mem) {
  close();
  void* handle = nullptr;
  const uint32_t status = table_->Open(&handle, param, mem);
  if (status == PF_STATUS_OK) handle_ = handle;
  return status;
}

void Module::close() {
  if (handle_ != nullptr) table_->Close(handle_);
  handle_ = nullptr;
}

std::string Module::error_name(uint32_t code) const {
  char name[128] = {};
  if (table_->AnalyzeErrorCode(code, static_cast<int32_t>(sizeof(name)), name) != PF_STATUS_OK) {
    return "";
  }
  return name;
}

std::string Module::status_text(uint32_t code) const {
  char hex[16];
  std::snprintf(hex, sizeof(hex), "0x%08X", code);
  const std::string name = error_name(code);
  return name.empty() ? hex : std::string(hex) + " " + name;
}

void post_module_error(GstElement* element, const Module& module, uint32_t code,
                       const std::string& what) {
  const std::string name = module.error_name(code);
  const std::string text = what + ": " + module.name() + " returned " + module.status_text(code);
  GST_ELEMENT_ERROR_WITH_DETAILS(
      element, LIBRARY, SETTINGS, ("%s", text.c_str()), (nullptr),
      ("pelforge-module", G_TYPE_STRING, module.name(), "pelforge-code", G_TYPE_UINT, code,
       "pelforge-error", G_TYPE_STRING, name.c_str(), nullptr));
}

uint32_t yuv_type_of(GstVideoFormat format) {
  switch (format) {
    case GST_VIDEO_FORMAT_I420:
      return PF_YUV_420;
    case GST_VIDEO_FORMAT_Y42B:
      return PF_YUV_422P;
    case GST_VIDEO_FORMAT_NV12:
      return PF_YUV_NV12;
    case GST_VIDEO_FORMAT_NV21:
      return PF_YUV_NV21;
    case GST_VIDEO_FORMAT_YUY2:
      return PF_YUV_YUYV;
    case GST_VIDEO_FORMAT_UYVY:
      return PF_YUV_UYVY;
    default:
      return 0;
  }
}

uint32_t image_type_of(const GstVideoInfo* info, const GstBuffer* buffer) {
  switch (GST_VIDEO_INFO_INTERLACE_MODE(info)) {
    case GST_VIDEO_INTERLACE_MODE_PROGRESSIVE:
      return PF_IMAGE_FRAME;
    case GST_VIDEO_INTERLACE_MODE_MIXED:
      // Mixed streams flag each interlaced picture; the others are whole frames.
      return buffer != nullptr && GST_BUFFER_FLAG_IS_SET(buffer, GST_VIDEO_BUFFER_FLAG_INTERLACED)
                 ? PF_IMAGE_INTERLACED
                 : PF_IMAGE_FRAME;
    default:
      return PF_IMAGE_INTERLACED;
  }
}

GstCaps* raw_caps(const std::vector<const char*>& formats, int max_width, int max_height,
                  int width_step, int height_step, bool interlaced_too) {
  GstStructure* s = gst_structure_new_empty("video/x-raw");
  GValue list = G_VALUE_INIT;
  GValue item = G_VALUE_INIT;
  g_value_init(&list, GST_TYPE_LIST);
  g_value_init(&item, G_TYPE_STRING);
  for (const char* f : formats) {
    g_value_set_string(&item, f);
    gst_value_list_append_value(&list, &item);
  }
  if (formats.size() == 1) {
    gst_structure_set_value(s, "format", &item);
  } else {
    gst_structure_set_value(s, "format", &list);
  }
  g_value_unset(&list);
  g_value_unset(&item);

  GValue range = G_VALUE_INIT;
  g_value_init(&range, GST_TYPE_INT_RANGE);
  gst_value_set_int_range_step(&range, width_step, max_width - max_width % width_step, width_step);
  gst_structure_set_value(s, "width", &range);
  gst_value_set_int_range_step(&range, height_step, max_height - max_height % height_step,
                               height_step);
  gst_structure_set_value(s, "height", &range);
  g_value_unset(&range);
  gst_structure_set(s, "framerate", GST_TYPE_FRACTION_RANGE, 0, 1, G_MAXINT, 1, nullptr);

  // Modules work on whole frames: single fields (alternate) have no storage of theirs.
  GValue modes = G_VALUE_INIT;
  GValue mode = G_VALUE_INIT;
  g_value_init(&modes, GST_TYPE_LIST);
  g_value_init(&mode, G_TYPE_STRING);
  for (const char* m : {"progressive", "interleaved", "mixed"}) {
    g_value_set_string(&mode, m);
    gst_value_list_append_value(&modes, &mode);
    if (!interlaced_too) break;
  }
  if (interlaced_too) {
    gst_structure_set_value(s, "interlace-mode", &modes);
  } else {
    g_value_set_string(&mode, "progressive");
    gst_structure_set_value(s, "interlace-mode", &mode);
  }
  g_value_unset(&modes);
  g_value_unset(&mode);

  GstCaps* caps = gst_caps_new_empty();
  gst_caps_append_structure(caps, s);
  return caps;
}

Contiguous contiguous_layout(GstVideoFormat format, int width, int height) {
  Contiguous c;
  const auto w = static_cast<size_t>(width);
  const size_t cw = w / 2;
  const int ch = height / 2;
  auto plane = [&c](size_t row_bytes, int rows) {
    c.offset[c.planes] = c.size;
    c.row_bytes[c.planes] = row_bytes;
    c.rows[c.planes] = rows;
    c.size += row_bytes * static_cast<size_t>(rows);
    ++c.planes;
  };
  switch (format) {
    case GST_VIDEO_FORMAT_I420:
      plane(w, height), plane(cw, ch), plane(cw, ch);
      break;
    case GST_VIDEO_FORMAT_Y42B:
      plane(w, height), plane(cw, height), plane(cw, height);
      break;
    case GST_VIDEO_FORMAT_NV12:
    case GST_VIDEO_FORMAT_NV21:
      plane(w, height), plane(w, ch);
      break;
    default:  // packed 4:2:2
      plane(2 * w, height);
      break;
  }
  return c;
}

void ContiguousPicture::configure(const GstVideoInfo* info) {
  layout_ = contiguous_layout(GST_VIDEO_INFO_FORMAT(info), GST_VIDEO_INFO_WIDTH(info),
                              GST_VIDEO_INFO_HEIGHT(info));
  copy_.assign(layout_.size, 0);
  staged_ = false;
}

void copy_from_frame(const GstVideoFrame* frame, const Contiguous& layout, uint8_t* picture) {
  for (int p = 0; p < layout.planes; ++p) {
    const auto* src = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, p));
    const auto stride = static_cast<size_t>(GST_VIDEO_FRAME_PLANE_STRIDE(frame, p));
    uint8_t* dst = picture + layout.offset[p];
    for (int r = 0; r < layout.rows[p]; ++r) {
      std::memcpy(dst + static_cast<size_t>(r) * layout.row_bytes[p],
                  src + static_cast<size_t>(r) * stride, layout.row_bytes[p]);
    }
  }
}

void copy_into_frame(const uint8_t* picture, const Contiguous& layout, GstVideoFrame* frame) {
  for (int p = 0; p < layout.planes; ++p) {
    auto* dst = static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, p));
    const auto stride = static_cast<size_t>(GST_VIDEO_FRAME_PLANE_STRIDE(frame, p));
    const uint8_t* src = picture + layout.offset[p];
    for (int r = 0; r < layout.rows[p]; ++r) {
      std::memcpy(dst + static_cast<size_t>(r) * stride,
                  src + static_cast<size_t>(r) * layout.row_bytes[p], layout.row_bytes[p]);
    }
  }
}

uint8_t* ContiguousPicture::begin(const GstVideoFrame* frame) {
  auto* base = static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, 0));
  bool direct = true;
  for (int p = 0; p < layout_.planes; ++p) {
    direct =
        direct &&
        static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, p)) == base + layout_.offset[p] &&
        static_cast<size_t>(GST_VIDEO_FRAME_PLANE_STRIDE(frame, p)) == layout_.row_bytes[p];
  }
  staged_ = !direct;
  if (direct) return base;
  copy_from_frame(frame, layout_, copy_.data());
  return copy_.data();
}

void ContiguousPicture::finish(GstVideoFrame* frame) {
  if (staged_) copy_into_frame(copy_.data(), layout_, frame);
}

bool describable(const GstVideoFrame* frame) {
  const GstVideoFormat format = GST_VIDEO_FRAME_FORMAT(frame);
  if (format == GST_VIDEO_FORMAT_YUY2 || format == GST_VIDEO_FORMAT_UYVY) {
    return GST_VIDEO_FRAME_PLANE_STRIDE(frame, 0) % 2 == 0;
  }
  if (GST_VIDEO_FRAME_N_PLANES(frame) == 3) {
    return GST_VIDEO_FRAME_PLANE_STRIDE(frame, 1) == GST_VIDEO_FRAME_PLANE_STRIDE(frame, 2);
  }
  return true;
}

tImgPicture picture_of(const GstVideoFrame* frame, bool packed_in_pixels) {
  tImgPicture pic{};
  auto plane = [frame](int p) {
    return static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, p));
  };
  auto stride = [frame](int p) {
    return static_cast<uint32_t>(GST_VIDEO_FRAME_PLANE_STRIDE(frame, p));
  };
  pic.pu8Y = plane(0);
  pic.u32YPitch = stride(0);
  switch (GST_VIDEO_FRAME_FORMAT(frame)) {
    case GST_VIDEO_FORMAT_I420:
    case GST_VIDEO_FORMAT_Y42B:
      pic.pu8U = plane(1);
      pic.pu8V = plane(2);
      pic.u32UVPitch = stride(1);
      break;
    case GST_VIDEO_FORMAT_NV12:
      // Both chroma pointers are given: a null one would make the module derive them from Y.
      pic.pu8U = plane(1);
      pic.pu8V = plane(1) + 1;
      pic.u32UVPitch = stride(1);
      break;
    case GST_VIDEO_FORMAT_NV21:
      pic.pu8V = plane(1);
      pic.pu8U = plane(1) + 1;
      pic.u32UVPitch = stride(1);
      break;
    default:  // packed 4:2:2: one plane
      if (packed_in_pixels) pic.u32YPitch /= 2;
      break;
  }
  return pic;
}

namespace {

GObject* child_by_index(GstChildProxy* proxy, guint index) {
  GST_OBJECT_LOCK(proxy);
  auto* pad = static_cast<GObject*>(g_list_nth_data(GST_ELEMENT(proxy)->sinkpads, index));
  if (pad != nullptr) g_object_ref(pad);
  GST_OBJECT_UNLOCK(proxy);
  return pad;
}

guint children_count(GstChildProxy* proxy) {
  GST_OBJECT_LOCK(proxy);
  const guint n = GST_ELEMENT(proxy)->numsinkpads;
  GST_OBJECT_UNLOCK(proxy);
  return n;
}

}  // namespace

void sink_pads_as_children(gpointer iface, gpointer) {
  auto* proxy = static_cast<GstChildProxyInterface*>(iface);
  proxy->get_child_by_index = child_by_index;
  proxy->get_children_count = children_count;
}

GstPad* request_child_pad(GstElementClass* parent, GstElement* element, GstPadTemplate* templ,
                          const gchar* name, const GstCaps* caps) {
  GstPad* pad = parent->request_new_pad(element, templ, name, caps);
  if (pad != nullptr) {
    gst_child_proxy_child_added(GST_CHILD_PROXY(element), G_OBJECT(pad), GST_OBJECT_NAME(pad));
  }
  return pad;
}

void release_child_pad(GstElementClass* parent, GstElement* element, GstPad* pad) {
  gst_child_proxy_child_removed(GST_CHILD_PROXY(element), G_OBJECT(pad), GST_OBJECT_NAME(pad));
  parent->release_pad(element, pad);
}

}  // namespace pfgst
