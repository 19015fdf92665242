// SPDX-License-Identifier: BSD-2-Clause
// Every module answers the same questions through its nine entry points: are the slots there, do
// its codes name themselves, is its version text right, does it refuse null pointers and bad
// fields with the right code, does it give back everything it took, also when an allocation
// fails half way, and can instances run side by side. A module describes itself once, in its own
// test file, as a ModuleCase; the generic tests in unit/module_cases_test.cpp ask the questions.
//
//   pft::ModuleCase logo_case() {
//     pft::ModuleCase m;
//     m.name = "logo";
//     m.entry = {ImgLogoOpen_c, ImgLogoProcess_c, ...};   // the exported entry points
//     m.table = &tLogoFuncs;
//     m.id = 8;
//     ...
//     return m;
//   }
//   PF_MODULE_CASE(logo_case);
#ifndef PELFORGE_TESTS_SUPPORT_MODULE_CASES_HPP_
#define PELFORGE_TESTS_SUPPORT_MODULE_CASES_HPP_

#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "pelforge.h"

namespace pft {

using Bytes = std::vector<uint8_t>;

// The bytes of a parameter record.
template <class Record>
Bytes record_bytes(const Record& r) {
  Bytes b(sizeof r);
  std::memcpy(b.data(), &r, sizeof r);
  return b;
}

// A change to a valid parameter record, typed: edit<tFooParam>([](tFooParam& p) { ... }).
template <class Record>
std::function<void(void*)> edit(std::function<void(Record&)> change) {
  return [change](void* p) { change(*static_cast<Record*>(p)); };
}

// One refused record: the change to the valid record and the codes Open and SetParam give.
struct ValidationRow {
  std::string what;
  std::function<void(void* record)> change;
  uint32_t open_code;
  uint32_t setparam_code = 0;  // 0: the same as open_code
  // Some refusals are only found after the instance exists (and are given back at once).
  bool allocates = false;
};

struct ModuleCase {
  std::string name;
  // The nine exported entry points, in table order. A module that only names its codes and its
  // version so far fills just those two.
  tImgProcFuncList entry{};
  const tImgProcFuncList* table =
      nullptr;      // the exported function table; null: the module has none
  uint32_t id = 0;  // the registry id; 0: not looked up by id

  // Error names: the exported name table, the code of its first entry, the codes the module
  // names itself (both ends included), the code for a null name buffer, and whether codes
  // outside the range are handed to another module's analyser.
  const char* const* names = nullptr;
  uint32_t first_code = 0;
  uint32_t accept_lo = 0, accept_hi = 0;
  uint32_t null_name = 0;
  bool delegates = false;

  // Version: the tag between "Version: " and the comma ("pelforge_v300.logo.012"), the codes for
  // a null buffer, a null length pointer (0: the module has none) and a short buffer, and the
  // smallest buffer that is accepted.
  const char* version_tag = nullptr;
  uint32_t null_version = 0, null_version_length = 0, short_version = 0;
  int32_t version_min = 100;

  // A parameter record Open accepts; empty: the module has no Open to exercise yet.
  Bytes param;
  // What GetStatus writes: the record Open was given (the default), or `status_size` bytes of
  // something else (then only the size is used, to give it room).
  bool status_echoes_param = true;
  size_t status_size = 0;
  // Whether SetParam takes the same record as Open (and accepts the valid one unchanged).
  bool setparam_takes_param = true;
  // Runs Process (once or more) on an instance opened on `param`, with pictures it owns; returns
  // the first non-zero status. Null: Process is not exercised here.
  std::function<uint32_t(const tImgProcFuncList& entry, void* handle)> process;
  // GetMemSize for `param`, when the module states one.
  std::optional<uint32_t> mem_size;

  // Codes for null pointers; 0 where the module defines none (not checked).
  uint32_t open_null_out = 0, open_null_param = 0, open_null_mem = 0;
  uint32_t close_null = 0;
  uint32_t close_no_mem = 0;   // an instance record whose memory handle is null
  uint32_t close_foreign = 0;  // an instance record the memory service never handed out
  uint32_t setparam_null_handle = 0, setparam_null_param = 0;
  uint32_t getstatus_null_handle = 0, getstatus_null_record = 0;
  uint32_t process_null_handle = 0;
  uint32_t process_null_input = 0;   // Process(handle, null, null)
  uint32_t process_null_output = 0;  // Process(handle, a zeroed record, null)
  // Debug(handle, null) does nothing and returns 0 (modules with a text command say false).
  bool debug_is_noop = true;

  // Open's code when the n-th allocation from the start of Open fails (index n - 1). Beyond the
  // list, any code the module can name is accepted. The code for a missing DMA handle; 0: the
  // module keeps none.
  std::vector<uint32_t> open_failures;
  uint32_t dma_failure = 0;

  // Refused records, each through Open and SetParam.
  std::vector<ValidationRow> rows;
};

using ModuleCaseFactory = ModuleCase (*)();
bool register_module_case(ModuleCaseFactory factory);
// Every registered case, built on first use.
const std::vector<ModuleCase>& module_cases();

}  // namespace pft

#define PF_MODULE_CASE_CAT2(a, b) a##b
#define PF_MODULE_CASE_CAT(a, b) PF_MODULE_CASE_CAT2(a, b)
#define PF_MODULE_CASE(factory)                                                      \
  [[maybe_unused]] static const bool PF_MODULE_CASE_CAT(pf_module_case_, __LINE__) = \
      ::pft::register_module_case(factory)

#endif  // PELFORGE_TESTS_SUPPORT_MODULE_CASES_HPP_
