// A broken or hostile service, played by the test double: answers trickled a byte a second,
// presence messages by the dozen, error texts that keep changing, fields far beyond their
// bounds. The client ends every call at its deadline and every session at Stop, and the pet
// itself keeps drawing, opens its menu, shows one box at a time and closes at once.
#include "app/pet_app.h"
#include "core/setting_names.h"
#include "online/identity_registry.h"
#include "online/service_bounds.h"
#include "text/wide_text.h"
#include "online_test_support.h"
#include "pet_user.h"
#include "support/window_script.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const std::string kMinuteOfTrickle(60, ' ');

class HostileService : public ::testing::Test {
protected:
    void SetUp() override { ResetDouble(); }
};

OnlineClient& Identified(OnlineClient& client) {
    client.SetIdentity({L"dev-hostile", L"咕咕", FakeToken()});
    return client;
}

bool WaitFor(const std::function<bool()>& done, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 50) {
        if (done()) return true;
        Sleep(50);
    }
    return done();
}

std::vector<DoubleFrame> Presence(int count) {
    return std::vector<DoubleFrame>(count, {1, true, R"({"type":"presence"})"});
}

TEST_F(HostileService, TrickledAnswersEndAtTheDeadlineAndPresenceCostsAtMostTwoLists) {
    OnlineClient client(MakeHosts(kDoubleHost, kDoubleHost));
    Identified(client);

    // A user's call trickled for a minute ends at the deadline with the reading failure.
    ScriptDouble(kTrickleBody, kMinuteOfTrickle);
    const ULONGLONG asked = GetTickCount64();
    std::wstring error;
    EXPECT_FALSE(client.RefreshFriends(&error));
    const ULONGLONG took = GetTickCount64() - asked;
    EXPECT_GE(took, kServiceRequestDeadlineMs - 1000);
    EXPECT_LT(took, kServiceRequestDeadlineMs + 2000);
    EXPECT_EQ(error.rfind(L"读取联机响应失败：", 0), 0u) << WideToUtf8(error);
    std::printf("trickled call ended after %llu ms\n", took);

    // Forty presence messages at once: one fetch in flight, one waiting, no more.
    ResetDouble();
    std::vector<DoubleFrame> storm{{1, true, R"({"type":"connected","friends":[]})"}};
    const std::vector<DoubleFrame> presence = Presence(40);
    storm.insert(storm.end(), presence.begin(), presence.end());
    ScriptDoubleSession(storm);
    client.Start();
    ASSERT_TRUE(WaitFor([] { return DoubleRequestCount(L"/v1/friends") > 0; }, 10000));
    Sleep(3000);
    std::printf("40 presence messages: %d friend-list requests\n", DoubleRequestCount(L"/v1/friends"));
    EXPECT_LE(DoubleRequestCount(L"/v1/friends"), 2);
    client.Stop();

    // A session whose friend list trickles: Stop ends it at once, and the fetch waiting behind
    // the trickle is dropped with it.
    ResetDouble();
    ScriptDouble(kTrickleBody, kMinuteOfTrickle);
    ScriptDoubleSession(storm);
    client.Start();
    ASSERT_TRUE(WaitFor([] { return DoubleRequestCount(L"/v1/friends") > 0; }, 10000));
    Sleep(1000);
    const ULONGLONG stopping = GetTickCount64();
    client.Stop();
    std::printf("Stop during a trickle: %llu ms\n", GetTickCount64() - stopping);
    EXPECT_LE(GetTickCount64() - stopping, 1000u);
    Sleep(1500);
    EXPECT_EQ(DoubleRequestCount(L"/v1/friends"), 1);
}

TEST_F(HostileService, CallsGivenUpOnTrickledHeadersHoldAtMostTwoThreads) {
    // Header lines trickled for a minute hold a call past every time-out of WinHTTP's: the
    // caller is let go at the deadline, the call's thread stays until the service lets go.
    OnlineClient client(MakeHosts(kDoubleHost, kDoubleHost));
    Identified(client);
    for (int call = 1; call <= 3; ++call)
        ScriptDouble(kTrickleHeaders, kMinuteOfTrickle);
    std::wstring error;
    for (int call = 1; call <= 3; ++call) {
        const ULONGLONG asked = GetTickCount64();
        EXPECT_FALSE(client.RefreshFriends(&error));
        const ULONGLONG took = GetTickCount64() - asked;
        std::printf("call %d on trickled headers ended after %llu ms\n", call, took);
        EXPECT_LE(took, kServiceRequestDeadlineMs + 1500);
        if (call == 3) {
            EXPECT_LT(took, 1000u) << "a third thread was started";
        }
        EXPECT_EQ(error.rfind(L"联机请求失败：", 0), 0u) << WideToUtf8(error);
    }
    EXPECT_EQ(DoubleRequestCount(L"/v1/friends"), 2);
}

TEST_F(HostileService, AnswersBeyondTheirBoundsAreRefusedBeforeAnythingIsKept) {
    OnlineClient client(MakeHosts(kDoubleHost, kDoubleHost));
    Identified(client);
    std::wstring code;
    std::wstring error;
    for (const char* wrong : {"ABCDEFG", "12345678", "12345"}) {
        ScriptDouble(200, std::string(R"({"code":")") + wrong + "\"}");
        EXPECT_FALSE(client.CreatePairCode(code, &error)) << wrong;
        EXPECT_EQ(error, L"服务返回的配对码不是 6 位数字。");
    }
    ScriptDouble(200, R"({"code":"012345"})");
    EXPECT_TRUE(client.CreatePairCode(code, &error));
    EXPECT_EQ(code, L"012345");

    // A registration answer with a nickname of half a megabyte stores nothing.
    ClearSettingsKey();
    OnlineClient fresh(MakeHosts(kDoubleHost, kDoubleHost));
    ScriptDouble(201, R"({"device":{"id":"d-1","nickname":")" + std::string(512 * 1024, 'n') + R"(","token":")" +
                          std::string(64, 'a') + "\"}}");
    EXPECT_FALSE(fresh.Register(L"咕咕", &error));
    EXPECT_EQ(error, L"服务返回的设备身份不完整。");
    EXPECT_FALSE(fresh.HasCompleteIdentity());
    EXPECT_FALSE(ReadSettingBytes(kNetworkDeviceIdValue, RRF_RT_ANY));
}

TEST_F(HostileService, NeverHoldsThePet) {
    ClearSettingsKey();
    // Whatever the pet asks first on its own trickles for a minute; the session brings 5,000
    // friends with 60-character nicknames, twelve error texts that keep changing, and forty
    // presence messages.
    ScriptDouble(kTrickleBody, kMinuteOfTrickle);
    std::string friends;
    for (int i = 0; i < 5000; ++i) {
        friends += (i ? "," : "") + std::string(R"({"id":"f)") + std::to_string(i) + R"(","nickname":")" +
                   std::string(60, 'x') + R"(","online":true})";
    }
    std::vector<DoubleFrame> frames{{1, true, R"({"type":"connected","friends":[)" + friends + "]}"}};
    for (int i = 0; i < 12; ++i) {
        frames.push_back(
            {1, true, std::string(R"({"type":"error","message":"服务出错了)") + (i % 2 ? "乙" : "甲") + "\"}"});
    }
    const std::vector<DoubleFrame> presence = Presence(40);
    frames.insert(frames.end(), presence.begin(), presence.end());
    ScriptDoubleSession(frames);

    FakeClock clock{2026, 12, 9};
    MemorySettingsStore store;
    store.dwords[setting::kNetworkEnabled] = 1;
    RecordingNotices notices;
    int boxesUp = 0;
    int mostBoxesUp = 0;
    // A box's own loop goes on handling the pet's messages while it is up.
    notices.whileShown = [&] {
        mostBoxesUp = std::max(mostBoxesUp, ++boxesUp);
        PumpFor(300);
        --boxesUp;
    };
    PetApp app(GetModuleHandleW(nullptr), clock, store, notices, MakeHosts(kDoubleHost, kDoubleHost));
    Identified(app.online());
    ASSERT_TRUE(app.Initialize());

    ASSERT_TRUE(PumpUntil([&] { return app.MenuState().friends.size() == kMaxFriends; }));
    EXPECT_EQ(app.MenuState().friends.front().nickname, std::wstring(kMaxNicknameCharacters - 1, L'x') + L"…");
    // The window thread never waits on the service.
    ULONGLONG longestWait = 0;
    for (ULONGLONG last = GetTickCount64(), end = last + 4000; last < end;) {
        PumpFor(20);
        longestWait = std::max(longestWait, GetTickCount64() - last);
        last = GetTickCount64();
    }
    std::printf("longest wait of the window thread: %llu ms\n", longestWait);
    EXPECT_LT(longestWait, 1000u);
    ULONGLONG opened = 0;
    const ULONGLONG asked = GetTickCount64();
    EXPECT_TRUE(WorkContextMenu(app, {{kMenuClass, [&](HWND menu) {
                                           opened = GetTickCount64();
                                           PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
                                       }}}));
    std::printf("menu with %zu friends opened after %llu ms\n", app.MenuState().friends.size(), opened - asked);
    EXPECT_LT(opened - asked, 2000u);

    // Twelve texts, one box at a time: the first, then the latest once it closed.
    EXPECT_EQ(mostBoxesUp, 1);
    ASSERT_FALSE(notices.shown.empty());
    EXPECT_LE(notices.shown.size(), 2u);
    EXPECT_EQ(notices.shown.back().text, L"服务出错了乙");
    EXPECT_LE(DoubleRequestCount(L"/v1/friends"), 2);

    // Closing while a call still trickles: gone at once, with everything saved.
    store.writes.clear();
    const ULONGLONG closing = GetTickCount64();
    SendMessageW(app.window(), WM_CLOSE, 0, 0);
    std::printf("WM_CLOSE during a trickle: %llu ms; %zu boxes for 12 texts\n", GetTickCount64() - closing,
                notices.shown.size());
    EXPECT_LT(GetTickCount64() - closing, 2000u);
    EXPECT_FALSE(IsWindow(app.window()));
    EXPECT_NE(std::find(store.writes.begin(), store.writes.end(), setting::kEnergy), store.writes.end());
}

}  // namespace
