#pragma once

#include <windows.h>

#include <optional>

// Where a pet of the given size sits by default: the bottom-right corner of the work area.
POINT DefaultCorner(const RECT& workArea, int petSize);

// The saved position when more than 24 pixels of the pet would lie inside the work area on every
// side, else the default corner.
POINT ChooseStartPosition(const RECT& workArea, int petSize, std::optional<int> savedX,
                          std::optional<int> savedY);

// The work area of the monitor nearest to where the default corner of the primary screen lies.
RECT StartWorkArea(int petSize);
