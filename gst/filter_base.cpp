// SPDX-License-Identifier: BSD-2-Clause
// The in-place element base: negotiation, reconfiguration between pictures, refusals on the bus.
#include "filter_base.hpp"

GST_DEBUG_CATEGORY_STATIC(pf_filter_debug);
#define GST_CAT_DEFAULT pf_filter_debug

namespace {

struct PfFilterPrivate {
  pfgst::FilterImpl* impl;
  pfgst::MemHandle* mem;
};

}  // namespace

G_DEFINE_ABSTRACT_TYPE_WITH_PRIVATE(PfFilter, pf_filter, GST_TYPE_VIDEO_FILTER)

namespace {

PfFilterPrivate* priv(gpointer element) {
  return static_cast<PfFilterPrivate*>(pf_filter_get_instance_private(PF_FILTER(element)));
}

void refuse(GstElement* element, pfgst::FilterImpl& impl, const pfgst::Module* module,
            uint32_t code, const GstVideoInfo* info, const char* when) {
  if (module == nullptr) {
    GST_ELEMENT_ERROR(element, RESOURCE, SETTINGS, ("%s", impl.error_text.c_str()), (nullptr));
    return;
  }
  const std::string what = impl.action() + " " +
                           gst_video_format_to_string(GST_VIDEO_INFO_FORMAT(info)) + " " +
                           std::to_string(GST_VIDEO_INFO_WIDTH(info)) + "x" +
                           std::to_string(GST_VIDEO_INFO_HEIGHT(info)) + when;
  pfgst::post_module_error(element, *module, code, what);
}

gboolean set_info(GstVideoFilter* filter, GstCaps*, GstVideoInfo* in_info, GstCaps*,
                  GstVideoInfo*) {
  PfFilterPrivate* p = priv(filter);
  if (p->mem == nullptr) p->mem = new pfgst::MemHandle;
  p->impl->close();
  p->impl->changed = false;
  const pfgst::Module* refused = nullptr;
  const uint32_t status = p->impl->open(in_info, p->mem->get(), &refused);
  if (status != PF_STATUS_OK) {
    refuse(GST_ELEMENT(filter), *p->impl, refused, status, in_info, "");
    return FALSE;
  }
  GST_DEBUG_OBJECT(filter, "opened for %s", gst_video_format_to_string(in_info->finfo->format));
  gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(filter), p->impl->passthrough(in_info));
  return TRUE;
}

GstFlowReturn transform_frame_ip(GstVideoFilter* filter, GstVideoFrame* frame) {
  PfFilterPrivate* p = priv(filter);
  const pfgst::Module* module = nullptr;
  if (p->impl->changed.exchange(false)) {
    const uint32_t status = p->impl->reconfigure(&filter->in_info, p->mem->get(), &module);
    if (status != PF_STATUS_OK) {
      refuse(GST_ELEMENT(filter), *p->impl, module, status, &filter->in_info,
             " with the new properties");
      return GST_FLOW_ERROR;
    }
  }
  const uint32_t status = p->impl->process(frame, &module);
  if (status != PF_STATUS_OK) {
    refuse(GST_ELEMENT(filter), *p->impl, module, status, &filter->in_info, " (a picture)");
    return GST_FLOW_ERROR;
  }
  return GST_FLOW_OK;
}

gboolean stop(GstBaseTransform* trans) {
  PfFilterPrivate* p = priv(trans);
  p->impl->close();
  delete p->mem;
  p->mem = nullptr;
  return TRUE;
}

void finalize(GObject* object) {
  PfFilterPrivate* p = priv(object);
  if (p->impl != nullptr) p->impl->close();
  delete p->impl;
  delete p->mem;
  G_OBJECT_CLASS(pf_filter_parent_class)->finalize(object);
}

}  // namespace

static void pf_filter_class_init(PfFilterClass* klass) {
  GST_DEBUG_CATEGORY_INIT(pf_filter_debug, "pffilter", 0, "pelforge in-place elements");
  G_OBJECT_CLASS(klass)->finalize = finalize;
  GST_BASE_TRANSFORM_CLASS(klass)->stop = stop;
  GST_VIDEO_FILTER_CLASS(klass)->set_info = set_info;
  GST_VIDEO_FILTER_CLASS(klass)->transform_frame_ip = transform_frame_ip;
  gst_type_mark_as_plugin_api(PF_TYPE_FILTER, static_cast<GstPluginAPIFlags>(0));
}

static void pf_filter_init(PfFilter* self) {
  PfFilterPrivate* p = priv(self);
  p->impl = nullptr;
  p->mem = nullptr;
}

namespace pfgst {

FilterImpl* filter_impl(gpointer element) { return priv(element)->impl; }

void init_filter(gpointer element, FilterImpl* impl, std::span<const Property> properties) {
  priv(element)->impl = impl;
  init_properties(G_OBJECT(element), properties);
}

void filter_changed(gpointer element) { priv(element)->impl->changed = true; }

void init_filter_class(gpointer klass, std::span<const Property> properties, GstCaps* caps,
                       const char* longname, const char* classification, const char* description) {
  install_properties(G_OBJECT_CLASS(klass), properties);
  if (caps != nullptr) {
    for (const auto& [name, direction] : {std::pair{"sink", GST_PAD_SINK}, {"src", GST_PAD_SRC}}) {
      gst_element_class_add_pad_template(
          GST_ELEMENT_CLASS(klass), gst_pad_template_new(name, direction, GST_PAD_ALWAYS, caps));
    }
    gst_caps_unref(caps);
  }
  gst_element_class_set_static_metadata(GST_ELEMENT_CLASS(klass), longname, classification,
                                        description, "pelforge");
}

}  // namespace pfgst
