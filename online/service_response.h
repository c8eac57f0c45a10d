// The result of one call to the online service and the texts the user is shown for a failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A body beyond this is not read further: the service's largest answer, a full friend list,
// stays far below it, and a broken or hostile server must not exhaust the pet's memory.
inline constexpr std::size_t kMaxResponseBodyBytes = 1024 * 1024;

struct ServiceResponse {
    std::uint32_t status = 0;  // 0 when no HTTP status was obtained
    std::string body;          // as received; partial after a read error
    std::wstring error;        // empty, or the transport failure text

    // The status with the whole body: an answer whose reading failed or ran past the deadline is
    // a failure, told by its error text.
    bool Answered(std::uint32_t expected) const { return status == expected && error.empty(); }
};

// The server's "message" when the body carries one (bounded for a message box); otherwise the transport error, or the
// fallback with the HTTP status appended when there was no transport error.
std::wstring DescribeFailure(const ServiceResponse& response, const std::wstring& fallback);

// The system's text for a WinHTTP or Win32 error code, or "Windows 错误 <code>" when it has none.
std::wstring WinHttpErrorText(unsigned long code);
