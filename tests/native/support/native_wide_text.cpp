// Utf8ToWide and WideToUtf8 for the native builds of the portable code (tests and fuzzing), which
// have no MultiByteToWideChar: the same contracts, strict UTF-8 in and U+FFFD for an unpaired
// surrogate out. The Windows
// program and its tests use the system conversion in text/wide_text.cpp.
#include "text/utf8.h"
#include "text/wide_text.h"

#include <cstdint>

namespace {

// The length of a sequence from its lead byte and the smallest code point it may carry;
// 0 for a byte that cannot start one.
struct Lead {
    int length;
    std::uint32_t minimum;
    std::uint32_t bits;
};

Lead ReadLead(unsigned char byte) {
    if (byte < 0x80) return {1, 0, byte};
    if ((byte & 0xE0) == 0xC0) return {2, 0x80, byte & 0x1Fu};
    if ((byte & 0xF0) == 0xE0) return {3, 0x800, byte & 0x0Fu};
    if ((byte & 0xF8) == 0xF0) return {4, 0x10000, byte & 0x07u};
    return {0, 0, 0};
}

void AppendCodePoint(std::wstring& out, std::uint32_t codePoint) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (codePoint >= 0x10000) {
            codePoint -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (codePoint >> 10));
            out += static_cast<wchar_t>(0xDC00 + (codePoint & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(codePoint);
}

}  // namespace

std::wstring Utf8ToWide(std::string_view utf8) {
    std::wstring wide;
    for (std::size_t i = 0; i < utf8.size();) {
        const Lead lead = ReadLead(static_cast<unsigned char>(utf8[i]));
        if (lead.length == 0 || utf8.size() - i < static_cast<std::size_t>(lead.length)) return {};
        std::uint32_t codePoint = lead.bits;
        for (int k = 1; k < lead.length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80) return {};
            codePoint = (codePoint << 6) | (next & 0x3Fu);
        }
        if (codePoint < lead.minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return {};
        AppendCodePoint(wide, codePoint);
        i += lead.length;
    }
    return wide;
}

std::string WideToUtf8(std::wstring_view wide) {
    std::string utf8;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        auto codePoint = static_cast<std::uint32_t>(wide[i]);
        if (codePoint >= 0xD800 && codePoint <= 0xDFFF) {
            const bool paired =
                codePoint < 0xDC00 && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF;
            codePoint = paired
                            ? 0x10000 + ((codePoint - 0xD800) << 10) + (static_cast<std::uint32_t>(wide[++i]) - 0xDC00)
                            : 0xFFFD;
        }
        if (codePoint > 0x10FFFF) codePoint = 0xFFFD;
        AppendUtf8(utf8, codePoint);
    }
    return utf8;
}
