#pragma once

#include <string_view>

namespace mossquill::service {

// Writes one line to standard output, prefixed with the UTC time, and flushes it so a
// supervisor's journal sees it at once.
void LogLine(std::string_view text);

// Kinds of line a client can cause at will; each is throttled on its own.
enum class LogEvent { ConnectionRefused, HandshakeFailed, Count };

// Writes "event=KIND TEXT" unless this kind has already written its share of lines this
// minute; what is left out is counted, and the next line of the kind after the minute
// says how many went. So a flood of refusals cannot fill the disk, and is still seen.
void LogThrottled(LogEvent kind, std::string_view text);

}  // namespace mossquill::service
