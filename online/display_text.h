// Bounds text from the service before it reaches the screen.
#pragma once

#include <cstddef>
#include <string>

// Longer message texts are cut to this many UTF-16 code units and end in "…".
inline constexpr std::size_t kMaxDisplayedServiceText = 200;

// The text unchanged when it has at most maxChars UTF-16 code units, otherwise its beginning
// (never splitting a surrogate pair) followed by "…", maxChars in all.
std::wstring LimitText(std::wstring text, std::size_t maxChars);

// A message text for a box, its first kMaxDisplayedServiceText code units then "…" when longer: a
// broken or hostile service must not fill the screen with one.
std::wstring LimitForDisplay(std::wstring text);
