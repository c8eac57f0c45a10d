#pragma once

#include "ui/notices.h"

#include <windows.h>

#include <cstdint>
#include <string>

inline constexpr wchar_t kSettingsWindowClass[] = L"MossquillSettingsWindow";
inline constexpr wchar_t kSettingsWindowTitle[] = L"咕噜兽设置中心";
inline constexpr int kSettingsWindowWidth = 540;
inline constexpr int kSettingsWindowHeight = 558;

inline constexpr int kSettingsSizeId = 2001;
inline constexpr int kSettingsMovementId = 2002;
inline constexpr int kSettingsWaterId = 2003;
inline constexpr int kSettingsOffworkId = 2004;
inline constexpr int kSettingsOffworkTimeId = 2005;
inline constexpr int kSettingsCountingId = 2006;
inline constexpr int kSettingsStartupId = 2007;
inline constexpr int kSettingsOnlineId = 2008;
inline constexpr int kSettingsNicknameId = 2009;
inline constexpr int kSettingsDefaultsId = 2010;

inline constexpr wchar_t kOffworkTimeWarning[] = L"下班时间格式应为 18:30。";
inline constexpr wchar_t kSettingsNotSavedTitle[] = L"设置未保存";

// Every option of the settings centre as the window shows it on opening and as the user left it.
// Indexes: size 0..2 (small, medium, large), movement mode 0..3, water 0..2 (off, 30, 45 minutes).
struct SettingsState {
    bool finished = false;
    bool saved = false;
    bool defaultsRestored = false;
    bool startWithWindows = false;
    bool automaticCounting = false;
    bool online = false;
    bool offworkReminder = false;
    int32_t sizeIndex = 1;
    int32_t movementIndex = 0;
    int32_t waterIndex = 0;
    std::wstring offworkTimeText;
    std::wstring nicknameText;
};

// The settings centre: a modal window of our own, centred over its owner.
class SettingsWindow {
public:
    // Shows `state`, disables the owner until the user saves or cancels, and returns true when the
    // user saved; `state` then holds what the controls showed. A refused off-work time is told
    // through `notices` and keeps the window open.
    static bool Run(HWND owner, SettingsState& state, Notices& notices);
};
