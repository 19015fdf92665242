// SPDX-License-Identifier: BSD-2-Clause
// The verbs of the pelforge command line: one table, grouped by family, that drives dispatch,
// the command list of pelforge --help and the suggestions for mistyped names.
#ifndef PELFORGE_TOOLS_VERBS_HPP_
#define PELFORGE_TOOLS_VERBS_HPP_

#include <string>
#include <string_view>
#include <vector>

#include "cli.hpp"

namespace pf::cli {

// A verb's entry point: its arguments (without the verb) and where to talk. It returns the exit
// status and throws UsageError for a wrong command line and CliError for a failed run; run_cli
// turns both into messages.
using VerbArgs = std::vector<std::string>;
using VerbMain = int (*)(const VerbArgs& args, const Console& console);

struct Verb {
  const char* name;     // "resize"
  const char* family;   // one of the kFamily* names below
  const char* summary;  // one line for pelforge --help
  VerbMain run;
};

// The families, in the order --help, the demo and the README list them.
inline constexpr const char* kFamilyScaling = "scaling and conversion";
inline constexpr const char* kFamilyComposition = "composition";
inline constexpr const char* kFamilyOverlay = "overlay";
inline constexpr const char* kFamilyFilters = "filters";
inline constexpr const char* kFamilyAnalysis = "analysis and standards";
inline constexpr const char* kFamilyCodecs = "codecs";
inline constexpr const char* kFamilyLibrary = "the library";
const std::vector<const char*>& verb_families();

const std::vector<Verb>& verbs();
// Null when no verb has this name.
const Verb* find_verb(std::string_view name);
// The verb a mistyped name most likely meant, or "" when none is close.
std::string nearest_verb(std::string_view name);
// The command list of pelforge --help: each family with its verbs and their summaries.
std::string verb_list();

// Runs one verb as run_cli does (also verbs that are not in the table, such as the tests'
// examples): a wrong command line is reported with the verb's name and status kExitUsage, a
// failed run with status kExitFailure. Never throws.
int run_verb(const Verb& verb, const VerbArgs& args, const Console& console);

}  // namespace pf::cli

// Declares and defines a verb's entry point `verb_NAME`; the table's row for NAME calls it.
//   PF_VERB_MAIN(sharpen) { ... return run_stream_verb(verb, args, console); }
#define PF_VERB_MAIN(NAME)                                                             \
  int verb_##NAME(const ::pf::cli::VerbArgs& args, const ::pf::cli::Console& console); \
  int verb_##NAME(const ::pf::cli::VerbArgs& args, const ::pf::cli::Console& console)

#endif  // PELFORGE_TOOLS_VERBS_HPP_
