#pragma once

#include "core/display_scale.h"
#include "core/geometry.h"

#include <array>
#include <optional>

// The three sizes of the square pet window, in 96-DPI units.
inline constexpr std::array<int, 3> kPetSizes = {175, 230, 285};
inline constexpr int kDefaultPetSize = 230;
// How far the default corner lies from the work area's bottom-right edges, in 96-DPI units.
inline constexpr int kCornerInset = 18;

bool IsPetSize(int size);

// Where a window of the given size in pixels sits by default: the bottom-right corner of the work
// area, the inset at the display's scale.
ScreenPoint DefaultCorner(const ScreenRect& workArea, int windowSize, DisplayScale scale = {});

// The saved position when more than 24 units of the pet would lie inside the work area on every
// side, else the default corner.
ScreenPoint ChooseStartPosition(const ScreenRect& workArea, int windowSize, std::optional<int> savedX,
                                std::optional<int> savedY, DisplayScale scale = {});

// The top-left corner of a size x size window moved inside the area. When the area is smaller
// than the window the left and top edges win, so the window's own corner stays reachable.
ScreenPoint ClampTopLeft(ScreenPoint topLeft, int size, const ScreenRect& area);
