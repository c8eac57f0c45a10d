#include "app/pet_app.h"

LRESULT PetApp::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_TIMER:
            if (wParam == TIMER_FRAME) OnFrameTimer();
            if (wParam == TIMER_SECOND) OnClockTimer();
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

void PetApp::OnDestroy() {
    SavePosition();
    SaveAll();
    UnregisterHotKey(hwnd, HOTKEY_QUICK_VISIT);
    PostQuitMessage(0);
}
