#include "online/display_text.h"

std::wstring LimitText(std::wstring text, std::size_t maxChars) {
    if (text.size() <= maxChars) return text;
    std::size_t keep = maxChars == 0 ? 0 : maxChars - 1;
    if (keep > 0) {
        const wchar_t last = text[keep - 1];
        if (last >= 0xD800 && last <= 0xDBFF) --keep;
    }
    text.resize(keep);
    text += L'\u2026';
    return text;
}

std::wstring LimitForDisplay(std::wstring text) { return LimitText(std::move(text), kMaxDisplayedServiceText + 1); }
