#pragma once

#include "online/online_friend.h"
#include "online/session_events.h"

#include <optional>
#include <string>
#include <vector>

// What the user sees of the live session: whether it is connected, the last status it reported
// and the friend list it delivered last. Only the user-interface thread uses it.
class OnlinePresence {
public:
    struct StatusChange {
        // The session has just connected: friends should see this pet's appearance.
        bool newConnection = false;
        // A text the user is to be told in a box.
        std::optional<std::wstring> notice;
    };
    StatusChange ReceiveStatus(NetStatusPayload status);
    // Replaces the list, in the order friend menus show.
    void ReceiveFriends(std::vector<OnlineFriend> friends);
    // The nickname of a friend in the list whom the list held so far lacks (the newest, when
    // several are), or nothing.
    std::optional<std::wstring> Newcomer(const std::vector<OnlineFriend>& friends) const;
    // Online mode was switched off; the friend list stays.
    void Disconnect() { connected_ = false; }

    bool connected() const { return connected_; }
    const std::vector<OnlineFriend>& friends() const { return friends_; }

private:
    bool connected_ = false;
    std::wstring statusText_;
    std::vector<OnlineFriend> friends_;
};
