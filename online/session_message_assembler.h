// Joins the parts of one text message of the live session, bounded in size. Free of Windows
// headers so that it builds natively for tests and fuzzing.
#pragma once

#include "online/service_response.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// One message may be as large as a response body; anything larger is no message the service
// sends, and must not grow the pet's memory without bound.
inline constexpr std::size_t kMaxSessionMessageBytes = kMaxResponseBodyBytes;

class SessionMessageAssembler {
public:
    // Adds the next part of the current message; `final` marks its last part. Gives the whole
    // message after its last part, unless it grew beyond kMaxSessionMessageBytes: such a message
    // is dropped whole, its remaining parts are discarded, and the next message starts afresh.
    std::optional<std::string> Add(std::string_view part, bool final);

private:
    std::string text_;
    bool oversized_ = false;
};
