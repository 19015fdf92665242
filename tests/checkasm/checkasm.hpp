// SPDX-License-Identifier: BSD-2-Clause
// The kernel parity harness's shared parts: options, and the families of kernels it checks. Each
// family lives in its own checkasm_<family>.cpp and registers its runner with
// PF_CHECKASM_FAMILY; main runs them in name order.
#ifndef PELFORGE_TESTS_CHECKASM_CHECKASM_HPP_
#define PELFORGE_TESTS_CHECKASM_CHECKASM_HPP_

#include <cstdint>
#include <string>

namespace pfc {

struct Options {
  uint64_t seed = 0;
  std::string function = "*";  // glob over kernel pointer names
  std::string isa;             // empty: every ISA the processor has
  std::string test = "*";      // glob over family names
  int cases = 24;
  bool list = false;
  bool verbose = false;
  bool bench = false;
};

// A family's runner checks (and with --bench times) its variants; returns the number of
// failures. `flags` are the processor's features as the memory service reports them.
using FamilyRunner = int (*)(const Options& options, uint32_t flags);

bool register_family(const char* name, FamilyRunner runner);

// True when `name` matches the --function glob.
bool wanted(const Options& options, const char* name);

// Prints one [OK]/[FAILED] line per ISA for a family, from per-ISA case and failure counts.
void report_family(const char* family, const int (&tested)[4], const int (&failed)[4], bool list);

// Cycles per call of `call`, the mean of the faster half of 64 blocks of 4 calls.
template <class Call>
double cycles_per_call(Call call);

}  // namespace pfc

#define PF_CHECKASM_CAT2(a, b) a##b
#define PF_CHECKASM_CAT(a, b) PF_CHECKASM_CAT2(a, b)
#define PF_CHECKASM_FAMILY(name, runner)                                              \
  [[maybe_unused]] static const bool PF_CHECKASM_CAT(pf_checkasm_family_, __LINE__) = \
      ::pfc::register_family(name, runner)

#include <x86intrin.h>

#include <algorithm>
#include <vector>

template <class Call>
double pfc::cycles_per_call(Call call) {
  std::vector<double> samples;
  for (int block = 0; block < 64; ++block) {
    _mm_lfence();
    const uint64_t start = __rdtsc();
    for (int i = 0; i < 4; ++i) call();
    _mm_lfence();
    samples.push_back(static_cast<double>(__rdtsc() - start) / 4.0);
  }
  std::sort(samples.begin(), samples.end());
  double sum = 0;
  for (size_t i = 0; i < samples.size() / 2; ++i) sum += samples[i];
  return sum / static_cast<double>(samples.size() / 2);
}

#endif  // PELFORGE_TESTS_CHECKASM_CHECKASM_HPP_
