// SPDX-License-Identifier: BSD-2-Clause
// The library as the command line uses it: a memory handle, module instances opened through the
// registry's function tables, and status codes turned into their names.
#ifndef PELFORGE_TOOLS_MODULES_HPP_
#define PELFORGE_TOOLS_MODULES_HPP_

#include <cstdint>
#include <string>

#include "cli_error.hpp"
#include "pelforge.h"

namespace pf::cli {

inline constexpr uint32_t kResizerId = 24;
inline constexpr uint32_t kYuvToRgbId = 3;
inline constexpr uint32_t kRgbResizerId = 26;
inline constexpr uint32_t kRgbToYuvId = 36;

// A module refused: carries the code so callers can decide on another route.
class ModuleError : public CliError {
 public:
  ModuleError(const std::string& what, uint32_t code) : CliError(what), code_(code) {}
  uint32_t code() const { return code_; }

 private:
  uint32_t code_;
};

// One memory handle of the video memory service for the whole run.
class MemHandle {
 public:
  MemHandle();
  ~MemHandle();
  MemHandle(const MemHandle&) = delete;
  MemHandle& operator=(const MemHandle&) = delete;
  void* get() const { return handle_; }

 private:
  void* handle_;
};

// The function table of a registered module; throws CliError when this library lacks it.
const tImgProcFuncList& module_table(uint32_t module_id);
// The descriptor name of a registered module ("IMG_RESIZER"), or "module <id>".
std::string module_name(uint32_t module_id);

// "0xC6A0001A" and, when the module's AnalyzeErrorCode can name it, " ERR_IMG_...".
std::string status_text(const tImgProcFuncList& table, uint32_t code);
std::string hex_code(uint32_t code);

// An open instance of one module; closed when it goes.
class Instance {
 public:
  Instance(uint32_t module_id, const void* param, void* mem);
  ~Instance();
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;
  // Runs Process; a refusal throws ModuleError with the code and its name.
  void process(void* input, void* output);
  // Runs SetParam; a refusal throws ModuleError and leaves the instance as it was.
  void set_param(const void* param);
  const tImgProcFuncList& table() const { return *table_; }

 private:
  uint32_t id_;
  const tImgProcFuncList* table_;
  void* handle_ = nullptr;
};

}  // namespace pf::cli

#endif  // PELFORGE_TOOLS_MODULES_HPP_
