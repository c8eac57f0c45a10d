#include "online/request_headers.h"

namespace {

std::wstring ApplicationKeyLine() { return std::wstring(L"X-Mossquill-App-Key: ") + kApplicationKey + L"\r\n"; }

void AppendDeviceLines(std::wstring& headers, std::wstring_view deviceId, std::wstring_view token) {
    headers += L"X-Mossquill-Device: ";
    headers += deviceId;
    headers += L"\r\nAuthorization: Bearer ";
    headers += token;
    headers += L"\r\n";
}

}  // namespace

std::wstring BuildRequestHeaders(bool authenticated, std::wstring_view deviceId, std::wstring_view token) {
    std::wstring headers = ApplicationKeyLine() + L"Content-Type: application/json; charset=utf-8\r\n";
    if (authenticated) AppendDeviceLines(headers, deviceId, token);
    return headers;
}

std::wstring BuildSessionHeaders(std::wstring_view deviceId, std::wstring_view token) {
    std::wstring headers = ApplicationKeyLine();
    AppendDeviceLines(headers, deviceId, token);
    return headers;
}
