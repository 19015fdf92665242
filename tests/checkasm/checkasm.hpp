// SPDX-License-Identifier: BSD-2-Clause
// The kernel parity harness's shared parts: options, the families of kernels it checks, and the
// loop every family runs (each manifest row's variants against the scalar kernel, or a model,
// on seeded random cases with guard bands, then the per-ISA report and the --bench timing). Each
// family lives in its own checkasm_<family>.cpp and registers its runner with
// PF_CHECKASM_FAMILY; main runs them in name order.
#ifndef PELFORGE_TESTS_CHECKASM_CHECKASM_HPP_
#define PELFORGE_TESTS_CHECKASM_CHECKASM_HPP_

#include <x86intrin.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "guarded.hpp"
#include "parity.hpp"
#include "rng.hpp"
#include "video_mem.h"

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

// Per-ISA counts of cases run and cases failed.
struct Tally {
  int tested[4] = {};
  int failed[4] = {};
  int failures = 0;
};

// Prints one [OK]/[FAILED] line per ISA for a family.
void report_family(const char* family, const Tally& tally, bool list);

// Cycles per call of `call`, the mean of the faster half of 64 blocks of 4 calls.
template <class Call>
double cycles_per_call(Call call) {
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

using Pictures = std::vector<pft::GuardedPicture>;

// A module instance on a memory handle of its own, opened on `param` by `open`; the families
// whose kernels need an instance swap the kernel it calls. Null `handle`: Open refused.
struct Opened {
  using OpenFn = uint32_t (*)(void**, const void*, void*);
  using CloseFn = uint32_t (*)(void*);
  void* mem = VideoMemCreate();
  void* handle = nullptr;
  CloseFn close;
  Opened(OpenFn open, CloseFn close_fn, const void* param) : close(close_fn) {
    if (open(&handle, param, mem) != 0) handle = nullptr;
  }
  Opened(const Opened&) = delete;
  Opened& operator=(const Opened&) = delete;
  ~Opened() {
    if (handle != nullptr) close(handle);
    VideoMemDestroy(mem);
  }
  template <class Instance>
  Instance* as() const {
    return static_cast<Instance*>(handle);
  }
};

// What a family tells the loop about its kernels of type Fn and its cases.
template <class Fn, class Case>
struct Family {
  std::span<const pf::KernelRow<Fn>> rows;
  // The cases of row `row`, `count` of them as the options ask (a family may run more); an empty
  // list is a failure: nothing reaches the kernel.
  std::function<std::vector<Case>(pft::Rng& rng, size_t row, int count)> cases;
  std::function<Pictures(const Case&, uint64_t seed)> make;
  std::function<void(const Case&, Fn, Pictures&)> run;
  std::function<std::string(const Case&)> describe;
  // The kernel a variant that computes something else by design is held to, or null.
  std::function<Fn(Fn)> model;
  // A variant shared by several rows is checked on the first row's cases only.
  bool once_per_variant = false;
  // With --bench: a call of one kernel on a large case of row `row`, and that case's words (a
  // null call: nothing to time).
  std::function<std::pair<std::function<void(Fn)>, std::string>(size_t row)> bench;
};

template <class Fn, class Case>
void check_family(const Family<Fn, Case>& f, const Options& o, uint32_t flags, Tally& tally) {
  std::set<Fn> done;
  for (size_t r = 0; r < f.rows.size(); ++r) {
    const pf::KernelRow<Fn>& row = f.rows[r];
    if (!wanted(o, row.name)) continue;
    if (o.list) {
      std::printf("%-48s", row.name);
      for (int isa = 0; isa < 4; ++isa)
        if (row.variant[isa] != nullptr) std::printf(" %s", pf::kIsaName[isa]);
      std::printf("\n");
      continue;
    }
    Fn selected[4] = {};
    bool runnable = false;
    for (int isa = 0; isa < 4; ++isa) {
      const Fn v = row.variant[isa];
      const bool wanted_isa = o.isa.empty() || o.isa == pf::kIsaName[isa];
      if (v != nullptr && wanted_isa && (flags & pf::kIsaFlag[isa]) != 0 && done.count(v) == 0) {
        selected[isa] = v;
        runnable = true;
      }
    }
    if (!runnable) continue;
    pft::Rng rng(o.seed ^ std::hash<std::string>{}(row.name));
    const std::vector<Case> cases = f.cases(rng, r, o.cases);
    if (cases.empty()) {
      std::printf("[FAILED] %s: no case reaches this kernel\n", row.name);
      ++tally.failures;
      continue;
    }
    for (const Case& c : cases) {
      const uint64_t seed = rng.next();
      if (o.verbose) std::printf("  %s: %s\n", row.name, f.describe(c).c_str());
      for (int isa = 0; isa < 4; ++isa) {
        if (selected[isa] == nullptr) continue;
        pf::KernelRow<Fn> one{row.name, row.pointer, row.scalar, {}};
        one.variant[isa] = selected[isa];
        const Fn reference = f.model ? f.model(selected[isa]) : nullptr;
        if (reference != nullptr) one.scalar = reference;
        ++tally.tested[isa];
        const auto messages = pft::compare_variants(
            one, seed, [&](uint64_t s) { return f.make(c, s); },
            [&](Fn kernel, Pictures& pictures) { f.run(c, kernel, pictures); });
        for (const std::string& m : messages) {
          std::printf("[FAILED] %s%s (%s)\n", m.c_str(),
                      reference != nullptr ? " against its model" : "", f.describe(c).c_str());
          ++tally.failed[isa];
          ++tally.failures;
        }
      }
    }
    if (f.once_per_variant) {
      for (const Fn v : selected)
        if (v != nullptr) done.insert(v);
    }
    // Timing stops at the first failure: a wrong kernel's speed means nothing.
    if (!o.bench || tally.failures != 0 || !f.bench) continue;
    const auto bench = f.bench(r);
    const std::function<void(Fn)>& call = bench.first;
    if (!call) continue;
    const double scalar = cycles_per_call([&] { call(row.scalar); });
    for (int isa = 0; isa < 4; ++isa) {
      if (selected[isa] == nullptr) continue;
      const double cycles = cycles_per_call([&] { call(selected[isa]); });
      std::printf("  %-44s %-6s %10.0f cycles  x%5.2f  (%s)\n", row.name, pf::kIsaName[isa], cycles,
                  scalar / cycles, bench.second.c_str());
    }
  }
}

// One family of one manifest: checked and reported under `name`.
template <class Fn, class Case>
int run_family(const char* name, const Family<Fn, Case>& f, const Options& o, uint32_t flags) {
  Tally tally;
  check_family(f, o, flags, tally);
  report_family(name, tally, o.list);
  return tally.failures;
}

// `count` cases from `random_case(rng, index)`.
template <class Case, class Random>
std::vector<Case> random_cases(pft::Rng& rng, int count, Random random_case) {
  std::vector<Case> cases;
  for (int i = 0; i < count; ++i) cases.push_back(random_case(rng, i));
  return cases;
}

}  // namespace pfc

#define PF_CHECKASM_CAT2(a, b) a##b
#define PF_CHECKASM_CAT(a, b) PF_CHECKASM_CAT2(a, b)
#define PF_CHECKASM_FAMILY(name, runner)                                              \
  [[maybe_unused]] static const bool PF_CHECKASM_CAT(pf_checkasm_family_, __LINE__) = \
      ::pfc::register_family(name, runner)

#endif  // PELFORGE_TESTS_CHECKASM_CHECKASM_HPP_
