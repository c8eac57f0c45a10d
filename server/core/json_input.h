#pragma once

#include <nlohmann/json.hpp>

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

// The user-facing text for a refused input.
std::string_view DescribeJsonInputError(JsonInputError error);

}  // namespace mossquill::service
