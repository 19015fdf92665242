// SPDX-License-Identifier: BSD-2-Clause
// The benchmark registry, the ratio tables and pf_bench's main.
#include "bench_util.hpp"

#include <cstdio>
#include <cstring>
#include <map>
#include <ostream>

#include "video_mem.h"

namespace pfb {

Instance::Instance(benchmark::State& state, const char* module, OpenFn open, CloseFn close,
                   const void* param)
    : mem_(VideoMemCreate()), close_(close) {
  const uint32_t status = open(&handle_, param, mem_);
  if (status != 0) {
    handle_ = nullptr;
    char text[96];
    std::snprintf(text, sizeof text, "%s refused the job: 0x%08X", module, status);
    state.SkipWithError(text);
  }
}

Instance::~Instance() {
  if (handle_ != nullptr) close_(handle_);
  VideoMemDestroy(mem_);
}

void memcpy_job(benchmark::State& state, size_t bytes) {
  Bytes from = picture_buffer(bytes), to = picture_buffer(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
  }
}

void add_memcpy_bench(const std::string& table, const std::string& job, size_t bytes) {
  add_bench(table, "memcpy", job, [bytes](benchmark::State& s) { memcpy_job(s, bytes); });
}

namespace {

struct Entry {
  std::string table, impl, job;
  std::function<void(benchmark::State&)> fn;
};
struct Check {
  std::string name;
  std::function<std::string()> run;
};

// Filled while the benchmark files' static objects are made, before main.
std::vector<Entry>& entries() {
  static std::vector<Entry> list;
  return list;
}
std::vector<Check>& checks() {
  static std::vector<Check> list;
  return list;
}

template <class T>
void add_unique(std::vector<T>& v, const T& x) {
  for (const T& y : v) {
    if (y == x) return;
  }
  v.push_back(x);
}

// Keeps the console output and remembers each benchmark's time (the median aggregate when there
// are repetitions) for the ratio tables.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const std::string name = run.benchmark_name();
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      const std::string base = name.substr(0, name.find("_median"));
      if (median || (run.run_type == Run::RT_Iteration && times_.count(base) == 0)) {
        times_[median ? base : name] = run.GetAdjustedRealTime();
      }
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::vector<std::string> tables;
    for (const Entry& e : entries()) add_unique(tables, e.table);
    for (const std::string& table : tables) print_table(table);
  }

 private:
  double time(const std::string& impl, const std::string& job) const {
    auto it = times_.find(impl + "/" + job);
    return it == times_.end() ? -1.0 : it->second;
  }
  void print_table(const std::string& table) {
    std::vector<std::string> impls, jobs;
    for (const Entry& e : entries()) {
      if (e.table != table) continue;
      add_unique(impls, e.impl);
      add_unique(jobs, e.job);
    }
    bool any = false;
    for (const std::string& job : jobs) any = any || time(impls[0], job) >= 0;
    if (!any) return;  // filtered out
    std::ostream& out = GetOutputStream();
    char cell[64];
    out << "\n" << table << ":\n";
    std::snprintf(cell, sizeof cell, "%-30s", "job");
    out << cell;
    for (const std::string& impl : impls) {
      std::snprintf(cell, sizeof cell, " %12s", impl.c_str());
      out << cell;
    }
    for (size_t i = 1; i < impls.size(); ++i) {
      std::snprintf(cell, sizeof cell, " %10s", ("vs " + impls[i]).c_str());
      out << cell;
    }
    out << "\n";
    for (const std::string& job : jobs) {
      const double ours = time(impls[0], job);
      if (ours < 0) continue;
      std::snprintf(cell, sizeof cell, "%-30s", job.c_str());
      out << cell;
      for (const std::string& impl : impls) {
        const double t = time(impl, job);
        if (t < 0) {
          std::snprintf(cell, sizeof cell, " %12s", "-");
        } else {
          std::snprintf(cell, sizeof cell, " %9.1f us", t / 1000.0);
        }
        out << cell;
      }
      for (size_t i = 1; i < impls.size(); ++i) {
        const double t = time(impls[i], job);
        if (t <= 0) {
          std::snprintf(cell, sizeof cell, " %10s", "-");
        } else {
          std::snprintf(cell, sizeof cell, " %10.2f", ours / t);
        }
        out << cell;
      }
      out << "\n";
    }
  }

  std::map<std::string, double> times_;
};

int self_check() {
  int failed = 0;
  for (const Check& c : checks()) {
    const std::string why = c.run();
    std::printf("%s: %s\n", c.name.c_str(), why.empty() ? "ok" : why.c_str());
    failed += why.empty() ? 0 : 1;
  }
  std::printf("%zu passed, %d failed\n", checks().size() - static_cast<size_t>(failed), failed);
  return failed == 0 ? 0 : 1;
}

}  // namespace

size_t picture_bytes(uint32_t yuv_type, int width, int height) {
  const size_t luma = static_cast<size_t>(width) * static_cast<size_t>(height);
  switch (yuv_type) {
    case 422:
    case 4201:
      return 2 * luma;
    case 4221:
      return 2 * luma;
    default:
      return luma * 3 / 2;
  }
}

void fill_pattern(uint8_t* data, size_t bytes) {
  for (size_t i = 0; i < bytes; ++i) data[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
}

Bytes picture_buffer(size_t bytes) {
  Bytes b(bytes + kPadding);
  fill_pattern(b.data(), b.size());
  return b;
}

void add_bench(const std::string& table, const std::string& impl, const std::string& job,
               std::function<void(benchmark::State&)> fn) {
  entries().push_back({table, impl, job, std::move(fn)});
}

void add_check(const std::string& name, std::function<std::string()> check) {
  checks().push_back({name, std::move(check)});
}

}  // namespace pfb

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--self-check") == 0) return pfb::self_check();
  }
  for (const pfb::Entry& e : pfb::entries()) {
    benchmark::RegisterBenchmark((e.impl + "/" + e.job).c_str(), e.fn);
  }
  benchmark::Initialize(&argc, argv);
  pfb::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
