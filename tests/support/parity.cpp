// SPDX-License-Identifier: BSD-2-Clause
#include "parity.hpp"

namespace pft {

uint32_t cpu_flags() {
  // Detection is counted by the service; tests of the once-only dispatch read that count, so
  // ask for the features only once here.
  static const auto flags = static_cast<uint32_t>(DetectCpuFlags_x86());
  return flags;
}

std::string first_difference(const std::vector<GuardedPicture>& expected,
                             const std::vector<GuardedPicture>& actual) {
  if (expected.size() != actual.size()) return "different picture counts";
  for (size_t p = 0; p < expected.size(); ++p) {
    const auto& a = expected[p].planes();
    const auto& b = actual[p].planes();
    for (size_t plane = 0; plane < a.size(); ++plane) {
      const auto& ra = a[plane].raw();
      const auto& rb = b[plane].raw();
      for (size_t i = 0; i < ra.size(); ++i) {
        if (ra[i] != rb[i]) {
          std::ostringstream out;
          out << "picture " << p << " plane " << plane << " " << a[plane].describe(i)
              << ": expected " << int(ra[i]) << ", got " << int(rb[i]);
          return out.str();
        }
      }
    }
  }
  return {};
}

}  // namespace pft
