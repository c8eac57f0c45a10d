#include "settings_centre.h"

#include <vector>

namespace driver {

HWND OpenSettingsCentre(DWORD processId, POINT at) {
    RightClickAt(at);
    HWND menu = WaitForWindow(processId, L"#32768", nullptr, 5s);
    if (!menu) return nullptr;
    // Up from nothing selected lands on the last item; "设置中心…" is the fourth from the end.
    for (int i = 0; i < 4; ++i)
        PostMessageW(menu, WM_KEYDOWN, VK_UP, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    return WaitForWindow(processId, L"MossquillSettingsWindow", L"咕噜兽设置中心", 10s);
}

std::wstring ControlText(HWND dialog, int id) {
    wchar_t text[256] = {};
    SendMessageW(GetDlgItem(dialog, id), WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    return text;
}

bool IsTicked(HWND dialog, int id) { return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void SetControlText(HWND dialog, int id, const std::wstring& text) {
    SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void ClickControl(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

std::optional<std::wstring> ReadUserString(const wchar_t* key, const wchar_t* name) {
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1);
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, text.data(), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(text.data());
}

}  // namespace driver
