// SPDX-License-Identifier: BSD-2-Clause
// What every family's benchmark file shares: aligned, padded picture buffers, picture contents,
// and the registry behind the ratio tables printed after Google Benchmark's own table. A family
// registers each job once per implementation (ours first) and gets a table of its jobs with our
// time as a ratio to every other implementation's:
//
//   const bool registered = [] {
//     pfb::add_bench("filters", "pelforge", "yadif_720x576", [](benchmark::State& s) { ... });
//     pfb::add_bench("filters", "lavfi", "yadif_720x576", [](benchmark::State& s) { ... });
//     return true;
//   }();
#ifndef PELFORGE_BENCH_BENCH_UTIL_HPP_
#define PELFORGE_BENCH_BENCH_UTIL_HPP_

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <new>
#include <string>
#include <vector>

namespace pfb {

// A byte vector on 64-byte boundaries: swscale's and libavfilter's AVX2 paths assume aligned
// planes.
template <class T>
struct Aligned64 {
  using value_type = T;
  Aligned64() = default;
  template <class U>
  explicit Aligned64(const Aligned64<U>&) {}
  T* allocate(size_t n) {
    return static_cast<T*>(::operator new (n * sizeof(T), std::align_val_t{64}));
  }
  void deallocate(T* p, size_t) { ::operator delete (p, std::align_val_t{64}); }
  bool operator==(const Aligned64&) const { return true; }
};
using Bytes = std::vector<uint8_t, Aligned64<uint8_t>>;

// Vector loops of other libraries read and write a little past the last line; this much padding
// after every picture keeps that inside our buffers. It is not counted in the bytes a job moves.
inline constexpr size_t kPadding = 4096;

// Bytes of a w x h picture of a library YUV type code (420, 4202, 4221, 422, 4201, 42012, 42021),
// planes back to back without line padding.
size_t picture_bytes(uint32_t yuv_type, int width, int height);

// A padded, aligned buffer of `bytes` filled with a fixed pattern that varies along lines and
// from line to line (so no job gets a flat picture).
Bytes picture_buffer(size_t bytes);
void fill_pattern(uint8_t* data, size_t bytes);

// One module instance for one benchmark, on a memory handle of its own: opened at construction
// (a refusal skips the benchmark, naming the module and its code), closed with its handle when
// it goes. Test with `if (!m) return;` before the timed loop.
class Instance {
 public:
  using OpenFn = uint32_t (*)(void**, const void*, void*);
  using CloseFn = uint32_t (*)(void*);
  Instance(benchmark::State& state, const char* module, OpenFn open, CloseFn close,
           const void* param);
  ~Instance();
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;
  explicit operator bool() const { return handle_ != nullptr; }
  void* get() const { return handle_; }
  // The instance record behind the handle (benchmarks that pin a kernel).
  template <class T>
  T& as() const {
    return *static_cast<T*>(handle_);
  }

 private:
  void* mem_;
  void* handle_ = nullptr;
  CloseFn close_;
};

// Registers a benchmark named "impl/job" and its place in the ratio table `table`.
void add_bench(const std::string& table, const std::string& impl, const std::string& job,
               std::function<void(benchmark::State&)> fn);

// The memcpy baseline of a job: `bytes` copied once per iteration between two picture buffers.
void memcpy_job(benchmark::State& state, size_t bytes);
// Registers that baseline as implementation "memcpy" of `job` in `table`.
void add_memcpy_bench(const std::string& table, const std::string& job, size_t bytes);

// Registers a check run by `pf_bench --self-check` instead of the benchmarks: it returns an
// empty string when it passes, else what went wrong.
void add_check(const std::string& name, std::function<std::string()> check);

}  // namespace pfb

#endif  // PELFORGE_BENCH_BENCH_UTIL_HPP_
