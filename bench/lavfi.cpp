// SPDX-License-Identifier: BSD-2-Clause
// The libavfilter runner.
#include "lavfi.hpp"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
}

#include <cstdio>
#include <stdexcept>

namespace pfb {
namespace {

std::string av_error(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

void check(int code, const std::string& what) {
  if (code < 0) throw std::runtime_error("libavfilter: " + what + ": " + av_error(code));
}

// The caller's planes are borrowed: nothing to free when the graph lets go of them.
void keep(void*, uint8_t*) {}

}  // namespace

LavfiRunner::LavfiRunner(const std::string& filters, int width, int height,
                         const std::string& pix_fmt)
    : width_(width), height_(height), format_(av_get_pix_fmt(pix_fmt.c_str())) {
  if (format_ == AV_PIX_FMT_NONE) throw std::runtime_error("unknown pixel format " + pix_fmt);
  av_log_set_level(AV_LOG_ERROR);
  graph_ = avfilter_graph_alloc();
  in_ = av_frame_alloc();
  out_ = av_frame_alloc();
  if (graph_ == nullptr || in_ == nullptr || out_ == nullptr) {
    release();
    throw std::runtime_error("libavfilter: out of memory");
  }
  graph_->nb_threads = 1;
  char args[160];
  std::snprintf(args, sizeof args, "video_size=%dx%d:pix_fmt=%d:time_base=1/25:pixel_aspect=1/1",
                width, height, format_);
  AVFilterInOut* outputs = nullptr;
  AVFilterInOut* inputs = nullptr;
  try {
    check(avfilter_graph_create_filter(&source_, avfilter_get_by_name("buffer"), "in", args,
                                       nullptr, graph_),
          "buffer source");
    check(avfilter_graph_create_filter(&sink_, avfilter_get_by_name("buffersink"), "out", nullptr,
                                       nullptr, graph_),
          "buffer sink");
    outputs = avfilter_inout_alloc();
    inputs = avfilter_inout_alloc();
    if (outputs == nullptr || inputs == nullptr) throw std::runtime_error("out of memory");
    outputs->name = av_strdup("in");
    outputs->filter_ctx = source_;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink_;
    check(avfilter_graph_parse_ptr(graph_, filters.c_str(), &inputs, &outputs, nullptr),
          "'" + filters + "'");
    check(avfilter_graph_config(graph_, nullptr), "'" + filters + "'");
  } catch (...) {
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    release();
    throw;
  }
  avfilter_inout_free(&inputs);
  avfilter_inout_free(&outputs);
}

LavfiRunner::~LavfiRunner() { release(); }

void LavfiRunner::release() {
  av_frame_free(&in_);
  av_frame_free(&out_);
  avfilter_graph_free(&graph_);
}

void LavfiRunner::push(const uint8_t* const planes[4], const int pitches[4], bool copy) {
  av_frame_unref(in_);
  in_->width = width_;
  in_->height = height_;
  in_->format = format_;
  const int count = av_pix_fmt_count_planes(static_cast<AVPixelFormat>(format_));
  if (copy) {
    check(av_frame_get_buffer(in_, 0), "frame buffer");
    av_image_copy(in_->data, in_->linesize, const_cast<const uint8_t**>(planes), pitches,
                  static_cast<AVPixelFormat>(format_), width_, height_);
  } else {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(format_));
    for (int i = 0; i < count; ++i) {
      const int rows = i == 0 || i == 3 ? height_ : -((-height_) >> d->log2_chroma_h);
      const size_t bytes = static_cast<size_t>(pitches[i]) * static_cast<size_t>(rows);
      // Read-only: a filter that works in place gets a copy from libavfilter instead.
      in_->buf[i] = av_buffer_create(const_cast<uint8_t*>(planes[i]), bytes, keep, nullptr,
                                     AV_BUFFER_FLAG_READONLY);
      if (in_->buf[i] == nullptr) throw std::runtime_error("libavfilter: out of memory");
      in_->data[i] = const_cast<uint8_t*>(planes[i]);
      in_->linesize[i] = pitches[i];
    }
  }
  in_->pts = next_pts_++;
  check(av_buffersrc_add_frame_flags(source_, in_, 0), "push");
}

bool LavfiRunner::pull(uint8_t* const planes[4], const int pitches[4]) {
  const int status = av_buffersink_get_frame(sink_, out_);
  if (status == AVERROR(EAGAIN) || status == AVERROR_EOF) return false;
  check(status, "pull");
  av_image_copy(const_cast<uint8_t**>(planes), const_cast<int*>(pitches),
                const_cast<const uint8_t**>(out_->data), out_->linesize,
                static_cast<AVPixelFormat>(out_->format), out_->width, out_->height);
  av_frame_unref(out_);
  return true;
}

void LavfiRunner::flush() { check(av_buffersrc_add_frame_flags(source_, nullptr, 0), "flush"); }

int LavfiRunner::out_width() const { return av_buffersink_get_w(sink_); }
int LavfiRunner::out_height() const { return av_buffersink_get_h(sink_); }
std::string LavfiRunner::out_pix_fmt() const {
  const char* name =
      av_get_pix_fmt_name(static_cast<AVPixelFormat>(av_buffersink_get_format(sink_)));
  return name != nullptr ? name : "?";
}

}  // namespace pfb
