// SPDX-License-Identifier: BSD-2-Clause
// The module registry: descriptors, the descriptor pointers hosts read from section ".IMG$B",
// and the lookup by id.
//
// Adding a module: one line in PF_MODULES (descriptor and descriptor pointer, in the order the
// pointers must have in the section) and, if the module is looked up by id, one line in
// PF_REGISTRY (in lookup order). GCC compiles this file with -fno-toplevel-reorder so that the
// pointers are emitted in the order they are defined.
#include "registry.hpp"

#include <cstddef>
#include <cstdint>

#include "img_resizer.h"
#include "img_rgbtoyuv.h"
#include "img_yuv420torgb.h"
#include "pelforge.h"
#include "rgb_resizer.h"

// X(short name, module id, descriptor name, function table)
#define PF_MODULES(X)                                          \
  X(Resizer, 24, "IMG_RESIZER", tImageResizerFunc)             \
  X(YUV420toRGB, 3, "IMG_YUV420_TO_RGB", tYUVYUV420toRGBFuncs) \
  X(RGBResizer, 26, "RGB_RESIZER", tRGBResizerFuncs)           \
  X(RGBtoYUV, 36, "IMG_RGBTOYUV", tRGBtoYUVFuncs)

// X(short name): the lookup order.
#define PF_REGISTRY(X) X(Resizer) X(YUV420toRGB) X(RGBResizer) X(RGBtoYUV)

extern "C" {

#define PF_DESCRIPTOR(shortname, id, name, table)        \
  PF_API extern const tImgProcDesc tImgProc_##shortname; \
  const tImgProcDesc tImgProc_##shortname = {id, &table, name};
PF_MODULES(PF_DESCRIPTOR)
#undef PF_DESCRIPTOR

#define PF_DESCRIPTOR_POINTER(shortname, id, name, table)                                 \
  PF_API extern const tImgProcDesc* const ptImgProc_##shortname;                          \
  [[gnu::section(".IMG$B"), gnu::used]] const tImgProcDesc* const ptImgProc_##shortname = \
      &tImgProc_##shortname;
PF_MODULES(PF_DESCRIPTOR_POINTER)
#undef PF_DESCRIPTOR_POINTER

#define PF_REGISTRY_ENTRY(shortname) &tImgProc_##shortname,
const tImgProcDesc* const gaptPelForgePrcList[] = {PF_REGISTRY(PF_REGISTRY_ENTRY)};
#undef PF_REGISTRY_ENTRY

}  // extern "C"

namespace pf {

#define PF_COUNT(...) +1
inline constexpr size_t kModuleCount = 0 PF_MODULES(PF_COUNT);
#undef PF_COUNT
inline constexpr size_t kRegistryCount =
    sizeof(gaptPelForgePrcList) / sizeof(gaptPelForgePrcList[0]);
static_assert(kRegistryCount <= kModuleCount, "a registered module needs a descriptor");

size_t registry_size() { return kRegistryCount; }

}  // namespace pf

extern "C" const tImgProcFuncList* VekVideoPelForgeGetFuncList(uint32_t u32ModuleId) {
  for (const tImgProcDesc* desc : gaptPelForgePrcList) {
    if (desc->u32ModuleId == u32ModuleId) return desc->ptFuncList;
  }
  return nullptr;
}
