#include "desktop/notify_icon.h"

#include <shellapi.h>

#include <cwchar>
#include <iterator>

namespace {

constexpr UINT kIconId = 1;
// The program's icon in the resource script.
constexpr WORD kProgramIconResource = 1;

NOTIFYICONDATAW IconData(HWND window) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = kIconId;
    return data;
}

}  // namespace

NotifyIcon::NotifyIcon() : taskbarCreated_(RegisterWindowMessageW(L"TaskbarCreated")) {}

NotifyIcon::~NotifyIcon() {
    Remove();
    if (icon_) DestroyIcon(icon_);
}

bool NotifyIcon::Add(HWND window, const wchar_t* tooltip) {
    if (!icon_) {
        icon_ =
            static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kProgramIconResource), IMAGE_ICON,
                                          GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    }
    NOTIFYICONDATAW data = IconData(window);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_PET_NOTIFY_ICON;
    data.hIcon = icon_;
    std::wcsncpy(data.szTip, tooltip, std::size(data.szTip) - 1);
    // After an Explorer restart the old entry is gone with it; a stale one is replaced.
    Shell_NotifyIconW(NIM_DELETE, &data);
    window_ = window;
    added_ = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
    return added_;
}

void NotifyIcon::Remove() {
    if (!added_) return;
    NOTIFYICONDATAW data = IconData(window_);
    Shell_NotifyIconW(NIM_DELETE, &data);
    added_ = false;
}
