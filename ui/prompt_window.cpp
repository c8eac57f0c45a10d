#include "ui/prompt_window.h"

#include "platform/window_scale.h"
#include "ui/dialog_font.h"
#include "ui/modal_window.h"

namespace {

// Lives on Run's stack frame; the window reaches it through its user data.
struct PromptState {
    std::wstring prompt;
    std::wstring text;
    int32_t maxLength = 0;
    bool digitsOnly = false;
    // The layout is in 96-DPI units, drawn at this scale with this font.
    DisplayScale scale;
    HFONT font = nullptr;
    bool finished = false;
    bool accepted = false;
    HWND edit = nullptr;
};

HINSTANCE ModuleInstance() { return GetModuleHandleW(nullptr); }

// Places a control laid out in 96-DPI units at the prompt's scale.
HWND CreateControl(HWND parent, const PromptState& state, const wchar_t* className, const wchar_t* text, DWORD style,
                   DWORD exStyle, int id, int x, int y, int width, int height) {
    const DisplayScale scale = state.scale;
    HWND control = CreateWindowExW(exStyle, className, text, style, scale.Pixels(x), scale.Pixels(y),
                                   scale.Pixels(width), scale.Pixels(height), parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ModuleInstance(), nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(state.font), TRUE);
    return control;
}

void CreateControls(HWND window, PromptState& state) {
    constexpr DWORD child = WS_CHILD | WS_VISIBLE;
    CreateControl(window, state, L"STATIC", state.prompt.c_str(), child, 0, 0, 18, 18, 344, 34);
    const DWORD editStyle = child | WS_TABSTOP | ES_AUTOHSCROLL | (state.digitsOnly ? ES_NUMBER : 0);
    state.edit = CreateControl(window, state, L"EDIT", state.text.c_str(), editStyle, WS_EX_CLIENTEDGE, kPromptEditId,
                               18, 58, 344, 25);
    CreateControl(window, state, L"BUTTON", L"确定", child | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK, 202, 99, 76, 27);
    CreateControl(window, state, L"BUTTON", L"取消", child | WS_TABSTOP, 0, IDCANCEL, 286, 99, 76, 27);
    SendMessageW(state.edit, EM_LIMITTEXT, static_cast<WPARAM>(state.maxLength), 0);
    SetFocus(state.edit);
    SendMessageW(state.edit, EM_SETSEL, 0, -1);
}

LRESULT CALLBACK PromptWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = static_cast<PromptState*>(ModalRecord(window, message, lParam));
    if (!state) return DefWindowProcW(window, message, wParam, lParam);

    switch (message) {
    case WM_CREATE:
        CreateControls(window, *state);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            state->text = ReadControlText(state->edit);
            state->accepted = true;
            state->finished = true;
            DestroyWindow(window);
            return 0;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            state->finished = true;
            DestroyWindow(window);
            return 0;
        }
        break;
    case WM_CLOSE:
        state->finished = true;
        DestroyWindow(window);
        return 0;
    case WM_CTLCOLORSTATIC:
        return WindowColouredStatic(reinterpret_cast<HDC>(wParam));
    case WM_NCDESTROY:
        // The window can also go with its owner; the loop must end then too.
        state->finished = true;
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool PromptWindow::Run(HWND owner, const std::wstring& title, const std::wstring& prompt,
                       const std::wstring& initialText, std::wstring& result, bool digitsOnly, int32_t maxLength) {
    PromptState state;
    state.prompt = prompt;
    state.text = initialText;
    state.maxLength = maxLength;
    state.digitsOnly = digitsOnly;
    // Laid out in 96-DPI units, drawn at the scale of the owner's monitor.
    state.scale = WindowScale(owner);
    const DialogFont font(state.scale);
    state.font = font.get();

    const int width = state.scale.Pixels(kPromptWindowWidth), height = state.scale.Pixels(kPromptWindowHeight);
    const POINT corner = CentredOverOnScreen(owner, width, height);
    HWND window =
        CreateModalWindow(kPromptWindowClass, PromptWindowProc, title.c_str(), corner, width, height, owner, &state);
    if (!window) return false;

    RunModalWindow(window, owner, state.finished);
    if (!state.accepted) return false;
    result = state.text;
    return true;
}
