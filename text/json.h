// The JSON machinery of the online client: a strict reader that builds a tree of values,
// and the byte-level string escaper used when request bodies are assembled by concatenation.
// Free of Windows headers so that it also builds natively for tests and fuzzing.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

enum class JsonKind : std::int32_t {
    Null = 0,
    Bool = 1,
    Number = 2,
    String = 3,
    Array = 4,
    Object = 5,
};

// One node of a parsed document. Every payload field exists in every node; only the one
// that matches `kind` is meaningful.
struct JsonValue {
    JsonKind kind = JsonKind::Null;
    bool boolValue = false;
    double numberValue = 0.0;
    std::string stringValue;  // UTF-8 bytes exactly as decoded; may hold NUL bytes
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;  // byte-wise key order; first occurrence of a key wins

    // Null unless this is an Object with a member of exactly this key.
    const JsonValue* FindMember(std::string_view key) const;
    // The member's string when it exists and is a String, otherwise empty.
    std::string GetString(std::string_view key) const;
};

// Deeper documents are refused: the reader recurses once per level, and the service never
// nests more than a few levels, so this bounds the stack a hostile document can consume.
inline constexpr int kMaxJsonNestingDepth = 256;

// True only when the whole text is one valid value, optionally surrounded by white space.
// `out` is replaced; after a false result its content is unspecified and must be discarded.
bool ParseJson(std::string_view text, JsonValue& out);

// Escapes UTF-8 bytes for use between the quotes of a JSON string. Bytes of 0x80 and above,
// 0x7F and '/' are copied unchanged.
std::string EscapeJsonUtf8(std::string_view utf8);
