#pragma once

#include "core/geometry.h"

#include <array>
#include <optional>

// The three sizes of the square pet window, in 96-DPI units.
inline constexpr std::array<int, 3> kPetSizes = {175, 230, 285};
inline constexpr int kDefaultPetSize = 230;
// How far the default corner lies from the work area's bottom-right edges.
inline constexpr int kCornerInset = 18;

bool IsPetSize(int size);

// Where a pet of the given size sits by default: the bottom-right corner of the work area.
ScreenPoint DefaultCorner(const ScreenRect& workArea, int petSize);

// The saved position when more than 24 pixels of the pet would lie inside the work area on every
// side, else the default corner.
ScreenPoint ChooseStartPosition(const ScreenRect& workArea, int petSize, std::optional<int> savedX,
                                std::optional<int> savedY);

// The top-left corner of a size x size window moved inside the area. When the area is smaller
// than the window the left and top edges win, so the window's own corner stays reachable.
ScreenPoint ClampTopLeft(ScreenPoint topLeft, int size, const ScreenRect& area);
