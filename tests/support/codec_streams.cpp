// SPDX-License-Identifier: BSD-2-Clause
#include "codec_streams.hpp"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "video_unit.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace pft {

namespace {

struct ScratchDir {
  std::string path;
  ScratchDir() {
    char tmpl[] = "/tmp/pf_codec_XXXXXX";
    const char* made = mkdtemp(tmpl);
    path = made != nullptr ? made : "/tmp";
  }
  ~ScratchDir() {
    std::error_code ignored;
    if (path != "/tmp") std::filesystem::remove_all(path, ignored);
  }
};

uint32_t unit_codec(AVCodecID id) {
  switch (id) {
    case AV_CODEC_ID_H264:
      return VIDEOUNIT_CODEC_H264;
    case AV_CODEC_ID_HEVC:
      return VIDEOUNIT_CODEC_HEVC;
    case AV_CODEC_ID_MPEG2VIDEO:
      return VIDEOUNIT_CODEC_MPEG2;
    case AV_CODEC_ID_MJPEG:
      return VIDEOUNIT_CODEC_MJPEG;
    default:
      return 0;
  }
}

}  // namespace

const std::string& scratch_dir() {
  static const ScratchDir dir;
  return dir.path;
}

bool ffmpeg(const std::string& args) {
  const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y " + args;
  return std::system(command.c_str()) == 0;
}

CodedStream read_stream(const std::string& path) {
  CodedStream s;
  AVFormatContext* fmt = nullptr;
  if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return s;
  const int index = avformat_find_stream_info(fmt, nullptr) < 0
                        ? -1
                        : av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (index >= 0) {
    const AVCodecParameters* par = fmt->streams[index]->codecpar;
    s.codec = unit_codec(par->codec_id);
    s.width = par->width;
    s.height = par->height;
    s.extra.assign(par->extradata, par->extradata + par->extradata_size);
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(fmt, packet) >= 0) {
      if (packet->stream_index == index) {
        s.units.emplace_back(packet->data, packet->data + packet->size);
      }
      av_packet_unref(packet);
    }
    av_packet_free(&packet);
  }
  avformat_close_input(&fmt);
  return s;
}

CodedStream make_stream(const std::string& name, int w, int h, int frames,
                        const std::string& codec_args) {
  const std::string path = scratch_dir() + "/" + name;
  const std::string size = std::to_string(w) + "x" + std::to_string(h);
  if (!ffmpeg("-f lavfi -i testsrc2=size=" + size + ":rate=25 -frames:v " + std::to_string(frames) +
              " -pix_fmt yuv420p " + codec_args + " " + path)) {
    return {};
  }
  CodedStream s = read_stream(path);
  const std::string ref = path + ".yuv";
  // The unit library's decoders run bit-exact with the reference inverse DCT; so does this.
  if (!ffmpeg("-flags bitexact -idct simple -i " + path +
              " -fps_mode passthrough -f rawvideo -pix_fmt yuv420p " + ref)) {
    return {};
  }
  std::ifstream in(ref, std::ios::binary);
  const std::vector<uint8_t> all((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
  const size_t frame = static_cast<size_t>(w) * h * 3 / 2;
  for (size_t at = 0; at + frame <= all.size(); at += frame) {
    s.reference.emplace_back(all.begin() + static_cast<ptrdiff_t>(at),
                             all.begin() + static_cast<ptrdiff_t>(at + frame));
  }
  return s;
}

double psnr(const Frame& a, const Frame& b) {
  if (a.size() != b.size() || a.empty()) return 0;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    const double d = double(a[i]) - double(b[i]);
    sum += d * d;
  }
  if (sum == 0) return 99;
  return 10 * std::log10(255.0 * 255.0 * double(a.size()) / sum);
}

}  // namespace pft
