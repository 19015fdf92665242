// SPDX-License-Identifier: BSD-2-Clause
// The rectangle kernels as one composition over two row primitives: a SIMD variant supplies
// faster rows and reuses the plane, field and chroma bookkeeping written here once.
#ifndef PELFORGE_SOURCE_KERNELS_BANNER_BANNER_HPP_
#define PELFORGE_SOURCE_KERNELS_BANNER_BANNER_HPP_

#include <cstdint>
#include <span>

#include "dispatch.hpp"
#include "img_banner.h"

namespace pf::banner {

// Row primitives over `bytes` bytes of one row, with a 4-byte colour pattern that repeats from
// the row's first byte (Y Y Y Y for a luma plane, U V U V for NV12 chroma, U Y V Y or Y U Y V
// for packed rows). Tails are finished byte by byte: blending in place must not touch a byte
// twice.
struct RowOps {
  // dst[i] = pattern[i & 3].
  void (*fill)(uint8_t* dst, uint32_t bytes, const uint8_t (&pattern)[4]);
  // dst[i] = (dst[i] * (255 - opacity) + pattern[i & 3] * opacity) >> 8.
  void (*blend)(uint8_t* dst, uint32_t bytes, const uint8_t (&pattern)[4], uint32_t opacity);
};

extern const RowOps kScalarRows;

enum class Layout { kPlanar420, kNv12, kPacked };

struct Shape {
  Layout layout;
  bool field;   // field-separated storage
  bool opaque;  // fill, else blend with the opacity
};

// Paints the instance's rectangle with `rows`; a null record does nothing. Defined out of line
// so that no ISA-specific copy of it can be picked by the linker.
void draw(const RowOps& rows, Shape shape, const tImgPicture* picture,
          const tBannerInstance* banner, uint8_t opacity);

// The colour rule every fill of the overlay modules shares (arithmetic shifts).
struct Yuv {
  uint8_t y, u, v;
};
Yuv rgb_to_yuv(uint8_t r, uint8_t g, uint8_t b);

// The opaque fill behind ImgDrawBanner, on a rectangle already clipped to the picture. Planar
// 4:2:0 and 4:2:2 get chroma; other layouts only their first plane.
void DrawYUV420AndYUV422PBanner(const tDrawBannerPicture& picture, int32_t top, int32_t left,
                                int32_t width, int32_t height, Yuv colour);

}  // namespace pf::banner

namespace pf {
// The banner's kernel manifest, for the parity harness and the tests.
std::span<const KernelRow<tBannerKernel>> banner_kernels();
}  // namespace pf

// Defines the exported kernel `name` as the composition of `shape` over the row table `rows`.
#define PF_BANNER_KERNEL(name, rows, layout, field, opaque)                                    \
  extern "C" void name(const tImgPicture* ptPicture, const tBannerInstance* ptBanner,          \
                       uint8_t u8Opacity) {                                                    \
    ::pf::banner::draw(rows, ::pf::banner::Shape{::pf::banner::Layout::layout, field, opaque}, \
                       ptPicture, ptBanner, u8Opacity);                                        \
  }

#endif  // PELFORGE_SOURCE_KERNELS_BANNER_BANNER_HPP_
