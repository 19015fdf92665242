// SPDX-License-Identifier: BSD-2-Clause
// A small seeded generator, so that a failing random case can be replayed from its seed.
#ifndef PELFORGE_TESTS_SUPPORT_RNG_HPP_
#define PELFORGE_TESTS_SUPPORT_RNG_HPP_

#include <cstdint>

namespace pft {

class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {
    if (state_ == 0) state_ = 1;
  }
  uint64_t next() {
    // xorshift64*
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1Dull;
  }
  uint32_t below(uint32_t n) { return n == 0 ? 0 : static_cast<uint32_t>(next() % n); }
  // A value in [lo, hi].
  int32_t range(int32_t lo, int32_t hi) {
    return lo + static_cast<int32_t>(below(static_cast<uint32_t>(hi - lo + 1)));
  }
  uint8_t byte() { return static_cast<uint8_t>(next() >> 56); }
  bool chance(uint32_t percent) { return below(100) < percent; }

 private:
  uint64_t state_;
};

}  // namespace pft

#endif  // PELFORGE_TESTS_SUPPORT_RNG_HPP_
