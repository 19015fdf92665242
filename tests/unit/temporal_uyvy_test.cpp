// SPDX-License-Identifier: BSD-2-Clause
// UYVY to 4:2:0 with temporal filter: every output size over a sequence of pictures against a
// model built from full-resolution planes, the recursive average's threshold, SetParam's reset,
// and the module's answers to the common questions.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "img_uyvyto420andtf.h"
#include "module_cases.hpp"
#include "rng.hpp"
#include "vmem_fixture.hpp"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int kW = 720, kH = 576;

tImgUYVYTo420AndTFParam param(int w, int h, int interlace) { return {kW, kH, 1, w, h, interlace}; }

// The source as full-resolution planes: Y per pixel, U and V per pixel pair.
struct Planes {
  Bytes y, u, v;
  explicit Planes(const Bytes& uyvy) : y(kW * kH), u(kW / 2 * kH), v(kW / 2 * kH) {
    for (int l = 0; l < kH; ++l) {
      for (int n = 0; n < kW / 2; ++n) {
        const uint8_t* q = &uyvy[(l * kW + 2 * n) * 2];
        u[l * kW / 2 + n] = q[0], y[l * kW + 2 * n] = q[1];
        v[l * kW / 2 + n] = q[2], y[l * kW + 2 * n + 1] = q[3];
      }
    }
  }
  int Y(int l, int x) const { return y[l * kW + x]; }
  int C(const Bytes& c, int l, int n) const { return c[l * kW / 2 + n]; }
};

int avg(int a, int b) { return (a + b + 1) >> 1; }
int nested(int a, int b, int c) { return avg(avg(a, b), avg(b, c)); }

// Output sample before the recursive average; plane 0 luma, 1 U, 2 V.
int sample(const Planes& s, int w, int h, int plane, int line, int x) {
  if (plane == 0) {
    switch (w * 1000 + h) {
      case 720576:
        return s.Y(line < 288 ? 2 * line : 2 * (line - 288) + 1, x);
      case 352576:
      case 352288: {
        const int l = h == 576 ? (line < 288 ? 2 * line : 2 * (line - 288) + 1) : 2 * line;
        return nested(s.Y(l, 2 * x), s.Y(l, 2 * x + 1), s.Y(l, 2 * x + 2));
      }
      case 176144:
        return (s.Y(4 * line, 4 * x) + s.Y(4 * line, 4 * x + 1) + s.Y(4 * line, 4 * x + 2) +
                s.Y(4 * line, 4 * x + 3)) >>
               2;
      case 240192: {
        const int a = s.Y(3 * line, 3 * x), b = s.Y(3 * line, 3 * x + 1),
                  c = s.Y(3 * line, 3 * x + 2);
        return line % 2 == 0 ? (a + 2 * b + c + 2) >> 2 : (((a + b) >> 1) + ((b + c) >> 1)) >> 1;
      }
      default: {
        const int step = w == 112 ? 6 : 7;
        int sum = 0;
        for (int r = 0; r < 4; ++r) {
          for (int c = 0; c < 4; ++c) sum += s.Y(step * line + r, step * x + c);
        }
        return sum >> 4;
      }
    }
  }
  const Bytes& c = plane == 1 ? s.u : s.v;
  switch (w * 1000 + h) {
    case 720576:
      return s.C(c, line < 144 ? 4 * line : 4 * (line - 144) + 2, x);
    case 352576:
    case 352288: {
      const int l = h == 576 ? (line < 144 ? 4 * line : 4 * (line - 144) + 2) : 4 * line;
      return nested(s.C(c, l, 2 * x), s.C(c, l, 2 * x + 1), s.C(c, l, 2 * x + 2));
    }
    case 176144:
      return (((s.C(c, 8 * line, 4 * x) + s.C(c, 8 * line, 4 * x + 1)) >> 1) +
              ((s.C(c, 8 * line, 4 * x + 2) + s.C(c, 8 * line, 4 * x + 3)) >> 1)) >>
             1;
    case 240192:
      return (s.C(c, 6 * line, 3 * x) + 2 * s.C(c, 6 * line, 3 * x + 1) +
              s.C(c, 6 * line, 3 * x + 2) + 2) >>
             2;
    default: {
      const int step = w == 112 ? 6 : 7;
      int sum = 0;
      for (int k = 0; k < 4; ++k) sum += s.C(c, 2 * step * line, step * x + k);
      return sum >> 2;
    }
  }
}

// The expected output for `uyvy`, with the stored previous output updated.
Bytes expected(const Bytes& uyvy, int w, int h, Bytes& stored) {
  const Planes s(uyvy);
  Bytes out;
  for (int plane = 0; plane < 3; ++plane) {
    const int pw = plane == 0 ? w : w / 2, ph = plane == 0 ? h : h / 2;
    for (int line = 0; line < ph; ++line) {
      for (int x = 0; x < pw; ++x) {
        const int v = sample(s, w, h, plane, line, x);
        uint8_t& p = stored[out.size()];
        const int o = std::abs(v - p) < 9 ? (v + p) >> 1 : v;
        p = static_cast<uint8_t>(o);
        out.push_back(static_cast<uint8_t>(o));
      }
    }
  }
  return out;
}

struct Output {
  int w, h, interlace;
};
constexpr Output kOutputs[] = {{720, 576, 2}, {352, 576, 2}, {352, 288, 1}, {176, 144, 1},
                               {112, 96, 1},  {240, 192, 1}, {96, 80, 1}};

class UyvyTo420AndTf : public pft::VmemTest {};

// Each size over four pictures: a random one, the same with noise within and beyond the
// threshold, a new random picture; output bytes past the picture stay untouched.
TEST_F(UyvyTo420AndTf, EveryOutputSizeOverASequence) {
  pft::Rng rng(11);
  for (const Output& o : kOutputs) {
    SCOPED_TRACE(testing::Message() << o.w << "x" << o.h);
    void* h = nullptr;
    const tImgUYVYTo420AndTFParam p = param(o.w, o.h, o.interlace);
    ASSERT_EQ(ImgUYVYTo420AndTemporalFilterOpen_c(&h, &p, mem()), 0u);
    const size_t bytes = static_cast<size_t>(o.w * o.h * 3 / 2);
    Bytes stored(bytes, 0), uyvy(kW * kH * 2);
    for (auto& b : uyvy) b = rng.byte();
    for (int frame = 0; frame < 4; ++frame) {
      if (frame == 3) {
        for (auto& b : uyvy) b = rng.byte();
      } else if (frame > 0) {
        for (auto& b : uyvy) b = static_cast<uint8_t>(std::clamp(b + rng.range(-12, 12), 0, 255));
      }
      Bytes dst(bytes + 32, 0xEE);
      tImgUYVYTo420AndTFData data{uyvy.data(), dst.data()};
      ASSERT_EQ(ImgUYVYTo420AndTemporalFilterProcess_c(h, &data, &data), 0u);
      ASSERT_EQ(Bytes(dst.begin(), dst.begin() + static_cast<ptrdiff_t>(bytes)),
                expected(uyvy, o.w, o.h, stored))
          << "frame " << frame;
      EXPECT_TRUE(std::all_of(dst.end() - 32, dst.end(), [](uint8_t b) { return b == 0xEE; }));
    }
    EXPECT_EQ(ImgUYVYTo420AndTemporalFilterClose_c(h), 0u);
  }
}

// Flat pictures: 100 against the zero start passes; 108 is within 8 and averaged to 104; 113 is
// 9 away and passes. SetParam forgets the previous output; a larger size than Open's is refused.
TEST_F(UyvyTo420AndTf, ThresholdAndReset) {
  void* h = nullptr;
  const tImgUYVYTo420AndTFParam cif = param(352, 288, 1);
  ASSERT_EQ(ImgUYVYTo420AndTemporalFilterOpen_c(&h, &cif, mem()), 0u);
  auto run = [&](uint8_t level) {
    Bytes uyvy(kW * kH * 2, level), dst(352 * 288 * 3 / 2);
    tImgUYVYTo420AndTFData data{uyvy.data(), dst.data()};
    EXPECT_EQ(ImgUYVYTo420AndTemporalFilterProcess_c(h, &data, &data), 0u);
    return dst;
  };
  EXPECT_EQ(run(100), Bytes(352 * 288 * 3 / 2, 100));
  EXPECT_EQ(run(108), Bytes(352 * 288 * 3 / 2, 104));
  EXPECT_EQ(run(113), Bytes(352 * 288 * 3 / 2, 113));
  ASSERT_EQ(ImgUYVYTo420AndTemporalFilterSetParam_c(h, &cif), 0u);
  EXPECT_EQ(run(110), Bytes(352 * 288 * 3 / 2, 110)) << "the previous output was not cleared";
  const tImgUYVYTo420AndTFParam d1 = param(720, 576, 2), qcif = param(176, 144, 1);
  EXPECT_EQ(ImgUYVYTo420AndTemporalFilterSetParam_c(h, &d1),
            ERR_IMG_UYVYTO420_ANDTF_SET_PARAM_UNSUPPORTTYPE);
  EXPECT_EQ(ImgUYVYTo420AndTemporalFilterSetParam_c(h, &qcif), 0u);
  tImgUYVYTo420AndTFParam status{};
  ASSERT_EQ(ImgUYVYTo420AndTemporalFilterGetStatus_c(h, &status), 0u);
  EXPECT_EQ(status.s32DstWidth, 176);
  EXPECT_EQ(ImgUYVYTo420AndTemporalFilterClose_c(h), 0u);
  uint32_t size = 0;
  EXPECT_EQ(ImgUYVYTo420AndTemporalFilterGetMemSize_c(&qcif, &size), 0u);
  EXPECT_EQ(size, 38104u);
  const tImgUYVYTo420AndTFParam odd_pair = param(352, 144, 1);
  EXPECT_EQ(ImgUYVYTo420AndTemporalFilterGetMemSize_c(&odd_pair, &size), 0u)
      << "GetMemSize does not check the pair";
}

pft::ModuleCase uyvy_case() {
  pft::ModuleCase m;
  m.name = "uyvy to 4:2:0 with temporal filter";
  m.family = pft::Family::kFilters;
  m.entry = PF_ENTRY_POINTS(ImgUYVYTo420AndTemporalFilter);
  m.table = &tImageUYVYTo420AndTFFunc;
  pft::set_names(m, pas8UYVYTo420AndTFAnalyzeErrorCode, ERR_IMG_UYVYTO420_ANDTF_START,
                 ERR_IMG_UYVYTO420_ANDTF_OPEN_HANDLE, ERR_IMG_UYVYTO420_ANDTF_DMA_HANDLE,
                 ERR_IMG_UYVYTO420_ANDTF_ANALYZECODE_HANDLE);
  pft::set_version(
      m, "pelforge_v300.UYVYTo420AndTemporalFilter.002", ERR_IMG_UYVYTO420_ANDTF_GETVERSION_HANDLE,
      ERR_IMG_UYVYTO420_ANDTF_GETVERSION_POINTER, ERR_IMG_UYVYTO420_ANDTF_GETVERSION_LENGTH);
  // The only text over 99 characters (118 here): a buffer of 119 is the smallest accepted.
  m.version_min = 119;
  m.param = pft::record_bytes(param(352, 288, 1));
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const tImgUYVYTo420AndTFParam*>(record);
    tImgUYVYTo420AndTFData data{pics.picture(PF_YUV_UYVY, p.s32SrcWidth, p.s32SrcHeight),
                                pics.picture(PF_YUV_420, p.s32DstWidth, p.s32DstHeight)};
    return e.Process(h, &data, &data);
  };
  m.mem_size = 352 * 3 * 288 / 2 + 88;
  m.open_null_out = ERR_IMG_UYVYTO420_ANDTF_OPEN_HANDLE;
  m.open_null_param = ERR_IMG_UYVYTO420_ANDTF_OPEN_PARAM;
  m.open_null_mem = ERR_IMG_UYVYTO420_ANDTF_OPEN_MEMHANDLE;
  m.close_null = m.close_no_mem = ERR_IMG_UYVYTO420_ANDTF_CLOSE_HANDLE;
  m.close_foreign = ERR_IMG_UYVYTO420_ANDTF_CLOSE_FREE_HANDLE;
  m.setparam_null_handle = ERR_IMG_UYVYTO420_ANDTF_SET_PARAM_HANDLE;
  m.setparam_null_param = ERR_IMG_UYVYTO420_ANDTF_SET_PARAM_PARAM;
  m.getstatus_null_handle = m.getstatus_null_record = ERR_IMG_UYVYTO420_ANDTF_GET_STATUS_HANDLE;
  m.process_null_handle = ERR_IMG_UYVYTO420_ANDTF_PROCESS_HANDLE;
  m.process_null_input = ERR_IMG_UYVYTO420_ANDTF_PROCESS_INPUT;
  m.process_null_output = ERR_IMG_UYVYTO420_ANDTF_PROCESS_OUTPUT;
  m.open_failures = {ERR_IMG_UYVYTO420_ANDTF_OPEN_MALLOC_HANDLE,
                     ERR_IMG_UYVYTO420_ANDTF_OPEN_MALLOC_PREYUV,
                     ERR_IMG_UYVYTO420_ANDTF_FAST_SCRATH};
  m.dma_failure = ERR_IMG_UYVYTO420_ANDTF_DMA_HANDLE;
  using P = tImgUYVYTo420AndTFParam;
  m.rows = {
      PF_REFUSED(P, "source interlace before the rest",
                 ERR_IMG_UYVYTO420_ANDTF_CHECKPARAM_SRC_INTERLACE, p.s32SrcInterlace = 2,
                 p.s32SrcWidth = 1),
      PF_REFUSED(P, "source width", ERR_IMG_UYVYTO420_ANDTF_CHECKPARAM_SRC_WIDTH,
                 p.s32SrcWidth = 704),
      PF_REFUSED(P, "source height", ERR_IMG_UYVYTO420_ANDTF_CHECKPARAM_SRC_HEIGHT,
                 p.s32SrcHeight = 480),
      PF_REFUSED(P, "output width", ERR_IMG_UYVYTO420_ANDTF_CHECKPARAM_DST_WIDTH,
                 p.s32DstWidth = 360, p.s32DstHeight = 1),
      PF_REFUSED(P, "output height", ERR_IMG_UYVYTO420_ANDTF_CHECKPARAM_DST_HEIGHT,
                 p.s32DstHeight = 100),
      PF_REFUSED2(P, "352 x 144 is no output size", ERR_IMG_UYVYTO420_ANDTF_OPEN_UNSUPPORTTYPE,
                  ERR_IMG_UYVYTO420_ANDTF_SET_PARAM_UNSUPPORTTYPE, p.s32DstHeight = 144),
      PF_REFUSED2(P, "352 x 576 is a field size", ERR_IMG_UYVYTO420_ANDTF_OPEN_DST_INTERLACE,
                  ERR_IMG_UYVYTO420_ANDTF_SET_PARAM_DST_INTERLACE, p.s32DstHeight = 576),
      PF_REFUSED2(P, "CIF is a frame size", ERR_IMG_UYVYTO420_ANDTF_OPEN_DST_INTERLACE,
                  ERR_IMG_UYVYTO420_ANDTF_SET_PARAM_DST_INTERLACE, p.s32DstInterlace = 2),
  };
  return m;
}
PF_MODULE_CASE(uyvy_case);

}  // namespace
