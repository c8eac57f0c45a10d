#pragma once

#include "render/gdiplus_api.h"

#include <cstdint>
#include <map>
#include <span>
#include <vector>

// A COM stream reference.
struct StreamReleaser {
    void operator()(IStream* stream) const { stream->Release(); }
};
using StreamHandle = std::unique_ptr<IStream, StreamReleaser>;

// A decoded picture and the stream GDI+ keeps reading it from.
struct DecodedImage {
    StreamHandle stream;
    ImageHandle image;
};

// The built-in pictures by resource id, kept as their encoded bytes: a full-size decode costs
// megabytes, so a picture is decoded only when a scaled copy of it is made, and that decode is
// not kept. An id without bytes yields no image.
class ImageCatalogue {
public:
    // Takes every built-in RCDATA picture of the module; its bytes stay in the module's image.
    void LoadFromResources(HMODULE module);
    // Adds one picture from a copy of its encoded bytes (used by tests).
    void Add(int id, const void* bytes, size_t size);
    bool Has(int id) const;
    // A fresh full-size decode; empty when the id is missing or its bytes do not decode.
    DecodedImage Decode(int id) const;
    void Clear();

private:
    struct Entry {
        std::span<const uint8_t> bytes;
        std::vector<uint8_t> ownedBytes;
    };
    std::map<int, Entry> images_;
};
