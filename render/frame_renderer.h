#pragma once

#include "render/frame_description.h"
#include "render/gdiplus_api.h"
#include "render/image_catalogue.h"
#include "render/visit_card.h"

#include <windows.h>

#include <optional>

class DibSurface;

// A graphics on the surface, cleared to transparent, with the quality settings every frame uses.
GraphicsHandle BeginFrameGraphics(DibSurface& surface);

// Draws frame descriptions with GDI+ and pushes them to the layered pet window.
class FrameRenderer {
public:
    explicit FrameRenderer(const ImageCatalogue& images) : images_(images) {}

    // Draws the frame into the surface and gives the constant alpha to push it with; nothing when
    // GDI+ cannot draw on the surface.
    std::optional<BYTE> Compose(const FrameDescription& frame, DibSurface& surface) const;
    // Composes the frame and shows it at topLeft; false, with nothing pushed, when it could not.
    bool Render(HWND window, POINT topLeft, const FrameDescription& frame) const;
    // The same for a visit card, which is always pushed fully opaque.
    std::optional<BYTE> ComposeVisitCard(const VisitCardDescription& card, DibSurface& surface) const;
    bool RenderVisitCard(HWND window, POINT topLeft, const VisitCardDescription& card) const;

private:
    template <typename Description, typename ComposeFn>
    bool Push(HWND window, POINT topLeft, const Description& description, ComposeFn compose) const;
    const ImageCatalogue& images_;
};
