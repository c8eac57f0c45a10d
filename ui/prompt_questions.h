#pragma once

#include "protocol/field_limits.h"
#include "ui/prompt_window.h"

#include <cstdint>
#include <string>

// What each question the pet asks looks like; the initial text is the caller's.
struct PromptQuestion {
    const wchar_t* title;
    const wchar_t* prompt;
    bool digitsOnly;
    std::size_t maxLength;
};

inline constexpr PromptQuestion kDriftNotePrompt{L"漂流小纸条", L"写给好友的小纸条（最多 60 个字符）：", false,
                                                 mossquill::protocol::kMaxNoteCharacters};
inline constexpr PromptQuestion kManualActivityPrompt{L"追加本次字数", L"请输入这次完成的字数（会累加到本周）：", true,
                                                      7};
inline constexpr PromptQuestion kFirstNicknamePrompt{L"启用咕噜兽联机", L"给这只咕噜兽取一个好友能认出的昵称：", false,
                                                     mossquill::protocol::kMaxNicknameCharacters};
inline constexpr wchar_t kFirstNicknameInitialText[] = L"咕噜兽";
inline constexpr PromptQuestion kChangeNicknamePrompt{L"修改昵称", L"输入新的咕噜兽昵称：", false,
                                                      mossquill::protocol::kMaxNicknameCharacters};
inline constexpr PromptQuestion kPairingCodePrompt{L"添加咕噜兽好友", L"请输入对方生成的 6 位配对码：", true,
                                                   mossquill::protocol::kPairingCodeLength};

inline bool RunPrompt(HWND owner, const PromptQuestion& question, const std::wstring& initialText,
                      std::wstring& result) {
    return PromptWindow::Run(owner, question.title, question.prompt, initialText, result, question.digitsOnly,
                             static_cast<int32_t>(question.maxLength));
}
