#include "support/window_script.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT kStepIntervalMs = 60;
constexpr int kGiveUpTicks = 100;

}  // namespace

WindowScript::WindowScript(const wchar_t* windowClass, std::vector<Step> steps)
    : windowClass_(windowClass), steps_(std::move(steps)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, kStepIntervalMs, &WindowScript::OnTick);
}

WindowScript::~WindowScript() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
}

void CALLBACK WindowScript::OnTick(HWND, UINT, UINT_PTR, DWORD) {
    if (!current_) return;
    WindowScript& script = *current_;
    HWND window = FindWindowW(script.windowClass_, nullptr);
    if (script.next_ < script.steps_.size()) {
        if (window && IsWindowVisible(window)) script.steps_[script.next_++](window);
    } else if (++script.idleTicks_ == kGiveUpTicks) {
        ADD_FAILURE() << "the window's loop outlasted the last step";
        if (window) {
            DestroyWindow(window);
        } else {
            PostQuitMessage(1);
        }
    }
}

void SendKey(WORD virtualKey, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof(input));
}

void PressKey(WORD virtualKey) {
    SendKey(virtualKey, false);
    SendKey(virtualKey, true);
}

void Type(const std::wstring& text) {
    for (wchar_t c : text) {
        INPUT inputs[2]{};
        for (INPUT& input : inputs) {
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = c;
            input.ki.dwFlags = KEYEVENTF_UNICODE;
        }
        inputs[1].ki.dwFlags |= KEYEVENTF_KEYUP;
        SendInput(2, inputs, sizeof(INPUT));
    }
}

void ClickAt(POINT screen) {
    SetCursorPos(screen.x, screen.y);
    INPUT inputs[2]{};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
}

POINT CentreOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

std::wstring TextOf(HWND window) {
    wchar_t buffer[256] = {};
    GetWindowTextW(window, buffer, 256);
    return buffer;
}

std::wstring ClassOf(HWND window) {
    wchar_t buffer[64] = {};
    GetClassNameW(window, buffer, 64);
    return buffer;
}

void PumpFor(DWORD milliseconds) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    MSG message;
    while (GetTickCount64() < end) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
}
