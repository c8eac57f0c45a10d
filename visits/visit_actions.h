#pragma once

#include <string>

// The nine visit actions by index: wire id, label, picture, and the id older pets understand
// (sent beside the wire id, which goes in its own member when the two differ).
struct VisitAction {
    const wchar_t* id;
    const wchar_t* label;
    int picture;
    const wchar_t* legacyId;
};

inline constexpr int kVisitActionCount = 9;
const wchar_t* VisitActionLabel(int index);
// Nothing outside 0..8.
const VisitAction* VisitActionAt(int index);
// Label and picture for an action id received from a friend; unknown ids greet.
VisitAction VisitActionForId(const std::wstring& id);
