#pragma once

#include <windows.h>

enum DashState : int {
    DASH_WAITING = 0,
    DASH_FADING_OUT = 1,
    DASH_FADING_IN = 2,
};

// The work area of a monitor; the primary work area when the monitor cannot be asked.
RECT MonitorWorkArea(HMONITOR monitor);

// The top-left corner of a size x size window moved inside the area. When the area is smaller
// than the window the left and top edges win, so the window's own corner stays reachable.
POINT ClampTopLeft(POINT topLeft, int size, const RECT& area);

// The step cycle advanced by one frame tick; levelStep is the weekly level minus one (0..2).
float NextWalkPhase(float walkPhase, int levelStep);

// Pixels per frame tick at a point of the step cycle: still where the cycle is flat, so the pet
// moves in hops, fastest at its peaks, and faster with a higher weekly level.
float WalkingSpeed(float walkPhase, int levelStep);
