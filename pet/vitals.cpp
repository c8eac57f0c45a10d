#include "pet/vitals.h"

#include "core/setting_names.h"

#include <algorithm>
#include <random>

namespace {

constexpr const wchar_t* kPettingPhrases[4] = {L"摸摸～", L"再摸一下！", L"陪你上班呢", L"今天也辛苦啦"};
constexpr int32_t kFeedingPoints = 30;
constexpr int32_t kDragonPoints = 10;
constexpr int32_t kVisitPoints = 5;

}  // namespace

bool DragonChallengeWon(uint32_t seed) {
    std::mt19937 engine(seed);
    return std::uniform_int_distribution<int>(0, 1)(engine) == 1;
}

void Vitals::Restore(int32_t energy, int32_t lastBattleDay, uint64_t now) {
    energy_ = std::clamp(energy, 0, kFullEnergy);
    lastBattleDay_ = lastBattleDay;
    lastDecayTick_ = now;
}

const wchar_t* Vitals::NextPettingPhrase() { return kPettingPhrases[petCount_++ % 4]; }

void Vitals::SetEnergy(int32_t energy) {
    energy_ = std::clamp(energy, 0, kFullEnergy);
    settings_.WriteSettingDword(setting::kEnergy, static_cast<uint32_t>(energy_));
}

Feeding Vitals::Feed() {
    const int32_t before = energy_;
    SetEnergy(before + kFeedingPoints);
    return Feeding{before, energy_};
}

DragonOutcome Vitals::ChallengeDragon(int32_t today, uint32_t seed) {
    if (today == lastBattleDay_) return DragonOutcome::AlreadyFoughtToday;
    lastBattleDay_ = today;
    settings_.WriteSettingDword(setting::kLastBattleDay, static_cast<uint32_t>(today));
    const bool won = DragonChallengeWon(seed);
    SetEnergy(energy_ + (won ? kDragonPoints : -kDragonPoints));
    return won ? DragonOutcome::Won : DragonOutcome::Lost;
}

void Vitals::ReceiveVisit() { SetEnergy(energy_ + kVisitPoints); }

bool Vitals::Decay(uint64_t now) {
    if (now < lastDecayTick_) return false;
    const uint64_t steps = (now - lastDecayTick_) / kEnergyDecayStepMs;
    if (steps == 0) return false;
    lastDecayTick_ += steps * kEnergyDecayStepMs;
    SetEnergy(
        static_cast<int32_t>(std::max<int64_t>(0, energy_ - static_cast<int64_t>(std::min<uint64_t>(steps, 100)))));
    return true;
}

std::wstring FeedingText(const Feeding& feeding) {
    if (feeding.before == kFullEnergy) return L"咕噜兽已经充满电啦！";
    return L"投喂成功，电量恢复到 " + std::to_wstring(feeding.after) + L"。";
}
