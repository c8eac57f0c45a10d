#pragma once

#include "core/geometry.h"

#include <optional>

// The pet's window as movement and placement see it: where it is, the work areas around it, the
// pointer, and moving it. Tests hand in a window of their own.
class PetWindow {
public:
    virtual ~PetWindow() = default;
    // Nothing when there is no window (yet, or any more).
    virtual std::optional<ScreenRect> Rect() const = 0;
    // The work area of the monitor the window is on.
    virtual ScreenRect WorkArea() const = 0;
    virtual ScreenRect WorkAreaNearest(ScreenPoint point) const = 0;
    virtual ScreenPoint Cursor() const = 0;
    virtual void MoveTo(ScreenPoint topLeft) = 0;
    virtual void Place(ScreenPoint topLeft, int size) = 0;
};
