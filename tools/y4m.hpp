// SPDX-License-Identifier: BSD-2-Clause
// YUV4MPEG2 stream and frame headers: parsing what ffmpeg and other tools write, and writing
// headers they accept.
#ifndef PELFORGE_TOOLS_Y4M_HPP_
#define PELFORGE_TOOLS_Y4M_HPP_

#include <string>
#include <string_view>

#include "formats.hpp"

namespace pf::cli {

inline constexpr std::string_view kY4mMagic = "YUV4MPEG2";
inline constexpr std::string_view kY4mFrameMagic = "FRAME";
// Longest header line we read; real headers are well under 200 bytes.
inline constexpr size_t kY4mMaxHeader = 4096;

// Parses a stream header line (without its newline) into a format: W and H are required; F, A, I,
// C and X parameters are optional (25 fps, unknown aspect, progressive, 4:2:0). Ip maps to frame
// storage, It and Ib to interlaced frames, Im and I? to frames. Throws CliError with the reason.
VideoFormat parse_y4m_header(std::string_view line);

// Checks a frame header line (without its newline): "FRAME" and optional parameters.
void check_y4m_frame_header(std::string_view line, uint64_t frame_index);

// The header line (with its newline) for a stream of this format. Only yuv420p and yuv422p fit;
// anything else throws UsageError. Field-picture storage, which the container has no word for,
// is written as progressive with the private parameter XPFLAYOUT=field so that pelforge reads it
// back as such.
std::string format_y4m_header(const VideoFormat& format);

// True when the format can be carried in a y4m stream.
bool y4m_can_carry(const PixFmt& fmt);

}  // namespace pf::cli

#endif  // PELFORGE_TOOLS_Y4M_HPP_
