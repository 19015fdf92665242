// SPDX-License-Identifier: BSD-2-Clause
// The four spatial filters (cross, Gaussian, sharpen, vertical): each through its module over
// random sizes, pitches and contents with guard bands around every plane, against the filter
// computed directly from its formula; then each module's answers to the common questions.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "filter_cases.hpp"
#include "guarded.hpp"
#include "img_crossfilter.h"
#include "img_filter.h"
#include "img_gaussfilter.h"
#include "img_sharp.h"
#include "module_cases.hpp"
#include "rng.hpp"
#include "vmem_fixture.hpp"

namespace {

using Bytes = std::vector<uint8_t>;

// A plane's bytes without its pitch slack.
Bytes read(const pft::GuardedPlane& p) {
  Bytes b;
  for (uint32_t y = 0; y < p.rows(); ++y) {
    for (uint32_t x = 0; x < p.width(); ++x) b.push_back(p.at(x, y));
  }
  return b;
}

int at(const Bytes& b, int w, int h, int x, int y) {
  return b[std::clamp(y, 0, h - 1) * w + std::clamp(x, 0, w - 1)];
}

Bytes cross(const Bytes& in, int w, int h) {
  Bytes out = in;
  for (int y = 1; y < h - 1; ++y) {
    for (int x = 0; x < w; ++x) {
      // A missing side neighbour is the other side's (the pixel itself on a 1-wide plane).
      const int l = x > 0 ? at(in, w, h, x - 1, y) : at(in, w, h, std::min(x + 1, w - 1), y);
      const int r = x < w - 1 ? at(in, w, h, x + 1, y) : at(in, w, h, std::max(x - 1, 0), y);
      out[y * w + x] = static_cast<uint8_t>(
          (at(in, w, h, x, y - 1) + at(in, w, h, x, y + 1) + l + r + 4 * at(in, w, h, x, y)) >> 3);
    }
  }
  return out;
}

Bytes gauss(const Bytes& in, int w, int h, int level, int limit) {
  const int* taps = l32Coeff[level];
  auto pass = [&](const Bytes& src, bool vertical) {
    Bytes out(src.size());
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const int c = at(src, w, h, x, y);
        int sum = 0;
        for (int k = -4; k <= 4; ++k) {
          const int n = vertical ? at(src, w, h, x, y + k) : at(src, w, h, x + k, y);
          sum += taps[k + 4] * std::clamp(n, c - limit, c + limit);
        }
        out[y * w + x] = static_cast<uint8_t>(sum >> 7);
      }
    }
    return out;
  };
  return pass(pass(in, false), true);
}

Bytes sharpen(const Bytes& in, int w, int h, int strength) {
  Bytes out(in.size());
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      int rows = 0;
      for (int j = y - 4; j < y + 4; ++j) {
        int box = 0;
        for (int i = x - 4; i < x + 4; ++i) box += at(in, w, h, i, j);
        rows += box >> 3;
      }
      const int p = at(in, w, h, x, y);
      out[y * w + x] =
          static_cast<uint8_t>(std::clamp(p + (((p - (rows >> 3)) * strength) >> 8), 0, 255));
    }
  }
  return out;
}

// The vertical filter on lines [first, first + count) of a plane, as a picture of its own.
void vertical(const Bytes& in, Bytes& out, int w, int first, int count) {
  for (int y = 0; y < count; ++y) {
    for (int x = 0; x < w; ++x) {
      auto v = [&](int l) { return in[(first + std::clamp(l, 0, count - 1)) * w + x]; };
      const int s =
          -3 * v(y - 4) + 12 * v(y - 2) + 23 * v(y - 1) + 23 * v(y) + 12 * v(y + 1) - 3 * v(y + 3);
      out[(first + y) * w + x] = static_cast<uint8_t>(std::clamp(s >> 6, 0, 255));
    }
  }
}

// A picture's pitches as the filter records take them (a chroma pitch of at least 1).
struct Pitches {
  int32_t y, uv;
};
Pitches pitches(pft::GuardedPicture& pic) {
  const tImgPicture r = pic.record();
  return {static_cast<int32_t>(r.u32YPitch), static_cast<int32_t>(std::max(r.u32UVPitch, 1u))};
}

class SpatialFilters : public pft::VmemTest {
 protected:
  // Runs `open_process` on random pictures and compares every plane of the destination with
  // `expect(plane index, source plane bytes, width, height)`.
  using Expect = std::function<Bytes(int plane, const Bytes& in, int w, int h)>;
  void check(int w, int h, bool in_place, pft::Rng& rng,
             const std::function<uint32_t(pft::GuardedPicture&, pft::GuardedPicture&)>& run,
             const Expect& expect) {
    SCOPED_TRACE(testing::Message() << w << "x" << h << (in_place ? " in place" : ""));
    pft::GuardedPicture src(PF_YUV_420, static_cast<uint32_t>(w), static_cast<uint32_t>(h), rng,
                            24);
    pft::fill_filter_content(src, rng);  // skewed: flat, extremes, ramps, edges, noise
    pft::GuardedPicture dst(PF_YUV_420, static_cast<uint32_t>(w), static_cast<uint32_t>(h), rng,
                            24);
    std::vector<Bytes> before;
    for (const auto& plane : src.planes()) before.push_back(read(plane));
    pft::GuardedPicture& out = in_place ? src : dst;
    ASSERT_EQ(run(src, out), 0u);
    for (int p = 0; p < 3; ++p) {
      const int pw = p == 0 ? w : w / 2, ph = p == 0 ? h : h / 2;
      EXPECT_EQ(read(out.planes()[static_cast<size_t>(p)]),
                expect(p, before[static_cast<size_t>(p)], pw, ph))
          << "plane " << p;
    }
    EXPECT_EQ(src.check_guards(), "");
    EXPECT_EQ(dst.check_guards(), "");
  }
};

TEST_F(SpatialFilters, CrossAndGaussianAgainstTheirFormulas) {
  pft::Rng rng(1);
  for (int round = 0; round < 24; ++round) {
    const int w = round < 6 ? round + 2 : rng.range(2, 70), h = rng.range(1, 30);
    const int level = rng.range(0, 4), limit = round % 5 == 0 ? 0 : rng.range(0, 255);
    const bool gaussian = round % 2 == 1;
    check(
        w, h, gaussian && round % 4 == 1, rng,
        [&](pft::GuardedPicture& s, pft::GuardedPicture& d) {
          const Pitches a = pitches(s), b = pitches(d);
          const tImgPicture x = s.record(), y = d.record();
          void* handle = nullptr;
          uint32_t status;
          if (gaussian) {
            const tImgGaussFilterParam p{w, h, a.y, a.uv, w, h, b.y, b.uv, level, uint8_t(limit)};
            if ((status = ImgGaussFilterOpen_c(&handle, &p, mem())) != 0) return status;
            tImgGaussFilterPicture pic{x.pu8Y, x.pu8U, x.pu8V, y.pu8Y, y.pu8U, y.pu8V};
            status = ImgGaussFilterProcess_c(handle, &pic, &pic);
            EXPECT_EQ(ImgGaussFilterClose_c(handle), 0u);
          } else {
            const tImgCrossFilterParam p{w, h, a.y, a.uv, w, h, b.y, b.uv};
            if ((status = ImgCrossFilterOpen_c(&handle, &p, mem())) != 0) return status;
            tImgCrossFilterPicture pic{x.pu8Y, x.pu8U, x.pu8V, y.pu8Y, y.pu8U, y.pu8V};
            status = ImgCrossFilterProcess_c(handle, &pic, &pic);
            EXPECT_EQ(ImgCrossFilterClose_c(handle), 0u);
          }
          return status;
        },
        [&](int, const Bytes& in, int pw, int ph) {
          if (pw == 0 || ph == 0) return in;
          return gaussian ? gauss(in, pw, ph, level, limit) : cross(in, pw, ph);
        });
  }
}

TEST_F(SpatialFilters, SharpenAgainstItsFormula) {
  pft::Rng rng(2);
  for (int round = 0; round < 20; ++round) {
    const int w = 2 * rng.range(1, round < 10 ? 12 : 60), h = 2 * rng.range(1, 18);
    const int strength = round == 0 ? 0 : round == 1 ? 255 : rng.range(0, 255);
    const bool derived = round % 3 == 2;  // chroma pointers left for the module to derive
    check(
        w, h, round % 4 == 3, rng,
        [&](pft::GuardedPicture& s, pft::GuardedPicture& d) {
          tImgPicture a = s.record(), b = d.record();
          Bytes whole;
          if (derived) {
            // One buffer: luma, then U and V at half pitch, as a derived record addresses them.
            const uint32_t pitch = a.u32YPitch + (a.u32YPitch & 1);
            whole.assign(static_cast<size_t>(pitch) * h * 3 / 2, 0);
            for (int p = 0; p < 3; ++p) {
              const auto& plane = s.planes()[static_cast<size_t>(p)];
              uint8_t* base = whole.data() + (p == 0 ? 0 : pitch * h + (p - 1) * (pitch * h / 4));
              const uint32_t step = p == 0 ? pitch : pitch / 2;
              for (uint32_t y = 0; y < plane.rows(); ++y) {
                const uint8_t* row = plane.data() + static_cast<size_t>(y) * plane.pitch();
                std::copy(row, row + plane.width(), base + y * step);
              }
            }
            a = {whole.data(), nullptr, nullptr, pitch, 0, 0, 0};
          }
          void* handle = nullptr;
          const tImgSharpParam p{w, h, strength, 7};
          uint32_t status = ImageSharpOpen_c(&handle, &p, mem());
          if (status != 0) return status;
          status = ImageSharpProcess_c(handle, &a, &b);
          EXPECT_EQ(ImageSharpClose_c(handle), 0u);
          return status;
        },
        [&](int, const Bytes& in, int pw, int ph) { return sharpen(in, pw, ph, strength); });
  }
}

TEST_F(SpatialFilters, VerticalFilterFramesAndFields) {
  pft::Rng rng(3);
  for (int round = 0; round < 16; ++round) {
    const int w = 2 * rng.range(1, 40), h = 2 * rng.range(1, 24);
    const bool field = round % 2 == 1;
    const int type = round % 3 == 2 ? PF_FILTER_TYPE_LUMA : PF_FILTER_TYPE_ALL;
    check(
        w, h, true, rng,
        [&](pft::GuardedPicture& s, pft::GuardedPicture&) {
          const tImgPicture a = s.record();
          const Pitches at = pitches(s);
          const tImageFilterParam p{w, h, at.y, at.uv, PF_YUV_420, field ? 2 : 1, type, 0, 0};
          void* handle = nullptr;
          uint32_t status = ImageFilterOpen_c(&handle, &p, mem());
          if (status != 0) return status;
          tImageFilterPlanes planes{a.pu8Y, a.pu8U, a.pu8V};
          int marker = 0;
          status = ImageFilterProcess_c(handle, &planes, &marker);
          EXPECT_EQ(ImageFilterClose_c(handle), 0u);
          return status;
        },
        [&](int plane, const Bytes& in, int pw, int ph) {
          if (plane > 0 && type == PF_FILTER_TYPE_LUMA) return in;
          Bytes out = in;
          if (field) {
            vertical(in, out, pw, 0, ph / 2);
            vertical(in, out, pw, ph / 2, ph - ph / 2);
          } else {
            vertical(in, out, pw, 0, ph);
          }
          return out;
        });
  }
}

// Record-level checks of Process that the common questions do not ask.
TEST_F(SpatialFilters, ProcessRecordChecks) {
  void* h = nullptr;
  const tImgSharpParam sp{16, 8, 64, 0};
  ASSERT_EQ(ImageSharpOpen_c(&h, &sp, mem()), 0u);
  Bytes buf(16 * 8 * 3 / 2);
  tImgPicture good{buf.data(), nullptr, nullptr, 16, 0, 0, 0};
  tImgPicture narrow{buf.data(), nullptr, nullptr, 15, 0, 0, 0};
  tImgPicture null_y{nullptr, nullptr, nullptr, 16, 0, 0, 0};
  tImgPicture narrow_uv{buf.data(), buf.data() + 128, buf.data() + 160, 16, 7, 0, 0};
  EXPECT_EQ(ImageSharpProcess_c(h, &narrow, &good), ERR_IMG_SHARP_SELF_SRCSTRIDE_ILLEGAL);
  EXPECT_EQ(ImageSharpProcess_c(h, &narrow_uv, &good), ERR_IMG_SHARP_SELF_SRCSTRIDE_ILLEGAL);
  EXPECT_EQ(ImageSharpProcess_c(h, &good, &narrow), ERR_IMG_SHARP_SELF_DSTSTRIDE_ILLEGAL);
  EXPECT_EQ(ImageSharpProcess_c(h, &null_y, &narrow), ERR_IMG_SHARP_SELF_DSTSTRIDE_ILLEGAL)
      << "pitches come before pointers";
  EXPECT_EQ(ImageSharpProcess_c(h, &null_y, &good), ERR_IMG_SHARP_SELF_INPUT_DATA_POINTER);
  EXPECT_EQ(ImageSharpProcess_c(h, &good, &null_y), ERR_IMG_SHARP_SELF_OUTPUT_DATA_POINTER);
  EXPECT_EQ(ImageSharpClose_c(h), 0u);

  const tImgCrossFilterParam cp{8, 8, 8, 4, 8, 8, 8, 4};
  ASSERT_EQ(ImgCrossFilterOpen_c(&h, &cp, mem()), 0u);
  tImgCrossFilterPicture cross{buf.data(), buf.data(), nullptr, buf.data(), buf.data(), buf.data()};
  EXPECT_EQ(ImgCrossFilterProcess_c(h, &cross, &cross), ERR_IMG_CROSS_FILTER_PROCESS_INPUT_POINTER);
  cross.pu8SrcV = buf.data(), cross.pu8DstU = nullptr;
  EXPECT_EQ(ImgCrossFilterProcess_c(h, &cross, &cross),
            ERR_IMG_CROSS_FILTER_PROCESS_OUTPUT_POINTER);
  EXPECT_EQ(ImgCrossFilterClose_c(h), 0u);

  const tImageFilterParam fp{16, 8, 16, 0, PF_YUV_420, 1, 0, 0, 0};
  ASSERT_EQ(ImageFilterOpen_c(&h, &fp, mem()), 0u);
  tImageFilterPlanes planes{buf.data(), nullptr, buf.data()};
  EXPECT_EQ(ImageFilterProcess_c(h, &planes, &planes), ERR_IMG_FILTER_SELF_INPUT_DATA_POINTER);
  EXPECT_EQ(ImageFilterClose_c(h), 0u);

  // The Gaussian's intermediate picture was sized at Open: a larger picture is refused.
  const tImgGaussFilterParam gp{8, 8, 8, 4, 8, 8, 8, 4, 2, 10};
  ASSERT_EQ(ImgGaussFilterOpen_c(&h, &gp, mem()), 0u);
  const tImgGaussFilterParam larger{16, 8, 16, 8, 16, 8, 16, 8, 2, 10};
  EXPECT_EQ(ImgGaussFilterSetParam_c(h, &larger), ERR_IMG_GAUSS_FILTER_PARAM_SRC);
  const tImgGaussFilterParam smaller{4, 8, 8, 4, 4, 8, 8, 4, 3, 10};
  EXPECT_EQ(ImgGaussFilterSetParam_c(h, &smaller), 0u);
  EXPECT_EQ(ImgGaussFilterClose_c(h), 0u);
}

// ---- The common questions ----

// The cross and Gaussian filters take six planes, source and destination, sized by the record.
template <class Param, class Picture>
uint32_t run_two_picture_filter(const tImgProcFuncList& e, void* h, const void* record,
                                pft::Pictures& pics) {
  const auto& r = *static_cast<const Param*>(record);
  Picture p{pics.plane(r.s32SrcWidth, r.s32SrcHeight, r.s32SrcYStride),
            pics.plane(r.s32SrcWidth / 2, r.s32SrcHeight / 2, r.s32SrcUVStride),
            pics.plane(r.s32SrcWidth / 2, r.s32SrcHeight / 2, r.s32SrcUVStride),
            pics.plane(r.s32DstWidth, r.s32DstHeight, r.s32DstYStride),
            pics.plane(r.s32DstWidth / 2, r.s32DstHeight / 2, r.s32DstUVStride),
            pics.plane(r.s32DstWidth / 2, r.s32DstHeight / 2, r.s32DstUVStride)};
  return e.Process(h, &p, &p);
}

pft::ModuleCase cross_case() {
  pft::ModuleCase m;
  m.name = "cross filter";
  m.family = pft::Family::kFilters;
  m.entry =
      PF_ENTRY_POINTS_WITH(ImgCrossFilter, ImageCrossFilterDebug_c, ImageCrossFilterGetMemSize_c);
  pft::set_names(m, pas8CrossFilterAnalyzeErrorCode, ERR_IMG_CROSS_FILTER_START,
                 ERR_IMG_CROSS_FILTER_OPEN_HANDLE, ERR_IMG_CROSS_FILTER_GET_DMA_HANDLE,
                 ERR_IMG_CROSS_FILTER_ANALYZE_ERROR_CODE_HANDLE);
  pft::set_version(m, "pelforge_v300.crossfilter.001", ERR_IMG_CROSS_FILTER_GETVERSION_HANDLE,
                   ERR_IMG_CROSS_FILTER_GETVERSION_POINTER, ERR_IMG_CROSS_FILTER_GETVERSION_LENGTH);
  m.param = pft::record_bytes(tImgCrossFilterParam{16, 8, 16, 8, 16, 8, 20, 10});
  m.run = run_two_picture_filter<tImgCrossFilterParam, tImgCrossFilterPicture>;
  m.mem_size = 72;
  pft::set_null_codes(m,
                      {ERR_IMG_CROSS_FILTER_OPEN_HANDLE, ERR_IMG_CROSS_FILTER_CLOSE_HANDLE,
                       ERR_IMG_CROSS_FILTER_CLOSE_HANDLE, ERR_IMG_CROSS_FILTER_CLOSE_FREE,
                       ERR_IMG_CROSS_FILTER_SETPARAM_HANDLE, ERR_IMG_CROSS_FILTER_GETSTATUS_HANDLE,
                       ERR_IMG_CROSS_FILTER_PROCESS_HANDLE});
  m.open_failures = {ERR_IMG_CROSS_FILTER_OPEN_MALLOC, ERR_IMG_CROSS_FILTER_MALLOC_FAST_SCRATCH};
  m.dma_failure = ERR_IMG_CROSS_FILTER_GET_DMA_HANDLE;
  using P = tImgCrossFilterParam;
  const uint32_t size = ERR_IMG_CROSS_FILTER_PARAM_WIDTH_HEIGHT,
                 src = ERR_IMG_CROSS_FILTER_PARAM_SRC, dst = ERR_IMG_CROSS_FILTER_PARAM_DST;
  m.rows = {
      PF_REFUSED(P, "sizes differ, before all else", size, p.s32DstWidth = 18, p.s32SrcYStride = 0),
      PF_REFUSED(P, "heights differ", size, p.s32DstHeight = 6),
      PF_REFUSED(P, "source size 0", src, p.s32SrcHeight = p.s32DstHeight = 0),
      PF_REFUSED(P, "source chroma stride 0", src, p.s32SrcUVStride = 0),
      PF_REFUSED(P, "source stride below width", src, p.s32SrcYStride = 15),
      PF_REFUSED(P, "destination stride 0", dst, p.s32DstYStride = 0),
      PF_REFUSED(P, "destination chroma below half", dst, p.s32DstUVStride = 7),
  };
  return m;
}
PF_MODULE_CASE(cross_case);

pft::ModuleCase gauss_case() {
  pft::ModuleCase m;
  m.name = "gaussian filter";
  m.family = pft::Family::kFilters;
  m.entry =
      PF_ENTRY_POINTS_WITH(ImgGaussFilter, ImageGaussFilterDebug_c, ImageGaussFilterGetMemSize_c);
  pft::set_names(m, pas8GaussFilterAnalyzeErrorCode, ERR_IMG_GAUSS_FILTER_START,
                 ERR_IMG_GAUSS_FILTER_START, ERR_IMG_GAUSS_FILTER_END,
                 ERR_IMG_GAUSS_FILTER_ANALYZE_ERROR_CODE_HANDLE);
  pft::set_version(m, "pelforge_v300.gaussfilter.001", ERR_IMG_GAUSS_FILTER_GETVERSION_HANDLE,
                   ERR_IMG_GAUSS_FILTER_GETVERSION_POINTER, ERR_IMG_GAUSS_FILTER_GETVERSION_LENGTH);
  m.param = pft::record_bytes(tImgGaussFilterParam{16, 8, 16, 8, 16, 8, 16, 8, 4, 20});
  m.run = run_two_picture_filter<tImgGaussFilterParam, tImgGaussFilterPicture>;
  m.mem_size = static_cast<uint32_t>(sizeof(tImgGaussFilterInstance) + 16 * 8 * 3 / 2);
  pft::set_null_codes(m,
                      {ERR_IMG_GAUSS_FILTER_OPEN_HANDLE, ERR_IMG_GAUSS_FILTER_CLOSE_HANDLE,
                       ERR_IMG_GAUSS_FILTER_CLOSE_HANDLE, ERR_IMG_GAUSS_FILTER_CLOSE_FREE,
                       ERR_IMG_GAUSS_FILTER_SETPARAM_HANDLE, ERR_IMG_GAUSS_FILTER_GETSTATUS_HANDLE,
                       ERR_IMG_GAUSS_FILTER_PROCESS_HANDLE});
  m.open_failures = {ERR_IMG_GAUSS_FILTER_OPEN_MALLOC, ERR_IMG_GAUSS_FILTER_OPEN_MALLOC_MEDIATE_BUF,
                     ERR_IMG_GAUSS_FILTER_MALLOC_FAST_SCRATCH};
  m.dma_failure = ERR_IMG_GAUSS_FILTER_GET_DMA_HANDLE;
  using P = tImgGaussFilterParam;
  const uint32_t src = ERR_IMG_GAUSS_FILTER_PARAM_SRC;
  m.rows = {
      PF_REFUSED(P, "sizes differ", ERR_IMG_GAUSS_FILTER_PARAM_WIDTH_HEIGHT, p.s32DstHeight = 4,
                 p.s32Level = 9),
      PF_REFUSED(P, "source stride 0", src, p.s32SrcYStride = 0),
      {"wider than 30 lines of scratch", pft::edit<P>([](P& p) {
         p.s32SrcWidth = p.s32DstWidth = p.s32SrcYStride = p.s32DstYStride = 3260;
         p.s32SrcUVStride = p.s32DstUVStride = 1630;
       }),
       src},
      PF_REFUSED(P, "destination chroma stride 0", ERR_IMG_GAUSS_FILTER_PARAM_DST,
                 p.s32DstUVStride = 0),
      PF_REFUSED(P, "level 5", ERR_IMG_GAUSS_FILTER_PARAM_RADIUS, p.s32Level = 5),
      PF_REFUSED(P, "level -1", ERR_IMG_GAUSS_FILTER_PARAM_RADIUS, p.s32Level = -1),
  };
  return m;
}
PF_MODULE_CASE(gauss_case);

pft::ModuleCase sharp_case() {
  pft::ModuleCase m;
  m.name = "sharpen";
  m.family = pft::Family::kFilters;
  m.entry = PF_ENTRY_POINTS(ImageSharp);
  m.table = &tImageSharpFunc;
  m.id = 35;
  pft::set_names(m, pas8ImageSharpSelfAnalyzeErrorCode, ERR_IMG_SHARP_SELF_INIT_POINTER,
                 ERR_IMG_SHARP_SELF_INIT_POINTER, ERR_IMG_SHARP_SELF_ANALYZE_ERROR_CODE_HANDLE,
                 ERR_IMG_SHARP_SELF_ANALYZE_ERROR_CODE_HANDLE);
  pft::set_version(m, "pelforge_v300.ImageSharp.004", ERR_IMG_SHARP_SELF_GET_VERSION_POINTER,
                   ERR_IMG_SHARP_SELF_GET_VERSION_VERLEN_POINTER,
                   ERR_IMG_SHARP_SELF_VERSION_BUFLEN_TOO_SHORT);
  m.param = pft::record_bytes(tImgSharpParam{16, 8, 128, 3});
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& r = *static_cast<const tImgSharpParam*>(record);
    tImgPicture in = pics.picture_record(PF_YUV_420, r.s32Width, r.s32Height);
    tImgPicture out = pics.picture_record(PF_YUV_420, r.s32Width, r.s32Height);
    return e.Process(h, &in, &out);
  };
  m.mem_size = 82000;
  pft::set_null_codes(m,
                      {ERR_IMG_SHARP_SELF_INIT_POINTER, ERR_IMG_SHARP_SELF_CLOSE_POINTER,
                       ERR_IMG_SHARP_SELF_CLOSE_MEM_POINTER, 0, ERR_IMG_SHARP_SELF_SETPARAM_POINTER,
                       ERR_IMG_SHARP_SELF_STATUS_POINTER, ERR_IMG_SHARP_SELF_INPUT_POINTER});
  m.open_failures = {ERR_IMG_SHARP_SELF_HANDLE_MEM_MALLOC, ERR_IMG_SHARP_FAST_SCRATCH_MEM_MALLOC};
  m.dma_failure = ERR_IMG_SHARP_GET_DMA_HANDLE;
  using P = tImgSharpParam;
  const uint32_t width = ERR_IMG_SHARP_SELF_IMGWIDTH_ILLEGAL,
                 height = ERR_IMG_SHARP_SELF_IMGHEIGHT_ILLEGAL;
  m.rows = {
      PF_REFUSED(P, "width 2130 is too long", ERR_IMG_SHARP_SELF_IMGWIDTH_TOOLONGE,
                 p.s32Width = 2130, p.s32Height = 0),
      PF_REFUSED(P, "width 2128 is not", height, p.s32Width = 2128, p.s32Height = 0),
      PF_REFUSED(P, "width 0", width, p.s32Width = 0),
      PF_REFUSED(P, "odd width", width, p.s32Width = 15),
      PF_REFUSED(P, "negative width", width, p.s32Width = -2),
      PF_REFUSED(P, "odd height", height, p.s32Height = 7),
      PF_REFUSED(P, "height 6146", height, p.s32Height = 6146),
      PF_REFUSED(P, "strength 256", ERR_IMG_SHARP_SELF_FACTOR_ILLEGAL, p.s32Strength = 256),
      PF_REFUSED(P, "strength -1", ERR_IMG_SHARP_SELF_FACTOR_ILLEGAL, p.s32Strength = -1),
  };
  return m;
}
PF_MODULE_CASE(sharp_case);

pft::ModuleCase filter_case() {
  pft::ModuleCase m;
  m.name = "vertical filter";
  m.family = pft::Family::kFilters;
  m.entry = PF_ENTRY_POINTS(ImageFilter);
  m.table = &tImageFilterFunc;
  m.id = 33;
  pft::set_names(m, pas8ImageFilterSelfAnalyzeErrorCode, ERR_IMG_FILTER_SELF_INIT_POINTER,
                 ERR_IMG_FILTER_SELF_INIT_POINTER, ERR_IMG_FILTER_SELF_ANALYZE_ERROR_CODE_HANDLE,
                 ERR_IMG_FILTER_SELF_ANALYZE_ERROR_CODE_HANDLE);
  pft::set_version(m, "pelforge_v300.ImageFilter.001", ERR_IMG_FILTER_SELF_GET_VERSION_POINTER,
                   ERR_IMG_FILTER_SELF_GET_VERSION_VERLEN_POINTER,
                   ERR_IMG_FILTER_SELF_VERSION_BUFLEN_TOO_SHORT);
  m.param = pft::record_bytes(tImageFilterParam{16, 8, 16, 0, PF_YUV_420, 2, 0, 5, 6});
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& r = *static_cast<const tImageFilterParam*>(record);
    const int32_t uvs = r.s32UVStride != 0 ? r.s32UVStride : r.s32Width / 2;
    tImageFilterPlanes p{pics.plane(r.s32Width, r.s32Height, r.s32YStride),
                         pics.plane(r.s32Width / 2, r.s32Height / 2, uvs),
                         pics.plane(r.s32Width / 2, r.s32Height / 2, uvs)};
    return e.Process(h, &p, &p);
  };
  m.mem_size = 88;
  pft::set_null_codes(
      m, {ERR_IMG_FILTER_SELF_INIT_POINTER, ERR_IMG_FILTER_SELF_CLOSE_POINTER,
          ERR_IMG_FILTER_SELF_CLOSE_MEM_POINTER, 0, ERR_IMG_FILTER_SELF_SETPARAM_POINTER,
          ERR_IMG_FILTER_SELF_STATUS_POINTER, ERR_IMG_FILTER_SELF_INPUT_POINTER});
  m.open_failures = {ERR_IMG_FILTER_SELF_HANDLE_MEM_MALLOC, ERR_IMG_FILTER_FAST_SCRATCH_MEM_MALLOC};
  m.dma_failure = ERR_IMG_FILTER_GET_DMA_HANDLE;
  using P = tImageFilterParam;
  const uint32_t width = ERR_IMG_FILTER_SELF_IMGWIDTH_ILLEGAL;
  m.rows = {
      PF_REFUSED(P, "width 2562: 38 x width too large", width, p.s32Width = p.s32YStride = 2562,
                 p.s32Height = 0),
      PF_REFUSED(P, "odd width", width, p.s32Width = 15),
      PF_REFUSED(P, "width 0", width, p.s32Width = 0),
      PF_REFUSED(P, "odd height", ERR_IMG_FILTER_SELF_IMGHEIGHT_ILLEGAL, p.s32Height = 9,
                 p.s32YStride = 0),
      PF_REFUSED(P, "luma stride below width", ERR_IMG_FILTER_SELF_YSTRIDE_ILLEGAL,
                 p.s32YStride = 14, p.s32YuvType = 0),
      PF_REFUSED(P, "chroma stride below half", ERR_IMG_FILTER_SELF_UVSTRIDE_ILLEGAL,
                 p.s32UVStride = 7),
      PF_REFUSED(P, "yuv type 4221", ERR_IMG_FILTER_SELF_YUVTYPE_ILLEGAL, p.s32YuvType = 4221,
                 p.s32ImageType = 3),
      PF_REFUSED(P, "interlaced frames", ERR_IMG_FILTER_SELF_INTERLACE_ILLEGAL, p.s32ImageType = 3),
      PF_REFUSED(P, "filter type 2", ERR_IMG_FILTER_SELF_FILTERTYPE_ILLEGAL, p.s32FilterType = 2),
  };
  return m;
}
PF_MODULE_CASE(filter_case);

}  // namespace
