#pragma once

#include <windows.h>

#include <optional>

// The pet's window as movement and placement see it: where it is, the work areas around it, the
// pointer, and moving it. Tests hand in a window of their own.
class PetWindow {
public:
    virtual ~PetWindow() = default;
    // Nothing when there is no window (yet, or any more).
    virtual std::optional<RECT> Rect() const = 0;
    // The work area of the monitor the window is on.
    virtual RECT WorkArea() const = 0;
    virtual RECT WorkAreaNearest(POINT point) const = 0;
    virtual POINT Cursor() const = 0;
    virtual void MoveTo(POINT topLeft) = 0;
    virtual void Place(POINT topLeft, int size) = 0;
};

// The work area of a monitor; the primary work area when the monitor cannot be asked.
RECT MonitorWorkArea(HMONITOR monitor);

// The real top-most layered window, once it exists.
class Win32PetWindow final : public PetWindow {
public:
    void Attach(HWND window) { hwnd_ = window; }
    HWND hwnd() const { return hwnd_; }

    std::optional<RECT> Rect() const override;
    RECT WorkArea() const override;
    RECT WorkAreaNearest(POINT point) const override;
    POINT Cursor() const override;
    void MoveTo(POINT topLeft) override;
    void Place(POINT topLeft, int size) override;

private:
    HWND hwnd_ = nullptr;
};
