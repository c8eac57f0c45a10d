// The settings centre: the window shows the options as they stand, and a save applies each one
// through the operation that owns it, in a fixed order, before everything is stored.
#include "app/pet_app.h"

#include "core/setting_names.h"
#include "platform/startup_entry.h"
#include "ui/settings_plan.h"
#include "ui/settings_window.h"

PetOptions PetApp::CurrentOptions() {
    PetOptions options{movement_.petSize(),
                       movement_.mode(),
                       reminders_.waterIntervalMinutes(),
                       reminders_.offworkEnabled(),
                       reminders_.offworkHour(),
                       reminders_.offworkMinute(),
                       growth_.autoTypingEnabled(),
                       networkEnabled_,
                       StartupEntryExists(),
                       std::nullopt};
    if (online_.HasCompleteIdentity()) options.nickname = online_.Identity().nickname;
    return options;
}

void PetApp::ShowSettings() {
    const PetOptions options = CurrentOptions();
    SettingsState state = SettingsStateFor(options);
    if (!SettingsWindow::Run(window(), state, notices_)) return;
    const SettingsPlan plan = PlanSettings(state, options);

    // A refused start-up entry is told once; the other options still apply.
    if (const std::optional<std::wstring> error = ApplyStartupEntry(plan.startWithWindows)) {
        notices_.Show(window(), *error, kStartupEntryFailedTitle, MB_ICONWARNING);
    }
    if (plan.newPetSize) SetPetSize(*plan.newPetSize);
    SetMovementMode(plan.movementMode);

    reminders_.SetWaterInterval(plan.waterIntervalMinutes, clock_.Now());
    settings_.WriteSettingDword(setting::kWaterIntervalMinutes, static_cast<DWORD>(reminders_.waterIntervalMinutes()));
    reminders_.SetOffwork(plan.offworkEnabled, plan.offworkHour, plan.offworkMinute);
    settings_.WriteSettingDword(setting::kOffworkEnabled, reminders_.offworkEnabled() ? 1 : 0);
    settings_.WriteSettingDword(setting::kOffworkHour, static_cast<DWORD>(reminders_.offworkHour()));
    settings_.WriteSettingDword(setting::kOffworkMinute, static_cast<DWORD>(reminders_.offworkMinute()));

    growth_.SetAutoTyping(plan.autoTypingEnabled);
    ApplyKeyboardHook();

    ApplyOnlineSetting(plan);

    if (!hotkeyRegistered_) {
        notices_.Show(window(), kHotkeyUnavailableText, kHotkeyUnavailableTitle, MB_ICONINFORMATION);
    }
    if (plan.returnToCorner) ReturnToCorner();
    SaveAll();
}

void PetApp::ApplyOnlineSetting(const SettingsPlan& plan) {
    if (!plan.online) {
        if (networkEnabled_) SwitchOnlineOff();
        return;
    }
    // The identity may have changed while the window was open, so it is asked for again.
    if (online_.HasCompleteIdentity()) {
        if (const std::optional<std::wstring> nickname = plan.NicknameUpdate(online_.Identity().nickname)) {
            std::wstring error;
            if (!online_.SetNickname(*nickname, &error)) {
                notices_.Show(window(), error, kNicknameUpdateFailedTitle, MB_ICONWARNING);
            }
        }
        if (!networkEnabled_) SwitchOnlineOn();
        return;
    }
    std::wstring error;
    if (!online_.Register(plan.NicknameToRegister(), &error)) {
        notices_.Show(window(), error, kGoingOnlineFailedTitle, MB_ICONWARNING);
        return;
    }
    SwitchOnlineOn();
}
