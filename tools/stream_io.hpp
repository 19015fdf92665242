// SPDX-License-Identifier: BSD-2-Clause
// Files and pipes of pictures: raw video, y4m streams and PNG pictures, read and written one
// picture at a time. "-" is standard input or output.
#ifndef PELFORGE_TOOLS_STREAM_IO_HPP_
#define PELFORGE_TOOLS_STREAM_IO_HPP_

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats.hpp"

namespace pf::cli {

// A byte source that can look ahead, so the format of a pipe can be sniffed before it is read.
class InputFile {
 public:
  // "-" is standard input. Throws CliError when the file cannot be opened.
  static std::unique_ptr<InputFile> open(const std::string& path);
  // Takes over an open stream (tests pass fmemopen streams); closes it when `owned`.
  InputFile(std::FILE* file, std::string name, bool owned);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  const std::string& name() const { return name_; }
  // Up to n bytes without consuming them.
  std::string peek(size_t n);
  // Reads up to n bytes; fewer only at the end of the input. Throws on a read error.
  size_t read(uint8_t* dst, size_t n);
  // One line without its newline. False at the end of the input before any byte; throws when
  // the line is longer than max_len or the input ends inside it.
  bool read_line(std::string& line, size_t max_len);
  std::vector<uint8_t> read_all();
  // Size in bytes when the input is a regular file.
  std::optional<uint64_t> size() const;

 private:
  std::FILE* file_;
  std::string name_;
  bool owned_;
  std::string pushback_;
};

// A byte sink; "-" is standard output.
class OutputFile {
 public:
  static std::unique_ptr<OutputFile> open(const std::string& path);
  OutputFile(std::FILE* file, std::string name, bool owned);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  const std::string& name() const { return name_; }
  void write(const void* data, size_t n);
  // Flushes and closes, reporting a full disk or a closed pipe as CliError.
  void close();

 private:
  std::FILE* file_;
  std::string name_;
  bool owned_;
};

enum class Container { kAuto, kRaw, kY4m, kPng };
// "y4m"/"yuv4mpegpipe", "yuv"/"raw"/"rawvideo", "png"/"image2"/"apng". Throws UsageError.
Container parse_container(std::string_view name);
// Case-insensitive suffix test of a file name: ends_with("A.PNG", ".png").
bool ends_with(std::string_view name, std::string_view suffix);
// Guess from a file name: .y4m, .png, everything else raw.
Container container_from_name(std::string_view path);

class FrameReader {
 public:
  virtual ~FrameReader() = default;
  const VideoFormat& format() const { return format_; }
  VideoFormat& format() { return format_; }
  // Fills dst (format().frame_size() bytes) with the next picture; false at the clean end of the
  // input. A picture cut short throws CliError.
  virtual bool read(uint8_t* dst) = 0;
  // How many pictures the input holds, when that can be known before reading them.
  virtual std::optional<uint64_t> frame_count() const { return std::nullopt; }
  virtual std::string describe() const = 0;
  virtual Container container() const = 0;

 protected:
  VideoFormat format_;
};

class FrameWriter {
 public:
  virtual ~FrameWriter() = default;
  virtual void write(const uint8_t* frame) = 0;
  virtual void finish() = 0;
  // False when the writer takes no more pictures (a single PNG file).
  virtual bool wants_more() const { return true; }
  virtual std::string describe() const = 0;
};

// What the command line says about one stream, input or output: everything but the path is
// optional.
struct StreamOptions {
  std::string path;
  Container container = Container::kAuto;
  std::optional<Size> size;
  const PixFmt* fmt = nullptr;
  std::optional<uint32_t> layout;
  std::optional<Rational> fps;
};
using InputOptions = StreamOptions;

// Opens the input, deciding its container from -f, then from its first bytes ("YUV4MPEG2", the
// PNG signature), then from its name. Raw input needs its size; its format defaults to yuv420p.
std::unique_ptr<FrameReader> open_reader(const InputOptions& opts);
std::unique_ptr<FrameReader> open_reader(std::unique_ptr<InputFile> file, const InputOptions& opts);

// Opens the output for pictures of `format`. PNG outputs take rgb24 pictures: one file, or one
// file per picture when the name holds a number pattern such as out%03d.png (numbered from 1).
std::unique_ptr<FrameWriter> open_writer(const std::string& path, Container container,
                                         const VideoFormat& format);

// "out%03d.png" with n = 7 gives "out007.png"; a name without a pattern is returned unchanged.
// Throws UsageError for a pattern other than one %d, %Nd or %0Nd (a literal % is written %%).
std::string expand_pattern(const std::string& pattern, uint64_t n);
bool has_pattern(const std::string& pattern);

}  // namespace pf::cli

#endif  // PELFORGE_TOOLS_STREAM_IO_HPP_
