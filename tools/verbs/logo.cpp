// SPDX-License-Identifier: BSD-2-Clause
// logo, bmp2yuv and ticker: logos from bitmaps (through the bitmap module) and PNG pictures laid
// over every picture of a clip by the logo module, bitmaps written out as YUV and alpha planes,
// and logos scrolling through a window over a bar with the banner-logo module. The demo's logo
// jobs live here too.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "args.hpp"
#include "bmp_reader.hpp"
#include "cli_error.hpp"
#include "demo.hpp"
#include "img_bannerlogo.h"
#include "img_bmptoyuv_alpha.h"
#include "img_logo.h"
#include "modules.hpp"
#include "pipeline.hpp"
#include "png_io.hpp"
#include "stream_io.hpp"
#include "verbs.hpp"
#include "verbs/stream_verb.hpp"

namespace pf::cli {
namespace {

constexpr uint32_t kBitmapId = 7;
constexpr uint32_t kLogoId = 8;
constexpr uint32_t kBannerLogoId = 10;

bool packed(uint32_t yuv_type) { return yuv_type == PF_YUV_UYVY || yuv_type == PF_YUV_YUYV; }

// A logo in the logo module's layout for one YUV type: the pixels and the transparency planes
// (255 keeps the background), rows packed.
struct LogoPicture {
  int width = 0;
  int height = 0;
  uint32_t yuv_type = PF_YUV_420;
  std::vector<uint8_t> data;
  std::vector<uint8_t> alpha;
};

size_t logo_bytes(uint32_t yuv_type, int w, int h) {
  const size_t luma = size_t(w) * size_t(h);
  return yuv_type == PF_YUV_420 || yuv_type == PF_YUV_NV12 ? luma * 3 / 2 : 2 * luma;
}
size_t alpha_bytes(uint32_t yuv_type, int w, int h) {
  const size_t luma = size_t(w) * size_t(h);
  return yuv_type == PF_YUV_420 || yuv_type == PF_YUV_NV12 ? luma * 5 / 4 : 2 * luma;
}

// The overlay modules' colour rule (full-range BT.601), so that a PNG logo and the same picture
// as a bitmap give the same bytes.
struct Yuv {
  int y, u, v;
};
Yuv rgb_to_yuv(int r, int g, int b) {
  return {(76 * r + 150 * g + 29 * b + 128) >> 8,
          std::min(((-43 * r - 84 * g + 128 * b + 128) >> 8) + 128, 255),
          std::min(((128 * r - 107 * g - 20 * b + 128) >> 8) + 128, 255)};
}

// A PNG picture with alpha in the logo module's layout. Sides are rounded down to even; chroma
// and its transparency are the means over each 2x2 block (4:2:0) or pixel pair (4:2:2).
LogoPicture logo_from_rgba(const RgbaImage& img, uint32_t yuv_type, const std::string& name) {
  LogoPicture out;
  out.width = img.width & ~1;
  out.height = img.height & ~1;
  out.yuv_type = yuv_type;
  if (out.width < 2 || out.height < 2) throw CliError(name + ": a logo needs 2x2 pixels or more");
  const int w = out.width, h = out.height;
  out.data.assign(logo_bytes(yuv_type, w, h), 0);
  out.alpha.assign(alpha_bytes(yuv_type, w, h), 255);
  std::vector<Yuv> yuv(size_t(w) * size_t(h));
  std::vector<int> clear(size_t(w) * size_t(h));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = &img.rgba[(size_t(y) * size_t(img.width) + size_t(x)) * 4];
      yuv[size_t(y) * size_t(w) + size_t(x)] = rgb_to_yuv(p[0], p[1], p[2]);
      clear[size_t(y) * size_t(w) + size_t(x)] = 255 - p[3];
    }
  }
  auto at = [&](int x, int y) { return size_t(y) * size_t(w) + size_t(x); };
  if (packed(yuv_type)) {
    const bool uyvy = yuv_type == PF_YUV_UYVY;
    for (int y = 0; y < h; ++y) {
      uint8_t* d = &out.data[size_t(y) * 2 * size_t(w)];
      uint8_t* a = &out.alpha[size_t(y) * 2 * size_t(w)];
      for (int x = 0; x < w; x += 2) {
        const Yuv& p0 = yuv[at(x, y)];
        const Yuv& p1 = yuv[at(x + 1, y)];
        const int t0 = clear[at(x, y)], t1 = clear[at(x + 1, y)];
        const auto u = uint8_t((p0.u + p1.u + 1) >> 1), v = uint8_t((p0.v + p1.v + 1) >> 1);
        const auto tc = uint8_t((t0 + t1) >> 1);
        const uint8_t bytes[4] = {uyvy ? u : uint8_t(p0.y), uyvy ? uint8_t(p0.y) : u,
                                  uyvy ? v : uint8_t(p1.y), uyvy ? uint8_t(p1.y) : v};
        const uint8_t alphas[4] = {uyvy ? tc : uint8_t(t0), uyvy ? uint8_t(t0) : tc,
                                   uyvy ? tc : uint8_t(t1), uyvy ? uint8_t(t1) : tc};
        std::memcpy(d + 2 * x, bytes, 4);
        std::memcpy(a + 2 * x, alphas, 4);
      }
    }
    return out;
  }
  const size_t luma = size_t(w) * size_t(h);
  for (size_t i = 0; i < luma; ++i) {
    out.data[i] = uint8_t(yuv[i].y);
    out.alpha[i] = uint8_t(clear[i]);
  }
  const bool nv12 = yuv_type == PF_YUV_NV12;
  for (int y = 0; y < h; y += 2) {
    for (int x = 0; x < w; x += 2) {
      const size_t k[4] = {at(x, y), at(x + 1, y), at(x, y + 1), at(x + 1, y + 1)};
      int u = 2, v = 2, t = 0;
      for (size_t i : k) u += yuv[i].u, v += yuv[i].v, t += clear[i];
      const size_t c = size_t(y / 2) * size_t(w / 2) + size_t(x / 2);
      if (nv12) {
        out.data[luma + size_t(y / 2) * size_t(w) + size_t(x)] = uint8_t(u >> 2);
        out.data[luma + size_t(y / 2) * size_t(w) + size_t(x) + 1] = uint8_t(v >> 2);
      } else {
        out.data[luma + c] = uint8_t(u >> 2);
        out.data[luma + luma / 4 + c] = uint8_t(v >> 2);
      }
      out.alpha[luma + c] = uint8_t(t >> 2);
    }
  }
  return out;
}

struct KeyColour {
  uint8_t r = 255, g = 0, b = 255;  // magenta, the usual "nothing here" colour of logo bitmaps
  uint8_t opacity = 0;
};

// A bitmap through the bitmap module, after the reader has made sure that everything the module
// reads lies inside the file.
LogoPicture logo_from_bmp(const std::vector<uint8_t>& file, uint32_t yuv_type, const KeyColour& key,
                          void* mem, const std::string& name) {
  pfcli::BmpBuffer bmp;
  std::string error;
  if (!pfcli::read_bmp(file, bmp, error)) throw CliError(name + ": " + error);
  if (bmp.bits == 1 && bmp.width % 8 != 0) {
    throw CliError(name + ": 1-bit bitmaps need a width that is a multiple of 8");
  }
  LogoPicture out;
  out.width = bmp.width & ~1;
  out.height = bmp.height & ~1;
  out.yuv_type = yuv_type;
  if (out.width < 2 || out.height < 2) throw CliError(name + ": a logo needs 2x2 pixels or more");
  // Planar 4:2:2 keeps its chroma alpha twice; the other layouts need less.
  out.data.assign(2 * size_t(out.width) * size_t(out.height), 0);
  out.alpha.assign(2 * size_t(out.width) * size_t(out.height), 255);
  const tBmpToYuvAlphaParam p{yuv_type, key.r, key.g, key.b, key.opacity};
  Instance converter(kBitmapId, &p, mem);
  tBmpToYuvAlphaData data{bmp.bytes.data(), out.data.data(), nullptr, out.alpha.data()};
  tBmpToYuvAlphaInfo info{};
  converter.process(&data, &info);
  if (yuv_type != PF_YUV_422P) {
    out.data.resize(logo_bytes(yuv_type, out.width, out.height));
    out.alpha.resize(alpha_bytes(yuv_type, out.width, out.height));
  }
  return out;
}

std::vector<uint8_t> read_file(const std::string& path) {
  return InputFile::open(path)->read_all();
}

LogoPicture load_logo(const std::string& path, uint32_t yuv_type, const KeyColour& key, void* mem) {
  const std::vector<uint8_t> bytes = read_file(path);
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
    return logo_from_bmp(bytes, yuv_type, key, mem, path);
  }
  if (bytes.size() >= 8 &&
      std::equal(std::begin(kPngSignature), std::end(kPngSignature), bytes.begin())) {
    return logo_from_rgba(decode_png_rgba(bytes, path), yuv_type, path);
  }
  throw CliError(path + ": a logo is a .bmp bitmap or a .png picture with alpha");
}

// The logo file of a command line: the last -i that names a .png or .bmp file (the clip is the
// other input). It is taken out, so the stream options see one input.
std::string take_logo_file(std::vector<std::string>& args) {
  std::optional<size_t> found;
  for (size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] != "-i" && args[i] != "--input") continue;
    if (ends_with(args[i + 1], ".png") || ends_with(args[i + 1], ".bmp")) found = i;
    ++i;
  }
  if (!found) return "";
  std::string path = args[*found + 1];
  args.erase(args.begin() + std::ptrdiff_t(*found), args.begin() + std::ptrdiff_t(*found + 2));
  return path;
}

KeyColour parse_key(OptionValue& o, KeyColour key) {
  const std::vector<int> rgb = o.list(3);
  for (int v : rgb) {
    if (v < 0 || v > 255) throw UsageError("--key: R, G and B go from 0 to 255");
  }
  key.r = uint8_t(rgb[0]), key.g = uint8_t(rgb[1]), key.b = uint8_t(rgb[2]);
  return key;
}

// The planes of a contiguous picture, as the logo module's Process takes them.
void picture_planes(const VideoFormat& f, uint8_t* picture, uint8_t* planes[3]) {
  const size_t luma = size_t(f.width) * size_t(f.height);
  planes[0] = picture;
  planes[1] = packed(f.fmt->yuv_type) ? nullptr : picture + luma;
  planes[2] = f.fmt->yuv_type == PF_YUV_420 ? picture + luma + luma / 4 : nullptr;
}

// "12,12,8/10,10": character widths per text line, lines separated by '/'; each line ends in 0
// for the module.
std::vector<uint8_t> parse_char_widths(const std::string& text, int& count) {
  std::vector<uint8_t> widths;
  count = 0;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find('/', start), text.size());
    const std::string line = text.substr(start, end - start);
    const size_t n = size_t(std::count(line.begin(), line.end(), ',')) + 1;
    for (int w : parse_int_list(line, n, "--char-widths")) {
      if (w < 1 || w > 255) throw UsageError("--char-widths: widths go from 1 to 255");
      widths.push_back(uint8_t(w));
      ++count;
    }
    widths.push_back(0);
    start = end + 1;
  }
  return widths;
}

// ---------------------------------------------------------------- logo

struct LogoOptions {
  std::string file;
  int left = 0, top = 0;
  std::optional<Size> ref;
  bool paste = false;
  bool adaptive = false;
  int line_height = 0;
  std::string char_widths;
  KeyColour key;
  bool field = false;
};

int run_logo(const VerbArgs& given, const Console& console) {
  VerbArgs args = given;
  LogoOptions o;
  o.file = take_logo_file(args);
  o.field = std::find(args.begin(), args.end(), "--field") != args.end();
  StreamVerb verb;
  verb.name = "logo";
  verb.description =
      "Lays a logo over every picture with the library's logo module. A .bmp logo goes\n"
      "through the bitmap module (one key colour made transparent); a .png logo brings its own\n"
      "alpha. The logo may be made for another picture size (--ref): on half, quarter and\n"
      "sixteenth size pictures its samples are picked, on other sizes it is scaled. Text logos\n"
      "can take an adaptive colour per character: light over dark, dark over bright.\n";
  verb.options_help =
      "  -i LOGO, --logo LOGO  the logo: .bmp (1, 4, 8, 16, 24, 32 bits) or .png with alpha\n"
      "  --at X,Y              where its top-left corner goes (default 0,0; even values); it is\n"
      "                        cut at the right and bottom edges\n"
      "  --ref WxH             the picture size the logo was made for (default: the clip's)\n"
      "  --paste               paste the logo's pixels, ignoring its alpha\n"
      "  --key R,G,B           bitmaps: the colour that is transparent (default 255,0,255)\n"
      "  --key-opacity N       bitmaps: opacity of key pixels, 0..255 (default 0); 255 shows\n"
      "                        only the key pixels\n"
      "  --adaptive-text       each character light (240) over dark backgrounds, dark (16)\n"
      "                        over bright ones, with hysteresis from picture to picture\n"
      "  --line-height N       text logos: rows per text line (default: the logo's height)\n"
      "  --char-widths LIST    text logos: widths of the characters, line by line: 12,12,8/10,10\n"
      "                        (default: one character per line, as wide as the logo)\n"
      "  --field               treat the pictures as field-separated (each field on its own)\n";
  verb.examples =
      "  pelforge logo in.y4m -i logo.png --at 560,32 -o out.y4m\n"
      "  pelforge logo in.y4m -i station.bmp --key 255,0,255 --at 32,32 -o out.y4m\n"
      "  pelforge logo -s 352x288 cif.yuv -i logo.png --ref 704x576 --at 280,16 -o out.yuv\n"
      "  pelforge logo in.y4m -i caption.png --adaptive-text --char-widths 16,16,16,16 "
      "-o out.y4m\n";
  verb.formats = {"yuv420p", "nv12", "uyvy422", "yuyv422"};
  verb.layouts = o.field ? std::vector<uint32_t>{PF_IMAGE_FIELD}
                         : std::vector<uint32_t>{PF_IMAGE_FRAME, PF_IMAGE_INTERLACED};
  verb.options = [&](OptionValue& v) {
    const std::string& name = v.name();
    if (name == "--logo") {
      o.file = v.text();
    } else if (name == "--at") {
      const std::vector<int> at = v.list(2);
      if (at[0] < 0 || at[1] < 0) throw UsageError("--at: the logo's corner lies in the picture");
      o.left = at[0], o.top = at[1];
    } else if (name == "--ref") {
      o.ref = parse_size(v.text(), name);
    } else if (name == "--paste") {
      v.flag();
      o.paste = true;
    } else if (name == "--key") {
      o.key = parse_key(v, o.key);
    } else if (name == "--key-opacity") {
      o.key.opacity = uint8_t(v.integer(0, 255));
    } else if (name == "--adaptive-text") {
      v.flag();
      o.adaptive = true;
    } else if (name == "--line-height") {
      o.line_height = int(v.integer(1, 65536));
    } else if (name == "--char-widths") {
      o.char_widths = v.text();
    } else if (name == "--field") {
      v.flag();
    } else {
      return false;
    }
    return true;
  };
  verb.build = [&](StreamContext& ctx) {
    if (o.file.empty()) throw UsageError("no logo: give -i LOGO.png or -i LOGO.bmp");
    const VideoFormat f = ctx.format();
    struct Held {
      LogoPicture logo;
      std::vector<uint8_t> widths;
    };
    auto held = std::make_shared<Held>();
    held->logo = load_logo(o.file, f.fmt->yuv_type, o.key, ctx.mem());
    const LogoPicture& logo = held->logo;
    tLogoParam p{};
    p.pu8FgData = held->logo.data.data();
    p.pu8FgAlpha = held->logo.alpha.data();
    p.u8BlendMode = o.paste ? PF_LOGO_BLEND_PASTE : 0;
    p.s32FgWidth = logo.width;
    p.s32FgHeight = logo.height;
    p.u32FgYuvType = p.u32BgYuvType = f.fmt->yuv_type;
    p.s32FgTop = o.top;
    p.s32FgLeft = o.left;
    p.s32FgRefWidth = o.ref ? o.ref->width : f.width;
    p.s32FgRefHeight = o.ref ? o.ref->height : f.height;
    p.s32BgWidth = f.width;
    p.s32BgHeight = f.height;
    p.u32ImageType = f.layout;
    if (o.adaptive) {
      p.u32AdaptiveColor = PF_LOGO_ADAPTIVE_COLOR;
      p.s32LineHeight = o.line_height > 0 ? o.line_height : logo.height;
      int count = 0;
      if (o.char_widths.empty()) {
        // One character per line, as wide as the logo (in widths of at most 255).
        for (int line = 0; line < logo.height / p.s32LineHeight; ++line) {
          for (int left = logo.width; left > 0; left -= 255, ++count) {
            held->widths.push_back(uint8_t(std::min(left, 255)));
          }
          held->widths.push_back(0);
        }
      } else {
        held->widths = parse_char_widths(o.char_widths, count);
      }
      p.s32CharNum = count;
      p.pu8CharWidth = held->widths.data();
    }
    std::shared_ptr<Instance> module = ctx.open(kLogoId, &p);
    ctx.then_in_place("logo (module 8)", [module, held, f](uint8_t* picture) {
      uint8_t* planes[3];
      picture_planes(f, picture, planes);
      int context = 0;
      module->process(planes, &context);
    });
  };
  return run_stream_verb(verb, args, console);
}

// ---------------------------------------------------------------- bmp2yuv

const char* const kBmp2YuvHelp =
    "usage: pelforge bmp2yuv IN.bmp [-pix_fmt FMT] [--key R,G,B] [--key-opacity N] -o OUT\n"
    "                        [--alpha FILE] [--preview FILE.png | --no-preview]\n"
    "\n"
    "Converts a bitmap with the library's bitmap module into YUV and alpha planes, the logo\n"
    "module's input: one key colour becomes transparent. Odd sides lose their last column and\n"
    "top row. The alpha is a transparency (255 keeps the background).\n"
    "\n"
    "Options:\n"
    "  -pix_fmt FMT          yuv420p (default), nv12, uyvy422, yuyv422 or yuv422p\n"
    "  --key R,G,B           the transparent colour (default 255,0,255)\n"
    "  --key-opacity N       opacity of key pixels, 0..255 (default 0); 255 shows only them\n"
    "  -o FILE               the YUV planes, packed one after another\n"
    "  --alpha FILE          the alpha planes (default: OUT with the extension .alpha)\n"
    "  --preview FILE.png    a PNG of the converted picture, the alpha as transparency\n"
    "                        (default: OUT with the extension .png)\n"
    "  --no-preview          no PNG\n"
    "\n"
    "Examples:\n"
    "  pelforge bmp2yuv station.bmp -o station.yuv\n"
    "  pelforge bmp2yuv station.bmp -pix_fmt uyvy422 --key 0,0,0 -o station.uyvy\n";

std::string with_extension(const std::string& path, const std::string& extension) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  const bool has = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (has ? path.substr(0, dot) : path) + extension;
}

// The converted picture as RGBA for the preview: the full-range inverse of the colour rule.
std::vector<uint8_t> preview_rgba(const LogoPicture& l) {
  const int w = l.width, h = l.height;
  const size_t luma = size_t(w) * size_t(h);
  std::vector<uint8_t> rgba(luma * 4);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      int Y, U, V, A;
      if (packed(l.yuv_type)) {
        const uint8_t* pair = &l.data[size_t(y) * 2 * size_t(w) + size_t(x & ~1) * 2];
        const bool uyvy = l.yuv_type == PF_YUV_UYVY;
        Y = uyvy ? pair[1 + 2 * (x & 1)] : pair[2 * (x & 1)];
        U = uyvy ? pair[0] : pair[1];
        V = uyvy ? pair[2] : pair[3];
        A = l.alpha[size_t(y) * 2 * size_t(w) + size_t(x) * 2 + (uyvy ? 1 : 0)];
      } else {
        Y = l.data[size_t(y) * size_t(w) + size_t(x)];
        A = l.alpha[size_t(y) * size_t(w) + size_t(x)];
        if (l.yuv_type == PF_YUV_NV12) {
          const size_t c = luma + size_t(y / 2) * size_t(w) + size_t(x & ~1);
          U = l.data[c], V = l.data[c + 1];
        } else {
          const bool p422 = l.yuv_type == PF_YUV_422P;
          const size_t rows = p422 ? size_t(y) : size_t(y / 2);
          const size_t plane = p422 ? luma / 2 : luma / 4;
          const size_t c = luma + rows * size_t(w / 2) + size_t(x / 2);
          U = l.data[c], V = l.data[c + plane];
        }
      }
      auto clamp = [](double v) { return uint8_t(std::clamp(std::lround(v), 0L, 255L)); };
      uint8_t* out = &rgba[(size_t(y) * size_t(w) + size_t(x)) * 4];
      out[0] = clamp(Y + 1.402 * (V - 128));
      out[1] = clamp(Y - 0.344136 * (U - 128) - 0.714136 * (V - 128));
      out[2] = clamp(Y + 1.772 * (U - 128));
      out[3] = uint8_t(255 - A);
    }
  }
  return rgba;
}

void write_file(const std::string& path, const uint8_t* data, size_t n) {
  auto file = OutputFile::open(path);
  file->write(data, n);
  file->close();
}

int run_bmp2yuv(const VerbArgs& args, const Console& console) {
  std::string in, out, alpha, preview;
  bool no_preview = false;
  const PixFmt* fmt = &yuv420p();
  KeyColour key;
  for (size_t i = 0; i < args.size(); ++i) {
    OptionValue o = option_at(args, i);
    const std::string opt = o.name();
    if (opt == "-h" || opt == "--help") {
      console.out << kBmp2YuvHelp;
      return kExitOk;
    } else if (opt == "-pix_fmt") {
      const std::string name = o.text();
      fmt = find_pix_fmt(name);
      if (fmt == nullptr || fmt->family != Family::kYuv ||
          (fmt->yuv_type != PF_YUV_420 && fmt->yuv_type != PF_YUV_NV12 && !packed(fmt->yuv_type) &&
           fmt->yuv_type != PF_YUV_422P)) {
        throw UsageError("-pix_fmt " + name + ": yuv420p, nv12, uyvy422, yuyv422 or yuv422p");
      }
    } else if (opt == "--key") {
      key = parse_key(o, key);
    } else if (opt == "--key-opacity") {
      key.opacity = uint8_t(o.integer(0, 255));
    } else if (opt == "-o" || opt == "--output") {
      out = o.text();
    } else if (opt == "--alpha") {
      alpha = o.text();
    } else if (opt == "--preview") {
      preview = o.text();
    } else if (opt == "--no-preview") {
      o.flag();
      no_preview = true;
    } else if (opt == "-i" || opt == "--input") {
      in = o.text();
    } else if (opt == "-y" || opt == "-q" || opt == "--quiet") {
    } else if (!opt.empty() && opt[0] != '-' && in.empty()) {
      in = opt;
    } else if (!opt.empty() && opt[0] != '-' && out.empty()) {
      out = opt;
    } else {
      throw UsageError("unknown option " + opt + " (see pelforge bmp2yuv --help)");
    }
  }
  if (in.empty()) throw UsageError("no input: name a .bmp file");
  if (out.empty()) throw UsageError("no output: give -o FILE");
  if (alpha.empty()) alpha = with_extension(out, ".alpha");
  if (preview.empty() && !no_preview) preview = with_extension(out, ".png");
  MemHandle mem;
  const LogoPicture l = logo_from_bmp(read_file(in), fmt->yuv_type, key, mem.get(), in);
  write_file(out, l.data.data(), l.data.size());
  write_file(alpha, l.alpha.data(), l.alpha.size());
  if (!no_preview) {
    const std::vector<uint8_t> png = encode_png_rgba(preview_rgba(l).data(), l.width, l.height);
    write_file(preview, png.data(), png.size());
  }
  console.out << in << ": " << l.width << "x" << l.height << " " << fmt->name << " -> " << out
              << ", alpha " << alpha << (no_preview ? "" : ", preview " + preview) << "\n";
  return kExitOk;
}

// ---------------------------------------------------------------- ticker

struct TickerOptions {
  std::string file;
  std::optional<std::vector<int>> window;
  int step_x = -4, step_y = 0;
  int pause_distance = -1, pause_frames = 0;
  int passes = 1000;
  std::optional<std::vector<int>> start;
  std::optional<std::vector<int>> bar;
  KeyColour key;
};

int run_ticker(const VerbArgs& given, const Console& console) {
  VerbArgs args = given;
  TickerOptions o;
  o.file = take_logo_file(args);
  StreamVerb verb;
  verb.name = "ticker";
  verb.description =
      "Scrolls a logo through a window of every picture with the library's banner-logo module,\n"
      "over an optional bar: it enters on one side, leaves on the other and comes round again,\n"
      "pausing on the way if asked, for a number of passes.\n";
  verb.options_help =
      "  -i LOGO, --logo LOGO  the logo: .bmp or .png with alpha (as for pelforge logo)\n"
      "  --window X,Y,W,H      the window the logo moves through (the picture's pixels)\n"
      "  --step N | DX,DY      pixels per picture: negative DX moves left (default -4),\n"
      "                        positive DY moves up (default 0)\n"
      "  --pause DIST,FRAMES   hold still for FRAMES pictures after every DIST pixels\n"
      "  --passes N            passes through the window, then the logo is gone (default 1000)\n"
      "  --start X,Y           the logo's first offset in the window (default: one step in\n"
      "                        from the side it enters, centred vertically)\n"
      "  --bar R,G,B[,OPACITY] a bar filling the window under the logo (opacity default 255)\n"
      "  --key R,G,B           bitmaps: the transparent colour (default 255,0,255)\n";
  verb.examples =
      "  pelforge ticker news.y4m -i headline.png --window 0,480,720,48 --step -6 "
      "--bar 16,32,96,176 -o out.y4m\n"
      "  pelforge ticker in.y4m -i logo.bmp --window 40,40,640,64 --step 4 --pause 160,50 "
      "--passes 2 -o out.y4m\n";
  verb.formats = {"yuv420p", "nv12", "uyvy422", "yuyv422"};
  verb.layouts = {PF_IMAGE_FRAME, PF_IMAGE_INTERLACED};
  verb.options = [&](OptionValue& v) {
    const std::string& name = v.name();
    if (name == "--logo") {
      o.file = v.text();
    } else if (name == "--window") {
      o.window = v.list(4);
    } else if (name == "--step") {
      const std::string text = v.text();
      const bool two = text.find(',') != std::string::npos;
      const std::vector<int> s = parse_int_list(text, two ? 2 : 1, name);
      for (int k : s) {
        if (k < -32768 || k > 32767) throw UsageError("--step: -32768 to 32767 pixels");
      }
      o.step_x = s[0], o.step_y = two ? s[1] : 0;
    } else if (name == "--pause") {
      const std::vector<int> s = v.list(2);
      if (s[0] < 1 || s[1] < 0) throw UsageError("--pause: a distance of 1 or more, frames >= 0");
      o.pause_distance = s[0], o.pause_frames = s[1];
    } else if (name == "--passes") {
      o.passes = int(v.integer(1, 1000000));
    } else if (name == "--start") {
      o.start = v.list(2);
    } else if (name == "--bar") {
      const std::string text = v.text();
      const size_t n = size_t(std::count(text.begin(), text.end(), ',')) + 1;
      std::vector<int> b = parse_int_list(text, n == 4 ? 4 : 3, name);
      for (int k : b) {
        if (k < 0 || k > 255) throw UsageError("--bar: colour and opacity go from 0 to 255");
      }
      if (b.size() == 3) b.push_back(255);
      o.bar = b;
    } else if (name == "--key") {
      o.key = parse_key(v, o.key);
    } else {
      return false;
    }
    return true;
  };
  verb.build = [&](StreamContext& ctx) {
    if (o.file.empty()) throw UsageError("no logo: give -i LOGO.png or -i LOGO.bmp");
    if (!o.window) throw UsageError("no --window X,Y,W,H: where the logo moves");
    const VideoFormat f = ctx.format();
    auto logo = std::make_shared<LogoPicture>(load_logo(o.file, f.fmt->yuv_type, o.key, ctx.mem()));
    const std::vector<int>& win = *o.window;
    auto p = std::make_unique<tBannerLogoParam>();
    std::memset(p.get(), 0, sizeof *p);
    p->s32BgWidth = f.width;
    p->s32BgHeight = f.height;
    p->u32ImageType = f.layout;
    p->u32BgYuvType = f.fmt->yuv_type;
    p->s32LogoNum = 1;
    tBannerLogoItem& it = p->atLogo[0];
    it.pu8FgData = logo->data.data();
    it.pu8FgAlpha = logo->alpha.data();
    it.s32FgWidth = logo->width;
    it.s32FgHeight = logo->height;
    it.u32FgYuvType = f.fmt->yuv_type;
    it.s32RefWidth = f.width;
    it.s32RefHeight = f.height;
    it.s16StepX = int16_t(o.step_x);
    it.s16StepY = int16_t(o.step_y);
    it.s32Loops = o.passes;
    it.s32PauseDistX = o.step_x != 0 ? o.pause_distance : -1;
    it.s32PauseDistY = o.step_x == 0 ? o.pause_distance : -1;
    it.s32PauseFrames = o.pause_frames;
    it.s32WinLeft = win[0], it.s32WinTop = win[1], it.s32WinWidth = win[2];
    it.s32WinHeight = win[3];
    if (o.start) {
      it.s32StartX = (*o.start)[0], it.s32StartY = (*o.start)[1];
    } else {
      // One step into the window from the side the logo enters, so it shows from the first
      // picture; vertically centred (or entering from below or above when it moves that way).
      const int visible = std::min(win[0] + win[2], f.width) - std::max(win[0], 0);
      it.s32StartX = o.step_x < 0 ? visible + o.step_x : o.step_x > 0 ? o.step_x - logo->width : 0;
      const int rows = std::min(win[1] + win[3], f.height) - std::max(win[1], 0);
      it.s32StartY = o.step_y > 0   ? rows - o.step_y
                     : o.step_y < 0 ? -logo->height - o.step_y
                                    : std::max((win[3] - logo->height) / 2, 0) & ~1;
    }
    if (o.bar) {
      const std::vector<int>& b = *o.bar;
      p->s32BannerNum = 1;
      p->atBar[0] = {win[2],   win[3],        win[1],        win[0],        f.width,
                     f.height, uint8_t(b[0]), uint8_t(b[1]), uint8_t(b[2]), uint8_t(b[3])};
      // The bar is a rectangle of the picture: one that starts off the edge is cut there.
      if (win[0] < 0) p->atBar[0].s32Width += win[0], p->atBar[0].s32Left = 0;
      if (win[1] < 0) p->atBar[0].s32Height += win[1], p->atBar[0].s32Top = 0;
    }
    std::shared_ptr<Instance> module = ctx.open(kBannerLogoId, p.get());
    ctx.then_in_place("ticker (module 10)", [module, logo](uint8_t* picture) {
      uint8_t* planes[1] = {picture};
      int context = 0;
      module->process(planes, &context);
    });
  };
  return run_stream_verb(verb, args, console);
}

}  // namespace

PF_VERB_MAIN(logo) { return run_logo(args, console); }
PF_VERB_MAIN(bmp2yuv) { return run_bmp2yuv(args, console); }
PF_VERB_MAIN(ticker) { return run_ticker(args, console); }

// ---------------------------------------------------------------- demo

namespace {

// A 5x7 font for the demo's lettering: one row of five bits per line, the top bit leftmost.
const uint8_t* glyph(char c) {
  static const uint8_t kP[7] = {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10};
  static const uint8_t kE[7] = {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F};
  static const uint8_t kL[7] = {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F};
  static const uint8_t kF[7] = {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10};
  static const uint8_t kO[7] = {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E};
  static const uint8_t kR[7] = {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11};
  static const uint8_t kG[7] = {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F};
  static const uint8_t kSpace[7] = {};
  switch (c) {
    case 'P':
      return kP;
    case 'E':
      return kE;
    case 'L':
      return kL;
    case 'F':
      return kF;
    case 'O':
      return kO;
    case 'R':
      return kR;
    case 'G':
      return kG;
    default:
      return kSpace;
  }
}

// Whether pixel (x, y) of `text` set at `scale` pixels per font dot, each character in a cell of
// 6 dots, is part of a letter.
bool lettered(const std::string& text, int scale, int x, int y) {
  const int cell = 6 * scale;
  const size_t k = size_t(x / cell);
  const int dx = (x % cell) / scale, dy = y / scale;
  if (k >= text.size() || dx >= 5 || dy >= 7) return false;
  return (glyph(text[k])[dy] >> (4 - dx) & 1) != 0;
}

// The demo's station logo as a 24-bit bitmap file: white lettering on a blue plate with a yellow
// rim, the rest magenta (the key colour).
std::vector<uint8_t> demo_bitmap() {
  const int w = 200, h = 60, stride = w * 3;
  std::vector<uint8_t> file(54 + size_t(stride) * h, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) file[at + size_t(k)] = uint8_t(v >> (8 * k));
  };
  file[0] = 'B', file[1] = 'M';
  put32(2, uint32_t(file.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, w);
  put32(22, h);
  file[26] = 1, file[28] = 24;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const bool corner = (x < 6 || x >= w - 6) && (y < 6 || y >= h - 6) &&
                          std::hypot(std::min(x, w - 1 - x) - 6, std::min(y, h - 1 - y) - 6) > 6;
      const bool rim = x < 3 || x >= w - 3 || y < 3 || y >= h - 3;
      uint8_t r = 255, g = 0, b = 255;
      if (!corner) {
        r = 20, g = 50, b = 150;
        if (rim) r = 250, g = 210, b = 0;
        if (x >= 4 && y >= 16 && lettered("PELFORGE", 4, x - 4, y - 16)) r = g = b = 255;
      }
      uint8_t* px = &file[54 + size_t(h - 1 - y) * size_t(stride) + size_t(x) * 3];
      px[0] = b, px[1] = g, px[2] = r;
    }
  }
  return file;
}

// Lettering as a 4:2:0 logo: the letters opaque in `luma`, everything else clear.
LogoPicture lettering(const std::string& text, int scale, uint8_t luma) {
  LogoPicture l;
  l.width = int(text.size()) * 6 * scale;
  l.height = 8 * scale;
  const int w = l.width, h = l.height;
  const size_t n = size_t(w) * size_t(h);
  l.data.assign(n * 3 / 2, 128);
  std::fill_n(l.data.begin(), n, luma);
  l.alpha.assign(n * 5 / 4, 255);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (!lettered(text, scale, x, y)) continue;
      l.alpha[size_t(y) * size_t(w) + size_t(x)] = 0;
      l.alpha[n + size_t(y / 2) * size_t(w / 2) + size_t(x / 2)] = 0;
    }
  }
  return l;
}

// A logo made for `ref` laid at (left, top) over the pictures of `f` by the logo module.
std::shared_ptr<Instance> open_logo(const LogoPicture& l, const VideoFormat& f, Size ref, int left,
                                    int top, void* mem) {
  tLogoParam p{};
  p.pu8FgData = const_cast<uint8_t*>(l.data.data());
  p.pu8FgAlpha = const_cast<uint8_t*>(l.alpha.data());
  p.s32FgWidth = l.width;
  p.s32FgHeight = l.height;
  p.u32FgYuvType = p.u32BgYuvType = PF_YUV_420;
  p.s32FgTop = top;
  p.s32FgLeft = left;
  p.s32FgRefWidth = ref.width;
  p.s32FgRefHeight = ref.height;
  p.s32BgWidth = f.width;
  p.s32BgHeight = f.height;
  p.u32ImageType = PF_IMAGE_FRAME;
  return std::make_shared<Instance>(kLogoId, &p, mem);
}

}  // namespace

PF_DEMO_MAIN(logo) {
  // The caption lies over the grey ramp, where the fast bright bar passes.
  constexpr int kCaptionLeft = 200, kCaptionTop = 440;
  const DemoJob full{"logo_full", "logo from a bitmap"};
  const DemoJob half{"logo_half", "logo at half size"};
  const DemoJob quarter{"logo_quarter", "logo at quarter size"};
  const DemoJob caption{"logo_caption", "adaptive-colour caption"};
  const DemoJob ticker{"ticker", "ticker over a lower third"};
  const bool want_full = demo.wants(full), want_half = demo.wants(half);
  if (want_full || want_half || demo.wants(quarter)) {
    const LogoPicture station =
        logo_from_bmp(demo_bitmap(), PF_YUV_420, KeyColour{}, demo.mem(), "the demo's bitmap");
    const struct {
      DemoJob job;
      int width, height, left, top;
      Size ref;
    } sizes[] = {
        {full, 720, 576, 496, 40, {720, 576}},
        {half, 352, 288, 240, 20, {704, 576}},
        {quarter, 176, 144, 120, 10, {704, 576}},
    };
    for (const auto& s : sizes) {
      if (!demo.wants(s.job)) continue;
      VideoFormat f = demo.source();
      f.width = s.width, f.height = s.height;
      const Frames frames =
          s.width == 720 ? demo.progressive() : demo.pattern(s.width, s.height, false);
      auto module = open_logo(station, f, s.ref, s.left, s.top, demo.mem());
      const size_t bytes = f.frame_size();
      if (DemoReport* r =
              demo.run(s.job, frames, f, f, [module, f, bytes](uint8_t* in, uint8_t* out) {
                std::memcpy(out, in, bytes);
                uint8_t* planes[3];
                picture_planes(f, out, planes);
                int context = 0;
                module->process(planes, &context);
              })) {
        r->set_result("200x60 bitmap, magenta keyed out, at " + std::to_string(s.left) + "," +
                      std::to_string(s.top));
      }
    }
  }
  if (demo.wants(caption)) {
    const VideoFormat& f = demo.source();
    const std::string words = "PELFORGE PELFORGE";
    auto text = std::make_shared<LogoPicture>(lettering(words, 4, 235));
    auto widths = std::make_shared<std::vector<uint8_t>>(words.size(), uint8_t(24));
    widths->push_back(0);
    tLogoParam p{};
    p.pu8FgData = text->data.data();
    p.pu8FgAlpha = text->alpha.data();
    p.s32FgWidth = text->width;
    p.s32FgHeight = text->height;
    p.u32FgYuvType = p.u32BgYuvType = PF_YUV_420;
    p.s32FgTop = kCaptionTop;
    p.s32FgLeft = kCaptionLeft;
    p.s32FgRefWidth = p.s32BgWidth = f.width;
    p.s32FgRefHeight = p.s32BgHeight = f.height;
    p.u32ImageType = PF_IMAGE_FRAME;
    p.u32AdaptiveColor = PF_LOGO_ADAPTIVE_COLOR;
    p.s32LineHeight = text->height;
    p.s32CharNum = int32_t(words.size());
    p.pu8CharWidth = widths->data();
    auto module = std::make_shared<Instance>(kLogoId, &p, demo.mem());
    // The stems of the letters: light or dark in each picture.
    int changes = 0;
    std::vector<int> last(words.size(), -1);
    DemoOptions options;
    options.sink = [&](uint64_t, const uint8_t* out) {
      for (size_t k = 0; k < words.size(); ++k) {
        if (words[k] == ' ') continue;
        const size_t x = size_t(kCaptionLeft) + 24 * k + 1, y = size_t(kCaptionTop) + 12;
        const int luma = out[y * size_t(f.width) + x];
        if (last[k] >= 0 && luma != last[k]) ++changes;
        last[k] = luma;
      }
    };
    const size_t bytes = f.frame_size();
    if (DemoReport* r = demo.run(
            caption, demo.progressive(), f, f,
            [module, text, widths, f, bytes](uint8_t* in, uint8_t* out) {
              std::memcpy(out, in, bytes);
              uint8_t* planes[3];
              picture_planes(f, out, planes);
              int context = 0;
              module->process(planes, &context);
            },
            options)) {
      r->set_result("each letter light or dark by the ramp under it; " + std::to_string(changes) +
                    " changes as the bright bar passes");
    }
  }
  if (demo.wants(ticker)) {
    const VideoFormat& f = demo.source();
    auto text = std::make_shared<LogoPicture>(lettering("PELFORGE  PELFORGE", 4, 235));
    auto p = std::make_unique<tBannerLogoParam>();
    std::memset(p.get(), 0, sizeof *p);
    p->s32BgWidth = f.width;
    p->s32BgHeight = f.height;
    p->u32ImageType = PF_IMAGE_FRAME;
    p->u32BgYuvType = PF_YUV_420;
    p->s32LogoNum = 1;
    p->s32BannerNum = 2;
    tBannerLogoItem& it = p->atLogo[0];
    it.pu8FgData = text->data.data();
    it.pu8FgAlpha = text->alpha.data();
    it.s32FgWidth = text->width;
    it.s32FgHeight = text->height;
    it.u32FgYuvType = PF_YUV_420;
    it.s32RefWidth = f.width;
    it.s32RefHeight = f.height;
    it.s16StepX = -12;
    it.s32Loops = 100;
    it.s32PauseDistX = it.s32PauseDistY = -1;
    it.s32WinTop = 484, it.s32WinLeft = 0, it.s32WinWidth = f.width, it.s32WinHeight = 32;
    it.s32StartX = f.width - 240;
    it.s32StartY = 0;
    p->atBar[0] = {720, 80, 460, 0, 720, 576, 16, 32, 96, 160};  // under the logo
    p->atBar[1] = {720, 4, 456, 0, 720, 576, 250, 210, 0, 255};  // a rule above it
    auto module = std::make_shared<Instance>(kBannerLogoId, p.get(), demo.mem());
    const size_t bytes = f.frame_size();
    if (DemoReport* r = demo.run(ticker, demo.progressive(), f, f,
                                 [module, text, bytes](uint8_t* in, uint8_t* out) {
                                   std::memcpy(out, in, bytes);
                                   uint8_t* planes[1] = {out};
                                   int context = 0;
                                   module->process(planes, &context);
                                 })) {
      r->set_result("12 pixels a picture, bar at opacity 160");
    }
  }
}

}  // namespace pf::cli
