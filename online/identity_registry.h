// Where the device identity lives: three values under the pet's settings key of the current
// user, the token protected with the Windows data-protection interface.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

inline constexpr wchar_t kNetworkDeviceIdValue[] = L"NetworkDeviceId";
inline constexpr wchar_t kNetworkNicknameValue[] = L"NetworkNickname";
inline constexpr wchar_t kNetworkTokenProtectedValue[] = L"NetworkTokenProtected";
inline constexpr wchar_t kTokenProtectionDescription[] = L"咕噜兽联机身份";
inline constexpr std::size_t kTokenLength = 64;

// Writes a REG_SZ value including its terminating NUL, creating the key when needed.
bool WriteIdentityString(const wchar_t* valueName, const std::wstring& text);
// Protects the token's UTF-16 code units with their terminating NUL and stores the result.
bool WriteProtectedToken(const std::wstring& token);

// The text up to its first NUL, or nothing when the value is absent or not a REG_SZ.
std::optional<std::wstring> ReadIdentityString(const wchar_t* valueName);
// The stored token, or nothing when it is absent, cannot be unprotected or is neither 64 UTF-16
// code units nor 64 bytes of an older version (trailing NULs aside).
std::optional<std::wstring> ReadProtectedToken();
