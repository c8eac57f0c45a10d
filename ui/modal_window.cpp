#include "ui/modal_window.h"

#include "text/trim_whitespace.h"

#include <algorithm>
#include <optional>

namespace {

// Runs until `finished` is set; gives the exit code when WM_QUIT ended the loop instead.
std::optional<int> RunLoop(HWND window, const bool& finished) {
    MSG message;
    while (!finished) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(message.wParam);
        if (got < 0) break;
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return std::nullopt;
}

bool RegisterModalWindowClass(const wchar_t* className, WNDPROC windowProc) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = className;
    return RegisterClassExW(&windowClass) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

HWND CreateModalWindow(const wchar_t* className, WNDPROC windowProc, const wchar_t* title, POINT corner, int width,
                       int height, HWND owner, void* record) {
    if (!RegisterModalWindowClass(className, windowProc)) return nullptr;
    return CreateWindowExW(kModalWindowExStyle, className, title, kModalWindowStyle, corner.x, corner.y, width, height,
                           owner, nullptr, GetModuleHandleW(nullptr), record);
}

void* ModalRecord(HWND window, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return nullptr;
    }
    void* record = reinterpret_cast<void*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    return record;
}

POINT CentredOver(HWND owner, int width, int height) {
    RECT ownerRect{};
    GetWindowRect(owner, &ownerRect);
    return {ownerRect.left + (ownerRect.right - ownerRect.left - width) / 2,
            ownerRect.top + (ownerRect.bottom - ownerRect.top - height) / 2};
}

POINT CentredOverOnScreen(HWND owner, int width, int height) {
    POINT corner = CentredOver(owner, width, height);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) return corner;
    const RECT& area = monitor.rcWork;
    corner.x = std::max(area.left, std::min(corner.x, area.right - width));
    corner.y = std::max(area.top, std::min(corner.y, area.bottom - height));
    return corner;
}

void RunModalWindow(HWND window, HWND owner, const bool& finished) {
    EnableWindow(owner, FALSE);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    const std::optional<int> quitCode = RunLoop(window, finished);
    // A quit request or a failing queue ends the loop with the window still open: close it before
    // its state record goes, and hand the quit on to the loop that owns it.
    if (!finished) DestroyWindow(window);
    EnableWindow(owner, TRUE);
    SetForegroundWindow(owner);
    if (quitCode) PostQuitMessage(*quitCode);
}

LRESULT WindowColouredStatic(HDC dc) {
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
}

std::wstring ReadControlText(HWND control) {
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), length + 1)));
    return TrimWhitespace(text);
}
