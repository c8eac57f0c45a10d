// Conversions between the UTF-16 text of the user interface and the UTF-8 bytes of the wire.
#pragma once

#include <string>
#include <string_view>

// Strict: invalid UTF-8 (including encoded surrogates) yields an empty string, never a
// partial conversion.
std::wstring Utf8ToWide(std::string_view utf8);

// Lenient: unpaired surrogates become U+FFFD.
std::string WideToUtf8(std::wstring_view wide);

// UTF-8 of the text, escaped for use between the quotes of a JSON string (quotes not included).
std::string EscapeJsonString(std::wstring_view wide);
