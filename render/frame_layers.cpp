#include "render/frame_layers.h"

#include "render/dib_surface.h"
#include "render/draw_image_fitted.h"
#include "render/frame_text.h"

#include <algorithm>
#include <cmath>

PremultipliedImage DrawLayer(int width, int height, float scale,
                             const std::function<void(Gdiplus::GpGraphics*)>& draw) {
    DibSurface surface(width, height);
    if (!surface.valid()) return {};
    {
        GraphicsHandle graphics = CreateFrameGraphics(surface.memoryDc());
        if (!graphics) return {};
        gp::GdipScaleWorldTransform(graphics.get(), scale, scale, Gdiplus::MatrixOrderPrepend);
        draw(graphics.get());
        gp::GdipFlush(graphics.get(), Gdiplus::FlushIntentionSync);
    }
    GdiFlush();
    return CaptureLayer(surface);
}

void FrameLayers::UseSize(int width, int height, float scale) {
    if (width == width_ && height == height_ && scale == scale_) return;
    width_ = width;
    height_ = height;
    scale_ = scale;
    pictures_.clear();
    badgeEnergy_ = -1;
    badge_ = {};
    hasReaction_ = false;
    reaction_ = {};
}

const ScaledPicture* FrameLayers::Picture(int id, BoxF box, bool mirrored) {
    if (!images_.Has(id)) return nullptr;
    const auto key = std::make_tuple(id, box.x, box.y, box.width, box.height, mirrored);
    if (auto found = pictures_.find(key); found != pictures_.end()) {
        return found->second.image.empty() ? nullptr : &found->second;
    }
    // A picture that does not decode is remembered as empty, so it is not decoded again.
    ScaledPicture& scaled = pictures_[key];
    const DecodedImage decoded = images_.Decode(id);
    if (!decoded.image) return nullptr;
    UINT iw = 0, ih = 0;
    gp::GdipGetImageWidth(decoded.image.get(), &iw);
    gp::GdipGetImageHeight(decoded.image.get(), &ih);
    if (iw == 0 || ih == 0) return nullptr;
    scaled.sourceWidth = static_cast<float>(iw);
    scaled.sourceHeight = static_cast<float>(ih);
    const float k = std::min(box.width / scaled.sourceWidth, box.height / scaled.sourceHeight);
    scaled.fittedWidth = k * scaled.sourceWidth;
    scaled.fittedHeight = k * scaled.sourceHeight;
    const float x = box.x + (box.width - scaled.fittedWidth) / 2;
    const float y = box.y + (box.height - scaled.fittedHeight) / 2;
    const float left = std::floor(x), top = std::floor(y);
    scaled.fittedX = x - left;
    scaled.fittedY = y - top;
    const int width = std::max(1, static_cast<int>(std::ceil(scaled.fittedX + scaled.fittedWidth)));
    const int height = std::max(1, static_cast<int>(std::ceil(scaled.fittedY + scaled.fittedHeight)));
    DibSurface surface(width, height);
    if (!surface.valid()) return nullptr;
    {
        GraphicsHandle graphics = CreateFrameGraphics(surface.memoryDc());
        if (!graphics) return nullptr;
        DrawImageFitted(graphics.get(), decoded.image.get(),
                        BoxF{scaled.fittedX, scaled.fittedY, scaled.fittedWidth, scaled.fittedHeight}, 1.0f, mirrored);
        gp::GdipFlush(graphics.get(), Gdiplus::FlushIntentionSync);
    }
    GdiFlush();
    scaled.image.left = static_cast<int>(left);
    scaled.image.top = static_cast<int>(top);
    scaled.image.width = width;
    scaled.image.height = height;
    scaled.image.pixels.assign(surface.pixels(), surface.pixels() + static_cast<size_t>(width) * height);
    return &scaled;
}

const PremultipliedImage& FrameLayers::Badge(int energy) {
    if (energy != badgeEnergy_) {
        badgeEnergy_ = energy;
        const float w = width_ / scale_;
        badge_ = DrawLayer(width_, height_, scale_, [&](Gdiplus::GpGraphics* g) { DrawEnergyBadge(g, energy, w); });
    }
    return badge_;
}

const ReactionLayers& FrameLayers::Reaction(const std::wstring& text) {
    if (!hasReaction_ || text != reactionText_) {
        hasReaction_ = true;
        reactionText_ = text;
        const float w = width_ / scale_, h = height_ / scale_;
        const FontFamilyHandle family = CreateReactionFontFamily();
        auto layer = [&](ReactionPart part) {
            return DrawLayer(width_, height_, scale_, [&](Gdiplus::GpGraphics* g) {
                DrawReactionPart(g, family.get(), part, text, 255, 0.0f, w, h);
            });
        };
        reaction_ = ReactionLayers{layer(ReactionPart::Shadow), layer(ReactionPart::Text), layer(ReactionPart::Heart)};
    }
    return reaction_;
}
