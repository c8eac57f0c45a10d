#pragma once

#include "render/draw_image_fitted.h"
#include "render/gdiplus_api.h"

#include <string_view>

// The named family, or the generic sans-serif one when the machine lacks it, so text is never
// silently dropped.
FontFamilyHandle CreateFontFamilyOrSansSerif(const wchar_t* familyName);

// Text of the given pixel size (bold unless told otherwise), centred both ways in the box and
// wrapped within it.
void DrawCentredText(Gdiplus::GpGraphics* graphics, Gdiplus::GpFontFamily* family, float pixelSize,
                     std::wstring_view text, ARGB colour, BoxF box, INT style = Gdiplus::FontStyleBold);
