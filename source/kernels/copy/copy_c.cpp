// SPDX-License-Identifier: BSD-2-Clause
// Same-size copy and re-layout kernels: lines are copied, re-ordered between frame, field-picture
// and interlaced storage, and chroma lines are repeated or dropped between 4:2:0 and 4:2:2.
#include <cstddef>
#include <cstring>

#include "common/fill.hpp"
#include "copy/copy.hpp"

namespace pf::copy {
namespace {

void copy_row(const uint8_t* src, uint8_t* dst, uint32_t bytes) { std::memcpy(dst, src, bytes); }

void copy_row_run(const uint8_t* src, std::ptrdiff_t src_step, uint8_t* dst,
                  std::ptrdiff_t dst_step, uint32_t bytes, uint32_t rows) {
  for (uint32_t r = 0; r < rows; ++r, src += src_step, dst += dst_step) {
    std::memcpy(dst, src, bytes);
  }
}

}  // namespace

void pack_uyvy_row(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out,
                   uint32_t pairs) {
  for (uint32_t i = 0; i < pairs; ++i, out += 4, y += 2) {
    out[0] = u[i];
    out[1] = y[0];
    out[2] = v[i];
    out[3] = y[1];
  }
}

void uyvy_luma_row(const uint8_t* in, uint8_t* y, uint32_t pairs) {
  for (uint32_t i = 0; i < pairs; ++i, in += 4, y += 2) {
    y[0] = in[1];
    y[1] = in[3];
  }
}

void uyvy_chroma_row(const uint8_t* in, uint8_t* u, uint8_t* v, uint32_t pairs) {
  for (uint32_t i = 0; i < pairs; ++i, in += 4) {
    u[i] = in[0];
    v[i] = in[2];
  }
}

constinit const RowOps kScalarRows = {copy_row, copy_row_run, pack_uyvy_row, uyvy_luma_row,
                                      uyvy_chroma_row};

namespace {

using Offset = std::ptrdiff_t;

Offset lines(uint32_t count, uint32_t pitch) {
  return static_cast<Offset>(count) * static_cast<Offset>(pitch);
}

// A plane's rows in display order. In a frame, row r lies r pitches down. A field picture read as
// a frame has its row r on line r / 2 of field r % 2, the second field starting `second` bytes
// after the first; one type serves both so that every reader is written once.
struct Lines {
  const uint8_t* base;
  Offset pair;    // from row r to row r + 2
  Offset second;  // from row 2k to row 2k + 1
  const uint8_t* row(uint32_t r) const {
    return base + static_cast<Offset>(r >> 1) * pair + static_cast<Offset>(r & 1) * second;
  }
};

Lines frame_lines(const uint8_t* base, Offset pitch) { return {base, 2 * pitch, pitch}; }
Lines field_lines(const uint8_t* base, Offset pitch, Offset second) {
  return {base, pitch, second};
}

// Destination rows, top to bottom.
struct Rows {
  uint8_t* base;
  Offset pitch;
  uint8_t* row(uint32_t r) const { return base + static_cast<Offset>(r) * pitch; }
};

struct Planar {
  Lines y, u, v;
};

uint32_t source_lines(const tResizerGeometry& g) {
  return g.u32SrcHeight + g.u32CutTop + g.u32CutBottom;
}
uint32_t painted_lines(const tResizerGeometry& g) {
  return g.u32DstHeight + g.u32FillTop + g.u32FillBottom;
}

Planar frame_planes(const tImgPicture& p) {
  return {frame_lines(p.pu8Y, p.u32YPitch), frame_lines(p.pu8U, p.u32UVPitch),
          frame_lines(p.pu8V, p.u32UVPitch)};
}

// A 4:2:0 field-picture source: the second field starts half the whole picture's lines below
// the first, in chroma a quarter. The record points into the first field at the cut.
Planar field_planes_420(const tImgPicture& p, const tResizerGeometry& g) {
  const uint32_t total = source_lines(g);
  const Offset luma_second = lines(total / 2, p.u32YPitch);
  const Offset chroma_second = lines(total / 4, p.u32UVPitch);
  return {field_lines(p.pu8Y, p.u32YPitch, luma_second),
          field_lines(p.pu8U, p.u32UVPitch, chroma_second),
          field_lines(p.pu8V, p.u32UVPitch, chroma_second)};
}

// Where the picture starts inside the fill area: fill top rows down, fill left pixels in.
Rows luma_corner(const tResizerGeometry& g, const tImgPicture& dst) {
  return {dst.pu8Y + lines(g.u32FillTop, dst.u32YPitch) + g.u32FillLeft, dst.u32YPitch};
}
Rows chroma_corner_420(const tResizerGeometry& g, uint8_t* plane, uint32_t pitch) {
  return {plane + lines(g.u32FillTop / 2, pitch) + g.u32FillLeft / 2, pitch};
}
Rows chroma_corner_422p(const tResizerGeometry& g, uint8_t* plane, uint32_t pitch) {
  return {plane + lines(g.u32FillTop, pitch) + g.u32FillLeft / 2, pitch};
}
// Packed pitches count pixels of two bytes.
Rows uyvy_corner(const tResizerGeometry& g, const tImgPicture& dst) {
  const Offset pitch = 2 * static_cast<Offset>(dst.u32YPitch);
  return {dst.pu8Y + static_cast<Offset>(g.u32FillTop) * pitch + 2 * Offset{g.u32FillLeft}, pitch};
}

// Destination row r gets source row pick(r).
template <class Pick>
void copy_picked(const RowOps& ops, const Lines& src, const Rows& dst, uint32_t width,
                 uint32_t rows, Pick pick) {
  for (uint32_t r = 0; r < rows; ++r) ops.copy(src.row(pick(r)), dst.row(r), width);
}

// Rows that follow each other without a gap in both planes (pitch = width, frame order) are one
// run of bytes: copying it in one call lets the row copy stream instead of restarting per row.
// Only for runs apart from each other, so that the row copy's no-overlap contract still holds.
bool apart(const uint8_t* a, const uint8_t* b, uint64_t bytes) {
  const auto x = reinterpret_cast<uintptr_t>(a), y = reinterpret_cast<uintptr_t>(b);
  return x < y ? y - x >= bytes : x - y >= bytes;
}

// A frame reader's rows are evenly spaced; a field reader's are two evenly spaced sets.
bool evenly_spaced(const Lines& src) { return src.pair == 2 * src.second; }

void copy_lines(const RowOps& ops, const Lines& src, const Rows& dst, uint32_t width,
                uint32_t rows) {
  if (rows == 0) return;
  if (evenly_spaced(src)) {
    const uint64_t run = static_cast<uint64_t>(width) * rows;
    if (rows > 1 && src.second == Offset{width} && dst.pitch == Offset{width} &&
        run <= UINT32_MAX && apart(src.base, dst.base, run)) {
      ops.copy(src.base, dst.base, static_cast<uint32_t>(run));
    } else {
      ops.copy_rows(src.base, src.second, dst.base, dst.pitch, width, rows);
    }
    return;
  }
  // Even rows from the first field, odd rows from the second.
  ops.copy_rows(src.base, src.pair, dst.base, 2 * dst.pitch, width, (rows + 1) / 2);
  if (rows > 1) ops.copy_rows(src.row(1), src.pair, dst.row(1), 2 * dst.pitch, width, rows / 2);
}

// Destination rows 2k and 2k + 1 both take source row k (4:2:0 chroma stretched to 4:2:2).
void copy_repeated(const RowOps& ops, const Lines& src, const Rows& dst, uint32_t width,
                   uint32_t rows) {
  if (!evenly_spaced(src)) {
    copy_picked(ops, src, dst, width, rows, [](uint32_t r) { return r >> 1; });
    return;
  }
  if (rows == 0) return;
  ops.copy_rows(src.base, src.second, dst.base, 2 * dst.pitch, width, (rows + 1) / 2);
  if (rows > 1) ops.copy_rows(src.base, src.second, dst.row(1), 2 * dst.pitch, width, rows / 2);
}

// Destination row r takes source row 2r (4:2:2 chroma reduced to 4:2:0): every reader's even
// rows are `pair` apart.
void copy_even(const RowOps& ops, const Lines& src, const Rows& dst, uint32_t width,
               uint32_t rows) {
  ops.copy_rows(src.base, src.pair, dst.base, dst.pitch, width, rows);
}

// The DW x DH picture of a planar 4:2:0 source, read in display order, into a 4:2:0 frame.
void write_420(const RowOps& ops, const Planar& src, const tResizerGeometry& g,
               const tImgPicture& dst) {
  const uint32_t w = g.u32DstWidth, h = g.u32DstHeight;
  copy_lines(ops, src.y, luma_corner(g, dst), w, h);
  copy_lines(ops, src.u, chroma_corner_420(g, dst.pu8U, dst.u32UVPitch), w / 2, h / 2);
  copy_lines(ops, src.v, chroma_corner_420(g, dst.pu8V, dst.u32UVPitch), w / 2, h / 2);
}

// Every UYVY row takes its U and V from 4:2:0 chroma row r / 2 of the display-order source.
void write_uyvy_from_420(const RowOps& ops, const Planar& src, const tResizerGeometry& g,
                         const tImgPicture& dst) {
  const Rows out = uyvy_corner(g, dst);
  for (uint32_t r = 0; r < g.u32DstHeight; ++r) {
    ops.pack_uyvy(src.y.row(r), src.u.row(r >> 1), src.v.row(r >> 1), out.row(r),
                  g.u32DstWidth / 2);
  }
}

// 4:2:0 interlaced to 4:2:2 interlaced, each field on its own: a field's chroma row serves two
// rows of the same field, so destination rows 4m and 4m + 2 take display-order chroma row 2m and
// rows 4m + 1 and 4m + 3 take row 2m + 1. When the height is not a multiple of 4 the last
// odd-field row would name a chroma row past the picture; it repeats its field's previous chroma
// row instead (the row two above), which keeps the fields apart and the reads inside the source.
uint32_t interlaced_chroma_row(uint32_t r, uint32_t chroma_rows) {
  const uint32_t c = ((r >> 2) << 1) | (r & 1);
  if (c < chroma_rows) return c;
  return c >= 2 ? c - 2 : chroma_rows - 1;
}

void write_422p_interlaced(const RowOps& ops, const Planar& src, const tResizerGeometry& g,
                           const tImgPicture& dst) {
  paint_fill_422p(g, dst);
  const uint32_t w = g.u32DstWidth, h = g.u32DstHeight;
  copy_lines(ops, src.y, luma_corner(g, dst), w, h);
  auto pick = [chroma_rows = g.u32SrcHeight / 2](uint32_t r) {
    return interlaced_chroma_row(r, chroma_rows);
  };
  copy_picked(ops, src.u, chroma_corner_422p(g, dst.pu8U, dst.u32UVPitch), w / 2, h, pick);
  copy_picked(ops, src.v, chroma_corner_422p(g, dst.pu8V, dst.u32UVPitch), w / 2, h, pick);
}

// The geometry of one field of a field-picture destination: heights and fill lines halved.
tResizerGeometry one_field(tResizerGeometry g) {
  g.u32SrcHeight /= 2;
  g.u32DstHeight /= 2;
  g.u32FillTop /= 2;
  g.u32FillBottom /= 2;
  return g;
}

// A planar 4:2:0 record moved to its second field, given the lines of the whole picture it
// belongs to (the field picture's luma starts half of them, its chroma a quarter, further down).
tImgPicture second_field_420(tImgPicture pic, uint32_t total_lines) {
  pic.pu8Y += lines(total_lines / 2, pic.u32YPitch);
  pic.pu8U += lines(total_lines / 4, pic.u32UVPitch);
  pic.pu8V += lines(total_lines / 4, pic.u32UVPitch);
  return pic;
}

}  // namespace

void copy_pic_420_to_420(const RowOps& rows, const tResizerGeometry& g, const tImgPicture& src,
                         const tImgPicture& dst) {
  paint_fill_420(g, dst);
  write_420(rows, frame_planes(src), g, dst);
}

void frame_to_field_420_to_420(const RowOps& rows, const tResizerGeometry& g,
                               const tImgPicture& src, const tImgPicture& dst) {
  const tResizerGeometry field = one_field(g);
  tImgPicture even = src;
  even.u32YPitch *= 2;
  even.u32UVPitch *= 2;
  copy_pic_420_to_420(rows, field, even, dst);
  tImgPicture odd = even;
  odd.pu8Y += src.u32YPitch;
  odd.pu8U += src.u32UVPitch;
  odd.pu8V += src.u32UVPitch;
  copy_pic_420_to_420(rows, field, odd, second_field_420(dst, painted_lines(g)));
}

void field_to_field_420_to_420(const RowOps& rows, const tResizerGeometry& g,
                               const tImgPicture& src, const tImgPicture& dst) {
  const tResizerGeometry field = one_field(g);
  copy_pic_420_to_420(rows, field, src, dst);
  copy_pic_420_to_420(rows, field, second_field_420(src, source_lines(g)),
                      second_field_420(dst, painted_lines(g)));
}

void field_to_frame_420_to_420(const RowOps& rows, const tResizerGeometry& g,
                               const tImgPicture& src, const tImgPicture& dst) {
  paint_fill_420(g, dst);
  write_420(rows, field_planes_420(src, g), g, dst);
}

void frame_to_frame_420_to_uyvy(const RowOps& rows, const tResizerGeometry& g,
                                const tImgPicture& src, const tImgPicture& dst) {
  paint_fill_uyvy(g, dst);
  write_uyvy_from_420(rows, frame_planes(src), g, dst);
}

// Read as a frame, the field picture's chroma row c is line c / 2 of field c % 2, so destination
// rows 4m and 4m + 1 carry field one's chroma line m and rows 4m + 2 and 4m + 3 field two's.
void field_to_frame_420_to_uyvy(const RowOps& rows, const tResizerGeometry& g,
                                const tImgPicture& src, const tImgPicture& dst) {
  paint_fill_uyvy(g, dst);
  write_uyvy_from_420(rows, field_planes_420(src, g), g, dst);
}

void frame_to_frame_uyvy_to_420(const RowOps& rows, const tResizerGeometry& g,
                                const tImgPicture& src, const tImgPicture& dst) {
  paint_fill_420(g, dst);
  const Lines in = frame_lines(src.pu8Y, 2 * static_cast<Offset>(src.u32YPitch));
  const Rows y = luma_corner(g, dst);
  const Rows u = chroma_corner_420(g, dst.pu8U, dst.u32UVPitch);
  const Rows v = chroma_corner_420(g, dst.pu8V, dst.u32UVPitch);
  const uint32_t pairs = g.u32DstWidth / 2;
  for (uint32_t r = 0; r < g.u32DstHeight; ++r) {
    rows.uyvy_luma(in.row(r), y.row(r), pairs);
    // Chroma comes from the first row of each row pair; the second row's is dropped.
    if ((r & 1) == 0) rows.uyvy_chroma(in.row(r), u.row(r / 2), v.row(r / 2), pairs);
  }
}

void frame_to_field_uyvy_to_420(const RowOps& rows, const tResizerGeometry& g,
                                const tImgPicture& src, const tImgPicture& dst) {
  const tResizerGeometry field = one_field(g);
  tImgPicture even = src;
  even.u32YPitch *= 2;
  frame_to_frame_uyvy_to_420(rows, field, even, dst);
  tImgPicture odd = even;
  odd.pu8Y += 2 * static_cast<Offset>(src.u32YPitch);
  frame_to_frame_uyvy_to_420(rows, field, odd, second_field_420(dst, painted_lines(g)));
}

void copy_pic_uyvy_to_uyvy(const RowOps& rows, const tResizerGeometry& g, const tImgPicture& src,
                           const tImgPicture& dst) {
  paint_fill_uyvy(g, dst);
  const Lines in = frame_lines(src.pu8Y, 2 * static_cast<Offset>(src.u32YPitch));
  copy_lines(rows, in, uyvy_corner(g, dst), 2 * g.u32DstWidth, g.u32DstHeight);
}

void copy_pic_420_to_422p(const RowOps& rows, const tResizerGeometry& g, const tImgPicture& src,
                          const tImgPicture& dst) {
  paint_fill_422p(g, dst);
  const Planar in = frame_planes(src);
  const uint32_t w = g.u32DstWidth, h = g.u32DstHeight;
  copy_lines(rows, in.y, luma_corner(g, dst), w, h);
  copy_repeated(rows, in.u, chroma_corner_422p(g, dst.pu8U, dst.u32UVPitch), w / 2, h);
  copy_repeated(rows, in.v, chroma_corner_422p(g, dst.pu8V, dst.u32UVPitch), w / 2, h);
}

void copy_pic_420i_to_422pi(const RowOps& rows, const tResizerGeometry& g, const tImgPicture& src,
                            const tImgPicture& dst) {
  write_422p_interlaced(rows, frame_planes(src), g, dst);
}

// Read as a frame the field picture is the interlaced frame it stores, so this is the
// interlaced conversion on a different reader.
void copy_pic_420_field_to_422pi(const RowOps& rows, const tResizerGeometry& g,
                                 const tImgPicture& src, const tImgPicture& dst) {
  write_422p_interlaced(rows, field_planes_420(src, g), g, dst);
}

// The planar 4:2:2 members copy lines in stored order whatever the image types say: they never
// re-order a field picture's lines, and a field-picture destination has its fill painted as one
// picture (fill top lines at the top of field one, fill bottom lines at the end of field two).
void copy_pic_422p_to_420(const RowOps& rows, const tResizerGeometry& g, const tImgPicture& src,
                          const tImgPicture& dst) {
  paint_fill_420(g, dst);
  const Planar in = frame_planes(src);
  const uint32_t w = g.u32DstWidth, h = g.u32DstHeight;
  copy_lines(rows, in.y, luma_corner(g, dst), w, h);
  copy_even(rows, in.u, chroma_corner_420(g, dst.pu8U, dst.u32UVPitch), w / 2, h / 2);
  copy_even(rows, in.v, chroma_corner_420(g, dst.pu8V, dst.u32UVPitch), w / 2, h / 2);
}

void copy_pic_422p_to_422p(const RowOps& rows, const tResizerGeometry& g, const tImgPicture& src,
                           const tImgPicture& dst) {
  paint_fill_422p(g, dst);
  const Planar in = frame_planes(src);
  const uint32_t w = g.u32DstWidth, h = g.u32DstHeight;
  copy_lines(rows, in.y, luma_corner(g, dst), w, h);
  copy_lines(rows, in.u, chroma_corner_422p(g, dst.pu8U, dst.u32UVPitch), w / 2, h);
  copy_lines(rows, in.v, chroma_corner_422p(g, dst.pu8V, dst.u32UVPitch), w / 2, h);
}

void run(Composition composition, const RowOps& rows, const tResizerGeometry* g,
         const tImgPicture* src, const tImgPicture* dst) {
  if (g == nullptr || src == nullptr || dst == nullptr) return;
  composition(rows, *g, *src, *dst);
}

}  // namespace pf::copy

extern "C" {

#define PF_COPY_C(name, composition) PF_COPY_KERNEL(name, composition, pf::copy::kScalarRows)

PF_COPY_C(CopyPic420to420_c, copy_pic_420_to_420)
PF_COPY_C(FrametoField420to420_c, frame_to_field_420_to_420)
PF_COPY_C(FieldtoField420to420_c, field_to_field_420_to_420)
PF_COPY_C(FieldtoFrame420to420_c, field_to_frame_420_to_420)
PF_COPY_C(FrametoFrame420to422_c, frame_to_frame_420_to_uyvy)
PF_COPY_C(FieldtoFrame420to422_c, field_to_frame_420_to_uyvy)
PF_COPY_C(FrametoFrame422to420_c, frame_to_frame_uyvy_to_420)
PF_COPY_C(FrametoField422to420_c, frame_to_field_uyvy_to_420)
PF_COPY_C(CopyPic422to422_c, copy_pic_uyvy_to_uyvy)
PF_COPY_C(CopyPic420to422P_c, copy_pic_420_to_422p)
PF_COPY_C(CopyPic420Ito422PI_c, copy_pic_420i_to_422pi)
PF_COPY_C(CopyPic420Fieldto422PFrameI_c, copy_pic_420_field_to_422pi)
PF_COPY_C(CopyPic422Pto420_c, copy_pic_422p_to_420)
PF_COPY_C(CopyPic422Pto422P_c, copy_pic_422p_to_422p)

#undef PF_COPY_C

}  // extern "C"
