#include "pet/keyboard_hook.h"

#include "app/pet_app.h"
#include "core/setting_names.h"

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

void PetApp::ApplyKeyboardHook() {
    if (!autoTypingEnabled) {
        if (keyboardHook) {
            g_countingEnabled.exchange(false);
            UnhookWindowsHookEx(keyboardHook);
            keyboardHook = nullptr;
        }
    } else if (!keyboardHook) {
        keyboardHook = SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardHookProc, instance, 0);
        if (!keyboardHook) {
            autoTypingEnabled = false;
            settings.WriteSettingDword(setting::kAutoTypingEnabled, 0);
            g_countingEnabled.exchange(false);
            notices.Show(hwnd, L"系统或公司安全策略阻止了输入活跃值统计。其他功能不受影响。", L"无法启用自动统计",
                         MB_ICONWARNING);
            return;
        }
    }
    g_countingEnabled.exchange(keyboardHook != nullptr && autoTypingEnabled);
}

void PetApp::RemoveKeyboardHook() {
    g_countingEnabled.exchange(false);
    if (keyboardHook) {
        UnhookWindowsHookEx(keyboardHook);
        keyboardHook = nullptr;
    }
}
