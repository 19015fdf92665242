// SPDX-License-Identifier: BSD-2-Clause
#include "module_cases.hpp"

#include <limits>

namespace pft {
namespace {

// What a buffer holds when the content runs out: varied, so that kernels see edges and flats.
uint8_t pattern(size_t i) { return static_cast<uint8_t>((i * 37) ^ (i >> 7)); }

std::vector<ModuleCaseFactory>& factories() {
  static std::vector<ModuleCaseFactory> all;
  return all;
}

}  // namespace

const char* family_name(Family family) {
  switch (family) {
    case Family::kScaling:
      return "scaling";
    case Family::kComposition:
      return "composition";
    case Family::kOverlay:
      return "overlay";
    case Family::kFilters:
      return "filters";
    case Family::kAnalysis:
      return "analysis";
    case Family::kCodecs:
      return "codecs";
  }
  return "?";
}

void set_null_codes(ModuleCase& m, const NullCodes& c) {
  m.open_null_out = m.open_null_param = m.open_null_mem = c.open;
  m.close_null = c.close;
  m.close_no_mem = c.close_no_mem;
  m.close_foreign = c.close_foreign;
  m.setparam_null_handle = m.setparam_null_param = c.setparam;
  m.getstatus_null_handle = m.getstatus_null_record = c.getstatus;
  m.process_null_handle = m.process_null_input = m.process_null_output = c.process;
}

void set_names(ModuleCase& m, const char* const* names, uint32_t first_code, uint32_t accept_lo,
               uint32_t accept_hi, uint32_t null_name) {
  m.names = names;
  m.first_code = first_code;
  m.accept_lo = accept_lo;
  m.accept_hi = accept_hi;
  m.null_name = null_name;
}

void set_version(ModuleCase& m, const char* tag, uint32_t null_version,
                 uint32_t null_version_length, uint32_t short_version) {
  m.version_tag = tag;
  m.null_version = null_version;
  m.null_version_length = null_version_length;
  m.short_version = short_version;
}

int64_t product(std::initializer_list<int64_t> factors) {
  constexpr int64_t kLimit = int64_t{1} << 40;
  int64_t result = 1;
  for (const int64_t f : factors) {
    if (f < 0 || (f != 0 && result > kLimit / f)) throw TooLarge{};
    result *= f;
  }
  return result;
}

int64_t picture_bytes(uint32_t yuv_type, int64_t pitch, int64_t height) {
  switch (yuv_type) {
    case PF_YUV_420:
    case PF_YUV_420_VU:
    case PF_YUV_NV12:
    case PF_YUV_NV21:
      return pitch * height + pitch * height / 2;
    case PF_YUV_422P:
    case PF_YUV_UYVY:
    case PF_YUV_YUYV:
      return 2 * pitch * height;
    default:
      return -1;
  }
}

Pictures::Pictures(PageGuard side, const uint8_t* content, size_t content_size, size_t budget)
    : side_(side), content_(content), content_size_(content_size), budget_(budget) {}

uint8_t Pictures::byte() {
  const size_t i = position_++;
  return i < content_size_ ? content_[i] : pattern(i);
}

uint8_t* Pictures::buffer(size_t bytes) {
  if (bytes > budget_ - used_) throw TooLarge{};
  used_ += bytes;
  buffers_.emplace_back(bytes, side_);
  uint8_t* data = buffers_.back().data();
  const size_t from = position_ < content_size_ ? position_ : 0;
  const size_t span = content_size_ - from;
  for (size_t i = 0; i < bytes; ++i, ++filled_) {
    data[i] = span != 0 ? static_cast<uint8_t>(content_[from + filled_ % span] + filled_ / span)
                        : pattern(filled_);
  }
  return data;
}

uint8_t* Pictures::buffer(int64_t bytes) {
  if (bytes < 0) throw TooLarge{};
  return buffer(static_cast<size_t>(bytes));
}

uint8_t* Pictures::picture(uint32_t yuv_type, int64_t pitch, int64_t height) {
  const int64_t bytes = picture_bytes(yuv_type, pitch, height);
  if (pitch < 0 || height < 0 || pitch > (int64_t{1} << 20) || height > (int64_t{1} << 20)) {
    throw TooLarge{};
  }
  return buffer(bytes < 0 ? int64_t{0} : bytes);
}

uint8_t* Pictures::plane(int64_t width, int64_t rows, int64_t pitch) {
  if (width < 0 || rows < 0 || pitch < 0) throw TooLarge{};
  if (rows > (int64_t{1} << 20) || pitch > (int64_t{1} << 30)) throw TooLarge{};
  return buffer(rows == 0 ? int64_t{0} : (rows - 1) * pitch + width);
}

tImgPicture Pictures::picture_record(uint32_t yuv_type, int64_t width, int64_t height, bool slack) {
  if (width < 0 || height < 0 || width > (int64_t{1} << 16) || height > (int64_t{1} << 16)) {
    throw TooLarge{};
  }
  const int64_t extra = slack ? (byte() & 7) * 2 : 0;
  const int64_t chroma_extra = slack ? (byte() & 7) * 2 : 0;
  tImgPicture pic{};
  switch (yuv_type) {
    case PF_YUV_UYVY:
    case PF_YUV_YUYV:
      pic.u32YPitch = static_cast<uint32_t>(width + extra / 2);
      pic.pu8Y = plane(2 * width, height, 2 * pic.u32YPitch);
      return pic;
    case PF_YUV_NV12:
    case PF_YUV_NV21: {
      pic.u32YPitch = static_cast<uint32_t>(width + extra);
      pic.u32UVPitch = static_cast<uint32_t>(width + chroma_extra);
      pic.pu8Y = plane(width, height, pic.u32YPitch);
      uint8_t* chroma = plane(width, height / 2, pic.u32UVPitch);
      pic.pu8U = yuv_type == PF_YUV_NV12 ? chroma : chroma + 1;
      pic.pu8V = yuv_type == PF_YUV_NV12 ? chroma + 1 : chroma;
      return pic;
    }
    default: {
      const int64_t rows = yuv_type == PF_YUV_422P ? height : height / 2;
      pic.u32YPitch = static_cast<uint32_t>(width + extra);
      pic.u32UVPitch = static_cast<uint32_t>(width / 2 + chroma_extra);
      pic.pu8Y = plane(width, height, pic.u32YPitch);
      pic.pu8U = plane(width / 2, rows, pic.u32UVPitch);
      pic.pu8V = plane(width / 2, rows, pic.u32UVPitch);
      return pic;
    }
  }
}

uint8_t* Pictures::char_widths(int64_t chars, int64_t lines, int64_t width) {
  chars = chars < 0 ? 0 : chars > 4096 ? 4096 : chars;
  lines = lines < 1 ? 1 : lines > 4096 ? 4096 : lines;
  uint8_t* widths = buffer(chars + lines + 1);
  int64_t at = 0, cells = 0;
  for (int64_t line = 0; line < lines; ++line) {
    int64_t sum = 0;
    while (cells < chars) {
      const int64_t cell = 2 + (byte() & 15);
      if (sum + cell > width) break;
      widths[at++] = static_cast<uint8_t>(cell);
      sum += cell;
      ++cells;
    }
    widths[at++] = 0;
  }
  return widths;
}

std::pair<uint8_t*, size_t> Pictures::rest() {
  const size_t left = position_ < content_size_ ? content_size_ - position_ : 1;
  uint8_t* data = buffer(left);
  for (size_t i = 0; i < left && position_ < content_size_; ++i) data[i] = content_[position_++];
  return {data, left};
}

bool nameable(const ModuleCase& m, uint32_t code) {
  char name[256];
  if (m.entry.AnalyzeErrorCode(code, sizeof name, name) == PF_STATUS_OK) return true;
  for (const auto inner : m.inner_names) {
    if (inner(code, sizeof name, name) == PF_STATUS_OK) return true;
  }
  return false;
}

bool register_module_case(ModuleCaseFactory factory) {
  factories().push_back(factory);
  return true;
}

const std::vector<ModuleCase>& module_cases() {
  static const std::vector<ModuleCase> cases = [] {
    std::vector<ModuleCase> out;
    for (ModuleCaseFactory f : factories()) out.push_back(f());
    return out;
  }();
  return cases;
}

}  // namespace pft
