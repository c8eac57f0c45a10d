#pragma once

#include "core/clock.h"
#include "core/notices.h"
#include "core/settings_store.h"
#include "online/online_client.h"
#include "online/online_presence.h"
#include "pet/growth.h"
#include "pet/keyboard_hook.h"
#include "pet/reminder_schedule.h"
#include "pet/vitals.h"
#include "render/frame_description.h"
#include "render/frame_renderer.h"
#include "render/gdiplus_api.h"
#include "render/image_catalogue.h"
#include "render/movement.h"
#include "render/pet_window.h"
#include "render/pose_state.h"
#include "render/reaction_text.h"
#include "ui/context_menu.h"
#include "ui/help_and_notice.h"
#include "ui/pointer_gestures.h"
#include "ui/notice_slot.h"
#include "ui/visit_log.h"
#include "ui/visit_queue.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct PetOptions;
struct SettingsPlan;

inline constexpr wchar_t kPetWindowClass[] = L"MossquillDesktopPetWindowV5";
inline constexpr wchar_t kPetWindowTitle[] = L"咕噜兽桌宠";
inline constexpr wchar_t kAppTitle[] = L"咕噜兽";

// The one application object: owns the pet window, its window procedure and timers, and the
// components that hold the pet's state and rules. Every operation on the pet is entered here; it
// asks the components what happens and shows the result.
class PetApp {
public:
    // The service hosts are the program's own unless a test names others.
    PetApp(HINSTANCE instance, Clock& clock, SettingsStore& settings, Notices& notices,
           const ServiceHosts& hosts = kServiceHosts);
    PetApp(const PetApp&) = delete;
    PetApp& operator=(const PetApp&) = delete;
    ~PetApp();

    // Start-up from GDI+ to the first frame; false after the failure has been reported.
    bool Initialize();
    // Registers the class and creates the hidden pet window at its start position.
    bool CreatePetWindow();

    // Persisted state: every stored value is read and written in one place.
    void LoadSettings();
    void SaveAll();
    void SavePosition();

    // Frames: what the pet looks like now, drawn and pushed to the window.
    FrameDescription DescribeFrame() const;
    void RenderFrame();

    // Pet life: energy, poses and speech.
    void Pet();
    void Feed();
    void ChallengeDragon();
    void ShowPose(PoseId pose, int seconds);
    void ShowReactionText(const std::wstring& text, uint64_t durationMs);

    // Growth. AddActivity is true on a level-up.
    bool AddActivity(int32_t points, bool announce);
    void SetAppearance(int appearance);
    void AddWordsManually();
    void ShowGrowthRecord();
    // Installs or removes the key-press hook as counting is switched on or off.
    void ApplyKeyboardHook();

    // Movement and placement.
    void SetMovementMode(int mode);
    void SetPetSize(int size);
    void ReturnToCorner();
    void ClampIntoWorkArea();

    // The right-click menu and what it leads to.
    void ShowContextMenu();
    // What the menu shows, read from the pet's state when it opens.
    ContextMenuState MenuState() const;
    void RunMenuCommand(int command);
    void ShowUpdateNotice();
    void ShowUsageHelp(HWND owner);
    // The settings centre; a save applies every option in a fixed order, a cancel changes nothing.
    void ShowSettings();

    // Online mode: on starts the live session (the identity must be complete), off stops it.
    void SwitchOnlineOn();
    void SwitchOnlineOff();
    // The online commands of the menu: going online, the nickname, pairing and the friend list.
    void ToggleOnline();
    void ChangeNickname();
    void CreatePairingCode();
    void ClaimPairingCode();
    void RefreshFriends();

    // While a visit card covers the pet, the pet neither moves nor reacts to petting.
    void SetVisitShowing(bool showing) { visitShowing_ = showing; }

    // Visits: a friend's visit shown on the card (or waiting for it), and what this pet sends.
    void ShowIncomingVisit(const IncomingVisit& visit);
    void EndIncomingVisit();
    VisitCardDescription DescribeVisitCard();
    // To the friend chosen, found again by id: one who has left the list or gone offline since
    // the choice is reported offline, never replaced by whoever took the place in the list.
    void SendVisit(const OnlineFriend& chosen, uint32_t actionIndex, const std::wstring& note, bool quiet);
    void QuickVisit(bool withNote);
    void ShowReactionMenu();
    // To the visitor of that visit, which is marked answered if still on show.
    void SendReaction(const IncomingVisit& visit, uint64_t visitSerial, const std::wstring& reaction);

    // The timers' work, entered by the window procedure (and by tests that move time by hand).
    void OnFrameTimer();
    void OnClockTimer();

    // Read-only views of the parts.
    HWND window() const { return window_.hwnd(); }
    const Vitals& vitals() const { return vitals_; }
    const Growth& growth() const { return growth_; }
    const ReminderSchedule& reminders() const { return reminders_; }
    const PoseState& pose() const { return pose_; }
    const ReactionText& reaction() const { return reaction_; }
    const Movement& movement() const { return movement_; }
    const UpdateNotice& updateNotice() const { return updateNotice_; }
    const VisitQueue& visits() const { return visits_; }
    bool networkEnabled() const { return networkEnabled_; }
    bool connected() const { return presence_.connected(); }
    // In the order friend menus show.
    const std::vector<OnlineFriend>& friends() const { return presence_.friends(); }
    OnlineClient& online() { return online_; }

private:
    static constexpr UINT_PTR kFrameTimer = 1;
    static constexpr UINT_PTR kClockTimer = 2;
    static constexpr UINT kFrameIntervalMs = 40;
    static constexpr UINT kClockIntervalMs = 1000;
    static constexpr int kQuickVisitHotkey = 1;

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnMouseMove(WPARAM buttons);
    void OnLeftButtonDown();
    void OnLeftButtonUp();
    void OnDestroy();
    // The session's events posted to the window; each payload is freed here.
    void OnSessionEvent(UINT message, LPARAM payload);
    bool HasIdentityOrSaySo();
    StoredMovement ReadStoredMovement() const;
    int appearance() const { return growth_.selectedAppearance(); }
    bool PoseHoldsThePet() const;
    // A level-up selects the new appearance and says so: in a box when announced, else above the pet.
    bool ShowActivityCredit(const ActivityCredit& credit, bool announce);
    void StartTimers();
    void TearDown();
    PetOptions CurrentOptions();
    void ApplyOnlineSetting(const SettingsPlan& plan);
    // The friend a quick visit goes to: the only one online, or the one picked from a menu.
    std::optional<OnlineFriend> ChooseOnlineFriend();
    // A text the service sent, in the one box kept for them.
    void ShowServiceNotice(std::wstring text);

    HINSTANCE instance_;
    Clock& clock_;
    SettingsStore& settings_;
    Notices& notices_;
    GdiplusSession gdiplus_;
    ImageCatalogue images_;
    Win32PetWindow window_;
    FrameRenderer renderer_{images_};

    Vitals vitals_{settings_};
    Growth growth_{settings_};
    ReminderSchedule reminders_{settings_};
    KeyboardHook keyboardHook_;
    PoseState pose_{images_};
    ReactionText reaction_;
    Movement movement_;
    PointerGestures pointer_;
    UpdateNotice updateNotice_;
    bool visitShowing_ = false;
    // Ctrl+Alt+B is registered once at start; while another program holds it, saving settings says so.
    bool hotkeyRegistered_ = false;
    VisitQueue visits_;
    VisitLog visitLog_{static_cast<uint32_t>(clock_.Now()) ^ 0x9E3779B9u};
    RECT savedWindowRect_{};

    OnlineClient online_;
    bool networkEnabled_ = false;
    OnlinePresence presence_;
    NoticeSlot serviceNotice_;
};
