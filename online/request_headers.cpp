#include "online/request_headers.h"

std::wstring BuildRequestHeaders(bool authenticated, std::wstring_view deviceId, std::wstring_view token) {
    std::wstring headers = L"X-Mossquill-App-Key: ";
    headers += kApplicationKey;
    headers += L"\r\nContent-Type: application/json; charset=utf-8\r\n";
    if (authenticated) {
        headers += L"X-Mossquill-Device: ";
        headers += deviceId;
        headers += L"\r\nAuthorization: Bearer ";
        headers += token;
        headers += L"\r\n";
    }
    return headers;
}
