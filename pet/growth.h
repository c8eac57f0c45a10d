#pragma once

#include "core/local_date_time.h"
#include "core/settings_store.h"

#include <cstdint>
#include <optional>
#include <string>

// Growth values as stored; absent ones are nothing.
struct StoredGrowth {
    std::optional<int32_t> todayInput;
    std::optional<int32_t> typingDayKey;
    std::optional<int32_t> weeklyWords;
    std::optional<int32_t> weekKey;
    std::optional<int32_t> maxUnlockedAppearance;
    std::optional<int32_t> selectedAppearance;
    bool autoTypingEnabled = false;
};

// What crediting activity did.
struct ActivityCredit {
    bool credited = false;
    // The weekly total crossed 500 or 1000 (at most one level-up, however far it went).
    bool levelUp = false;
    int level = 1;
};

// The pet's growth: today's and this week's activity totals with the calendar keys they belong
// to, the weekly level, the appearances unlocked for good and the one selected, and whether key
// presses are counted. Every change is stored at once.
class Growth {
public:
    explicit Growth(SettingsStore& settings) : settings_(settings) {}

    // Loads the stored values, rolls totals of another day or week over to 0 and raises the
    // unlock to the weekly level.
    void Restore(const StoredGrowth& stored, const LocalDateTime& localNow);
    // A new day starts today's total at 0, a new week the weekly one; true when either did.
    bool RollOver(const LocalDateTime& localNow);

    // Adds points (at least 1) to both totals, each capped at two billion, after any roll-over.
    ActivityCredit AddActivity(int32_t points, const LocalDateTime& localNow);
    // Counted key presses, credited only while counting is on.
    ActivityCredit CreditPresses(uint32_t presses, const LocalDateTime& localNow);
    // Clamped to 0..the highest unlocked; returns what was selected.
    int SelectAppearance(int appearance);
    void SetAutoTyping(bool enabled);

    int32_t todayInput() const { return todayInput_; }
    int32_t weeklyWords() const { return weeklyWords_; }
    int32_t todayKey() const { return todayKey_; }
    int32_t weekKey() const { return weekKey_; }
    int level() const;
    int32_t maxUnlockedAppearance() const { return maxUnlockedAppearance_; }
    int32_t selectedAppearance() const { return selectedAppearance_; }
    bool autoTypingEnabled() const { return autoTypingEnabled_; }

private:
    SettingsStore& settings_;
    int32_t todayInput_ = 0;
    int32_t weeklyWords_ = 0;
    int32_t todayKey_ = 0;
    int32_t weekKey_ = 0;
    int32_t maxUnlockedAppearance_ = 1;
    int32_t selectedAppearance_ = 0;
    bool autoTypingEnabled_ = false;
};

// A hand-entered word count: whole decimal text from 1 to 1,000,000, else nothing.
std::optional<int> ParseManualWords(const std::wstring& text);

// The growth record box text.
std::wstring GrowthRecordText(int32_t todayInput, int32_t weeklyWords, int32_t maxUnlockedAppearance,
                              bool autoTypingEnabled);
