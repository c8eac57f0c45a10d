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

void PetApp::ClampIntoWorkArea() {
    movement_.ClampIntoWorkArea();
    RenderFrame();
}
