#include "ui/dialog_font.h"

DialogFont::DialogFont(DisplayScale scale) : font_(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))) {
    // The stock font is made for the system's DPI; only a dialog on a monitor of another needs its own.
    const int systemDpi = static_cast<int>(GetDpiForSystem());
    if (scale.dpi() == systemDpi) return;
    LOGFONTW font{};
    GetObjectW(font_, sizeof(font), &font);
    font.lfHeight = MulDiv(font.lfHeight, scale.dpi(), systemDpi);
    if (HFONT scaled = CreateFontIndirectW(&font)) font_ = owned_ = scaled;
}

DialogFont::~DialogFont() {
    if (owned_) DeleteObject(owned_);
}
