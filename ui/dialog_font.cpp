#include "ui/dialog_font.h"

DialogFont::DialogFont(DisplayScale scale) {
    LOGFONTW font{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    // The stock font is made for the system's DPI; the dialog may be on a monitor of another.
    font.lfHeight = MulDiv(font.lfHeight, scale.dpi(), static_cast<int>(GetDpiForSystem()));
    font_ = CreateFontIndirectW(&font);
}

DialogFont::~DialogFont() {
    if (font_) DeleteObject(font_);
}
