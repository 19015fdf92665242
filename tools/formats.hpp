// SPDX-License-Identifier: BSD-2-Clause
// Pixel formats the command line knows, picture sizes in bytes, and the small value parsers
// (sizes, lists, rates, layouts) its options share.
#ifndef PELFORGE_TOOLS_FORMATS_HPP_
#define PELFORGE_TOOLS_FORMATS_HPP_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pelforge.h"

namespace pf::cli {

enum class Family { kYuv, kRgb };

// How the library's RGB modules store a pixel: 16 = 5-6-5 little endian, 24 = blue, green, red,
// 32 = blue, green, red and a fourth byte.
enum class RgbOrder {
  kNone,    // YUV
  kLib,     // exactly what the library reads and writes at this depth
  kSwapRB,  // red first (rgb24): the command line swaps red and blue on the way
  kAlpha,   // 32 bits with a real alpha byte (bgra): written opaque, ignored when read
};

struct PixFmt {
  const char* name;
  Family family;
  uint32_t yuv_type;  // library YUV type code (YUV formats)
  int rgb_bits;       // 16, 24 or 32 (RGB formats)
  RgbOrder order;
  const char* what;  // one line for --help
};

// All formats, in the order --help lists them.
const std::vector<PixFmt>& pix_fmts();
// Null when the name (or an alias such as "yuy2") is unknown.
const PixFmt* find_pix_fmt(std::string_view name);
// The YUV format of a library type code; null for codes the command line does not carry.
const PixFmt* pix_fmt_of_yuv_type(uint32_t yuv_type);
const PixFmt& yuv420p();
const PixFmt& rgb24();

// Bytes of one w x h picture stored contiguously (planes back to back, no line padding). Odd
// sizes round chroma up, as raw video files do; the library refuses them later anyway.
size_t frame_bytes(const PixFmt& fmt, int width, int height);

// Paints a whole picture black (Y 16, U and V 128; RGB 0). Areas the library never writes, such
// as the resizer's offset margins, keep this value.
void fill_black(const PixFmt& fmt, int width, int height, uint8_t* data);

// The picture record for a contiguous picture. Chroma pointers are left null so that the library
// derives them from the luma plane, as for any one-buffer picture.
tImgPicture picture_record(const PixFmt& fmt, int width, int height, uint8_t* data);

struct Rational {
  int num = 0;
  int den = 0;
  bool known() const { return num > 0 && den > 0; }
  bool operator==(const Rational&) const = default;
};

// Everything that describes a stream of pictures apart from the pixels.
struct VideoFormat {
  int width = 0;
  int height = 0;
  const PixFmt* fmt = nullptr;
  uint32_t layout = PF_IMAGE_FRAME;  // PF_IMAGE_FRAME, _FIELD or _INTERLACED
  Rational fps{25, 1};
  Rational sar{0, 0};      // pixel aspect ratio; 0:0 = unknown
  char field_order = 't';  // 't' or 'b' for interlaced storage
  std::string y4m_chroma;  // chroma tag the stream came with, kept when the output can carry it
  std::vector<std::string> y4m_extras;  // X parameters passed through to y4m output

  size_t frame_size() const { return frame_bytes(*fmt, width, height); }
};

struct Size {
  int width = 0;
  int height = 0;
  bool operator==(const Size&) const = default;
};

// Largest picture the command line allocates: the resizer accepts nothing wider than 49152 or
// taller than 32767, and 2^28 pixels keeps one frame well below the machine's memory.
inline constexpr int kMaxSide = 49152;
inline constexpr int64_t kMaxPixels = int64_t{1} << 28;

// "720x576" (also "720X576" and a few ffmpeg names: qcif, cif, 4cif, pal, ntsc, vga, hd720,
// hd1080). Throws UsageError naming `what` when malformed or out of range.
Size parse_size(std::string_view text, std::string_view what);
// Exactly `count` comma-separated integers ("8,8,16,16"); negative values are passed through so
// that the library, not the parser, names what is wrong with them.
std::vector<int> parse_int_list(std::string_view text, size_t count, std::string_view what);
// A non-negative decimal or 0x-prefixed integer.
int64_t parse_integer(std::string_view text, std::string_view what);
// "25", "30000/1001", "25:1" or "29.97".
Rational parse_rate(std::string_view text, std::string_view what);
// "frame" / "progressive" / "1", "field" / "2", "interlaced" / "3".
uint32_t parse_layout(std::string_view text, std::string_view what);
const char* layout_name(uint32_t layout);

}  // namespace pf::cli

#endif  // PELFORGE_TOOLS_FORMATS_HPP_
