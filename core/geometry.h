#pragma once

#include <cstdint>

// Screen positions and areas in pixels as the rules see them; the platform converts its own.
struct ScreenPoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

// Right and bottom lie just outside the area, as with Windows rectangles.
struct ScreenRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    bool operator==(const ScreenRect&) const = default;
    ScreenPoint TopLeft() const { return {left, top}; }
};
