// SPDX-License-Identifier: BSD-2-Clause
// ImageZoom, ImageZoomUYVY and ImageAptZoom: each module described for the generic tests (names,
// versions, null pointers, validation order, rollback), the pictures they and the 4:2:0 <-> UYVY
// converters make against the resizer run directly on the record each should build, and what
// they do with the resizer's refusals.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "img_apt_zoom.h"
#include "img_resizer.h"
#include "img_yuv420toyuv422.h"
#include "img_yuv422toyuv420.h"
#include "img_zoom.h"
#include "img_zoom_uyvy.h"
#include "module_cases.hpp"
#include "rng.hpp"
#include "video_mem.h"
#include "vmem_fixture.hpp"

namespace {

using pft::Bytes;

// ---------------------------------------------------------------- records and buffers

tImageZoomParam zoom_param(int32_t sw, int32_t sh, uint32_t si, int32_t dw, int32_t dh, uint32_t di,
                           uint32_t src_slack = 0, uint32_t dst_slack = 0) {
  tImageZoomParam p{};
  p.s32SrcWidth = sw, p.s32SrcHeight = sh;
  p.u32SrcYPitch = uint32_t(sw) + src_slack, p.u32SrcUVPitch = p.u32SrcYPitch / 2;
  p.u32SrcYuvType = 420, p.u32SrcImageType = si;
  p.s32DstWidth = dw, p.s32DstHeight = dh;
  p.u32DstYPitch = uint32_t(dw) + dst_slack, p.u32DstUVPitch = p.u32DstYPitch / 2;
  p.u32DstYuvType = 420, p.u32DstImageType = di;
  return p;
}

tImageZoomUYVYParam uyvy_param(int32_t sw, int32_t sh, uint32_t si, int32_t dw, int32_t dh,
                               uint32_t di, int32_t top = 0, int32_t bottom = 0, int32_t left = 0,
                               int32_t right = 0, uint32_t slack = 0) {
  return {
      sw,    sh,    uint32_t(sw) + slack, si, dw, dh, uint32_t(dw) + slack, di, top, bottom, left,
      right, 0x5EED};
}

tImageAptZoomParam apt_param(uint32_t st, int32_t sw, int32_t sh, uint32_t si, uint32_t dt,
                             int32_t dw, int32_t dh, uint32_t di, int32_t left = 0,
                             int32_t right = 0, int32_t top = 0, int32_t bottom = 0) {
  return {sw,   sh,    uint32_t(sw), uint32_t(sw) / 2, st,    dw, dh, uint32_t(dw), dt, si, di,
          left, right, top,          bottom,           0x5EED};
}

Bytes random_bytes(size_t n, pft::Rng& rng) {
  Bytes b(n);
  for (auto& v : b) v = rng.byte();
  return b;
}

constexpr size_t kGuard = 64;  // bytes after every destination that nobody may write

// ---------------------------------------------------------------- the modules for generic tests

pft::ModuleCase zoom_case() {
  pft::ModuleCase m;
  m.name = "zoom";
  m.family = pft::Family::kScaling;
  m.entry = PF_ENTRY_POINTS(ImageZoom);
  m.table = &tImageZoomFunc;
  m.id = 5;
  // The names end before the end marker, which has none.
  pft::set_names(m, pas8ImageZoomSelfAnalyzeErrorCode, ERR_IMG_ZOOM_SELF_INIT_POINTER,
                 ERR_IMG_ZOOM_SELF_INIT_POINTER, ERR_IMG_ZOOM_SELF_GETMEMSIZE_PARAM_POINTER,
                 ERR_IMG_ZOOM_SELF_ANDTF_ANALYZECODE_HANDLE);
  m.delegates = true;
  pft::set_version(m, "pelforge_v300.zoom.004", ERR_IMG_ZOOM_SELF_GET_VERSION_POINTER,
                   ERR_IMG_ZOOM_SELF_GET_VERSION_VERLEN_POINTER,
                   ERR_IMG_ZOOM_SELF_VERSION_BUFLEN_TOO_SHORT);
  m.param = pft::record_bytes(zoom_param(64, 32, 1, 32, 16, 1, 8, 4));
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const tImageZoomParam*>(record);
    tImageZoomBuffers b{pics.picture(PF_YUV_420, p.u32SrcYPitch, p.s32SrcHeight),
                        pics.picture(PF_YUV_420, p.u32DstYPitch, p.s32DstHeight)};
    return e.Process(h, &b, &b);
  };
  m.mem_size = 176 + 192;
  // Close of a foreign record answers with the memory service's refusal, passed on.
  pft::set_null_codes(m, {ERR_IMG_ZOOM_SELF_INIT_POINTER, ERR_IMG_ZOOM_SELF_CLOSE_POINTER,
                          ERR_IMG_ZOOM_SELF_CLOSE_MEM_POINTER, VIDEOMEM_ERR_POINTER,
                          ERR_IMG_ZOOM_SELF_SETPARAM_POINTER, ERR_IMG_ZOOM_SELF_STATUS_POINTER,
                          ERR_IMG_ZOOM_SELF_INPUT_POINTER});
  // The instance, the resizer's record, then the resizer's own instance and scratch.
  m.open_failures = {ERR_IMG_ZOOM_SELF_HANDLE_MEM_MALLOC, ERR_IMG_ZOOM_SELF_HANDLE_MEM_MALLOC,
                     ERR_IMG_RESIZER_SELF_HANDLE_MEM_MALLOC,
                     ERR_IMG_RESIZER_FAST_SCRATCH_MEM_MALLOC};
  m.dma_failure = ERR_IMG_RESIZER_GET_DMA_HANDLE;
  using P = tImageZoomParam;
  m.rows = {
      PF_REFUSED(P, "source width 0", ERR_IMG_ZOOM_SELF_SRCWIDTH_ILLEGAL, p.s32SrcWidth = 0),
      PF_REFUSED(P, "source width 12290 before a bad destination width",
                 ERR_IMG_ZOOM_SELF_SRCWIDTH_ILLEGAL, p.s32SrcWidth = 12290, p.u32SrcYPitch = 12290,
                 p.s32DstWidth = 3),
      PF_REFUSED(P, "destination width odd before a bad height", ERR_IMG_ZOOM_SELF_DSTWIDTH_ILLEGAL,
                 p.s32DstWidth = 31, p.s32SrcHeight = 0),
      PF_REFUSED(P, "source height odd before a bad pitch", ERR_IMG_ZOOM_SELF_SRCHEIGHT_ILLEGAL,
                 p.s32SrcHeight = 31, p.u32SrcYPitch = 2),
      PF_REFUSED(P, "destination height 0", ERR_IMG_ZOOM_SELF_DSTHEIGHT_ILLEGAL,
                 p.s32DstHeight = 0),
      PF_REFUSED(P, "source pitch below the width before a bad type",
                 ERR_IMG_ZOOM_SELF_SRCYSTRIDE_ILLEGAL, p.u32SrcYPitch = 62, p.u32SrcUVPitch = 31,
                 p.u32SrcYuvType = 422),
      PF_REFUSED(P, "source chroma pitch not half", ERR_IMG_ZOOM_SELF_SRCUVSTRIDE_ILLEGAL,
                 p.u32SrcUVPitch = 32),
      PF_REFUSED(P, "destination pitch below the width", ERR_IMG_ZOOM_SELF_DSTYSTRIDE_ILLEGAL,
                 p.u32DstYPitch = 30),
      PF_REFUSED(P, "destination chroma pitch not half", ERR_IMG_ZOOM_SELF_DSTUVSTRIDE_ILLEGAL,
                 p.u32DstUVPitch = 16),
      PF_REFUSED(P, "source UYVY before a bad image type", ERR_IMG_ZOOM_SELF_SRCYUVTYPE_ILLEGAL,
                 p.u32SrcYuvType = 422, p.u32SrcImageType = 0),
      PF_REFUSED(P, "destination NV12", ERR_IMG_ZOOM_SELF_DSTYUVTYPE_ILLEGAL,
                 p.u32DstYuvType = 42012),
      PF_REFUSED(P, "source image type 4 before a bad zoom type",
                 ERR_IMG_ZOOM_SELF_SRCIMAGETYPE_ILLEGAL, p.u32SrcImageType = 4, p.u8ZoomType = 3),
      PF_REFUSED(P, "destination image type 0", ERR_IMG_ZOOM_SELF_DSTIMAGETYPE_ILLEGAL,
                 p.u32DstImageType = 0),
      PF_REFUSED(P, "zoom type 3", ERR_IMG_ZOOM_SELF_ZOOMTYPE_ILLEGAL, p.u8ZoomType = 3),
      // What only the resizer refuses comes back with its code, after the instance was taken.
      PF_REFUSED_LATE(P, "field source of 30 lines", ERR_IMG_RESIZER_SELF_SRCHEIGHT_ILLEGAL,
                      p.u32SrcImageType = 2, p.s32SrcHeight = 30),
      PF_REFUSED_LATE(P, "line buffers beyond the scratch", ERR_IMG_RESIZER_SELF_SRCWIDTH_ILLEGAL,
                      p.s32SrcWidth = 6000, p.u32SrcYPitch = 6000, p.u32SrcUVPitch = 3000,
                      p.s32DstWidth = 1000, p.u32DstYPitch = 1000, p.u32DstUVPitch = 500),
  };
  return m;
}
PF_MODULE_CASE(zoom_case);

pft::ModuleCase zoom_uyvy_case() {
  pft::ModuleCase m;
  m.name = "zoom_uyvy";
  m.family = pft::Family::kScaling;
  m.entry = PF_ENTRY_POINTS_WITH(ImageZoomUYVY, ImageZoomUYVYDebug_c, ImageZoomUYVGetMemSize_c);
  m.table = &tImageZoomUYVYFunc;
  m.id = 23;
  pft::set_names(m, pas8ImageZoomUYVYSelfAnalyzeErrorCode, ERR_IMG_ZOOM_UYVY_INIT_POINTER,
                 ERR_IMG_ZOOM_UYVY_INIT_POINTER, ERR_IMG_ZOOM_UYVY_GETMEMSIZE_PARAM_POINTER,
                 ERR_IMG_ZOOM_UYVY_ANDTF_ANALYZECODE_HANDLE);
  m.delegates = true;
  pft::set_version(m, "pelforge_v300.zoom_uyvy.002", ERR_IMG_ZOOM_UYVY_GET_VERSION_POINTER,
                   ERR_IMG_ZOOM_UYVY_GET_VERSION_VERLEN_POINTER,
                   ERR_IMG_ZOOM_UYVY_VERSION_BUFLEN_TOO_SHORT);
  m.param = pft::record_bytes(uyvy_param(64, 32, 1, 48, 24, 1, 4, 4, 8, 8));
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const tImageZoomUYVYParam*>(record);
    tImageZoomUYVYBuffers b{pics.picture(PF_YUV_UYVY, p.u32SrcPitch, p.s32SrcHeight),
                            pics.picture(PF_YUV_UYVY, p.u32DstPitch, p.s32DstHeight)};
    return e.Process(h, &b, &b);
  };
  m.mem_size = 176 + 184;
  pft::set_null_codes(m, {ERR_IMG_ZOOM_UYVY_INIT_POINTER, ERR_IMG_ZOOM_UYVY_CLOSE_POINTER,
                          ERR_IMG_ZOOM_UYVY_CLOSE_MEM_POINTER, VIDEOMEM_ERR_POINTER,
                          ERR_IMG_ZOOM_UYVY_SETPARAM_POINTER, ERR_IMG_ZOOM_UYVY_STATUS_POINTER,
                          ERR_IMG_ZOOM_UYVY_PROCESS_INPUT_POINTER});
  m.open_failures = {
      ERR_IMG_ZOOM_UYVY_INIT_HANDLE_MEM_MALLOC, ERR_IMG_ZOOM_UYVY_INIT_HANDLE_MEM_MALLOC,
      ERR_IMG_RESIZER_SELF_HANDLE_MEM_MALLOC, ERR_IMG_RESIZER_FAST_SCRATCH_MEM_MALLOC};
  m.dma_failure = ERR_IMG_RESIZER_GET_DMA_HANDLE;
  using P = tImageZoomUYVYParam;
  m.rows = {
      PF_REFUSED(P, "source width 12290", ERR_IMG_ZOOM_UYVY_INIT_SRCWIDTH_ILLEGAL,
                 p.s32SrcWidth = 12290, p.u32SrcPitch = 12290),
      PF_REFUSED(P, "destination width odd before a bad height",
                 ERR_IMG_ZOOM_UYVY_INIT_DSTWIDTH_ILLEGAL, p.s32DstWidth = 47, p.s32SrcHeight = 0),
      PF_REFUSED(P, "source height 6146", ERR_IMG_ZOOM_UYVY_INIT_SRCHEIGHT_ILLEGAL,
                 p.s32SrcHeight = 6146),
      PF_REFUSED(P, "destination height odd before a bad pitch",
                 ERR_IMG_ZOOM_UYVY_INIT_DSTHEIGHT_ILLEGAL, p.s32DstHeight = 23, p.u32SrcPitch = 2),
      PF_REFUSED(P, "source pitch below the width", ERR_IMG_ZOOM_UYVY_INIT_SRC_STRIDE_ILLEGAL,
                 p.u32SrcPitch = 62),
      PF_REFUSED(P, "destination pitch below the width before a bad bar",
                 ERR_IMG_ZOOM_UYVY_INIT_DST_STRIDE_ILLEGAL, p.u32DstPitch = 46, p.s32TopBlack = -2),
      PF_REFUSED(P, "top bar negative", ERR_IMG_ZOOM_UYVY_TOP_BLACK, p.s32TopBlack = -2),
      PF_REFUSED(P, "bottom bar odd", ERR_IMG_ZOOM_UYVY_BOTTOM_BLACK, p.s32BottomBlack = 3),
      PF_REFUSED(P, "left bar odd before a bad image type", ERR_IMG_ZOOM_UYVY_LEFT_BLACK,
                 p.s32LeftBlack = 1, p.u32SrcImageType = 0),
      PF_REFUSED(P, "right bar negative", ERR_IMG_ZOOM_UYVY_RIGHT_BLACK, p.s32RightBlack = -4),
      PF_REFUSED(P, "source image type 0", ERR_IMG_ZOOM_UYVY_INIT_SRC_IMAGETYPE_ILLEGAL,
                 p.u32SrcImageType = 0),
      PF_REFUSED(P, "destination image type 4", ERR_IMG_ZOOM_UYVY_INIT_DST_IMAGETYPE_ILLEGAL,
                 p.u32DstImageType = 4),
      PF_REFUSED_LATE(P, "bars wider than the picture", ERR_IMG_RESIZER_FILLPOINT_ILLEGAL,
                      p.s32LeftBlack = p.s32RightBlack = 24),
      PF_REFUSED_LATE(P, "field to field of another size", ERR_IMG_RESIZER_422TO422_YUVTYPE_ILLEGAL,
                      p.u32SrcImageType = 2, p.u32DstImageType = 2),
  };
  return m;
}
PF_MODULE_CASE(zoom_uyvy_case);

pft::ModuleCase apt_zoom_case() {
  pft::ModuleCase m;
  m.name = "apt_zoom";
  m.family = pft::Family::kScaling;
  m.entry = PF_ENTRY_POINTS(ImageAptZoom);
  m.table = &tImageAptZoomFunc;
  m.id = 20;
  pft::set_names(m, pas8ImageAptZoomSelfAnalyzeErrorCode, ERR_IMG_APT_ZOOM_SELF_INIT_POINTER,
                 ERR_IMG_APT_ZOOM_SELF_INIT_POINTER, ERR_IMG_APT_ZOOM_GET_MEMSIZE_ZOOM_PARAM,
                 ERR_IMG_APT_ZOOM_ANALYZE_ERROR_CODE_HANDLE);
  m.delegates = true;
  pft::set_version(m, "pelforge_v300.AptZoom.003", ERR_IMG_APT_ZOOM_SELF_GET_VERSION_POINTER,
                   ERR_IMG_APT_ZOOM_SELF_GET_VERSION_VERLEN_POINTER,
                   ERR_IMG_APT_ZOOM_SELF_VERSION_BUFLEN_TOO_SHORT);
  m.param = pft::record_bytes(apt_param(420, 64, 32, 1, 420, 48, 40, 1, 8, 8, 4, 4));
  m.run = [](const tImgProcFuncList& e, void* h, const void* record, pft::Pictures& pics) {
    const auto& p = *static_cast<const tImageAptZoomParam*>(record);
    tImageAptZoomBuffers b{pics.picture(p.u32SrcYuvType, p.u32SrcYPitch, p.s32SrcHeight),
                           pics.picture(p.u32OutYuvType, p.u32OutYPitch, p.s32OutHeight)};
    return e.Process(h, &b, &b);
  };
  m.mem_size = 176 + 192;
  pft::set_null_codes(m,
                      {ERR_IMG_APT_ZOOM_SELF_INIT_POINTER, ERR_IMG_APT_ZOOM_SELF_CLOSE_POINTER,
                       ERR_IMG_APT_ZOOM_SELF_CLOSE_MEM_POINTER, VIDEOMEM_ERR_POINTER,
                       ERR_IMG_APT_ZOOM_SELF_SETPARAM_POINTER, ERR_IMG_APT_ZOOM_SELF_STATUS_POINTER,
                       ERR_IMG_APT_ZOOM_SELF_INPUT_POINTER});
  m.open_failures = {ERR_IMG_APT_ZOOM_SELF_INIT_HANDLE_MEM_MALLOC_ERROR,
                     ERR_IMG_APT_ZOOM_SELF_INIT_HANDLE_MEM_MALLOC_ERROR,
                     ERR_IMG_RESIZER_SELF_HANDLE_MEM_MALLOC,
                     ERR_IMG_RESIZER_FAST_SCRATCH_MEM_MALLOC};
  m.dma_failure = ERR_IMG_RESIZER_GET_DMA_HANDLE;
  using P = tImageAptZoomParam;
  m.rows = {
      PF_REFUSED(P, "source width odd before a bad height",
                 ERR_IMG_APT_ZOOM_SELF_INIT_IMAGE_WIDTH_ILLEGAL, p.s32SrcWidth = 63,
                 p.s32SrcHeight = 0),
      PF_REFUSED(P, "field source of 30 lines", ERR_IMG_APT_ZOOM_SELF_INIT_IMAGE_HEIGHT_ILLEGAL,
                 p.u32SrcImageType = 2, p.s32SrcHeight = 30),
      PF_REFUSED(P, "frame source of 31 lines", ERR_IMG_APT_ZOOM_SELF_INIT_IMAGE_HEIGHT_ILLEGAL,
                 p.s32SrcHeight = 31),
      PF_REFUSED(P, "source pitch below the width", ERR_IMG_APT_ZOOM_SELF_INIT_YSTRIDE_ILLEGAL,
                 p.u32SrcYPitch = 62),
      PF_REFUSED(P, "chroma pitch not half", ERR_IMG_APT_ZOOM_SELF_INIT_UVSTRIDE_ILLEGAL,
                 p.u32SrcUVPitch = 33),
      PF_REFUSED(P, "output width 0", ERR_IMG_APT_ZOOM_SELF_INIT_OUT_IMAGE_WIDTH_ILLEGAL,
                 p.s32OutWidth = 0),
      PF_REFUSED(P, "output height odd", ERR_IMG_APT_ZOOM_SELF_INIT_OUT_IMAGE_HEIGHT_ILLEGAL,
                 p.s32OutHeight = 39),
      PF_REFUSED(P, "output pitch below the width before a bad offset",
                 ERR_IMG_APT_ZOOM_SELF_INIT_OUT_YSTRIDE_ILLEGAL, p.u32OutYPitch = 46,
                 p.s32LeftOffset = 2),
      PF_REFUSED(P, "left offset not a multiple of 4",
                 ERR_IMG_APT_ZOOM_SELF_INIT_LEFT_OFFSET_ILLEGAL, p.s32LeftOffset = 6),
      PF_REFUSED(P, "left offset the source width", ERR_IMG_APT_ZOOM_SELF_INIT_LEFT_OFFSET_ILLEGAL,
                 p.s32LeftOffset = 64),
      PF_REFUSED(P, "right offset negative", ERR_IMG_APT_ZOOM_SELF_INIT_RIGHT_OFFSET_ILLEGAL,
                 p.s32RightOffset = -4),
      PF_REFUSED(P, "left and right 4 on a width of 8",
                 ERR_IMG_APT_ZOOM_SELF_INIT_HORIZON_OFFSET_ILLEGAL, p.s32SrcWidth = 8,
                 p.u32SrcYPitch = 8, p.u32SrcUVPitch = 4, p.s32LeftOffset = p.s32RightOffset = 4),
      PF_REFUSED(P, "top offset odd", ERR_IMG_APT_ZOOM_SELF_INIT_TOP_OFFSET_ILLEGAL,
                 p.s32TopOffset = 2),
      PF_REFUSED(P, "bottom offset the source height",
                 ERR_IMG_APT_ZOOM_SELF_INIT_BOTTOM_OFFSET_ILLEGAL, p.s32BottomOffset = 32),
      PF_REFUSED(P, "top and bottom the source height",
                 ERR_IMG_APT_ZOOM_SELF_INIT_VERTICAL_OFFSET_ILLEGAL, p.s32TopOffset = 16,
                 p.s32BottomOffset = 16),
      PF_REFUSED(P, "source NV12 before a bad image type",
                 ERR_IMG_APT_ZOOM_SELF_INIT_SRC_YUVTYPE_ILLEGAL, p.u32SrcYuvType = 42012,
                 p.u32SrcImageType = 3),
      PF_REFUSED(P, "output YUYV", ERR_IMG_APT_ZOOM_SELF_INIT_DST_YUVTYPE_ILLEGAL,
                 p.u32OutYuvType = 4201),
      PF_REFUSED(P, "interlaced source", ERR_IMG_APT_ZOOM_SELF_INIT_SRC_IMAGETYPE_ILLEGAL,
                 p.u32SrcImageType = 3),
      PF_REFUSED(P, "interlaced output", ERR_IMG_APT_ZOOM_SELF_INIT_DST_IMAGETYPE_ILLEGAL,
                 p.u32OutImageType = 3),
      PF_REFUSED_LATE(P, "bars wider than the output", ERR_IMG_RESIZER_FILLPOINT_ILLEGAL,
                      p.s32LeftOffset = 24, p.s32RightOffset = 24),
      PF_REFUSED_LATE(P, "4:2:0 field to packed field", ERR_IMG_RESIZER_420TO422_YUVTYPE_ILLEGAL,
                      p.u32SrcImageType = 2, p.u32OutYuvType = 422, p.u32OutImageType = 2),
  };
  return m;
}
PF_MODULE_CASE(apt_zoom_case);

// ---------------------------------------------------------------- pictures

// One configuration: what the module gets, and the resizer record and pictures it should hand
// on (written out here from the modules' rules, not taken from them).
struct Layout {
  size_t u_offset = 0, v_offset = 0;  // from the buffer's start; both 0 for packed pictures
  uint32_t pitch = 0, uv_pitch = 0;
};

// Bytes of a picture of `height` lines in that layout.
size_t bytes_of(const Layout& l, int32_t height) {
  return l.u_offset == 0 ? 2 * size_t(l.pitch) * size_t(height) : 2 * l.v_offset - l.u_offset;
}

struct Entry {
  uint32_t (*open)(void**, const void*, void*);
  uint32_t (*process)(void*, void*, void*);
  uint32_t (*close)(void*);
};
const Entry kZoom{ImageZoomOpen_c, ImageZoomProcess_c, ImageZoomClose_c};
const Entry kZoomUyvy{ImageZoomUYVYOpen_c, ImageZoomUYVYProcess_c, ImageZoomUYVYClose_c};
const Entry kAptZoom{ImageAptZoomOpen_c, ImageAptZoomProcess_c, ImageAptZoomClose_c};
const Entry kToPacked{ImgYUV420ToYUV422Open_c, ImgYUV420ToYUV422Process_c,
                      ImgYUV420ToYUV422Close_c};
const Entry kToPlanar{ImgYUV422ToYUV420Open_c, ImgYUV422ToYUV420Process_c,
                      ImgYUV422ToYUV420Close_c};

struct PictureRow {
  std::string what;
  Bytes param;  // the module's record, for its Open
  Entry entry;
  uint32_t result_type;  // the converters' result record names the destination's image type
  tImageResizerParam record;
  Layout src, dst;
};

tImageResizerParam resizer_param(uint32_t st, int32_t sw, int32_t sh, uint32_t si, uint32_t dt,
                                 int32_t dw, int32_t dh, uint32_t di) {
  tImageResizerParam r{};
  r.s32SrcWidth = sw, r.s32SrcHeight = sh, r.u32SrcYuvType = st, r.u32SrcImageType = si;
  r.s32DstWidth = dw, r.s32DstHeight = dh, r.u32DstYuvType = dt, r.u32DstImageType = di;
  return r;
}

void black_bars(tImageResizerParam& r, int32_t top, int32_t bottom, int32_t left, int32_t right) {
  r.s32FillTop = top, r.s32FillBottom = bottom, r.s32FillLeft = left, r.s32FillRight = right;
  r.u32FillY = 1, r.u32FillU = 128, r.u32FillV = 128;
}

// A picture in one buffer: packed, or 4:2:0 with U after `luma_bytes` and V `u_bytes` further.
Layout layout(uint32_t type, size_t luma_bytes, size_t u_bytes, uint32_t pitch, uint32_t uv_pitch) {
  if (type == PF_YUV_UYVY) return {0, 0, pitch, 0};
  return {luma_bytes, luma_bytes + u_bytes, pitch, uv_pitch};
}
// The same, unpadded: chroma pitch half the width.
Layout tight(uint32_t type, int32_t w, int32_t h) {
  const size_t luma = size_t(w) * size_t(h);
  return layout(type, luma, luma / 4, uint32_t(w), uint32_t(w) / 2);
}

// "64x32/1 -> 32x16/1": the sizes and image types of a row, for messages.
std::string sizes(int32_t sw, int32_t sh, uint32_t si, int32_t dw, int32_t dh, uint32_t di) {
  return std::to_string(sw) + "x" + std::to_string(sh) + "/" + std::to_string(si) + " -> " +
         std::to_string(dw) + "x" + std::to_string(dh) + "/" + std::to_string(di);
}

PictureRow zoom_row(const tImageZoomParam& p) {
  const size_t src_luma = size_t(p.u32SrcYPitch) * size_t(p.s32SrcHeight);
  const size_t dst_luma = size_t(p.u32DstYPitch) * size_t(p.s32DstHeight);
  return {"zoom " +
              sizes(p.s32SrcWidth, p.s32SrcHeight, p.u32SrcImageType, p.s32DstWidth, p.s32DstHeight,
                    p.u32DstImageType) +
              ", zoom type " + std::to_string(p.u8ZoomType),
          pft::record_bytes(p),
          kZoom,
          0,
          resizer_param(420, p.s32SrcWidth, p.s32SrcHeight, p.u32SrcImageType, 420, p.s32DstWidth,
                        p.s32DstHeight, p.u32DstImageType),
          layout(420, src_luma, size_t(p.u32SrcUVPitch) * size_t(p.s32SrcHeight / 2),
                 p.u32SrcYPitch, p.u32SrcUVPitch),
          layout(420, dst_luma, size_t(p.u32DstUVPitch) * size_t(p.s32DstHeight / 2),
                 p.u32DstYPitch, p.u32DstUVPitch)};
}

PictureRow uyvy_row(const tImageZoomUYVYParam& p) {
  PictureRow row{"uyvy " +
                     sizes(p.s32SrcWidth, p.s32SrcHeight, p.u32SrcImageType, p.s32DstWidth,
                           p.s32DstHeight, p.u32DstImageType) +
                     ", bars " + std::to_string(p.s32TopBlack) + "," +
                     std::to_string(p.s32BottomBlack) + "," + std::to_string(p.s32LeftBlack) + "," +
                     std::to_string(p.s32RightBlack),
                 pft::record_bytes(p),
                 kZoomUyvy,
                 0,
                 resizer_param(422, p.s32SrcWidth, p.s32SrcHeight, p.u32SrcImageType, 422,
                               p.s32DstWidth, p.s32DstHeight, p.u32DstImageType),
                 {0, 0, p.u32SrcPitch, 0},
                 {0, 0, p.u32DstPitch, 0}};
  black_bars(row.record, p.s32TopBlack, p.s32BottomBlack, p.s32LeftBlack, p.s32RightBlack);
  return row;
}

PictureRow apt_row(const tImageAptZoomParam& p) {
  PictureRow row{"apt " + std::to_string(p.u32SrcYuvType) + " -> " +
                     std::to_string(p.u32OutYuvType) + " " +
                     sizes(p.s32SrcWidth, p.s32SrcHeight, p.u32SrcImageType, p.s32OutWidth,
                           p.s32OutHeight, p.u32OutImageType),
                 pft::record_bytes(p),
                 kAptZoom,
                 0,
                 resizer_param(p.u32SrcYuvType, p.s32SrcWidth, p.s32SrcHeight, p.u32SrcImageType,
                               p.u32OutYuvType, p.s32OutWidth, p.s32OutHeight, p.u32OutImageType),
                 tight(p.u32SrcYuvType, p.s32SrcWidth, p.s32SrcHeight),
                 tight(p.u32OutYuvType, p.s32OutWidth, p.s32OutHeight)};
  black_bars(row.record, p.s32TopOffset, p.s32BottomOffset, p.s32LeftOffset, p.s32RightOffset);
  return row;
}

// The 4:2:0 <-> UYVY converters (sizes: source w, h, image type, destination w, h, image type):
// the resizer on the same sizes, painting black where it paints at all.
PictureRow converter_row(bool to_packed, const int32_t (&s)[6]) {
  const uint32_t st = to_packed ? PF_YUV_420 : PF_YUV_UYVY, si = uint32_t(s[2]);
  const uint32_t dt = to_packed ? PF_YUV_UYVY : PF_YUV_420, di = uint32_t(s[5]);
  PictureRow row{std::string(to_packed ? "420 -> 422 " : "422 -> 420 ") +
                     sizes(s[0], s[1], si, s[3], s[4], di),
                 to_packed
                     ? pft::record_bytes(tYUV420ToYUV422Param{s[0], s[1], s[2], s[3], s[4], s[5]})
                     : pft::record_bytes(tYUV422ToYUV420Param{s[0], s[1], s[2], s[3], s[4], s[5]}),
                 to_packed ? kToPacked : kToPlanar,
                 di,
                 resizer_param(st, s[0], s[1], si, dt, s[3], s[4], di),
                 tight(st, s[0], s[1]),
                 tight(dt, s[3], s[4])};
  if (to_packed) black_bars(row.record, 0, 0, 0, 0);
  return row;
}

tImgPicture at(const Layout& l, uint8_t* base) {
  if (l.u_offset == 0) return {base, nullptr, nullptr, l.pitch, 0, 0, 0};
  return {base, base + l.u_offset, base + l.v_offset, l.pitch, l.uv_pitch, 0, 0};
}

class ZoomPictures : public pft::VmemTest {};

// Each module's picture equals the resizer's on the record and pictures the module should have
// built, byte for byte, and nothing past the destination changes.
TEST_F(ZoomPictures, EachModuleMakesTheResizersPictureOfItsRecord) {
  std::vector<PictureRow> rows = {
      zoom_row(zoom_param(64, 32, 1, 32, 16, 1)),
      zoom_row(zoom_param(64, 32, 1, 40, 24, 1, 8, 6)),  // padded lines on both sides
      zoom_row(zoom_param(48, 32, 2, 96, 64, 1, 2, 0)),
      zoom_row(zoom_param(64, 48, 3, 48, 32, 3, 0, 4)),
      zoom_row(zoom_param(64, 32, 1, 64, 32, 2)),
  };
  for (uint8_t zoom_type : {1, 2}) {
    tImageZoomParam p = zoom_param(64, 32, 1, 40, 24, 1, 8, 6);
    p.u8ZoomType = zoom_type;
    rows.push_back(zoom_row(p));
  }
  rows.push_back(uyvy_row(uyvy_param(64, 32, 1, 48, 24, 1, 4, 4, 8, 8)));
  rows.push_back(uyvy_row(uyvy_param(64, 32, 1, 64, 32, 1, 0, 0, 0, 0, 6)));  // copy, padded
  rows.push_back(uyvy_row(uyvy_param(64, 32, 3, 96, 48, 3, 2, 2, 0, 0)));
  rows.push_back(uyvy_row(uyvy_param(64, 32, 3, 32, 32, 1, 0, 0, 4, 4)));
  rows.push_back(apt_row(apt_param(420, 64, 32, 1, 420, 48, 40, 1, 8, 8, 4, 4)));
  rows.push_back(apt_row(apt_param(420, 64, 32, 2, 420, 64, 48, 1, 0, 0, 8, 8)));
  rows.push_back(apt_row(apt_param(422, 64, 32, 1, 420, 64, 32, 1)));
  rows.push_back(apt_row(apt_param(420, 64, 32, 1, 422, 80, 32, 1, 8, 8, 0, 0)));
  rows.push_back(apt_row(apt_param(422, 64, 32, 1, 422, 96, 64, 1, 16, 16, 0, 0)));
  const int32_t to_packed[][6] = {{64, 32, 1, 64, 32, 1},
                                  {64, 32, 2, 64, 32, 1},
                                  {64, 32, 3, 64, 32, 3},
                                  {64, 32, 1, 96, 48, 1},
                                  {64, 32, 2, 32, 16, 1}};
  const int32_t to_planar[][6] = {{64, 32, 1, 64, 32, 1},   {64, 32, 1, 64, 32, 2},
                                  {64, 32, 1, 32, 16, 1},   {64, 32, 3, 48, 16, 3},
                                  {720, 64, 1, 352, 32, 1}, {720, 64, 1, 176, 32, 1},
                                  {720, 64, 1, 720, 64, 2}, {720, 64, 1, 720, 64, 1}};
  for (const auto& s : to_packed) rows.push_back(converter_row(true, s));
  for (const auto& s : to_planar) rows.push_back(converter_row(false, s));

  pft::Rng rng(0x200F);
  for (const PictureRow& row : rows) {
    SCOPED_TRACE(row.what);
    const Bytes src = random_bytes(bytes_of(row.src, row.record.s32SrcHeight), rng);
    const Bytes canvas = random_bytes(bytes_of(row.dst, row.record.s32DstHeight) + kGuard, rng);

    Bytes by_module = canvas;
    void* h = nullptr;
    ASSERT_EQ(row.entry.open(&h, row.param.data(), mem()), 0u);
    struct {
      const uint8_t* src;
      uint8_t* dst;
    } buffers{src.data(), by_module.data()};
    uint32_t result[2] = {0, 0};  // a dummy for the zoom modules
    ASSERT_EQ(row.entry.process(h, &buffers, result), 0u);
    EXPECT_EQ(row.entry.close(h), 0u);
    if (row.result_type != 0) {
      EXPECT_EQ(result[0], row.result_type) << "result record";
    }

    Bytes by_resizer = canvas;
    Bytes src_copy = src;
    ASSERT_EQ(ImageResizerOpen_c(&h, &row.record, mem()), 0u);
    tImgPicture in = at(row.src, src_copy.data());
    tImgPicture out = at(row.dst, by_resizer.data());
    ASSERT_EQ(ImageResizerProcess_c(h, &in, &out), 0u);
    EXPECT_EQ(ImageResizerClose_c(h), 0u);

    EXPECT_TRUE(by_module == by_resizer);
    EXPECT_TRUE(std::equal(canvas.end() - kGuard, canvas.end(), by_module.end() - kGuard))
        << "written past the destination";
    EXPECT_FALSE(std::equal(canvas.begin(), canvas.end() - kGuard, by_module.begin()))
        << "nothing was written";
  }
}

// A geometry the resizer refuses only once it looks for a kernel (its line buffers would not fit
// the scratch) leaves the instance making the pictures it made before.
TEST_F(ZoomPictures, ARefusedSetParamKeepsThePicturesOfTheLastRecord) {
  const tImageZoomParam p = zoom_param(64, 32, 1, 32, 16, 1);
  tImageZoomParam wide = zoom_param(6000, 32, 1, 1000, 16, 1);
  pft::Rng rng(7);
  const Bytes src = random_bytes(size_t(64) * 32 * 3 / 2, rng);
  Bytes before(size_t(32) * 16 * 3 / 2 + kGuard), after = before;

  void* h = nullptr;
  ASSERT_EQ(ImageZoomOpen_c(&h, &p, mem()), 0u);
  tImageZoomBuffers b{src.data(), before.data()};
  ASSERT_EQ(ImageZoomProcess_c(h, &b, &b), 0u);
  EXPECT_EQ(ImageZoomSetParam_c(h, &wide), ERR_IMG_RESIZER_SELF_SRCWIDTH_ILLEGAL);
  tImageZoomParam status{};
  ASSERT_EQ(ImageZoomGetStatus_c(h, &status), 0u);
  EXPECT_EQ(status.s32SrcWidth, 64);
  b.pu8Dst = after.data();
  ASSERT_EQ(ImageZoomProcess_c(h, &b, &b), 0u);
  EXPECT_TRUE(before == after);
  EXPECT_EQ(ImageZoomClose_c(h), 0u);
}

TEST_F(ZoomPictures, ProcessRefusalsOfEachModule) {
  Bytes a(64 * 64 * 2), c(64 * 64 * 2);
  const tImageZoomParam zp = zoom_param(64, 32, 1, 32, 16, 1);
  const tImageZoomUYVYParam up = uyvy_param(64, 32, 1, 32, 16, 1);
  const tImageAptZoomParam ap = apt_param(420, 64, 32, 1, 420, 32, 16, 1);
  void* zh = nullptr;
  void* uh = nullptr;
  void* ah = nullptr;
  ASSERT_EQ(ImageZoomOpen_c(&zh, &zp, mem()), 0u);
  ASSERT_EQ(ImageZoomUYVYOpen_c(&uh, &up, mem()), 0u);
  ASSERT_EQ(ImageAptZoomOpen_c(&ah, &ap, mem()), 0u);
  struct Row {
    const char* what;
    uint32_t (*process)(void*, void*, void*);
    void* h;
    const uint8_t* src;
    uint8_t* dst;
    uint32_t expected;
  } rows[] = {
      {"zoom, no source", ImageZoomProcess_c, zh, nullptr, c.data(),
       ERR_IMG_ZOOM_SELF_INPUT_DATA_POINTER},
      {"zoom, no destination", ImageZoomProcess_c, zh, a.data(), nullptr,
       ERR_IMG_ZOOM_SELF_OUTPUT_DATA_POINTER},
      {"zoom, in place", ImageZoomProcess_c, zh, a.data(), a.data(),
       ERR_IMG_ZOOM_SELF_INPUT_OUTPUT_POINTER_SAME},
      {"uyvy, no source", ImageZoomUYVYProcess_c, uh, nullptr, c.data(),
       ERR_IMG_ZOOM_UYVY_PROCESS_INPUT_DATA_POINTER},
      {"uyvy, no destination", ImageZoomUYVYProcess_c, uh, a.data(), nullptr,
       ERR_IMG_ZOOM_UYVY_PROCESS_OUTPUT_DATA_POINTER},
      {"uyvy, in place", ImageZoomUYVYProcess_c, uh, a.data(), a.data(),
       ERR_IMG_ZOOM_UYVY_PROCESS_INPUT_OUTPUT_POINTER_SAME},
      {"apt, no source", ImageAptZoomProcess_c, ah, nullptr, c.data(),
       ERR_IMG_APT_ZOOM_SELF_INPUT_DATA_POINTER},
      {"apt, no destination", ImageAptZoomProcess_c, ah, a.data(), nullptr,
       ERR_IMG_APT_ZOOM_SELF_OUTPUT_DATA_POINTER},
      // No check of its own: the resizer refuses a source that is its destination.
      {"apt, in place", ImageAptZoomProcess_c, ah, a.data(), a.data(),
       ERR_IMG_RESIZER_SELF_INPUT_OUTPUT_POINTER_SAME},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    struct {
      const uint8_t* src;
      uint8_t* dst;
    } buffers{row.src, row.dst};
    EXPECT_EQ(row.process(row.h, &buffers, &buffers), row.expected);
  }
  EXPECT_EQ(ImageZoomClose_c(zh), 0u);
  EXPECT_EQ(ImageZoomUYVYClose_c(uh), 0u);
  EXPECT_EQ(ImageAptZoomClose_c(ah), 0u);
}

TEST(ZoomNames, ResizerCodesAreNamedThroughTheResizer) {
  char name[64];
  for (auto analyze : {ImageZoomAnalyzeErrorCode_c, ImageZoomUYVYAnalyzeErrorCode_c,
                       ImageAptZoomAnalyzeErrorCode_c}) {
    ASSERT_EQ(analyze(0xC6A00004, sizeof name, name), 0u);
    EXPECT_STREQ(name, "ERR_IMG_RESIZER_SELF_SRCWIDTH_ILLEGAL");
  }
  // The end markers are not named, not even by the resizer.
  EXPECT_EQ(ImageZoomAnalyzeErrorCode_c(ERR_IMG_ZOOM_END, sizeof name, name),
            PF_ERR_CODE_NOT_NAMEABLE);
  EXPECT_EQ(ImageAptZoomAnalyzeErrorCode_c(ERR_IMG_APT_ZOOM_END, sizeof name, name),
            PF_ERR_CODE_NOT_NAMEABLE);
}

TEST(ZoomMemSize, RecordsOpenWouldRefuseHaveNoSize) {
  uint32_t size = 7;
  tImageZoomParam z = zoom_param(64, 32, 1, 32, 16, 1);
  z.u8ZoomType = 3;
  EXPECT_EQ(ImageZoomGetMemSize_c(&z, &size), ERR_IMG_ZOOM_SELF_ZOOMTYPE_ILLEGAL);
  EXPECT_EQ(ImageZoomGetMemSize_c(nullptr, &size), ERR_IMG_ZOOM_SELF_GETMEMSIZE_PARAM_POINTER);
  z.u8ZoomType = 0;
  EXPECT_EQ(ImageZoomGetMemSize_c(&z, nullptr), ERR_IMG_ZOOM_GETMEMSIZE_INPUT_POINTER);
  tImageZoomUYVYParam u = uyvy_param(64, 32, 1, 32, 16, 1, -2);
  EXPECT_EQ(ImageZoomUYVGetMemSize_c(&u, &size), ERR_IMG_ZOOM_UYVY_TOP_BLACK);
  EXPECT_EQ(ImageZoomUYVGetMemSize_c(nullptr, &size), ERR_IMG_ZOOM_UYVY_GETMEMSIZE_PARAM_POINTER);
  tImageAptZoomParam a = apt_param(420, 64, 32, 3, 420, 32, 16, 1);
  EXPECT_EQ(ImageAptZoomGetMemSize_c(&a, &size), ERR_IMG_APT_ZOOM_SELF_INIT_SRC_IMAGETYPE_ILLEGAL);
  EXPECT_EQ(ImageAptZoomGetMemSize_c(&a, nullptr), ERR_IMG_APT_ZOOM_GET_MEMSIZE_ZOOM_PARAM);
  EXPECT_EQ(size, 7u);
}

}  // namespace
