#include "cluster/redis_connection.h"
#include "service_clients.h"
#include "service_process.h"
#include "temporary_directory.h"
#include "test_database.h"
#include "limits/service_limits.h"
#include "core/texts.h"
#include "support/poll_until.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace mossquill::service::testing {
namespace {

using namespace std::chrono_literals;

constexpr auto kPresenceTtl = 2s;

// A Redis server of the test's own, to stop and start again; it keeps nothing on disk.
class RedisServer {
public:
    explicit RedisServer(const TemporaryDirectory& directory) : directory_(directory) {
        std::mt19937 random(std::random_device{}());
        for (int attempt = 0; attempt < 5 && pid_ < 0; ++attempt) {
            port_ = static_cast<unsigned short>(41000 + random() % 8000);
            Start();
        }
        if (pid_ < 0) {
            throw std::runtime_error("redis-server did not start");
        }
    }
    ~RedisServer() { Kill(); }
    RedisServer(const RedisServer&) = delete;
    RedisServer& operator=(const RedisServer&) = delete;

    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

    // Connections that hold both a channel and a pattern subscription: one per instance that
    // listens to Redis.
    int Subscribers() const {
        const std::string clients = RedisConnection("127.0.0.1", port_, 1s).Run({"CLIENT", "LIST"}).Text().value_or("");
        const auto positive = [](std::string_view line, std::string_view field) {
            const auto at = line.find(field);
            return at != std::string_view::npos && line.substr(at + field.size(), 1) != "0";
        };
        int subscribers = 0;
        std::string_view rest = clients;
        while (!rest.empty()) {
            const std::string_view line = rest.substr(0, rest.find('\n'));
            rest.remove_prefix(std::min(rest.size(), line.size() + 1));
            if (positive(line, " sub=") && positive(line, " psub=")) ++subscribers;
        }
        return subscribers;
    }

    // Starts the server on its port; on return it answers, unless it could not start
    // (the port taken), when no process is left.
    void Start() {
        pid_ = fork();
        if (pid_ == 0) {
            const int log = open(directory_.File("redis.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
            const std::string port = std::to_string(port_);
            const std::string dir = directory_.File("");
            execlp("redis-server", "redis-server", "--bind", "127.0.0.1", "--port", port.c_str(), "--save", "",
                   "--appendonly", "no", "--dir", dir.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int attempt = 0; attempt < 100; ++attempt) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;  // another server has the port
                return;
            }
            try {
                RedisConnection("127.0.0.1", port_, 1s).Run({"PING"});
                return;
            } catch (const RedisError&) {
                std::this_thread::sleep_for(50ms);
            }
        }
        Kill();
    }

    // Stops answering while its connections stay open, as a partition that drops packets.
    void Pause() { kill(pid_, SIGSTOP); }
    void Resume() { kill(pid_, SIGCONT); }

    void Kill() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

private:
    const TemporaryDirectory& directory_;
    unsigned short port_ = 0;
    pid_t pid_ = -1;
};

// Two instances of the service on two loopback addresses, sharing one PostgreSQL database
// and one Redis server (MOSSQUILL_TEST_REDIS, see tests/server/with-redis).
class ClusterTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto redis = FreshTestRedis();
        if (!redis || !TestsUsePostgres()) {
            GTEST_SKIP() << "needs MOSSQUILL_TEST_REDIS and MOSSQUILL_TEST_POSTGRESQL";
        }
        StartInstances(redis->Address());
    }

    // Starts both instances, or starts them again on the same database.
    void StartInstances(const std::string& redis) {
        if (database_.empty()) {
            database_ = TestDatabase(directory_);
        }
        redis_ = redis;
        const std::vector<std::string> shared = {"--redis", redis, "--presence-ttl",
                                                 std::to_string(kPresenceTtl.count())};
        two_.reset();
        one_.reset();
        // Logs of their own: a new process must not be found listening in its predecessor's.
        const std::string generation = std::to_string(++generation_);
        one_ = std::make_unique<ServiceProcess>(database_, directory_.File("one-" + generation + ".log"), shared,
                                                "127.0.0.41");
        two_ = std::make_unique<ServiceProcess>(database_, directory_.File("two-" + generation + ".log"), shared,
                                                "127.0.0.42");
    }

    ServiceAddress One() const { return {one_->Host(), one_->Port()}; }
    ServiceAddress Two() const { return {two_->Host(), two_->Port()}; }

    static HttpReply Claim(const ServiceAddress& service, const Device& device, const std::string& code) {
        return HttpsRequest(service, "POST", "/v1/pair/claim", nlohmann::json{{"code", code}}.dump(), device.Auth());
    }

    // Registers two devices, one through each instance, and makes them friends.
    std::pair<Device, Device> Friends() {
        const Device alice = Register(One(), "阿甲");
        const Device bob = Register(Two(), "阿乙");
        EXPECT_EQ(Claim(Two(), bob, CreatePairCode(One(), alice)).status, 200u);
        return {alice, bob};
    }

    TemporaryDirectory directory_;
    std::string database_;
    std::string redis_;
    std::unique_ptr<ServiceProcess> one_;
    std::unique_ptr<ServiceProcess> two_;
    int generation_ = 0;
};

TEST_F(ClusterTest, FriendsOnTwoInstancesPairVisitReactAndSeeEachOther) {
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

    // A profile change made through the instance that does not hold the session reaches it,
    // through Redis: a moment after bob, on the changing instance, has heard of it.
    ASSERT_EQ(HttpsRequest(Two(), "PATCH", "/v1/profile", R"({"nickname":"甲二"})", alice.Auth()).status, 200u);
    EXPECT_EQ(ExpectMessage(*bobLive, "friend_updated")["friend"]["nickname"], "甲二");
    const auto greetCarriesNewNickname = [&] {
        aliceLive->Send(R"({"type":"action","to":")" + bob.id + R"(","action":"greet"})");
        return ExpectMessage(*bobLive, "action")["from"]["nickname"] == "甲二";
    };
    EXPECT_TRUE(PollUntil(5s, greetCarriesNewNickname, 500ms)) << "alice's visits still carry her old nickname";

    bobLive.reset();
    EXPECT_EQ(ExpectMessage(*aliceLive, "presence")["friend"]["online"], false);
    aliceLive->Send(R"({"type":"action","to":")" + bob.id + R"(","action":"greet"})");
    EXPECT_EQ(ExpectMessage(*aliceLive, "error")["message"], texts::kFriendOffline);

    // Bob's session flaps on the other instance and ends online: alice, just told he went
    // offline, hears only how it ended.
    for (int flap = 0; flap < 2; ++flap) {
        ConnectLive(Two(), bob).reset();
    }
    bobLive = ConnectLive(Two(), bob);
    const nlohmann::json last = ExpectMessage(*aliceLive, "presence");
    EXPECT_EQ(last["friend"]["online"], true);
    EXPECT_FALSE(aliceLive->Next(3500ms)) << "one notice for the whole flapping";
}

TEST_F(ClusterTest, ARemovalReachesTheSessionsOnBothInstancesAndOutlivesARestart) {
    const auto [alice, bob] = Friends();
    auto aliceLive = ConnectLive(One(), alice);
    auto bobLive = ConnectLive(Two(), bob);
    ASSERT_EQ(ExpectMessage(*aliceLive, "presence")["friend"]["online"], true);

    const HttpReply removed = HttpsRequest(One(), "DELETE", "/v1/friends/" + bob.id, "", alice.Auth());
    ASSERT_EQ(removed.status, 200u) << removed.body;
    EXPECT_EQ(ExpectMessage(*aliceLive, "friend_removed")["friend"]["id"], bob.id);
    EXPECT_EQ(ExpectMessage(*bobLive, "friend_removed")["friend"]["id"], alice.id);
    bobLive->Send(R"({"type":"action","to":")" + alice.id + R"(","action":"greet"})");
    EXPECT_EQ(ExpectMessage(*bobLive, "error")["message"], texts::kNotFriend) << "the other instance forgot it too";
    EXPECT_EQ(HttpsRequest(Two(), "DELETE", "/v1/friends/" + alice.id, "", bob.Auth()).status, 404u);

    one_->SignalAndWait(SIGKILL);
    two_->SignalAndWait(SIGKILL);
    StartInstances(redis_);
    EXPECT_TRUE(FriendIds(One(), alice).empty());
    EXPECT_TRUE(FriendIds(Two(), bob).empty());
}

TEST_F(ClusterTest, ASecondSessionOnTheOtherInstanceReplacesTheFirst) {
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

TEST_F(ClusterTest, DevicesOfAKilledInstanceGoOfflineForFriendsOnTheOther) {
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

TEST_F(ClusterTest, FailedClaimsCountAgainstOneLimitOnEveryInstance) {
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

TEST_F(ClusterTest, InstancesRideOutARedisRestart) {
    RedisServer redis(directory_);
    StartInstances(redis.Address());
    const auto [alice, bob] = Friends();
    auto aliceLive = ConnectLive(One(), alice);
    auto bobLive = ConnectLive(Two(), bob);
    ASSERT_EQ(ExpectMessage(*aliceLive, "presence")["friend"]["online"], true);
    EXPECT_EQ(HttpsRequest(One(), "GET", "/v1/health", "").status, 200u);

    redis.Kill();
    // Health repeats its last real check for up to a second, then reports the outage.
    EXPECT_TRUE(PollUntil(10s, [&] { return HttpsRequest(One(), "GET", "/v1/health", "").status == 500u; }))
        << "a load balancer must look elsewhere";
    const HttpReply alone = HttpsRequest(Two(), "GET", "/v1/friends", "", bob.Auth());
    ASSERT_EQ(alone.status, 200u) << "the instance answers from what it knows itself";
    EXPECT_EQ(alone.Json()["friends"][0]["online"], false) << "alice's instance cannot be asked";

    // A restarted Redis has forgotten every key and setting; the instances bring back the
    // sessions they hold and hear of expiries again.
    redis.Start();
    const auto aliceListed = [&] {
        const HttpReply friends = HttpsRequest(Two(), "GET", "/v1/friends", "", bob.Auth());
        return friends.status == 200 && friends.Json()["friends"][0]["online"] == true;
    };
    EXPECT_TRUE(PollUntil(kPresenceTtl + 3s, aliceListed)) << "alice's session is back in Redis";
    EXPECT_TRUE(PollUntil(10s, [&] { return HttpsRequest(One(), "GET", "/v1/health", "").status == 200u; }));
    EXPECT_TRUE(PollUntil(30s, [&] { return redis.Subscribers() == 2; })) << "both instances subscribed again";

    // Whatever "online again" notices made it through are no change to test here.
    const auto next = [](LiveClient& client) {
        for (;;) {
            const auto message = client.Next(kPresenceTtl + 3s);
            if (!message || (*message)["type"] != "presence" || (*message)["friend"]["online"] == false) {
                return message.value_or(nlohmann::json());
            }
        }
    };
    aliceLive->Send(R"({"type":"action","to":")" + bob.id + R"(","action":"wealth"})");
    EXPECT_EQ(next(*bobLive)["action"], "wealth");
    one_->SignalAndWait(SIGKILL);
    const nlohmann::json offline = next(*bobLive);
    ASSERT_EQ(offline.value("type", ""), "presence") << "no offline notice: " << offline.dump();
    EXPECT_EQ(offline["friend"]["online"], false);
}

TEST_F(ClusterTest, AStalledRedisLeavesSessionsOnOneInstanceAnsweringWithinASecond) {
    RedisServer redis(directory_);
    StartInstances(redis.Address());
    const auto [alice, bob] = Friends();
    auto aliceLive = ConnectLive(One(), alice);
    auto bobLive = ConnectLive(One(), bob);
    ASSERT_EQ(ExpectMessage(*aliceLive, "presence")["friend"]["online"], true);

    redis.Pause();
    // Several rounds: the first finds Redis silent, the later ones meet the instance that
    // already knows it is alone.
    for (int round = 0; round < 3; ++round) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(bobLive->Ping(1s)) << "round " << round;
        aliceLive->Send(R"({"type":"action","to":")" + bob.id + R"(","action":"heart"})");
        EXPECT_EQ(ExpectMessage(*bobLive, "action", 1s)["action"], "heart") << "round " << round;
        bobLive->Send(R"({"type":"reaction","to":")" + alice.id + R"(","reaction":"like"})");
        EXPECT_EQ(ExpectMessage(*aliceLive, "reaction", 1s)["reaction"], "like") << "round " << round;
        HttpsRequest(One(), "GET", "/v1/health", "");  // answered, whatever it says
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s) << "round " << round << ": health waited for Redis";
    }
    EXPECT_TRUE(PollUntil(5s, [&] { return HttpsRequest(One(), "GET", "/v1/health", "").status == 500u; }))
        << "health reports the stalled Redis";

    // Leaving is told to the friend on the same instance without Redis too.
    aliceLive.reset();
    const nlohmann::json offline = ExpectMessage(*bobLive, "presence", 3s);
    EXPECT_EQ(offline["friend"]["online"], false);
    redis.Resume();
}

}  // namespace
}  // namespace mossquill::service::testing
