// SPDX-License-Identifier: BSD-2-Clause
// What the composition and overlay tests share: the RGB to YUV colour rule the banners, bitmaps
// and boundary lines use, where a field-separated plane keeps a display row, and bitmaps built
// byte by byte as the bitmap converter reads them.
#ifndef PELFORGE_TESTS_SUPPORT_COMPOSITION_HELPERS_HPP_
#define PELFORGE_TESTS_SUPPORT_COMPOSITION_HELPERS_HPP_

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace pft {

struct Yuv {
  int y, u, v;
  bool operator==(const Yuv&) const = default;
};

// The colour rule with floor division standing in for the arithmetic shift; chroma saturates
// at 255 (pure red's V and pure blue's U would be 256).
inline int floor_div256(int n) { return n >= 0 ? n / 256 : -((-n + 255) / 256); }
inline Yuv rgb_to_yuv(int r, int g, int b) {
  return {floor_div256(76 * r + 150 * g + 29 * b + 128),
          std::min(floor_div256(-43 * r - 84 * g + 128 * b + 128) + 128, 255),
          std::min(floor_div256(128 * r - 107 * g - 20 * b + 128) + 128, 255)};
}

// Stored row of display row r in a plane of `rows` rows: a field-separated plane keeps the even
// display rows in its first half and the odd ones after it.
inline int stored_row(int r, int rows, bool field) {
  if (!field) return r;
  return r % 2 == 0 ? r / 2 : rows / 2 + r / 2;
}

// The display row a stored row holds (the inverse of stored_row).
inline int display_row(int s, int rows, bool field) {
  if (!field) return s;
  return s < rows / 2 ? 2 * s : 2 * (s - rows / 2) + 1;
}

// Where two buffers of one size first differ, as a byte index counted from `origin` (negative:
// in the canaries before a picture), or "" when they are equal.
inline std::string first_difference(const std::vector<uint8_t>& got,
                                    const std::vector<uint8_t>& want, size_t origin = 0) {
  for (size_t i = 0; i < got.size(); ++i) {
    if (got[i] != want[i]) {
      return "byte " + std::to_string(static_cast<long>(i) - static_cast<long>(origin)) + ": " +
             std::to_string(got[i]) + " instead of " + std::to_string(want[i]);
    }
  }
  return "";
}

inline void put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = uint8_t(v), b[at + 1] = uint8_t(v >> 8);
}
inline void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};

// A bitmap as the module reads it: the file's 14-byte header with 2 padding bytes after the
// signature, then everything else of the file. `pixels` is top-down; the palette (for depths
// under 16) is given, and pixels of those depths are palette indices in `index`.
struct Bitmap {
  int width = 0, height = 0, bpp = 24;
  uint32_t compression = 0;
  uint32_t masks[3] = {0xF800, 0x7E0, 0x1F};
  std::vector<Rgb> palette;
  std::vector<Rgb> pixels;  // width * height, top row first (16, 24, 32 bits)
  std::vector<int> index;   // width * height palette indices (1, 4, 8 bits)

  Rgb colour(int x, int y) const {
    if (bpp < 16) return palette[size_t(index[size_t(y * width + x)])];
    const Rgb c = pixels[size_t(y * width + x)];
    if (bpp == 16) return {c.r & 0xF8, c.g & 0xFC, c.b & 0xF8};
    return c;
  }

  std::vector<uint8_t> buffer() const {
    const size_t stride = size_t(((bpp * width + 31) & ~31) / 8);
    const size_t palette_bytes = 4 * palette.size();
    const size_t masks_bytes = bpp == 16 ? 12 : 0;
    const size_t file_offset = 54 + palette_bytes + masks_bytes;
    std::vector<uint8_t> file(file_offset + stride * size_t(height));
    file[0] = 'B', file[1] = 'M';
    put32(file, 2, uint32_t(file.size()));
    put32(file, 10, uint32_t(file_offset));
    put32(file, 14, 40);
    put32(file, 18, uint32_t(width));
    put32(file, 22, uint32_t(height));
    put16(file, 26, 1);
    put16(file, 28, uint32_t(bpp));
    put32(file, 30, compression);
    for (size_t i = 0; i < palette.size(); ++i) {
      file[54 + 4 * i] = uint8_t(palette[i].b);
      file[55 + 4 * i] = uint8_t(palette[i].g);
      file[56 + 4 * i] = uint8_t(palette[i].r);
    }
    if (bpp == 16) {
      for (int i = 0; i < 3; ++i) put32(file, 54 + 4 * size_t(i), masks[i]);
    }
    for (int y = 0; y < height; ++y) {
      uint8_t* row = file.data() + file_offset + size_t(height - 1 - y) * stride;
      for (int x = 0; x < width; ++x) {
        const size_t i = size_t(y * width + x);
        switch (bpp) {
          case 1:
            row[x / 8] = uint8_t(row[x / 8] | (index[i] << (7 - x % 8)));
            break;
          case 4:
            row[x / 2] = uint8_t(row[x / 2] | (x % 2 ? index[i] : index[i] << 4));
            break;
          case 8:
            row[x] = uint8_t(index[i]);
            break;
          case 16: {
            const Rgb& c = pixels[i];
            const uint32_t v = uint32_t((c.r >> 3) << 11 | (c.g >> 2) << 5 | (c.b >> 3));
            row[2 * x] = uint8_t(v), row[2 * x + 1] = uint8_t(v >> 8);
            break;
          }
          default: {
            uint8_t* p = row + size_t(x) * size_t(bpp / 8);
            p[0] = uint8_t(pixels[i].b), p[1] = uint8_t(pixels[i].g), p[2] = uint8_t(pixels[i].r);
            if (bpp == 32) p[3] = 0xA5;  // ignored
          }
        }
      }
    }
    std::vector<uint8_t> buf(file.size() + 2);
    std::memcpy(buf.data(), file.data(), 2);
    std::memcpy(buf.data() + 4, file.data() + 2, file.size() - 2);
    return buf;
  }
};

}  // namespace pft

#endif  // PELFORGE_TESTS_SUPPORT_COMPOSITION_HELPERS_HPP_
