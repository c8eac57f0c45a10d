#include "render/frame_renderer.h"

#include "render/dib_surface.h"
#include "render/draw_image_fitted.h"
#include "render/frame_text.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

struct Motion {
    float scaleX = 1;
    float scaleY = 1;
    float rotation = 0;
    float offsetY = 0;
};

void DrawEnergyBadge(Gdiplus::GpGraphics* graphics, int energy, float w) {
    const float d = std::max(35.0f, std::min(54.0f, 0.19f * w));
    const float e = std::max(4.0f, 0.025f * w);
    const float x = w - d - e;
    Gdiplus::GpSolidFill* rawFill = nullptr;
    if (gp::GdipCreateSolidFill(0xDC231D18, &rawFill) == Gdiplus::Ok) {
        BrushHandle fill(rawFill);
        gp::GdipFillEllipse(graphics, fill.get(), x, e, d, d);
    }
    Gdiplus::GpPen* rawPen = nullptr;
    if (gp::GdipCreatePen1(0xD2FFF7E0, 2.0f, Gdiplus::UnitPixel, &rawPen) == Gdiplus::Ok) {
        PenHandle pen(rawPen);
        gp::GdipDrawEllipse(graphics, pen.get(), x, e, d, d);
    }
    FontFamilyHandle family = CreateFontFamilyOrSansSerif(L"Segoe UI");
    DrawCentredText(graphics, family.get(), 0.38f * d, std::to_wstring(energy), 0xFFFFFFFF, BoxF{x, e - 1, d, d});
}

void DrawReactionText(Gdiplus::GpGraphics* graphics, const std::wstring& text, float t, float w, float h) {
    const ARGB alpha = static_cast<ARGB>(255 * std::clamp(1.25f - t, 0.0f, 1.0f)) << 24;
    FontFamilyHandle family = CreateFontFamilyOrSansSerif(L"Microsoft YaHei UI");
    const float textSize = std::max(14.0f, std::min(22.0f, 0.075f * w));
    const float heartSize = std::max(23.0f, std::min(38.0f, 0.12f * w));
    DrawCentredText(graphics, family.get(), textSize, text, alpha | 0xFFFFFF, BoxF{5.5f, 6.5f, 0.74f * w, 0.16f * h});
    DrawCentredText(graphics, family.get(), textSize, text, alpha | 0x6A3F2C, BoxF{4, 5, 0.74f * w, 0.16f * h});
    DrawCentredText(graphics, family.get(), heartSize, L"♥", alpha | 0xEE5B69,
                    BoxF{0.08f * w, (0.22f - 0.12f * t) * h, 0.22f * w, 0.18f * h});
}

}  // namespace

GraphicsHandle BeginFrameGraphics(DibSurface& surface) {
    Gdiplus::GpGraphics* rawGraphics = nullptr;
    if (gp::GdipCreateFromHDC(surface.memoryDc(), &rawGraphics) != Gdiplus::Ok) return nullptr;
    GraphicsHandle graphics(rawGraphics);
    Gdiplus::GpGraphics* g = graphics.get();
    gp::GdipSetCompositingMode(g, Gdiplus::CompositingModeSourceCopy);
    gp::GdipGraphicsClear(g, 0x00000000);
    gp::GdipSetCompositingMode(g, Gdiplus::CompositingModeSourceOver);
    gp::GdipSetInterpolationMode(g, Gdiplus::InterpolationModeHighQualityBicubic);
    gp::GdipSetPixelOffsetMode(g, Gdiplus::PixelOffsetModeHighQuality);
    gp::GdipSetSmoothingMode(g, Gdiplus::SmoothingModeAntiAlias);
    return graphics;
}

std::optional<BYTE> FrameRenderer::Compose(const FrameDescription& frame, DibSurface& surface) const {
    GraphicsHandle graphics = BeginFrameGraphics(surface);
    if (!graphics) return std::nullopt;
    Gdiplus::GpGraphics* g = graphics.get();

    const float w = static_cast<float>(surface.width());
    const float h = static_cast<float>(surface.height());

    Motion motion;
    if (frame.swaying) {
        const float s = std::sin(frame.swayPhase);
        const float a = std::fabs(s);
        motion.scaleX = 1 + 0.035f * (1 - a);
        motion.scaleY = 1 - 0.028f * (1 - a);
        motion.rotation = 2.8f * s * (frame.mirrored ? -1.0f : 1.0f);
        motion.offsetY = -0.035f * a * h;
    }
    const bool reacting = !frame.reactionText.empty();
    const float t = frame.reactionProgress;
    if (reacting) {
        const float s1 = std::sin(kPi * t);
        const float s6 = std::sin(6 * kPi * t);
        motion.scaleX += 0.045f * s1;
        motion.scaleY -= 0.025f * s1;
        motion.rotation += 2.3f * (1 - t) * s6;
        motion.offsetY -= 0.025f * s1 * h;
    }

    const float margin = std::max(8.0f, 0.05f * w);
    const float boxWidth = (w - 2 * margin) * motion.scaleX;
    const float boxHeight = (h - 2 * margin) * motion.scaleY;
    const BoxF body{(w - boxWidth) / 2, (h - margin) + motion.offsetY - boxHeight, boxWidth, boxHeight};

    Gdiplus::GraphicsState state = 0;
    gp::GdipSaveGraphics(g, &state);
    gp::GdipTranslateWorldTransform(g, w / 2, h / 2, Gdiplus::MatrixOrderPrepend);
    gp::GdipRotateWorldTransform(g, motion.rotation, Gdiplus::MatrixOrderPrepend);
    gp::GdipTranslateWorldTransform(g, -w / 2, -h / 2, Gdiplus::MatrixOrderPrepend);
    DrawImageFitted(g, images_.Find(frame.basePicture), body, 1.0f, frame.mirrored);
    gp::GdipRestoreGraphics(g, state);

    DrawImageFitted(g, images_.Find(frame.cutInPicture), BoxF{0, 0, w, h}, frame.cutInAlpha, false);

    if (reacting) DrawReactionText(g, frame.reactionText, t, w, h);
    DrawEnergyBadge(g, frame.energy, w);

    gp::GdipFlush(g, Gdiplus::FlushIntentionSync);
    return static_cast<BYTE>(std::clamp(static_cast<int>(255 * frame.opacity), 0, 255));
}

template <typename Description, typename ComposeFn>
bool FrameRenderer::Push(HWND window, POINT topLeft, const Description& frame, ComposeFn compose) const {
    if (!window || frame.width < 1 || frame.height < 1) return false;
    DibSurface surface(frame.width, frame.height);
    if (!surface.valid()) return false;
    // A frame that could not be drawn is not pushed: the window keeps showing the last one.
    const std::optional<BYTE> constantAlpha = compose(frame, surface);
    if (!constantAlpha) return false;

    SIZE size{frame.width, frame.height};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, *constantAlpha, AC_SRC_ALPHA};
    return UpdateLayeredWindow(window, surface.screenDc(), &topLeft, &size, surface.memoryDc(), &source, 0, &blend,
                               ULW_ALPHA) != FALSE;
}

bool FrameRenderer::Render(HWND window, POINT topLeft, const FrameDescription& frame) const {
    return Push(window, topLeft, frame,
                [this](const FrameDescription& f, DibSurface& surface) { return Compose(f, surface); });
}

bool FrameRenderer::RenderVisitCard(HWND window, POINT topLeft, const VisitCardDescription& card) const {
    return Push(window, topLeft, card,
                [this](const VisitCardDescription& c, DibSurface& surface) { return ComposeVisitCard(c, surface); });
}
