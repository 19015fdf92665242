// SPDX-License-Identifier: BSD-2-Clause
// Stages over the library's RGB modules: YUV-to-RGB (3), RGB-to-YUV (36) and the RGB resizer
// (26). The modules read RGB rows padded to 4 bytes, as bitmaps store them, while raw video and
// PNG rows are packed; rows are re-spaced here when the two differ.
#include <cstring>

#include "img_rgbtoyuv.h"
#include "img_yuv420torgb.h"
#include "modules.hpp"
#include "pipeline.hpp"
#include "rgb_resizer.h"

namespace pf::cli {
namespace {

size_t packed_row(int bits, int width) {
  return static_cast<size_t>(bits / 8) * static_cast<size_t>(width);
}
size_t padded_row(int bits, int width) {
  return ((static_cast<size_t>(bits) * static_cast<size_t>(width) + 31) & ~size_t{31}) / 8;
}

// Copies rows between two spacings.
void respace(const uint8_t* src, size_t src_row, uint8_t* dst, size_t dst_row, size_t row_bytes,
             int rows) {
  for (int y = 0; y < rows; ++y) {
    std::memcpy(dst + static_cast<size_t>(y) * dst_row, src + static_cast<size_t>(y) * src_row,
                row_bytes);
  }
}

class YuvToRgbStage final : public Stage {
 public:
  YuvToRgbStage(const VideoFormat& in, const VideoFormat& out, void* mem) : Stage(in, out) {
    tYuv420ToRgbParam p{};
    p.s32Width = in.width;
    p.s32Height = in.height;
    p.s32WinWidth = in.width;
    p.s32WinHeight = in.height;
    p.u32BitCount = static_cast<uint32_t>(out.fmt->rgb_bits);
    instance_ = std::make_unique<Instance>(kYuvToRgbId, &p, mem);
  }
  void run(uint8_t* in, uint8_t* out) override {
    // Video pictures are top-down; the module's default is the bitmap's bottom-up order.
    const tYuv420ToRgbOption top_down{PF_YUV420TORGB_OPTION_TOP_DOWN, 1};
    tYuv420ToRgbOptions options{nullptr, &top_down};
    tYuv420ToRgbData data{in, out};
    instance_->process(&data, &options);
  }
  std::string describe() const override {
    return "YUV-to-RGB (module 3): " + brief(in_) + " -> " + brief(out_);
  }

 private:
  std::unique_ptr<Instance> instance_;
};

class RgbToYuvStage final : public Stage {
 public:
  RgbToYuvStage(const VideoFormat& in, const VideoFormat& out, void* mem) : Stage(in, out) {
    tRgbToYuvParam p{};
    p.s32SrcWidth = in.width;
    p.s32SrcHeight = in.height;
    p.s32SrcPitch = in.width;
    p.u32SrcBitCount = static_cast<uint32_t>(in.fmt->rgb_bits);
    p.s32DstWidth = out.width;
    p.s32DstHeight = out.height;
    p.s32DstPitch = out.width;
    p.u32DstYuvType = PF_YUV_420;
    instance_ = std::make_unique<Instance>(kRgbToYuvId, &p, mem);
    const int bits = in.fmt->rgb_bits;
    if (padded_row(bits, in.width) != packed_row(bits, in.width)) {
      padded_.resize(padded_row(bits, in.width) * static_cast<size_t>(in.height));
    }
  }
  void run(uint8_t* in, uint8_t* out) override {
    const int bits = in_.fmt->rgb_bits;
    const uint8_t* rgb = in;
    if (!padded_.empty()) {
      respace(in, packed_row(bits, in_.width), padded_.data(), padded_row(bits, in_.width),
              packed_row(bits, in_.width), in_.height);
      rgb = padded_.data();
    }
    tRgbToYuvSrc src{rgb};
    tRgbToYuvDst dst{out, nullptr, nullptr};
    instance_->process(&src, &dst);
  }
  std::string describe() const override {
    return "RGB-to-YUV (module 36): " + brief(in_) + " -> " + brief(out_);
  }

 private:
  std::unique_ptr<Instance> instance_;
  std::vector<uint8_t> padded_;
};

class RgbResizeStage final : public Stage {
 public:
  RgbResizeStage(const VideoFormat& in, const VideoFormat& out, void* mem) : Stage(in, out) {
    tRgbResizerParam p{};
    p.s32SrcWidth = in.width;
    p.s32SrcHeight = in.height;
    p.u32SrcBitCount = static_cast<uint32_t>(in.fmt->rgb_bits);
    p.s32DstWidth = out.width;
    p.s32DstHeight = out.height;
    p.u32DstBitCount = static_cast<uint32_t>(out.fmt->rgb_bits);
    instance_ = std::make_unique<Instance>(kRgbResizerId, &p, mem);
    const int ib = in.fmt->rgb_bits, ob = out.fmt->rgb_bits;
    if (padded_row(ib, in.width) != packed_row(ib, in.width)) {
      src_padded_.resize(padded_row(ib, in.width) * static_cast<size_t>(in.height));
    }
    if (padded_row(ob, out.width) != packed_row(ob, out.width)) {
      dst_padded_.resize(padded_row(ob, out.width) * static_cast<size_t>(out.height));
    }
  }
  void run(uint8_t* in, uint8_t* out) override {
    const int ib = in_.fmt->rgb_bits, ob = out_.fmt->rgb_bits;
    const uint8_t* src_data = in;
    if (!src_padded_.empty()) {
      respace(in, packed_row(ib, in_.width), src_padded_.data(), padded_row(ib, in_.width),
              packed_row(ib, in_.width), in_.height);
      src_data = src_padded_.data();
    }
    // The module turns the pixel pitches into byte pitches in place: fresh records every call.
    tRgbResizerSrc src{src_data, nullptr, in_.width};
    tRgbResizerDst dst{dst_padded_.empty() ? out : dst_padded_.data(), out_.width};
    instance_->process(&src, &dst);
    if (!dst_padded_.empty()) {
      respace(dst_padded_.data(), padded_row(ob, out_.width), out, packed_row(ob, out_.width),
              packed_row(ob, out_.width), out_.height);
    }
  }
  std::string describe() const override {
    return "RGB resizer (module 26): " + brief(in_) + " -> " + brief(out_);
  }

 private:
  std::unique_ptr<Instance> instance_;
  std::vector<uint8_t> src_padded_;
  std::vector<uint8_t> dst_padded_;
};

}  // namespace

std::unique_ptr<Stage> make_yuv_to_rgb_stage(const VideoFormat& in, int bits, void* mem) {
  VideoFormat out = in;
  out.fmt = &library_rgb(bits);
  out.layout = PF_IMAGE_FRAME;
  return std::make_unique<YuvToRgbStage>(in, out, mem);
}

std::unique_ptr<Stage> make_rgb_to_yuv_stage(const VideoFormat& in, void* mem) {
  VideoFormat out = in;
  out.fmt = &yuv420p();
  out.layout = PF_IMAGE_FRAME;
  return std::make_unique<RgbToYuvStage>(in, out, mem);
}

std::unique_ptr<Stage> make_rgb_resize_stage(const VideoFormat& in, const VideoFormat& out,
                                             void* mem) {
  return std::make_unique<RgbResizeStage>(in, out, mem);
}

}  // namespace pf::cli
