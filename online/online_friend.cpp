#include "online/online_friend.h"

#include "text/wide_text.h"

#include <cmath>
#include <limits>

std::int32_t ReadAppearance(const JsonValue* value) {
    if (!value || value->kind != JsonKind::Number) return 0;
    const double truncated = std::trunc(value->numberValue);
    if (!std::isfinite(truncated) || truncated < std::numeric_limits<std::int32_t>::min() ||
        truncated > std::numeric_limits<std::int32_t>::max()) {
        return 0;
    }
    const auto appearance = static_cast<std::int32_t>(truncated);
    if (appearance > 3) return 3;
    if (appearance < 1) return 0;
    return appearance;
}

std::vector<OnlineFriend> ParseFriendList(const JsonValue* value) {
    std::vector<OnlineFriend> friends;
    if (!value || value->kind != JsonKind::Array) return friends;
    for (const JsonValue& item : value->items) {
        if (item.kind != JsonKind::Object) continue;
        OnlineFriend entry;
        entry.id = Utf8ToWide(item.GetString("id"));
        entry.nickname = Utf8ToWide(item.GetString("nickname"));
        if (entry.id.empty() || entry.nickname.empty()) continue;
        const JsonValue* online = item.FindMember("online");
        entry.online = online && online->kind == JsonKind::Bool && online->boolValue;
        entry.appearance = ReadAppearance(item.FindMember("appearance"));
        friends.push_back(std::move(entry));
    }
    return friends;
}
