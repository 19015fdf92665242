// SPDX-License-Identifier: BSD-2-Clause
// pfdenoise (temporal filter), pfsharpen (sharpen, module 35), pfblur (Gaussian filter),
// pfdeinterlace (module 32), pfdeblock and pfdering: 4:2:0 filters that work on each picture in
// place.
#include <atomic>

#include "elements.hpp"
#include "filter_base.hpp"
#include "img_deblock.h"
#include "img_deinterlace.h"
#include "img_dering.h"
#include "img_gaussfilter.h"
#include "img_sharp.h"
#include "img_temporalfilter.h"

namespace {

using pfgst::FilterImpl;
using pfgst::Module;

// The Gaussian filter exports its entry points but has no table; this one drives it like the
// others.
const tImgProcFuncList kGaussTable = {ImgGaussFilterOpen_c,
                                      ImgGaussFilterProcess_c,
                                      ImgGaussFilterClose_c,
                                      ImgGaussFilterSetParam_c,
                                      ImgGaussFilterGetVersion_c,
                                      ImgGaussFilterGetStatus_c,
                                      ImgGaussFilterAnalyzeErrorCode_c,
                                      ImageGaussFilterDebug_c,
                                      ImageGaussFilterGetMemSize_c};

// Deblock and dering export their entry points but have no table either.
const tImgProcFuncList kDeblockTable = {ImgDeblockOpen_c,
                                        ImgDeblockProcess_c,
                                        ImgDeblockClose_c,
                                        ImgDeblockSetParam_c,
                                        ImgDeblockGetVersion_c,
                                        ImgDeblockGetStatus_c,
                                        ImgDeblockAnalyzeErrorCode_c,
                                        ImageDeblockDebug_c,
                                        ImageDeblockGetMemSize_c};
const tImgProcFuncList kDeringTable = {ImgDeringOpen_c,
                                       ImgDeringProcess_c,
                                       ImgDeringClose_c,
                                       ImgDeringSetParam_c,
                                       ImgDeringGetVersion_c,
                                       ImgDeringGetStatus_c,
                                       ImgDeringAnalyzeErrorCode_c,
                                       ImageDeringDebug_c,
                                       ImageDeringGetMemSize_c};

int width_of(const GstVideoInfo* info) { return GST_VIDEO_INFO_WIDTH(info); }
int height_of(const GstVideoInfo* info) { return GST_VIDEO_INFO_HEIGHT(info); }

// ---- temporal filter ----

class DenoiseImpl final : public FilterImpl {
 public:
  std::atomic<int> strength{};

  uint32_t open(const GstVideoInfo* info, void* mem, const Module** refused) override {
    picture_.configure(info);
    *refused = &module_;
    return module_.open(&param(info), mem);
  }
  // A new strength step keeps the previous output and the strengths reached so far.
  uint32_t reconfigure(const GstVideoInfo* info, void*, const Module** refused) override {
    *refused = &module_;
    return module_.set_param(&param(info));
  }
  uint32_t process(GstVideoFrame* frame, const Module** failed) override {
    tImgPicture pic{picture_.begin(frame), nullptr, nullptr, 0, 0, 0, 0};
    *failed = &module_;
    const uint32_t status = module_.process(&pic, &pic);
    picture_.finish(frame);
    return status;
  }
  void close() override { module_.close(); }
  std::string action() const override { return "cannot denoise"; }

 private:
  // The module reads pictures without padding, whatever strides it is told.
  const tImgTemporalFilterParam& param(const GstVideoInfo* info) {
    const int w = width_of(info);
    param_ = {w, height_of(info), w, w / 2, strength.load()};
    return param_;
  }
  tImgTemporalFilterParam param_{};
  Module module_{tImageTemporalFilterFunc, "ImgTemporalFilter"};
  pfgst::ContiguousPicture picture_;
};

// ---- sharpen ----

class SharpenImpl final : public FilterImpl {
 public:
  std::atomic<int> strength{};

  uint32_t open(const GstVideoInfo* info, void* mem, const Module** refused) override {
    *refused = &module_;
    return module_.open(&param(info), mem);
  }
  uint32_t reconfigure(const GstVideoInfo* info, void*, const Module** refused) override {
    *refused = &module_;
    return module_.set_param(&param(info));
  }
  // The module takes the frame's own pitches.
  uint32_t process(GstVideoFrame* frame, const Module** failed) override {
    tImgPicture pic = pfgst::picture_of(frame, false);
    *failed = &module_;
    return module_.process(&pic, &pic);
  }
  void close() override { module_.close(); }
  std::string action() const override { return "cannot sharpen"; }

 private:
  const tImgSharpParam& param(const GstVideoInfo* info) {
    param_ = {width_of(info), height_of(info), strength.load(), 0};
    return param_;
  }
  tImgSharpParam param_{};
  Module module_{tImageSharpFunc, "ImageSharp"};
};

// ---- Gaussian ----

class BlurImpl final : public FilterImpl {
 public:
  std::atomic<int> level{};
  std::atomic<int> limit{};

  uint32_t open(const GstVideoInfo* info, void* mem, const Module** refused) override {
    picture_.configure(info);
    *refused = &module_;
    return module_.open(&param(info), mem);
  }
  uint32_t reconfigure(const GstVideoInfo* info, void*, const Module** refused) override {
    *refused = &module_;
    return module_.set_param(&param(info));
  }
  uint32_t process(GstVideoFrame* frame, const Module** failed) override {
    const pfgst::Contiguous& c = picture_.layout();
    uint8_t* y = picture_.begin(frame);
    uint8_t* u = y + c.offset[1];
    uint8_t* v = y + c.offset[2];
    tImgGaussFilterPicture pic{y, u, v, y, u, v};
    *failed = &module_;
    const uint32_t status = module_.process(&pic, &pic);
    picture_.finish(frame);
    return status;
  }
  void close() override { module_.close(); }
  std::string action() const override { return "cannot blur"; }

 private:
  const tImgGaussFilterParam& param(const GstVideoInfo* info) {
    const int w = width_of(info), h = height_of(info);
    param_ = {w, h, w, w / 2, w, h, w, w / 2, level.load(), static_cast<uint8_t>(limit.load())};
    return param_;
  }
  tImgGaussFilterParam param_{};
  Module module_{kGaussTable, "ImgGaussFilter"};
  pfgst::ContiguousPicture picture_;
};

// ---- deinterlace ----

class DeinterlaceImpl final : public FilterImpl {
 public:
  std::atomic<int> mode{};

  uint32_t open(const GstVideoInfo* info, void* mem, const Module** refused) override {
    picture_.configure(info);
    *refused = &module_;
    return module_.open(&param(info), mem);
  }
  uint32_t reconfigure(const GstVideoInfo* info, void*, const Module** refused) override {
    *refused = &module_;
    return module_.set_param(&param(info));
  }
  // Progressive pictures pass untouched; in mixed streams only those flagged interlaced are
  // rebuilt. Pictures leave as progressive frames.
  uint32_t process(GstVideoFrame* frame, const Module** failed) override {
    if (pfgst::image_type_of(&frame->info, frame->buffer) == PF_IMAGE_FRAME) return PF_STATUS_OK;
    const pfgst::Contiguous& c = picture_.layout();
    uint8_t* y = picture_.begin(frame);
    uint8_t* planes[3] = {y, y + c.offset[1], y + c.offset[2]};
    *failed = &module_;
    const uint32_t status = module_.process(planes, planes);
    picture_.finish(frame);
    GST_BUFFER_FLAG_UNSET(frame->buffer, GST_VIDEO_BUFFER_FLAG_INTERLACED |
                                             GST_VIDEO_BUFFER_FLAG_TFF | GST_VIDEO_BUFFER_FLAG_RFF |
                                             GST_VIDEO_BUFFER_FLAG_ONEFIELD);
    return status;
  }
  bool passthrough(const GstVideoInfo* info) const override {
    return !GST_VIDEO_INFO_IS_INTERLACED(info);
  }
  void close() override { module_.close(); }
  std::string action() const override { return "cannot deinterlace"; }

 private:
  // Interleaved frames: the even lines (top field) stay, the odd lines are rebuilt.
  const tImgDeinterlaceParam& param(const GstVideoInfo* info) {
    const int w = width_of(info);
    param_ = {w, height_of(info), w, w / 2, mode.load(), PF_DEINTERLACE_INTERLACED};
    return param_;
  }
  tImgDeinterlaceParam param_{};
  Module module_{tImgDeinterlaceFunc, "ImgDeinterlace"};
  pfgst::ContiguousPicture picture_;
};

// ---- deblock and dering ----

class DeblockImpl final : public FilterImpl {
 public:
  std::atomic<int> quantiser{};

  uint32_t open(const GstVideoInfo* info, void* mem, const Module** refused) override {
    picture_.configure(info);
    const int w = width_of(info), h = height_of(info);
    const tImgDeblockParam p{w, h, w, w / 2, w, h, w, w / 2};
    *refused = &module_;
    return module_.open(&p, mem);
  }
  // The quantiser travels with each picture.
  uint32_t reconfigure(const GstVideoInfo*, void*, const Module**) override { return PF_STATUS_OK; }
  uint32_t process(GstVideoFrame* frame, const Module** failed) override {
    const pfgst::Contiguous& c = picture_.layout();
    uint8_t* y = picture_.begin(frame);
    tImgDeblockData data{
        y, y + c.offset[1], y + c.offset[2], y, y + c.offset[1], y + c.offset[2], quantiser.load()};
    *failed = &module_;
    const uint32_t status = module_.process(&data, &data);
    picture_.finish(frame);
    return status;
  }
  void close() override { module_.close(); }
  std::string action() const override { return "cannot deblock"; }

 private:
  Module module_{kDeblockTable, "ImgDeblock"};
  pfgst::ContiguousPicture picture_;
};

class DeringImpl final : public FilterImpl {
 public:
  std::atomic<int> quantiser{};

  uint32_t open(const GstVideoInfo* info, void* mem, const Module** refused) override {
    picture_.configure(info);
    const int w = width_of(info);
    const tImgDeringParam p{w, height_of(info), w, w / 2};
    *refused = &module_;
    return module_.open(&p, mem);
  }
  uint32_t reconfigure(const GstVideoInfo*, void*, const Module**) override { return PF_STATUS_OK; }
  uint32_t process(GstVideoFrame* frame, const Module** failed) override {
    const pfgst::Contiguous& c = picture_.layout();
    uint8_t* y = picture_.begin(frame);
    tImgDeringData data{y, y + c.offset[1], y + c.offset[2], quantiser.load()};
    *failed = &module_;
    const uint32_t status = module_.process(&data, &data);
    picture_.finish(frame);
    return status;
  }
  void close() override { module_.close(); }
  std::string action() const override { return "cannot dering"; }

 private:
  Module module_{kDeringTable, "ImgDering"};
  pfgst::ContiguousPicture picture_;
};

GstCaps* i420_caps(int max_width, int max_height, int width_step = 2, int height_step = 2) {
  return pfgst::raw_caps({"I420"}, max_width, max_height, width_step, height_step);
}

// Interlaced pictures in, progressive ones out.
GstCaps* deinterlace_transform_caps(GstBaseTransform*, GstPadDirection direction, GstCaps* caps,
                                    GstCaps* filter) {
  GstCaps* result = gst_caps_copy(caps);
  for (guint i = 0; i < gst_caps_get_size(result); ++i) {
    GstStructure* s = gst_caps_get_structure(result, i);
    if (direction == GST_PAD_SINK) {
      gst_structure_set(s, "interlace-mode", G_TYPE_STRING, "progressive", nullptr);
    } else {
      gst_structure_remove_field(s, "interlace-mode");
    }
  }
  if (direction == GST_PAD_SRC) {
    GstCaps* templ = i420_caps(32760, 32760, 8, 8);
    GstCaps* both = gst_caps_intersect(result, templ);
    gst_caps_unref(templ);
    gst_caps_unref(result);
    result = both;
  }
  if (filter != nullptr) {
    GstCaps* both = gst_caps_intersect_full(filter, result, GST_CAPS_INTERSECT_FIRST);
    gst_caps_unref(result);
    result = both;
  }
  return result;
}

}  // namespace

// ---- the element types ----

G_BEGIN_DECLS
#define PF_TYPE_DENOISE (pf_denoise_get_type())
G_DECLARE_FINAL_TYPE(PfDenoise, pf_denoise, PF, DENOISE, PfFilter)
#define PF_TYPE_SHARPEN (pf_sharpen_get_type())
G_DECLARE_FINAL_TYPE(PfSharpen, pf_sharpen, PF, SHARPEN, PfFilter)
#define PF_TYPE_BLUR (pf_blur_get_type())
G_DECLARE_FINAL_TYPE(PfBlur, pf_blur, PF, BLUR, PfFilter)
#define PF_TYPE_DEINTERLACE (pf_deinterlace_get_type())
G_DECLARE_FINAL_TYPE(PfDeinterlace, pf_deinterlace, PF, DEINTERLACE, PfFilter)
#define PF_TYPE_DEBLOCK (pf_deblock_get_type())
G_DECLARE_FINAL_TYPE(PfDeblock, pf_deblock, PF, DEBLOCK, PfFilter)
#define PF_TYPE_DERING (pf_dering_get_type())
G_DECLARE_FINAL_TYPE(PfDering, pf_dering, PF, DERING, PfFilter)
G_END_DECLS

struct _PfDeinterlace {
  PfFilter parent;
};
struct _PfDeblock {
  PfFilter parent;
};
struct _PfDering {
  PfFilter parent;
};
struct _PfDenoise {
  PfFilter parent;
};
struct _PfSharpen {
  PfFilter parent;
};
struct _PfBlur {
  PfFilter parent;
};

G_DEFINE_TYPE(PfDenoise, pf_denoise, PF_TYPE_FILTER)
G_DEFINE_TYPE(PfSharpen, pf_sharpen, PF_TYPE_FILTER)
G_DEFINE_TYPE(PfBlur, pf_blur, PF_TYPE_FILTER)
GST_ELEMENT_REGISTER_DEFINE(pfdenoise, "pfdenoise", GST_RANK_NONE, PF_TYPE_DENOISE)
GST_ELEMENT_REGISTER_DEFINE(pfsharpen, "pfsharpen", GST_RANK_NONE, PF_TYPE_SHARPEN)
GST_ELEMENT_REGISTER_DEFINE(pfblur, "pfblur", GST_RANK_NONE, PF_TYPE_BLUR)
G_DEFINE_TYPE(PfDeinterlace, pf_deinterlace, PF_TYPE_FILTER)
G_DEFINE_TYPE(PfDeblock, pf_deblock, PF_TYPE_FILTER)
G_DEFINE_TYPE(PfDering, pf_dering, PF_TYPE_FILTER)
GST_ELEMENT_REGISTER_DEFINE(pfdeinterlace, "pfdeinterlace", GST_RANK_NONE, PF_TYPE_DEINTERLACE)
GST_ELEMENT_REGISTER_DEFINE(pfdeblock, "pfdeblock", GST_RANK_NONE, PF_TYPE_DEBLOCK)
GST_ELEMENT_REGISTER_DEFINE(pfdering, "pfdering", GST_RANK_NONE, PF_TYPE_DERING)

namespace {

using pfgst::filter_field;
using pfgst::int_property;
using pfgst::kPropFlags;

constexpr pfgst::Property quantiser(pfgst::Access access) {
  return int_property("quantiser", "Quantiser",
                      "Quantiser scale the pictures were coded with (1 to 31 for MPEG "
                      "coders); larger values filter more, 0 leaves nearly everything",
                      0, 1 << 16, 8, kPropFlags, access);
}

constexpr pfgst::Property kDeinterlaceProperties[] = {int_property(
    "mode", "Mode",
    "0 block comb detector, 1 line repetition, 2 motion-adaptive blend, 3 "
    "blend with edge directions and the previous picture. The top field's "
    "lines stay, the bottom field's are rebuilt",
    0, 3, PF_DEINTERLACE_MODE_TEMPORAL, kPropFlags, filter_field<&DeinterlaceImpl::mode>())};
constexpr pfgst::Property kDeblockProperties[] = {
    quantiser(filter_field<&DeblockImpl::quantiser>())};
constexpr pfgst::Property kDeringProperties[] = {quantiser(filter_field<&DeringImpl::quantiser>())};
constexpr pfgst::Property kDenoiseProperties[] = {int_property(
    "strength", "Strength step",
    "How much the filter's strength grows with every picture, up to "
    "29 (the SSE2 filter; without SSE2 4x4 blocks that hardly changed keep the "
    "previous output)",
    0, PF_TEMPORALFILTER_MAX_STRENGTH, 3, kPropFlags, filter_field<&DenoiseImpl::strength>())};
constexpr pfgst::Property kSharpenProperties[] = {
    int_property("strength", "Strength",
                 "Unsharp mask against an 8x8 box blur: each sample moves away from the "
                 "blur by strength/256 of its difference (0 changes nothing)",
                 0, 255, 64, kPropFlags, filter_field<&SharpenImpl::strength>())};
constexpr pfgst::Property kBlurProperties[] = {
    int_property("level", "Level", "Width of the 9-tap Gaussian, 0 (none) to 4", 0, 4, 3,
                 kPropFlags, filter_field<&BlurImpl::level>()),
    int_property("limit", "Limit",
                 "Neighbours further than this from the centre sample count as if they "
                 "were this far, which keeps edges (255: no limit, 0 changes nothing)",
                 0, 255, 255, kPropFlags, filter_field<&BlurImpl::limit>()),
};

}  // namespace

static void pf_deinterlace_class_init(PfDeinterlaceClass* klass) {
  pfgst::init_filter_class(
      klass, kDeinterlaceProperties, nullptr, "pelforge deinterlacer",
      "Filter/Effect/Video/Deinterlace",
      "Turns interleaved 4:2:0 frames into progressive ones in place; progressive pictures pass");
  GstCaps* sink = i420_caps(32760, 32760, 8, 8);
  GstCaps* src = i420_caps(32760, 32760, 8, 8);
  gst_structure_set(gst_caps_get_structure(src, 0), "interlace-mode", G_TYPE_STRING, "progressive",
                    nullptr);
  gst_element_class_add_pad_template(
      GST_ELEMENT_CLASS(klass), gst_pad_template_new("sink", GST_PAD_SINK, GST_PAD_ALWAYS, sink));
  gst_element_class_add_pad_template(GST_ELEMENT_CLASS(klass),
                                     gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, src));
  gst_caps_unref(sink);
  gst_caps_unref(src);
  GST_BASE_TRANSFORM_CLASS(klass)->transform_caps = deinterlace_transform_caps;
}
static void pf_deinterlace_init(PfDeinterlace* self) {
  pfgst::init_filter(self, new DeinterlaceImpl, kDeinterlaceProperties);
}

static void pf_deblock_class_init(PfDeblockClass* klass) {
  pfgst::init_filter_class(klass, kDeblockProperties, i420_caps(32760, 32760, 8, 8),
                           "pelforge deblocking filter", "Filter/Effect/Video",
                           "Smooths the 8x8 block edges of decoded 4:2:0 pictures");
}
static void pf_deblock_init(PfDeblock* self) {
  pfgst::init_filter(self, new DeblockImpl, kDeblockProperties);
}

static void pf_dering_class_init(PfDeringClass* klass) {
  pfgst::init_filter_class(klass, kDeringProperties, i420_caps(32760, 32760, 8, 8),
                           "pelforge deringing filter", "Filter/Effect/Video",
                           "Suppresses ringing inside the 8x8 blocks of decoded 4:2:0 pictures");
}
static void pf_dering_init(PfDering* self) {
  pfgst::init_filter(self, new DeringImpl, kDeringProperties);
}

static void pf_denoise_class_init(PfDenoiseClass* klass) {
  pfgst::init_filter_class(
      klass, kDenoiseProperties, i420_caps(32766, 32766), "pelforge temporal noise filter",
      "Filter/Effect/Video",
      "Reduces noise by blending every picture with the filter's previous output");
}
static void pf_denoise_init(PfDenoise* self) {
  pfgst::init_filter(self, new DenoiseImpl, kDenoiseProperties);
}

static void pf_sharpen_class_init(PfSharpenClass* klass) {
  pfgst::init_filter_class(klass, kSharpenProperties, i420_caps(2128, 6144), "pelforge sharpen",
                           "Filter/Effect/Video", "Sharpens 4:2:0 pictures with an unsharp mask");
}
static void pf_sharpen_init(PfSharpen* self) {
  pfgst::init_filter(self, new SharpenImpl, kSharpenProperties);
}

static void pf_blur_class_init(PfBlurClass* klass) {
  pfgst::init_filter_class(
      klass, kBlurProperties, i420_caps(PF_GAUSS_FILTER_MAX_WIDTH - 1, 32766),
      "pelforge Gaussian blur", "Filter/Effect/Video",
      "Blurs 4:2:0 pictures with a separable Gaussian whose neighbours are limited to a band");
}
static void pf_blur_init(PfBlur* self) { pfgst::init_filter(self, new BlurImpl, kBlurProperties); }
