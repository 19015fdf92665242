// SPDX-License-Identifier: BSD-2-Clause
// Runs a kernel's scalar form and each SIMD variant the processor has on identical, seeded inputs
// surrounded by canaries, and compares every byte of every plane allocation, guards included.
#ifndef PELFORGE_TESTS_SUPPORT_PARITY_HPP_
#define PELFORGE_TESTS_SUPPORT_PARITY_HPP_

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "dispatch.hpp"
#include "guarded.hpp"
#include "video_mem.h"

namespace pft {

// The processor's features as the memory service reports them (its masks included).
uint32_t cpu_flags();

// The first byte where two sets of pictures differ, described; empty when they are identical.
std::string first_difference(const std::vector<GuardedPicture>& expected,
                             const std::vector<GuardedPicture>& actual);

// make(seed) builds the pictures (sources and destinations) a run needs, the same for the same
// seed; run(kernel, pictures) calls the kernel on them. Returns one message per variant that
// differs from the scalar kernel, naming the kernel, the ISA, the seed and the first difference.
template <class Fn, class Make, class Run>
std::vector<std::string> compare_variants(const pf::KernelRow<Fn>& row, uint64_t seed, Make make,
                                          Run run) {
  std::vector<std::string> failures;
  const uint32_t flags = cpu_flags();
  std::vector<GuardedPicture> reference;
  bool have_reference = false;
  for (int isa = 0; isa < 4; ++isa) {
    Fn variant = row.variant[isa];
    if (variant == nullptr || (flags & pf::kIsaFlag[isa]) == 0) continue;
    if (!have_reference) {
      reference = make(seed);
      run(row.scalar, reference);
      have_reference = true;
    }
    std::vector<GuardedPicture> candidate = make(seed);
    run(variant, candidate);
    const std::string difference = first_difference(reference, candidate);
    if (!difference.empty()) {
      std::ostringstream out;
      out << row.name << " " << pf::kIsaName[isa] << " seed " << seed << ": " << difference;
      failures.push_back(out.str());
    }
  }
  return failures;
}

}  // namespace pft

#endif  // PELFORGE_TESTS_SUPPORT_PARITY_HPP_
