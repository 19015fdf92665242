// SPDX-License-Identifier: BSD-2-Clause
// What several module tests build their pictures and models from: random bytes, and a plane's
// samples as a grid of ints that a model can change in place and compare whole.
#ifndef PELFORGE_TESTS_SUPPORT_PICTURE_DATA_HPP_
#define PELFORGE_TESTS_SUPPORT_PICTURE_DATA_HPP_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "guarded.hpp"
#include "rng.hpp"

namespace pft {

inline std::vector<uint8_t> random_bytes(size_t n, Rng& rng) {
  std::vector<uint8_t> b(n);
  for (auto& v : b) v = rng.byte();
  return b;
}

// One plane's samples, without its pitch slack and guards.
struct Grid {
  int w = 0, rows = 0;
  std::vector<int> v;
  explicit Grid(const GuardedPlane& p)
      : w(static_cast<int>(p.width())), rows(static_cast<int>(p.rows())) {
    v.reserve(size_t{p.width()} * p.rows());
    for (uint32_t y = 0; y < p.rows(); ++y) {
      for (uint32_t x = 0; x < p.width(); ++x) v.push_back(p.at(x, y));
    }
  }
  int& at(int x, int y) { return v[index(x, y)]; }
  int at(int x, int y) const { return v[index(x, y)]; }

 private:
  size_t index(int x, int y) const {
    return static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x);
  }
};

// Every plane of a picture as a grid.
inline std::vector<Grid> grids(const GuardedPicture& picture) {
  return {picture.planes().begin(), picture.planes().end()};
}

}  // namespace pft

#endif  // PELFORGE_TESTS_SUPPORT_PICTURE_DATA_HPP_
