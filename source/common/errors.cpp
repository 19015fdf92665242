// SPDX-License-Identifier: BSD-2-Clause
#include "errors.hpp"

#include <cstdio>
#include <cstring>

#include "pelforge.h"

namespace pf {

uint32_t analyze_error_code(const ErrorTable& table, uint32_t code, int32_t buf_len, char* buf) {
  if (buf == nullptr) return table.null_buffer;
  // Codes are compared as signed numbers: every module code is negative then, and a code of no
  // module above 0x7FFFFFFF cannot wrap into a range.
  const auto signed_code = static_cast<int32_t>(code);
  if (signed_code < static_cast<int32_t>(table.accept_lo) ||
      signed_code > static_cast<int32_t>(table.accept_hi)) {
    return table.delegate != nullptr ? table.delegate(code, buf_len, buf)
                                     : PF_ERR_CODE_NOT_NAMEABLE;
  }
  const int64_t index = static_cast<int64_t>(signed_code) -
                        static_cast<int64_t>(static_cast<int32_t>(table.first_code));
  if (index < 0 || index >= table.count || table.names[index] == nullptr) {
    return PF_ERR_CODE_NOT_NAMEABLE;
  }
  const char* name = table.names[index];
  const size_t needed = std::strlen(name) + 1;
  if (buf_len < 0 || needed > static_cast<size_t>(buf_len)) return PF_ERR_NAME_BUFFER_SHORT;
  std::memcpy(buf, name, needed);
  return PF_STATUS_OK;
}

uint32_t write_version(const VersionSpec& version, const char* date, const char* time, char* buf,
                       int32_t buf_len, uint32_t* text_len) {
  if (buf == nullptr) return version.null_buffer;
  if (text_len == nullptr && version.null_length != 0) return version.null_length;
  char text[256];
  const int length = std::snprintf(text, sizeof text, version.format, date, time);
  if (length < 0 || static_cast<size_t>(length) >= sizeof text) return version.short_buffer;
  if (buf_len < PF_VERSION_MIN_BUFFER || buf_len < length + 1) return version.short_buffer;
  std::memcpy(buf, text, static_cast<size_t>(length) + 1);
  // Modules without a code for a null length pointer still write the text: the caller asked
  // for it, and only the length has nowhere to go.
  if (text_len != nullptr) *text_len = static_cast<uint32_t>(length);
  return PF_STATUS_OK;
}

}  // namespace pf
