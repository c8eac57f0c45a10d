// The operations on the pet's life and growth: each asks its component what happens and shows it.
#include "app/pet_app.h"

#include "core/calendar.h"
#include "ui/prompt_questions.h"

namespace {

constexpr uint64_t kPettingTextMs = 1500;
constexpr uint64_t kLevelUpTextMs = 3600;
constexpr int kDragonPoseSeconds = 12;

}  // namespace

void PetApp::Pet() {
    if (visitShowing_) return;
    const uint64_t now = clock_.Now();
    reaction_.Show(vitals_.NextPettingPhrase(), now, kPettingTextMs);
    movement_.HoldAfterPetting(now);
    RenderFrame();
}

void PetApp::Feed() {
    const Feeding feeding = vitals_.Feed();
    notices_.Show(window(), FeedingText(feeding), L"给咕噜兽投喂", MB_ICONINFORMATION);
    RenderFrame();
}

void PetApp::ChallengeDragon() {
    const int32_t today = DayKeyOf(clock_.LocalTime());
    const uint32_t seed = static_cast<uint32_t>(clock_.Now()) ^
                          static_cast<uint32_t>(reinterpret_cast<uintptr_t>(this)) ^
                          (static_cast<uint32_t>(today) << 17);
    switch (vitals_.ChallengeDragon(today, seed)) {
    case DragonOutcome::AlreadyFoughtToday:
        notices_.Show(window(), L"今天已经挑战过恶龙啦，明天再来！", L"挑战恶龙", MB_ICONINFORMATION);
        break;
    case DragonOutcome::Won:
        ShowPose(POSE_DRAGON_WON, kDragonPoseSeconds);
        notices_.Show(window(), L"挑战成功！咕噜兽从恶龙那里赢回了 10 点电量。", L"战胜恶龙", MB_ICONINFORMATION);
        break;
    case DragonOutcome::Lost:
        ShowPose(POSE_DRAGON_LOST, kDragonPoseSeconds);
        notices_.Show(window(), L"这次挑战失败，咕噜兽消耗了 10 点电量——明天再战！", L"挑战恶龙", MB_ICONINFORMATION);
        break;
    }
}

void PetApp::ShowPose(PoseId pose, int seconds) {
    pose_.Show(pose, seconds, appearance(), clock_.Now());
    RenderFrame();
}

void PetApp::ShowReactionText(const std::wstring& text, uint64_t durationMs) {
    reaction_.Show(text, clock_.Now(), durationMs);
    RenderFrame();
}

bool PetApp::AddActivity(int32_t points, bool announce) {
    return ShowActivityCredit(growth_.AddActivity(points, clock_.LocalTime()), announce);
}

bool PetApp::ShowActivityCredit(const ActivityCredit& credit, bool announce) {
    if (!credit.levelUp) return false;
    SetAppearance(credit.level);
    const std::wstring name = AppearanceName(credit.level);
    if (announce) {
        notices_.Show(window(), L"升级啦！现在是「" + name + L"」。新形象已永久解锁。", L"咕噜兽升级",
                      MB_ICONINFORMATION);
    } else {
        ShowReactionText(L"升级啦：" + name, kLevelUpTextMs);
    }
    return true;
}

void PetApp::SetAppearance(int appearance) {
    const int selected = growth_.SelectAppearance(appearance);
    pose_.ShowAppearance(selected, clock_.Now());
    // Friends see the new look at once; offline, the session sends it when it connects.
    if (networkEnabled_ && presence_.connected()) online_.PublishAppearance(selected);
    RenderFrame();
}

void PetApp::AddWordsManually() {
    std::wstring text;
    if (!RunPrompt(window(), kManualActivityPrompt, L"", text) || text.empty()) return;
    const std::optional<int> words = ParseManualWords(text);
    if (!words) {
        notices_.Show(window(), L"请输入 1～1000000 之间的整数。", L"字数无效", MB_ICONWARNING);
        return;
    }
    if (!AddActivity(*words, true)) {
        notices_.Show(window(),
                      L"已追加 " + std::to_wstring(*words) + L" 点输入活跃值。\n本周累计：" +
                          std::to_wstring(growth_.weeklyWords()) + L"。",
                      L"本周成长", MB_ICONINFORMATION);
    }
}

void PetApp::ShowGrowthRecord() {
    notices_.Show(window(),
                  GrowthRecordText(growth_.todayInput(), growth_.weeklyWords(), growth_.maxUnlockedAppearance(),
                                   growth_.autoTypingEnabled()),
                  L"咕噜兽成长记录", MB_ICONINFORMATION);
}

void PetApp::ApplyKeyboardHook() {
    if (!growth_.autoTypingEnabled()) {
        keyboardHook_.Remove();
        return;
    }
    if (keyboardHook_.Install(instance_)) return;
    growth_.SetAutoTyping(false);
    notices_.Show(window(), L"系统或公司安全策略阻止了输入活跃值统计。其他功能不受影响。", L"无法启用自动统计",
                  MB_ICONWARNING);
}
