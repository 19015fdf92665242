// SPDX-License-Identifier: BSD-2-Clause
// Error names and version texts: the one implementation behind every module's AnalyzeErrorCode
// and GetVersion.
#ifndef PELFORGE_SOURCE_COMMON_ERRORS_HPP_
#define PELFORGE_SOURCE_COMMON_ERRORS_HPP_

#include <cstdint>

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

}  // namespace pf

// Expands in the module's own source file, so that the date and time are that file's.
#define PF_WRITE_VERSION(version, buf, len, out_len) \
  ::pf::write_version((version), __DATE__, __TIME__, (buf), (len), (out_len))

#endif  // PELFORGE_SOURCE_COMMON_ERRORS_HPP_
