#include "online/service_response.h"

#include "online/display_text.h"
#include "text/json.h"
#include "text/wide_text.h"

#include <windows.h>

std::wstring DescribeFailure(const ServiceResponse& response, const std::wstring& fallback) {
    JsonValue root;
    if (ParseJson(response.body, root)) {
        const JsonValue* message = root.FindMember("message");
        if (message && message->kind == JsonKind::String) {
            std::wstring text = Utf8ToWide(message->stringValue);
            if (!text.empty()) return LimitForDisplay(std::move(text));
        }
    }
    if (response.error.empty()) return fallback + L"（HTTP " + std::to_wstring(response.status) + L"）";
    return response.error;
}

std::wstring WinHttpErrorText(unsigned long code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (buffer) {
        text.assign(buffer, length);
        LocalFree(buffer);
    }
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    if (text.empty()) return L"Windows 错误 " + std::to_wstring(code);
    return text;
}
