#include "online/online_friend.h"

#include "online/display_text.h"
#include "online/service_bounds.h"
#include "online/wide_text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdio>
#endif

#include <atomic>
#include <cmath>
#include <limits>

namespace {

// A list longer than the service allows says the service is broken; once is enough to say so.
void LogLongListOnce() {
    static std::atomic<bool> logged{false};
    if (logged.exchange(true)) return;
    constexpr char kText[] = "Mossquill: the service listed more friends than it allows; the rest are ignored\n";
#ifdef _WIN32
    OutputDebugStringA(kText);
#else
    std::fputs(kText, stderr);
#endif
}

}  // namespace

std::optional<std::wstring> ReadDeviceId(const JsonValue& object) {
    std::wstring id = Utf8ToWide(object.GetString("id"));
    if (id.size() > kMaxDeviceIdChars) return std::nullopt;
    return id;
}

std::wstring ReadNickname(const JsonValue& object) {
    return LimitText(Utf8ToWide(object.GetString("nickname")), kMaxNicknameChars);
}

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
        if (friends.size() == kMaxFriends) {
            LogLongListOnce();
            break;
        }
        OnlineFriend entry;
        std::optional<std::wstring> id = ReadDeviceId(item);
        entry.nickname = ReadNickname(item);
        if (!id || id->empty() || entry.nickname.empty()) continue;
        entry.id = std::move(*id);
        const JsonValue* online = item.FindMember("online");
        entry.online = online && online->kind == JsonKind::Bool && online->boolValue;
        entry.appearance = ReadAppearance(item.FindMember("appearance"));
        friends.push_back(std::move(entry));
    }
    return friends;
}
