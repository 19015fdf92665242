// SPDX-License-Identifier: BSD-2-Clause
#include "filter_cases.hpp"

#include <algorithm>
#include <climits>
#include <sstream>

namespace pft {

namespace {

uint8_t clamp8(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

// Two unrelated textures, one per field: the strongest combing there is.
void combed(GuardedPlane& plane, Rng& rng) {
  const int shift = rng.range(3, 12);
  for (uint32_t y = 0; y < plane.rows(); ++y) {
    for (uint32_t x = 0; x < plane.width(); ++x) {
      const int base = y % 2 == 0 ? static_cast<int>(x) * 4 : static_cast<int>(x + shift) * 4;
      plane.at(x, y) = static_cast<uint8_t>((base / 32) % 2 == 0 ? 40 : 200);
    }
  }
}

// A still background with a moving disc whose two fields disagree.
void moving_disc(GuardedPlane& plane, Rng& rng) {
  const int cx = rng.range(0, static_cast<int>(plane.width())),
            cy = rng.range(0, static_cast<int>(plane.rows()));
  const int r = rng.range(3, 30), motion = rng.range(2, 10);
  for (uint32_t y = 0; y < plane.rows(); ++y) {
    const int dx = y % 2 == 0 ? 0 : motion;
    for (uint32_t x = 0; x < plane.width(); ++x) {
      const int ex = static_cast<int>(x) - cx - dx, ey = static_cast<int>(y) - cy;
      const bool inside = ex * ex + ey * ey < r * r;
      plane.at(x, y) = inside ? 220 : clamp8(static_cast<int>(x * 3 + y) % 90 + 20);
    }
  }
}

// Diagonal stripes of random slope: edges that the directional search should follow.
void diagonal(GuardedPlane& plane, Rng& rng) {
  const int slope = rng.range(-3, 3), period = rng.range(4, 24);
  for (uint32_t y = 0; y < plane.rows(); ++y) {
    for (uint32_t x = 0; x < plane.width(); ++x) {
      const int u = static_cast<int>(x) + slope * static_cast<int>(y);
      plane.at(x, y) = ((u % period) + period) % period < period / 2 ? 16 : 235;
    }
  }
}

void ramp(GuardedPlane& plane, Rng& rng) {
  const int a = rng.range(-4, 4), b = rng.range(-4, 4), c = rng.range(0, 255);
  for (uint32_t y = 0; y < plane.rows(); ++y) {
    for (uint32_t x = 0; x < plane.width(); ++x)
      plane.at(x, y) = clamp8(c + a * static_cast<int>(x) + b * static_cast<int>(y));
  }
}

void extremes(GuardedPlane& plane, Rng& rng) {
  for (uint32_t y = 0; y < plane.rows(); ++y) {
    for (uint32_t x = 0; x < plane.width(); ++x) plane.at(x, y) = rng.chance(50) ? 0 : 255;
  }
}

}  // namespace

tImgDeinterlaceParam random_deinterlace_param(Rng& rng, int32_t mode, int32_t max_width,
                                              int32_t max_height) {
  tImgDeinterlaceParam p{};
  p.s32Width = 8 * rng.range(1, max_width / 8);
  p.s32Height = 8 * rng.range(1, max_height / 8);
  if (rng.chance(10)) p.s32Width = 8 * rng.range(1, 3);  // chroma narrower than a vector
  p.s32Mode = mode;
  p.s32FrameType = mode == 0 ? (rng.chance(50) ? 1 : 3) : rng.range(1, 3);
  return p;
}

std::string describe(const tImgDeinterlaceParam& p) {
  std::ostringstream out;
  out << p.s32Width << "x" << p.s32Height << " strides " << p.s32YStride << "/" << p.s32UVStride
      << " mode " << p.s32Mode << " type " << p.s32FrameType;
  return out.str();
}

void fill_filter_content(GuardedPicture& picture, Rng& rng) {
  const uint32_t kind = rng.below(7);
  for (auto& plane : picture.planes()) {
    switch (kind) {
      case 0:
        combed(plane, rng);
        break;
      case 1:
        moving_disc(plane, rng);
        break;
      case 2:
        diagonal(plane, rng);
        break;
      case 3:
        ramp(plane, rng);
        break;
      case 4:
        extremes(plane, rng);
        break;
      case 5:
        plane.fill(static_cast<uint8_t>(rng.byte()));
        break;
      default:
        plane.fill_random(rng);
        break;
    }
  }
}

void fill_blocky_content(GuardedPicture& picture, Rng& rng) {
  const int noise = rng.range(0, 3);
  for (auto& plane : picture.planes()) {
    const uint32_t blocks_x = (plane.width() + 7) / 8, blocks_y = (plane.rows() + 7) / 8;
    for (uint32_t by = 0; by < blocks_y; ++by) {
      for (uint32_t bx = 0; bx < blocks_x; ++bx) {
        const int base = rng.range(0, 255), kind = rng.range(0, 5);
        const int slope = rng.range(-3, 3);
        for (uint32_t y = by * 8; y < std::min(plane.rows(), by * 8 + 8); ++y) {
          for (uint32_t x = bx * 8; x < std::min(plane.width(), bx * 8 + 8); ++x) {
            int v = base;
            if (kind == 1) v += slope * static_cast<int>(x - bx * 8);                // gradient
            if (kind == 2) v = rng.byte();                                           // texture
            if (kind == 3) v = (x - bx * 8) + (y - by * 8) < 8 ? base : 255 - base;  // edge
            if (kind == 4) v += ((x + y) % 3 == 0 ? 6 : -6);                         // ripple
            if (noise != 0) v += rng.range(-noise, noise);
            plane.at(x, y) = clamp8(v);
          }
        }
      }
    }
  }
}

int32_t random_qp(Rng& rng) {
  switch (rng.below(8)) {
    case 0:
      return 0;
    case 1:
      return rng.range(1, 3);
    case 2:
      return rng.range(-5, -1);
    case 3:
      return rng.chance(50) ? INT_MAX : INT_MIN;
    case 4:
      return rng.range(100, 1000);
    default:
      return rng.range(4, 40);
  }
}

}  // namespace pft
