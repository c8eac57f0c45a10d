#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

// The hook counts only while this is true: a hook is installed and counting is switched on.
extern std::atomic<bool> g_countingEnabled;
// Key presses counted and not yet credited; the clock tick takes them once a second.
extern std::atomic<uint32_t> g_pendingKeyPresses;

// Counts key-downs typed on a real keyboard. Which key, and any text, is never looked at.
LRESULT CALLBACK KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam);

// Owns the low-level keyboard hook; counting runs exactly while it is installed.
class KeyboardHook {
public:
    KeyboardHook() = default;
    KeyboardHook(const KeyboardHook&) = delete;
    KeyboardHook& operator=(const KeyboardHook&) = delete;
    ~KeyboardHook() { Remove(); }

    // False when the system (or a security policy) refuses the hook.
    bool Install(HINSTANCE instance);
    void Remove();
    bool installed() const { return hook_ != nullptr; }
    // The presses counted since the last call.
    static uint32_t TakeCountedPresses() { return g_pendingKeyPresses.exchange(0); }

private:
    HHOOK hook_ = nullptr;
};
