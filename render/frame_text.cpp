#include "render/frame_text.h"

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
