#pragma once

#include <cstdint>
#include <optional>
#include <string>

// A hand-entered word count: whole decimal text from 1 to 1,000,000, else nothing.
std::optional<int> ParseManualWords(const std::wstring& text);

// The growth record box text.
std::wstring GrowthRecordText(int32_t todayInput, int32_t weeklyWords, int32_t maxUnlockedAppearance,
                              bool autoTypingEnabled);
