// SPDX-License-Identifier: BSD-2-Clause
// The verb table.
#include "verbs.hpp"

#include <algorithm>
#include <cstring>

namespace pf::cli {

// A row: name, family and summary. The row declares the verb's entry point verb_NAME, which its
// family's file under verbs/ defines with PF_VERB_MAIN, so a new verb is one file and one row.
// clang-format off
#define PF_VERB(NAME, FAMILY, SUMMARY)                                   \
  Verb{#NAME, FAMILY, SUMMARY, [](const VerbArgs& a, const Console& c) { \
         int verb_##NAME(const VerbArgs&, const Console&);               \
         return verb_##NAME(a, c);                                       \
       }}
// clang-format on

const std::vector<Verb>& verbs() {
  static const std::vector<Verb> table = {
      // scaling and conversion
      PF_VERB(resize, kFamilyScaling, "scale, crop and place pictures: raw .yuv, .y4m, .png"),
      PF_VERB(convert, kFamilyScaling, "change the pixel format or the frame/field storage"),
      PF_VERB(rgb, kFamilyScaling, "YUV <-> RGB 16/24/32 bits, and RGB scaling"),
      PF_VERB(split, kFamilyScaling, "a UYVY D1 frame into four 352-wide 4:2:0 field quarters"),

      // composition
      PF_VERB(merge, kFamilyComposition, "compose up to 64 streams into a monitor wall"),
      PF_VERB(mergezoom, kFamilyComposition, "compose streams of any size into a wall or a layout"),
      PF_VERB(insert, kFamilyComposition, "picture in picture: one stream copied into another"),
      PF_VERB(mosaic, kFamilyComposition, "pixelate windows of every picture (privacy masking)"),
      PF_VERB(adapt169, kFamilyComposition, "reshape 720-wide SD pictures for 16:9 displays"),

      // overlay
      PF_VERB(pattern, kFamilyOverlay, "generate test cards, colour bars and solid colours"),
      PF_VERB(banner, kFamilyOverlay, "draw opaque or translucent rectangles on every picture"),
      PF_VERB(osd, kFamilyOverlay, "smooth 32-bit OSD pictures, with brightness and contrast"),
      PF_VERB(logo, kFamilyOverlay, "lay a .png or .bmp logo with alpha over every picture"),
      PF_VERB(bmp2yuv, kFamilyOverlay, "a bitmap to YUV and alpha planes, one colour transparent"),
      PF_VERB(ticker, kFamilyOverlay, "scroll a logo through a window over a bar, pass after pass"),

      // filters
      PF_VERB(denoise, kFamilyFilters, "temporal noise filter, state carried picture to picture"),
      PF_VERB(uyvy2yuv, kFamilyFilters, "720x576 UYVY to 4:2:0 in seven sizes, temporal average"),
      PF_VERB(sharpen, kFamilyFilters, "unsharp mask against an 8x8 box blur"),
      PF_VERB(blur, kFamilyFilters, "Gaussian blur, levels 0-4, neighbours limited to a band"),
      PF_VERB(cross, kFamilyFilters, "5-point cross smoothing"),
      PF_VERB(vfilter, kFamilyFilters, "6-tap vertical low-pass for frames or fields"),
      PF_VERB(deinterlace, kFamilyFilters, "remove interlace combing: four modes, in place"),
      PF_VERB(deblock, kFamilyFilters, "smooth 8x8 block edges of decoded video (quantiser)"),
      PF_VERB(dering, kFamilyFilters, "suppress ringing inside 8x8 blocks (quantiser)"),

      // analysis and standards
      PF_VERB(motion, kFamilyAnalysis, "did anything move in the watch areas, and when"),
      PF_VERB(pn, kFamilyAnalysis, "PAL <-> NTSC: 576 and 480 lines, without scaling"),

      // codecs
      PF_VERB(multidec, kFamilyCodecs, "decode coded streams together into a monitor wall"),
      PF_VERB(multienc, kFamilyCodecs, "encode raw streams together into H.264 or MPEG-2"),

      // the library
      PF_VERB(info, kFamilyLibrary, "the library's modules: ids, names, versions"),
      PF_VERB(errors, kFamilyLibrary, "name status codes: pelforge errors 0xC6A0001A"),
      PF_VERB(demo, kFamilyLibrary, "make a moving test video, run the library's jobs on it"),
  };
  return table;
}

#undef PF_VERB

const std::vector<const char*>& verb_families() {
  static const std::vector<const char*> families = {
      kFamilyScaling,  kFamilyComposition, kFamilyOverlay, kFamilyFilters,
      kFamilyAnalysis, kFamilyCodecs,      kFamilyLibrary};
  return families;
}

const Verb* find_verb(std::string_view name) {
  for (const Verb& v : verbs()) {
    if (name == v.name) return &v;
  }
  return nullptr;
}

namespace {

size_t edit_distance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = up;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string nearest_verb(std::string_view name) {
  // A typo costs one or two edits; a started word ("deint") is a prefix. Anything further off
  // is a different word, and guessing would mislead.
  const Verb* best = nullptr;
  size_t best_distance = 3;
  for (const Verb& v : verbs()) {
    const std::string_view verb = v.name;
    if (name.size() >= 3 && verb.substr(0, name.size()) == name) return v.name;
    const size_t d = edit_distance(name, verb);
    if (d < best_distance && d < name.size()) {
      best = &v;
      best_distance = d;
    }
  }
  return best != nullptr ? best->name : "";
}

std::string verb_list() {
  size_t width = 0;
  for (const Verb& v : verbs()) width = std::max(width, std::strlen(v.name));
  std::string s;
  for (const char* family : verb_families()) {
    std::string group;
    for (const Verb& v : verbs()) {
      if (std::strcmp(v.family, family) != 0) continue;
      std::string name = v.name;
      name.resize(width + 2, ' ');
      group += "    " + name + v.summary + "\n";
    }
    if (!group.empty()) s += "  " + std::string(family) + "\n" + group;
  }
  return s;
}

}  // namespace pf::cli
