#include "render/gdiplus_api.h"

bool GdiplusSession::Start() {
    Gdiplus::GdiplusStartupInput input;
    input.GdiplusVersion = 1;
    return Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
}

void GdiplusSession::Shutdown() {
    if (token_ != 0) {
        Gdiplus::GdiplusShutdown(token_);
        token_ = 0;
    }
}
