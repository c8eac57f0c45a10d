#pragma once

#include "render/draw_image_fitted.h"
#include "render/image_catalogue.h"
#include "render/premultiplied_image.h"

#include <functional>
#include <map>
#include <string>
#include <tuple>

// Draws with the frame's own GDI+ settings on a transparent surface of the given pixel size and
// keeps the part that was drawn. The drawing is in units of `scale` pixels, so a layout made for a
// 96-DPI display comes out crisp at the display's own scale.
PremultipliedImage DrawLayer(int width, int height, float scale, const std::function<void(Gdiplus::GpGraphics*)>& draw);

// A picture scaled once to fit its box, drawn exactly where it sits in that box (image.left and
// image.top are whole pixels, the rest of its place is drawn into the copy), so a frame that
// shows it at rest copies it pixel for pixel.
struct ScaledPicture {
    PremultipliedImage image;  // empty when it cannot be drawn
    float fittedX = 0;         // where the fitted picture starts within image
    float fittedY = 0;
    float fittedWidth = 0;
    float fittedHeight = 0;
    float sourceWidth = 0;
    float sourceHeight = 0;
};

// The reaction phrase drawn once at full alpha: its shadow, itself, and the heart where it starts.
struct ReactionLayers {
    PremultipliedImage shadow;
    PremultipliedImage text;
    PremultipliedImage heart;
};

// Everything a frame is assembled from, drawn with GDI+ once for the window's size and kept
// until the size changes: the pictures scaled to their boxes, the energy badge, the phrase.
// A changing frame then only blends these.
class FrameLayers {
public:
    explicit FrameLayers(const ImageCatalogue& images) : images_(images) {}

    // Drops every layer when the window's size or scale differs from the one they were made for.
    void UseSize(int width, int height, float scale);
    // The picture fitted into the box, flipped about its centre line when mirrored; null when
    // there is no such picture.
    const ScaledPicture* Picture(int id, BoxF box, bool mirrored);
    const PremultipliedImage& Badge(int energy);
    const ReactionLayers& Reaction(const std::wstring& text);

private:
    const ImageCatalogue& images_;
    int width_ = 0;
    int height_ = 0;
    float scale_ = 1.0f;
    std::map<std::tuple<int, float, float, float, float, bool>, ScaledPicture> pictures_;
    int badgeEnergy_ = -1;
    PremultipliedImage badge_;
    std::wstring reactionText_;
    bool hasReaction_ = false;
    ReactionLayers reaction_;
};
