#pragma once

#include <nlohmann/json.hpp>

#include <span>
#include <string>
#include <string_view>

namespace mossquill::service {

enum class JsonInputError { None, InvalidUtf8, InvalidJson, NotAnObject };

struct JsonInput {
    nlohmann::json value;
    JsonInputError error = JsonInputError::None;
};

// Parses a request body or live-session message that must be one JSON object.
// Stricter than the JSON grammar alone: invalid UTF-8, duplicate keys, numbers
// outside the double range and nesting deeper than a few levels are refused, so
// hostile input cannot be read two ways or exhaust memory through depth.
JsonInput ParseJsonObject(std::string_view text);

// One top-level member of an object read by ReadObjectMembers.
struct JsonMember {
    bool present = false;
    bool isString = false;
    std::string text;  // the value when it is a string
};

// Checks `text` by the rules of ParseJsonObject but keeps only the top-level members
// named in `names` (into `members`, in the same order), without building a document:
// the live relay reads every message this way.
JsonInputError ReadObjectMembers(std::string_view text, std::span<const std::string_view> names,
                                 std::span<JsonMember> members);

// The user-facing text for a refused input.
std::string_view DescribeJsonInputError(JsonInputError error);

}  // namespace mossquill::service
