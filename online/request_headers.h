// The fixed parts of every request to the online service.
#pragma once

#include <string>
#include <string_view>

inline constexpr wchar_t kUserAgent[] = L"MossquillDesktopPet/6.0";
inline constexpr wchar_t kApplicationKey[] = L"5d3b8e0f71a24c96b0e7d14f2a9c63e85b07f1d2c4a98e360f5b12d7e4c9a0b6";

// The header block of one request: the application key and content type always, the device id
// and bearer token only for an authenticated call. Each line ends in CR LF.
std::wstring BuildRequestHeaders(bool authenticated, std::wstring_view deviceId, std::wstring_view token);

// The header block of the live session's upgrade request: the application key, the device id
// and the bearer token, without a content type.
std::wstring BuildSessionHeaders(std::wstring_view deviceId, std::wstring_view token);
