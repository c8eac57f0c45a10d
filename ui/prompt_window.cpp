#include "ui/prompt_window.h"

#include "platform/window_scale.h"
#include "ui/modal_window.h"
#include "ui/scaled_controls.h"

namespace {

// Lives on Run's stack frame; the window reaches it through its user data.
struct PromptState {
    std::wstring prompt;
    std::wstring text;
    int32_t maxLength = 0;
    bool digitsOnly = false;
    ScaledControls* controls = nullptr;
    bool finished = false;
    bool accepted = false;
    HWND edit = nullptr;
};

void CreateControls(HWND window, PromptState& state) {
    ScaledControls& controls = *state.controls;
    controls.Create(window, {L"STATIC", 0, state.prompt.c_str(), 0, 0, {18, 18, 344, 34}});
    const DWORD editStyle = WS_TABSTOP | ES_AUTOHSCROLL | (state.digitsOnly ? ES_NUMBER : 0);
    state.edit = controls.Create(
        window, {L"EDIT", kPromptEditId, state.text.c_str(), editStyle, WS_EX_CLIENTEDGE, {18, 58, 344, 25}});
    controls.Create(window, {L"BUTTON", IDOK, L"确定", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, {202, 99, 76, 27}});
    controls.Create(window, {L"BUTTON", IDCANCEL, L"取消", WS_TABSTOP, 0, {286, 99, 76, 27}});
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
    case WM_DPICHANGED:
        state->controls->Rescale(window, wParam, lParam);
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
    const DisplayScale scale = WindowScale(owner);
    ScaledControls controls(scale);
    state.controls = &controls;

    const int width = scale.Pixels(kPromptWindowWidth), height = scale.Pixels(kPromptWindowHeight);
    const POINT corner = CentredOverOnScreen(owner, width, height);
    HWND window =
        CreateModalWindow(kPromptWindowClass, PromptWindowProc, title.c_str(), corner, width, height, owner, &state);
    if (!window) return false;

    RunModalWindow(window, owner, state.finished);
    if (!state.accepted) return false;
    result = state.text;
    return true;
}
