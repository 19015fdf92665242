// SPDX-License-Identifier: BSD-2-Clause
// Turning pictures of one format into another: a chain of stages, each one library module
// instance (resizer, YUV-to-RGB, RGB-to-YUV, RGB resizer) or a lossless byte reordering, planned
// from the input format, the wanted output format and the resize geometry; verbs add their own
// stages (a module call on every picture) between such conversions.
#ifndef PELFORGE_TOOLS_PIPELINE_HPP_
#define PELFORGE_TOOLS_PIPELINE_HPP_

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "formats.hpp"

namespace pf::cli {

// Cut, offset and fill margins in the order top, bottom, left, right, as the resizer takes them.
struct Geometry {
  std::array<int, 4> crop{};
  std::array<int, 4> offset{};
  std::array<int, 4> fill{};
  std::array<int, 3> fill_color{16, 128, 128};  // black
  bool nearest = false;
  // True when anything but a plain whole-picture scale is asked for.
  bool any() const;
};

class Stage {
 public:
  Stage(VideoFormat in, VideoFormat out) : in_(std::move(in)), out_(std::move(out)) {}
  virtual ~Stage() = default;
  Stage(const Stage&) = delete;
  Stage& operator=(const Stage&) = delete;
  // in holds in().frame_size() bytes, out out().frame_size() bytes. Throws on a module refusal.
  virtual void run(uint8_t* in, uint8_t* out) = 0;
  virtual std::string describe() const = 0;
  const VideoFormat& in() const { return in_; }
  const VideoFormat& out() const { return out_; }

 protected:
  VideoFormat in_;
  VideoFormat out_;
};

// A stage that runs `fn(in, out)` on every picture: `in` holds a picture of format `in`, `out`
// receives one of format `out` (painted black before the first picture). The callable lives as
// long as the stage, so it may keep state from picture to picture (a module instance, the
// previous picture); it throws CliError (ModuleError for a module's refusal) to stop the run.
template <class Fn>
class FunctionStage final : public Stage {
 public:
  FunctionStage(const VideoFormat& in, const VideoFormat& out, std::string description, Fn fn)
      : Stage(in, out), description_(std::move(description)), fn_(std::move(fn)) {}
  void run(uint8_t* in, uint8_t* out) override { fn_(in, out); }
  std::string describe() const override { return description_; }

 private:
  std::string description_;
  Fn fn_;
};

template <class Fn>
std::unique_ptr<Stage> make_stage(const VideoFormat& in, const VideoFormat& out,
                                  std::string description, Fn fn) {
  return std::make_unique<FunctionStage<Fn>>(in, out, std::move(description), std::move(fn));
}

// For modules that work in place: the stage copies each picture into its own buffer and runs
// `fn(picture)` there, so the picture before it in the chain stays as it was.
template <class Fn>
std::unique_ptr<Stage> make_in_place_stage(const VideoFormat& format, std::string description,
                                           Fn fn) {
  const size_t bytes = format.frame_size();
  return make_stage(format, format, std::move(description),
                    [bytes, fn = std::move(fn)](uint8_t* in, uint8_t* out) mutable {
                      std::memcpy(out, in, bytes);
                      fn(out);
                    });
}

// The library stages. `mem` is the run's memory handle; each constructor opens its module and
// throws ModuleError when the module refuses the parameters.
std::unique_ptr<Stage> make_resizer_stage(const VideoFormat& in, const VideoFormat& out,
                                          const Geometry& geometry, void* mem);
// 4:2:0 frame -> RGB of 16, 24 or 32 bits in the library's byte order (rgb565le, bgr24, bgr0).
std::unique_ptr<Stage> make_yuv_to_rgb_stage(const VideoFormat& in, int bits, void* mem);
// RGB of 16, 24 or 32 bits in the library's byte order -> 4:2:0 frame.
std::unique_ptr<Stage> make_rgb_to_yuv_stage(const VideoFormat& in, void* mem);
// RGB of 16 or 24 bits -> RGB of 16 or 24 bits, any size.
std::unique_ptr<Stage> make_rgb_resize_stage(const VideoFormat& in, const VideoFormat& out,
                                             void* mem);
// Lossless reordering between formats of the same samples: rgb24/bgr24/bgra/bgr0 among each
// other, yuv420p <-> yv12.
std::unique_ptr<Stage> make_repack_stage(const VideoFormat& in, const PixFmt& out_fmt);
bool can_repack(const PixFmt& from, const PixFmt& to);

// The same picture stream in the library's own RGB byte order for its depth.
const PixFmt& library_rgb(int bits);

struct Request {
  VideoFormat in;
  VideoFormat out;
  Geometry geometry;
};

using Note = std::function<void(const std::string&)>;

class Pipeline {
 public:
  // Plans and opens the stages. `note` receives one line whenever the plan takes a detour the
  // user did not ask for (for example a conversion through yuv420p).
  Pipeline(const Request& request, void* mem, const Note& note);
  // An empty chain on pictures of `in`, built up with then_convert and then:
  //   Pipeline p(in, mem, note);
  //   p.then_convert(module_in).then(std::move(module_stage)).then_convert(wanted);
  Pipeline(const VideoFormat& in, void* mem, Note note);
  // Adds the library conversions (and with a geometry, the resizer's placement) from the chain's
  // current output to `out`; nothing when they are already the same pictures. Throws ModuleError
  // when no route exists.
  Pipeline& then_convert(const VideoFormat& out, const Geometry& geometry = Geometry{});
  // Adds a stage; it must take the pictures the chain currently gives (CliError otherwise).
  Pipeline& then(std::unique_ptr<Stage> stage);
  // Runs the chain on one picture of the input format; the result stays valid until the next
  // call. With no stage at all the input itself is returned.
  uint8_t* run(uint8_t* in);
  const VideoFormat& in() const { return in_; }
  const VideoFormat& out() const { return out_; }
  std::vector<std::string> describe() const;
  bool empty() const { return stages_.empty(); }

 private:
  void add(std::unique_ptr<Stage> stage);
  void plan_yuv(const VideoFormat& in, const VideoFormat& out, const Geometry& geometry);
  void plan_to_yuv(const VideoFormat& in);
  void plan_from_yuv(const VideoFormat& in, const PixFmt& out_fmt);
  void plan_rgb(const VideoFormat& in, const VideoFormat& out);

  VideoFormat in_;
  VideoFormat out_;
  void* mem_;
  Note note_;
  std::vector<std::unique_ptr<Stage>> stages_;
  std::vector<std::vector<uint8_t>> buffers_;
};

// "uyvy422 720x576 interlaced": the format, size and (for YUV) storage, for messages.
std::string brief(const VideoFormat& format);
// True when pictures of the two formats hold the same bytes in the same places.
bool same_pictures(const VideoFormat& a, const VideoFormat& b);

// True for the resizer's "no kernel for this pair of YUV types" codes, after which a route
// through yuv420p may still exist.
bool is_type_pair_refusal(uint32_t code);

}  // namespace pf::cli

#endif  // PELFORGE_TOOLS_PIPELINE_HPP_
