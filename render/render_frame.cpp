#include "app/pet_app.h"
#include "render/dib_surface.h"

void PetApp::RenderFrame() {
    if (!hwnd) return;
    RECT rect{};
    if (!GetWindowRect(hwnd, &rect)) return;
    const int w = rect.right - rect.left;
    const int h = rect.bottom - rect.top;
    if (w < 1 || h < 1) return;

    DibSurface surface(w, h);
    if (!surface.valid()) return;
    const BYTE constantAlpha = ComposeFrame(surface);

    POINT destination{rect.left, rect.top};
    SIZE size{w, h};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, constantAlpha, AC_SRC_ALPHA};
    UpdateLayeredWindow(hwnd, surface.screenDc(), &destination, &size, surface.memoryDc(), &source, 0, &blend,
                        ULW_ALPHA);
}
