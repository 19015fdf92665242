// SPDX-License-Identifier: BSD-2-Clause
// Parsing of the stream verbs' options, and the help text they share.
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

// What the explicit --in-* forms say; they hold for every input.
struct InputDefaults {
  std::optional<Size> size;
  const PixFmt* fmt = nullptr;
  std::optional<Container> container;
  std::optional<uint32_t> layout;
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

std::array<int, 4> four(OptionValue& option) {
  const std::vector<int> l = option.list(4);
  return {l[0], l[1], l[2], l[3]};
}

}  // namespace

// ---- OptionValue ----

std::string OptionValue::text() {
  if (inline_) return *inline_;
  return next_();
}

void OptionValue::flag() const {
  if (inline_) throw UsageError(name_ + " takes no value");
}

int64_t OptionValue::integer(int64_t lo, int64_t hi) {
  const std::string v = text();
  const std::string digits = !v.empty() && (v[0] == '-' || v[0] == '+') ? v.substr(1) : v;
  int64_t n = 0;
  try {
    n = parse_integer(digits, name_);
  } catch (const UsageError&) {
    throw UsageError(name_ + ": '" + v + "' is not an integer");
  }
  if (!v.empty() && v[0] == '-') n = -n;
  if (n < lo || n > hi) {
    throw UsageError(name_ + ": '" + v + "' is outside " + std::to_string(lo) + " to " +
                     std::to_string(hi));
  }
  return n;
}

std::vector<int> OptionValue::list(size_t count) { return parse_int_list(text(), count, name_); }

// ---- The common parser ----

OptionValue option_at(const std::vector<std::string>& args, size_t& i) {
  std::string opt = args[i];
  std::optional<std::string> inline_value;
  if (opt.rfind("--", 0) == 0) {
    const size_t eq = opt.find('=');
    if (eq != std::string::npos) {
      inline_value = opt.substr(eq + 1);
      opt.resize(eq);
    }
  }
  return OptionValue(opt, inline_value, [&args, &i, opt]() -> std::string {
    if (i + 1 >= args.size()) throw UsageError(opt + " needs a value");
    return args[++i];
  });
}

StreamArgs parse_stream_args(const StreamSyntax& syntax, const std::vector<std::string>& args) {
  StreamArgs a;
  Pending pending;
  InputDefaults defaults;
  bool have_out = false;
  std::optional<Size> out_size;
  const PixFmt* out_fmt = nullptr;
  std::optional<Container> out_container;
  // What stream options each input was given directly, before it.
  std::vector<Pending> own;
  const bool several = syntax.max_inputs > 1;

  auto attach = [&](bool input, const std::string& path) {
    if (input) {
      if (a.inputs.size() >= syntax.max_inputs) {
        if (!several) {
          throw UsageError("two inputs: '" + a.inputs[0].path + "' and '" + path + "'");
        }
        throw UsageError(syntax.verb + " takes at most " + std::to_string(syntax.max_inputs) +
                         " inputs; '" + path + "' is one too many");
      }
      InputOptions in;
      in.path = path;
      in.fps = pending.fps;
      a.inputs.push_back(in);
      own.push_back(pending);
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
    OptionValue option = option_at(args, i);
    const std::string opt = option.name();
    auto value = [&] { return option.text(); };
    auto flag = [&] { option.flag(); };

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
      set_once(defaults.size, parse_size(value(), opt), "the input size");
    } else if (opt == "--out-size" || opt == "-S") {
      set_once(out_size, parse_size(value(), opt), "the output size");
    } else if (opt == "--pix_fmt" || opt == "--in-pix_fmt" || opt == "--pix-fmt" ||
               opt == "--in-pix-fmt") {
      set_once(defaults.fmt, pix_fmt_value(opt, value()), "the input pixel format");
    } else if (opt == "--out-pix_fmt" || opt == "--out-pix-fmt") {
      set_once(out_fmt, pix_fmt_value(opt, value()), "the output pixel format");
    } else if (opt == "--in-format") {
      set_once(defaults.container, parse_container(value()), "the input format");
    } else if (opt == "--out-format") {
      set_once(out_container, parse_container(value()), "the output format");
    } else if (opt == "--in-layout") {
      defaults.layout = parse_layout(value(), opt);
    } else if (opt == "--out-layout") {
      a.output.layout = parse_layout(value(), opt);
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
      // One-input verbs read "INPUT OUTPUT" as ffmpeg-free tools do; verbs with several inputs
      // take every name as an input and the output only with -o.
      const bool input = several || a.inputs.empty();
      if (!several && !a.inputs.empty() && have_out) {
        throw UsageError("unexpected argument '" + opt + "'");
      }
      attach(input, opt);
    } else if (!syntax.extra || !syntax.extra(option)) {
      throw UsageError("unknown option " + opt + " (see pelforge " + syntax.verb + " --help)");
    }
  }
  if (a.help) return a;

  // Stream options after the last file describe the output: "in.y4m -s 352x288 -o out.y4m"
  // and "in.y4m -o out.y4m -s 352x288" both ask for a 352x288 output.
  if (pending.size) set_once(out_size, *pending.size, "the output size");
  if (pending.fmt) set_once(out_fmt, pending.fmt, "the output pixel format");
  if (pending.container) set_once(out_container, *pending.container, "the output format");
  if (pending.fps) a.output.fps = pending.fps;

  if (a.inputs.empty()) throw UsageError("no input: name a file, or - for standard input");
  if (a.inputs.size() < syntax.min_inputs) {
    throw UsageError(syntax.verb + " needs at least " + std::to_string(syntax.min_inputs) +
                     " inputs");
  }
  if (!have_out && syntax.output_required) {
    throw UsageError("no output: give -o FILE, or -o - for standard output");
  }
  const bool one = a.inputs.size() == 1;
  size_t from_stdin = 0;
  for (size_t k = 0; k < a.inputs.size(); ++k) {
    InputOptions& in = a.inputs[k];
    const std::string which = one ? "the input" : "input " + std::to_string(k + 1);
    std::optional<Size> size = own[k].size;
    const PixFmt* fmt = own[k].fmt;
    std::optional<Container> container = own[k].container;
    if (defaults.size) set_once(size, *defaults.size, which + " size");
    if (defaults.fmt) set_once(fmt, defaults.fmt, which + " pixel format");
    if (defaults.container) set_once(container, *defaults.container, which + " format");
    in.size = size;
    in.fmt = fmt;
    in.container = container.value_or(Container::kAuto);
    in.layout = defaults.layout;
    if (in.path == "-") ++from_stdin;
    if (have_out && in.path == a.output.path && in.path != "-") {
      throw UsageError("the output would overwrite the input '" + in.path + "'");
    }
  }
  if (from_stdin > 1) throw UsageError("only one input can be standard input (-)");
  a.output.size = out_size;
  a.output.fmt = out_fmt;
  a.output.container = out_container.value_or(Container::kAuto);
  return a;
}

std::string common_options_help(bool several_inputs, bool output_optional) {
  std::string h = "\nFiles:\n";
  if (several_inputs) {
    h += "  INPUT..., -i FILE     the inputs, in order; stream options before each one describe\n"
         "                        it: -s 352x288 a.yuv -s 352x288 b.yuv\n";
  } else {
    h +=
        "  INPUT, -i FILE        .yuv/.rgb raw video, .y4m stream, .png picture (or name%03d.png\n"
        "                        sequence); - reads standard input (y4m is recognised by itself)\n";
  }
  h += output_optional
           ? "  -o FILE               pictures out (optional), same kinds as the input; - writes\n"
             "                        standard output (reports then go to standard error)\n"
           : "  -o FILE               output, same kinds; - writes standard output; a .png name "
             "holds\n"
             "                        one picture unless it has a number pattern (out%03d.png)\n";
  h += "\nStream options (before an input they describe it, after the last input the output):\n"
       "  -s WxH                picture size (needed for raw input)\n"
       "  -pix_fmt FMT          pixel format (raw input defaults to yuv420p)\n"
       "  -f y4m|yuv|png        container, for pipes and unusual names\n"
       "  -r RATE               frame rate written to y4m output (default: the input's)\n"
       "\nExplicit forms: --in-size, --in-pix_fmt, --in-format, --out-pix_fmt, --out-format,\n"
       "  --out-size WxH (or -S WxH)\n"
       "\nStorage:\n"
       "  --in-layout L, --out-layout L\n"
       "                        frame, field (all lines of the top field, then the bottom one)\n"
       "                        or interlaced (fields interleaved, processed one by one);\n"
       "                        y4m Ip means frame, It/Ib interlaced\n"
       "\nRun:\n"
       "  -frames N             stop after N pictures\n"
       "  -q, --quiet           no progress line and no notes\n"
       "  --preview DIR         PNG previews of the output: first, middle, last picture\n"
       "  --preview-every N     ... or every Nth picture instead\n";
  return h;
}

std::string pix_fmts_help() {
  std::string h;
  for (const PixFmt& f : pix_fmts()) {
    std::string name = f.name;
    name.resize(12, ' ');
    h += "  " + name + f.what + "\n";
  }
  return h;
}

// ---- resize, convert, rgb ----

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
  StreamSyntax syntax;
  syntax.verb = command_name(command);
  // The placement options are parsed for every one of the three so that convert can point to
  // resize instead of calling them unknown.
  syntax.extra = [&](OptionValue& option) {
    const std::string& opt = option.name();
    Geometry& g = a.geometry;
    if (opt == "--crop") {
      g.crop = four(option);
    } else if (opt == "--offset") {
      g.offset = four(option);
    } else if (opt == "--fill") {
      g.fill = four(option);
    } else if (opt == "--fill-color" || opt == "--fill-colour") {
      const std::vector<int> c = option.list(3);
      g.fill_color = {c[0], c[1], c[2]};
    } else if (opt == "--nearest") {
      option.flag();
      g.nearest = true;
    } else if (opt == "--keep-aspect" && command == VideoCommand::kResize) {
      option.flag();
      a.keep_aspect = true;
      return true;
    } else if (opt == "--scene-changes" && command == VideoCommand::kConvert) {
      option.flag();
      a.scene_changes = true;
      return true;
    } else {
      return false;
    }
    a.geometry_given = true;
    return true;
  };
  static_cast<StreamArgs&>(a) = parse_stream_args(syntax, args);
  if (a.help) return a;
  if (a.keep_aspect && (a.geometry_given || !a.output.size)) {
    throw UsageError(
        "--keep-aspect places the whole picture in the output size: give -S WxH, and no "
        "--crop, --offset, --fill, --fill-color or --nearest");
  }
  if (command == VideoCommand::kConvert && a.geometry_given) {
    throw UsageError(
        "convert keeps the whole picture; use pelforge resize for --crop, --offset, "
        "--fill, --fill-color and --nearest");
  }
  return a;
}

std::string video_help(VideoCommand command) {
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
  if (command == VideoCommand::kResize) {
    h += "  --keep-aspect         scale into the output size (-S) keeping the picture's shape,\n"
         "                        centred between black bars (ImageAptZoom)\n"
         "  Packed 4:2:2 (uyvy422) in and out, with at most --fill bars in the default colour,\n"
         "  goes through ImageZoomUYVY, whose bars are Y 1, U 128, V 128.\n";
  }
  if (command == VideoCommand::kConvert) {
    h += "\nyuv420p <-> uyvy422 goes through the library's YUV420-to-YUV422 and YUV422-to-YUV420\n"
         "modules:\n"
         "  --scene-changes       uyvy422 -> yuv420p: print \"frame N scene-change F\" for every\n"
         "                        picture; F is 1 where a 720-wide frame starts a new scene\n";
  }
  h += common_options_help(false, false);
  h += "\nPixel formats:\n" + pix_fmts_help();
  h += "\nExamples:\n";
  switch (command) {
    case VideoCommand::kResize:
      h += "  pelforge resize -s 720x576 in.yuv -s 352x288 -o out.yuv\n"
           "  ffmpeg -i in.mp4 -f yuv4mpegpipe - | pelforge resize - -s 352x288 -o - | "
           "ffplay -\n"
           "  pelforge resize in.y4m -S 720x576 --fill 0,0,88,88 -o pillarbox.y4m\n"
           "  pelforge resize in.y4m -S 1280x720 --keep-aspect -o boxed.y4m\n";
      break;
    case VideoCommand::kConvert:
      h += "  pelforge convert -s 720x576 in.yuv -pix_fmt uyvy422 -o out.uyvy\n"
           "  pelforge convert -s 720x576 -pix_fmt uyvy422 in.uyvy -pix_fmt yuv420p "
           "--scene-changes -o out.yuv\n"
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
