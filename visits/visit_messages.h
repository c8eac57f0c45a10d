#pragma once

#include <string>

// The live-session messages this pet sends, as UTF-8 JSON with every value escaped.
// A visit: type, to, action (the id older pets understand), action_v2 only when the action's own
// id differs from that, and text only with a note. Nothing for an action index outside 0..8.
std::string VisitMessage(const std::wstring& friendId, int actionIndex, const std::wstring& note);
// An answer to a visit: reaction is "like" or "dislike".
std::string ReactionMessage(const std::wstring& toId, const std::wstring& reaction);
