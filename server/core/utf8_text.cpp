#include "core/utf8_text.h"

namespace mossquill::service {
namespace {

constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

bool IsAsciiSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        unsigned long codePoint = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            codePoint = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            codePoint = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            codePoint = lead & 0x07;
        } else {
            return false;
        }
        if (text.size() - i < length) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto byte = static_cast<unsigned char>(text[i + k]);
            if (!IsContinuation(byte)) {
                return false;
            }
            codePoint = (codePoint << 6) | (byte & 0x3F);
        }
        const bool overlong = (length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000);
        const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
        if (overlong || surrogate || codePoint > 0x10FFFF) {
            return false;
        }
        i += length;
    }
    return true;
}

std::size_t CodePointCount(std::string_view validText) {
    std::size_t count = 0;
    for (const char c : validText) {
        if (!IsContinuation(static_cast<unsigned char>(c))) {
            ++count;
        }
    }
    return count;
}

bool HasControlCharacter(std::string_view validText) {
    for (std::size_t i = 0; i < validText.size(); ++i) {
        const auto byte = static_cast<unsigned char>(validText[i]);
        if (byte < 0x20 || byte == 0x7F) {
            return true;
        }
        // U+0080..U+009F are encoded as C2 80..C2 9F.
        if (byte == 0xC2 && i + 1 < validText.size()) {
            const auto next = static_cast<unsigned char>(validText[i + 1]);
            if (next >= 0x80 && next <= 0x9F) {
                return true;
            }
        }
    }
    return false;
}

std::string_view TrimSpaces(std::string_view validText) {
    for (;;) {
        if (!validText.empty() && IsAsciiSpace(validText.front())) {
            validText.remove_prefix(1);
        } else if (validText.starts_with(kIdeographicSpace)) {
            validText.remove_prefix(kIdeographicSpace.size());
        } else {
            break;
        }
    }
    for (;;) {
        if (!validText.empty() && IsAsciiSpace(validText.back())) {
            validText.remove_suffix(1);
        } else if (validText.ends_with(kIdeographicSpace)) {
            validText.remove_suffix(kIdeographicSpace.size());
        } else {
            break;
        }
    }
    return validText;
}

}  // namespace mossquill::service
