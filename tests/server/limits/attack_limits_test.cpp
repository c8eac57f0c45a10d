#include "in_process_service.h"
#include "service_clients.h"
#include "core/metrics.h"
#include "core/texts.h"

#include <gtest/gtest.h>

namespace mossquill::service::testing {
namespace {

using namespace std::chrono_literals;

// The service sees these as two networks: 127.0.0.0/24 (the attacker's) and 127.1.0.0/24.
constexpr const char* kOtherNetwork = "127.1.0.1";

std::string AttackerAddress(int host) { return "127.0.0." + std::to_string(2 + host); }

RequestHeaders From(const Device& device, const std::string& source) {
    RequestHeaders headers = device.Auth();
    headers.source = source;
    return headers;
}

HttpReply Claim(unsigned short port, const RequestHeaders& headers, std::string_view code) {
    return HttpsRequest(port, "POST", "/v1/pair/claim", nlohmann::json{{"code", code}}.dump(), headers);
}

// A code nobody holds: the service's codes are drawn at random, this one is checked.
std::string UnusedCode(const std::string& taken, int attempt) {
    std::string code = std::to_string(100000 + attempt);
    return code == taken ? "999999" : code;
}

TEST(AttackLimitsTest, AClaimFloodFromOneNetworkLeavesOtherNetworksAbleToClaim) {
    ServiceLimits limits;
    limits.claimFailuresPerDevice = 4;
    limits.claimFailuresPerNewDevice = 2;
    limits.claimFailuresPerIpv4Network = 6;
    InProcessService service(limits);
    const unsigned short port = service.Port();
    const Device owner = Register(port, "主人");
    const std::string code = CreatePairCode(port, owner);

    // Fresh devices from many addresses of one network guess codes until refused.
    int attempts = 0;
    int refusals = 0;
    for (int host = 0; host < 6; ++host) {
        const Device guesser = Register(port, "猜" + std::to_string(host));
        for (int guess = 0; guess < 3; ++guess) {
            const HttpReply reply = Claim(port, From(guesser, AttackerAddress(host)), UnusedCode(code, attempts++));
            if (reply.status == 429) {
                EXPECT_EQ(reply.Message(), texts::kTooManyAttempts);
                ++refusals;
            } else {
                EXPECT_EQ(reply.status, 404u);
            }
        }
    }
    EXPECT_EQ(attempts - refusals, 6) << "the network's budget, new devices two tries each";

    const Device neighbour = Register(port, "邻居");
    EXPECT_EQ(Claim(port, From(neighbour, AttackerAddress(9)), code).status, 429u)
        << "the flooding network stays blocked, even with the right code";
    const Device elsewhere = Register(port, "别处");
    const HttpReply accepted = Claim(port, From(elsewhere, kOtherNetwork), code);
    EXPECT_EQ(accepted.status, 200u) << accepted.body;
    EXPECT_EQ(FriendIds(port, owner), std::vector{elsewhere.id});

    // A day later the window is over and the device no longer counts as new.
    service.Clock().Advance(25h);
    const Device settled = Register(port, "老用户");
    service.Clock().Advance(25h);
    for (int guess = 0; guess < 4; ++guess) {
        EXPECT_EQ(Claim(port, From(settled, kOtherNetwork), UnusedCode(code, guess)).status, 404u);
    }
    EXPECT_EQ(Claim(port, From(settled, kOtherNetwork), "000000").status, 429u);
}

TEST(AttackLimitsTest, AFloodOverManyNetworksSpendsEachOnesDailyBudgetAndSparesTheOthers) {
    const ServiceLimits limits;  // as deployed
    InProcessService service(limits);
    const unsigned short port = service.Port();
    const Device owner = Register(port, "主人");
    const std::string code = CreatePairCode(port, owner);

    // Fresh devices, as many guesses each as a new device has, from three /24s until refused.
    int attempt = 0;
    for (const std::string network : {"127.2.0.", "127.2.1.", "127.2.2."}) {
        std::size_t failures = 0;
        for (int host = 1, status = 0; status != 429 && host < 20; ++host) {
            const Device guesser = Register(port, "猜");
            for (std::size_t guess = 0; guess < limits.claimFailuresPerNewDevice && status != 429; ++guess) {
                status = Claim(port, From(guesser, network + std::to_string(host)), UnusedCode(code, attempt++)).status;
                failures += status == 404 ? 1 : 0;
            }
        }
        EXPECT_EQ(failures, limits.claimFailuresPerIpv4Network) << network;
        EXPECT_EQ(Claim(port, From(Register(port, "邻"), network + "250"), code).status, 429u) << "even the right code";
    }

    // Elsewhere, a user mistypes twice and then types the code right.
    const Device friendly = Register(port, "好友");
    for (int typo = 0; typo < 2; ++typo) {
        EXPECT_EQ(Claim(port, From(friendly, "127.3.0.1"), UnusedCode(code, typo)).status, 404u);
    }
    const HttpReply accepted = Claim(port, From(friendly, "127.3.0.1"), code);
    EXPECT_EQ(accepted.status, 200u) << accepted.body;
}

TEST(AttackLimitsTest, IdentityProbesFromOneNetworkDoNotLockOutAnother) {
    ServiceLimits limits;
    limits.authFailuresPerPrefix = 3;
    limits.friendListReadsPerDevice = 3;
    InProcessService service(limits);
    const unsigned short port = service.Port();
    const Device device = Register(port, "甲");

    RequestHeaders probe = From(device, AttackerAddress(0));
    for (int guess = 0; guess < 3; ++guess) {
        probe.token = std::string(63, 'a') + std::to_string(guess);
        EXPECT_EQ(HttpsRequest(port, "GET", "/v1/friends", "", probe).status, 401u);
    }
    probe.token = std::string(64, 'b');
    EXPECT_EQ(HttpsRequest(port, "GET", "/v1/friends", "", probe).status, 429u)
        << "the probing network's further failures are refused";
    const std::uint64_t cachedBefore = Metrics().credentialsCached.Value();
    EXPECT_EQ(HttpsRequest(port, "GET", "/v1/friends", "", From(device, AttackerAddress(1))).status, 200u)
        << "a device that proves itself is not refused for its neighbours' failures";
    EXPECT_EQ(Metrics().credentialsCached.Value(), cachedBefore + 1)
        << "nor does proving itself cost a database read while the probes do";

    EXPECT_EQ(HttpsRequest(port, "GET", "/v1/friends", "", From(device, kOtherNetwork)).status, 200u);
    EXPECT_EQ(HttpsRequest(port, "GET", "/v1/friends", "", From(device, kOtherNetwork)).status, 200u);
    const HttpReply tooOften = HttpsRequest(port, "GET", "/v1/friends", "", From(device, kOtherNetwork));
    EXPECT_EQ(tooOften.status, 429u) << "friend-list reads per device are bounded";
    EXPECT_EQ(tooOften.Message(), texts::kTooManyChanges);
}

TEST(AttackLimitsTest, RegistrationsAreBoundedPerNetwork) {
    ServiceLimits limits;
    limits.registrationsPerAddress = 1;  // so ten per network
    InProcessService service(limits);
    const auto registerFrom = [&](const std::string& source) {
        RequestHeaders headers;
        headers.source = source;
        return HttpsRequest(service.Port(), "POST", "/v1/register", R"({"nickname":"注册"})", headers).status;
    };
    for (int host = 0; host < 10; ++host) {
        EXPECT_EQ(registerFrom(AttackerAddress(host)), 201u);
    }
    EXPECT_EQ(registerFrom(AttackerAddress(10)), 429u) << "a new address in the same network";
    EXPECT_EQ(registerFrom(kOtherNetwork), 201u);
}

}  // namespace
}  // namespace mossquill::service::testing
