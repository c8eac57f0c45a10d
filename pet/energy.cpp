#include "pet/energy.h"

#include "core/calendar.h"
#include "app/pet_app.h"
#include "core/setting_names.h"

#include <algorithm>
#include <random>

namespace {

constexpr const wchar_t* kPettingPhrases[4] = {L"摸摸～", L"再摸一下！", L"陪你上班呢", L"今天也辛苦啦"};
constexpr uint64_t kPettingTextMs = 1500;
constexpr uint64_t kPettingHoldMs = 900;
constexpr int kDragonPoseSeconds = 12;

}  // namespace

void PetApp::Pet() {
    if (visitShowing) return;
    const uint64_t now = clock.Now();
    reactionTextValue = kPettingPhrases[petCount % 4];
    reactionStartTick = now;
    reactionEndTick = now + kPettingTextMs;
    ++petCount;
    movementPauseUntil = std::max(movementPauseUntil, now + kPettingHoldMs);
    segmentEndTick = 0;
    RenderFrame();
}

void PetApp::Feed() {
    const int32_t old = energy;
    energy = std::min(old, 70) + 30;
    settings.WriteSettingDword(setting::kEnergy, static_cast<DWORD>(energy));
    const std::wstring text = old == 100 ? std::wstring(L"咕噜兽已经充满电啦！")
                                         : L"投喂成功，电量恢复到 " + std::to_wstring(energy) + L"。";
    notices.Show(hwnd, text, L"给咕噜兽投喂", MB_ICONINFORMATION);
    RenderFrame();
}

bool DragonChallengeWon(uint32_t seed) {
    std::mt19937 engine(seed);
    return std::uniform_int_distribution<int>(0, 1)(engine) == 1;
}

void PetApp::ChallengeDragon() {
    const int32_t today = DayKeyOf(clock.LocalTime());
    if (today == lastBattleDay) {
        notices.Show(hwnd, L"今天已经挑战过恶龙啦，明天再来！", L"挑战恶龙", MB_ICONINFORMATION);
        return;
    }
    lastBattleDay = today;
    settings.WriteSettingDword(setting::kLastBattleDay, static_cast<DWORD>(today));

    const uint32_t seed = static_cast<uint32_t>(clock.Now()) ^
                          static_cast<uint32_t>(reinterpret_cast<uintptr_t>(this)) ^
                          (static_cast<uint32_t>(today) << 17);
    if (DragonChallengeWon(seed)) {
        energy = std::min(energy, 90) + 10;
        settings.WriteSettingDword(setting::kEnergy, static_cast<DWORD>(energy));
        ShowPose(POSE_DRAGON_WON, kDragonPoseSeconds);
        notices.Show(hwnd, L"挑战成功！咕噜兽从恶龙那里赢回了 10 点电量。", L"战胜恶龙", MB_ICONINFORMATION);
    } else {
        energy = std::max(energy, 10) - 10;
        settings.WriteSettingDword(setting::kEnergy, static_cast<DWORD>(energy));
        ShowPose(POSE_DRAGON_LOST, kDragonPoseSeconds);
        notices.Show(hwnd, L"这次挑战失败，咕噜兽消耗了 10 点电量——明天再战！", L"挑战恶龙", MB_ICONINFORMATION);
    }
}

void PetApp::DecayEnergy(uint64_t now) {
    if (now < lastDecayTick) return;
    const uint64_t steps = (now - lastDecayTick) / kEnergyDecayStepMs;
    if (steps == 0) return;
    energy = static_cast<int32_t>(std::max<int64_t>(0, energy - static_cast<int64_t>(std::min<uint64_t>(steps, 100))));
    lastDecayTick += steps * kEnergyDecayStepMs;
    settings.WriteSettingDword(setting::kEnergy, static_cast<DWORD>(energy));
}
