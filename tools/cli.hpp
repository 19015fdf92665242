// SPDX-License-Identifier: BSD-2-Clause
// The pelforge command line: subcommand dispatch, messages and exit status.
#ifndef PELFORGE_TOOLS_CLI_HPP_
#define PELFORGE_TOOLS_CLI_HPP_

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "formats.hpp"
#include "progress.hpp"

namespace pf::cli {

// Where a command talks. Picture data for "-o -" goes to the process's standard output
// directly; `out` carries reports (info, errors, demo summary, help) and `err` notes, progress
// and error messages.
struct Console {
  std::ostream& out;
  std::ostream& err;
  bool err_is_terminal = false;
  Clock clock = steady_clock();
};

// Runs one command line (without the program name) and returns the exit status: kExitOk,
// kExitFailure or kExitUsage. Never throws.
int run_cli(const std::vector<std::string>& args, const Console& console);

// The pieces behind the commands, reachable for tests.
int run_video_command(const std::string& command, const std::vector<std::string>& args,
                      const Console& console);
int run_info(const std::vector<std::string>& args, const Console& console);
int run_errors(const std::vector<std::string>& args, const Console& console);
int run_demo(const std::vector<std::string>& args, const Console& console);

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
