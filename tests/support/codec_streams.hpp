// SPDX-License-Identifier: BSD-2-Clause
// Coded streams for the codec tests: made by ffmpeg in a scratch directory, split into access
// units by libavformat, and ffmpeg's own decode of them as the reference pictures.
#ifndef PELFORGE_TESTS_SUPPORT_CODEC_STREAMS_HPP_
#define PELFORGE_TESTS_SUPPORT_CODEC_STREAMS_HPP_

#include <cstdint>
#include <string>
#include <vector>

namespace pft {

using Frame = std::vector<uint8_t>;  // one planar 4:2:0 picture, pitch = width

struct CodedStream {
  uint32_t codec = 0;  // VIDEOUNIT_CODEC_
  int width = 0, height = 0;
  std::vector<uint8_t> extra;               // out-of-band configuration, if the container has it
  std::vector<std::vector<uint8_t>> units;  // access units in stream order
  std::vector<Frame> reference;             // ffmpeg's decode, in output order
};

// A scratch directory removed at exit.
const std::string& scratch_dir();

// Runs an ffmpeg command line (arguments after "ffmpeg"); false when it fails.
bool ffmpeg(const std::string& args);

// Encodes `frames` pictures of a moving test source of w x h with the ffmpeg encoder options
// `codec_args` (e.g. "-c:v libx264 -bf 2") into `name` in the scratch directory, then reads it
// back as access units together with ffmpeg's decode. An empty stream (codec 0) on failure.
CodedStream make_stream(const std::string& name, int w, int h, int frames,
                        const std::string& codec_args);

// The access units (and configuration) of the video stream of any file libavformat opens.
CodedStream read_stream(const std::string& path);

// PSNR of two 4:2:0 pictures of the same size, over all three planes.
double psnr(const Frame& a, const Frame& b);

}  // namespace pft

#endif  // PELFORGE_TESTS_SUPPORT_CODEC_STREAMS_HPP_
