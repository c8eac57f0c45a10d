#include "render/dib_surface.h"

#include <cstring>

DibSurface::DibSurface(int width, int height) : width_(width), height_(height) {
    screenDc_ = GetDC(nullptr);
    memoryDc_ = CreateCompatibleDC(screenDc_);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bitmap_ = memoryDc_ ? CreateDIBSection(screenDc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0) : nullptr;
    if (!bitmap_) {
        bits_ = nullptr;
        return;
    }
    oldBitmap_ = SelectObject(memoryDc_, bitmap_);
    std::memset(bits_, 0, static_cast<size_t>(width) * height * 4);
}

DibSurface::~DibSurface() {
    if (bitmap_) {
        SelectObject(memoryDc_, oldBitmap_);
        DeleteObject(bitmap_);
    }
    if (memoryDc_) DeleteDC(memoryDc_);
    if (screenDc_) ReleaseDC(nullptr, screenDc_);
}
