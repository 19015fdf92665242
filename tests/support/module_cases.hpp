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
//     m.entry = PF_ENTRY_POINTS(ImgLogo);   // the exported entry points
//     m.table = &tLogoFuncs;
//     m.id = 8;
//     ...
//     return m;
//   }
//   PF_MODULE_CASE(logo_case);
#ifndef PELFORGE_TESTS_SUPPORT_MODULE_CASES_HPP_
#define PELFORGE_TESTS_SUPPORT_MODULE_CASES_HPP_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "guarded.hpp"
#include "pelforge.h"

namespace pft {

using Bytes = std::vector<uint8_t>;

// The families of the command line and the fuzz targets; each module belongs to one.
enum class Family { kScaling, kComposition, kOverlay, kFilters, kAnalysis, kCodecs };
const char* family_name(Family family);

// Asked for more picture memory than a run allows (a record that Open accepts may describe a
// 12288 x 12288 picture; the fuzzers skip such runs rather than page in gigabytes).
struct TooLarge {};

// The buffers of one run of a module, each in pages of its own against a protected page (the
// side the run was made for), filled from content bytes: a fuzzer's input, or a fixed pattern.
// byte() and rest() consume the content (choices a run makes, a codec's access unit); buffers
// repeat it from where it stands without consuming it, so that a large picture does not eat the
// input. Everything stays valid until the Pictures object goes.
class Pictures {
 public:
  explicit Pictures(PageGuard side = page_guard(), const uint8_t* content = nullptr,
                    size_t content_size = 0, size_t budget = size_t{96} << 20);
  Pictures(const Pictures&) = delete;
  Pictures& operator=(const Pictures&) = delete;

  // `bytes` bytes, filled with content; throws TooLarge past the budget.
  uint8_t* buffer(size_t bytes);
  // Negative or absurd sizes from a record count as too large rather than wrapping around.
  uint8_t* buffer(int64_t bytes);
  // A whole picture in one buffer as the modules that take one address lay it out: `pitch`
  // (pixels for the packed types) by `height` luma lines, the chroma planes after the luma.
  uint8_t* picture(uint32_t yuv_type, int64_t pitch, int64_t height);
  // One plane of `rows` rows `pitch` bytes apart, exactly as long as its last row's `width`
  // bytes reach, so that the last byte touches the protected page.
  uint8_t* plane(int64_t width, int64_t rows, int64_t pitch);
  // A picture record of `yuv_type` (any of the PF_YUV_ codes) for a w x h picture, each plane in
  // a buffer of its own, the pitches a little longer than the rows when `slack` (even, so that
  // packed pitches stay whole pixels).
  tImgPicture picture_record(uint32_t yuv_type, int64_t width, int64_t height, bool slack = true);
  // A text logo's character widths: for each of `lines` lines, cells of 2..17 columns adding up
  // to `width` at most, then a 0; `chars` cells in all at most.
  uint8_t* char_widths(int64_t chars, int64_t lines, int64_t width);
  // A typed record (zeroed) that lives as long as the buffers.
  template <class T>
  T* record() {
    auto* p = reinterpret_cast<T*>(buffer(sizeof(T)));
    std::memset(static_cast<void*>(p), 0, sizeof(T));
    return p;
  }
  // The next content byte (a repeating pattern when the content runs out).
  uint8_t byte();
  // The rest of the content as one buffer (codec input), at least one byte.
  std::pair<uint8_t*, size_t> rest();
  PageGuard side() const { return side_; }

 private:
  PageGuard side_;
  const uint8_t* content_;
  size_t content_size_, position_ = 0, budget_, used_ = 0, filled_ = 0;
  std::vector<PageBuffer> buffers_;
};

// The product of sizes taken from a record; a negative factor or a product beyond 2^40 (which a
// record may well ask for) throws TooLarge instead of overflowing.
int64_t product(std::initializer_list<int64_t> factors);

// Bytes a whole picture of `yuv_type` takes (Pictures::picture); -1 for an unknown type.
int64_t picture_bytes(uint32_t yuv_type, int64_t pitch, int64_t height);

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

// A refused record in one line: the record type, what, Open's code (also SetParam's), and the
// change written on `p`: PF_REFUSED(tFooParam, "odd width", ERR_FOO_WIDTH, p.s32Width = 15).
// _LATE: refused only after the instance exists (and given back at once); PF_REFUSED2: SetParam
// answers with a code of its own, given after Open's.
#define PF_REFUSED(Record, what, code, ...)                         \
  ::pft::ValidationRow {                                            \
    what, ::pft::edit<Record>([](Record& p) { __VA_ARGS__; }), code \
  }
#define PF_REFUSED_LATE(Record, what, code, ...)                             \
  ::pft::ValidationRow {                                                     \
    what, ::pft::edit<Record>([](Record& p) { __VA_ARGS__; }), code, 0, true \
  }
#define PF_REFUSED2(Record, what, open_code, setparam_code, ...)                        \
  ::pft::ValidationRow {                                                                \
    what, ::pft::edit<Record>([](Record& p) { __VA_ARGS__; }), open_code, setparam_code \
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
  // Analysers of private instances whose codes the module returns unchanged without naming them
  // itself (its own analyser refuses them): a status is known when one of these names it.
  std::vector<uint32_t (*)(uint32_t code, int32_t length, char* name)> inner_names;

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
  Family family = Family::kScaling;
  // Runs Process (once or more) on an instance that Open or SetParam accepted `record` for, with
  // pictures of the sizes the record describes taken from `pictures`; returns the first non-zero
  // status. The generic tests pass `param`, the fuzzers whatever record the module accepted, so
  // every size comes from the record. Null: Process is not exercised.
  std::function<uint32_t(const tImgProcFuncList& entry, void* handle, const void* record,
                         Pictures& pictures)>
      run;
  // Points the pointers a record holds (a logo, a reference table) at buffers from `pictures`
  // sized from the record; the fuzzers call it on every record they make up. Null: the record
  // holds no pointer.
  std::function<void(void* record, Pictures& pictures)> bind;
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

// The codes most modules give for null pointers: one for Open's three, one for each of Close's
// cases (0: not checked), one for SetParam's and GetStatus's two, one for Process's three.
struct NullCodes {
  uint32_t open, close, close_no_mem, close_foreign, setparam, getstatus, process;
};
void set_null_codes(ModuleCase& m, const NullCodes& c);
// The error names: the exported table, the code of its first entry, the range the module names
// itself and the code for a null name buffer.
void set_names(ModuleCase& m, const char* const* names, uint32_t first_code, uint32_t accept_lo,
               uint32_t accept_hi, uint32_t null_name);
// The version facts: the tag and the codes for a null buffer, a null length pointer, a short
// buffer.
void set_version(ModuleCase& m, const char* tag, uint32_t null_version,
                 uint32_t null_version_length, uint32_t short_version);

// Whether the module's analyser (with its delegation), or one of its inner_names, names `code`.
bool nameable(const ModuleCase& m, uint32_t code);

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

// The nine exported entry points of a module whose names share a prefix (ImgLogo: ImgLogoOpen_c
// .. ImgLogoGetMemSize_c), in table order; _WITH names the last two where they differ.
#define PF_ENTRY_POINTS_WITH(prefix, debug, get_mem_size)                                         \
  tImgProcFuncList {                                                                              \
    prefix##Open_c, prefix##Process_c, prefix##Close_c, prefix##SetParam_c, prefix##GetVersion_c, \
        prefix##GetStatus_c, prefix##AnalyzeErrorCode_c, debug, get_mem_size                      \
  }
// The thirteen null-pointer codes of a module that names them all alike
// (ERR_IMG_FOO_OPEN_INPUT_HANDLE, _OPEN_INPUT_PARAM, _OPEN_INPUT_MEMHANDLE, _CLOSE_INPUT_HANDLE,
// ... _PROCESS_OUTPUT_PARAM).
#define PF_NULL_CODES_BY_PREFIX(m, prefix)                                                     \
  m.open_null_out = prefix##_OPEN_INPUT_HANDLE, m.open_null_param = prefix##_OPEN_INPUT_PARAM, \
  m.open_null_mem = prefix##_OPEN_INPUT_MEMHANDLE, m.close_null = prefix##_CLOSE_INPUT_HANDLE, \
  m.close_no_mem = prefix##_CLOSE_INPUT_MEMHANDLE, m.close_foreign = prefix##_CLOSE_FREE,      \
  m.setparam_null_handle = prefix##_SETPARAM_INPUT_HANDLE,                                     \
  m.setparam_null_param = prefix##_SETPARAM_INPUT_PARAM,                                       \
  m.getstatus_null_handle = prefix##_GETSTATUS_INPUT_HANDLE,                                   \
  m.getstatus_null_record = prefix##_GETSTATUS_INPUT_PARAM,                                    \
  m.process_null_handle = prefix##_PROCESS_INPUT_HANDLE,                                       \
  m.process_null_input = prefix##_PROCESS_INPUT_PARAM,                                         \
  m.process_null_output = prefix##_PROCESS_OUTPUT_PARAM
#define PF_ENTRY_POINTS(prefix) PF_ENTRY_POINTS_WITH(prefix, prefix##Debug_c, prefix##GetMemSize_c)

#endif  // PELFORGE_TESTS_SUPPORT_MODULE_CASES_HPP_
