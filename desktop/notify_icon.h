#pragma once

#include <windows.h>

// The notification-area icon's messages to the pet window (lParam: the mouse message).
inline constexpr UINT WM_PET_NOTIFY_ICON = WM_APP + 16;

// The pet's icon in the notification area, where a user finds a pet that has no taskbar button.
// Owns the icon picture and the entry; the entry goes when this does.
class NotifyIcon {
public:
    NotifyIcon();
    NotifyIcon(const NotifyIcon&) = delete;
    NotifyIcon& operator=(const NotifyIcon&) = delete;
    ~NotifyIcon();

    // Shows the program's icon for the window with the tooltip; again after Explorer restarted.
    bool Add(HWND window, const wchar_t* tooltip);
    void Remove();
    // Explorer broadcasts this after it (re)started, when every icon must be added again.
    UINT taskbarCreatedMessage() const { return taskbarCreated_; }

private:
    UINT taskbarCreated_;
    HICON icon_ = nullptr;
    HWND window_ = nullptr;
    bool added_ = false;
};
