#pragma once

#include "core/clock.h"
#include "core/notices.h"
#include "core/settings_store.h"
#include "render/gdiplus_api.h"
#include "render/image_catalogue.h"
#include "render/movement.h"
#include "render/pose.h"
#include "online/online_client.h"
#include "online/update_announcement.h"

#include <windows.h>

#include <cstdint>
#include <random>
#include <string>

class DibSurface;

inline constexpr wchar_t kPetWindowClass[] = L"MossquillDesktopPetWindowV5";
inline constexpr wchar_t kPetWindowTitle[] = L"咕噜兽桌宠";
inline constexpr wchar_t kAppTitle[] = L"咕噜兽";
inline constexpr DWORD kPetWindowExStyle = WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
inline constexpr UINT_PTR TIMER_FRAME = 1;
inline constexpr UINT_PTR TIMER_SECOND = 2;
inline constexpr UINT kFrameIntervalMs = 40;
inline constexpr UINT kSecondIntervalMs = 1000;
inline constexpr int HOTKEY_QUICK_VISIT = 1;
inline constexpr uint64_t kEnergyDecayStepMs = 300000;
inline constexpr uint64_t kFirstIdleCheckDelayMs = 480000;
inline constexpr uint64_t kFirstDashDelayMs = 3000;

// The one application object: the window, the pictures and the whole state of the pet.
class PetApp {
public:
    PetApp(HINSTANCE instance, Clock& clock, SettingsStore& settings, Notices& notices);
    PetApp(const PetApp&) = delete;
    PetApp& operator=(const PetApp&) = delete;
    ~PetApp();

    // Start-up from GDI+ to the first frame; false after the failure has been reported.
    bool Initialize();

    void LoadSettings();
    // Day and week roll-over: the running totals start again at 0 under the new key.
    void StartNewDay(int32_t today);
    void StartNewWeek(int32_t thisWeek);
    void SaveAll();
    void SavePosition();

    // Composes the current frame into the surface and returns the constant alpha to push it with.
    BYTE ComposeFrame(DibSurface& surface);
    void RenderFrame();
    void CutInFadeStep(uint64_t now);
    // True when the current pose shows a cut-in picture that exists.
    bool HasCutIn() const;

    // One frame tick of walking or dashing; nothing moves while the pet is held.
    void MovementStep();
    void SetMovementMode(int mode);
    void SetPetSize(int size);
    void ReturnToCorner();
    // Keeps the window inside the work area of its monitor, e.g. after a display change.
    void ClampIntoWorkArea();
    // Registers the class and creates the hidden pet window at its start position.
    bool CreatePetWindow();

    // Pet life: energy, poses and speech.
    void Pet();
    void Feed();
    void ChallengeDragon();
    void DecayEnergy(uint64_t now);
    void ShowPose(PoseId newPose, int seconds);
    void ShowReactionText(const std::wstring& text, uint64_t durationMs);

    // Growth from counted key presses and hand-entered words. AddActivity is true on a level-up.
    void ApplyKeyboardHook();
    void RemoveKeyboardHook();
    bool AddActivity(int32_t points, bool announce);
    void SetAppearance(int appearance);
    void AddWordsManually();
    void ShowGrowthRecord();

    // Reminders and the idle check of the clock tick.
    void CheckWaterReminder(uint64_t now);
    void CheckOffworkReminder(const SYSTEMTIME& localNow);
    void CheckLateNight(const SYSTEMTIME& localNow);
    void CheckIdle(uint64_t now);

    // The right-click menu and what it leads to.
    void ShowContextMenu();
    void RunMenuCommand(int command);
    void ShowUpdateNotice();
    void ShowUsageHelp(HWND owner);

    void OnFrameTimer();
    void OnClockTimer();
    void OnDestroy();

    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // Process and window.
    HINSTANCE instance;
    HWND hwnd = nullptr;
    Clock& clock;
    SettingsStore& settings;
    Notices& notices;
    GdiplusSession gdiplus;
    ImageCatalogue images;
    OnlineClient online;

    // Persisted pet state.
    int32_t energy = 100;
    int32_t weeklyWords = 0;
    int32_t todayInput = 0;
    int32_t maxUnlockedAppearance = 1;
    int32_t selectedAppearance = 0;
    int32_t petSize = 230;
    int32_t waterIntervalMinutes = 45;
    int32_t lastBattleDay = 0;
    bool offworkEnabled = false;
    int32_t offworkHour = 18;
    int32_t offworkMinute = 0;
    int32_t lastOffworkDay = 0;
    int32_t lastLateNightDay = 0;
    bool autoTypingEnabled = false;
    HHOOK keyboardHook = nullptr;
    int32_t movementMode = 0;
    bool walking = false;

    // Calendar bookkeeping: the day and week todayInput and weeklyWords belong to.
    int32_t todayKey = 0;
    int32_t weekKey = 0;

    // Pose.
    PoseId pose = POSE_NORMAL;
    uint64_t poseStartTick = 0;
    uint64_t poseEndTick = 0;
    bool showAppearanceCutIn = false;
    float cutInAlpha = 0.0f;

    // Clock-timer bookkeeping.
    uint64_t nextWaterTick = 0;
    uint64_t lastDecayTick = 0;
    uint64_t nextIdleCheckTick = 0;

    // Pointer.
    bool hoverTracking = false;
    bool leftPressed = false;
    bool dragging = false;
    POINT pressPoint{};
    RECT pressWindowRect{};

    // Movement and placement.
    uint64_t movementPauseUntil = 0;
    POINT homePosition{};
    bool awayFromHome = false;
    int direction = -1;
    float walkPhase = 0.0f;
    float stepCarry = 0.0f;
    uint64_t segmentEndTick = 0;
    float windowOpacity = 1.0f;
    DashState dashState = DASH_WAITING;
    uint64_t dashStateStartTick = 0;
    uint64_t nextDashTick = 0;
    bool dashPhaseActive = false;
    int dashesLeft = 0;

    std::mt19937 rng;

    // Reaction text.
    std::wstring reactionTextValue = L"摸摸～";
    uint64_t reactionStartTick = 0;
    uint64_t reactionEndTick = 0;
    uint64_t petCount = 0;

    // Online presentation.
    bool networkEnabled = false;
    bool connected = false;
    bool hotkeyRegistered = false;
    UpdateAnnouncement announcement;
    bool updatePending = false;
    bool visitShowing = false;
    uint64_t visitEndTick = 0;

private:
    void OnMouseMove(WPARAM buttons);
    void OnLeftButtonDown();
    void OnLeftButtonUp();
    void WalkingStep();
    void DashStep(uint64_t now);
    void DashJump();
    // Puts a pet that a dash has left somewhere back to its (clamped) home.
    void ReturnHomeIfAway();
    void MoveWindowTo(POINT topLeft);
    void PlaceWindow(POINT topLeft, int size);
    RECT WindowWorkArea() const;

    void StartTimers();
    void TearDown();
};
