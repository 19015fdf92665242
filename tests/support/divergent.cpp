// SPDX-License-Identifier: BSD-2-Clause
#include "divergent.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "img_deinterlace_internal.hpp"
#include "img_resizer_internal.hpp"

namespace pft {

namespace {

void field_ordered_plane(const uint8_t* src, uint32_t sw, uint32_t sh, uint32_t src_pitch,
                         uint8_t* dst, uint32_t dw, uint32_t dh, uint32_t dst_pitch) {
  if (dw == 0 || dh == 0) return;
  std::vector<uint8_t> frame(static_cast<size_t>(dw) * dh);
  BilinearZoom_c(nullptr, src, frame.data(), sw, sh, src_pitch, dw, dh, dw);
  // In output order, so that with an odd height the later line wins a shared destination line.
  for (uint32_t j = 0; j < dh; ++j) {
    const uint32_t line = j % 2 == 0 ? j / 2 : dh / 2 + j / 2;
    std::memcpy(dst + static_cast<size_t>(line) * dst_pitch, frame.data() + size_t{j} * dw, dw);
  }
}

struct Divergent {
  const char* pointer;  // manifest row whose variant diverges
  int isa;
  tResizerKernel model;
};

const Divergent kDivergent[] = {
    {"ConvertCifFrameto720x576FieldFilter", pf::kSsse3, cif_field_filter_model},
};

}  // namespace

void cif_field_filter_model(void**, tResizerGeometry* geometry, tImgPicture* src,
                            tImgPicture* dst) {
  const tResizerGeometry& g = *geometry;
  field_ordered_plane(src->pu8Y, g.u32SrcWidth, g.u32SrcHeight, src->u32YPitch, dst->pu8Y,
                      g.u32DstWidth, g.u32DstHeight, dst->u32YPitch);
  field_ordered_plane(src->pu8U, g.u32SrcWidth / 2, g.u32SrcHeight / 2, src->u32UVPitch, dst->pu8U,
                      g.u32DstWidth / 2, g.u32DstHeight / 2, dst->u32UVPitch);
  field_ordered_plane(src->pu8V, g.u32SrcWidth / 2, g.u32SrcHeight / 2, src->u32UVPitch, dst->pu8V,
                      g.u32DstWidth / 2, g.u32DstHeight / 2, dst->u32UVPitch);
}

tResizerKernel divergent_model(tResizerKernel variant) {
  if (variant == nullptr) return nullptr;
  for (const auto& row : pf::image_resizer_kernels()) {
    for (const Divergent& d : kDivergent) {
      if (std::strcmp(row.name, d.pointer) == 0 && row.variant[d.isa] == variant) return d.model;
    }
  }
  return nullptr;
}

namespace {

void simple_comb_plane(uint8_t* plane, int32_t width, int32_t height, int32_t stride) {
  if (height / 2 < 3) return;
  for (int32_t l = 1; l <= height - 3; l += 2) {
    uint8_t* c = plane + static_cast<ptrdiff_t>(l) * stride;
    const uint8_t* p = c - stride;
    const uint8_t* n = c + stride;
    const uint8_t* n2 = c + 2 * stride;
    for (int32_t x0 = 0; x0 < width; x0 += 8) {
      const int32_t x1 = std::min(width, x0 + 8);
      int across = 0, within = 0;
      for (int32_t x = x0; x < x1; ++x) {
        across += std::abs(p[x] - c[x]) + std::abs(c[x] - n[x]);
        within += std::abs(c[x] - n2[x]) + std::abs(p[x] - n[x]);
      }
      if (across <= within) continue;
      for (int32_t x = x0; x < x1; ++x) c[x] = static_cast<uint8_t>((p[x] + n[x] + 1) / 2);
    }
  }
}

}  // namespace

uint32_t deinterlace_mode0_sse2_model(tImgDeinterlaceInstance* instance, uint8_t* y, uint8_t* u,
                                      uint8_t* v) {
  const tImgDeinterlaceInstance& inst = *instance;
  simple_comb_plane(y, inst.s32Width, inst.s32Height, inst.s32YStride);
  simple_comb_plane(u, inst.s32Width / 2, inst.s32Height / 2, inst.s32UVStride);
  simple_comb_plane(v, inst.s32Width / 2, inst.s32Height / 2, inst.s32UVStride);
  return 0;
}

tImgDeinterlaceKernel divergent_model(tImgDeinterlaceKernel variant) {
  if (variant == nullptr) return nullptr;
  for (const auto& row : pf::deinterlace_kernels()) {
    if (std::strcmp(row.name, "DeinterlaceMode1") == 0 && row.variant[pf::kSse2] == variant)
      return deinterlace_mode0_sse2_model;
  }
  return nullptr;
}

}  // namespace pft
