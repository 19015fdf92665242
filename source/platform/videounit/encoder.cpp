// SPDX-License-Identifier: BSD-2-Clause
// Encoder channels on libavcodec (libx264 for H.264 where FFmpeg has it, its own MPEG-2 video
// encoder): one planar 4:2:0 picture in, at most one packet out, copied into the caller's buffer.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "channel.hpp"
#include "video_unit.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
}

namespace vu {
namespace {

// Packets the codec finished while the caller had not yet taken the previous ones.
constexpr int kQueue = 16;

struct Encoder {
  uint32_t serial;
  void* window;
  tVideoUnitEncParam param;
  AVCodecContext* ctx;
  AVFrame* frame;
  AVPacket* queue[kQueue];
  int head, count;
  int64_t next_pts;
  bool draining;
  bool restart;  // the stream was drained: the next picture opens a new one
  bool force_key;
};

uint32_t or_default(uint32_t v, uint32_t fallback) { return v != 0 ? v : fallback; }

bool valid_param(const tVideoUnitEncParam* p) {
  if (p == nullptr) return false;
  if (p->u32Codec != VIDEOUNIT_CODEC_H264 && p->u32Codec != VIDEOUNIT_CODEC_MPEG2) return false;
  if (!valid_dimension(p->u32Width, 16) || !valid_dimension(p->u32Height, 16)) return false;
  if (p->u32Bitrate != 0 && (p->u32Bitrate < 16000 || p->u32Bitrate > 200000000)) return false;
  if (p->u32Gop > 1000 || p->u32BFrames > 4) return false;
  if (p->u32FrameRateNum > 1000 || p->u32FrameRateDen > 1001) return false;
  if (p->u32YPitch != 0 && p->u32YPitch < p->u32Width) return false;
  if (p->u32UVPitch != 0 && p->u32UVPitch < p->u32Width / 2) return false;
  const uint32_t max_quality = p->u32Codec == VIDEOUNIT_CODEC_H264 ? 51 : 31;
  return p->u32Quality <= max_quality;
}

uint32_t quality(const tVideoUnitEncParam& p) {
  return or_default(p.u32Quality, p.u32Codec == VIDEOUNIT_CODEC_H264 ? 23 : 4);
}

void drop_queue(Encoder& e) {
  for (int i = 0; i < e.count; ++i) av_packet_unref(e.queue[(e.head + i) % kQueue]);
  e.head = e.count = 0;
}

const AVCodec* find_codec(uint32_t codec) {
  if (codec == VIDEOUNIT_CODEC_MPEG2) return avcodec_find_encoder(AV_CODEC_ID_MPEG2VIDEO);
  const AVCodec* x264 = avcodec_find_encoder_by_name("libx264");
  return x264 != nullptr ? x264 : avcodec_find_encoder(AV_CODEC_ID_H264);
}

uint32_t open_context(Encoder& e) {
  const tVideoUnitEncParam& p = e.param;
  const AVCodec* codec = find_codec(p.u32Codec);
  if (codec == nullptr) return VIDEOUNIT_ERR_CODEC;
  AVCodecContext* ctx = avcodec_alloc_context3(codec);
  if (ctx == nullptr) return VIDEOUNIT_ERR_MEMORY;
  const int num = static_cast<int>(or_default(p.u32FrameRateNum, 25));
  const int den = static_cast<int>(or_default(p.u32FrameRateDen, 1));
  ctx->width = static_cast<int>(p.u32Width);
  ctx->height = static_cast<int>(p.u32Height);
  ctx->pix_fmt = AV_PIX_FMT_YUV420P;
  ctx->time_base = AVRational{den, num};
  ctx->framerate = AVRational{num, den};
  ctx->gop_size = static_cast<int>(or_default(p.u32Gop, 50));
  ctx->max_b_frames = static_cast<int>(p.u32BFrames);
  ctx->thread_count = 1;
  // The library prints nothing: the codec's messages are pushed below every level a host would
  // log at (this context only; the host's own logging setting stays as it is).
  ctx->log_level_offset = kQuietLogOffset;
  if (p.u32Bitrate != 0) {
    ctx->bit_rate = p.u32Bitrate;
    // A one-second decoder buffer: what a receiving device can be assumed to have.
    ctx->rc_buffer_size = static_cast<int>(p.u32Bitrate);
    ctx->rc_max_rate = p.u32Bitrate;
  } else if (p.u32Codec == VIDEOUNIT_CODEC_MPEG2) {
    ctx->flags |= AV_CODEC_FLAG_QSCALE;
    ctx->global_quality = FF_QP2LAMBDA * static_cast<int>(quality(p));
  }
  if (codec->priv_class != nullptr && std::strcmp(codec->name, "libx264") == 0) {
    av_opt_set(ctx->priv_data, "preset", "veryfast", 0);
    if (p.u32Bitrate == 0) av_opt_set_int(ctx->priv_data, "crf", quality(p), 0);
  }
  if (avcodec_open2(ctx, codec, nullptr) < 0) {
    avcodec_free_context(&ctx);
    return VIDEOUNIT_ERR_CODEC;
  }
  e.ctx = ctx;
  e.next_pts = 0;
  e.draining = e.restart = false;
  return VIDEOUNIT_OK;
}

uint32_t reopen(Encoder& e) {
  drop_queue(e);
  avcodec_free_context(&e.ctx);
  return open_context(e);
}

void destroy(Encoder* e) {
  if (e == nullptr) return;
  drop_queue(*e);
  avcodec_free_context(&e->ctx);
  for (AVPacket*& p : e->queue) av_packet_free(&p);
  av_frame_free(&e->frame);
  av_free(e);
}

bool park_packet(Encoder& e) {
  if (e.count == kQueue) return false;
  AVPacket* slot = e.queue[(e.head + e.count) % kQueue];
  if (avcodec_receive_packet(e.ctx, slot) < 0) return false;
  ++e.count;
  return true;
}

uint32_t send_picture(Encoder& e, const tVideoUnitEncInput& in) {
  const tVideoUnitEncParam& p = e.param;
  AVFrame& f = *e.frame;
  // The caller's planes go in as they are; libavcodec copies what it keeps.
  f.format = AV_PIX_FMT_YUV420P;
  f.width = static_cast<int>(p.u32Width);
  f.height = static_cast<int>(p.u32Height);
  f.data[0] = const_cast<uint8_t*>(in.pu8Y);
  f.data[1] = const_cast<uint8_t*>(in.pu8U);
  f.data[2] = const_cast<uint8_t*>(in.pu8V);
  f.linesize[0] = static_cast<int>(or_default(p.u32YPitch, p.u32Width));
  f.linesize[1] = f.linesize[2] = static_cast<int>(or_default(p.u32UVPitch, p.u32Width / 2));
  f.pts = e.next_pts;
  f.pict_type = e.force_key ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
  if (p.u32Codec == VIDEOUNIT_CODEC_MPEG2 && p.u32Bitrate == 0) {
    f.quality = FF_QP2LAMBDA * static_cast<int>(quality(p));
  }
  int ret;
  while ((ret = avcodec_send_frame(e.ctx, &f)) == AVERROR(EAGAIN)) {
    if (!park_packet(e)) break;
  }
  if (ret < 0) return ret == AVERROR(ENOMEM) ? VIDEOUNIT_ERR_MEMORY : VIDEOUNIT_ERR_ENCODE;
  ++e.next_pts;
  e.force_key = false;
  ++e.param.u32FramesEncoded;
  return VIDEOUNIT_OK;
}

// The next packet, parked at the head of the queue; null when none is ready.
AVPacket* next_packet(Encoder& e) {
  if (e.count == 0 && !park_packet(e)) return nullptr;
  return e.queue[e.head];
}

uint32_t process(Encoder& e, const tVideoUnitEncInput& in, tVideoUnitEncOutput& out) {
  out.u32Length = out.u32KeyFrame = out.u32Ready = 0;
  if (in.pu8Y != nullptr) {
    if (e.restart) {
      if (const uint32_t status = reopen(e)) return status;
    }
    if (const uint32_t status = send_picture(e, in)) return status;
  } else if (!e.draining && !e.restart) {
    if (avcodec_send_frame(e.ctx, nullptr) < 0) return VIDEOUNIT_ERR_ENCODE;
    e.draining = true;
  }
  AVPacket* packet = next_packet(e);
  if (packet == nullptr) {
    // A drained encoder cannot take pictures again; it is reopened when the next one comes.
    if (e.draining) e.restart = true;
    return VIDEOUNIT_OK;
  }
  const auto size = static_cast<uint32_t>(packet->size);
  out.u32Length = size;
  if (size > out.u32BufSize) return VIDEOUNIT_ERR_BUFFER_SHORT;  // kept for the next call
  std::memcpy(out.pu8Buf, packet->data, size);
  out.u32KeyFrame = (packet->flags & AV_PKT_FLAG_KEY) != 0 ? 1 : 0;
  out.u32Ready = 1;
  out.s64Pts = packet->pts;
  av_packet_unref(packet);
  e.head = (e.head + 1) % kQueue;
  --e.count;
  ++e.param.u32PacketsOut;
  return VIDEOUNIT_OK;
}

}  // namespace
}  // namespace vu

extern "C" {

uint32_t VideoUnitMultiEncoderOpen(void** phChannel, const tVideoUnitEncParam* ptParam,
                                   void* /*hMem*/, void* pvFastMem) {
  if (phChannel == nullptr || !vu::valid_param(ptParam)) return VIDEOUNIT_ERR_ARGUMENT;
  auto* e = static_cast<vu::Encoder*>(av_mallocz(sizeof(vu::Encoder)));
  if (e == nullptr) return VIDEOUNIT_ERR_MEMORY;
  e->param = *ptParam;
  e->param.u32FramesEncoded = e->param.u32PacketsOut = e->param.u32Errors = 0;
  e->window = pvFastMem;
  e->serial = vu::next_serial();
  e->frame = av_frame_alloc();
  bool allocated = e->frame != nullptr;
  for (AVPacket*& p : e->queue) {
    p = av_packet_alloc();
    allocated = allocated && p != nullptr;
  }
  if (!allocated) {
    vu::destroy(e);
    return VIDEOUNIT_ERR_MEMORY;
  }
  if (const uint32_t status = vu::open_context(*e)) {
    vu::destroy(e);
    return status;
  }
  vu::fast_start(pvFastMem, e->serial);
  *phChannel = e;
  return VIDEOUNIT_OK;
}

uint32_t VideoUnitEncoderSetParam(void* hChannel, const tVideoUnitEncParam* ptParam) {
  if (hChannel == nullptr || !vu::valid_param(ptParam)) return VIDEOUNIT_ERR_ARGUMENT;
  auto& e = *static_cast<vu::Encoder*>(hChannel);
  if (!vu::fast_enter(e.window, e.serial, 0)) return VIDEOUNIT_ERR_WINDOW;
  const tVideoUnitEncParam old = e.param;
  std::memcpy(&e.param, ptParam, offsetof(tVideoUnitEncParam, u32FramesEncoded));
  if (const uint32_t status = vu::reopen(e)) {
    e.param = old;
    if (vu::open_context(e) != VIDEOUNIT_OK) e.ctx = nullptr;
    return status;
  }
  return VIDEOUNIT_OK;
}

uint32_t VideoUnitEncoderProcess(void* hChannel, const tVideoUnitEncInput* ptInput,
                                 tVideoUnitEncOutput* ptOutput) {
  if (hChannel == nullptr || ptInput == nullptr || ptOutput == nullptr) {
    return VIDEOUNIT_ERR_ARGUMENT;
  }
  if (ptInput->pu8Y != nullptr && (ptInput->pu8U == nullptr || ptInput->pu8V == nullptr)) {
    return VIDEOUNIT_ERR_ARGUMENT;
  }
  if (ptOutput->pu8Buf == nullptr && ptOutput->u32BufSize != 0) return VIDEOUNIT_ERR_ARGUMENT;
  auto& e = *static_cast<vu::Encoder*>(hChannel);
  const uint64_t in_bytes =
      ptInput->pu8Y != nullptr ? uint64_t{e.param.u32Width} * e.param.u32Height * 3 / 2 : 0;
  if (!vu::fast_enter(e.window, e.serial, in_bytes)) return VIDEOUNIT_ERR_WINDOW;
  const uint32_t status =
      e.ctx == nullptr ? VIDEOUNIT_ERR_CODEC : vu::process(e, *ptInput, *ptOutput);
  if (status != VIDEOUNIT_OK) ++e.param.u32Errors;
  vu::fast_leave(e.window, ptOutput->u32Ready != 0 ? ptOutput->u32Length : 0);
  return status;
}

uint32_t VideoUnitEncoderGetStatus(void* hChannel, tVideoUnitEncParam* ptStatus) {
  if (hChannel == nullptr || ptStatus == nullptr) return VIDEOUNIT_ERR_ARGUMENT;
  *ptStatus = static_cast<const vu::Encoder*>(hChannel)->param;
  return VIDEOUNIT_OK;
}

uint32_t VideoUnitEncoderGetMemSize(const tVideoUnitEncParam* ptParam, uint32_t* pu32Size) {
  if (pu32Size == nullptr || !vu::valid_param(ptParam)) return VIDEOUNIT_ERR_ARGUMENT;
  // Look-ahead, B and reference pictures: about a dozen pictures, plus the context.
  const uint64_t picture = uint64_t{ptParam->u32Width} * ptParam->u32Height * 3 / 2;
  const uint64_t size = sizeof(vu::Encoder) + picture * (12 + ptParam->u32BFrames) + (2u << 20);
  if (size > UINT32_MAX) return VIDEOUNIT_ERR_ARGUMENT;
  *pu32Size = static_cast<uint32_t>(size);
  return VIDEOUNIT_OK;
}

uint32_t VideoUnitEncoderGetVersion(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen) {
  return vu::write_version("VideoUnitEncoder", "001", ps8Buf, s32BufLen, pu32TextLen);
}

uint32_t VideoUnitEncoderDebug(void* hChannel, const tVideoUnitEncText* ptText) {
  if (hChannel == nullptr || ptText == nullptr) return VIDEOUNIT_ERR_ARGUMENT;
  if (std::memchr(ptText->as8Text, 0, sizeof ptText->as8Text) == nullptr) {
    return VIDEOUNIT_ERR_ARGUMENT;
  }
  auto& e = *static_cast<vu::Encoder*>(hChannel);
  if (!vu::fast_enter(e.window, e.serial, 0)) return VIDEOUNIT_ERR_WINDOW;
  if (std::strcmp(ptText->as8Text, "keyframe") == 0) {
    e.force_key = true;
    return VIDEOUNIT_OK;
  }
  if (std::strcmp(ptText->as8Text, "reset") == 0) {
    const uint32_t status = vu::reopen(e);
    if (status != VIDEOUNIT_OK) e.ctx = nullptr;
    return status;
  }
  return VIDEOUNIT_ERR_ARGUMENT;
}

uint32_t VideoUnitEncoderClose(void* hChannel) {
  if (hChannel == nullptr) return VIDEOUNIT_ERR_ARGUMENT;
  vu::destroy(static_cast<vu::Encoder*>(hChannel));
  return VIDEOUNIT_OK;
}

uint32_t VideoUnitMultiEncoderClose(void* hChannel) { return VideoUnitEncoderClose(hChannel); }

}  // extern "C"
