// SPDX-License-Identifier: BSD-2-Clause
// pf_bench --self-check: the libavfilter runner gives what FFmpeg gives. Its scale graph must
// match a direct libswscale call byte for byte, and a deinterlacer that waits for the next
// picture must still hand out one picture per picture once the stream is flushed.
extern "C" {
#include <libswscale/swscale.h>
}

#include <string>
#include <vector>

#include "bench_util.hpp"
#include "lavfi.hpp"

namespace {

// A 4:2:0 picture in three planes with their own pitches, wider than the picture so that a
// runner that ignores pitches shows it.
struct Planes420 {
  pfb::Bytes bytes;
  uint8_t* data[4] = {};
  int pitch[4] = {};
  Planes420(int w, int h, int pad) {
    pitch[0] = w + pad;
    pitch[1] = pitch[2] = w / 2 + pad;
    const size_t luma = static_cast<size_t>(pitch[0]) * static_cast<size_t>(h);
    const size_t chroma = static_cast<size_t>(pitch[1]) * static_cast<size_t>(h / 2);
    bytes = pfb::picture_buffer(luma + 2 * chroma);
    data[0] = bytes.data();
    data[1] = data[0] + luma;
    data[2] = data[1] + chroma;
  }
};

std::string scale_matches_swscale() {
  const int sw = 720, sh = 576, dw = 352, dh = 288;
  Planes420 src(sw, sh, 64), ours(dw, dh, 32), theirs(dw, dh, 32);
  pfb::LavfiRunner graph("scale=352:288:flags=bilinear", sw, sh, "yuv420p");
  graph.push(src.data, src.pitch);
  if (!graph.pull(ours.data, ours.pitch)) return "the scale graph gave no picture";
  SwsContext* sws = sws_getContext(sw, sh, AV_PIX_FMT_YUV420P, dw, dh, AV_PIX_FMT_YUV420P,
                                   SWS_BILINEAR, nullptr, nullptr, nullptr);
  sws_scale(sws, src.data, src.pitch, 0, sh, theirs.data, theirs.pitch);
  sws_freeContext(sws);
  for (int plane = 0; plane < 3; ++plane) {
    const int w = plane == 0 ? dw : dw / 2, h = plane == 0 ? dh : dh / 2;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const size_t at = static_cast<size_t>(y) * static_cast<size_t>(ours.pitch[plane]) +
                          static_cast<size_t>(x);
        if (ours.data[plane][at] != theirs.data[plane][at]) {
          return "plane " + std::to_string(plane) + " differs at " + std::to_string(x) + "," +
                 std::to_string(y);
        }
      }
    }
  }
  return "";
}

std::string delayed_pictures_come_out() {
  // Three different pictures: yadif holds each back until the next one arrives, the last one
  // until the end of the stream.
  const int w = 64, h = 32;
  std::vector<Planes420> in;
  for (int i = 0; i < 3; ++i) {
    in.emplace_back(w, h, 0);
    in.back().data[0][i] ^= 0xFF;
  }
  Planes420 out(w, h, 0);
  pfb::LavfiRunner yadif("yadif=mode=0", w, h, "yuv420p");
  std::string got;
  for (Planes420& p : in) {
    yadif.push(p.data, p.pitch);
    got += yadif.pull(out.data, out.pitch) ? "1" : "0";
  }
  yadif.flush();
  while (yadif.pull(out.data, out.pitch)) got += "+";
  if (got != "011+") return "pictures out per push: " + got + ", expected 011+";
  if (yadif.out_width() != w || yadif.out_pix_fmt() != "yuv420p") return "wrong output format";
  return "";
}

[[maybe_unused]] const bool kRegistered = [] {
  pfb::add_check("lavfi scale = libswscale", scale_matches_swscale);
  pfb::add_check("lavfi yadif delay and flush", delayed_pictures_come_out);
  return true;
}();

}  // namespace
