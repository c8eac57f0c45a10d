#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

inline constexpr wchar_t kPromptWindowClass[] = L"MossquillPromptWindow";
inline constexpr int kPromptWindowWidth = 396;
inline constexpr int kPromptWindowHeight = 174;
inline constexpr int kPromptEditId = 1001;

// One line of text asked for in a small modal window of our own, centred over its owner.
class PromptWindow {
public:
    // Disables the owner until the user confirms or cancels. On confirmation, returns true with the
    // edited text trimmed of white space at both ends in `result`; otherwise leaves `result` alone.
    // `result` may be the same string as `initialText`.
    static bool Run(HWND owner, const std::wstring& title, const std::wstring& prompt, const std::wstring& initialText,
                    std::wstring& result, bool digitsOnly, int32_t maxLength);
};
