// SPDX-License-Identifier: BSD-2-Clause
// pfbanner (banner module 9: rectangles, opaque or translucent) and pflogo (a PNG or BMP logo
// turned into YUV with alpha by the bitmap module 7 and blended by the logo module 8).
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bmp_reader.hpp"
#include "elements.hpp"
#include "filter_base.hpp"
#include "img_banner.h"
#include "img_bmptoyuv_alpha.h"
#include "img_logo.h"
#include "img_mosaic.h"

#ifdef PF_GST_HAVE_PNG
#include <png.h>
#endif

namespace {

using pfgst::FilterImpl;
using pfgst::Module;

using pfgst::SharedText;

// ---- banner ----

struct Box {
  int left, top, width, height;
  uint8_t r, g, b, opacity;
};

// Groups of integers separated by ';', the integers by ',' ("0,440,720,96,16,32,160;..."), each
// group `fewest` to `most` long. False with `bad` set to the first group that is not.
struct Group {
  std::string text;
  std::vector<long> v;
};
bool parse_groups(const std::string& text, size_t fewest, size_t most, std::vector<Group>& groups,
                  std::string& bad) {
  groups.clear();
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    const std::string item = text.substr(start, end - start);
    start = end + 1;
    if (item.find_first_not_of(" \t") == std::string::npos) continue;
    std::vector<long> v;
    const char* p = item.c_str();
    while (true) {
      char* next = nullptr;
      const long value = std::strtol(p, &next, 10);
      if (next == p || value < -(1L << 24) || value > (1L << 24)) break;
      v.push_back(value);
      p = next;
      while (*p == ' ') ++p;
      if (*p != ',') break;
      ++p;
    }
    if (std::string(p).find_first_not_of(" \t") != std::string::npos || v.size() < fewest ||
        v.size() > most) {
      bad = item;
      return false;
    }
    groups.push_back({item, std::move(v)});
  }
  return true;
}

// "X,Y,W,H,R,G,B[,OPACITY]" boxes, as `pelforge banner --box` takes them.
bool parse_boxes(const std::string& text, std::vector<Box>& boxes, std::string& error) {
  boxes.clear();
  std::vector<Group> groups;
  std::string bad;
  bool ok = parse_groups(text, 7, 8, groups, bad);
  for (size_t i = 0; ok && i < groups.size(); ++i) {
    const std::vector<long>& v = groups[i].v;
    ok = v[2] >= 1 && v[3] >= 1;
    for (size_t k = 4; ok && k < v.size(); ++k) ok = v[k] >= 0 && v[k] <= 255;
    if (!ok) {
      bad = groups[i].text;
      break;
    }
    boxes.push_back({static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2]),
                     static_cast<int>(v[3]), static_cast<uint8_t>(v[4]), static_cast<uint8_t>(v[5]),
                     static_cast<uint8_t>(v[6]), static_cast<uint8_t>(v.size() == 8 ? v[7] : 255)});
  }
  if (!ok) {
    error = "boxes: '" + bad +
            "' is not X,Y,W,H,R,G,B[,OPACITY] (width and height from 1, colour and opacity 0 "
            "to 255)";
  }
  return ok;
}

class BannerImpl final : public FilterImpl {
 public:
  SharedText boxes;

  uint32_t open(const GstVideoInfo* info, void* mem, const Module** refused) override {
    close();
    picture_.configure(info);
    std::vector<Box> list;
    *refused = nullptr;
    if (!parse_boxes(boxes.get(), list, error_text)) return kNotModule;
    const int w = GST_VIDEO_INFO_WIDTH(info), h = GST_VIDEO_INFO_HEIGHT(info);
    for (const Box& box : list) {
      // The module wants the top-left corner inside the picture: a box reaching over the top or
      // left edge is cut there first (the module cuts at the right and bottom).
      int left = box.left, top = box.top, width = box.width, height = box.height;
      if (left < 0) width += left, left = 0;
      if (top < 0) height += top, top = 0;
      if (width < 1 || height < 1 || left >= w || top >= h) continue;
      const tBannerParam p{width,
                           height,
                           top,
                           left,
                           w,
                           h,
                           box.r,
                           box.g,
                           box.b,
                           box.opacity,
                           w,
                           h,
                           pfgst::image_type_of(info, nullptr),
                           0,
                           pfgst::yuv_type_of(GST_VIDEO_INFO_FORMAT(info))};
      auto banner = std::make_unique<Module>(tBannerFuncs, "ImgBanner");
      const uint32_t status = banner->open(&p, mem);
      if (status != PF_STATUS_OK) {
        refused_ = std::move(banner);
        *refused = refused_.get();
        return status;
      }
      banners_.push_back(std::move(banner));
    }
    return PF_STATUS_OK;
  }
  // The module takes the whole picture in one buffer, planes back to back.
  uint32_t process(GstVideoFrame* frame, const Module** failed) override {
    if (banners_.empty()) return PF_STATUS_OK;
    uint8_t* planes[3] = {picture_.begin(frame), nullptr, nullptr};
    int context = 0;
    for (const auto& banner : banners_) {
      const uint32_t status = banner->process(planes, &context);
      if (status != PF_STATUS_OK) {
        *failed = banner.get();
        return status;
      }
    }
    picture_.finish(frame);
    return PF_STATUS_OK;
  }
  void close() override { banners_.clear(); }
  std::string action() const override { return "cannot draw the boxes on"; }

 private:
  std::vector<std::unique_ptr<Module>> banners_;
  std::unique_ptr<Module> refused_;
  pfgst::ContiguousPicture picture_;
};

// ---- mosaic ----

class MosaicImpl final : public FilterImpl {
 public:
  SharedText windows;

  uint32_t open(const GstVideoInfo* info, void* mem, const Module** refused) override {
    picture_.configure(info);
    *refused = nullptr;
    if (!param(info)) return kNotModule;
    *refused = &module_;
    return module_.open(&param_, mem);
  }
  uint32_t reconfigure(const GstVideoInfo* info, void*, const Module** refused) override {
    *refused = nullptr;
    if (!param(info)) return kNotModule;
    *refused = &module_;
    return module_.set_param(&param_);
  }
  // In place: both picture pointers name the picture.
  uint32_t process(GstVideoFrame* frame, const Module** failed) override {
    uint8_t* picture = picture_.begin(frame);
    uint8_t* pictures[2] = {picture, picture};
    int context = 0;
    *failed = &module_;
    const uint32_t status = module_.process(pictures, &context);
    picture_.finish(frame);
    return status;
  }
  void close() override { module_.close(); }
  std::string action() const override { return "cannot pixelate the windows of"; }

 private:
  bool param(const GstVideoInfo* info) {
    std::vector<Group> groups;
    std::string bad;
    if (!parse_groups(windows.get(), 5, 5, groups, bad) || groups.size() > PF_MOSAIC_MAX_WINDOWS) {
      error_text = groups.size() > PF_MOSAIC_MAX_WINDOWS
                       ? "windows: at most " + std::to_string(PF_MOSAIC_MAX_WINDOWS)
                       : "windows: '" + bad + "' is not X,Y,W,H,BLOCK";
      return false;
    }
    const int w = GST_VIDEO_INFO_WIDTH(info);
    param_ = tImageMosaicParam{};
    param_.s32Width = w;
    param_.s32Height = GST_VIDEO_INFO_HEIGHT(info);
    param_.s32YStride = w;
    param_.s32UVStride = w / 2;
    param_.u32YuvType = pfgst::yuv_type_of(GST_VIDEO_INFO_FORMAT(info));
    param_.u32ImageType = PF_IMAGE_FRAME;
    param_.u32MosaicNum = static_cast<uint32_t>(groups.size());
    for (size_t i = 0; i < groups.size(); ++i) {
      const std::vector<long>& v = groups[i].v;
      param_.atWindow[i] = {static_cast<int32_t>(v[0]), static_cast<int32_t>(v[1]),
                            static_cast<int32_t>(v[2]), static_cast<int32_t>(v[3]),
                            static_cast<int32_t>(v[4])};
    }
    return true;
  }
  tImageMosaicParam param_{};
  Module module_{tImageMosaicFunc, "ImageMosaic"};
  pfgst::ContiguousPicture picture_;
};

// ---- logo ----

std::optional<std::vector<uint8_t>> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  return bytes;
}

bool packed(uint32_t yuv_type) { return yuv_type == PF_YUV_UYVY || yuv_type == PF_YUV_YUYV; }

// A logo in the logo module's layout: pixels and transparency planes (255 keeps the background).
struct LogoPicture {
  int width = 0, height = 0;
  std::vector<uint8_t> data, alpha;
};

#ifdef PF_GST_HAVE_PNG
// Red, green, blue, alpha, top row first.
bool decode_png(const std::vector<uint8_t>& file, int& w, int& h, std::vector<uint8_t>& rgba,
                std::string& error) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_memory(&image, file.data(), file.size()) == 0) {
    error = image.message;
    return false;
  }
  image.format = PNG_FORMAT_RGBA;
  if (image.width > static_cast<png_uint_32>(pfcli::kBmpMaxSide) ||
      image.height > static_cast<png_uint_32>(pfcli::kBmpMaxSide)) {
    png_image_free(&image);
    error = "the picture is larger than 16384 pixels on a side";
    return false;
  }
  w = static_cast<int>(image.width);
  h = static_cast<int>(image.height);
  rgba.assign(PNG_IMAGE_SIZE(image), 0);
  if (png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr) == 0) {
    error = image.message;
    png_image_free(&image);
    return false;
  }
  return true;
}
#endif

// The overlay modules' colour rule, so that a PNG logo's colours are those of the same picture
// as a bitmap. Sides are rounded down to even; chroma and its transparency are the means over
// each 2x2 block (4:2:0) or pixel pair (4:2:2), as `pelforge logo` makes them.
LogoPicture logo_from_rgba(const std::vector<uint8_t>& rgba, int width, int height, uint32_t type) {
  LogoPicture out;
  const int w = out.width = width & ~1, h = out.height = height & ~1;
  const size_t luma = static_cast<size_t>(w) * static_cast<size_t>(h);
  const bool quarter = type == PF_YUV_420 || type == PF_YUV_NV12;
  out.data.assign(quarter ? luma * 3 / 2 : 2 * luma, 0);
  out.alpha.assign(quarter ? luma * 5 / 4 : 2 * luma, 255);
  struct Px {
    int y, u, v, clear;
  };
  std::vector<Px> px(luma);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint8_t* p =
          &rgba[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4];
      const int r = p[0], g = p[1], b = p[2];
      px[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] = {
          (76 * r + 150 * g + 29 * b + 128) >> 8,
          std::min(((-43 * r - 84 * g + 128 * b + 128) >> 8) + 128, 255),
          std::min(((128 * r - 107 * g - 20 * b + 128) >> 8) + 128, 255), 255 - p[3]};
    }
  }
  auto at = [w](int x, int y) {
    return static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x);
  };
  if (packed(type)) {
    const bool uyvy = type == PF_YUV_UYVY;
    for (int y = 0; y < h; ++y) {
      uint8_t* d = &out.data[static_cast<size_t>(y) * 2 * static_cast<size_t>(w)];
      uint8_t* a = &out.alpha[static_cast<size_t>(y) * 2 * static_cast<size_t>(w)];
      for (int x = 0; x < w; x += 2) {
        const Px& p0 = px[at(x, y)];
        const Px& p1 = px[at(x + 1, y)];
        const auto u = static_cast<uint8_t>((p0.u + p1.u + 1) >> 1);
        const auto v = static_cast<uint8_t>((p0.v + p1.v + 1) >> 1);
        const auto tc = static_cast<uint8_t>((p0.clear + p1.clear) >> 1);
        const auto y0 = static_cast<uint8_t>(p0.y), y1 = static_cast<uint8_t>(p1.y);
        const auto t0 = static_cast<uint8_t>(p0.clear), t1 = static_cast<uint8_t>(p1.clear);
        const uint8_t bytes[4] = {uyvy ? u : y0, uyvy ? y0 : u, uyvy ? v : y1, uyvy ? y1 : v};
        const uint8_t alphas[4] = {uyvy ? tc : t0, uyvy ? t0 : tc, uyvy ? tc : t1, uyvy ? t1 : tc};
        std::memcpy(d + 2 * x, bytes, 4);
        std::memcpy(a + 2 * x, alphas, 4);
      }
    }
    return out;
  }
  for (size_t i = 0; i < luma; ++i) {
    out.data[i] = static_cast<uint8_t>(px[i].y);
    out.alpha[i] = static_cast<uint8_t>(px[i].clear);
  }
  const bool nv12 = type == PF_YUV_NV12;
  for (int y = 0; y < h; y += 2) {
    for (int x = 0; x < w; x += 2) {
      int u = 2, v = 2, t = 0;
      for (const size_t i : {at(x, y), at(x + 1, y), at(x, y + 1), at(x + 1, y + 1)}) {
        u += px[i].u, v += px[i].v, t += px[i].clear;
      }
      const size_t c =
          static_cast<size_t>(y / 2) * static_cast<size_t>(w / 2) + static_cast<size_t>(x / 2);
      if (nv12) {
        const size_t pair =
            luma + static_cast<size_t>(y / 2) * static_cast<size_t>(w) + static_cast<size_t>(x);
        out.data[pair] = static_cast<uint8_t>(u >> 2);
        out.data[pair + 1] = static_cast<uint8_t>(v >> 2);
      } else {
        out.data[luma + c] = static_cast<uint8_t>(u >> 2);
        out.data[luma + luma / 4 + c] = static_cast<uint8_t>(v >> 2);
      }
      out.alpha[luma + c] = static_cast<uint8_t>(t >> 2);
    }
  }
  return out;
}

class LogoImpl final : public FilterImpl {
 public:
  SharedText location;
  std::atomic<int> left{}, top{}, ref_width{}, ref_height{}, key_opacity{};
  std::atomic<uint32_t> key_color{};
  std::atomic<bool> paste{};

  uint32_t open(const GstVideoInfo* info, void* mem, const Module** refused) override {
    close();
    *refused = nullptr;
    const uint32_t type = pfgst::yuv_type_of(GST_VIDEO_INFO_FORMAT(info));
    if (const uint32_t status = load(type, mem, refused); status != PF_STATUS_OK) return status;
    const int w = GST_VIDEO_INFO_WIDTH(info), h = GST_VIDEO_INFO_HEIGHT(info);
    tLogoParam p{};
    p.pu8FgData = logo_.data.data();
    p.pu8FgAlpha = logo_.alpha.data();
    p.u8BlendMode = paste ? PF_LOGO_BLEND_PASTE : 0;
    p.s32FgWidth = logo_.width;
    p.s32FgHeight = logo_.height;
    p.u32FgYuvType = p.u32BgYuvType = type;
    p.s32FgLeft = left;
    p.s32FgTop = top;
    p.s32FgRefWidth = ref_width > 0 ? ref_width.load() : w;
    p.s32FgRefHeight = ref_height > 0 ? ref_height.load() : h;
    p.s32BgWidth = w;
    p.s32BgHeight = h;
    p.u32ImageType = pfgst::image_type_of(info, nullptr);
    *refused = &module_;
    return module_.open(&p, mem);
  }
  // The module takes the frame's own pitches (bytes, packed pictures too).
  uint32_t process(GstVideoFrame* frame, const Module** failed) override {
    tImgPicture pic = pfgst::picture_of(frame, false);
    int context = 0;
    *failed = &module_;
    return ImgLogoProcessPrivate_c(module_.handle(), &pic, &context);
  }
  void close() override { module_.close(); }
  std::string action() const override { return "cannot blend the logo into"; }

 private:
  // The logo's pixels and transparency in the pictures' layout: a PNG's from its alpha, a
  // bitmap's through the bitmap module with the key colour clear.
  uint32_t load(uint32_t type, void* mem, const Module** refused) {
    const std::string path = location.get();
    const auto file = path.empty() ? std::nullopt : read_file(path);
    if (!file) {
      error_text = path.empty() ? "no logo: set location to a PNG or BMP file"
                                : "cannot read the logo " + path;
      return kNotModule;
    }
    std::string error;
    if (file->size() >= 8 && std::memcmp(file->data(), "\x89PNG\r\n\x1a\n", 8) == 0) {
#ifdef PF_GST_HAVE_PNG
      int w = 0, h = 0;
      std::vector<uint8_t> rgba;
      if (!decode_png(*file, w, h, rgba, error)) {
        error_text = "the logo " + path + " is not a PNG the plugin can read: " + error;
        return kNotModule;
      }
      if (w < 2 || h < 2) {
        error_text = "the logo " + path + " is smaller than 2x2 pixels";
        return kNotModule;
      }
      logo_ = logo_from_rgba(rgba, w, h, type);
      return PF_STATUS_OK;
#else
      error_text = "this plugin was built without PNG support: give the logo as a BMP file";
      return kNotModule;
#endif
    }
    pfcli::BmpBuffer bmp;
    if (!pfcli::read_bmp(*file, bmp, error)) {
      error_text = "the logo " + path + " is neither a PNG nor a usable BMP file: " + error;
      return kNotModule;
    }
    if (bmp.bits == 1 && bmp.width % 8 != 0) {
      error_text = "the logo " + path + ": 1-bit bitmaps need a width that is a multiple of 8";
      return kNotModule;
    }
    logo_ = LogoPicture{};
    logo_.width = bmp.width & ~1;
    logo_.height = bmp.height & ~1;
    if (logo_.width < 2 || logo_.height < 2) {
      error_text = "the logo " + path + " is smaller than 2x2 pixels";
      return kNotModule;
    }
    const size_t bytes = 2 * static_cast<size_t>(logo_.width) * static_cast<size_t>(logo_.height);
    logo_.data.assign(bytes, 0);
    logo_.alpha.assign(bytes, 255);
    const uint32_t key = key_color;
    // Key opacity 0 (the default): key pixels are clear, every other pixel covers.
    const tBmpToYuvAlphaParam p{type, static_cast<uint8_t>(key >> 16),
                                static_cast<uint8_t>(key >> 8), static_cast<uint8_t>(key),
                                static_cast<uint8_t>(key_opacity.load())};
    Module bitmap(tImageBMPToYUVAlphaFunc, "ImgBMPToYUVAlpha");
    *refused = &bitmap_refusal_;
    if (const uint32_t status = bitmap.open(&p, mem); status != PF_STATUS_OK) return status;
    tBmpToYuvAlphaData data{bmp.bytes.data(), logo_.data.data(), nullptr, logo_.alpha.data()};
    tBmpToYuvAlphaInfo info{};
    return bitmap.process(&data, &info);
  }

  LogoPicture logo_;
  Module module_{tLogoFuncs, "ImgLogo"};
  // Names a refusal of the bitmap module after its instance is gone.
  Module bitmap_refusal_{tImageBMPToYUVAlphaFunc, "ImgBMPToYUVAlpha"};
};

}  // namespace

// ---- the element types ----

G_BEGIN_DECLS
#define PF_TYPE_BANNER (pf_banner_get_type())
G_DECLARE_FINAL_TYPE(PfBanner, pf_banner, PF, BANNER, PfFilter)
#define PF_TYPE_MOSAIC (pf_mosaic_get_type())
G_DECLARE_FINAL_TYPE(PfMosaic, pf_mosaic, PF, MOSAIC, PfFilter)
#define PF_TYPE_LOGO (pf_logo_get_type())
G_DECLARE_FINAL_TYPE(PfLogo, pf_logo, PF, LOGO, PfFilter)
G_END_DECLS

struct _PfBanner {
  PfFilter parent;
};
struct _PfLogo {
  PfFilter parent;
};
struct _PfMosaic {
  PfFilter parent;
};

G_DEFINE_TYPE(PfBanner, pf_banner, PF_TYPE_FILTER)
G_DEFINE_TYPE(PfLogo, pf_logo, PF_TYPE_FILTER)
GST_ELEMENT_REGISTER_DEFINE(pfbanner, "pfbanner", GST_RANK_NONE, PF_TYPE_BANNER)
GST_ELEMENT_REGISTER_DEFINE(pflogo, "pflogo", GST_RANK_NONE, PF_TYPE_LOGO)
G_DEFINE_TYPE(PfMosaic, pf_mosaic, PF_TYPE_FILTER)
GST_ELEMENT_REGISTER_DEFINE(pfmosaic, "pfmosaic", GST_RANK_NONE, PF_TYPE_MOSAIC)

namespace {

using pfgst::filter_field;
using pfgst::int_property;
using pfgst::kPropFlags;

constexpr pfgst::Property kBannerProperties[] = {pfgst::string_property(
    "boxes", "Boxes",
    "Rectangles drawn on every picture in order, separated by ';': X,Y,W,H,R,G,B[,OPACITY] "
    "(left, top, width, height, colour; opacity 0 draws nothing, 255, the default, covers). "
    "Positions and sizes are rounded down to even and cut at the picture's edges",
    "", kPropFlags, filter_field<&BannerImpl::boxes>())};

constexpr pfgst::Property kMosaicProperties[] = {pfgst::string_property(
    "windows", "Windows",
    "Privacy windows, up to 32, separated by ';': X,Y,W,H,BLOCK (column, line, width, "
    "height, block size up to the window's width and height; 1 changes nothing, 0 "
    "switches the window off). Each block takes the luma of its top-left pixel",
    "", kPropFlags, filter_field<&MosaicImpl::windows>())};

constexpr pfgst::Property kLogoProperties[] = {
    pfgst::string_property("location", "Location",
                           "The logo: a PNG file (its alpha channel gives the transparency) or a "
                           "BMP file of 1 to 32 bits (key-color gives the transparent colour)",
                           "", kPropFlags, filter_field<&LogoImpl::location>()),
    int_property("x", "X", "Picture column of the logo's left edge (even)", 0, 16384, 0, kPropFlags,
                 filter_field<&LogoImpl::left>()),
    int_property("y", "Y", "Picture row of the logo's top edge (even)", 0, 16384, 0, kPropFlags,
                 filter_field<&LogoImpl::top>()),
    int_property("ref-width", "Reference width",
                 "Width of the pictures the logo was made for, a multiple of 8 (0: the "
                 "pictures' own). Smaller pictures get the logo picked or scaled down",
                 0, 16384, 0, kPropFlags, filter_field<&LogoImpl::ref_width>()),
    int_property("ref-height", "Reference height",
                 "Height of the pictures the logo was made for, a multiple of 4 (0: the "
                 "pictures' own)",
                 0, 16384, 0, kPropFlags, filter_field<&LogoImpl::ref_height>()),
    pfgst::colour_property("key-color", "Key colour",
                           "Colour of a BMP logo that is left transparent, as 0xRRGGBB", 0xFF00FF,
                           kPropFlags, filter_field<&LogoImpl::key_color>()),
    int_property("key-opacity", "Key opacity",
                 "Opacity of a BMP logo's key-colour pixels, 0 (clear) to 255 (which "
                 "makes every other pixel clear)",
                 0, 255, 0, kPropFlags, filter_field<&LogoImpl::key_opacity>()),
    pfgst::boolean_property("paste", "Paste", "Paste the logo's pixels, ignoring its transparency",
                            false, kPropFlags, filter_field<&LogoImpl::paste>()),
};

}  // namespace

static void pf_banner_class_init(PfBannerClass* klass) {
  pfgst::init_filter_class(
      klass, kBannerProperties, pfgst::raw_caps({"I420", "NV12", "UYVY", "YUY2"}, 16384, 16384),
      "pelforge banner", "Filter/Effect/Video",
      "Draws opaque or translucent rectangles (lower thirds, masks) on every picture");
}
static void pf_banner_init(PfBanner* self) {
  pfgst::init_filter(self, new BannerImpl, kBannerProperties);
}

static void pf_logo_class_init(PfLogoClass* klass) {
  pfgst::init_filter_class(klass, kLogoProperties,
                           pfgst::raw_caps({"I420", "NV12", "UYVY", "YUY2"}, 16384, 16384, 8, 4),
                           "pelforge logo", "Filter/Effect/Video",
                           "Blends a PNG or BMP logo with its transparency into every picture");
}
static void pf_logo_init(PfLogo* self) { pfgst::init_filter(self, new LogoImpl, kLogoProperties); }

static void pf_mosaic_class_init(PfMosaicClass* klass) {
  pfgst::init_filter_class(
      klass, kMosaicProperties,
      pfgst::raw_caps({"I420", "UYVY"}, PF_MOSAIC_MAX_WIDTH, PF_MOSAIC_MAX_HEIGHT),
      "pelforge mosaic", "Filter/Effect/Video",
      "Pixelates privacy windows of every picture (luma only)");
}
static void pf_mosaic_init(PfMosaic* self) {
  pfgst::init_filter(self, new MosaicImpl, kMosaicProperties);
}
