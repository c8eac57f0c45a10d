#include "in_process_service.h"
#include "service_clients.h"
#include "test_database.h"
#include "core/texts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace mossquill::service::testing {
namespace {

// Stops or starts the test PostgreSQL server (see tests/server/with-postgresql).
void Server(const char* ctl, const std::string& action) {
    ASSERT_EQ(std::system((std::string(ctl) + " " + action).c_str()), 0) << action;
}

TEST(StorageOutageTest, WhilePostgresqlIsAwayRequestsAreToldToWaitAndNothingCommittedIsLost) {
    const char* ctl = std::getenv("MOSSQUILL_TEST_POSTGRESQL_CTL");
    if (!TestsUsePostgres() || ctl == nullptr) {
        GTEST_SKIP() << "needs the test PostgreSQL server";
    }
    InProcessService service;
    const unsigned short port = service.Port();
    const Device a = Register(port, "甲");
    const Device b = Register(port, "乙");
    const std::string code = CreatePairCode(port, a);
    ASSERT_EQ(HttpsRequest(port, "POST", "/v1/pair/claim", nlohmann::json{{"code", code}}.dump(), b.Auth()).status,
              200u);
    auto liveA = ConnectLive(port, a);

    Server(ctl, "stop");
    const HttpReply write = HttpsRequest(port, "PATCH", "/v1/profile", R"({"nickname":"改名"})", a.Auth());
    EXPECT_EQ(write.status, 503u);
    EXPECT_EQ(write.Message(), texts::kStorageUnavailable);
    EXPECT_EQ(HttpsRequest(port, "GET", "/v1/friends", "", b.Auth()).status, 503u) << "the next one at once";
    EXPECT_EQ(liveA->WaitClosed(std::chrono::milliseconds(300)), std::nullopt) << "open sessions stay open";

    Server(ctl, "start");
    // The service reconnects by itself; a pause between attempts keeps the first try short.
    HttpReply friends;
    for (int attempt = 0; attempt < 30 && friends.status != 200u; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        friends = HttpsRequest(port, "GET", "/v1/friends", "", b.Auth());
    }
    ASSERT_EQ(friends.status, 200u) << "recovered without a restart";
    ASSERT_EQ(friends.Json()["friends"].size(), 1u) << "the friendship committed before the outage is there";
    EXPECT_EQ(friends.Json()["friends"][0]["nickname"], "甲") << "the refused change was not half made";
    EXPECT_EQ(HttpsRequest(port, "PATCH", "/v1/profile", R"({"nickname":"改名"})", a.Auth()).status, 200u);
}

}  // namespace
}  // namespace mossquill::service::testing
