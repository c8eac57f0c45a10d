// Two pets that became friends through the real service visit each other: the visit crosses the
// relay and shows on the friend's card, the like comes back, the cooldown refuses an early
// second visit, quick visits queue on the card, and Escape ends a card early.
#include "core/setting_names.h"
#include "online/posted_session_events.h"
#include "text/wide_text.h"
#include "online_test_support.h"
#include "pet_user.h"
#include "support/window_script.h"
#include "ui/prompt_window.h"
#include "visits/visit_messages.h"

#include <gtest/gtest.h>

#include <regex>
#include <utility>

namespace {

// What the pet's window hears when a friend list arrives.
void PostFriends(const PetApp& app, std::vector<OnlineFriend> friends) {
    PostMessageW(app.window(), WM_PET_FRIENDS, 0,
                 reinterpret_cast<LPARAM>(new FriendListPayload{std::move(friends), false}));
}

// The n-th item (from 1) of a menu that just opened with nothing selected, chosen with the keyboard.
UserStep MenuItem(int n) {
    return {kMenuClass, [n](HWND menu) {
                for (int i = 0; i < n; ++i)
                    PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
                PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
            }};
}

RECT Rect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

// A game's window from a process of its own (the pet never hides for its own windows); closed,
// and its process waited for, when the object goes.
class FullScreenProgram {
public:
    FullScreenProgram() {
        const std::wstring path = SiblingProgramPath(L"full_screen_program.exe");
        std::wstring commandLine = L"\"" + path + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process_))
            return;
        for (int tries = 0; tries < 100 && !window_; ++tries) {
            window_ = FindWindowW(L"MossquillTestFullScreenProgram", nullptr);
            if (!window_) Sleep(50);
        }
    }
    ~FullScreenProgram() {
        if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
        if (!process_.hProcess) return;
        WaitForSingleObject(process_.hProcess, 10000);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    FullScreenProgram(const FullScreenProgram&) = delete;
    FullScreenProgram& operator=(const FullScreenProgram&) = delete;
    bool started() const { return window_ != nullptr; }

private:
    PROCESS_INFORMATION process_{};
    HWND window_ = nullptr;
};

void PressQuickVisitKeys() {
    SendKey(VK_CONTROL, false);
    SendKey(VK_MENU, false);
    PressKey('B');
    SendKey(VK_MENU, true);
    SendKey(VK_CONTROL, true);
}

TEST(TwoPets, VisitCrossesTheServiceLikeComesBackAndQuickVisitsQueueOnTheCard) {
    ClearSettingsKey();
    // The guest starts first, so Ctrl+Alt+B is its hot key; the host has energy to gain.
    StartedPet guest;
    StartedPet host([](MemorySettingsStore& store) {
        store.dwords[setting::kEnergy] = 60;
        store.dwords[setting::kPetSize] = 230;
    });
    ASSERT_TRUE(BecomeFriends(host, L"小家", guest, L"小客"));
    const size_t guestNotices = guest.notices.shown.size();
    const RECT petRect = Rect(host.app.window());

    // "eat" travels as "drink" with the new id beside it; the quote in the note arrives as typed.
    const std::wstring note = L"别吃\"太多\"哦";
    guest.app.SendVisit(guest.app.friends()[0], 7, note, false);
    EXPECT_EQ(LastNotice(guest).text, L"咕噜兽已经去找「小家」一起吃饭啦！");
    EXPECT_EQ(LastNotice(guest).caption, std::wstring(L"串门消息已发出"));
    ASSERT_TRUE(PumpUntil([&] { return host.app.visits().showing(); })) << "the visit never reached the host";
    const IncomingVisit& shown = host.app.visits().current();
    EXPECT_EQ(shown.fromId, guest.app.online().Identity().deviceId);
    EXPECT_EQ(shown.fromNickname, L"小客");
    EXPECT_EQ(shown.action, L"eat");
    EXPECT_EQ(shown.text, note);
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const RECT card = Rect(host.app.window());
    EXPECT_EQ(card.left, area.left + 14);
    EXPECT_EQ(card.top, area.top + 14);
    EXPECT_EQ(card.right - card.left, 512);
    EXPECT_EQ(card.bottom - card.top, 326);
    EXPECT_EQ(host.store.dwords[setting::kEnergy], 65u);

    // A right-click on the card answers with a like, which the guest shows above itself.
    EXPECT_TRUE(WorkContextMenu(host.app, {MenuItem(1)}));
    EXPECT_TRUE(host.app.visits().responded());
    EXPECT_TRUE(PumpUntil([&] { return guest.app.reaction().text() == L"小家 点赞了串门 ♥"; }));

    // Ten seconds later the guest still has to wait twenty.
    guest.clock.Advance(10000);
    guest.app.SendVisit(guest.app.friends()[0], 0, L"", false);
    EXPECT_EQ(LastNotice(guest).text, L"刚刚才去找过「小家」，再等 20 秒吧。");
    EXPECT_EQ(LastNotice(guest).caption, std::wstring(L"咕噜兽正在喘口气"));

    // Escape ends the card before its time and gives the pet its place back.
    PostMessageW(host.app.window(), WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(PumpUntil([&] { return !host.app.visits().showing(); }));
    EXPECT_EQ(Rect(host.app.window()).left, petRect.left);
    EXPECT_EQ(Rect(host.app.window()).right - Rect(host.app.window()).left, 230);

    // A line break is sent escaped: the service reads the message and refuses the note for it.
    guest.clock.Advance(20000);
    guest.app.SendVisit(guest.app.friends()[0], 6, L"第一行\n第二行", true);
    EXPECT_TRUE(PumpUntil([&] { return LastNotice(guest).text == L"小纸条不能包含控制字符。"; }));
    EXPECT_FALSE(host.app.visits().showing());

    // Four quick visits in a row, by the hot key, the menu, the menu with a note and directly:
    // one shows, two wait, the fourth is lost.
    const std::vector<std::function<void()>> quickVisits{
        [&] { PressQuickVisitKeys(); }, [&] { WorkContextMenu(guest.app, {MenuItem(4)}); },
        [&] {
            WorkContextMenu(guest.app, {MenuItem(5), Answer(L"海边见")});
        },
        [&] { guest.app.QuickVisit(false); }};
    for (const auto& visit : quickVisits) {
        guest.clock.Advance(30000);
        const size_t arrived = host.app.visits().waiting() + (host.app.visits().showing() ? 1 : 0);
        visit();
        EXPECT_TRUE(PumpUntil([&] {
            return guest.app.reaction().text() == L"已去找 小家" &&
                   guest.app.reaction().endTick() == guest.clock.Now() + 2300;
        }));
        if (arrived < 3) {
            EXPECT_TRUE(PumpUntil([&] {
                return host.app.visits().waiting() + (host.app.visits().showing() ? 1 : 0) == arrived + 1;
            })) << "quick visit "
                << arrived + 1 << " did not arrive";
        }
    }
    // The guest's messages reach the host in the order they were sent: once a like sent after the
    // fourth visit has arrived, so has that visit.
    const SessionSendResult liked =
        guest.app.online().SendSessionMessage(ReactionMessage(host.app.online().Identity().deviceId, L"like"));
    ASSERT_EQ(liked.outcome, SessionSendResult::Outcome::Sent);
    EXPECT_TRUE(PumpUntil([&] { return host.app.reaction().text().find(L"点赞了串门") != std::wstring::npos; }));
    EXPECT_EQ(host.app.visits().waiting(), 2u);

    // The cards in the order they showed: action and note.
    std::vector<std::pair<std::wstring, std::wstring>> cards;
    while (host.app.visits().showing() && cards.size() < 4) {
        cards.emplace_back(host.app.visits().current().action, host.app.visits().current().text);
        const size_t waiting = host.app.visits().waiting();
        PostMessageW(host.app.window(), WM_KEYDOWN, VK_ESCAPE, 0);
        PumpUntil([&] { return !host.app.visits().showing() || host.app.visits().waiting() < waiting; });
    }
    ASSERT_EQ(cards.size(), 3u);
    EXPECT_EQ(cards[0].second, L"");
    EXPECT_EQ(cards[2].second, L"海边见");
    for (size_t i = 1; i < cards.size(); ++i) {
        EXPECT_NE(cards[i].first, cards[i - 1].first) << "a quick visit repeated the action before it";
    }
    EXPECT_EQ(host.store.dwords[setting::kEnergy], 80u);
    EXPECT_EQ(guest.notices.shown.size(), guestNotices + 3) << "quick visits are sent quietly";
}

// A friend's visit during a game waits unseen with the pet, and gets its whole time on the card
// once the game has gone.
TEST(TwoPets, AVisitDuringAFullScreenProgramWaitsUnseenUntilTheProgramGoes) {
    ClearSettingsKey();
    StartedPet guest;
    StartedPet host;
    ASSERT_TRUE(BecomeFriends(host, L"小家", guest, L"小客"));
    // The host looks at the desktop as its frames do, half a second apart.
    const auto hostInSight = [&] {
        host.clock.Advance(500);
        host.app.OnFrameTimer();
        return IsWindowVisible(host.app.window()) != FALSE;
    };
    {
        FullScreenProgram game;
        ASSERT_TRUE(game.started());
        ASSERT_TRUE(PumpUntil([&] { return !hostInSight(); })) << "the pet stayed over the game";
        guest.app.SendVisit(guest.app.friends()[0], 0, L"", false);
        ASSERT_TRUE(PumpUntil([&] { return host.app.visits().showing(); })) << "the visit never reached the host";
        EXPECT_FALSE(hostInSight()) << "the card showed over the game";
        host.clock.Advance(VisitQueue::kShowMs);
        EXPECT_FALSE(hostInSight());
    }
    ASSERT_TRUE(PumpUntil(hostInSight)) << "the pet did not come back after the game";
    ASSERT_TRUE(host.app.visits().showing()) << "the card ended before anybody could see it";
    EXPECT_EQ(host.app.visits().SecondsLeft(host.clock.Now()), 10);
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_EQ(Rect(host.app.window()).left, area.left + 14) << "the pet came back, not its card";
}

// Choices are made in menus and prompts whose loops let new lists and timed-out cards in: what
// the user chose is what gets the visit or the answer.
TEST(TwoPets, AChoiceStaysWithTheFriendAndTheCardItWasMadeOn) {
    ClearSettingsKey();
    StartedPet guest;
    StartedPet host;
    ASSERT_TRUE(BecomeFriends(host, L"小家", guest, L"小客"));
    const std::vector<OnlineFriend> real = guest.app.friends();
    const OnlineFriend stranger{L"someone-else", L"阿陌", true, 0};

    // While the note prompt is open the list is re-sorted with 小家 gone offline, then shortened
    // to nothing: the note never goes to whoever took 小家's place, and nothing is sent.
    for (const std::vector<OnlineFriend>& meanwhile :
         {std::vector<OnlineFriend>{stranger, {real[0].id, real[0].nickname, false, 0}}, std::vector<OnlineFriend>{}}) {
        PostFriends(guest.app, real);
        ASSERT_TRUE(PumpUntil([&] { return HasFriendOnline(guest.app, L"小家"); }));
        guest.clock.Advance(30000);
        User user({{kPromptWindowClass, [&, meanwhile](HWND prompt) {
                        PostFriends(guest.app, meanwhile);
                        Sleep(300);
                        Answer(L"给小家的纸条").act(prompt);
                    }}});
        guest.app.QuickVisit(true);
        while (!user.finished())
            PumpFor(50);
        EXPECT_EQ(LastNotice(guest).text, L"小家 现在不在线，这次招呼不会保存，也不会稍后补发。");
        EXPECT_EQ(LastNotice(guest).caption, std::wstring(L"好友不在线"));
    }
    PumpFor(1000);
    EXPECT_FALSE(host.app.visits().showing()) << "a visit went out all the same";

    // Two visits: one on the card, one waiting. The card times out under the open reaction menu
    // and the waiting visit takes its place; the like goes to the first, which alone is answered.
    PostFriends(guest.app, real);
    ASSERT_TRUE(PumpUntil([&] { return HasFriendOnline(guest.app, L"小家"); }));
    for (uint32_t action : {0u, 1u}) {
        guest.clock.Advance(30000);
        guest.app.SendVisit(real[0], action, L"", true);
    }
    ASSERT_TRUE(PumpUntil([&] { return host.app.visits().showing() && host.app.visits().waiting() == 1; }));
    const uint64_t firstCard = host.app.visits().serial();
    EXPECT_TRUE(WorkContextMenu(host.app, {{kMenuClass, [&](HWND menu) {
                                                host.clock.Advance(VisitQueue::kShowMs);
                                                Sleep(500);
                                                MenuItem(1).act(menu);
                                            }}}));
    EXPECT_TRUE(PumpUntil([&] { return guest.app.reaction().text() == L"小家 点赞了串门 ♥"; }));
    EXPECT_NE(host.app.visits().serial(), firstCard) << "the card did not time out under the menu";
    EXPECT_TRUE(host.app.visits().showing());
    EXPECT_FALSE(host.app.visits().responded()) << "the like was counted for the visit that came after";
}

}  // namespace
