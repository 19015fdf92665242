// SPDX-License-Identifier: BSD-2-Clause
#include "bmp_reader.hpp"

#include <cstring>

namespace pfcli {
namespace {

uint32_t le16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t le32(const uint8_t* p) { return le16(p) | le16(p + 2) << 16; }

constexpr uint64_t kFileHeader = 14, kInfoHeader = 40, kPalette = kFileHeader + kInfoHeader;

bool fail(std::string& error, std::string message) {
  error = std::move(message);
  return false;
}

}  // namespace

bool read_bmp(std::span<const uint8_t> file, BmpBuffer& out, std::string& error) {
  const uint64_t size = file.size();
  if (size < kPalette) {
    return fail(error,
                "not a bitmap: " + std::to_string(size) + " bytes, shorter than its headers");
  }
  const uint8_t* f = file.data();
  if (f[0] != 'B' || f[1] != 'M') return fail(error, "not a bitmap: no BM signature");
  const uint64_t declared = le32(f + 2);
  if (declared > size) {
    return fail(error, "truncated bitmap: the header says " + std::to_string(declared) +
                           " bytes, the file has " + std::to_string(size));
  }
  const uint32_t info_size = le32(f + 14);
  const int32_t width = int32_t(le32(f + 18)), height = int32_t(le32(f + 22));
  const uint32_t bits = le16(f + 28), compression = le32(f + 30);
  const uint64_t offset = le32(f + 10);
  if (info_size < kInfoHeader || kFileHeader + info_size > size) {
    return fail(error,
                "bitmap info header of " + std::to_string(info_size) + " bytes is not supported");
  }
  if (height < 0) return fail(error, "top-down bitmaps (negative height) are not supported");
  if (width < 1 || height < 1 || width > kBmpMaxSide || height > kBmpMaxSide) {
    return fail(error, "bitmap size " + std::to_string(width) + "x" + std::to_string(height) +
                           " is out of range (1 to " + std::to_string(kBmpMaxSide) + ")");
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    return fail(error, std::to_string(bits) + " bits per pixel are not supported");
  }
  if (compression != 0 && !(compression == 3 && bits == 16)) {
    return fail(error, "compression " + std::to_string(compression) + " at " +
                           std::to_string(bits) + " bits per pixel is not supported");
  }
  if (bits == 16 && compression == 0) {
    return fail(error, "16-bit bitmaps must be 5-6-5 with bit fields (5-5-5 is not supported)");
  }
  // The module finds the palette and the masks right after a 40-byte info header.
  const uint64_t entries = bits < 16 ? uint64_t{1} << bits : 0;
  if (entries != 0 && info_size != kInfoHeader) {
    return fail(error, "palette bitmaps need the 40-byte info header");
  }
  const uint32_t used = bits < 16 ? le32(f + 46) : 0;
  if (used > entries) return fail(error, "palette of " + std::to_string(used) + " colours");
  const uint64_t palette = used != 0 ? used : entries;
  // The module reads the entries the pixels name: the palette must be in the file, and (below)
  // every index must name one of its entries.
  if (kPalette + 4 * palette > size) return fail(error, "palette runs past the end of the file");
  if (bits == 16 && kPalette + 12 > size) return fail(error, "bit masks run past the end");
  if (bits == 16 && le32(f + 54) == 0x7C00 && le32(f + 58) == 0x3E0 && le32(f + 62) == 0x1F) {
    return fail(error, "5-5-5 bitmaps are not supported; use 5-6-5");
  }
  const uint64_t stride = ((uint64_t(bits) * uint64_t(width) + 31) & ~uint64_t{31}) / 8;
  // Rows the module converts: an even count from the bottom of the file up.
  const uint64_t rows = uint64_t(height) & ~uint64_t{1};
  if (offset < kPalette || offset > size || stride * rows > size - offset) {
    return fail(error, "pixel rows run past the end of the file (offset " + std::to_string(offset) +
                           ", " + std::to_string(rows) + " rows of " + std::to_string(stride) +
                           " bytes, file of " + std::to_string(size) + ")");
  }
  if (bits < 16 && palette < entries) {
    const uint64_t columns = uint64_t(width) & ~uint64_t{1};
    for (uint64_t r = 0; r < rows; ++r) {
      const uint8_t* row = f + offset + r * stride;
      for (uint64_t x = 0; x < columns; ++x) {
        const uint32_t index = bits == 8   ? row[x]
                               : bits == 4 ? (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xFu
                                           : (row[x / 8] >> (7 - x % 8)) & 1u;
        if (index >= palette) {
          return fail(error, "pixel names palette entry " + std::to_string(index) + " of " +
                                 std::to_string(palette));
        }
      }
    }
  }
  out.bytes.assign(size + 2, 0);
  std::memcpy(out.bytes.data(), f, 2);
  std::memcpy(out.bytes.data() + 4, f + 2, size - 2);
  out.width = width;
  out.height = height;
  out.bits = bits;
  return true;
}

}  // namespace pfcli
