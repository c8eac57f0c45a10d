#include "online/exclusive_lock.h"
#include "online/identity_registry.h"
#include "text/json.h"
#include "online/online_client.h"
#include "online/operation_failure.h"
#include "online/service_bounds.h"
#include "text/wide_text.h"

#include <algorithm>

namespace {

// The device id and token travel as header lines: a control character in them would break the
// header block apart, so an identity carrying one is treated as unusable.
bool FitsInHeaderLine(const std::wstring& text) {
    return std::none_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x20 || c == 0x7F; });
}

}  // namespace

bool OnlineClient::HasCompleteIdentity() {
    ExclusiveLock hold(state_->lock);
    return !state_->identity.deviceId.empty() && !state_->identity.nickname.empty() &&
           state_->identity.token.size() == kTokenLength;
}

DeviceIdentity OnlineClient::Identity() {
    ExclusiveLock hold(state_->lock);
    return state_->identity;
}

void OnlineClient::SetIdentity(DeviceIdentity identity) {
    ExclusiveLock hold(state_->lock);
    state_->identity = std::move(identity);
}

void OnlineClient::LoadIdentity() {
    auto storedId = ReadIdentityString(kNetworkDeviceIdValue);
    if (!storedId || !FitsInHeaderLine(*storedId)) return;
    auto storedNickname = ReadIdentityString(kNetworkNicknameValue);
    if (!storedNickname) return;
    auto storedToken = ReadProtectedToken();
    if (!storedToken || !FitsInHeaderLine(*storedToken)) return;
    SetIdentity({std::move(*storedId), std::move(*storedNickname), std::move(*storedToken)});
}

bool OnlineClient::Register(const std::wstring& requestedNickname, std::wstring* errorOut) {
    const std::string body = "{\"nickname\":\"" + EscapeJsonString(requestedNickname) + "\"}";
    const ServiceResponse response = Request(L"POST", L"/v1/register", body, false);
    if (!response.Answered(200) && !response.Answered(201)) {
        return FailWith(errorOut, DescribeFailure(response, L"暂时无法注册咕噜兽联机身份。"));
    }
    JsonValue root;
    if (!ParseJson(response.body, root)) return FailWith(errorOut, L"服务返回了无法识别的数据。");
    const JsonValue* device = root.FindMember("device");
    if (!device || device->kind != JsonKind::Object) return FailWith(errorOut, L"服务没有返回设备身份。");

    // Checked whole before anything is stored: a nickname the service would refuse from us, or
    // an id it could not have issued, says the answer is broken.
    std::wstring issuedId = ReadDeviceId(*device).value_or(L"");
    std::wstring issuedNickname = Utf8ToWide(device->GetString("nickname"));
    std::wstring issuedToken = Utf8ToWide(device->GetString("token"));
    if (issuedId.empty() || issuedNickname.empty() || issuedNickname.size() > kMaxNicknameCharacters ||
        issuedToken.size() != kTokenLength || !FitsInHeaderLine(issuedId) || !FitsInHeaderLine(issuedNickname) ||
        !FitsInHeaderLine(issuedToken)) {
        return FailWith(errorOut, L"服务返回的设备身份不完整。");
    }
    if (!WriteIdentityString(kNetworkDeviceIdValue, issuedId) ||
        !WriteIdentityString(kNetworkNicknameValue, issuedNickname) || !WriteProtectedToken(issuedToken)) {
        return FailWith(errorOut, L"无法在这台电脑上保存联机身份。");
    }
    SetIdentity({std::move(issuedId), std::move(issuedNickname), std::move(issuedToken)});
    return true;
}
