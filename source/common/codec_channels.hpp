// SPDX-License-Identifier: BSD-2-Clause
// What the three codec wrappers share: the fast-memory window every codec channel works in, the
// swap of a channel's save area around each call into the codec unit library, and the channel
// bookkeeping of Open, SetParam, GetStatus and Close.
#ifndef PELFORGE_SOURCE_COMMON_CODEC_CHANNELS_HPP_
#define PELFORGE_SOURCE_COMMON_CODEC_CHANNELS_HPP_

#include <pthread.h>

#include <cstdint>
#include <cstring>

#include "frame.hpp"
#include "img_multidec.h"
#include "video_mem.h"

namespace pf::codec {

inline constexpr uint32_t kSaveBytes = PF_CODEC_FAST_MEM_BYTES;

// Serialises the use of the window. Calls into the wrappers are not meant to overlap, but a host
// that drives two instances from two threads would otherwise have one channel run on another's
// fast memory; waiting here is the cheap and certain way out. A plain pthread mutex: the C++
// one would pull in the runtime's exception machinery.
extern pthread_mutex_t g_window_lock;

class WindowLock {
 public:
  WindowLock() { pthread_mutex_lock(&g_window_lock); }
  ~WindowLock() { pthread_mutex_unlock(&g_window_lock); }
  WindowLock(const WindowLock&) = delete;
  WindowLock& operator=(const WindowLock&) = delete;
};

inline uint8_t* window() {
  return reinterpret_cast<uint8_t*>(au64FastMem) + PF_CODEC_FAST_MEM_OFFSET;
}

// Runs `call` (a call into the codec unit library for one channel) with that channel's save area
// in the window, and keeps what the call left there.
template <class Call>
uint32_t in_window(uint8_t* save, Call&& call) {
  WindowLock lock;
  uint8_t* w = window();
  std::memcpy(w, save, kSaveBytes);
  const uint32_t status = call();
  std::memcpy(save, w, kSaveBytes);
  return status;
}

// Channel bookkeeping over an instance with the fields hMem, ahChannel[], apu8Save[],
// pu8SaveAreas and s32Opened (channels whose open went through).

// One zeroed block of `count` save areas; each channel starts on a clean window.
template <class Inst>
bool allocate_saves(Inst& inst, int32_t count, const char* source) {
  const auto bytes = static_cast<uint32_t>(count) * kSaveBytes;
  auto* block =
      static_cast<uint8_t*>(vmem_malloc(inst.hMem, bytes, kInstanceAlign, source, __LINE__));
  if (block == nullptr) return false;
  std::memset(block, 0, bytes);
  inst.pu8SaveAreas = block;
  for (int32_t i = 0; i < count; ++i)
    inst.apu8Save[i] = block + static_cast<size_t>(i) * kSaveBytes;
  return true;
}

// Opens channels 0..count-1 in order with `open(i, out handle)`. When one fails, those opened so
// far are closed newest first with `rollback(handle)` and false is returned.
template <class Inst, class Open, class Rollback>
bool open_channels(Inst& inst, int32_t count, Open&& open, Rollback&& rollback) {
  for (int32_t i = 0; i < count; ++i) {
    void* handle = nullptr;
    const uint32_t status = in_window(inst.apu8Save[i], [&] { return open(i, &handle); });
    if (status != 0 || handle == nullptr) {
      for (int32_t k = i - 1; k >= 0; --k) {
        in_window(inst.apu8Save[k], [&] { return rollback(inst.ahChannel[k]); });
        inst.ahChannel[k] = nullptr;
      }
      inst.s32Opened = 0;
      return false;
    }
    inst.ahChannel[i] = handle;
    inst.s32Opened = i + 1;
  }
  return true;
}

// Close's part: every open channel closed in order inside its swap, then the save areas freed.
// A missing save area (or a failed release) gives `close_free`.
template <class Inst, class Close>
uint32_t close_channels(Inst& inst, Close&& close, const char* source, uint32_t close_free) {
  uint32_t status = PF_STATUS_OK;
  for (int32_t i = 0; i < inst.s32Opened; ++i) {
    if (inst.ahChannel[i] == nullptr) continue;
    if (inst.apu8Save[i] != nullptr) {
      in_window(inst.apu8Save[i], [&] { return close(inst.ahChannel[i]); });
    } else {
      close(inst.ahChannel[i]);
    }
    inst.ahChannel[i] = nullptr;
  }
  inst.s32Opened = 0;
  if (inst.pu8SaveAreas == nullptr) return close_free;
  if (vmem_free(inst.hMem, inst.pu8SaveAreas, source, __LINE__) != PF_STATUS_OK)
    status = close_free;
  inst.pu8SaveAreas = nullptr;
  return status;
}

// Open's select step of a wrapper whose channels all open at once: a fresh save area for each
// of `count` channels (`malloc_code` when there are none), then the channels, opened as
// open_channels does; a channel that fails makes Open fail with `open_code`.
template <class Inst, class Open, class Rollback>
uint32_t open_all(Inst& inst, int32_t count, const char* source, uint32_t malloc_code,
                  uint32_t open_code, Open&& open, Rollback&& rollback) {
  inst.s32ChannelNum = count;
  if (!allocate_saves(inst, count, source)) return malloc_code;
  return open_channels(inst, count, open, rollback) ? PF_STATUS_OK : open_code;
}

// `call(i)` for channels 0..count-1, each result stored in results[i]; true when all succeeded.
// Process's loop: a channel that fails does not keep the others from their pictures.
template <class Call>
bool all_succeed(int32_t count, uint32_t* results, Call&& call) {
  bool ok = true;
  for (int32_t i = 0; i < count; ++i) {
    results[i] = call(i);
    ok = ok && results[i] == PF_STATUS_OK;
  }
  return ok;
}

// SetParam's and GetStatus's loop: the same, each call inside its channel's swap.
template <class Inst, class Call>
bool for_channels(Inst& inst, int32_t count, uint32_t* results, Call&& call) {
  return all_succeed(count, results, [&](int32_t i) {
    return in_window(inst.apu8Save[i], [&] { return call(i); });
  });
}

// SetParam's step of a wrapper whose record has a block per channel: the channels stay those
// Open opened, and a record with fewer blocks updates only those; `fail_code` when one refuses.
template <class Inst, class Call>
uint32_t set_channels(Inst& inst, int32_t count, uint32_t fail_code, Call&& call) {
  const int32_t updated = count < inst.s32ChannelNum ? count : inst.s32ChannelNum;
  return for_channels(inst, updated, inst.au32SetParamResult, call) ? PF_STATUS_OK : fail_code;
}

// GetMemSize of a wrapper that asks each channel: its own `instance_bytes`, a save area per
// channel and what channel_size(i, &bytes) states for each; `size_error` when a channel refuses
// or the sum does not fit 32 bits.
template <class ChannelSize>
uint32_t channels_mem_size(int32_t count, uint32_t instance_bytes, ChannelSize&& channel_size,
                           uint32_t size_error, uint32_t* size) {
  uint64_t total = instance_bytes + uint64_t{kSaveBytes} * static_cast<uint32_t>(count);
  for (int32_t i = 0; i < count; ++i) {
    uint32_t channel = 0;
    if (channel_size(i, &channel) != 0) return size_error;
    total += channel;
  }
  if (total > UINT32_MAX) return size_error;
  *size = static_cast<uint32_t>(total);
  return PF_STATUS_OK;
}

}  // namespace pf::codec

#endif  // PELFORGE_SOURCE_COMMON_CODEC_CHANNELS_HPP_
