#include "wide_text.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <limits>

#include "json.h"

namespace {

// The conversion functions take int lengths; longer input is refused rather than truncated.
constexpr std::size_t kMaxConvertible = static_cast<std::size_t>(std::numeric_limits<int>::max());

}  // namespace

std::wstring Utf8ToWide(std::string_view utf8) {
    if (utf8.empty() || utf8.size() > kMaxConvertible) return {};
    const int inputLength = static_cast<int>(utf8.size());
    const int wideLength = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), inputLength, nullptr, 0);
    if (wideLength <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    const int written =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), inputLength, wide.data(), wideLength);
    if (written != wideLength) return {};
    return wide;
}

std::string WideToUtf8(std::wstring_view wide) {
    if (wide.empty() || wide.size() > kMaxConvertible) return {};
    const int inputLength = static_cast<int>(wide.size());
    const int utf8Length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), inputLength, nullptr, 0, nullptr, nullptr);
    if (utf8Length <= 0) return {};
    std::string utf8(static_cast<std::size_t>(utf8Length), '\0');
    const int written =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), inputLength, utf8.data(), utf8Length, nullptr, nullptr);
    if (written != utf8Length) return {};
    return utf8;
}

std::string EscapeJsonString(std::wstring_view wide) { return EscapeJsonUtf8(WideToUtf8(wide)); }
