#pragma once

#include "render/gdiplus_api.h"

struct BoxF {
    float x;
    float y;
    float width;
    float height;
};

// The one way every picture is drawn: scaled uniformly to fit the box, centred, with an overall
// opacity, optionally flipped about its own vertical centre line. No image, no drawing.
void DrawImageFitted(Gdiplus::GpGraphics* graphics, Gdiplus::GpImage* image, BoxF box, float alpha, bool mirror);

// A GDI+ graphics on the DC, cleared to transparent and set to the quality every frame is drawn
// with; empty when GDI+ cannot draw on it.
GraphicsHandle CreateFrameGraphics(HDC dc);
