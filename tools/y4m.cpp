// SPDX-License-Identifier: BSD-2-Clause
// YUV4MPEG2 header parsing and formatting.
#include "y4m.hpp"

#include <cctype>
#include <charconv>
#include <vector>

#include "cli_error.hpp"

namespace pf::cli {
namespace {

constexpr std::string_view kLayoutParam = "XPFLAYOUT=";

std::vector<std::string_view> split_spaces(std::string_view line) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    const size_t start = i;
    while (i < line.size() && line[i] != ' ') ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

bool parse_positive(std::string_view s, int& out) {
  int v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || v < 0) return false;
  out = v;
  return true;
}

bool parse_ratio(std::string_view s, Rational& out) {
  const size_t colon = s.find(':');
  if (colon == std::string_view::npos) return false;
  return parse_positive(s.substr(0, colon), out.num) &&
         parse_positive(s.substr(colon + 1), out.den);
}

[[noreturn]] void corrupt(std::string_view token, const std::string& why) {
  throw CliError("y4m header: parameter '" + std::string(token) + "' " + why);
}

const PixFmt* chroma_format(std::string_view tag) {
  // The 4:2:0 variants differ only in where chroma samples sit; the library treats them alike.
  if (tag == "420jpeg" || tag == "420mpeg2" || tag == "420paldv" || tag == "420") {
    return &yuv420p();
  }
  if (tag == "422") return find_pix_fmt("yuv422p");
  return nullptr;
}

}  // namespace

bool y4m_can_carry(const PixFmt& fmt) {
  return fmt.family == Family::kYuv && (fmt.yuv_type == PF_YUV_420 || fmt.yuv_type == PF_YUV_422P);
}

VideoFormat parse_y4m_header(std::string_view line) {
  if (line.substr(0, kY4mMagic.size()) != kY4mMagic ||
      (line.size() > kY4mMagic.size() && line[kY4mMagic.size()] != ' ')) {
    throw CliError("not a y4m stream: it does not start with YUV4MPEG2");
  }
  VideoFormat f;
  f.fmt = &yuv420p();
  f.y4m_chroma = "420jpeg";
  bool have_w = false, have_h = false;
  for (std::string_view tok : split_spaces(line.substr(kY4mMagic.size()))) {
    const std::string_view value = tok.substr(1);
    switch (tok[0]) {
      case 'W':
        if (!parse_positive(value, f.width) || f.width < 1) corrupt(tok, "is not a width");
        have_w = true;
        break;
      case 'H':
        if (!parse_positive(value, f.height) || f.height < 1) corrupt(tok, "is not a height");
        have_h = true;
        break;
      case 'F': {
        Rational r;
        if (!parse_ratio(value, r)) corrupt(tok, "is not a frame rate like F25:1");
        // 0:0 means unknown; keep the default rate then.
        if (r.known()) f.fps = r;
        break;
      }
      case 'A':
        if (!parse_ratio(value, f.sar)) corrupt(tok, "is not an aspect ratio like A16:15");
        break;
      case 'I':
        if (value.size() != 1) corrupt(tok, "is not an interlace flag");
        switch (value[0]) {
          case 't':
          case 'b':
            f.layout = PF_IMAGE_INTERLACED;
            f.field_order = value[0];
            break;
          case 'p':
          case 'm':  // mixed: frames are stored whole, the per-frame flags only advise
          case '?':
            f.layout = PF_IMAGE_FRAME;
            break;
          default:
            corrupt(tok, "is not one of Ip, It, Ib, Im, I?");
        }
        break;
      case 'C': {
        const PixFmt* fmt = chroma_format(value);
        if (fmt == nullptr) {
          throw CliError("y4m header: chroma format '" + std::string(value) +
                         "' is not supported (only 420jpeg, 420mpeg2, 420paldv, 420 and 422)");
        }
        f.fmt = fmt;
        f.y4m_chroma = std::string(value);
        break;
      }
      case 'X':
        if (tok.substr(0, kLayoutParam.size()) == kLayoutParam) {
          if (tok.substr(kLayoutParam.size()) == "field") f.layout = PF_IMAGE_FIELD;
        } else if (tok.substr(0, 7) != "XYSCSS=") {
          // Chroma siting is rewritten from the C parameter; everything else passes through.
          f.y4m_extras.emplace_back(tok);
        }
        break;
      default:
        // Unknown parameters are reserved for later versions of the format: ignore them.
        break;
    }
  }
  if (!have_w || !have_h) throw CliError("y4m header: the W and H parameters are required");
  if (static_cast<int64_t>(f.width) * f.height > kMaxPixels || f.width > kMaxSide ||
      f.height > kMaxSide) {
    throw CliError("y4m header: " + std::to_string(f.width) + "x" + std::to_string(f.height) +
                   " is larger than pelforge handles");
  }
  return f;
}

void check_y4m_frame_header(std::string_view line, uint64_t frame_index) {
  if (line.substr(0, kY4mFrameMagic.size()) != kY4mFrameMagic ||
      (line.size() > kY4mFrameMagic.size() && line[kY4mFrameMagic.size()] != ' ')) {
    throw CliError("corrupt y4m stream: frame " + std::to_string(frame_index + 1) +
                   " does not start with FRAME");
  }
  // Frame parameters (per-frame interlacing and the like) only advise; the stream header's
  // storage applies to every frame.
}

std::string format_y4m_header(const VideoFormat& f) {
  if (!y4m_can_carry(*f.fmt)) {
    throw UsageError(std::string("y4m streams carry only yuv420p and yuv422p, not ") + f.fmt->name +
                     "; write a raw .yuv file instead");
  }
  std::string h(kY4mMagic);
  h += " W" + std::to_string(f.width) + " H" + std::to_string(f.height);
  const Rational fps = f.fps.known() ? f.fps : Rational{25, 1};
  h += " F" + std::to_string(fps.num) + ":" + std::to_string(fps.den);
  switch (f.layout) {
    case PF_IMAGE_INTERLACED:
      h += f.field_order == 'b' ? " Ib" : " It";
      break;
    default:
      h += " Ip";
  }
  h += " A" + std::to_string(f.sar.num) + ":" + std::to_string(f.sar.den);
  if (f.fmt->yuv_type == PF_YUV_422P) {
    h += " C422 XYSCSS=422";
  } else {
    std::string chroma = f.y4m_chroma;
    if (chroma != "420mpeg2" && chroma != "420paldv" && chroma != "420") chroma = "420jpeg";
    std::string siting = chroma == "420" ? "420JPEG" : chroma;
    for (char& c : siting) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    h += " C" + chroma + " XYSCSS=" + siting;
  }
  if (f.layout == PF_IMAGE_FIELD) h += " XPFLAYOUT=field";
  for (const std::string& x : f.y4m_extras) h += " " + x;
  h += "\n";
  return h;
}

}  // namespace pf::cli
