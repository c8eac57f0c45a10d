#include "render/frame_text.h"

#include <algorithm>

FontFamilyHandle CreateFontFamilyOrSansSerif(const wchar_t* familyName) {
    Gdiplus::GpFontFamily* family = nullptr;
    if (gp::GdipCreateFontFamilyFromName(familyName, nullptr, &family) == Gdiplus::Ok && family) {
        return FontFamilyHandle(family);
    }
    family = nullptr;
    if (gp::GdipGetGenericFontFamilySansSerif(&family) == Gdiplus::Ok && family) {
        return FontFamilyHandle(family);
    }
    return nullptr;
}

void DrawCentredText(Gdiplus::GpGraphics* graphics, Gdiplus::GpFontFamily* family, float pixelSize,
                     std::wstring_view text, ARGB colour, BoxF box, INT style) {
    if (!family || text.empty()) return;
    Gdiplus::GpFont* rawFont = nullptr;
    if (gp::GdipCreateFont(family, pixelSize, style, Gdiplus::UnitPixel, &rawFont) != Gdiplus::Ok) {
        return;
    }
    FontHandle font(rawFont);
    Gdiplus::GpStringFormat* rawFormat = nullptr;
    if (gp::GdipCreateStringFormat(0, LANG_NEUTRAL, &rawFormat) != Gdiplus::Ok) return;
    StringFormatHandle format(rawFormat);
    gp::GdipSetStringFormatAlign(format.get(), Gdiplus::StringAlignmentCenter);
    gp::GdipSetStringFormatLineAlign(format.get(), Gdiplus::StringAlignmentCenter);
    Gdiplus::GpSolidFill* rawBrush = nullptr;
    if (gp::GdipCreateSolidFill(colour, &rawBrush) != Gdiplus::Ok) return;
    BrushHandle brush(rawBrush);
    const Gdiplus::RectF layout(box.x, box.y, box.width, box.height);
    gp::GdipDrawString(graphics, text.data(), static_cast<INT>(text.size()), font.get(), &layout, format.get(),
                       brush.get());
}

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

FontFamilyHandle CreateReactionFontFamily() { return CreateFontFamilyOrSansSerif(L"Microsoft YaHei UI"); }

void DrawReactionPart(Gdiplus::GpGraphics* graphics, Gdiplus::GpFontFamily* family, ReactionPart part,
                      const std::wstring& text, ARGB alpha, float t, float w, float h) {
    const ARGB a = alpha << 24;
    const float textSize = std::max(14.0f, std::min(22.0f, 0.075f * w));
    const float heartSize = std::max(23.0f, std::min(38.0f, 0.12f * w));
    switch (part) {
    case ReactionPart::Shadow:
        DrawCentredText(graphics, family, textSize, text, a | 0xFFFFFF, BoxF{5.5f, 6.5f, 0.74f * w, 0.16f * h});
        break;
    case ReactionPart::Text:
        DrawCentredText(graphics, family, textSize, text, a | 0x6A3F2C, BoxF{4, 5, 0.74f * w, 0.16f * h});
        break;
    case ReactionPart::Heart:
        DrawCentredText(graphics, family, heartSize, L"♥", a | 0xEE5B69,
                        BoxF{0.08f * w, (0.22f - 0.12f * t) * h, 0.22f * w, 0.18f * h});
        break;
    }
}

ARGB ReactionTextAlpha(float t) { return static_cast<ARGB>(255 * std::clamp(1.25f - t, 0.0f, 1.0f)); }
