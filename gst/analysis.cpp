// SPDX-License-Identifier: BSD-2-Clause
// pfmotion: motion detection (module 38) on every picture, which passes unchanged; an element
// message "pelforge-motion" names the frame and the watch areas in alarm.
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "elements.hpp"
#include "filter_base.hpp"
#include "img_motionsurveil.h"

namespace {

using pfgst::FilterImpl;
using pfgst::Module;

struct Area {
  int x, y, w, h;
};

// "X,Y,W,H" areas separated by ';'. False with `error` set when one is malformed.
bool parse_areas(const std::string& text, std::vector<Area>& areas, std::string& error) {
  areas.clear();
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    const std::string item = text.substr(start, end - start);
    start = end + 1;
    if (item.find_first_not_of(" \t") == std::string::npos) continue;
    Area a{};
    char tail = 0;
    if (std::sscanf(item.c_str(), " %d , %d , %d , %d %c", &a.x, &a.y, &a.w, &a.h, &tail) != 4 ||
        a.x < 0 || a.y < 0 || a.w < 0 || a.h < 0 || a.x > 32767 || a.y > 32767 || a.w > 32767 ||
        a.h > 32767) {
      error = "areas: '" + item + "' is not X,Y,W,H";
      return false;
    }
    areas.push_back(a);
  }
  if (areas.size() > PF_MOTION_MAX_AREAS) {
    error = "areas: at most " + std::to_string(PF_MOTION_MAX_AREAS);
    return false;
  }
  return true;
}

class MotionImpl final : public FilterImpl {
 public:
  std::atomic<int> sensitivity{}, fine_tune{};
  pfgst::SharedText areas_text;
  GstElement* element = nullptr;

  uint32_t open(const GstVideoInfo* info, void* mem, const Module** refused) override {
    picture_.configure(info);
    frame_ = 0;
    *refused = nullptr;
    if (!param(info)) return kNotModule;
    *refused = &module_;
    return module_.open(&param_, mem);
  }
  uint32_t reconfigure(const GstVideoInfo* info, void*, const Module** refused) override {
    *refused = nullptr;
    if (!param(info)) return kNotModule;
    *refused = &module_;
    return module_.set_param(&param_);
  }
  // Reads the picture only: it is mapped read-only, and a copy is made when its luma lines are
  // not packed as the module reads them.
  uint32_t process(GstVideoFrame* frame, const Module** failed) override {
    uint8_t result = 0;
    tImageMotionSurveilInput in{picture_.begin(frame), &result};
    *failed = &module_;
    const uint32_t status = module_.process(&in, &result);
    if (status == PF_STATUS_OK && result != 0) post(frame->buffer);
    ++frame_;
    return status;
  }
  bool passthrough(const GstVideoInfo*) const override { return true; }
  void close() override { module_.close(); }
  std::string action() const override { return "cannot watch for motion in"; }

 private:
  bool param(const GstVideoInfo* info) {
    if (!parse_areas(areas_text.get(), areas_, error_text)) return false;
    param_ = tImageMotionSurveilParam{};
    width_ = GST_VIDEO_INFO_WIDTH(info);
    const int height = GST_VIDEO_INFO_HEIGHT(info);
    param_.s32Width = width_;
    param_.s32Height = height;
    param_.s32YuvType = static_cast<int32_t>(PF_YUV_420);
    param_.s32Interlace = static_cast<int32_t>(pfgst::image_type_of(info, nullptr));
    param_.s32FineTune = fine_tune;
    param_.s16Sensitivity = static_cast<int16_t>(sensitivity.load());
    param_.s16AreaNum = static_cast<int16_t>(areas_.size());
    for (size_t i = 0; i < areas_.size(); ++i) {
      const Area& a = areas_[i];
      param_.atArea[i] = {static_cast<int16_t>(a.y), static_cast<int16_t>(a.x),
                          static_cast<int16_t>(a.w), static_cast<int16_t>(a.h)};
    }
    reduced_ = (width_ == 720 || width_ == 704) && height == 576;
    return true;
  }

  // Whether the last picture's filtered map has more moving cells in `a` than the area
  // threshold: the module stops at the first such area, asking each names them all. The map is
  // the one the module's instance record offers hosts.
  bool moved(const Area& a) const {
    const auto& inst = *static_cast<const tImageMotionSurveilInstance*>(module_.handle());
    int x = a.x, y = a.y, w = a.w, h = a.h, threshold = inst.s16AreaThreshold;
    if (reduced_) x >>= 1, y >>= 1, w >>= 1, h >>= 1, threshold /= 4;
    const size_t stride = static_cast<size_t>(reduced_ ? width_ / 2 : width_);
    int count = 0;
    for (int row = y; row < y + h; ++row) {
      for (int col = x; col < x + w; ++col) {
        count += inst.pu8Map[static_cast<size_t>(row) * stride + static_cast<size_t>(col)] >= 100;
      }
    }
    return count > threshold;
  }

  void post(GstBuffer* buffer) {
    GValue list = G_VALUE_INIT, number = G_VALUE_INIT;
    g_value_init(&list, GST_TYPE_ARRAY);
    g_value_init(&number, G_TYPE_INT);
    for (size_t i = 0; i < areas_.size(); ++i) {
      if (!moved(areas_[i])) continue;
      g_value_set_int(&number, static_cast<int>(i + 1));
      gst_value_array_append_value(&list, &number);
    }
    GstStructure* s =
        gst_structure_new("pelforge-motion", "frame", G_TYPE_UINT64, frame_, "timestamp",
                          G_TYPE_UINT64, GST_BUFFER_PTS(buffer), nullptr);
    gst_structure_take_value(s, "areas", &list);
    g_value_unset(&number);
    gst_element_post_message(element, gst_message_new_element(GST_OBJECT(element), s));
  }

  tImageMotionSurveilParam param_{};
  std::vector<Area> areas_;
  int width_ = 0;
  bool reduced_ = false;
  guint64 frame_ = 0;
  Module module_{tImageMotionSurveilFunc, "ImageMotionSurveil"};
  pfgst::ContiguousPicture picture_;
};

}  // namespace

G_BEGIN_DECLS
#define PF_TYPE_MOTION (pf_motion_get_type())
G_DECLARE_FINAL_TYPE(PfMotion, pf_motion, PF, MOTION, PfFilter)
G_END_DECLS

struct _PfMotion {
  PfFilter parent;
};

G_DEFINE_TYPE(PfMotion, pf_motion, PF_TYPE_FILTER)
GST_ELEMENT_REGISTER_DEFINE(pfmotion, "pfmotion", GST_RANK_NONE, PF_TYPE_MOTION)

namespace {

constexpr pfgst::Property kProperties[] = {
    pfgst::string_property("areas", "Areas",
                           "Watch areas, up to 16, separated by ';': X,Y,W,H in pixels. Numbered "
                           "from 1 in the messages",
                           "", pfgst::kPropFlags, pfgst::filter_field<&MotionImpl::areas_text>()),
    pfgst::int_property("sensitivity", "Sensitivity", "1 (least) to 5 (most sensitive)", 1, 5, 3,
                        pfgst::kPropFlags, pfgst::filter_field<&MotionImpl::sensitivity>()),
    pfgst::int_property("fine-tune", "Fine tune", "Adjusts the sensitivity in 21 steps", -10, 10, 0,
                        pfgst::kPropFlags, pfgst::filter_field<&MotionImpl::fine_tune>()),
};

}  // namespace

static void pf_motion_class_init(PfMotionClass* klass) {
  pfgst::init_filter_class(
      klass, kProperties, pfgst::raw_caps({"I420", "NV12"}, 12288, 6144, 8, 2),
      "pelforge motion detection", "Filter/Analyzer/Video",
      "Watches areas for motion and posts a \"pelforge-motion\" element message (frame, "
      "timestamp, areas) for every picture in which an area raised the alarm; pictures pass "
      "unchanged");
}

static void pf_motion_init(PfMotion* self) {
  auto* impl = new MotionImpl;
  impl->element = GST_ELEMENT(self);
  pfgst::init_filter(self, impl, kProperties);
}
