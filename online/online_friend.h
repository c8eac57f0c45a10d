// A friend as the service lists it, and the rules that read one from JSON.
#pragma once

#include "online/json.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct OnlineFriend {
    std::wstring id;
    std::wstring nickname;
    bool online = false;
    std::int32_t appearance = 0;  // 0..3

    bool operator==(const OnlineFriend&) const = default;
};

// An appearance number 0..3 from a JSON value: truncated toward zero, above 3 becomes 3, below 1
// becomes 0; a value that is missing, not a number or beyond the 32-bit range gives 0.
std::int32_t ReadAppearance(const JsonValue* value);

// The member "id" of a device object (empty when missing); nothing when longer than a device id
// may be: an id is never cut, a cut one could name somebody else.
std::optional<std::wstring> ReadDeviceId(const JsonValue& object);
// The member "nickname" of a device object, cut to what is shown.
std::wstring ReadNickname(const JsonValue& object);

// The friends of a JSON array in their order, at most kMaxFriends of them; elements that are
// not objects, or lack a usable id or a nickname, are left out. Anything but an array gives an
// empty list.
std::vector<OnlineFriend> ParseFriendList(const JsonValue* value);
