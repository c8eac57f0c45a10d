#include "live/wire_format.h"

#include "protocol/json_escape.h"
#include "protocol/message_types.h"

namespace mossquill::service {

nlohmann::json FriendJson(const DeviceRecord& device, bool online) {
    return {{"id", device.id}, {"nickname", device.nickname}, {"online", online}, {"appearance", device.appearance}};
}

nlohmann::json DeviceJson(const DeviceRecord& device) {
    return {{"id", device.id}, {"nickname", device.nickname}, {"appearance", device.appearance}};
}

void AppendJsonString(std::string& out, std::string_view value) {
    out += '"';
    protocol::AppendJsonEscaped(out, value);
    out += '"';
}

std::string ToText(const nlohmann::json& document) {
    // Every stored string was validated as UTF-8 on the way in; replacing instead of
    // throwing keeps a serialisation from ever ending a connection.
    return document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string ErrorBody(std::string_view message) { return ToText({{"message", message}}); }

std::string LiveError(std::string_view message) {
    return ToText({{"type", protocol::message::kError}, {"message", message}});
}

}  // namespace mossquill::service
