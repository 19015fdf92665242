// SPDX-License-Identifier: BSD-2-Clause
// Pictures whose planes are surrounded by random canary bytes, so that any write outside a plane
// (above, below, left, right, or in the pitch slack between rows) is found and located.
#ifndef PELFORGE_TESTS_SUPPORT_GUARDED_HPP_
#define PELFORGE_TESTS_SUPPORT_GUARDED_HPP_

#include <cstdint>
#include <string>
#include <vector>

#include "pelforge.h"
#include "rng.hpp"

namespace pft {

// One plane of `width` bytes by `rows` rows, `pitch` bytes apart, with guard bands all round.
class GuardedPlane {
 public:
  static constexpr uint32_t kSideGuard = 64;
  static constexpr uint32_t kRowGuard = 8;

  GuardedPlane() = default;
  GuardedPlane(uint32_t width, uint32_t rows, uint32_t pitch, Rng& rng);

  uint8_t* data() { return storage_.data() + origin_; }
  const uint8_t* data() const { return storage_.data() + origin_; }
  uint32_t width() const { return width_; }
  uint32_t rows() const { return rows_; }
  uint32_t pitch() const { return pitch_; }
  uint8_t& at(uint32_t x, uint32_t y) { return data()[static_cast<size_t>(y) * pitch_ + x]; }
  uint8_t at(uint32_t x, uint32_t y) const { return data()[static_cast<size_t>(y) * pitch_ + x]; }

  void fill_random(Rng& rng);
  void fill(uint8_t value);
  // Empty when nothing outside the plane changed; otherwise where the first change is.
  std::string check_guards() const;
  // The whole allocation, guards included: identical for two runs that wrote the same bytes.
  const std::vector<uint8_t>& raw() const { return storage_; }
  // Where in the plane (or around it) raw() index i lies, for messages.
  std::string describe(size_t index) const;

 private:
  bool inside(size_t index) const;

  uint32_t width_ = 0, rows_ = 0, pitch_ = 0;
  size_t origin_ = 0;
  std::vector<uint8_t> storage_;
  std::vector<uint8_t> canary_;
};

// A picture of one YUV type with each plane guarded separately. Chroma pointers are always set,
// so nothing is derived; pitches have a random slack when asked.
class GuardedPicture {
 public:
  GuardedPicture(uint32_t yuv_type, uint32_t width, uint32_t height, Rng& rng,
                 uint32_t max_slack = 0);

  tImgPicture record();
  uint32_t yuv_type() const { return yuv_type_; }
  uint32_t width() const { return width_; }
  uint32_t height() const { return height_; }
  std::vector<GuardedPlane>& planes() { return planes_; }
  const std::vector<GuardedPlane>& planes() const { return planes_; }
  void fill_random(Rng& rng);
  std::string check_guards() const;

 private:
  uint32_t yuv_type_, width_, height_;
  std::vector<GuardedPlane> planes_;
};

}  // namespace pft

#endif  // PELFORGE_TESTS_SUPPORT_GUARDED_HPP_
