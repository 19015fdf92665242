// SPDX-License-Identifier: BSD-2-Clause
// One-time processor dispatch and race-free access to the public kernel pointers.
#ifndef PELFORGE_SOURCE_COMMON_DISPATCH_HPP_
#define PELFORGE_SOURCE_COMMON_DISPATCH_HPP_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace pf {

using Selector = void (*)();

// Runs the selectors for the features the memory service reports, in the order MMX, SSE2, SSSE3,
// SSE4, the first time any thread gets here with this flag. A thread that loses the exchange
// returns at once instead of waiting for the winner: an instance it opens meanwhile may keep a
// scalar kernel, which computes the same picture.
void dispatch_once(std::atomic<uint64_t>& once_flag, Selector mmx, Selector sse2, Selector ssse3,
                   Selector sse4);

// The kernel pointers are plain C variables that hosts may read and write. Inside the library
// every access goes through atomic_ref, so a selector storing a variant while another thread's
// Open copies the pointer is not a data race.
template <class Fn>
inline Fn load_kernel(Fn& pointer) {
  static_assert(std::atomic_ref<Fn>::is_always_lock_free);
  return std::atomic_ref<Fn>(pointer).load(std::memory_order_relaxed);
}

template <class Fn>
inline void store_kernel(Fn& pointer, std::type_identity_t<Fn> value) {
  static_assert(std::atomic_ref<Fn>::is_always_lock_free);
  if (value != nullptr) std::atomic_ref<Fn>(pointer).store(value, std::memory_order_relaxed);
}

// One row of a module's kernel manifest: the public pointer, its scalar default and the variant
// each selector installs (null where there is none). Tests walk these rows; selectors are
// generated from the same list.
template <class Fn>
struct KernelRow {
  const char* name;
  Fn* pointer;
  Fn scalar;
  Fn variant[4];  // MMX, SSE2, SSSE3, SSE4
};

enum Isa : int { kMmx = 0, kSse2 = 1, kSsse3 = 2, kSse4 = 3 };
inline constexpr uint32_t kIsaFlag[4] = {0x2u, 0x8u, 0x20u, 0x200u};
inline constexpr const char* kIsaName[4] = {"mmx", "sse2", "ssse3", "sse4"};

// Puts every pointer of a manifest back on its scalar kernel (tests use this between runs).
template <class Fn, size_t N>
void restore_scalar_defaults(const KernelRow<Fn> (&rows)[N]) {
  for (const auto& row : rows) std::atomic_ref<Fn>(*row.pointer).store(row.scalar);
}

// A selector's work: every variant the manifests have for `isa` goes into its pointer, in row
// order; pointers without one keep what they hold.
template <class Fn, size_t N>
void install_variants_of(const KernelRow<Fn> (&rows)[N], Isa isa) {
  for (const auto& row : rows) store_kernel(*row.pointer, row.variant[isa]);
}
template <Isa isa, class... Manifests>
void install_variants(const Manifests&... manifests) {
  (install_variants_of(manifests, isa), ...);
}

}  // namespace pf

// A module's kernel manifest (a .def file or an X-list) has one row per public pointer,
// PF_K(pointer, scalar, mmx, sse2, ssse3, sse4), PF_NONE marking a missing variant. The module
// expands it twice: into the pointer definitions, each on its scalar kernel, and into its
// KernelRow table with PF_KERNEL_ROW; PF_DISPATCH makes the selectors from the table.
#define PF_NONE nullptr
#define PF_KERNEL_ROW(ptr, c, mmx, sse2, ssse3, sse4) {#ptr, &ptr, c, {mmx, sse2, ssse3, sse4}},

// Rows of a manifest whose variants live in the SIMD objects (source/simd/): a build without
// them (PF_NO_SIMD) keeps every pointer on its scalar kernel.
#ifdef PF_NO_SIMD
#define PF_SIMD_KERNEL_ROW(ptr, c, ...) PF_KERNEL_ROW(ptr, c, PF_NONE, PF_NONE, PF_NONE, PF_NONE)
#else
#define PF_SIMD_KERNEL_ROW PF_KERNEL_ROW
#endif

// A module's four selectors, prefix##MMXFunctions ... prefix##SSE4Functions, generated from its
// manifests (zero or more KernelRow arrays), and its dispatch prefix##GlobalInit with the
// module's once-flag. Expands at global scope.
#define PF_DISPATCH(prefix, ...)                                                                   \
  extern "C" {                                                                                     \
  void prefix##MMXFunctions(void) { ::pf::install_variants<::pf::kMmx>(__VA_ARGS__); }             \
  void prefix##SSE2Functions(void) { ::pf::install_variants<::pf::kSse2>(__VA_ARGS__); }           \
  void prefix##SSSE3Functions(void) { ::pf::install_variants<::pf::kSsse3>(__VA_ARGS__); }         \
  void prefix##SSE4Functions(void) { ::pf::install_variants<::pf::kSse4>(__VA_ARGS__); }           \
  void prefix##GlobalInit(void) {                                                                  \
    static constinit std::atomic<uint64_t> once{0};                                                \
    ::pf::dispatch_once(once, prefix##MMXFunctions, prefix##SSE2Functions, prefix##SSSE3Functions, \
                        prefix##SSE4Functions);                                                    \
  }                                                                                                \
  }

#endif  // PELFORGE_SOURCE_COMMON_DISPATCH_HPP_
