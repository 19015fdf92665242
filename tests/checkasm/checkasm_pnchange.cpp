// SPDX-License-Identifier: BSD-2-Clause
// The PAL/NTSC change kernels in the parity harness: each SSE2 twin against its scalar kernel in
// separate buffers, in place, and (PAL to NTSC, 4:2:0) repacked inside one buffer, with planes
// at every alignment and random contents.
#include <memory>
#include <string>
#include <vector>

#include "checkasm.hpp"
#include "img_pnchange.h"
#include "pnchange/pnchange.hpp"

namespace {

using Shape = pf::PnKernelShape;

// Plane offsets of a picture stored plane after plane, and its size in lines of the luma (or
// packed) line length.
struct Flat {
  std::vector<size_t> planes;
  uint32_t lines;
};

Flat flat(const Shape& s, bool pal) {
  const uint32_t luma = pal ? 576 : 480;
  if (s.layout == pf::PnLayout::kUyvyFrame) return {{0}, luma};
  const size_t y = size_t{s.width} * luma;
  return {{0, y, y + y / 4}, luma * 3 / 2};
}

size_t line_bytes(const Shape& s) {
  return s.layout == pf::PnLayout::kUyvyFrame ? 2 * s.width : s.width;
}

enum class Place { kSeparate, kInPlace, kRepacked };
constexpr const char* kPlaceName[] = {"separate", "in place", "repacked"};

tImagePNChangePicture at(pft::GuardedPicture& pic, size_t shift, const std::vector<size_t>& o) {
  uint8_t* base = pic.planes()[0].data() + shift;
  tImagePNChangePicture p{base + o[0], nullptr, nullptr};
  if (o.size() == 3) p.pu8U = base + o[1], p.pu8V = base + o[2];
  return p;
}

// One case: where the pictures lie for one kernel, and how far off alignment.
struct Case {
  Place place;
  size_t shift;
  uint32_t line;  // bytes
  Flat src, dst, pal;
};

pfc::Pictures make(const Case& c, uint64_t seed) {
  pft::Rng rng(seed);
  pfc::Pictures pics;
  // One spare line gives the shifted planes room.
  if (c.place == Place::kSeparate) {
    pics.emplace_back(PF_YUV_UYVY, c.line / 2, c.src.lines + 1, rng);
    pics.emplace_back(PF_YUV_UYVY, c.line / 2, c.dst.lines + 1, rng);
  } else {
    pics.emplace_back(PF_YUV_UYVY, c.line / 2, c.pal.lines + 1, rng);
  }
  return pics;
}

void run(const Case& c, tPNChangeKernel kernel, pfc::Pictures& pics) {
  const bool separate = c.place == Place::kSeparate;
  const tImagePNChangePicture s = at(pics[0], c.shift, separate ? c.src.planes : c.pal.planes);
  const tImagePNChangePicture d =
      separate ? at(pics[1], c.shift, c.dst.planes)
               : at(pics[0], c.shift, c.place == Place::kInPlace ? c.pal.planes : c.dst.planes);
  kernel(&s, &d);
}

int run_pnchange(const pfc::Options& o, uint32_t flags) {
  const auto rows = pf::pnchange_kernels();
  auto case_of = [rows](size_t row, Place place, size_t shift) {
    const Shape& shape = *pf::pn_kernel_shape(rows[row].pointer);
    const bool to_pal = shape.direction == pf::PnDirection::kNtscToPal;
    return Case{place,
                shift,
                static_cast<uint32_t>(line_bytes(shape)),
                flat(shape, !to_pal),
                flat(shape, to_pal),
                flat(shape, true)};
  };
  pfc::Family<tPNChangeKernel, Case> f;
  f.rows = rows;
  f.cases = [&](pft::Rng& rng, size_t row, int count) {
    const Shape& shape = *pf::pn_kernel_shape(rows[row].pointer);
    std::vector<Place> places = {Place::kSeparate};
    if (shape.one_buffer) places.push_back(Place::kInPlace);
    if (shape.one_buffer && shape.direction != pf::PnDirection::kNtscToPal &&
        shape.layout != pf::PnLayout::kUyvyFrame)
      places.push_back(Place::kRepacked);
    return pfc::random_cases<Case>(rng, count, [&](pft::Rng& r, int i) {
      return case_of(row, places[static_cast<size_t>(i) % places.size()], r.below(16));
    });
  };
  f.make = make;
  f.run = run;
  f.describe = [](const Case& c) {
    return std::string(kPlaceName[static_cast<int>(c.place)]) + ", shift " +
           std::to_string(c.shift);
  };
  f.bench = [&](size_t row) -> std::pair<std::function<void(tPNChangeKernel)>, std::string> {
    const Case c = case_of(row, Place::kSeparate, 0);
    auto pics = std::make_shared<pfc::Pictures>(make(c, 1));
    return {[c, pics](tPNChangeKernel k) { run(c, k, *pics); }, "separate buffers"};
  };
  return pfc::run_family("pnchange", f, o, flags);
}

}  // namespace

PF_CHECKASM_FAMILY("pnchange", run_pnchange);
