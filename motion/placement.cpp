#include "motion/placement.h"

#include "motion/pet_window.h"

#include <algorithm>

namespace {

constexpr int kVisibleMargin = 24;

}  // namespace

bool IsPetSize(int size) { return std::find(kPetSizes.begin(), kPetSizes.end(), size) != kPetSizes.end(); }

POINT DefaultCorner(const RECT& workArea, int petSize) {
    return POINT{workArea.right - petSize - kCornerInset, workArea.bottom - petSize - kCornerInset};
}

POINT ChooseStartPosition(const RECT& workArea, int petSize, std::optional<int> savedX, std::optional<int> savedY) {
    if (savedX && savedY) {
        const int x = *savedX;
        const int y = *savedY;
        if (x < workArea.right - kVisibleMargin && y < workArea.bottom - kVisibleMargin &&
            x + petSize > workArea.left + kVisibleMargin && y + petSize > workArea.top + kVisibleMargin) {
            return POINT{x, y};
        }
    }
    return DefaultCorner(workArea, petSize);
}

RECT StartWorkArea(int petSize) {
    const POINT probe{GetSystemMetrics(SM_CXSCREEN) - petSize - 24, GetSystemMetrics(SM_CYSCREEN) - petSize - 72};
    return MonitorWorkArea(MonitorFromPoint(probe, MONITOR_DEFAULTTONEAREST));
}

POINT ClampTopLeft(POINT topLeft, int size, const RECT& area) {
    // The upper bound first, so that the lower one wins on an area smaller than the window.
    const LONG x = std::max(area.left, std::min(topLeft.x, area.right - size));
    const LONG y = std::max(area.top, std::min(topLeft.y, area.bottom - size));
    return POINT{x, y};
}
