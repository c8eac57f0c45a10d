#include "json.h"

#include <utility>

#include "json_number.h"
#include "protocol/json_escape.h"
#include "utf8.h"

namespace {

// The C library's isspace in the "C" locale: the four JSON white-space bytes plus vertical tab
// and form feed. Spelled out so that the process locale cannot widen it.
bool IsJsonSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class JsonReader {
public:
    explicit JsonReader(std::string_view text) : text_(text) {}

    bool ParseDocument(JsonValue& out) {
        SkipSpace();
        if (!ParseValue(out)) return false;
        SkipSpace();
        return AtEnd();
    }

private:
    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek() const { return text_[pos_]; }

    void SkipSpace() {
        while (!AtEnd() && IsJsonSpace(Peek()))
            ++pos_;
    }

    bool ParseValue(JsonValue& out) {
        if (AtEnd()) return false;
        switch (Peek()) {
        case '"':
            out.kind = JsonKind::String;
            return ParseString(out.stringValue);
        case '[':
            return ParseArray(out);
        case '{':
            return ParseObject(out);
        case 't':
            out.kind = JsonKind::Bool;
            out.boolValue = true;
            return ConsumeLiteral("true");
        case 'f':
            out.kind = JsonKind::Bool;
            out.boolValue = false;
            return ConsumeLiteral("false");
        case 'n':
            out.kind = JsonKind::Null;
            return ConsumeLiteral("null");
        default:
            if (Peek() == '-' || IsDigit(Peek())) return ParseNumber(out);
            return false;
        }
    }

    bool ConsumeIf(char c) {
        if (AtEnd() || Peek() != c) return false;
        ++pos_;
        return true;
    }

    bool ConsumeLiteral(std::string_view literal) {
        if (text_.substr(pos_, literal.size()) != literal) return false;
        pos_ += literal.size();
        return true;
    }

    bool ConsumeDigits() {
        const std::size_t start = pos_;
        while (!AtEnd() && IsDigit(Peek()))
            ++pos_;
        return pos_ > start;
    }

    bool ParseNumber(JsonValue& out) {
        const std::size_t start = pos_;
        ConsumeIf('-');
        if (AtEnd() || !IsDigit(Peek())) return false;
        if (!ConsumeIf('0')) ConsumeDigits();
        if (ConsumeIf('.') && !ConsumeDigits()) return false;
        if (ConsumeIf('e') || ConsumeIf('E')) {
            if (!ConsumeIf('+')) ConsumeIf('-');
            if (!ConsumeDigits()) return false;
        }
        out.kind = JsonKind::Number;
        return ConvertJsonNumber(text_.substr(start, pos_ - start), out.numberValue);
    }

    // Reads the four hexadecimal digits after "\u".
    bool ParseHex4(std::uint32_t& value) {
        if (text_.size() - pos_ < 4) return false;
        value = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = HexDigitValue(text_[pos_++]);
            if (digit < 0) return false;
            value = (value << 4) | static_cast<std::uint32_t>(digit);
        }
        return true;
    }

    // Called with the position just behind the 'u' of an escape.
    bool ParseUnicodeEscape(std::string& out) {
        std::uint32_t unit = 0;
        if (!ParseHex4(unit)) return false;
        if (unit < 0xD800 || unit > 0xDBFF) {
            AppendUtf8(out, unit);  // includes a lone low surrogate, kept as its 3-byte form
            return true;
        }
        if (text_.substr(pos_, 2) != "\\u") return false;
        pos_ += 2;
        std::uint32_t low = 0;
        if (!ParseHex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        return true;
    }

    bool ParseEscape(std::string& out) {
        if (AtEnd()) return false;
        const char letter = text_[pos_++];
        switch (letter) {
        case '"':
        case '/':
        case '\\':
            out += letter;
            return true;
        case 'b':
            out += '\b';
            return true;
        case 'f':
            out += '\f';
            return true;
        case 'n':
            out += '\n';
            return true;
        case 'r':
            out += '\r';
            return true;
        case 't':
            out += '\t';
            return true;
        case 'u':
            return ParseUnicodeEscape(out);
        default:
            return false;
        }
    }

    // Raw bytes of 0x80 and above are copied without UTF-8 validation; the conversion to
    // UTF-16 rejects invalid text later.
    bool ParseString(std::string& out) {
        if (!ConsumeIf('"')) return false;
        out.clear();
        while (!AtEnd()) {
            const char c = text_[pos_++];
            if (c == '"') return true;
            if (c == '\\') {
                if (!ParseEscape(out)) return false;
            } else if (static_cast<unsigned char>(c) < 0x20) {
                return false;
            } else {
                out += c;
            }
        }
        return false;
    }

    // Counts one level of nesting for the lifetime of a container parse.
    class DepthGuard {
    public:
        explicit DepthGuard(int& depth) : depth_(depth) { ++depth_; }
        ~DepthGuard() { --depth_; }
        DepthGuard(const DepthGuard&) = delete;
        DepthGuard& operator=(const DepthGuard&) = delete;
        bool Exceeded() const { return depth_ > kMaxJsonNestingDepth; }

    private:
        int& depth_;
    };

    // The frame shared by arrays and objects: the opening bracket, the depth limit, the empty
    // container, and items separated by commas up to the closing bracket.
    template <typename ParseItem>
    bool ParseContainer(char close, ParseItem parseItem) {
        const DepthGuard guard(depth_);
        if (guard.Exceeded()) return false;
        ++pos_;
        SkipSpace();
        if (ConsumeIf(close)) return true;
        for (;;) {
            if (!parseItem()) return false;
            SkipSpace();
            if (ConsumeIf(close)) return true;
            if (!ConsumeIf(',')) return false;
            SkipSpace();
        }
    }

    bool ParseArray(JsonValue& out) {
        out.kind = JsonKind::Array;
        return ParseContainer(']', [&] {
            JsonValue item;
            if (!ParseValue(item)) return false;
            out.items.push_back(std::move(item));
            return true;
        });
    }

    bool ParseObject(JsonValue& out) {
        out.kind = JsonKind::Object;
        return ParseContainer('}', [&] {
            std::string key;
            if (!ParseString(key)) return false;
            SkipSpace();
            if (!ConsumeIf(':')) return false;
            SkipSpace();
            JsonValue member;
            if (!ParseValue(member)) return false;
            out.members.try_emplace(std::move(key), std::move(member));  // the first occurrence wins
            return true;
        });
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    int depth_ = 0;
};

}  // namespace

const JsonValue* JsonValue::FindMember(std::string_view key) const {
    if (kind != JsonKind::Object) return nullptr;
    const auto found = members.find(std::string(key));
    return found == members.end() ? nullptr : &found->second;
}

std::string JsonValue::GetString(std::string_view key) const {
    const JsonValue* member = FindMember(key);
    if (member == nullptr || member->kind != JsonKind::String) return {};
    return member->stringValue;
}

bool ParseJson(std::string_view text, JsonValue& out) {
    out = JsonValue{};
    return JsonReader(text).ParseDocument(out);
}

std::string EscapeJsonUtf8(std::string_view utf8) {
    std::string escaped;
    escaped.reserve(utf8.size() + 8);
    mossquill::protocol::AppendJsonEscaped(escaped, utf8);
    return escaped;
}
