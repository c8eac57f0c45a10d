#pragma once

#include <optional>
#include <string>

// The entry that starts the pet with the user's logon: value "MossquillDesktopPet" under the
// current user's Run key, holding the program's full path in double quotes. Its presence alone
// counts; the program never looks at it at start.
inline constexpr wchar_t kRunKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kStartupValueName[] = L"MossquillDesktopPet";
inline constexpr wchar_t kStartupEntryFailedTitle[] = L"开机自启动设置失败";

bool StartupEntryExists();

// Each returns the text to tell the user when it failed, nothing on success.
std::optional<std::wstring> EnableStartupEntry();
// A value that is already gone counts as removed.
std::optional<std::wstring> DisableStartupEntry();
// Writes or removes the entry only when its presence differs from `wanted`, so an entry that is
// already as wanted is left untouched.
std::optional<std::wstring> ApplyStartupEntry(bool wanted);
