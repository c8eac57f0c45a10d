#include "pet/keyboard_hook.h"

std::atomic<bool> g_countingEnabled{false};
std::atomic<uint32_t> g_pendingKeyPresses{0};

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0 && lParam != 0 && (wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN) &&
        g_countingEnabled.load()) {
        const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        // Keys sent by software (on-screen keyboards, macro tools) are not the user's work.
        if ((event->flags & LLKHF_INJECTED) == 0) g_pendingKeyPresses.fetch_add(1);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool KeyboardHook::Install(HINSTANCE instance) {
    if (!hook_) hook_ = SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardHookProc, instance, 0);
    g_countingEnabled.exchange(hook_ != nullptr);
    return hook_ != nullptr;
}

void KeyboardHook::Remove() {
    g_countingEnabled.exchange(false);
    if (hook_) {
        UnhookWindowsHookEx(hook_);
        hook_ = nullptr;
    }
}
