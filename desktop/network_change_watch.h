#pragma once

#include <windows.h>

// Posted to the window when the computer gained a network address (lParam and wParam 0).
inline constexpr UINT WM_PET_NETWORK_CHANGED = WM_APP + 17;

// Tells the window when the computer joins a network: a live connection made over the old one may
// hang until its receive times out, with no other sign from WinHTTP. Stops telling when it goes.
class NetworkChangeWatch {
public:
    NetworkChangeWatch() = default;
    NetworkChangeWatch(const NetworkChangeWatch&) = delete;
    NetworkChangeWatch& operator=(const NetworkChangeWatch&) = delete;
    ~NetworkChangeWatch() { Stop(); }

    // False when the system offers no such notice.
    bool Start(HWND window);
    void Stop();

private:
    HANDLE notification_ = nullptr;
    HWND window_ = nullptr;
};
