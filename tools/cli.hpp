// SPDX-License-Identifier: BSD-2-Clause
// The pelforge command line: dispatch through the verb table, messages, exit status, and the
// helpers the verbs share.
#ifndef PELFORGE_TOOLS_CLI_HPP_
#define PELFORGE_TOOLS_CLI_HPP_

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "formats.hpp"
#include "progress.hpp"
#include "run.hpp"
#include "stream_io.hpp"

namespace pf::cli {

// Where a command talks. Picture data for "-o -" goes to the process's standard output
// directly; `out` carries reports (info, errors, demo summary, help, per-frame results) and `err`
// notes, progress and error messages.
struct Console {
  std::ostream& out;
  std::ostream& err;
  bool err_is_terminal = false;
  Clock clock = steady_clock();
};

// Runs one command line (without the program name) and returns the exit status: kExitOk,
// kExitFailure or kExitUsage. Never throws.
int run_cli(const std::vector<std::string>& args, const Console& console);

// ---- Shared by the verbs ----

struct StreamArgs;

// True when the arguments ask for help (-h or --help anywhere).
bool is_help(const std::vector<std::string>& args);
// "pelforge: note: ..." on the error stream, unless quiet.
Note console_note(const Console& console, bool quiet);
// Progress on a terminal unless quiet, previews as asked, the console's clock.
RunSettings run_settings(const StreamArgs& args, const Console& console);
// The closing line of a run ("pelforge: 4 pictures in 0.01 s (400.0 fps): in -> out") and the
// previews written, unless quiet.
void report_run(const Console& console, bool quiet, const RunResult& result,
                const std::string& from, const std::string& to);
// The pixel format an output gets when the command line names none: `natural`, unless the
// file's kind needs another (PNG and .rgb files hold RGB; y4m streams and .yuv files YUV that
// they can carry).
const PixFmt& default_output_fmt(Container container, const std::string& path,
                                 const PixFmt& natural);
// Refuses PNG output of anything but rgb24, naming the way out.
void check_png_output(Container container, const PixFmt& fmt);
// The container of an output with no name to go by (a pipe): the input's when the pictures fit
// it, raw video otherwise.
Container pipe_container(Container input, const PixFmt& fmt);

// One registered module as `info` lists it.
struct ModuleInfo {
  uint32_t id;
  std::string name;
  std::string version;  // without its newline
};
std::vector<ModuleInfo> registered_modules();

// What `errors` says about one code: its name and the module that owns it.
struct CodeInfo {
  bool named = false;
  std::string name;
  std::string module;  // descriptor name of the owning module
  uint32_t module_id = 0;
};
CodeInfo describe_code(uint32_t code);

// The pixel aspect ratio after scaling the source rectangle sw x sh of a picture with ratio
// `sar` to dw x dh; unknown (0:0) stays unknown.
Rational scaled_sar(Rational sar, int sw, int sh, int dw, int dh);

// Peak signal-to-noise ratio in dB of two equally long sample arrays; 100 for identical ones.
double psnr(const uint8_t* a, const uint8_t* b, size_t n);

}  // namespace pf::cli

#endif  // PELFORGE_TOOLS_CLI_HPP_
