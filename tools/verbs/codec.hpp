// SPDX-License-Identifier: BSD-2-Clause
// The codec verbs (multidec, multienc), the monitor wall they compose, and the codec demo job.
#ifndef PELFORGE_TOOLS_VERBS_CODEC_HPP_
#define PELFORGE_TOOLS_VERBS_CODEC_HPP_

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "formats.hpp"
#include "modules.hpp"
#include "video_unit.h"

namespace pf::cli {

// A wall of cols x rows cells of cell_w x cell_h in a picture of width x height (4:2:0).
struct WallLayout {
  int cols = 1, rows = 1;
  int width = 0, height = 0;
  int cell_w = 0, cell_h = 0;
};

// The grid (default: the smallest near-square that holds `channels`) and the wall size (default:
// cells as large as the largest picture, the whole at most 1920x1080). Throws UsageError.
WallLayout wall_layout(int channels, std::optional<Size> grid, std::optional<Size> size,
                       const std::vector<Size>& pictures);

// Composes channel pictures into cells of a wall, channel i into cell i (row by row).
class WallComposer {
 public:
  WallComposer(const WallLayout& layout, void* mem);
  ~WallComposer();
  WallComposer(const WallComposer&) = delete;
  WallComposer& operator=(const WallComposer&) = delete;
  // Scales each given picture into its cell (aspect kept, black bars); null entries leave their
  // cells as they are.
  void compose(const std::vector<const tVideoUnitPicture*>& pictures);
  const std::vector<uint8_t>& frame() const { return frame_; }
  const WallLayout& layout() const { return layout_; }

 private:
  struct Cell {
    std::unique_ptr<Instance> resizer;
    int src_w = 0, src_h = 0;
  };
  struct Merged;  // the merge-with-zoom instance, for grids the module has
  void compose_cells(const std::vector<const tVideoUnitPicture*>& pictures);
  WallLayout layout_;
  void* mem_;
  std::vector<Cell> cells_;
  std::unique_ptr<Merged> merged_;
  std::vector<uint8_t> frame_;
};

struct MultidecOptions {
  std::optional<Size> grid, size;
  uint64_t max_steps = 0;   // 0: to the end of every input
  std::string preview_dir;  // empty: no previews
  bool progress = false;
};

struct MultidecResult {
  std::vector<uint64_t> pictures;      // per channel
  std::vector<uint64_t> failures;      // access units a channel could not decode
  std::vector<uint32_t> last_failure;  // the status of the last of them
  uint64_t walls = 0;
  std::vector<std::string> previews;
};

// Decodes `inputs` through the new multi-decoder into a wall written to `output`, or into one
// output per channel when `output` holds a number pattern. Throws CliError.
MultidecResult run_multidec(const std::vector<std::string>& inputs, const std::string& output,
                            const MultidecOptions& options, void* mem, std::ostream& progress);

// The verbs: arguments after the verb name; reports on `out`, notes and progress on `err`.
int multidec_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     bool progress_allowed);
int multienc_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     bool progress_allowed);

}  // namespace pf::cli

#endif  // PELFORGE_TOOLS_VERBS_CODEC_HPP_
