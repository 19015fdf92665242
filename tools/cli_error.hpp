// SPDX-License-Identifier: BSD-2-Clause
// The two ways a pelforge command fails: a bad command line, or a run that could not finish.
#ifndef PELFORGE_TOOLS_CLI_ERROR_HPP_
#define PELFORGE_TOOLS_CLI_ERROR_HPP_

#include <stdexcept>
#include <string>

namespace pf::cli {

// Exit status of the command line. Usage errors are told apart from failed runs so that scripts
// can tell "I called it wrong" from "the input or the library refused".
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// A run that could not finish: unreadable or truncated input, a module that refused, a file that
// could not be written.
class CliError : public std::runtime_error {
 public:
  explicit CliError(const std::string& what) : std::runtime_error(what) {}
};

// The command line itself is wrong; the message says what to change.
class UsageError : public CliError {
 public:
  explicit UsageError(const std::string& what) : CliError(what) {}
};

}  // namespace pf::cli

#endif  // PELFORGE_TOOLS_CLI_ERROR_HPP_
