#pragma once

#include <string>
#include <string_view>

// The text without the white space (iswspace) at either end; inner white space stays.
std::wstring TrimWhitespace(std::wstring_view text);
