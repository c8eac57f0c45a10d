#include "app/pet_app.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kDragThreshold = 4;
constexpr uint64_t kHoldAfterDragMs = 1200;

}  // namespace

LRESULT PetApp::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_ENDSESSION:
            // Windows ends a logon session without destroying our window: keep what we know.
            if (wParam) {
                SavePosition();
                SaveAll();
            }
            return 0;
        case WM_SETTINGCHANGE:
        case WM_DISPLAYCHANGE:
            if (visitShowing) {
                RenderFrame();
            } else {
                ClampIntoWorkArea();
            }
            return 0;
        case WM_CONTEXTMENU:
        case WM_RBUTTONUP:
            ShowContextMenu();
            return 0;
        case WM_TIMER:
            if (wParam == TIMER_FRAME) OnFrameTimer();
            if (wParam == TIMER_SECOND) OnClockTimer();
            return 0;
        case WM_MOUSEMOVE:
            OnMouseMove(wParam);
            return 0;
        case WM_LBUTTONDOWN:
            OnLeftButtonDown();
            return 0;
        case WM_LBUTTONUP:
            OnLeftButtonUp();
            return 0;
        case WM_LBUTTONDBLCLK:
            leftPressed = false;
            dragging = false;
            if (GetCapture() == hwnd) ReleaseCapture();
            Feed();
            return 0;
        case WM_CAPTURECHANGED:
            leftPressed = false;
            dragging = false;
            return 0;
        case WM_MOUSELEAVE:
            hoverTracking = false;
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

void PetApp::OnMouseMove(WPARAM buttons) {
    if (!hoverTracking) {
        hoverTracking = true;
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd, 0};
        TrackMouseEvent(&track);
    }
    if (!(buttons & MK_LBUTTON) || !leftPressed) return;
    POINT cursor{};
    GetCursorPos(&cursor);
    const int dx = cursor.x - pressPoint.x;
    const int dy = cursor.y - pressPoint.y;
    if (!dragging && std::abs(dx) < kDragThreshold && std::abs(dy) < kDragThreshold) return;
    dragging = true;
    // The layered window keeps its picture while it moves; nothing is redrawn.
    SetWindowPos(hwnd, HWND_TOPMOST, pressWindowRect.left + dx, pressWindowRect.top + dy, 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void PetApp::OnLeftButtonDown() {
    leftPressed = true;
    dragging = false;
    awayFromHome = false;  // wherever the pet is now becomes its home
    GetCursorPos(&pressPoint);
    GetWindowRect(hwnd, &pressWindowRect);
    SetCapture(hwnd);
}

void PetApp::OnLeftButtonUp() {
    if (!leftPressed) return;
    // Releasing the capture clears `dragging`, so note it first.
    const bool wasDrag = dragging;
    leftPressed = false;
    ReleaseCapture();
    if (wasDrag) {
        SavePosition();
        if (movementMode != 0) {
            movementPauseUntil = std::max(movementPauseUntil, clock.Now() + kHoldAfterDragMs);
            segmentEndTick = 0;
            stepCarry = 0;
        }
    } else {
        Pet();
    }
    dragging = false;
}

void PetApp::OnDestroy() {
    SavePosition();
    SaveAll();
    RemoveKeyboardHook();
    UnregisterHotKey(hwnd, HOTKEY_QUICK_VISIT);
    PostQuitMessage(0);
}
