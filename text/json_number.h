// Conversion of a JSON number token to a double, independent of the process locale.
#pragma once

#include <string_view>

// `token` must already match the JSON number grammar. Fails for a value beyond the range of
// a double; a value too small to represent becomes the nearest double (zero or subnormal,
// keeping its sign), as a decimal conversion rounds it.
bool ConvertJsonNumber(std::string_view token, double& value);
