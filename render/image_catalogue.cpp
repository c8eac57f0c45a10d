#include "render/image_catalogue.h"

#include "render/picture_ids.h"

#include <cstring>

namespace {

StreamHandle StreamOverCopy(const void* bytes, size_t size) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory) return nullptr;
    void* target = GlobalLock(memory);
    if (!target) {
        GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(target, bytes, size);
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
        if (!bytes || size == 0) {
            images_.try_emplace(id);
            continue;
        }
        Add(id, bytes, size);
    }
}

void ImageCatalogue::Add(int id, const void* bytes, size_t size) {
    if (images_.contains(id)) return;
    CataloguedImage entry;
    StreamHandle stream = StreamOverCopy(bytes, size);
    if (stream) {
        Gdiplus::GpImage* image = nullptr;
        if (gp::GdipLoadImageFromStream(stream.get(), &image) == Gdiplus::Ok && image) {
            entry.image.reset(image);
            entry.stream = std::move(stream);
        } else if (image) {
            gp::GdipDisposeImage(image);
        }
    }
    images_.emplace(id, std::move(entry));
}

Gdiplus::GpImage* ImageCatalogue::Find(int id) const {
    auto found = images_.find(id);
    return found == images_.end() ? nullptr : found->second.image.get();
}

void ImageCatalogue::Clear() { images_.clear(); }
