#include "support/test_pictures.h"

std::vector<uint8_t> EncodePng(int width, int height, const std::function<ARGB(int x, int y)>& pixel) {
    std::vector<ARGB> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            pixels[static_cast<size_t>(y) * width + x] = pixel(x, y);
    }
    Gdiplus::GpBitmap* bitmap = nullptr;
    gp::GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppARGB,
                                  reinterpret_cast<BYTE*>(pixels.data()), &bitmap);
    ImageHandle image(bitmap);
    IStream* rawStream = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &rawStream);
    const CLSID pngEncoder = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
    gp::GdipSaveImageToStream(image.get(), rawStream, &pngEncoder, nullptr);
    STATSTG stat{};
    rawStream->Stat(&stat, STATFLAG_NONAME);
    std::vector<uint8_t> bytes(static_cast<size_t>(stat.cbSize.QuadPart));
    LARGE_INTEGER start{};
    rawStream->Seek(start, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    rawStream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    rawStream->Release();
    bytes.resize(read);
    return bytes;
}
