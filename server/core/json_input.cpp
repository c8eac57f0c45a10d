#include "core/json_input.h"

#include "core/texts.h"
#include "core/utf8_text.h"

#include <cmath>
#include <vector>

namespace mossquill::service {
namespace {

using nlohmann::json;

constexpr std::size_t kMaxDepth = 8;

// Builds the document from parser events and refuses what the plain parser would accept.
class StrictDocumentBuilder {
public:
    bool null() { return Put(json(nullptr)); }
    bool boolean(bool value) { return Put(json(value)); }
    bool number_integer(json::number_integer_t value) { return Put(json(value)); }
    bool number_unsigned(json::number_unsigned_t value) { return Put(json(value)); }
    bool number_float(json::number_float_t value, const json::string_t&) {
        return std::isfinite(value) && Put(json(value));
    }
    bool string(json::string_t& value) { return Put(json(std::move(value))); }
    bool binary(json::binary_t&) { return false; }
    bool start_object(std::size_t) { return Open(json::object()); }
    bool start_array(std::size_t) { return Open(json::array()); }
    bool end_object() { return Close(); }
    bool end_array() { return Close(); }
    bool key(json::string_t& name) {
        if (open_.back()->contains(name)) {
            return false;
        }
        pendingKey_ = std::move(name);
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) { return false; }

    json TakeRoot() { return std::move(root_); }

private:
    json* Place(json value) {
        if (open_.empty()) {
            root_ = std::move(value);
            return &root_;
        }
        json& parent = *open_.back();
        if (parent.is_array()) {
            parent.push_back(std::move(value));
            return &parent.back();
        }
        json& slot = parent[pendingKey_];
        slot = std::move(value);
        return &slot;
    }

    bool Put(json value) {
        Place(std::move(value));
        return true;
    }

    bool Open(json container) {
        if (open_.size() >= kMaxDepth) {
            return false;
        }
        // A container's parent gains no other element while the container is open,
        // so the pointer stays valid until Close.
        open_.push_back(Place(std::move(container)));
        return true;
    }

    bool Close() {
        open_.pop_back();
        return true;
    }

    json root_;
    std::vector<json*> open_;
    std::string pendingKey_;
};

}  // namespace

JsonInput ParseJsonObject(std::string_view text) {
    JsonInput input;
    if (!IsValidUtf8(text)) {
        input.error = JsonInputError::InvalidUtf8;
        return input;
    }
    StrictDocumentBuilder builder;
    if (!json::sax_parse(text.begin(), text.end(), &builder)) {
        input.error = JsonInputError::InvalidJson;
        return input;
    }
    input.value = builder.TakeRoot();
    if (!input.value.is_object()) {
        input.error = JsonInputError::NotAnObject;
    }
    return input;
}

std::string_view DescribeJsonInputError(JsonInputError error) {
    switch (error) {
    case JsonInputError::InvalidUtf8:
        return texts::kInvalidUtf8;
    case JsonInputError::InvalidJson:
        return texts::kInvalidJson;
    case JsonInputError::NotAnObject:
        return texts::kNotJsonObject;
    case JsonInputError::None:
        break;
    }
    return {};
}

}  // namespace mossquill::service
