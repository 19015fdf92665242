// SPDX-License-Identifier: BSD-2-Clause
// The deinterlace and deblock kernels in the parity harness. Every case runs through a module
// instance whose kernel is swapped for the one under test, on guarded pictures with odd strides:
// deinterlace on a sequence of pictures (mode 3 carries its history from one to the next),
// deblock from a source into a destination or in place. The SSE2 mode-0 kernel is held to its
// model (divergent.hpp).
#include <cstdio>
#include <cstring>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "checkasm.hpp"
#include "divergent.hpp"
#include "filter_cases.hpp"
#include "guarded.hpp"
#include "img_deblock.h"
#include "img_deblock_internal.hpp"
#include "img_deinterlace.h"
#include "img_deinterlace_internal.hpp"
#include "parity.hpp"
#include "rng.hpp"
#include "video_mem.h"

namespace {

using Pictures = std::vector<pft::GuardedPicture>;

// An open instance of one of the two modules with its memory handle.
struct Opened {
  void* mem = VideoMemCreate();
  void* handle = nullptr;
  uint32_t (*close)(void*) = nullptr;
  Opened() = default;
  Opened(const Opened&) = delete;
  Opened& operator=(const Opened&) = delete;
  ~Opened() {
    if (handle != nullptr) close(handle);
    VideoMemDestroy(mem);
  }
};

// ---- deinterlace ----

struct DeinterlaceCase {
  tImgDeinterlaceParam param;
  int frames;
};

tImgDeinterlaceParam with_strides(tImgDeinterlaceParam p, const pft::GuardedPicture& picture) {
  p.s32YStride = static_cast<int32_t>(picture.planes()[0].pitch());
  p.s32UVStride = static_cast<int32_t>(picture.planes()[1].pitch());
  return p;
}

bool open_deinterlace(Opened& o, const tImgDeinterlaceParam& p) {
  o.close = ImgDeinterlaceClose_c;
  return ImgDeinterlaceOpen_c(&o.handle, &p, o.mem) == 0;
}

void process_deinterlace(Opened& o, tImgDeinterlaceKernel kernel, pft::GuardedPicture& picture) {
  static_cast<tImgDeinterlaceInstance*>(o.handle)->pfnKernel = kernel;
  uint8_t* planes[3] = {picture.planes()[0].data(), picture.planes()[1].data(),
                        picture.planes()[2].data()};
  ImgDeinterlaceProcess_c(o.handle, planes, planes);
}

// Pictures of one geometry: later ones are either new content or the first one slightly moved,
// as consecutive pictures of a video are.
Pictures deinterlace_pictures(const DeinterlaceCase& c, uint64_t seed) {
  pft::Rng content(seed * 3 + 1);
  Pictures pictures;
  for (int i = 0; i < c.frames; ++i) {
    pft::Rng geometry(seed);
    pictures.emplace_back(PF_YUV_420, c.param.s32Width, c.param.s32Height, geometry, 24);
    pft::GuardedPicture& picture = pictures.back();
    if (i == 0 || content.chance(50)) {
      pft::fill_filter_content(picture, content);
      continue;
    }
    for (size_t k = 0; k < 3; ++k) {
      auto& plane = picture.planes()[k];
      const auto& first = pictures.front().planes()[k];
      const uint32_t shift = content.below(3);
      for (uint32_t y = 0; y < plane.rows(); ++y) {
        for (uint32_t x = 0; x < plane.width(); ++x)
          plane.at(x, y) = first.at(x + shift < plane.width() ? x + shift : x, y);
      }
    }
  }
  return pictures;
}

int run_deinterlace(const pfc::Options& o, uint32_t flags);

// ---- deblock ----

struct DeblockCase {
  tImgDeblockParam param;
  int32_t qp;
  bool in_place;
};

Pictures deblock_pictures(const DeblockCase& c, uint64_t seed) {
  pft::Rng rng(seed);
  Pictures pictures;
  pictures.emplace_back(PF_YUV_420, c.param.s32SrcWidth, c.param.s32SrcHeight, rng, 24);
  pft::fill_blocky_content(pictures.back(), rng);
  if (!c.in_place)
    pictures.emplace_back(PF_YUV_420, c.param.s32SrcWidth, c.param.s32SrcHeight, rng, 24);
  return pictures;
}

tImgDeblockParam deblock_param(int32_t w, int32_t h, const Pictures& pictures) {
  const pft::GuardedPicture& src = pictures.front();
  const pft::GuardedPicture& dst = pictures.back();
  auto pitch = [](const pft::GuardedPicture& p, int k) {
    return static_cast<int32_t>(p.planes()[k].pitch());
  };
  return {w, h, pitch(src, 0), pitch(src, 1), w, h, pitch(dst, 0), pitch(dst, 1)};
}

void process_deblock(Opened& o, tImgDeblockKernel kernel, Pictures& pictures, int32_t qp) {
  static_cast<tImgDeblockInstance*>(o.handle)->pfnKernel = kernel;
  pft::GuardedPicture& src = pictures.front();
  pft::GuardedPicture& dst = pictures.back();
  tImgDeblockData data{src.planes()[0].data(),
                       src.planes()[1].data(),
                       src.planes()[2].data(),
                       dst.planes()[0].data(),
                       dst.planes()[1].data(),
                       dst.planes()[2].data(),
                       qp};
  ImgDeblockProcess_c(o.handle, &data, &data);
}

bool open_deblock(Opened& o, const tImgDeblockParam& p) {
  o.close = ImgDeblockClose_c;
  return ImgDeblockOpen_c(&o.handle, &p, o.mem) == 0;
}

// ---- the shared runner ----

// Checks every variant of every manifest row on `cases` random cases and, with --bench, times
// each against the scalar kernel on `bench_case`. make(case, seed) builds the pictures,
// run(case, kernel, pictures) processes them; model(variant) is the kernel a variant that
// computes something else is held to, or null.
template <class Fn, class Case>
int check_family(const char* family, std::span<const pf::KernelRow<Fn>> rows, const pfc::Options& o,
                 uint32_t flags, const std::function<Case(pft::Rng&, size_t row)>& random_case,
                 const std::function<Pictures(const Case&, uint64_t)>& make,
                 const std::function<void(const Case&, Fn, Pictures&)>& run,
                 const std::function<Fn(Fn)>& model,
                 const std::function<std::string(const Case&)>& name,
                 const std::function<void(size_t row, Fn scalar, const Fn (&variants)[4])>& bench) {
  int tested[4] = {}, failed[4] = {}, failures = 0;
  for (size_t r = 0; r < rows.size(); ++r) {
    const pf::KernelRow<Fn>& row = rows[r];
    if (!pfc::wanted(o, row.name)) continue;
    if (o.list) {
      std::printf("%-48s", row.name);
      for (int isa = 0; isa < 4; ++isa)
        if (row.variant[isa] != nullptr) std::printf(" %s", pf::kIsaName[isa]);
      std::printf("\n");
      continue;
    }
    pf::KernelRow<Fn> selected = row;
    bool runnable = false;
    for (int isa = 0; isa < 4; ++isa) {
      const bool wanted_isa = o.isa.empty() || o.isa == pf::kIsaName[isa];
      if (!wanted_isa || (flags & pf::kIsaFlag[isa]) == 0) selected.variant[isa] = nullptr;
      runnable |= selected.variant[isa] != nullptr;
    }
    if (!runnable) continue;
    pft::Rng rng(o.seed ^ std::hash<std::string>{}(row.name));
    for (int i = 0; i < o.cases; ++i) {
      const Case c = random_case(rng, r);
      const uint64_t seed = rng.next();
      auto make_pictures = [&](uint64_t s) { return make(c, s); };
      auto run_kernel = [&](Fn kernel, Pictures& pictures) { run(c, kernel, pictures); };
      for (int isa = 0; isa < 4; ++isa) {
        if (selected.variant[isa] == nullptr) continue;
        pf::KernelRow<Fn> one{row.name, row.pointer, row.scalar, {}};
        one.variant[isa] = selected.variant[isa];
        const Fn reference = model(selected.variant[isa]);
        if (reference != nullptr) one.scalar = reference;
        ++tested[isa];
        for (const std::string& m : pft::compare_variants(one, seed, make_pictures, run_kernel)) {
          std::printf("[FAILED] %s%s (%s)\n", m.c_str(),
                      reference != nullptr ? " against its model" : "", name(c).c_str());
          ++failed[isa];
          ++failures;
        }
      }
    }
    if (o.bench && failures == 0) bench(r, row.scalar, selected.variant);
  }
  pfc::report_family(family, tested, failed, o.list);
  return failures;
}

int run_deinterlace(const pfc::Options& o, uint32_t flags) {
  auto random_case = [](pft::Rng& rng, size_t row) {
    return DeinterlaceCase{pft::random_deinterlace_param(rng, static_cast<int32_t>(row)),
                           rng.range(1, 3)};
  };
  auto run = [](const DeinterlaceCase& c, tImgDeinterlaceKernel kernel, Pictures& pictures) {
    Opened instance;
    if (!open_deinterlace(instance, with_strides(c.param, pictures.front()))) return;
    for (auto& picture : pictures) process_deinterlace(instance, kernel, picture);
  };
  auto bench = [](size_t row, tImgDeinterlaceKernel scalar,
                  const tImgDeinterlaceKernel(&variants)[4]) {
    const DeinterlaceCase c{{720, 576, 0, 0, static_cast<int32_t>(row), 1}, 1};
    Pictures pictures = deinterlace_pictures(c, 7);
    Opened instance;
    if (!open_deinterlace(instance, with_strides(c.param, pictures.front()))) return;
    auto time = [&](tImgDeinterlaceKernel k) {
      return pfc::cycles_per_call([&] { process_deinterlace(instance, k, pictures.front()); });
    };
    const double base = time(scalar);
    for (int isa = 0; isa < 4; ++isa) {
      if (variants[isa] == nullptr) continue;
      const double cycles = time(variants[isa]);
      std::printf("  %-44s %-6s %10.0f cycles  x%5.2f  (720x576)\n",
                  pf::deinterlace_kernels()[row].name, pf::kIsaName[isa], cycles, base / cycles);
    }
  };
  return check_family<tImgDeinterlaceKernel, DeinterlaceCase>(
      "deinterlace", pf::deinterlace_kernels(), o, flags, random_case, deinterlace_pictures, run,
      [](tImgDeinterlaceKernel v) { return pft::divergent_model(v); },
      [](const DeinterlaceCase& c) {
        return pft::describe(c.param) + ", " + std::to_string(c.frames) + " pictures";
      },
      bench);
}

int run_deblock(const pfc::Options& o, uint32_t flags) {
  auto random_case = [](pft::Rng& rng, size_t) {
    const int32_t w = 8 * rng.range(1, 30), h = 8 * rng.range(1, 16);
    return DeblockCase{{w, h, 0, 0, w, h, 0, 0}, pft::random_qp(rng), rng.chance(25)};
  };
  auto run = [](const DeblockCase& c, tImgDeblockKernel kernel, Pictures& pictures) {
    Opened instance;
    const tImgDeblockParam p = deblock_param(c.param.s32SrcWidth, c.param.s32SrcHeight, pictures);
    if (!open_deblock(instance, p)) return;
    process_deblock(instance, kernel, pictures, c.qp);
  };
  auto bench = [](size_t, tImgDeblockKernel scalar, const tImgDeblockKernel(&variants)[4]) {
    const DeblockCase c{{720, 576, 0, 0, 720, 576, 0, 0}, 12, false};
    Pictures pictures = deblock_pictures(c, 7);
    Opened instance;
    if (!open_deblock(instance, deblock_param(720, 576, pictures))) return;
    auto time = [&](tImgDeblockKernel k) {
      return pfc::cycles_per_call([&] { process_deblock(instance, k, pictures, c.qp); });
    };
    const double base = time(scalar);
    for (int isa = 0; isa < 4; ++isa) {
      if (variants[isa] == nullptr) continue;
      const double cycles = time(variants[isa]);
      std::printf("  %-44s %-6s %10.0f cycles  x%5.2f  (720x576)\n", "ImgDeblockFrame",
                  pf::kIsaName[isa], cycles, base / cycles);
    }
  };
  return check_family<tImgDeblockKernel, DeblockCase>(
      "deblock", pf::deblock_kernels(), o, flags, random_case, deblock_pictures, run,
      [](tImgDeblockKernel) -> tImgDeblockKernel { return nullptr; },
      [](const DeblockCase& c) {
        return std::to_string(c.param.s32SrcWidth) + "x" + std::to_string(c.param.s32SrcHeight) +
               " QP " + std::to_string(c.qp) + (c.in_place ? " in place" : "");
      },
      bench);
}

}  // namespace

PF_CHECKASM_FAMILY("deinterlace", run_deinterlace);
PF_CHECKASM_FAMILY("deblock", run_deblock);
