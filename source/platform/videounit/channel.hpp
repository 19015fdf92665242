// SPDX-License-Identifier: BSD-2-Clause
// What the decoder and encoder channels share: the fast-memory state, the version texts and the
// libavcodec error mapping.
#ifndef PELFORGE_VIDEOUNIT_CHANNEL_HPP_
#define PELFORGE_VIDEOUNIT_CHANNEL_HPP_

#include <cstdint>

#include "video_unit.h"

namespace vu {

// The state a channel keeps in its fast-memory window between calls. The serial tells channels
// apart, so a window that was not swapped back in is caught before anything is decoded.
struct FastState {
  uint32_t magic;
  uint32_t serial;
  uint64_t calls;
  uint64_t bytes_in;
  uint64_t bytes_out;
};
static_assert(sizeof(FastState) <= VIDEOUNIT_FAST_MEM_BYTES);

inline constexpr uint32_t kFastMagic = 0x4D465556u;  // "VUFM"

// Added to the level of every message a codec context logs: errors land beyond trace.
inline constexpr int kQuietLogOffset = 64;

// Starts a window for a new channel: the whole window is the channel's, so it is cleared.
void fast_start(void* window, uint32_t serial);
// Checks that the window holds this channel's state and counts the call.
bool fast_enter(void* window, uint32_t serial, uint64_t bytes_in);
void fast_leave(void* window, uint64_t bytes_out);

uint32_t next_serial();

// A version text: "<what> Version: pelforge_videounit.<rev> (libavcodec a.b.c), Compile time:
// <date> <time>.\n"
uint32_t write_version(const char* what, const char* revision, char* buf, int32_t buf_len,
                       uint32_t* text_len);

bool valid_dimension(uint32_t v, uint32_t min);

}  // namespace vu

#endif  // PELFORGE_VIDEOUNIT_CHANNEL_HPP_
