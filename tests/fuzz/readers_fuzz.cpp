// SPDX-License-Identifier: BSD-2-Clause
// The command line's readers on untrusted bytes: a YUV4MPEG2 stream read picture by picture
// through the same reader `pelforge` uses, the PNG decoder, and the parsers of sizes, rates,
// integer lists and layouts. A malformed input must end in the reader's own error (CliError and
// its UsageError), never in a crash, a read outside the input or a picture larger than allowed.
//
// The first byte picks the reader; the rest is its input.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli_error.hpp"
#include "formats.hpp"
#include "png_io.hpp"
#include "stream_io.hpp"
#include "y4m.hpp"

namespace {

namespace cli = pf::cli;

// At most this many pictures, each at most this large, per input: enough to reach every branch
// of the frame loop without paging in what a lying header asks for.
constexpr int kMaxFrames = 4;
constexpr size_t kMaxFrameBytes = size_t{16} << 20;

void read_stream(const uint8_t* data, size_t size, bool with_size) {
  std::FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (file == nullptr) return;
  auto input = std::make_unique<cli::InputFile>(file, "fuzz", true);
  cli::InputOptions options;
  options.path = "fuzz";
  // Raw input needs its size from the command line; give one now and then.
  if (with_size) options.size = cli::Size{16, 8};
  std::unique_ptr<cli::FrameReader> reader = cli::open_reader(std::move(input), options);
  const size_t bytes = reader->format().frame_size();
  if (bytes == 0 || bytes > kMaxFrameBytes) return;
  std::vector<uint8_t> frame(bytes);
  for (int i = 0; i < kMaxFrames && reader->read(frame.data()); ++i) {
  }
}

void parse_texts(std::string_view text) {
  const auto guarded = [](auto call) {
    try {
      call();
    } catch (const cli::CliError&) {
    }
  };
  guarded([&] { cli::parse_size(text, "size"); });
  guarded([&] { cli::parse_rate(text, "rate"); });
  guarded([&] { cli::parse_int_list(text, 4, "list"); });
  guarded([&] { cli::parse_integer(text, "integer"); });
  guarded([&] { cli::parse_layout(text, "layout"); });
  guarded([&] { cli::parse_y4m_header(text); });
  guarded([&] { cli::check_y4m_frame_header(text, 0); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t which = data[0] % 4;
  ++data, --size;
  try {
    switch (which) {
      case 0:  // a stream: y4m, PNG or raw, as the first bytes say
      case 1:
        read_stream(data, size, which == 1);
        break;
      case 2:
        if (cli::png_available()) {
          const cli::RgbImage image = cli::decode_png(std::vector<uint8_t>(data, data + size), "f");
          if (image.rgb.size() != size_t(image.width) * size_t(image.height) * 3) std::abort();
        }
        break;
      default:
        parse_texts(std::string_view(reinterpret_cast<const char*>(data), size));
        break;
    }
  } catch (const cli::CliError&) {
  }
  return 0;
}
