#pragma once

#include <cstdint>
#include <string>

// A friend's visit: one of the nine actions, with an optional drift note.
struct IncomingVisit {
    std::wstring fromId;
    std::wstring fromNickname;
    std::wstring action;          // "action_v2" when the sender gave one, else "action"
    std::wstring text;            // the drift note; may be empty
    std::int32_t appearance = 0;  // the visitor's appearance, 0..3

    bool operator==(const IncomingVisit&) const = default;
};
