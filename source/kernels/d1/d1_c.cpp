// SPDX-License-Identifier: BSD-2-Clause
// Scalar D1 conversions of the resizer: 720-wide packed UYVY to planar 4:2:0 of the same size,
// frame or field picture, with the scene-change flag of the frame sources.
#include <algorithm>
#include <cstddef>

#include "d1/d1.hpp"
#include "img_resizer.h"

namespace pf {

void uyvy_line_to_planes(const uint8_t* uyvy, uint8_t* y, uint8_t* u, uint8_t* v, uint32_t width) {
  const uint32_t pairs = width / 2;
  for (uint32_t i = 0; i < pairs; ++i) {
    y[2 * i] = uyvy[4 * i + 1];
    y[2 * i + 1] = uyvy[4 * i + 3];
  }
  if (u != nullptr && v != nullptr) {
    for (uint32_t i = 0; i < pairs; ++i) {
      u[i] = uyvy[4 * i];
      v[i] = uyvy[4 * i + 2];
    }
  }
  if (width % 2 != 0) y[width - 1] = uyvy[2 * (width - 1) + 1];
}

namespace {

uint64_t plane_sum(const uint8_t* plane, uint32_t pitch, uint32_t width, uint32_t rows) {
  uint64_t sum = 0;
  for (uint32_t r = 0; r < rows; ++r) {
    const uint8_t* line = plane + static_cast<size_t>(r) * pitch;
    for (uint32_t x = 0; x < width; ++x) sum += line[x];
  }
  return sum;
}

int64_t mean_of(uint64_t sum, uint64_t count) {
  return count == 0 ? 0 : static_cast<int64_t>(sum / count);
}

int64_t distance(int64_t a, uint32_t b) {
  const int64_t d = a - static_cast<int64_t>(b);
  return d < 0 ? -d : d;
}

uint8_t* row_of(uint8_t* plane, uint32_t pitch, size_t row) { return plane + row * pitch; }

}  // namespace

bool d1_records_ok(const tResizerGeometry* g, const tImgPicture* src, const tImgPicture* dst) {
  return g != nullptr && src != nullptr && dst != nullptr && src->pu8Y != nullptr &&
         dst->pu8Y != nullptr && dst->pu8U != nullptr && dst->pu8V != nullptr;
}

uint32_t d1_width(const tResizerGeometry& g) { return std::min(g.u32SrcWidth, g.u32DstWidth); }
uint32_t d1_height(const tResizerGeometry& g) { return std::min(g.u32SrcHeight, g.u32DstHeight); }

D1Planes d1_second_field(const tResizerGeometry& g, const tImgPicture& dst) {
  const uint32_t total = g.u32DstHeight + g.u32FillTop + g.u32FillBottom;
  const size_t chroma_skip = static_cast<size_t>(dst.u32UVPitch) * (total / 4);
  return {row_of(dst.pu8Y, dst.u32YPitch, total / 2), dst.pu8U + chroma_skip,
          dst.pu8V + chroma_skip};
}

void d1_field_to_field(UyvyLineSplit split, const tResizerGeometry& g, const tImgPicture& src,
                       const tImgPicture& dst) {
  const uint32_t width = d1_width(g), height = d1_height(g);
  const size_t line_bytes = 2 * static_cast<size_t>(src.u32YPitch);
  const uint32_t src_total = g.u32SrcHeight + g.u32CutTop + g.u32CutBottom;
  const D1Planes second = d1_second_field(g, dst);
  const uint32_t field_lines = height / 2, chroma_lines = height / 4;
  // Source field f's line i gives luma line i of destination field f, and its even lines 2k give
  // that field's chroma line k. The fields never mix, so each keeps its own chroma.
  for (uint32_t field = 0; field < 2; ++field) {
    const uint8_t* in = src.pu8Y + (field == 0 ? 0 : (src_total / 2) * line_bytes);
    uint8_t* y = field == 0 ? dst.pu8Y : second.y;
    uint8_t* u = field == 0 ? dst.pu8U : second.u;
    uint8_t* v = field == 0 ? dst.pu8V : second.v;
    for (uint32_t i = 0; i < field_lines; ++i) {
      const bool chroma = i % 2 == 0 && i / 2 < chroma_lines;
      split(in + i * line_bytes, row_of(y, dst.u32YPitch, i),
            chroma ? row_of(u, dst.u32UVPitch, i / 2) : nullptr,
            chroma ? row_of(v, dst.u32UVPitch, i / 2) : nullptr, width);
    }
  }
}

uint32_t d1_scene_change(tResizerGeometry& g, const tImgPicture& picture, uint32_t width,
                         uint32_t height) {
  return d1_scene_change_from_sums(
      g, plane_sum(picture.pu8Y, picture.u32YPitch, width, height),
      plane_sum(picture.pu8U, picture.u32UVPitch, width / 2, height / 2),
      plane_sum(picture.pu8V, picture.u32UVPitch, width / 2, height / 2), width, height);
}

uint32_t d1_scene_change_from_sums(tResizerGeometry& g, uint64_t sum_y, uint64_t sum_u,
                                   uint64_t sum_v, uint32_t width, uint32_t height) {
  const uint64_t luma_count = static_cast<uint64_t>(width) * height;
  const int64_t mean_y = mean_of(sum_y, luma_count);
  const int64_t mean_u = mean_of(sum_u, luma_count / 4);
  const int64_t mean_v = mean_of(sum_v, luma_count / 4);
  const int64_t dy = distance(mean_y, g.u32MeanY);
  const int64_t du = distance(mean_u, g.u32MeanU);
  const int64_t dv = distance(mean_v, g.u32MeanV);
  const int64_t relative =
      256 * dy / (mean_y + 1) + 256 * du / (mean_u + 1) + 256 * dv / (mean_v + 1);
  g.u32MeanY = static_cast<uint32_t>(mean_y);
  g.u32MeanU = static_cast<uint32_t>(mean_u);
  g.u32MeanV = static_cast<uint32_t>(mean_v);
  return dy + du + dv >= 20 && relative >= 60 ? 1u : 0u;
}

}  // namespace pf

// These kernels write the picture at the destination origins and paint no border: the resizer
// chooses them only without fill. Pitches come from the records, so padded lines work.

extern "C" {

void YUV422toYUV420D1FrametoD1Frame_c(void**, tResizerGeometry* ptGeometry, tImgPicture* ptSrc,
                                      tImgPicture* ptDst) {
  if (!pf::d1_records_ok(ptGeometry, ptSrc, ptDst)) return;
  const uint32_t width = pf::d1_width(*ptGeometry), height = pf::d1_height(*ptGeometry);
  const size_t line_bytes = 2 * static_cast<size_t>(ptSrc->u32YPitch);
  // Chroma line k comes from source line 2k; an odd height's last line has no chroma line.
  for (uint32_t row = 0; row < height; ++row) {
    const bool chroma = row % 2 == 0 && row / 2 < height / 2;
    pf::uyvy_line_to_planes(
        ptSrc->pu8Y + row * line_bytes, pf::row_of(ptDst->pu8Y, ptDst->u32YPitch, row),
        chroma ? pf::row_of(ptDst->pu8U, ptDst->u32UVPitch, row / 2) : nullptr,
        chroma ? pf::row_of(ptDst->pu8V, ptDst->u32UVPitch, row / 2) : nullptr, width);
  }
  ptDst->u32Spare1 = pf::d1_scene_change(*ptGeometry, *ptDst, width, height);
}

void YUV422toYUV420D1FrametoD1Field_c(void**, tResizerGeometry* ptGeometry, tImgPicture* ptSrc,
                                      tImgPicture* ptDst) {
  if (!pf::d1_records_ok(ptGeometry, ptSrc, ptDst)) return;
  const uint32_t width = pf::d1_width(*ptGeometry), height = pf::d1_height(*ptGeometry);
  const size_t line_bytes = 2 * static_cast<size_t>(ptSrc->u32YPitch);
  const pf::D1Planes second = pf::d1_second_field(*ptGeometry, *ptDst);
  const uint32_t field_lines = height / 2, chroma_lines = height / 4;
  // Even source lines form the first field, odd ones the second. Chroma is split like the chroma
  // lines of a 4:2:0 frame: frame chroma line 2k (from source line 4k) to the first field's line
  // k, frame chroma line 2k + 1 (from source line 4k + 2) to the second field's line k.
  for (uint32_t line = 0; line < 2 * field_lines; ++line) {
    const uint32_t k = line / 4;
    const bool upper = line % 2 == 0;
    uint8_t* y = upper ? ptDst->pu8Y : second.y;
    uint8_t* u = nullptr;
    uint8_t* v = nullptr;
    if (k < chroma_lines && line % 4 == 0) {
      u = pf::row_of(ptDst->pu8U, ptDst->u32UVPitch, k);
      v = pf::row_of(ptDst->pu8V, ptDst->u32UVPitch, k);
    } else if (k < chroma_lines && line % 4 == 2) {
      u = pf::row_of(second.u, ptDst->u32UVPitch, k);
      v = pf::row_of(second.v, ptDst->u32UVPitch, k);
    }
    pf::uyvy_line_to_planes(ptSrc->pu8Y + line * line_bytes,
                            pf::row_of(y, ptDst->u32YPitch, line / 2), u, v, width);
  }
  ptDst->u32Spare1 = pf::d1_scene_change(*ptGeometry, *ptDst, width, height);
}

void YUV422toYUV420D1FieldtoD1Field_c(void**, tResizerGeometry* ptGeometry, tImgPicture* ptSrc,
                                      tImgPicture* ptDst) {
  if (!pf::d1_records_ok(ptGeometry, ptSrc, ptDst)) return;
  pf::d1_field_to_field(pf::uyvy_line_to_planes, *ptGeometry, *ptSrc, *ptDst);
}

}  // extern "C"
