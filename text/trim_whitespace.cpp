#include "text/trim_whitespace.h"

#include <cwctype>

std::wstring TrimWhitespace(std::wstring_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::iswspace(text[begin]))
        ++begin;
    while (end > begin && std::iswspace(text[end - 1]))
        --end;
    return std::wstring(text.substr(begin, end - begin));
}
