#include "online/display_text.h"

namespace {

// The first `keep` code units, one fewer rather than half a surrogate pair, then "…".
std::wstring CutAfter(std::wstring text, std::size_t keep) {
    if (keep > 0) {
        const wchar_t last = text[keep - 1];
        if (last >= 0xD800 && last <= 0xDBFF) --keep;
    }
    text.resize(keep);
    text += L'\u2026';
    return text;
}

}  // namespace

std::wstring LimitText(std::wstring text, std::size_t maxChars) {
    if (text.size() <= maxChars) return text;
    return CutAfter(std::move(text), maxChars == 0 ? 0 : maxChars - 1);
}

std::wstring LimitForDisplay(std::wstring text) {
    if (text.size() <= kMaxDisplayedServiceText) return text;
    return CutAfter(std::move(text), kMaxDisplayedServiceText);
}
