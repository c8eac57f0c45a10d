#pragma once

#include <string>

// The nine visit actions by index: wire id, label and picture.
struct VisitAction {
    const wchar_t* id;
    const wchar_t* label;
    int picture;
};

inline constexpr int kVisitActionCount = 9;
const wchar_t* VisitActionLabel(int index);
// Label and picture for an action id received from a friend; unknown ids greet.
VisitAction VisitActionForId(const std::wstring& id);
