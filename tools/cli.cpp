// SPDX-License-Identifier: BSD-2-Clause
// Subcommand dispatch, the video commands, info and errors.
#include "cli.hpp"

#include <cmath>
#include <cstdio>
#include <new>
#include <numeric>

#include "args.hpp"
#include "cli_error.hpp"
#include "modules.hpp"
#include "pipeline.hpp"
#include "run.hpp"
#include "stream_io.hpp"
#include "verbs/codec.hpp"
#include "y4m.hpp"

#ifndef PF_CLI_VERSION
#define PF_CLI_VERSION "unknown"
#endif

namespace pf::cli {
namespace {

const char kTopHelp[] =
    "usage: pelforge COMMAND [options]      (pelforge COMMAND --help for the options)\n"
    "\n"
    "Commands:\n"
    "  resize    scale, crop and place pictures: raw .yuv, .y4m streams, .png\n"
    "  convert   change the pixel format or the frame/field storage, same size\n"
    "  rgb       YUV <-> RGB 16/24/32 bits, and RGB scaling\n"
    "  multidec  decode coded streams together into a monitor wall (or one output each)\n"
    "  multienc  encode raw streams together into H.264 or MPEG-2 elementary streams\n"
    "  info      the library's modules: ids, names, versions\n"
    "  errors    name status codes: pelforge errors 0xC6A0001A\n"
    "  demo      make a moving test video, run the main jobs on it, write pictures\n"
    "\n"
    "Options: --help, --version\n"
    "Exit status: 0 done; 1 the run failed (input, library or output); 2 the command line\n"
    "is wrong.\n";

bool ends_with(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() &&
         s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string seconds_text(double seconds) {
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%.2f s", seconds);
  return buf;
}

bool is_help(const std::vector<std::string>& args) {
  for (const std::string& a : args) {
    if (a == "-h" || a == "--help") return true;
  }
  return false;
}

// Decides the output format from what the command line said and what the input is.
VideoFormat resolve_output(VideoCommand command, const VideoArgs& a, const FrameReader& reader,
                           Container& container) {
  const VideoFormat& in = reader.format();
  VideoFormat out = in;
  container = a.output.container;
  const std::string& path = a.output.path;
  if (container == Container::kAuto && path != "-") container = container_from_name(path);

  const PixFmt* fmt = a.output.fmt;
  if (fmt == nullptr) {
    const bool wants_rgb =
        container == Container::kPng || (in.fmt->family == Family::kYuv && ends_with(path, ".rgb"));
    const bool wants_yuv420 = (container == Container::kY4m && !y4m_can_carry(*in.fmt)) ||
                              (in.fmt->family == Family::kRgb && ends_with(path, ".yuv"));
    fmt = wants_rgb ? &rgb24() : wants_yuv420 ? &yuv420p() : in.fmt;
  }
  if (container == Container::kPng && fmt != &rgb24()) {
    throw UsageError(std::string("PNG output holds rgb24 pictures, not ") + fmt->name +
                     "; leave out the output pixel format or write a raw file");
  }
  if (container == Container::kAuto) {
    // A pipe carries what the input came in when the pictures fit it; raw video otherwise.
    if (reader.container() == Container::kY4m && y4m_can_carry(*fmt)) {
      container = Container::kY4m;
    } else if (reader.container() == Container::kPng && fmt == &rgb24()) {
      container = Container::kPng;
    } else {
      container = Container::kRaw;
    }
  }
  out.fmt = fmt;

  const Geometry& g = a.geometry;
  if (a.output.size) {
    out.width = a.output.size->width;
    out.height = a.output.size->height;
  } else {
    // Without an output size nothing is scaled: the cut picture keeps its size and the margins
    // are added around it, as a crop or pad filter would do.
    out.width =
        in.width - g.crop[2] - g.crop[3] + g.offset[2] + g.offset[3] + g.fill[2] + g.fill[3];
    out.height =
        in.height - g.crop[0] - g.crop[1] + g.offset[0] + g.offset[1] + g.fill[0] + g.fill[1];
    if (out.width < 1 || out.height < 1 || out.width > kMaxSide || out.height > kMaxSide) {
      throw UsageError("the margins leave no picture (" + std::to_string(out.width) + "x" +
                       std::to_string(out.height) + "); give the output size with -S WxH");
    }
  }

  if (fmt->family == Family::kRgb || in.fmt->family == Family::kRgb) {
    if (a.output.layout && *a.output.layout != PF_IMAGE_FRAME && fmt->family == Family::kRgb) {
      throw UsageError("RGB pictures are frames; --out-layout does not apply to them");
    }
    out.layout = a.output.layout.value_or(PF_IMAGE_FRAME);
  } else {
    out.layout = a.output.layout.value_or(in.layout);
  }
  if (in.fmt->family == Family::kRgb && in.layout != PF_IMAGE_FRAME) {
    throw UsageError("RGB pictures are frames; --in-layout does not apply to them");
  }
  if (a.output.fps) out.fps = *a.output.fps;
  out.sar = scaled_sar(in.sar, in.width - g.crop[2] - g.crop[3], in.height - g.crop[0] - g.crop[1],
                       out.width - g.offset[2] - g.offset[3] - g.fill[2] - g.fill[3],
                       out.height - g.offset[0] - g.offset[1] - g.fill[0] - g.fill[1]);

  if (command == VideoCommand::kConvert && (out.width != in.width || out.height != in.height)) {
    throw UsageError("convert keeps the size (" + std::to_string(in.width) + "x" +
                     std::to_string(in.height) + "); use pelforge resize to change it");
  }
  if (command == VideoCommand::kRgb && in.fmt->family == Family::kYuv &&
      fmt->family == Family::kYuv) {
    throw UsageError(std::string("neither side is RGB (") + in.fmt->name + " -> " + fmt->name +
                     "); use pelforge convert or resize");
  }
  return out;
}

}  // namespace

Rational scaled_sar(Rational sar, int sw, int sh, int dw, int dh) {
  if (!sar.known() || sw < 1 || sh < 1 || dw < 1 || dh < 1) return {0, 0};
  int64_t num = int64_t{sar.num} * sw * dh;
  int64_t den = int64_t{sar.den} * sh * dw;
  const int64_t g = std::gcd(num, den);
  num /= g;
  den /= g;
  if (num > 0x7FFFFFFF || den > 0x7FFFFFFF) return {0, 0};
  return {static_cast<int>(num), static_cast<int>(den)};
}

double psnr(const uint8_t* a, const uint8_t* b, size_t n) {
  if (n == 0) return 100.0;
  uint64_t sse = 0;
  for (size_t i = 0; i < n; ++i) {
    const int d = int{a[i]} - int{b[i]};
    sse += static_cast<uint64_t>(d * d);
  }
  if (sse == 0) return 100.0;
  const double mse = static_cast<double>(sse) / static_cast<double>(n);
  return std::min(100.0, 10.0 * std::log10(255.0 * 255.0 / mse));
}

int run_video_command(const std::string& name, const std::vector<std::string>& args,
                      const Console& console) {
  const VideoCommand command = name == "resize"    ? VideoCommand::kResize
                               : name == "convert" ? VideoCommand::kConvert
                                                   : VideoCommand::kRgb;
  const VideoArgs a = parse_video_args(command, args);
  if (a.help) {
    console.out << video_help(command);
    return kExitOk;
  }
  const Note note = [&](const std::string& s) {
    if (!a.quiet) console.err << "pelforge: note: " << s << "\n";
  };
  MemHandle mem;
  auto reader = open_reader(a.input);
  Container container = Container::kAuto;
  const VideoFormat out = resolve_output(command, a, *reader, container);
  Pipeline pipeline(Request{reader->format(), out, a.geometry}, mem.get(), note);
  auto writer = open_writer(a.output.path, container, out);

  RunSettings settings;
  settings.max_frames = a.max_frames;
  settings.progress = console.err_is_terminal && !a.quiet;
  settings.progress_stream = &console.err;
  settings.clock = console.clock;
  settings.preview = a.preview;
  const RunResult r = run_frames(*reader, pipeline, *writer, settings, mem.get(), note);
  if (r.frames == 0) throw CliError(reader->describe() + " holds no pictures");
  if (!a.quiet) {
    console.err << "pelforge: " << r.frames << (r.frames == 1 ? " picture" : " pictures") << " in "
                << seconds_text(r.seconds) << " ("
                << format_rate(static_cast<double>(r.frames), r.seconds)
                << " fps): " << reader->describe() << " -> " << writer->describe() << "\n";
    for (const std::string& p : r.previews) console.err << "pelforge: preview " << p << "\n";
  }
  return kExitOk;
}

std::vector<ModuleInfo> registered_modules() {
  // The registry array has no terminator; it holds exactly the modules the lookup finds.
  size_t count = 0;
  for (uint32_t id = 0; id < 256; ++id) {
    if (VekVideoPelForgeGetFuncList(id) != nullptr) ++count;
  }
  std::vector<ModuleInfo> out;
  for (size_t i = 0; i < count; ++i) {
    const tImgProcDesc* d = gaptPelForgePrcList[i];
    ModuleInfo m{d->u32ModuleId, d->ps8Name != nullptr ? d->ps8Name : "?", ""};
    char text[256] = {};
    uint32_t len = 0;
    const uint32_t status =
        d->ptFuncList->GetVersion(text, static_cast<int32_t>(sizeof(text)), &len);
    if (status == PF_STATUS_OK) {
      m.version.assign(text, std::min<size_t>(len, sizeof(text) - 1));
      while (!m.version.empty() && (m.version.back() == '\n' || m.version.back() == '\r')) {
        m.version.pop_back();
      }
    } else {
      m.version = "(GetVersion: " + status_text(*d->ptFuncList, status) + ")";
    }
    out.push_back(m);
  }
  return out;
}

int run_info(const std::vector<std::string>& args, const Console& console) {
  if (is_help(args)) {
    console.out << "usage: pelforge info\n\nLists the library's registered modules in registry "
                   "order: module id, descriptor\nname and version text.\n";
    return kExitOk;
  }
  if (!args.empty()) throw UsageError("info takes no arguments");
  const std::vector<ModuleInfo> modules = registered_modules();
  console.out << "pelforge " << PF_CLI_VERSION << ": " << modules.size()
              << (modules.size() == 1 ? " registered module\n" : " registered modules\n");
  char line[64];
  std::snprintf(line, sizeof(line), "%4s  %-22s  %s\n", "id", "name", "version");
  console.out << line;
  for (const ModuleInfo& m : modules) {
    std::snprintf(line, sizeof(line), "%4u  %-22s  ", m.id, m.name.c_str());
    console.out << line << m.version << "\n";
  }
  return kExitOk;
}

CodeInfo describe_code(uint32_t code) {
  CodeInfo best;
  bool best_own = false;
  for (const ModuleInfo& m : registered_modules()) {
    const tImgProcFuncList& table = module_table(m.id);
    char name[256] = {};
    if (table.AnalyzeErrorCode(code, static_cast<int32_t>(sizeof(name)), name) != PF_STATUS_OK) {
      continue;
    }
    // Modules that drive others also name their codes; the owner is the module whose own
    // prefix the name carries ("ERR_" + descriptor name), else the first that names it.
    const bool own = std::string(name).rfind("ERR_" + m.name + "_", 0) == 0;
    if (!best.named || (own && !best_own)) {
      best = CodeInfo{true, name, m.name, m.id};
      best_own = own;
    }
  }
  return best;
}

int run_errors(const std::vector<std::string>& args, const Console& console) {
  if (is_help(args) || args.empty()) {
    if (args.empty()) {
      throw UsageError("errors needs at least one status code, e.g. pelforge errors 0xC6A0001A");
    }
    console.out << "usage: pelforge errors CODE...\n\nNames library status codes (hex like "
                   "0xC6A0001A, or decimal) through the\nAnalyzeErrorCode entry point of the "
                   "module that owns them.\n";
    return kExitOk;
  }
  int status = kExitOk;
  for (const std::string& text : args) {
    int64_t v = 0;
    const std::string& digits = text;
    bool bare_hex = digits.size() == 8 &&
                    digits.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos &&
                    digits.find_first_of("abcdefABCDEF") != std::string::npos;
    try {
      v = parse_integer(bare_hex ? "0x" + digits : digits, "errors");
    } catch (const UsageError&) {
      throw UsageError("errors: '" + text + "' is not a status code (hex like 0xC6A0001A)");
    }
    if (v > 0xFFFFFFFFLL) throw UsageError("errors: '" + text + "' is larger than 32 bits");
    const auto code = static_cast<uint32_t>(v);
    console.out << hex_code(code) << "  ";
    if (code == PF_STATUS_OK) {
      console.out << "success\n";
      continue;
    }
    if (code == PF_ERR_CODE_NOT_NAMEABLE) {
      console.out << "AnalyzeErrorCode: no module names the code it was given\n";
      continue;
    }
    if (code == PF_ERR_NAME_BUFFER_SHORT) {
      console.out << "AnalyzeErrorCode: the buffer is too short for the name\n";
      continue;
    }
    const CodeInfo info = describe_code(code);
    if (info.named) {
      console.out << info.name << "  (" << info.module << ", module " << info.module_id << ")\n";
    } else {
      console.out << "not a code of any registered module\n";
      status = kExitFailure;
    }
  }
  return status;
}

int run_cli(const std::vector<std::string>& args, const Console& console) {
  std::string command = args.empty() ? "" : args[0];
  const std::vector<std::string> rest(args.empty() ? args.end() : args.begin() + 1, args.end());
  try {
    if (command.empty()) {
      console.err << kTopHelp;
      return kExitUsage;
    }
    if (command == "-h" || command == "--help" || command == "help") {
      console.out << kTopHelp;
      return kExitOk;
    }
    if (command == "--version" || command == "-version") {
      console.out << "pelforge " << PF_CLI_VERSION << "\n";
      return kExitOk;
    }
    if (command == "resize" || command == "convert" || command == "rgb") {
      return run_video_command(command, rest, console);
    }
    if (command == "info") return run_info(rest, console);
    if (command == "errors") return run_errors(rest, console);
    if (command == "demo") return run_demo(rest, console);
    if (command == "multidec")
      return multidec_command(rest, console.out, console.err, console.err_is_terminal);
    if (command == "multienc")
      return multienc_command(rest, console.out, console.err, console.err_is_terminal);
    throw UsageError("unknown command '" + command + "'");
  } catch (const UsageError& e) {
    const bool known = command == "resize" || command == "convert" || command == "rgb" ||
                       command == "info" || command == "errors" || command == "demo" ||
                       command == "multidec" || command == "multienc";
    const std::string who = known ? "pelforge " + command : "pelforge";
    console.err << who << ": error: " << e.what() << "\n";
    console.err << "(" << (who == "pelforge" ? "pelforge --help" : who + " --help")
                << " lists the options)\n";
    return kExitUsage;
  } catch (const CliError& e) {
    console.err << "pelforge: error: " << e.what() << "\n";
    return kExitFailure;
  } catch (const std::bad_alloc&) {
    console.err << "pelforge: error: out of memory\n";
    return kExitFailure;
  } catch (const std::exception& e) {
    console.err << "pelforge: error: " << e.what() << "\n";
    return kExitFailure;
  }
}

}  // namespace pf::cli
