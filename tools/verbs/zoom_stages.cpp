// SPDX-License-Identifier: BSD-2-Clause
#include "verbs/zoom_stages.hpp"

#include <algorithm>
#include <cstdint>
#include <string>

#include "img_apt_zoom.h"
#include "img_yuv420toyuv422.h"
#include "img_yuv422toyuv420.h"
#include "img_zoom_uyvy.h"
#include "modules.hpp"

namespace pf::cli {
namespace {

bool is(const VideoFormat& f, const char* name) { return f.fmt == find_pix_fmt(name); }

uint32_t yuv_type(const VideoFormat& f) { return is(f, "uyvy422") ? PF_YUV_UYVY : PF_YUV_420; }

std::string size_text(const VideoFormat& f) {
  return std::to_string(f.width) + "x" + std::to_string(f.height);
}

}  // namespace

std::array<int, 4> keep_aspect_bars(int w, int h, int out_w, int out_h) {
  // The largest box of the picture's shape inside the output, rounded to the nearest even size.
  int64_t inner_w = out_w, inner_h = out_h;
  if (int64_t{w} * out_h > int64_t{h} * out_w) {
    inner_h = (int64_t{out_w} * h + w / 2) / w;
  } else {
    inner_w = (int64_t{out_h} * w + h / 2) / h;
  }
  auto split = [](int64_t bar) {
    const int first = static_cast<int>((bar / 2 + 2) & ~int64_t{3});
    return std::array<int, 2>{first, static_cast<int>((bar - first + 2) & ~int64_t{3})};
  };
  const auto [top, bottom] = split(std::max<int64_t>(0, out_h - inner_h));
  const auto [left, right] = split(std::max<int64_t>(0, out_w - inner_w));
  return {top, bottom, left, right};
}

std::unique_ptr<Stage> make_apt_zoom_stage(const VideoFormat& in, const VideoFormat& out,
                                           const std::array<int, 4>& bars, void* mem) {
  tImageAptZoomParam p{};
  p.s32SrcWidth = in.width;
  p.s32SrcHeight = in.height;
  p.u32SrcYPitch = static_cast<uint32_t>(in.width);
  p.u32SrcUVPitch = p.u32SrcYPitch / 2;
  p.u32SrcYuvType = yuv_type(in);
  p.u32SrcImageType = in.layout;
  p.s32OutWidth = out.width;
  p.s32OutHeight = out.height;
  p.u32OutYPitch = static_cast<uint32_t>(out.width);
  p.u32OutYuvType = yuv_type(out);
  p.u32OutImageType = out.layout;
  p.s32TopOffset = bars[0];
  p.s32BottomOffset = bars[1];
  p.s32LeftOffset = bars[2];
  p.s32RightOffset = bars[3];
  auto module = std::make_shared<Instance>(kAptZoomId, &p, mem);
  return make_stage(
      in, out, "ImageAptZoom " + size_text(in) + " -> " + size_text(out) + " keeping the shape",
      [module](uint8_t* src, uint8_t* dst) {
        tImageAptZoomBuffers b{src, dst};
        module->process(&b, &b);
      });
}

std::unique_ptr<Stage> make_uyvy_zoom_stage(const VideoFormat& in, const VideoFormat& out,
                                            const Geometry& g, void* mem) {
  const Geometry plain{};
  if (!is(in, "uyvy422") || !is(out, "uyvy422") || g.crop != plain.crop ||
      g.offset != plain.offset || g.fill_color != plain.fill_color || g.nearest) {
    return nullptr;
  }
  const tImageZoomUYVYParam p{in.width,
                              in.height,
                              static_cast<uint32_t>(in.width),
                              in.layout,
                              out.width,
                              out.height,
                              static_cast<uint32_t>(out.width),
                              out.layout,
                              g.fill[0],
                              g.fill[1],
                              g.fill[2],
                              g.fill[3],
                              0};
  auto module = std::make_shared<Instance>(kZoomUyvyId, &p, mem);
  return make_stage(in, out, "ImageZoomUYVY " + size_text(in) + " -> " + size_text(out),
                    [module](uint8_t* src, uint8_t* dst) {
                      tImageZoomUYVYBuffers b{src, dst};
                      module->process(&b, &b);
                    });
}

std::unique_ptr<Stage> make_packed_conversion_stage(const VideoFormat& in, const VideoFormat& out,
                                                    void* mem, const SceneReport& scene) {
  if (in.width != out.width || in.height != out.height) return nullptr;
  if (is(in, "yuv420p") && is(out, "uyvy422")) {
    const tYUV420ToYUV422Param p{in.width,  in.height,  static_cast<int32_t>(in.layout),
                                 out.width, out.height, static_cast<int32_t>(out.layout)};
    auto module = std::make_shared<Instance>(kYuv420ToYuv422Id, &p, mem);
    return make_stage(in, out, "YUV420-to-YUV422 " + size_text(in),
                      [module](uint8_t* src, uint8_t* dst) {
                        tYUV420ToYUV422Buffers b{src, dst};
                        uint32_t image_type = 0;
                        module->process(&b, &image_type);
                      });
  }
  if (is(in, "uyvy422") && is(out, "yuv420p")) {
    const tYUV422ToYUV420Param p{in.width,  in.height,  static_cast<int32_t>(in.layout),
                                 out.width, out.height, static_cast<int32_t>(out.layout)};
    auto module = std::make_shared<Instance>(kYuv422ToYuv420Id, &p, mem);
    return make_stage(in, out, "YUV422-to-YUV420 " + size_text(in),
                      [module, scene](uint8_t* src, uint8_t* dst) {
                        tYUV422ToYUV420Buffers b{src, dst};
                        tYUV422ToYUV420Result result{};
                        module->process(&b, &result);
                        if (scene) scene(result.u32SceneChange);
                      });
  }
  return nullptr;
}

}  // namespace pf::cli
