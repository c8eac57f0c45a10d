// The live session against the real service over TLS on loopback, and against the double for
// messages the service never sends: connecting, friends coming and going, visits, reactions and
// errors travelling between two pets, reconnecting after the service closes the connection,
// stopping, and hostile messages that must be dropped without ending the session.
#include "online/online_client.h"
#include "online/posted_session_events.h"
#include "online/wide_text.h"
#include "online_test_support.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <string>
#include <variant>
#include <vector>

namespace {

constexpr wchar_t kConnectedText[] = L"咕噜兽联机已连接。";
constexpr DWORD kEventWaitMs = 8000;

using Event = std::variant<NetStatusPayload, std::vector<OnlineFriend>, IncomingVisit, UpdateAnnouncement, IncomingReaction>;

// Everything a client's callbacks deliver, with the tick it arrived at, from whichever thread.
class SessionLog {
public:
    SessionCallbacks Callbacks() {
        return {[this](bool connected, const std::wstring& text) { Add(NetStatusPayload{connected, text}); },
                [this](const std::vector<OnlineFriend>& friends) { Add(friends); },
                [this](const IncomingVisit& visit) { Add(visit); },
                [this](const UpdateAnnouncement& announcement) { Add(announcement); },
                [this](const IncomingReaction& reaction) { Add(reaction); }};
    }

    // The first event of that kind after the last one taken that matches; waits for it.
    template <typename Kind>
    std::optional<Kind> Next(const std::function<bool(const Kind&)>& matches = nullptr, DWORD timeoutMs = kEventWaitMs,
                             ULONGLONG* arrivedAt = nullptr) {
        std::unique_lock hold(mutex_);
        std::optional<Kind> found;
        changed_.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] {
            for (std::size_t i = taken_[Index<Kind>()]; i < events_.size(); ++i) {
                const Kind* event = std::get_if<Kind>(&events_[i].event);
                if (!event || (matches && !matches(*event))) continue;
                found = *event;
                taken_[Index<Kind>()] = i + 1;
                if (arrivedAt) *arrivedAt = events_[i].tick;
                return true;
            }
            return false;
        });
        return found;
    }

    std::optional<NetStatusPayload> NextStatus(const std::wstring& text, ULONGLONG* arrivedAt = nullptr,
                                               DWORD timeoutMs = kEventWaitMs) {
        return Next<NetStatusPayload>([&](const NetStatusPayload& s) { return s.text == text; }, timeoutMs, arrivedAt);
    }

    // The next friend list in which the friend with that id has that online state.
    std::optional<std::vector<OnlineFriend>> NextListWith(const std::wstring& id, bool online) {
        return Next<std::vector<OnlineFriend>>([&](const std::vector<OnlineFriend>& list) {
            for (const OnlineFriend& entry : list) {
                if (entry.id == id) return entry.online == online;
            }
            return false;
        });
    }

    template <typename Kind>
    std::size_t Count() {
        std::lock_guard hold(mutex_);
        std::size_t count = 0;
        for (const auto& entry : events_) count += std::holds_alternative<Kind>(entry.event);
        return count;
    }

private:
    struct Entry {
        Event event;
        ULONGLONG tick;
    };
    template <typename Kind>
    static std::size_t Index() {
        return Event(Kind{}).index();
    }
    void Add(Event event) {
        {
            std::lock_guard hold(mutex_);
            events_.push_back({std::move(event), GetTickCount64()});
        }
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Entry> events_;
    std::size_t taken_[std::variant_size_v<Event>] = {};
};

// A pet with its client and what the client delivered.
struct Pet {
    explicit Pet(const ServiceHosts& hosts = kServiceHosts) : client(hosts) { client.InstallCallbacks(log.Callbacks()); }
    SessionLog log;
    OnlineClient client;
    std::wstring Id() { return client.Identity().deviceId; }
};

std::unique_ptr<Pet> RegisteredPet(const std::wstring& nickname) {
    auto pet = std::make_unique<Pet>();
    std::wstring error;
    EXPECT_TRUE(pet->client.Register(nickname, &error)) << WideToUtf8(error);
    return pet;
}

void MakeFriends(Pet& owner, Pet& claimer) { ASSERT_EQ(WideToUtf8(PairDevices(owner.client, claimer.client)), ""); }

bool Connects(Pet& pet) {
    pet.client.Start();
    const auto status = pet.log.NextStatus(kConnectedText);
    return status && status->connected && pet.client.IsSessionConnected();
}

SessionSendResult::Outcome Send(Pet& pet, const std::wstring& text) {
    return pet.client.SendSessionMessage(WideToUtf8(text)).outcome;
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
    MakeFriends(*alpha, *beta);

    // The connected message brings the friend list: the friend is offline.
    ASSERT_TRUE(Connects(*alpha));
    ASSERT_TRUE(alpha->log.NextListWith(beta->Id(), false));

    // The friend coming online and going offline again changes the list.
    ASSERT_TRUE(Connects(*beta));
    const auto withBetaOnline = alpha->log.NextListWith(beta->Id(), true);
    ASSERT_TRUE(withBetaOnline);
    ASSERT_EQ(withBetaOnline->size(), 1u);
    EXPECT_EQ((*withBetaOnline)[0].nickname, L"阿乙");

    // A friend added through another device arrives as a new list.
    auto gamma = RegisteredPet(L"阿丙");
    MakeFriends(*alpha, *gamma);
    const auto withGamma = alpha->log.NextListWith(gamma->Id(), false);
    ASSERT_TRUE(withGamma);
    EXPECT_EQ(withGamma->size(), 2u);

    // A visit from the friend, and the reaction to it.
    EXPECT_EQ(Send(*beta, L"{\"type\":\"action\",\"to\":\"" + alpha->Id() +
                              L"\",\"action\":\"drink\",\"action_v2\":\"eat\",\"text\":\"一起吃饭吗\\\"？\"}"),
              SessionSendResult::Outcome::Sent);
    const auto visit = alpha->log.Next<IncomingVisit>();
    ASSERT_TRUE(visit);
    EXPECT_EQ(visit->fromId, beta->Id());
    EXPECT_EQ(visit->fromNickname, L"阿乙");
    EXPECT_EQ(visit->action, L"eat");
    EXPECT_EQ(visit->text, L"一起吃饭吗\"？");
    EXPECT_EQ(visit->appearance, 0);
    EXPECT_EQ(Send(*alpha, L"{\"type\":\"reaction\",\"to\":\"" + beta->Id() + L"\",\"reaction\":\"like\"}"),
              SessionSendResult::Outcome::Sent);
    const auto reaction = beta->log.Next<IncomingReaction>();
    ASSERT_TRUE(reaction);
    EXPECT_EQ(reaction->fromId, alpha->Id());
    EXPECT_EQ(reaction->fromNickname, L"阿甲");
    EXPECT_EQ(reaction->reaction, L"like");

    // A visit to an offline friend comes back as the service's error text, reported as a status
    // of a connected session.
    EXPECT_EQ(Send(*alpha, L"{\"type\":\"action\",\"to\":\"" + gamma->Id() + L"\",\"action\":\"greet\"}"),
              SessionSendResult::Outcome::Sent);
    const auto refusal = alpha->log.NextStatus(L"好友现在不在线，这次串门不会保存，也不会稍后补发。");
    ASSERT_TRUE(refusal);
    EXPECT_TRUE(refusal->connected);

    beta->client.Stop();
    EXPECT_FALSE(beta->client.IsSessionConnected());
    EXPECT_EQ(Send(*beta, L"{}"), SessionSendResult::Outcome::NotConnected);
    EXPECT_TRUE(alpha->log.NextListWith(beta->Id(), false));
    EXPECT_EQ(beta->log.Count<NetStatusPayload>(), 1u) << "a stop reports no disconnection";
}

TEST_F(LiveSession, AClosedConnectionIsReportedAndRenewedTenSecondsLaterOnTheHostThatAnsweredLast) {
    // The double on the relay host answers the upgrade without a WebSocket, so the session
    // fails over to the gateway host and from then on prefers it.
    const DeviceIdentity identity = RegisteredPet(L"常连")->client.Identity();
    auto pet = std::make_unique<Pet>(MakeHosts(kGatewayHost, kDoubleHost));
    pet->client.SetIdentity(identity);
    ASSERT_TRUE(Connects(*pet));
    EXPECT_EQ(pet->client.HostPreference(), kPreferGatewayHost);
    EXPECT_NE(LastDoubleRequest().find("GET /v1/ws HTTP/1.1\r\n"), std::string::npos);

    // The service closes a device's session when the device opens another one.
    const auto closeFromTheService = [&](ULONGLONG* closedAt) {
        Pet second(MakeHosts(kGatewayHost, kGatewayHost));
        second.client.SetIdentity(identity);
        EXPECT_TRUE(Connects(second));
        const auto lost = pet->log.NextStatus(L"联机断开，正在自动重连……", closedAt);
        ASSERT_TRUE(lost);
        EXPECT_FALSE(lost->connected);
        EXPECT_FALSE(pet->client.IsSessionConnected());
    };
    ULONGLONG closedAt = 0;
    closeFromTheService(&closedAt);
    ResetDouble();
    ULONGLONG renewedAt = 0;
    ASSERT_TRUE(pet->log.NextStatus(kConnectedText, &renewedAt, 20000));
    std::printf("reconnected %llu ms after the loss\n", renewedAt - closedAt);
    EXPECT_GE(renewedAt - closedAt, 9800u);
    EXPECT_LT(renewedAt - closedAt, 13000u);
    EXPECT_EQ(LastDoubleRequest(), "") << "the gateway host answered last and is tried first";

    // Stop during the pause that follows another loss returns at once.
    closeFromTheService(nullptr);
    const ULONGLONG stopping = GetTickCount64();
    pet->client.Stop();
    const ULONGLONG stopTook = GetTickCount64() - stopping;
    std::printf("Stop during the pause took %llu ms\n", stopTook);
    EXPECT_LT(stopTook, 1000u);
}

TEST_F(LiveSession, UnreachableHostsAreReportedAndAStopEndsThePauseAtOnce) {
    Pet pet(MakeHosts(kDownHost, kDownHost));
    pet.client.Start();
    EXPECT_FALSE(pet.log.NextStatus(kConnectedText, nullptr, 0)) << "no identity, no session";

    pet.client.SetIdentity({L"dev-u", L"无网", FakeToken()});
    pet.client.Start();
    const auto unreachable = pet.log.NextStatus(L"暂时连接不到咕噜兽联机服务。");
    ASSERT_TRUE(unreachable);
    EXPECT_FALSE(unreachable->connected);
    EXPECT_EQ(Send(pet, L"{}"), SessionSendResult::Outcome::NotConnected);
    const ULONGLONG stopping = GetTickCount64();
    pet.client.Stop();
    EXPECT_LT(GetTickCount64() - stopping, 1000u);
    EXPECT_EQ(pet.client.HostPreference(), kNoHostPreference);
}

TEST_F(LiveSession, HostileMessagesAreDroppedAndTheNextMessageStillArrives) {
    const std::string nested = std::string(50000, '[') + std::string(50000, ']');
    ScriptDoubleSession({
        // A connected message in three fragments and a final part, with an announcement.
        {1, false, R"({"type":"connected","friends":[{"id":"f1","nickname":"小)"},
        {0, false, R"(一","online":true,"appearance":3}],"announcement":{"id":"2027-01","title":"新版本",)"},
        {0, false, R"("message":"更好玩","latest_version":"6.1",)"},
        {0, true, R"("download_url":"https://mossquill.test/d"}})"},
        {1, true, R"({"type":"heartbeat"})"},
        {2, true, R"({"type":"error","message":"binary"})"},
        // Over 1 MiB in three frames: dropped whole, parts after the cap included.
        {1, false, R"({"type":"error","message":")"},
        {0, false, "x", 700000},
        {0, false, "y", 700000},
        {0, true, R"("})"},
        // Nested far beyond the reader's limit.
        {1, true, R"({"type":"error","message":"nested","deep":)" + nested + "}"},
        {1, true, R"({"type":"reaction","from":{"id":"f1","nickname":"小一"},"reaction":"dislike"})"},
        {1, true, R"({"type":"error","message":"后来的消息"})"},
    });
    Pet pet(MakeHosts(kDownHost, kDoubleHost));
    pet.client.SetIdentity({L"dev-w", L"守门", FakeToken(L'w')});
    ASSERT_TRUE(Connects(pet));
    const std::string upgrade = LastDoubleRequest();
    EXPECT_NE(upgrade.find("\r\nX-Mossquill-App-Key: 5d3b8e0f71a24c96b0e7d14f2a9c63e85b07f1d2c4a98e360f5b12d7e4c9a0b6\r\n"
                           "X-Mossquill-Device: dev-w\r\nAuthorization: Bearer " + std::string(64, 'w') + "\r\n"),
              std::string::npos)
        << upgrade;
    EXPECT_EQ(upgrade.find("Content-Type"), std::string::npos) << upgrade;

    const auto friends = pet.log.Next<std::vector<OnlineFriend>>();
    ASSERT_TRUE(friends);
    ASSERT_EQ(friends->size(), 1u);
    EXPECT_EQ((*friends)[0].nickname, L"小一");
    EXPECT_EQ((*friends)[0].appearance, 3);
    const auto announcement = pet.log.Next<UpdateAnnouncement>();
    ASSERT_TRUE(announcement);
    EXPECT_EQ(announcement->id, L"2027-01");
    EXPECT_EQ(announcement->title, L"新版本");
    EXPECT_EQ(announcement->message, L"更好玩");
    EXPECT_EQ(announcement->latestVersion, L"6.1");
    EXPECT_EQ(announcement->downloadUrl, L"https://mossquill.test/d");

    const auto reaction = pet.log.Next<IncomingReaction>();
    ASSERT_TRUE(reaction);
    EXPECT_EQ(reaction->reaction, L"dislike");
    const auto last = pet.log.NextStatus(L"后来的消息");
    ASSERT_TRUE(last);
    EXPECT_TRUE(last->connected);
    // Nothing else came through: one connected status, the last message, and the one list.
    EXPECT_EQ(pet.log.Count<NetStatusPayload>(), 2u);
    EXPECT_EQ(pet.log.Count<std::vector<OnlineFriend>>(), 1u);
    EXPECT_TRUE(pet.client.IsSessionConnected());

    // Stopping a connected session closes it normally.
    pet.client.Stop();
    EXPECT_EQ(DoubleSessionCloseStatus(), "1000");
    EXPECT_EQ(pet.log.Count<NetStatusPayload>(), 2u);
}

TEST(PostedSessionEvents, ReachTheWindowAsOwnedPayloadsAndNeverAnotherQueue) {
    const HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    HWND target = window;
    const SessionCallbacks callbacks = PostingSessionCallbacks([&] { return target; });
    // Posted from another thread, as the session thread does.
    std::thread([&] {
        callbacks.onStatus(true, L"咕噜兽联机已连接。");
        callbacks.onFriends({{L"f", L"小一", true, 2}});
        callbacks.onVisit({L"f", L"小一", L"eat", L"纸条", 3});
        callbacks.onAnnouncement({L"a1", L"标题", L"正文", L"6.1", L"https://mossquill.test/d"});
        callbacks.onReaction({L"f", L"小一", L"like"});
    }).join();
    std::vector<UINT> arrived;
    MSG message;
    while (PeekMessageW(&message, window, WM_PET_NET_STATUS, WM_PET_REACTION, PM_REMOVE)) {
        arrived.push_back(message.message);
        EXPECT_EQ(message.wParam, 0u);
        switch (message.message) {
        case WM_PET_NET_STATUS: {
            const auto status = TakeSessionPayload<NetStatusPayload>(message.lParam);
            EXPECT_TRUE(status->connected);
            EXPECT_EQ(status->text, L"咕噜兽联机已连接。");
            break;
        }
        case WM_PET_FRIENDS:
            EXPECT_EQ(TakeSessionPayload<std::vector<OnlineFriend>>(message.lParam)->at(0).appearance, 2);
            break;
        case WM_PET_VISIT: EXPECT_EQ(TakeSessionPayload<IncomingVisit>(message.lParam)->text, L"纸条"); break;
        case WM_PET_ANNOUNCEMENT:
            EXPECT_EQ(TakeSessionPayload<UpdateAnnouncement>(message.lParam)->downloadUrl, L"https://mossquill.test/d");
            break;
        case WM_PET_REACTION: EXPECT_EQ(TakeSessionPayload<IncomingReaction>(message.lParam)->reaction, L"like"); break;
        }
    }
    EXPECT_EQ(arrived, (std::vector<UINT>{WM_APP + 1, WM_APP + 2, WM_APP + 3, WM_APP + 4, WM_APP + 5}));

    // A destroyed window or none at all: the copy is freed, nothing lands in this thread's queue.
    DestroyWindow(window);
    callbacks.onStatus(false, L"gone");
    target = nullptr;
    callbacks.onReaction({L"f", L"小一", L"dislike"});
    EXPECT_FALSE(PeekMessageW(&message, reinterpret_cast<HWND>(-1), WM_PET_NET_STATUS, WM_PET_REACTION, PM_REMOVE));
}

}  // namespace
