#include "core/credentials.h"
#include "store/sqlite_store.h"
#include "test_database.h"
#include "temporary_directory.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <regex>
#include <set>

namespace mossquill::service {
namespace {

using namespace std::chrono_literals;
using testing::TemporaryDirectory;
using testing::TestDatabase;
using testing::TestsUsePostgres;

class StoreTest : public ::testing::Test {
protected:
    DeviceRecord Add(Store& store, const std::string& id) {
        const DeviceRecord device{id, "昵称" + id, 1};
        store.AddDevice(device, TokenDigest("token-" + id), now_);
        return device;
    }

    TemporaryDirectory directory_;
    std::string path_ = TestDatabase(directory_);
    TimePoint now_ = std::chrono::system_clock::now();
};

TEST_F(StoreTest, KeepsOnlyTheTokenDigestAndSurvivesReopening) {
    {
        auto opened = OpenStore(path_);
        Store& store = *opened;
        Add(store, "a");
        Add(store, "b");
        ASSERT_TRUE(store.ReplacePairCode("a", "123456", now_ + 10min, now_));
        ASSERT_EQ(store.ClaimPairCode("b", "123456", now_, 10).result, ClaimResult::Claimed);
        store.UpdateProfile({"a", "新", 1});
    }
    auto reopened = OpenStore(path_);
    Store& store = *reopened;
    const auto credentials = store.FindCredentials("a");
    ASSERT_TRUE(credentials);
    EXPECT_EQ(credentials->device.nickname, "新");
    EXPECT_EQ(credentials->device.appearance, 1);
    EXPECT_TRUE(SameDigest(credentials->tokenDigest, TokenDigest("token-a")));
    EXPECT_FALSE(SameDigest(credentials->tokenDigest, TokenDigest("token-b")));
    EXPECT_EQ(store.FriendsOf("b").at(0).id, "a");
    if (TestsUsePostgres()) {
        return;
    }

    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &raw), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(raw, "SELECT COUNT(*) FROM devices WHERE instr(token_digest, 'token') > 0", -1, &statement,
                       nullptr);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(statement, 0), 0) << "no token in plain form";
    sqlite3_finalize(statement);
    sqlite3_close(raw);
}

TEST_F(StoreTest, ClaimsAreAllOrNothing) {
    auto opened = OpenStore(path_);
    Store& store = *opened;
    Add(store, "a");
    Add(store, "b");
    Add(store, "c");
    ASSERT_TRUE(store.ReplacePairCode("a", "111111", now_ + 10min, now_));
    ASSERT_TRUE(store.ReplacePairCode("b", "222222", now_ + 10min, now_));
    EXPECT_FALSE(store.ReplacePairCode("c", "111111", now_ + 10min, now_)) << "an active code is not handed out twice";

    EXPECT_EQ(store.ClaimPairCode("a", "111111", now_, 10).result, ClaimResult::OwnCode);
    EXPECT_EQ(store.ClaimPairCode("c", "111111", now_, 1).result, ClaimResult::Claimed);
    EXPECT_TRUE(store.AreFriends("a", "c"));
    EXPECT_TRUE(store.AreFriends("c", "a"));
    EXPECT_EQ(store.ClaimPairCode("c", "222222", now_, 1).result, ClaimResult::FriendLimit);
    EXPECT_FALSE(store.AreFriends("b", "c"));
    EXPECT_EQ(store.ClaimPairCode("c", "222222", now_, 2).result, ClaimResult::Claimed) << "a refusal keeps the code";

    ASSERT_TRUE(store.ReplacePairCode("a", "333333", now_ + 10min, now_));
    EXPECT_EQ(store.ClaimPairCode("c", "333333", now_, 10).result, ClaimResult::AlreadyFriends);
    EXPECT_EQ(store.ClaimPairCode("b", "333333", now_, 10).result, ClaimResult::Claimed);
}

TEST_F(StoreTest, ExpiredCodesAreFreedForOthers) {
    auto opened = OpenStore(path_);
    Store& store = *opened;
    Add(store, "a");
    Add(store, "b");
    Add(store, "c");
    ASSERT_TRUE(store.ReplacePairCode("a", "123456", now_ + 10min, now_));
    EXPECT_EQ(store.ClaimPairCode("c", "123456", now_ + 10min, 10).result, ClaimResult::InvalidCode);
    ASSERT_TRUE(store.ReplacePairCode("b", "123456", now_ + 20min, now_ + 10min));
    EXPECT_EQ(store.ClaimPairCode("c", "123456", now_ + 10min, 10).result, ClaimResult::Claimed);
    EXPECT_TRUE(store.AreFriends("b", "c"));
    EXPECT_FALSE(store.AreFriends("a", "c"));
}

TEST_F(StoreTest, AcknowledgedChangesGoToDiskBeforeTheAnswer) {
    if (TestsUsePostgres()) {
        GTEST_SKIP() << "SQLite's settings";
    }
    SqliteStore store(path_);
    const Durability durability = store.CurrentDurability();
    EXPECT_EQ(durability.journalMode, "wal");
    EXPECT_EQ(durability.synchronous, 2) << "FULL: synced at every commit";
}

TEST_F(StoreTest, DevicesThatStopComingBackAreForgotten) {
    auto opened = OpenStore(path_);
    Store& store = *opened;
    Add(store, "lonely");
    Add(store, "active");
    Add(store, "a");
    Add(store, "b");
    ASSERT_TRUE(store.ReplacePairCode("a", "123456", now_ + 10min, now_));
    ASSERT_EQ(store.ClaimPairCode("b", "123456", now_, 10).result, ClaimResult::Claimed);
    ASSERT_TRUE(store.ReplacePairCode("lonely", "654321", now_ + 10min, now_));

    const DeviceExpiry expiry{std::chrono::hours(24 * 30), std::chrono::hours(24 * 400)};
    store.MarkSeen("active", now_ + std::chrono::hours(24 * 20));
    EXPECT_EQ(store.ExpireDevices(now_ + std::chrono::hours(24 * 31), expiry), 1u);
    EXPECT_FALSE(store.FindDevice("lonely")) << "no friends and not seen for a month";
    EXPECT_TRUE(store.FindDevice("active"));
    EXPECT_TRUE(store.AreFriends("a", "b")) << "devices with friends are kept longer";

    EXPECT_EQ(store.ExpireDevices(now_ + std::chrono::hours(24 * 401), expiry), 3u);
    EXPECT_FALSE(store.FindDevice("a")) << "not seen for more than a year";
    EXPECT_TRUE(store.FriendsOf("b").empty());
}

TEST(CredentialsTest, SecretsHaveTheirFormsAndDoNotRepeat) {
    std::set<std::string> tokens;
    std::set<std::string> codes;
    for (int i = 0; i < 200; ++i) {
        const std::string token = NewToken();
        EXPECT_TRUE(std::regex_match(token, std::regex("[0-9a-f]{64}")));
        tokens.insert(token);
        const std::string code = NewPairCode();
        EXPECT_TRUE(std::regex_match(code, std::regex("[0-9]{6}")));
        codes.insert(code);
    }
    EXPECT_EQ(tokens.size(), 200u);
    EXPECT_GT(codes.size(), 190u);
    EXPECT_TRUE(std::regex_match(NewDeviceId(), std::regex("[0-9a-f]{32}")));
}

}  // namespace
}  // namespace mossquill::service
