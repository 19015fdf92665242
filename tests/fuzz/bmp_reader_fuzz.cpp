// SPDX-License-Identifier: BSD-2-Clause
// The command line's bitmap reader, and the bitmap module on whatever the reader accepts: no
// crash, and no read outside the file's bytes (the buffer is exactly as long as the file).
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "bmp_reader.hpp"
#include "img_bmptoyuv_alpha.h"
#include "video_mem.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pfcli::BmpBuffer bmp;
  std::string error;
  if (!pfcli::read_bmp(std::span<const uint8_t>(data, size), bmp, error)) return 0;
  // Keep the conversion small; the reader's checks do not depend on the picture's size.
  const size_t pixels = size_t(bmp.width) * size_t(bmp.height);
  if (pixels > (size_t{1} << 20)) return 0;
  static void* mem = VideoMemCreate();
  const uint32_t layouts[] = {PF_YUV_420, PF_YUV_NV12, PF_YUV_UYVY, PF_YUV_YUYV, PF_YUV_422P};
  const uint32_t layout = layouts[size % 5];
  tBmpToYuvAlphaParam param{layout, data[size / 2], data[size / 3], data[size / 4], uint8_t(size)};
  void* h = nullptr;
  if (ImgBMPToYUVAlphaOpen_c(&h, &param, mem) != 0) return 0;
  std::vector<uint8_t> yuv(2 * pixels), alpha(2 * pixels), inverse(2 * pixels);
  tBmpToYuvAlphaData io{bmp.bytes.data(), yuv.data(), inverse.data(), alpha.data()};
  tBmpToYuvAlphaInfo info{};
  ImgBMPToYUVAlphaProcess_c(h, &io, &info);
  ImgBMPToYUVAlphaClose_c(h);
  return 0;
}
