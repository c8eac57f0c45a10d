#pragma once

#include "store/store.h"

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace mossquill::service {

// {"id","nickname","online","appearance"}: one entry of a friend list.
nlohmann::json FriendJson(const DeviceRecord& device, bool online);

// {"id","nickname","appearance"}: a device describing itself or a message's sender.
nlohmann::json DeviceJson(const DeviceRecord& device);

// Appends `value` (valid UTF-8) as a JSON string, escaped as ToText escapes it, so that a
// message composed from pieces reads as one made from a document.
void AppendJsonString(std::string& out, std::string_view value);

// Compact UTF-8 text of a document.
std::string ToText(const nlohmann::json& document);

// {"message": text}: the body of every failure answer.
std::string ErrorBody(std::string_view message);

// {"type":"error","message": text}: a live-session failure.
std::string LiveError(std::string_view message);

}  // namespace mossquill::service
