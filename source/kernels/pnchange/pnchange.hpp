// SPDX-License-Identifier: BSD-2-Clause
// PAL/NTSC change kernels: one walk over planes, fields and black bands, shared by the scalar
// kernels and their SSE2 twins, which differ only in how a block of bytes is moved or painted.
#ifndef PELFORGE_SOURCE_KERNELS_PNCHANGE_PNCHANGE_HPP_
#define PELFORGE_SOURCE_KERNELS_PNCHANGE_PNCHANGE_HPP_

#include <cstddef>
#include <cstdint>
#include <span>

#include "dispatch.hpp"
#include "img_pnchange.h"

namespace pf {

enum class PnLayout : uint8_t { kUyvyFrame, k420Frame, k420Field };
enum class PnDirection : uint8_t { kPalToNtsc, kNtscToPal };

struct PnKernelShape {
  PnLayout layout;
  uint32_t width;  // pixels: 720, or 704 for the 4CIF kernels
  PnDirection direction;
  bool one_buffer;
};

// How a kernel moves and paints bytes. `move` has memmove's contract (any overlap); `fill`
// repeats the four bytes of `pattern` (lowest byte first) from dst on.
struct PnByteOps {
  void (*move)(uint8_t* dst, const uint8_t* src, size_t bytes);
  void (*fill)(uint8_t* dst, size_t bytes, uint32_t pattern);
};

// Lines of a picture of one standard: luma lines of a frame; chroma has half of them.
inline constexpr uint32_t kPalLines = 576;
inline constexpr uint32_t kNtscLines = 480;
// Black as four bytes: Y 16, U and V 128, UYVY pairs 128 16 128 16.
inline constexpr uint32_t kBlackLuma = 0x10101010u;
inline constexpr uint32_t kBlackChroma = 0x80808080u;
inline constexpr uint32_t kBlackUyvy = 0x10801080u;

void pn_change(const PnKernelShape& shape, const tImagePNChangePicture& src,
               const tImagePNChangePicture& dst, const PnByteOps& ops);

// Every kernel with its geometry: X(name, layout, width, direction, one buffer).
#define PF_PN_KERNEL_SPECS(X)                                        \
  X(D1YUV422FrameNToPTwoBuffer, kUyvyFrame, 720, kNtscToPal, false)  \
  X(D1YUV422FrameNToPOneBuffer, kUyvyFrame, 720, kNtscToPal, true)   \
  X(D1YUV422FramePToNTwoBuffer, kUyvyFrame, 720, kPalToNtsc, false)  \
  X(D1YUV422FramePToNOneBuffer, kUyvyFrame, 720, kPalToNtsc, true)   \
  X(D1YUV420FieldPToNOneBuffer, k420Field, 720, kPalToNtsc, true)    \
  X(D1YUV420FramePToNOneBuffer, k420Frame, 720, kPalToNtsc, true)    \
  X(D1YUV420FieldNToPTwoBuffer, k420Field, 720, kNtscToPal, false)   \
  X(D1YUV420FrameNToPTwoBuffer, k420Frame, 720, kNtscToPal, false)   \
  X(YUV420Field4CIFPToNOneBuffer, k420Field, 704, kPalToNtsc, true)  \
  X(YUV420Frame4CIFPToNOneBuffer, k420Frame, 704, kPalToNtsc, true)  \
  X(YUV420Field4CIFNToPTwoBuffer, k420Field, 704, kNtscToPal, false) \
  X(YUV420Frame4CIFNToPTwoBuffer, k420Frame, 704, kNtscToPal, false)

#define PF_PN_SPEC(name, layout, width, direction, one_buffer)                \
  constexpr ::pf::PnKernelShape k##name##Shape{::pf::PnLayout::layout, width, \
                                               ::pf::PnDirection::direction, one_buffer};
PF_PN_KERNEL_SPECS(PF_PN_SPEC)
#undef PF_PN_SPEC

// The module's kernel manifest rows, and the geometry of the kernel a pointer row stands for.
std::span<const KernelRow<tPNChangeKernel>> pnchange_kernels();
const PnKernelShape* pn_kernel_shape(const tPNChangeKernel* pointer);

}  // namespace pf

#endif  // PELFORGE_SOURCE_KERNELS_PNCHANGE_PNCHANGE_HPP_
