#pragma once

#include <cstddef>
#include <string_view>

namespace mossquill::service {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);

// Number of code points in text that IsValidUtf8 accepted.
std::size_t CodePointCount(std::string_view validText);

// True when valid text holds a C0 or C1 control character or DEL.
bool HasControlCharacter(std::string_view validText);

// Valid text without leading and trailing ASCII white space and ideographic spaces.
std::string_view TrimSpaces(std::string_view validText);

}  // namespace mossquill::service
