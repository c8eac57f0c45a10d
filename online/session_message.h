// Turns one complete text message of the live session into what it asks of the client. Free of
// Windows headers and of the network, so that it builds natively for tests and fuzzing.
#pragma once

#include "online/online_friend.h"
#include "online/session_events.h"
#include "online/update_announcement.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// "connected": the whole friend list (possibly empty) and an announcement with a non-empty id.
struct ConnectedMessage {
    std::vector<OnlineFriend> friends;
    std::optional<UpdateAnnouncement> announcement;
};

// "friend_added", "friend_updated", "friend_removed", "presence": the list must be fetched again.
struct FriendsChangedMessage {
    bool friendAdded = false;
};

// "error" with a non-empty text, already bounded for a message box.
struct ServerErrorMessage {
    std::wstring text;
};

// std::monostate: the message is dropped (not JSON, not an object, an unknown or missing type,
// a visit or reaction without a sender's nickname, an error without text).
using SessionMessage = std::variant<std::monostate, ConnectedMessage, FriendsChangedMessage, IncomingVisit,
                                    IncomingReaction, ServerErrorMessage>;

SessionMessage ReadSessionMessage(std::string_view text);
