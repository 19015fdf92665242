// SPDX-License-Identifier: BSD-2-Clause
// Pixel format table, picture sizes and the option value parsers.
#include "formats.hpp"

#include <charconv>
#include <cmath>
#include <cstring>
#include <numeric>

#include "cli_error.hpp"

namespace pf::cli {
namespace {

std::string quoted(std::string_view s) { return "'" + std::string(s) + "'"; }

[[noreturn]] void bad(std::string_view what, std::string_view text, std::string_view expected) {
  throw UsageError(std::string(what) + ": " + quoted(text) + " is not " + std::string(expected));
}

bool to_int(std::string_view s, int64_t& out) {
  if (s.empty()) return false;
  bool negative = false;
  if (s.front() == '-' || s.front() == '+') {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return false;
  uint64_t value = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
  if (ec != std::errc() || end != s.data() + s.size() || value > (uint64_t{1} << 62)) return false;
  out = negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
  return true;
}

}  // namespace

const std::vector<PixFmt>& pix_fmts() {
  static const std::vector<PixFmt> table = {
      {"yuv420p", Family::kYuv, PF_YUV_420, 0, RgbOrder::kNone, "planar 4:2:0, Y U V planes"},
      {"yv12", Family::kYuv, PF_YUV_420_VU, 0, RgbOrder::kNone, "planar 4:2:0, Y V U planes"},
      {"yuv422p", Family::kYuv, PF_YUV_422P, 0, RgbOrder::kNone, "planar 4:2:2, Y U V planes"},
      {"uyvy422", Family::kYuv, PF_YUV_UYVY, 0, RgbOrder::kNone, "packed 4:2:2, U Y0 V Y1"},
      {"yuyv422", Family::kYuv, PF_YUV_YUYV, 0, RgbOrder::kNone, "packed 4:2:2, Y0 U Y1 V"},
      {"nv12", Family::kYuv, PF_YUV_NV12, 0, RgbOrder::kNone,
       "semi-planar 4:2:0, Y then U V pairs"},
      {"nv21", Family::kYuv, PF_YUV_NV21, 0, RgbOrder::kNone,
       "semi-planar 4:2:0, Y then V U pairs"},
      {"rgb24", Family::kRgb, 0, 24, RgbOrder::kSwapRB, "24-bit R G B"},
      {"bgr24", Family::kRgb, 0, 24, RgbOrder::kLib, "24-bit B G R"},
      {"rgb565le", Family::kRgb, 0, 16, RgbOrder::kLib, "16-bit 5-6-5, little endian"},
      {"bgra", Family::kRgb, 0, 32, RgbOrder::kAlpha, "32-bit B G R A (written opaque)"},
      {"bgr0", Family::kRgb, 0, 32, RgbOrder::kLib, "32-bit B G R and a zero byte"},
  };
  return table;
}

const PixFmt* find_pix_fmt(std::string_view name) {
  struct Alias {
    const char* alias;
    const char* name;
  };
  static constexpr Alias kAliases[] = {
      {"i420", "yuv420p"}, {"yuv420", "yuv420p"}, {"yvu420p", "yv12"}, {"yuv422", "yuv422p"},
      {"uyvy", "uyvy422"}, {"yuyv", "yuyv422"},   {"yuy2", "yuyv422"}, {"rgb565", "rgb565le"}};
  for (const Alias& a : kAliases) {
    if (name == a.alias) name = a.name;
  }
  for (const PixFmt& f : pix_fmts()) {
    if (name == f.name) return &f;
  }
  return nullptr;
}

const PixFmt* pix_fmt_of_yuv_type(uint32_t yuv_type) {
  for (const PixFmt& f : pix_fmts()) {
    if (f.family == Family::kYuv && f.yuv_type == yuv_type) return &f;
  }
  return nullptr;
}

const PixFmt& yuv420p() { return *find_pix_fmt("yuv420p"); }
const PixFmt& rgb24() { return *find_pix_fmt("rgb24"); }

size_t frame_bytes(const PixFmt& fmt, int width, int height) {
  const size_t w = static_cast<size_t>(width), h = static_cast<size_t>(height);
  const size_t cw = (w + 1) / 2, ch = (h + 1) / 2;
  if (fmt.family == Family::kRgb) return w * h * static_cast<size_t>(fmt.rgb_bits / 8);
  switch (fmt.yuv_type) {
    case PF_YUV_420:
    case PF_YUV_420_VU:
    case PF_YUV_NV12:
    case PF_YUV_NV21:
      return w * h + 2 * cw * ch;
    case PF_YUV_422P:
      return w * h + 2 * cw * h;
    default:  // packed 4:2:2
      return 2 * cw * 2 * h;
  }
}

void fill_black(const PixFmt& fmt, int width, int height, uint8_t* data) {
  const size_t total = frame_bytes(fmt, width, height);
  const size_t luma = static_cast<size_t>(width) * static_cast<size_t>(height);
  if (fmt.family == Family::kRgb) {
    std::memset(data, 0, total);
    return;
  }
  switch (fmt.yuv_type) {
    case PF_YUV_UYVY:
    case PF_YUV_YUYV: {
      const bool luma_first = fmt.yuv_type == PF_YUV_YUYV;
      for (size_t i = 0; i < total; ++i) data[i] = ((i % 2 == 0) == luma_first) ? 16 : 128;
      return;
    }
    default:
      std::memset(data, 16, luma);
      std::memset(data + luma, 128, total - luma);
  }
}

tImgPicture picture_record(const PixFmt& fmt, int width, int, uint8_t* data) {
  tImgPicture pic{};
  pic.pu8Y = data;
  pic.u32YPitch = static_cast<uint32_t>(width);  // pixels for packed types, bytes otherwise
  pic.u32UVPitch = static_cast<uint32_t>(
      fmt.yuv_type == PF_YUV_NV12 || fmt.yuv_type == PF_YUV_NV21 ? width : width / 2);
  return pic;
}

Size parse_size(std::string_view text, std::string_view what) {
  struct Named {
    const char* name;
    Size size;
  };
  static constexpr Named kNamed[] = {
      {"qcif", {176, 144}}, {"cif", {352, 288}}, {"4cif", {704, 576}},   {"pal", {720, 576}},
      {"ntsc", {720, 480}}, {"vga", {640, 480}}, {"hd720", {1280, 720}}, {"hd1080", {1920, 1080}}};
  for (const Named& n : kNamed) {
    if (text == n.name) return n.size;
  }
  const size_t x = text.find_first_of("xX");
  int64_t w = 0, h = 0;
  if (x == std::string_view::npos || !to_int(text.substr(0, x), w) ||
      !to_int(text.substr(x + 1), h)) {
    bad(what, text, "a size like 720x576");
  }
  if (w < 1 || h < 1 || w > kMaxSide || h > kMaxSide || w * h > kMaxPixels) {
    throw UsageError(std::string(what) + ": " + quoted(text) + " is outside 1x1 to " +
                     std::to_string(kMaxSide) + "x" + std::to_string(kMaxSide) +
                     " (and at most 2^28 pixels)");
  }
  return {static_cast<int>(w), static_cast<int>(h)};
}

std::vector<int> parse_int_list(std::string_view text, size_t count, std::string_view what) {
  std::vector<int> out;
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    const std::string_view item = text.substr(
        start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    int64_t v = 0;
    if (!to_int(item, v) || v < -(int64_t{1} << 30) || v > (int64_t{1} << 30)) {
      bad(what, text, std::to_string(count) + " comma-separated integers");
    }
    out.push_back(static_cast<int>(v));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (out.size() != count) bad(what, text, std::to_string(count) + " comma-separated integers");
  return out;
}

int64_t parse_integer(std::string_view text, std::string_view what) {
  int64_t v = 0;
  if (!to_int(text, v) || v < 0) bad(what, text, "a non-negative integer");
  return v;
}

Rational parse_rate(std::string_view text, std::string_view what) {
  const size_t sep = text.find_first_of("/:");
  int64_t num = 0, den = 1;
  if (sep != std::string_view::npos) {
    if (!to_int(text.substr(0, sep), num) || !to_int(text.substr(sep + 1), den)) {
      bad(what, text, "a rate like 25 or 30000/1001");
    }
  } else if (!to_int(text, num)) {
    // A decimal rate such as 29.97: keep three decimals, which covers the broadcast rates.
    const std::string s(text);
    char* end = nullptr;
    const double d = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size() || !(d > 0) || d > 1e6) bad(what, text, "a rate like 25");
    num = std::llround(d * 1000);
    den = 1000;
  }
  if (num < 1 || den < 1 || num > 1000000000 || den > 1000000000) {
    bad(what, text, "a positive rate");
  }
  const int64_t g = std::gcd(num, den);
  return {static_cast<int>(num / g), static_cast<int>(den / g)};
}

uint32_t parse_layout(std::string_view text, std::string_view what) {
  if (text == "frame" || text == "progressive" || text == "1") return PF_IMAGE_FRAME;
  if (text == "field" || text == "fields" || text == "2") return PF_IMAGE_FIELD;
  if (text == "interlaced" || text == "3") return PF_IMAGE_INTERLACED;
  bad(what, text, "one of frame, field, interlaced");
}

const char* layout_name(uint32_t layout) {
  switch (layout) {
    case PF_IMAGE_FRAME:
      return "frame";
    case PF_IMAGE_FIELD:
      return "field";
    case PF_IMAGE_INTERLACED:
      return "interlaced";
    default:
      return "?";
  }
}

}  // namespace pf::cli
