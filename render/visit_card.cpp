// The visit card: a rounded card with the action's art, then both pets facing each other with
// their names, the drift note and a footer that counts down.
#include "render/visit_card.h"

#include "render/dib_surface.h"
#include "render/frame_renderer.h"
#include "render/premultiplied_image.h"

#include <algorithm>
#include <cmath>

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
    // The layout's constants are 96-DPI units.
    const float s = card.scale;
    // Pictures and texts are drawn once for the card's size and kept; a frame only blends them in
    // the card's order: the card with its title, the art, the pets, their names and note, the footer.
    uint32_t* pixels = ClearedPixels(surface, s);
    cardLayers_.UseScale(s);
    BlendAt(pixels, width, height, cardLayers_.Backdrop(width, height, card.visitorNickname + L" 来串门啦"), 255);

    const BoxF artBox{0, 43 * s, w, h - 77 * s};
    const ScaledPicture* art = layers_.Picture(card.artPicture, artBox, false);
    const VisitPhase phase = VisitPhaseAt(card.elapsedMs, art != nullptr);
    if (phase.artAlpha > 0) {
        // Breathing scales the art about the centre of its box, whose top stays put.
        const float breath = 1 + 0.012f * std::sin(static_cast<float>(card.elapsedMs) / 240);
        const float cx = w / 2, cy0 = artBox.y + artBox.height / 2, cy = artBox.y + breath * artBox.height / 2;
        Affine breathing;
        breathing.a = breath;
        breathing.e = breath;
        breathing.c = cx + breath * (static_cast<float>(art->image.left) - cx);
        breathing.f = cy + breath * (static_cast<float>(art->image.top) - cy0);
        BlendTransformed(pixels, width, height, art->image, breathing, OpacityOf(phase.artAlpha));
    }
    if (phase.pairAlpha > 0) {
        const float half = (w - 24 * s) / 2;
        const float boxHeight = h - (43 + (card.note.empty() ? 40 : 88) + 18) * s;
        if (const ScaledPicture* own = layers_.Picture(card.ownPicture, BoxF{8 * s, 61 * s, half, boxHeight}, false)) {
            BlendAt(pixels, width, height, own->image, OpacityOf(phase.pairAlpha));
        }
        if (const ScaledPicture* visitor =
                layers_.Picture(card.visitorPicture, BoxF{16 * s + half, 61 * s, half, boxHeight}, true)) {
            BlendAt(pixels, width, height, visitor->image, OpacityOf(phase.pairAlpha));
        }
        const std::wstring ownName = card.ownNickname.empty() ? L"我的咕噜兽" : card.ownNickname;
        BlendAt(pixels, width, height, cardLayers_.Names(width, height, ownName, card.visitorNickname, card.note), 255);
    }
    std::wstring footer = card.actionLabel + L"  ·  还会待 " + std::to_wstring(card.secondsLeft) + L" 秒";
    if (!card.responded) footer += L"  ·  右键可回应";
    BlendAt(pixels, width, height, cardLayers_.Footer(width, height, footer), 255);
    return static_cast<BYTE>(255);
}
