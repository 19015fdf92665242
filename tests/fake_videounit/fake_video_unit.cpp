// SPDX-License-Identifier: BSD-2-Clause
// The recording stand-in for the codec unit library.
#include "fake_video_unit.hpp"

#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include "video_unit.h"

namespace fakevu {
namespace {

struct Channel {
  int id;
  uint32_t width, height;
};

std::mutex g_lock;
std::vector<Call> g_calls;
uint8_t* g_window = nullptr;
int g_opens = 0, g_fail_open = -1, g_next_id = 1;
uint32_t g_stamp = 0;
bool g_clobbered = false;
std::map<std::pair<std::string, int>, uint32_t> g_script;

std::array<uint8_t, 16> peek() {
  std::array<uint8_t, 16> bytes{};
  if (g_window != nullptr) std::memcpy(bytes.data(), g_window, bytes.size());
  return bytes;
}

// One call: note the window, give other threads a chance to run into it, check that none did,
// leave a mark of this channel and call, log.
uint32_t record(Call call, void* handle, uint32_t ok_result = VIDEOUNIT_OK) {
  const auto* channel = static_cast<const Channel*>(handle);
  call.channel = channel != nullptr ? channel->id : 0;
  call.before = peek();
  std::this_thread::yield();
  if (peek() != call.before) g_clobbered = true;
  uint32_t result = ok_result;
  {
    std::lock_guard<std::mutex> lock(g_lock);
    const auto scripted = g_script.find({call.fn, call.channel});
    if (scripted != g_script.end()) result = scripted->second;
    if (g_window != nullptr && channel != nullptr) {
      const uint32_t stamp = ++g_stamp;
      std::memcpy(g_window, &channel->id, 4);
      std::memcpy(g_window + 4, &stamp, 4);
    }
    call.after = peek();
    call.result = result;
    g_calls.push_back(call);
  }
  return result;
}

uint32_t open(const char* fn, void** out, const void* block, uint32_t w, uint32_t h, void* mem,
              void* window, uint64_t number) {
  bool fail;
  Channel* channel = nullptr;
  {
    std::lock_guard<std::mutex> lock(g_lock);
    fail = g_opens++ == g_fail_open;
    if (!fail) channel = new Channel{g_next_id++, w, h};
  }
  Call call;
  call.fn = fn;
  call.args = {out, block, mem, window};
  call.number = number;
  const uint32_t result = record(call, channel, fail ? VIDEOUNIT_ERR_CODEC : VIDEOUNIT_OK);
  if (result == VIDEOUNIT_OK) {
    *out = channel;
  } else {
    delete channel;
  }
  return result;
}

uint32_t close(const char* fn, void* handle) {
  Call call;
  call.fn = fn;
  const uint32_t result = record(call, handle);
  delete static_cast<Channel*>(handle);
  return result;
}

uint32_t simple(const char* fn, void* handle, std::vector<const void*> args) {
  Call call;
  call.fn = fn;
  call.args = std::move(args);
  return record(call, handle);
}

}  // namespace

std::vector<Call> calls() {
  std::lock_guard<std::mutex> lock(g_lock);
  return g_calls;
}

void reset(uint8_t* window) {
  std::lock_guard<std::mutex> lock(g_lock);
  g_calls.clear();
  g_script.clear();
  g_window = window;
  g_opens = 0;
  g_fail_open = -1;
  g_clobbered = false;
}

void fail_open(int n) {
  std::lock_guard<std::mutex> lock(g_lock);
  g_fail_open = g_opens + n;
}

void script(const std::string& fn, int channel, uint32_t result) {
  std::lock_guard<std::mutex> lock(g_lock);
  g_script[{fn, channel}] = result;
}

bool window_clobbered() {
  std::lock_guard<std::mutex> lock(g_lock);
  return g_clobbered;
}

}  // namespace fakevu

using fakevu::simple;

extern "C" {

uint32_t VideoUnitDecoder4PelforgeOpen(void** phChannel, const tVideoUnitDecParam* ptParam,
                                       void* hMem, void* pvFastMem) {
  return fakevu::open(__func__, phChannel, ptParam, ptParam->u32Width, ptParam->u32Height, hMem,
                      pvFastMem, 0);
}
uint32_t VideoUnitDecoder4PelforgeNewOpen(void** phChannel, const tVideoUnitDecParam* ptParam,
                                          void* hMem, uint32_t u32Height) {
  return fakevu::open(__func__, phChannel, ptParam, ptParam->u32Width, ptParam->u32Height, hMem,
                      nullptr, u32Height);
}
uint32_t VideoUnitDecoderSetParam(void* hChannel, const tVideoUnitDecParam* ptParam) {
  return simple(__func__, hChannel, {ptParam});
}
uint32_t VideoUnitDecoderProcess(void* hChannel, const tVideoUnitDecInput* ptInput,
                                 tVideoUnitDecOutput* ptOutput) {
  fakevu::Call call;
  call.fn = __func__;
  call.args = {ptInput, ptOutput};
  call.number = ptInput->u32Length;
  if (ptInput->ptOption != nullptr) {
    call.option_kind = ptInput->ptOption->u32Kind;
    call.option_value = ptInput->ptOption->u32Value;
  }
  call.picture = ptOutput->ptPicture;
  const uint32_t result = fakevu::record(call, hChannel);
  const auto* channel = static_cast<const fakevu::Channel*>(hChannel);
  ptOutput->u32PicWidth = result == 0 ? channel->width : 0;
  ptOutput->u32PicHeight = result == 0 ? channel->height : 0;
  ptOutput->u32PicReady = result == 0 ? 1 : 0;
  return result;
}
uint32_t VideoUnitDecoderGetStatus(void* hChannel, tVideoUnitDecParam* ptStatus) {
  return simple(__func__, hChannel, {ptStatus});
}
uint32_t VideoUnitDecoderGetMemSize(const tVideoUnitDecParam* ptParam, uint32_t* pu32Size) {
  simple(__func__, nullptr, {ptParam, pu32Size});
  if (ptParam->u32Codec == 99) return VIDEOUNIT_ERR_ARGUMENT;
  *pu32Size = 1000 + ptParam->u32Width;
  return VIDEOUNIT_OK;
}
uint32_t VideoUnitDecoderGetVersion(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen,
                                    uint32_t u32Kind) {
  fakevu::Call call;
  call.fn = __func__;
  call.args = {ps8Buf, pu32TextLen};
  call.number = (uint64_t{static_cast<uint32_t>(s32BufLen)} << 32) | u32Kind;
  return fakevu::record(call, nullptr, 0xE2FE0001u);
}
uint32_t VideoUnitDecoderClose(void* hChannel) { return fakevu::close(__func__, hChannel); }
uint32_t VideoUnitDecoder4PelforgeClose(void* hChannel) {
  return fakevu::close(__func__, hChannel);
}

uint32_t VideoUnitMultiEncoderOpen(void** phChannel, const tVideoUnitEncParam* ptParam, void* hMem,
                                   void* pvFastMem) {
  return fakevu::open(__func__, phChannel, ptParam, ptParam->u32Width, ptParam->u32Height, hMem,
                      pvFastMem, 0);
}
uint32_t VideoUnitEncoderSetParam(void* hChannel, const tVideoUnitEncParam* ptParam) {
  return simple(__func__, hChannel, {ptParam});
}
uint32_t VideoUnitEncoderProcess(void* hChannel, const tVideoUnitEncInput* ptInput,
                                 tVideoUnitEncOutput* ptOutput) {
  return simple(__func__, hChannel, {ptInput, ptOutput});
}
uint32_t VideoUnitEncoderGetStatus(void* hChannel, tVideoUnitEncParam* ptStatus) {
  return simple(__func__, hChannel, {ptStatus});
}
uint32_t VideoUnitEncoderGetMemSize(const tVideoUnitEncParam* ptParam, uint32_t* pu32Size) {
  simple(__func__, nullptr, {ptParam, pu32Size});
  if (ptParam->u32Codec == 99) return VIDEOUNIT_ERR_ARGUMENT;
  *pu32Size = 2000 + ptParam->u32Width;
  return VIDEOUNIT_OK;
}
uint32_t VideoUnitEncoderGetVersion(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen) {
  fakevu::Call call;
  call.fn = __func__;
  call.args = {ps8Buf, pu32TextLen};
  call.number = static_cast<uint32_t>(s32BufLen);
  return fakevu::record(call, nullptr, 0xE2FE0002u);
}
uint32_t VideoUnitEncoderDebug(void* hChannel, const tVideoUnitEncText* ptText) {
  return simple(__func__, hChannel, {ptText});
}
uint32_t VideoUnitEncoderClose(void* hChannel) { return fakevu::close(__func__, hChannel); }
uint32_t VideoUnitMultiEncoderClose(void* hChannel) { return fakevu::close(__func__, hChannel); }

uint32_t bgr_to_yv12_mmx(const uint8_t*, int32_t, uint8_t*, uint8_t*, uint8_t*, int32_t, int32_t,
                         int32_t, int32_t, uint32_t, const void*) {
  return VIDEOUNIT_ERR_ARGUMENT;
}
uint32_t bgra_to_yv12_mmx(const uint8_t*, int32_t, uint8_t*, uint8_t*, uint8_t*, int32_t, int32_t,
                          int32_t, int32_t, uint32_t, const void*) {
  return VIDEOUNIT_ERR_ARGUMENT;
}

}  // extern "C"
