// SPDX-License-Identifier: BSD-2-Clause
// Stages of the zoom and 4:2:0/4:2:2 conversion modules, for resize and convert: they take over
// the jobs those modules were made for, where the general resizer would otherwise run.
#ifndef PELFORGE_TOOLS_VERBS_ZOOM_STAGES_HPP_
#define PELFORGE_TOOLS_VERBS_ZOOM_STAGES_HPP_

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "formats.hpp"
#include "pipeline.hpp"

namespace pf::cli {

inline constexpr uint32_t kYuv422ToYuv420Id = 1;
inline constexpr uint32_t kYuv420ToYuv422Id = 2;
inline constexpr uint32_t kD1SplitId = 4;
inline constexpr uint32_t kAptZoomId = 20;
inline constexpr uint32_t kZoomUyvyId = 23;

// Bars (top, bottom, left, right) that fit a w x h picture into out_w x out_h with its shape
// kept and centred: multiples of 4, as ImageAptZoom takes them.
std::array<int, 4> keep_aspect_bars(int w, int h, int out_w, int out_h);

// ImageAptZoom: a yuv420p or uyvy422 frame or field picture into the same kinds of picture, the
// scaled picture inside `bars` painted black. Throws ModuleError when the module refuses.
std::unique_ptr<Stage> make_apt_zoom_stage(const VideoFormat& in, const VideoFormat& out,
                                           const std::array<int, 4>& bars, void* mem);

// ImageZoomUYVY for a resize of uyvy422 to uyvy422 whose only placement is black bars (the fill
// margins in the default colour); null when the geometry asks for more.
std::unique_ptr<Stage> make_uyvy_zoom_stage(const VideoFormat& in, const VideoFormat& out,
                                            const Geometry& geometry, void* mem);

// The YUV420-to-YUV422 and YUV422-to-YUV420 modules, for yuv420p <-> uyvy422 of one size; null
// for other formats. The second reports each picture's scene-change flag to `scene`, when given.
using SceneReport = std::function<void(uint32_t flag)>;
std::unique_ptr<Stage> make_packed_conversion_stage(const VideoFormat& in, const VideoFormat& out,
                                                    void* mem, const SceneReport& scene = nullptr);

}  // namespace pf::cli

#endif  // PELFORGE_TOOLS_VERBS_ZOOM_STAGES_HPP_
