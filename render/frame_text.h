#pragma once

#include "render/draw_image_fitted.h"
#include "render/gdiplus_api.h"

#include <string>
#include <string_view>

// The named family, or the generic sans-serif one when the machine lacks it, so text is never
// silently dropped.
FontFamilyHandle CreateFontFamilyOrSansSerif(const wchar_t* familyName);

// Text of the given pixel size (bold unless told otherwise), centred both ways in the box and
// wrapped within it.
void DrawCentredText(Gdiplus::GpGraphics* graphics, Gdiplus::GpFontFamily* family, float pixelSize,
                     std::wstring_view text, ARGB colour, BoxF box, INT style = Gdiplus::FontStyleBold);

// The energy number in its dark disc at the top-right corner of a window w pixels wide.
void DrawEnergyBadge(Gdiplus::GpGraphics* graphics, int energy, float w);

// The pet's short phrase above it with its light shadow, and the heart that rises beside it.
// Each part is drawn in its colour with the given alpha (0..255), t being the progress 0..1.
enum class ReactionPart { Shadow, Text, Heart };
void DrawReactionPart(Gdiplus::GpGraphics* graphics, Gdiplus::GpFontFamily* family, ReactionPart part,
                      const std::wstring& text, ARGB alpha, float t, float w, float h);
FontFamilyHandle CreateReactionFontFamily();
// The alpha of the phrase and heart: opaque at first, then fading to a quarter and staying there.
ARGB ReactionTextAlpha(float t);
