// SPDX-License-Identifier: BSD-2-Clause
// The OSD filter: its output on random pictures against a direct computation of the weighted
// 3x3 mean and the tone curve, the worked levels, what SetParam rebuilds, and the module's codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "img_filterosd.h"
#include "module_cases.hpp"
#include "rng.hpp"
#include "vmem_fixture.hpp"

namespace {

using P = tFilterOsdParam;
using Pixels = std::vector<uint32_t>;

uint8_t channel(uint32_t pixel, int c) { return static_cast<uint8_t>(pixel >> (8 * c)); }

int mean_of(const Pixels& ref) {
  uint64_t sum = 0;
  for (uint32_t px : ref) {
    sum += (306u * channel(px, 2) + 601u * channel(px, 1) + 117u * channel(px, 0) + 512u) >> 10;
  }
  return static_cast<int>(sum / ref.size());
}

// The tone curve, level by level.
int tone(int i, int brightness, int contrast, int m) {
  const int b = std::max(brightness + i, 0);
  double out;
  if (contrast == 128) {
    out = b < m ? 0 : 255;
  } else if (contrast == 0) {
    out = std::min(b, 255);
  } else if (contrast > 0) {
    const int factor = 128 / (128 - contrast) - 1;  // whole slopes only
    out = (b - m) * factor + b;
  } else {
    out = std::trunc((i - m) * contrast / 128.0) + brightness + i;
  }
  return static_cast<int>(std::clamp(out, 0.0, 255.0));
}

// The filtered picture, pixel by pixel; byte 3 of interior pixels keeps what `dst` had.
Pixels filtered(const Pixels& src, Pixels dst, int w, int h, const P& p, int m) {
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const size_t at = static_cast<size_t>(y) * w + x;
      if (y == 0 || x == 0 || y == h - 1 || x == w - 1) {
        dst[at] = src[at];
        continue;
      }
      uint32_t out = dst[at] & 0xFF000000u;
      for (int c = 0; c < 3; ++c) {
        int s = 0;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            const int weight = dx == 0 && dy == 0 ? p.u8CenterWeight : 1;
            s += weight * channel(src[at + dy * w + dx], c);
          }
        }
        const int level = std::min(s / (p.u8CenterWeight + 8), 255);
        out |= static_cast<uint32_t>(tone(level, p.s16Brightness, p.s16Contrast, m)) << (8 * c);
      }
      dst[at] = out;
    }
  }
  return dst;
}

Pixels random_pixels(size_t n, pft::Rng& rng) {
  Pixels p(n);
  for (auto& v : p) v = static_cast<uint32_t>(rng.next());
  return p;
}

class OsdFilter : public pft::VmemTest {
 protected:
  // Opens on p, optionally SetParam to `next`, filters `src` into `dst`.
  uint32_t run(const P& p, const Pixels& src, Pixels& dst, const P* next = nullptr) {
    void* h = nullptr;
    EXPECT_EQ(ImageFilterOSDOpen_c(&h, &p, mem()), 0u);
    if (h == nullptr) return 1;
    uint32_t status = next != nullptr ? ImageFilterOSDSetParam_c(h, next) : 0u;
    tFilterOsdPictures pictures{src.data(), dst.data()};
    int context = 0;
    if (status == 0) status = ImageFilterOSDProcess_c(h, &pictures, &context);
    EXPECT_EQ(ImageFilterOSDClose_c(h), 0u);
    return status;
  }
};

TEST_F(OsdFilter, MatchesADirectComputation) {
  pft::Rng rng(18);
  const int16_t contrasts[] = {0, 1, 63, 64, 85, 86, 100, 127, 128, 129, 200, -1, -64, -128, -300};
  for (int i = 0; i < 120; ++i) {
    const int w = rng.range(1, 23), h = rng.range(1, 17);
    Pixels ref = random_pixels(size_t(w) * h, rng);
    const P p{static_cast<uint8_t>(rng.below(12)),
              static_cast<int16_t>(rng.range(-300, 300)),
              contrasts[rng.below(std::size(contrasts))],
              uint32_t(w),
              uint32_t(h),
              ref.data(),
              1};
    SCOPED_TRACE(testing::Message()
                 << "case " << i << ": " << w << "x" << h << " weight " << int(p.u8CenterWeight)
                 << " brightness " << p.s16Brightness << " contrast " << p.s16Contrast);
    const Pixels src = random_pixels(ref.size(), rng);
    Pixels dst = random_pixels(ref.size(), rng);
    const Pixels expected = filtered(src, dst, w, h, p, mean_of(ref));
    if (mean_of(ref) == 0) continue;
    ASSERT_EQ(run(p, src, dst), 0u);
    ASSERT_EQ(dst, expected);
  }
}

// Flat pictures show the curve: with weight 0 the mean of eight equal neighbours is the level.
TEST_F(OsdFilter, WorkedLevels) {
  struct Row {
    int16_t brightness, contrast;
    uint8_t reference_grey, level, expected;
  };
  const Row rows[] = {
      {10, 0, 128, 250, 255},   {10, 0, 128, 0, 10},    {0, 128, 100, 99, 0},
      {0, 128, 100, 100, 255},  {0, 64, 100, 110, 120}, {0, 63, 100, 110, 110},
      {0, -128, 100, 110, 100}, {-20, 0, 100, 10, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message()
                 << row.brightness << "/" << row.contrast << " level " << int(row.level));
    const uint32_t grey = row.reference_grey * 0x010101u;
    const Pixels ref(9, grey);
    const P p{0, row.brightness, row.contrast, 3, 3, ref.data(), 1};
    const Pixels src(9, row.level * 0x010101u);
    Pixels dst(9, 0xAB000000u);
    ASSERT_EQ(run(p, src, dst), 0u);
    EXPECT_EQ(dst[4], 0xAB000000u | row.expected * 0x010101u);  // byte 3 is not computed
    EXPECT_EQ(dst[0], src[0]);
  }
}

TEST_F(OsdFilter, ProcessNeedsAMeasuredMean) {
  const Pixels black(16, 0xFF000000u), grey(16, 0x00808080u);
  Pixels dst(16);
  P p{2, 0, 0, 4, 4, nullptr, 0};
  EXPECT_EQ(run(p, grey, dst), ERR_IMG_OSD_REFERENCE_PICTURE);  // never measured
  p.pu32RefPicture = black.data();
  p.u8MeasureMean = 1;
  EXPECT_EQ(run(p, grey, dst), ERR_IMG_OSD_REFERENCE_PICTURE);  // measured 0
  P later = p;
  later.pu32RefPicture = grey.data();
  EXPECT_EQ(run(p, grey, dst, &later), 0u);
  // In place, or overlapping, the filter would read what it wrote.
  void* h = nullptr;
  ASSERT_EQ(ImageFilterOSDOpen_c(&h, &later, mem()), 0u);
  int context = 0;
  tFilterOsdPictures same{dst.data(), dst.data()}, shifted{dst.data(), dst.data() + 3};
  EXPECT_EQ(ImageFilterOSDProcess_c(h, &same, &context), ERR_IMG_OSD_PROCESS_POINTER);
  EXPECT_EQ(ImageFilterOSDProcess_c(h, &shifted, &context), ERR_IMG_OSD_PROCESS_POINTER);
  tFilterOsdPictures no_dst{grey.data(), nullptr};
  EXPECT_EQ(ImageFilterOSDProcess_c(h, &no_dst, &context), ERR_IMG_OSD_PROCESS_POINTER);
  EXPECT_EQ(ImageFilterOSDClose_c(h), 0u);
}

// SetParam keeps the measured mean unless asked to measure again, rebuilds the tone table when
// brightness or contrast change and the division table when the weight changes, and takes the
// new size.
TEST_F(OsdFilter, SetParamRebuildsWhatChanged) {
  pft::Rng rng(3);
  const Pixels ref = random_pixels(6 * 5, rng);
  const Pixels other(8 * 7, 0x00FFFFFFu);
  const Pixels src = random_pixels(8 * 7, rng);
  const P first{3, 0, 0, 6, 5, ref.data(), 1};
  struct Row {
    const char* what;
    P next;
    const Pixels* measured;
  };
  const Row rows[] = {
      {"brightness, size and weight, mean kept", {7, 25, 0, 8, 7, other.data(), 0}, &ref},
      {"contrast, mean kept", {3, 0, 90, 8, 7, nullptr, 0}, &ref},
      {"measured again", {0, -5, -40, 8, 7, other.data(), 1}, &other},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Pixels dst(src.size(), 0);
    ASSERT_EQ(run(first, src, dst, &row.next), 0u);
    EXPECT_EQ(dst, filtered(src, Pixels(src.size(), 0), 8, 7, row.next, mean_of(*row.measured)));
  }
}

// ---------------------------------------------------------------- the module's codes

const Pixels& case_reference() {
  static const Pixels ref(8 * 6, 0x00406080u);
  return ref;
}

pft::ModuleCase osd_case() {
  pft::ModuleCase m;
  m.name = "filterosd";
  m.family = pft::Family::kOverlay;
  m.entry = tFilterOSDFunc;
  m.table = &tFilterOSDFunc;
  m.id = 18;
  pft::set_names(m, pas8FilterOSDAnalyzeErrorCode, ERR_IMG_OSD_OPEN_POINTER,
                 ERR_IMG_OSD_OPEN_POINTER, ERR_IMG_OSD_END, ERR_IMG_OSD_ANALYZE_ERROR_CODE_HANDLE);
  pft::set_version(m, "pelforge_v300.osd.001", ERR_IMG_OSD_VER_POINTER, 0, ERR_IMG_OSD_BUFFERLEN);
  m.param = pft::record_bytes(P{4, 12, 40, 8, 6, case_reference().data(), 1});
  m.status_echoes_param = false;  // GetStatus is not offered
  m.mem_size = 5436;
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const P*>(record);
    const int64_t bytes = pft::product({4, p.u32Width, p.u32Height});
    tFilterOsdPictures pictures{reinterpret_cast<const uint32_t*>(pics.buffer(bytes)),
                                reinterpret_cast<uint32_t*>(pics.buffer(bytes))};
    int context = 0;
    return e.Process(h, &pictures, &context);
  };
  m.bind = [](void* record, pft::Pictures& pics) {
    auto& p = *static_cast<P*>(record);
    const int64_t bytes = pft::product({4, p.u32Width, p.u32Height});
    p.pu32RefPicture =
        (pics.byte() & 7) != 0 ? reinterpret_cast<const uint32_t*>(pics.buffer(bytes)) : nullptr;
  };
  pft::set_null_codes(
      m, {ERR_IMG_OSD_OPEN_POINTER, ERR_IMG_OSD_CLOSE_HANDLE, ERR_IMG_OSD_CLOSE_HANDLE, 0,
          ERR_IMG_OSD_OPEN_POINTER, ERR_IMG_OSD_STATUS_NOTIMPLEMENT, ERR_IMG_OSD_PROCESS_POINTER});
  m.open_failures = {ERR_IMG_OSD_OPEN_MALLOC, ERR_IMG_OSD_MALLOC_FAST_SCRATCH,
                     ERR_IMG_OSD_OPEN_MALLOC_GETBUF, ERR_IMG_OSD_OPEN_MALLOC_cTable};
  m.dma_failure = ERR_IMG_OSD_GET_DMA_HANDLE;
  m.rows = {
      PF_REFUSED(P, "width 0", ERR_IMG_OSD_WIDTH, p.u32Width = 0, p.u8CenterWeight = 12),
      PF_REFUSED(P, "height 0", ERR_IMG_OSD_WIDTH, p.u32Height = 0),
      PF_REFUSED(P, "weight 12", ERR_IMG_OSD_WIDTH, p.u8CenterWeight = 12,
                 p.pu32RefPicture = nullptr),
      PF_REFUSED(P, "measure without reference", ERR_IMG_OSD_REFERENCE_PICTURE,
                 p.pu32RefPicture = nullptr),
  };
  return m;
}
PF_MODULE_CASE(osd_case);

}  // namespace
