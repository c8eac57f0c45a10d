#pragma once

#include "core/display_scale.h"

#include <windows.h>

// The scale of the monitor a window is on; without a window, the system's.
DisplayScale WindowScale(HWND window);
