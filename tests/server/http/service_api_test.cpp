#include "in_process_service.h"
#include "service_clients.h"
#include "core/texts.h"

#include <gtest/gtest.h>

#include <regex>

namespace mossquill::service::testing {
namespace {

using namespace std::chrono_literals;

class ServiceApiTest : public ::testing::Test {
protected:
    unsigned short Port() const { return service_->Port(); }

    HttpReply Claim(const Device& device, std::string_view code) {
        return HttpsRequest(Port(), "POST", "/v1/pair/claim", nlohmann::json{{"code", code}}.dump(), device.Auth());
    }

    std::unique_ptr<InProcessService> service_ = std::make_unique<InProcessService>();
};

TEST_F(ServiceApiTest, RegistrationIssuesADistinctIdentityWithA64CharacterToken) {
    const HttpReply reply = HttpsRequest(Port(), "POST", "/v1/register", R"({"nickname":"  咕噜兽  "})");
    ASSERT_EQ(reply.status, 201u) << reply.body;
    const auto device = reply.Json().at("device");
    EXPECT_EQ(device.at("nickname"), "咕噜兽");
    EXPECT_TRUE(std::regex_match(device.at("token").get<std::string>(), std::regex("[0-9a-f]{64}")));
    EXPECT_FALSE(device.at("id").get<std::string>().empty());

    const Device other = Register(Port(), "咕噜兽");
    EXPECT_NE(other.id, device.at("id"));
    EXPECT_NE(other.token, device.at("token"));
}

TEST_F(ServiceApiTest, RegistrationRefusesBadNicknames) {
    const std::string thirteen = "一二三四五六七八九十一二三";
    const struct {
        std::string body;
        std::string_view message;
    } cases[] = {
        {R"({})", texts::kNicknameMissing},
        {R"({"nickname":5})", texts::kNicknameMissing},
        {R"({"nickname":" \u3000 "})", texts::kNicknameEmpty},
        {R"({"nickname":"a\u0007b"})", texts::kNicknameControl},
        {R"({"nickname":")" + thirteen + R"("})", texts::kNicknameTooLong},
    };
    for (const auto& example : cases) {
        const HttpReply reply = HttpsRequest(Port(), "POST", "/v1/register", example.body);
        EXPECT_EQ(reply.status, 400u) << example.body;
        EXPECT_EQ(reply.Message(), example.message) << example.body;
    }
    EXPECT_EQ(Register(Port(), thirteen.substr(0, thirteen.size() - 3)).nickname.size(), 36u);
}

TEST_F(ServiceApiTest, RefusesWrongKeysIdentitiesMethodsAndPaths) {
    const Device device = Register(Port(), "甲");

    RequestHeaders wrongKey = device.Auth();
    wrongKey.appKey = std::string(kApplicationKey.substr(1)) + "0";
    HttpReply reply = HttpsRequest(Port(), "GET", "/v1/friends", "", wrongKey);
    EXPECT_EQ(reply.status, 403u);
    EXPECT_EQ(reply.Message(), texts::kWrongAppKey);
    wrongKey.appKey.clear();
    EXPECT_EQ(HttpsRequest(Port(), "POST", "/v1/register", R"({"nickname":"x"})", wrongKey).status, 403u);

    RequestHeaders wrongToken = device.Auth();
    wrongToken.token[10] = wrongToken.token[10] == 'a' ? 'b' : 'a';
    RequestHeaders unknownDevice = device.Auth();
    unknownDevice.deviceId = "0123456789abcdef0123456789abcdef";
    RequestHeaders shortToken = device.Auth();
    shortToken.token.pop_back();
    RequestHeaders noIdentity;
    for (const auto& headers : {wrongToken, unknownDevice, shortToken, noIdentity}) {
        reply = HttpsRequest(Port(), "GET", "/v1/friends", "", headers);
        EXPECT_EQ(reply.status, 401u);
        EXPECT_EQ(reply.Message(), texts::kBadIdentity);
    }

    reply = HttpsRequest(Port(), "GET", "/v1/register", "", device.Auth());
    EXPECT_EQ(reply.status, 405u);
    EXPECT_EQ(reply.Message(), texts::kMethodNotAllowed);
    reply = HttpsRequest(Port(), "GET", "/v1/nothing", "", device.Auth());
    EXPECT_EQ(reply.status, 404u);
    EXPECT_EQ(reply.Message(), texts::kNotFound);
    reply = HttpsRequest(Port(), "GET", "/v1/ws", "", device.Auth());
    EXPECT_EQ(reply.status, 426u);
    EXPECT_EQ(reply.Message(), texts::kWebSocketRequired);
}

TEST_F(ServiceApiTest, RefusesMalformedAndOversizedBodies) {
    const Device device = Register(Port(), "甲");
    const struct {
        std::string body;
        unsigned status;
        std::string_view message;
    } cases[] = {
        {R"({"nickname":)", 400, texts::kInvalidJson},
        {R"({"nickname":"a","nickname":"b"})", 400, texts::kInvalidJson},
        {"{\"nickname\":\"\xC0\xAF\"}", 400, texts::kInvalidUtf8},
        {"{\"nickname\":\"\xED\xA0\x80\"}", 400, texts::kInvalidUtf8},
        {R"({"nickname":"\ud800"})", 400, texts::kInvalidJson},
        {R"(["nickname"])", 400, texts::kNotJsonObject},
        {std::string(20, '[') + std::string(20, ']'), 400, texts::kInvalidJson},
        {R"({"nickname":")" + std::string(9000, 'a') + R"("})", 413, texts::kBodyTooLarge},
    };
    for (const auto& example : cases) {
        const HttpReply reply = HttpsRequest(Port(), "PATCH", "/v1/profile", example.body, device.Auth());
        EXPECT_EQ(reply.status, example.status) << example.body.substr(0, 40);
        EXPECT_EQ(reply.Message(), example.message) << example.body.substr(0, 40);
    }

    RequestHeaders textBody = device.Auth();
    textBody.contentType = "text/plain";
    const HttpReply reply = HttpsRequest(Port(), "PATCH", "/v1/profile", R"({"appearance":1})", textBody);
    EXPECT_EQ(reply.status, 415u);
    EXPECT_EQ(reply.Message(), texts::kNotJsonContent);

    const std::string garbage = RawHttpsExchange(Port(), "NOT HTTP AT ALL\r\n\r\n");
    EXPECT_NE(garbage.find("400"), std::string::npos);
    const std::string hugeHeader =
        RawHttpsExchange(Port(), "GET /v1/friends HTTP/1.1\r\nX-Filler: " + std::string(10000, 'x') + "\r\n\r\n");
    EXPECT_NE(hugeHeader.find("431"), std::string::npos);
    EXPECT_EQ(HttpsRequest(Port(), "GET", "/v1/friends", "", device.Auth()).status, 200u);
}

TEST_F(ServiceApiTest, ProfileChangesNicknameAndAppearanceWithinTheirRanges) {
    const Device device = Register(Port(), "甲");
    const Device friendDevice = Register(Port(), "乙");
    ASSERT_EQ(Claim(friendDevice, CreatePairCode(Port(), device)).status, 200u);

    HttpReply reply =
        HttpsRequest(Port(), "PATCH", "/v1/profile", R"({"nickname":"新名字","appearance":2})", device.Auth());
    ASSERT_EQ(reply.status, 200u) << reply.body;
    reply = HttpsRequest(Port(), "GET", "/v1/friends", "", friendDevice.Auth());
    EXPECT_EQ(reply.Json()["friends"][0]["nickname"], "新名字");
    EXPECT_EQ(reply.Json()["friends"][0]["appearance"], 2);
    EXPECT_EQ(reply.Json()["friends"][0]["online"], false);

    for (const char* body :
         {R"({"appearance":4})", R"({"appearance":-1})", R"({"appearance":1.5})", R"({"appearance":"2"})"}) {
        reply = HttpsRequest(Port(), "PATCH", "/v1/profile", body, device.Auth());
        EXPECT_EQ(reply.status, 400u) << body;
        EXPECT_EQ(reply.Message(), texts::kAppearanceInvalid) << body;
    }
    reply = HttpsRequest(Port(), "PATCH", "/v1/profile", R"({"nickname":"","appearance":3})", device.Auth());
    EXPECT_EQ(reply.Message(), texts::kNicknameEmpty);
    reply = HttpsRequest(Port(), "PATCH", "/v1/profile", R"({"other":1})", device.Auth());
    EXPECT_EQ(reply.Message(), texts::kProfileEmpty);

    reply = HttpsRequest(Port(), "GET", "/v1/friends", "", friendDevice.Auth());
    EXPECT_EQ(reply.Json()["friends"][0]["appearance"], 2) << "a refused change must change nothing";
}

TEST_F(ServiceApiTest, PairingCodesAreSixDigitsOneTimeAndReplacedByANewerOne) {
    const Device owner = Register(Port(), "甲");
    const Device claimer = Register(Port(), "乙");
    const Device late = Register(Port(), "丙");

    const std::string first = CreatePairCode(Port(), owner);
    EXPECT_TRUE(std::regex_match(first, std::regex("[0-9]{6}")));
    std::string second = CreatePairCode(Port(), owner);
    while (second == first) {
        second = CreatePairCode(Port(), owner);
    }
    HttpReply reply = Claim(claimer, first);
    EXPECT_EQ(reply.status, 404u);
    EXPECT_EQ(reply.Message(), texts::kCodeInvalid);

    reply = Claim(owner, second);
    EXPECT_EQ(reply.status, 409u);
    EXPECT_EQ(reply.Message(), texts::kOwnCode);

    reply = Claim(claimer, second);
    ASSERT_EQ(reply.status, 200u) << reply.body;
    EXPECT_EQ(reply.Json()["friend"]["id"], owner.id);
    EXPECT_EQ(FriendIds(Port(), claimer), std::vector{owner.id});
    EXPECT_EQ(FriendIds(Port(), owner), std::vector{claimer.id});

    reply = Claim(late, second);
    EXPECT_EQ(reply.status, 404u) << "a code works once";

    reply = Claim(claimer, CreatePairCode(Port(), owner));
    EXPECT_EQ(reply.status, 409u);
    EXPECT_EQ(reply.Message(), texts::kAlreadyFriends);

    for (const char* code : {"12345", "1234567", "12a456", ""}) {
        reply = Claim(late, code);
        EXPECT_EQ(reply.status, 400u) << code;
        EXPECT_EQ(reply.Message(), texts::kCodeFormat);
    }
    reply = HttpsRequest(Port(), "POST", "/v1/pair/claim", R"({"code":123456})", late.Auth());
    EXPECT_EQ(reply.Message(), texts::kCodeFormat);
}

TEST_F(ServiceApiTest, PairingCodesExpireAfterTenMinutes) {
    const Device owner = Register(Port(), "甲");
    const Device claimer = Register(Port(), "乙");
    const Device other = Register(Port(), "丙");

    const std::string code = CreatePairCode(Port(), owner);
    service_->Clock().Advance(10min - 1s);
    ASSERT_EQ(Claim(claimer, code).status, 200u);

    const std::string expiring = CreatePairCode(Port(), owner);
    service_->Clock().Advance(10min);
    const HttpReply reply = Claim(other, expiring);
    EXPECT_EQ(reply.status, 404u);
    EXPECT_EQ(reply.Message(), texts::kCodeInvalid);
}

TEST(ServiceLimitsTest, FailedClaimsAreLimitedPerDeviceAndOverall) {
    ServiceLimits limits;
    limits.claimFailuresPerDevice = 3;
    limits.claimFailuresOverall = 5;
    InProcessService service(limits);
    const unsigned short port = service.Port();
    const Device walker = Register(port, "甲");
    const Device helper = Register(port, "乙");
    const Device honest = Register(port, "丙");

    const auto claim = [&](const Device& device, const std::string& code) {
        return HttpsRequest(port, "POST", "/v1/pair/claim", nlohmann::json{{"code", code}}.dump(), device.Auth());
    };
    const std::string code = CreatePairCode(port, honest);
    const std::string wrong = code == "000000" ? "000001" : "000000";

    for (int attempt = 0; attempt < 3; ++attempt) {
        EXPECT_EQ(claim(walker, wrong).status, 404u);
    }
    HttpReply reply = claim(walker, code);
    EXPECT_EQ(reply.status, 429u) << "even the right code is refused once the device is blocked";
    EXPECT_EQ(reply.Message(), texts::kTooManyAttempts);

    EXPECT_EQ(claim(helper, wrong).status, 404u);
    EXPECT_EQ(claim(helper, wrong).status, 404u);
    EXPECT_EQ(claim(helper, code).status, 429u) << "five failures overall block every device";

    service.Clock().Advance(limits.claimWindow);
    const std::string fresh = CreatePairCode(port, honest);
    EXPECT_EQ(claim(walker, fresh).status, 200u) << "the window has passed";
}

TEST(ServiceLimitsTest, ProfileChangesAndNewCodesAreLimitedPerDevice) {
    ServiceLimits limits;
    limits.changesPerDevice = 3;
    InProcessService service(limits);
    const Device busy = Register(service.Port(), "甲");
    const Device calm = Register(service.Port(), "乙");
    for (const char* body : {R"({"appearance":1})", R"({"appearance":0})"}) {
        EXPECT_EQ(HttpsRequest(service.Port(), "PATCH", "/v1/profile", body, busy.Auth()).status, 200u);
    }
    CreatePairCode(service.Port(), busy);
    HttpReply reply = HttpsRequest(service.Port(), "POST", "/v1/pair/create", "{}", busy.Auth());
    EXPECT_EQ(reply.status, 429u);
    EXPECT_EQ(reply.Message(), texts::kTooManyChanges);
    reply = HttpsRequest(service.Port(), "PATCH", "/v1/profile", R"({"appearance":1})", busy.Auth());
    EXPECT_EQ(reply.status, 429u);
    EXPECT_EQ(HttpsRequest(service.Port(), "GET", "/v1/friends", "", busy.Auth()).status, 200u) << "reading is free";
    EXPECT_NO_THROW(CreatePairCode(service.Port(), calm)) << "limits are per device";
    service.Clock().Advance(1min);
    EXPECT_NO_THROW(CreatePairCode(service.Port(), busy));
}

TEST(ServiceLimitsTest, RegistrationsAreLimitedPerAddress) {
    ServiceLimits limits;
    limits.registrationsPerAddress = 2;
    InProcessService service(limits);
    Register(service.Port(), "一");
    Register(service.Port(), "二");
    const HttpReply reply = HttpsRequest(service.Port(), "POST", "/v1/register", R"({"nickname":"三"})");
    EXPECT_EQ(reply.status, 429u);
    EXPECT_EQ(reply.Message(), texts::kTooManyRegistrations);
    service.Clock().Advance(10min);
    EXPECT_NO_THROW(Register(service.Port(), "三"));
}

}  // namespace
}  // namespace mossquill::service::testing
