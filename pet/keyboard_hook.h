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
