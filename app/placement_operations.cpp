// The operations that move or resize the pet window.
#include "app/pet_app.h"

void PetApp::SetMovementMode(int mode) {
    if (movement_.SetMode(mode, clock_.Now())) RenderFrame();
}

void PetApp::SetPetSize(int size) {
    if (visitShowing_ || !movement_.SetSize(size)) return;
    RenderFrame();
}

void PetApp::ReturnToCorner() {
    if (visitShowing_ || !window()) return;
    movement_.ReturnToCorner();
}

void PetApp::ChangeDisplayScale(int dpi, const RECT& suggested) {
    const DisplayScale scale(dpi);
    if (visitShowing_) {
        // The card is laid out anew at the new scale; the pet takes its size when the visit ends.
        movement_.UseScale(scale);
        SetWindowPos(window(), HWND_TOPMOST, suggested.left, suggested.top, suggested.right - suggested.left,
                     suggested.bottom - suggested.top, SWP_NOACTIVATE | SWP_NOZORDER);
    } else {
        movement_.Rescale(scale, ScreenPoint{suggested.left, suggested.top});
    }
    RenderFrame();
}

void PetApp::ClampIntoWorkArea() {
    // Placing shows the window; a pet out of the way of a full-screen program stays hidden.
    if (fullScreen_.hidden()) return;
    movement_.ClampIntoWorkArea();
    RenderFrame();
}
