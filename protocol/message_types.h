#pragma once

#include <string_view>

// The "type" of every live-session message, in either direction.
namespace mossquill::protocol::message {

inline constexpr std::string_view kAction = "action";
inline constexpr std::string_view kReaction = "reaction";
inline constexpr std::string_view kConnected = "connected";
inline constexpr std::string_view kPresence = "presence";
inline constexpr std::string_view kFriendAdded = "friend_added";
inline constexpr std::string_view kFriendUpdated = "friend_updated";
inline constexpr std::string_view kFriendRemoved = "friend_removed";
inline constexpr std::string_view kError = "error";
inline constexpr std::string_view kHeartbeat = "heartbeat";

}  // namespace mossquill::protocol::message
