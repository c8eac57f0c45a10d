#include "platform/window_scale.h"

DisplayScale WindowScale(HWND window) {
    return DisplayScale(static_cast<int>(window ? GetDpiForWindow(window) : GetDpiForSystem()));
}
