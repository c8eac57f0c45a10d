#pragma once

#include <string_view>

namespace mossquill::service {

// Writes one line to standard output, prefixed with the UTC time, and flushes it so a
// supervisor's journal sees it at once.
void LogLine(std::string_view text);

}  // namespace mossquill::service
