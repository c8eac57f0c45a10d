#pragma once

// The GDI+ flat API with its C++ type declarations. The headers use min/max unqualified.
#include <windows.h>
#include <objidl.h>

#include <algorithm>

namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus

#include <gdiplus.h>

#include <memory>

namespace gp = Gdiplus::DllExports;

using Gdiplus::ARGB;
using Gdiplus::GpStatus;

// Owning handles for flat-API objects: one deleter per object family.
template <auto Delete>
struct GdipDeleter {
    template <typename T>
    void operator()(T* object) const {
        Delete(object);
    }
};

using GraphicsHandle = std::unique_ptr<Gdiplus::GpGraphics, GdipDeleter<&gp::GdipDeleteGraphics>>;
using ImageHandle = std::unique_ptr<Gdiplus::GpImage, GdipDeleter<&gp::GdipDisposeImage>>;
using ImageAttributesHandle = std::unique_ptr<Gdiplus::GpImageAttributes, GdipDeleter<&gp::GdipDisposeImageAttributes>>;
using BrushHandle = std::unique_ptr<Gdiplus::GpBrush, GdipDeleter<&gp::GdipDeleteBrush>>;
using PenHandle = std::unique_ptr<Gdiplus::GpPen, GdipDeleter<&gp::GdipDeletePen>>;
using FontFamilyHandle = std::unique_ptr<Gdiplus::GpFontFamily, GdipDeleter<&gp::GdipDeleteFontFamily>>;
using FontHandle = std::unique_ptr<Gdiplus::GpFont, GdipDeleter<&gp::GdipDeleteFont>>;
using StringFormatHandle = std::unique_ptr<Gdiplus::GpStringFormat, GdipDeleter<&gp::GdipDeleteStringFormat>>;
using PathHandle = std::unique_ptr<Gdiplus::GpPath, GdipDeleter<&gp::GdipDeletePath>>;

// Keeps GDI+ started for as long as it lives.
class GdiplusSession {
public:
    GdiplusSession() = default;
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    ~GdiplusSession() { Shutdown(); }

    bool Start();
    void Shutdown();
    bool started() const { return token_ != 0; }

private:
    ULONG_PTR token_ = 0;
};
