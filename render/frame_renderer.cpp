#include "render/frame_renderer.h"

#include "render/frame_motion.h"
#include "render/frame_text.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

// The body's scaled copy put where the motion box fits it: scaled uniformly by how much the box
// grew, turned about the window centre. At rest this is a whole-pixel move.
Affine BodyTransform(const ScaledPicture& picture, const BoxF& box, const FrameMotion& motion, float w, float h) {
    const float k = std::min(box.width / picture.sourceWidth, box.height / picture.sourceHeight);
    const float dw = k * picture.sourceWidth;
    const float dh = k * picture.sourceHeight;
    const float dx = box.x + (box.width - dw) / 2;
    const float dy = box.y + (box.height - dh) / 2;
    const float r = dw / picture.fittedWidth;
    // Unturned: x = x0 + r u, y = y0 + r v for a pixel edge (u, v) of the copy.
    const float x0 = dx - r * picture.fittedX;
    const float y0 = dy - r * picture.fittedY;
    const float radians = motion.rotation * std::numbers::pi_v<float> / 180.0f;
    const float cosR = std::cos(radians), sinR = std::sin(radians);
    const float ox = w / 2, oy = h / 2;
    // Turned: x' = ox + (x - ox) cos - (y - oy) sin, y' = oy + (x - ox) sin + (y - oy) cos.
    Affine t;
    t.a = r * cosR;
    t.b = -r * sinR;
    t.c = ox + (x0 - ox) * cosR - (y0 - oy) * sinR;
    t.d = r * sinR;
    t.e = r * cosR;
    t.f = oy + (x0 - ox) * sinR + (y0 - oy) * cosR;
    return t;
}

}  // namespace

uint32_t* FrameRenderer::ClearedPixels(DibSurface& surface, float scale) {
    layers_.UseSize(surface.width(), surface.height(), scale);
    // GDI may still be writing to the surface from the last push.
    GdiFlush();
    uint32_t* pixels = surface.mutablePixels();
    std::memset(pixels, 0, static_cast<size_t>(surface.width()) * surface.height() * 4);
    return pixels;
}

std::optional<BYTE> FrameRenderer::Compose(const FrameDescription& frame, DibSurface& surface) {
    if (!surface.valid()) return std::nullopt;
    const int width = surface.width(), height = surface.height();
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    uint32_t* pixels = ClearedPixels(surface, frame.scale);

    const FrameMotion motion = MotionOf(frame, h);
    // The body's copy is made for the box at rest; the motion moves, scales and turns it.
    if (const ScaledPicture* body = layers_.Picture(frame.basePicture, BodyBox(FrameMotion{}, w, h), frame.mirrored)) {
        const Affine placed = BodyTransform(*body, BodyBox(motion, w, h), motion, w, h);
        BlendTransformed(pixels, width, height, body->image, placed, 255);
    }

    if (frame.cutInAlpha > 0.001f) {
        if (const ScaledPicture* cutIn = layers_.Picture(frame.cutInPicture, BoxF{0, 0, w, h}, false)) {
            BlendAt(pixels, width, height, cutIn->image, OpacityOf(frame.cutInAlpha));
        }
    }

    if (!frame.reactionText.empty()) {
        const float t = frame.reactionProgress;
        const int alpha = static_cast<int>(ReactionTextAlpha(t));
        const ReactionLayers& reaction = layers_.Reaction(frame.reactionText);
        BlendAt(pixels, width, height, reaction.shadow, alpha);
        BlendAt(pixels, width, height, reaction.text, alpha);
        // The heart rises from where it was drawn by 12 % of the height over the bounce.
        Affine risen;
        risen.c = static_cast<float>(reaction.heart.left);
        risen.f = static_cast<float>(reaction.heart.top) - 0.12f * t * h;
        BlendTransformed(pixels, width, height, reaction.heart, risen, alpha);
    }

    BlendAt(pixels, width, height, layers_.Badge(frame.energy), 255);
    return static_cast<BYTE>(std::clamp(static_cast<int>(255 * frame.opacity), 0, 255));
}

template <typename ComposeFn>
bool FrameRenderer::Push(HWND window, POINT topLeft, int width, int height, ComposeFn compose) {
    if (!surface_ || surface_->width() != width || surface_->height() != height) {
        surface_ = std::make_unique<DibSurface>(width, height);
    }
    // A frame that could not be drawn is not pushed: the window keeps showing the last one.
    if (!surface_->valid()) {
        surface_.reset();
        return false;
    }
    const std::optional<BYTE> constantAlpha = compose(*surface_);
    if (!constantAlpha) return false;

    SIZE size{width, height};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, *constantAlpha, AC_SRC_ALPHA};
    return UpdateLayeredWindow(window, surface_->screenDc(), &topLeft, &size, surface_->memoryDc(), &source, 0, &blend,
                               ULW_ALPHA) != FALSE;
}

bool FrameRenderer::Render(HWND window, POINT topLeft, const FrameDescription& frame) {
    if (!window || frame.width < 1 || frame.height < 1) return false;
    PushedFrame next{window, topLeft.x, topLeft.y, frame};
    if (lastPushed_ == next) return true;
    const bool pushed =
        Push(window, topLeft, frame.width, frame.height, [&](DibSurface& surface) { return Compose(frame, surface); });
    if (pushed)
        lastPushed_ = std::move(next);
    else
        lastPushed_.reset();
    return pushed;
}

bool FrameRenderer::RenderVisitCard(HWND window, POINT topLeft, const VisitCardDescription& card) {
    lastPushed_.reset();
    if (!window || card.width < 1 || card.height < 1) return false;
    return Push(window, topLeft, card.width, card.height,
                [&](DibSurface& surface) { return ComposeVisitCard(card, surface); });
}
