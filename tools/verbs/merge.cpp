// SPDX-License-Identifier: BSD-2-Clause
// pelforge merge: several streams composed into one monitor wall by the merge module (id 6), one
// picture of every input per output picture; --scale puts a resizer in front of each input. The
// composition demo's jobs.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "args.hpp"
#include "cli_error.hpp"
#include "demo.hpp"
#include "img_banner.h"
#include "img_merge.h"
#include "modules.hpp"
#include "pipeline.hpp"
#include "stream_io.hpp"
#include "verbs.hpp"
#include "verbs/stream_verb.hpp"

namespace pf::cli {
namespace {

constexpr uint32_t kMergeId = 6;

constexpr const char* kStyleNames[PF_MERGE_STYLE_COUNT] = {
    "none",         "full",       "VTow",      "ITow",      "Three",    "Four",
    "SFour",        "Six",        "Seven",     "Eight",     "Nine",     "Ten",
    "Ten_2_8",      "Ten_1_9",    "Twelve",    "Thirteen",  "Fourteen", "Sixteen",
    "Sixteen_1_15", "TwentyFive", "ThirtySix", "FortyNine", "SixtyFour"};

constexpr int kBackgrounds[9][2] = {{352, 288}, {704, 576},  {704, 480},  {720, 576}, {720, 480},
                                    {768, 768}, {1024, 768}, {1024, 800}, {1280, 800}};

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// "5", "four" or "Four".
int parse_style(const std::string& text) {
  for (int s = 0; s < PF_MERGE_STYLE_COUNT; ++s) {
    if (lower(text) == lower(kStyleNames[s]) || text == std::to_string(s)) return s;
  }
  throw UsageError("--style takes 0..22 or a style name (pelforge merge --list-styles), not '" +
                   text + "'");
}

// The grid style that holds n pictures, for a command line without --style.
int style_for(size_t n) {
  static constexpr struct {
    size_t count;
    int style;
  } kGrids[] = {{1, 1}, {2, 2}, {4, 5}, {9, 10}, {16, 17}, {25, 19}, {36, 20}, {49, 21}, {64, 22}};
  for (const auto& g : kGrids) {
    if (n <= g.count) return g.style;
  }
  return 22;
}

bool has_layout(int style, int w, int h) {
  return style == 0 || ImgMergeGetWindowRect(style, 1, w, h, nullptr, nullptr, nullptr, nullptr);
}

// A sketch of the style's windows: each cell shows the window covering its centre (1-9, then
// letters), later windows on top as the module draws them.
std::vector<std::string> sketch(int style, int w, int h, int cols, int rows) {
  static const char kLabels[] = "123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ#$%&";
  std::vector<std::string> out(static_cast<size_t>(rows),
                               std::string(static_cast<size_t>(cols), '.'));
  for (int n = 1; n <= al32FgNum[style]; ++n) {
    int x = 0, y = 0, ww = 0, wh = 0;
    ImgMergeGetWindowRect(style, n, w, h, &x, &y, &ww, &wh);
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < cols; ++c) {
        const int px = (2 * c + 1) * w / (2 * cols), py = (2 * r + 1) * h / (2 * rows);
        if (px >= x && px < x + ww && py >= y && py < y + wh) {
          out[static_cast<size_t>(r)][static_cast<size_t>(c)] = kLabels[n - 1];
        }
      }
    }
  }
  return out;
}

int list_styles(const Console& console) {
  for (int s = 0; s < PF_MERGE_STYLE_COUNT; ++s) {
    std::string sizes;
    int sw = 0, sh = 0;
    for (const auto& b : kBackgrounds) {
      if (!has_layout(s, b[0], b[1])) continue;
      sizes += (sizes.empty() ? "" : " ") + std::to_string(b[0]) + "x" + std::to_string(b[1]);
      if (sw == 0 || (b[0] == 720 && b[1] == 576)) sw = b[0], sh = b[1];
    }
    console.out << "style " << s << "  " << kStyleNames[s] << "  " << al32FgNum[s]
                << (al32FgNum[s] == 1 ? " window" : " windows") << "\n  sizes: " << sizes << "\n";
    if (s == 0) {
      console.out << "  (no windows; with boundary lines the 8x8 grid)\n\n";
      continue;
    }
    int x = 0, y = 0, ww = 0, wh = 0;
    ImgMergeGetWindowRect(s, 1, sw, sh, &x, &y, &ww, &wh);
    console.out << "  at " << sw << "x" << sh << ": window 1 is " << ww << "x" << wh;
    if (al32FgNum[s] > 1) {
      ImgMergeGetWindowRect(s, 2, sw, sh, &x, &y, &ww, &wh);
      console.out << ", window 2 " << ww << "x" << wh;
    }
    console.out << "\n";
    for (const std::string& line : sketch(s, sw, sh, 32, 8)) console.out << "    " << line << "\n";
    console.out << "\n";
  }
  return kExitOk;
}

// "3,5" -> {3, 5}, each 1..count.
std::set<int> window_list(OptionValue& o, int count_limit) {
  std::set<int> windows;
  const std::string text = o.text();
  size_t at = 0;
  while (at <= text.size()) {
    const size_t comma = std::min(text.find(',', at), text.size());
    const std::string item = text.substr(at, comma - at);
    char* end = nullptr;
    const long n = std::strtol(item.c_str(), &end, 10);
    if (item.empty() || *end != '\0' || n < 1 || n > count_limit) {
      throw UsageError(o.name() + " takes window numbers 1.." + std::to_string(count_limit) +
                       " separated by commas, not '" + text + "'");
    }
    windows.insert(static_cast<int>(n));
    at = comma + 1;
  }
  return windows;
}

std::array<uint8_t, 3> colour(OptionValue& o) {
  const std::vector<int> v = o.list(3);
  for (int c : v) {
    if (c < 0 || c > 255) throw UsageError(o.name() + " takes R,G,B of 0..255 each");
  }
  return {static_cast<uint8_t>(v[0]), static_cast<uint8_t>(v[1]), static_cast<uint8_t>(v[2])};
}

struct MergeOptions {
  int style = -1;  // -1: from the number of inputs
  bool scale = false;
  bool field = false;
  bool boundary = true;
  int boundary_width = 0;
  std::array<uint8_t, 3> background{0, 0, 0};
  std::array<uint8_t, 3> boundary_colour{255, 255, 255};
  std::array<uint8_t, 3> focus_colour{255, 200, 0};
  std::set<int> focus, empty;
};

// The record for `inputs` pictures: they take the windows in order, skipping those named empty;
// windows left over are empty and get the background colour.
tImgMergeParam merge_record(const MergeOptions& o, int style, int w, int h,
                            std::vector<int>& window_of_input, size_t inputs) {
  tImgMergeParam p{};
  p.u16MergeStyle = static_cast<uint16_t>(style);
  p.u32BgWidth = static_cast<uint32_t>(w);
  p.u32BgHeight = static_cast<uint32_t>(h);
  p.u32ImageType = o.field ? PF_IMAGE_FIELD : PF_IMAGE_FRAME;
  p.u32YuvType = PF_YUV_420;
  p.u8BgR = o.background[0], p.u8BgG = o.background[1], p.u8BgB = o.background[2];
  p.u8BoundaryR = o.boundary_colour[0], p.u8BoundaryG = o.boundary_colour[1];
  p.u8BoundaryB = o.boundary_colour[2];
  p.u8BoundaryWidth = static_cast<uint8_t>(o.boundary_width);
  p.u8FillEmpty = 1;
  p.u8DrawBoundary = o.boundary ? 1 : 0;
  p.u8DrawFocus = o.focus.empty() ? 0 : 1;
  window_of_input.clear();
  for (int n = 1; n <= al32FgNum[style]; ++n) {
    tImgMergeWindow& win = p.atWindow[n - 1];
    int x = 0, y = 0, ww = 0, wh = 0;
    ImgMergeGetWindowRect(style, n, w, h, &x, &y, &ww, &wh);
    win.u32Width = static_cast<uint32_t>(ww);
    win.u32Height = static_cast<uint32_t>(wh);
    win.u32ImageType = PF_IMAGE_FRAME;
    win.u32YuvType = PF_YUV_420;
    win.u8WindowNo = static_cast<uint8_t>(n);
    win.u8Focus = o.focus.count(n) != 0 ? 1 : 0;
    win.u8FocusR = o.focus_colour[0], win.u8FocusG = o.focus_colour[1];
    win.u8FocusB = o.focus_colour[2];
    if (o.empty.count(n) != 0 || window_of_input.size() == inputs) {
      win.u8Empty = 1;
    } else {
      window_of_input.push_back(n);
    }
  }
  return p;
}

// Paints the whole picture in one colour with the library's plain fill, so that what no window,
// band or line covers is the background colour in every picture.
void clear_background(uint8_t* picture, int w, int h, uint32_t layout,
                      const std::array<uint8_t, 3>& c) {
  const size_t luma = static_cast<size_t>(w) * h;
  const tDrawBannerRect rect{w, h, 0, 0, c[0], c[1], c[2]};
  const tDrawBannerPicture pic{picture,
                               picture + luma,
                               picture + luma * 5 / 4,
                               w,
                               h,
                               w,
                               w / 2,
                               layout == PF_IMAGE_FIELD ? PF_IMAGE_FIELD : PF_IMAGE_FRAME,
                               PF_YUV_420};
  ImgDrawBanner(nullptr, &rect, &pic);
}

int run_merge(const VerbArgs& args, const Console& console) {
  if (std::find(args.begin(), args.end(), "--list-styles") != args.end()) {
    return list_styles(console);
  }
  MergeOptions o;
  StreamVerb verb;
  verb.name = "merge";
  verb.description =
      "Composes several streams into one picture in one of 22 fixed layouts (styles) with the\n"
      "merge module: one picture of every input per output picture, the run ending with the\n"
      "shortest input. Each input must have the size of its window (pelforge merge\n"
      "--list-styles shows them), or be brought to it with --scale. Inputs take the windows in\n"
      "order; windows without an input get the background colour. The background size (-s\n"
      "after the inputs) is one of 352x288, 704x576, 704x480, 720x576, 720x480, 768x768,\n"
      "1024x768, 1024x800, 1280x800 (default 720x576).\n";
  verb.options_help =
      "  --style N             layout 0..22 or its name (default: the grid that holds the\n"
      "                        inputs: 1, 2, 4, 9, 16, 25, 36, 49 or 64 windows)\n"
      "  --list-styles         print every style: windows, sizes and a sketch\n"
      "  --scale               resize each input to its window first\n"
      "  --background R,G,B    background and empty windows (default 0,0,0)\n"
      "  --boundary R,G,B      boundary line colour (default 255,255,255)\n"
      "  --boundary-width N    even, 2..24 (default: 2 at 352x288, else 4)\n"
      "  --no-boundary         no boundary lines\n"
      "  --focus LIST          focus frames in these windows: 3,5\n"
      "  --focus-colour R,G,B  (default 255,200,0)\n"
      "  --empty LIST          leave these windows without input: 2,4\n"
      "  --field               compose into field storage (each input frame or field)\n";
  verb.examples =
      "  pelforge merge a.y4m b.y4m c.y4m d.y4m --style four -s 704x576 -o wall.y4m\n"
      "  pelforge merge cam*.y4m --scale --style nine --focus 5 -o wall.y4m\n"
      "  pelforge merge -s 352x288 a.yuv -s 352x288 b.yuv --style vtow -s 704x576 -o two.yuv\n"
      "  pelforge merge --list-styles\n";
  verb.formats = {"yuv420p"};
  verb.layouts = {PF_IMAGE_FRAME, PF_IMAGE_FIELD};
  verb.min_inputs = 1;
  verb.max_inputs = PF_MERGE_MAX_WINDOWS;
  verb.options = [&](OptionValue& opt) {
    const std::string& name = opt.name();
    if (name == "--style") {
      o.style = parse_style(opt.text());
    } else if (name == "--scale") {
      opt.flag();
      o.scale = true;
    } else if (name == "--field") {
      opt.flag();
      o.field = true;
    } else if (name == "--no-boundary") {
      opt.flag();
      o.boundary = false;
    } else if (name == "--boundary-width") {
      o.boundary_width = static_cast<int>(opt.integer(2, 24));
      if (o.boundary_width % 2 != 0) throw UsageError("--boundary-width must be even");
    } else if (name == "--background") {
      o.background = colour(opt);
    } else if (name == "--boundary") {
      o.boundary_colour = colour(opt);
    } else if (name == "--focus-colour" || name == "--focus-color") {
      o.focus_colour = colour(opt);
    } else if (name == "--focus") {
      o.focus = window_list(opt, PF_MERGE_MAX_WINDOWS);
    } else if (name == "--empty") {
      o.empty = window_list(opt, PF_MERGE_MAX_WINDOWS);
    } else {
      return false;
    }
    return true;
  };
  verb.build = [&](StreamContext& ctx) {
    const std::vector<VideoFormat>& ins = ctx.inputs();
    const int style = o.style >= 0 ? o.style : style_for(ins.size());
    const Size size = ctx.args().output.size.value_or(Size{720, 576});
    const int w = size.width, h = size.height;
    const auto& count_of = al32FgNum;
    if (!has_layout(style, w, h)) {
      std::string sizes;
      for (const auto& b : kBackgrounds) {
        if (has_layout(style, b[0], b[1])) {
          sizes += " " + std::to_string(b[0]) + "x" + std::to_string(b[1]);
        }
      }
      throw UsageError("style " + std::to_string(style) + " (" + kStyleNames[style] +
                       ") has no layout at " + std::to_string(w) + "x" + std::to_string(h) +
                       "; it has one at" + (sizes.empty() ? " no size" : sizes));
    }
    for (int n : o.focus) {
      if (n > count_of[style]) {
        throw UsageError("--focus " + std::to_string(n) + ": style " + std::to_string(style) +
                         " has " + std::to_string(count_of[style]) + " windows");
      }
    }
    std::vector<int> window_of_input;
    tImgMergeParam p = merge_record(o, style, w, h, window_of_input, ins.size());
    if (window_of_input.size() < ins.size()) {
      throw UsageError(std::to_string(ins.size()) + " inputs, but style " + std::to_string(style) +
                       " (" + kStyleNames[style] + ") has room for " +
                       std::to_string(window_of_input.size()));
    }
    // Each input as its window takes it: its own size and storage, or scaled to the window.
    auto scalers = std::make_shared<std::vector<std::unique_ptr<Stage>>>();
    for (size_t i = 0; i < ins.size(); ++i) {
      tImgMergeWindow& win = p.atWindow[window_of_input[i] - 1];
      VideoFormat want = ins[i];
      want.width = static_cast<int>(win.u32Width);
      want.height = static_cast<int>(win.u32Height);
      const bool fits = ins[i].width == want.width && ins[i].height == want.height;
      if (!fits && !o.scale) {
        throw UsageError("input " + std::to_string(i + 1) + " is " + std::to_string(ins[i].width) +
                         "x" + std::to_string(ins[i].height) + ", window " +
                         std::to_string(window_of_input[i]) + " of style " + std::to_string(style) +
                         " at " + std::to_string(w) + "x" + std::to_string(h) + " is " +
                         std::to_string(want.width) + "x" + std::to_string(want.height) +
                         " (add --scale to resize it)");
      }
      win.u32ImageType = ins[i].layout == PF_IMAGE_FIELD ? PF_IMAGE_FIELD : PF_IMAGE_FRAME;
      scalers->push_back(fits ? nullptr : make_resizer_stage(ins[i], want, Geometry{}, ctx.mem()));
    }
    auto merge = ctx.open(kMergeId, &p);
    VideoFormat out = ins.front();
    out.width = w;
    out.height = h;
    out.layout = o.field ? PF_IMAGE_FIELD : PF_IMAGE_FRAME;
    out.sar = Rational{0, 0};
    auto scaled = std::make_shared<std::vector<std::vector<uint8_t>>>();
    for (const auto& s : *scalers) scaled->emplace_back(s ? s->out().frame_size() : 0);
    const std::array<uint8_t, 3> background = o.background;
    const uint32_t layout = out.layout;
    ctx.combine(out, [=](std::span<uint8_t* const> pictures, uint8_t* dst) {
      uint8_t* array[PF_MERGE_PICTURE_ENTRIES] = {};
      for (size_t i = 0; i < pictures.size(); ++i) {
        uint8_t* picture = pictures[i];
        if ((*scalers)[i]) {
          (*scalers)[i]->run(picture, (*scaled)[i].data());
          picture = (*scaled)[i].data();
        }
        array[window_of_input[i] - 1] = picture;
      }
      clear_background(dst, w, h, layout, background);
      array[PF_MERGE_OUTPUT_Y] = dst;
      int context = 0;
      merge->process(array, &context);
    });
  };
  return run_stream_verb(verb, args, console);
}

}  // namespace

PF_VERB_MAIN(merge) { return run_merge(args, console); }

// ---------------------------------------------------------------- demo

namespace {

// A variant of a pattern picture: as it is, with luma inverted, mirrored, or with its colours
// turned (U and V swapped), so that neighbouring windows look different.
void variant(const uint8_t* in, uint8_t* out, int w, int h, int kind) {
  const size_t luma = static_cast<size_t>(w) * h, bytes = luma * 3 / 2;
  switch (kind % 4) {
    case 0:
      std::memcpy(out, in, bytes);
      break;
    case 1:
      for (size_t i = 0; i < luma; ++i) out[i] = static_cast<uint8_t>(255 - in[i]);
      std::memcpy(out + luma, in + luma, bytes - luma);
      break;
    case 2: {
      auto mirror = [&](size_t offset, int pw, int ph) {
        for (int y = 0; y < ph; ++y) {
          for (int x = 0; x < pw; ++x) {
            out[offset + static_cast<size_t>(y) * pw + x] =
                in[offset + static_cast<size_t>(y) * pw + (pw - 1 - x)];
          }
        }
      };
      mirror(0, w, h);
      mirror(luma, w / 2, h / 2);
      mirror(luma * 5 / 4, w / 2, h / 2);
      break;
    }
    default:
      std::memcpy(out, in, luma);
      std::memcpy(out + luma, in + luma * 5 / 4, luma / 4);
      std::memcpy(out + luma * 5 / 4, in + luma, luma / 4);
      break;
  }
}

}  // namespace

PF_DEMO_MAIN(merge) {
  const VideoFormat& src = demo.source();
  const struct {
    DemoJob job;
    int style;
  } jobs[] = {
      {{"merge_4", "merge: 4 windows (Four), boundary, focus on window 1"}, 5},
      {{"merge_9", "merge: 9 windows (Nine), boundary, focus on window 5"}, 10},
      {{"merge_16", "merge: 16 windows (Sixteen), boundary, focus on window 6"}, 17},
  };
  for (const auto& j : jobs) {
    if (!demo.wants(j.job)) continue;
    MergeOptions o;
    o.focus = {j.style == 5 ? 1 : j.style == 10 ? 5 : 6};
    o.boundary_colour = {230, 230, 230};
    const int count = al32FgNum[j.style];
    std::vector<int> window_of_input;
    tImgMergeParam p = merge_record(o, j.style, src.width, src.height, window_of_input,
                                    static_cast<size_t>(count));
    // Every window gets the moving pattern at its size, each a variant and a few frames apart.
    struct Window {
      int w, h;
      Frames frames;
      std::vector<uint8_t> picture;
    };
    auto windows = std::make_shared<std::vector<Window>>();
    for (int n = 1; n <= count; ++n) {
      const tImgMergeWindow& win = p.atWindow[n - 1];
      const int ww = static_cast<int>(win.u32Width), wh = static_cast<int>(win.u32Height);
      if (n > 1 && ww == (*windows)[0].w && wh == (*windows)[0].h) {
        windows->push_back({ww, wh, {}, std::vector<uint8_t>(size_t(ww) * wh * 3 / 2)});
        continue;
      }
      windows->push_back({ww, wh, demo.pattern(ww, wh, false), {}});
      windows->back().picture.resize(size_t(ww) * wh * 3 / 2);
    }
    auto merge = std::make_shared<Instance>(kMergeId, &p, demo.mem());
    auto index = std::make_shared<size_t>(0);
    const int w = src.width, h = src.height;
    const std::array<uint8_t, 3> background = o.background;
    demo.run(j.job, demo.progressive(), src, src, [=](uint8_t*, uint8_t* out) {
      uint8_t* array[PF_MERGE_PICTURE_ENTRIES] = {};
      const size_t k = (*index)++;
      for (int n = 0; n < count; ++n) {
        Window& win = (*windows)[static_cast<size_t>(n)];
        const Frames& frames = win.frames.empty() ? (*windows)[0].frames : win.frames;
        variant(frames[(k + 5 * static_cast<size_t>(n)) % frames.size()].data(), win.picture.data(),
                win.w, win.h, n);
        array[n] = win.picture.data();
      }
      clear_background(out, w, h, PF_IMAGE_FRAME, background);
      array[PF_MERGE_OUTPUT_Y] = out;
      int context = 0;
      merge->process(array, &context);
    });
  }
}

}  // namespace pf::cli
