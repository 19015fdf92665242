// SPDX-License-Identifier: BSD-2-Clause
// PNG encoding and decoding through libpng's simplified interface, which reports errors through
// its control record instead of longjmp, so no C++ object ever sits between a setjmp and a jump.
#include "png_io.hpp"

#include "cli_error.hpp"

#if defined(PF_CLI_HAVE_PNG)
#include <png.h>
#endif

namespace pf::cli {

#if defined(PF_CLI_HAVE_PNG)

bool png_available() { return true; }

namespace {

// Reads any PNG as 8-bit samples of `format`; `background` composites transparency (null keeps
// the alpha channel of formats that have one).
std::vector<uint8_t> read_png(const std::vector<uint8_t>& bytes, const std::string& name,
                              uint32_t format, const png_color* background, int& width,
                              int& height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
    const std::string why = image.message;
    png_image_free(&image);
    throw CliError(name + ": not a readable PNG picture (" + why + ")");
  }
  if (image.width > 49152 || image.height > 49152 ||
      static_cast<uint64_t>(image.width) * image.height > (uint64_t{1} << 28)) {
    png_image_free(&image);
    throw CliError(name + ": the PNG picture is larger than pelforge handles");
  }
  image.format = format;
  width = static_cast<int>(image.width);
  height = static_cast<int>(image.height);
  std::vector<uint8_t> out(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, background, out.data(), 0, nullptr)) {
    const std::string why = image.message;
    png_image_free(&image);
    throw CliError(name + ": corrupt PNG picture (" + why + ")");
  }
  return out;
}

std::vector<uint8_t> write_png(const uint8_t* samples, int width, int height, uint32_t format) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = format;
  png_alloc_size_t size = 0;
  if (!png_image_write_get_memory_size(image, size, 0, samples, 0, nullptr)) {
    throw CliError(std::string("PNG encoding failed: ") + image.message);
  }
  std::vector<uint8_t> out(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, samples, 0, nullptr)) {
    throw CliError(std::string("PNG encoding failed: ") + image.message);
  }
  out.resize(size);
  return out;
}

}  // namespace

RgbImage decode_png(const std::vector<uint8_t>& bytes, const std::string& name) {
  const png_color black{0, 0, 0};
  RgbImage out;
  out.rgb = read_png(bytes, name, PNG_FORMAT_RGB, &black, out.width, out.height);
  return out;
}

RgbaImage decode_png_rgba(const std::vector<uint8_t>& bytes, const std::string& name) {
  RgbaImage out;
  out.rgba = read_png(bytes, name, PNG_FORMAT_RGBA, nullptr, out.width, out.height);
  return out;
}

std::vector<uint8_t> encode_png(const uint8_t* rgb, int width, int height) {
  return write_png(rgb, width, height, PNG_FORMAT_RGB);
}

std::vector<uint8_t> encode_png_rgba(const uint8_t* rgba, int width, int height) {
  return write_png(rgba, width, height, PNG_FORMAT_RGBA);
}

#else

bool png_available() { return false; }

RgbImage decode_png(const std::vector<uint8_t>&, const std::string& name) {
  throw CliError(name + ": this pelforge was built without PNG support (libpng was not found)");
}

std::vector<uint8_t> encode_png(const uint8_t*, int, int) {
  throw CliError("this pelforge was built without PNG support (libpng was not found)");
}

RgbaImage decode_png_rgba(const std::vector<uint8_t>&, const std::string& name) {
  throw CliError(name + ": this pelforge was built without PNG support (libpng was not found)");
}

std::vector<uint8_t> encode_png_rgba(const uint8_t*, int, int) {
  throw CliError("this pelforge was built without PNG support (libpng was not found)");
}

#endif

}  // namespace pf::cli
