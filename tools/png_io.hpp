// SPDX-License-Identifier: BSD-2-Clause
// PNG pictures in and out of memory, as 8-bit R G B samples.
#ifndef PELFORGE_TOOLS_PNG_IO_HPP_
#define PELFORGE_TOOLS_PNG_IO_HPP_

#include <cstdint>
#include <string>
#include <vector>

namespace pf::cli {

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // width * height * 3 bytes, rows top-down, R G B
};

// False when this build has no libpng; PNG input, output and previews then fail with a message.
bool png_available();

inline constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Decodes any PNG (palette, grey, 16-bit, with alpha) to 8-bit RGB; transparency is composited on
// black, the colour of an empty video picture. Throws CliError naming `name` on a bad file.
RgbImage decode_png(const std::vector<uint8_t>& bytes, const std::string& name);
// Encodes 8-bit RGB rows (top-down, no padding) as a PNG file image.
std::vector<uint8_t> encode_png(const uint8_t* rgb, int width, int height);

// The same with an alpha channel (opacity, 255 opaque): R G B A samples per pixel.
struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;  // width * height * 4 bytes, rows top-down
};
RgbaImage decode_png_rgba(const std::vector<uint8_t>& bytes, const std::string& name);
std::vector<uint8_t> encode_png_rgba(const uint8_t* rgba, int width, int height);

}  // namespace pf::cli

#endif  // PELFORGE_TOOLS_PNG_IO_HPP_
