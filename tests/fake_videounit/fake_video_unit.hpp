// SPDX-License-Identifier: BSD-2-Clause
// A recording stand-in for the codec unit library, for tests only (never installed): every call
// is logged with its arguments and the fast-memory window as the call found and left it, and
// results can be scripted per channel.
#ifndef PELFORGE_TESTS_FAKE_VIDEOUNIT_FAKE_VIDEO_UNIT_HPP_
#define PELFORGE_TESTS_FAKE_VIDEOUNIT_FAKE_VIDEO_UNIT_HPP_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#define FAKEVU_API __attribute__((visibility("default")))

namespace fakevu {

struct Call {
  std::string fn;
  int channel = 0;                   // fake channel number (from 1); 0: no channel
  std::vector<const void*> args;     // the pointer arguments after the channel, in order
  uint64_t number = 0;               // the numeric argument: height, kind or length, if any
  std::array<uint8_t, 16> before{};  // window bytes when the call came
  std::array<uint8_t, 16> after{};   // and when it returned
  uint32_t option_kind = 0, option_value = 0;  // decoder input option seen during the call
  const void* picture = nullptr;               // decoder output record's picture record
  uint32_t result = 0;
};

FAKEVU_API std::vector<Call> calls();
// Clears the log and every script; `window` is where the wrappers' window lies.
FAKEVU_API void reset(uint8_t* window);
// The n-th open from now (0-based) fails.
FAKEVU_API void fail_open(int n);
// Every later call of `fn` for channel `channel` returns `result`.
FAKEVU_API void script(const std::string& fn, int channel, uint32_t result);
// Whether any call saw its window change under it (another call ran in the window meanwhile).
FAKEVU_API bool window_clobbered();

}  // namespace fakevu

#endif  // PELFORGE_TESTS_FAKE_VIDEOUNIT_FAKE_VIDEO_UNIT_HPP_
