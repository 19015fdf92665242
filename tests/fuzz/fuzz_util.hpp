// SPDX-License-Identifier: BSD-2-Clause
// Reading a fuzzer's input as a stream of numbers: past the end every read gives 0, so any input
// is a valid one.
#ifndef PELFORGE_TESTS_FUZZ_FUZZ_UTIL_HPP_
#define PELFORGE_TESTS_FUZZ_FUZZ_UTIL_HPP_

#include <cstddef>
#include <cstdint>

namespace pfz {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  size_t left() const { return at_ < size_ ? size_ - at_ : 0; }
  const uint8_t* rest() const { return data_ + (at_ < size_ ? at_ : size_); }
  uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  uint16_t u16() { return static_cast<uint16_t>(byte() | byte() << 8); }
  uint32_t u24() { return static_cast<uint32_t>(byte() | byte() << 8 | byte() << 16); }
  uint32_t u32() { return u24() | static_cast<uint32_t>(byte()) << 24; }
  // The next n bytes (fewer at the end).
  const uint8_t* take(size_t n, size_t& got) {
    const uint8_t* p = rest();
    got = n < left() ? n : left();
    at_ += got;
    return p;
  }

 private:
  const uint8_t* data_;
  size_t size_, at_ = 0;
};

}  // namespace pfz

#endif  // PELFORGE_TESTS_FUZZ_FUZZ_UTIL_HPP_
