// SPDX-License-Identifier: BSD-2-Clause
// mergezoom: streams of any size composed into one picture through the merge-with-zoom module,
// in a grid, a layout file or a style of the library's; and its demo job, a 3x3 wall with every
// zoom style over pictures of different sizes and shapes.
#include "verbs/mergezoom.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "cli_error.hpp"
#include "demo.hpp"
#include "formats.hpp"
#include "img_addimage.h"
#include "img_merge_zoom.h"
#include "modules.hpp"
#include "stream_verb.hpp"
#include "verbs.hpp"

namespace pf::cli {

namespace {

constexpr uint32_t kMergeZoomId = 21;
constexpr uint32_t kAddImageId = 14;

int denominator_of(int style) { return atMergePointstyle[style][0].u16X & 0xFF; }
int numerator_of(uint16_t v) { return v >> 8; }

// The window of a style as four fractions over the style's denominator.
struct Fractions {
  int x, y, w, h, d;
};
Fractions window_of(int style, int i) {
  const tMergePoint& p = atMergePointstyle[style][i];
  return {numerator_of(p.u16X), numerator_of(p.u16Y), numerator_of(p.u16Width),
          numerator_of(p.u16Height), denominator_of(style)};
}

bool same_fraction(int a, int b, int c, int d) { return int64_t{a} * d == int64_t{c} * b; }

}  // namespace

int find_merge_style(uint32_t code) {
  for (int s = 0; s < PF_MERGE_ZOOM_STYLE_COUNT; ++s) {
    if (al32MergeStyle[s][0] != 0 && uint32_t(al32MergeStyle[s][0]) == code) return s;
  }
  return -1;
}

int merge_style_windows(int style) { return al32MergeStyle[style][1]; }

int find_grid_style(int cols, int rows) {
  for (int s = 0; s < PF_MERGE_ZOOM_STYLE_COUNT; ++s) {
    const int n = merge_style_windows(s);
    if (al32MergeStyle[s][0] < 20000 || n != cols * rows) continue;
    bool grid = true;
    for (int i = 0; i < n && grid; ++i) {
      const Fractions f = window_of(s, i);
      grid = same_fraction(f.w, f.d, 1, cols) && same_fraction(f.h, f.d, 1, rows);
    }
    if (grid) return s;
  }
  return -1;
}

std::vector<int> reading_order(int style) {
  std::vector<int> order(size_t(merge_style_windows(style)));
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [style](int a, int b) {
    const Fractions p = window_of(style, a), q = window_of(style, b);
    return p.y != q.y ? p.y < q.y : p.x < q.x;
  });
  return order;
}

namespace {

const char* const kZoomNames[] = {"stretch", "fit", "fill", "centre", "auto"};

uint32_t parse_zoom(const std::string& name, const std::string& where) {
  for (uint32_t z = 0; z < 5; ++z) {
    if (name == kZoomNames[z]) return z + 1;
  }
  if (name == "center") return PF_MERGE_ZOOM_CENTRE;
  throw UsageError(where + ": zoom style '" + name + "' is none of stretch, fit, fill, centre, " +
                   "auto");
}

// "0", "1", "3/8".
std::pair<int, int> parse_fraction(const std::string& text, const std::string& where) {
  int num = 0, den = 1;
  char slash = 0, extra = 0;
  const int got = std::sscanf(text.c_str(), "%d%c%d%c", &num, &slash, &den, &extra);
  if (!((got == 1) || (got == 3 && slash == '/')) || num < 0 || den <= 0 || num > den) {
    throw UsageError(where + ": '" + text + "' is not a fraction between 0 and 1 such as 3/8");
  }
  return {num, den};
}

std::string fraction_text(int num, int den) {
  if (num == 0) return "0";
  const int g = std::gcd(num, den);
  return num == den ? "1" : std::to_string(num / g) + "/" + std::to_string(den / g);
}

std::string describe_style(int style) {
  std::string s = std::to_string(al32MergeStyle[style][0]) + ":";
  for (int i = 0; i < merge_style_windows(style); ++i) {
    const Fractions f = window_of(style, i);
    s += "  " + fraction_text(f.x, f.d) + " " + fraction_text(f.y, f.d) + " " +
         fraction_text(f.w, f.d) + " " + fraction_text(f.h, f.d);
  }
  return s;
}

}  // namespace

MergeLayout read_merge_layout(std::istream& in, const std::string& name) {
  struct Line {
    std::pair<int, int> v[4];
    std::string where;
  };
  std::vector<Line> lines;
  MergeLayout layout;
  std::string text;
  for (int number = 1; std::getline(in, text); ++number) {
    const std::string where = name + ":" + std::to_string(number);
    if (const size_t hash = text.find('#'); hash != std::string::npos) text.resize(hash);
    std::istringstream words(text);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.empty()) continue;
    if (w[0] == "style") {
      if (w.size() != 2 || layout.style >= 0 || !lines.empty()) {
        throw UsageError(where + ": a layout is either one line 'style CODE' or window lines");
      }
      layout.style = find_merge_style(uint32_t(parse_integer(w[1], where)));
      if (layout.style < 0) throw UsageError(where + ": the library has no style " + w[1]);
      continue;
    }
    if (layout.style >= 0) {
      throw UsageError(where + ": a layout is either one line 'style CODE' or window lines");
    }
    if (w.size() < 4 || w.size() > 6) {
      throw UsageError(where + ": a window is 'LEFT TOP WIDTH HEIGHT [ZOOM] [focus]'");
    }
    Line l;
    l.where = where;
    for (int k = 0; k < 4; ++k) l.v[k] = parse_fraction(w[size_t(k)], where);
    uint32_t zoom = 0;
    bool focus = false;
    for (size_t k = 4; k < w.size(); ++k) {
      if (w[k] == "focus") {
        focus = true;
      } else {
        zoom = parse_zoom(w[k], where);
      }
    }
    lines.push_back(l);
    layout.zoom.push_back(zoom);
    layout.focus.push_back(focus);
  }
  if (layout.style >= 0) {
    for (int i = 0; i < merge_style_windows(layout.style); ++i) layout.windows.push_back(i + 1);
    layout.zoom.assign(layout.windows.size(), 0);
    layout.focus.assign(layout.windows.size(), false);
    return layout;
  }
  if (lines.empty()) throw UsageError(name + ": no windows");
  // The style whose windows are exactly these, in any order.
  std::string near;
  for (int s = 0; s < PF_MERGE_ZOOM_STYLE_COUNT; ++s) {
    const int n = merge_style_windows(s);
    if (al32MergeStyle[s][0] == 0 || n != int(lines.size())) continue;
    std::vector<int> numbers;
    std::vector<bool> used(size_t(n), false);
    for (const Line& l : lines) {
      int found = -1;
      for (int i = 0; i < n && found < 0; ++i) {
        const Fractions f = window_of(s, i);
        const int mine[4] = {f.x, f.y, f.w, f.h};
        bool same = !used[size_t(i)];
        for (int k = 0; k < 4 && same; ++k) {
          same = same_fraction(mine[k], f.d, l.v[k].first, l.v[k].second);
        }
        if (same) found = i;
      }
      if (found < 0) break;
      used[size_t(found)] = true;
      numbers.push_back(found + 1);
    }
    if (numbers.size() == lines.size()) {
      layout.style = s;
      layout.windows = numbers;
      return layout;
    }
    if (std::count(near.begin(), near.end(), '\n') < 8) near += "\n  " + describe_style(s);
  }
  throw UsageError(name + ": no layout of the library has these " + std::to_string(lines.size()) +
                   " windows" +
                   (near.empty() ? std::string() : "; those with as many are:" + near));
}

tImageMergeZoomWindow merge_window(int number, const VideoFormat& f, uint32_t zoom) {
  tImageMergeZoomWindow w{};
  w.u32State = 1;
  w.u32ZoomStyle = zoom;
  w.u32WindowNum = uint32_t(number);
  w.u32Width = uint32_t(f.width);
  w.u32Height = uint32_t(f.height);
  w.u32ImageType = f.layout;
  w.u32YuvType = f.fmt->yuv_type;
  // The display shape when the stream names one the module knows; else square pixels.
  if (f.sar.known()) {
    const int64_t aw = int64_t{f.width} * f.sar.num, ah = int64_t{f.height} * f.sar.den;
    const int64_t g = std::gcd(aw, ah);
    const int64_t known[][2] = {{4, 3}, {16, 9}, {64, 45}, {32, 27}};
    for (const auto& k : known) {
      if (aw / g == k[0] && ah / g == k[1]) {
        w.u32AspectWidth = uint32_t(k[0]), w.u32AspectHeight = uint32_t(k[1]);
      }
    }
  }
  return w;
}

namespace {

uint32_t colour_of(const std::vector<int>& v, const std::string& what) {
  for (int c : v) {
    if (c < 0 || c > 255) throw UsageError(what + ": colour components go from 0 to 255");
  }
  return uint32_t(v[0]) << 16 | uint32_t(v[1]) << 8 | uint32_t(v[2]);
}

}  // namespace

PF_VERB_MAIN(mergezoom) {
  std::string layout_file;
  std::optional<Size> grid;
  std::optional<uint32_t> style_code;
  uint32_t zoom = PF_MERGE_ZOOM_FIT;
  std::optional<int> border;
  bool lines = false;
  uint32_t border_colour = 0xFFFFFF, background = 0, focus_colour = 0xFFC800;
  std::vector<int> focus;
  StreamVerb verb;
  verb.name = "mergezoom";
  verb.description =
      "Composes pictures of any size into one picture of any even size with the library's\n"
      "merge-with-zoom module (module 21): each input is scaled into its window of a layout in\n"
      "its window's zoom style. The layout is a grid (--grid), a layout file (--layout), or a\n"
      "style code of the library's (--style); by default the smallest grid that holds every\n"
      "input. The output size is -s WxH after the last input (default: the first input's).\n"
      "Inputs go to the windows in order: a grid's row by row, a layout file's line by line;\n"
      "windows without an input show the background. The shortest input ends the run.\n"
      "\n"
      "Zoom styles:\n"
      "  stretch   the whole picture to the whole window\n"
      "  fit       the whole picture, shape kept, black bars (the default)\n"
      "  fill      the window filled, shape kept, the picture's edges cut off\n"
      "  centre    not scaled: centred, cut or with bars\n"
      "  auto      centre when the picture fits the window, else fit\n"
      "A picture's shape is its display aspect when the stream gives a pixel aspect that makes\n"
      "it 4:3, 16:9, 64:45 or 32:27, else its width and height.\n"
      "\n"
      "Layout files: one window a line, 'LEFT TOP WIDTH HEIGHT [ZOOM] [focus]', positions and\n"
      "sizes as fractions of the picture (0, 1, 3/8); '#' starts a comment. The windows must be\n"
      "those of one of the library's layouts, in any order (the message for a layout it does\n"
      "not have lists those with as many windows). A file may instead hold one line\n"
      "'style CODE'. A large picture with two small ones on its bottom edge (style 10300):\n"
      "  0 0 1 1 fill\n"
      "  1/4 3/4 1/4 1/4 fit focus\n"
      "  1/2 3/4 1/4 1/4\n";
  verb.options_help =
      "  --grid CxR            a grid of C columns and R rows: 1x1, 2x2, 3x2, 3x3, 4x4, 5x5\n"
      "  --layout FILE         the windows from a layout file (above)\n"
      "  --style CODE          one of the library's styles, such as 10200 or 21601\n"
      "  --zoom STYLE          zoom style of windows that do not name one (default fit)\n"
      "  --lines               draw border lines along the window edges\n"
      "  --border N            line width and the gap left round each window, even (default 0;\n"
      "                        4 with --lines or --focus)\n"
      "  --border-colour R,G,B line colour (default 255,255,255)\n"
      "  --background R,G,B    what no picture covers (default 0,0,0)\n"
      "  --focus N             a focus frame inside input N's window (1 is the first input);\n"
      "                        repeat for more; border lines are drawn too\n"
      "  --focus-colour R,G,B  (default 255,200,0)\n";
  verb.examples =
      "  pelforge mergezoom cam1.y4m cam2.y4m cam3.y4m cam4.y4m -s 1280x720 -o wall.y4m\n"
      "  pelforge mergezoom a.y4m b.y4m c.y4m d.y4m e.y4m f.y4m g.y4m h.y4m i.y4m --grid 3x3 \\\n"
      "      --zoom fill --lines -s 1920x1080 -o wall.y4m --preview previews\n"
      "  pelforge mergezoom main.y4m inset.y4m --style 10200 --focus 2 -s 720x576 -o pip.y4m\n"
      "  pelforge mergezoom a.y4m b.y4m c.y4m --layout studio.txt -s 1024x768 -o out.yuv\n";
  verb.formats = {"yuv420p", "yuv422p"};
  verb.min_inputs = 1;
  verb.max_inputs = PF_MERGE_ZOOM_MAX_WINDOWS;
  verb.options = [&](OptionValue& o) {
    const std::string& n = o.name();
    if (n == "--grid") {
      grid = parse_size(o.text(), "--grid");
    } else if (n == "--layout") {
      layout_file = o.text();
    } else if (n == "--style") {
      style_code = uint32_t(o.integer(0, 0xFFFFFFFF));
    } else if (n == "--zoom") {
      zoom = parse_zoom(o.text(), "--zoom");
    } else if (n == "--lines") {
      o.flag();
      lines = true;
    } else if (n == "--border") {
      border = int(o.integer(0, 254));
      if (*border % 2 != 0) throw UsageError("--border must be even");
    } else if (n == "--border-colour" || n == "--border-color") {
      border_colour = colour_of(o.list(3), n);
    } else if (n == "--background") {
      background = colour_of(o.list(3), n);
    } else if (n == "--focus") {
      focus.push_back(int(o.integer(1, PF_MERGE_ZOOM_MAX_WINDOWS)));
    } else if (n == "--focus-colour" || n == "--focus-color") {
      focus_colour = colour_of(o.list(3), n);
    } else {
      return false;
    }
    return true;
  };
  verb.build = [&](StreamContext& ctx) {
    const std::vector<VideoFormat>& inputs = ctx.inputs();
    const int n = int(inputs.size());
    if (int(grid.has_value()) + int(!layout_file.empty()) + int(style_code.has_value()) > 1) {
      throw UsageError("mergezoom takes one of --grid, --layout and --style");
    }
    MergeLayout layout;
    if (!layout_file.empty()) {
      std::ifstream file(layout_file);
      if (!file) throw CliError("cannot read the layout file " + layout_file);
      layout = read_merge_layout(file, layout_file);
    } else {
      if (style_code) {
        layout.style = find_merge_style(*style_code);
        if (layout.style < 0) {
          throw UsageError("--style: the library has no style " + std::to_string(*style_code));
        }
      } else if (grid) {
        layout.style = find_grid_style(grid->width, grid->height);
        if (layout.style < 0) {
          throw UsageError("--grid: the library has no " + std::to_string(grid->width) + "x" +
                           std::to_string(grid->height) +
                           " grid; it has 1x1, 2x2, 3x2, 3x3, 4x4 and 5x5");
        }
      } else {
        for (const auto& [c, r] : {std::pair{1, 1}, {2, 2}, {3, 2}, {3, 3}, {4, 4}, {5, 5}}) {
          if (c * r >= n) {
            layout.style = find_grid_style(c, r);
            break;
          }
        }
      }
      for (int i : reading_order(layout.style)) layout.windows.push_back(i + 1);
      layout.zoom.assign(layout.windows.size(), 0);
      layout.focus.assign(layout.windows.size(), false);
    }
    const int count = merge_style_windows(layout.style);
    if (n > int(layout.windows.size())) {
      throw UsageError(std::to_string(n) + " inputs for a layout of " +
                       std::to_string(layout.windows.size()) + " windows");
    }
    for (int f : focus) {
      if (f > n) throw UsageError("--focus " + std::to_string(f) + ": there is no such input");
    }

    const VideoFormat& first = inputs.front();
    const Size size = ctx.args().output.size.value_or(Size{first.width & ~1, first.height & ~1});
    const bool field = ctx.args().output.layout == PF_IMAGE_FIELD;
    if (size.width < 64 || size.height < 64 || size.width % 2 != 0 ||
        size.height % (field ? 4 : 2) != 0 || size.width > PF_MERGE_ZOOM_MAX_SIZE ||
        size.height > PF_MERGE_ZOOM_MAX_SIZE) {
      throw UsageError("the output must be 64x64 to 16384x16384 with an even width and height" +
                       std::string(field ? " (a multiple of 4 in field storage)" : "") + ", not " +
                       std::to_string(size.width) + "x" + std::to_string(size.height));
    }
    VideoFormat out = first;
    out.width = size.width, out.height = size.height;
    out.fmt =
        ctx.args().output.fmt == find_pix_fmt("yuv422p") ? find_pix_fmt("yuv422p") : &yuv420p();
    out.layout = field ? PF_IMAGE_FIELD : PF_IMAGE_FRAME;
    out.sar = {1, 1};

    // One record per window of the style, by window number; the inputs fill theirs in order.
    std::vector<tImageMergeZoomWindow> windows(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
      windows[size_t(i)].u32State = PF_MERGE_ZOOM_STATE_EMPTY;
      windows[size_t(i)].u32WindowNum = uint32_t(i + 1);
    }
    for (int k = 0; k < n; ++k) {
      const VideoFormat& f = inputs[size_t(k)];
      const size_t slot = size_t(layout.windows[size_t(k)] - 1);
      if (f.width % 2 != 0 || f.height % (f.layout == PF_IMAGE_FIELD ? 4 : 2) != 0) {
        throw UsageError("input " + std::to_string(k + 1) + " is " + std::to_string(f.width) + "x" +
                         std::to_string(f.height) +
                         ": merge with zoom takes even sizes (heights of field pictures in "
                         "multiples of 4)");
      }
      const uint32_t z = layout.zoom[size_t(k)] != 0 ? layout.zoom[size_t(k)] : zoom;
      windows[slot] = merge_window(int(slot) + 1, f, z);
      const bool focused =
          layout.focus[size_t(k)] || std::find(focus.begin(), focus.end(), k + 1) != focus.end();
      windows[slot].u32FocusFlag = focused ? 1 : 0;
      windows[slot].u32FocusColour = focus_colour;
    }
    const bool any_focus = std::any_of(windows.begin(), windows.end(),
                                       [](const auto& w) { return w.u32FocusFlag == 1; });
    tImageMergeZoomParam p{};
    p.s32MaxPicNum = count;
    p.u32MergeStyle = uint32_t(al32MergeStyle[layout.style][0]);
    p.u32BgWidth = uint32_t(size.width), p.u32BgHeight = uint32_t(size.height);
    p.u32ImageType = out.layout;
    p.u32YuvType = out.fmt->yuv_type;
    p.u32DrawLine = lines || any_focus ? 1 : 0;
    p.u32BorderColour = border_colour;
    p.u32BorderWidth = uint32_t(border.value_or(lines || any_focus ? 4 : 0));
    p.u32FillEmpty = 1;
    p.u32BgColour = background;
    p.ptWindows = windows.data();
    auto module = ctx.open(kMergeZoomId, &p);

    std::vector<size_t> slots(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) slots[size_t(k)] = size_t(layout.windows[size_t(k)] - 1);
    ctx.combine(out,
                [module, inputs, slots, out, count](std::span<uint8_t* const> ins, uint8_t* dst) {
                  std::vector<tImgPicture> pictures(static_cast<size_t>(count), tImgPicture{});
                  for (size_t k = 0; k < ins.size(); ++k) {
                    const VideoFormat& f = inputs[k];
                    pictures[slots[k]] = picture_record(*f.fmt, f.width, f.height, ins[k]);
                  }
                  tImgPicture o = picture_record(*out.fmt, out.width, out.height, dst);
                  module->process(&o, pictures.data());
                });
  };
  return run_stream_verb(verb, args, console);
}

}  // namespace pf::cli

namespace pf::cli {

namespace {

// Frames and fields are what the module tells apart; interlaced frames are stored as frames.
uint32_t storage_of(const VideoFormat& f) {
  return f.layout == PF_IMAGE_FIELD ? PF_IMAGE_FIELD : PF_IMAGE_FRAME;
}

std::string size_text(int w, int h) { return std::to_string(w) + "x" + std::to_string(h); }

}  // namespace

PF_VERB_MAIN(insert) {
  std::vector<int> at = {0, 0}, cut = {0, 0, 0, 0};
  StreamVerb verb;
  verb.name = "insert";
  verb.description =
      "Inserts the second input into the first, picture by picture, with the library's\n"
      "picture-insertion module (module 14): picture in picture, the foreground copied\n"
      "unscaled at --at X,Y, optionally cut at its edges first. Both inputs must be yuv420p\n"
      "(other formats are converted) or both uyvy422, with sizes that are multiples of 8; the\n"
      "foreground after its cuts must fit at its place. Field pictures (--in-layout field)\n"
      "are copied field by field, into frames or fields. The output is the background.\n";
  verb.options_help =
      "  --at X,Y              the foreground's top-left pixel in the background, even\n"
      "                        (default 0,0)\n"
      "  --cut T,B,L,R         lines cut off the foreground's top and bottom, columns off its\n"
      "                        left and right, even (default 0,0,0,0)\n";
  verb.examples =
      "  pelforge insert main.y4m inset.y4m --at 440,352 -o pip.y4m\n"
      "  pelforge insert studio.y4m camera.y4m --at 64,64 --cut 8,8,16,16 -o out.y4m\n"
      "  pelforge insert -s 720x576 -pix_fmt uyvy422 bg.yuv -s 352x288 -pix_fmt uyvy422 fg.yuv \\\n"
      "      --at 352,272 -o out.yuv\n";
  verb.formats = {"yuv420p", "uyvy422"};
  verb.min_inputs = verb.max_inputs = 2;
  verb.options = [&](OptionValue& o) {
    if (o.name() == "--at") {
      at = o.list(2);
    } else if (o.name() == "--cut") {
      cut = o.list(4);
    } else {
      return false;
    }
    for (int v : o.name() == "--at" ? at : cut) {
      if (v < 0 || v % 2 != 0) throw UsageError(o.name() + " takes even values from 0");
    }
    return true;
  };
  verb.build = [&](StreamContext& ctx) {
    const VideoFormat bg = ctx.inputs()[0], fg = ctx.inputs()[1];
    if (bg.fmt != fg.fmt) {
      throw UsageError("insert takes both pictures in one pixel format, not " +
                       std::string(bg.fmt->name) + " and " + fg.fmt->name);
    }
    for (const VideoFormat* f : {&bg, &fg}) {
      if (f->width % 8 != 0 || f->height % 8 != 0) {
        throw UsageError(std::string(f == &bg ? "the background" : "the foreground") + " is " +
                         size_text(f->width, f->height) +
                         "; insert takes sizes that are multiples of 8");
      }
    }
    const int w = fg.width - cut[2] - cut[3], h = fg.height - cut[0] - cut[1];
    if (w <= 0 || h <= 0 || at[0] + w > bg.width || at[1] + h > bg.height) {
      throw UsageError("the foreground, " + size_text(w, h) + " after its cuts, does not fit at " +
                       std::to_string(at[0]) + "," + std::to_string(at[1]) + " into the " +
                       size_text(bg.width, bg.height) + " background");
    }
    const tImageAddImageParam p{bg.width, bg.height, storage_of(bg), bg.fmt->yuv_type,
                                fg.width, fg.height, storage_of(fg), fg.fmt->yuv_type,
                                at[1],    at[0],     cut[0],         cut[1],
                                cut[2],   cut[3]};
    auto module = ctx.open(kAddImageId, &p);
    const size_t bytes = bg.frame_size();
    ctx.combine(bg, [module, bytes](std::span<uint8_t* const> ins, uint8_t* dst) {
      std::memcpy(dst, ins[0], bytes);
      uint8_t* pictures[2] = {ins[1], dst};
      int context = 0;
      module->process(pictures, &context);
    });
  };
  return run_stream_verb(verb, args, console);
}

}  // namespace pf::cli

namespace pf::cli {

namespace {
void demo_wall(DemoContext& demo);
void demo_picture_in_picture(DemoContext& demo);
}  // namespace

PF_DEMO_MAIN(mergezoom) {
  demo_wall(demo);
  demo_picture_in_picture(demo);
}

namespace {

// A 3x3 wall of 1280x720 from five pictures of different sizes and shapes, each in two or three
// windows of different zoom styles, with border lines and a focus frame.
void demo_wall(DemoContext& demo) {
  const DemoJob job{"mergezoom_wall", "merge with zoom: 3x3 wall, five sizes, every zoom style"};
  if (!demo.wants(job)) return;
  const VideoFormat& src = demo.source();
  struct Source {
    int width, height;
    Frames frames;
  };
  std::vector<Source> sources = {{src.width, src.height, {}},
                                 {352, 288, demo.pattern(352, 288, false)},
                                 {640, 360, demo.pattern(640, 360, false)},
                                 {240, 320, demo.pattern(240, 320, false)},
                                 {160, 120, demo.pattern(160, 120, false)}};
  // Per window (row by row): the source and its zoom style.
  const std::pair<int, uint32_t> cells[9] = {
      {0, PF_MERGE_ZOOM_FIT},    {1, PF_MERGE_ZOOM_STRETCH}, {2, PF_MERGE_ZOOM_FILL},
      {4, PF_MERGE_ZOOM_CENTRE}, {2, PF_MERGE_ZOOM_AUTO},    {3, PF_MERGE_ZOOM_FIT},
      {1, PF_MERGE_ZOOM_FILL},   {4, PF_MERGE_ZOOM_AUTO},    {3, PF_MERGE_ZOOM_STRETCH}};
  const int style = find_grid_style(3, 3);
  const std::vector<int> order = reading_order(style);
  std::vector<tImageMergeZoomWindow> windows(9);
  for (size_t k = 0; k < 9; ++k) {
    VideoFormat f = src;
    f.width = sources[size_t(cells[k].first)].width;
    f.height = sources[size_t(cells[k].first)].height;
    f.sar = {0, 0};
    const int number = order[k] + 1;
    windows[size_t(number - 1)] = merge_window(number, f, cells[k].second);
    windows[size_t(number - 1)].u32FocusFlag = k == 4 ? 1 : 0;
    windows[size_t(number - 1)].u32FocusColour = 0xFFC800;
  }
  tImageMergeZoomParam p{};
  p.s32MaxPicNum = 9;
  p.u32MergeStyle = uint32_t(al32MergeStyle[style][0]);
  p.u32BgWidth = 1280, p.u32BgHeight = 720;
  p.u32ImageType = PF_IMAGE_FRAME, p.u32YuvType = PF_YUV_420;
  p.u32DrawLine = 1, p.u32BorderColour = 0xFFFFFF, p.u32BorderWidth = 4;
  p.u32FillEmpty = 1, p.ptWindows = windows.data();

  VideoFormat out = src;
  out.width = 1280, out.height = 720, out.sar = {1, 1};
  std::unique_ptr<Instance> module;
  size_t picture = 0;
  if (DemoReport* r = demo.run(job, demo.progressive(), src, out, [&](uint8_t* in, uint8_t* dst) {
        if (!module) module = std::make_unique<Instance>(kMergeZoomId, &p, demo.mem());
        std::vector<tImgPicture> pictures(9);
        for (size_t k = 0; k < 9; ++k) {
          Source& s = sources[size_t(cells[k].first)];
          uint8_t* data = s.frames.empty() ? in : s.frames[picture % s.frames.size()].data();
          pictures[size_t(order[k])] = picture_record(yuv420p(), s.width, s.height, data);
        }
        ++picture;
        tImgPicture o = picture_record(yuv420p(), out.width, out.height, dst);
        module->process(&o, pictures.data());
      })) {
    r->set_result("five picture sizes in nine windows, lines 4 wide, focus on the middle one");
  }
}

// Picture in picture: a smaller pattern, cut at its edges, copied into the moving pattern.
void demo_picture_in_picture(DemoContext& demo) {
  const DemoJob job{"picture_in_picture", "picture in picture: 256x192 inset, cut 8 all round"};
  if (!demo.wants(job)) return;
  const VideoFormat& src = demo.source();
  const Frames inset = demo.pattern(256, 192, false);
  const tImageAddImageParam p{src.width,
                              src.height,
                              PF_IMAGE_FRAME,
                              PF_YUV_420,
                              256,
                              192,
                              PF_IMAGE_FRAME,
                              PF_YUV_420,
                              360,
                              424,
                              8,
                              8,
                              8,
                              8};
  std::unique_ptr<Instance> module;
  size_t picture = 0;
  const size_t bytes = src.frame_size();
  if (DemoReport* r = demo.run(job, demo.progressive(), src, src, [&](uint8_t* in, uint8_t* out) {
        if (!module) module = std::make_unique<Instance>(kAddImageId, &p, demo.mem());
        std::memcpy(out, in, bytes);
        // The inset runs a third of the way ahead of the picture it sits in.
        const auto& fg = inset[(picture++ + inset.size() / 3) % inset.size()];
        uint8_t* pictures[2] = {const_cast<uint8_t*>(fg.data()), out};
        int context = 0;
        module->process(pictures, &context);
      })) {
    r->set_result("240x176 of the inset at 424,360, unscaled; same bytes as ffmpeg's overlay");
  }
}

}  // namespace

}  // namespace pf::cli
