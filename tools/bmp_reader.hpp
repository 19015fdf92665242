// SPDX-License-Identifier: BSD-2-Clause
// Bitmap files for the bitmap module: checks that everything the module will read lies inside
// the file, and lays the file out the way the module reads it.
#ifndef PELFORGE_TOOLS_BMP_READER_HPP_
#define PELFORGE_TOOLS_BMP_READER_HPP_

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pfcli {

struct BmpBuffer {
  std::vector<uint8_t> bytes;  // the file with 2 bytes after the signature, as the module reads it
  int32_t width = 0, height = 0;
  uint32_t bits = 0;
};

// Largest side accepted, so that a forged header cannot make us allocate without bound.
inline constexpr int32_t kBmpMaxSide = 16384;

// Fills `out` from the bytes of a .bmp file, or returns false with a message naming what is
// wrong: a header, palette, mask or pixel row that lies past the end of the file (a file that
// lies about its size), a format the module cannot convert, or a palette index with no entry.
bool read_bmp(std::span<const uint8_t> file, BmpBuffer& out, std::string& error);

}  // namespace pfcli

#endif  // PELFORGE_TOOLS_BMP_READER_HPP_
