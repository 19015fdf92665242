// SPDX-License-Identifier: BSD-2-Clause
// The filter verbs on small clips: each command line's exit status and what it writes, the
// measured effect of denoise (noise falls, the first picture passes) and of sharpen and blur
// (strength 0 and limit 0 change nothing), and the command lines they refuse.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "cli_test_util.hpp"
#include "demo.hpp"

namespace pf::cli {
namespace {

using pfct::run;
using pfct::TempDir;

constexpr int kW = 64, kH = 48;
constexpr size_t kPicture = kW * kH * 3 / 2;

double psnr_of(const std::string& a, const std::string& b, size_t offset, size_t n) {
  double sum = 0;
  for (size_t i = 0; i < n; ++i) {
    const double d = static_cast<uint8_t>(a[offset + i]) - static_cast<uint8_t>(b[offset + i]);
    sum += d * d;
  }
  return 10 * std::log10(255.0 * 255.0 / std::max(sum / static_cast<double>(n), 1e-9));
}

// A still 64x48 textured scene, twelve pictures of it with seeded noise, and the clean ones.
void write_clip(const TempDir& dir) {
  const Frames clean = make_test_pattern(kW, kH, 1, false);
  std::string raw, noisy;
  for (int i = 0; i < 12; ++i) {
    std::vector<uint8_t> picture = clean[0];
    raw.append(picture.begin(), picture.end());
    add_noise(picture, 10, 77 + static_cast<uint64_t>(i));
    noisy.append(picture.begin(), picture.end());
  }
  pfct::write_file(dir / "clean.yuv", raw);
  pfct::write_file(dir / "noisy.yuv", noisy);
  pfct::write_file(dir / "uyvy.yuv", std::string(720 * 576 * 2 * 2, '\x80'));
}

TEST(FilterVerbs, CommandLines) {
  TempDir dir;
  write_clip(dir);
  struct Row {
    const char* line;
    int status;
    size_t bytes;  // of the output; 0: not checked
  };
  const Row rows[] = {
      {"denoise -s 64x48 @noisy.yuv -o @d.yuv -q", 0, 12 * kPicture},
      {"denoise -s 64x48 @noisy.yuv --strength 30 -o @x.yuv", 2, 0},
      {"denoise -s 63x48 @noisy.yuv -o @x.yuv", 2, 0},
      {"sharpen -s 64x48 @noisy.yuv --strength 0 -o @s0.yuv -q", 0, 12 * kPicture},
      {"sharpen -s 64x48 @noisy.yuv --strength 200 -o @s.yuv -q", 0, 12 * kPicture},
      {"blur -s 64x48 @noisy.yuv --limit 0 -o @b0.yuv -q", 0, 12 * kPicture},
      {"blur -s 64x48 @noisy.yuv --level 4 -o @b.yuv -q", 0, 12 * kPicture},
      {"blur -s 64x48 @noisy.yuv --level 5 -o @x.yuv", 2, 0},
      {"cross -s 64x48 @noisy.yuv -o @c.yuv -q", 0, 12 * kPicture},
      {"vfilter -s 64x48 @noisy.yuv -o @v.yuv -q", 0, 12 * kPicture},
      {"vfilter -s 64x48 @noisy.yuv --field --luma -o @vf.yuv -q", 0, 12 * kPicture},
      {"uyvy2yuv -s 720x576 -pix_fmt uyvy422 @uyvy.yuv --out-size 176x144 --denoise -o @q.yuv -q",
       0, 2 * 176 * 144 * 3 / 2},
      {"uyvy2yuv -s 720x576 -pix_fmt uyvy422 @uyvy.yuv --out-size 352x576 -o @f.yuv -q", 0,
       2 * 352 * 576 * 3 / 2},
      {"uyvy2yuv -s 720x576 -pix_fmt uyvy422 @uyvy.yuv --out-size 360x288 -o @x.yuv", 2, 0},
      {"uyvy2yuv -s 64x48 @noisy.yuv -o @x.yuv", 2, 0},
  };
  for (const Row& r : rows) {
    const pfct::Outcome o = run(pfct::words(r.line, &dir));
    EXPECT_EQ(o.status, r.status) << r.line << "\n" << o.err;
    if (r.bytes != 0) {
      std::string name = r.line;
      name = name.substr(name.find("-o @") + 4);
      name = name.substr(0, name.find(' '));
      EXPECT_EQ(pfct::read_file(dir / name).size(), r.bytes) << r.line;
    }
  }
  const std::string clean = pfct::read_file(dir / "clean.yuv");
  const std::string noisy = pfct::read_file(dir / "noisy.yuv");
  const std::string denoised = pfct::read_file(dir / "d.yuv");
  // Luma of the last picture: the filter has had eleven pictures to settle.
  const size_t last = 11 * kPicture, luma = kW * kH;
  EXPECT_GT(psnr_of(denoised, clean, last, luma), psnr_of(noisy, clean, last, luma) + 2.0);
  EXPECT_EQ(pfct::read_file(dir / "s0.yuv"), noisy) << "strength 0 changes nothing";
  EXPECT_EQ(pfct::read_file(dir / "b0.yuv"), noisy) << "limit 0 changes nothing";
  EXPECT_NE(pfct::read_file(dir / "s.yuv"), noisy);
  // Grey stays grey through the UYVY module (after the first picture's average with zero).
  const std::string q = pfct::read_file(dir / "q.yuv");
  EXPECT_EQ(q.substr(q.size() / 2), std::string(q.size() / 2, '\x80'));
}

}  // namespace
}  // namespace pf::cli
