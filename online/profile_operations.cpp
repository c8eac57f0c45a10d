#include "online/exclusive_lock.h"
#include "online/identity_registry.h"
#include "online/json.h"
#include "online/online_client.h"
#include "online/operation_failure.h"
#include "online/service_bounds.h"
#include "online/wide_text.h"

#include <algorithm>

namespace {

bool IsPairingCode(const std::wstring& code) {
    return code.size() == kPairingCodeDigits &&
           std::all_of(code.begin(), code.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

}  // namespace

bool OnlineClient::SetNickname(const std::wstring& newNickname, std::wstring* errorOut) {
    const std::string body = "{\"nickname\":\"" + EscapeJsonString(newNickname) + "\"}";
    const ServiceResponse response = Request(L"PATCH", L"/v1/profile", body, true);
    if (response.status != 200) return FailWith(errorOut, DescribeFailure(response, L"暂时无法修改昵称。"));
    {
        ExclusiveLock hold(state_->lock);
        state_->identity.nickname = newNickname;
    }
    WriteIdentityString(kNetworkNicknameValue, newNickname);
    return true;
}

void OnlineClient::SetAppearance(int appearance) {
    const int published = std::clamp(appearance, 0, 3);
    Request(L"PATCH", L"/v1/profile", "{\"appearance\":" + std::to_string(published) + "}", true);
}

bool OnlineClient::CreatePairCode(std::wstring& codeOut, std::wstring* errorOut) {
    const ServiceResponse response = Request(L"POST", L"/v1/pair/create", "{}", true);
    if (!response.Answered(200)) return FailWith(errorOut, DescribeFailure(response, L"暂时无法生成配对码。"));
    JsonValue root;
    if (!ParseJson(response.body, root)) return FailWith(errorOut, L"服务返回了无法识别的数据。");
    std::wstring code = Utf8ToWide(root.GetString("code"));
    if (code.empty()) return FailWith(errorOut, L"服务没有返回配对码。");
    if (!IsPairingCode(code)) return FailWith(errorOut, L"服务返回的配对码不是 6 位数字。");
    codeOut = std::move(code);
    return true;
}

bool OnlineClient::ClaimPairCode(const std::wstring& code, std::wstring* errorOut) {
    const std::string body = "{\"code\":\"" + EscapeJsonString(code) + "\"}";
    const ServiceResponse response = Request(L"POST", L"/v1/pair/claim", body, true);
    if (response.status != 200) return FailWith(errorOut, DescribeFailure(response, L"暂时无法添加好友。"));
    RefreshFriends(nullptr);
    return true;
}

bool OnlineClient::RefreshFriends(std::wstring* errorOut) {
    const ServiceResponse response = Request(L"GET", L"/v1/friends", std::string(), true);
    if (!response.Answered(200)) return FailWith(errorOut, DescribeFailure(response, L"暂时无法读取好友列表。"));
    JsonValue root;
    if (!ParseJson(response.body, root)) return FailWith(errorOut, L"服务返回了无法识别的数据。");
    const std::vector<OnlineFriend> friends = ParseFriendList(root.FindMember("friends"));
    Deliver(&SessionCallbacks::onFriends, friends);
    return true;
}
