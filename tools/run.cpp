// SPDX-License-Identifier: BSD-2-Clause
// Frame loop and previews.
#include "run.hpp"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "cli_error.hpp"
#include "modules.hpp"
#include "png_io.hpp"

namespace pf::cli {
namespace {

// Candidates kept for the middle picture when the length of the stream is unknown: every
// stride-th picture, the stride doubling whenever the list is full, so the kept one is never
// further than an eighth of the stream from the true middle.
constexpr size_t kMiddleCandidates = 16;

std::string numbered(const std::string& dir, const std::string& kind, uint64_t index) {
  char name[64];
  std::snprintf(name, sizeof(name), "%s_%06llu.png", kind.c_str(),
                static_cast<unsigned long long>(index) + 1);
  return (std::filesystem::path(dir) / name).string();
}

}  // namespace

Previewer::Previewer(const PreviewOptions& options, const VideoFormat& format, void* mem,
                     std::optional<uint64_t> total, const Note& note)
    : options_(options), format_(format), total_(total) {
  std::error_code ec;
  std::filesystem::create_directories(options_.dir, ec);
  if (ec) throw CliError("cannot create preview directory " + options_.dir + ": " + ec.message());
  VideoFormat shown = format;
  shown.fmt = &rgb24();
  shown.layout = PF_IMAGE_FRAME;
  const Note quiet = [](const std::string&) {};
  try {
    to_rgb_ = std::make_unique<Pipeline>(Request{format, shown, Geometry{}}, mem, quiet);
  } catch (const ModuleError&) {
    // Not every storage converts back to a display-order frame; show the lines as stored.
    VideoFormat as_frame = format;
    as_frame.layout = PF_IMAGE_FRAME;
    try {
      to_rgb_ = std::make_unique<Pipeline>(Request{as_frame, shown, Geometry{}}, mem, quiet);
      note(std::string("previews show the ") + layout_name(format.layout) +
           " storage as it is, not re-interlaced");
    } catch (const ModuleError& e) {
      note(std::string("no previews: ") + e.what());
    }
  }
  scratch_.resize(format.frame_size());
}

Previewer::~Previewer() = default;

void Previewer::write(const std::string& kind, uint64_t index, const uint8_t* frame) {
  if (!to_rgb_) return;
  std::memcpy(scratch_.data(), frame, scratch_.size());
  const uint8_t* rgb = to_rgb_->run(scratch_.data());
  const std::vector<uint8_t> png = encode_png(rgb, format_.width, format_.height);
  const std::string path = numbered(options_.dir, kind, index);
  auto out = OutputFile::open(path);
  out->write(png.data(), png.size());
  out->close();
  written_.push_back(path);
}

void Previewer::offer(uint64_t index, const uint8_t* frame) {
  if (!to_rgb_) return;
  const size_t bytes = format_.frame_size();
  if (options_.every > 0) {
    if (index % options_.every == 0) write("frame", index, frame);
    return;
  }
  if (index == 0) write("first", index, frame);
  if (total_) {
    if (*total_ >= 3 && index == (*total_ - 1) / 2) {
      middles_.assign(1, Snapshot{index, std::vector<uint8_t>(frame, frame + bytes)});
    }
  } else if (index % stride_ == 0) {
    middles_.push_back(Snapshot{index, std::vector<uint8_t>(frame, frame + bytes)});
    if (middles_.size() > kMiddleCandidates) {
      std::erase_if(middles_, [&](const Snapshot& s) { return s.index % (2 * stride_) != 0; });
      stride_ *= 2;
    }
  }
  if (!last_) last_ = Snapshot{index, std::vector<uint8_t>(bytes)};
  last_->index = index;
  std::memcpy(last_->data.data(), frame, bytes);
}

std::vector<std::string> Previewer::finish(uint64_t frames) {
  if (to_rgb_ && options_.every == 0 && frames >= 2) {
    const uint64_t middle = (frames - 1) / 2;
    const Snapshot* best = nullptr;
    for (const Snapshot& s : middles_) {
      const uint64_t d = s.index > middle ? s.index - middle : middle - s.index;
      if (s.index == 0 || s.index + 1 >= frames) continue;  // already shown as first or last
      if (best == nullptr ||
          d < (best->index > middle ? best->index - middle : middle - best->index)) {
        best = &s;
      }
    }
    if (best != nullptr) write("middle", best->index, best->data.data());
    if (last_) write("last", last_->index, last_->data.data());
  }
  return written_;
}

RunResult run_frames(FrameReader& reader, Pipeline& pipeline, FrameWriter& writer,
                     const RunSettings& settings, void* mem, const Note& note) {
  RunResult result;
  std::optional<uint64_t> total = reader.frame_count();
  if (settings.max_frames > 0 && (!total || *total > settings.max_frames))
    total = settings.max_frames;
  Progress progress(*settings.progress_stream, settings.progress, total, settings.clock);
  std::unique_ptr<Previewer> previewer;
  if (!settings.preview.dir.empty()) {
    previewer = std::make_unique<Previewer>(settings.preview, pipeline.out(), mem, total, note);
  }
  std::vector<uint8_t> frame(reader.format().frame_size());
  try {
    while ((settings.max_frames == 0 || result.frames < settings.max_frames) &&
           writer.wants_more() && reader.read(frame.data())) {
      const uint8_t* out = pipeline.run(frame.data());
      writer.write(out);
      if (previewer) previewer->offer(result.frames, out);
      ++result.frames;
      progress.update(result.frames);
    }
  } catch (...) {
    progress.finish(result.frames);
    // Keep what was written: a long run that fails late still leaves its good pictures.
    try {
      writer.finish();
    } catch (const CliError&) {
    }
    throw;
  }
  progress.finish(result.frames);
  writer.finish();
  result.seconds = progress.elapsed();
  if (!writer.wants_more() && settings.max_frames != result.frames) {
    bool more = false;
    try {
      more = reader.read(frame.data());
    } catch (const CliError&) {
    }
    if (more) {
      note(writer.describe() + " holds one picture; the rest were not written (a name like " +
           "out%03d.png keeps them all)");
    }
  }
  if (previewer) result.previews = previewer->finish(result.frames);
  return result;
}

}  // namespace pf::cli
