#include "in_process_service.h"
#include "service_clients.h"
#include "test_database.h"
#include "core/texts.h"

#include "support/poll_until.h"

#include <sqlite3.h>

#include <future>
#include <thread>

#include <gtest/gtest.h>

namespace mossquill::service::testing {
namespace {

// These stories break an SQLite file from outside.
class StorageFailureTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (TestsUsePostgres()) {
            GTEST_SKIP() << "breaks the SQLite file";
        }
    }
};

// Breaks the running service's database from outside, as a damaged disk would.
void DropTable(const std::string& databaseFile, const std::string& table) {
    sqlite3* database = nullptr;
    ASSERT_EQ(sqlite3_open(databaseFile.c_str(), &database), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(database, ("DROP TABLE " + table).c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(database);
}

TEST_F(StorageFailureTest, AFailingDatabaseIsReportedAndTheServiceGoesOn) {
    InProcessService service;
    const Device device = Register(service.Port(), "甲");
    DropTable(service.DatabaseFile(), "pair_codes");

    const HttpReply reply = HttpsRequest(service.Port(), "POST", "/v1/pair/create", "{}", device.Auth());
    EXPECT_EQ(reply.status, 500u);
    EXPECT_EQ(reply.Message(), texts::kInternalError);
    EXPECT_EQ(HttpsRequest(service.Port(), "GET", "/v1/friends", "", device.Auth()).status, 200u);

    DropTable(service.DatabaseFile(), "friendships");
    // The friends are read with the credentials, before the upgrade is answered.
    EXPECT_FALSE(LiveClient::Connect(service.Port(), device.Auth())) << "the upgrade is refused with 500";
    EXPECT_NO_THROW(Register(service.Port(), "乙")) << "the service itself keeps running";
}

TEST_F(StorageFailureTest, HealthCheckAnswersWithoutKeyFromMemoryAndReportsABrokenDatabase) {
    using namespace std::chrono_literals;
    InProcessService service;
    RequestHeaders loadBalancer;
    loadBalancer.appKey.clear();
    const auto health = [&] { return HttpsRequest(service.Port(), "GET", "/v1/health", "", loadBalancer); };
    const HttpReply healthy = health();
    EXPECT_EQ(healthy.status, 200u);
    EXPECT_EQ(healthy.Json()["status"], "ok");

    // Another writer holds the database: a registration waits for it on the storage
    // thread, and the load balancer is answered all the same, from the last check.
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(service.DatabaseFile().c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    auto registration = std::async(std::launch::async, [&] {
        return HttpsRequest(service.Port(), "POST", "/v1/register", R"({"nickname":"甲"})").status;
    });
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(health().status, 200u);
    EXPECT_EQ(registration.wait_for(0s), std::future_status::timeout) << "answered while storage was busy";
    sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    EXPECT_EQ(registration.get(), 201u);

    DropTable(service.DatabaseFile(), "devices");
    EXPECT_TRUE(PollUntil(
        5s, [&] { return health().status == 500u; }, 200ms))
        << "checked again in the background";
}

TEST_F(StorageFailureTest, FailingWorkAfterACommitLeavesTheSuccessStanding) {
    InProcessService service;
    const Device device = Register(service.Port(), "甲");
    // The friends cannot be read for the notice that follows the change.
    DropTable(service.DatabaseFile(), "friendships");

    const HttpReply reply =
        HttpsRequest(service.Port(), "PATCH", "/v1/profile", R"({"nickname":"新名字","appearance":2})", device.Auth());
    EXPECT_EQ(reply.status, 200u) << "a retry of a committed change would only fail";

    sqlite3* database = nullptr;
    ASSERT_EQ(sqlite3_open(service.DatabaseFile().c_str(), &database), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(database, "SELECT nickname, appearance FROM devices WHERE id = ?1", -1, &statement, nullptr);
    sqlite3_bind_text(statement, 1, device.id.c_str(), -1, SQLITE_TRANSIENT);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)), "新名字");
    EXPECT_EQ(sqlite3_column_int(statement, 1), 2);
    sqlite3_finalize(statement);
    sqlite3_close(database);
}

}  // namespace
}  // namespace mossquill::service::testing
