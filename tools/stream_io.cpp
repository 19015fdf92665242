// SPDX-License-Identifier: BSD-2-Clause
// Readers and writers for raw video, y4m streams and PNG pictures.
#include "stream_io.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "cli_error.hpp"
#include "png_io.hpp"
#include "y4m.hpp"

namespace pf::cli {
namespace {

std::string system_error(const std::string& what, const std::string& name) {
  return what + " " + name + ": " + std::strerror(errno);
}

std::string size_text(int w, int h) { return std::to_string(w) + "x" + std::to_string(h); }

// Reads exactly one picture or nothing; anything in between is a truncated input.
bool read_picture(InputFile& in, uint8_t* dst, size_t bytes, uint64_t index) {
  const size_t got = in.read(dst, bytes);
  if (got == 0) return false;
  if (got < bytes) {
    throw CliError(in.name() + ": truncated input: picture " + std::to_string(index + 1) + " has " +
                   std::to_string(got) + " of its " + std::to_string(bytes) + " bytes");
  }
  return true;
}

class RawReader final : public FrameReader {
 public:
  RawReader(std::unique_ptr<InputFile> in, const VideoFormat& f) : in_(std::move(in)) {
    format_ = f;
  }
  bool read(uint8_t* dst) override {
    if (!read_picture(*in_, dst, format_.frame_size(), index_)) return false;
    ++index_;
    return true;
  }
  Container container() const override { return Container::kRaw; }
  std::optional<uint64_t> frame_count() const override {
    const auto bytes = in_->size();
    if (!bytes) return std::nullopt;
    return *bytes / format_.frame_size();
  }
  std::string describe() const override {
    return in_->name() + " (raw " + format_.fmt->name + " " +
           size_text(format_.width, format_.height) + ", " + layout_name(format_.layout) + ")";
  }

 private:
  std::unique_ptr<InputFile> in_;
  uint64_t index_ = 0;
};

class Y4mReader final : public FrameReader {
 public:
  explicit Y4mReader(std::unique_ptr<InputFile> in) : in_(std::move(in)) {
    std::string line;
    if (!in_->read_line(line, kY4mMaxHeader)) throw CliError(in_->name() + ": empty input");
    try {
      format_ = parse_y4m_header(line);
    } catch (const CliError& e) {
      throw CliError(in_->name() + ": " + e.what());
    }
    header_bytes_ = line.size() + 1;
  }
  // Exact for streams whose frame headers carry no parameters, which is how ffmpeg writes them;
  // anything else leaves the count unknown rather than wrong.
  std::optional<uint64_t> frame_count() const override {
    const auto bytes = in_->size();
    const uint64_t per_frame = kY4mFrameMagic.size() + 1 + format_.frame_size();
    if (!bytes || *bytes < header_bytes_ || (*bytes - header_bytes_) % per_frame != 0) {
      return std::nullopt;
    }
    return (*bytes - header_bytes_) / per_frame;
  }
  Container container() const override { return Container::kY4m; }
  bool read(uint8_t* dst) override {
    std::string line;
    bool got_line = false;
    try {
      got_line = in_->read_line(line, kY4mMaxHeader);
      if (got_line) check_y4m_frame_header(line, index_);
    } catch (const CliError& e) {
      throw CliError(in_->name() + ": " + e.what());
    }
    if (!got_line) return false;
    if (!read_picture(*in_, dst, format_.frame_size(), index_)) {
      throw CliError(in_->name() + ": truncated input: picture " + std::to_string(index_ + 1) +
                     " has a FRAME header but no data");
    }
    ++index_;
    return true;
  }
  std::string describe() const override {
    return in_->name() + " (y4m " + format_.fmt->name + " " +
           size_text(format_.width, format_.height) + ", " + layout_name(format_.layout) + ")";
  }

 private:
  std::unique_ptr<InputFile> in_;
  uint64_t index_ = 0;
  uint64_t header_bytes_ = 0;
};

// One PNG picture, or a numbered sequence of them (in%03d.png).
class PngReader final : public FrameReader {
 public:
  PngReader(std::unique_ptr<InputFile> first, std::string pattern, uint64_t number)
      : pattern_(std::move(pattern)), number_(number) {
    first_ = decode_png(first->read_all(), first->name());
    format_.width = first_->width;
    format_.height = first_->height;
    format_.fmt = &rgb24();
  }
  Container container() const override { return Container::kPng; }
  bool read(uint8_t* dst) override {
    RgbImage image;
    if (first_) {
      image = std::move(*first_);
      first_.reset();
    } else {
      if (pattern_.empty()) return false;
      const std::string name = expand_pattern(pattern_, number_);
      struct stat st {};
      if (::stat(name.c_str(), &st) != 0) return false;  // the sequence ends at the first gap
      image = decode_png(InputFile::open(name)->read_all(), name);
      if (image.width != format_.width || image.height != format_.height) {
        throw CliError(name + ": " + size_text(image.width, image.height) +
                       " differs from the sequence's " + size_text(format_.width, format_.height));
      }
      ++number_;
    }
    std::memcpy(dst, image.rgb.data(), image.rgb.size());
    return true;
  }
  std::string describe() const override {
    return (pattern_.empty() ? std::string("PNG picture") : "PNG sequence " + pattern_) + " (" +
           size_text(format_.width, format_.height) + ")";
  }

 private:
  std::optional<RgbImage> first_;
  std::string pattern_;
  uint64_t number_;
};

class RawWriter final : public FrameWriter {
 public:
  RawWriter(std::unique_ptr<OutputFile> out, size_t frame_size)
      : out_(std::move(out)), frame_size_(frame_size) {}
  void write(const uint8_t* frame) override { out_->write(frame, frame_size_); }
  void finish() override { out_->close(); }
  std::string describe() const override { return out_->name(); }

 private:
  std::unique_ptr<OutputFile> out_;
  size_t frame_size_;
};

class Y4mWriter final : public FrameWriter {
 public:
  Y4mWriter(std::unique_ptr<OutputFile> out, const VideoFormat& f)
      : out_(std::move(out)), header_(format_y4m_header(f)), frame_size_(f.frame_size()) {}
  void write(const uint8_t* frame) override {
    // The header goes out with the first picture so that a run that fails before producing
    // anything leaves no half stream behind on a pipe.
    if (!header_.empty()) {
      out_->write(header_.data(), header_.size());
      header_.clear();
    }
    static constexpr char kFrame[] = "FRAME\n";
    out_->write(kFrame, sizeof(kFrame) - 1);
    out_->write(frame, frame_size_);
  }
  void finish() override {
    if (!header_.empty()) out_->write(header_.data(), header_.size());
    header_.clear();
    out_->close();
  }
  std::string describe() const override { return out_->name(); }

 private:
  std::unique_ptr<OutputFile> out_;
  std::string header_;
  size_t frame_size_;
};

class PngWriter final : public FrameWriter {
 public:
  PngWriter(std::string path, int width, int height)
      : path_(std::move(path)), width_(width), height_(height), numbered_(has_pattern(path_)) {}
  void write(const uint8_t* frame) override {
    ++count_;
    const std::string name = numbered_ ? expand_pattern(path_, count_) : path_;
    const std::vector<uint8_t> png = encode_png(frame, width_, height_);
    auto out = OutputFile::open(name);
    out->write(png.data(), png.size());
    out->close();
  }
  void finish() override {}
  // Without a number pattern there is room for one picture, as with an image file in ffmpeg.
  bool wants_more() const override { return numbered_ || count_ == 0; }
  std::string describe() const override { return path_; }

 private:
  std::string path_;
  int width_, height_;
  bool numbered_;
  uint64_t count_ = 0;
};

// Where the number goes in a pattern: [start, end) of the conversion, its width and zero flag.
struct PatternSpot {
  size_t start = std::string::npos;
  size_t end = 0;
  int width = 0;
  bool zero = false;
};

PatternSpot find_pattern(const std::string& p) {
  PatternSpot spot;
  for (size_t i = 0; i < p.size(); ++i) {
    if (p[i] != '%') continue;
    if (i + 1 < p.size() && p[i + 1] == '%') {
      ++i;
      continue;
    }
    size_t j = i + 1;
    PatternSpot here;
    here.start = i;
    if (j < p.size() && p[j] == '0') {
      here.zero = true;
      ++j;
    }
    while (j < p.size() && std::isdigit(static_cast<unsigned char>(p[j])) && here.width < 100) {
      here.width = here.width * 10 + (p[j] - '0');
      ++j;
    }
    if (j >= p.size() || p[j] != 'd' || spot.start != std::string::npos || here.width > 20) {
      throw UsageError("'" + p +
                       "': a name pattern may hold one %d, %Nd or %0Nd and nothing else " +
                       "with % (write %% for a literal %)");
    }
    here.end = j + 1;
    spot = here;
    i = j;
  }
  return spot;
}

}  // namespace

// ---- InputFile ----

std::unique_ptr<InputFile> InputFile::open(const std::string& path) {
  if (path == "-") return std::make_unique<InputFile>(stdin, "standard input", false);
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    throw CliError("cannot read " + path + ": it is a directory");
  }
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) throw CliError(system_error("cannot open", path));
  return std::make_unique<InputFile>(f, path, true);
}

InputFile::InputFile(std::FILE* file, std::string name, bool owned)
    : file_(file), name_(std::move(name)), owned_(owned) {}

InputFile::~InputFile() {
  if (owned_) std::fclose(file_);
}

std::string InputFile::peek(size_t n) {
  while (pushback_.size() < n) {
    char buf[256];
    const size_t want = std::min(sizeof(buf), n - pushback_.size());
    const size_t got = std::fread(buf, 1, want, file_);
    if (got == 0) break;
    pushback_.append(buf, got);
  }
  return pushback_.substr(0, n);
}

size_t InputFile::read(uint8_t* dst, size_t n) {
  size_t done = std::min(n, pushback_.size());
  std::memcpy(dst, pushback_.data(), done);
  pushback_.erase(0, done);
  while (done < n) {
    const size_t got = std::fread(dst + done, 1, n - done, file_);
    if (got == 0) {
      if (std::ferror(file_)) throw CliError(system_error("cannot read", name_));
      break;
    }
    done += got;
  }
  return done;
}

bool InputFile::read_line(std::string& line, size_t max_len) {
  line.clear();
  while (true) {
    uint8_t c = 0;
    if (read(&c, 1) == 0) {
      if (line.empty()) return false;
      throw CliError(name_ + ": truncated input: the input ends inside a header line");
    }
    if (c == '\n') return true;
    if (line.size() >= max_len) {
      throw CliError(name_ + ": corrupt input: header line longer than " + std::to_string(max_len) +
                     " bytes");
    }
    line.push_back(static_cast<char>(c));
  }
}

std::vector<uint8_t> InputFile::read_all() {
  std::vector<uint8_t> out;
  uint8_t buf[65536];
  while (true) {
    const size_t got = read(buf, sizeof(buf));
    out.insert(out.end(), buf, buf + got);
    if (got < sizeof(buf)) return out;
  }
}

std::optional<uint64_t> InputFile::size() const {
  struct stat st {};
  if (::fstat(fileno(file_), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return static_cast<uint64_t>(st.st_size);
}

// ---- OutputFile ----

std::unique_ptr<OutputFile> OutputFile::open(const std::string& path) {
  if (path == "-") return std::make_unique<OutputFile>(stdout, "standard output", false);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) throw CliError(system_error("cannot create", path));
  return std::make_unique<OutputFile>(f, path, true);
}

OutputFile::OutputFile(std::FILE* file, std::string name, bool owned)
    : file_(file), name_(std::move(name)), owned_(owned) {}

OutputFile::~OutputFile() {
  if (owned_ && file_ != nullptr) std::fclose(file_);
}

void OutputFile::write(const void* data, size_t n) {
  if (file_ == nullptr) throw CliError("internal: write to closed " + name_);
  if (n != 0 && std::fwrite(data, 1, n, file_) != n)
    throw CliError(system_error("cannot write", name_));
}

void OutputFile::close() {
  if (file_ == nullptr) return;
  const bool flushed = std::fflush(file_) == 0;
  const bool closed = !owned_ || std::fclose(file_) == 0;
  file_ = nullptr;
  if (!flushed || !closed) throw CliError(system_error("cannot write", name_));
}

// ---- Containers ----

bool ends_with(std::string_view s, std::string_view suffix) {
  if (s.size() < suffix.size()) return false;
  for (size_t i = 0; i < suffix.size(); ++i) {
    const char c = s[s.size() - suffix.size() + i];
    if (std::tolower(static_cast<unsigned char>(c)) !=
        std::tolower(static_cast<unsigned char>(suffix[i]))) {
      return false;
    }
  }
  return true;
}

Container parse_container(std::string_view name) {
  if (name == "y4m" || name == "yuv4mpegpipe" || name == "yuv4mpeg") return Container::kY4m;
  if (name == "yuv" || name == "raw" || name == "rawvideo" || name == "rgb") return Container::kRaw;
  if (name == "png" || name == "image2" || name == "image2pipe") return Container::kPng;
  throw UsageError("-f: '" + std::string(name) + "' is not one of y4m, yuv (rawvideo), png");
}

Container container_from_name(std::string_view path) {
  if (ends_with(path, ".y4m")) return Container::kY4m;
  if (ends_with(path, ".png")) return Container::kPng;
  return Container::kRaw;
}

namespace {

// Checks what the command line said against what the input says about itself, and applies the
// overrides that make sense (storage layout, frame rate).
void apply_options(FrameReader& reader, const InputOptions& opts, std::string_view name) {
  VideoFormat& f = reader.format();
  if (opts.size && (opts.size->width != f.width || opts.size->height != f.height)) {
    throw UsageError("-s " + size_text(opts.size->width, opts.size->height) + " contradicts " +
                     std::string(name) + ", which is " + size_text(f.width, f.height));
  }
  if (opts.fmt != nullptr && opts.fmt != f.fmt) {
    throw UsageError(std::string("-pix_fmt ") + opts.fmt->name + " contradicts " +
                     std::string(name) + ", which is " + f.fmt->name);
  }
  if (opts.layout) f.layout = *opts.layout;
  if (opts.fps) f.fps = *opts.fps;
}

bool is_png_name(const InputOptions& opts) {
  return opts.container == Container::kPng ||
         (opts.container == Container::kAuto && container_from_name(opts.path) == Container::kPng);
}

}  // namespace

std::unique_ptr<FrameReader> open_reader(const InputOptions& opts) {
  if (is_png_name(opts) && has_pattern(opts.path)) {
    // Numbered pictures start at 0 or 1 (or a little later), as image sequences do.
    for (uint64_t n = 0; n <= 4; ++n) {
      const std::string name = expand_pattern(opts.path, n);
      struct stat st {};
      if (::stat(name.c_str(), &st) != 0) continue;
      auto reader = std::make_unique<PngReader>(InputFile::open(name), opts.path, n + 1);
      apply_options(*reader, opts, opts.path);
      return reader;
    }
    throw CliError("no picture matches " + opts.path + " (numbered from 0 to 4)");
  }
  return open_reader(InputFile::open(opts.path), opts);
}

std::unique_ptr<FrameReader> open_reader(std::unique_ptr<InputFile> file,
                                         const InputOptions& opts) {
  Container c = opts.container;
  if (c == Container::kAuto) {
    const std::string head = file->peek(kY4mMagic.size());
    if (head == kY4mMagic) {
      c = Container::kY4m;
    } else if (head.size() >= sizeof(kPngSignature) &&
               std::memcmp(head.data(), kPngSignature, sizeof(kPngSignature)) == 0) {
      c = Container::kPng;
    } else {
      c = container_from_name(file->name());
    }
  }
  const std::string name = file->name();
  std::unique_ptr<FrameReader> reader;
  switch (c) {
    case Container::kY4m:
      reader = std::make_unique<Y4mReader>(std::move(file));
      break;
    case Container::kPng:
      reader = std::make_unique<PngReader>(std::move(file), std::string(), 0);
      break;
    default: {
      if (!opts.size) {
        throw UsageError(name + " is raw video: give its size with -s WxH before the input " +
                         "(and -pix_fmt unless it is yuv420p)");
      }
      VideoFormat f;
      f.width = opts.size->width;
      f.height = opts.size->height;
      f.fmt = opts.fmt != nullptr ? opts.fmt : &yuv420p();
      reader = std::make_unique<RawReader>(std::move(file), f);
      InputOptions rest = opts;
      rest.size.reset();
      rest.fmt = nullptr;
      apply_options(*reader, rest, name);
      return reader;
    }
  }
  apply_options(*reader, opts, name);
  return reader;
}

std::unique_ptr<FrameWriter> open_writer(const std::string& path, Container container,
                                         const VideoFormat& format) {
  if (container == Container::kAuto) container = container_from_name(path);
  switch (container) {
    case Container::kY4m:
      return std::make_unique<Y4mWriter>(OutputFile::open(path), format);
    case Container::kPng:
      return std::make_unique<PngWriter>(path, format.width, format.height);
    default:
      return std::make_unique<RawWriter>(OutputFile::open(path), format.frame_size());
  }
}

bool has_pattern(const std::string& pattern) {
  return find_pattern(pattern).start != std::string::npos;
}

std::string expand_pattern(const std::string& pattern, uint64_t n) {
  const PatternSpot spot = find_pattern(pattern);
  std::string out;
  const size_t limit = spot.start == std::string::npos ? pattern.size() : spot.start;
  auto copy_literal = [&](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
      out.push_back(pattern[i]);
      if (pattern[i] == '%' && i + 1 < to && pattern[i + 1] == '%') ++i;
    }
  };
  copy_literal(0, limit);
  if (spot.start == std::string::npos) return out;
  std::string digits = std::to_string(n);
  if (static_cast<int>(digits.size()) < spot.width) {
    digits.insert(0, static_cast<size_t>(spot.width) - digits.size(), spot.zero ? '0' : ' ');
  }
  out += digits;
  copy_literal(spot.end, pattern.size());
  return out;
}

}  // namespace pf::cli
