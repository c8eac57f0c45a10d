#include "render/draw_image_fitted.h"

#include <algorithm>

void DrawImageFitted(Gdiplus::GpGraphics* graphics, Gdiplus::GpImage* image, BoxF box, float alpha, bool mirror) {
    if (!image || alpha <= 0.001f) return;
    UINT imageWidth = 0;
    UINT imageHeight = 0;
    gp::GdipGetImageWidth(image, &imageWidth);
    gp::GdipGetImageHeight(image, &imageHeight);
    if (imageWidth == 0 || imageHeight == 0) return;

    const float iw = static_cast<float>(imageWidth);
    const float ih = static_cast<float>(imageHeight);
    const float k = std::min(box.width / iw, box.height / ih);
    const float dw = k * iw;
    const float dh = k * ih;
    const float dx = box.x + (box.width - dw) / 2;
    const float dy = box.y + (box.height - dh) / 2;

    Gdiplus::GpImageAttributes* rawAttributes = nullptr;
    if (gp::GdipCreateImageAttributes(&rawAttributes) != Gdiplus::Ok) return;
    ImageAttributesHandle attributes(rawAttributes);
    Gdiplus::ColorMatrix matrix{};
    for (int i = 0; i < 5; ++i)
        matrix.m[i][i] = 1.0f;
    matrix.m[3][3] = std::clamp(alpha, 0.0f, 1.0f);
    gp::GdipSetImageAttributesColorMatrix(attributes.get(), Gdiplus::ColorAdjustTypeDefault, TRUE, &matrix, nullptr,
                                          Gdiplus::ColorMatrixFlagsDefault);

    Gdiplus::GraphicsState state = 0;
    gp::GdipSaveGraphics(graphics, &state);
    if (mirror) {
        gp::GdipTranslateWorldTransform(graphics, 2 * dx + dw, 0, Gdiplus::MatrixOrderPrepend);
        gp::GdipScaleWorldTransform(graphics, -1, 1, Gdiplus::MatrixOrderPrepend);
    }
    gp::GdipDrawImageRectRect(graphics, image, dx, dy, dw, dh, 0, 0, iw, ih, Gdiplus::UnitPixel, attributes.get(),
                              nullptr, nullptr);
    gp::GdipRestoreGraphics(graphics, state);
}

GraphicsHandle CreateFrameGraphics(HDC dc) {
    Gdiplus::GpGraphics* raw = nullptr;
    if (gp::GdipCreateFromHDC(dc, &raw) != Gdiplus::Ok) return nullptr;
    GraphicsHandle graphics(raw);
    Gdiplus::GpGraphics* g = graphics.get();
    gp::GdipSetCompositingMode(g, Gdiplus::CompositingModeSourceCopy);
    gp::GdipGraphicsClear(g, 0x00000000);
    gp::GdipSetCompositingMode(g, Gdiplus::CompositingModeSourceOver);
    gp::GdipSetInterpolationMode(g, Gdiplus::InterpolationModeHighQualityBicubic);
    gp::GdipSetPixelOffsetMode(g, Gdiplus::PixelOffsetModeHighQuality);
    gp::GdipSetSmoothingMode(g, Gdiplus::SmoothingModeAntiAlias);
    return graphics;
}
