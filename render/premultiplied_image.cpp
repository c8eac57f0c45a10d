#include "render/premultiplied_image.h"

#include "render/dib_surface.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr uint32_t kRedBlue = 0x00FF00FF;

// Every channel times weight / 256, for weights 0..256.
uint32_t Scale(uint32_t pixel, uint32_t weight) {
    const uint32_t rb = ((pixel & kRedBlue) * weight >> 8) & kRedBlue;
    const uint32_t ag = (((pixel >> 8) & kRedBlue) * weight >> 8) & kRedBlue;
    return rb | (ag << 8);
}

// Premultiplied source over destination, with exact division by 255.
uint32_t Over(uint32_t source, uint32_t destination) {
    const uint32_t inverse = 255 - (source >> 24);
    if (inverse == 0) return source;
    uint32_t rb = (destination & kRedBlue) * inverse + 0x00800080;
    rb = ((rb + ((rb >> 8) & kRedBlue)) >> 8) & kRedBlue;
    uint32_t ag = ((destination >> 8) & kRedBlue) * inverse + 0x00800080;
    ag = ((ag + ((ag >> 8) & kRedBlue)) >> 8) & kRedBlue;
    return source + (rb | (ag << 8));
}

uint32_t OpacityWeight(int opacity) {
    const uint32_t o = static_cast<uint32_t>(std::clamp(opacity, 0, 255));
    return o + (o >> 7);
}

uint32_t Sample(const PremultipliedImage& image, int x, int y) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return 0;
    return image.pixels[static_cast<size_t>(y) * image.width + x];
}

}  // namespace

Affine Affine::Inverse() const {
    const float det = a * e - b * d;
    if (std::fabs(det) < 1e-12f) return Affine{0, 0, -1e9f, 0, 0, -1e9f};
    Affine inverse;
    inverse.a = e / det;
    inverse.b = -b / det;
    inverse.d = -d / det;
    inverse.e = a / det;
    inverse.c = -(inverse.a * c + inverse.b * f);
    inverse.f = -(inverse.d * c + inverse.e * f);
    return inverse;
}

PremultipliedImage CaptureLayer(const DibSurface& surface) {
    int left = surface.width(), top = surface.height(), right = -1, bottom = -1;
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < surface.width(); ++x) {
            if (surface.PixelAt(x, y) == 0) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    PremultipliedImage layer;
    if (right < 0) return layer;
    layer.left = left;
    layer.top = top;
    layer.width = right - left + 1;
    layer.height = bottom - top + 1;
    layer.pixels.reserve(static_cast<size_t>(layer.width) * layer.height);
    for (int y = top; y <= bottom; ++y) {
        const uint32_t* row = surface.pixels() + static_cast<size_t>(y) * surface.width();
        layer.pixels.insert(layer.pixels.end(), row + left, row + right + 1);
    }
    return layer;
}

void BlendAt(uint32_t* target, int targetWidth, int targetHeight, const PremultipliedImage& image, int opacity) {
    const uint32_t weight = OpacityWeight(opacity);
    if (weight == 0) return;
    const int x0 = std::max(0, image.left), x1 = std::min(targetWidth, image.left + image.width);
    const int y0 = std::max(0, image.top), y1 = std::min(targetHeight, image.top + image.height);
    for (int y = y0; y < y1; ++y) {
        const uint32_t* source = image.pixels.data() + static_cast<size_t>(y - image.top) * image.width - image.left;
        uint32_t* row = target + static_cast<size_t>(y) * targetWidth;
        for (int x = x0; x < x1; ++x) {
            uint32_t pixel = source[x];
            if (pixel == 0) continue;
            if (weight != 256) pixel = Scale(pixel, weight);
            row[x] = Over(pixel, row[x]);
        }
    }
}

void BlendTransformed(uint32_t* target, int targetWidth, int targetHeight, const PremultipliedImage& image,
                      const Affine& imageToTarget, int opacity) {
    const uint32_t weight = OpacityWeight(opacity);
    if (weight == 0 || image.empty()) return;
    // Only the target pixels the transformed image can reach.
    float minX = 1e9f, minY = 1e9f, maxX = -1e9f, maxY = -1e9f;
    for (const auto& [u, v] :
         {std::pair{0.0f, 0.0f}, std::pair{1.0f, 0.0f}, std::pair{0.0f, 1.0f}, std::pair{1.0f, 1.0f}}) {
        const float ix = u * static_cast<float>(image.width), iy = v * static_cast<float>(image.height);
        const float x = imageToTarget.a * ix + imageToTarget.b * iy + imageToTarget.c;
        const float y = imageToTarget.d * ix + imageToTarget.e * iy + imageToTarget.f;
        minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
    const int x0 = std::max(0, static_cast<int>(std::floor(minX)) - 1);
    const int x1 = std::min(targetWidth, static_cast<int>(std::ceil(maxX)) + 1);
    const int y0 = std::max(0, static_cast<int>(std::floor(minY)) - 1);
    const int y1 = std::min(targetHeight, static_cast<int>(std::ceil(maxY)) + 1);
    if (x0 >= x1 || y0 >= y1) return;

    // Walk the target in 16.16 image coordinates of the pixel centres, shifted so that whole
    // numbers land on image pixel centres.
    const Affine toImage = imageToTarget.Inverse();
    constexpr float kOne = 65536.0f;
    const int32_t stepU = static_cast<int32_t>(std::lround(toImage.a * kOne));
    const int32_t stepV = static_cast<int32_t>(std::lround(toImage.d * kOne));
    for (int y = y0; y < y1; ++y) {
        const float cx = static_cast<float>(x0) + 0.5f, cy = static_cast<float>(y) + 0.5f;
        int32_t u = static_cast<int32_t>(std::lround((toImage.a * cx + toImage.b * cy + toImage.c - 0.5f) * kOne));
        int32_t v = static_cast<int32_t>(std::lround((toImage.d * cx + toImage.e * cy + toImage.f - 0.5f) * kOne));
        uint32_t* row = target + static_cast<size_t>(y) * targetWidth;
        for (int x = x0; x < x1; ++x, u += stepU, v += stepV) {
            const int ix = u >> 16, iy = v >> 16;
            if (ix < -1 || iy < -1 || ix >= image.width || iy >= image.height) continue;
            const uint32_t fx = (static_cast<uint32_t>(u) >> 8) & 0xFF, fy = (static_cast<uint32_t>(v) >> 8) & 0xFF;
            const uint32_t p00 = Sample(image, ix, iy), p10 = Sample(image, ix + 1, iy);
            const uint32_t p01 = Sample(image, ix, iy + 1), p11 = Sample(image, ix + 1, iy + 1);
            if ((p00 | p10 | p01 | p11) == 0) continue;
            const uint32_t w00 = (256 - fx) * (256 - fy) >> 8, w10 = fx * (256 - fy) >> 8;
            const uint32_t w01 = (256 - fx) * fy >> 8, w11 = 256 - w00 - w10 - w01;
            const uint32_t rb =
                (((p00 & kRedBlue) * w00 + (p10 & kRedBlue) * w10 + (p01 & kRedBlue) * w01 + (p11 & kRedBlue) * w11) >>
                 8) &
                kRedBlue;
            const uint32_t ag = ((((p00 >> 8) & kRedBlue) * w00 + ((p10 >> 8) & kRedBlue) * w10 +
                                  ((p01 >> 8) & kRedBlue) * w01 + ((p11 >> 8) & kRedBlue) * w11) >>
                                 8) &
                                kRedBlue;
            uint32_t pixel = rb | (ag << 8);
            if (pixel == 0) continue;
            if (weight != 256) pixel = Scale(pixel, weight);
            row[x] = Over(pixel, row[x]);
        }
    }
}
