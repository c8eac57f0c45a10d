#pragma once

#include "ui/settings_window.h"

#include <cstdint>
#include <optional>
#include <string>

// The pet's options as they stand when the settings centre opens.
struct PetOptions {
    int32_t petSize = 230;
    int32_t movementMode = 0;
    int32_t waterIntervalMinutes = 45;
    bool offworkEnabled = false;
    int32_t offworkHour = 18;
    int32_t offworkMinute = 0;
    bool autoTypingEnabled = false;
    bool networkEnabled = false;
    bool startWithWindows = false;
    // The stored nickname, present only with a complete device identity.
    std::optional<std::wstring> nickname;
};

// What saving the settings centre changes, in the order it is applied.
struct SettingsPlan {
    bool startWithWindows = false;      // the wanted presence of the start-up entry
    std::optional<int32_t> newPetSize;  // only when it differs from the current size
    int32_t movementMode = 0;           // applied even when unchanged
    int32_t waterIntervalMinutes = 0;
    // Always all three; hour and minute keep their values while the reminder is off.
    bool offworkEnabled = false;
    int32_t offworkHour = 18;
    int32_t offworkMinute = 0;
    bool autoTypingEnabled = false;
    bool online = false;  // how it is reached depends on the identity found when applying
    std::wstring nicknameText;
    bool returnToCorner = false;

    // With no identity yet: the name to register, "咕噜兽" when none was typed.
    std::wstring NicknameToRegister() const;
    // With a complete identity: the new nickname to send, when one was typed that differs.
    std::optional<std::wstring> NicknameUpdate(const std::wstring& storedNickname) const;
};

// Texts of the notices that saving may bring up.
inline constexpr wchar_t kNicknameUpdateFailedTitle[] = L"修改昵称失败";
inline constexpr wchar_t kGoingOnlineFailedTitle[] = L"启用联机失败";
inline constexpr wchar_t kHotkeyUnavailableTitle[] = L"快捷键不可用";
inline constexpr wchar_t kHotkeyUnavailableText[] =
    L"设置已保存，但 Ctrl + Alt + B 被其他程序占用。仍可从右键菜单快捷串门。";

// The window's record for the current options.
SettingsState SettingsStateFor(const PetOptions& options);
// What a saved record asks for. The off-work time has been checked by the window.
SettingsPlan PlanSettings(const SettingsState& saved, const PetOptions& options);
