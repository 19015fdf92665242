// SPDX-License-Identifier: BSD-2-Clause
// Registry lookup, descriptors, function tables and the ordered descriptor-pointer section.
#include "registry.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <set>

#include "img_resizer.h"
#include "img_rgbtoyuv.h"
#include "img_yuv420torgb.h"
#include "pelforge.h"
#include "rgb_resizer.h"

namespace {

TEST(Registry, LookupFindsExactlyTheRegisteredModules) {
  const size_t count = pf::registry_size();
  ASSERT_GE(count, 1u);
  std::set<uint32_t> ids;
  for (size_t i = 0; i < count; ++i) {
    const tImgProcDesc* desc = gaptPelForgePrcList[i];
    ASSERT_NE(desc, nullptr) << "entry " << i;
    EXPECT_TRUE(ids.insert(desc->u32ModuleId).second) << "duplicate id " << desc->u32ModuleId;
    EXPECT_EQ(VekVideoPelForgeGetFuncList(desc->u32ModuleId), desc->ptFuncList);
    ASSERT_NE(desc->ps8Name, nullptr);
    // Every table has nine entry points and nothing else.
    static_assert(sizeof(tImgProcFuncList) == 9 * sizeof(void*));
    const auto* slots = reinterpret_cast<void* const*>(desc->ptFuncList);
    for (int slot = 0; slot < 9; ++slot) EXPECT_NE(slots[slot], nullptr) << "slot " << slot;
  }
  // Unassigned ids, the temporal filter (which has a descriptor but is not looked up) and ids
  // beyond the last module give null.
  for (uint32_t id : {0u, 15u, 17u, 28u, 34u, 37u, 39u, 0xFFFFFFFFu}) {
    EXPECT_EQ(VekVideoPelForgeGetFuncList(id), nullptr) << id;
  }
}

TEST(Registry, ResizerDescriptorAndTable) {
  EXPECT_EQ(tImgProc_Resizer.u32ModuleId, 24u);
  EXPECT_STREQ(tImgProc_Resizer.ps8Name, "IMG_RESIZER");
  EXPECT_EQ(tImgProc_Resizer.ptFuncList, &tImageResizerFunc);
  EXPECT_EQ(ptImgProc_Resizer, &tImgProc_Resizer);
  EXPECT_EQ(VekVideoPelForgeGetFuncList(24), &tImageResizerFunc);
  const tImgProcFuncList& t = tImageResizerFunc;
  EXPECT_EQ(t.Open, &ImageResizerOpen_c);
  EXPECT_EQ(t.Process, &ImageResizerProcess_c);
  EXPECT_EQ(t.Close, &ImageResizerClose_c);
  EXPECT_EQ(t.SetParam, &ImageResizerSetParam_c);
  EXPECT_EQ(t.GetVersion, &ImageResizerGetVersion_c);
  EXPECT_EQ(t.GetStatus, &ImageResizerGetStatus_c);
  EXPECT_EQ(t.AnalyzeErrorCode, &ImageResizerAnalyzeErrorCode_c);
  EXPECT_EQ(t.Debug, &ImageResizerDebug_c);
  EXPECT_EQ(t.GetMemSize, &ImageResizerGetMemSize_c);
}

TEST(Registry, LookupOrderAndDescriptorSection) {
  // The registered modules in lookup order, by id.
  const uint32_t lookup[] = {24, 3, 26, 36};
  ASSERT_EQ(pf::registry_size(), std::size(lookup));
  for (size_t i = 0; i < std::size(lookup); ++i) {
    EXPECT_EQ(gaptPelForgePrcList[i]->u32ModuleId, lookup[i]) << "entry " << i;
  }
  // The descriptor pointers, in the order hosts expect them in the section: next to each other.
  const tImgProcDesc* const* section[] = {&ptImgProc_Resizer, &ptImgProc_YUV420toRGB,
                                          &ptImgProc_RGBResizer, &ptImgProc_RGBtoYUV};
  const uint32_t section_ids[] = {24, 3, 26, 36};
  for (size_t i = 0; i < std::size(section); ++i) {
    EXPECT_EQ((*section[i])->u32ModuleId, section_ids[i]);
    if (i > 0) {
      EXPECT_EQ(section[i], section[i - 1] + 1) << "pointer " << i << " out of order";
    }
  }
}

}  // namespace
