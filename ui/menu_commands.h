#pragma once

#include "online/service_bounds.h"
#include "ui/visit_actions.h"

// Command identifiers of the context menu; 0 is a dismissed menu, a separator or a placeholder.
enum MenuCommand : int {
    CMD_PET = 99,
    CMD_FEED = 100,
    CMD_ADD_WORDS = 101,
    CMD_GROWTH_RECORD = 102,
    CMD_DRAGON = 103,
    CMD_QUICK_VISIT = 104,
    CMD_DRIFT_NOTE = 105,
    CMD_SETTINGS = 106,
    CMD_UPDATE_NOTICE = 107,
    CMD_POSE_FIRST = 120,  // 120..126
    CMD_POSE_LAST = 126,
    CMD_APPEARANCE_FIRST = 160,  // 160..163
    CMD_APPEARANCE_LAST = 163,
    CMD_TOGGLE_ONLINE = 180,
    CMD_CHANGE_NICKNAME = 181,
    CMD_CREATE_PAIR_CODE = 182,
    CMD_CLAIM_PAIR_CODE = 183,
    CMD_REFRESH_FRIENDS = 184,
    CMD_MOVEMENT_FIRST = 200,  // 200..203
    CMD_MOVEMENT_LAST = 203,
    CMD_RETURN_TO_CORNER = 204,
    CMD_USAGE_HELP = 250,
    CMD_EXIT = 251,
    CMD_FRIEND_VISIT_FIRST = 3000,  // 3000 + 16 x friend index + action index
};

inline constexpr int kFriendVisitStride = 16;
static_assert(kVisitActionCount <= kFriendVisitStride);
// Every friend the pet keeps has its commands inside the range a menu command can have.
static_assert(CMD_FRIEND_VISIT_FIRST + kFriendVisitStride * static_cast<int>(kMaxFriends) <= 0xFFFF);
