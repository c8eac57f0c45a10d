// The visit card: a rounded card with the action's art, then both pets facing each other with
// their names, the drift note and a footer that counts down.
#include "render/visit_card.h"

#include "render/dib_surface.h"
#include "render/draw_image_fitted.h"
#include "render/frame_renderer.h"
#include "render/premultiplied_image.h"
#include "render/frame_text.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kCornerDiameter = 20;
constexpr ARGB kCardFill = 0xAFFFF8EA;
constexpr ARGB kCardOutline = 0xDC4F3A2B;
constexpr ARGB kInk = 0xFF2D221C;
constexpr ARGB kNoteFill = 0xEBFFFFFF;
constexpr ARGB kNoteInk = 0xFF673B31;
constexpr ARGB kFooterInk = 0xFF97483F;
constexpr float kTitleSize = 17;
constexpr float kSmallSize = 12;
constexpr float kNoteSize = 13;

void DrawCardShape(Gdiplus::GpGraphics* g, float w, float h) {
    Gdiplus::GpPath* rawPath = nullptr;
    if (gp::GdipCreatePath(Gdiplus::FillModeAlternate, &rawPath) != Gdiplus::Ok) return;
    PathHandle path(rawPath);
    const float d = kCornerDiameter;
    gp::GdipAddPathArc(path.get(), 0, 0, d, d, 180, 90);
    gp::GdipAddPathArc(path.get(), w - d, 0, d, d, 270, 90);
    gp::GdipAddPathArc(path.get(), w - d, h - d, d, d, 0, 90);
    gp::GdipAddPathArc(path.get(), 0, h - d, d, d, 90, 90);
    gp::GdipClosePathFigure(path.get());
    Gdiplus::GpSolidFill* rawFill = nullptr;
    if (gp::GdipCreateSolidFill(kCardFill, &rawFill) == Gdiplus::Ok) {
        BrushHandle fill(rawFill);
        gp::GdipFillPath(g, fill.get(), path.get());
    }
    Gdiplus::GpPen* rawPen = nullptr;
    if (gp::GdipCreatePen1(kCardOutline, 2.0f, Gdiplus::UnitPixel, &rawPen) == Gdiplus::Ok) {
        PenHandle pen(rawPen);
        gp::GdipDrawPath(g, pen.get(), path.get());
    }
}

void FillBox(Gdiplus::GpGraphics* g, ARGB colour, BoxF box) {
    Gdiplus::GpSolidFill* rawFill = nullptr;
    if (gp::GdipCreateSolidFill(colour, &rawFill) != Gdiplus::Ok) return;
    BrushHandle fill(rawFill);
    gp::GdipFillRectangle(g, fill.get(), box.x, box.y, box.width, box.height);
}

}  // namespace

SIZE VisitCardSize(int petSize) { return SIZE{std::max(388, 2 * petSize) + 52, std::max(204, petSize) + 96}; }

VisitPhase VisitPhaseAt(uint64_t elapsedMs, bool hasArt) {
    if (!hasArt) return VisitPhase{0, 1};
    const float e = static_cast<float>(elapsedMs);
    const float pairIn = std::min(1.0f, (e - 2850) / 450);
    if (elapsedMs < 2851) return VisitPhase{1, 0};
    if (elapsedMs <= 3000) return VisitPhase{1, pairIn};
    if (elapsedMs <= 3299) return VisitPhase{std::max(0.0f, 1 - (e - 3000) / 300), pairIn};
    return VisitPhase{0, 1};
}

std::optional<BYTE> FrameRenderer::ComposeVisitCard(const VisitCardDescription& card, DibSurface& surface) {
    if (!surface.valid()) return std::nullopt;
    const int width = surface.width(), height = surface.height();
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    // The pictures come from the layers scaled once for the card's size; the card, its texts and
    // boxes are drawn by GDI+ below and above them, in the card's order.
    layers_.UseSize(width, height);
    FontFamilyHandle family = CreateFontFamilyOrSansSerif(L"Microsoft YaHei UI");
    {
        GraphicsHandle graphics = CreateFrameGraphics(surface.memoryDc());
        if (!graphics) return std::nullopt;
        DrawCardShape(graphics.get(), w, h);
        DrawCentredText(graphics.get(), family.get(), kTitleSize, card.visitorNickname + L" 来串门啦", kInk,
                        BoxF{0, 6, w, 34});
        gp::GdipFlush(graphics.get(), Gdiplus::FlushIntentionSync);
    }
    GdiFlush();
    uint32_t* pixels = surface.mutablePixels();

    const BoxF artBox{0, 43, w, h - 77};
    const ScaledPicture* art = layers_.Picture(card.artPicture, artBox, false);
    const VisitPhase phase = VisitPhaseAt(card.elapsedMs, art != nullptr);
    if (phase.artAlpha > 0) {
        // Breathing scales the art about the centre of its box, whose top stays at 43.
        const float breath = 1 + 0.012f * std::sin(static_cast<float>(card.elapsedMs) / 240);
        const float cx = w / 2, cy0 = artBox.y + artBox.height / 2, cy = artBox.y + breath * artBox.height / 2;
        Affine breathing;
        breathing.a = breath;
        breathing.e = breath;
        breathing.c = cx + breath * (static_cast<float>(art->image.left) - cx);
        breathing.f = cy + breath * (static_cast<float>(art->image.top) - cy0);
        BlendTransformed(pixels, width, height, art->image, breathing, OpacityOf(phase.artAlpha));
    }
    const bool hasNote = !card.note.empty();
    const float half = (w - 24) / 2;
    if (phase.pairAlpha > 0) {
        const float boxHeight = h - 43 - (hasNote ? 88 : 40) - 18;
        if (const ScaledPicture* own = layers_.Picture(card.ownPicture, BoxF{8, 61, half, boxHeight}, false)) {
            BlendAt(pixels, width, height, own->image, OpacityOf(phase.pairAlpha));
        }
        if (const ScaledPicture* visitor =
                layers_.Picture(card.visitorPicture, BoxF{16 + half, 61, half, boxHeight}, true)) {
            BlendAt(pixels, width, height, visitor->image, OpacityOf(phase.pairAlpha));
        }
    }

    Gdiplus::GpGraphics* raw = nullptr;
    if (gp::GdipCreateFromHDC(surface.memoryDc(), &raw) != Gdiplus::Ok) return std::nullopt;
    GraphicsHandle graphics(raw);
    Gdiplus::GpGraphics* g = graphics.get();
    gp::GdipSetSmoothingMode(g, Gdiplus::SmoothingModeAntiAlias);
    gp::GdipSetPixelOffsetMode(g, Gdiplus::PixelOffsetModeHighQuality);
    if (phase.pairAlpha > 0) {
        const std::wstring ownName = card.ownNickname.empty() ? L"我的咕噜兽" : card.ownNickname;
        DrawCentredText(g, family.get(), kSmallSize, ownName, kInk, BoxF{8, 41, half, 22}, Gdiplus::FontStyleRegular);
        DrawCentredText(g, family.get(), kSmallSize, card.visitorNickname, kInk, BoxF{16 + half, 41, half, 22},
                        Gdiplus::FontStyleRegular);
        if (hasNote) {
            const BoxF noteBox{18, h - 78, w - 36, 38};
            FillBox(g, kNoteFill, noteBox);
            DrawCentredText(g, family.get(), kNoteSize, L"漂流小纸条： " + card.note, kNoteInk, noteBox);
        }
    }
    std::wstring footer = card.actionLabel + L"  ·  还会待 " + std::to_wstring(card.secondsLeft) + L" 秒";
    if (!card.responded) footer += L"  ·  右键可回应";
    DrawCentredText(g, family.get(), kSmallSize, footer, kFooterInk, BoxF{0, h - 36, w, 30}, Gdiplus::FontStyleRegular);

    gp::GdipFlush(g, Gdiplus::FlushIntentionSync);
    return static_cast<BYTE>(255);
}
