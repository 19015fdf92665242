// SPDX-License-Identifier: BSD-2-Clause
// Many-channel throughput: N independent 720x576 4:2:0 streams, as a recorder runs them, each
// through its own module instances (resizer to CIF, then the temporal noise filter), and every
// sixteen channels' pictures fitted into a 4x4 wall of 1920x1080 by merge with zoom, spread over
// one worker thread per core. Prints how many channels the machine keeps up with at 25 frames
// per second, how that scales from one worker to all, and each channel's memory as the memory
// service accounts it.
//
//   pf_channels [--frames N] [--channels 1,4,16,64] [--workers N] [--rounds N]
//
// Other processes on the machine slow the runs unevenly, so the one-worker and the all-worker
// run alternate for a few rounds and each keeps its fastest: what the machine does when it is
// least disturbed, measured as close together in time as the two can be.
//
// The work is taken in arrival order (every channel's first picture, then the walls of those
// pictures, then every channel's second picture, ...) from one shared counter, each piece by
// whichever worker comes free next, which runs all of a picture's stages back to back while it is
// in cache. A picture waits only for its channel's previous one (and for the wall to have shown
// the one before that: channels write their CIF pictures alternately into two buffers), a wall
// only for its channels' pictures and its own previous picture, so a worker that the system delays
// (other processes share the cores) holds up little, where cards dealt out in advance would leave
// the other workers idle at the end. Three more columns tell why the scaling is what it is, from
// the all-workers run: "waiting" is the share of the workers' time spent with no picture ready to
// take (a channel's previous picture still in work, the end of the run), "off core" the share
// during which a worker had work but the system ran something else (other processes on the
// cores), and "cpu/picture" the processor time one channel picture takes against the one-worker
// run (above 1: the workers slow each other down through the caches and memory bandwidth they
// share).
//
// A stage is one function that opens its modules for a channel and returns what processes a
// picture; add it to kStages below (a deinterlacer would join that way).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "img_merge_zoom.h"
#include "img_resizer.h"
#include "img_temporalfilter.h"
#include "video_mem.h"

namespace {

constexpr int kSrcW = 720, kSrcH = 576, kCifW = 352, kCifH = 288;
constexpr int kWallW = 1920, kWallH = 1080, kWallCells = 16;
constexpr uint32_t kWallStyle = 21600;  // 4x4 tiling
constexpr double kFps = 25.0;

size_t i420_bytes(int w, int h) { return size_t(w) * h * 3 / 2; }

// A channel's picture on pages of its own: no two channels' pictures share a cache line, and
// rows start aligned as a capture or decoder would deliver them.
class Picture {
 public:
  static constexpr std::align_val_t kAlign{4096};
  void resize(size_t bytes) {
    data_.reset(static_cast<uint8_t*>(::operator new(bytes, kAlign)));
    size_ = bytes;
  }
  uint8_t* data() const { return data_.get(); }
  size_t size() const { return size_; }

 private:
  struct Free {
    void operator()(uint8_t* p) const { ::operator delete(p, kAlign); }
  };
  std::unique_ptr<uint8_t, Free> data_;
  size_t size_ = 0;
};

struct Wall;

// One channel: its memory handle, its pictures and its stages' work. Channels are written by
// different workers, so each starts on a cache line of its own.
struct alignas(64) Channel {
  void* mem = nullptr;
  std::atomic<int> done{0};  // pictures of the current run finished
  Picture source[2];         // two pictures, alternated, so that filters see motion
  Picture cif[2];            // picture f goes to cif[f % 2]
  Wall* wall = nullptr;
  std::vector<std::function<void(int frame)>> steps;
  std::vector<std::function<void()>> closers;
  Channel() : mem(VideoMemCreate()) {}
  ~Channel() {
    for (auto it = closers.rbegin(); it != closers.rend(); ++it) (*it)();
    VideoMemDestroy(mem);
  }
  Channel(const Channel&) = delete;
  Channel& operator=(const Channel&) = delete;
};

// ---------------------------------------------------------------- stages

// D1 frame to CIF frame, bilinear, through the resizer.
bool resize_stage(Channel& c) {
  tImageResizerParam p{};
  p.s32SrcWidth = kSrcW;
  p.s32SrcHeight = kSrcH;
  p.u32SrcYuvType = PF_YUV_420;
  p.u32SrcImageType = PF_IMAGE_FRAME;
  p.s32DstWidth = kCifW;
  p.s32DstHeight = kCifH;
  p.u32DstYuvType = PF_YUV_420;
  p.u32DstImageType = PF_IMAGE_FRAME;
  void* h = nullptr;
  if (ImageResizerOpen_c(&h, &p, c.mem) != 0) return false;
  c.closers.emplace_back([h] { ImageResizerClose_c(h); });
  c.steps.emplace_back([h, &c](int frame) {
    tImgPicture in{c.source[frame % 2].data(), nullptr, nullptr, kSrcW, 0, 0, 0};
    tImgPicture out{c.cif[frame % 2].data(), nullptr, nullptr, kCifW, 0, 0, 0};
    ImageResizerProcess_c(h, &in, &out);
  });
  return true;
}

// The temporal noise filter on the CIF picture, in place.
bool temporal_stage(Channel& c) {
  const tImgTemporalFilterParam p{kCifW, kCifH, kCifW, kCifW / 2, 1};
  void* h = nullptr;
  if (ImgTemporalFilterOpen_c(&h, &p, c.mem) != 0) return false;
  c.closers.emplace_back([h] { ImgTemporalFilterClose_c(h); });
  c.steps.emplace_back([h, &c](int frame) {
    tImgPicture pic{c.cif[frame % 2].data(), nullptr, nullptr, kCifW, kCifW / 2, 0, 0};
    ImgTemporalFilterProcess_c(h, &pic, &pic);
  });
  return true;
}

struct StageRow {
  const char* name;
  bool (*open)(Channel&);
};
constexpr StageRow kStages[] = {
    {"resize D1 -> CIF", resize_stage},
    {"temporal filter", temporal_stage},
};

// ---------------------------------------------------------------- the wall

// Up to sixteen channels' CIF pictures fitted (4:3, bars where the cell is wider) into the cells
// of a 1920x1080 wall with white border lines, through one merge-with-zoom instance; the cells of
// missing channels are filled with the background.
struct alignas(64) Wall {
  void* mem = nullptr;
  void* handle = nullptr;
  std::atomic<int> done{0};  // pictures of the current run shown
  Picture picture;
  std::vector<Channel*> channels;
  Wall() : mem(VideoMemCreate()) {}
  ~Wall() {
    if (handle != nullptr) ImgMergeZoomClose_c(handle);
    VideoMemDestroy(mem);
  }
  Wall(const Wall&) = delete;
  Wall& operator=(const Wall&) = delete;

  bool open() {
    tImageMergeZoomWindow windows[kWallCells] = {};
    for (int i = 0; i < kWallCells; ++i) {
      const bool shown = size_t(i) < channels.size();
      windows[i] = {shown ? 1u : PF_MERGE_ZOOM_STATE_EMPTY,
                    PF_MERGE_ZOOM_FIT,
                    4,
                    3,
                    uint32_t(i + 1),
                    kCifW,
                    kCifH,
                    PF_IMAGE_FRAME,
                    PF_YUV_420,
                    0,
                    0,
                    0,
                    0};
    }
    tImageMergeZoomParam p{};
    p.s32MaxPicNum = kWallCells;
    p.u32MergeStyle = kWallStyle;
    p.u32BgWidth = kWallW;
    p.u32BgHeight = kWallH;
    p.u32ImageType = PF_IMAGE_FRAME;
    p.u32YuvType = PF_YUV_420;
    p.u32DrawLine = 1;
    p.u32BorderColour = 0xFFFFFF;
    p.u32BorderWidth = 4;
    p.u32FillEmpty = 1;
    p.ptWindows = windows;
    picture.resize(i420_bytes(kWallW, kWallH));
    for (Channel* c : channels) {
      for (Picture& cif : c->cif) std::memset(cif.data(), 128, cif.size());
    }
    // One picture shown before timing: a wall that refuses its pictures would time nothing.
    return ImgMergeZoomOpen_c(&handle, &p, mem) == 0 && show(0) == 0;
  }
  uint32_t show(int frame) {
    tImgPicture out{picture.data(), nullptr, nullptr, kWallW, 0, 0, 0};
    tImgPicture in[kWallCells] = {};
    for (size_t i = 0; i < channels.size(); ++i) {
      in[i] = {channels[i]->cif[frame % 2].data(), nullptr, nullptr, kCifW, 0, 0, 0};
    }
    return ImgMergeZoomProcess_c(handle, &out, in);
  }
};

// ---------------------------------------------------------------- the run

std::unique_ptr<Channel> open_channel(int index) {
  auto c = std::make_unique<Channel>();
  for (int i = 0; i < 2; ++i) {
    c->source[i].resize(i420_bytes(kSrcW, kSrcH));
    // A moving ramp with some texture, different in every channel.
    for (size_t k = 0; k < c->source[i].size(); ++k) {
      c->source[i].data()[k] =
          static_cast<uint8_t>(k * 7 + (k >> 10) * 3 + size_t(index) * 29 + i * 5);
    }
  }
  for (Picture& p : c->cif) p.resize(i420_bytes(kCifW, kCifH));
  for (const StageRow& s : kStages) {
    if (!s.open(*c)) {
      std::fprintf(stderr, "pf_channels: %s failed to open\n", s.name);
      return nullptr;
    }
  }
  return c;
}

struct RunTimes {
  double wall;  // seconds for the whole run
  double busy;  // seconds the workers spent in stages, added up
  double cpu;   // processor seconds of the workers in stages, added up
};

double thread_cpu_seconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Every channel processes `frames` pictures, and every wall shows them, on `workers` threads.
RunTimes run(std::vector<std::unique_ptr<Channel>>& channels,
             std::vector<std::unique_ptr<Wall>>& walls, int workers, int frames) {
  for (auto& c : channels) c->done.store(0);
  for (auto& w : walls) w->done.store(0);
  const size_t n = channels.size(), per_frame = n + walls.size();
  const size_t pieces = per_frame * size_t(frames);
  auto wait_until = [](const std::atomic<int>& count, int at_least) {
    while (count.load(std::memory_order_acquire) < at_least) std::this_thread::yield();
  };
  std::atomic<size_t> next{0};
  std::vector<double> busy(size_t(workers), 0.0), cpu(size_t(workers), 0.0);
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> threads;
  for (int w = 0; w < workers; ++w) {
    threads.emplace_back([&, w] {
      double mine = 0.0, mine_cpu = 0.0;
      for (size_t k = next.fetch_add(1); k < pieces; k = next.fetch_add(1)) {
        const auto frame = static_cast<int>(k / per_frame);
        const size_t piece = k % per_frame;
        Channel* c = piece < n ? channels[piece].get() : nullptr;
        Wall* wall = piece < n ? c->wall : walls[piece - n].get();
        if (c != nullptr) {
          wait_until(c->done, frame);
          wait_until(wall->done, frame - 1);  // its cif[frame % 2] has been shown
        } else {
          // One instance draws the wall: the previous picture must be finished, which its
          // channels being one picture ahead does not ensure.
          wait_until(wall->done, frame);
          for (Channel* shown : wall->channels) wait_until(shown->done, frame + 1);
        }
        const auto t0 = std::chrono::steady_clock::now();
        const double c0 = thread_cpu_seconds();
        if (c != nullptr) {
          for (auto& step : c->steps) step(frame);
        } else {
          wall->show(frame);
        }
        mine_cpu += thread_cpu_seconds() - c0;
        mine += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        (c != nullptr ? c->done : wall->done).store(frame + 1, std::memory_order_release);
      }
      busy[size_t(w)] = mine;
      cpu[size_t(w)] = mine_cpu;
    });
  }
  for (auto& t : threads) t.join();
  RunTimes times{std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                 0.0, 0.0};
  for (int w = 0; w < workers; ++w) {
    times.busy += busy[size_t(w)];
    times.cpu += cpu[size_t(w)];
  }
  return times;
}

// What the machine gives two workers at the time of the run: every channel's source picture
// copied, `frames` times, into a picture of the worker's own, taken from one counter like the
// channels' work. Copies share no data and wait for nothing, so their scaling is the ceiling that
// memory bandwidth and the other processes on the cores leave for the channels' scaling.
double copy_seconds(std::vector<std::unique_ptr<Channel>>& channels, std::vector<Picture>& copies,
                    int workers, int frames) {
  const size_t pieces = channels.size() * size_t(frames);
  std::atomic<size_t> next{0};
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> threads;
  for (int w = 0; w < workers; ++w) {
    threads.emplace_back([&, w] {
      for (size_t k = next.fetch_add(1); k < pieces; k = next.fetch_add(1)) {
        const size_t c = k % channels.size();
        const Picture& from = channels[c]->source[k / channels.size() % 2];
        std::memcpy(copies[size_t(w)].data(), from.data(), from.size());
      }
    });
  }
  for (auto& t : threads) t.join();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::vector<int> parse_list(const char* text) {
  std::vector<int> v;
  for (const char* p = text; *p != '\0';) {
    v.push_back(std::atoi(p));
    p = std::strchr(p, ',');
    if (p == nullptr) break;
    ++p;
  }
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  int frames = 50;
  int rounds = 3;
  int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  std::vector<int> counts = {1, 4, 16, 64};
  const char* usage =
      "usage: pf_channels [--frames N] [--channels 1,4,16,64] [--workers N] [--rounds N]\n"
      "  e.g. pf_channels --frames 30 --rounds 3    (the README's table)\n"
      "       pf_channels --channels 16 --workers 1  (one worker only)\n";
  for (int i = 1; i < argc; i += 2) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(usage, stdout);
      return 0;
    }
    if (i + 1 == argc) {  // an option without its value
      std::fputs(usage, stderr);
      return 2;
    }
    if (std::strcmp(argv[i], "--frames") == 0) {
      frames = std::max(1, std::atoi(argv[i + 1]));
    } else if (std::strcmp(argv[i], "--channels") == 0) {
      counts = parse_list(argv[i + 1]);
    } else if (std::strcmp(argv[i], "--rounds") == 0) {
      rounds = std::max(1, std::atoi(argv[i + 1]));
    } else if (std::strcmp(argv[i], "--workers") == 0) {
      cores = std::max(1, std::atoi(argv[i + 1]));
    } else {
      std::fputs(usage, stderr);
      return 2;
    }
  }
  std::printf("stages:");
  for (const StageRow& s : kStages) std::printf(" [%s]", s.name);
  std::printf(
      " [%d channels fitted into a %dx%d wall by merge with zoom]\n%d frames per channel, "
      "720x576 4:2:0 in; 1 worker and %d workers (one per core), the fastest of %d rounds "
      "each\n\n",
      kWallCells, kWallW, kWallH, frames, cores, rounds);
  std::printf("%8s %14s %14s %9s %8s %8s %12s %16s %13s\n", "channels", "1 worker", "all workers",
              "scaling", "waiting", "off core", "cpu/picture", "memory/channel", "memcpy scaling");
  for (const int n : counts) {
    std::vector<std::unique_ptr<Channel>> channels;
    std::vector<std::unique_ptr<Wall>> walls;
    for (int i = 0; i < n; ++i) {
      channels.push_back(open_channel(i));
      if (channels.back() == nullptr) return 1;
      if (i % kWallCells == 0) walls.push_back(std::make_unique<Wall>());
      walls.back()->channels.push_back(channels.back().get());
      channels.back()->wall = walls.back().get();
    }
    for (auto& w : walls) {
      if (!w->open()) {
        std::fprintf(stderr, "pf_channels: the wall failed to open\n");
        return 1;
      }
    }
    tVideoMemStats stats{}, wall_stats{};
    VideoMemGetStats(channels[0]->mem, &stats);
    VideoMemGetStats(walls[0]->mem, &wall_stats);
    run(channels, walls, cores, 2);  // warm caches and the filters' history
    RunTimes one = run(channels, walls, 1, frames);
    RunTimes all = run(channels, walls, cores, frames);
    for (int r = 1; r < rounds; ++r) {
      const RunTimes one_again = run(channels, walls, 1, frames);
      if (one_again.wall < one.wall) one = one_again;
      const RunTimes all_again = run(channels, walls, cores, frames);
      if (all_again.wall < all.wall) all = all_again;
    }
    std::vector<Picture> copies(static_cast<size_t>(cores));
    for (Picture& c : copies) c.resize(i420_bytes(kSrcW, kSrcH));
    copy_seconds(channels, copies, cores, 2);
    double copy_one = copy_seconds(channels, copies, 1, frames);
    double copy_all = copy_seconds(channels, copies, cores, frames);
    for (int r = 1; r < rounds; ++r) {
      copy_one = std::min(copy_one, copy_seconds(channels, copies, 1, frames));
      copy_all = std::min(copy_all, copy_seconds(channels, copies, cores, frames));
    }
    // Channels kept at 25 fps: pictures per second over 25.
    const double rate_one = double(n) * frames / one.wall / kFps;
    const double rate_all = double(n) * frames / all.wall / kFps;
    const double worker_time = all.wall * cores;
    std::printf("%8d %10.1f ch/s %10.1f ch/s %8.2fx %7.0f%% %7.0f%% %11.2fx %12.1f KiB %12.2fx\n",
                n, rate_one, rate_all, rate_all / rate_one,
                100.0 * std::max(0.0, worker_time - all.busy) / worker_time,
                100.0 * std::max(0.0, all.busy - all.cpu) / worker_time, all.cpu / one.cpu,
                (double(stats.u64PeakBytes) +
                 double(wall_stats.u64PeakBytes) / double(walls[0]->channels.size())) /
                    1024.0,
                copy_one / copy_all);
  }
  std::printf(
      "\nch/s: channels of 25 pictures per second the workers keep up with; waiting, off core:\n"
      "shares of the workers' time with nothing to take and with the core taken by another\n"
      "process; cpu/picture: processor time per channel picture, all workers against one;\n"
      "memory: the peaks the memory service accounts for one channel's instances and its share\n"
      "of its wall's (pictures not included); memcpy scaling: the same source pictures only\n"
      "copied, all workers against one, the most the machine gave two workers during the run.\n");
  return 0;
}
