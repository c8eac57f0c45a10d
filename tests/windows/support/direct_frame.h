#pragma once

#include "render/dib_surface.h"
#include "render/frame_description.h"
#include "render/image_catalogue.h"

#include <map>
#include <optional>

// The frame drawn the direct way, every part with GDI+ from the full-size pictures on every call,
// with fonts and brushes made per frame: the reference the layered renderer is compared with and
// measured against.
class DirectFrame {
public:
    // Decodes every picture of the catalogue once and keeps it, as a direct renderer must.
    explicit DirectFrame(const ImageCatalogue& images);

    // bodyShift moves the body right and down by that many pixels: what a barely visible
    // displacement changes gives the comparison its yardstick.
    std::optional<BYTE> Compose(const FrameDescription& frame, DibSurface& surface, float bodyShift = 0) const;

private:
    Gdiplus::GpImage* Find(int id) const;

    std::map<int, DecodedImage> decoded_;
};
