// SPDX-License-Identifier: BSD-2-Clause
// The resizer module through its entry points: validation, the decision table, Process
// addressing, SetParam/GetStatus, and a randomized sweep over accepted geometries.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "divergent.hpp"
#include "guarded.hpp"
#include "img_resizer.h"
#include "img_resizer_internal.hpp"
#include "module_cases.hpp"
#include "resizer_cases.hpp"
#include "rng.hpp"
#include "vmem_fixture.hpp"
#include "yuv_samples.hpp"

namespace {

tImageResizerParam param(uint32_t st, uint32_t si, int32_t sw, int32_t sh, uint32_t dt, uint32_t di,
                         int32_t dw, int32_t dh) {
  tImageResizerParam p{};
  p.s32SrcWidth = sw;
  p.s32SrcHeight = sh;
  p.u32SrcYuvType = st;
  p.u32SrcImageType = si;
  p.s32DstWidth = dw;
  p.s32DstHeight = dh;
  p.u32DstYuvType = dt;
  p.u32DstImageType = di;
  p.u32FillY = 16;
  p.u32FillU = 128;
  p.u32FillV = 128;
  return p;
}

tImageResizerParam d1_to_cif() { return param(420, 1, 720, 576, 420, 1, 352, 288); }

class ResizerTest : public pft::VmemTest {
 protected:
  uint32_t open(const tImageResizerParam& p, void** handle) {
    return ImageResizerOpen_c(handle, &p, mem());
  }
  // The kernel pointer the decision table picks for p (null when refused), and the refusal.
  tResizerKernel* choice(const tImageResizerParam& p, uint32_t* error) {
    void* handle = nullptr;
    const uint32_t status = open(p, &handle);
    if (status != 0) {
      *error = status;
      return nullptr;
    }
    auto* inst = static_cast<tImageResizerInstance*>(handle);
    tResizerKernel* pointer = pf::resizer_choice(inst->tGeometry, inst->u32ExtensionMode, error);
    EXPECT_EQ(ImageResizerClose_c(handle), 0u);
    return pointer;
  }
};

TEST_F(ResizerTest, ValidationReportsTheFirstFailingFieldBeforeAnyAllocation) {
  using P = tImageResizerParam;
  const std::vector<pft::ValidationRow> rows = {
      PF_REFUSED(P, "source width 0", 0xC6A0002F, p.s32SrcWidth = 0),
      PF_REFUSED(P, "source width odd", 0xC6A0002F, p.s32SrcWidth = 721),
      PF_REFUSED(P, "420 source rectangle over 49152", 0xC6A0002F, p.s32SrcWidth = 49156,
                 p.s32DstWidth = 352),
      PF_REFUSED(P, "422 source over 12288 scaled", 0xC6A00004, p.u32SrcYuvType = 422,
                 p.s32SrcWidth = 12300),
      PF_REFUSED(P, "422 destination width odd", 0xC6A00009, p.u32SrcYuvType = 422,
                 p.s32DstWidth = 351),
      PF_REFUSED(P, "destination width odd", 0xC6A00030, p.s32DstWidth = 353),
      PF_REFUSED(P, "source height odd", 0xC6A00005, p.s32SrcHeight = 575),
      PF_REFUSED(P, "source height 32768", 0xC6A00005, p.s32SrcHeight = 32768),
      PF_REFUSED(P, "field source height 578", 0xC6A00005, p.u32SrcImageType = 2,
                 p.s32SrcHeight = 578),
      PF_REFUSED(P, "destination height 0", 0xC6A0000A, p.s32DstHeight = 0),
      PF_REFUSED(P, "field destination height 290", 0xC6A0000A, p.u32DstImageType = 2,
                 p.s32DstHeight = 290),
      PF_REFUSED(P, "source YUV type", 0xC6A00007, p.u32SrcYuvType = 421),
      PF_REFUSED(P, "destination YUV type", 0xC6A0000C, p.u32DstYuvType = 0),
      PF_REFUSED(P, "source image type", 0xC6A00008, p.u32SrcImageType = 4),
      PF_REFUSED(P, "destination image type", 0xC6A0000D, p.u32DstImageType = 0),
      PF_REFUSED(P, "cut top odd", 0xC6A0001C, p.s32CutTop = 3),
      PF_REFUSED(P, "cut bottom negative", 0xC6A0001C, p.s32CutBottom = -2),
      PF_REFUSED(P, "cuts cover the height", 0xC6A0001C, p.s32CutTop = 288, p.s32CutBottom = 288),
      PF_REFUSED(P, "420 field source cut 2", 0xC6A0001C, p.u32SrcImageType = 2, p.s32CutTop = 2),
      PF_REFUSED(P, "cut left odd", 0xC6A0001D, p.s32CutLeft = 1),
      PF_REFUSED(P, "cuts cover the width", 0xC6A0001D, p.s32CutLeft = 360, p.s32CutRight = 360),
      PF_REFUSED(P, "fill top odd", 0xC6A0001A, p.s32FillTop = 1),
      PF_REFUSED(P, "offset bottom odd", 0xC6A0001A, p.s32OffsetBottom = 3),
      PF_REFUSED(P, "420 field destination fill 2", 0xC6A0001A, p.u32DstImageType = 2,
                 p.s32FillTop = 2),
      PF_REFUSED(P, "420 field destination offset 2", 0xC6A0001A, p.u32DstImageType = 2,
                 p.s32OffsetTop = 2),
      PF_REFUSED(P, "420 interlaced to interlaced, height 290", 0xC6A0001A,
                 p.u32SrcImageType = p.u32DstImageType = 3, p.s32DstHeight = 290),
      PF_REFUSED(P, "420 interlaced to interlaced, fill 2", 0xC6A0001A,
                 p.u32SrcImageType = p.u32DstImageType = 3, p.s32FillBottom = 2),
      PF_REFUSED(P, "offset negative", 0xC6A0001A, p.s32OffsetTop = -2),
      PF_REFUSED(P, "lines cover the height", 0xC6A0001A, p.s32FillTop = 144, p.s32OffsetTop = 144),
      PF_REFUSED(P, "fill left odd", 0xC6A0001B, p.s32FillLeft = 5),
      PF_REFUSED(P, "points cover the width", 0xC6A0001B, p.s32FillLeft = 176,
                 p.s32OffsetRight = 176),
      PF_REFUSED(P, "fill Y", 0xC6A0001E, p.u32FillY = 256),
      PF_REFUSED(P, "fill U before a bad V", 0xC6A0001F, p.u32FillU = 0xFFFFFFFFu,
                 p.u32FillV = 300),
      PF_REFUSED(P, "fill V", 0xC6A00020, p.u32FillV = 300),
      PF_REFUSED(P, "first failure wins", 0xC6A0000A, p.s32DstHeight = 3, p.u32FillV = 300),
  };
  const uint64_t detections = VideoMemCpuDetectCount();
  // A valid Open first, so that the instance we keep for SetParam exists.
  void* handle = nullptr;
  ASSERT_EQ(open(d1_to_cif(), &handle), 0u);
  const uint64_t allocations = stats().u64Allocations;
  for (const pft::ValidationRow& row : rows) {
    SCOPED_TRACE(row.what);
    tImageResizerParam p = d1_to_cif();
    row.change(&p);
    EXPECT_EQ(ImageResizerCheckParam(&p), row.open_code);
    void* failed = nullptr;
    EXPECT_EQ(open(p, &failed), row.open_code);
    EXPECT_EQ(failed, nullptr);
    EXPECT_EQ(ImageResizerSetParam_c(handle, &p), row.open_code);
  }
  EXPECT_EQ(stats().u64Allocations, allocations) << "validation must fail before allocating";
  EXPECT_LE(VideoMemCpuDetectCount(), detections + 1) << "dispatch runs at most once";
  EXPECT_EQ(ImageResizerClose_c(handle), 0u);

  // Limits on the edge.
  tImageResizerParam wide = param(420, 1, 12300, 16, 420, 1, 64, 16);
  EXPECT_EQ(ImageResizerCheckParam(&wide), 0u) << "4:2:0 on both sides allows 49152";
  wide.u32SrcYuvType = 422;
  EXPECT_EQ(ImageResizerCheckParam(&wide), 0xC6A00004u);
  tImageResizerParam same = param(422, 1, 12300, 16, 422, 1, 12300, 16);
  EXPECT_EQ(ImageResizerCheckParam(&same), 0u) << "same size allows 49152";
}

// The questions every module answers (names, version, null pointers, rollback, the life cycle).
pft::ModuleCase resizer_case() {
  pft::ModuleCase m;
  m.name = "resizer";
  m.family = pft::Family::kScaling;
  m.entry = PF_ENTRY_POINTS(ImageResizer);
  m.table = &tImageResizerFunc;
  m.id = 24;
  // The names run up to the end marker, which has one too.
  pft::set_names(m, pas8ImageResizerSelfAnalyzeErrorCode, ERR_IMG_RESIZER_SELF_INIT_POINTER,
                 ERR_IMG_RESIZER_SELF_INIT_POINTER, ERR_IMG_RESIZER_END,
                 ERR_IMG_RESIZER_SELF_ANALYZE_ERROR_CODE_HANDLE);
  pft::set_version(m, "pelforge_v300.ImageResizer.034", ERR_IMG_RESIZER_SELF_GET_VERSION_POINTER,
                   ERR_IMG_RESIZER_SELF_GET_VERSION_VERLEN_POINTER,
                   ERR_IMG_RESIZER_SELF_VERSION_BUFLEN_TOO_SHORT);
  m.param = pft::record_bytes(param(420, 1, 64, 32, 420, 1, 32, 16));
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const tImageResizerParam*>(record);
    tImgPicture in = pics.picture_record(p.u32SrcYuvType, p.s32SrcWidth, p.s32SrcHeight);
    tImgPicture out = pics.picture_record(p.u32DstYuvType, p.s32DstWidth, p.s32DstHeight);
    return e.Process(h, &in, &out);
  };
  m.bind = [](void* record, pft::Pictures& pics) {
    auto& p = *static_cast<tImageResizerParam*>(record);
    p.pExtension = (pics.byte() & 1) != 0 ? pics.record<tResizerExtension>() : nullptr;
    if (p.pExtension != nullptr) {
      auto* x = const_cast<tResizerExtension*>(p.pExtension);
      x->u32Magic = (pics.byte() & 1) != 0 ? PF_RESIZER_EXTENSION_MAGIC : pics.byte();
      x->u32Mode = pics.byte() & 3;
    }
  };
  m.mem_size = 176;
  pft::set_null_codes(
      m, {ERR_IMG_RESIZER_SELF_INIT_POINTER, ERR_IMG_RESIZER_SELF_CLOSE_POINTER,
          ERR_IMG_RESIZER_SELF_CLOSE_MEM_POINTER, 0, ERR_IMG_RESIZER_SELF_SETPARAM_POINTER,
          ERR_IMG_RESIZER_SELF_STATUS_POINTER, ERR_IMG_RESIZER_SELF_INPUT_POINTER});
  m.open_failures = {ERR_IMG_RESIZER_SELF_HANDLE_MEM_MALLOC,
                     ERR_IMG_RESIZER_FAST_SCRATCH_MEM_MALLOC};
  m.dma_failure = ERR_IMG_RESIZER_GET_DMA_HANDLE;
  return m;
}
PF_MODULE_CASE(resizer_case);

TEST_F(ResizerTest, CheckAndMemSizeWithoutAnInstance) {
  tImageResizerParam p = d1_to_cif();
  EXPECT_EQ(ImageResizerCheckParam(nullptr), 0xC6A00001u);
  uint32_t size = 0;
  EXPECT_EQ(ImageResizerGetMemSize_c(nullptr, &size), 0u);
  EXPECT_EQ(size, 176u);
  EXPECT_EQ(ImageResizerGetMemSize_c(&p, nullptr), 0xC6A00018u);
}

TEST_F(ResizerTest, GeometryRefusedAfterTheInstanceGivesItBack) {
  // A geometry no line buffer fits: refused after the instance was taken and given back.
  const tVideoMemStats before = stats();
  tImageResizerParam big = param(420, 1, 6000, 16, 420, 1, 1000, 16);
  void* handle = nullptr;
  EXPECT_EQ(open(big, &handle), 0xC6A00004u);
  const tVideoMemStats after = stats();
  EXPECT_EQ(after.u64Allocations - before.u64Allocations, 1u);
  EXPECT_EQ(after.u64Releases - before.u64Releases, 1u);
  EXPECT_EQ(after.au64CallsByTag[220] - before.au64CallsByTag[220], 1u);
  EXPECT_EQ(after.au64CallsByTag[218] - before.au64CallsByTag[218], 1u);
  EXPECT_EQ(after.au64CallsByTag[219], before.au64CallsByTag[219]) << "no scratch was taken";
}

struct ChoiceRow {
  const char* what;
  tImageResizerParam p;
  tResizerKernel* expected;  // null: refused with `error`
  uint32_t error;
};

tImageResizerParam with(tImageResizerParam p, const std::function<void(tImageResizerParam&)>& f) {
  f(p);
  return p;
}

TEST_F(ResizerTest, DecisionTablePicksTheListedKernels) {
  static const tResizerExtension nearest{0xAAAA, 0x5555};
  static const tResizerExtension wrong_magic{0xAAAB, 0x5555};
  const std::vector<ChoiceRow> rows = {
      {"field to frame, same size", param(420, 2, 720, 576, 420, 1, 720, 576),
       &FieldtoFrame420to420, 0},
      {"frame to field, same size", param(420, 1, 720, 576, 420, 2, 720, 576),
       &FrametoField420to420, 0},
      {"field to field, same size", param(420, 2, 720, 576, 420, 2, 720, 576),
       &FieldtoField420to420, 0},
      {"interlaced to frame, same size", param(420, 3, 720, 576, 420, 1, 720, 576),
       &CopyPic420to420, 0},
      {"CIF frame to D1 field", param(420, 1, 352, 288, 420, 2, 720, 576),
       &ConvertCifFrameto720x576FieldFilter, 0},
      {"CIF frame to D1 field with fill",
       with(param(420, 1, 352, 288, 420, 2, 720, 580), [](auto& p) { p.s32FillTop = 4; }),
       &GeneralBilinearframetofield420to420FtoF, 0},
      {"CIF frame to 704 field", param(420, 1, 352, 288, 420, 2, 704, 576),
       &GeneralBilinearframetofield420to420FtoF, 0},
      {"D1 field to CIF frame", param(420, 2, 720, 576, 420, 1, 352, 288),
       &GeneralBilinearfieldtoframe420to420ItoF, 0},
      {"ratio 2 is General", d1_to_cif(), &GeneralBilinearframetoframe420to420, 0},
      {"ratio under 2 is Fast", param(420, 1, 720, 576, 420, 1, 400, 300),
       &FastBilinearframetoframe420to420, 0},
      {"interlaced to interlaced", param(420, 3, 720, 576, 420, 3, 400, 300),
       &FastBilinearframeItoframeI420to420, 0},
      {"interlaced to frame", param(420, 3, 720, 576, 420, 1, 352, 288),
       &GeneralBilinearframeItoframe420to420, 0},
      {"nearest, other size",
       with(param(420, 1, 720, 576, 420, 1, 400, 300), [](auto& p) { p.pExtension = &nearest; }),
       &Nearestframetoframe420to420, 0},
      {"nearest, same size",
       with(param(420, 1, 64, 32, 420, 1, 64, 32), [](auto& p) { p.pExtension = &nearest; }),
       &CopyPic420to420, 0},
      {"nearest refuses fields",
       with(param(420, 2, 64, 32, 420, 1, 32, 16), [](auto& p) { p.pExtension = &nearest; }),
       nullptr, 0xC6A00021},
      {"wrong magic is bilinear",
       with(param(420, 1, 720, 576, 420, 1, 400, 300),
            [](auto& p) { p.pExtension = &wrong_magic; }),
       &FastBilinearframetoframe420to420, 0},
      {"420 to UYVY field source, same size", param(420, 2, 64, 32, 422, 1, 64, 32),
       &FieldtoFrame420to422, 0},
      {"420 to UYVY field to field", param(420, 2, 64, 32, 422, 2, 64, 32), nullptr, 0xC6A00022},
      {"420 to 422P interlaced to frame, same size", param(420, 3, 64, 32, 4221, 1, 64, 32),
       &BilinearframeItoframe420to422P, 0},
      {"420 to YUYV with a fill",
       with(param(420, 1, 64, 32, 4201, 1, 64, 36), [](auto& p) { p.s32FillTop = 4; }), nullptr,
       0xC6A00029},
      {"UYVY D1 field to field", param(422, 2, 720, 576, 420, 2, 720, 576),
       &YUV422toYUV420D1FieldtoD1Field, 0},
      {"UYVY field to field of another size", param(422, 2, 704, 576, 420, 2, 704, 576), nullptr,
       0xC6A00023},
      {"UYVY 720 to 176", param(422, 1, 720, 576, 420, 1, 176, 144), &YUV422toYUV420ScaleDown, 0},
      {"UYVY 720 to 352", param(422, 3, 720, 576, 420, 2, 352, 288),
       &YUV422Width720toYUV420Width352Cut16Point, 0},
      {"UYVY D1 frame to field", param(422, 1, 720, 480, 420, 2, 720, 480),
       &YUV422toYUV420D1FrametoD1Field, 0},
      {"UYVY interlaced to frame, scaled", param(422, 3, 640, 480, 420, 1, 320, 240),
       &BilinearFrameItoFrame422to420, 0},
      {"422P interlaced to frame, same size", param(4221, 3, 64, 32, 420, 1, 64, 32),
       &BilinearframeItoframe422Pto420, 0},
      {"422P nearest to a field",
       with(param(4221, 1, 64, 32, 4221, 2, 32, 16), [](auto& p) { p.pExtension = &nearest; }),
       nullptr, 0xC6A00027},
      {"NV12 to 420 field", param(42012, 1, 64, 32, 420, 2, 64, 32), &FrametoFieldNV12to420, 0},
      {"NV12 to 420 scaled", param(42012, 1, 64, 32, 420, 1, 32, 16), nullptr, 0xC6A0002A},
      {"NV21 to NV12", param(42021, 1, 64, 32, 42012, 1, 64, 32), &NV21toNV12Conversion, 0},
      // The NV21 refusals by number: hosts compare these, not the names next to them.
      {"420 to NV21 scaled", param(420, 1, 64, 32, 42021, 1, 32, 16), nullptr, 0xC6A00034},
      {"NV21 to 420 scaled", param(42021, 1, 64, 32, 420, 1, 32, 16), nullptr, 0xC6A00035},
      {"NV21 to 420 from a field", param(42021, 2, 64, 32, 420, 1, 64, 32), nullptr, 0xC6A00035},
      {"NV21 to NV12 scaled", param(42021, 1, 64, 32, 42012, 1, 32, 16), nullptr, 0xC6A00036},
      {"NV12 to NV21 scaled", param(42012, 1, 64, 32, 42021, 1, 32, 16), nullptr, 0xC6A00037},
      {"NV12 to NV21 into a field", param(42012, 1, 64, 32, 42021, 2, 64, 32), nullptr, 0xC6A00037},
      {"4202 to 4202 of another height", param(4202, 1, 64, 32, 4202, 1, 64, 16), nullptr,
       0xC6A00038},
      {"4202 to 420", param(4202, 1, 64, 32, 420, 1, 64, 32), nullptr, 0xC6A0002C},
      {"YUYV to NV12 from a field", param(4201, 2, 64, 32, 42012, 1, 32, 16), nullptr, 0xC6A00033},
  };
  for (const ChoiceRow& row : rows) {
    SCOPED_TRACE(row.what);
    uint32_t error = 0;
    tResizerKernel* picked = choice(row.p, &error);
    EXPECT_EQ(picked, row.expected);
    EXPECT_EQ(error, row.error);
  }
}

TEST_F(ResizerTest, SetParamKeepsTheOldKernelOnARefusalAndTheModeFromOpen) {
  void* handle = nullptr;
  tImageResizerParam p = d1_to_cif();
  p.s32CutTop = 4;
  p.s32OffsetLeft = 8;
  p.s32FillRight = 2;
  p.s32DstWidth = 362;
  const tResizerExtension* const marker = reinterpret_cast<const tResizerExtension*>(0);
  p.pExtension = marker;
  ASSERT_EQ(open(p, &handle), 0u);
  auto* inst = static_cast<tImageResizerInstance*>(handle);

  tImageResizerParam status;
  std::memset(&status, 0x5A, sizeof status);
  ASSERT_EQ(ImageResizerGetStatus_c(handle, &status), 0u);
  EXPECT_EQ(status.au32Reserved1[0], 0x5A5A5A5Au) << "fields that are not read stay untouched";
  std::memcpy(status.au32Reserved1, p.au32Reserved1, sizeof p.au32Reserved1);
  std::memcpy(status.au32Reserved2, p.au32Reserved2, sizeof p.au32Reserved2);
  EXPECT_EQ(std::memcmp(&status, &p, sizeof p), 0) << "every field that is read comes back";

  const tResizerKernel kernel = inst->pfnKernel;
  inst->tGeometry.u32MeanY = 77;
  tImageResizerParam refused = param(420, 1, 64, 32, 4201, 1, 64, 36);
  refused.s32FillTop = 4;
  EXPECT_EQ(ImageResizerSetParam_c(handle, &refused), 0xC6A00029u);
  EXPECT_EQ(inst->pfnKernel, kernel) << "a refused choice keeps the running kernel";
  EXPECT_EQ(inst->tGeometry.u32DstYuvType, 4201u) << "while the geometry is already replaced";
  EXPECT_EQ(inst->tGeometry.u32MeanY, 77u) << "SetParam never touches the means";
  // The old kernel cannot serve the new geometry: Process refuses with the choice's code and
  // writes nothing, on pictures of either record.
  for (const bool new_size : {false, true}) {
    pft::Rng rng(4);
    pft::GuardedPicture src(PF_YUV_420, new_size ? 64 : 720, new_size ? 32 : 576, rng),
        dst(new_size ? 4201 : PF_YUV_420, new_size ? 64 : 362, new_size ? 36 : 288, rng);
    const pft::GuardedPicture untouched = dst;
    tImgPicture s = src.record(), d = dst.record();
    EXPECT_EQ(ImageResizerProcess_c(handle, &s, &d), 0xC6A00029u);
    for (size_t k = 0; k < dst.planes().size(); ++k) {
      EXPECT_TRUE(dst.planes()[k].raw() == untouched.planes()[k].raw()) << "plane " << k;
    }
  }

  static const tResizerExtension nearest{0xAAAA, 0x5555};
  tImageResizerParam later = param(420, 1, 720, 576, 420, 1, 400, 300);
  later.pExtension = &nearest;
  EXPECT_EQ(ImageResizerSetParam_c(handle, &later), 0u);
  EXPECT_EQ(inst->u32ExtensionMode, 0u) << "the mode is the one Open found";
  EXPECT_EQ(inst->ptExtension, &nearest);
  EXPECT_EQ(inst->pfnKernel, FastBilinearframetoframe420to420);
  EXPECT_EQ(ImageResizerClose_c(handle), 0u);
}

TEST_F(ResizerTest, ProcessChecksPointersPitchesAndAliasing) {
  pft::Rng rng(7);
  tImageResizerParam p = param(420, 1, 64, 32, 420, 1, 64, 32);
  void* handle = nullptr;
  ASSERT_EQ(open(p, &handle), 0u);
  pft::GuardedPicture src(420, 64, 32, rng), dst(420, 64, 32, rng);
  tImgPicture s = src.record(), d = dst.record();
  tImgPicture narrow = s;
  narrow.u32YPitch = 62;
  EXPECT_EQ(ImageResizerProcess_c(handle, &narrow, &d), 0xC6A00006u);
  narrow = d;
  narrow.u32YPitch = 62;
  EXPECT_EQ(ImageResizerProcess_c(handle, &s, &narrow), 0xC6A0000Bu);
  tImgPicture no_data = s;
  no_data.pu8Y = nullptr;
  EXPECT_EQ(ImageResizerProcess_c(handle, &no_data, &d), 0xC6A0000Fu);
  no_data = d;
  no_data.pu8Y = nullptr;
  EXPECT_EQ(ImageResizerProcess_c(handle, &s, &no_data), 0xC6A00010u);
  EXPECT_EQ(ImageResizerProcess_c(handle, &s, &s), 0xC6A00011u);
  EXPECT_EQ(dst.check_guards(), "");
  EXPECT_EQ(ImageResizerClose_c(handle), 0u);
}

TEST(ResizerLayout, DerivedChromaPointersAndOffsetsReachTheKernel) {
  // A kernel that records what it is given, installed through the public pointer.
  static tImgPicture seen_src, seen_dst;
  struct Spy {
    static void kernel(void**, tResizerGeometry*, tImgPicture* s, tImgPicture* d) {
      seen_src = *s;
      seen_dst = *d;
    }
  };
  void* mem = VideoMemCreate();
  // Dispatch first, so that it cannot replace the spy when this is the process's first Open.
  ImageResizerGlobalInit();
  const tResizerKernel saved = CopyPic420to420;
  CopyPic420to420 = Spy::kernel;
  tImageResizerParam p = param(420, 1, 64, 40, 420, 1, 80, 48);
  p.s32CutTop = 4;
  p.s32CutBottom = 4;
  p.s32CutLeft = 6;
  p.s32CutRight = 2;  // SW 56, SH 32
  p.s32OffsetTop = 6;
  p.s32OffsetBottom = 2;
  p.s32FillTop = 2;
  p.s32FillBottom = 6;  // DH 32
  p.s32OffsetLeft = 8;
  p.s32FillLeft = 4;
  p.s32FillRight = 12;  // DW 56
  void* handle = nullptr;
  ASSERT_EQ(ImageResizerOpen_c(&handle, &p, mem), 0u);
  CopyPic420to420 = saved;
  std::vector<uint8_t> a(64 * 40 * 3 / 2), b(96 * 48 * 3 / 2);
  tImgPicture s{a.data(), nullptr, a.data() + 1, 64, 999, 0, 0};  // V set, U null: derived
  tImgPicture d{b.data(), nullptr, nullptr, 96, 0, 0, 0};
  ASSERT_EQ(ImageResizerProcess_c(handle, &s, &d), 0u);
  EXPECT_EQ(seen_src.pu8Y, a.data() + 64 * 4 + 6);
  EXPECT_EQ(seen_src.u32UVPitch, 32u);
  EXPECT_EQ(seen_src.pu8U, a.data() + 64 * 40 + 3 + 2 * 32);
  EXPECT_EQ(seen_src.pu8V, a.data() + 64 * 40 + 64 * 40 / 4 + 3 + 2 * 32);
  EXPECT_EQ(seen_dst.pu8Y, b.data() + 96 * 6 + 8);
  EXPECT_EQ(seen_dst.pu8U, b.data() + 96 * 48 + 4 + 3 * 48);
  EXPECT_EQ(seen_dst.pu8V, b.data() + 96 * 48 + 96 * 48 / 4 + 4 + 3 * 48);
  EXPECT_EQ(ImageResizerClose_c(handle), 0u);
  VideoMemDestroy(mem);
}

// ---- Randomized sweep over accepted geometries ----

TEST_F(ResizerTest, EveryAcceptedGeometryStaysInsideItsPicture) {
  pft::Rng rng(20261206);
  int accepted = 0, fill_checked = 0;
  pft::ResizerCaseOptions options;
  options.special_percent = 8;
  for (int iteration = 0; iteration < 12000 && accepted < 1200; ++iteration) {
    const tImageResizerParam p = pft::random_resizer_param(rng, options);
    void* handle = nullptr;
    if (open(p, &handle) != 0) continue;
    ++accepted;
    const uint64_t seed = rng.next();
    pft::Rng data(seed);
    pft::GuardedPicture src(p.u32SrcYuvType, static_cast<uint32_t>(p.s32SrcWidth),
                            static_cast<uint32_t>(p.s32SrcHeight), data, 8);
    pft::GuardedPicture dst(p.u32DstYuvType, static_cast<uint32_t>(p.s32DstWidth),
                            static_cast<uint32_t>(p.s32DstHeight), data, 8);
    const pft::GuardedPicture src_before = src, dst_before = dst;
    tImgPicture s = src.record(), d = dst.record();
    ASSERT_EQ(ImageResizerProcess_c(handle, &s, &d), 0u);
    // With SSSE3, CIF frames to D1-wide fields run a field filter that writes its own picture
    // where the destination record points and paints no fill: it must write exactly its model.
    auto& instance = *static_cast<tImageResizerInstance*>(handle);
    const tResizerKernel model = pft::divergent_model(instance.pfnKernel);
    pft::GuardedPicture expected = dst_before;
    if (model != nullptr) {
      instance.pfnKernel = model;
      tImgPicture es = src.record(), ed = expected.record();
      ASSERT_EQ(ImageResizerProcess_c(handle, &es, &ed), 0u);
    }
    ASSERT_EQ(ImageResizerClose_c(handle), 0u);

    const std::string where = pft::describe(p) + " seed " + std::to_string(seed);
    if (model != nullptr) {
      for (size_t i = 0; i < dst.planes().size(); ++i) {
        ASSERT_TRUE(dst.planes()[i].raw() == expected.planes()[i].raw())
            << "not the field filter's picture in plane " << i << ", " << where;
      }
      for (size_t i = 0; i < src.planes().size(); ++i) {
        ASSERT_EQ(src.planes()[i].raw(), src_before.planes()[i].raw()) << "source, " << where;
      }
      continue;
    }
    for (size_t i = 0; i < src.planes().size(); ++i) {
      ASSERT_EQ(src.planes()[i].raw(), src_before.planes()[i].raw()) << "source changed, " << where;
    }
    // Everything but the picture is known: guards and offset area as before, fill in the fill
    // colour. Expectations for an all-0 and an all-255 picture agree exactly there. Field
    // pictures carry half the fill at the top and bottom of each field; where a fill is not a
    // multiple of 4 lines, or a 4:2:2 planar source is copied line for line whatever the storage,
    // a kernel may paint it as on a frame instead, and either layout is accepted.
    const bool field = p.u32DstImageType == PF_IMAGE_FIELD;
    std::vector<int> layouts = {field ? 2 : 1};
    if (field &&
        (p.s32FillTop % 4 != 0 || p.s32FillBottom % 4 != 0 || p.u32SrcYuvType == PF_YUV_422P)) {
      layouts.push_back(1);
    }
    std::vector<std::pair<pft::GuardedPicture, pft::GuardedPicture>> known;
    for (int fields : layouts) {
      known.emplace_back(
          pft::expected_destination(dst_before, p, fields,
                                    [](int, int, uint32_t, uint32_t) { return 0; }),
          pft::expected_destination(dst_before, p, fields,
                                    [](int, int, uint32_t, uint32_t) { return 255; }));
    }
    for (size_t i = 0; i < dst.planes().size(); ++i) {
      const auto& after = dst.planes()[i].raw();
      for (size_t b = 0; b < after.size(); ++b) {
        bool fits = false;
        for (const auto& [lo, hi] : known) {
          const uint8_t a = lo.planes()[i].raw()[b], z = hi.planes()[i].raw()[b];
          fits |= a != z || a == after[b];
        }
        ASSERT_TRUE(fits) << "plane " << i << " " << dst.planes()[i].describe(b) << " holds "
                          << int(after[b]) << ", " << where;
        fill_checked +=
            known.front().first.planes()[i].raw()[b] == known.front().second.planes()[i].raw()[b];
      }
    }
  }
  EXPECT_GT(accepted, 500);
  EXPECT_GT(fill_checked, 10000);
}

}  // namespace
