#pragma once

#include "protocol/visit_actions.h"

#include <string>
#include <string_view>

// The nine visit actions by index: wire id, label, picture, and the id older pets understand
// (sent beside the wire id, which goes in its own member when the two differ).
struct VisitAction {
    std::string_view id;
    const wchar_t* label;
    int picture;
    std::string_view legacyId;
};

inline constexpr int kVisitActionCount = static_cast<int>(mossquill::protocol::kVisitActions.size());
const wchar_t* VisitActionLabel(int index);
// Nothing outside 0..8.
const VisitAction* VisitActionAt(int index);
// Label and picture for an action id received from a friend; unknown ids greet.
VisitAction VisitActionForId(const std::wstring& id);
