#pragma once

#include "render/draw_image_fitted.h"
#include "render/gdiplus_api.h"

#include <string_view>

// The named family, or the generic sans-serif one when the machine lacks it, so text is never
// silently dropped.
FontFamilyHandle CreateFontFamilyOrSansSerif(const wchar_t* familyName);

// Bold text of the given pixel size, centred both ways in the box.
void DrawCentredText(Gdiplus::GpGraphics* graphics, Gdiplus::GpFontFamily* family, float pixelSize,
                     std::wstring_view text, ARGB colour, BoxF box);
