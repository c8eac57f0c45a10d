#pragma once

// Drives a home-made modal window as a user would: input is queued with SendInput (or posted) from
// a thread timer that fires inside the window's own modal loop, one step per tick, so each step sees
// the effects of the input queued by the one before.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

using Step = std::function<void(HWND window)>;

// Plays the steps, one per tick, while a visible window of the class shows; ends a loop that
// outlasts them (with a test failure).
class WindowScript {
public:
    WindowScript(const wchar_t* windowClass, std::vector<Step> steps);
    WindowScript(const WindowScript&) = delete;
    WindowScript& operator=(const WindowScript&) = delete;
    ~WindowScript();
    bool played() const { return next_ == steps_.size(); }

private:
    static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD);

    static inline WindowScript* current_ = nullptr;
    const wchar_t* windowClass_;
    std::vector<Step> steps_;
    size_t next_ = 0;
    int idleTicks_ = 0;
    UINT_PTR timer_ = 0;
};

void SendKey(WORD virtualKey, bool up);
void PressKey(WORD virtualKey);
void Type(const std::wstring& text);
void ClickAt(POINT screen);
POINT CentreOf(HWND window);
std::wstring TextOf(HWND window);
std::wstring ClassOf(HWND window);
// Handles the thread's messages for that long.
void PumpFor(DWORD milliseconds);
