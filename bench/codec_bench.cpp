// SPDX-License-Identifier: BSD-2-Clause
// The codec wrappers next to libavcodec doing the same work in the same run: 16 channels of
// 720x576 H.264 decoded through the new multi-decoder into one composite, and the same 16
// streams decoded by libavcodec directly; 8 channels encoded through the multi-encoder, and by
// libavcodec directly with the same settings. Rates are pictures per second over all channels.
//
//   pf_bench --benchmark_filter='(de|en)code_' --benchmark_repetitions=5
#include <benchmark/benchmark.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

#include <cstring>
#include <memory>
#include <vector>

#include "bench_util.hpp"
#include "img_multidec_new.h"
#include "img_multienc.h"
#include "video_mem.h"
#include "video_unit.h"

namespace {

constexpr int kW = 720, kH = 576, kFrames = 25, kDecChannels = 16, kEncChannels = 8;
constexpr size_t kLuma = size_t(kW) * kH;

using pfb::Bytes;

// A moving picture per channel: gradients and a square that travel with the picture number.
Bytes picture(int channel, int t) {
  Bytes f(kLuma * 3 / 2);
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const bool square = std::abs(x - 100 - 8 * t - 20 * channel) < 40 && std::abs(y - 288) < 40;
      f[size_t(y) * kW + x] = uint8_t(square ? 230 : 16 + ((x + 2 * y + 3 * t + channel) & 127));
    }
  }
  for (size_t i = kLuma; i < f.size(); ++i) f[i] = uint8_t(128 + ((i + size_t(t)) & 31));
  return f;
}

tVideoUnitEncParam encoder_block() {
  tVideoUnitEncParam b{};
  b.u32Codec = VIDEOUNIT_CODEC_H264;
  b.u32Width = kW;
  b.u32Height = kH;
  b.u32Bitrate = 2000000;
  b.u32Gop = kFrames;
  b.u32FrameRateNum = 25;
  b.u32FrameRateDen = 1;
  return b;
}

// The 16 streams, made once with the unit library's encoder.
const std::vector<std::vector<Bytes>>& streams() {
  static const std::vector<std::vector<Bytes>> all = [] {
    av_log_set_level(AV_LOG_ERROR);  // the direct contexts' statistics are not part of the report
    std::vector<std::vector<Bytes>> s(kDecChannels);
    const tVideoUnitEncParam block = encoder_block();
    Bytes packet(1 << 20);
    for (int c = 0; c < kDecChannels; ++c) {
      void* enc = nullptr;
      if (VideoUnitMultiEncoderOpen(&enc, &block, nullptr, nullptr) != 0) std::abort();
      for (int t = 0; t < kFrames + 60; ++t) {
        const Bytes f = t < kFrames ? picture(c, t) : Bytes();
        tVideoUnitEncInput in{};
        if (t < kFrames) in = {f.data(), f.data() + kLuma, f.data() + kLuma * 5 / 4};
        tVideoUnitEncOutput out{packet.data(), uint32_t(packet.size()), 0, 0, 0, 0};
        if (VideoUnitEncoderProcess(enc, &in, &out) != 0) std::abort();
        if (out.u32Ready != 0) s[c].emplace_back(packet.begin(), packet.begin() + out.u32Length);
      }
      VideoUnitMultiEncoderClose(enc);
    }
    return s;
  }();
  return all;
}

void BM_DecodeMultiDecNew(benchmark::State& state) {
  const auto& s = streams();
  void* mem = VideoMemCreate();
  auto param = std::make_unique<tMultiDecNewParam>();
  param->s32ChannelNum = kDecChannels;
  for (int c = 0; c < kDecChannels; ++c) {
    param->atDecParam[c].u32Codec = VIDEOUNIT_CODEC_H264;
    param->atDecParam[c].u32Width = kW;
    param->atDecParam[c].u32Height = kH;
  }
  void* h = nullptr;
  if (tImageMultiDecNewFunc.Open(&h, param.get(), mem) != 0) std::abort();
  auto in = std::make_unique<tMultiDecNewInput>();
  auto out = std::make_unique<tMultiDecNewOutput>();
  Bytes composite(kLuma * 3 / 2 * kDecChannels);
  out->pu8Composite = composite.data();
  const tVideoUnitOption end{VIDEOUNIT_OPTION_END, 1};
  int64_t pictures = 0;
  for (auto _ : state) {
    for (size_t k = 0;; ++k) {
      bool any = false;
      for (int c = 0; c < kDecChannels; ++c) {
        in->au32Command[c] = PF_MULTIDEC_NEW_CMD_DECODE;
        in->atInput[c] = {};
        if (k < s[c].size()) {
          in->atInput[c].pu8Data = s[c][k].data();
          in->atInput[c].u32Length = uint32_t(s[c][k].size());
        } else {
          in->atInput[c].ptOption = &end;
        }
      }
      if (tImageMultiDecNewFunc.Process(h, in.get(), out.get()) != 0) std::abort();
      for (int c = 0; c < kDecChannels; ++c) {
        if (out->atPicture[c].u32Ready != 0) ++pictures, any = true;
      }
      if (!any && k >= s[0].size()) break;
    }
  }
  tImageMultiDecNewFunc.Close(h);
  VideoMemDestroy(mem);
  state.counters["pictures_per_s"] =
      benchmark::Counter(double(pictures), benchmark::Counter::kIsRate);
}

// libavcodec directly; with `copy`, each picture is also copied into its channel's place in a
// composite as the new multi-decoder does (the work any host that wants the pictures in its own
// buffer has to do).
void BM_DecodeLibavcodec(benchmark::State& state, bool copy) {
  Bytes composite(kLuma * 3 / 2 * kDecChannels);
  const auto& s = streams();
  std::vector<AVCodecContext*> ctx(kDecChannels);
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
  for (auto& c : ctx) {
    c = avcodec_alloc_context3(codec);
    c->thread_count = 1;
    if (avcodec_open2(c, codec, nullptr) < 0) std::abort();
  }
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  int64_t pictures = 0;
  for (auto _ : state) {
    for (size_t k = 0; k <= s[0].size(); ++k) {
      for (int c = 0; c < kDecChannels; ++c) {
        if (k < s[c].size()) {
          av_new_packet(packet, int(s[c][k].size()));
          std::memcpy(packet->data, s[c][k].data(), s[c][k].size());
          avcodec_send_packet(ctx[c], packet);
          av_packet_unref(packet);
        } else {
          avcodec_send_packet(ctx[c], nullptr);
        }
        while (avcodec_receive_frame(ctx[c], frame) == 0) {
          if (copy) {
            // Channel c of a single band of 16: pitch 16 * 720, offset 720 * c.
            uint8_t* y = composite.data() + size_t(kW) * c;
            uint8_t* u = composite.data() + kLuma * kDecChannels + size_t(kW / 2) * c;
            uint8_t* v = u + kLuma * kDecChannels / 4;
            for (int row = 0; row < kH; ++row) {
              std::memcpy(y + size_t(row) * kW * kDecChannels,
                          frame->data[0] + row * frame->linesize[0], kW);
            }
            for (int row = 0; row < kH / 2; ++row) {
              std::memcpy(u + size_t(row) * kW / 2 * kDecChannels,
                          frame->data[1] + row * frame->linesize[1], kW / 2);
              std::memcpy(v + size_t(row) * kW / 2 * kDecChannels,
                          frame->data[2] + row * frame->linesize[2], kW / 2);
            }
          }
          ++pictures;
          av_frame_unref(frame);
        }
      }
    }
    for (auto& c : ctx) avcodec_flush_buffers(c);
  }
  for (auto& c : ctx) avcodec_free_context(&c);
  av_frame_free(&frame);
  av_packet_free(&packet);
  state.counters["pictures_per_s"] =
      benchmark::Counter(double(pictures), benchmark::Counter::kIsRate);
}

std::vector<Bytes> enc_sources() {
  std::vector<Bytes> f;
  for (int t = 0; t < 10; ++t) f.push_back(picture(t % kEncChannels, t));
  return f;
}

void BM_EncodeMultiEnc(benchmark::State& state) {
  const std::vector<Bytes> sources = enc_sources();
  void* mem = VideoMemCreate();
  auto param = std::make_unique<tMultiEncParam>();
  param->s32ChannelNum = kEncChannels;
  for (int c = 0; c < kEncChannels; ++c) param->atEncParam[c] = encoder_block();
  void* h = nullptr;
  if (tImageMultiEncFunc.Open(&h, param.get(), mem) != 0) std::abort();
  auto in = std::make_unique<tMultiEncInput>();
  auto out = std::make_unique<tMultiEncOutput>();
  std::vector<Bytes> packets(kEncChannels, Bytes(1 << 20));
  int64_t pictures = 0;
  for (auto _ : state) {
    for (const Bytes& f : sources) {
      for (int c = 0; c < kEncChannels; ++c) {
        in->atInput[c] = {f.data(), f.data() + kLuma, f.data() + kLuma * 5 / 4};
        out->atOutput[c] = {packets[c].data(), uint32_t(packets[c].size()), 0, 0, 0, 0};
      }
      if (tImageMultiEncFunc.Process(h, in.get(), out.get()) != 0) std::abort();
      pictures += kEncChannels;
    }
  }
  tImageMultiEncFunc.Close(h);
  VideoMemDestroy(mem);
  state.counters["pictures_per_s"] =
      benchmark::Counter(double(pictures), benchmark::Counter::kIsRate);
}

void BM_EncodeLibavcodec(benchmark::State& state) {
  const std::vector<Bytes> sources = enc_sources();
  const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
  if (codec == nullptr) codec = avcodec_find_encoder(AV_CODEC_ID_H264);
  std::vector<AVCodecContext*> ctx(kEncChannels);
  for (auto& c : ctx) {
    c = avcodec_alloc_context3(codec);
    c->width = kW, c->height = kH, c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->time_base = {1, 25}, c->framerate = {25, 1};
    c->gop_size = kFrames, c->max_b_frames = 0, c->thread_count = 1;
    c->bit_rate = c->rc_max_rate = 2000000, c->rc_buffer_size = 2000000;
    av_opt_set(c->priv_data, "preset", "veryfast", 0);
    if (avcodec_open2(c, codec, nullptr) < 0) std::abort();
  }
  AVFrame* frame = av_frame_alloc();
  AVPacket* packet = av_packet_alloc();
  std::vector<int64_t> pts(kEncChannels, 0);
  int64_t pictures = 0;
  for (auto _ : state) {
    for (const Bytes& f : sources) {
      for (int c = 0; c < kEncChannels; ++c) {
        frame->format = AV_PIX_FMT_YUV420P, frame->width = kW, frame->height = kH;
        frame->data[0] = const_cast<uint8_t*>(f.data());
        frame->data[1] = const_cast<uint8_t*>(f.data() + kLuma);
        frame->data[2] = const_cast<uint8_t*>(f.data() + kLuma * 5 / 4);
        frame->linesize[0] = kW, frame->linesize[1] = frame->linesize[2] = kW / 2;
        frame->pts = pts[c]++;
        avcodec_send_frame(ctx[c], frame);
        while (avcodec_receive_packet(ctx[c], packet) == 0) av_packet_unref(packet);
        ++pictures;
      }
    }
  }
  for (auto& c : ctx) avcodec_free_context(&c);
  av_frame_free(&frame);
  av_packet_free(&packet);
  state.counters["pictures_per_s"] =
      benchmark::Counter(double(pictures), benchmark::Counter::kIsRate);
}

// Everything runs on the calling thread; the pictures-per-second counters are per second of its
// processor time, which stays comparable on a shared machine.
const bool registered = [] {
  const char* kDecode = "decode_16ch_h264_720x576";
  const char* kEncode = "encode_8ch_h264_720x576";
  pfb::add_bench("codecs", "pelforge", kDecode, BM_DecodeMultiDecNew);
  pfb::add_bench("codecs", "libavcodec", kDecode,
                 [](benchmark::State& s) { BM_DecodeLibavcodec(s, false); });
  pfb::add_bench("codecs", "libavcodec+copy", kDecode,
                 [](benchmark::State& s) { BM_DecodeLibavcodec(s, true); });
  pfb::add_bench("codecs", "pelforge", kEncode, BM_EncodeMultiEnc);
  pfb::add_bench("codecs", "libavcodec", kEncode, BM_EncodeLibavcodec);
  return true;
}();

}  // namespace
