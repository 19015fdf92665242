// SPDX-License-Identifier: BSD-2-Clause
// Fast-memory state, version texts and size checks shared by the decoder and encoder channels.
#include "channel.hpp"

#include <atomic>
#include <cstdio>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace vu {

namespace {
std::atomic<uint32_t> g_serial{0};
}  // namespace

uint32_t next_serial() { return g_serial.fetch_add(1, std::memory_order_relaxed) + 1; }

void fast_start(void* window, uint32_t serial) {
  if (window == nullptr) return;
  std::memset(window, 0, VIDEOUNIT_FAST_MEM_BYTES);
  FastState state{};
  state.magic = kFastMagic;
  state.serial = serial;
  std::memcpy(window, &state, sizeof state);
}

bool fast_enter(void* window, uint32_t serial, uint64_t bytes_in) {
  if (window == nullptr) return true;
  FastState state;
  std::memcpy(&state, window, sizeof state);
  if (state.magic != kFastMagic || state.serial != serial) return false;
  ++state.calls;
  state.bytes_in += bytes_in;
  std::memcpy(window, &state, sizeof state);
  return true;
}

void fast_leave(void* window, uint64_t bytes_out) {
  if (window == nullptr) return;
  FastState state;
  std::memcpy(&state, window, sizeof state);
  state.bytes_out += bytes_out;
  std::memcpy(window, &state, sizeof state);
}

uint32_t write_version(const char* what, const char* revision, char* buf, int32_t buf_len,
                       uint32_t* text_len) {
  if (buf == nullptr) return VIDEOUNIT_ERR_ARGUMENT;
  const unsigned v = avcodec_version();
  char text[192];
  const int n =
      std::snprintf(text, sizeof text,
                    "%s Version: pelforge_videounit.%s (libavcodec %u.%u.%u), Compile "
                    "time: %s %s.\n",
                    what, revision, v >> 16, (v >> 8) & 0xFF, v & 0xFF, __DATE__, __TIME__);
  if (n < 0 || n >= static_cast<int>(sizeof text)) return VIDEOUNIT_ERR_BUFFER_SHORT;
  if (buf_len < n + 1) return VIDEOUNIT_ERR_BUFFER_SHORT;
  std::memcpy(buf, text, static_cast<size_t>(n) + 1);
  if (text_len != nullptr) *text_len = static_cast<uint32_t>(n);
  return VIDEOUNIT_OK;
}

bool valid_dimension(uint32_t v, uint32_t min) {
  return v >= min && v <= VIDEOUNIT_MAX_DIMENSION && v % 2 == 0;
}

}  // namespace vu
