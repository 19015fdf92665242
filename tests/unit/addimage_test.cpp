// SPDX-License-Identifier: BSD-2-Clause
// Picture insertion: the module for the generic tests, and random insertions (sizes, cuts,
// positions, frame and field storage both ways, 4:2:0 and packed 4:2:2) against a model that
// places every source sample by the copy rules, with guard bytes after the background.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "img_addimage.h"
#include "module_cases.hpp"
#include "rng.hpp"
#include "vmem_fixture.hpp"

namespace {

using pft::Bytes;
using P = tImageAddImageParam;

P param(int32_t bw, int32_t bh, uint32_t bt, int32_t fw, int32_t fh, uint32_t ft, uint32_t yuv,
        int32_t top, int32_t left, int32_t tc = 0, int32_t bc = 0, int32_t lc = 0, int32_t rc = 0) {
  return {bw, bh, bt, yuv, fw, fh, ft, yuv, top, left, tc, bc, lc, rc};
}

size_t bytes_of(uint32_t yuv, int32_t w, int32_t h) {
  return size_t(w) * size_t(h) * (yuv == PF_YUV_UYVY ? 4 : 3) / 2;
}

pft::ModuleCase addimage_case() {
  pft::ModuleCase m;
  m.name = "addimage";
  m.entry = PF_ENTRY_POINTS(ImgAddImage);
  m.table = &tImageAddImageFunc;
  m.id = 14;
  pft::set_names(m, pas8ImageAddImageSelfAnalyzeErrorCode, ERR_IMG_ADD_IMAGE_OPEN_INPUT_POINTER,
                 ERR_IMG_ADD_IMAGE_OPEN_INPUT_POINTER, ERR_IMG_ADD_IMAGE_END,
                 ERR_IMG_ADD_IMAGE_ANALYZE_ERROR_CODE_HANDLE);
  pft::set_version(m, "pelforge_v300.addimage.001", ERR_IMG_ADD_IMAGE_VERSION_INPUT_POINTER, 0,
                   ERR_IMG_ADD_IMAGE_VERSION_LEN);
  m.param = pft::record_bytes(param(64, 48, 1, 32, 16, 2, PF_YUV_420, 8, 16, 2, 2, 4, 0));
  m.family = pft::Family::kComposition;
  // Each picture in one buffer of its own size; the background is written in place.
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const P*>(record);
    uint8_t* pictures[2] = {pics.picture(p.u32FgYuvType, p.s32FgWidth, p.s32FgHeight),
                            pics.picture(p.u32BgYuvType, p.s32BgWidth, p.s32BgHeight)};
    return e.Process(h, pictures, pictures);
  };
  m.mem_size = 216;
  pft::set_null_codes(
      m, {ERR_IMG_ADD_IMAGE_OPEN_INPUT_POINTER, ERR_IMG_ADD_IMAGE_CLOSE_INPUT_POINTER,
          ERR_IMG_ADD_IMAGE_CLOSE_MEMHANDLE_POINTER, ERR_IMG_ADD_IMAGE_CLOSE_FREE,
          ERR_IMG_ADD_IMAGE_SETPARAM_INPUT_POINTER, ERR_IMG_ADD_IMAGE_STATUS_INPUT_POINTE,
          ERR_IMG_ADD_IMAGE_PROCESS_INPUT_POINTER});
  m.open_failures = {ERR_IMG_ADD_IMAGE_OPEN_MALLOC};
  m.dma_failure = ERR_IMG_ADD_IMAGE_GET_DMA_HANDLE;
  m.rows = {
      PF_REFUSED(P, "background 60 wide before a bad foreground", ERR_IMG_ADD_IMAGE_CHECK_BG_SIZE,
                 p.s32BgWidth = 60, p.s32FgHeight = 0),
      PF_REFUSED(P, "background height 0", ERR_IMG_ADD_IMAGE_CHECK_BG_SIZE, p.s32BgHeight = 0),
      PF_REFUSED(P, "foreground height 12 before bad types", ERR_IMG_ADD_IMAGE_CHECK_FG_SIZE,
                 p.s32FgHeight = 12, p.u32FgYuvType = 422),
      PF_REFUSED(P, "foreground width -8", ERR_IMG_ADD_IMAGE_CHECK_FG_SIZE, p.s32FgWidth = -8),
      PF_REFUSED(P, "types 420 and 422 before an odd top",
                 ERR_IMG_ADD_IMAGE_CHECK_YUV_TYPE_EQUALITY, p.u32FgYuvType = PF_YUV_UYVY,
                 p.s32Top = 3),
      PF_REFUSED(P, "both NV12", ERR_IMG_ADD_IMAGE_CHECK_YUV_TYPE,
                 p.u32FgYuvType = p.u32BgYuvType = PF_YUV_NV12),
      PF_REFUSED(P, "top odd before a bad left", ERR_IMG_ADD_IMAGE_CHECK_TOP_SIZE, p.s32Top = 3,
                 p.s32Left = -2),
      PF_REFUSED(P, "left negative", ERR_IMG_ADD_IMAGE_CHECK_LEFT_SIZE, p.s32Left = -2),
      PF_REFUSED(P, "top cut odd before a bad bottom cut", ERR_IMG_ADD_IMAGE_CHECK_TOP_CUT_SIZE,
                 p.s32TopCut = 1, p.s32BottomCut = -2),
      PF_REFUSED(P, "bottom cut negative", ERR_IMG_ADD_IMAGE_CHECK_BOTTOM_CUT_SIZE,
                 p.s32BottomCut = -2),
      PF_REFUSED(P, "left cut odd, though it would fit", ERR_IMG_ADD_IMAGE_CHECK_LEFT_CUT_SIZE,
                 p.s32LeftCut = 5),
      PF_REFUSED(P, "right cut odd", ERR_IMG_ADD_IMAGE_CHECK_RIGHT_CUT_SIZE, p.s32RightCut = 1),
      // 16 + 32 - 4 fits 64 with 20 to spare; at 38 it is two over.
      PF_REFUSED(P, "two pixels past the right edge", ERR_IMG_ADD_IMAGE_CHECK_FG_WIDTH_OVER,
                 p.s32Left = 38),
      PF_REFUSED(P, "two lines past the bottom", ERR_IMG_ADDIMAGE_CHECK_FG_HEIGHT_OVER,
                 p.s32Top = 38),
  };
  return m;
}
PF_MODULE_CASE(addimage_case);

// Where the copy puts the cut foreground's lines, plane by plane: `rows` source lines of a
// plane copied as `pairs` pairs into background lines, as the copy kernels' table says.
struct Line {
  int32_t src, dst;  // plane rows
};

std::vector<Line> placed(uint32_t fg_type, uint32_t bg_type, int32_t fg_rows, int32_t bg_rows,
                         int32_t cut, int32_t origin, int32_t pairs) {
  const bool field_src = fg_type != PF_IMAGE_FRAME;
  const bool field_dst = fg_type == PF_IMAGE_FRAME
                             ? bg_type == PF_IMAGE_FIELD
                             : fg_type == PF_IMAGE_FIELD && bg_type == PF_IMAGE_FIELD;
  std::vector<Line> lines;
  for (int32_t i = 0; i < pairs; ++i) {
    for (int32_t f = 0; f < 2; ++f) {
      // Line f of pair i: of the cut frame, or line i of field f.
      const int32_t src = field_src ? f * (fg_rows / 2) + cut / 2 + i : cut + 2 * i + f;
      const int32_t dst = field_dst ? f * (bg_rows / 2) + origin / 2 + i : origin + 2 * i + f;
      lines.push_back({src, dst});
    }
  }
  return lines;
}

class AddImage : public pft::VmemTest {};

TEST_F(AddImage, RandomInsertionsMatchTheCopyRules) {
  pft::Rng rng(14);
  int tried = 0;
  while (tried < 300) {
    const uint32_t yuv = rng.chance(30) ? PF_YUV_UYVY : PF_YUV_420;
    P p = param(8 * rng.range(1, 12), 8 * rng.range(1, 10), uint32_t(rng.range(1, 2)),
                8 * rng.range(1, 8), 8 * rng.range(1, 8), uint32_t(rng.range(1, 3)), yuv,
                2 * rng.range(0, 20), 2 * rng.range(0, 20));
    const bool whole = rng.chance(10);  // the whole background: a copy of the foreground
    if (whole) {
      p.s32FgWidth = p.s32BgWidth, p.s32FgHeight = p.s32BgHeight, p.s32Top = p.s32Left = 0;
    } else if (rng.chance(70)) {
      p.s32TopCut = 2 * rng.range(0, 6), p.s32BottomCut = 2 * rng.range(0, 6);
      p.s32LeftCut = 2 * rng.range(0, 6), p.s32RightCut = 2 * rng.range(0, 6);
    }
    void* h = nullptr;
    if (const uint32_t status = ImgAddImageOpen_c(&h, &p, mem()); status != 0) {
      ASSERT_FALSE(whole) << "a foreground that fills the background is refused: " << status;
      continue;
    }
    ++tried;
    SCOPED_TRACE(testing::Message()
                 << p.s32FgWidth << "x" << p.s32FgHeight << "/" << p.u32FgImageType << " into "
                 << p.s32BgWidth << "x" << p.s32BgHeight << "/" << p.u32BgImageType << " at "
                 << p.s32Left << "," << p.s32Top << " cuts " << p.s32TopCut << "," << p.s32BottomCut
                 << "," << p.s32LeftCut << "," << p.s32RightCut << " type " << yuv);
    Bytes fg(bytes_of(yuv, p.s32FgWidth, p.s32FgHeight)),
        bg(bytes_of(yuv, p.s32BgWidth, p.s32BgHeight) + 64);
    for (auto& v : fg) v = rng.byte();
    for (auto& v : bg) v = rng.byte();
    Bytes expected = bg;
    uint8_t* pictures[2] = {fg.data(), bg.data()};
    ASSERT_EQ(ImgAddImageProcess_c(h, pictures, pictures), 0u);
    ASSERT_EQ(ImgAddImageClose_c(h), 0u);

    const int32_t w = p.s32FgWidth - p.s32LeftCut - p.s32RightCut;
    const int32_t ht = p.s32FgHeight - p.s32TopCut - p.s32BottomCut;
    struct Plane {
      size_t fg_at, bg_at;
      int32_t fg_pitch, bg_pitch, fg_rows, bg_rows, bytes, src_col, dst_col, cut, origin, pairs;
    };
    std::vector<Plane> planes;
    const int32_t fw = p.s32FgWidth, fh = p.s32FgHeight, bw = p.s32BgWidth, bh = p.s32BgHeight;
    if (yuv == PF_YUV_UYVY) {
      planes.push_back({0, 0, 2 * fw, 2 * bw, fh, bh, 2 * w, 2 * p.s32LeftCut, 2 * p.s32Left,
                        p.s32TopCut, p.s32Top, ht / 2});
    } else {
      planes.push_back(
          {0, 0, fw, bw, fh, bh, w, p.s32LeftCut, p.s32Left, p.s32TopCut, p.s32Top, ht / 2});
      for (size_t k = 1; k < 3; ++k) {
        const size_t f_at = size_t(fw) * fh * (k == 1 ? 4 : 5) / 4;
        const size_t b_at = size_t(bw) * bh * (k == 1 ? 4 : 5) / 4;
        // Chroma cuts: half the frame's lines, or a quarter of each field's.
        const int32_t cut =
            p.u32FgImageType == PF_IMAGE_FRAME ? p.s32TopCut / 2 : p.s32TopCut / 4 * 2;
        planes.push_back({f_at, b_at, fw / 2, bw / 2, fh / 2, bh / 2, w / 2, p.s32LeftCut / 2,
                          p.s32Left / 2, cut, p.s32Top / 2, ht / 4});
      }
    }
    for (const Plane& pl : planes) {
      for (const Line& l : placed(p.u32FgImageType, p.u32BgImageType, pl.fg_rows, pl.bg_rows,
                                  pl.cut, pl.origin, pl.pairs)) {
        for (int32_t c = 0; c < pl.bytes; ++c) {
          expected[pl.bg_at + size_t(l.dst) * size_t(pl.bg_pitch) + size_t(pl.dst_col + c)] =
              fg[pl.fg_at + size_t(l.src) * size_t(pl.fg_pitch) + size_t(pl.src_col + c)];
        }
      }
    }
    ASSERT_EQ(bg, expected);
  }
}

}  // namespace
