// SPDX-License-Identifier: BSD-2-Clause
// info and errors: what the library holds and what its status codes mean.
#include <cstdio>

#include "cli_error.hpp"
#include "modules.hpp"
#include "verbs.hpp"

#ifndef PF_CLI_VERSION
#define PF_CLI_VERSION "unknown"
#endif

namespace pf::cli {

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

PF_VERB_MAIN(info) {
  if (is_help(args)) {
    console.out << "usage: pelforge info\n\nLists the library's registered modules in registry "
                   "order: module id, descriptor\nname and version text.\n"
                   "\nExamples:\n  pelforge info\n  pelforge info | grep RESIZER\n";
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

PF_VERB_MAIN(errors) {
  if (is_help(args) || args.empty()) {
    if (args.empty()) {
      throw UsageError("errors needs at least one status code, e.g. pelforge errors 0xC6A0001A");
    }
    console.out
        << "usage: pelforge errors CODE...\n\nNames library status codes (hex like "
           "0xC6A0001A, or decimal) through the\nAnalyzeErrorCode entry point of the "
           "module that owns them.\n"
           "\nExamples:\n  pelforge errors 0xC6A0001A\n  pelforge errors C7C00020 3368026113\n";
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

}  // namespace pf::cli
