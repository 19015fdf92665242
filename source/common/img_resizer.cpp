// SPDX-License-Identifier: BSD-2-Clause
// The resizer module: validation, the decision table that picks one kernel per Open/SetParam,
// and the plane addressing of Process.
#include "img_resizer.h"

#include <cstdint>
#include <type_traits>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "img_resizer_internal.hpp"
#include "layout.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_RESIZER_"
PF_ERROR_LIST(pas8ImageResizerSelfAnalyzeErrorCode, PF_IMAGE_RESIZER_ERRORS, ERR_IMG_RESIZER_BASE_)
#undef PF_ERROR_PREFIX

namespace pf {
namespace {

constexpr const char* kSourcePath = "../source/common/img_resizer.c";

// Hosts know the NV21 refusals by number, and the numbers are not the codes whose names describe
// the conversion: each row answers with its neighbour's name (420 -> NV21 is named NV21 -> 420,
// and so on). The numbers are what a host compares, so they stay as they are.
constexpr uint32_t kRefuse420ToNv21 = 0xC6A00034;   // named ..._NV21TO420_...
constexpr uint32_t kRefuseNv21To420 = 0xC6A00035;   // named ..._420TONV21_...
constexpr uint32_t kRefuseNv21ToNv12 = 0xC6A00036;  // named ..._NV12TONV21_...
constexpr uint32_t kRefuseNv12ToNv21 = 0xC6A00037;  // named ..._NV21TONV12_...

constexpr int64_t kWideLimit = 49152;    // when both sides are 4:2:0 or nothing is scaled
constexpr int64_t kNarrowLimit = 12288;  // everything else

bool even(int64_t v) { return v % 2 == 0; }
bool multiple_of_4(int64_t v) { return v % 4 == 0; }

uint32_t check_param(const tImageResizerParam& p) {
  const int64_t src_w = p.s32SrcWidth, src_h = p.s32SrcHeight;
  const int64_t dst_w = p.s32DstWidth, dst_h = p.s32DstHeight;
  const uint32_t st = p.u32SrcYuvType, dt = p.u32DstYuvType;
  const uint32_t si = p.u32SrcImageType, di = p.u32DstImageType;

  // Widths: the limit depends on whether a 12288-wide line buffer could be involved.
  const int64_t src_rect_w = src_w - p.s32CutLeft - p.s32CutRight;
  const int64_t dst_area_w = dst_w - p.s32OffsetLeft - p.s32OffsetRight;
  const bool wide = (st == PF_YUV_420 && dt == PF_YUV_420) || (src_w == dst_w && src_h == dst_h);
  const int64_t limit = wide ? kWideLimit : kNarrowLimit;
  if (src_w < 1 || !even(src_w) || src_rect_w > limit) {
    return wide ? kC674X_SELF_SRCWIDTH_ILLEGAL : kSELF_SRCWIDTH_ILLEGAL;
  }
  if (dst_w < 1 || !even(dst_w) || dst_area_w > limit) {
    return wide ? kC674X_SELF_DSTWIDTH_ILLEGAL : kSELF_DSTWIDTH_ILLEGAL;
  }

  if (src_h < 1 || !even(src_h) || src_h >= 32768 ||
      (si == PF_IMAGE_FIELD && !multiple_of_4(src_h))) {
    return kSELF_SRCHEIGHT_ILLEGAL;
  }
  if (dst_h < 1 || !even(dst_h) || (di == PF_IMAGE_FIELD && !multiple_of_4(dst_h))) {
    return kSELF_DSTHEIGHT_ILLEGAL;
  }
  if (!is_known_yuv_type(st)) return kSELF_SRCYUVTYPE_ILLEGAL;
  if (!is_known_yuv_type(dt)) return kSELF_DSTYUVTYPE_ILLEGAL;
  if (si < PF_IMAGE_FRAME || si > PF_IMAGE_INTERLACED) return kSELF_SRCIMAGETYPE_ILLEGAL;
  if (di < PF_IMAGE_FRAME || di > PF_IMAGE_INTERLACED) return kSELF_DSTIMAGETYPE_ILLEGAL;

  const int64_t ct = p.s32CutTop, cb = p.s32CutBottom;
  if (ct < 0 || cb < 0 || !even(ct) || !even(cb) || ct + cb >= src_h ||
      (st == PF_YUV_420 && si == PF_IMAGE_FIELD && (!multiple_of_4(ct) || !multiple_of_4(cb)))) {
    return kCUTLINE_ILLEGAL;
  }
  const int64_t cl = p.s32CutLeft, cr = p.s32CutRight;
  if (cl < 0 || cr < 0 || !even(cl) || !even(cr) || cl + cr >= src_w) return kCUTPOINT_ILLEGAL;

  const int64_t ft = p.s32FillTop, fb = p.s32FillBottom;
  const int64_t ot = p.s32OffsetTop, ob = p.s32OffsetBottom;
  const bool field_420 = dt == PF_YUV_420 && di == PF_IMAGE_FIELD;
  const bool interlaced_420 =
      dt == PF_YUV_420 && di == PF_IMAGE_INTERLACED && si == PF_IMAGE_INTERLACED;
  if (!even(ft) || !even(fb) || !even(ot) || !even(ob) ||
      (field_420 &&
       (!multiple_of_4(ft) || !multiple_of_4(fb) || !multiple_of_4(ot) || !multiple_of_4(ob))) ||
      (interlaced_420 && (!multiple_of_4(ft) || !multiple_of_4(fb) || !multiple_of_4(dst_h))) ||
      ft < 0 || fb < 0 || ot < 0 || ob < 0 || ft + fb + ot + ob >= dst_h) {
    return kFILLLINE_ILLEGAL;
  }
  const int64_t fl = p.s32FillLeft, fr = p.s32FillRight;
  const int64_t ol = p.s32OffsetLeft, orr = p.s32OffsetRight;
  if (fl < 0 || fr < 0 || !even(fl) || !even(fr) || ol < 0 || orr < 0 || !even(ol) || !even(orr) ||
      fl + fr + ol + orr >= dst_w) {
    return kFILLPOINT_ILLEGAL;
  }
  // Colours are compared as the signed values a caller might have stored.
  auto colour_ok = [](uint32_t c) { return static_cast<int32_t>(c) >= 0 && c <= 255; };
  if (!colour_ok(p.u32FillY)) return kYCOLOR_ILLEGAL;
  if (!colour_ok(p.u32FillU)) return kUCOLOR_ILLEGAL;
  if (!colour_ok(p.u32FillV)) return kVCOLOR_ILLEGAL;
  return PF_STATUS_OK;
}

// The record's fields the geometry keeps as they are, each once: `copy(record field, geometry
// field)`, the record's signed sizes and the geometry's unsigned ones converted both ways.
template <class Record, class Geometry, class Copy>
void kept_fields(Record& p, Geometry& g, Copy copy) {
  copy(p.u32SrcYuvType, g.u32SrcYuvType);
  copy(p.u32SrcImageType, g.u32SrcImageType);
  copy(p.s32CutTop, g.u32CutTop);
  copy(p.s32CutBottom, g.u32CutBottom);
  copy(p.s32CutLeft, g.u32CutLeft);
  copy(p.s32CutRight, g.u32CutRight);
  copy(p.u32DstYuvType, g.u32DstYuvType);
  copy(p.u32DstImageType, g.u32DstImageType);
  copy(p.s32OffsetTop, g.u32OffsetTop);
  copy(p.s32OffsetBottom, g.u32OffsetBottom);
  copy(p.s32OffsetLeft, g.u32OffsetLeft);
  copy(p.s32OffsetRight, g.u32OffsetRight);
  copy(p.s32FillTop, g.u32FillTop);
  copy(p.s32FillBottom, g.u32FillBottom);
  copy(p.s32FillLeft, g.u32FillLeft);
  copy(p.s32FillRight, g.u32FillRight);
  copy(p.u32FillY, g.u32FillY);
  copy(p.u32FillU, g.u32FillU);
  copy(p.u32FillV, g.u32FillV);
}

// The geometry keeps the previous picture's means across SetParam; everything else comes from
// the record: the sizes of the scaled regions, and the rest as it stands.
void store_geometry(tResizerGeometry& g, const tImageResizerParam& p) {
  auto u = [](int32_t v) { return static_cast<uint32_t>(v); };
  g.u32SrcWidth = u(p.s32SrcWidth - p.s32CutLeft - p.s32CutRight);
  g.u32SrcHeight = u(p.s32SrcHeight - p.s32CutTop - p.s32CutBottom);
  g.u32DstWidth =
      u(p.s32DstWidth - p.s32OffsetLeft - p.s32OffsetRight - p.s32FillLeft - p.s32FillRight);
  g.u32DstHeight =
      u(p.s32DstHeight - p.s32OffsetTop - p.s32OffsetBottom - p.s32FillTop - p.s32FillBottom);
  kept_fields(p, g, [](const auto& from, auto& to) {
    to = static_cast<std::remove_cvref_t<decltype(to)>>(from);
  });
}

// One decision: either a kernel pointer (whose current value the instance will keep) or an
// error code.
struct Choice {
  tResizerKernel* pointer = nullptr;
  uint32_t error = 0;
};

Choice pick(tResizerKernel& pointer) { return {&pointer, 0}; }
Choice fail(uint32_t error) { return {nullptr, error}; }

// The decision table, on the instance's geometry and extension mode.
Choice decide(const tResizerGeometry& g, uint32_t mode) {
  const uint32_t st = g.u32SrcYuvType, dt = g.u32DstYuvType;
  const uint32_t si = g.u32SrcImageType, di = g.u32DstImageType;
  const uint32_t sw = g.u32SrcWidth, sh = g.u32SrcHeight;
  const uint32_t dw = g.u32DstWidth, dh = g.u32DstHeight;
  const uint32_t pw = dw + g.u32FillLeft + g.u32FillRight;
  const bool same = sw == dw && sh == dh;
  const bool no_border = (g.u32FillTop | g.u32FillBottom | g.u32FillLeft | g.u32FillRight) == 0;
  const bool plain =
      no_border && (g.u32CutTop | g.u32CutBottom | g.u32CutLeft | g.u32CutRight | g.u32OffsetTop |
                    g.u32OffsetBottom | g.u32OffsetLeft | g.u32OffsetRight) == 0;
  // Line buffers of the SIMD kernels live in the fast scratch; a geometry whose buffers would not
  // fit is refused here, whatever kernel runs.
  auto fits = [](uint64_t bytes) { return bytes <= PF_FAST_SCRATCH_BYTES; };
  const bool fast = sw / dw < 2 && sh / dh < 2;
  const bool frame_or_i_src = si == PF_IMAGE_FRAME || si == PF_IMAGE_INTERLACED;
  const bool frame_or_i_dst = di == PF_IMAGE_FRAME || di == PF_IMAGE_INTERLACED;
  auto both = [](uint32_t a, uint32_t b, uint32_t x, uint32_t y) { return a == x && b == y; };
  const uint64_t s64 = sw, p64 = pw;

  if (st == PF_YUV_420 && dt == PF_YUV_420) {
    const uint32_t err = k420TO420_YUVTYPE_ILLEGAL;
    if (!fits(2 * p64 + 4 * s64)) return fail(kSELF_SRCWIDTH_ILLEGAL);
    if (mode == PF_RESIZER_MODE_NEAREST) {
      if (si == PF_IMAGE_FRAME && di == PF_IMAGE_FRAME) {
        return same ? pick(CopyPic420to420) : pick(Nearestframetoframe420to420);
      }
      return fail(err);
    }
    if (si == PF_IMAGE_FRAME && di == PF_IMAGE_FIELD && sw == 352 && sh == 288 && dw == 720 &&
        dh == 576) {
      if (!fits(16 * s64 + 4 * p64)) return fail(kSELF_SRCWIDTH_ILLEGAL);
      return no_border ? pick(ConvertCifFrameto720x576FieldFilter)
                       : pick(GeneralBilinearframetofield420to420FtoF);
    }
    if ((sw == 352 || sw == 704 || sw == 720) && dh <= 288 && dw <= 352 &&
        both(si, di, PF_IMAGE_FIELD, PF_IMAGE_FRAME)) {
      return pick(GeneralBilinearfieldtoframe420to420ItoF);
    }
    if ((dw == 704 || dw == 720) && sh <= 288 && sw <= 352 &&
        both(si, di, PF_IMAGE_FRAME, PF_IMAGE_FIELD)) {
      if (!fits(16 * s64 + 4 * p64)) return fail(kSELF_SRCWIDTH_ILLEGAL);
      return pick(GeneralBilinearframetofield420to420FtoF);
    }
    if (same) {
      if (si == PF_IMAGE_FIELD) {
        return di == PF_IMAGE_FIELD ? pick(FieldtoField420to420) : pick(FieldtoFrame420to420);
      }
      return di == PF_IMAGE_FIELD ? pick(FrametoField420to420) : pick(CopyPic420to420);
    }
    if (!fits(16 * s64 + 4 * p64)) return fail(kSELF_SRCWIDTH_ILLEGAL);
    if (si == PF_IMAGE_FIELD && di == PF_IMAGE_FIELD) {
      return fast ? pick(FastBilinearfieldtofield420to420)
                  : pick(GeneralBilinearfieldtofield420to420);
    }
    if (si == PF_IMAGE_FIELD) {
      return fast ? pick(FastBilinearfieldtoframe420to420)
                  : pick(GeneralBilinearfieldtoframe420to420);
    }
    if (di == PF_IMAGE_FIELD) {
      return fast ? pick(FastBilinearframetofield420to420)
                  : pick(GeneralBilinearframetofield420to420);
    }
    if (si == PF_IMAGE_FRAME) {
      return fast ? pick(FastBilinearframetoframe420to420)
                  : pick(GeneralBilinearframetoframe420to420);
    }
    if (di == PF_IMAGE_INTERLACED) {
      return fast ? pick(FastBilinearframeItoframeI420to420)
                  : pick(GeneralBilinearframeItoframeI420to420);
    }
    return fast ? pick(FastBilinearframeItoframe420to420)
                : pick(GeneralBilinearframeItoframe420to420);
  }

  if (st == PF_YUV_420 && dt == PF_YUV_UYVY) {
    const uint32_t err = k420TO422_YUVTYPE_ILLEGAL;
    if (same) {
      if (both(si, di, PF_IMAGE_FIELD, PF_IMAGE_FRAME)) {
        if (!fits(12 * s64 + 16 * p64)) return fail(kSELF_SRCWIDTH_ILLEGAL);
        return pick(FieldtoFrame420to422);
      }
      if (both(si, di, PF_IMAGE_FRAME, PF_IMAGE_FRAME) ||
          both(si, di, PF_IMAGE_INTERLACED, PF_IMAGE_INTERLACED)) {
        if (!fits(6 * s64 + 8 * p64)) return fail(kSELF_SRCWIDTH_ILLEGAL);
        return pick(FrametoFrame420to422);
      }
      return fail(err);
    }
    if (!fits(16 * s64 + 6 * p64)) return fail(kSELF_SRCWIDTH_ILLEGAL);
    if (both(si, di, PF_IMAGE_FIELD, PF_IMAGE_FRAME)) {
      return fast ? pick(FastBilinearfieldtoframe420to422)
                  : pick(GeneralBilinearfieldtoframe420to422);
    }
    if (both(si, di, PF_IMAGE_FRAME, PF_IMAGE_FRAME)) {
      return fast ? pick(FastBilinearframetoframe420to422)
                  : pick(GeneralBilinearframetoframe420to422);
    }
    if (both(si, di, PF_IMAGE_INTERLACED, PF_IMAGE_INTERLACED)) {
      return fast ? pick(FastBilinearframeItoframeI420to422)
                  : pick(GeneralBilinearframeItoframeI420to422);
    }
    return fail(err);
  }

  if (st == PF_YUV_420 && dt == PF_YUV_422P) {
    const uint32_t err = k420TO422P_YUVTYPE_ILLEGAL;
    if (!fits(16 * s64 + 4 * p64)) return fail(kSELF_SRCWIDTH_ILLEGAL);
    if (same) {
      if (both(si, di, PF_IMAGE_INTERLACED, PF_IMAGE_FRAME)) {
        return pick(BilinearframeItoframe420to422P);
      }
      if (both(si, di, PF_IMAGE_INTERLACED, PF_IMAGE_INTERLACED)) return pick(CopyPic420Ito422PI);
      if (both(si, di, PF_IMAGE_FIELD, PF_IMAGE_INTERLACED)) {
        return pick(CopyPic420Fieldto422PFrameI);
      }
      if (si == PF_IMAGE_FRAME && frame_or_i_dst) return pick(CopyPic420to422P);
      return fail(err);
    }
    if (both(si, di, PF_IMAGE_FRAME, PF_IMAGE_FRAME)) return pick(Bilinearframetoframe420to422P);
    if (both(si, di, PF_IMAGE_INTERLACED, PF_IMAGE_FRAME)) {
      return pick(BilinearframeItoframe420to422P);
    }
    if (both(si, di, PF_IMAGE_INTERLACED, PF_IMAGE_INTERLACED)) {
      return pick(BilinearframeItoframeI420to422P);
    }
    return fail(err);
  }

  if (st == PF_YUV_420 && dt == PF_YUV_YUYV) {
    if (!fits(6 * s64 + 8 * p64)) return fail(kSELF_SRCWIDTH_ILLEGAL);
    return same && plain ? pick(YUV420toYUYVConversion) : fail(k420TOYUYV_YUVTYPE_ILLEGAL);
  }
  const bool same_plain_frames = same && plain && both(si, di, PF_IMAGE_FRAME, PF_IMAGE_FRAME);
  if (st == PF_YUV_420 && dt == PF_YUV_NV12) {
    return same_plain_frames ? pick(YUV420toNV12Conversion) : fail(k420TONV12_YUVTYPE_ILLEGAL);
  }
  if (st == PF_YUV_420 && dt == PF_YUV_NV21) {
    return same_plain_frames ? pick(YUV420toNV21Conversion) : fail(kRefuse420ToNv21);
  }

  if (st == PF_YUV_UYVY && dt == PF_YUV_420) {
    const uint32_t err = k422TO420_YUVTYPE_ILLEGAL;
    if (!fits(6 * p64 + 8 * s64)) return fail(kSELF_SRCWIDTH_ILLEGAL);
    if (both(si, di, PF_IMAGE_FIELD, PF_IMAGE_FIELD) && no_border) {
      return sw == 720 && sh == 576 && dw == 720 && dh == 576 ? pick(YUV422toYUV420D1FieldtoD1Field)
                                                              : fail(err);
    }
    if (frame_or_i_src && di == PF_IMAGE_FRAME && sw == 720 &&
        (dw == 96 || dw == 112 || dw == 176) && no_border) {
      return pick(YUV422toYUV420ScaleDown);
    }
    if (sw == 720 && dw == 352 && no_border) return pick(YUV422Width720toYUV420Width352Cut16Point);
    if (sw == 720 && dw == 720 && sh == dh && frame_or_i_src && no_border) {
      return di == PF_IMAGE_FIELD ? pick(YUV422toYUV420D1FrametoD1Field)
                                  : pick(YUV422toYUV420D1FrametoD1Frame);
    }
    if (same) {
      if (!frame_or_i_src) return fail(err);
      return di == PF_IMAGE_FIELD ? pick(FrametoField422to420) : pick(FrametoFrame422to420);
    }
    if (both(si, di, PF_IMAGE_FRAME, PF_IMAGE_FRAME)) return pick(Bilinearframetoframe422to420);
    if (both(si, di, PF_IMAGE_FRAME, PF_IMAGE_FIELD)) return pick(Bilinearframetofield422to420);
    if (both(si, di, PF_IMAGE_INTERLACED, PF_IMAGE_INTERLACED)) {
      return pick(BilinearFrameItoFrameI422to420);
    }
    if (both(si, di, PF_IMAGE_INTERLACED, PF_IMAGE_FRAME)) {
      return pick(BilinearFrameItoFrame422to420);
    }
    return fail(err);
  }

  if (st == PF_YUV_UYVY && dt == PF_YUV_UYVY) {
    const uint32_t err = k422TO422_YUVTYPE_ILLEGAL;
    if (!fits(6 * p64 + 8 * s64)) return fail(kSELF_SRCWIDTH_ILLEGAL);
    if (same) return frame_or_i_src && frame_or_i_dst ? pick(CopyPic422to422) : fail(err);
    if (si == PF_IMAGE_FRAME && frame_or_i_dst) return pick(Bilinearframetoframe422to422);
    if (both(si, di, PF_IMAGE_INTERLACED, PF_IMAGE_INTERLACED)) {
      return pick(Bilinearframetoframe422to422ItoI);
    }
    if (both(si, di, PF_IMAGE_INTERLACED, PF_IMAGE_FRAME)) {
      return pick(Bilinearframetoframe422to422ItoP);
    }
    return fail(err);
  }

  const bool i_to_p = both(si, di, PF_IMAGE_INTERLACED, PF_IMAGE_FRAME);
  if (st == PF_YUV_422P && dt == PF_YUV_420) {
    if (!fits(16 * s64 + 4 * p64)) return fail(kSELF_SRCWIDTH_ILLEGAL);
    if (same && !i_to_p) return pick(CopyPic422Pto420);
    if (i_to_p) return pick(BilinearframeItoframe422Pto420);
    if (both(si, di, PF_IMAGE_FRAME, PF_IMAGE_FRAME)) return pick(Bilinearframetoframe422Pto420);
    return fail(k422PTO420_YUVTYPE_ILLEGAL);
  }

  if (st == PF_YUV_422P && dt == PF_YUV_422P) {
    const uint32_t err = k422PTO422P_YUVTYPE_ILLEGAL;
    if (!fits(16 * s64 + 4 * p64)) return fail(kSELF_SRCWIDTH_ILLEGAL);
    if (same && !i_to_p) return pick(CopyPic422Pto422P);
    if (mode == PF_RESIZER_MODE_NEAREST && si == PF_IMAGE_FRAME) {
      return di == PF_IMAGE_FRAME ? pick(Nearestframetoframe422Pto422P) : fail(err);
    }
    if (both(si, di, PF_IMAGE_FRAME, PF_IMAGE_FRAME)) return pick(Bilinearframetoframe422Pto422P);
    if (i_to_p) return pick(BilinearframeItoframe422Pto422P);
    return fail(err);
  }

  const bool frames = both(si, di, PF_IMAGE_FRAME, PF_IMAGE_FRAME);
  if (st == PF_YUV_YUYV && dt == PF_YUV_420) {
    if (!fits(6 * p64 + 8 * s64)) return fail(kSELF_SRCWIDTH_ILLEGAL);
    return same && plain ? pick(YUYVtoYUV420Conversion) : fail(kYUYVTO420_YUVTYPE_ILLEGAL);
  }
  if (st == PF_YUV_YUYV && dt == PF_YUV_YUYV) {
    if (!fits(6 * p64 + 8 * s64)) return fail(kSELF_SRCWIDTH_ILLEGAL);
    return frames ? pick(BilinearframetoframeYUYVtoYUYV) : fail(kYUYVTOYUYV_YUVTYPE_ILLEGAL);
  }
  if (st == PF_YUV_YUYV && dt == PF_YUV_NV12) {
    return frames ? pick(BilinearConverframetoframeYUYVtoNV12) : fail(kYUYVTONV12_YUVTYPE_ILLEGAL);
  }
  if (st == PF_YUV_NV12 && dt == PF_YUV_NV12) {
    return frames ? pick(Bilinearframetoframe420SPto420SP) : fail(kNV12TONV12_YUVTYPE_ILLEGAL);
  }
  if ((st == PF_YUV_NV12 || st == PF_YUV_NV21) && dt == PF_YUV_420) {
    const bool nv12 = st == PF_YUV_NV12;
    const uint32_t err = nv12 ? kNV12TO420_YUVTYPE_ILLEGAL : kRefuseNv21To420;
    if (!same || si != PF_IMAGE_FRAME || !plain) return fail(err);
    if (di == PF_IMAGE_FRAME) {
      return nv12 ? pick(NV12toYUV420Conversion) : pick(NV21toYUV420Conversion);
    }
    if (di == PF_IMAGE_FIELD)
      return nv12 ? pick(FrametoFieldNV12to420) : pick(FrametoFieldNV21to420);
    return fail(err);
  }
  if (st == PF_YUV_NV12 && dt == PF_YUV_NV21) {
    return same_plain_frames ? pick(NV12toNV21Conversion) : fail(kRefuseNv12ToNv21);
  }
  if (st == PF_YUV_NV21 && dt == PF_YUV_NV12) {
    return same_plain_frames ? pick(NV21toNV12Conversion) : fail(kRefuseNv21ToNv12);
  }
  if (st == PF_YUV_420_VU && dt == PF_YUV_420_VU) {
    return same && frames ? pick(CopyPic420to420) : fail(kEND);
  }
  return fail(kYUVTYPE_ILLEGAL);
}

struct Resizer {
  using Param = tImageResizerParam;
  using Instance = tImageResizerInstance;
  static constexpr FrameCodes kCodes =
      frame_codes(kErrorNames, {.fast_scratch = true, .dma = true});
  static constexpr ErrorTable kErrors = error_table(kErrorNames);
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames, "ImageResizer Version: pelforge_v300.ImageResizer.034, Compile time: %s %s.\n");
  static constexpr const char* kSource = kSourcePath;
  // The kernel is chosen before the scratch is taken, so that a geometry no kernel can serve
  // fails without touching the scratch pool.
  static constexpr bool kSelectFirst = true;

  static uint32_t validate(const Param& p) { return check_param(p); }
  static void global_init() { ImageResizerGlobalInit(); }
  static uint32_t select(Instance& inst, const Param& p) {
    store_geometry(inst.tGeometry, p);
    inst.ptExtension = p.pExtension;
    if (p.pExtension != nullptr && p.pExtension->u32Magic == PF_RESIZER_EXTENSION_MAGIC) {
      inst.u32ExtensionMode = p.pExtension->u32Mode;
    }
    return SelectResizerFunc(&inst);
  }
  // SetParam takes a new geometry; the extension mode stays what Open found.
  static uint32_t set(Instance& inst, const Param& p) {
    if (const uint32_t error = check_param(p)) return error;
    store_geometry(inst.tGeometry, p);
    inst.ptExtension = p.pExtension;
    return SelectResizerFunc(&inst);
  }
  static void status(const Instance& inst, Param& p) {
    const tResizerGeometry& g = inst.tGeometry;
    auto s = [](uint32_t v) { return static_cast<int32_t>(v); };
    p.s32SrcWidth = s(g.u32SrcWidth + g.u32CutLeft + g.u32CutRight);
    p.s32SrcHeight = s(g.u32SrcHeight + g.u32CutTop + g.u32CutBottom);
    p.s32DstWidth =
        s(g.u32DstWidth + g.u32OffsetLeft + g.u32OffsetRight + g.u32FillLeft + g.u32FillRight);
    p.s32DstHeight =
        s(g.u32DstHeight + g.u32OffsetTop + g.u32OffsetBottom + g.u32FillTop + g.u32FillBottom);
    kept_fields(p, g, [](auto& to, const auto& from) {
      to = static_cast<std::remove_cvref_t<decltype(to)>>(from);
    });
    p.pExtension = inst.ptExtension;
  }
};

}  // namespace

tResizerKernel* resizer_choice(const tResizerGeometry& geometry, uint32_t mode, uint32_t* error) {
  const Choice choice = decide(geometry, mode);
  if (error != nullptr) *error = choice.error;
  return choice.pointer;
}

}  // namespace pf

PF_ENTRY_POINTS(ImageResizer, pf::Resizer)

extern "C" {

uint32_t ImageResizerCheckParam(const tImageResizerParam* ptParam) {
  if (ptParam == nullptr) return pf::kSELF_INIT_POINTER;
  return pf::check_param(*ptParam);
}

uint32_t SelectResizerFunc(tImageResizerInstance* ptInstance) {
  if (ptInstance == nullptr) return pf::kSELF_INIT_POINTER;
  const pf::Choice choice = pf::decide(ptInstance->tGeometry, ptInstance->u32ExtensionMode);
  if (choice.pointer == nullptr) return choice.error;
  ptInstance->pfnKernel = pf::load_kernel(*choice.pointer);
  return PF_STATUS_OK;
}

uint32_t ImageResizerProcess_c(void* hHandle, void* pSrc, void* pDst) {
  if (pf::any_null(hHandle, pSrc, pDst)) return pf::kSELF_INPUT_POINTER;
  auto& inst = *static_cast<tImageResizerInstance*>(hHandle);
  tResizerGeometry& g = inst.tGeometry;
  tImgPicture src = *static_cast<const tImgPicture*>(pSrc);
  tImgPicture dst = *static_cast<const tImgPicture*>(pDst);

  const uint32_t src_total_w = g.u32SrcWidth + g.u32CutLeft + g.u32CutRight;
  const uint32_t dst_total_w =
      g.u32DstWidth + g.u32FillLeft + g.u32FillRight + g.u32OffsetLeft + g.u32OffsetRight;
  if (src.u32YPitch < src_total_w) return pf::kSELF_SRCSTRIDE_ILLEGAL;
  if (dst.u32YPitch < dst_total_w) return pf::kSELF_DSTSTRIDE_ILLEGAL;
  if (src.pu8Y == nullptr) return pf::kSELF_INPUT_DATA_POINTER;
  if (dst.pu8Y == nullptr) return pf::kSELF_OUTPUT_DATA_POINTER;

  // A 4:2:0 picture with V before U is addressed like any planar 4:2:0 picture, cuts included,
  // so that a caller's crop means the same for both orders.
  const auto src_h = static_cast<int32_t>(g.u32SrcHeight + g.u32CutTop + g.u32CutBottom);
  pf::derive_chroma(src, g.u32SrcYuvType, src_h);
  pf::move_to_region(src, g.u32SrcYuvType, static_cast<int32_t>(g.u32CutTop),
                     static_cast<int32_t>(g.u32CutLeft));
  const auto dst_h = static_cast<int32_t>(g.u32DstHeight + g.u32FillTop + g.u32FillBottom +
                                          g.u32OffsetTop + g.u32OffsetBottom);
  pf::derive_chroma(dst, g.u32DstYuvType, dst_h);
  pf::move_to_region(dst, g.u32DstYuvType, static_cast<int32_t>(g.u32OffsetTop),
                     static_cast<int32_t>(g.u32OffsetLeft));

  if (g.u32SrcImageType == PF_IMAGE_FIELD) {
    // The cut was applied as if the lines were in display order; in a field picture the first
    // field's kept lines start cut top / 2 lines into the field. Lines of packed pictures are
    // two bytes per pixel of pitch; 4:2:2 planar chroma has as many lines as luma.
    const auto cut = static_cast<int32_t>(g.u32CutTop);
    const auto pitch = static_cast<int32_t>(src.u32YPitch);
    const auto chroma_pitch = static_cast<int32_t>(src.u32UVPitch);
    if (pf::is_packed(g.u32SrcYuvType)) {
      src.pu8Y -= (cut / 2) * 2 * pitch;
    } else {
      src.pu8Y -= (cut / 2) * pitch;
      const int32_t chroma_lines = g.u32SrcYuvType == PF_YUV_422P ? cut / 2 : cut / 4;
      src.pu8U -= chroma_lines * chroma_pitch;
      src.pu8V -= chroma_lines * chroma_pitch;
    }
  }
  if (src.pu8Y == dst.pu8Y) return pf::kSELF_INPUT_OUTPUT_POINTER_SAME;

  // A SetParam whose kernel choice was refused leaves the new geometry next to the kernel chosen
  // for the old one, and that kernel would lay the old picture's lines over the new geometry,
  // past the caller's planes. Such an instance processes nothing until a record is accepted and
  // says why with the choice's own code (the choice is a table lookup, cheap per picture).
  if (const pf::Choice choice = pf::decide(g, inst.u32ExtensionMode); choice.pointer == nullptr) {
    return choice.error;
  }
  inst.pfnKernel(&inst.pvFastScratch, &g, &src, &dst);
  // The D1 conversions report a scene change in the destination record; hand it back.
  static_cast<tImgPicture*>(pDst)->u32Spare1 = dst.u32Spare1;
  return PF_STATUS_OK;
}

uint32_t ImageResizerDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImageResizerGetMemSize_c(const void*, uint32_t* pu32Size) {
  return pf::fixed_mem_size(pu32Size, 176, pf::kGETMEMSIZE_INPUT_POINTER);
}

}  // extern "C"

PF_FUNCTION_TABLE(tImageResizerFunc, ImageResizer)
