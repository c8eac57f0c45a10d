#pragma once

// Value names under the pet's settings key.
namespace setting {
inline constexpr wchar_t kEnergy[] = L"Energy";
inline constexpr wchar_t kWeeklyWords[] = L"WeeklyWords";
inline constexpr wchar_t kTodayInput[] = L"TodayInput";
inline constexpr wchar_t kTypingDayKey[] = L"TypingDayKey";
inline constexpr wchar_t kWeekKey[] = L"WeekKey";
inline constexpr wchar_t kMaxUnlockedAppearance[] = L"MaxUnlockedAppearance";
inline constexpr wchar_t kSelectedAppearance[] = L"SelectedAppearance";
inline constexpr wchar_t kPetSize[] = L"PetSize";
inline constexpr wchar_t kMovementMode[] = L"MovementMode";
inline constexpr wchar_t kWalkingEnabled[] = L"WalkingEnabled";
inline constexpr wchar_t kAutoTypingEnabled[] = L"AutoTypingEnabled";
inline constexpr wchar_t kWaterIntervalMinutes[] = L"WaterIntervalMinutes";
inline constexpr wchar_t kLastBattleDay[] = L"LastBattleDay";
inline constexpr wchar_t kOffworkEnabled[] = L"OffworkEnabled";
inline constexpr wchar_t kOffworkHour[] = L"OffworkHour";
inline constexpr wchar_t kOffworkMinute[] = L"OffworkMinute";
inline constexpr wchar_t kLastOffworkDay[] = L"LastOffworkDay";
inline constexpr wchar_t kLastLateNightDay[] = L"LastLateNightDay";
inline constexpr wchar_t kPetX[] = L"PetX";
inline constexpr wchar_t kPetY[] = L"PetY";
inline constexpr wchar_t kNetworkEnabled[] = L"NetworkEnabled";
inline constexpr wchar_t kSeenAnnouncementId[] = L"SeenAnnouncementId";
inline constexpr wchar_t kHideWhenFullScreen[] = L"HideWhenFullScreen";
}  // namespace setting
