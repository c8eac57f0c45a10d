#pragma once

#include <windows.h>

#include <string>

// How the pet tells the user something and hears the answer: message boxes in the program, a
// recorder in tests.
class Notices {
public:
    virtual ~Notices() = default;
    // Returns the button pressed (IDOK, IDYES, ...), as MessageBoxW does.
    virtual int Show(HWND owner, const std::wstring& text, const wchar_t* caption, UINT flags) = 0;
};

class MessageBoxNotices final : public Notices {
public:
    int Show(HWND owner, const std::wstring& text, const wchar_t* caption, UINT flags) override {
        return MessageBoxW(owner, text.c_str(), caption, flags);
    }
};
