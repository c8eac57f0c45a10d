#include "app/start_position.h"

#include "render/movement.h"

POINT DefaultCorner(const RECT& workArea, int petSize) {
    return POINT{workArea.right - petSize - 18, workArea.bottom - petSize - 18};
}

POINT ChooseStartPosition(const RECT& workArea, int petSize, std::optional<int> savedX,
                          std::optional<int> savedY) {
    if (savedX && savedY) {
        const int x = *savedX;
        const int y = *savedY;
        if (x < workArea.right - 24 && y < workArea.bottom - 24 && x + petSize > workArea.left + 24 &&
            y + petSize > workArea.top + 24) {
            return POINT{x, y};
        }
    }
    return DefaultCorner(workArea, petSize);
}

RECT StartWorkArea(int petSize) {
    const POINT probe{GetSystemMetrics(SM_CXSCREEN) - petSize - 24, GetSystemMetrics(SM_CYSCREEN) - petSize - 72};
    return MonitorWorkArea(MonitorFromPoint(probe, MONITOR_DEFAULTTONEAREST));
}
