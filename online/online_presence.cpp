#include "online/online_presence.h"

#include "online/friend_order.h"

#include <algorithm>

OnlinePresence::StatusChange OnlinePresence::ReceiveStatus(NetStatusPayload status) {
    const bool wasConnected = connected_;
    std::wstring previousText = std::move(statusText_);
    connected_ = status.connected;
    statusText_ = std::move(status.text);
    StatusChange change;
    if (!wasConnected && connected_) {
        change.newConnection = true;
    } else if (connected_ && statusText_ != kSessionConnectedText && statusText_ != previousText) {
        // Each connection reports kSessionConnectedText, which the menu shows rather than a box; a
        // disconnection is shown by the menu; a repeated text is not worth a second box.
        change.notice = statusText_;
    }
    return change;
}

void OnlinePresence::ReceiveFriends(std::vector<OnlineFriend> friends) {
    friends_ = std::move(friends);
    SortFriends(friends_);
}

std::optional<std::wstring> OnlinePresence::Newcomer(const std::vector<OnlineFriend>& friends) const {
    // The service lists friends in the order the friendships were made: the newest last.
    for (auto buddy = friends.rbegin(); buddy != friends.rend(); ++buddy) {
        const bool known = std::any_of(friends_.begin(), friends_.end(),
                                       [&](const OnlineFriend& held) { return held.id == buddy->id; });
        if (!known) return buddy->nickname;
    }
    return std::nullopt;
}
