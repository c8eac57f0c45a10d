#include "platform/win32_pet_window.h"

#include "platform/win32_geometry.h"

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

ScreenRect StartWorkArea(int petSize) {
    const POINT probe{GetSystemMetrics(SM_CXSCREEN) - petSize - 24, GetSystemMetrics(SM_CYSCREEN) - petSize - 72};
    return FromWin32(MonitorWorkArea(MonitorFromPoint(probe, MONITOR_DEFAULTTONEAREST)));
}

std::optional<ScreenRect> Win32PetWindow::Rect() const {
    RECT rect{};
    if (!hwnd_ || !GetWindowRect(hwnd_, &rect)) return std::nullopt;
    return FromWin32(rect);
}

ScreenRect Win32PetWindow::WorkArea() const {
    return FromWin32(MonitorWorkArea(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST)));
}

ScreenRect Win32PetWindow::WorkAreaNearest(ScreenPoint point) const {
    return FromWin32(MonitorWorkArea(MonitorFromPoint(ToWin32(point), MONITOR_DEFAULTTONEAREST)));
}

ScreenPoint Win32PetWindow::Cursor() const {
    POINT cursor{};
    GetCursorPos(&cursor);
    return FromWin32(cursor);
}

void Win32PetWindow::MoveTo(ScreenPoint topLeft) {
    if (hwnd_) SetWindowPos(hwnd_, HWND_TOPMOST, topLeft.x, topLeft.y, 0, 0, kPlacementFlags | SWP_NOSIZE);
}

void Win32PetWindow::Place(ScreenPoint topLeft, int size) {
    if (hwnd_) SetWindowPos(hwnd_, HWND_TOPMOST, topLeft.x, topLeft.y, size, size, kPlacementFlags);
}
