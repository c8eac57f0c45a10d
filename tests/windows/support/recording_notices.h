#pragma once

#include "ui/notices.h"

#include <functional>
#include <vector>

// Records every notice instead of showing it, and answers with a chosen button.
class RecordingNotices final : public Notices {
public:
    struct Notice {
        HWND owner;
        std::wstring text;
        std::wstring caption;
        UINT flags;
    };
    int Show(HWND owner, const std::wstring& text, const wchar_t* caption, UINT flags) override {
        shown.push_back(Notice{owner, text, caption, flags});
        if (whileShown) whileShown();
        return answer;
    }
    std::vector<Notice> shown;
    int answer = IDOK;
    // Runs while the box would be open, as other messages can.
    std::function<void()> whileShown;
};
