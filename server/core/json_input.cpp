#include "core/json_input.h"

#include "core/texts.h"
#include "core/utf8_text.h"

#include <algorithm>
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

// Applies the same rules as StrictDocumentBuilder while keeping nothing but the wanted
// members of the outermost object; each open object remembers its keys for the
// duplicate check.
class MemberReader {
public:
    MemberReader(std::span<const std::string_view> names, std::span<JsonMember> members)
        : names_(names), members_(members) {}

    bool null() { return Value(nullptr); }
    bool boolean(bool) { return Value(nullptr); }
    bool number_integer(json::number_integer_t) { return Value(nullptr); }
    bool number_unsigned(json::number_unsigned_t) { return Value(nullptr); }
    bool number_float(json::number_float_t value, const json::string_t&) {
        return std::isfinite(value) && Value(nullptr);
    }
    bool string(json::string_t& value) { return Value(&value); }
    bool binary(json::binary_t&) { return false; }
    bool start_object(std::size_t) { return Open(true); }
    bool start_array(std::size_t) { return Open(false); }
    bool end_object() { return Close(); }
    bool end_array() { return Close(); }
    bool key(json::string_t& name) {
        std::vector<std::string>& keys = keys_[depth_ - 1];
        if (std::find(keys.begin(), keys.end(), name) != keys.end()) {
            return false;
        }
        keys.push_back(name);
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) { return false; }

    bool RootIsObject() const { return rootIsObject_; }

private:
    bool Value(json::string_t* text) {
        if (depth_ == 0) {
            return true;  // a lone value: not an object
        }
        if (depth_ == 1 && rootIsObject_) {
            Keep(text);
        }
        return true;
    }

    void Keep(json::string_t* text) {
        const std::string& name = keys_[0].back();
        for (std::size_t i = 0; i < names_.size(); ++i) {
            if (names_[i] == name) {
                members_[i].present = true;
                members_[i].isString = text != nullptr;
                if (text != nullptr) {
                    members_[i].text = std::move(*text);
                }
            }
        }
    }

    bool Open(bool isObject) {
        if (depth_ >= kMaxDepth) {
            return false;
        }
        if (depth_ == 0) {
            rootIsObject_ = isObject;
        } else if (depth_ == 1 && rootIsObject_) {
            Keep(nullptr);
        }
        if (keys_.size() <= depth_) {
            keys_.emplace_back();
        }
        keys_[depth_].clear();
        ++depth_;
        return true;
    }

    bool Close() {
        --depth_;
        return true;
    }

    std::span<const std::string_view> names_;
    std::span<JsonMember> members_;
    std::vector<std::vector<std::string>> keys_;  // by depth; arrays leave theirs empty
    std::size_t depth_ = 0;
    bool rootIsObject_ = false;
};

}  // namespace

JsonInputError ReadObjectMembers(std::string_view text, std::span<const std::string_view> names,
                                 std::span<JsonMember> members) {
    if (!IsValidUtf8(text)) {
        return JsonInputError::InvalidUtf8;
    }
    MemberReader reader(names, members);
    if (!json::sax_parse(text.begin(), text.end(), &reader)) {
        return JsonInputError::InvalidJson;
    }
    return reader.RootIsObject() ? JsonInputError::None : JsonInputError::NotAnObject;
}

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
