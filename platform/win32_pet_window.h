#pragma once

#include "motion/pet_window.h"

#include <windows.h>

// The work area of a monitor; the primary work area when the monitor cannot be asked.
RECT MonitorWorkArea(HMONITOR monitor);

// The work area of the monitor nearest to where the default corner of the primary screen lies.
ScreenRect StartWorkArea(int petSize);

// The real top-most layered window, once it exists.
class Win32PetWindow final : public PetWindow {
public:
    void Attach(HWND window) { hwnd_ = window; }
    HWND hwnd() const { return hwnd_; }

    std::optional<ScreenRect> Rect() const override;
    ScreenRect WorkArea() const override;
    ScreenRect WorkAreaNearest(ScreenPoint point) const override;
    ScreenPoint Cursor() const override;
    void MoveTo(ScreenPoint topLeft) override;
    void Place(ScreenPoint topLeft, int size) override;

private:
    HWND hwnd_ = nullptr;
};
