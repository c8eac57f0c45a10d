#include "motion/placement.h"

#include <algorithm>

namespace {

constexpr int kVisibleMargin = 24;

}  // namespace

bool IsPetSize(int size) { return std::find(kPetSizes.begin(), kPetSizes.end(), size) != kPetSizes.end(); }

ScreenPoint DefaultCorner(const ScreenRect& workArea, int petSize) {
    return ScreenPoint{workArea.right - petSize - kCornerInset, workArea.bottom - petSize - kCornerInset};
}

ScreenPoint ChooseStartPosition(const ScreenRect& workArea, int petSize, std::optional<int> savedX,
                                std::optional<int> savedY) {
    if (savedX && savedY) {
        const int x = *savedX;
        const int y = *savedY;
        if (x < workArea.right - kVisibleMargin && y < workArea.bottom - kVisibleMargin &&
            x + petSize > workArea.left + kVisibleMargin && y + petSize > workArea.top + kVisibleMargin) {
            return ScreenPoint{x, y};
        }
    }
    return DefaultCorner(workArea, petSize);
}

ScreenPoint ClampTopLeft(ScreenPoint topLeft, int size, const ScreenRect& area) {
    // The upper bound first, so that the lower one wins on an area smaller than the window.
    const int32_t x = std::max(area.left, std::min(topLeft.x, area.right - size));
    const int32_t y = std::max(area.top, std::min(topLeft.y, area.bottom - size));
    return ScreenPoint{x, y};
}
