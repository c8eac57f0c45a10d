// Profile, pairing and friends: two devices registered with the real service rename, publish
// their appearance and become friends; the double supplies the answers the service never gives.
#include "online/online_client.h"
#include "online/identity_registry.h"
#include "text/wide_text.h"
#include "online_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class ProfileAndFriends : public ::testing::Test {
protected:
    void SetUp() override {
        ClearSettingsKey();
        ResetDouble();
    }

    // A device registered with the real service whose friend lists are collected.
    struct Device {
        OnlineClient client;
        std::vector<std::vector<OnlineFriend>> deliveries;
    };
    std::unique_ptr<Device> Registered(const std::wstring& name) {
        auto device = std::make_unique<Device>();
        std::wstring error;
        EXPECT_TRUE(device->client.Register(name, &error)) << WideToUtf8(error);
        device->client.InstallCallbacks({.onFriends = [raw = device.get()](const std::vector<OnlineFriend>& list,
                                                                           bool) { raw->deliveries.push_back(list); }});
        return device;
    }
    // Two devices that became friends through a pairing code.
    void Pair(Device& owner, Device& claimer) { ASSERT_EQ(WideToUtf8(PairDevices(owner.client, claimer.client)), ""); }
    // How `viewer` sees its friend `friendDevice` after a fresh friend list.
    OnlineFriend SeenBy(Device& viewer, Device& friendDevice) {
        std::wstring error;
        EXPECT_TRUE(viewer.client.RefreshFriends(&error)) << WideToUtf8(error);
        for (const OnlineFriend& entry : viewer.deliveries.back()) {
            if (entry.id == friendDevice.client.Identity().deviceId) return entry;
        }
        ADD_FAILURE() << "friend missing";
        return {};
    }
};

// A client of the double with a made-up identity.
std::unique_ptr<OnlineClient> DoubleClient() {
    auto client = std::make_unique<OnlineClient>(MakeHosts(kDoubleHost, kDoubleHost));
    client->SetIdentity({L"dev-d", L"替身", FakeToken()});
    return client;
}

TEST_F(ProfileAndFriends, PairingCodeMakesTwoDevicesFriendsOnce) {
    auto owner = Registered(L"阿大");
    auto claimer = Registered(L"阿二");
    std::wstring code;
    std::wstring error;
    ASSERT_TRUE(owner->client.CreatePairCode(code, &error)) << WideToUtf8(error);
    EXPECT_EQ(code.size(), 6u);
    EXPECT_EQ(code.find_first_not_of(L"0123456789"), std::wstring::npos) << WideToUtf8(code);

    EXPECT_FALSE(owner->client.ClaimPairCode(code, &error));
    EXPECT_EQ(error, L"这是你自己的配对码，请把它告诉好友。");
    EXPECT_FALSE(claimer->client.ClaimPairCode(L"12a456", &error));
    EXPECT_EQ(error, L"配对码应为 6 位数字。");

    // A successful claim fetches the list once and hands it over.
    ASSERT_TRUE(claimer->client.ClaimPairCode(code, &error)) << WideToUtf8(error);
    ASSERT_EQ(claimer->deliveries.size(), 1u);
    ASSERT_EQ(claimer->deliveries[0].size(), 1u);
    const OnlineFriend& seen = claimer->deliveries[0][0];
    EXPECT_EQ(seen.id, owner->client.Identity().deviceId);
    EXPECT_EQ(seen.nickname, L"阿大");
    EXPECT_FALSE(seen.online);
    EXPECT_EQ(seen.appearance, 0);
    EXPECT_EQ(SeenBy(*owner, *claimer).nickname, L"阿二");

    EXPECT_FALSE(claimer->client.ClaimPairCode(code, &error));
    EXPECT_EQ(error, L"配对码无效或已过期。");
    EXPECT_EQ(claimer->deliveries.size(), 1u);
}

TEST_F(ProfileAndFriends, NicknameChangeIsStoredAndSeenByFriends) {
    auto renamed = Registered(L"旧名字");
    auto watcher = Registered(L"观察者");
    Pair(*renamed, *watcher);
    std::wstring error;
    ASSERT_TRUE(renamed->client.SetNickname(L"新名字", &error)) << WideToUtf8(error);
    EXPECT_EQ(renamed->client.Identity().nickname, L"新名字");
    OnlineClient reloaded;
    reloaded.LoadIdentity();
    EXPECT_EQ(reloaded.Identity().nickname, L"新名字");
    EXPECT_EQ(SeenBy(*watcher, *renamed).nickname, L"新名字");

    EXPECT_FALSE(renamed->client.SetNickname(L"", &error));
    EXPECT_EQ(error, L"昵称不能为空。");
    EXPECT_EQ(renamed->client.Identity().nickname, L"新名字");
    reloaded.LoadIdentity();
    EXPECT_EQ(reloaded.Identity().nickname, L"新名字");

    OnlineClient anonymous;
    EXPECT_FALSE(anonymous.SetNickname(L"无名", &error));
    EXPECT_EQ(error, L"这台电脑还没有联机身份。");
}

TEST_F(ProfileAndFriends, OnlyStatus200ChangesTheNickname) {
    auto owned = DoubleClient();
    OnlineClient& client = *owned;
    std::wstring error;
    ScriptDouble(500, "Internal Server Error");
    EXPECT_FALSE(client.SetNickname(L"改名", &error));
    EXPECT_EQ(error, L"暂时无法修改昵称。（HTTP 500）");
    ScriptDouble(204, "");
    EXPECT_FALSE(client.SetNickname(L"改名", &error));
    EXPECT_EQ(error, L"暂时无法修改昵称。（HTTP 204）");
    EXPECT_EQ(client.Identity().nickname, L"替身");
    ScriptDouble(200, "not even json");
    EXPECT_TRUE(client.SetNickname(L"改名", &error));
    EXPECT_EQ(client.Identity().nickname, L"改名");
}

TEST_F(ProfileAndFriends, AppearanceIsPublishedClampedAndSeenByFriends) {
    auto owned = DoubleClient();
    OnlineClient& client = *owned;
    client.SetAppearance(7);
    const std::string sent = LastDoubleRequest();
    EXPECT_EQ(sent.rfind("PATCH /v1/profile HTTP/1.1\r\n", 0), 0u) << sent;
    EXPECT_NE(sent.find("\r\nX-Mossquill-Device: dev-d\r\n"), std::string::npos) << sent;
    EXPECT_EQ(sent.substr(sent.size() - 16), "{\"appearance\":3}");
    client.SetAppearance(-2);
    const std::string clamped = LastDoubleRequest();
    EXPECT_EQ(clamped.substr(clamped.size() - 16), "{\"appearance\":0}");

    auto dressed = Registered(L"换装");
    auto watcher = Registered(L"看客");
    Pair(*dressed, *watcher);
    dressed->client.SetAppearance(7);
    EXPECT_EQ(SeenBy(*watcher, *dressed).appearance, 3);
    dressed->client.SetAppearance(2);
    EXPECT_EQ(SeenBy(*watcher, *dressed).appearance, 2);
    dressed->client.SetAppearance(-2);
    EXPECT_EQ(SeenBy(*watcher, *dressed).appearance, 0);
}

TEST_F(ProfileAndFriends, PairCodeAnswersWithoutAUsableCodeAreRefused) {
    auto owned = DoubleClient();
    OnlineClient& client = *owned;
    const struct {
        unsigned status;
        const char* body;
        const wchar_t* text;
    } cases[] = {
        {200, "{\"code\":\"\"}", L"服务没有返回配对码。"},
        {200, "{\"code\":123}", L"服务没有返回配对码。"},
        {200, "{}", L"服务没有返回配对码。"},
        {200, "{\"code\":\"123456\"", L"服务返回了无法识别的数据。"},
        {201, "{\"code\":\"123456\"}", L"暂时无法生成配对码。（HTTP 201）"},
        {503, "{\"message\":\"暂时无法生成配对码，请稍后再试。\"}", L"暂时无法生成配对码，请稍后再试。"},
    };
    for (const auto& answer : cases) {
        ScriptDouble(answer.status, answer.body);
        std::wstring code = L"unchanged";
        std::wstring error;
        EXPECT_FALSE(client.CreatePairCode(code, &error)) << answer.body;
        EXPECT_EQ(error, answer.text) << answer.body;
        EXPECT_EQ(code, L"unchanged");
    }
}

TEST_F(ProfileAndFriends, ARemovalNamesTheFriendInOnePathSegmentAndShowsARefusal) {
    auto owned = DoubleClient();
    OnlineClient& client = *owned;
    std::wstring error;
    ScriptDouble(404, "{\"message\":\"对方不在你的好友列表里。\"}");
    EXPECT_FALSE(client.RemoveFriend(L"a/b c?好", &error));
    EXPECT_EQ(error, L"对方不在你的好友列表里。");
    const std::string sent = LastDoubleRequest();
    EXPECT_EQ(sent.substr(0, sent.find("\r\n")), "DELETE /v1/friends/a%2Fb%20c%3F%E5%A5%BD HTTP/1.1");
}

TEST_F(ProfileAndFriends, AClaimStaysSuccessfulWhenTheFollowingRefreshFails) {
    auto owned = DoubleClient();
    OnlineClient& client = *owned;
    int deliveries = 0;
    client.InstallCallbacks({.onFriends = [&](const std::vector<OnlineFriend>&, bool) { ++deliveries; }});
    std::wstring error;
    ScriptDouble(200, "{\"friend\":{}}");
    ScriptDouble(500, "{\"message\":\"坏了\"}");
    EXPECT_TRUE(client.ClaimPairCode(L"000123", &error));
    EXPECT_EQ(deliveries, 0);
    ScriptDouble(404, "{\"message\":\"配对码无效或已过期。\"}");
    EXPECT_FALSE(client.ClaimPairCode(L"000123", &error));
    EXPECT_EQ(error, L"配对码无效或已过期。");
    ScriptDouble(409, "");
    EXPECT_FALSE(client.ClaimPairCode(L"000123", &error));
    EXPECT_EQ(error, L"暂时无法添加好友。（HTTP 409）");
}

TEST_F(ProfileAndFriends, RefreshDeliversTheListWithoutHoldingTheLock) {
    auto owned = DoubleClient();
    OnlineClient& client = *owned;
    std::vector<std::vector<OnlineFriend>> deliveries;
    // The callback may call back into the client: the lock must not be held around it.
    client.InstallCallbacks({.onFriends = [&](const std::vector<OnlineFriend>& list, bool) {
        EXPECT_TRUE(client.HasCompleteIdentity());
        deliveries.push_back(list);
    }});
    std::wstring error;
    ScriptDouble(200, "{}");
    EXPECT_TRUE(client.RefreshFriends(&error));
    ScriptDouble(200, "{\"friends\":{\"id\":\"a\"}}");
    EXPECT_TRUE(client.RefreshFriends(&error));
    ASSERT_EQ(deliveries.size(), 2u);
    EXPECT_TRUE(deliveries[0].empty());
    EXPECT_TRUE(deliveries[1].empty());

    ScriptDouble(200, "{\"friends\":[]");
    EXPECT_FALSE(client.RefreshFriends(&error));
    EXPECT_EQ(error, L"服务返回了无法识别的数据。");
    ScriptDouble(201, "{\"friends\":[]}");
    EXPECT_FALSE(client.RefreshFriends(&error));
    EXPECT_EQ(error, L"暂时无法读取好友列表。（HTTP 201）");
    EXPECT_EQ(deliveries.size(), 2u);
}

std::vector<OnlineFriend> Parse(const std::string& json) {
    JsonValue root;
    EXPECT_TRUE(ParseJson(json, root)) << json;
    return ParseFriendList(&root);
}

TEST(ParseFriendList, KeepsOrderAndDuplicatesAndDropsEntriesWithoutIdOrNickname) {
    const auto friends = Parse(R"([
        {"id":"a","nickname":"","online":true}, 7, "b", null, [],
        {"nickname":"no id"}, {"id":"c"}, {"id":"d","nickname":5}, {"id":"e","nickname":"\u00e9\ud83d\ude00"},
        {"id":"f","nickname":"n"}, {"id":"f","nickname":"n"}, {"id":"g","nickname":"\udc00"}])");
    ASSERT_EQ(friends.size(), 3u);
    EXPECT_EQ(friends[0].id, L"e");
    EXPECT_EQ(friends[0].nickname, L"\u00e9\U0001F600");
    EXPECT_EQ(friends[1].id, L"f");
    EXPECT_EQ(friends[2].id, L"f");
    EXPECT_TRUE(Parse("{\"friends\":[]}").empty());
    EXPECT_TRUE(ParseFriendList(nullptr).empty());
}

TEST(ParseFriendList, OnlineOnlyForTheLiteralTrue) {
    const auto friends = Parse(R"([{"id":"1","nickname":"n","online":true}, {"id":"2","nickname":"n","online":1},
        {"id":"3","nickname":"n","online":"true"}, {"id":"4","nickname":"n"}, {"id":"5","nickname":"n","online":false}])");
    ASSERT_EQ(friends.size(), 5u);
    EXPECT_TRUE(friends[0].online);
    for (std::size_t i = 1; i < friends.size(); ++i)
        EXPECT_FALSE(friends[i].online) << i;
}

TEST(ReadAppearance, TruncatesClampsAndTurnsEverythingElseToZero) {
    const struct {
        const char* json;
        int appearance;
    } cases[] = {{"2.9", 2},   {"0.5", 0},  {"-1", 0},         {"4", 3},          {"1e20", 0},       {"-1e20", 0},
                 {"\"2\"", 0}, {"true", 0}, {"null", 0},       {"3", 3},          {"1", 1},          {"-0.9", 0},
                 {"3.99", 3},  {"1.5", 1},  {"2147483647", 3}, {"2147483648", 0}, {"-2147483648", 0}};
    for (const auto& value : cases) {
        JsonValue parsed;
        ASSERT_TRUE(ParseJson(value.json, parsed)) << value.json;
        EXPECT_EQ(ReadAppearance(&parsed), value.appearance) << value.json;
    }
    EXPECT_EQ(ReadAppearance(nullptr), 0);
    const auto missing = Parse(R"([{"id":"a","nickname":"n"}])");
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_EQ(missing[0].appearance, 0);
    EXPECT_FALSE(missing[0].online);
}

}  // namespace
