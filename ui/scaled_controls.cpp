#include "ui/scaled_controls.h"

ScaledControls::ScaledControls(DisplayScale scale) : scale_(scale), font_(std::make_unique<DialogFont>(scale)) {}

HWND ScaledControls::Create(HWND parent, const ControlLayout& layout) {
    const ControlPlacement at = Pixels(layout.place);
    HWND control =
        CreateWindowExW(layout.exStyle, layout.className, layout.text, WS_CHILD | WS_VISIBLE | layout.style, at.x, at.y,
                        at.width, at.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)),
                        GetModuleHandleW(nullptr), nullptr);
    if (!control) return nullptr;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_->get()), TRUE);
    controls_.emplace_back(control, layout.place);
    return control;
}

void ScaledControls::Rescale(HWND window, WPARAM wParam, LPARAM lParam) {
    const DisplayScale scale(LOWORD(wParam));
    if (scale != scale_) {
        // The controls take the new font before the old one may be deleted.
        auto font = std::make_unique<DialogFont>(scale);
        scale_ = scale;
        for (const auto& [control, place] : controls_) {
            const ControlPlacement at = Pixels(place);
            SetWindowPos(control, nullptr, at.x, at.y, at.width, at.height, SWP_NOZORDER | SWP_NOACTIVATE);
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font->get()), TRUE);
        }
        font_ = std::move(font);
    }
    const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

ControlPlacement ScaledControls::Pixels(const ControlPlacement& place) const {
    return {scale_.Pixels(place.x), scale_.Pixels(place.y), scale_.Pixels(place.width), scale_.Pixels(place.height)};
}
