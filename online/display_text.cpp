#include "online/display_text.h"

std::wstring LimitForDisplay(std::wstring text) {
    if (text.size() <= kMaxDisplayedServiceText) return text;
    std::size_t keep = kMaxDisplayedServiceText;
    const wchar_t last = text[keep - 1];
    if (last >= 0xD800 && last <= 0xDBFF) --keep;
    text.resize(keep);
    text += L'\u2026';
    return text;
}
