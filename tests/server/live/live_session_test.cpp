#include "in_process_service.h"
#include "service_clients.h"
#include "core/texts.h"

#include <gtest/gtest.h>

namespace mossquill::service::testing {
namespace {

using namespace std::chrono_literals;

class LiveSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        alice_ = Register(Port(), "阿甲");
        bob_ = Register(Port(), "阿乙");
        stranger_ = Register(Port(), "路人");
        const std::string code = CreatePairCode(Port(), alice_);
        ASSERT_EQ(
            HttpsRequest(Port(), "POST", "/v1/pair/claim", nlohmann::json{{"code", code}}.dump(), bob_.Auth()).status,
            200u);
    }

    unsigned short Port() const { return service_->Port(); }

    // Connects and consumes the "connected" message.
    std::unique_ptr<LiveClient> Connect(const Device& device, nlohmann::json* connected = nullptr) {
        return ConnectLive(Port(), device, connected);
    }

    static nlohmann::json Expect(LiveClient& client, std::string_view type) { return ExpectMessage(client, type); }

    static std::string ErrorText(LiveClient& client) {
        const nlohmann::json message = Expect(client, "error");
        return message.value("message", "");
    }

    std::unique_ptr<InProcessService> service_ = std::make_unique<InProcessService>();
    Device alice_;
    Device bob_;
    Device stranger_;
};

TEST_F(LiveSessionTest, ConnectedListsFriendsAndPresenceFollowsConnections) {
    nlohmann::json connected;
    auto alice = Connect(alice_, &connected);
    ASSERT_EQ(connected["friends"].size(), 1u);
    EXPECT_EQ(connected["friends"][0]["id"], bob_.id);
    EXPECT_EQ(connected["friends"][0]["nickname"], "阿乙");
    EXPECT_EQ(connected["friends"][0]["online"], false);
    EXPECT_EQ(connected["friends"][0]["appearance"], 0);
    EXPECT_FALSE(connected.contains("announcement"));

    auto bob = Connect(bob_, &connected);
    EXPECT_EQ(connected["friends"][0]["id"], alice_.id);
    EXPECT_EQ(connected["friends"][0]["online"], true);
    nlohmann::json presence = Expect(*alice, "presence");
    EXPECT_EQ(presence["friend"]["id"], bob_.id);
    EXPECT_EQ(presence["friend"]["online"], true);

    const HttpReply friends = HttpsRequest(Port(), "GET", "/v1/friends", "", alice_.Auth());
    EXPECT_EQ(friends.Json()["friends"][0]["online"], true);

    bob.reset();
    presence = Expect(*alice, "presence");
    EXPECT_EQ(presence["friend"]["id"], bob_.id);
    EXPECT_EQ(presence["friend"]["online"], false);

    auto stranger = Connect(stranger_);
    EXPECT_FALSE(alice->Next(300ms)) << "a stranger's presence is none of alice's business";
}

TEST_F(LiveSessionTest, VisitAndReactionTravelBetweenFriendsWithTheSender) {
    ASSERT_EQ(HttpsRequest(Port(), "PATCH", "/v1/profile", R"({"appearance":2})", alice_.Auth()).status, 200u);
    auto alice = Connect(alice_);
    auto bob = Connect(bob_);
    Expect(*alice, "presence");

    const std::string note = "今天也要开心" + std::string("\"引号\"");
    alice->Send(
        nlohmann::json{{"type", "action"}, {"to", bob_.id}, {"action", "drink"}, {"action_v2", "eat"}, {"text", note}}
            .dump());
    const nlohmann::json visit = Expect(*bob, "action");
    EXPECT_EQ(visit["from"]["id"], alice_.id);
    EXPECT_EQ(visit["from"]["nickname"], "阿甲");
    EXPECT_EQ(visit["from"]["appearance"], 2);
    EXPECT_EQ(visit["action"], "drink");
    EXPECT_EQ(visit["action_v2"], "eat");
    EXPECT_EQ(visit["text"], note);
    EXPECT_FALSE(visit.contains("to"));

    alice->Send(R"({"type":"action","to":")" + bob_.id + R"(","action":"greet"})");
    const nlohmann::json plain = Expect(*bob, "action");
    EXPECT_FALSE(plain.contains("action_v2"));
    EXPECT_FALSE(plain.contains("text"));

    bob->Send(R"({"type":"reaction","to":")" + alice_.id + R"(","reaction":"like"})");
    const nlohmann::json reaction = Expect(*alice, "reaction");
    EXPECT_EQ(reaction["from"]["id"], bob_.id);
    EXPECT_EQ(reaction["from"]["nickname"], "阿乙");
    EXPECT_EQ(reaction["reaction"], "like");
    EXPECT_FALSE(alice->Next(200ms)) << "the sender gets no echo";
}

TEST_F(LiveSessionTest, ARemovedFriendIsToldAndCanNeitherVisitNorSeePresence) {
    auto alice = Connect(alice_);
    auto bob = Connect(bob_);
    Expect(*alice, "presence");
    const auto remove = [&](const Device& by, const std::string& id) {
        return HttpsRequest(Port(), "DELETE", "/v1/friends/" + id, "", by.Auth());
    };
    const HttpReply stranger = remove(stranger_, alice_.id);
    EXPECT_EQ(stranger.status, 404u);
    EXPECT_EQ(stranger.Message(), texts::kNotAFriend);

    ASSERT_EQ(remove(bob_, alice_.id).status, 200u);
    EXPECT_EQ(Expect(*alice, "friend_removed")["friend"]["id"], bob_.id);
    EXPECT_EQ(Expect(*bob, "friend_removed")["friend"]["id"], alice_.id);
    EXPECT_TRUE(FriendIds(Port(), alice_).empty());
    EXPECT_EQ(remove(alice_, bob_.id).status, 404u) << "over for both";

    bob->Send(R"({"type":"action","to":")" + alice_.id + R"(","action":"greet"})");
    EXPECT_EQ(ErrorText(*bob), texts::kNotFriend) << "the sessions forgot it as the database did";
    bob.reset();
    EXPECT_FALSE(alice->Next(300ms)) << "a former friend's presence is none of alice's business";
}

TEST_F(LiveSessionTest, APresenceNoticeHeldBackEndsWithTheFriendship) {
    auto alice = Connect(alice_);
    auto bob = Connect(bob_);
    Expect(*alice, "presence");
    bob.reset();
    std::this_thread::sleep_for(200ms);  // the service sees the close; alice's notice of it waits
    ASSERT_EQ(HttpsRequest(Port(), "DELETE", "/v1/friends/" + bob_.id, "", alice_.Auth()).status, 200u);
    Expect(*alice, "friend_removed");
    EXPECT_FALSE(alice->Next(3500ms)) << "a former friend's presence is none of alice's business";
}

TEST_F(LiveSessionTest, VisitsToStrangersOfflineFriendsAndBadMessagesAreRefused) {
    auto alice = Connect(alice_);
    auto stranger = Connect(stranger_);

    alice->Send(R"({"type":"action","to":")" + stranger_.id + R"(","action":"greet"})");
    EXPECT_EQ(ErrorText(*alice), texts::kNotFriend);
    EXPECT_FALSE(stranger->Next(200ms));

    alice->Send(R"({"type":"action","to":")" + bob_.id + R"(","action":"greet"})");
    EXPECT_EQ(ErrorText(*alice), texts::kFriendOffline);
    alice->Send(R"({"type":"reaction","to":")" + bob_.id + R"(","reaction":"like"})");
    EXPECT_EQ(ErrorText(*alice), texts::kFriendOfflineReaction);
    alice->Send(R"({"type":"reaction","to":")" + stranger_.id + R"(","reaction":"dislike"})");
    EXPECT_EQ(ErrorText(*alice), texts::kNotFriendReaction);

    auto bob = Connect(bob_);
    Expect(*alice, "presence");
    std::string sixtyCharacters;
    for (int i = 0; i < 60; ++i) {
        sixtyCharacters += "字";
    }
    const struct {
        std::string message;
        std::string_view error;
    } refused[] = {
        {"not json", texts::kMessageNotJson},
        {R"({"type":"dance","to":")" + bob_.id + R"("})", texts::kMessageTypeUnknown},
        {R"({"type":"action","action":"greet"})", texts::kTargetMissing},
        {R"({"type":"action","to":")" + bob_.id + R"(","action":"fly"})", texts::kActionInvalid},
        {R"({"type":"action","to":")" + bob_.id + R"(","action":"greet","action_v2":7})", texts::kActionInvalid},
        {R"({"type":"action","to":")" + bob_.id + R"(","action":"greet","text":")" + sixtyCharacters + R"(字"})",
         texts::kNoteTooLong},
        {R"({"type":"action","to":")" + bob_.id + R"(","action":"greet","text":"a\nb"})", texts::kNoteControl},
        {R"({"type":"reaction","to":")" + bob_.id + R"(","reaction":"love"})", texts::kReactionInvalid},
    };
    for (const auto& example : refused) {
        alice->Send(example.message);
        EXPECT_EQ(ErrorText(*alice), example.error) << example.message;
    }
    alice->SendBinary("\x01\x02");
    EXPECT_EQ(ErrorText(*alice), texts::kMessageNotText);
    EXPECT_FALSE(bob->Next(200ms)) << "nothing refused reaches the friend";

    alice->Send(R"({"type":"action","to":")" + bob_.id + R"(","action":"evil","text":")" + sixtyCharacters + R"("})");
    EXPECT_EQ(Expect(*bob, "action")["text"], sixtyCharacters);
}

TEST_F(LiveSessionTest, ClaimsAndProfileChangesAreAnnouncedToOnlineFriends) {
    auto alice = Connect(alice_);
    auto stranger = Connect(stranger_);
    auto bob = Connect(bob_);
    Expect(*alice, "presence");

    const std::string code = CreatePairCode(Port(), alice_);
    ASSERT_EQ(
        HttpsRequest(Port(), "POST", "/v1/pair/claim", nlohmann::json{{"code", code}}.dump(), stranger_.Auth()).status,
        200u);
    nlohmann::json added = Expect(*alice, "friend_added");
    EXPECT_EQ(added["friend"]["id"], stranger_.id);
    EXPECT_EQ(added["friend"]["online"], true);
    added = Expect(*stranger, "friend_added");
    EXPECT_EQ(added["friend"]["id"], alice_.id);
    EXPECT_FALSE(bob->Next(200ms));

    ASSERT_EQ(HttpsRequest(Port(), "PATCH", "/v1/profile", R"({"nickname":"阿甲甲"})", alice_.Auth()).status, 200u);
    for (LiveClient* client : {bob.get(), stranger.get()}) {
        const nlohmann::json updated = Expect(*client, "friend_updated");
        EXPECT_EQ(updated["friend"]["nickname"], "阿甲甲");
        EXPECT_EQ(updated["friend"]["online"], true);
    }

    // The client reports its unchanged appearance after every reconnect: no notice.
    ASSERT_EQ(HttpsRequest(Port(), "PATCH", "/v1/profile", R"({"appearance":0})", alice_.Auth()).status, 200u);
    alice->Send(R"({"type":"action","to":")" + bob_.id + R"(","action":"heart"})");
    EXPECT_EQ(Expect(*bob, "action")["from"]["nickname"], "阿甲甲");
}

TEST_F(LiveSessionTest, ANewSessionReplacesTheOldOneWithoutPresenceFlicker) {
    auto alice = Connect(alice_);
    auto bob = Connect(bob_);
    Expect(*alice, "presence");

    auto bobAgain = Connect(bob_);
    EXPECT_EQ(bob->WaitClosed(), 4000u);
    EXPECT_FALSE(alice->Next(300ms)) << "bob stayed online throughout";

    alice->Send(R"({"type":"action","to":")" + bob_.id + R"(","action":"heart"})");
    Expect(*bobAgain, "action");

    bobAgain.reset();
    EXPECT_EQ(Expect(*alice, "presence")["friend"]["online"], false);
}

TEST_F(LiveSessionTest, AFlappingFriendCostsTwoPresenceNoticesAndEndsRight) {
    auto alice = Connect(alice_);
    // Ten session starts in two seconds: the first eight are let through, each ended at
    // once; the rest are refused as any pet reconnecting too fast is.
    const auto flapsStarted = std::chrono::steady_clock::now();
    std::size_t started = 0;
    for (int flap = 0; flap < 10; ++flap) {
        if (auto bob = LiveClient::Connect(Port(), bob_.Auth())) {
            ++started;
            ASSERT_TRUE(bob->Next());
        } else {
            EXPECT_EQ(UpgradeRequest(Port(), bob_.Auth()).Message(), texts::kTooManyConnections);
        }
    }
    EXPECT_LT(std::chrono::steady_clock::now() - flapsStarted, 2s);
    EXPECT_EQ(started, 8u);

    std::vector<nlohmann::json> notices;
    while (auto message = alice->Next(4s)) {
        notices.push_back(*message);
    }
    ASSERT_EQ(notices.size(), 2u) << "the first at once, the last when its interval ended";
    EXPECT_EQ(notices.front()["friend"]["online"], true);
    EXPECT_EQ(notices.back()["type"], "presence");
    EXPECT_EQ(notices.back()["friend"]["id"], bob_.id);
    EXPECT_EQ(notices.back()["friend"]["online"], false) << "bob ended offline";
}

TEST_F(LiveSessionTest, UpgradeNeedsKeyAndIdentity) {
    const auto upgrade = [this](const RequestHeaders& headers) { return UpgradeRequest(Port(), headers); };
    RequestHeaders wrongToken = alice_.Auth();
    wrongToken.token = std::string(64, 'f');
    HttpReply refusal = upgrade(wrongToken);
    EXPECT_EQ(refusal.status, 401u);
    EXPECT_EQ(refusal.Message(), texts::kBadIdentity);
    EXPECT_FALSE(LiveClient::Connect(Port(), wrongToken));

    RequestHeaders wrongKey = alice_.Auth();
    wrongKey.appKey = "x";
    refusal = upgrade(wrongKey);
    EXPECT_EQ(refusal.status, 403u);
    EXPECT_EQ(refusal.Message(), texts::kWrongAppKey);

    EXPECT_EQ(upgrade(alice_.Auth()).status, 101u);
}

TEST_F(LiveSessionTest, MessagesLongerThanOneReadArriveWholeOneAfterAnother) {
    auto alice = Connect(alice_);
    auto bob = Connect(bob_);
    Expect(*alice, "presence");
    // The longest note, three bytes a character: the message outgrows the first read of an
    // idle session, and the next message starts on the emptied buffer.
    std::string note;
    for (int i = 0; i < 60; ++i) {
        note += "字";
    }
    const std::string visit =
        nlohmann::json{{"type", "action"}, {"to", bob_.id}, {"action", "greet"}, {"text", note}}.dump();
    ASSERT_GT(visit.size(), 256u);
    alice->Send(visit);
    alice->Send(R"({"type":"action","to":")" + bob_.id + R"(","action":"drink"})");
    alice->Send(visit);
    EXPECT_EQ(Expect(*bob, "action")["text"], note);
    EXPECT_EQ(Expect(*bob, "action")["action"], "drink");
    EXPECT_EQ(Expect(*bob, "action")["text"], note);
}

TEST_F(LiveSessionTest, OversizedMessagesEndTheSession) {
    auto alice = Connect(alice_);
    alice->Send(R"({"type":"action","text":")" + std::string(5000, 'a') + R"("})");
    EXPECT_EQ(alice->WaitClosed(), 1009u);
    EXPECT_TRUE(Connect(alice_)) << "the service goes on";
}

TEST(LiveSessionLimitsTest, FloodingIsRefusedAndSilenceGetsHeartbeats) {
    ServiceLimits limits;
    limits.liveMessagesPerDevice = 3;
    TransportLimits transport;
    transport.heartbeatInterval = 100ms;
    InProcessService service(limits, transport);
    const Device device = Register(service.Port(), "甲");
    auto client = LiveClient::Connect(service.Port(), device.Auth());
    ASSERT_TRUE(client);
    ASSERT_TRUE(client->Next());
    client->SendBinary("\x01\x02");
    client->SendBinary("\x03");
    client->Send(R"({"type":"nothing"})");
    client->Send(R"({"type":"nothing"})");
    EXPECT_EQ(client->Next()->value("message", ""), texts::kMessageNotText);
    EXPECT_EQ(client->Next()->value("message", ""), texts::kMessageNotText);
    EXPECT_EQ(client->Next()->value("message", ""), texts::kMessageTypeUnknown);
    EXPECT_EQ(client->Next()->value("message", ""), texts::kSendingTooFast) << "binary messages count as well";

    std::this_thread::sleep_for(500ms);
    EXPECT_GE(client->HeartbeatsSeen(), 2u);
}

TEST(LiveSessionLimitsTest, ReconnectingWithoutPauseIsRefused) {
    ServiceLimits limits;
    limits.liveSessionsPerDevice = 2;
    InProcessService service(limits);
    const Device device = Register(service.Port(), "甲");
    EXPECT_TRUE(LiveClient::Connect(service.Port(), device.Auth()));
    EXPECT_TRUE(LiveClient::Connect(service.Port(), device.Auth()));
    const HttpReply refusal = UpgradeRequest(service.Port(), device.Auth());
    EXPECT_EQ(refusal.status, 429u);
    EXPECT_EQ(refusal.Message(), texts::kTooManyConnections);
    service.Clock().Advance(1min);
    EXPECT_TRUE(LiveClient::Connect(service.Port(), device.Auth()));
}

TEST(LiveSessionAnnouncementTest, ConnectedCarriesTheAnnouncement) {
    const std::string announcement =
        R"({"id":"2026-12","title":"新版本","message":"咕噜兽 6.1 来了","latest_version":"6.1.0",)"
        R"("download_url":"https://example.invalid/get","extra":1})";
    InProcessService service({}, {}, announcement);
    const Device device = Register(service.Port(), "甲");
    auto client = LiveClient::Connect(service.Port(), device.Auth());
    ASSERT_TRUE(client);
    const auto connected = client->Next();
    ASSERT_TRUE(connected);
    const nlohmann::json expected = {{"id", "2026-12"},
                                     {"title", "新版本"},
                                     {"message", "咕噜兽 6.1 来了"},
                                     {"latest_version", "6.1.0"},
                                     {"download_url", "https://example.invalid/get"}};
    EXPECT_EQ((*connected)["announcement"], expected);
}

}  // namespace
}  // namespace mossquill::service::testing
