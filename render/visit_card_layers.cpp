#include "render/visit_card_layers.h"

#include "render/frame_layers.h"
#include "render/frame_text.h"

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
constexpr wchar_t kFontFamily[] = L"Microsoft YaHei UI";

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

template <typename Kept, typename Key, typename Draw>
const PremultipliedImage& KeepOrDraw(Kept& kept, Key key, Draw draw) {
    if (kept.key != key) {
        kept.image = draw();
        kept.key = std::move(key);
    }
    return kept.image;
}

}  // namespace

void VisitCardLayers::UseScale(float scale) {
    if (scale == scale_) return;
    scale_ = scale;
    backdrop_ = {};
    names_ = {};
    footer_ = {};
}

const PremultipliedImage& VisitCardLayers::Backdrop(int width, int height, const std::wstring& title) {
    return KeepOrDraw(backdrop_, SizedText{width, height, title}, [&] {
        const float w = width / scale_;
        return DrawLayer(width, height, scale_, [&](Gdiplus::GpGraphics* g) {
            DrawCardShape(g, w, height / scale_);
            const FontFamilyHandle family = CreateFontFamilyOrSansSerif(kFontFamily);
            DrawCentredText(g, family.get(), kTitleSize, title, kInk, BoxF{0, 6, w, 34});
        });
    });
}

const PremultipliedImage& VisitCardLayers::Names(int width, int height, const std::wstring& ownName,
                                                 const std::wstring& visitorName, const std::wstring& note) {
    return KeepOrDraw(names_, std::tuple{width, height, ownName, visitorName, note}, [&] {
        const float w = width / scale_, h = height / scale_;
        const float half = (w - 24) / 2;
        return DrawLayer(width, height, scale_, [&](Gdiplus::GpGraphics* g) {
            const FontFamilyHandle family = CreateFontFamilyOrSansSerif(kFontFamily);
            DrawCentredText(g, family.get(), kSmallSize, ownName, kInk, BoxF{8, 41, half, 22},
                            Gdiplus::FontStyleRegular);
            DrawCentredText(g, family.get(), kSmallSize, visitorName, kInk, BoxF{16 + half, 41, half, 22},
                            Gdiplus::FontStyleRegular);
            if (note.empty()) return;
            const BoxF noteBox{18, h - 78, w - 36, 38};
            FillBox(g, kNoteFill, noteBox);
            DrawCentredText(g, family.get(), kNoteSize, L"漂流小纸条： " + note, kNoteInk, noteBox);
        });
    });
}

const PremultipliedImage& VisitCardLayers::Footer(int width, int height, const std::wstring& text) {
    return KeepOrDraw(footer_, SizedText{width, height, text}, [&] {
        const float w = width / scale_, h = height / scale_;
        return DrawLayer(width, height, scale_, [&](Gdiplus::GpGraphics* g) {
            const FontFamilyHandle family = CreateFontFamilyOrSansSerif(kFontFamily);
            DrawCentredText(g, family.get(), kSmallSize, text, kFooterInk, BoxF{0, h - 36, w, 30},
                            Gdiplus::FontStyleRegular);
        });
    });
}
