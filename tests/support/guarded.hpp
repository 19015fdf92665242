// SPDX-License-Identifier: BSD-2-Clause
// Pictures whose planes are surrounded by random canary bytes, so that any write outside a plane
// (above, below, left, right, or in the pitch slack between rows) is found and located, and whose
// storage ends (or begins) against a protected page, so that a read or write past the plane's
// last byte (or before its first) faults on the spot instead of passing unnoticed.
#ifndef PELFORGE_TESTS_SUPPORT_GUARDED_HPP_
#define PELFORGE_TESTS_SUPPORT_GUARDED_HPP_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "pelforge.h"
#include "rng.hpp"

namespace pft {

// Which end of a buffer sits against a protected page. kTail catches overruns, kHead underruns;
// the process-wide choice comes from PF_PAGE_GUARD (tail, head or off; tail when unset) so that
// a whole test program can be run once each way.
enum class PageGuard { kOff, kTail, kHead };
PageGuard page_guard();
void set_page_guard(PageGuard side);
const char* page_guard_name(PageGuard side);

// Bytes seen through a view, comparable and printable like a container.
class ByteView {
 public:
  using value_type = uint8_t;
  using const_iterator = const uint8_t*;
  using iterator = const uint8_t*;
  ByteView(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  const uint8_t* begin() const { return data_; }
  const uint8_t* end() const { return data_ + size_; }
  size_t size() const { return size_; }
  uint8_t operator[](size_t i) const { return data_[i]; }
  friend bool operator==(const ByteView& a, const ByteView& b) {
    return a.size_ == b.size_ && (a.size_ == 0 || std::memcmp(a.data_, b.data_, a.size_) == 0);
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

// `size` bytes of their own pages with an inaccessible page on either side; the bytes sit
// against the page after them (kTail) or the page before them (kHead). Copies are deep.
class PageBuffer {
 public:
  PageBuffer() = default;
  PageBuffer(size_t size, PageGuard side);
  PageBuffer(const PageBuffer& other);
  PageBuffer& operator=(const PageBuffer& other);
  PageBuffer(PageBuffer&& other) noexcept;
  PageBuffer& operator=(PageBuffer&& other) noexcept;
  ~PageBuffer();

  uint8_t* data() { return data_; }
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  PageGuard side() const { return side_; }

 private:
  void release();

  void* map_ = nullptr;
  size_t map_size_ = 0;
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  PageGuard side_ = PageGuard::kOff;
};

// One plane of `width` bytes by `rows` rows, `pitch` bytes apart, with guard bands all round.
class GuardedPlane {
 public:
  static constexpr uint32_t kSideGuard = 64;
  static constexpr uint32_t kRowGuard = 8;

  GuardedPlane() = default;
  // The plane's last byte (kTail) or first byte (kHead) touches the protected page; the guard
  // bands on that side are left out, the others stay.
  GuardedPlane(uint32_t width, uint32_t rows, uint32_t pitch, Rng& rng,
               PageGuard side = page_guard());

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
  ByteView raw() const { return {storage_.data(), storage_.size()}; }
  // Where in the plane (or around it) raw() index i lies, for messages.
  std::string describe(size_t index) const;

 private:
  bool inside(size_t index) const;

  uint32_t width_ = 0, rows_ = 0, pitch_ = 0;
  size_t origin_ = 0;
  PageBuffer storage_;
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
