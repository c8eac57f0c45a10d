#include "render/image_catalogue.h"

#include "core/picture_ids.h"

#include <cstring>

namespace {

StreamHandle StreamOverCopy(std::span<const uint8_t> bytes) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!memory) return nullptr;
    void* target = GlobalLock(memory);
    if (!target) {
        GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(target, bytes.data(), bytes.size());
    GlobalUnlock(memory);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
        GlobalFree(memory);
        return nullptr;
    }
    return StreamHandle(stream);
}

}  // namespace

void ImageCatalogue::LoadFromResources(HMODULE module) {
    for (int id : kAllPictureIds) {
        HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), RT_RCDATA);
        HGLOBAL loaded = info ? LoadResource(module, info) : nullptr;
        const DWORD size = info ? SizeofResource(module, info) : 0;
        const void* bytes = loaded ? LockResource(loaded) : nullptr;
        if (!bytes || size == 0 || images_.contains(id)) continue;
        images_[id].bytes = std::span(static_cast<const uint8_t*>(bytes), size);
    }
}

void ImageCatalogue::Add(int id, const void* bytes, size_t size) {
    if (images_.contains(id) || !bytes || size == 0) return;
    Entry& entry = images_[id];
    const auto* first = static_cast<const uint8_t*>(bytes);
    entry.ownedBytes.assign(first, first + size);
    entry.bytes = entry.ownedBytes;
}

bool ImageCatalogue::Has(int id) const { return images_.contains(id); }

DecodedImage ImageCatalogue::Decode(int id) const {
    auto found = images_.find(id);
    if (found == images_.end()) return {};
    DecodedImage decoded;
    decoded.stream = StreamOverCopy(found->second.bytes);
    if (!decoded.stream) return {};
    Gdiplus::GpImage* image = nullptr;
    if (gp::GdipLoadImageFromStream(decoded.stream.get(), &image) != Gdiplus::Ok || !image) {
        if (image) gp::GdipDisposeImage(image);
        return {};
    }
    decoded.image.reset(image);
    return decoded;
}

void ImageCatalogue::Clear() { images_.clear(); }
