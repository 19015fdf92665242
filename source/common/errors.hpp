// SPDX-License-Identifier: BSD-2-Clause
// Error names and version texts: the one implementation behind every module's AnalyzeErrorCode
// and GetVersion, and a module's error list looked up by name.
//
// A module expands its header's error X-list once:
//
//   #define PF_ERROR_PREFIX "ERR_IMG_ADAPT_16VS9_"
//   PF_ERROR_LIST(pas8ImageAdapt16vs9AnalyzeErrorCode, PF_IMAGE_ADAPT_16VS9_ERRORS,
//                 ERR_IMG_ADAPT_16VS9_BASE_)
//   #undef PF_ERROR_PREFIX
//
// which defines the exported name table (PF_ERROR_PREFIX in front of every name) and, in
// pf::{anon}, a constant kNAME per code and kErrorNames, the list by name. A module whose table
// is laid out otherwise (names of two owners, a start marker outside the list) writes the table
// itself and expands only PF_ERROR_CODES. From kErrorNames, error_table() and version_spec()
// find the codes AnalyzeErrorCode and GetVersion report, and frame_codes() (frame.hpp) those of
// the frame, wherever the names are the library's usual spellings.
#ifndef PELFORGE_SOURCE_COMMON_ERRORS_HPP_
#define PELFORGE_SOURCE_COMMON_ERRORS_HPP_

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

namespace pf {

using AnalyzeFn = uint32_t (*)(uint32_t code, int32_t buf_len, char* buf);

// A module's error names and the range of codes its AnalyzeErrorCode answers for itself.
struct ErrorTable {
  const char* const* names;  // names[i] is the name of first_code + i
  uint32_t count;
  uint32_t first_code;
  uint32_t accept_lo;  // the codes looked up in names; both ends included
  uint32_t accept_hi;
  uint32_t null_buffer;  // returned for a null output buffer, whatever the code
  AnalyzeFn delegate;    // answers for codes outside [accept_lo, accept_hi]; null: not nameable
};

uint32_t analyze_error_code(const ErrorTable& table, uint32_t code, int32_t buf_len, char* buf);

struct VersionSpec {
  const char* format;     // printf format with two %s: compile date, compile time
  uint32_t null_buffer;   // code for a null buffer
  uint32_t null_length;   // code for a null length pointer; 0 when the module has none
  uint32_t short_buffer;  // code for a buffer under 100 bytes or under the text's length + 1
};

// date and time are the module's __DATE__ and __TIME__ ("Nov  6 2019", "hh:mm:ss").
uint32_t write_version(const VersionSpec& version, const char* date, const char* time, char* buf,
                       int32_t buf_len, uint32_t* text_len);

// Reached only while a module's codes are looked up at compile time, where a call to a function
// that is not constexpr stops the compilation and names the reason. Never defined.
void error_list_spells_one_meaning_twice();
void error_list_lacks_a_required_name();

// A module's error list by name: the names of its header's X-list without the module's prefix,
// in code order. Names are matched as written, with "SELF_" in front, or with one of the
// module's stems in front (a word all its names repeat, such as "ADD_IMAGE_").
struct ErrorNames {
  std::span<const std::string_view> names;
  uint32_t first;                      // the code of names[0]
  const char* const* table = nullptr;  // the exported table of these names; null: laid out apart
  std::string_view stem = {};
  std::string_view other_stem = {};

  // The code of `name`, or 0 when the list has no such name.
  constexpr uint32_t code(std::string_view name) const {
    for (size_t i = 0; i < names.size(); ++i) {
      if (spells(names[i], name)) return first + static_cast<uint32_t>(i);
    }
    return 0;
  }

  // The code of whichever of `spellings` (one meaning, spelled the ways the modules spell it)
  // the list has, or 0 when it has none. A list with two of them does not compile: the module
  // says which it means.
  consteval uint32_t one_of(std::initializer_list<std::string_view> spellings) const {
    uint32_t found = 0;
    for (const std::string_view spelling : spellings) {
      const uint32_t c = code(spelling);
      if (c != 0 && found != 0) error_list_spells_one_meaning_twice();
      if (c != 0) found = c;
    }
    return found;
  }

  // The same for a code the caller cannot do without.
  consteval uint32_t required(std::initializer_list<std::string_view> spellings) const {
    const uint32_t c = one_of(spellings);
    if (c == 0) error_list_lacks_a_required_name();
    return c;
  }

 private:
  constexpr bool spells(std::string_view name, std::string_view word) const {
    if (name == word) return true;
    if (name.size() <= word.size() || !name.ends_with(word)) return false;
    const std::string_view front = name.substr(0, name.size() - word.size());
    return front == "SELF_" || front == stem || front == other_stem;
  }
};

// Which codes of a module's table its AnalyzeErrorCode names itself, and where others go.
struct NameRange {
  bool start_named = true;  // false: the table opens with a start marker that is never named
  bool end_named = true;    // false: the end marker is in the table but never named
  AnalyzeFn delegate = nullptr;
};

// The ErrorTable of a module whose exported table holds exactly its list.
consteval ErrorTable error_table(const ErrorNames& e, NameRange range = {}) {
  if (e.table == nullptr) error_list_lacks_a_required_name();
  const auto last = e.first + static_cast<uint32_t>(e.names.size()) - 1;
  return ErrorTable{
      .names = e.table,
      .count = static_cast<uint32_t>(e.names.size()),
      .first_code = e.first,
      .accept_lo = range.start_named ? e.first : e.first + 1,
      .accept_hi = range.end_named ? last : last - 1,
      .null_buffer = e.required(
          {"ANDTF_ANALYZECODE_HANDLE", "ANALYZE_ERROR_CODE_HANDLE", "ANALYZECODE_HANDLE"}),
      .delegate = range.delegate,
  };
}

// The codes GetVersion reports, found by name, with the module's format.
consteval VersionSpec version_spec(const ErrorNames& e, const char* format) {
  return VersionSpec{
      .format = format,
      .null_buffer = e.required({"GETVERSION_INPUT_BUFFER", "GET_VERSION_POINTER",
                                 "GETVERSION_HANDLE", "VER_POINTER", "VERSION_INPUT_POINTER"}),
      .null_length = e.one_of({"GET_VERSION_VERLEN_POINTER", "GETVERSION_POINTER"}),
      .short_buffer = e.required({"GETVERSION_BUFFERLEN", "VERSION_BUFLEN_TOO_SHORT",
                                  "GETVERSION_LENGTH", "BUFFERLEN", "VERSION_LEN"}),
  };
}

}  // namespace pf

// Expands in the module's own source file, so that the date and time are that file's.
#define PF_WRITE_VERSION(version, buf, len, out_len) \
  ::pf::write_version((version), __DATE__, __TIME__, (buf), (len), (out_len))

// X-list callbacks: the exported name (PF_ERROR_PREFIX, defined around the expansion, in front),
// the name as the list writes it, and the code's constant. Extra arguments (a name's owner) are
// left to modules that lay out their own table.
#define PF_ERROR_NAME_(name, ...) PF_ERROR_PREFIX #name,
#define PF_ERROR_WORD_(name, ...) #name,
#define PF_ERROR_CODE_(name, ...) k##name,

// The codes of the X-list LIST, whose first name is base + 1, as constants kNAME in pf::{anon},
// and kErrorNames over them; `table` is the exported name table when it holds exactly the list
// (else nullptr), and up to two stems may follow.
#define PF_ERROR_CODES(LIST, base, table, ...)                                                  \
  namespace pf {                                                                                \
  namespace {                                                                                   \
  enum : uint32_t { kErrorListBase_ = (base), LIST(PF_ERROR_CODE_) };                           \
  constexpr std::string_view kErrorWords_[] = {LIST(PF_ERROR_WORD_)};                           \
  constexpr ErrorNames kErrorNames{kErrorWords_, (base) + 1, table __VA_OPT__(, ) __VA_ARGS__}; \
  }                                                                                             \
  }

// The exported name table `table` of LIST, and its codes as PF_ERROR_CODES gives them.
#define PF_ERROR_LIST(table, LIST, base, ...)                    \
  extern "C" const char* const table[] = {LIST(PF_ERROR_NAME_)}; \
  PF_ERROR_CODES(LIST, base, table, __VA_ARGS__)

#endif  // PELFORGE_SOURCE_COMMON_ERRORS_HPP_
