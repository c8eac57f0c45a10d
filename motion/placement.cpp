#include "motion/placement.h"

#include <algorithm>

namespace {

constexpr int kVisibleMargin = 24;

}  // namespace

bool IsPetSize(int size) { return std::find(kPetSizes.begin(), kPetSizes.end(), size) != kPetSizes.end(); }

ScreenPoint DefaultCorner(const ScreenRect& workArea, int windowSize, DisplayScale scale) {
    const int inset = scale.Pixels(kCornerInset);
    return ScreenPoint{workArea.right - windowSize - inset, workArea.bottom - windowSize - inset};
}

ScreenPoint ChooseStartPosition(const ScreenRect& workArea, int windowSize, std::optional<int> savedX,
                                std::optional<int> savedY, DisplayScale scale) {
    if (savedX && savedY) {
        const int x = *savedX;
        const int y = *savedY;
        const int margin = scale.Pixels(kVisibleMargin);
        if (x < workArea.right - margin && y < workArea.bottom - margin && x + windowSize > workArea.left + margin &&
            y + windowSize > workArea.top + margin) {
            return ScreenPoint{x, y};
        }
    }
    return DefaultCorner(workArea, windowSize, scale);
}

ScreenPoint ClampTopLeft(ScreenPoint topLeft, int size, const ScreenRect& area) {
    // The upper bound first, so that the lower one wins on an area smaller than the window.
    const int32_t x = std::max(area.left, std::min(topLeft.x, area.right - size));
    const int32_t y = std::max(area.top, std::min(topLeft.y, area.bottom - size));
    return ScreenPoint{x, y};
}
