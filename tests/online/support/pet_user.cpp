#include "pet_user.h"

#include "text/wide_text.h"
#include "support/window_script.h"
#include "ui/prompt_window.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

HWND VisibleWindow(const wchar_t* windowClass, int count) {
    HWND found = nullptr;
    int visible = 0;
    for (HWND next = nullptr; (next = FindWindowExW(nullptr, next, windowClass, nullptr)) != nullptr;) {
        if (IsWindowVisible(next)) {
            found = next;
            ++visible;
        }
    }
    return visible >= count ? found : nullptr;
}

}  // namespace

User::User(std::vector<UserStep> steps)
    : total_(steps.size()), thread_([this, steps = std::move(steps)] {
          for (const UserStep& step : steps) {
              HWND window = nullptr;
              for (int waited = 0; waited < 10000 && !(window = VisibleWindow(step.windowClass, step.count));
                   waited += 50) {
                  Sleep(50);
              }
              if (!window) {
                  // Give the pet's thread its loop back rather than leave it in a menu.
                  if (HWND menu = VisibleWindow(kMenuClass, 1)) PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
                  break;
              }
              step.act(window);
              ++played_;
          }
          finished_ = true;
      }) {}

User::~User() { thread_.join(); }

StartedPet::StartedPet(const std::function<void(MemorySettingsStore&)>& prepare) {
    if (prepare) prepare(store);
    EXPECT_TRUE(app.Initialize());
}

bool WorkContextMenu(const PetApp& app, std::vector<UserStep> steps) {
    User user(std::move(steps));
    PostMessageW(app.window(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(app.window()), 0);
    while (!user.finished())
        PumpFor(50);
    PumpFor(300);
    return user.done();
}

void ChooseOnlineCommand(const PetApp& app, int item, std::vector<UserStep> then) {
    const auto press = [](HWND menu, WORD key) { PostMessageW(menu, WM_KEYDOWN, key, 0); };
    std::vector<UserStep> steps{{kMenuClass, [=](HWND menu) {
                                     // Down from nothing selected: the ninth item is the online submenu.
                                     for (int i = 0; i < 9; ++i)
                                         press(menu, VK_DOWN);
                                     press(menu, VK_RIGHT);
                                 }}};
    steps.push_back({kMenuClass,
                     [=](HWND submenu) {
                         for (int i = 0; i < item; ++i)
                             press(submenu, VK_DOWN);
                         press(submenu, VK_RETURN);
                     },
                     2});
    steps.insert(steps.end(), then.begin(), then.end());
    EXPECT_TRUE(WorkContextMenu(app, std::move(steps))) << "the menu or the prompt did not show";
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 50) {
        if (done()) return true;
        PumpFor(50);
    }
    return done();
}

const auto kPressOk = [](HWND prompt) { PostMessageW(GetDlgItem(prompt, IDOK), BM_CLICK, 0, 0); };

UserStep Answer(std::wstring text) {
    return {kPromptWindowClass, [text = std::move(text)](HWND prompt) {
                SendMessageW(GetDlgItem(prompt, kPromptEditId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
                kPressOk(prompt);
            }};
}

void GoOnline(StartedPet& pet, const std::wstring& nickname) {
    ChooseOnlineCommand(pet.app, 0, {Answer(nickname)});
    ASSERT_TRUE(PumpUntil([&] { return pet.app.connected(); })) << WideToUtf8(nickname) << " did not connect";
}

bool HasFriendOnline(const PetApp& app, const std::wstring& nickname) {
    for (const OnlineFriend& buddy : app.friends()) {
        if (buddy.nickname == nickname && buddy.online) return true;
    }
    return false;
}

const RecordingNotices::Notice& LastNotice(const StartedPet& pet) {
    static const RecordingNotices::Notice none{};
    return pet.notices.shown.empty() ? none : pet.notices.shown.back();
}

void PairThroughMenus(StartedPet& owner, StartedPet& claimer) {
    ChooseOnlineCommand(owner.app, 2);
    std::wsmatch code;
    ASSERT_TRUE(std::regex_search(LastNotice(owner).text, code, std::wregex(L"\n\n([0-9]{6})\n\n")));
    ChooseOnlineCommand(claimer.app, 3, {Answer(code[1].str())});
}

bool BecomeFriends(StartedPet& owner, const std::wstring& ownerNickname, StartedPet& claimer,
                   const std::wstring& claimerNickname) {
    GoOnline(owner, ownerNickname);
    GoOnline(claimer, claimerNickname);
    PairThroughMenus(owner, claimer);
    return !::testing::Test::HasFatalFailure() && PumpUntil([&] {
        return HasFriendOnline(claimer.app, ownerNickname) && HasFriendOnline(owner.app, claimerNickname);
    });
}
