// The request layer: fixed headers on the wire, status and body reading, failover between the
// two hosts with the remembered preference, and the texts a failure turns into.
#include "online/online_client.h"
#include "text/wide_text.h"
#include "online_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

const std::string kAppKeyLine =
    "X-Mossquill-App-Key: 5d3b8e0f71a24c96b0e7d14f2a9c63e85b07f1d2c4a98e360f5b12d7e4c9a0b6\r\n";
const std::string kContentTypeLine = "Content-Type: application/json; charset=utf-8\r\n";
const std::wstring kNoSuchPathText = L"没有这个联机接口。";

class RequestLayer : public ::testing::Test {
protected:
    void SetUp() override { ResetDouble(); }
};

void GiveIdentity(OnlineClient& client, const std::wstring& id, const std::wstring& token) {
    client.SetIdentity({id, L"咕咕", token});
}

TEST_F(RequestLayer, SendsTheFixedHeadersInOrderWithAndWithoutIdentity) {
    OnlineClient client(MakeHosts(kDoubleHost, kDoubleHost));
    GiveIdentity(client, L"dev-7", FakeToken(L'c'));
    const ServiceResponse signedCall = client.Request(L"PATCH", L"/echo/profile", "{\"a\":\"咕\"}", true);
    ASSERT_EQ(signedCall.status, 200u) << WideToUtf8(signedCall.error);
    const std::string& wire = signedCall.body;
    EXPECT_EQ(wire.rfind("PATCH /echo/profile HTTP/1.1\r\n", 0), 0u) << wire;
    EXPECT_NE(wire.find("\r\nUser-Agent: MossquillDesktopPet/6.0\r\n"), std::string::npos) << wire;
    EXPECT_NE(wire.find(kAppKeyLine + kContentTypeLine + "X-Mossquill-Device: dev-7\r\nAuthorization: Bearer " +
                        std::string(64, 'c') + "\r\n"),
              std::string::npos)
        << wire;
    EXPECT_NE(wire.find("\r\nContent-Length: 11\r\n"), std::string::npos) << wire;
    EXPECT_EQ(wire.substr(wire.size() - 15), "\r\n\r\n{\"a\":\"咕\"}") << wire;

    const ServiceResponse plainGet = client.Request(L"GET", L"/echo/friends", std::string(), false);
    ASSERT_EQ(plainGet.status, 200u);
    EXPECT_NE(plainGet.body.find("\r\n" + kAppKeyLine + kContentTypeLine), std::string::npos) << plainGet.body;
    EXPECT_EQ(plainGet.body.find("X-Mossquill-Device"), std::string::npos) << plainGet.body;
    EXPECT_EQ(plainGet.body.find("Authorization"), std::string::npos) << plainGet.body;
    EXPECT_EQ(plainGet.body.substr(plainGet.body.size() - 4), "\r\n\r\n") << plainGet.body;
}

TEST_F(RequestLayer, ReadsStatusAndBodyExactlyAndStopsAtTheSizeLimit) {
    OnlineClient client(MakeHosts(kDoubleHost, kDoubleHost));
    const std::string rawBody = "{\"message\":\"\xE5\x92\x95\"}\x00\xFF tail"s;
    ScriptDouble(418, rawBody);
    ServiceResponse odd = client.Request(L"POST", L"/anything", "{}", false);
    EXPECT_EQ(odd.status, 418u);
    EXPECT_EQ(odd.body, rawBody);
    EXPECT_EQ(odd.error, L"");

    ScriptDouble(200, "0123456789abcdef", 40000);  // 640,000 bytes arrive in many pieces
    ServiceResponse large = client.Request(L"GET", L"/v1/friends", std::string(), false);
    EXPECT_EQ(large.status, 200u);
    EXPECT_EQ(large.error, L"");
    ASSERT_EQ(large.body.size(), 640000u);
    EXPECT_EQ(large.body.substr(639984), "0123456789abcdef");

    ScriptDouble(200, "x", static_cast<int>(kMaxResponseBodyBytes) + 1);
    ServiceResponse endless = client.Request(L"GET", L"/v1/friends", std::string(), false);
    EXPECT_EQ(endless.status, 200u);
    EXPECT_LE(endless.body.size(), kMaxResponseBodyBytes);
    EXPECT_EQ(endless.error, L"读取联机响应失败：Windows 错误 12184");
}

TEST_F(RequestLayer, ABodyThatStopsArrivingEndsAfterTheReceiveTimeOutKeepingWhatCame) {
    OnlineClient client(MakeHosts(kDoubleHost, kDoubleHost));
    ScriptDouble(kStallInBody, "{\"friends\":[]}    ");
    const ULONGLONG start = GetTickCount64();
    const ServiceResponse response = client.RequestOnce(kRelayHostIndex, L"GET", L"/v1/friends", std::string(), false);
    const ULONGLONG waited = GetTickCount64() - start;
    EXPECT_EQ(response.status, 200u);
    EXPECT_EQ(response.body, "{\"friends");
    // The code is the platform's (a WinHTTP time-out on Windows, a socket time-out under Wine).
    EXPECT_EQ(response.error.rfind(L"读取联机响应失败：Windows 错误 ", 0), 0u) << WideToUtf8(response.error);
    EXPECT_GE(waited, 11500u);
    EXPECT_LT(waited, 20000u);
}

TEST_F(RequestLayer, TriesTheRelayFirstUnlessTheGatewayAnsweredLast) {
    // The real service on the gateway answers 404 to an unknown path; the double on the relay
    // echoes the request, so every answer names the host that gave it.
    OnlineClient client(MakeHosts(kGatewayHost, kDoubleHost));
    EXPECT_EQ(client.Request(L"GET", L"/v1/unknown", std::string(), false).status, 200u);
    EXPECT_EQ(client.HostPreference(), kPreferRelayHost);

    client.SetHostPreference(kPreferGatewayHost);
    ResetDouble();
    const ServiceResponse fromGateway = client.Request(L"GET", L"/v1/unknown", std::string(), false);
    EXPECT_EQ(fromGateway.status, 404u);
    EXPECT_EQ(DescribeFailure(fromGateway, L"暂时无法读取好友列表。"), kNoSuchPathText);
    EXPECT_EQ(client.HostPreference(), kPreferGatewayHost);
    EXPECT_EQ(LastDoubleRequest(), "") << "an answered request must not fail over";

    client.SetHostPreference(kPreferRelayHost);
    EXPECT_EQ(client.Request(L"GET", L"/v1/unknown", std::string(), false).status, 200u);
    EXPECT_NE(LastDoubleRequest(), "");
}

TEST_F(RequestLayer, ANotFoundFromTheFirstHostIsReturnedWithoutFailover) {
    OnlineClient client(MakeHosts(kDoubleHost, kRelayHost));
    const ServiceResponse response = client.Request(L"POST", L"/v1/nothing-here", "{}", false);
    EXPECT_EQ(response.status, 404u);
    EXPECT_EQ(response.error, L"");
    EXPECT_EQ(DescribeFailure(response, L"暂时无法添加好友。"), kNoSuchPathText);
    EXPECT_EQ(client.HostPreference(), kPreferRelayHost);
    EXPECT_EQ(LastDoubleRequest(), "");
}

TEST_F(RequestLayer, FailsOverWhenTheFirstHostRefusesOrHangsUpAndRemembersTheOther) {
    OnlineClient refused(MakeHosts(kGatewayHost, kDownHost));
    const ServiceResponse registered = refused.Request(L"POST", L"/v1/register", "{\"nickname\":\"阿咕\"}", false);
    EXPECT_EQ(registered.status, 201u) << WideToUtf8(registered.error);
    EXPECT_NE(registered.body.find("\"token\""), std::string::npos) << registered.body;
    EXPECT_EQ(refused.HostPreference(), kPreferGatewayHost);

    // The relay accepts the connection and closes it without an answer: no status, so the
    // gateway answers; from then on the gateway comes first and the relay is not asked at all.
    OnlineClient hungUp(MakeHosts(kGatewayHost, kDoubleHost));
    ScriptDouble(kHangUp, "");
    EXPECT_EQ(hungUp.Request(L"GET", L"/v1/unknown", std::string(), false).status, 404u);
    EXPECT_EQ(hungUp.HostPreference(), kPreferGatewayHost);
    const std::string hangUpRequest = LastDoubleRequest();
    EXPECT_NE(hangUpRequest, "");
    EXPECT_EQ(hungUp.Request(L"GET", L"/v1/unknown", std::string(), false).status, 404u);
    EXPECT_EQ(LastDoubleRequest(), hangUpRequest);
}

TEST_F(RequestLayer, BothHostsDownGiveTheSecondHostsTextAndKeepThePreference) {
    // The stranger name reaches the double, whose certificate does not carry it: a TLS failure.
    OnlineClient client(MakeHosts(kStrangerHost, kDownHost));
    const ServiceResponse relayLast = [&] {
        client.SetHostPreference(kPreferGatewayHost);
        return client.Request(L"GET", L"/v1/friends", std::string(), false);
    }();
    EXPECT_EQ(relayLast.status, 0u);
    EXPECT_EQ(relayLast.error, L"联机请求失败：Windows 错误 12029");
    EXPECT_EQ(client.HostPreference(), kPreferGatewayHost);

    client.SetHostPreference(kNoHostPreference);
    const ServiceResponse gatewayLast = client.Request(L"GET", L"/v1/friends", std::string(), false);
    EXPECT_EQ(gatewayLast.status, 0u);
    EXPECT_EQ(gatewayLast.error, L"联机请求失败：Windows 错误 12157");
    EXPECT_EQ(client.HostPreference(), kNoHostPreference);
    EXPECT_EQ(DescribeFailure(gatewayLast, L"暂时无法读取好友列表。"), gatewayLast.error);
}

TEST_F(RequestLayer, AnAuthenticatedCallWithoutIdentityMakesNoConnection) {
    OnlineClient client(MakeHosts(kDoubleHost, kDoubleHost));
    const auto expectRefusedLocally = [&](const char* situation) {
        const ServiceResponse response = client.Request(L"GET", L"/v1/friends", std::string(), true);
        EXPECT_EQ(response.status, 0u) << situation;
        EXPECT_EQ(response.error, L"这台电脑还没有联机身份。") << situation;
        EXPECT_EQ(response.body, "") << situation;
        EXPECT_EQ(LastDoubleRequest(), "") << situation;
        EXPECT_EQ(client.HostPreference(), kNoHostPreference) << situation;
    };
    expectRefusedLocally("no identity");
    GiveIdentity(client, L"dev-1", L"");
    expectRefusedLocally("no token");
    GiveIdentity(client, L"", FakeToken());
    expectRefusedLocally("no device id");
}

TEST(DescribeFailure, PrefersTheServersMessageThenTheTransportTextThenTheFallbackWithStatus) {
    const std::wstring fallback = L"暂时无法修改昵称。";
    EXPECT_EQ(DescribeFailure({400, "{\"message\":\"昵称不能为空。\"}", L""}, fallback), L"昵称不能为空。");
    EXPECT_EQ(DescribeFailure({0, "{\"message\":\"x\"}", L"联机请求失败：Windows 错误 12029"}, fallback), L"x");
    EXPECT_EQ(DescribeFailure({500, "{}", L""}, fallback), L"暂时无法修改昵称。（HTTP 500）");
    EXPECT_EQ(DescribeFailure({500, "Internal Server Error", L""}, fallback), L"暂时无法修改昵称。（HTTP 500）");
    EXPECT_EQ(DescribeFailure({502, "{\"message\":\"\"}", L""}, fallback), L"暂时无法修改昵称。（HTTP 502）");
    EXPECT_EQ(DescribeFailure({502, "{\"message\":7}", L""}, fallback), L"暂时无法修改昵称。（HTTP 502）");
    EXPECT_EQ(DescribeFailure({502, "{\"message\":\"\xE4\"}", L""}, fallback), L"暂时无法修改昵称。（HTTP 502）");
    EXPECT_EQ(DescribeFailure({502, "[{\"message\":\"x\"}]", L""}, fallback), L"暂时无法修改昵称。（HTTP 502）");
    EXPECT_EQ(DescribeFailure({200, "{\"mes", L"读取联机响应失败：Windows 错误 12002"}, fallback),
              L"读取联机响应失败：Windows 错误 12002");

    // A message of any length from the service is cut for its message box.
    std::string endless = "{\"message\":\"";
    for (int i = 0; i < 5000; ++i)
        endless += "咕";
    const std::wstring bounded = DescribeFailure({400, endless + "\"}", L""}, fallback);
    EXPECT_EQ(bounded, std::wstring(200, L'咕') + L"…");
}

TEST(WinHttpErrorText, SystemTextTrimmedOrTheCodeInDecimal) {
    EXPECT_EQ(WinHttpErrorText(12029), L"Windows 错误 12029");
    EXPECT_EQ(WinHttpErrorText(4294967295ul), L"Windows 错误 4294967295");
    const std::wstring accessDenied = WinHttpErrorText(ERROR_ACCESS_DENIED);
    ASSERT_FALSE(accessDenied.empty());
    EXPECT_EQ(accessDenied.rfind(L"Windows 错误", 0), std::wstring::npos) << WideToUtf8(accessDenied);
    EXPECT_EQ(std::wstring(L"\r\n ").find(accessDenied.back()), std::wstring::npos) << WideToUtf8(accessDenied);
}

}  // namespace
