// SPDX-License-Identifier: BSD-2-Clause
// PAL/NTSC change: every kernel and its SSE2 twin against the line mapping computed directly, in
// separate buffers, in place and (PAL to NTSC) repacked inside one buffer, with guard bytes all
// round; the module's kernel choice through Process; and its description for the generic tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "img_pnchange.h"
#include "module_cases.hpp"
#include "parity.hpp"
#include "pnchange/pnchange.hpp"
#include "rng.hpp"
#include "vmem_fixture.hpp"

namespace {

using Bytes = std::vector<uint8_t>;
using Shape = pf::PnKernelShape;
constexpr uint32_t kBase = 0xC2A00000;
constexpr size_t kGuard = 77;  // odd, so that planes start at every alignment in turn

struct PlaneShape {
  size_t line_bytes;
  int pal_lines;  // whole picture
  uint8_t black[4];
};

std::vector<PlaneShape> shapes(const Shape& s) {
  if (s.layout == pf::PnLayout::kUyvyFrame) return {{2 * s.width, 576, {128, 16, 128, 16}}};
  return {{s.width, 576, {16, 16, 16, 16}},
          {s.width / 2, 288, {128, 128, 128, 128}},
          {s.width / 2, 288, {128, 128, 128, 128}}};
}

int lines_of(const PlaneShape& shape, bool pal) {
  return pal ? shape.pal_lines : shape.pal_lines * 5 / 6;
}

// Where each picture's planes lie in one flat buffer.
struct Arrangement {
  std::string name;
  std::vector<size_t> src, dst;  // plane offsets
  size_t bytes;
};

std::vector<size_t> contiguous(const Shape& s, size_t at, bool pal) {
  std::vector<size_t> offsets;
  for (const PlaneShape& shape : shapes(s)) {
    offsets.push_back(at);
    at += shape.line_bytes * static_cast<size_t>(lines_of(shape, pal));
  }
  return offsets;
}

size_t picture_bytes(const Shape& s, bool pal) {
  size_t n = 0;
  for (const PlaneShape& shape : shapes(s))
    n += shape.line_bytes * static_cast<size_t>(lines_of(shape, pal));
  return n;
}

std::vector<Arrangement> arrangements(const Shape& s, size_t shift) {
  const bool to_pal = s.direction == pf::PnDirection::kNtscToPal;
  const size_t src_bytes = picture_bytes(s, !to_pal), pal_bytes = picture_bytes(s, true);
  std::vector<Arrangement> out;
  out.push_back({"two buffers", contiguous(s, kGuard + shift, !to_pal),
                 contiguous(s, kGuard + shift + src_bytes + 64, to_pal),
                 2 * kGuard + shift + src_bytes + 64 + picture_bytes(s, to_pal)});
  if (!s.one_buffer) return out;
  // In place: every plane keeps its place and has room for PAL's lines.
  const std::vector<size_t> pal_planes = contiguous(s, kGuard + shift, true);
  out.push_back({"in place", pal_planes, pal_planes, 2 * kGuard + shift + pal_bytes});
  if (!to_pal && s.layout != pf::PnLayout::kUyvyFrame) {
    out.push_back({"repacked in one buffer", pal_planes, contiguous(s, kGuard + shift, false),
                   2 * kGuard + shift + pal_bytes});
  }
  return out;
}

// The result computed line by line from the bytes before the call.
Bytes expected_result(const Shape& s, const Arrangement& a, const Bytes& before) {
  Bytes out = before;
  const bool to_pal = s.direction == pf::PnDirection::kNtscToPal;
  const int fields = s.layout == pf::PnLayout::k420Field ? 2 : 1;
  const auto plane_shapes = shapes(s);
  for (size_t p = 0; p < plane_shapes.size(); ++p) {
    const PlaneShape& shape = plane_shapes[p];
    const int pal = shape.pal_lines / fields, ntsc = lines_of(shape, false) / fields;
    const int band = (pal - ntsc) / 2;
    const size_t lb = shape.line_bytes;
    for (int f = 0; f < fields; ++f) {
      const int dst_lines = to_pal ? pal : ntsc;
      for (int y = 0; y < dst_lines; ++y) {
        uint8_t* line = out.data() + a.dst[p] + (static_cast<size_t>(f * dst_lines + y)) * lb;
        const int source = to_pal ? y - band : y + band;  // line of the same field
        if (source < 0 || source >= (to_pal ? ntsc : pal)) {
          for (size_t i = 0; i < lb; ++i) line[i] = shape.black[i % 4];
        } else {
          const int src_lines = to_pal ? ntsc : pal;
          std::memcpy(line,
                      before.data() + a.src[p] + static_cast<size_t>(f * src_lines + source) * lb,
                      lb);
        }
      }
    }
  }
  return out;
}

tImagePNChangePicture planes_at(Bytes& memory, const std::vector<size_t>& offsets) {
  tImagePNChangePicture pic{memory.data() + offsets[0], nullptr, nullptr};
  if (offsets.size() == 3)
    pic.pu8U = memory.data() + offsets[1], pic.pu8V = memory.data() + offsets[2];
  return pic;
}

TEST(PNChangeKernels, EveryKernelAndTwinMovesTheLinesItShould) {
  pft::Rng rng(1313);
  const bool sse2 = (pft::cpu_flags() & VIDEOMEM_CPU_SSE2) != 0;
  for (const auto& row : pf::pnchange_kernels()) {
    const Shape* shape = pf::pn_kernel_shape(row.pointer);
    ASSERT_NE(shape, nullptr) << row.name;
    std::vector<std::pair<const char*, tPNChangeKernel>> kernels = {{"c", row.scalar}};
    if (sse2 && row.variant[pf::kSse2] != nullptr)
      kernels.push_back({"sse2", row.variant[pf::kSse2]});
    for (size_t shift = 0; shift < 3; ++shift) {
      for (const Arrangement& a : arrangements(*shape, shift * 5)) {
        Bytes before(a.bytes);
        for (auto& b : before) b = rng.byte();
        const Bytes expected = expected_result(*shape, a, before);
        for (const auto& [isa, kernel] : kernels) {
          SCOPED_TRACE(std::string(row.name) + " " + isa + ", " + a.name);
          Bytes memory = before;
          const tImagePNChangePicture src = planes_at(memory, a.src),
                                      dst = planes_at(memory, a.dst);
          kernel(&src, &dst);
          size_t first = 0;
          while (first < memory.size() && memory[first] == expected[first]) ++first;
          EXPECT_EQ(first, memory.size()) << "first wrong byte at offset " << first;
        }
      }
    }
  }
}

tImagePNChangeParam pn_param(int32_t yuv, int32_t image, int32_t width, uint8_t from,
                             uint8_t buffers) {
  const uint8_t to = from == PF_TV_PAL ? PF_TV_NTSC : PF_TV_PAL;
  const int32_t luma_stride = yuv == 420 ? width : 2 * width;
  tImagePNChangeParam p{};
  p.s32SrcWidth = p.s32DstWidth = width;
  p.s32SrcHeight = from == PF_TV_PAL ? 576 : 480;
  p.s32DstHeight = to == PF_TV_PAL ? 576 : 480;
  p.s32SrcYStride = p.s32DstYStride = luma_stride;
  p.s32SrcUVStride = p.s32DstUVStride = luma_stride / 2;
  p.s32SrcYuvType = p.s32DstYuvType = yuv;
  p.s32SrcImageType = p.s32DstImageType = image;
  p.u8SrcTvFormat = from;
  p.u8DstTvFormat = to;
  p.u8BufferUse = buffers;
  return p;
}

class PNChange : public pft::VmemTest {};

// The module runs the kernel its record names: a converted picture shows it.
TEST_F(PNChange, ProcessRunsTheKernelOfTheRecord) {
  struct Row {
    int32_t yuv, image, width;
    uint8_t from, buffers;
    tPNChangeKernel* kernel;
  };
  const Row rows[] = {
      {422, 1, 720, 'N', 0, &D1YUV422FrameNToPTwoBuffer},
      {422, 1, 720, 'N', 1, &D1YUV422FrameNToPOneBuffer},
      {422, 1, 720, 'P', 0, &D1YUV422FramePToNTwoBuffer},
      {422, 1, 720, 'P', 1, &D1YUV422FramePToNOneBuffer},
      {420, 2, 720, 'P', 1, &D1YUV420FieldPToNOneBuffer},
      {420, 1, 720, 'P', 1, &D1YUV420FramePToNOneBuffer},
      {420, 2, 720, 'N', 0, &D1YUV420FieldNToPTwoBuffer},
      {420, 1, 720, 'N', 0, &D1YUV420FrameNToPTwoBuffer},
      {420, 2, 704, 'P', 1, &YUV420Field4CIFPToNOneBuffer},
      {420, 1, 704, 'P', 1, &YUV420Frame4CIFPToNOneBuffer},
      {420, 2, 704, 'N', 0, &YUV420Field4CIFNToPTwoBuffer},
      {420, 1, 704, 'N', 0, &YUV420Frame4CIFNToPTwoBuffer},
  };
  pft::Rng rng(99);
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.yuv) + " image " + std::to_string(r.image) + " width " +
                 std::to_string(r.width) + " from " + char(r.from) + " buffers " +
                 std::to_string(r.buffers));
    const tImagePNChangeParam p = pn_param(r.yuv, r.image, r.width, r.from, r.buffers);
    void* h = nullptr;
    ASSERT_EQ(ImagePNChangeOpen_c(&h, &p, mem()), 0u);
    const Shape& shape = *pf::pn_kernel_shape(r.kernel);
    const Arrangement a = arrangements(shape, 3).back();
    Bytes memory(a.bytes);
    for (auto& b : memory) b = rng.byte();
    const Bytes expected = expected_result(shape, a, memory);
    tImagePNChangePicture src = planes_at(memory, a.src), dst = planes_at(memory, a.dst);
    EXPECT_EQ(ImagePNChangeProcess_c(h, &src, &dst), 0u);
    EXPECT_TRUE(memory == expected);
    // Null planes are refused before anything is touched.
    if (r.yuv == 420) {
      tImagePNChangePicture no_v = src;
      no_v.pu8V = nullptr;
      EXPECT_EQ(ImagePNChangeProcess_c(h, &no_v, &dst), kBase + 0x18);
      no_v = dst;
      no_v.pu8U = nullptr;
      EXPECT_EQ(ImagePNChangeProcess_c(h, &src, &no_v), kBase + 0x19);
    }
    tImagePNChangePicture no_y = dst;
    no_y.pu8Y = nullptr;
    EXPECT_EQ(ImagePNChangeProcess_c(h, &src, &no_y), kBase + 0x19);
    EXPECT_EQ(ImagePNChangeClose_c(h), 0u);
  }
}

pft::ModuleCase pnchange_case() {
  using R = tImagePNChangeParam;
  pft::ModuleCase m;
  m.name = "pnchange";
  m.entry = tImagePNChangeFunc;
  m.table = &tImagePNChangeFunc;
  m.id = 13;
  pft::set_names(m, pas8ImagePNChangeAnalyzeErrorCode, kBase + 1, kBase + 1, kBase + 0x23,
                 kBase + 0x23);
  pft::set_version(m, "pelforge_v300.pnchange.001", kBase + 0x1D, kBase + 0x1E, kBase + 0x1F);
  m.param = pft::record_bytes(pn_param(420, 1, 720, 'P', 1));
  m.mem_size = 160;
  m.family = pft::Family::kAnalysis;
  // Planes as the strides say; with one buffer the destination is the source's memory, large
  // enough for the taller of the two.
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const R*>(record);
    const bool packed = p.s32SrcYuvType == PF_YUV_UYVY;
    const auto picture = [&](int32_t w, int32_t rows, int32_t ys, int32_t uvs) {
      const int64_t bytes = packed ? 2 * int64_t{w} : w;
      return tImagePNChangePicture{pics.plane(bytes, rows, ys),
                                   packed ? nullptr : pics.plane(w / 2, rows / 2, uvs),
                                   packed ? nullptr : pics.plane(w / 2, rows / 2, uvs)};
    };
    if (p.u8BufferUse == PF_PN_ONE_BUFFER) {
      tImagePNChangePicture pic = picture(p.s32SrcWidth, std::max(p.s32SrcHeight, p.s32DstHeight),
                                          p.s32SrcYStride, p.s32SrcUVStride);
      return e.Process(h, &pic, &pic);
    }
    tImagePNChangePicture src =
        picture(p.s32SrcWidth, p.s32SrcHeight, p.s32SrcYStride, p.s32SrcUVStride);
    tImagePNChangePicture dst =
        picture(p.s32DstWidth, p.s32DstHeight, p.s32DstYStride, p.s32DstUVStride);
    return e.Process(h, &src, &dst);
  };
  pft::set_null_codes(
      m, {kBase + 0x01, kBase + 0x1A, kBase + 0x1B, 0, kBase + 0x1C, kBase + 0x20, kBase + 0x17});
  m.open_failures = {kBase + 0x02, kBase + 0x21};
  m.dma_failure = kBase + 0x22;
  const auto row = [](const char* what, uint32_t code, void (*change)(R&), bool late = false) {
    return pft::ValidationRow{what, pft::edit<R>(change), kBase + code, 0, late};
  };
  const auto late = [row](const char* what, uint32_t code, void (*change)(R&)) {
    return row(what, code, change, true);
  };
  m.rows = {
      row("source width 352", 0x03, [](R& p) { p.s32SrcWidth = 352, p.s32DstWidth = 0; }),
      row("destination width 721", 0x04, [](R& p) { p.s32DstWidth = 721, p.s32SrcHeight = 0; }),
      row("source height 288", 0x05, [](R& p) { p.s32SrcHeight = 288, p.s32DstHeight = 0; }),
      row("destination height 0", 0x06, [](R& p) { p.s32DstHeight = 0, p.s32SrcYuvType = 422; }),
      row("YUV types differ", 0x0B, [](R& p) { p.s32DstYuvType = 422, p.s32SrcYStride = 0; }),
      row("source YUV 4221", 0x0C, [](R& p) { p.s32SrcYuvType = p.s32DstYuvType = 4221; }),
      row("source luma stride 719", 0x07,
          [](R& p) { p.s32SrcYStride = 719, p.s32SrcUVStride = 0; }),
      row("source chroma stride", 0x08, [](R& p) { p.s32SrcUVStride = 361, p.s32DstYStride = 0; }),
      row("destination luma stride", 0x09, [](R& p) { p.s32DstYStride = 700; }),
      row("destination chroma stride", 0x0A,
          [](R& p) { p.s32DstUVStride = 720, p.s32SrcImageType = 3; }),
      row("source image type 3", 0x0E, [](R& p) { p.s32SrcImageType = 3, p.s32DstImageType = 0; }),
      row("destination image type 0", 0x0F,
          [](R& p) { p.s32DstImageType = 0, p.u8DstTvFormat = 'P'; }),
      row("UYVY field picture", 0x0E,
          [](R& p) {
            p.s32SrcYuvType = p.s32DstYuvType = 422, p.s32SrcImageType = 2;
            p.s32SrcYStride = p.s32DstYStride = 1440;
          }),
      row("P to P", 0x10, [](R& p) { p.u8DstTvFormat = 'P', p.u8BufferUse = 2; }),
      row("source 'p'", 0x11, [](R& p) { p.u8SrcTvFormat = 'p'; }),
      row("destination 'M'", 0x12, [](R& p) { p.u8DstTvFormat = 'M'; }),
      row("buffer use 2", 0x13, [](R& p) { p.u8BufferUse = 2; }),
      row("PAL source of 480 lines", 0x05, [](R& p) { p.s32SrcHeight = 480; }),
      row("NTSC destination of 576 lines", 0x06, [](R& p) { p.s32DstHeight = 576; }),
      // Refusals of the kernel choice come after the instance exists, and give it back.
      late("4:2:0 P to N in two buffers", 0x16, [](R& p) { p.u8BufferUse = 0; }),
      late("4:2:0 N to P in one buffer", 0x15,
           [](R& p) {
             p.u8SrcTvFormat = 'N', p.u8DstTvFormat = 'P', p.s32SrcHeight = 480;
             p.s32DstHeight = 576;
           }),
      late("4:2:0 width changes", 0x15,
           [](R& p) { p.s32DstWidth = p.s32DstYStride = 704, p.s32DstUVStride = 352; }),
      late("4:2:0 frame to field", 0x15, [](R& p) { p.s32DstImageType = 2; }),
      late("UYVY 704 wide", 0x03,
           [](R& p) {
             p.s32SrcYuvType = p.s32DstYuvType = 422, p.s32SrcWidth = p.s32DstWidth = 704;
             p.s32SrcYStride = p.s32DstYStride = 1408;
           }),
  };
  return m;
}
PF_MODULE_CASE(pnchange_case);

}  // namespace
