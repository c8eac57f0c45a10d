#include "desktop/foreground_probe.h"

#include "desktop/full_screen_watch.h"

#include <cwchar>
#include <initializer_list>

namespace {

bool IsShellWindow(HWND window) {
    if (window == GetDesktopWindow() || window == GetShellWindow()) return true;
    wchar_t name[32]{};
    GetClassNameW(window, name, 32);
    for (const wchar_t* shell : {L"#32769", L"Progman", L"WorkerW", L"Shell_TrayWnd"}) {
        if (std::wcscmp(name, shell) == 0) return true;
    }
    return false;
}

}  // namespace

bool FullScreenWindowInFront(HWND pet) {
    HWND front = GetForegroundWindow();
    if (!front || !pet || !IsWindowVisible(front) || IsIconic(front) || IsShellWindow(front)) return false;
    DWORD process = 0;
    GetWindowThreadProcessId(front, &process);
    if (process == GetCurrentProcessId()) return false;
    const HMONITOR monitor = MonitorFromWindow(pet, MONITOR_DEFAULTTONEAREST);
    if (MonitorFromWindow(front, MONITOR_DEFAULTTONEAREST) != monitor) return false;
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    RECT rect{};
    return GetMonitorInfoW(monitor, &info) && GetWindowRect(front, &rect) &&
           CoversMonitor(
               ScreenRect{rect.left, rect.top, rect.right, rect.bottom},
               ScreenRect{info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right, info.rcMonitor.bottom});
}
