#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace mossquill::service {

using LogField = std::pair<std::string_view, std::string_view>;

// Writes one event as one line on standard output: the UTC time, then key=value fields
// (values with spaces or quotes quoted, control characters never passed through, so a
// client's text cannot start a line of its own). Flushed, so a journal sees it at once.
void LogEvent(std::string_view event, std::initializer_list<LogField> fields);

// Kinds of line a client can cause at will; each is throttled on its own.
enum class ThrottledEvent { ConnectionRefused, HandshakeFailed, Count };

// Writes the event unless its kind has already written its share of lines this minute;
// what is left out is counted, and the first line of the kind in a later minute is
// preceded by one saying how many went. So a flood cannot fill the disk, and is still seen.
void LogThrottled(ThrottledEvent kind, std::initializer_list<LogField> fields);

}  // namespace mossquill::service
