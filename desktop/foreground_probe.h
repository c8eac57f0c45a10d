#pragma once

#include <windows.h>

// Whether another program's full-screen window is in front on the monitor of `pet`; the desktop
// and the shell (also the size of the monitor) do not count.
bool FullScreenWindowInFront(HWND pet);
