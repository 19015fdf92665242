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

}  // namespace pf

// Expands a manifest X-list `LIST(PF_K)` with PF_K(pointer, scalar, mmx, sse2, ssse3, sse4);
// PF_NONE marks a missing variant.
#define PF_NONE nullptr
#define PF_KERNEL_ROW(ptr, c, mmx, sse2, ssse3, sse4) {#ptr, &ptr, c, {mmx, sse2, ssse3, sse4}},
#define PF_KERNEL_SET_MMX(ptr, c, mmx, sse2, ssse3, sse4) ::pf::store_kernel(ptr, mmx);
#define PF_KERNEL_SET_SSE2(ptr, c, mmx, sse2, ssse3, sse4) ::pf::store_kernel(ptr, sse2);
#define PF_KERNEL_SET_SSSE3(ptr, c, mmx, sse2, ssse3, sse4) ::pf::store_kernel(ptr, ssse3);
#define PF_KERNEL_SET_SSE4(ptr, c, mmx, sse2, ssse3, sse4) ::pf::store_kernel(ptr, sse4);

#endif  // PELFORGE_SOURCE_COMMON_DISPATCH_HPP_
