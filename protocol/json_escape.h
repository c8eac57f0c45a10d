#pragma once

#include <string>
#include <string_view>

namespace mossquill::protocol {

// Appends UTF-8 text as the inside of a JSON string: the quote and the backslash escaped, the
// five control characters JSON names by letter, every other control byte as \u00xx. Both sides
// write the same bytes for the same text.
inline void AppendJsonEscaped(std::string& out, std::string_view utf8) {
    static constexpr char kHexDigits[] = "0123456789abcdef";
    for (const char c : utf8) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                out += "\\u00";
                out += kHexDigits[static_cast<unsigned char>(c) >> 4];
                out += kHexDigits[static_cast<unsigned char>(c) & 0x0F];
            } else {
                out += c;
            }
        }
    }
}

}  // namespace mossquill::protocol
