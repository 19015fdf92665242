// SPDX-License-Identifier: BSD-2-Clause
// The codec verbs: multidec (many coded streams through the new multi-decoder, a monitor wall or
// one output per channel) and multienc (many raw streams through the multi-encoder, one
// elementary stream per channel), and the codec demo job.
#include "verbs/codec.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli_error.hpp"
#include "demo.hpp"
#include "formats.hpp"
#include "img_merge_zoom.h"
#include "img_multidec_new.h"
#include "img_multienc.h"
#include "img_resizer.h"
#include "img_yuv420torgb.h"
#include "modules.hpp"
#include "pipeline.hpp"
#include "png_io.hpp"
#include "progress.hpp"
#include "stream_io.hpp"
#include "verbs.hpp"
#include "verbs/mergezoom.hpp"
#include "video_unit.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

namespace pf::cli {
namespace {

constexpr uint32_t kMultiDecNewId = 22;
constexpr uint32_t kMultiEncId = 25;
constexpr uint32_t kMergeZoomId = 21;

// ---- Coded input: the video stream of whatever libavformat opens, one access unit at a time ----

class UnitReader {
 public:
  explicit UnitReader(const std::string& path) : path_(path) {
    if (avformat_open_input(&fmt_, path.c_str(), nullptr, nullptr) < 0) {
      throw CliError("cannot open " + path + " as a coded video stream");
    }
    if (avformat_find_stream_info(fmt_, nullptr) < 0) fail("no stream information");
    index_ = av_find_best_stream(fmt_, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index_ < 0) fail("no video stream");
    const AVStream* stream = fmt_->streams[index_];
    const AVCodecParameters* par = stream->codecpar;
    switch (par->codec_id) {
      case AV_CODEC_ID_H264:
        codec_ = VIDEOUNIT_CODEC_H264;
        break;
      case AV_CODEC_ID_HEVC:
        codec_ = VIDEOUNIT_CODEC_HEVC;
        break;
      case AV_CODEC_ID_MPEG2VIDEO:
      case AV_CODEC_ID_MPEG1VIDEO:
        codec_ = VIDEOUNIT_CODEC_MPEG2;
        break;
      case AV_CODEC_ID_MJPEG:
        codec_ = VIDEOUNIT_CODEC_MJPEG;
        break;
      default:
        fail(std::string("its video is ") + avcodec_get_name(par->codec_id) +
             "; the codec unit library decodes H.264, HEVC, MPEG-2 and MJPEG");
    }
    width_ = par->width;
    height_ = par->height;
    if (width_ <= 0 || height_ <= 0) fail("the picture size is unknown");
    if (par->extradata_size > int(VIDEOUNIT_MAX_EXTRADATA)) fail("its configuration is too long");
    extra_.assign(par->extradata, par->extradata + par->extradata_size);
    const AVRational rate = av_guess_frame_rate(fmt_, const_cast<AVStream*>(stream), nullptr);
    if (rate.num > 0 && rate.den > 0) fps_ = {rate.num, rate.den};
    packet_ = av_packet_alloc();
  }
  ~UnitReader() {
    av_packet_free(&packet_);
    avformat_close_input(&fmt_);
  }
  UnitReader(const UnitReader&) = delete;
  UnitReader& operator=(const UnitReader&) = delete;

  // The next access unit of the video stream; false at the end.
  bool next(std::vector<uint8_t>& unit) {
    while (av_read_frame(fmt_, packet_) >= 0) {
      const bool ours = packet_->stream_index == index_;
      if (ours) unit.assign(packet_->data, packet_->data + packet_->size);
      av_packet_unref(packet_);
      if (ours) return true;
    }
    return false;
  }

  tVideoUnitDecParam block(int max_w, int max_h) const {
    tVideoUnitDecParam b{};
    b.u32Codec = codec_;
    b.u32Width = uint32_t(max_w);
    b.u32Height = uint32_t(max_h);
    b.u32ExtraLen = uint32_t(extra_.size());
    std::copy(extra_.begin(), extra_.end(), b.au8Extra);
    return b;
  }
  int width() const { return width_; }
  int height() const { return height_; }
  Rational fps() const { return fps_; }
  const std::string& path() const { return path_; }

 private:
  [[noreturn]] void fail(const std::string& why) {
    avformat_close_input(&fmt_);
    throw CliError(path_ + ": " + why);
  }

  std::string path_;
  AVFormatContext* fmt_ = nullptr;
  AVPacket* packet_ = nullptr;
  int index_ = -1;
  uint32_t codec_ = 0;
  int width_ = 0, height_ = 0;
  Rational fps_{25, 1};
  std::vector<uint8_t> extra_;
};

int even_up(int v) { return (v + 1) & ~1; }

// An open instance whose Process statuses the caller looks at itself: the codec modules report a
// failed channel in their status, and the run goes on with the other channels.
class Opened {
 public:
  Opened(uint32_t id, const void* param, void* mem) : table_(module_table(id)) {
    if (const uint32_t status = table_.Open(&handle_, param, mem)) {
      throw ModuleError(module_name(id) + " refused to open: " + status_text(table_, status),
                        status);
    }
  }
  ~Opened() { table_.Close(handle_); }
  Opened(const Opened&) = delete;
  Opened& operator=(const Opened&) = delete;
  uint32_t process(void* in, void* out) { return table_.Process(handle_, in, out); }
  const tImgProcFuncList& table() const { return table_; }

 private:
  const tImgProcFuncList& table_;
  void* handle_ = nullptr;
};

}  // namespace

// ---- The monitor wall ----

WallLayout wall_layout(int channels, std::optional<Size> grid, std::optional<Size> size,
                       const std::vector<Size>& pictures) {
  WallLayout w;
  if (grid) {
    w.cols = grid->width, w.rows = grid->height;
  } else {
    w.cols = int(std::ceil(std::sqrt(double(channels))));
    w.rows = (channels + w.cols - 1) / w.cols;
  }
  if (w.cols * w.rows < channels) {
    throw UsageError("a " + std::to_string(w.cols) + "x" + std::to_string(w.rows) +
                     " grid has no room for " + std::to_string(channels) + " channels");
  }
  if (size) {
    w.width = size->width, w.height = size->height;
  } else {
    // Cells as large as the largest picture, the wall at most 1920x1080.
    int cw = 2, ch = 2;
    for (const Size& p : pictures) cw = std::max(cw, p.width), ch = std::max(ch, p.height);
    const double shrink = std::min({1.0, 1920.0 / (cw * w.cols), 1080.0 / (ch * w.rows)});
    w.width = int(cw * w.cols * shrink) & ~1;
    w.height = int(ch * w.rows * shrink) & ~1;
  }
  w.cell_w = (w.width / w.cols) & ~1;
  w.cell_h = (w.height / w.rows) & ~1;
  if (w.cell_w < 2 || w.cell_h < 2) throw UsageError("the wall is too small for its grid");
  return w;
}

// Grids of up to 5x5 cells go through one merge-with-zoom instance, a window per channel in the
// fit style. The module's tilings are 1x1, 2x2, 3x2, 3x3, 4x4 and 5x5; any other grid of up to
// five columns and rows is the top-left part of the smallest square tiling that holds it, drawn
// on a picture of that tiling's size and copied out. Its windows fall on the cells exactly: each
// is a whole fraction of a picture that is a whole number of even cells. Larger grids, and walls
// whose tiling would be smaller than the module's 64x64, keep a resizer per cell.
struct WallComposer::Merged {
  const tImgProcFuncList& table = module_table(kMergeZoomId);
  void* handle = nullptr;
  int style = -1;
  int cols = 0, rows = 0;   // of the tiling
  std::vector<int> window;  // cell (row by row in the tiling) -> window slot
  std::vector<tImageMergeZoomWindow> records;
  std::vector<uint8_t> canvas;  // the tiling's picture, when it is not the wall itself
  ~Merged() {
    if (handle != nullptr) table.Close(handle);
  }
};

WallComposer::WallComposer(const WallLayout& layout, void* mem)
    : layout_(layout),
      mem_(mem),
      cells_(size_t(layout.cols) * layout.rows),
      frame_(size_t(layout.width) * layout.height * 3 / 2) {
  fill_black(yuv420p(), layout.width, layout.height, frame_.data());
  int style = find_grid_style(layout.cols, layout.rows);
  if (style < 0 && std::max(layout.cols, layout.rows) <= 5) {
    const int k = std::max(layout.cols, layout.rows);
    style = find_grid_style(k, k);
  }
  if (style < 0) return;
  auto m = std::make_unique<Merged>();
  m->style = style;
  const int n = merge_style_windows(style);
  const int d = atMergePointstyle[style][0].u16X & 0xFF;
  m->cols = d / (atMergePointstyle[style][0].u16Width >> 8);
  m->rows = d / (atMergePointstyle[style][0].u16Height >> 8);
  const int width = m->cols * layout.cell_w, height = m->rows * layout.cell_h;
  if (width < 64 || height < 64) return;
  m->window = reading_order(style);
  m->records.resize(size_t(n));
  for (int i = 0; i < n; ++i) {
    m->records[size_t(i)].u32State = PF_MERGE_ZOOM_STATE_EMPTY;
    m->records[size_t(i)].u32WindowNum = uint32_t(i + 1);
  }
  if (width != layout.width || height != layout.height) {
    m->canvas.resize(size_t(width) * height * 3 / 2);
    fill_black(yuv420p(), width, height, m->canvas.data());
  }
  merged_ = std::move(m);
}

WallComposer::~WallComposer() = default;

// The one place that turns channel pictures into the wall.
void WallComposer::compose(const std::vector<const tVideoUnitPicture*>& pictures) {
  if (!merged_) {
    compose_cells(pictures);
    return;
  }
  Merged& m = *merged_;
  const int n = merge_style_windows(m.style);
  std::vector<tImageMergeZoomWindow> records = m.records;
  std::vector<tImgPicture> inputs(size_t(n), tImgPicture{});
  for (auto& r : records) r.u32State = PF_MERGE_ZOOM_STATE_EMPTY;
  for (size_t i = 0; i < pictures.size() && i < cells_.size(); ++i) {
    const tVideoUnitPicture* pic = pictures[i];
    const int sw = pic == nullptr ? 0 : int(pic->u32Width) & ~1;
    const int sh = pic == nullptr ? 0 : int(pic->u32Height) & ~1;
    if (sw == 0 || sh == 0) continue;
    const int col = int(i) % layout_.cols, row = int(i) / layout_.cols;
    const size_t slot = size_t(m.window[size_t(row) * size_t(m.cols) + size_t(col)]);
    VideoFormat f;
    f.width = sw, f.height = sh, f.fmt = &yuv420p();
    records[slot] = merge_window(int(slot) + 1, f, PF_MERGE_ZOOM_FIT);
    inputs[slot] = {pic->pu8Y, pic->pu8U, pic->pu8V, pic->u32Pitch, pic->u32UVPitch, 0, 0};
  }
  const int width = m.cols * layout_.cell_w, height = m.rows * layout_.cell_h;
  const bool changed =
      m.handle == nullptr || std::memcmp(records.data(), m.records.data(),
                                         records.size() * sizeof(tImageMergeZoomWindow)) != 0;
  if (changed) {
    tImageMergeZoomParam p{};
    p.s32MaxPicNum = n;
    p.u32MergeStyle = uint32_t(al32MergeStyle[m.style][0]);
    p.u32BgWidth = uint32_t(width), p.u32BgHeight = uint32_t(height);
    p.u32ImageType = PF_IMAGE_FRAME, p.u32YuvType = PF_YUV_420;
    p.ptWindows = records.data();
    const uint32_t status =
        m.handle == nullptr ? m.table.Open(&m.handle, &p, mem_) : m.table.SetParam(m.handle, &p);
    if (status != PF_STATUS_OK) {
      throw ModuleError("merge with zoom refused the wall: " + status_text(m.table, status),
                        status);
    }
    m.records = records;
  }
  uint8_t* canvas = m.canvas.empty() ? frame_.data() : m.canvas.data();
  tImgPicture out = picture_record(yuv420p(), width, height, canvas);
  if (const uint32_t status = m.table.Process(m.handle, &out, inputs.data())) {
    throw ModuleError("merge with zoom: " + status_text(m.table, status), status);
  }
  if (m.canvas.empty()) return;
  // The grid's part of the tiling, plane by plane.
  const int used_w = layout_.cols * layout_.cell_w, used_h = layout_.rows * layout_.cell_h;
  const uint8_t* from = canvas;
  uint8_t* to = frame_.data();
  for (int plane = 0; plane < 3; ++plane) {
    const int shift = plane == 0 ? 0 : 1;
    const size_t src_pitch = size_t(width) >> shift, dst_pitch = size_t(layout_.width) >> shift;
    for (int y = 0; y < used_h >> shift; ++y) {
      std::memcpy(to + size_t(y) * dst_pitch, from + size_t(y) * src_pitch,
                  size_t(used_w) >> shift);
    }
    from += src_pitch * size_t(height >> shift);
    to += dst_pitch * size_t(layout_.height >> shift);
  }
}

// Each picture scaled to fit its cell by a resizer whose offsets put the output area on the cell
// and whose fill paints the bars.
void WallComposer::compose_cells(const std::vector<const tVideoUnitPicture*>& pictures) {
  for (size_t i = 0; i < pictures.size() && i < cells_.size(); ++i) {
    const tVideoUnitPicture* pic = pictures[i];
    if (pic == nullptr || pic->u32Width == 0 || pic->u32Height == 0) continue;
    Cell& cell = cells_[i];
    const int sw = int(pic->u32Width) & ~1, sh = int(pic->u32Height) & ~1;
    if (!cell.resizer || cell.src_w != sw || cell.src_h != sh) {
      const int col = int(i) % layout_.cols, row = int(i) / layout_.cols;
      const double scale = std::min(double(layout_.cell_w) / sw, double(layout_.cell_h) / sh);
      const int pw = std::clamp(int(sw * scale) & ~1, 2, layout_.cell_w);
      const int ph = std::clamp(int(sh * scale) & ~1, 2, layout_.cell_h);
      tImageResizerParam p{};
      p.s32SrcWidth = sw, p.s32SrcHeight = sh;
      p.u32SrcYuvType = PF_YUV_420, p.u32SrcImageType = PF_IMAGE_FRAME;
      p.s32DstWidth = layout_.width, p.s32DstHeight = layout_.height;
      p.u32DstYuvType = PF_YUV_420, p.u32DstImageType = PF_IMAGE_FRAME;
      p.s32OffsetLeft = col * layout_.cell_w;
      p.s32OffsetRight = layout_.width - p.s32OffsetLeft - layout_.cell_w;
      p.s32OffsetTop = row * layout_.cell_h;
      p.s32OffsetBottom = layout_.height - p.s32OffsetTop - layout_.cell_h;
      p.s32FillLeft = ((layout_.cell_w - pw) / 2) & ~1;
      p.s32FillRight = layout_.cell_w - pw - p.s32FillLeft;
      p.s32FillTop = ((layout_.cell_h - ph) / 2) & ~1;
      p.s32FillBottom = layout_.cell_h - ph - p.s32FillTop;
      p.u32FillY = 16, p.u32FillU = 128, p.u32FillV = 128;
      cell.resizer.reset();
      cell.resizer = std::make_unique<Instance>(kResizerId, &p, mem_);
      cell.src_w = sw, cell.src_h = sh;
    }
    tImgPicture in{pic->pu8Y, pic->pu8U, pic->pu8V, pic->u32Pitch, pic->u32UVPitch, 0, 0};
    tImgPicture out = picture_record(yuv420p(), layout_.width, layout_.height, frame_.data());
    cell.resizer->process(&in, &out);
  }
}

// ---- multidec ----

namespace {

const char kMultidecHelp[] =
    "usage: pelforge multidec IN1 IN2 ... -o OUT [options]\n"
    "\n"
    "Decodes coded streams (H.264, HEVC, MPEG-2, MJPEG: elementary streams, or the video of a\n"
    "container such as .mp4, .mkv, .ts) together through the new multi-decoder, one channel per\n"
    "input, into one composite picture, and writes a monitor wall of them, or one output per\n"
    "channel when OUT holds a number pattern (ch%d.y4m: ch1.y4m, ch2.y4m, ...).\n"
    "\n"
    "Options:\n"
    "  -o OUT          wall output (.y4m, .yuv, .png, - for a y4m pipe) or a per-channel pattern\n"
    "  --grid CxR      wall grid (default: the smallest square that holds every channel)\n"
    "  -S WxH          wall size (default: cells of the largest picture, at most 1920x1080)\n"
    "  -frames N       stop after N steps (one access unit per channel each)\n"
    "  --preview DIR   PNG pictures of the first and the last wall\n"
    "  -q              no progress\n"
    "\n"
    "Examples:\n"
    "  pelforge multidec cam1.h264 cam2.mp4 cam3.ts cam4.mkv -o wall.y4m --preview previews\n"
    "  pelforge multidec a.h264 b.m2v --grid 2x1 -S 1408x576 -o - | ffplay -\n"
    "  pelforge multidec a.h264 b.hevc -o channel%d.y4m\n";

struct MultidecArgs {
  std::vector<std::string> inputs;
  std::string output;
  std::optional<Size> grid, size;
  uint64_t max_steps = 0;
  std::string preview;
  bool quiet = false;
};

std::string take_value(const std::vector<std::string>& args, size_t& i) {
  if (i + 1 >= args.size()) throw UsageError(args[i] + " needs a value");
  return args[++i];
}

MultidecArgs parse_multidec(const std::vector<std::string>& args) {
  MultidecArgs a;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-o") {
      a.output = take_value(args, i);
    } else if (arg == "--grid") {
      a.grid = parse_size(take_value(args, i), "--grid");
    } else if (arg == "-S") {
      a.size = parse_size(take_value(args, i), "-S");
      if (a.size->width % 2 != 0 || a.size->height % 2 != 0) {
        throw UsageError("-S: the wall needs an even width and height");
      }
    } else if (arg == "-frames" || arg == "-vframes" || arg == "--frames") {
      a.max_steps = uint64_t(parse_integer(take_value(args, i), arg));
    } else if (arg == "--preview") {
      a.preview = take_value(args, i);
    } else if (arg == "-q" || arg == "--quiet") {
      a.quiet = true;
    } else if (arg == "-i") {
      a.inputs.push_back(take_value(args, i));
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw UsageError("multidec: unknown option " + arg);
    } else {
      a.inputs.push_back(arg);
    }
  }
  if (a.inputs.empty()) throw UsageError("multidec: no input");
  if (a.inputs.size() > PF_MULTIDEC_NEW_MAX_CHANNELS) {
    throw UsageError("multidec: at most 96 inputs");
  }
  if (a.output.empty()) throw UsageError("multidec: no output (-o)");
  return a;
}

// One line of per-channel progress on a terminal: "step 42 | 1: 40  2: 41  3: end | 38.0 fps".
class ChannelProgress {
 public:
  ChannelProgress(std::ostream& out, bool enabled) : out_(out), enabled_(enabled) {}
  void update(uint64_t step, const std::vector<uint64_t>& pictures, const std::vector<bool>& ended,
              bool final_line = false) {
    if (!enabled_) return;
    const double now = clock_();
    if (!final_line && now - last_ < 0.25) return;
    last_ = now;
    std::ostringstream line;
    uint64_t total = 0;
    line << "step " << step << " |";
    for (size_t i = 0; i < pictures.size(); ++i) {
      total += pictures[i];
      line << ' ' << i + 1 << ": " << pictures[i] << (ended[i] ? " end" : "");
    }
    line << " | " << format_rate(double(total), now - start_) << " pictures/s";
    out_ << '\r' << line.str() << (final_line ? "\n" : "") << std::flush;
  }

 private:
  std::ostream& out_;
  bool enabled_;
  Clock clock_ = steady_clock();
  double start_ = clock_();
  double last_ = -1;
};

VideoFormat yuv_format(int w, int h, Rational fps) {
  VideoFormat f;
  f.width = w, f.height = h, f.fmt = &yuv420p(), f.fps = fps;
  return f;
}

// Writes a channel's picture (from its place in the composite) as a contiguous frame.
void gather(const tVideoUnitPicture& pic, std::vector<uint8_t>& frame) {
  const size_t w = pic.u32Width, h = pic.u32Height, cw = (w + 1) / 2, ch = (h + 1) / 2;
  frame.resize(w * h + 2 * cw * ch);
  uint8_t* out = frame.data();
  for (size_t y = 0; y < h; ++y, out += w) std::memcpy(out, pic.pu8Y + y * pic.u32Pitch, w);
  for (const uint8_t* plane : {pic.pu8U, pic.pu8V}) {
    for (size_t y = 0; y < ch; ++y, out += cw) std::memcpy(out, plane + y * pic.u32UVPitch, cw);
  }
}

void write_png_preview(const std::string& path, const std::vector<uint8_t>& frame, int w, int h,
                       void* mem) {
  if (!png_available()) return;
  // YUV to RGB through the library's own module, top-down rows of blue, green, red.
  const tYuv420ToRgbParam p{w, h, 0, 0, w, h, 24};
  std::vector<uint8_t> bgr(size_t(w) * h * 3);
  Instance rgb(kYuvToRgbId, &p, mem);
  tYuv420ToRgbData data{frame.data(), bgr.data()};
  const tYuv420ToRgbOption top_down{PF_YUV420TORGB_OPTION_TOP_DOWN, 1};
  tYuv420ToRgbOptions options{nullptr, &top_down};
  rgb.process(&data, &options);
  for (size_t i = 0; i < bgr.size(); i += 3) std::swap(bgr[i], bgr[i + 2]);
  const std::vector<uint8_t> png = encode_png(bgr.data(), w, h);
  std::unique_ptr<OutputFile> file = OutputFile::open(path);
  file->write(png.data(), png.size());
  file->close();
}

}  // namespace

MultidecResult run_multidec(const std::vector<std::string>& inputs, const std::string& output,
                            const MultidecOptions& options, void* mem, std::ostream& progress_out) {
  std::vector<std::unique_ptr<UnitReader>> readers;
  std::vector<Size> sizes;
  for (const std::string& path : inputs) {
    readers.push_back(std::make_unique<UnitReader>(path));
    sizes.push_back({readers.back()->width(), readers.back()->height()});
  }
  const auto n = int32_t(readers.size());
  auto param = std::make_unique<tMultiDecNewParam>();
  param->s32ChannelNum = n;
  for (int32_t i = 0; i < n; ++i) {
    // The channel's place is sized for its picture rounded up to even; a stream that grows
    // later is refused by the decoder, not written past its place.
    param->atDecParam[i] = readers[i]->block(even_up(sizes[i].width), even_up(sizes[i].height));
  }
  Opened decoder(kMultiDecNewId, param.get(), mem);
  uint32_t composite_bytes = 0;
  const tImgProcFuncList& table = decoder.table();
  if (const uint32_t status = table.GetMemSize(param.get(), &composite_bytes)) {
    throw ModuleError("multi-decoder: " + status_text(table, status), status);
  }
  // GetMemSize counts the instance and save areas too: more than the composite needs.
  std::vector<uint8_t> composite(composite_bytes);

  const bool per_channel = has_pattern(output);
  std::optional<WallComposer> wall;
  std::unique_ptr<FrameWriter> wall_writer;
  std::vector<std::unique_ptr<FrameWriter>> channel_writers(static_cast<size_t>(n));
  if (!per_channel) {
    wall.emplace(wall_layout(n, options.grid, options.size, sizes), mem);
    const WallLayout& l = wall->layout();
    // A pipe carries y4m: the size and rate travel with the pictures.
    const Container container = output == "-" ? Container::kY4m : container_from_name(output);
    wall_writer = open_writer(output, container, yuv_format(l.width, l.height, readers[0]->fps()));
  }

  auto in = std::make_unique<tMultiDecNewInput>();
  auto out = std::make_unique<tMultiDecNewOutput>();
  out->pu8Composite = composite.data();
  const tVideoUnitOption end{VIDEOUNIT_OPTION_END, 1};
  std::vector<std::vector<uint8_t>> units(static_cast<size_t>(n));
  std::vector<bool> input_done(static_cast<size_t>(n), false),
      drained(static_cast<size_t>(n), false);
  MultidecResult result;
  result.pictures.assign(size_t(n), 0);
  result.failures.assign(size_t(n), 0);
  result.last_failure.assign(size_t(n), 0);
  ChannelProgress progress(progress_out, options.progress);
  std::vector<uint8_t> frame;
  std::vector<std::vector<uint8_t>> walls;  // for previews: first, middle, last
  for (uint64_t step = 0;; ++step) {
    if (options.max_steps != 0 && step >= options.max_steps) break;
    if (std::all_of(drained.begin(), drained.end(), [](bool d) { return d; })) break;
    for (int32_t i = 0; i < n; ++i) {
      // Every channel keeps DECODE, also when drained: its place in the composite then stays
      // where it was, with its last picture in it.
      in->au32Command[i] = PF_MULTIDEC_NEW_CMD_DECODE;
      in->atInput[i] = {};
      if (!input_done[i] && !readers[i]->next(units[i])) input_done[i] = true;
      if (input_done[i]) {
        in->atInput[i].ptOption = &end;
      } else {
        in->atInput[i].pu8Data = units[i].data();
        in->atInput[i].u32Length = uint32_t(units[i].size());
        in->atInput[i].s64Pts = int64_t(step);
      }
    }
    const uint32_t status = decoder.process(in.get(), out.get());
    if (status != PF_STATUS_OK && status != ERR_IMG_MULTIDEC_NEW_PROCESS_DECPROCESS) {
      throw ModuleError("multi-decoder: " + status_text(table, status), status);
    }
    bool any = false;
    std::vector<const tVideoUnitPicture*> shown(static_cast<size_t>(n), nullptr);
    for (int32_t i = 0; i < n; ++i) {
      const tVideoUnitPicture& pic = out->atPicture[i];
      if (out->au32Result[i] != 0)
        ++result.failures[i], result.last_failure[i] = out->au32Result[i];
      if (pic.u32Ready == 0) {
        if (input_done[i]) drained[i] = true;
      } else {
        any = true;
        ++result.pictures[i];
        if (per_channel) {
          if (!channel_writers[i]) {
            channel_writers[i] =
                open_writer(expand_pattern(output, uint64_t(i) + 1), container_from_name(output),
                            yuv_format(int(pic.u32Width), int(pic.u32Height), readers[i]->fps()));
          }
          gather(pic, frame);
          channel_writers[i]->write(frame.data());
        }
      }
      if (result.pictures[i] != 0) shown[i] = &pic;
    }
    if (wall && any) {
      wall->compose(shown);
      wall_writer->write(wall->frame().data());
      ++result.walls;
      if (!options.preview_dir.empty()) {
        if (walls.size() < 2) walls.resize(2);
        if (result.walls == 1) walls[0] = wall->frame();
        walls[1] = wall->frame();
      }
    }
    progress.update(step + 1, result.pictures, drained);
  }
  progress.update(0, result.pictures, drained, true);
  if (wall_writer) wall_writer->finish();
  for (auto& w : channel_writers) {
    if (w) w->finish();
  }
  if (wall && !options.preview_dir.empty() && !walls.empty()) {
    std::filesystem::create_directories(options.preview_dir);
    const char* names[2] = {"wall_first.png", "wall_last.png"};
    for (size_t k = 0; k < walls.size(); ++k) {
      const std::string path = options.preview_dir + "/" + names[k];
      write_png_preview(path, walls[k], wall->layout().width, wall->layout().height, mem);
      result.previews.push_back(path);
    }
  }
  return result;
}

int multidec_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     bool progress_allowed) {
  for (const std::string& a : args) {
    if (a == "-h" || a == "--help") {
      out << kMultidecHelp;
      return kExitOk;
    }
  }
  const MultidecArgs a = parse_multidec(args);
  av_log_set_level(AV_LOG_ERROR);
  MemHandle mem;
  MultidecOptions options;
  options.grid = a.grid;
  options.size = a.size;
  options.max_steps = a.max_steps;
  options.preview_dir = a.preview;
  options.progress = progress_allowed && !a.quiet;
  const MultidecResult r = run_multidec(a.inputs, a.output, options, mem.get(), err);
  for (size_t i = 0; i < a.inputs.size(); ++i) {
    if (r.failures[i] != 0) {
      err << "multidec: " << a.inputs[i] << ": " << r.failures[i]
          << " access units could not be decoded (last: "
          << status_text(module_table(kMultiDecNewId), r.last_failure[i]) << ")\n";
    }
  }
  if (!a.quiet) {
    uint64_t total = 0;
    for (uint64_t p : r.pictures) total += p;
    err << "multidec: " << total << " pictures from " << a.inputs.size() << " channels";
    if (r.walls != 0) err << ", " << r.walls << " walls";
    err << "\n";
  }
  return kExitOk;
}

// ---- multienc ----

namespace {

const char kMultiencHelp[] =
    "usage: pelforge multienc IN1 IN2 ... -c h264|mpeg2 [-b RATE] -o OUT%d.h264 [options]\n"
    "\n"
    "Encodes up to 8 raw streams (.y4m, .png, or .yuv with -s WxH before it; other pixel\n"
    "formats are converted to yuv420p on the way) together through the\n"
    "multi-encoder, one channel per input, into one elementary stream per channel: OUT must hold\n"
    "a number pattern when there is more than one input (out%d.h264: out1.h264, out2.h264, ...).\n"
    "\n"
    "Options:\n"
    "  -c CODEC        h264 or mpeg2 (default h264)\n"
    "  -b RATE         bit rate: 2M, 800k, 1500000 (default: constant quality)\n"
    "  -q:v Q          constant quality (H.264 CRF 1..51, MPEG-2 qscale 1..31)\n"
    "  -g N            pictures from one key frame to the next (default 50)\n"
    "  -bf N           B pictures between references, 0..4 (default 0)\n"
    "  -s WxH          size of the raw input that follows\n"
    "  -frames N       stop after N pictures per channel\n"
    "  -q              no progress\n"
    "\n"
    "Examples:\n"
    "  pelforge multienc cam1.y4m cam2.y4m -c h264 -b 2M -o cam%d.h264\n"
    "  pelforge multienc -s 720x576 in.yuv -c mpeg2 -b 6M -g 12 -o out.m2v\n";

uint32_t parse_bitrate(const std::string& text) {
  double scale = 1;
  std::string digits = text;
  if (!digits.empty() && (digits.back() == 'k' || digits.back() == 'K')) scale = 1e3;
  if (!digits.empty() && (digits.back() == 'm' || digits.back() == 'M')) scale = 1e6;
  if (scale != 1) digits.pop_back();
  char* end = nullptr;
  const double v = std::strtod(digits.c_str(), &end);
  if (digits.empty() || end == nullptr || *end != '\0' || !(v > 0) || v * scale > 2e8) {
    throw UsageError("-b: not a bit rate: " + text);
  }
  return uint32_t(v * scale);
}

}  // namespace

int multienc_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     bool progress_allowed) {
  std::vector<InputOptions> inputs;
  std::string output;
  tVideoUnitEncParam base{};
  base.u32Codec = VIDEOUNIT_CODEC_H264;
  uint64_t max_frames = 0;
  bool quiet = false;
  std::optional<Size> raw_size;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-h" || arg == "--help") {
      out << kMultiencHelp;
      return kExitOk;
    } else if (arg == "-o") {
      output = take_value(args, i);
    } else if (arg == "-c" || arg == "-c:v" || arg == "-vcodec") {
      const std::string c = take_value(args, i);
      if (c == "h264" || c == "libx264") {
        base.u32Codec = VIDEOUNIT_CODEC_H264;
      } else if (c == "mpeg2" || c == "mpeg2video") {
        base.u32Codec = VIDEOUNIT_CODEC_MPEG2;
      } else {
        throw UsageError("-c: the multi-encoder makes h264 or mpeg2, not " + c);
      }
    } else if (arg == "-b" || arg == "-b:v") {
      base.u32Bitrate = parse_bitrate(take_value(args, i));
    } else if (arg == "-q:v" || arg == "-qscale") {
      base.u32Quality = uint32_t(parse_integer(take_value(args, i), arg));
    } else if (arg == "-g") {
      base.u32Gop = uint32_t(parse_integer(take_value(args, i), arg));
    } else if (arg == "-bf") {
      base.u32BFrames = uint32_t(parse_integer(take_value(args, i), arg));
    } else if (arg == "-s") {
      raw_size = parse_size(take_value(args, i), "-s");
    } else if (arg == "-frames" || arg == "-vframes" || arg == "--frames") {
      max_frames = uint64_t(parse_integer(take_value(args, i), arg));
    } else if (arg == "-q" || arg == "--quiet") {
      quiet = true;
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "-i") {
      throw UsageError("multienc: unknown option " + arg);
    } else {
      InputOptions in;
      in.path = arg == "-i" ? take_value(args, i) : arg;
      in.size = raw_size;
      inputs.push_back(in);
    }
  }
  if (inputs.empty()) throw UsageError("multienc: no input");
  if (inputs.size() > PF_MULTIENC_MAX_CHANNELS) throw UsageError("multienc: at most 8 inputs");
  if (output.empty()) throw UsageError("multienc: no output (-o)");
  if (inputs.size() > 1 && !has_pattern(output)) {
    throw UsageError("multienc: with several inputs -o needs a number pattern (out%d.h264)");
  }
  MemHandle mem;
  std::vector<std::unique_ptr<FrameReader>> readers;
  std::vector<std::unique_ptr<Pipeline>> to_420;  // per input: library conversions, if needed
  auto param = std::make_unique<tMultiEncParam>();
  param->s32ChannelNum = int32_t(inputs.size());
  for (size_t i = 0; i < inputs.size(); ++i) {
    readers.push_back(open_reader(inputs[i]));
    const VideoFormat& f = readers[i]->format();
    VideoFormat wanted = f;
    wanted.fmt = &yuv420p();
    wanted.layout = PF_IMAGE_FRAME;
    const Note note = [&](const std::string& text) {
      if (!quiet) err << "multienc: " << inputs[i].path << ": " << text << "\n";
    };
    to_420.push_back(std::make_unique<Pipeline>(Request{f, wanted, Geometry{}}, mem.get(), note));
    tVideoUnitEncParam& b = param->atEncParam[i];
    b = base;
    b.u32Width = uint32_t(f.width);
    b.u32Height = uint32_t(f.height);
    if (f.fps.known()) {
      b.u32FrameRateNum = uint32_t(f.fps.num), b.u32FrameRateDen = uint32_t(f.fps.den);
    }
  }
  Opened encoder(kMultiEncId, param.get(), mem.get());
  const tImgProcFuncList& table = encoder.table();
  std::vector<std::unique_ptr<OutputFile>> files;
  for (size_t i = 0; i < inputs.size(); ++i)
    files.push_back(OutputFile::open(expand_pattern(output, i + 1)));
  std::vector<std::vector<uint8_t>> frames(inputs.size()), packets(inputs.size());
  std::vector<bool> ended(inputs.size(), false), drained(inputs.size(), false);
  std::vector<uint64_t> counts(inputs.size(), 0);
  auto in = std::make_unique<tMultiEncInput>();
  auto outrec = std::make_unique<tMultiEncOutput>();
  ChannelProgress progress(err, progress_allowed && !quiet);
  for (uint64_t step = 0; !std::all_of(drained.begin(), drained.end(), [](bool d) { return d; });
       ++step) {
    for (size_t i = 0; i < inputs.size(); ++i) {
      const VideoFormat& f = readers[i]->format();
      frames[i].resize(f.frame_size());
      if (!ended[i] && (max_frames != 0 && step >= max_frames)) ended[i] = true;
      if (!ended[i] && !readers[i]->read(frames[i].data())) ended[i] = true;
      const size_t luma = size_t(f.width) * f.height;
      const uint8_t* picture = ended[i] ? nullptr : to_420[i]->run(frames[i].data());
      in->atInput[i] = ended[i]
                           ? tVideoUnitEncInput{}
                           : tVideoUnitEncInput{picture, picture + luma, picture + luma * 5 / 4};
      // The largest packet a picture can make: far beyond any real one.
      packets[i].resize(luma * 3 + 65536);
      outrec->atOutput[i] = {packets[i].data(), uint32_t(packets[i].size()), 0, 0, 0, 0};
    }
    const uint32_t status = encoder.process(in.get(), outrec.get());
    if (status != PF_STATUS_OK) {
      for (size_t i = 0; i < inputs.size(); ++i) {
        if (outrec->au32Result[i] != 0) {
          throw ModuleError("multi-encoder, channel " + std::to_string(i + 1) + ": " +
                                status_text(table, outrec->au32Result[i]),
                            outrec->au32Result[i]);
        }
      }
      throw ModuleError("multi-encoder: " + status_text(table, status), status);
    }
    for (size_t i = 0; i < inputs.size(); ++i) {
      const tVideoUnitEncOutput& o = outrec->atOutput[i];
      if (o.u32Ready != 0) {
        files[i]->write(o.pu8Buf, o.u32Length);
        ++counts[i];
      } else if (ended[i]) {
        drained[i] = true;
      }
    }
    progress.update(step + 1, counts, drained);
  }
  progress.update(0, counts, drained, true);
  for (auto& f : files) f->close();
  if (!quiet) {
    for (size_t i = 0; i < inputs.size(); ++i) {
      err << "multienc: " << expand_pattern(output, i + 1) << ": " << counts[i] << " pictures\n";
    }
  }
  return kExitOk;
}

}  // namespace pf::cli

namespace pf::cli {

PF_VERB_MAIN(multidec) {
  return multidec_command(args, console.out, console.err, console.err_is_terminal);
}

PF_VERB_MAIN(multienc) {
  return multienc_command(args, console.out, console.err, console.err_is_terminal);
}

// Four generated clips of three sizes, encoded by the multi-encoder (H.264 and MPEG-2), decoded
// together by the new multi-decoder into one composite and composed into a 2x2 wall.
PF_DEMO_MAIN(codec) {
  const DemoJob job{"codec_wall", "4 clips encoded, decoded together, 2x2 wall"};
  if (!demo.wants(job)) return;
  struct Clip {
    int w, h;
    uint32_t codec;
    Frames frames;
    std::vector<std::vector<uint8_t>> units;
    uint64_t decoded = 0;
    double psnr_sum = 0;
  };
  std::vector<Clip> clips = {{352, 288, VIDEOUNIT_CODEC_H264, {}, {}},
                             {352, 288, VIDEOUNIT_CODEC_MPEG2, {}, {}},
                             {176, 144, VIDEOUNIT_CODEC_H264, {}, {}},
                             {704, 576, VIDEOUNIT_CODEC_MPEG2, {}, {}}};
  for (size_t c = 0; c < clips.size(); ++c) {
    clips[c].frames = demo.pattern(clips[c].w, clips[c].h, false);
    // Each clip starts at another point of the pattern.
    std::rotate(clips[c].frames.begin(),
                clips[c].frames.begin() + ptrdiff_t(c * clips[c].frames.size() / 4),
                clips[c].frames.end());
  }
  const size_t length = clips[0].frames.size();
  if (length == 0) return;
  try {
    // Encode: every clip on its own channel, no B pictures, so each picture decodes at once.
    auto enc_param = std::make_unique<tMultiEncParam>();
    enc_param->s32ChannelNum = int32_t(clips.size());
    for (size_t c = 0; c < clips.size(); ++c) {
      tVideoUnitEncParam& b = enc_param->atEncParam[c];
      b.u32Codec = clips[c].codec;
      b.u32Width = uint32_t(clips[c].w), b.u32Height = uint32_t(clips[c].h);
      b.u32Bitrate = uint32_t(clips[c].w * clips[c].h * 12);  // about 1.2 Mbit/s at CIF
      b.u32Gop = 25, b.u32FrameRateNum = 25, b.u32FrameRateDen = 1;
    }
    {
      Opened encoder(kMultiEncId, enc_param.get(), demo.mem());
      auto in = std::make_unique<tMultiEncInput>();
      auto out = std::make_unique<tMultiEncOutput>();
      std::vector<std::vector<uint8_t>> buffers(clips.size(), std::vector<uint8_t>(1 << 21));
      for (size_t k = 0; k < length + 64; ++k) {
        for (size_t c = 0; c < clips.size(); ++c) {
          const size_t luma = size_t(clips[c].w) * clips[c].h;
          const uint8_t* f = k < length ? clips[c].frames[k].data() : nullptr;
          in->atInput[c] = f != nullptr ? tVideoUnitEncInput{f, f + luma, f + luma * 5 / 4}
                                        : tVideoUnitEncInput{};
          out->atOutput[c] = {buffers[c].data(), uint32_t(buffers[c].size()), 0, 0, 0, 0};
        }
        if (const uint32_t status = encoder.process(in.get(), out.get())) {
          throw ModuleError("multi-encoder: " + status_text(encoder.table(), status), status);
        }
        for (size_t c = 0; c < clips.size(); ++c) {
          const tVideoUnitEncOutput& o = out->atOutput[c];
          if (o.u32Ready != 0) clips[c].units.emplace_back(o.pu8Buf, o.pu8Buf + o.u32Length);
        }
      }
    }
    // Decode all four into one composite and compose the wall from it.
    auto dec_param = std::make_unique<tMultiDecNewParam>();
    dec_param->s32ChannelNum = int32_t(clips.size());
    size_t composite_bytes = 0;
    std::vector<Size> sizes;
    for (size_t c = 0; c < clips.size(); ++c) {
      tVideoUnitDecParam& b = dec_param->atDecParam[c];
      b.u32Codec = clips[c].codec;
      b.u32Width = uint32_t(clips[c].w), b.u32Height = uint32_t(clips[c].h);
      composite_bytes += size_t(clips[c].w) * clips[c].h * 3 / 2;
      sizes.push_back({clips[c].w, clips[c].h});
    }
    Opened decoder(kMultiDecNewId, dec_param.get(), demo.mem());
    std::vector<uint8_t> composite(composite_bytes);
    WallComposer wall(wall_layout(4, Size{2, 2}, Size{704, 576}, sizes), demo.mem());
    auto in = std::make_unique<tMultiDecNewInput>();
    auto out = std::make_unique<tMultiDecNewOutput>();
    out->pu8Composite = composite.data();
    VideoFormat src = demo.source();
    src.width = clips[0].w, src.height = clips[0].h;
    VideoFormat shown = demo.source();
    shown.width = 704, shown.height = 576;
    size_t k = 0;
    std::vector<uint8_t> picture;
    DemoReport* r = demo.run(job, clips[0].frames, src, shown, [&](uint8_t*, uint8_t* dst) {
      for (size_t c = 0; c < clips.size(); ++c) {
        in->au32Command[c] = PF_MULTIDEC_NEW_CMD_DECODE;
        in->atInput[c] = {};
        if (k < clips[c].units.size()) {
          in->atInput[c].pu8Data = clips[c].units[k].data();
          in->atInput[c].u32Length = uint32_t(clips[c].units[k].size());
        }
      }
      const uint32_t status = decoder.process(in.get(), out.get());
      if (status != PF_STATUS_OK) {
        throw ModuleError("new multi-decoder: " + status_text(decoder.table(), status), status);
      }
      std::vector<const tVideoUnitPicture*> pictures;
      for (size_t c = 0; c < clips.size(); ++c) {
        const tVideoUnitPicture& pic = out->atPicture[c];
        pictures.push_back(&pic);
        if (pic.u32Ready != 0 && clips[c].decoded < length) {
          gather(pic, picture);
          const std::vector<uint8_t>& ref = clips[c].frames[clips[c].decoded++];
          double sum = 0;
          for (size_t i = 0; i < ref.size(); ++i) {
            const double d = double(ref[i]) - double(picture[i]);
            sum += d * d;
          }
          clips[c].psnr_sum += sum == 0 ? 99 : 10 * std::log10(65025.0 * double(ref.size()) / sum);
        }
      }
      wall.compose(pictures);
      std::memcpy(dst, wall.frame().data(), wall.frame().size());
      ++k;
    });
    if (r != nullptr) {
      std::ostringstream text;
      text << "PSNR";
      size_t bytes = 0;
      for (const Clip& c : clips) {
        text << ' ' << (c.codec == VIDEOUNIT_CODEC_H264 ? "H.264 " : "MPEG-2 ") << c.w << 'x' << c.h
             << ' ';
        char v[16];
        std::snprintf(v, sizeof v, "%.1f", c.decoded != 0 ? c.psnr_sum / double(c.decoded) : 0.0);
        text << v << " dB,";
        for (const auto& u : c.units) bytes += u.size();
      }
      text << ' ' << bytes / 1024 << " kB coded";
      r->set_result(text.str());
    }
  } catch (const CliError& e) {
    demo.note(std::string("codec demo: ") + e.what());
  }
}

}  // namespace pf::cli
