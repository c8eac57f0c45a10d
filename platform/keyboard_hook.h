#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <thread>

// The hook counts only while this is true: a hook is installed and counting is switched on.
extern std::atomic<bool> g_countingEnabled;
// Key presses counted and not yet credited; the clock tick takes them once a second.
extern std::atomic<uint32_t> g_pendingKeyPresses;

// Counts key-downs typed on a real keyboard. Which key, and any text, is never looked at.
LRESULT CALLBACK KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam);

// Owns the low-level keyboard hook; counting runs exactly while it is installed. The hook lives on
// a thread of its own with its own message loop: the system calls a low-level hook on the thread
// that set it, and while that thread is busy every key press on the desktop waits (and a hook
// that keeps timing out is removed without notice). The user-interface thread makes synchronous
// network calls, so it must not be that thread.
class KeyboardHook {
public:
    KeyboardHook() = default;
    KeyboardHook(const KeyboardHook&) = delete;
    KeyboardHook& operator=(const KeyboardHook&) = delete;
    ~KeyboardHook() { Remove(); }

    // False when the system (or a security policy) refuses the hook; no thread is left then.
    bool Install(HINSTANCE instance);
    // Unhooks on the hook's thread and waits for that thread to end.
    void Remove();
    bool installed() const { return thread_.joinable(); }
    // The presses counted since the last call.
    static uint32_t TakeCountedPresses() { return g_pendingKeyPresses.exchange(0); }

private:
    std::thread thread_;
    DWORD threadId_ = 0;
};
