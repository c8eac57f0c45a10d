#pragma once

#include "core/display_scale.h"
#include "ui/dialog_font.h"

#include <windows.h>

#include <memory>
#include <utility>
#include <vector>

// A control of a home-made dialog: where it sits in the client area, in 96-DPI units.
struct ControlPlacement {
    int x, y, width, height;
};

struct ControlLayout {
    const wchar_t* className;
    int id;
    const wchar_t* text;
    DWORD style;  // besides WS_CHILD | WS_VISIBLE
    DWORD exStyle;
    ControlPlacement place;
};

// The controls of a home-made dialog at the scale of its monitor, in the dialog font made for that
// scale. When the dialog is moved to a monitor of another scale they are placed again, in a font
// made for the new one, so the dialog looks the same there.
class ScaledControls {
public:
    explicit ScaledControls(DisplayScale scale);
    ScaledControls(const ScaledControls&) = delete;
    ScaledControls& operator=(const ScaledControls&) = delete;

    HWND Create(HWND parent, const ControlLayout& layout);
    // WM_DPICHANGED: the new scale from wParam, the window at the rectangle lParam suggests.
    void Rescale(HWND window, WPARAM wParam, LPARAM lParam);

private:
    // The placement in pixels at the current scale, as x, y, width and height.
    ControlPlacement Pixels(const ControlPlacement& place) const;

    DisplayScale scale_;
    std::unique_ptr<DialogFont> font_;
    std::vector<std::pair<HWND, ControlPlacement>> controls_;
};
