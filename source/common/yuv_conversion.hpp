// SPDX-License-Identifier: BSD-2-Clause
// The 4:2:0 <-> packed 4:2:2 conversion modules, written once: each opens a private resizer with
// its YUV types and fill colour, and converts pictures without padding.
#ifndef PELFORGE_SOURCE_COMMON_YUV_CONVERSION_HPP_
#define PELFORGE_SOURCE_COMMON_YUV_CONVERSION_HPP_

#include <cstdint>

#include "frame.hpp"
#include "img_resizer.h"
#include "layout.hpp"
#include "resizer_client.hpp"

namespace pf {

// C gives: using Param, Buffers; kNames (the module's kErrorNames); kDstImageTypeCode (a
// destination image type the module refuses itself, other than frame or interlaced; 0: none);
// kSource; kVersionFormat; kSrcYuv, kDstYuv; kFill[3];
// static void report(void* result, uint32_t dst_image_type, uint32_t scene_change).
template <class C>
struct Conversion : ResizerClient<Conversion<C>, typename C::Param> {
  using Param = typename C::Param;
  using Client = ResizerClient<Conversion<C>, Param>;
  static constexpr FrameCodes kCodes = frame_codes(C::kNames);
  static constexpr ErrorTable kErrors =
      error_table(C::kNames, {.delegate = ImageResizerAnalyzeErrorCode_c});
  static constexpr VersionSpec kVersion = version_spec(C::kNames, C::kVersionFormat);
  static constexpr const char* kSource = C::kSource;
  // Process's and GetMemSize's pointer codes, spelled alike in both modules' lists.
  static constexpr uint32_t kProcessHandle = C::kNames.required({"PROCESS_INPUT_HANDLE"});
  static constexpr uint32_t kProcessBuffers = C::kNames.required({"PROCESS_INPUT_PARAM"});
  static constexpr uint32_t kProcessResult = C::kNames.required({"PROCESS_OUTPUT_PARAM"});
  static constexpr uint32_t kProcessSrc = C::kNames.required({"PROCESS_INPUT_BUFF"});
  static constexpr uint32_t kProcessDst = C::kNames.required({"PROCESS_OUTPUT_BUFF"});
  static constexpr uint32_t kMemSizeParam =
      C::kNames.required({"GETMEMSIZE_PARAM_POINTER", "GETMEMSIZE_POINTER_PARAM"});

  // Everything else is the resizer's to judge.
  static uint32_t validate(const Param& p) {
    if constexpr (C::kDstImageTypeCode != 0) {
      if (p.s32DstImageType != PF_IMAGE_FRAME && p.s32DstImageType != PF_IMAGE_INTERLACED) {
        return C::kDstImageTypeCode;
      }
    }
    return PF_STATUS_OK;
  }
  static tImageResizerParam resizer_record(const Param& p) {
    tImageResizerParam r{};
    r.s32SrcWidth = p.s32SrcWidth;
    r.s32SrcHeight = p.s32SrcHeight;
    r.u32SrcYuvType = C::kSrcYuv;
    r.u32SrcImageType = static_cast<uint32_t>(p.s32SrcImageType);
    r.s32DstWidth = p.s32DstWidth;
    r.s32DstHeight = p.s32DstHeight;
    r.u32DstYuvType = C::kDstYuv;
    r.u32DstImageType = static_cast<uint32_t>(p.s32DstImageType);
    r.u32FillY = C::kFill[0];
    r.u32FillU = C::kFill[1];
    r.u32FillV = C::kFill[2];
    return r;
  }

  // The resizer's size for the record; a null result pointer is the resizer's to refuse.
  static uint32_t get_mem_size(const void* param, uint32_t* size) {
    if (param == nullptr) return kMemSizeParam;
    const auto& p = *static_cast<const Param*>(param);
    if (const uint32_t error = validate(p)) return error;
    const tImageResizerParam record = resizer_record(p);
    return ImageResizerGetMemSize_c(&record, size);
  }

  static uint32_t process(void* handle, void* buffers, void* result) {
    if (handle == nullptr) return kProcessHandle;
    if (buffers == nullptr) return kProcessBuffers;
    if (result == nullptr) return kProcessResult;
    const auto& b = *static_cast<const typename C::Buffers*>(buffers);
    if (b.pu8Src == nullptr) return kProcessSrc;
    if (b.pu8Dst == nullptr) return kProcessDst;
    const Param& p = Client::param_of(handle);
    auto u = [](int32_t v) { return static_cast<uint32_t>(v); };
    // The resizer only reads the source picture.
    tImgPicture src = unpadded_picture(const_cast<uint8_t*>(b.pu8Src), C::kSrcYuv, u(p.s32SrcWidth),
                                       u(p.s32SrcHeight));
    tImgPicture dst = unpadded_picture(b.pu8Dst, C::kDstYuv, u(p.s32DstWidth), u(p.s32DstHeight));
    const uint32_t status = ImageResizerProcess_c(Client::resizer_of(handle), &src, &dst);
    if (status == PF_STATUS_OK) {
      C::report(result, u(p.s32DstImageType), dst.u32Spare1);
    }
    return status;
  }
};

}  // namespace pf

#endif  // PELFORGE_SOURCE_COMMON_YUV_CONVERSION_HPP_
