#pragma once

#include <array>

// RCDATA ids of the built-in pictures; 118..121 do not exist.
enum PictureId : int {
    PIC_APPEARANCE0_BASE = 102,
    PIC_SPEECHLESS = 103,
    PIC_BEGGING = 104,
    PIC_FLYING = 105,
    PIC_CHEERS_CUT_IN = 106,
    PIC_APPEARANCE1_CUT_IN = 107,
    PIC_APPEARANCE2_CUT_IN = 108,
    PIC_APPEARANCE3_CUT_IN = 109,
    PIC_DRAGON_WON_CUT_IN = 110,
    PIC_DRAGON_LOST_CUT_IN = 111,
    PIC_CHEERS = 112,
    PIC_APPEARANCE1_BASE = 113,
    PIC_APPEARANCE2_BASE = 114,
    PIC_APPEARANCE3_BASE = 115,
    PIC_DRAGON_WON = 116,
    PIC_DRAGON_LOST = 117,
    PIC_OFF_WORK_CUT_IN = 122,
    PIC_GREET = 123,
    PIC_WEALTH = 124,
    PIC_EAT = 125,
    PIC_SLACKING_CUT_IN = 126,
    PIC_LATE_NIGHT_CUT_IN = 127,
    PIC_DRINK = 128,
    PIC_EVIL = 129,
    PIC_HEART = 130,
};

// The order in which start-up decodes them.
inline constexpr std::array<int, 25> kAllPictureIds = {
    102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114,
    115, 116, 117, 122, 123, 124, 125, 126, 127, 128, 129, 130,
};
