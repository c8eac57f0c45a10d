#pragma once

#include "render/gdiplus_api.h"

#include <map>

// A COM stream reference.
struct StreamReleaser {
    void operator()(IStream* stream) const { stream->Release(); }
};
using StreamHandle = std::unique_ptr<IStream, StreamReleaser>;

// A decoded picture and the stream GDI+ keeps reading it from.
struct CataloguedImage {
    StreamHandle stream;
    ImageHandle image;
};

// The built-in pictures by resource id, decoded once at start-up. An id that could not be
// decoded stays present but empty; every lookup of it yields no image.
class ImageCatalogue {
public:
    // Decodes every built-in RCDATA picture of the module.
    void LoadFromResources(HMODULE module);
    // Adds one picture from encoded bytes (used for resources and by tests).
    void Add(int id, const void* bytes, size_t size);
    Gdiplus::GpImage* Find(int id) const;
    void Clear();

private:
    std::map<int, CataloguedImage> images_;
};
