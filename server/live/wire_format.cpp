#include "live/wire_format.h"

#include "protocol/message_types.h"

namespace mossquill::service {

nlohmann::json FriendJson(const DeviceRecord& device, bool online) {
    return {{"id", device.id}, {"nickname", device.nickname}, {"online", online}, {"appearance", device.appearance}};
}

nlohmann::json DeviceJson(const DeviceRecord& device) {
    return {{"id", device.id}, {"nickname", device.nickname}, {"appearance", device.appearance}};
}

void AppendJsonString(std::string& out, std::string_view value) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (const char c : value) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                out += "\\u00";
                out += kHex[static_cast<unsigned char>(c) >> 4];
                out += kHex[static_cast<unsigned char>(c) & 0xf];
            } else {
                out += c;
            }
        }
    }
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
