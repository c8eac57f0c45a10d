#pragma once

#include "render/frame_description.h"
#include "render/image_catalogue.h"

#include <windows.h>

#include <optional>

class DibSurface;

// Draws frame descriptions with GDI+ and pushes them to the layered pet window.
class FrameRenderer {
public:
    explicit FrameRenderer(const ImageCatalogue& images) : images_(images) {}

    // Draws the frame into the surface and gives the constant alpha to push it with; nothing when
    // GDI+ cannot draw on the surface.
    std::optional<BYTE> Compose(const FrameDescription& frame, DibSurface& surface) const;
    // Composes the frame and shows it at topLeft; false, with nothing pushed, when it could not.
    bool Render(HWND window, POINT topLeft, const FrameDescription& frame) const;

private:
    const ImageCatalogue& images_;
};
