#pragma once

#include "render/dib_surface.h"
#include "render/frame_description.h"
#include "render/frame_layers.h"
#include "render/image_catalogue.h"
#include "render/visit_card.h"
#include "render/visit_card_layers.h"

#include <windows.h>

#include <memory>
#include <optional>

// Assembles frame descriptions from layers drawn once per window size and pushes them to the
// layered pet window; a frame equal to the one on screen is neither composed nor pushed.
class FrameRenderer {
public:
    explicit FrameRenderer(const ImageCatalogue& images) : layers_(images) {}

    // Draws the frame into the surface and gives the constant alpha to push it with; nothing when
    // the surface has no pixels.
    std::optional<BYTE> Compose(const FrameDescription& frame, DibSurface& surface);
    // Shows the frame at topLeft; false, with nothing pushed, when it could not. True at once when
    // the window already shows this very frame there.
    bool Render(HWND window, POINT topLeft, const FrameDescription& frame);
    // The window's contents were lost (it was hidden): the next frame is pushed in full.
    void Invalidate() { lastPushed_.reset(); }
    // The same for a visit card, which is always pushed fully opaque; the pet frame after it is
    // pushed in full.
    std::optional<BYTE> ComposeVisitCard(const VisitCardDescription& card, DibSurface& surface);
    bool RenderVisitCard(HWND window, POINT topLeft, const VisitCardDescription& card);

private:
    // The surface's pixels, all transparent, with the layers made for its size and scale.
    uint32_t* ClearedPixels(DibSurface& surface, float scale);
    // Composes into the kept surface of that size and pushes it; false, with nothing pushed, when
    // either fails.
    template <typename ComposeFn>
    bool Push(HWND window, POINT topLeft, int width, int height, ComposeFn compose);

    struct PushedFrame {
        HWND window;
        LONG x;
        LONG y;
        FrameDescription frame;
        bool operator==(const PushedFrame&) const = default;
    };

    FrameLayers layers_;
    VisitCardLayers cardLayers_;
    std::unique_ptr<DibSurface> surface_;
    std::optional<PushedFrame> lastPushed_;
};
