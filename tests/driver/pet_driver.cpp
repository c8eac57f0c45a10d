#include "pet_driver.h"

#include "platform/registry_settings_store.h"
#include "render/dib_surface.h"
#include "support/poll_until.h"

#include <thread>

namespace driver {

namespace {

struct WindowQuery {
    DWORD processId;
    const wchar_t* windowClass;
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
    auto* query = reinterpret_cast<WindowQuery*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != query->processId || !IsWindowVisible(window)) return TRUE;
    if (ClassName(window) != query->windowClass) return TRUE;
    if (query->title && WindowTitle(window) != query->title) return TRUE;
    query->found = window;
    return FALSE;
}

BOOL CALLBACK CollectButton(HWND child, LPARAM param) {
    auto* buttons = reinterpret_cast<std::vector<DialogButton>*>(param);
    if (ClassName(child) == L"Button" && IsWindowVisible(child)) {
        buttons->push_back(DialogButton{GetDlgCtrlID(child), WindowTitle(child)});
    }
    return TRUE;
}

void SendMouse(DWORD flags, POINT screen = {}) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        input.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
        input.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    SendInput(1, &input, sizeof(input));
    std::this_thread::sleep_for(30ms);
}

}  // namespace

PetProcess::PetProcess(const std::wstring& exePath) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + exePath + L"\"";
    if (CreateProcessW(exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &info)) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        id_ = info.dwProcessId;
    }
}

PetProcess::~PetProcess() {
    if (!process_) return;
    if (IsRunning()) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

bool PetProcess::IsRunning() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> PetProcess::WaitForExit(Timeout timeout) {
    if (!process_ || WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

HWND WaitForWindow(DWORD processId, const wchar_t* windowClass, const wchar_t* title, Timeout timeout) {
    return PollUntil(timeout, [&]() -> HWND {
        WindowQuery query{processId, windowClass, title, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
        return query.found;
    });
}

std::optional<MessageBoxContent> WaitForMessageBox(DWORD processId, Timeout timeout) {
    HWND dialog = WaitForWindow(processId, L"#32770", nullptr, timeout);
    if (!dialog) return std::nullopt;
    MessageBoxContent content;
    content.window = dialog;
    content.caption = WindowTitle(dialog);
    if (HWND text = GetDlgItem(dialog, 0xFFFF)) content.text = WindowTitle(text);
    EnumChildWindows(dialog, CollectButton, reinterpret_cast<LPARAM>(&content.buttons));
    return content;
}

bool PressButton(HWND dialog, int buttonId) {
    HWND button = GetDlgItem(dialog, buttonId);
    if (!button) return false;
    PostMessageW(button, BM_CLICK, 0, 0);
    return true;
}

bool WaitUntilClosed(HWND window, Timeout timeout) {
    return PollUntil(timeout, [&] { return !IsWindow(window) || !IsWindowVisible(window); });
}

RECT WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

DWORD ExtendedStyle(HWND window) { return static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)); }

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring WindowTitle(HWND window) {
    std::wstring title(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    title.resize(static_cast<size_t>(GetWindowTextW(window, title.data(), static_cast<int>(title.size()))));
    return title;
}

RECT PrimaryWorkArea() {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
    return info.rcWork;
}

std::optional<DWORD> ReadUserDword(const wchar_t* key, const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

std::optional<DWORD> ReadSetting(const wchar_t* name) { return ReadUserDword(kSettingsKeyPath, name); }

void WriteSetting(const wchar_t* name, DWORD value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
        RegCloseKey(key);
    }
}

void ClearSettings() { RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath); }

std::vector<uint32_t> CaptureScreen(const RECT& area) {
    DibSurface surface(area.right - area.left, area.bottom - area.top);
    std::vector<uint32_t> pixels;
    if (!surface.valid()) return pixels;
    BitBlt(surface.memoryDc(), 0, 0, surface.width(), surface.height(), surface.screenDc(), area.left, area.top,
           SRCCOPY);
    GdiFlush();
    const uint32_t* source = surface.pixels();
    pixels.reserve(static_cast<size_t>(surface.width()) * surface.height());
    for (int i = 0; i < surface.width() * surface.height(); ++i)
        pixels.push_back(source[i] & 0x00FFFFFF);
    return pixels;
}

void MoveMouse(POINT screen) { SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, screen); }
void LeftDown() { SendMouse(MOUSEEVENTF_LEFTDOWN); }
void LeftUp() { SendMouse(MOUSEEVENTF_LEFTUP); }

void ClickAt(POINT screen) {
    MoveMouse(screen);
    LeftDown();
    LeftUp();
}

void DoubleClickAt(POINT screen) {
    MoveMouse(screen);
    LeftDown();
    LeftUp();
    LeftDown();
    LeftUp();
}

void RightClickAt(POINT screen) {
    MoveMouse(screen);
    SendMouse(MOUSEEVENTF_RIGHTDOWN);
    SendMouse(MOUSEEVENTF_RIGHTUP);
}

void PressKey(WORD virtualKey) {
    INPUT inputs[2]{};
    for (INPUT& input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    }
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

}  // namespace driver
