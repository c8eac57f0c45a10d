#pragma once

#include "core/display_scale.h"

#include <windows.h>

// The font of the home-made dialogs' controls: the system's dialog font at the dialog's own scale.
// A font made for another scale is owned, so it lives exactly as long as the dialog that uses it.
class DialogFont {
public:
    explicit DialogFont(DisplayScale scale);
    DialogFont(const DialogFont&) = delete;
    DialogFont& operator=(const DialogFont&) = delete;
    ~DialogFont();

    HFONT get() const { return font_; }

private:
    HFONT font_;
    HFONT owned_ = nullptr;
};
