#include "http/http_api.h"
#include "core/metrics.h"
#include "live/session_directory.h"
#include "manual_clock.h"
#include "temporary_directory.h"
#include "test_database.h"

#include <gtest/gtest.h>

namespace mossquill::service {
namespace {

using namespace std::chrono_literals;

// The API on a real database, without sockets.
class CredentialCacheTest : public ::testing::Test {
protected:
    ApiResponse Call(std::string_view method, std::string_view target, std::string_view token,
                     std::string_view body = "") {
        return CallOn(api_, method, target, token, body);
    }

    ApiResponse CallOn(HttpApi& api, std::string_view method, std::string_view target, std::string_view token,
                       std::string_view body = "") {
        const std::string authorization = "Bearer " + std::string(token);
        return api.Handle(
            {method, target, kApplicationKey, deviceId_, authorization, "application/json", body, "192.0.2.7"});
    }

    void Register() {
        const ApiResponse registered = api_.Handle(
            {"POST", "/v1/register", kApplicationKey, "", "", "application/json", R"({"nickname":"甲"})", "192.0.2.7"});
        ASSERT_EQ(registered.status, 201u);
        const nlohmann::json device = nlohmann::json::parse(registered.body)["device"];
        deviceId_ = device["id"];
        token_ = device["token"];
    }

    testing::TemporaryDirectory directory_;
    std::string databaseName_ = testing::TestDatabase(directory_);
    std::unique_ptr<Store> store_ = OpenStore(databaseName_);
    testing::ManualClock clock_;
    ServiceLimits limits_;
    LoneInstance lone_;
    LiveRelay relay_{clock_, limits_, std::nullopt, lone_, SlidingWindowLimiter::Factory()};
    HttpApi api_{*store_, clock_, limits_, relay_, SlidingWindowLimiter::Factory()};
    std::string deviceId_;
    std::string token_;
};

TEST_F(CredentialCacheTest, VerifiedDevicesAreRecognisedFromMemoryUntilTheyAreGone) {
    Register();
    const std::uint64_t cachedBefore = Metrics().credentialsCached.Value();
    EXPECT_EQ(Call("GET", "/v1/friends", token_).status, 200u);
    EXPECT_EQ(Call("POST", "/v1/pair/create", token_).status, 200u);
    EXPECT_EQ(Metrics().credentialsCached.Value(), cachedBefore + 2) << "no database read to check them";

    std::string wrong = token_;
    wrong.back() = wrong.back() == '0' ? '1' : '0';
    EXPECT_EQ(Call("GET", "/v1/friends", wrong).status, 401u) << "a wrong token is never accepted from memory";

    // Another instance on the same database renames the device; a rename back here is
    // compared with what is stored, not with what this instance remembers.
    const std::unique_ptr<Store> otherStore = OpenStore(databaseName_);
    HttpApi other{*otherStore, clock_, limits_, relay_, SlidingWindowLimiter::Factory()};
    EXPECT_EQ(CallOn(other, "PATCH", "/v1/profile", token_, R"({"nickname":"乙"})").status, 200u);
    EXPECT_EQ(Call("PATCH", "/v1/profile", token_, R"({"nickname":"甲"})").status, 200u);
    EXPECT_EQ(otherStore->FindDevice(deviceId_)->nickname, "甲");

    clock_.Advance(2s);
    EXPECT_EQ(api_.ExpireDevices(clock_.Now(), {1s, 1s}), 1u);
    const ApiResponse expired = Call("GET", "/v1/friends", token_);
    EXPECT_EQ(expired.status, 401u) << "an expired device's credentials stop working at once";
}

}  // namespace
}  // namespace mossquill::service
