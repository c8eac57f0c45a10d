#include "redis_connection.h"
#include "service_clients.h"
#include "service_process.h"
#include "temporary_directory.h"
#include "test_database.h"
#include "service_limits.h"
#include "texts.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

namespace mossquill::service::testing {
namespace {

using namespace std::chrono_literals;

constexpr auto kPresenceTtl = 2s;

// Two instances of the service on two loopback addresses, sharing one PostgreSQL database
// and one Redis server (MOSSQUILL_TEST_REDIS, see tests/server/with-redis).
class ClusterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* redis = std::getenv("MOSSQUILL_TEST_REDIS");
        if (redis == nullptr || !TestsUsePostgres()) {
            GTEST_SKIP() << "needs MOSSQUILL_TEST_REDIS and MOSSQUILL_TEST_POSTGRESQL";
        }
        const std::string address = redis;
        const auto colon = address.rfind(':');
        RedisConnection(address.substr(0, colon), static_cast<unsigned short>(std::stoi(address.substr(colon + 1))),
                        2s)
            .Run({"FLUSHALL"});
        const std::string database = TestDatabase(directory_);
        const std::vector<std::string> shared = {"--redis", address, "--presence-ttl",
                                                 std::to_string(kPresenceTtl.count())};
        one_ = std::make_unique<ServiceProcess>(database, directory_.File("one.log"), shared, "127.0.0.41");
        two_ = std::make_unique<ServiceProcess>(database, directory_.File("two.log"), shared, "127.0.0.42");
    }

    ServiceAddress One() const { return {one_->Host(), one_->Port()}; }
    ServiceAddress Two() const { return {two_->Host(), two_->Port()}; }

    static HttpReply Claim(const ServiceAddress& service, const Device& device, const std::string& code)
    {
        return HttpsRequest(service, "POST", "/v1/pair/claim", nlohmann::json{{"code", code}}.dump(), device.Auth());
    }

    // Registers two devices, one through each instance, and makes them friends.
    std::pair<Device, Device> Friends()
    {
        const Device alice = Register(One(), "阿甲");
        const Device bob = Register(Two(), "阿乙");
        EXPECT_EQ(Claim(Two(), bob, CreatePairCode(One(), alice)).status, 200u);
        return {alice, bob};
    }

    TemporaryDirectory directory_;
    std::unique_ptr<ServiceProcess> one_;
    std::unique_ptr<ServiceProcess> two_;
};

TEST_F(ClusterTest, FriendsOnTwoInstancesPairVisitReactAndSeeEachOther)
{
    const Device alice = Register(One(), "阿甲");
    const Device bob = Register(Two(), "阿乙");
    auto aliceLive = ConnectLive(One(), alice);

    // The code made through one instance is claimed through the other.
    const HttpReply claim = Claim(Two(), bob, CreatePairCode(One(), alice));
    ASSERT_EQ(claim.status, 200u) << claim.body;
    EXPECT_EQ(claim.Json()["friend"]["id"], alice.id);
    EXPECT_EQ(claim.Json()["friend"]["online"], true) << "alice's session is on the other instance";
    const nlohmann::json added = ExpectMessage(*aliceLive, "friend_added");
    EXPECT_EQ(added["friend"]["id"], bob.id);
    EXPECT_EQ(added["friend"]["online"], false);

    nlohmann::json connected;
    auto bobLive = ConnectLive(Two(), bob, &connected);
    EXPECT_EQ(connected["friends"][0]["online"], true);
    EXPECT_EQ(ExpectMessage(*aliceLive, "presence")["friend"]["online"], true);

    // The friend set learnt from the claim lets alice's instance relay to bob's.
    aliceLive->Send(R"({"type":"action","to":")" + bob.id + R"(","action":"heart","text":"你好"})");
    const nlohmann::json visit = ExpectMessage(*bobLive, "action");
    EXPECT_EQ(visit["from"]["id"], alice.id);
    EXPECT_EQ(visit["action"], "heart");
    EXPECT_EQ(visit["text"], "你好");
    bobLive->Send(R"({"type":"reaction","to":")" + alice.id + R"(","reaction":"like"})");
    const nlohmann::json reaction = ExpectMessage(*aliceLive, "reaction");
    EXPECT_EQ(reaction["from"]["id"], bob.id);
    EXPECT_EQ(reaction["reaction"], "like");

    // A profile change made through the instance that does not hold the session reaches it.
    ASSERT_EQ(HttpsRequest(Two(), "PATCH", "/v1/profile", R"({"nickname":"甲二"})", alice.Auth()).status, 200u);
    EXPECT_EQ(ExpectMessage(*bobLive, "friend_updated")["friend"]["nickname"], "甲二");
    aliceLive->Send(R"({"type":"action","to":")" + bob.id + R"(","action":"greet"})");
    EXPECT_EQ(ExpectMessage(*bobLive, "action")["from"]["nickname"], "甲二");

    bobLive.reset();
    EXPECT_EQ(ExpectMessage(*aliceLive, "presence")["friend"]["online"], false);
    aliceLive->Send(R"({"type":"action","to":")" + bob.id + R"(","action":"greet"})");
    EXPECT_EQ(ExpectMessage(*aliceLive, "error")["message"], texts::kFriendOffline);
}

TEST_F(ClusterTest, ASecondSessionOnTheOtherInstanceReplacesTheFirst)
{
    const auto [alice, bob] = Friends();
    auto bobLive = ConnectLive(Two(), bob);
    auto first = ConnectLive(One(), alice);
    EXPECT_EQ(ExpectMessage(*bobLive, "presence")["friend"]["online"], true);

    auto second = ConnectLive(Two(), alice);
    EXPECT_EQ(first->WaitClosed(), 4000u) << "replaced by the newer session";

    // Visits reach the newer session, and the friend saw no presence change.
    bobLive->Send(R"({"type":"action","to":")" + alice.id + R"(","action":"eat"})");
    EXPECT_EQ(ExpectMessage(*second, "action")["action"], "eat");
    const auto unexpected = bobLive->Next(500ms);
    EXPECT_FALSE(unexpected) << unexpected->dump();

    // Its end is an ordinary end: the friend hears of it.
    second.reset();
    EXPECT_EQ(ExpectMessage(*bobLive, "presence")["friend"]["online"], false);
}

TEST_F(ClusterTest, DevicesOfAKilledInstanceGoOfflineForFriendsOnTheOther)
{
    const auto [alice, bob] = Friends();
    auto aliceLive = ConnectLive(One(), alice);
    auto bobLive = ConnectLive(Two(), bob);
    ASSERT_EQ(ExpectMessage(*aliceLive, "presence")["friend"]["online"], true);

    one_->SignalAndWait(SIGKILL);
    const auto killed = std::chrono::steady_clock::now();
    const nlohmann::json offline = ExpectMessage(*bobLive, "presence", kPresenceTtl + 3s);
    EXPECT_EQ(offline["friend"]["id"], alice.id);
    EXPECT_EQ(offline["friend"]["nickname"], "阿甲");
    EXPECT_EQ(offline["friend"]["online"], false);
    EXPECT_LT(std::chrono::steady_clock::now() - killed, kPresenceTtl + 2s);
    EXPECT_EQ(HttpsRequest(Two(), "GET", "/v1/friends", "", bob.Auth()).Json()["friends"][0]["online"], false);

    // Back on the surviving instance, alice is online again.
    auto again = ConnectLive(Two(), alice);
    EXPECT_EQ(ExpectMessage(*bobLive, "presence")["friend"]["online"], true);
}

TEST_F(ClusterTest, FailedClaimsCountAgainstOneLimitOnEveryInstance)
{
    const Device guesser = Register(One(), "路人");
    const ServiceLimits limits;
    for (std::size_t attempt = 0; attempt < limits.claimFailuresPerNewDevice; ++attempt) {
        const HttpReply failure = Claim(attempt % 2 == 0 ? One() : Two(), guesser, "000000");
        ASSERT_EQ(failure.status, 404u) << failure.body;
    }
    for (const ServiceAddress& service : {One(), Two()}) {
        const HttpReply refused = Claim(service, guesser, "000000");
        EXPECT_EQ(refused.status, 429u) << refused.body;
        EXPECT_EQ(refused.Message(), texts::kTooManyAttempts);
    }
}

}  // namespace
}  // namespace mossquill::service::testing
