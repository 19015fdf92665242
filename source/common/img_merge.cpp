// SPDX-License-Identifier: BSD-2-Clause
// The merge module: window geometry of the 22 styles, validation, the copies, and every fill
// (bands, empty windows, boundary lines, focus frames) through a private banner instance.
#include "img_merge.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "dispatch.hpp"
#include "errors.hpp"
#include "frame.hpp"
#include "img_banner.h"

#define PF_ERROR_PREFIX "ERR_IMG_MERGE_"
PF_ERROR_LIST(pas8ImageMergeSelfAnalyzeErrorCode, PF_IMG_MERGE_ERRORS, ERR_IMG_MERGE_BASE_)
#undef PF_ERROR_PREFIX

extern "C" {

#define PF_K(ptr, c, ...) tMergePictureKernel ptr = c;
#include "merge/merge_kernels.def"
#undef PF_K

const int32_t al32FgNum[PF_MERGE_STYLE_COUNT] = {0,  1,  2,  2,  3,  4,  4,  6,  7,  8,  9, 10,
                                                 10, 10, 12, 13, 14, 16, 16, 25, 36, 49, 64};

}  // extern "C"

namespace pf {
namespace {

// ---------------------------------------------------------------- geometry

struct Corner {
  int32_t x, y;
};
struct Grid {
  int32_t x0, dx, y0, dy;
};

// Window corners by resolution index (rows: 352x288, 720x576, 720x480, 768x768, 1024x768,
// 1024x800, 1280x800, 704x576, 704x480), window 1 first. A row of zeros: no layout at that size.
// clang-format off
constexpr Corner al32PositionVTow[9][2] = {  // style 2
    {{0, 72}, {176, 72}},  // 352x288
    {{8, 144}, {360, 144}},  // 720x576
    {{8, 120}, {360, 120}},  // 720x480
    {{0, 192}, {384, 192}},  // 768x768
    {{0, 192}, {512, 192}},  // 1024x768
    {{0, 200}, {512, 200}},  // 1024x800
    {{0, 200}, {640, 200}},  // 1280x800
    {{0, 144}, {352, 144}},  // 704x576
    {{0, 120}, {352, 120}},  // 704x480
};
constexpr Corner al32PositionITow[9][2] = {  // style 3
    {{0, 0}, {240, 192}},  // 352x288
    {{0, 0}, {480, 384}},  // 720x576
    {{0, 0}, {480, 320}},  // 720x480
    {{0, 0}, {512, 512}},  // 768x768
    {{0, 0}, {684, 512}},  // 1024x768
    {{0, 0}, {684, 534}},  // 1024x800
    {{0, 0}, {854, 534}},  // 1280x800
    {{0, 0}, {470, 384}},  // 704x576
    {{0, 0}, {470, 320}},  // 704x480
};
constexpr Corner al32PositionThree[9][3] = {  // style 4
    {{88, 0}, {0, 144}, {176, 144}},  // 352x288
    {{184, 0}, {8, 288}, {360, 288}},  // 720x576
    {{184, 0}, {8, 240}, {360, 240}},  // 720x480
    {{192, 0}, {0, 384}, {384, 384}},  // 768x768
    {{256, 0}, {0, 384}, {512, 384}},  // 1024x768
    {{256, 0}, {0, 400}, {512, 400}},  // 1024x800
    {{320, 0}, {0, 400}, {640, 400}},  // 1280x800
    {{176, 0}, {0, 288}, {352, 288}},  // 704x576
    {{176, 0}, {0, 240}, {352, 240}},  // 704x480
};
constexpr Corner al32PositionFour[9][4] = {  // style 5
    {{0, 0}, {176, 0}, {0, 144}, {176, 144}},  // 352x288
    {{8, 0}, {360, 0}, {8, 288}, {360, 288}},  // 720x576
    {{8, 0}, {360, 0}, {8, 240}, {360, 240}},  // 720x480
    {{0, 0}, {384, 0}, {0, 384}, {384, 384}},  // 768x768
    {{0, 0}, {512, 0}, {0, 384}, {512, 384}},  // 1024x768
    {{0, 0}, {512, 0}, {0, 400}, {512, 400}},  // 1024x800
    {{0, 0}, {640, 0}, {0, 400}, {640, 400}},  // 1280x800
    {{0, 0}, {352, 0}, {0, 288}, {352, 288}},  // 704x576
    {{0, 0}, {352, 0}, {0, 240}, {352, 240}},  // 704x480
};
constexpr Corner al32PositionSFour[9][4] = {  // style 6
    {{0, 48}, {240, 0}, {240, 96}, {240, 192}},  // 352x288
    {{0, 96}, {480, 0}, {480, 192}, {480, 384}},  // 720x576
    {{0, 80}, {480, 0}, {480, 160}, {480, 320}},  // 720x480
    {{0, 128}, {512, 0}, {512, 256}, {512, 512}},  // 768x768
    {{0, 128}, {684, 0}, {684, 256}, {684, 512}},  // 1024x768
    {{0, 132}, {684, 0}, {684, 266}, {684, 532}},  // 1024x800
    {{0, 132}, {854, 0}, {854, 266}, {854, 532}},  // 1280x800
    {{0, 96}, {470, 0}, {470, 192}, {470, 384}},  // 704x576
    {{0, 80}, {470, 0}, {470, 160}, {470, 320}},  // 704x480
};
constexpr Corner al32PositionSix[9][6] = {  // style 7
    {{0, 0}, {240, 0}, {240, 96}, {0, 192}, {120, 192}, {240, 192}},  // 352x288
    {{0, 0}, {480, 0}, {480, 192}, {0, 384}, {240, 384}, {480, 384}},  // 720x576
    {{0, 0}, {480, 0}, {480, 160}, {0, 320}, {240, 320}, {480, 320}},  // 720x480
    {{0, 0}, {512, 0}, {512, 256}, {0, 512}, {256, 512}, {512, 512}},  // 768x768
    {{2, 0}, {682, 0}, {682, 256}, {2, 512}, {342, 512}, {682, 512}},  // 1024x768
    {{2, 0}, {682, 0}, {682, 266}, {2, 532}, {342, 532}, {682, 532}},  // 1024x800
    {{0, 0}, {852, 0}, {852, 266}, {0, 532}, {426, 532}, {852, 532}},  // 1280x800
    {{0, 0}, {468, 0}, {468, 192}, {0, 384}, {234, 384}, {468, 384}},  // 704x576
    {{0, 0}, {468, 0}, {468, 160}, {0, 320}, {234, 320}, {468, 320}},  // 704x480
};
constexpr Corner al32PositionSeven[9][7] = {  // style 8
    {},  // 352x288: no layout
    {{8, 0}, {360, 0}, {8, 288}, {360, 288}, {536, 288}, {360, 432}, {536, 432}},  // 720x576
    {{8, 0}, {360, 0}, {8, 240}, {360, 240}, {536, 240}, {360, 360}, {536, 360}},  // 720x480
    {{0, 0}, {384, 0}, {0, 384}, {384, 384}, {576, 384}, {384, 576}, {576, 576}},  // 768x768
    {{0, 0}, {512, 0}, {0, 384}, {512, 384}, {768, 384}, {512, 576}, {768, 576}},  // 1024x768
    {{0, 0}, {512, 0}, {0, 400}, {512, 400}, {768, 400}, {512, 600}, {768, 600}},  // 1024x800
    {{0, 0}, {640, 0}, {0, 400}, {640, 400}, {960, 400}, {640, 600}, {960, 600}},  // 1280x800
    {{0, 0}, {352, 0}, {0, 288}, {352, 288}, {528, 288}, {352, 432}, {528, 432}},  // 704x576
    {{0, 0}, {352, 0}, {0, 240}, {352, 240}, {528, 240}, {352, 360}, {528, 360}},  // 704x480
};
constexpr Corner al32PositionEight[9][8] = {  // style 9
    {},  // 352x288: no layout
    // 720x576
    {{8, 0}, {536, 0}, {536, 144}, {536, 288}, {8, 432}, {184, 432}, {360, 432}, {536, 432}},
    // 720x480
    {{8, 0}, {536, 0}, {536, 120}, {536, 240}, {8, 360}, {184, 360}, {360, 360}, {536, 360}},
    // 768x768
    {{0, 0}, {576, 0}, {576, 192}, {576, 384}, {0, 576}, {192, 576}, {384, 576}, {576, 576}},
    // 1024x768
    {{0, 0}, {768, 0}, {768, 192}, {768, 384}, {0, 576}, {256, 576}, {512, 576}, {768, 576}},
    // 1024x800
    {{0, 0}, {768, 0}, {768, 200}, {768, 400}, {0, 600}, {256, 600}, {512, 600}, {768, 600}},
    // 1280x800
    {{0, 0}, {960, 0}, {960, 200}, {960, 400}, {0, 600}, {320, 600}, {640, 600}, {960, 600}},
    // 704x576
    {{0, 0}, {528, 0}, {528, 144}, {528, 288}, {0, 432}, {176, 432}, {352, 432}, {528, 432}},
    // 704x480
    {{0, 0}, {528, 0}, {528, 120}, {528, 240}, {0, 360}, {176, 360}, {352, 360}, {528, 360}},
};
constexpr Corner al32PositionTen[9][10] = {  // style 11
    {},  // 352x288: no layout
    {{8, 0}, {360, 0}, {536, 0}, {360, 144}, {536, 144}, {8, 288}, {360, 288}, {536, 288},
     {360, 432}, {536, 432}},  // 720x576
    {{8, 0}, {360, 0}, {536, 0}, {360, 120}, {536, 120}, {8, 240}, {360, 240}, {536, 240},
     {360, 360}, {536, 360}},  // 720x480
    {{0, 0}, {384, 0}, {576, 0}, {384, 192}, {576, 192}, {0, 384}, {384, 384}, {576, 384},
     {384, 576}, {576, 576}},  // 768x768
    {{0, 0}, {512, 0}, {768, 0}, {512, 192}, {768, 192}, {0, 512}, {512, 384}, {768, 384},
     {512, 576}, {768, 576}},  // 1024x768
    {{0, 0}, {512, 0}, {768, 0}, {512, 200}, {768, 200}, {0, 400}, {512, 400}, {768, 400},
     {512, 600}, {768, 600}},  // 1024x800
    {{0, 0}, {640, 0}, {960, 0}, {640, 200}, {960, 200}, {0, 400}, {640, 400}, {960, 400},
     {640, 600}, {960, 600}},  // 1280x800
    {{0, 0}, {352, 0}, {528, 0}, {352, 144}, {528, 144}, {0, 288}, {352, 288}, {528, 288},
     {352, 432}, {528, 432}},  // 704x576
    {{0, 0}, {352, 0}, {528, 0}, {352, 120}, {528, 120}, {0, 240}, {352, 240}, {528, 240},
     {352, 360}, {528, 360}},  // 704x480
};
constexpr Corner al32PositionTen_2_8[9][10] = {  // style 12
    {{0, 0}, {176, 0}, {0, 144}, {88, 144}, {176, 144}, {264, 144}, {0, 216}, {88, 216},
     {176, 216}, {264, 216}},  // 352x288
    {{8, 0}, {360, 0}, {8, 288}, {184, 288}, {360, 288}, {536, 288}, {8, 432}, {184, 432},
     {360, 432}, {536, 432}},  // 720x576
    {},  // 720x480: no layout
    {},  // 768x768: no layout
    {},  // 1024x768: no layout
    {},  // 1024x800: no layout
    {},  // 1280x800: no layout
    {{0, 0}, {352, 0}, {0, 288}, {176, 288}, {352, 288}, {528, 288}, {0, 432}, {176, 432},
     {352, 432}, {528, 432}},  // 704x576
    {},  // 704x480: no layout
};
constexpr Corner al32PositionTen_1_9[9][10] = {  // style 13
    {},  // 352x288: no layout
    {{0, 2}, {576, 2}, {576, 116}, {576, 230}, {576, 344}, {0, 458}, {144, 458}, {288, 458},
     {432, 458}, {576, 458}},  // 720x576
    {},  // 720x480: no layout
    {{4, 4}, {612, 4}, {612, 156}, {612, 308}, {612, 460}, {4, 612}, {156, 612}, {308, 612},
     {460, 612}, {612, 612}},  // 768x768
    {{2, 4}, {818, 4}, {818, 156}, {818, 308}, {818, 460}, {2, 612}, {206, 612}, {410, 612},
     {614, 612}, {818, 612}},  // 1024x768
    {{2, 0}, {818, 0}, {818, 160}, {818, 320}, {818, 480}, {2, 640}, {206, 640}, {410, 640},
     {614, 640}, {818, 640}},  // 1024x800
    {{0, 0}, {1024, 0}, {1024, 160}, {1024, 320}, {1024, 480}, {0, 640}, {256, 640}, {512, 640},
     {768, 640}, {1024, 640}},  // 1280x800
    {{2, 2}, {562, 2}, {562, 116}, {562, 230}, {562, 344}, {2, 458}, {142, 458}, {282, 458},
     {422, 458}, {562, 458}},  // 704x576
    {{2, 0}, {562, 0}, {562, 96}, {562, 192}, {562, 288}, {2, 384}, {142, 384}, {282, 384},
     {422, 384}, {562, 384}},  // 704x480
};
constexpr Corner al32PositionTwelve[9][12] = {  // style 14
    {},  // 352x288: no layout
    {{0, 0}, {600, 0}, {600, 96}, {600, 192}, {600, 288}, {600, 384}, {0, 480}, {120, 480},
     {240, 480}, {360, 480}, {480, 480}, {600, 480}},  // 720x576
    {},  // 720x480: no layout
    {{0, 0}, {640, 0}, {640, 128}, {640, 256}, {640, 384}, {640, 512}, {0, 640}, {128, 640},
     {256, 640}, {384, 640}, {512, 640}, {640, 640}},  // 768x768
    {{2, 0}, {852, 0}, {852, 128}, {852, 256}, {852, 384}, {852, 512}, {2, 640}, {172, 640},
     {342, 640}, {512, 640}, {682, 640}, {852, 640}},  // 1024x768
    {{2, 4}, {852, 4}, {852, 136}, {852, 268}, {852, 400}, {852, 532}, {2, 664}, {172, 664},
     {342, 664}, {512, 664}, {682, 664}, {852, 664}},  // 1024x800
    {{4, 4}, {1064, 4}, {1064, 136}, {1064, 268}, {1064, 400}, {1064, 532}, {4, 664}, {216, 664},
     {428, 664}, {640, 664}, {852, 664}, {1064, 664}},  // 1280x800
    {{4, 0}, {584, 0}, {584, 96}, {584, 192}, {584, 288}, {584, 384}, {4, 480}, {120, 480},
     {236, 480}, {352, 480}, {468, 480}, {584, 480}},  // 704x576
    {{4, 0}, {584, 0}, {584, 80}, {584, 160}, {584, 240}, {584, 320}, {4, 400}, {120, 400},
     {236, 400}, {352, 400}, {468, 400}, {584, 400}},  // 704x480
};
constexpr Corner al32PositionThirteen[9][13] = {  // style 15
    {},  // 352x288: no layout
    {{8, 0}, {360, 0}, {536, 0}, {360, 144}, {536, 144}, {8, 288}, {184, 288}, {360, 288},
     {536, 288}, {8, 432}, {184, 432}, {360, 432}, {536, 432}},  // 720x576
    {{8, 0}, {360, 0}, {536, 0}, {360, 120}, {536, 120}, {8, 240}, {184, 240}, {360, 240},
     {536, 240}, {8, 360}, {184, 360}, {360, 360}, {536, 360}},  // 720x480
    {{0, 0}, {384, 0}, {576, 0}, {384, 192}, {576, 192}, {0, 384}, {192, 384}, {384, 384},
     {576, 384}, {0, 576}, {192, 576}, {384, 576}, {576, 576}},  // 768x768
    {{0, 0}, {512, 0}, {768, 0}, {512, 192}, {768, 192}, {0, 384}, {256, 384}, {512, 384},
     {768, 384}, {0, 576}, {256, 576}, {512, 576}, {768, 576}},  // 1024x768
    {{0, 0}, {512, 0}, {768, 0}, {512, 200}, {768, 200}, {0, 400}, {256, 400}, {512, 400},
     {768, 400}, {0, 600}, {256, 600}, {512, 600}, {768, 600}},  // 1024x800
    {{0, 0}, {640, 0}, {960, 0}, {640, 200}, {960, 200}, {0, 400}, {320, 400}, {640, 400},
     {960, 400}, {0, 600}, {320, 600}, {640, 600}, {960, 600}},  // 1280x800
    {{0, 0}, {352, 0}, {528, 0}, {352, 144}, {528, 144}, {0, 288}, {176, 288}, {352, 288},
     {528, 288}, {0, 432}, {176, 432}, {352, 432}, {528, 432}},  // 704x576
    {{0, 0}, {352, 0}, {528, 0}, {352, 120}, {528, 120}, {0, 240}, {176, 240}, {352, 240},
     {528, 240}, {0, 360}, {176, 360}, {352, 360}, {528, 360}},  // 704x480
};
constexpr Corner al32PositionFourteen[9][14] = {  // style 16
    {},  // 352x288: no layout
    {{2, 0}, {614, 0}, {614, 82}, {614, 164}, {614, 246}, {614, 328}, {614, 410}, {2, 492},
     {104, 492}, {206, 492}, {308, 492}, {410, 492}, {512, 492}, {614, 492}},  // 720x576
    {},  // 720x480: no layout
    {{6, 6}, {654, 6}, {654, 114}, {654, 222}, {654, 330}, {654, 438}, {654, 546}, {6, 654},
     {114, 654}, {222, 654}, {330, 654}, {438, 654}, {546, 654}, {654, 654}},  // 768x768
    {{0, 6}, {876, 6}, {876, 114}, {876, 222}, {876, 330}, {876, 438}, {876, 546}, {0, 654},
     {146, 654}, {292, 654}, {438, 654}, {584, 654}, {730, 654}, {876, 654}},  // 1024x768
    {{0, 0}, {876, 0}, {876, 114}, {876, 228}, {876, 342}, {876, 456}, {876, 570}, {0, 684},
     {146, 684}, {292, 684}, {438, 684}, {584, 684}, {730, 684}, {876, 684}},  // 1024x800
    // 1280x800
    {{2, 0}, {1094, 0}, {1094, 114}, {1094, 228}, {1094, 342}, {1094, 456}, {1094, 570},
     {2, 684}, {184, 684}, {366, 684}, {548, 684}, {730, 684}, {912, 684}, {1094, 684}},
    {{0, 0}, {600, 0}, {600, 82}, {600, 164}, {600, 246}, {600, 328}, {600, 410}, {0, 492},
     {100, 492}, {200, 492}, {300, 492}, {400, 492}, {500, 492}, {600, 492}},  // 704x576
    {{0, 0}, {600, 0}, {600, 68}, {600, 136}, {600, 204}, {600, 272}, {600, 340}, {0, 408},
     {100, 408}, {200, 408}, {300, 408}, {400, 408}, {500, 408}, {600, 408}},  // 704x480
};
constexpr Corner al32PositionSixteen_1_15[9][16] = {  // style 18
    {},  // 352x288: no layout
    // 720x576
    {{0, 0}, {630, 0}, {630, 72}, {630, 144}, {630, 216}, {630, 288}, {630, 360}, {630, 432},
     {0, 504}, {90, 504}, {180, 504}, {270, 504}, {360, 504}, {450, 504}, {540, 504}, {630, 504}},
    {},  // 720x480: no layout
    // 768x768
    {{0, 0}, {672, 0}, {672, 96}, {672, 192}, {672, 288}, {672, 384}, {672, 480}, {672, 576},
     {0, 672}, {96, 672}, {192, 672}, {288, 672}, {384, 672}, {480, 672}, {576, 672}, {672, 672}},
    {{0, 0}, {896, 0}, {896, 96}, {896, 192}, {896, 288}, {896, 384}, {896, 480}, {896, 576},
     {0, 672}, {128, 672}, {256, 672}, {384, 672}, {512, 672}, {640, 672}, {768, 672},
     {896, 672}},  // 1024x768
    {{0, 0}, {896, 0}, {896, 100}, {896, 200}, {896, 300}, {896, 400}, {896, 500}, {896, 600},
     {0, 700}, {128, 700}, {256, 700}, {384, 700}, {512, 700}, {640, 700}, {768, 700},
     {896, 700}},  // 1024x800
    {{0, 0}, {1120, 0}, {1120, 100}, {1120, 200}, {1120, 300}, {1120, 400}, {1120, 500},
     {1120, 600}, {0, 700}, {160, 700}, {320, 700}, {480, 700}, {640, 700}, {800, 700},
     {960, 700}, {1120, 700}},  // 1280x800
    // 704x576
    {{0, 0}, {616, 0}, {616, 72}, {616, 144}, {616, 216}, {616, 288}, {616, 360}, {616, 432},
     {0, 504}, {88, 504}, {176, 504}, {264, 504}, {352, 504}, {440, 504}, {528, 504}, {616, 504}},
    // 704x480
    {{0, 0}, {616, 0}, {616, 60}, {616, 120}, {616, 180}, {616, 240}, {616, 300}, {616, 360},
     {0, 420}, {88, 420}, {176, 420}, {264, 420}, {352, 420}, {440, 420}, {528, 420}, {616, 420}},
};
// The square grids, {x0, dx, y0, dy}: window n of a k x k grid at (x0 + dx c, y0 + dy r) with
// c = (n - 1) % k, r = (n - 1) / k.
constexpr Grid kGrids[6][9] = {
    // Nine
    {{8, 112, 0, 96}, {0, 240, 0, 192}, {0, 240, 0, 160}, {0, 256, 0, 256}, {2, 340, 0, 256},
     {2, 340, 0, 266}, {0, 426, 0, 266}, {0, 234, 0, 192}, {0, 234, 0, 160}},
    // Sixteen
    {{0, 88, 0, 72}, {8, 176, 0, 144}, {8, 176, 0, 120}, {0, 192, 0, 192}, {0, 256, 0, 192},
     {0, 256, 0, 200}, {0, 320, 0, 200}, {0, 176, 0, 144}, {0, 176, 0, 120}},
    // TwentyFive
    {{}, {0, 144, 2, 114}, {}, {4, 152, 4, 152}, {2, 204, 4, 152},
     {2, 204, 0, 160}, {0, 256, 0, 160}, {2, 140, 2, 114}, {2, 140, 0, 96}},
    // ThirtySix
    {{}, {0, 120, 0, 96}, {}, {0, 128, 0, 128}, {2, 170, 0, 128},
     {2, 170, 4, 132}, {4, 212, 4, 132}, {4, 116, 0, 96}, {4, 116, 0, 80}},
    // FortyNine
    {{}, {2, 102, 0, 82}, {}, {6, 108, 6, 108}, {0, 146, 6, 108},
     {0, 146, 0, 114}, {2, 182, 0, 114}, {0, 100, 0, 82}, {0, 100, 0, 68}},
    // SixtyFour
    {{0, 44, 0, 36}, {0, 90, 0, 72}, {0, 90, 0, 60}, {0, 96, 0, 96}, {0, 128, 0, 96},
     {0, 128, 0, 100}, {0, 160, 0, 100}, {0, 88, 0, 72}, {0, 88, 0, 60}},
};
// clang-format on
// The 8x8 grid has no row for 352x288 that fits the picture (the 720x480 grid would lie outside
// it); ours is the grid of its 44x36 windows.

enum Style : int32_t {
  kNone = 0,
  kFull,
  kVTow,
  kITow,
  kThree,
  kFour,
  kSFour,
  kSix,
  kSeven,
  kEight,
  kNine,
  kTen,
  kTen_2_8,
  kTen_1_9,
  kTwelve,
  kThirteen,
  kFourteen,
  kSixteen,
  kSixteen_1_15,
  kTwentyFive,
  kThirtySix,
  kFortyNine,
  kSixtyFour
};

struct Size {
  int32_t w, h;
};
constexpr Size kSizes[9] = {{352, 288},  {720, 576},  {720, 480}, {768, 768}, {1024, 768},
                            {1024, 800}, {1280, 800}, {704, 576}, {704, 480}};

// The resolution index of an accepted background size, or -1.
int32_t resolution_index(uint32_t w, uint32_t h) {
  for (int32_t i = 0; i < 9; ++i) {
    if (static_cast<uint32_t>(kSizes[i].w) == w && static_cast<uint32_t>(kSizes[i].h) == h) {
      return i;
    }
  }
  return -1;
}

// The table of a style that has one (not the grids, not style 1).
std::span<const Corner> table_row(int32_t style, int32_t res) {
  switch (style) {
#define PF_ROW(s, table) \
  case s:                \
    return table[res];
    PF_ROW(kVTow, al32PositionVTow)
    PF_ROW(kITow, al32PositionITow)
    PF_ROW(kThree, al32PositionThree)
    PF_ROW(kFour, al32PositionFour)
    PF_ROW(kSFour, al32PositionSFour)
    PF_ROW(kSix, al32PositionSix)
    PF_ROW(kSeven, al32PositionSeven)
    PF_ROW(kEight, al32PositionEight)
    PF_ROW(kTen, al32PositionTen)
    PF_ROW(kTen_2_8, al32PositionTen_2_8)
    PF_ROW(kTen_1_9, al32PositionTen_1_9)
    PF_ROW(kTwelve, al32PositionTwelve)
    PF_ROW(kThirteen, al32PositionThirteen)
    PF_ROW(kFourteen, al32PositionFourteen)
    PF_ROW(kSixteen_1_15, al32PositionSixteen_1_15)
#undef PF_ROW
    default:
      return {};
  }
}

// The side of a square-grid style and its row of kGrids; 0 for the other styles. Styles outside
// 1..21 take the 8x8 grid.
int32_t grid_side(int32_t style, int32_t& which) {
  static constexpr struct {
    int32_t style, side;
  } kGridStyles[] = {{kNine, 3},      {kSixteen, 4},   {kTwentyFive, 5},
                     {kThirtySix, 6}, {kFortyNine, 7}, {kSixtyFour, 8}};
  if (style < kFull || style > kFortyNine) style = kSixtyFour;
  for (int32_t i = 0; i < 6; ++i) {
    if (kGridStyles[i].style == style) {
      which = i;
      return kGridStyles[i].side;
    }
  }
  return 0;
}

// Whether the style has a layout at resolution index `res`.
bool has_layout(int32_t style, int32_t res) {
  if (res < 0 || res > 8) return false;
  if (style == kFull) return true;
  int32_t which = 0;
  if (grid_side(style, which) != 0) {
    const Grid& g = kGrids[which][res];
    return g.dx != 0 && g.dy != 0;
  }
  for (const Corner& c : table_row(style, res)) {
    if (c.x != 0 || c.y != 0) return true;
  }
  return false;
}

// The corner of window n; false (and (0, 0)) where the style has no layout or no such window.
bool corner_of(int32_t style, int32_t n, int32_t res, int32_t& x, int32_t& y) {
  x = y = 0;
  if (!has_layout(style, res)) return false;
  if (style == kFull) return n == 1;
  int32_t which = 0;
  if (const int32_t k = grid_side(style, which); k != 0) {
    if (n < 1 || n > k * k) return false;
    const Grid& g = kGrids[which][res];
    x = g.x0 + g.dx * ((n - 1) % k);
    y = g.y0 + g.dy * ((n - 1) / k);
    return true;
  }
  const std::span<const Corner> row = table_row(style, res);
  if (n < 1 || n > static_cast<int32_t>(row.size())) return false;
  x = row[static_cast<size_t>(n - 1)].x;
  y = row[static_cast<size_t>(n - 1)].y;
  return true;
}

// The size the style gives window n (0 counts as a window other than window 1), before the
// corrections.
Size raw_window_size(int32_t style, int32_t n, int32_t w, int32_t h) {
  const int32_t tw = (w / 3) & ~1, th = (h / 3) & ~1;
  const bool first = n == 1;
  switch (style) {
    case kFull:
      return {w, h};
    case kVTow:
    case kThree:
    case kFour:
      return {w / 2, h / 2};
    case kITow:
      return first ? Size{w, h} : Size{tw, th};
    case kSFour:
      return first ? Size{w - tw, h - th} : Size{tw, th};
    case kSix: {
      Size s = first ? Size{2 * tw, 2 * th} : Size{tw, th};
      // The bottom row of 352x288 shares its 352 pixels as 120 + 120 + 112.
      if (w == 352 && (n == 4 || n == 5)) s.w = 120;
      return s;
    }
    case kSeven:
      return n >= 1 && n <= 3 ? Size{w / 2, h / 2} : Size{w / 4, h / 4};
    case kEight:
      return first ? Size{3 * w / 4, 3 * h / 4} : Size{w / 4, h / 4};
    case kNine:
      return {tw, th};
    case kTen:
      return n == 1 || n == 6 ? Size{w / 2, h / 2} : Size{w / 4, h / 4};
    case kTen_2_8:
      return n == 1 || n == 2 ? Size{w / 2, h / 2} : Size{w / 4, h / 4};
    case kTen_1_9:
      return first ? Size{4 * w / 5, 4 * (h / 5) - 4} : Size{w / 5, h / 5 - 1};
    case kTwelve:
      return first ? Size{5 * w / 6, 5 * h / 6} : Size{w / 6, h / 6};
    case kThirteen:
      return first ? Size{w / 2, h / 2} : Size{w / 4, h / 4};
    case kFourteen:
      return first ? Size{6 * (w / 7), 6 * (h / 7)} : Size{w / 7, h / 7};
    case kSixteen:
      return {w / 4, h / 4};
    case kSixteen_1_15:
      return first ? Size{7 * w / 8, 7 * h / 8} : Size{w / 8, h / 8};
    case kTwentyFive:
      return {w / 5, h / 5};
    case kThirtySix:
      return {w / 6, h / 6};
    case kFortyNine:
      return {w / 7, h / 7};
    default:
      return {w / 8, h / 8};
  }
}

// The size a window's picture must have: the style's size moved onto the sizes the layouts are
// drawn for (only the first matching rule of the chain, then the two height rules).
Size window_size(int32_t style, int32_t n, int32_t bg_w, int32_t bg_h) {
  Size s = raw_window_size(style, n, bg_w, bg_h);
  switch (s.w) {
    case 360:
      s.w = 352;
      break;
    case 180:
      s.w = 176;
      break;
    case 236:
    case 232:
      s.w = 240;
      break;
    case 116:
      s.w = 112;
      break;
    case 117:
      s.w = 116;
      break;
    case 586:
      s.w = 580;
      break;
    case 563:
      s.w = 560;
      break;
    case 540:
      s.w = 528;
      break;
    default:
      if (s.w == 96 && style != kSixtyFour) {
        s.w = 88;
      } else if (s.h == 115) {
        s.h = 114;
      } else if (s.h == 563) {
        s.h = 564;
      } else if (s.h == 95) {
        s.h = 96;
      }
      break;
  }
  if (s.h == 380) s.h = 384;
  if (s.h == 80 && style != kTwelve && style != kThirtySix) s.h = 72;
  return s;
}

// ---------------------------------------------------------------- the instance

struct WindowState {
  const uint8_t* pu8Y;
  const uint8_t* pu8U;
  const uint8_t* pu8V;
  tMergePictureKernel pfnCopy;  // by (background, picture) storage; null: nothing is copied
  uint32_t u32Width;
  uint32_t u32Height;
  uint32_t u32ImageType;
  uint32_t u32YuvType;
  uint8_t u8Focus;
  uint8_t u8FocusR, u8FocusG, u8FocusB;
  uint8_t u8FocusWidth;  // the boundary width: the line width of its focus frame
  uint8_t u8WindowNo;
  uint8_t u8Empty;
};

struct MergeInstance {
  void* hMem;
  void* hDma;
  void* hBanner;
  uint8_t* pu8Out[3];
  uint32_t u32BgWidth;
  uint32_t u32BgHeight;
  uint32_t u32ImageType;
  uint32_t u32YuvType;
  uint16_t u16Style;
  uint16_t u16ResIndex;
  uint8_t u8BoundaryWidth;
  uint8_t u8BgR, u8BgG, u8BgB;
  uint8_t u8BoundaryR, u8BoundaryG, u8BoundaryB;
  uint8_t u8FillEmpty;
  uint8_t u8DrawBoundary;
  uint8_t u8DrawFocus;
  WindowState atWindow[PF_MERGE_MAX_WINDOWS];
};

// ---------------------------------------------------------------- validation

uint32_t check_param(const tImgMergeParam& p) {
  if (p.u16MergeStyle >= PF_MERGE_STYLE_COUNT) return kCHECK_MERGE_STYLE;
  if (resolution_index(p.u32BgWidth, p.u32BgHeight) < 0) return kCHECK_BG_SIZE;
  if ((p.u8BoundaryWidth & 1) != 0 || p.u8BoundaryWidth > 24) return kCHECK_BOUNDARYWIDTH;
  const int32_t style = p.u16MergeStyle, count = al32FgNum[style];
  for (int32_t i = 0; i < count; ++i) {
    const tImgMergeWindow& win = p.atWindow[i];
    if (win.u8Empty == 1) continue;
    if (win.u8WindowNo > count || win.u32YuvType != PF_YUV_420) return kCHECK_PARAM_FG;
    const Size s = window_size(style, win.u8WindowNo, static_cast<int32_t>(p.u32BgWidth),
                               static_cast<int32_t>(p.u32BgHeight));
    if (win.u32Width != static_cast<uint32_t>(s.w) || win.u32Height != static_cast<uint32_t>(s.h)) {
      return kCHECK_FG_SIZE;
    }
  }
  return PF_STATUS_OK;
}

// A style without a layout at the size would stack every window at the top-left corner. Open
// and SetParam refuse it before anything of the instance changes. 1280x800, which has a layout
// in every style, is composed like the other sizes.
uint32_t check_layout(const tImgMergeParam& p) {
  const int32_t res = resolution_index(p.u32BgWidth, p.u32BgHeight);
  if (p.u16MergeStyle != kNone && !has_layout(p.u16MergeStyle, res)) return kBG_STYLE;
  return PF_STATUS_OK;
}

tMergePictureKernel copy_kernel(uint32_t background, uint32_t picture) {
  if (background == PF_IMAGE_FIELD) {
    if (picture == PF_IMAGE_FIELD) return load_kernel(MergePictureField420);
    if (picture == PF_IMAGE_FRAME) return load_kernel(MergePictureFrameField420);
  } else if (background == PF_IMAGE_FRAME) {
    if (picture == PF_IMAGE_FIELD) return load_kernel(MergePictureFieldFrame420);
    if (picture == PF_IMAGE_FRAME) return load_kernel(MergePictureFrame420);
  }
  return nullptr;
}

// The record's fields the instance keeps, each once: `copy(record field, instance field)`. Open
// and SetParam copy into the instance, GetStatus back into a record. The windows are those of the
// instance's style, which the copy into the instance has already set.
template <class Record, class Instance, class Copy>
void kept_fields(Record& p, Instance& inst, Copy copy) {
  copy(p.u32BgWidth, inst.u32BgWidth);
  copy(p.u32BgHeight, inst.u32BgHeight);
  copy(p.u32ImageType, inst.u32ImageType);
  copy(p.u32YuvType, inst.u32YuvType);
  copy(p.u16MergeStyle, inst.u16Style);
  copy(p.u8BoundaryWidth, inst.u8BoundaryWidth);
  copy(p.u8BgR, inst.u8BgR), copy(p.u8BgG, inst.u8BgG), copy(p.u8BgB, inst.u8BgB);
  copy(p.u8BoundaryR, inst.u8BoundaryR), copy(p.u8BoundaryG, inst.u8BoundaryG);
  copy(p.u8BoundaryB, inst.u8BoundaryB);
  copy(p.u8FillEmpty, inst.u8FillEmpty);
  copy(p.u8DrawBoundary, inst.u8DrawBoundary);
  copy(p.u8DrawFocus, inst.u8DrawFocus);
  for (int32_t i = 0; i < al32FgNum[inst.u16Style]; ++i) {
    auto& w = p.atWindow[i];
    auto& s = inst.atWindow[i];
    copy(w.u32Width, s.u32Width);
    copy(w.u32Height, s.u32Height);
    copy(w.u32ImageType, s.u32ImageType);
    copy(w.u32YuvType, s.u32YuvType);
    copy(w.u8Focus, s.u8Focus);
    copy(w.u8FocusR, s.u8FocusR), copy(w.u8FocusG, s.u8FocusG), copy(w.u8FocusB, s.u8FocusB);
    copy(w.u8WindowNo, s.u8WindowNo);
    copy(w.u8Empty, s.u8Empty);
  }
}

void store(MergeInstance& inst, const tImgMergeParam& p) {
  kept_fields(p, inst, [](const auto& from, auto& to) { to = from; });
  inst.u16ResIndex = static_cast<uint16_t>(resolution_index(p.u32BgWidth, p.u32BgHeight));
  for (int32_t i = 0; i < al32FgNum[p.u16MergeStyle]; ++i) {
    WindowState& s = inst.atWindow[i];
    s.u8FocusWidth = p.u8BoundaryWidth;
    s.pfnCopy = copy_kernel(p.u32ImageType, p.atWindow[i].u32ImageType);
  }
}

// The banner's record for a rectangle in picture pixels: the reference is the picture itself,
// so the banner places it as given, clipped at the right and bottom and rounded down to even.
tBannerParam banner_record(const MergeInstance& inst, int32_t w, int32_t h, int32_t top,
                           int32_t left, uint8_t r, uint8_t g, uint8_t b) {
  const auto bw = static_cast<int32_t>(inst.u32BgWidth);
  const auto bh = static_cast<int32_t>(inst.u32BgHeight);
  return tBannerParam{
      w, h, top, left, bw, bh, r, g, b, 255, bw, bh, inst.u32ImageType, 0u, inst.u32YuvType};
}

// ---------------------------------------------------------------- drawing

struct Rgb {
  uint8_t r, g, b;
};
constexpr Rgb kBlack{0, 0, 0};

// Fills rectangles into the output picture through the banner instance. A rectangle the banner
// refuses (empty, or starting outside the picture) is skipped: lines of windows that fall
// outside the picture simply disappear.
class Painter {
 public:
  explicit Painter(const MergeInstance& inst) : inst_(inst) {}
  void fill(int32_t w, int32_t h, int32_t left, int32_t top, Rgb c) const {
    const tBannerParam p = banner_record(inst_, w, h, top, left, c.r, c.g, c.b);
    if (ImgBannerSetParam_c(inst_.hBanner, &p) != PF_STATUS_OK) return;
    int context = 0;
    if (inst_.u32YuvType == PF_YUV_420) {
      // The output's own planes: a caller whose chroma planes do not follow the luma plane gets
      // them filled where they are, not past the end of its luma plane.
      const tImgPicture pic{inst_.pu8Out[0],
                            inst_.pu8Out[1],
                            inst_.pu8Out[2],
                            inst_.u32BgWidth,
                            inst_.u32BgWidth / 2,
                            0,
                            0};
      ImgBannerProcessPrivate_c(inst_.hBanner, &pic, &context);
    } else {
      uint8_t* buffers[1] = {inst_.pu8Out[0]};
      ImgBannerProcess_c(inst_.hBanner, buffers, &context);
    }
  }

 private:
  const MergeInstance& inst_;
};

// What the boundary routines share: the geometry at the instance's size, the line width and
// colour, and the painter.
struct Lines {
  const Painter& paint;
  int32_t style, res, W, H, t;
  Rgb colour;

  int32_t x(int32_t n) const {
    int32_t px = 0, py = 0;
    corner_of(style, n, res, px, py);
    return px;
  }
  int32_t y(int32_t n) const {
    int32_t px = 0, py = 0;
    corner_of(style, n, res, px, py);
    return py;
  }
  void line(int32_t w, int32_t h, int32_t left, int32_t top) const {
    paint.fill(w, h, left, top, colour);
  }
  void black(int32_t w, int32_t h, int32_t left, int32_t top) const {
    paint.fill(w, h, left, top, kBlack);
  }
};

// The rows of a k x k grid (a line along the top of each row of windows), then the bottom line.
void grid_rows(const Lines& l, int32_t k, int32_t bottom_top) {
  for (int32_t r = 0; r < k; ++r) l.line(l.W, l.t, l.x(1), l.y(1 + k * r));
  l.line(l.W, l.t, l.x(1), bottom_top);
}

void DrawBoundaryFull(const Lines& l) {
  l.line(l.W, l.t, 0, 0);
  l.line(l.t, l.H, l.W - l.t, 0);
  l.line(l.W, l.t, 0, l.H - l.t);
  l.line(l.t, l.H, 0, 0);
}

void DrawBoundaryVTow(const Lines& l) {
  const int32_t off = l.W == 720 ? 16 : 0;
  l.line(l.W - off, l.t, l.x(1), l.y(1));
  l.line(l.W - off, l.t, l.x(1), 3 * l.H / 4 - l.t);
  l.line(l.t, l.H / 2, l.W - off / 2 - l.t, l.H / 4);
  l.line(l.t, l.H / 2, l.x(1), l.H / 4);
  l.line(l.t, l.H / 2, l.x(2), l.H / 4);
}

void DrawBoundaryITow(const Lines& l) {
  l.line(l.W, l.t, 0, 0);
  l.line(l.t, l.H, l.W - l.t, 0);
  l.line(l.W, l.t, 0, l.H - l.t);
  l.line(l.t, l.H, 0, 0);
  const int32_t w2 = l.W / 3 == 117 ? 112 : l.W / 3;
  l.line(w2, l.t, l.x(2), l.y(2));
  l.line(l.t, l.H / 3, l.x(2), l.y(2));
}

void DrawBoundaryFour(const Lines& l) {
  const int32_t off = l.W == 720 ? 16 : 0;
  l.line(l.W - off, l.t, l.x(1), l.y(1));
  l.line(l.W - off, l.t, l.x(1), l.H - l.t);
  l.line(l.t, l.H, l.W - off / 2 - l.t, 0);
  l.line(l.t, l.H, l.x(1), 0);
  l.line(l.W - off, l.t, l.x(1), l.H / 2);
  l.line(l.t, l.H, l.x(2), 0);
  if (l.W == 720) {
    l.black(8, l.H, 0, 0);
    l.black(8, l.H, l.W - 8, 0);
  }
}

void DrawBoundaryNine(const Lines& l) {
  const int32_t U = l.W == 352 ? l.W - 16 : l.W;
  l.line(U, l.t, l.x(1), 0);
  l.line(l.t, l.H, l.x(1), 0);
  l.line(U, l.t, l.x(4), l.y(4));
  l.line(U, l.t, l.x(7), l.y(7));
  l.line(l.t, l.H, l.x(2), l.y(2));
  l.line(l.t, l.H, l.x(3), l.y(3));
  const int32_t right = l.W == 352 ? l.W - 8 - l.t : l.W - l.t;
  l.line(l.t, l.H, right, 0);
  if (U % 3 != 0) l.line(l.t, l.H, right - 2, 0);
  l.line(U, l.t, l.x(1), l.H - l.t);
  if (l.H % 3 != 0) l.line(U, l.t, l.x(1), l.H - l.t - 2);
  if (l.W == 352) {
    l.black(8, l.H, 0, 0);
    l.black(8, l.H, l.W - 8, 0);
  } else if (l.W == 704) {
    l.black(2, l.H, 702, 0);
  }
}

void DrawBoundarySixteen(const Lines& l) {
  const bool narrow = l.W == 352 || l.W == 704;
  const int32_t U = narrow ? l.W : l.W - 16, e = narrow ? 0 : 8;
  l.line(U, l.t, l.x(1), l.y(1));
  l.line(U, l.t, l.x(1), l.H - l.t);
  l.line(l.t, l.H, l.W - l.t - e, 0);
  l.line(l.t, l.H, al32PositionFour[l.res][0].x, 0);
  const int32_t across = l.x(1) != 0 ? l.W - 16 : l.W;
  l.line(across, l.t, l.x(1), l.H / 4);
  l.line(across, l.t, l.x(1), l.H / 2);
  l.line(across, l.t, l.x(1), 3 * (l.H / 4));
  l.line(l.t, l.H, l.x(3), 0);
  l.line(l.t, l.H, l.x(2), 0);
  l.line(l.t, l.H, l.x(4), 0);
  if (l.W == 720) {
    l.black(8, l.H, 0, 0);
    l.black(8, l.H, l.W - 8, 0);
  }
}

void DrawBoundaryTwentyFive(const Lines& l) {
  // The vertical lines start at the picture's top: the black strip drawn last covers what lies
  // above the first row of windows.
  const int32_t y0 = 0;
  for (int32_t r = 0; r < 5; ++r) l.line(l.W - l.x(1), l.t, l.x(1), l.y(1 + 5 * r));
  l.line(l.W - l.x(1), l.t, l.x(1), l.H == 480 ? l.H - l.t : l.H - l.t - 4);
  for (int32_t c = 0; c < 5; ++c) l.line(l.t, l.H, l.x(1 + c), y0);
  l.line(l.t, l.H, l.W - l.t, y0);
  if (l.W == 704) l.line(l.t, l.H, l.W - l.t - 2, y0);
  if (l.H != 480) {
    l.black(l.W, 2, 0, 0);
    l.black(l.W, 4, 0, l.H - 4);
  }
  if (l.W == 704) {
    l.black(2, l.H, 0, 0);
    l.black(2, l.H, l.W - 2, 0);
  }
}

void DrawBoundaryThirtySix(const Lines& l) {
  grid_rows(l, 6, l.H - l.t);
  for (int32_t c = 0; c < 6; ++c) l.line(l.t, l.H, l.x(1 + c), 0);
  l.line(l.t, l.H, l.W - l.t, 0);
  if (l.W == 704) {
    l.line(l.t, l.H, l.W - l.t - 4, 0);
    l.black(4, l.H, 0, 0);
    l.black(4, l.H, l.W - 4, 0);
  }
}

void DrawBoundaryFortyNine(const Lines& l) {
  grid_rows(l, 7, l.H == 480 ? l.H - l.t - 4 : l.H - l.t - 2);
  for (int32_t c = 0; c < 7; ++c) l.line(l.t, l.H, l.x(1 + c), 0);
  l.line(l.t, l.H, l.W - l.t - 4, 0);
  if (l.W != 704) l.black(2, l.H, 0, 0);
  l.black(4, l.H, l.W - 4, 0);
  if (l.H == 480) {
    l.black(l.W, 4, 0, l.H - 4);
  } else {
    l.black(l.W, 2, 0, l.H - 2);
  }
}

void DrawBoundarySixtyFour(const Lines& l) {
  grid_rows(l, 8, l.H - l.t);
  for (int32_t c = 0; c < 8; ++c) l.line(l.t, l.H, l.x(1 + c), 0);
  l.line(l.t, l.H, l.W - l.t, 0);
}

// The styles whose lines follow from their windows alone (Three, SFour, Six, Seven, Eight, Ten,
// Ten_2_8, Ten_1_9, Twelve, Thirteen, Fourteen, Sixteen_1_15): a line along the top and the left
// edge of every window; a right line t inside the right edge of the used area and a bottom line
// t above its bottom, each doubled 2 pixels further in where the truncated window sizes leave a
// 2-pixel gap before the picture's edge; then, in black, the margins no window covers (the
// 8-pixel sides of the 720-wide layouts, the top rows of layouts that start lower, the 2-pixel
// column at x = 702 of the 704-wide ones).
void DrawBoundaryFromWindows(const Lines& l) {
  const int32_t count = al32FgNum[l.style];
  int32_t xmin = l.W, ymin = l.H, right = 0, bottom = 0;
  for (int32_t n = 1; n <= count; ++n) {
    const Size s = window_size(l.style, n, l.W, l.H);
    const int32_t x = l.x(n), y = l.y(n);
    l.line(s.w, l.t, x, y);
    l.line(l.t, s.h, x, y);
    xmin = std::min(xmin, x);
    ymin = std::min(ymin, y);
    right = std::max(right, x + s.w);
    bottom = std::max(bottom, y + s.h);
  }
  right = std::min(right, l.W);
  bottom = std::min(bottom, l.H);
  const int32_t edge = l.W - right <= 2 ? l.W : right;
  const int32_t floor = l.H - bottom <= 2 ? l.H : bottom;
  l.line(l.t, l.H, edge - l.t, 0);
  if (edge - right == 2) l.line(l.t, l.H, edge - l.t - 2, 0);
  l.line(edge - xmin, l.t, xmin, floor - l.t);
  if (floor - bottom == 2) l.line(edge - xmin, l.t, xmin, floor - l.t - 2);
  if (xmin > 0) l.black(xmin, l.H, 0, 0);
  if (edge < l.W) l.black(l.W - edge, l.H, edge, 0);
  if (ymin > 0) l.black(l.W, ymin, 0, 0);
  if (floor < l.H) l.black(l.W, l.H - floor, 0, floor);
  if (l.W == 704 && right == 702) l.black(2, l.H, 702, 0);
}

void ImageDrawBoundary(const MergeInstance& inst, const Painter& paint) {
  if (inst.u8DrawBoundary != 1) return;
  // Style 0 has no windows, but its boundary is the 8x8 grid.
  const int32_t style = inst.u16Style == kNone ? int32_t{kSixtyFour} : int32_t{inst.u16Style};
  const int32_t res = inst.u16ResIndex;
  int32_t t = inst.u8BoundaryWidth;
  if (t == 0) t = style == kThirteen || res != 0 ? 4 : 2;
  const Lines l{paint,
                style,
                res,
                static_cast<int32_t>(inst.u32BgWidth),
                static_cast<int32_t>(inst.u32BgHeight),
                t,
                {inst.u8BoundaryR, inst.u8BoundaryG, inst.u8BoundaryB}};
  switch (style) {
    case kFull:
      return DrawBoundaryFull(l);
    case kVTow:
      return DrawBoundaryVTow(l);
    case kITow:
      return DrawBoundaryITow(l);
    case kFour:
      return DrawBoundaryFour(l);
    case kNine:
      return DrawBoundaryNine(l);
    case kSixteen:
      return DrawBoundarySixteen(l);
    case kTwentyFive:
      return DrawBoundaryTwentyFive(l);
    case kThirtySix:
      return DrawBoundaryThirtySix(l);
    case kFortyNine:
      return DrawBoundaryFortyNine(l);
    case kSixtyFour:
      return DrawBoundarySixtyFour(l);
    default:
      return DrawBoundaryFromWindows(l);
  }
}

// Windows whose focus frame is inset on the right (r) and at the bottom (b): those touching the
// picture's right or bottom edge, where the outer boundary line lies inside the window. Bit n is
// window n; the square grids follow from their side.
struct Insets {
  uint32_t right, bottom;
};
constexpr uint32_t bits(std::initializer_list<int> windows) {
  uint32_t m = 0;
  for (int n : windows) m |= 1u << n;
  return m;
}
constexpr uint32_t span_bits(int first, int last) {
  uint32_t m = 0;
  for (int n = first; n <= last; ++n) m |= 1u << n;
  return m;
}
Insets focus_insets(int32_t style) {
  switch (style) {
    case kFull:
      return {bits({1}), bits({1})};
    case kVTow:
      return {bits({2}), bits({1, 2})};
    case kITow:
      return {bits({1, 2}), bits({1, 2})};
    case kThree:
      return {bits({1, 3}), bits({2, 3})};
    case kFour:
      return {bits({2, 4}), bits({3, 4})};
    case kSFour:
      return {bits({2, 3, 4}), bits({1, 4})};
    case kSix:
      return {bits({1, 2, 3, 5, 6}), bits({4, 5, 6})};
    case kSeven:
      return {bits({2, 5, 7}), bits({3, 6, 7})};
    case kEight:
      return {bits({2, 3, 4, 8}), bits({5, 6, 7, 8})};
    case kTen:
      return {bits({3, 5, 8, 10}), bits({6, 9, 10})};
    case kTen_2_8:
      return {bits({2, 6, 10}), bits({7, 8, 9, 10})};
    case kTen_1_9:
      return {bits({2, 3, 4, 5, 10}), span_bits(6, 10)};
    case kTwelve:
      return {span_bits(2, 6) | bits({12}), span_bits(7, 12)};
    case kThirteen:
      return {bits({3, 5, 9, 13}), span_bits(10, 13)};
    case kFourteen:
      return {span_bits(2, 7) | bits({14}), span_bits(8, 14)};
    case kSixteen_1_15:
      return {span_bits(2, 8) | bits({16}), span_bits(9, 16)};
    default:
      return {0, 0};
  }
}

// The focus frame of the window in slot n - 1 with its corner at (x, y): four edges inside the
// window, clear of its own boundary lines at the top and the left, and of the outer boundary on
// the sides where that runs through the window.
void DrawFocus(const WindowState& win, int32_t style, int32_t n, int32_t x, int32_t y, int32_t wide,
               const Painter& paint) {
  static constexpr int32_t al32SideWidth[2] = {2, 4};
  int32_t t = win.u8FocusWidth;
  if (t == 0) t = style == kFull ? (win.u32Width == 720 ? 4 : 2) : al32SideWidth[wide];
  bool r = false, b = false;
  int32_t which = 0;
  if (const int32_t k = grid_side(style, which); k != 0 && style != kFull) {
    r = n % k == 0;
    b = n > k * (k - 1);
  } else {
    const Insets in = focus_insets(style);
    r = n < 32 && ((in.right >> n) & 1u) != 0;
    b = n < 32 && ((in.bottom >> n) & 1u) != 0;
  }
  const bool left_inset = !(style == kSix && (n == 2 || n == 3 || n == 6));
  const int32_t li = left_inset ? t : 0, ri = r ? t : 0, bi = b ? t : 0;
  const auto w = static_cast<int32_t>(win.u32Width), h = static_cast<int32_t>(win.u32Height);
  const Rgb c{win.u8FocusR, win.u8FocusG, win.u8FocusB};
  paint.fill(w - li - ri, t, x + li, y + t, c);
  paint.fill(w - li - ri, t, x + li, y + h - bi - t, c);
  paint.fill(t, h - t - bi, x + li, y + t, c);
  paint.fill(t, h - t - bi, x + w - ri - t, y + t, c);
}

// The parts of the picture that the layouts of VTow, Three and SFour leave uncovered.
void fill_bands(const MergeInstance& inst, const Painter& paint) {
  const auto W = static_cast<int32_t>(inst.u32BgWidth);
  const auto H = static_cast<int32_t>(inst.u32BgHeight);
  const Rgb bg{inst.u8BgR, inst.u8BgG, inst.u8BgB};
  switch (inst.u16Style) {
    case kVTow:
      paint.fill(W, H / 4, 0, 0, bg);
      paint.fill(W, H / 4, 0, 3 * H / 4, bg);
      paint.fill(8, H / 2, 0, H / 4, bg);
      paint.fill(8, H / 2, W - 8, H / 4, bg);
      break;
    case kThree:
      paint.fill(W / 4 + 4, H / 2, 0, 0, bg);
      paint.fill(W / 2, H / 2, W / 2, 0, bg);
      paint.fill(8, H / 2, 0, H / 2, bg);
      paint.fill(8, H / 2, W - 8, H / 2, bg);
      break;
    case kSFour: {
      const int32_t x2 = al32PositionSFour[inst.u16ResIndex][1].x;
      paint.fill(x2, H / 4, 0, 0, bg);
      paint.fill(x2, H / 4, 0, 3 * H / 4, bg);
      break;
    }
    default:
      break;
  }
}

// ---------------------------------------------------------------- the frame

// The banner is opened on a 2-pixel column in the background colour: any valid rectangle does,
// every fill brings its own.
tBannerParam open_banner_record(const MergeInstance& inst) {
  return banner_record(inst, 2, static_cast<int32_t>(inst.u32BgHeight), 0, 0, inst.u8BgR,
                       inst.u8BgG, inst.u8BgB);
}

struct Merge {
  using Param = tImgMergeParam;
  using Instance = MergeInstance;
  // No fast scratch: whole-line copies need no working memory.
  static constexpr FrameCodes kCodes = frame_codes(kErrorNames, {.dma = true});
  static constexpr ErrorTable kErrors =
      error_table(kErrorNames, {.delegate = ImgBannerAnalyzeErrorCode_c});
  static constexpr VersionSpec kVersion =
      version_spec(kErrorNames, "Merge Version: pelforge_v300.merge.004, Compile time: %s %s.\n");
  static constexpr const char* kSource = "../source/common/img_merge.c";
  // The parameters come first: the banner instance is opened on the background they describe.
  static constexpr bool kSelectFirst = true;

  // No global_init: no variants of its own, nothing to dispatch.
  static uint32_t validate(const Param& p) { return check_param(p); }
  // SetParam too refuses a layout before anything is stored: a half-changed instance would
  // compose the next picture for a background the caller has not got.
  static uint32_t select(Instance& inst, const Param& p) {
    if (const uint32_t error = check_layout(p)) return error;
    store(inst, p);
    return PF_STATUS_OK;
  }
  // The banner's own codes come back unchanged when it cannot be opened.
  static uint32_t acquire(Instance& inst) {
    const tBannerParam p = open_banner_record(inst);
    return ImgBannerOpen_c(&inst.hBanner, &p, inst.hMem);
  }
  // The banner's Close status is not the merge's to report.
  static void release(Instance& inst) {
    if (inst.hBanner != nullptr) ImgBannerClose_c(inst.hBanner);
    inst.hBanner = nullptr;
  }
  static void status(const Instance& inst, Param& p) {
    kept_fields(p, inst, [](auto& to, const auto& from) { to = from; });
  }
};

}  // namespace
}  // namespace pf

PF_ENTRY_POINTS(ImgMerge, pf::Merge)

extern "C" {

int32_t GetFgPosition(int32_t s32Style, int32_t s32WindowNo, int32_t s32ResIndex, int32_t* ps32X,
                      int32_t* ps32Y) {
  int32_t x = 0, y = 0;
  const bool found = pf::corner_of(s32Style, s32WindowNo, s32ResIndex, x, y);
  if (ps32X != nullptr) *ps32X = x;
  if (ps32Y != nullptr) *ps32Y = y;
  return found ? 1 : 0;
}

int32_t ImgMergeGetWindowRect(int32_t s32Style, int32_t s32WindowNo, int32_t s32BgWidth,
                              int32_t s32BgHeight, int32_t* ps32X, int32_t* ps32Y,
                              int32_t* ps32Width, int32_t* ps32Height) {
  const int32_t res = s32BgWidth < 0 || s32BgHeight < 0
                          ? -1
                          : pf::resolution_index(static_cast<uint32_t>(s32BgWidth),
                                                 static_cast<uint32_t>(s32BgHeight));
  int32_t x = 0, y = 0;
  const bool found = s32Style >= 1 && s32Style < PF_MERGE_STYLE_COUNT &&
                     s32WindowNo <= al32FgNum[s32Style] &&
                     pf::corner_of(s32Style, s32WindowNo, res, x, y);
  const pf::Size s =
      found ? pf::window_size(s32Style, s32WindowNo, s32BgWidth, s32BgHeight) : pf::Size{0, 0};
  if (ps32X != nullptr) *ps32X = x;
  if (ps32Y != nullptr) *ps32Y = y;
  if (ps32Width != nullptr) *ps32Width = s.w;
  if (ps32Height != nullptr) *ps32Height = s.h;
  return found ? 1 : 0;
}

uint32_t ImgMergeProcess_c(void* hHandle, void* pPictures, void* pContext) {
  if (pf::any_null(hHandle, pPictures, pContext)) return pf::kPROCESS_INPUT_POINTER;
  auto& inst = *static_cast<pf::MergeInstance*>(hHandle);
  uint8_t* const* pictures = static_cast<uint8_t* const*>(pPictures);
  if (pictures[PF_MERGE_OUTPUT_Y] == nullptr) return pf::kPROCESS_OUTPUT_POINTER_YUV;
  const int32_t style = inst.u16Style, count = al32FgNum[style];
  for (int32_t i = 0; i < count; ++i) {
    if (pictures[i] == nullptr && inst.atWindow[i].u8Empty != 1) {
      return pf::kPROCESS_INPUT_POINTER_YUV;
    }
  }
  const auto W = static_cast<int32_t>(inst.u32BgWidth);
  const auto H = static_cast<int32_t>(inst.u32BgHeight);
  // Chroma planes not given follow the luma plane in one buffer; either one missing suffices,
  // since half a pair cannot be used.
  inst.pu8Out[0] = pictures[PF_MERGE_OUTPUT_Y];
  inst.pu8Out[1] = pictures[PF_MERGE_OUTPUT_Y + 1];
  inst.pu8Out[2] = pictures[PF_MERGE_OUTPUT_Y + 2];
  if (inst.pu8Out[1] == nullptr || inst.pu8Out[2] == nullptr) {
    const size_t luma = size_t{inst.u32BgWidth} * inst.u32BgHeight;
    inst.pu8Out[1] = inst.pu8Out[0] + luma;
    inst.pu8Out[2] = inst.pu8Out[1] + luma / 4;
  }
  // The same for the windows' pictures: given chroma planes are used where they are, so that a
  // caller with separate planes is not read past the end of its luma plane.
  for (int32_t i = 0; i < count; ++i) {
    pf::WindowState& s = inst.atWindow[i];
    if (s.u8Empty == 1) continue;
    s.pu8Y = pictures[i];
    s.pu8U = pictures[PF_MERGE_MAX_WINDOWS + i];
    s.pu8V = pictures[2 * PF_MERGE_MAX_WINDOWS + i];
    if (s.pu8U == nullptr || s.pu8V == nullptr) {
      const size_t luma = size_t{s.u32Width} * s.u32Height;
      s.pu8U = s.pu8Y + luma;
      s.pu8V = s.pu8Y + 5 * luma / 4;
    }
  }

  const pf::Painter paint(inst);
  pf::fill_bands(inst, paint);
  const int32_t res = inst.u16ResIndex;
  const int32_t wide = W != 352 ? 1 : 0;
  for (int32_t i = 0; i < count; ++i) {
    const pf::WindowState& s = inst.atWindow[i];
    if (s.u8Empty != 1) {
      // A window record without a number stands for its own slot.
      const int32_t n = s.u8WindowNo != 0 ? s.u8WindowNo : i + 1;
      int32_t x = 0, y = 0;
      pf::corner_of(style, n, res, x, y);
      if (s.pfnCopy != nullptr) {
        const uint8_t* const src[3] = {s.pu8Y, s.pu8U, s.pu8V};
        s.pfnCopy(inst.pu8Out, W, H, src, static_cast<int32_t>(s.u32Width),
                  static_cast<int32_t>(s.u32Height), static_cast<int32_t>(s.u32Width), y, x);
      }
      // The focus frame goes by the slot: slot i draws the frame of window i + 1's kind.
      if (inst.u8DrawFocus == 1 && s.u8Focus == 1) {
        pf::DrawFocus(s, style, i + 1, x, y, wide, paint);
      }
    } else if (inst.u8FillEmpty == 1) {
      const pf::Size size = pf::window_size(style, i + 1, W, H);
      int32_t x = 0, y = 0;
      pf::corner_of(style, i + 1, res, x, y);
      paint.fill(size.w, size.h, x, y, {inst.u8BgR, inst.u8BgG, inst.u8BgB});
    }
  }
  pf::ImageDrawBoundary(inst, paint);
  return PF_STATUS_OK;
}

uint32_t ImgMergeDebug_c(void*, void*) { return PF_STATUS_OK; }

uint32_t ImgMergeGetMemSize_c(const void* pParam, uint32_t* pu32Size) {
  if (pf::any_null(pParam, pu32Size)) return pf::kGETMEMSIZE_PARAM_POINTER;
  const auto& p = *static_cast<const tImgMergeParam*>(pParam);
  if (const uint32_t error = pf::check_param(p)) return error;
  pf::MergeInstance shape{};
  pf::store(shape, p);
  const tBannerParam banner = pf::open_banner_record(shape);
  uint32_t size = 0;
  if (const uint32_t error = ImgBannerGetMemSize_c(&banner, &size)) return error;
  *pu32Size = size + 3704;
  return PF_STATUS_OK;
}

}  // extern "C"

PF_FUNCTION_TABLE(tImageMergeFunc, ImgMerge)
