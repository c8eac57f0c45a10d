#include "app/pet_app.h"
#include "core/setting_names.h"

#include <algorithm>

namespace {

constexpr int kCornerInset = 18;
constexpr uint64_t kModeChangePauseMs = 500;
constexpr uint64_t kModeChangeFirstDashMs = 1500;
constexpr UINT kPlacementFlags = SWP_NOACTIVATE | SWP_SHOWWINDOW;

bool IsPetSize(int size) { return size == 175 || size == 230 || size == 285; }

RECT WorkAreaNearestTo(POINT point) { return MonitorWorkArea(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST)); }

}  // namespace

RECT MonitorWorkArea(HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(monitor, &info)) return info.rcWork;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

POINT ClampTopLeft(POINT topLeft, int size, const RECT& area) {
    // The upper bound first, so that the lower one wins on an area smaller than the window.
    const LONG x = std::max(area.left, std::min(topLeft.x, area.right - size));
    const LONG y = std::max(area.top, std::min(topLeft.y, area.bottom - size));
    return POINT{x, y};
}

RECT PetApp::WindowWorkArea() const { return MonitorWorkArea(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST)); }

void PetApp::MoveWindowTo(POINT topLeft) {
    SetWindowPos(hwnd, HWND_TOPMOST, topLeft.x, topLeft.y, 0, 0, kPlacementFlags | SWP_NOSIZE);
}

void PetApp::PlaceWindow(POINT topLeft, int size) {
    SetWindowPos(hwnd, HWND_TOPMOST, topLeft.x, topLeft.y, size, size, kPlacementFlags);
}

void PetApp::ReturnHomeIfAway() {
    if (!awayFromHome) return;
    homePosition = ClampTopLeft(homePosition, petSize, WorkAreaNearestTo(homePosition));
    awayFromHome = false;
    MoveWindowTo(homePosition);
}

void PetApp::SetMovementMode(int mode) {
    if (mode < 0 || mode > 3) return;
    ReturnHomeIfAway();
    const uint64_t now = clock.Now();
    movementMode = mode;
    walking = mode == 1 || mode == 3;
    dashPhaseActive = false;
    dashesLeft = 0;
    segmentEndTick = 0;
    movementPauseUntil = now + kModeChangePauseMs;
    dashState = DASH_WAITING;
    nextDashTick = now + kModeChangeFirstDashMs;
    windowOpacity = 1.0f;
    settings.WriteSettingDword(setting::kMovementMode, static_cast<DWORD>(mode));
    settings.WriteSettingDword(setting::kWalkingEnabled, mode != 0 ? 1 : 0);
    RenderFrame();
}

void PetApp::SetPetSize(int size) {
    if (visitShowing || !IsPetSize(size)) return;
    ReturnHomeIfAway();
    RECT rect{};
    if (!GetWindowRect(hwnd, &rect)) return;
    petSize = size;
    settings.WriteSettingDword(setting::kPetSize, static_cast<DWORD>(size));
    const POINT topLeft = ClampTopLeft(POINT{rect.left, rect.top}, size, WindowWorkArea());
    PlaceWindow(topLeft, size);
    awayFromHome = false;
    homePosition = topLeft;
    SavePosition();
    RenderFrame();
}

void PetApp::ReturnToCorner() {
    if (visitShowing) return;
    const RECT work = WindowWorkArea();
    const POINT corner{work.right - petSize - kCornerInset, work.bottom - petSize - kCornerInset};
    PlaceWindow(corner, petSize);
    awayFromHome = false;
    homePosition = corner;
    SavePosition();
}

void PetApp::ClampIntoWorkArea() {
    RECT rect{};
    if (!GetWindowRect(hwnd, &rect)) return;
    const POINT topLeft = ClampTopLeft(POINT{rect.left, rect.top}, petSize, WindowWorkArea());
    PlaceWindow(topLeft, petSize);
    if (!awayFromHome) homePosition = topLeft;
    RenderFrame();
}
