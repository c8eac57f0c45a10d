// An in-process pet and a user who works its menus and prompts from a second thread, as another
// program would, while the pet's thread runs their own modal loops.
#pragma once

#include "app/pet_app.h"
#include "support/fake_clock.h"
#include "support/memory_settings_store.h"
#include "support/recording_notices.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

inline constexpr wchar_t kMenuClass[] = L"#32768";

// One thing the user does once `count` visible windows of the class show (a menu and its
// submenu are two); it acts on the one found last.
struct UserStep {
    const wchar_t* windowClass;
    std::function<void(HWND)> act;
    int count = 1;
};

// Plays the steps from a second thread; gives up on a window that does not show in 10 s.
class User {
public:
    explicit User(std::vector<UserStep> steps);
    ~User();
    bool finished() const { return finished_; }
    bool done() const { return played_ == total_; }

private:
    const size_t total_;
    std::atomic<size_t> played_{0};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

// A pet started with its own clock, settings and notices; `prepare` fills the settings first.
struct StartedPet {
    explicit StartedPet(const std::function<void(MemorySettingsStore&)>& prepare = {});
    FakeClock clock{2026, 12, 9};
    MemorySettingsStore store;
    RecordingNotices notices;
    PetApp app{GetModuleHandleW(nullptr), clock, store, notices};
};

// Right-clicks the pet (WM_CONTEXTMENU) and plays the steps while its thread runs the menu;
// false when a step's window did not show.
bool WorkContextMenu(const PetApp& app, std::vector<UserStep> steps);
// Opens the pet's menu and picks the online submenu's item `item` (0 for the online switch),
// then plays `then` (a prompt, say).
void ChooseOnlineCommand(const PetApp& app, int item, std::vector<UserStep> then = {});
// The thread handles its messages until `done` holds or the time is up; returns `done`.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 10000);

// A prompt the user fills in and confirms.
UserStep Answer(std::wstring text);
// Switches the pet online under the nickname and waits for its connection.
void GoOnline(StartedPet& pet, const std::wstring& nickname);
bool HasFriendOnline(const PetApp& app, const std::wstring& nickname);
// The last box the pet showed (an empty one when none).
const RecordingNotices::Notice& LastNotice(const StartedPet& pet);
// Pairs the pets through their menus: the owner's code from its box, typed into the claimer's prompt.
void PairThroughMenus(StartedPet& owner, StartedPet& claimer);
// Both pets go online under these nicknames, the owner first, and pair through their menus; true
// once each sees the other online.
bool BecomeFriends(StartedPet& owner, const std::wstring& ownerNickname, StartedPet& claimer,
                   const std::wstring& claimerNickname);
