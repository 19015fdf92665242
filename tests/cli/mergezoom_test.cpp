// SPDX-License-Identifier: BSD-2-Clause
// pelforge mergezoom: which input lands in which window (grids row by row, layout files line by
// line in any order of their windows), the background where no input is, and the layouts and
// grids it refuses, with words that say why; pelforge insert's refusals and where it copies.
#include "verbs/mergezoom.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cli_test_util.hpp"

namespace {

using pfct::contains;
using pfct::TempDir;

// A flat yuv420p picture, `frames` times.
std::string flat(int w, int h, int luma, int frames = 2) {
  std::string one(size_t(w) * h, char(luma));
  one += std::string(size_t(w) * h / 2, char(128));
  std::string all;
  for (int i = 0; i < frames; ++i) all += one;
  return all;
}

int luma_at(const std::string& out, int width, int x, int y) {
  return static_cast<uint8_t>(out[size_t(y) * width + x]);
}

TEST(MergeZoomVerb, InputsFillTheGridRowByRow) {
  TempDir dir;
  pfct::write_file(dir / "a.yuv", flat(64, 48, 50));
  pfct::write_file(dir / "b.yuv", flat(100, 60, 100));
  pfct::write_file(dir / "c.yuv", flat(80, 80, 150, 3));
  const auto r = pfct::run(
      pfct::words("mergezoom -s 64x48 @a.yuv -s 100x60 @b.yuv -s 80x80 @c.yuv --zoom stretch "
                  "--background 255,255,255 -s 128x96 -o @out.yuv -q",
                  &dir));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string out = pfct::read_file(dir / "out.yuv");
  ASSERT_EQ(out.size(), size_t(128 * 96 * 3 / 2 * 2)) << "two pictures: the shortest input's";
  EXPECT_EQ(luma_at(out, 128, 10, 10), 50);
  EXPECT_EQ(luma_at(out, 128, 120, 40), 100);
  EXPECT_EQ(luma_at(out, 128, 10, 90), 150);
  EXPECT_EQ(luma_at(out, 128, 100, 60), 254) << "the fourth window shows the background";
}

TEST(MergeZoomVerb, LayoutFilesNameWindowsInAnyOrder) {
  TempDir dir;
  pfct::write_file(dir / "a.yuv", flat(64, 48, 50));
  pfct::write_file(dir / "b.yuv", flat(64, 48, 100));
  pfct::write_file(dir / "layout.txt",
                   "# the large picture with two on its bottom edge\n"
                   "2/4 6/8 1/4 1/4 stretch   # window 3 of style 10300\n"
                   "0 0 1 1 fill\n"
                   "1/4 3/4 1/4 1/4           # no input: the background\n");
  const auto r = pfct::run(pfct::words(
      "mergezoom -s 64x48 @a.yuv -s 64x48 @b.yuv --layout @layout.txt -s 256x192 -o @o.yuv -q",
      &dir));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string out = pfct::read_file(dir / "o.yuv");
  EXPECT_EQ(luma_at(out, 256, 10, 10), 100);
  EXPECT_EQ(luma_at(out, 256, 150, 170), 50);
  EXPECT_EQ(luma_at(out, 256, 80, 170), 0);

  std::istringstream shuffled("1/2 3/4 1/4 1/4\n1/4 3/4 1/4 1/4 centre focus\n0 0 1 1\n");
  const pf::cli::MergeLayout l = pf::cli::read_merge_layout(shuffled, "shuffled");
  EXPECT_EQ(al32MergeStyle[l.style][0], 10300);
  EXPECT_EQ(l.windows, (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(l.zoom, (std::vector<uint32_t>{0, PF_MERGE_ZOOM_CENTRE, 0}));
  EXPECT_EQ(l.focus, (std::vector<bool>{false, true, false}));
  std::istringstream style("style 21601\n");
  EXPECT_EQ(pf::cli::read_merge_layout(style, "style").windows.size(), 16u);
}

TEST(MergeZoomVerb, GridsAreTheTilingsOfTheLibrary) {
  const int grids[][3] = {{1, 1, 20100}, {2, 2, 20400}, {3, 2, 20600},
                          {3, 3, 20900}, {4, 4, 21600}, {5, 5, 22500}};
  for (const auto& g : grids) {
    const int style = pf::cli::find_grid_style(g[0], g[1]);
    ASSERT_GE(style, 0) << g[0] << "x" << g[1];
    EXPECT_EQ(al32MergeStyle[style][0], g[2]);
  }
  EXPECT_LT(pf::cli::find_grid_style(2, 1), 0);
  EXPECT_LT(pf::cli::find_grid_style(6, 6), 0);
  // Inputs go row by row, whatever the style's numbering.
  const std::vector<int> order = pf::cli::reading_order(pf::cli::find_merge_style(20705));
  EXPECT_EQ(order, (std::vector<int>{0, 2, 3, 1, 4, 5, 6}));
}

// What the modules would refuse is said in words before any picture is read.
TEST(MergeZoomVerb, MergeZoomAndInsertRefusalsSayWhy) {
  TempDir dir;
  pfct::write_file(dir / "a.yuv", flat(64, 48, 50));
  pfct::write_file(dir / "fg.yuv", flat(32, 16, 200));
  pfct::write_file(dir / "odd.yuv", flat(36, 16, 200));
  pfct::write_file(dir / "odd.txt", "0 0 1/2 1\n1/2 0 1/2 1\n");
  pfct::write_file(dir / "bad.txt", "0 0 1 1 zoomed\n");
  const std::string merge = "mergezoom -s 64x48 @a.yuv ", insert = "insert -s 64x48 @a.yuv ";
  struct Row {
    std::string line;
    const char* says;
  } const rows[] = {
      {merge + "--grid 2x1", "has no 2x1 grid"},
      {merge + "--style 12345", "no style 12345"},
      {merge + "--layout @odd.txt", "no layout of the library has these 2 windows"},
      {merge + "--layout @bad.txt", "bad.txt:1: zoom style 'zoomed'"},
      {merge + "--grid 2x2 --style 20400", "one of --grid, --layout and --style"},
      {merge + "--focus 2", "--focus 2: there is no such input"},
      {merge + "-s 62x48", "the output must be 64x64"},
      {insert + "-s 36x16 @odd.yuv --at 0,0",
       "the foreground is 36x16; insert takes sizes that are"},
      {insert + "-s 32x16 @fg.yuv --at 34,0", "does not fit at 34,0 into the 64x48 background"},
      {insert + "-s 32x16 @fg.yuv --at 32,32 --cut 0,0,0,34", "does not fit"},
      {insert + "-s 32x16 @fg.yuv --at 3,0", "--at takes even values"},
      {insert + "-s 32x16 -pix_fmt uyvy422 @fg.yuv", "one pixel format, not yuv420p and uyvy422"},
  };
  for (const Row& row : rows) {
    const auto r = pfct::run(pfct::words(row.line + " -o @out.yuv -q", &dir));
    EXPECT_EQ(r.status, 2) << row.line;
    EXPECT_TRUE(contains(r.err, row.says)) << row.line << ": " << r.err;
  }
}

TEST(InsertVerb, CopiesOnlyTheForegroundsPlace) {
  TempDir dir;
  pfct::write_file(dir / "bg.yuv", flat(64, 48, 50));
  pfct::write_file(dir / "fg.yuv", flat(32, 16, 200));
  // At 32,32 with 16 columns cut off the right it fits, and only the foreground's place changes.
  const auto r = pfct::run(pfct::words(
      "insert -s 64x48 @bg.yuv -s 32x16 @fg.yuv --at 32,32 --cut 0,0,0,16 -o @out.yuv -q", &dir));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string out = pfct::read_file(dir / "out.yuv");
  EXPECT_EQ(luma_at(out, 64, 32, 32), 200);
  EXPECT_EQ(luma_at(out, 64, 47, 47), 200);
  EXPECT_EQ(luma_at(out, 64, 48, 32), 50);
  EXPECT_EQ(luma_at(out, 64, 31, 32), 50);
}

}  // namespace
