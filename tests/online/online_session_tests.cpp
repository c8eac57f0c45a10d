// The live session against the real service over TLS on loopback, and against the double for
// messages the service never sends: friends coming and going, visits, reactions and errors
// between two pets, reconnecting after the service closes the connection, stopping, hostile
// messages that must be dropped without ending the session, and the posting to the window.
#include "online/online_client.h"
#include "online/posted_session_events.h"
#include "text/wide_text.h"
#include "online_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr wchar_t kConnectedText[] = L"咕噜兽联机已连接。";
constexpr wchar_t kLostText[] = L"联机断开，正在自动重连……";

// What a client's callbacks delivered, from whichever thread.
struct Delivered {
    std::vector<NetStatusPayload> statuses;
    // When each status arrived.
    std::vector<ULONGLONG> statusTicks;
    std::vector<std::vector<OnlineFriend>> lists;
    std::vector<IncomingVisit> visits;
    std::vector<UpdateAnnouncement> announcements;
    std::vector<IncomingReaction> reactions;

    std::size_t Count(const std::wstring& status) const {
        return std::count_if(statuses.begin(), statuses.end(), [&](const auto& s) { return s.text == status; });
    }
    bool LastListShows(const std::wstring& id, bool online) const {
        if (lists.empty()) return false;
        return std::any_of(lists.back().begin(), lists.back().end(),
                           [&](const OnlineFriend& f) { return f.id == id && f.online == online; });
    }
};

// A reconnect pause the test ends by hand: it records how long the session meant to wait and
// holds the session there until Release, or until a stop request.
class ManualPause {
public:
    OnlineClient::ReconnectPause Seam() {
        return [this](std::chrono::milliseconds pause, const std::atomic<bool>& stop) {
            std::unique_lock hold(mutex_);
            requested_.push_back(pause);
            changed_.notify_all();
            // The stop flag has no signal of its own: the wait keeps looking at it.
            while (releases_ == 0 && !stop.load())
                changed_.wait_for(hold, std::chrono::milliseconds(20));
            if (releases_ > 0) --releases_;
        };
    }
    // How long the session's n-th pause (from 1) was to last, once it has begun.
    std::optional<std::chrono::milliseconds> WaitForPause(std::size_t n) {
        std::unique_lock hold(mutex_);
        if (!changed_.wait_for(hold, std::chrono::seconds(30), [&] { return requested_.size() >= n; })) {
            return std::nullopt;
        }
        return requested_[n - 1];
    }
    void Release() {
        const std::lock_guard hold(mutex_);
        ++releases_;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::chrono::milliseconds> requested_;
    int releases_ = 0;
};

// A client with its identity and a record of what its callbacks delivered.
class Pet {
public:
    explicit Pet(const ServiceHosts& hosts = kServiceHosts) : client(hosts) {
        client.InstallCallbacks(
            {[this](bool connected, const std::wstring& text) {
                 Record([&](Delivered& d) {
                     d.statuses.push_back({connected, text});
                     d.statusTicks.push_back(GetTickCount64());
                 });
             },
             [this](const auto& list, bool) { Record([&](Delivered& d) { d.lists.push_back(list); }); },
             [this](const auto& visit) { Record([&](Delivered& d) { d.visits.push_back(visit); }); },
             [this](const auto& notice) { Record([&](Delivered& d) { d.announcements.push_back(notice); }); },
             [this](const auto& reaction) { Record([&](Delivered& d) { d.reactions.push_back(reaction); }); }});
    }
    // Waits up to `ms` until `done` holds for what was delivered; gives a copy of it.
    Delivered WaitUntil(const std::function<bool(const Delivered&)>& done, DWORD ms = 8000) {
        std::unique_lock hold(mutex_);
        EXPECT_TRUE(changed_.wait_for(hold, std::chrono::milliseconds(ms), [&] { return done(delivered_); }));
        return delivered_;
    }
    bool Connects() {
        const std::size_t before = WaitUntil([](const Delivered&) { return true; }).Count(kConnectedText);
        client.Start();
        return WaitUntil([&](const Delivered& d) { return d.Count(kConnectedText) > before; }).Count(kConnectedText) >
               before;
    }
    SessionSendResult::Outcome Send(const std::wstring& json) {
        return client.SendSessionMessage(WideToUtf8(json)).outcome;
    }
    std::wstring Id() { return client.Identity().deviceId; }

private:
    void Record(const std::function<void(Delivered&)>& change) {
        {
            std::lock_guard hold(mutex_);
            change(delivered_);
        }
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    Delivered delivered_;

public:
    // Last, so that its thread has stopped before what its callbacks write to goes away.
    OnlineClient client;
};

std::unique_ptr<Pet> RegisteredPet(const std::wstring& nickname) {
    auto pet = std::make_unique<Pet>();
    std::wstring error;
    EXPECT_TRUE(pet->client.Register(nickname, &error)) << WideToUtf8(error);
    return pet;
}

class LiveSession : public ::testing::Test {
protected:
    void SetUp() override {
        ClearSettingsKey();
        ResetDouble();
    }
};

TEST_F(LiveSession, FriendsComeAndGoAndVisitsReactionsAndErrorsTravelBetweenTwoPets) {
    auto alpha = RegisteredPet(L"阿甲");
    auto beta = RegisteredPet(L"阿乙");
    ASSERT_EQ(WideToUtf8(PairDevices(alpha->client, beta->client)), "");
    const auto shows = [&](const std::wstring& id, bool online) {
        return alpha->WaitUntil([&](const Delivered& d) { return d.LastListShows(id, online); })
            .LastListShows(id, online);
    };

    // The connected message brings the list; the friend coming online and a friend added through
    // another device each bring a fresh one.
    ASSERT_TRUE(alpha->Connects());
    EXPECT_TRUE(shows(beta->Id(), false));
    ASSERT_TRUE(beta->Connects());
    EXPECT_TRUE(shows(beta->Id(), true));
    auto gamma = RegisteredPet(L"阿丙");
    ASSERT_EQ(WideToUtf8(PairDevices(alpha->client, gamma->client)), "");
    EXPECT_TRUE(shows(gamma->Id(), false));

    // A visit from the friend, the reaction to it, and a visit to an offline friend, which comes
    // back as the service's error text in a status of the connected session.
    EXPECT_EQ(beta->Send(L"{\"type\":\"action\",\"to\":\"" + alpha->Id() +
                         L"\",\"action\":\"drink\",\"action_v2\":\"eat\",\"text\":\"一起吃饭吗\\\"？\"}"),
              SessionSendResult::Outcome::Sent);
    const auto visited = alpha->WaitUntil([](const Delivered& d) { return !d.visits.empty(); }).visits;
    EXPECT_EQ(visited.at(0), (IncomingVisit{beta->Id(), L"阿乙", L"eat", L"一起吃饭吗\"？", 0}));
    EXPECT_EQ(alpha->Send(L"{\"type\":\"reaction\",\"to\":\"" + beta->Id() + L"\",\"reaction\":\"like\"}"),
              SessionSendResult::Outcome::Sent);
    const auto reacted = beta->WaitUntil([](const Delivered& d) { return !d.reactions.empty(); }).reactions;
    EXPECT_EQ(reacted.at(0), (IncomingReaction{alpha->Id(), L"阿甲", L"like"}));
    EXPECT_EQ(alpha->Send(L"{\"type\":\"action\",\"to\":\"" + gamma->Id() + L"\",\"action\":\"greet\"}"),
              SessionSendResult::Outcome::Sent);
    const NetStatusPayload refusal{true, L"好友现在不在线，这次串门不会保存，也不会稍后补发。"};
    EXPECT_EQ(alpha->WaitUntil([&](const Delivered& d) { return d.statuses.back() == refusal; }).statuses.back(),
              refusal);

    // The friend leaving shows in the list; its own stop reports nothing and ends sending.
    beta->client.Stop();
    EXPECT_TRUE(shows(beta->Id(), false));
    EXPECT_EQ(beta->Send(L"{}"), SessionSendResult::Outcome::NotConnected);
    EXPECT_EQ(beta->WaitUntil([](const Delivered&) { return true; }).statuses.size(), 1u);
}

TEST_F(LiveSession, AFriendComingAndGoingCostsOnlyItsOwnHandshakes) {
    auto watcher = RegisteredPet(L"守望");
    auto visitor = RegisteredPet(L"来去");
    ASSERT_EQ(WideToUtf8(PairDevices(watcher->client, visitor->client)), "");
    ASSERT_TRUE(watcher->Connects());
    const auto shows = [&](bool online) {
        return watcher->WaitUntil([&](const Delivered& d) { return d.LastListShows(visitor->Id(), online); })
            .LastListShows(visitor->Id(), online);
    };
    ASSERT_TRUE(shows(false));
    const std::optional<long long> before = ServiceTlsHandshakes();
    ASSERT_TRUE(before) << "the service's metrics cannot be read";

    // Each coming and going is a presence message and a fresh friend list for the watcher, and
    // the watcher's user asks for a code in between: all of it over the connection it already
    // has. Only the visitor's new live sessions shake hands.
    constexpr int kVisits = 5;
    for (int i = 0; i < kVisits; ++i) {
        ASSERT_TRUE(visitor->Connects());
        ASSERT_TRUE(shows(true));
        visitor->client.Stop();
        ASSERT_TRUE(shows(false));
        std::wstring code;
        std::wstring error;
        EXPECT_TRUE(watcher->client.CreatePairCode(code, &error)) << WideToUtf8(error);
    }
    const long long handshakes = ServiceTlsHandshakes().value_or(0) - *before;
    std::printf("%d comings and goings, %zu friend lists and %d codes: %lld TLS handshakes\n", kVisits,
                watcher->WaitUntil([](const Delivered&) { return true; }).lists.size(), kVisits, handshakes);
    EXPECT_EQ(handshakes, kVisits);
}

TEST_F(LiveSession, AClosedConnectionIsReportedAndRenewedTenSecondsLaterOnTheHostThatAnsweredLast) {
    // The double on the relay host answers the upgrade without a WebSocket, so the session fails
    // over to the gateway host and from then on prefers it.
    const DeviceIdentity identity = RegisteredPet(L"常连")->client.Identity();
    Pet pet(MakeHosts(kGatewayHost, kDoubleHost));
    ManualPause pause;
    pet.client.SetReconnectPause(pause.Seam());
    pet.client.SetIdentity(identity);
    ASSERT_TRUE(pet.Connects());
    EXPECT_EQ(pet.client.HostPreference(), kPreferGatewayHost);
    EXPECT_EQ(LastDoubleRequest().rfind("GET /v1/ws HTTP/1.1\r\n", 0), 0u);

    // The service closes a device's session when the same device opens another one.
    const auto closeFromTheService = [&](std::size_t losses) {
        Pet second(MakeHosts(kGatewayHost, kGatewayHost));
        second.client.SetIdentity(identity);
        EXPECT_TRUE(second.Connects());
        return pet.WaitUntil([&](const Delivered& d) { return d.Count(kLostText) == losses; });
    };
    const Delivered lost = closeFromTheService(1);
    EXPECT_EQ(lost.statuses.back(), (NetStatusPayload{false, kLostText}));
    ResetDouble();
    // Ten seconds of pause, and no attempt before it is over.
    EXPECT_EQ(pause.WaitForPause(1), std::chrono::milliseconds(10000));
    EXPECT_EQ(pet.WaitUntil([](const Delivered&) { return true; }).Count(kConnectedText), 1u);
    pause.Release();
    EXPECT_EQ(
        pet.WaitUntil([](const Delivered& d) { return d.Count(kConnectedText) == 2; }, 30000).Count(kConnectedText),
        2u);
    EXPECT_EQ(LastDoubleRequest(), "") << "the gateway host answered last and is tried first";

    // Stop during the pause after another loss ends it.
    closeFromTheService(2);
    ASSERT_TRUE(pause.WaitForPause(2));
    pet.client.Stop();
    EXPECT_FALSE(pet.client.IsSessionConnected());
}

TEST_F(LiveSession, AfterAResumeTheSessionReconnectsAtOnceWithAFreshFriendList) {
    auto pet = RegisteredPet(L"醒来");
    ASSERT_TRUE(pet->Connects());
    const std::size_t lists = pet->WaitUntil([](const Delivered& d) { return !d.lists.empty(); }).lists.size();

    // The machine slept: the socket may look alive, but the pet drops it and connects again.
    const ULONGLONG resumed = GetTickCount64();
    pet->client.ReconnectNow();
    const Delivered back =
        pet->WaitUntil([&](const Delivered& d) { return d.Count(kConnectedText) == 2 && d.lists.size() > lists; });
    ASSERT_EQ(back.Count(kConnectedText), 2u);
    EXPECT_EQ(back.Count(kLostText), 1u);
    const ULONGLONG took = back.statusTicks.back() - resumed;
    std::printf("connected again %llu ms after the resume\n", took);
    EXPECT_LT(took, 1000u) << "without the 10-second pause";
    EXPECT_GT(back.lists.size(), lists);
}

TEST_F(LiveSession, UnreachableHostsAreReportedAndAStopEndsThePauseAtOnce) {
    Pet pet(MakeHosts(kDownHost, kDownHost));
    pet.client.SetIdentity({L"dev-u", L"无网", FakeToken()});
    pet.client.Start();
    const Delivered tried = pet.WaitUntil([](const Delivered& d) { return !d.statuses.empty(); });
    EXPECT_EQ(tried.statuses.at(0), (NetStatusPayload{false, L"暂时连接不到咕噜兽联机服务。"}));
    EXPECT_EQ(pet.Send(L"{}"), SessionSendResult::Outcome::NotConnected);
    // The real pause lasts ten seconds; a stop must not wait it out.
    const ULONGLONG stopping = GetTickCount64();
    pet.client.Stop();
    std::printf("Stop during the pause took %llu ms\n", GetTickCount64() - stopping);
    EXPECT_LT(GetTickCount64() - stopping, 5000u);
}

TEST_F(LiveSession, HostileMessagesAreDroppedAndTheNextMessageStillArrives) {
    ScriptDoubleSession({
        // A connected message in three fragments and a final part, with an announcement.
        {1, false, R"({"type":"connected","friends":[{"id":"f1","nickname":"小)"},
        {0, false, R"(一","online":true,"appearance":3}],"announcement":{"id":"2027-01","title":"新版本",)"},
        {0, false, R"("message":"更好玩","latest_version":"6.1",)"},
        {0, true, R"("download_url":"https://mossquill.test/d"}})"},
        {1, true, R"({"type":"heartbeat"})"},
        {2, true, R"({"type":"error","message":"binary"})"},
        // Over 1 MiB in four frames: dropped whole, the parts after the cap included.
        {1, false, R"({"type":"error","message":")"},
        {0, false, "x", 700000},
        {0, false, "y", 700000},
        {0, true, R"("})"},
        {1, true,
         R"({"type":"error","message":"nested","deep":)" + std::string(50000, '[') + std::string(50000, ']') + "}"},
        {1, true, R"({"type":"reaction","from":{"id":"f1","nickname":"小一"},"reaction":"dislike"})"},
        {1, true, R"({"type":"error","message":"后来的消息"})"},
    });
    Pet pet(MakeHosts(kDownHost, kDoubleHost));
    pet.client.SetIdentity({L"dev-w", L"守门", FakeToken(L'w')});
    ASSERT_TRUE(pet.Connects());
    const std::string upgrade = LastDoubleRequest();
    EXPECT_NE(
        upgrade.find("\r\nX-Mossquill-App-Key: 5d3b8e0f71a24c96b0e7d14f2a9c63e85b07f1d2c4a98e360f5b12d7e4c9a0b6\r\n"
                     "X-Mossquill-Device: dev-w\r\nAuthorization: Bearer " +
                     std::string(64, 'w') + "\r\n"),
        std::string::npos)
        << upgrade;
    EXPECT_EQ(upgrade.find("Content-Type"), std::string::npos) << upgrade;

    const Delivered got = pet.WaitUntil([](const Delivered& d) { return d.Count(L"后来的消息") == 1; });
    EXPECT_EQ(got.statuses.size(), 2u) << "only the connection and the last message";
    EXPECT_EQ(got.lists, (std::vector<std::vector<OnlineFriend>>{{{L"f1", L"小一", true, 3}}}));
    EXPECT_EQ(
        got.announcements,
        (std::vector<UpdateAnnouncement>{{L"2027-01", L"新版本", L"更好玩", L"6.1", L"https://mossquill.test/d"}}));
    EXPECT_EQ(got.reactions, (std::vector<IncomingReaction>{{L"f1", L"小一", L"dislike"}}));

    // Stopping a connected session closes it normally, and reports nothing.
    pet.client.Stop();
    EXPECT_EQ(DoubleSessionCloseStatus(), "1000");
    EXPECT_EQ(pet.WaitUntil([](const Delivered&) { return true; }).statuses.size(), 2u);
}

TEST(PostedSessionEvents, ReachTheWindowAsOwnedPayloadsAndNeverAnotherQueue) {
    const HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    HWND target = window;
    const SessionCallbacks callbacks = PostingSessionCallbacks([&] { return target; });
    const IncomingVisit visit{L"f", L"小一", L"eat", L"纸条", 3};
    std::thread([&] {
        callbacks.onStatus(true, kConnectedText);
        callbacks.onVisit(visit);
    }).join();
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, WM_PET_NET_STATUS);
    EXPECT_EQ(*TakeSessionPayload<NetStatusPayload>(message.lParam), (NetStatusPayload{true, kConnectedText}));
    ASSERT_TRUE(PeekMessageW(&message, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, WM_PET_VISIT);
    EXPECT_EQ(*TakeSessionPayload<IncomingVisit>(message.lParam), visit);

    // A destroyed window or none at all: the copy is freed, nothing lands in this thread's queue.
    DestroyWindow(window);
    callbacks.onStatus(false, kLostText);
    target = nullptr;
    callbacks.onReaction({L"f", L"小一", L"dislike"});
    EXPECT_FALSE(PeekMessageW(&message, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
}

}  // namespace
