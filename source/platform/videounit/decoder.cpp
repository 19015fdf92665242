// SPDX-License-Identifier: BSD-2-Clause
// Decoder channels on libavcodec: one access unit in, at most one planar 4:2:0 picture out,
// written into the caller's planes.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "channel.hpp"
#include "video_unit.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/mem.h>
#include <libavutil/pixdesc.h>
}

namespace vu {
namespace {

// Pictures the codec finished while the caller had not yet taken the previous ones. A codec
// hands back at most its reorder depth at once (16 for H.264 and HEVC).
constexpr int kQueue = 20;

struct Decoder {
  uint32_t serial;
  void* window;
  tVideoUnitDecParam param;
  AVCodecContext* ctx;
  AVPacket* packet;
  AVFrame* frame;
  AVFrame* queue[kQueue];
  int head, count;
  bool draining;
};

AVCodecID codec_id(uint32_t codec) {
  switch (codec) {
    case VIDEOUNIT_CODEC_H264:
      return AV_CODEC_ID_H264;
    case VIDEOUNIT_CODEC_HEVC:
      return AV_CODEC_ID_HEVC;
    case VIDEOUNIT_CODEC_MPEG2:
      return AV_CODEC_ID_MPEG2VIDEO;
    case VIDEOUNIT_CODEC_MJPEG:
      return AV_CODEC_ID_MJPEG;
    default:
      return AV_CODEC_ID_NONE;
  }
}

bool valid_param(const tVideoUnitDecParam* p) {
  return p != nullptr && codec_id(p->u32Codec) != AV_CODEC_ID_NONE &&
         valid_dimension(p->u32Width, 2) && valid_dimension(p->u32Height, 2) &&
         p->u32ExtraLen <= VIDEOUNIT_MAX_EXTRADATA;
}

void drop_queue(Decoder& d) {
  for (int i = 0; i < d.count; ++i) av_frame_unref(d.queue[(d.head + i) % kQueue]);
  d.head = d.count = 0;
}

void free_context(Decoder& d) {
  drop_queue(d);
  avcodec_free_context(&d.ctx);
  d.draining = false;
}

uint32_t open_context(Decoder& d) {
  const AVCodec* codec = avcodec_find_decoder(codec_id(d.param.u32Codec));
  if (codec == nullptr) return VIDEOUNIT_ERR_CODEC;
  d.ctx = avcodec_alloc_context3(codec);
  if (d.ctx == nullptr) return VIDEOUNIT_ERR_MEMORY;
  // One thread (the library starts none), the exact half-sample averages and the C reference
  // inverse DCT: MPEG-2 and MJPEG allow approximate ones, which libavcodec picks per processor,
  // and the pictures must not depend on the machine that decodes them.
  d.ctx->thread_count = 1;
  d.ctx->flags |= AV_CODEC_FLAG_BITEXACT;
  d.ctx->idct_algo = FF_IDCT_SIMPLE;
  // The library prints nothing: the codec's messages are pushed below every level a host would
  // log at (this context only; the host's own logging setting stays as it is).
  d.ctx->log_level_offset = kQuietLogOffset;
  if (d.param.u32ExtraLen != 0) {
    d.ctx->extradata =
        static_cast<uint8_t*>(av_mallocz(d.param.u32ExtraLen + AV_INPUT_BUFFER_PADDING_SIZE));
    if (d.ctx->extradata == nullptr) {
      avcodec_free_context(&d.ctx);
      return VIDEOUNIT_ERR_MEMORY;
    }
    std::memcpy(d.ctx->extradata, d.param.au8Extra, d.param.u32ExtraLen);
    d.ctx->extradata_size = static_cast<int>(d.param.u32ExtraLen);
  }
  if (avcodec_open2(d.ctx, codec, nullptr) < 0) {
    avcodec_free_context(&d.ctx);
    return VIDEOUNIT_ERR_CODEC;
  }
  return VIDEOUNIT_OK;
}

void destroy(Decoder* d) {
  if (d == nullptr) return;
  free_context(*d);
  for (AVFrame*& f : d->queue) av_frame_free(&f);
  av_frame_free(&d->frame);
  av_packet_free(&d->packet);
  av_free(d);
}

uint32_t open_channel(void** out, const tVideoUnitDecParam* p, void* window) {
  if (out == nullptr || !valid_param(p)) return VIDEOUNIT_ERR_ARGUMENT;
  auto* d = static_cast<Decoder*>(av_mallocz(sizeof(Decoder)));
  if (d == nullptr) return VIDEOUNIT_ERR_MEMORY;
  d->param = *p;
  d->window = window;
  d->serial = next_serial();
  d->packet = av_packet_alloc();
  d->frame = av_frame_alloc();
  bool allocated = d->packet != nullptr && d->frame != nullptr;
  for (AVFrame*& f : d->queue) {
    f = av_frame_alloc();
    allocated = allocated && f != nullptr;
  }
  if (!allocated) {
    destroy(d);
    return VIDEOUNIT_ERR_MEMORY;
  }
  if (const uint32_t status = open_context(*d)) {
    destroy(d);
    return status;
  }
  fast_start(window, d->serial);
  *out = d;
  return VIDEOUNIT_OK;
}

struct Planes {
  uint8_t* y;
  uint8_t* u;
  uint8_t* v;
  uint32_t pitch, uv_pitch;
};

uint8_t avg2(uint8_t a, uint8_t b) { return static_cast<uint8_t>((a + b + 1) >> 1); }

// Writes the frame as 4:2:0. 4:2:2 and 4:4:4 chroma is averaged down (rounding half up), grey
// pictures get neutral chroma; other formats (high bit depth, packed) are refused.
uint32_t write_picture(const AVFrame& f, const Planes& dst) {
  const int w = f.width, h = f.height;
  const int cw = (w + 1) / 2, ch = (h + 1) / 2;
  const auto format = static_cast<AVPixelFormat>(f.format);
  int sub_x, sub_y;  // chroma subsampling of the source, log2
  switch (format) {
    case AV_PIX_FMT_YUV420P:
    case AV_PIX_FMT_YUVJ420P:
      sub_x = sub_y = 1;
      break;
    case AV_PIX_FMT_YUV422P:
    case AV_PIX_FMT_YUVJ422P:
      sub_x = 1, sub_y = 0;
      break;
    case AV_PIX_FMT_YUV444P:
    case AV_PIX_FMT_YUVJ444P:
      sub_x = sub_y = 0;
      break;
    case AV_PIX_FMT_GRAY8:
      sub_x = sub_y = -1;
      break;
    default:
      return VIDEOUNIT_ERR_FORMAT;
  }
  for (int y = 0; y < h; ++y) {
    std::memcpy(dst.y + static_cast<ptrdiff_t>(y) * dst.pitch,
                f.data[0] + static_cast<ptrdiff_t>(y) * f.linesize[0], static_cast<size_t>(w));
  }
  for (int plane = 1; plane <= 2; ++plane) {
    uint8_t* out = plane == 1 ? dst.u : dst.v;
    for (int y = 0; y < ch; ++y) {
      uint8_t* row = out + static_cast<ptrdiff_t>(y) * dst.uv_pitch;
      if (sub_x < 0) {
        std::memset(row, 128, static_cast<size_t>(cw));
        continue;
      }
      // Source rows of this chroma row: one when the source is already halved vertically, the
      // pair 2y, 2y + 1 (the last row twice at an odd bottom edge) otherwise.
      const int r0 = sub_y == 1 ? y : 2 * y;
      const int r1 = sub_y == 1 ? y : (2 * y + 1 < h ? 2 * y + 1 : 2 * y);
      const uint8_t* a = f.data[plane] + static_cast<ptrdiff_t>(r0) * f.linesize[plane];
      const uint8_t* b = f.data[plane] + static_cast<ptrdiff_t>(r1) * f.linesize[plane];
      if (sub_x == 1 && sub_y == 1) {
        std::memcpy(row, a, static_cast<size_t>(cw));
      } else if (sub_x == 1) {
        for (int x = 0; x < cw; ++x) row[x] = avg2(a[x], b[x]);
      } else {
        for (int x = 0; x < cw; ++x) {
          const int x1 = 2 * x + 1 < w ? 2 * x + 1 : 2 * x;
          row[x] = static_cast<uint8_t>((a[2 * x] + a[x1] + b[2 * x] + b[x1] + 2) >> 2);
        }
      }
    }
  }
  return VIDEOUNIT_OK;
}

uint32_t destination(const Decoder& d, const tVideoUnitDecOutput& out, const AVFrame& f,
                     Planes& dst) {
  if (out.ptPicture != nullptr) {
    const tVideoUnitPicture& pic = *out.ptPicture;
    if (pic.u32Tag != VIDEOUNIT_PICTURE_TAG) return VIDEOUNIT_ERR_ARGUMENT;
    dst = {pic.pu8Y, pic.pu8U, pic.pu8V, pic.u32Pitch, pic.u32UVPitch};
  } else {
    dst = {out.pu8Y, out.pu8U, out.pu8V, out.u32YPitch, out.u32UVPitch};
  }
  if (dst.y == nullptr || dst.u == nullptr || dst.v == nullptr) return VIDEOUNIT_ERR_ARGUMENT;
  // The caller's planes are sized for the channel's limits: a larger picture would run past
  // them, so it is refused whole.
  if (f.width <= 0 || f.height <= 0 || static_cast<uint32_t>(f.width) > d.param.u32Width ||
      static_cast<uint32_t>(f.height) > d.param.u32Height) {
    return VIDEOUNIT_ERR_PICTURE_SIZE;
  }
  if (dst.pitch < static_cast<uint32_t>(f.width) ||
      dst.uv_pitch < static_cast<uint32_t>((f.width + 1) / 2)) {
    return VIDEOUNIT_ERR_ARGUMENT;
  }
  return VIDEOUNIT_OK;
}

// Moves one finished picture out of the codec into the queue, so that it accepts more input.
bool park_frame(Decoder& d) {
  if (d.count == kQueue) return false;
  AVFrame* slot = d.queue[(d.head + d.count) % kQueue];
  if (avcodec_receive_frame(d.ctx, slot) < 0) return false;
  ++d.count;
  return true;
}

uint32_t send(Decoder& d, const uint8_t* data, uint32_t length, int64_t pts) {
  av_packet_unref(d.packet);
  // libavcodec reads a little past the end of a packet, so the unit is copied into a padded
  // buffer of its own rather than handed over in place.
  if (av_new_packet(d.packet, static_cast<int>(length)) < 0) return VIDEOUNIT_ERR_MEMORY;
  std::memcpy(d.packet->data, data, length);
  d.packet->pts = pts;
  int ret;
  while ((ret = avcodec_send_packet(d.ctx, d.packet)) == AVERROR(EAGAIN)) {
    if (!park_frame(d)) break;
  }
  av_packet_unref(d.packet);
  if (ret == AVERROR(ENOMEM)) return VIDEOUNIT_ERR_MEMORY;
  return ret < 0 ? VIDEOUNIT_ERR_DECODE : VIDEOUNIT_OK;
}

// The next picture in output order, or null. Reaching the end of a drained stream readies the
// channel for a new one.
AVFrame* next_frame(Decoder& d, uint32_t& status) {
  if (d.count > 0) {
    AVFrame* f = d.queue[d.head];
    d.head = (d.head + 1) % kQueue;
    --d.count;
    return f;
  }
  const int ret = avcodec_receive_frame(d.ctx, d.frame);
  if (ret == 0) return d.frame;
  if (ret == AVERROR_EOF) {
    avcodec_flush_buffers(d.ctx);
    d.draining = false;
  } else if (ret != AVERROR(EAGAIN)) {
    status = VIDEOUNIT_ERR_DECODE;
  }
  return nullptr;
}

uint32_t process(Decoder& d, const tVideoUnitDecInput& in, tVideoUnitDecOutput& out) {
  const bool end = in.ptOption != nullptr && in.ptOption->u32Kind == VIDEOUNIT_OPTION_END &&
                   in.ptOption->u32Value != 0;
  out.u32PicWidth = out.u32PicHeight = out.u32PicReady = out.u32KeyFrame = 0;
  if (in.u32Length != 0) {
    if (d.draining) {
      // New data while the previous stream was being drained: that stream is over.
      drop_queue(d);
      avcodec_flush_buffers(d.ctx);
      d.draining = false;
    }
    if (const uint32_t status = send(d, in.pu8Data, in.u32Length, in.s64Pts)) return status;
  }
  if (end && !d.draining) {
    if (avcodec_send_packet(d.ctx, nullptr) < 0) return VIDEOUNIT_ERR_DECODE;
    d.draining = true;
  }
  uint32_t status = VIDEOUNIT_OK;
  AVFrame* f = next_frame(d, status);
  if (f == nullptr) return status;
  Planes dst;
  status = destination(d, out, *f, dst);
  if (status == VIDEOUNIT_OK) status = write_picture(*f, dst);
  if (status == VIDEOUNIT_OK) {
    out.u32PicWidth = static_cast<uint32_t>(f->width);
    out.u32PicHeight = static_cast<uint32_t>(f->height);
    out.u32PicReady = 1;
    out.u32KeyFrame = f->key_frame != 0 || f->pict_type == AV_PICTURE_TYPE_I ? 1 : 0;
    out.s64Pts = f->pts;
    d.param.u32PicWidth = out.u32PicWidth;
    d.param.u32PicHeight = out.u32PicHeight;
    ++d.param.u32FramesDecoded;
  }
  av_frame_unref(f);
  return status;
}

}  // namespace
}  // namespace vu

extern "C" {

uint32_t VideoUnitDecoder4PelforgeOpen(void** phChannel, const tVideoUnitDecParam* ptParam,
                                       void* /*hMem*/, void* pvFastMem) {
  return vu::open_channel(phChannel, ptParam, pvFastMem);
}

uint32_t VideoUnitDecoder4PelforgeNewOpen(void** phChannel, const tVideoUnitDecParam* ptParam,
                                          void* /*hMem*/, uint32_t u32Height) {
  if (ptParam == nullptr || ptParam->u32Height != u32Height) return VIDEOUNIT_ERR_ARGUMENT;
  return vu::open_channel(phChannel, ptParam, nullptr);
}

uint32_t VideoUnitDecoderSetParam(void* hChannel, const tVideoUnitDecParam* ptParam) {
  if (hChannel == nullptr || !vu::valid_param(ptParam)) return VIDEOUNIT_ERR_ARGUMENT;
  auto& d = *static_cast<vu::Decoder*>(hChannel);
  if (!vu::fast_enter(d.window, d.serial, 0)) return VIDEOUNIT_ERR_WINDOW;
  const bool restart = ptParam->u32Codec != d.param.u32Codec ||
                       ptParam->u32ExtraLen != d.param.u32ExtraLen ||
                       std::memcmp(ptParam->au8Extra, d.param.au8Extra, ptParam->u32ExtraLen) != 0;
  const tVideoUnitDecParam old = d.param;
  d.param.u32Codec = ptParam->u32Codec;
  d.param.u32Width = ptParam->u32Width;
  d.param.u32Height = ptParam->u32Height;
  d.param.u32ExtraLen = ptParam->u32ExtraLen;
  std::memcpy(d.param.au8Extra, ptParam->au8Extra, sizeof d.param.au8Extra);
  if (!restart) return VIDEOUNIT_OK;
  vu::free_context(d);
  if (const uint32_t status = vu::open_context(d)) {
    // Keep the channel usable with what it had.
    d.param = old;
    if (vu::open_context(d) != VIDEOUNIT_OK) d.ctx = nullptr;
    return status;
  }
  return VIDEOUNIT_OK;
}

uint32_t VideoUnitDecoderProcess(void* hChannel, const tVideoUnitDecInput* ptInput,
                                 tVideoUnitDecOutput* ptOutput) {
  if (hChannel == nullptr || ptInput == nullptr || ptOutput == nullptr) {
    return VIDEOUNIT_ERR_ARGUMENT;
  }
  auto& d = *static_cast<vu::Decoder*>(hChannel);
  if (ptInput->u32Length != 0 && ptInput->pu8Data == nullptr) return VIDEOUNIT_ERR_ARGUMENT;
  const bool end = ptInput->ptOption != nullptr &&
                   ptInput->ptOption->u32Kind == VIDEOUNIT_OPTION_END &&
                   ptInput->ptOption->u32Value != 0;
  if (!vu::fast_enter(d.window, d.serial, ptInput->u32Length)) return VIDEOUNIT_ERR_WINDOW;
  uint32_t status;
  if (d.ctx == nullptr) {
    status = VIDEOUNIT_ERR_CODEC;
  } else if (ptInput->u32Length == 0 && !end) {
    ptOutput->u32PicWidth = ptOutput->u32PicHeight = ptOutput->u32PicReady = 0;
    status = VIDEOUNIT_ERR_EMPTY;
  } else {
    status = vu::process(d, *ptInput, *ptOutput);
  }
  if (status != VIDEOUNIT_OK) ++d.param.u32Errors;
  const uint64_t written = ptOutput->u32PicReady != 0
                               ? uint64_t{ptOutput->u32PicWidth} * ptOutput->u32PicHeight * 3 / 2
                               : 0;
  vu::fast_leave(d.window, written);
  return status;
}

uint32_t VideoUnitDecoderGetStatus(void* hChannel, tVideoUnitDecParam* ptStatus) {
  if (hChannel == nullptr || ptStatus == nullptr) return VIDEOUNIT_ERR_ARGUMENT;
  *ptStatus = static_cast<const vu::Decoder*>(hChannel)->param;
  return VIDEOUNIT_OK;
}

uint32_t VideoUnitDecoderGetMemSize(const tVideoUnitDecParam* ptParam, uint32_t* pu32Size) {
  if (pu32Size == nullptr || !vu::valid_param(ptParam)) return VIDEOUNIT_ERR_ARGUMENT;
  // The reference pictures dominate: up to 16 for H.264 and HEVC, 3 for MPEG-2, 1 for MJPEG,
  // plus the parked pictures and the context.
  const uint64_t picture = uint64_t{ptParam->u32Width} * ptParam->u32Height * 3 / 2;
  const uint64_t refs = ptParam->u32Codec == VIDEOUNIT_CODEC_MJPEG   ? 2
                        : ptParam->u32Codec == VIDEOUNIT_CODEC_MPEG2 ? 4
                                                                     : 18;
  const uint64_t size = sizeof(vu::Decoder) + picture * refs + (1u << 20);
  if (size > UINT32_MAX) return VIDEOUNIT_ERR_ARGUMENT;
  *pu32Size = static_cast<uint32_t>(size);
  return VIDEOUNIT_OK;
}

uint32_t VideoUnitDecoderGetVersion(char* ps8Buf, int32_t s32BufLen, uint32_t* pu32TextLen,
                                    uint32_t /*u32Kind*/) {
  return vu::write_version("VideoUnitDecoder", "001", ps8Buf, s32BufLen, pu32TextLen);
}

uint32_t VideoUnitDecoderClose(void* hChannel) {
  if (hChannel == nullptr) return VIDEOUNIT_ERR_ARGUMENT;
  vu::destroy(static_cast<vu::Decoder*>(hChannel));
  return VIDEOUNIT_OK;
}

uint32_t VideoUnitDecoder4PelforgeClose(void* hChannel) { return VideoUnitDecoderClose(hChannel); }

}  // extern "C"
