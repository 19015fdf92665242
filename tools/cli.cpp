// SPDX-License-Identifier: BSD-2-Clause
// Verb dispatch, messages, and the helpers the verbs share.
#include "cli.hpp"

#include <cmath>
#include <cstdio>
#include <new>
#include <numeric>

#include "args.hpp"
#include "cli_error.hpp"
#include "run.hpp"
#include "stream_io.hpp"
#include "verbs.hpp"
#include "y4m.hpp"

#ifndef PF_CLI_VERSION
#define PF_CLI_VERSION "unknown"
#endif

namespace pf::cli {
namespace {

std::string top_help() {
  return "usage: pelforge COMMAND [options]      (pelforge COMMAND --help for the options)\n"
         "\n"
         "Commands:\n" +
         verb_list() +
         "\n"
         "Options: --help, --version\n"
         "Exit status: 0 done; 1 the run failed (input, library or output); 2 the command line\n"
         "is wrong.\n";
}

std::string seconds_text(double seconds) {
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%.2f s", seconds);
  return buf;
}

}  // namespace

bool is_help(const std::vector<std::string>& args) {
  for (const std::string& a : args) {
    if (a == "-h" || a == "--help") return true;
  }
  return false;
}

Note console_note(const Console& console, bool quiet) {
  return [&console, quiet](const std::string& s) {
    if (!quiet) console.err << "pelforge: note: " << s << "\n";
  };
}

RunSettings run_settings(const StreamArgs& a, const Console& console) {
  RunSettings settings;
  settings.max_frames = a.max_frames;
  settings.progress = console.err_is_terminal && !a.quiet;
  settings.progress_stream = &console.err;
  settings.clock = console.clock;
  settings.preview = a.preview;
  return settings;
}

void report_run(const Console& console, bool quiet, const RunResult& r, const std::string& from,
                const std::string& to) {
  if (quiet) return;
  console.err << "pelforge: " << r.frames << (r.frames == 1 ? " picture" : " pictures") << " in "
              << seconds_text(r.seconds) << " ("
              << format_rate(static_cast<double>(r.frames), r.seconds) << " fps): " << from
              << " -> " << to << "\n";
  for (const std::string& p : r.previews) console.err << "pelforge: preview " << p << "\n";
}

const PixFmt& default_output_fmt(Container container, const std::string& path,
                                 const PixFmt& natural) {
  const bool wants_rgb =
      container == Container::kPng || (natural.family == Family::kYuv && ends_with(path, ".rgb"));
  const bool wants_yuv420 = (container == Container::kY4m && !y4m_can_carry(natural)) ||
                            (natural.family == Family::kRgb && ends_with(path, ".yuv"));
  return wants_rgb ? rgb24() : wants_yuv420 ? yuv420p() : natural;
}

void check_png_output(Container container, const PixFmt& fmt) {
  if (container == Container::kPng && &fmt != &rgb24()) {
    throw UsageError(std::string("PNG output holds rgb24 pictures, not ") + fmt.name +
                     "; leave out the output pixel format or write a raw file");
  }
}

Container pipe_container(Container input, const PixFmt& fmt) {
  if (input == Container::kY4m && y4m_can_carry(fmt)) return Container::kY4m;
  if (input == Container::kPng && &fmt == &rgb24()) return Container::kPng;
  return Container::kRaw;
}

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

namespace {

// Runs `body` and turns what it throws into a message and an exit status; `who` names the verb
// in usage messages ("pelforge resize"), or is "pelforge" itself.
template <class Body>
int guarded(const std::string& who, bool verb, const Console& console, Body body) {
  try {
    return body();
  } catch (const UsageError& e) {
    console.err << who << ": error: " << e.what() << "\n";
    console.err << "(" << who << " --help lists the " << (verb ? "options" : "commands") << ")\n";
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

}  // namespace

int run_verb(const Verb& verb, const VerbArgs& args, const Console& console) {
  return guarded("pelforge " + std::string(verb.name), true, console,
                 [&] { return verb.run(args, console); });
}

int run_cli(const std::vector<std::string>& args, const Console& console) {
  const std::string command = args.empty() ? "" : args[0];
  const std::vector<std::string> rest(args.empty() ? args.end() : args.begin() + 1, args.end());
  if (const Verb* verb = find_verb(command)) return run_verb(*verb, rest, console);
  return guarded("pelforge", false, console, [&] {
    if (command.empty()) {
      console.err << top_help();
      return kExitUsage;
    }
    if (command == "-h" || command == "--help" || command == "help") {
      console.out << top_help();
      return kExitOk;
    }
    if (command == "--version" || command == "-version") {
      console.out << "pelforge " << PF_CLI_VERSION << "\n";
      return kExitOk;
    }
    std::string message = "unknown command '" + command + "'";
    const std::string guess = nearest_verb(command);
    if (!guess.empty()) message += "; did you mean '" + guess + "'?";
    throw UsageError(message);
  });
}

}  // namespace pf::cli
