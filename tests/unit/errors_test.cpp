// SPDX-License-Identifier: BSD-2-Clause
// Error names and version texts through the modules' own entry points.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>

#include "img_adapt_16vs9.h"
#include "img_resizer.h"
#include "pelforge.h"

namespace {

using AnalyzeFn = uint32_t (*)(uint32_t, int32_t, char*);
using VersionFn = uint32_t (*)(char*, int32_t, uint32_t*);

std::string name_of(AnalyzeFn analyze, uint32_t code, uint32_t* status = nullptr) {
  char buf[128] = {};
  const uint32_t s = analyze(code, sizeof buf, buf);
  if (status != nullptr) *status = s;
  return s == 0 ? std::string(buf) : std::string();
}

TEST(ErrorNames, Adapt16vs9WorkedExample) {
  char buf[64];
  std::memset(buf, 'x', sizeof buf);
  EXPECT_EQ(ImageAdapt16vs9AnalyzeErrorCode_c(0xC4200002u, 64, buf), 0u);
  EXPECT_STREQ(buf, "ERR_IMG_ADAPT_16VS9_SELF_WIDTH_ILLEGAL");

  // 38 characters: a buffer of 38 bytes has no room for the terminator and stays untouched.
  std::memset(buf, 'x', sizeof buf);
  EXPECT_EQ(ImageAdapt16vs9AnalyzeErrorCode_c(0xC4200002u, 38, buf), PF_ERR_NAME_BUFFER_SHORT);
  EXPECT_EQ(buf[0], 'x');
  EXPECT_EQ(ImageAdapt16vs9AnalyzeErrorCode_c(0xC4200002u, 39, buf), 0u);
  EXPECT_EQ(ImageAdapt16vs9AnalyzeErrorCode_c(0xC4200002u, -1, buf), PF_ERR_NAME_BUFFER_SHORT);

  // The end marker and the block base are not nameable; the last accepted code is.
  EXPECT_EQ(ImageAdapt16vs9AnalyzeErrorCode_c(0xC4200016u, 64, buf), PF_ERR_CODE_NOT_NAMEABLE);
  EXPECT_EQ(ImageAdapt16vs9AnalyzeErrorCode_c(0xC4200000u, 64, buf), PF_ERR_CODE_NOT_NAMEABLE);
  EXPECT_EQ(name_of(ImageAdapt16vs9AnalyzeErrorCode_c, 0xC4200015u),
            "ERR_IMG_ADAPT_16VS9_ANALYZE_ERROR_CODE_HANDLE");
  // A null buffer is reported before anything else, whatever the code.
  EXPECT_EQ(ImageAdapt16vs9AnalyzeErrorCode_c(0xC6A00004u, 64, nullptr), 0xC4200015u);
  EXPECT_EQ(ImageAdapt16vs9AnalyzeErrorCode_c(0xC6A00004u, 64, buf), PF_ERR_CODE_NOT_NAMEABLE);
}

// Every code of a module's accepted range names itself after the enumeration, in order.
struct NameTable {
  const char* module;
  AnalyzeFn analyze;
  const char* const* names;
  uint32_t first, last, null_buffer;
  const char* prefix;
};

TEST(ErrorNames, EveryCodeInRangeNamesItsEnumerator) {
  const NameTable tables[] = {
      {"adapt16vs9", ImageAdapt16vs9AnalyzeErrorCode_c, pas8ImageAdapt16vs9AnalyzeErrorCode,
       0xC4200001u, 0xC4200015u, 0xC4200015u, "ERR_IMG_ADAPT_16VS9_"},
      {"resizer", ImageResizerAnalyzeErrorCode_c, pas8ImageResizerSelfAnalyzeErrorCode, 0xC6A00001u,
       0xC6A00038u, 0xC6A0002Eu, "ERR_IMG_RESIZER_"},
  };
  for (const NameTable& t : tables) {
    SCOPED_TRACE(t.module);
    for (uint32_t code = t.first; code <= t.last; ++code) {
      const std::string name = name_of(t.analyze, code);
      EXPECT_EQ(name, t.names[code - t.first]) << std::hex << code;
      EXPECT_EQ(name.rfind(t.prefix, 0), 0u) << name;
    }
    char buf[8];
    EXPECT_EQ(t.analyze(t.first - 1, sizeof buf, buf), PF_ERR_CODE_NOT_NAMEABLE);
    EXPECT_EQ(t.analyze(t.last + 1, sizeof buf, buf), PF_ERR_CODE_NOT_NAMEABLE);
    EXPECT_EQ(t.analyze(0, sizeof buf, buf), PF_ERR_CODE_NOT_NAMEABLE);
    EXPECT_EQ(t.analyze(0x7FFFFFFFu, sizeof buf, buf), PF_ERR_CODE_NOT_NAMEABLE);
    EXPECT_EQ(t.analyze(t.first, sizeof buf, nullptr), t.null_buffer);
  }
  // The resizer's range ends on its end marker, which is named.
  EXPECT_EQ(name_of(ImageResizerAnalyzeErrorCode_c, 0xC6A00038u), "ERR_IMG_RESIZER_END");
  EXPECT_EQ(name_of(ImageResizerAnalyzeErrorCode_c, 0xC6A00004u),
            "ERR_IMG_RESIZER_SELF_SRCWIDTH_ILLEGAL");
  EXPECT_EQ(name_of(ImageResizerAnalyzeErrorCode_c, 0xC6A00021u),
            "ERR_IMG_RESIZER_420TO420_YUVTYPE_ILLEGAL");
}

struct VersionCase {
  const char* module;
  VersionFn get;
  const char* tag;  // what the text says after "Version: "
  uint32_t null_buffer, null_length, short_buffer;
};

TEST(Versions, FormatAndBufferRules) {
  const VersionCase cases[] = {
      {"adapt16vs9", ImageAdapt16vs9GetVersion_c, "pelforge_v300.Adapt.16vs9.001", 0xC420000Fu,
       0xC4200010u, 0xC4200011u},
      {"resizer", ImageResizerGetVersion_c, "pelforge_v300.ImageResizer.034", 0xC6A00015u,
       0xC6A00016u, 0xC6A00012u},
  };
  const std::regex shape(
      "^[A-Za-z0-9]+ Version: ([A-Za-z0-9_.]+), Compile time: "
      "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 123][0-9] [0-9]{4} "
      "[0-2][0-9]:[0-5][0-9]:[0-6][0-9]\\.\n$");
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(c.module);
    char buf[128];
    uint32_t length = 12345;
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(c.get(buf, 99, &length), c.short_buffer);
    EXPECT_EQ(buf[0], 'x');
    EXPECT_EQ(length, 12345u);
    EXPECT_EQ(c.get(nullptr, 100, &length), c.null_buffer);
    EXPECT_EQ(c.get(buf, 100, nullptr), c.null_length);
    ASSERT_EQ(c.get(buf, 100, &length), 0u);
    const std::string text(buf);
    EXPECT_EQ(length, text.size());
    std::smatch match;
    ASSERT_TRUE(std::regex_match(text, match, shape)) << text;
    EXPECT_EQ(match[1].str(), c.tag);
  }
}

}  // namespace
