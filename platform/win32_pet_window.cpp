#include "motion/pet_window.h"

namespace {

constexpr UINT kPlacementFlags = SWP_NOACTIVATE | SWP_SHOWWINDOW;

}  // namespace

RECT MonitorWorkArea(HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(monitor, &info)) return info.rcWork;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

std::optional<RECT> Win32PetWindow::Rect() const {
    RECT rect{};
    if (!hwnd_ || !GetWindowRect(hwnd_, &rect)) return std::nullopt;
    return rect;
}

RECT Win32PetWindow::WorkArea() const { return MonitorWorkArea(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST)); }

RECT Win32PetWindow::WorkAreaNearest(POINT point) const {
    return MonitorWorkArea(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST));
}

POINT Win32PetWindow::Cursor() const {
    POINT cursor{};
    GetCursorPos(&cursor);
    return cursor;
}

void Win32PetWindow::MoveTo(POINT topLeft) {
    if (hwnd_) SetWindowPos(hwnd_, HWND_TOPMOST, topLeft.x, topLeft.y, 0, 0, kPlacementFlags | SWP_NOSIZE);
}

void Win32PetWindow::Place(POINT topLeft, int size) {
    if (hwnd_) SetWindowPos(hwnd_, HWND_TOPMOST, topLeft.x, topLeft.y, size, size, kPlacementFlags);
}
