// SPDX-License-Identifier: BSD-2-Clause
// Kernel parity harness: every SIMD variant in the kernel manifests against its scalar twin (or,
// for the few variants defined to compute something else, against a model of that; see
// divergent.hpp), on seeded random pictures with canary guard bands. With --bench it also times
// each variant against the scalar kernel. Families of kernels register themselves (checkasm.hpp).
//
//   pf_checkasm [--seed=N] [--test=GLOB] [--function=GLOB] [--isa=sse2|ssse3|...] [--cases=N]
//               [--list] [--verbose] [--bench]
#include "checkasm.hpp"

#include <fnmatch.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "parity.hpp"

namespace pfc {
namespace {

std::map<std::string, FamilyRunner>& families() {
  static std::map<std::string, FamilyRunner> all;
  return all;
}

bool parse(int argc, char** argv, Options& o) {
  o.seed = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](const char* key) -> const char* {
      const size_t n = std::strlen(key);
      return a.compare(0, n, key) == 0 ? argv[i] + n : nullptr;
    };
    if (const char* v = value("--seed=")) {
      o.seed = std::strtoull(v, nullptr, 0);
    } else if (const char* f = value("--function=")) {
      o.function = f;
    } else if (const char* t = value("--test=")) {
      o.test = t;
    } else if (const char* s = value("--isa=")) {
      o.isa = s;
    } else if (const char* c = value("--cases=")) {
      o.cases = std::max(1, std::atoi(c));
    } else if (a == "--list") {
      o.list = true;
    } else if (a == "--verbose") {
      o.verbose = true;
    } else if (a == "--bench") {
      o.bench = true;
    } else {
      std::fprintf(stderr, "unknown option %s\n", argv[i]);
      return false;
    }
  }
  return true;
}

}  // namespace

bool register_family(const char* name, FamilyRunner runner) {
  families()[name] = runner;
  return true;
}

bool wanted(const Options& options, const char* name) {
  return fnmatch(options.function.c_str(), name, 0) == 0;
}

void report_family(const char* family, const Tally& tally, bool list) {
  if (list) return;
  bool any = false;
  for (int isa = 0; isa < 4; ++isa) {
    if (tally.tested[isa] == 0) continue;
    any = true;
    std::printf("%s %s %-6s (%d cases)\n", tally.failed[isa] == 0 ? "[OK]    " : "[FAILED]", family,
                pf::kIsaName[isa], tally.tested[isa]);
  }
  if (!any) std::printf("[OK]     %s: no variant runs on this processor\n", family);
}

}  // namespace pfc

int main(int argc, char** argv) {
  pfc::Options o;
  if (!pfc::parse(argc, argv, o)) return 2;
  const uint32_t flags = pft::cpu_flags();
  if (!o.list) {
    std::printf("pf_checkasm: seed %llu, processor features 0x%x\n",
                static_cast<unsigned long long>(o.seed), flags);
  }
  int failures = 0;
  for (const auto& [name, runner] : pfc::families()) {
    if (fnmatch(o.test.c_str(), name.c_str(), 0) != 0) continue;
    failures += runner(o, flags);
  }
  return failures == 0 ? 0 : 1;
}
