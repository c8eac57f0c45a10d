#include "ui/scaled_controls.h"

ScaledControls::ScaledControls(DisplayScale scale) : scale_(scale), font_(std::make_unique<DialogFont>(scale)) {}

HWND ScaledControls::Create(HWND parent, const ControlLayout& layout) {
    const ControlPlacement& place = layout.place;
    HWND control = CreateWindowExW(
        layout.exStyle, layout.className, layout.text, WS_CHILD | WS_VISIBLE | layout.style, scale_.Pixels(place.x),
        scale_.Pixels(place.y), scale_.Pixels(place.width), scale_.Pixels(place.height), parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), GetModuleHandleW(nullptr), nullptr);
    if (!control) return nullptr;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_->get()), TRUE);
    controls_.emplace_back(control, place);
    return control;
}

void ScaledControls::Rescale(HWND window, WPARAM wParam, LPARAM lParam) {
    const DisplayScale scale(LOWORD(wParam));
    if (scale != scale_) {
        // The controls take the new font before the old one may be deleted.
        auto font = std::make_unique<DialogFont>(scale);
        scale_ = scale;
        for (const auto& [control, place] : controls_) {
            Place(control, place);
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font->get()), TRUE);
        }
        font_ = std::move(font);
    }
    const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ScaledControls::Place(HWND control, const ControlPlacement& place) const {
    SetWindowPos(control, nullptr, scale_.Pixels(place.x), scale_.Pixels(place.y), scale_.Pixels(place.width),
                 scale_.Pixels(place.height), SWP_NOZORDER | SWP_NOACTIVATE);
}
