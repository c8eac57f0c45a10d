// libFuzzer target for the JSON reader and the byte escaper. Every accepted document is
// walked: each string and key must survive escaping and re-reading byte for byte, and the
// whole tree written back with the escaper must read back to an identical tree.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text/json.h"

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "broken invariant: %s\n", what);
        std::abort();
    }
}

bool SameTree(const JsonValue& a, const JsonValue& b) {
    if (a.kind != b.kind) return false;
    switch (a.kind) {
    case JsonKind::Null:
        return true;
    case JsonKind::Bool:
        return a.boolValue == b.boolValue;
    case JsonKind::Number:
        return a.numberValue == b.numberValue && std::signbit(a.numberValue) == std::signbit(b.numberValue);
    case JsonKind::String:
        return a.stringValue == b.stringValue;
    case JsonKind::Array:
        if (a.items.size() != b.items.size()) return false;
        for (std::size_t i = 0; i < a.items.size(); ++i) {
            if (!SameTree(a.items[i], b.items[i])) return false;
        }
        return true;
    case JsonKind::Object: {
        if (a.members.size() != b.members.size()) return false;
        auto other = b.members.begin();
        for (const auto& [key, member] : a.members) {
            if (key != other->first || !SameTree(member, other->second)) return false;
            ++other;
        }
        return true;
    }
    }
    return false;
}

void WriteString(const std::string& bytes, std::string& out) {
    out += '"';
    out += EscapeJsonUtf8(bytes);
    out += '"';
}

// Numbers in the shortest form that reads back to the same double.
void WriteTree(const JsonValue& value, std::string& out) {
    switch (value.kind) {
    case JsonKind::Null:
        out += "null";
        break;
    case JsonKind::Bool:
        out += value.boolValue ? "true" : "false";
        break;
    case JsonKind::Number: {
        char digits[64];
        const auto written = std::to_chars(digits, digits + sizeof digits, value.numberValue);
        Require(written.ec == std::errc{}, "number cannot be written");
        out.append(digits, written.ptr);
        break;
    }
    case JsonKind::String:
        WriteString(value.stringValue, out);
        break;
    case JsonKind::Array: {
        out += '[';
        const char* separator = "";
        for (const JsonValue& item : value.items) {
            out += separator;
            WriteTree(item, out);
            separator = ",";
        }
        out += ']';
        break;
    }
    case JsonKind::Object: {
        out += '{';
        const char* separator = "";
        for (const auto& [key, member] : value.members) {
            out += separator;
            WriteString(key, out);
            out += ':';
            WriteTree(member, out);
            separator = ",";
        }
        out += '}';
        break;
    }
    }
}

void CheckEscapedRoundTrip(const std::string& bytes) {
    const std::string escaped = EscapeJsonUtf8(bytes);
    for (const char c : escaped)
        Require(static_cast<unsigned char>(c) >= 0x20, "control byte left unescaped");
    JsonValue reread;
    Require(ParseJson("\"" + escaped + "\"", reread), "escaped string does not parse");
    Require(reread.kind == JsonKind::String && reread.stringValue == bytes, "escaped string reads back differently");
}

void CheckStrings(const JsonValue& value) {
    if (value.kind == JsonKind::String) CheckEscapedRoundTrip(value.stringValue);
    for (const JsonValue& item : value.items)
        CheckStrings(item);
    for (const auto& [key, member] : value.members) {
        CheckEscapedRoundTrip(key);
        CheckStrings(member);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A view of exactly the input bytes, so that reading past the end is caught by the sanitizer.
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    JsonValue value;
    const bool accepted = ParseJson(text, value);
    JsonValue padded;
    Require(ParseJson(" \v\n" + std::string(text) + "\f\t\r", padded) == accepted,
            "surrounding white space changes the verdict");
    if (!accepted) return 0;
    Require(SameTree(value, padded), "surrounding white space changes the tree");

    CheckStrings(value);
    std::string written;
    WriteTree(value, written);
    JsonValue reread;
    Require(ParseJson(written, reread), "written tree does not parse");
    Require(SameTree(value, reread), "written tree reads back differently");
    std::string rewritten;
    WriteTree(reread, rewritten);
    Require(rewritten == written, "writing is not stable");
    return 0;
}
