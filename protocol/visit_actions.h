#pragma once

#include <algorithm>
#include <array>
#include <string_view>

namespace mossquill::protocol {

// A visit action as it travels: its id, and the id older pets understand. A pet sends the older
// id in "action" and, when the two differ, its own id in "action_v2".
struct VisitActionId {
    std::string_view id;
    std::string_view legacyId;
};

// In the order the pet offers them.
inline constexpr std::array<VisitActionId, 9> kVisitActions{{
    {"greet", "greet"},
    {"heart", "heart"},
    {"no_speech", "no_speech"},
    {"begging", "begging"},
    {"flying", "flying"},
    {"drink", "drink"},
    {"wealth", "greet"},
    {"eat", "drink"},
    {"evil", "no_speech"},
}};

constexpr bool IsVisitAction(std::string_view id) {
    return std::any_of(kVisitActions.begin(), kVisitActions.end(),
                       [id](const VisitActionId& action) { return action.id == id; });
}

// The two answers to a visit.
inline constexpr std::string_view kReactionLike = "like";
inline constexpr std::string_view kReactionDislike = "dislike";

constexpr bool IsReaction(std::string_view reaction) {
    return reaction == kReactionLike || reaction == kReactionDislike;
}

}  // namespace mossquill::protocol
