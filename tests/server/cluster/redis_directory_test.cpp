#include "limits/rate_limiter.h"
#include "cluster/delivery_note.h"
#include "cluster/redis_client.h"
#include "cluster/redis_directory.h"
#include "cluster/redis_rate_limiter.h"
#include "test_database.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <atomic>
#include <deque>
#include <future>
#include <mutex>
#include <random>

namespace mossquill::service::testing {
namespace {

using namespace std::chrono_literals;

constexpr auto kTtl = 600ms;
// Long enough for no renewal to happen during a test.
constexpr auto kLongTtl = 60s;

// What other instances asked of one directory's sessions, one line per event.
class RecordedEvents final : public PeerEvents {
public:
    void DeliverHere(const std::vector<std::string>& deviceIds, const std::string& text) override {
        for (const auto& id : deviceIds) {
            Add("deliver " + id + " " + text);
        }
    }
    void PresenceHere(const std::vector<std::string>& deviceIds, const std::string& aboutId,
                      const std::string& text) override {
        for (const auto& id : deviceIds) {
            Add("presence " + id + " about " + aboutId + " " + text);
        }
    }
    void BefriendHere(const std::string& deviceId, const std::string& friendId, const std::string& text) override {
        Add("befriend " + deviceId + " " + friendId + " " + text);
    }
    void UnfriendHere(const std::string& deviceId, const std::string& formerId, const std::string& text) override {
        Add("unfriend " + deviceId + " " + formerId + " " + text);
    }
    void ProfileHere(const DeviceRecord& device) override { Add("profile " + device.id + " " + device.nickname); }
    void ReplaceHere(const std::string& deviceId, std::uint64_t serial) override {
        Add("replace " + deviceId + " " + std::to_string(serial));
    }
    void WentOffline(const DeviceRecord& device) override {
        Add("offline " + device.id + " " + device.nickname + " " + std::to_string(device.appearance));
    }
    void BackOnline(const std::string& deviceId) override { Add("back " + deviceId); }

    // The next event, or "" when none comes in time.
    std::string Next(std::chrono::milliseconds timeout = 3s) {
        std::unique_lock lock(mutex_);
        if (!arrived_.wait_for(lock, timeout, [this] { return !events_.empty(); })) {
            return {};
        }
        std::string event = events_.front();
        events_.pop_front();
        return event;
    }

private:
    void Add(std::string event) {
        const std::lock_guard lock(mutex_);
        events_.push_back(std::move(event));
        arrived_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::string> events_;
};

// Releases and deliveries answer through callbacks from the directory's own queue. A
// delivery to a device that is nowhere always calls back, after what was queued before.
void WaitForQueue(SessionDirectory& directory) {
    std::promise<void> passed;
    directory.Deliver("nobody", "", [&] { passed.set_value(); });
    ASSERT_EQ(passed.get_future().wait_for(3s), std::future_status::ready);
}

bool Delivered(SessionDirectory& directory, const std::string& deviceId, const std::string& text) {
    std::atomic<bool> undelivered{false};
    directory.Deliver(deviceId, text, [&] { undelivered = true; });
    WaitForQueue(directory);
    return !undelivered;
}

bool WentOffline(SessionDirectory& directory, const std::string& deviceId, std::uint64_t serial) {
    std::atomic<bool> offline{false};
    directory.Release(deviceId, serial, [&] { offline = true; });
    WaitForQueue(directory);
    return offline;
}

// Visits from one directory to targets in turn, and what must come of them: those to the
// deliverable targets reach the other instance in order, every other one tells its own
// sender, and only its own.
class VisitBurst {
public:
    VisitBurst(SessionDirectory& from, std::vector<std::string> deliverable)
        : from_(from), deliverable_(std::move(deliverable)) {}

    void Send(const std::string& target, const std::string& text, int number) {
        from_.Deliver(target, text, [this, number] {
            const std::lock_guard lock(failedMutex_);
            failed_.push_back(number);
        });
        if (std::find(deliverable_.begin(), deliverable_.end(), target) != deliverable_.end()) {
            Expect("deliver " + target + " " + text);
        } else {
            expectedFailures_.push_back(number);
        }
    }

    void Expect(std::string event) { expectedEvents_.push_back(std::move(event)); }

    void Check(RecordedEvents& arriving) {
        WaitForQueue(from_);
        {
            const std::lock_guard lock(failedMutex_);
            EXPECT_EQ(failed_, expectedFailures_);
        }
        std::vector<std::string> events;
        for (std::size_t i = 0; i < expectedEvents_.size(); ++i) {
            events.push_back(arriving.Next());
        }
        EXPECT_EQ(events, expectedEvents_);
    }

private:
    SessionDirectory& from_;
    const std::vector<std::string> deliverable_;
    std::mutex failedMutex_;
    std::vector<int> failed_;
    std::vector<std::string> expectedEvents_;
    std::vector<int> expectedFailures_;
};

// Two directories on the test Redis server (MOSSQUILL_TEST_REDIS), as two instances use them.
class RedisDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        redis_ = FreshTestRedis();
        if (!redis_) {
            GTEST_SKIP() << "needs MOSSQUILL_TEST_REDIS";
        }
    }

    void StartBoth(std::chrono::milliseconds ttl) {
        one_ = std::make_unique<RedisDirectory>(*redis_, ttl);
        two_ = std::make_unique<RedisDirectory>(*redis_, ttl);
        one_->Start(oneEvents_);
        two_->Start(twoEvents_);
    }

    void StartWithAliceAndBobOnOneCarolOnTwo() {
        StartBoth(kLongTtl);
        one_->Claim(alice_, 1);
        one_->Claim(bob_, 2);
        two_->Claim({"carol", "阿丙", 1}, 3);
    }

    std::unique_ptr<RedisClient> redis_;
    RecordedEvents oneEvents_;
    RecordedEvents twoEvents_;
    std::unique_ptr<RedisDirectory> one_;
    std::unique_ptr<RedisDirectory> two_;
    const DeviceRecord alice_{"alice", "阿甲", 2};
    const DeviceRecord bob_{"bob", "阿乙", 0};
};

TEST_F(RedisDirectoryTest, AServerWithAPasswordServesOnlyClientsThatGiveIt) {
    const std::string address = redis_->Address();
    const auto colon = address.rfind(':');
    const auto port = static_cast<unsigned short>(std::stoi(address.substr(colon + 1)));
    redis_->Run({"CONFIG", "SET", "requirepass", "gut-secret"});
    RedisClient withPassword(address.substr(0, colon), port, "gut-secret");
    RedisClient without(address.substr(0, colon), port);
    const bool refused = [&] {
        try {
            without.Run({"PING"});
            return false;
        } catch (const RedisError&) {
            return true;
        }
    }();
    const auto answer = withPassword.Run({"PING"}).Text();
    const bool dedicatedServed = [&] {
        try {
            return withPassword.OpenDedicated()->Run({"PING"}).Text() == "PONG";
        } catch (const RedisError&) {
            return false;
        }
    }();
    withPassword.Run({"CONFIG", "SET", "requirepass", ""});
    EXPECT_TRUE(refused);
    EXPECT_EQ(answer, "PONG");
    EXPECT_TRUE(dedicatedServed) << "subscriptions authenticate too";
}

TEST_F(RedisDirectoryTest, SessionsAreFoundDeliveredToAndTakenOverAcrossInstances) {
    StartBoth(kLongTtl);
    EXPECT_FALSE(one_->Claim(alice_, 1)) << "alice was not online anywhere";
    EXPECT_EQ(two_->OnlineElsewhere({"alice", "bob"}), (std::vector<bool>{true, false}));
    EXPECT_EQ(one_->OnlineElsewhere({"alice"}), std::vector<bool>{false}) << "its own sessions are not elsewhere";

    EXPECT_TRUE(Delivered(*two_, "alice", "hello"));
    EXPECT_EQ(oneEvents_.Next(), "deliver alice hello");
    EXPECT_FALSE(Delivered(*two_, "bob", "hello")) << "bob is offline";
    two_->DeliverPresence({"alice", "bob"}, "carol", "online");
    EXPECT_EQ(oneEvents_.Next(), "presence alice about carol online") << "named, so that alice's session can coalesce";
    two_->Befriend("alice", "bob", "added");
    EXPECT_EQ(oneEvents_.Next(), "befriend alice bob added");
    two_->Unfriend("alice", "bob", "removed");
    two_->Unfriend("bob", "alice", "removed");
    EXPECT_EQ(oneEvents_.Next(), "unfriend alice bob removed") << "only to where the session is";
    two_->ProfileChanged({"alice", "甲二", 1});
    EXPECT_EQ(oneEvents_.Next(), "profile alice 甲二");

    EXPECT_TRUE(two_->Claim(alice_, 7)) << "a replacement";
    EXPECT_EQ(oneEvents_.Next(), "replace alice 1");
    EXPECT_FALSE(WentOffline(*one_, "alice", 1)) << "the older session ends without an offline notice";
    EXPECT_EQ(one_->OnlineElsewhere({"alice"}), std::vector<bool>{true});
    EXPECT_TRUE(WentOffline(*two_, "alice", 7));
    EXPECT_EQ(one_->OnlineElsewhere({"alice"}), std::vector<bool>{false});
    EXPECT_EQ(oneEvents_.Next(500ms), "") << "nothing else";
}

TEST_F(RedisDirectoryTest, ABurstOfDeliveriesKeepsItsOrderAndEachFailureIsItsOwn) {
    StartWithAliceAndBobOnOneCarolOnTwo();
    // Targets in turn: online elsewhere, nowhere, online elsewhere, held by the sender's own
    // instance (not found in its relay, so not deliverable either). A presence notice in the
    // middle must stay between the visits around it.
    const std::vector<std::string> targets = {"alice", "nobody", "bob", "carol"};
    VisitBurst burst(*two_, {"alice", "bob"});
    for (int i = 0; i < 400; ++i) {
        if (i == 200) {
            two_->DeliverPresence({"alice"}, "carol", "online");
            burst.Expect("presence alice about carol online");
        }
        burst.Send(targets[i % targets.size()], std::to_string(i), i);
    }
    burst.Check(oneEvents_);
    EXPECT_EQ(oneEvents_.Next(200ms), "") << "nothing else";
}

TEST_F(RedisDirectoryTest, VisitsWaitingTogetherShareOneNotePerInstanceAndFailEachAlone) {
    StartWithAliceAndBobOnOneCarolOnTwo();
    redis_->Run({"SET", "mossquill:session:dave", "gone:4"});  // an instance that no longer listens
    redis_->Run({"CONFIG", "RESETSTAT"});
    // Redis holds every client back a moment, so that the visits below wait together.
    redis_->Run({"CLIENT", "PAUSE", "300"});
    const std::vector<std::string> targets = {"alice", "dave", "bob", "nobody", "alice", "carol"};
    // dave's note finds no listener: his visits alone fail.
    VisitBurst burst(*two_, {"alice", "bob"});
    for (int i = 0; i < 120; ++i) {
        burst.Send(targets[i % targets.size()], "visit " + std::to_string(i), i);
    }
    burst.Check(oneEvents_);
    const std::string stats = *redis_->Run({"INFO", "commandstats"}).Text();
    const auto publishes = stats.find("cmdstat_publish:calls=");
    ASSERT_NE(publishes, std::string::npos);
    // At most two batches (the first visit may leave alone), each one note per instance.
    EXPECT_LE(std::stoi(stats.substr(publishes + std::string("cmdstat_publish:calls=").size())), 4) << stats;
}

TEST_F(RedisDirectoryTest, UnreadableNotesOnTheChannelAreDroppedWholeAndLaterOnesStillArrive) {
    StartBoth(kLongTtl);
    one_->Claim(alice_, 1);
    const std::string owner = *redis_->Run({"GET", "mossquill:session:alice"}).Text();
    const std::string channel = "mossquill:instance:" + owner.substr(0, owner.rfind(':'));
    const std::string oversized =
        "@d1"
        "1:5:alice" +
        std::to_string(kMaxNoteBytes) + ":" + std::string(kMaxNoteBytes, 'x');
    const std::vector<std::string> unreadable = {
        "not a note",
        "@d1"
        "1:5:alice5:first1:5:alice99:second",  // well formed up to its second record
        oversized,
        std::string(100000, '[') + std::string(100000, ']'),  // deeper than any note
        R"({"deliver":["alice"],"text":"the older form"})",
        R"({"befriend":1,"friend":"bob","text":"x"})",
        R"({"replace":"alice","serial":"one"})",
    };
    for (const auto& note : unreadable) {
        EXPECT_EQ(redis_->Run({"PUBLISH", channel, note}).Integer(), 1);
    }
    EXPECT_TRUE(Delivered(*two_, "alice", "still here"));
    EXPECT_EQ(oneEvents_.Next(), "deliver alice still here") << "nothing of the notes before it";
}

TEST_F(RedisDirectoryTest, RenewalKeepsSessionsAndNoticesLostTakeoversAndLapses) {
    StartBoth(kTtl);
    one_->Claim(alice_, 1);
    one_->Claim(bob_, 2);
    std::this_thread::sleep_for(3 * kTtl);
    EXPECT_EQ(two_->OnlineElsewhere({"alice", "bob"}), (std::vector<bool>{true, true})) << "renewed";

    // A newer session whose notice was lost, and a key lost with a Redis restart.
    redis_->Run({"SET", "mossquill:session:alice", "elsewhere:3"});
    redis_->Run({"DEL", "mossquill:session:bob"});
    std::vector<std::string> events = {oneEvents_.Next(), oneEvents_.Next()};
    std::sort(events.begin(), events.end());
    EXPECT_EQ(events, (std::vector<std::string>{"back bob", "replace alice 1"}));
    EXPECT_EQ(two_->OnlineElsewhere({"bob"}), std::vector<bool>{true});
}

TEST_F(RedisDirectoryTest, DevicesOfAnInstanceThatStopsRenewingGoOfflineElsewhere) {
    StartBoth(kTtl);
    one_->Claim(alice_, 1);
    one_->ProfileChanged({"alice", "甲二", 3});
    one_->Stop();  // as dead as an instance gets: nothing renews, nothing listens
    const auto stopped = std::chrono::steady_clock::now();
    EXPECT_EQ(twoEvents_.Next(3 * kTtl), "offline alice 甲二 3");
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, kTtl + 500ms);
    EXPECT_EQ(two_->OnlineElsewhere({"alice"}), std::vector<bool>{false});
    EXPECT_FALSE(two_->Claim(alice_, 1)) << "coming back is coming online";
}

TEST_F(RedisDirectoryTest, SharedWindowsCountLikeTheInMemoryOnesForEveryInstance) {
    // Two instances' limiters of one rule against one in memory, on the same random events.
    RedisWindowLimiter first(*redis_, "rule", 3, 10s);
    RedisWindowLimiter second(*redis_, "rule", 3, 10s);
    RedisWindowLimiter otherRule(*redis_, "other", 3, 10s);
    SlidingWindowLimiter reference(3, 10s);
    std::mt19937 random(7);
    TimePoint now{std::chrono::hours(500000)};
    for (int step = 0; step < 200; ++step) {
        now += std::chrono::milliseconds(random() % 4000);
        const std::string key = random() % 2 == 0 ? "a" : "b";
        RateLimiter& shared = random() % 2 == 0 ? static_cast<RateLimiter&>(first) : second;
        switch (random() % 3) {
        case 0:
            ASSERT_EQ(shared.TryTake(key, now), reference.TryTake(key, now)) << "step " << step;
            break;
        case 1:
            ASSERT_EQ(shared.IsExhausted(key, now), reference.IsExhausted(key, now)) << "step " << step;
            break;
        default:
            shared.Record(key, now);
            reference.Record(key, now);
        }
    }
    EXPECT_FALSE(otherRule.IsExhausted("a", now)) << "rules count apart";
    RedisWindowLimiter unlimited(*redis_, "none", 0, 10s);
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(unlimited.TryTake("a", now));
    }
}

}  // namespace
}  // namespace mossquill::service::testing
