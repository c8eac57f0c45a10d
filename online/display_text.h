// Bounds text from the service before it reaches a message box.
#pragma once

#include <cstddef>
#include <string>

// Longer texts are cut to this many UTF-16 code units and end in "…".
inline constexpr std::size_t kMaxDisplayedServiceText = 200;

// The text unchanged when it fits, otherwise its beginning (never splitting a surrogate pair)
// followed by an ellipsis: a broken or hostile service must not fill the screen with one box.
std::wstring LimitForDisplay(std::wstring text);
