#include "service_clients.h"
#include "service_process.h"
#include "temporary_directory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <fstream>
#include <mutex>
#include <sys/wait.h>
#include <thread>

namespace mossquill::service::testing {
namespace {

using namespace std::chrono_literals;

TEST(ServiceProcessTest, SigtermClosesLiveSessionsAndARestartKeepsDevicesAndFriends) {
    TemporaryDirectory directory;
    const std::string database = directory.File("service.db");
    Device alice;
    Device bob;
    std::string pendingCode;
    {
        ServiceProcess service(database, directory.File("first.log"));
        alice = Register(service.Port(), "阿甲");
        bob = Register(service.Port(), "阿乙");
        ASSERT_EQ(HttpsRequest(service.Port(), "PATCH", "/v1/profile", R"({"appearance":3})", alice.Auth()).status,
                  200u);
        const std::string code = CreatePairCode(service.Port(), alice);
        ASSERT_EQ(
            HttpsRequest(service.Port(), "POST", "/v1/pair/claim", nlohmann::json{{"code", code}}.dump(), bob.Auth())
                .status,
            200u);
        pendingCode = CreatePairCode(service.Port(), bob);

        auto live = LiveClient::Connect(service.Port(), alice.Auth());
        ASSERT_TRUE(live);
        const int status = service.SignalAndWait(SIGTERM);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        EXPECT_EQ(live->WaitClosed(), 1001u) << "going away";
    }

    ServiceProcess restarted(database, directory.File("second.log"));
    EXPECT_EQ(FriendIds(restarted.Port(), alice), std::vector{bob.id});
    const HttpReply friends = HttpsRequest(restarted.Port(), "GET", "/v1/friends", "", bob.Auth());
    EXPECT_EQ(friends.Json()["friends"][0]["appearance"], 3);
    EXPECT_EQ(friends.Json()["friends"][0]["nickname"], "阿甲");

    const Device carol = Register(restarted.Port(), "阿丙");
    EXPECT_EQ(HttpsRequest(restarted.Port(), "POST", "/v1/pair/claim", nlohmann::json{{"code", pendingCode}}.dump(),
                           carol.Auth())
                  .status,
              200u)
        << "an unexpired code survives the restart";
}

TEST(ServiceProcessTest, HangupRereadsTheAnnouncementAndABrokenOneIsRefusedAtStart) {
    TemporaryDirectory directory;
    const std::string announcementFile = directory.File("announcement.json");
    const auto writeAnnouncement = [&](const std::string& id) {
        std::ofstream(announcementFile) << nlohmann::json{{"id", id},
                                                          {"title", "公告"},
                                                          {"message", "新版本来了"},
                                                          {"latest_version", "6.1.0"},
                                                          {"download_url", "https://example.invalid/"}};
    };
    const auto announcementId = [](unsigned short port, const Device& device) {
        auto live = LiveClient::Connect(port, device.Auth());
        const auto connected = live ? live->Next() : std::nullopt;
        return connected ? connected->at("announcement").at("id").get<std::string>() : std::string();
    };

    writeAnnouncement("first");
    ServiceProcess service(directory.File("service.db"), directory.File("service.log"),
                           {"--announcement", announcementFile});
    const Device device = Register(service.Port(), "甲");
    EXPECT_EQ(announcementId(service.Port(), device), "first");

    writeAnnouncement("second");
    service.Signal(SIGHUP);
    std::string seen;
    for (int attempt = 0; attempt < 100 && seen != "second"; ++attempt) {
        std::this_thread::sleep_for(20ms);
        seen = announcementId(service.Port(), device);
    }
    EXPECT_EQ(seen, "second");

    std::ofstream(announcementFile) << R"({"id":"","title":"t","message":"m","latest_version":"v","download_url":"u"})";
    service.Signal(SIGHUP);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(announcementId(service.Port(), device), "second") << "an unusable file keeps the old announcement";

    EXPECT_THROW(
        ServiceProcess(directory.File("other.db"), directory.File("broken.log"), {"--announcement", announcementFile}),
        std::runtime_error);
    EXPECT_NO_THROW(ServiceProcess(directory.File("example.db"), directory.File("example.log"),
                                   {"--announcement", MOSSQUILL_SERVICE_SOURCE_DIR "/announcement.example.json"}))
        << "the example in the source tree is usable";
}

// Claims run from several threads; the service is killed with SIGKILL while they run.
// Every claim that was answered 200 must be found after a restart.
TEST(ServiceProcessTest, KillDuringABurstOfClaimsLosesNoAcknowledgedFriendship) {
    constexpr int kPairs = 60;
    constexpr int kThreads = 4;
    TemporaryDirectory directory;
    const std::string database = directory.File("service.db");

    std::vector<Device> owners;
    std::vector<Device> claimers;
    std::vector<std::string> codes;
    auto service = std::make_unique<ServiceProcess>(database, directory.File("first.log"),
                                                    std::vector<std::string>{"--register-limit", "0"});
    const unsigned short port = service->Port();
    for (int i = 0; i < kPairs; ++i) {
        owners.push_back(Register(port, "主" + std::to_string(i)));
        claimers.push_back(Register(port, "客" + std::to_string(i)));
        codes.push_back(CreatePairCode(port, owners.back()));
    }

    std::mutex mutex;
    std::vector<int> acknowledged;
    std::atomic<int> next{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&] {
            for (int i = next++; i < kPairs; i = next++) {
                try {
                    const HttpReply reply = HttpsRequest(port, "POST", "/v1/pair/claim",
                                                         nlohmann::json{{"code", codes[i]}}.dump(), claimers[i].Auth());
                    if (reply.status == 200) {
                        const std::lock_guard lock(mutex);
                        acknowledged.push_back(i);
                    }
                } catch (const std::exception&) {
                    // The service is gone: this claim was never acknowledged.
                }
            }
        });
    }
    for (;;) {
        {
            const std::lock_guard lock(mutex);
            if (acknowledged.size() >= kPairs / 3) {
                break;
            }
        }
        std::this_thread::sleep_for(1ms);
    }
    service->SignalAndWait(SIGKILL);
    for (auto& worker : workers) {
        worker.join();
    }
    ASSERT_LT(acknowledged.size(), static_cast<std::size_t>(kPairs)) << "the kill came too late to prove anything";

    service = std::make_unique<ServiceProcess>(database, directory.File("second.log"));
    for (const int i : acknowledged) {
        EXPECT_EQ(FriendIds(service->Port(), claimers[i]), std::vector{owners[i].id}) << "pair " << i;
        EXPECT_EQ(FriendIds(service->Port(), owners[i]), std::vector{claimers[i].id}) << "pair " << i;
    }
    // Friendships are all or nothing: no device has a friend it did not pair with.
    for (int i = 0; i < kPairs; ++i) {
        const auto ids = FriendIds(service->Port(), claimers[i]);
        EXPECT_TRUE(ids.empty() || ids == std::vector{owners[i].id}) << "pair " << i;
    }
}

}  // namespace
}  // namespace mossquill::service::testing
