// SPDX-License-Identifier: BSD-2-Clause
// The banner-logo module: logos moving through their windows with bars under them, drawn frame
// by frame through private logo and banner instances.
#include "img_bannerlogo.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>

#include "errors.hpp"
#include "frame.hpp"
#include "img_banner.h"
#include "img_logo.h"
#include "layout.hpp"

#define PF_ERROR_PREFIX "ERR_IMG_BANNERLOGO_"
PF_ERROR_LIST(pas8BannerLogoAnalyzeErrorCode, PF_IMG_BANNERLOGO_ERRORS, ERR_IMG_BANNERLOGO_BASE_)
#undef PF_ERROR_PREFIX

namespace pf {
namespace {

constexpr int kMaxItems = PF_BANNERLOGO_MAX_ITEMS;
constexpr const char* kSourcePath = "../source/common/img_bannerlogo.c";

int32_t saturate(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// Rounds down (towards minus infinity) to a multiple of a power of two.
int32_t floor_to(int32_t v, int32_t multiple) { return v & ~(multiple - 1); }

struct Picture {
  int32_t width, height;
  uint32_t image_type, scan_mode, yuv_type;
  bool operator==(const Picture&) const = default;
};

Picture picture_of(const tBannerLogoParam& p) {
  return {p.s32BgWidth, p.s32BgHeight, p.u32ImageType, p.u32ScanMode, p.u32BgYuvType};
}

// Field pictures and scrolling scan mode keep vertical motion and cuts in whole field pairs.
bool field_rows(const Picture& pic) {
  return pic.image_type == PF_IMAGE_FIELD || pic.scan_mode == PF_LOGO_SCAN_SCROLL;
}

// A length in reference pixels, in picture pixels.
int32_t scale(int64_t v, int32_t picture, int32_t ref) {
  return ref == picture ? saturate(v) : saturate(v * picture / ref);
}

// Steps are scaled to the nearest whole pixel, half away from zero; a moving logo keeps moving.
int32_t scale_step(int32_t step, int32_t picture, int32_t ref) {
  if (step == 0) return 0;
  int64_t tenths = int64_t{step} * 10 * picture / ref;
  tenths += step > 0 ? 5 : -5;
  const int32_t scaled = saturate(tenths / 10);
  return scaled != 0 ? scaled : (step > 0 ? 1 : -1);
}

// One direction of a logo's motion, in picture pixels. The offset counts from the window's
// origin; `move` is what it adds per frame (horizontally the step, vertically minus the step, as
// a positive vertical step moves up).
struct Axis {
  int32_t pos;          // the logo's offset in its window
  int32_t move;         // per frame
  int32_t size;         // the logo's size along the axis (w' or h')
  int32_t origin;       // the window's left or top
  int32_t extent;       // the window's width or height
  int32_t visible;      // the part of the window inside the picture
  int32_t pause_every;  // steps between pauses; 0: no pauses
  int32_t steps;        // steps taken, the jumps at the wraps included
  int32_t pause_left;   // frames the running pause still holds the logo

  // Where the logo's leading edge has left the visible window. A window that starts before the
  // picture's edge counts its offsets from its own origin, off the picture.
  bool outside() const {
    const int64_t low = -(int64_t{size} + std::min(origin, 0));
    return pos <= low || pos >= visible;
  }
  // Back in on the side the logo comes from, one step in.
  void enter() {
    pos = move > 0 ? saturate(int64_t{move} - size - std::min(origin, 0))
                   : saturate(int64_t{visible} + move);
  }
  // Counts a step; a pause starts every pause_every steps.
  void count_step(int32_t pause_frames) {
    ++steps;
    if (pause_every > 0 && steps % pause_every == 0) pause_left = pause_frames;
  }
  // Parked outside the window, on the side the logo moves towards.
  void park() { pos = move < 0 ? -size : extent; }
  // The logo's first picture pixel along the axis, and the parts cut off before and after.
  void place(int32_t picture, int32_t& start, int32_t& cut_low, int32_t& cut_high) const {
    const int64_t at = int64_t{origin} + pos;
    if (origin >= 0) {
      start = saturate(origin + int64_t{std::max(pos, 0)});
      cut_low = std::max(-pos, 0);
    } else {
      start = saturate(std::max<int64_t>(at, 0));
      cut_low = saturate(std::max<int64_t>(-at, 0));
    }
    const int64_t high = int64_t{origin} + extent > picture ? int64_t{origin} + size + pos - picture
                                                            : int64_t{size} - extent + pos;
    cut_high = saturate(std::max<int64_t>(high, 0));
  }
};

// The part of a window [origin, origin + extent) that lies inside a picture of `picture` pixels.
int32_t visible_extent(int32_t origin, int32_t extent, int32_t picture) {
  const int64_t end = std::min<int64_t>(int64_t{origin} + extent, picture);
  return saturate(end - std::max(origin, 0));
}

// Pause distances: a distance that cannot be reached in whole steps means no pauses (-1); others
// are kept in whole steps. Returns steps between pauses in `every` (0: none).
int32_t pause_distance(int32_t given, int32_t step, int32_t picture, int32_t ref) {
  if (given == -1) return -1;
  const int32_t scaled = scale(given, picture, ref);
  if (step == 0) return scaled;
  const int32_t s = std::abs(step);
  return scaled >= 0 ? scaled / s * s : -(-(scaled / s) * s);
}

int32_t pause_every(int32_t distance, int32_t step, int32_t pause_frames) {
  if (distance == -1 || step == 0 || pause_frames <= 0) return 0;
  const int64_t d = std::abs(int64_t{distance}), s = std::abs(int64_t{step});
  return d >= s ? saturate(d / s) : 0;
}

// Frames of one axis's passes: the path from entering to leaving the window, step by step, and
// the pauses on the way.
int64_t axis_frames(const Axis& a, int32_t distance, int32_t loops, int32_t pause_frames) {
  if (a.move == 0) return loops;
  const int64_t path = int64_t{a.visible} + a.size;
  int64_t frames = path * loops / std::abs(int64_t{a.move});
  if (a.pause_every > 0) frames += path * loops / std::abs(int64_t{distance}) * pause_frames;
  return frames;
}

struct LogoState {
  tBannerLogoItem item;  // as given, unusable pause distances replaced by -1
  int32_t width, height;
  int32_t start_x, start_y;
  int32_t step_x, step_y;
  int32_t pause_x, pause_y;
  int32_t win_top, win_left, win_width, win_height;
  Axis x, y;
  int64_t cycle;
  int64_t frames;
  uint32_t enabled;
  uint32_t started;
  // Adaptive text logos on a smaller picture take their cuts in logo pixels.
  int32_t cut_mul_x, cut_mul_y;
};

// The item with the pause distances it can use, compared and kept in this form.
tBannerLogoItem normalised(const tBannerLogoItem& given) {
  tBannerLogoItem it = given;
  // A distance of at least one step that no number of whole steps covers would never be met.
  auto usable = [](int32_t distance, int32_t step) {
    return step == 0 || distance < std::abs(step) || distance % step == 0 ? distance : -1;
  };
  it.s32PauseDistX = usable(it.s32PauseDistX, it.s16StepX);
  it.s32PauseDistY = usable(it.s32PauseDistY, it.s16StepY);
  return it;
}

bool same_item(const tBannerLogoItem& a, const tBannerLogoItem& b) {
  return a.pu8FgData == b.pu8FgData && a.pu8ItemSpare == b.pu8ItemSpare &&
         a.pu8FgAlpha == b.pu8FgAlpha && a.s32FgWidth == b.s32FgWidth &&
         a.s32FgHeight == b.s32FgHeight && a.u32FgYuvType == b.u32FgYuvType &&
         a.u32FgSpare == b.u32FgSpare && a.s32RefWidth == b.s32RefWidth &&
         a.s32RefHeight == b.s32RefHeight && a.u8BlendMode == b.u8BlendMode &&
         a.s32StartY == b.s32StartY && a.s32StartX == b.s32StartX && a.s16StepX == b.s16StepX &&
         a.s16StepY == b.s16StepY && a.s32Loops == b.s32Loops &&
         a.s32PauseDistX == b.s32PauseDistX && a.s32PauseDistY == b.s32PauseDistY &&
         a.s32PauseFrames == b.s32PauseFrames && a.s32WinTop == b.s32WinTop &&
         a.s32WinLeft == b.s32WinLeft && a.s32WinWidth == b.s32WinWidth &&
         a.s32WinHeight == b.s32WinHeight && a.u32AdaptiveColor == b.u32AdaptiveColor &&
         a.s32LineHeight == b.s32LineHeight && a.s32CharNum == b.s32CharNum &&
         a.pu8CharWidth == b.pu8CharWidth && a.pItemControl == b.pItemControl;
}

const tBannerLogoControl* control_of(const tBannerLogoItem& it) {
  const tBannerLogoControl* c = it.pItemControl;
  return c != nullptr && c->u32Magic == PF_BANNERLOGO_CONTROL_MAGIC ? c : nullptr;
}

// A logo's set-up on a picture; the reference sides are known to be at least 1.
LogoState set_up(const tBannerLogoItem& given, const Picture& pic) {
  LogoState s{};
  s.item = normalised(given);
  const tBannerLogoItem& it = s.item;
  const int32_t rw = it.s32RefWidth, rh = it.s32RefHeight, P = pic.width, Q = pic.height;
  const bool fields = field_rows(pic);
  s.width = scale(it.s32FgWidth, P, rw);
  s.height = scale(it.s32FgHeight, Q, rh);
  s.start_x = scale(it.s32StartX, P, rw);
  s.start_y = scale(it.s32StartY, Q, rh);
  s.step_x = scale_step(it.s16StepX, P, rw);
  s.step_y = scale_step(it.s16StepY, Q, rh);
  if (fields && s.step_y != 0 && std::abs(s.step_y) < 2) s.step_y = s.step_y > 0 ? 2 : -2;
  // Windows start on whole chroma rows, or whole field chroma rows.
  s.win_top = floor_to(scale(it.s32WinTop, Q, rh), fields ? 4 : 2);
  s.win_left = floor_to(scale(it.s32WinLeft, P, rw), 2);
  s.win_width = scale(it.s32WinWidth, P, rw);
  s.win_height = scale(it.s32WinHeight, Q, rh);
  s.pause_x = pause_distance(it.s32PauseDistX, s.step_x, P, rw);
  s.pause_y = pause_distance(it.s32PauseDistY, s.step_y, Q, rh);

  s.x = Axis{s.start_x,  s.step_x,    s.width,
             s.win_left, s.win_width, visible_extent(s.win_left, s.win_width, P),
             0,          0,           0};
  s.x.pause_every = pause_every(s.pause_x, s.step_x, it.s32PauseFrames);
  s.y = Axis{s.start_y,
             saturate(-int64_t{s.step_y}),
             s.height,
             s.win_top,
             s.win_height,
             visible_extent(s.win_top, s.win_height, Q),
             0,
             0,
             0};
  s.y.pause_every = pause_every(s.pause_y, s.step_y, it.s32PauseFrames);
  const int32_t loops = std::max(it.s32Loops, 0);
  s.cycle = std::max(axis_frames(s.x, s.pause_x, loops, it.s32PauseFrames),
                     axis_frames(s.y, s.pause_y, loops, it.s32PauseFrames));

  const tBannerLogoControl* control = control_of(given);
  s.enabled = control != nullptr ? control->u32Enable : 1;
  s.cut_mul_x = s.cut_mul_y = 1;
  if (it.u32AdaptiveColor == PF_LOGO_ADAPTIVE_COLOR && (rw != P || rh != Q)) {
    s.cut_mul_x = std::max(rw / P, 1);
    s.cut_mul_y = std::max(rh / Q, 1);
  }
  return s;
}

// The logo instance's record: the item's logo on the picture, at the origin and uncut.
tLogoParam logo_record(const tBannerLogoItem& it, const Picture& pic) {
  tLogoParam r{};
  r.pu8FgData = it.pu8FgData;
  r.pu8FgSpare = it.pu8ItemSpare;
  r.pu8FgAlpha = it.pu8FgAlpha;
  r.u8BlendMode = it.u8BlendMode;
  r.s32FgWidth = it.s32FgWidth;
  r.s32FgHeight = it.s32FgHeight;
  r.u32FgYuvType = it.u32FgYuvType;
  r.u32FgSpare = it.u32FgSpare;
  r.s32FgRefWidth = it.s32RefWidth;
  r.s32FgRefHeight = it.s32RefHeight;
  r.u32AdaptiveColor = it.u32AdaptiveColor;
  r.s32LineHeight = it.s32LineHeight;
  r.s32CharNum = it.s32CharNum;
  r.pu8CharWidth = it.pu8CharWidth;
  r.s32BgWidth = pic.width;
  r.s32BgHeight = pic.height;
  r.u32ImageType = pic.image_type;
  r.u32ScanMode = pic.scan_mode;
  r.u32BgYuvType = pic.yuv_type;
  return r;
}

// The bar's banner record: its rectangle scaled to the picture, which is then its reference.
tBannerParam bar_record(const tBannerLogoBar& b, const Picture& pic) {
  const int32_t P = pic.width, Q = pic.height;
  const int32_t top = scale(b.s32Top, Q, b.s32RefHeight);
  const int32_t left = scale(b.s32Left, P, b.s32RefWidth);
  return tBannerParam{scale(b.s32Width, P, b.s32RefWidth),
                      scale(b.s32Height, Q, b.s32RefHeight),
                      top < 1 ? 0 : top,
                      left < 1 ? 0 : left,
                      P,
                      Q,
                      b.u8R,
                      b.u8G,
                      b.u8B,
                      b.u8Opacity,
                      P,
                      Q,
                      pic.image_type,
                      0,
                      pic.yuv_type};
}

struct BannerLogoInstance {
  void* hMem;
  void* logos[kMaxItems];
  void* banners[kMaxItems];
  LogoState states[kMaxItems];
  tBannerLogoBar bars[kMaxItems];  // as given
  Picture pic;
  int32_t logo_num;
  int32_t banner_num;
};

uint32_t check_picture(const tBannerLogoParam& p) {
  if (p.s32BgWidth < 1 || p.s32BgHeight < 1) return kIMAGE_PARAM;
  switch (p.u32BgYuvType) {
    case PF_YUV_420:
    case PF_YUV_UYVY:
    case PF_YUV_NV12:
      break;
    case PF_YUV_YUYV:
      if (p.u32ImageType == PF_IMAGE_FIELD) return kYUYV_NOT_SUPPORT_FIELD;
      break;
    default:
      return kIMAGE_YUVTYPE;
  }
  if (p.u32ImageType < PF_IMAGE_FRAME || p.u32ImageType > PF_IMAGE_INTERLACED) {
    return kIMAGE_IMAGETYPE;
  }
  if (p.s32LogoNum < 0 || p.s32LogoNum > kMaxItems || p.s32BannerNum < 0 ||
      p.s32BannerNum > kMaxItems || (p.s32LogoNum == 0 && p.s32BannerNum == 0)) {
    return kLOGO_NUM;
  }
  return PF_STATUS_OK;
}

uint32_t check_item(const tBannerLogoItem& it, const Picture& pic) {
  if (it.pu8FgData == nullptr || it.pu8FgAlpha == nullptr) return kLOGO_DATA;
  // A reference side of 0 would leave nothing to scale by.
  if (it.s32RefWidth < 1) return kREF_WIDTH;
  if (it.s32RefHeight < 1) return kREF_HEIGHT;
  const LogoState s = set_up(it, pic);
  if (s.win_width < 1) return kWINDOW_WIDTH;
  if (s.win_height < 1) return kWINDOW_HEIGHT;
  if (s.win_left >= pic.width || s.win_left <= -s.win_width) return kWINDOW_LEFT;
  if (s.win_top >= pic.height || s.win_top <= -s.win_height) return kWINDOW_TOP;
  return PF_STATUS_OK;
}

// The logo and banner instances' own checks of the records they will be given, so that a record
// one of them would refuse is refused before anything is opened or changed.
uint32_t check_instances(const tBannerLogoParam& p, const Picture& pic) {
  for (int i = 0; i < p.s32LogoNum; ++i) {
    const tBannerLogoItem& it = p.atLogo[i];
    const tLogoParam r = logo_record(it, pic);
    if (const uint32_t error = CheckLogoParam(&r, nullptr)) return error;
    // The colour memory of a text logo holds a fixed number of characters.
    if (it.u32AdaptiveColor == PF_LOGO_ADAPTIVE_COLOR && it.s32CharNum > PF_LOGO_MAX_CHARS) {
      return ERR_IMG_LOGO_CHAR_MAX;
    }
  }
  for (int i = 0; i < p.s32BannerNum; ++i) {
    const tBannerParam b = bar_record(p.atBar[i], pic);
    if (b.s32Width < 1 || b.s32Height < 1) return ERR_IMG_BANNER_FG_WIDTH_HEIGHT;
    if (b.s32Top >= pic.height) return ERR_IMG_BANNER_FG_TOP;
    if (b.s32Left >= pic.width) return ERR_IMG_BANNER_FG_LEFT;
  }
  return PF_STATUS_OK;
}

uint32_t check_param(const tBannerLogoParam& p) {
  if (const uint32_t error = check_picture(p)) return error;
  const Picture pic = picture_of(p);
  for (int i = 0; i < p.s32LogoNum; ++i) {
    if (const uint32_t error = check_item(p.atLogo[i], pic)) return error;
  }
  for (int i = 0; i < p.s32BannerNum; ++i) {
    if (p.atBar[i].s32RefWidth < 1) return kREF_WIDTH;
    if (p.atBar[i].s32RefHeight < 1) return kREF_HEIGHT;
  }
  return check_instances(p, pic);
}

// Closes the instances of `handles` from `first` on whose `opened` flag is set (all when null),
// newest first; returns the first failing close's code.
template <class Close>
uint32_t close_all(void** handles, int first, const bool* opened, Close close) {
  uint32_t status = PF_STATUS_OK;
  for (int i = kMaxItems - 1; i >= first; --i) {
    if (handles[i] == nullptr || (opened != nullptr && !opened[i])) continue;
    const uint32_t s = close(handles[i]);
    if (status == PF_STATUS_OK) status = s;
    handles[i] = nullptr;
  }
  return status;
}

uint32_t close_banners(BannerLogoInstance& inst, int first, const bool* opened = nullptr) {
  return close_all(inst.banners, first, opened, ImgBannerClose_c);
}
uint32_t close_logos(BannerLogoInstance& inst, int first, const bool* opened = nullptr) {
  return close_all(inst.logos, first, opened, ImgLogoClose_c);
}

// Opens the instances `next` lacks for its items, the logos first; on a refusal closes the ones
// opened here again and returns the refusal.
uint32_t open_missing(BannerLogoInstance& next) {
  bool opened_logo[kMaxItems] = {}, opened_banner[kMaxItems] = {};
  uint32_t status = PF_STATUS_OK;
  for (int i = 0; i < next.logo_num && status == PF_STATUS_OK; ++i) {
    if (next.logos[i] != nullptr) continue;
    const tLogoParam r = logo_record(next.states[i].item, next.pic);
    status = ImgLogoOpen_c(&next.logos[i], &r, next.hMem);
    opened_logo[i] = status == PF_STATUS_OK;
    if (!opened_logo[i]) next.logos[i] = nullptr;
  }
  for (int i = 0; i < next.banner_num && status == PF_STATUS_OK; ++i) {
    if (next.banners[i] != nullptr) continue;
    const tBannerParam b = bar_record(next.bars[i], next.pic);
    status = ImgBannerOpen_c(&next.banners[i], &b, next.hMem);
    opened_banner[i] = status == PF_STATUS_OK;
    if (!opened_banner[i]) next.banners[i] = nullptr;
  }
  if (status != PF_STATUS_OK) {
    close_banners(next, 0, opened_banner);
    close_logos(next, 0, opened_logo);
  }
  return status;
}

uint32_t delegate_by_range(uint32_t code, int32_t buf_len, char* buf) {
  const auto c = static_cast<int32_t>(code);
  if (c < static_cast<int32_t>(ERR_IMG_BANNER_OPEN_POINTER)) {
    return ImgLogoAnalyzeErrorCode_c(code, buf_len, buf);
  }
  if (c <= static_cast<int32_t>(ERR_IMG_BANNER_END)) {
    return ImgBannerAnalyzeErrorCode_c(code, buf_len, buf);
  }
  return PF_ERR_CODE_NOT_NAMEABLE;
}

uint32_t reconfigure(BannerLogoInstance& inst, const tBannerLogoParam& p);

struct BannerLogo {
  using Param = tBannerLogoParam;
  using Instance = BannerLogoInstance;
  static constexpr FrameCodes kCodes = frame_codes(kErrorNames);
  // Codes of the two sub-ranges before the module's own go to their owners' analysers.
  static constexpr ErrorTable kErrors = error_table(kErrorNames, {.delegate = delegate_by_range});
  static constexpr VersionSpec kVersion = version_spec(
      kErrorNames, "BannerLogo Version: pelforge_v300.BannerLogo.008, Compile time: %s %s.\n");
  static constexpr const char* kSource = kSourcePath;
  // The logo states are worked out before the instances that draw them are opened.
  static constexpr bool kSelectFirst = true;

  static uint32_t validate(const Param& p) { return check_param(p); }
  // No global_init: the logo and banner instances run their own dispatch.
  static uint32_t select(Instance& inst, const Param& p) {
    inst.pic = picture_of(p);
    inst.logo_num = p.s32LogoNum;
    inst.banner_num = p.s32BannerNum;
    for (int i = 0; i < p.s32LogoNum; ++i) inst.states[i] = set_up(p.atLogo[i], inst.pic);
    std::copy(std::begin(p.atBar), std::end(p.atBar), std::begin(inst.bars));
    return PF_STATUS_OK;
  }
  // The logos, then the banners; a refusal gives back what was opened and is Open's result.
  static uint32_t acquire(Instance& inst) { return open_missing(inst); }
  static uint32_t release(Instance& inst) {
    const uint32_t banners = close_banners(inst, 0);
    const uint32_t logos = close_logos(inst, 0);
    return banners != PF_STATUS_OK ? banners : logos;
  }
  static uint32_t set(Instance& inst, const Param& p) { return reconfigure(inst, p); }
};

// The banner's picture checks.
bool picture_fits(const tImgPicture& pic, const Picture& p) {
  const auto width = static_cast<uint32_t>(p.width);
  if (pic.pu8Y == nullptr || pic.u32YPitch < width) return false;
  switch (p.yuv_type) {
    case PF_YUV_420:
      return pic.pu8U != nullptr && pic.pu8V != nullptr && pic.u32UVPitch >= width / 2;
    case PF_YUV_NV12:
      return pic.pu8U != nullptr && pic.u32UVPitch >= width;
    default:
      return true;
  }
}

// Draws logo i where its offsets put it, cut to its window and the picture.
uint32_t draw_logo(BannerLogoInstance& inst, int i, const tImgPicture& pic, void* context) {
  LogoState& s = inst.states[i];
  tLogoParam r = logo_record(s.item, inst.pic);
  int32_t left = 0, left_cut = 0, right_cut = 0, top = 0, top_cut = 0, bottom_cut = 0;
  s.x.place(inst.pic.width, left, left_cut, right_cut);
  s.y.place(inst.pic.height, top, top_cut, bottom_cut);
  const int32_t v = field_rows(inst.pic) ? 4 : 2;
  r.s32FgLeft = floor_to(left, 2);
  r.s32FgTop = floor_to(top, 2);
  r.s32LeftCut = floor_to(left_cut, 2) * s.cut_mul_x;
  r.s32RightCut = floor_to(right_cut, 2) * s.cut_mul_x;
  r.s32TopCut = floor_to(top_cut, v) * s.cut_mul_y;
  r.s32BottomCut = floor_to(bottom_cut, v) * s.cut_mul_y;
  if (const uint32_t error = ImgLogoSetParam_c(inst.logos[i], &r)) return error;
  // The logo module counts packed pitches in bytes, the banner's record in pixels.
  tImgPicture logo_pic = pic;
  if (inst.pic.yuv_type == PF_YUV_UYVY || inst.pic.yuv_type == PF_YUV_YUYV) {
    logo_pic.u32YPitch = 2 * pic.u32YPitch;
  }
  return ImgLogoProcessPrivate_c(inst.logos[i], &logo_pic, context);
}

uint32_t draw_bar(BannerLogoInstance& inst, int i, const tImgPicture& pic, void* context) {
  if (i >= inst.banner_num) return PF_STATUS_OK;
  return ImgBannerProcessPrivate_c(inst.banners[i], &pic, context);
}

// One frame of logo i: the motion rule, then its bar and the logo itself.
uint32_t run_logo(BannerLogoInstance& inst, int i, const tImgPicture& pic, void* context) {
  LogoState& s = inst.states[i];
  if (s.enabled == 0) return PF_STATUS_OK;
  ++s.frames;
  if (s.item.s32Loops <= 0 || s.frames > s.cycle) {
    if (s.x.move != 0) {
      s.x.park();
    } else if (s.y.move != 0) {
      s.y.park();
    }
    return PF_STATUS_OK;
  }
  const int32_t pause_frames = s.item.s32PauseFrames;
  bool waiting = false;
  for (Axis* a : {&s.x, &s.y}) {
    if (!a->outside()) continue;
    waiting = true;
    if (a->move == 0) continue;  // a logo that does not move this way stays out of sight
    if (a->pause_left > 0) {
      --a->pause_left;
    } else {
      a->enter();
      a->count_step(pause_frames);
    }
  }
  if (const uint32_t error = draw_bar(inst, i, pic, context)) return error;
  if (waiting) return PF_STATUS_OK;
  if (const uint32_t error = draw_logo(inst, i, pic, context)) return error;
  s.started = 1;
  for (Axis* a : {&s.x, &s.y}) {
    if (a->move == 0) continue;
    if (a->pause_left > 0) {
      --a->pause_left;
    } else {
      a->pos = saturate(int64_t{a->pos} + a->move);
      a->count_step(pause_frames);
    }
  }
  return PF_STATUS_OK;
}

// Status of one logo: its set-up in picture pixels, the offsets being the starting ones.
tBannerLogoItem status_item(const LogoState& s) {
  tBannerLogoItem it = s.item;
  it.s32StartX = s.start_x;
  it.s32StartY = s.start_y;
  it.s16StepX = static_cast<int16_t>(std::clamp(s.step_x, -32768, 32767));
  it.s16StepY = static_cast<int16_t>(std::clamp(s.step_y, -32768, 32767));
  it.s32PauseDistX = s.pause_x;
  it.s32PauseDistY = s.pause_y;
  it.s32WinTop = s.win_top;
  it.s32WinLeft = s.win_left;
  it.s32WinWidth = s.win_width;
  it.s32WinHeight = s.win_height;
  return it;
}

uint32_t reconfigure(BannerLogoInstance& inst, const tBannerLogoParam& p) {
  if (const uint32_t error = check_param(p)) return error;
  // The new set-up is made on a copy: a refusal on the way leaves the running one as it was.
  BannerLogoInstance next = inst;
  next.pic = picture_of(p);
  next.logo_num = p.s32LogoNum;
  next.banner_num = p.s32BannerNum;
  std::copy(std::begin(p.atBar), std::end(p.atBar), std::begin(next.bars));
  const bool picture_changed = !(next.pic == inst.pic);
  bool reinit[kMaxItems] = {};
  for (int i = 0; i < p.s32LogoNum; ++i) {
    const LogoState& running = inst.states[i];
    const tBannerLogoItem& given = p.atLogo[i];
    const tBannerLogoControl* control = control_of(given);
    const bool present = inst.logos[i] != nullptr && i < inst.logo_num;
    if (control == nullptr) {
      const bool finished = running.item.s32Loops <= 0 || running.frames > running.cycle;
      reinit[i] =
          !present || picture_changed || !same_item(normalised(given), running.item) || finished;
    } else if (!present || control->u32Apply != 0) {
      reinit[i] = true;
    } else if (running.enabled != 0) {
      // A running logo left alone must still fit the picture it is drawn on.
      const bool fits = next.pic.width == inst.pic.width && next.pic.height == inst.pic.height &&
                        next.pic.yuv_type == inst.pic.yuv_type &&
                        next.pic.image_type == inst.pic.image_type;
      if (!fits) return kSET_ENABLE;
    }
    if (reinit[i]) next.states[i] = set_up(given, next.pic);
  }
  // Items beyond lowered counts give their instances back once the new set-up stands.
  for (int i = p.s32LogoNum; i < kMaxItems; ++i) next.logos[i] = nullptr;
  for (int i = p.s32BannerNum; i < kMaxItems; ++i) next.banners[i] = nullptr;
  if (const uint32_t error = open_missing(next)) return error;

  // The records were checked against both modules' rules; these calls only re-parameterise.
  uint32_t status = PF_STATUS_OK;
  for (int i = 0; i < p.s32LogoNum && status == PF_STATUS_OK; ++i) {
    if (!reinit[i] || inst.logos[i] == nullptr || i >= inst.logo_num) continue;
    const tLogoParam r = logo_record(next.states[i].item, next.pic);
    status = ImgLogoSetParam_c(next.logos[i], &r);
  }
  for (int i = 0; i < p.s32BannerNum && status == PF_STATUS_OK; ++i) {
    if (inst.banners[i] == nullptr || i >= inst.banner_num) continue;
    const tBannerParam b = bar_record(next.bars[i], next.pic);
    status = ImgBannerSetParam_c(next.banners[i], &b);
  }
  BannerLogoInstance leftover = inst;
  inst = next;
  for (int i = 0; i < kMaxItems; ++i) {
    if (i < p.s32LogoNum) leftover.logos[i] = nullptr;
    if (i < p.s32BannerNum) leftover.banners[i] = nullptr;
  }
  const uint32_t banners = close_banners(leftover, 0);
  const uint32_t logos = close_logos(leftover, 0);
  if (status != PF_STATUS_OK) return status;
  return banners != PF_STATUS_OK ? banners : logos;
}

}  // namespace
}  // namespace pf

PF_OPEN_CLOSE(ImgBannerLogo, pf::BannerLogo)
PF_SET_PARAM(ImgBannerLogo, pf::BannerLogo)
PF_NAMES_AND_VERSION(ImgBannerLogo, pf::BannerLogo)

extern "C" {

uint32_t ImgBannerLogoGetStatus_c(void* hHandle, void* pStatus) {
  if (hHandle == nullptr || pStatus == nullptr) return pf::kSTATUS_INPUT_POINTER;
  const auto& inst = *static_cast<const pf::BannerLogoInstance*>(hHandle);
  tBannerLogoParam status;
  std::memset(&status, 0, sizeof status);  // padding included: the record goes back whole
  for (int i = 0; i < inst.logo_num; ++i) status.atLogo[i] = pf::status_item(inst.states[i]);
  for (int i = 0; i < inst.banner_num; ++i) {
    tBannerParam b{};
    if (const uint32_t error = ImgBannerGetStatus_c(inst.banners[i], &b)) return error;
    status.atBar[i] =
        tBannerLogoBar{b.s32Width,     b.s32Height, b.s32Top, b.s32Left, b.s32RefWidth,
                       b.s32RefHeight, b.u8R,       b.u8G,    b.u8B,     b.u8Opacity};
  }
  status.s32BgWidth = inst.pic.width;
  status.s32BgHeight = inst.pic.height;
  status.u32ImageType = inst.pic.image_type;
  status.u32ScanMode = inst.pic.scan_mode;
  status.u32BgYuvType = inst.pic.yuv_type;
  status.s32LogoNum = inst.logo_num;
  status.s32BannerNum = inst.banner_num;
  std::memcpy(pStatus, &status, sizeof status);
  return PF_STATUS_OK;
}

uint32_t ImgBannerLogoProcessPrivate_c(void* hHandle, const tImgPicture* ptPicture,
                                       void* pContext) {
  if (pf::any_null(hHandle, ptPicture, pContext)) return pf::kPROCESS_PRIVATE_POINTER;
  auto& inst = *static_cast<pf::BannerLogoInstance*>(hHandle);
  if (!pf::picture_fits(*ptPicture, inst.pic)) return pf::kDATA_POINTER;
  for (int i = 0; i < inst.logo_num; ++i) {
    if (const uint32_t error = pf::run_logo(inst, i, *ptPicture, pContext)) return error;
  }
  for (int i = inst.logo_num; i < inst.banner_num; ++i) {
    if (const uint32_t error = pf::draw_bar(inst, i, *ptPicture, pContext)) return error;
  }
  return PF_STATUS_OK;
}

uint32_t ImgBannerLogoProcess_c(void* hHandle, void* pBuffers, void* pContext) {
  if (pf::any_null(hHandle, pBuffers, pContext)) return pf::kPROCESS_POINTER;
  const auto& inst = *static_cast<const pf::BannerLogoInstance*>(hHandle);
  uint8_t* buffer = static_cast<uint8_t* const*>(pBuffers)[0];
  if (buffer == nullptr) return pf::kDATA_POINTER;
  // One buffer holds the whole picture, its planes packed after one another, as for the banner.
  tImgPicture pic =
      pf::unpadded_picture(buffer, inst.pic.yuv_type, static_cast<uint32_t>(inst.pic.width),
                           static_cast<uint32_t>(inst.pic.height));
  return ImgBannerLogoProcessPrivate_c(hHandle, &pic, pContext);
}

uint32_t ImgBannerLogoDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImgBannerLogoGetMemSize_c(const void*, uint32_t* pu32Size) {
  // No code of its own for a null result pointer: it is reported as a missing record.
  return pf::fixed_mem_size(pu32Size, PF_BANNERLOGO_MEM_SIZE, pf::kOPEN_POINTER);
}

}  // extern "C"

PF_FUNCTION_TABLE(tBannerLogoFuncs, ImgBannerLogo)
