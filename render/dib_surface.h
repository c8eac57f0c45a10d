#pragma once

#include <windows.h>

#include <cstdint>

// A 32-bit top-down DIB section selected into a memory DC compatible with the screen: the
// canvas a frame is composed on before it is pushed to the layered window.
class DibSurface {
public:
    DibSurface(int width, int height);
    DibSurface(const DibSurface&) = delete;
    DibSurface& operator=(const DibSurface&) = delete;
    ~DibSurface();

    bool valid() const { return bitmap_ != nullptr; }
    int width() const { return width_; }
    int height() const { return height_; }
    HDC screenDc() const { return screenDc_; }
    HDC memoryDc() const { return memoryDc_; }
    // Premultiplied BGRA, row after row from the top.
    const uint32_t* pixels() const { return static_cast<const uint32_t*>(bits_); }
    uint32_t* mutablePixels() { return static_cast<uint32_t*>(bits_); }
    uint32_t PixelAt(int x, int y) const { return pixels()[y * width_ + x]; }

private:
    int width_;
    int height_;
    HDC screenDc_ = nullptr;
    HDC memoryDc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    void* bits_ = nullptr;
};
