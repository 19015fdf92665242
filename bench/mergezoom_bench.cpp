// SPDX-License-Identifier: BSD-2-Clause
// Merge with zoom: sixteen D1 pictures fitted into a 4x4 wall of 1920x1080, against the sixteen
// resizer calls that make the same windows on their own: what the composition adds (a resizer
// SetParam per window, the layout's checks) is the ratio's distance from 1. The self-check proves
// both make the same wall.
//
// Picture insertion: a 256x192 inset copied into a 720x576 picture by the module (frame to frame
// and field inset into a frame), against memcpy of the inset's bytes.
//
//   pf_bench --benchmark_filter='mergezoom|insert' --benchmark_repetitions=9
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "bench_util.hpp"
#include "img_addimage.h"
#include "img_merge_zoom.h"
#include "img_resizer.h"
#include "video_mem.h"

namespace {

constexpr int kSide = 4, kWindows = kSide * kSide;
constexpr int kW = 1920, kH = 1080, kInW = 720, kInH = 576;

// 720x576 fitted into 480x270: 384 lines at full width, so bars left and right of
// (480 - 270 * 720 / 576) / 2 + 1 = 72 rounded down to even.
tImageResizerParam window_record(int i) {
  const int cw = kW / kSide, ch = kH / kSide;
  const int col = i % kSide, row = i / kSide;
  tImageResizerParam r{};
  r.s32SrcWidth = kInW, r.s32SrcHeight = kInH, r.u32SrcYuvType = 420, r.u32SrcImageType = 1;
  r.s32DstWidth = kW, r.s32DstHeight = kH, r.u32DstYuvType = 420, r.u32DstImageType = 1;
  r.s32OffsetLeft = col * cw, r.s32OffsetRight = kW - (col + 1) * cw;
  r.s32OffsetTop = row * ch, r.s32OffsetBottom = kH - (row + 1) * ch;
  r.s32FillLeft = r.s32FillRight = 72;
  r.u32FillY = 1, r.u32FillU = 128, r.u32FillV = 128;
  return r;
}

struct Inputs {
  std::vector<pfb::Bytes> pictures;
  std::vector<tImgPicture> records;
  Inputs() {
    for (int i = 0; i < kWindows; ++i) {
      pictures.push_back(pfb::picture_buffer(pfb::picture_bytes(420, kInW, kInH)));
      pictures.back()[size_t(i)] ^= 0x5A;  // pictures of their own
    }
    for (auto& p : pictures) {
      const size_t luma = size_t(kInW) * kInH;
      records.push_back({p.data(), p.data() + luma, p.data() + luma * 5 / 4, kInW, kInW / 2, 0, 0});
    }
  }
};

tImgPicture wall_record(pfb::Bytes& wall) {
  const size_t luma = size_t(kW) * kH;
  return {wall.data(), wall.data() + luma, wall.data() + luma * 5 / 4, kW, kW / 2, 0, 0};
}

// The module: one instance, one Process a wall.
class Module {
 public:
  explicit Module(void* mem) {
    std::vector<tImageMergeZoomWindow> windows(kWindows);
    for (int i = 0; i < kWindows; ++i) {
      windows[size_t(i)] = {1,
                            PF_MERGE_ZOOM_FIT,
                            0,
                            0,
                            uint32_t(i + 1),
                            kInW,
                            kInH,
                            PF_IMAGE_FRAME,
                            PF_YUV_420,
                            0,
                            0,
                            0,
                            0};
    }
    tImageMergeZoomParam p{};
    p.s32MaxPicNum = kWindows, p.u32MergeStyle = 21600;
    p.u32BgWidth = kW, p.u32BgHeight = kH, p.u32ImageType = 1, p.u32YuvType = 420;
    p.ptWindows = windows.data();
    status_ = ImgMergeZoomOpen_c(&handle_, &p, mem);
  }
  ~Module() {
    if (status_ == 0) ImgMergeZoomClose_c(handle_);
  }
  uint32_t run(Inputs& in, pfb::Bytes& wall) {
    if (status_ != 0) return status_;
    tImgPicture out = wall_record(wall);
    return ImgMergeZoomProcess_c(handle_, &out, in.records.data());
  }

 private:
  void* handle_ = nullptr;
  uint32_t status_ = 0;
};

// The same windows from sixteen resizer instances set up once.
class Resizers {
 public:
  explicit Resizers(void* mem) {
    for (int i = 0; i < kWindows; ++i) {
      const tImageResizerParam r = window_record(i);
      void* h = nullptr;
      if ((status_ = ImageResizerOpen_c(&h, &r, mem)) != 0) return;
      handles_.push_back(h);
    }
  }
  ~Resizers() {
    for (void* h : handles_) ImageResizerClose_c(h);
  }
  uint32_t run(Inputs& in, pfb::Bytes& wall) {
    if (status_ != 0) return status_;
    tImgPicture out = wall_record(wall);
    for (int i = 0; i < kWindows; ++i) {
      if (const uint32_t s =
              ImageResizerProcess_c(handles_[size_t(i)], &in.records[size_t(i)], &out)) {
        return s;
      }
    }
    return 0;
  }

 private:
  std::vector<void*> handles_;
  uint32_t status_ = 0;
};

template <class Composer>
void run(benchmark::State& state) {
  void* mem = VideoMemCreate();
  {
    Inputs in;
    pfb::Bytes wall = pfb::picture_buffer(pfb::picture_bytes(420, kW, kH));
    Composer c(mem);
    for (auto _ : state) {
      if (c.run(in, wall) != 0) {
        state.SkipWithError("refused");
        break;
      }
      benchmark::DoNotOptimize(wall.data());
    }
    state.counters["fps"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
  }
  VideoMemDestroy(mem);
}

constexpr int kInsetW = 256, kInsetH = 192;

void insert_module(benchmark::State& state, uint32_t inset_type) {
  const tImageAddImageParam p{kInW,       kInH,       PF_IMAGE_FRAME,
                              PF_YUV_420, kInsetW,    kInsetH,
                              inset_type, PF_YUV_420, 360,
                              440,        0,          0,
                              0,          0};
  const pfb::Instance module(state, "the insertion module", ImgAddImageOpen_c, ImgAddImageClose_c,
                             &p);
  if (!module) return;
  void* h = module.get();
  pfb::Bytes inset = pfb::picture_buffer(pfb::picture_bytes(420, kInsetW, kInsetH));
  pfb::Bytes picture = pfb::picture_buffer(pfb::picture_bytes(420, kInW, kInH));
  uint8_t* pictures[2] = {inset.data(), picture.data()};
  int context = 0;
  for (auto _ : state) {
    ImgAddImageProcess_c(h, pictures, &context);
    benchmark::DoNotOptimize(picture.data());
  }
}

const bool registered = [] {
  for (const auto& [job, type] :
       {std::pair{"insert_256x192_into_720x576", PF_IMAGE_FRAME},
        std::pair{"insert_256x192_fields_into_720x576", PF_IMAGE_FIELD}}) {
    const uint32_t inset_type = type;
    pfb::add_bench("insert", "pelforge", job,
                   [inset_type](benchmark::State& st) { insert_module(st, inset_type); });
    pfb::add_memcpy_bench("insert", job, pfb::picture_bytes(420, kInsetW, kInsetH));
  }
  const std::string job = "mergezoom_16xD1_to_1920x1080";
  pfb::add_bench("mergezoom", "pelforge", job, run<Module>);
  pfb::add_bench("mergezoom", "resizer", job, run<Resizers>);
  pfb::add_check("mergezoom wall equals its sixteen resizer calls", []() -> std::string {
    void* mem = VideoMemCreate();
    std::string error;
    {
      Inputs in;
      pfb::Bytes a = pfb::picture_buffer(pfb::picture_bytes(420, kW, kH)), b = a;
      Module m(mem);
      Resizers r(mem);
      if (m.run(in, a) != 0 || r.run(in, b) != 0) {
        error = "a module refused the wall";
      } else if (std::memcmp(a.data(), b.data(), pfb::picture_bytes(420, kW, kH)) != 0) {
        error = "the walls differ";
      }
    }
    VideoMemDestroy(mem);
    return error;
  });
  return true;
}();

}  // namespace
