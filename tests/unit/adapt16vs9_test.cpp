// SPDX-License-Identifier: BSD-2-Clause
// The 16:9 adaptation module.
#include <gtest/gtest.h>

#include "img_adapt_16vs9.h"
#include "module_cases.hpp"

namespace {

pft::ModuleCase adapt16vs9_case() {
  pft::ModuleCase m;
  m.name = "adapt16vs9";
  m.entry.GetVersion = ImageAdapt16vs9GetVersion_c;
  m.entry.AnalyzeErrorCode = ImageAdapt16vs9AnalyzeErrorCode_c;
  m.names = pas8ImageAdapt16vs9AnalyzeErrorCode;
  m.first_code = m.accept_lo = ERR_IMG_ADAPT_16VS9_SELF_INIT_POINTER;
  m.accept_hi = ERR_IMG_ADAPT_16VS9_ANALYZE_ERROR_CODE_HANDLE;  // the end marker is not named
  m.null_name = ERR_IMG_ADAPT_16VS9_ANALYZE_ERROR_CODE_HANDLE;
  m.version_tag = "pelforge_v300.Adapt.16vs9.001";
  m.null_version = ERR_IMG_ADAPT_16VS9_SELF_GET_VERSION_POINTER;
  m.null_version_length = ERR_IMG_ADAPT_16VS9_SELF_GET_VERSION_VERLEN_POINTER;
  m.short_version = ERR_IMG_ADAPT_16VS9_SELF_VERSION_BUFLEN_TOO_SHORT;
  return m;
}
PF_MODULE_CASE(adapt16vs9_case);

TEST(Adapt16vs9, NamesTheWorkedExample) {
  char buf[64];
  ASSERT_EQ(ImageAdapt16vs9AnalyzeErrorCode_c(0xC4200002u, 64, buf), 0u);
  EXPECT_STREQ(buf, "ERR_IMG_ADAPT_16VS9_SELF_WIDTH_ILLEGAL");
  EXPECT_EQ(ImageAdapt16vs9AnalyzeErrorCode_c(0xC4200002u, 38, buf), PF_ERR_NAME_BUFFER_SHORT);
  EXPECT_EQ(ImageAdapt16vs9AnalyzeErrorCode_c(0xC4200002u, 39, buf), 0u);
  EXPECT_EQ(ImageAdapt16vs9AnalyzeErrorCode_c(0xC4200016u, 64, buf), PF_ERR_CODE_NOT_NAMEABLE);
  EXPECT_EQ(ImageAdapt16vs9AnalyzeErrorCode_c(0xC6A00004u, 64, buf), PF_ERR_CODE_NOT_NAMEABLE);
}

}  // namespace
