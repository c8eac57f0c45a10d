#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

class DibSurface;

// Premultiplied BGRA pixels, row after row from the top, placed with their top-left corner at
// (left, top) of the frame they were cut from.
struct PremultipliedImage {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    bool empty() const { return pixels.empty(); }
};

// x' = a x + b y + c, y' = d x + e y + f.
struct Affine {
    float a = 1, b = 0, c = 0;
    float d = 0, e = 1, f = 0;

    Affine Inverse() const;
};

// The smallest rectangle of the surface holding every pixel that is not fully transparent;
// empty when there is none.
PremultipliedImage CaptureLayer(const DibSurface& surface);

// The 0..255 opacity the blends take for an alpha of 0..1.
inline int OpacityOf(float alpha) { return static_cast<int>(std::lround(255 * std::clamp(alpha, 0.0f, 1.0f))); }

// Source-over of the image at its own place, its alpha scaled by opacity (0..255).
void BlendAt(uint32_t* target, int targetWidth, int targetHeight, const PremultipliedImage& image, int opacity);

// Source-over of the image put through imageToTarget (image pixel edges at whole coordinates),
// sampled bilinearly, its alpha scaled by opacity (0..255).
void BlendTransformed(uint32_t* target, int targetWidth, int targetHeight, const PremultipliedImage& image,
                      const Affine& imageToTarget, int opacity);
