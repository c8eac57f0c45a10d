#include "app/pet_app.h"

#include "online/posted_session_events.h"

#include <windowsx.h>

namespace {

// Where the pointer was when the message being handled was sent: the cursor may have moved on
// since, and a press must start from where it happened.
POINT MessageCursor() {
    const DWORD position = GetMessagePos();
    return POINT{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
}

}  // namespace

LRESULT PetApp::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == notifyIcon_.taskbarCreatedMessage()) {
        // Explorer restarted and forgot every notification icon.
        notifyIcon_.Add(window, kAppTitle);
        return 0;
    }
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
        if (visitShowing_) {
            RenderFrame();
        } else {
            ClampIntoWorkArea();
        }
        return 0;
    case WM_PET_NOTIFY_ICON:
        OnNotifyIcon(LOWORD(lParam));
        return 0;
    case WM_POWERBROADCAST:
        // After a sleep the live socket is dead long before a receive fails: connect again now.
        if (wParam == PBT_APMRESUMEAUTOMATIC && networkEnabled_) online_.ReconnectNow();
        return TRUE;
    case WM_PET_NETWORK_CHANGED:
        if (networkEnabled_) online_.ReconnectNow();
        return 0;
    case WM_DPICHANGED:
        ChangeDisplayScale(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_CONTEXTMENU:
    case WM_RBUTTONUP:
        if (visitShowing_) {
            ShowReactionMenu();
        } else {
            ShowContextMenu();
        }
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE && visitShowing_) EndIncomingVisit();
        return 0;
    case WM_HOTKEY:
        if (wParam == kQuickVisitHotkey) QuickVisit(false);
        return 0;
    case WM_PET_VISIT:
        ShowIncomingVisit(*TakeSessionPayload<IncomingVisit>(lParam));
        return 0;
    case WM_TIMER:
        if (wParam == kFrameTimer) OnFrameTimer();
        if (wParam == kClockTimer) OnClockTimer();
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
        pointer_.Cancel();
        if (GetCapture() == window) ReleaseCapture();
        Feed();
        return 0;
    case WM_CAPTURECHANGED:
        pointer_.Cancel();
        return 0;
    case WM_MOUSELEAVE:
        pointer_.Leave();
        return 0;
    case WM_PET_NET_STATUS:
    case WM_PET_FRIENDS:
    case WM_PET_ANNOUNCEMENT:
    case WM_PET_REACTION:
        OnSessionEvent(message, lParam);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

void PetApp::OnMouseMove(WPARAM buttons) {
    if (pointer_.Enter()) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window(), 0};
        TrackMouseEvent(&track);
    }
    if (const auto topLeft = pointer_.Move(MessageCursor(), (buttons & MK_LBUTTON) != 0)) {
        // The layered window keeps its picture while it moves; nothing is redrawn.
        SetWindowPos(window(), HWND_TOPMOST, topLeft->x, topLeft->y, 0, 0,
                     SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
}

void PetApp::OnLeftButtonDown() {
    RECT rect{};
    GetWindowRect(window(), &rect);
    pointer_.Press(MessageCursor(), rect);
    movement_.Grabbed();
    SetCapture(window());
}

void PetApp::OnLeftButtonUp() {
    const Release release = pointer_.ReleaseButton();
    if (release == Release::Nothing) return;
    ReleaseCapture();
    if (release == Release::DragEnded) {
        SavePosition();
        movement_.HoldAfterDrag(clock_.Now());
    } else {
        Pet();
    }
}

void PetApp::OnDestroy() {
    notifyIcon_.Remove();
    networkChanges_.Stop();
    SavePosition();
    SaveAll();
    online_.Stop();
    keyboardHook_.Remove();
    UnregisterHotKey(window(), kQuickVisitHotkey);
    PostQuitMessage(0);
}
