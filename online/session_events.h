// What the live session hands to the user interface: the event records and the five callbacks
// that carry them. The callbacks run on the session thread (a friend list also on the thread
// that called RefreshFriends) and never with the client lock held.
#pragma once

#include "online/online_friend.h"
#include "online/update_announcement.h"
#include "visits/incoming_visit.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A friend's answer to a visit this pet paid.
struct IncomingReaction {
    std::wstring fromId;
    std::wstring fromNickname;
    std::wstring reaction;  // "like", "dislike", or whatever the service relayed

    bool operator==(const IncomingReaction&) const = default;
};

// The session's state as the user is told about it.
struct NetStatusPayload {
    bool connected = false;
    std::wstring text;

    bool operator==(const NetStatusPayload&) const = default;
};

// A friend list as the window receives it.
struct FriendListPayload {
    std::vector<OnlineFriend> friends;
    bool afterFriendAdded = false;
};

// The status text of every successful connection.
inline constexpr wchar_t kSessionConnectedText[] = L"咕噜兽联机已连接。";

using StatusCallback = std::function<void(bool connected, const std::wstring& text)>;
// afterFriendAdded: the service had just announced a new friend (not set for the list of a new
// connection or of a refresh the user asked for).
using FriendsCallback = std::function<void(const std::vector<OnlineFriend>& friends, bool afterFriendAdded)>;
using VisitCallback = std::function<void(const IncomingVisit& visit)>;
using AnnouncementCallback = std::function<void(const UpdateAnnouncement& announcement)>;
using ReactionCallback = std::function<void(const IncomingReaction& reaction)>;

// The five receivers of session events; an empty one drops its events.
struct SessionCallbacks {
    StatusCallback onStatus{};
    FriendsCallback onFriends{};
    VisitCallback onVisit{};
    AnnouncementCallback onAnnouncement{};
    ReactionCallback onReaction{};
};
