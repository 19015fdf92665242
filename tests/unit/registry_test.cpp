// SPDX-License-Identifier: BSD-2-Clause
// Registry lookup, descriptors, function tables and the ordered descriptor-pointer section,
// checked against the lists hosts rely on (written out here, not taken from the library).
#include "registry.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <set>
#include <vector>

#include "pelforge.h"

namespace {

// Module ids in the order gaptPelForgePrcList must hold them once every module is built.
constexpr uint32_t kRegistryOrder[30] = {16, 14, 20, 9, 10, 7, 18, 11, 8,  6,  21, 12, 19, 22, 25,
                                         13, 27, 24, 3, 2,  1, 4,  5,  23, 26, 32, 33, 35, 36, 38};
// Module ids in the order of the descriptor pointers in section ".IMG$B".
constexpr uint32_t kSectionOrder[31] = {16, 14, 20, 9,  10, 7,  32, 18, 11, 8,  6,
                                        21, 12, 38, 19, 22, 25, 13, 24, 35, 37, 3,
                                        2,  1,  4,  5,  23, 26, 27, 33, 36};

TEST(Registry, LookupFindsExactlyTheRegisteredModulesInTheirOrder) {
  const size_t count = pf::registry_size();
  ASSERT_EQ(count, std::size(kRegistryOrder));
  std::set<uint32_t> ids;
  std::vector<uint32_t> order;
  for (size_t i = 0; i < count; ++i) {
    const tImgProcDesc* desc = gaptPelForgePrcList[i];
    ASSERT_NE(desc, nullptr) << "entry " << i;
    EXPECT_TRUE(ids.insert(desc->u32ModuleId).second) << "duplicate id " << desc->u32ModuleId;
    EXPECT_EQ(VekVideoPelForgeGetFuncList(desc->u32ModuleId), desc->ptFuncList);
    ASSERT_NE(desc->ps8Name, nullptr);
    static_assert(sizeof(tImgProcFuncList) == 9 * sizeof(void*));
    const auto* slots = reinterpret_cast<void* const*>(desc->ptFuncList);
    for (int slot = 0; slot < 9; ++slot) EXPECT_NE(slots[slot], nullptr) << "slot " << slot;
    order.push_back(desc->u32ModuleId);
  }
  EXPECT_EQ(order, std::vector<uint32_t>(std::begin(kRegistryOrder), std::end(kRegistryOrder)));
  // Unassigned ids, the temporal filter (which has a descriptor but is not looked up) and ids
  // beyond the last module give null.
  for (uint32_t id : {0u, 15u, 17u, 28u, 29u, 30u, 31u, 34u, 37u, 39u, 0xFFFFFFFFu}) {
    EXPECT_EQ(VekVideoPelForgeGetFuncList(id), nullptr) << id;
  }
}

}  // namespace

// Every descriptor pointer, in the order of the section.
// clang-format off
#define PF_SECTION(X)                                                                        \
  X(Adapt16vs9) X(AddImage) X(AptZoom) X(Banner) X(BannerLogo) X(BMPtoYUV) X(Deinterlace)  \
  X(FilterOSD) X(GenerateImage) X(Logo) X(Merge) X(MergeZoom) X(Mosaic) X(MotionSurveil)   \
  X(MultiDec) X(MultiDecNew) X(MultiEnc) X(PNChange) X(Resizer) X(Sharp) X(TemporalFilter) \
  X(YUV420toRGB) X(YUV420toYUV422) X(YUV422toYUV420) X(YUV422Split) X(Zoom) X(YUV422Zoom)  \
  X(RGBResizer) X(Renovation) X(Filter) X(RGBtoYUV)
// clang-format on
#define PF_DECLARE(name) extern "C" const tImgProcDesc* const ptImgProc_##name;
PF_SECTION(PF_DECLARE)
#undef PF_DECLARE

namespace {

TEST(Registry, DescriptorPointersLieTogetherInTheirOrder) {
#define PF_ADDRESS(name) &ptImgProc_##name,
  const tImgProcDesc* const* const all[] = {PF_SECTION(PF_ADDRESS)};
#undef PF_ADDRESS
  static_assert(std::size(all) == std::size(kSectionOrder));
  const tImgProcDesc* const* previous = nullptr;
  for (size_t i = 0; i < std::size(all); ++i) {
    ASSERT_NE(*all[i], nullptr) << "pointer " << i;
    EXPECT_EQ((*all[i])->u32ModuleId, kSectionOrder[i]) << "pointer " << i;
    if (previous != nullptr) {
      EXPECT_EQ(all[i], previous + 1) << "pointer " << i << " out of place";
    }
    previous = all[i];
  }
}

}  // namespace
