// SPDX-License-Identifier: BSD-2-Clause
// The 16:9 adaptation module: error names and version text.
#include "img_adapt_16vs9.h"

#include <iterator>

#include "errors.hpp"

extern "C" const char* const pas8ImageAdapt16vs9AnalyzeErrorCode[] = {
#define PF_X(name) "ERR_IMG_ADAPT_16VS9_" #name,
    PF_IMAGE_ADAPT_16VS9_ERRORS(PF_X)
#undef PF_X
};
static_assert(std::size(pas8ImageAdapt16vs9AnalyzeErrorCode) ==
              ERR_IMG_ADAPT_16VS9_END - ERR_IMG_ADAPT_16VS9_BASE_);

namespace pf {
namespace {

// The end marker is in the table but not in the accepted range: it is never named.
constexpr ErrorTable kErrors{
    .names = pas8ImageAdapt16vs9AnalyzeErrorCode,
    .count = ERR_IMG_ADAPT_16VS9_END - ERR_IMG_ADAPT_16VS9_BASE_,
    .first_code = ERR_IMG_ADAPT_16VS9_SELF_INIT_POINTER,
    .accept_lo = ERR_IMG_ADAPT_16VS9_SELF_INIT_POINTER,
    .accept_hi = ERR_IMG_ADAPT_16VS9_ANALYZE_ERROR_CODE_HANDLE,
    .null_buffer = ERR_IMG_ADAPT_16VS9_ANALYZE_ERROR_CODE_HANDLE,
    .delegate = nullptr,
};

constexpr VersionSpec kVersion{
    .format = "ImageAdapt16vs9 Version: pelforge_v300.Adapt.16vs9.001, Compile time: %s %s.\n",
    .null_buffer = ERR_IMG_ADAPT_16VS9_SELF_GET_VERSION_POINTER,
    .null_length = ERR_IMG_ADAPT_16VS9_SELF_GET_VERSION_VERLEN_POINTER,
    .short_buffer = ERR_IMG_ADAPT_16VS9_SELF_VERSION_BUFLEN_TOO_SHORT,
};

}  // namespace
}  // namespace pf

extern "C" uint32_t ImageAdapt16vs9GetVersion_c(char* ps8Buf, int32_t s32BufLen,
                                                uint32_t* pu32TextLen) {
  return PF_WRITE_VERSION(pf::kVersion, ps8Buf, s32BufLen, pu32TextLen);
}

extern "C" uint32_t ImageAdapt16vs9AnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen,
                                                      char* ps8Buf) {
  return pf::analyze_error_code(pf::kErrors, u32Code, s32BufLen, ps8Buf);
}
