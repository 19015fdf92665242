// SPDX-License-Identifier: BSD-2-Clause
#include "guarded.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sstream>
#include <utility>

namespace pft {
namespace {

PageGuard side_from_environment() {
  const char* text = std::getenv("PF_PAGE_GUARD");
  if (text == nullptr) return PageGuard::kTail;
  if (std::strcmp(text, "head") == 0) return PageGuard::kHead;
  if (std::strcmp(text, "off") == 0) return PageGuard::kOff;
  return PageGuard::kTail;
}

std::atomic<PageGuard>& current_side() {
  static std::atomic<PageGuard> side{side_from_environment()};
  return side;
}

size_t page_size() {
  static const size_t size = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  return size;
}

}  // namespace

PageGuard page_guard() { return current_side().load(std::memory_order_relaxed); }
void set_page_guard(PageGuard side) { current_side().store(side, std::memory_order_relaxed); }
const char* page_guard_name(PageGuard side) {
  return side == PageGuard::kHead ? "head" : side == PageGuard::kTail ? "tail" : "off";
}

PageBuffer::PageBuffer(size_t size, PageGuard side) : size_(size), side_(side) {
  const size_t page = page_size();
  const size_t span = (size + page - 1) / page * page;
  map_size_ = span + 2 * page;
  map_ = mmap(nullptr, map_size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (map_ == MAP_FAILED) {
    map_ = nullptr;
    throw std::bad_alloc();
  }
  auto* base = static_cast<uint8_t*>(map_);
  if (side != PageGuard::kOff) {
    mprotect(base, page, PROT_NONE);
    mprotect(base + page + span, page, PROT_NONE);
  }
  data_ = side == PageGuard::kHead ? base + page : base + page + span - size;
}

PageBuffer::PageBuffer(const PageBuffer& other) : PageBuffer(other.size_, other.side_) {
  if (size_ != 0) std::memcpy(data_, other.data_, size_);
}

PageBuffer& PageBuffer::operator=(const PageBuffer& other) {
  if (this != &other) *this = PageBuffer(other);
  return *this;
}

PageBuffer::PageBuffer(PageBuffer&& other) noexcept
    : map_(std::exchange(other.map_, nullptr)),
      map_size_(std::exchange(other.map_size_, 0)),
      data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      side_(other.side_) {}

PageBuffer& PageBuffer::operator=(PageBuffer&& other) noexcept {
  if (this != &other) {
    release();
    map_ = std::exchange(other.map_, nullptr);
    map_size_ = std::exchange(other.map_size_, 0);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    side_ = other.side_;
  }
  return *this;
}

PageBuffer::~PageBuffer() { release(); }

void PageBuffer::release() {
  if (map_ != nullptr) munmap(map_, map_size_);
  map_ = nullptr;
  data_ = nullptr;
  size_ = 0;
}

GuardedPlane::GuardedPlane(uint32_t width, uint32_t rows, uint32_t pitch, Rng& rng, PageGuard side)
    : width_(width), rows_(rows), pitch_(pitch) {
  const size_t above = static_cast<size_t>(kRowGuard) * pitch + kSideGuard;
  const size_t plane = rows == 0 ? 0 : static_cast<size_t>(rows - 1) * pitch + width;
  const size_t below = static_cast<size_t>(rows == 0 ? 0 : pitch - width) +
                       static_cast<size_t>(kRowGuard) * pitch + kSideGuard;
  origin_ = side == PageGuard::kHead ? 0 : above;
  storage_ = PageBuffer(origin_ + plane + (side == PageGuard::kTail ? 0 : below), side);
  canary_.resize(storage_.size());
  for (size_t i = 0; i < storage_.size(); ++i) storage_.data()[i] = canary_[i] = rng.byte();
}

bool GuardedPlane::inside(size_t index) const {
  if (index < origin_) return false;
  const size_t offset = index - origin_;
  const size_t row = offset / pitch_, column = offset % pitch_;
  return row < rows_ && column < width_;
}

void GuardedPlane::fill_random(Rng& rng) {
  for (uint32_t y = 0; y < rows_; ++y) {
    for (uint32_t x = 0; x < width_; ++x) at(x, y) = rng.byte();
  }
}

void GuardedPlane::fill(uint8_t value) {
  for (uint32_t y = 0; y < rows_; ++y) std::memset(&at(0, y), value, width_);
}

std::string GuardedPlane::describe(size_t index) const {
  std::ostringstream out;
  const auto offset = static_cast<long long>(index) - static_cast<long long>(origin_);
  const long long row = offset >= 0 ? offset / pitch_ : -1 - (-offset - 1) / pitch_;
  const long long column = offset - row * pitch_;
  if (row < 0) {
    out << "above the plane";
  } else if (row >= rows_) {
    out << "below the plane";
  } else if (column >= width_) {
    out << "right of the plane";
  } else {
    out << "inside the plane";
  }
  out << " at row " << row << ", column " << column << " (plane " << width_ << "x" << rows_
      << ", pitch " << pitch_ << ")";
  return out.str();
}

std::string GuardedPlane::check_guards() const {
  for (size_t i = 0; i < storage_.size(); ++i) {
    if (!inside(i) && storage_.data()[i] != canary_[i]) return "write " + describe(i);
  }
  return {};
}

namespace {

struct PlaneShape {
  uint32_t width, rows;
};

std::vector<PlaneShape> plane_shapes(uint32_t yuv_type, uint32_t w, uint32_t h) {
  switch (yuv_type) {
    case PF_YUV_420:
    case PF_YUV_420_VU:
      return {{w, h}, {w / 2, h / 2}, {w / 2, h / 2}};
    case PF_YUV_422P:
      return {{w, h}, {w / 2, h}, {w / 2, h}};
    case PF_YUV_UYVY:
    case PF_YUV_YUYV:
      return {{2 * w, h}};
    case PF_YUV_NV12:
    case PF_YUV_NV21:
      return {{w, h}, {w, h / 2}};
    default:
      return {};
  }
}

}  // namespace

GuardedPicture::GuardedPicture(uint32_t yuv_type, uint32_t width, uint32_t height, Rng& rng,
                               uint32_t max_slack)
    : yuv_type_(yuv_type), width_(width), height_(height) {
  const auto shapes = plane_shapes(yuv_type, width, height);
  const bool packed = yuv_type == PF_YUV_UYVY || yuv_type == PF_YUV_YUYV;
  uint32_t luma_slack = rng.below(max_slack + 1);
  if (packed) luma_slack &= ~1u;  // the pitch of a packed picture counts whole pixels
  const uint32_t chroma_slack = rng.below(max_slack + 1);
  for (size_t i = 0; i < shapes.size(); ++i) {
    const uint32_t slack = i == 0 ? luma_slack : chroma_slack;
    planes_.emplace_back(shapes[i].width, shapes[i].rows, shapes[i].width + slack, rng);
  }
  fill_random(rng);
}

tImgPicture GuardedPicture::record() {
  tImgPicture pic{};
  const bool packed = yuv_type_ == PF_YUV_UYVY || yuv_type_ == PF_YUV_YUYV;
  pic.pu8Y = planes_[0].data();
  pic.u32YPitch = packed ? planes_[0].pitch() / 2 : planes_[0].pitch();
  if (planes_.size() == 3) {
    pic.pu8U = planes_[1].data();
    pic.pu8V = planes_[2].data();
    pic.u32UVPitch = planes_[1].pitch();
  } else if (planes_.size() == 2) {
    uint8_t* chroma = planes_[1].data();
    pic.u32UVPitch = planes_[1].pitch();
    if (yuv_type_ == PF_YUV_NV12) {
      pic.pu8U = chroma;
      pic.pu8V = chroma + 1;
    } else {
      pic.pu8V = chroma;
      pic.pu8U = chroma + 1;
    }
  }
  return pic;
}

void GuardedPicture::fill_random(Rng& rng) {
  for (auto& plane : planes_) plane.fill_random(rng);
}

std::string GuardedPicture::check_guards() const {
  static const char* const kNames[] = {"plane 0", "plane 1", "plane 2"};
  for (size_t i = 0; i < planes_.size(); ++i) {
    std::string error = planes_[i].check_guards();
    if (!error.empty()) return std::string(kNames[i]) + ": " + error;
  }
  return {};
}

}  // namespace pft
