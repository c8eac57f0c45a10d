#pragma once

#include "core/settings_store.h"

#include <cstdint>
#include <string>

inline constexpr int32_t kFullEnergy = 100;
inline constexpr uint64_t kEnergyDecayStepMs = 300000;

// What one feeding did: the energy before and after.
struct Feeding {
    int32_t before;
    int32_t after;
};

enum class DragonOutcome { AlreadyFoughtToday, Won, Lost };

// The dragon's verdict for one challenge: a fresh engine from the seed, one even 0/1 draw.
bool DragonChallengeWon(uint32_t seed);

// The pet's energy and what changes it: time, feeding and the daily dragon; and the petting
// phrases it answers with. Every change of energy is stored at once.
class Vitals {
public:
    explicit Vitals(SettingsStore& settings) : settings_(settings) {}

    // Stored values as loaded, out-of-range energy clamped; decay is counted from `now`.
    void Restore(int32_t energy, int32_t lastBattleDay, uint64_t now);

    int32_t energy() const { return energy_; }
    int32_t lastBattleDay() const { return lastBattleDay_; }
    uint64_t lastDecayTick() const { return lastDecayTick_; }
    uint64_t petCount() const { return petCount_; }

    // The next of the four petting phrases, in turn.
    const wchar_t* NextPettingPhrase();
    // +30, at most up to full.
    Feeding Feed();
    // Once per day key; the seed decides. Won gives 10, lost takes 10, within 0..100.
    DragonOutcome ChallengeDragon(int32_t today, uint32_t seed);
    // One point per whole 5 minutes since the last step; true when the energy changed.
    bool Decay(uint64_t now);
    // A friend's visit: +5, at most up to full.
    void ReceiveVisit();

private:
    void SetEnergy(int32_t energy);

    SettingsStore& settings_;
    int32_t energy_ = kFullEnergy;
    int32_t lastBattleDay_ = 0;
    uint64_t lastDecayTick_ = 0;
    uint64_t petCount_ = 0;
};

// The feeding notice's text.
std::wstring FeedingText(const Feeding& feeding);
