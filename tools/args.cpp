// SPDX-License-Identifier: BSD-2-Clause
// Parsing of the video commands' options.
#include "args.hpp"

#include "cli_error.hpp"

namespace pf::cli {
namespace {

// Options that describe whichever file comes next, as in ffmpeg.
struct Pending {
  std::optional<Size> size;
  const PixFmt* fmt = nullptr;
  std::optional<Container> container;
  std::optional<Rational> fps;
};

std::string known_formats() {
  std::string s;
  for (const PixFmt& f : pix_fmts()) s += (s.empty() ? "" : ", ") + std::string(f.name);
  return s;
}

const PixFmt* pix_fmt_value(const std::string& opt, const std::string& v) {
  const PixFmt* f = find_pix_fmt(v);
  if (f == nullptr) {
    throw UsageError(opt + ": '" + v + "' is not a pixel format pelforge knows (" +
                     known_formats() + ")");
  }
  return f;
}

template <typename T>
void set_once(std::optional<T>& slot, const T& v, const std::string& what) {
  if (slot && !(*slot == v)) throw UsageError(what + " is given twice with different values");
  slot = v;
}

void set_once(const PixFmt*& slot, const PixFmt* v, const std::string& what) {
  if (slot != nullptr && slot != v)
    throw UsageError(what + " is given twice with different values");
  slot = v;
}

std::array<int, 4> four(const std::string& opt, const std::string& v) {
  const std::vector<int> l = parse_int_list(v, 4, opt);
  return {l[0], l[1], l[2], l[3]};
}

}  // namespace

const char* command_name(VideoCommand command) {
  switch (command) {
    case VideoCommand::kResize:
      return "resize";
    case VideoCommand::kConvert:
      return "convert";
    default:
      return "rgb";
  }
}

VideoArgs parse_video_args(VideoCommand command, const std::vector<std::string>& args) {
  VideoArgs a;
  Pending pending;
  bool have_in = false, have_out = false;
  std::optional<Size> in_size, out_size;
  const PixFmt* in_fmt = nullptr;
  const PixFmt* out_fmt = nullptr;
  std::optional<Container> in_container, out_container;
  const std::string cmd = command_name(command);

  auto attach = [&](bool input, const std::string& path) {
    if (input) {
      if (have_in) throw UsageError("two inputs: '" + a.input.path + "' and '" + path + "'");
      have_in = true;
      a.input.path = path;
      if (pending.size) set_once(in_size, *pending.size, "the input size");
      if (pending.fmt) set_once(in_fmt, pending.fmt, "the input pixel format");
      if (pending.container) set_once(in_container, *pending.container, "the input format");
      if (pending.fps) a.input.fps = pending.fps;
    } else {
      if (have_out) throw UsageError("two outputs: '" + a.output.path + "' and '" + path + "'");
      have_out = true;
      a.output.path = path;
      if (pending.size) set_once(out_size, *pending.size, "the output size");
      if (pending.fmt) set_once(out_fmt, pending.fmt, "the output pixel format");
      if (pending.container) set_once(out_container, *pending.container, "the output format");
      if (pending.fps) a.output.fps = pending.fps;
    }
    pending = Pending{};
  };

  for (size_t i = 0; i < args.size(); ++i) {
    std::string opt = args[i];
    std::optional<std::string> inline_value;
    if (opt.rfind("--", 0) == 0) {
      const size_t eq = opt.find('=');
      if (eq != std::string::npos) {
        inline_value = opt.substr(eq + 1);
        opt.resize(eq);
      }
    }
    auto value = [&]() -> std::string {
      if (inline_value) return *inline_value;
      if (i + 1 >= args.size()) throw UsageError(opt + " needs a value");
      return args[++i];
    };
    auto flag = [&]() {
      if (inline_value) throw UsageError(opt + " takes no value");
    };

    if (opt == "-h" || opt == "--help") {
      flag();
      a.help = true;
    } else if (opt == "-i" || opt == "--input") {
      attach(true, value());
    } else if (opt == "-o" || opt == "--output") {
      attach(false, value());
    } else if (opt == "-s" || opt == "-video_size") {
      const std::string v = value();
      if (pending.size) throw UsageError("-s is given twice before the same file");
      pending.size = parse_size(v, "-s");
    } else if (opt == "-pix_fmt") {
      const std::string v = value();
      if (pending.fmt) throw UsageError("-pix_fmt is given twice before the same file");
      pending.fmt = pix_fmt_value(opt, v);
    } else if (opt == "-f") {
      const std::string v = value();
      if (pending.container) throw UsageError("-f is given twice before the same file");
      pending.container = parse_container(v);
    } else if (opt == "-r") {
      pending.fps = parse_rate(value(), "-r");
    } else if (opt == "--size" || opt == "--in-size") {
      set_once(in_size, parse_size(value(), opt), "the input size");
    } else if (opt == "--out-size" || opt == "-S") {
      set_once(out_size, parse_size(value(), opt), "the output size");
    } else if (opt == "--pix_fmt" || opt == "--in-pix_fmt" || opt == "--pix-fmt" ||
               opt == "--in-pix-fmt") {
      set_once(in_fmt, pix_fmt_value(opt, value()), "the input pixel format");
    } else if (opt == "--out-pix_fmt" || opt == "--out-pix-fmt") {
      set_once(out_fmt, pix_fmt_value(opt, value()), "the output pixel format");
    } else if (opt == "--in-format") {
      set_once(in_container, parse_container(value()), "the input format");
    } else if (opt == "--out-format") {
      set_once(out_container, parse_container(value()), "the output format");
    } else if (opt == "--in-layout") {
      a.input.layout = parse_layout(value(), opt);
    } else if (opt == "--out-layout") {
      a.output.layout = parse_layout(value(), opt);
    } else if (opt == "--crop") {
      a.geometry.crop = four(opt, value());
      a.geometry_given = true;
    } else if (opt == "--offset") {
      a.geometry.offset = four(opt, value());
      a.geometry_given = true;
    } else if (opt == "--fill") {
      a.geometry.fill = four(opt, value());
      a.geometry_given = true;
    } else if (opt == "--fill-color" || opt == "--fill-colour") {
      const std::vector<int> c = parse_int_list(value(), 3, opt);
      a.geometry.fill_color = {c[0], c[1], c[2]};
      a.geometry_given = true;
    } else if (opt == "--nearest") {
      flag();
      a.geometry.nearest = true;
      a.geometry_given = true;
    } else if (opt == "-frames" || opt == "-frames:v" || opt == "-vframes" || opt == "--frames") {
      a.max_frames = static_cast<uint64_t>(parse_integer(value(), opt));
      if (a.max_frames == 0) throw UsageError(opt + ": give at least 1 frame");
    } else if (opt == "-q" || opt == "--quiet") {
      flag();
      a.quiet = true;
    } else if (opt == "-y") {
      // ffmpeg asks before overwriting unless told -y; pelforge always overwrites.
    } else if (opt == "--preview") {
      a.preview.dir = value();
      if (a.preview.dir.empty()) throw UsageError("--preview needs a directory");
    } else if (opt == "--preview-every") {
      a.preview.every = static_cast<uint64_t>(parse_integer(value(), opt));
      if (a.preview.every == 0) throw UsageError("--preview-every: give a count of at least 1");
    } else if (opt == "-" || opt.empty() || opt[0] != '-') {
      if (have_in && have_out) throw UsageError("unexpected argument '" + opt + "'");
      attach(!have_in, opt);
    } else {
      std::string message = "unknown option " + opt;
      message += " (see pelforge " + cmd + " --help)";
      throw UsageError(message);
    }
  }
  if (a.help) return a;

  // Stream options after the last file describe the output: "in.y4m -s 352x288 -o out.y4m"
  // and "in.y4m -o out.y4m -s 352x288" both ask for a 352x288 output.
  if (pending.size) set_once(out_size, *pending.size, "the output size");
  if (pending.fmt) set_once(out_fmt, pending.fmt, "the output pixel format");
  if (pending.container) set_once(out_container, *pending.container, "the output format");
  if (pending.fps) a.output.fps = pending.fps;

  if (!have_in) throw UsageError("no input: name a file, or - for standard input");
  if (!have_out) throw UsageError("no output: give -o FILE, or -o - for standard output");
  a.input.size = in_size;
  a.input.fmt = in_fmt;
  a.input.container = in_container.value_or(Container::kAuto);
  a.output.size = out_size;
  a.output.fmt = out_fmt;
  a.output.container = out_container.value_or(Container::kAuto);

  if (command == VideoCommand::kConvert && a.geometry_given) {
    throw UsageError(
        "convert keeps the whole picture; use pelforge resize for --crop, --offset, "
        "--fill, --fill-color and --nearest");
  }
  if (a.input.path == a.output.path && a.input.path != "-") {
    throw UsageError("the output would overwrite the input '" + a.input.path + "'");
  }
  return a;
}

std::string video_help(VideoCommand command) {
  const std::string cmd = command_name(command);
  std::string h;
  switch (command) {
    case VideoCommand::kResize:
      h = "usage: pelforge resize [input options] INPUT [output options] -o OUTPUT\n\n"
          "Scales, crops and places every picture of INPUT with the library's resizer, converting\n"
          "between pixel formats and frame/field/interlaced storage on the way.\n";
      break;
    case VideoCommand::kConvert:
      h = "usage: pelforge convert [input options] INPUT [output options] -o OUTPUT\n\n"
          "Changes the pixel format or the storage of every picture, keeping its size.\n";
      break;
    case VideoCommand::kRgb:
      h = "usage: pelforge rgb [input options] INPUT [output options] -o OUTPUT\n\n"
          "Converts between YUV and RGB (16, 24, 32 bits) with the library's RGB modules, and\n"
          "scales RGB pictures with its RGB resizer.\n";
      break;
  }
  h += "\nFiles:\n"
       "  INPUT, -i FILE        .yuv/.rgb raw video, .y4m stream, .png picture (or name%03d.png\n"
       "                        sequence); - reads standard input (y4m is recognised by itself)\n"
       "  -o FILE               output, same kinds; - writes standard output; a .png name holds\n"
       "                        one picture unless it has a number pattern (out%03d.png)\n"
       "\nStream options (before INPUT they describe the input, after it the output):\n"
       "  -s WxH                picture size (needed for raw input)\n"
       "  -pix_fmt FMT          pixel format (raw input defaults to yuv420p)\n"
       "  -f y4m|yuv|png        container, for pipes and unusual names\n"
       "  -r RATE               frame rate written to y4m output (default: the input's)\n"
       "\nExplicit forms: --in-size, --in-pix_fmt, --in-format, --out-pix_fmt, --out-format,\n"
       "  --out-size WxH (or -S WxH)\n";
  if (command != VideoCommand::kConvert) {
    h += "\nPicture placement (each list is top,bottom,left,right; even counts):\n"
         "  --crop T,B,L,R        source lines and pixels cut off before scaling\n"
         "  --offset T,B,L,R      destination margins left untouched (black in new files)\n"
         "  --fill T,B,L,R        destination margins painted in the fill colour\n"
         "  --fill-color Y,U,V    fill colour (default 16,128,128, black)\n"
         "  --nearest             nearest-neighbour scaling instead of bilinear\n"
         "  The output size (-S) is the whole destination picture, margins included; without\n"
         "  it the cropped picture keeps its size and the margins are added around it.\n";
  }
  h += "\nStorage:\n"
       "  --in-layout L, --out-layout L\n"
       "                        frame, field (all lines of the top field, then the bottom one)\n"
       "                        or interlaced (fields interleaved, processed one by one);\n"
       "                        y4m Ip means frame, It/Ib interlaced\n"
       "\nRun:\n"
       "  -frames N             stop after N pictures\n"
       "  -q, --quiet           no progress line and no notes\n"
       "  --preview DIR         PNG previews of the output: first, middle, last picture\n"
       "  --preview-every N     ... or every Nth picture instead\n"
       "\nPixel formats:\n";
  for (const PixFmt& f : pix_fmts()) {
    std::string name = f.name;
    name.resize(12, ' ');
    h += "  " + name + f.what + "\n";
  }
  h += "\nExamples:\n";
  switch (command) {
    case VideoCommand::kResize:
      h += "  pelforge resize -s 720x576 in.yuv -s 352x288 -o out.yuv\n"
           "  ffmpeg -i in.mp4 -f yuv4mpegpipe - | pelforge resize - -s 352x288 -o - | "
           "ffplay -\n"
           "  pelforge resize in.y4m -S 720x576 --fill 0,0,88,88 -o pillarbox.y4m\n";
      break;
    case VideoCommand::kConvert:
      h += "  pelforge convert -s 720x576 in.yuv -pix_fmt uyvy422 -o out.uyvy\n"
           "  pelforge convert in.y4m --out-layout field -o fields.yuv\n";
      break;
    case VideoCommand::kRgb:
      h += "  pelforge rgb in.y4m -o frame%03d.png\n"
           "  pelforge rgb picture.png -o picture.y4m\n"
           "  pelforge rgb -s 640x480 -pix_fmt rgb565le in.rgb -S 320x240 -pix_fmt bgr24 -o "
           "out.rgb\n";
      break;
  }
  return h;
}

}  // namespace pf::cli
