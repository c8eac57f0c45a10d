#include "online/exclusive_lock.h"
#include "online/identity_registry.h"
#include "text/json.h"
#include "online/online_client.h"
#include "online/operation_failure.h"
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
    ExclusiveLock hold(lock_);
    return !identity_.deviceId.empty() && !identity_.nickname.empty() && identity_.token.size() == kTokenLength;
}

DeviceIdentity OnlineClient::Identity() {
    ExclusiveLock hold(lock_);
    return identity_;
}

void OnlineClient::SetIdentity(DeviceIdentity identity) {
    ExclusiveLock hold(lock_);
    identity_ = std::move(identity);
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
    if (response.status != 200 && response.status != 201) {
        return FailWith(errorOut, DescribeFailure(response, L"暂时无法注册咕噜兽联机身份。"));
    }
    JsonValue root;
    if (!ParseJson(response.body, root)) return FailWith(errorOut, L"服务返回了无法识别的数据。");
    const JsonValue* device = root.FindMember("device");
    if (!device || device->kind != JsonKind::Object) return FailWith(errorOut, L"服务没有返回设备身份。");

    std::wstring issuedId = Utf8ToWide(device->GetString("id"));
    std::wstring issuedNickname = Utf8ToWide(device->GetString("nickname"));
    std::wstring issuedToken = Utf8ToWide(device->GetString("token"));
    if (issuedId.empty() || issuedNickname.empty() || issuedToken.size() != kTokenLength ||
        !FitsInHeaderLine(issuedId) || !FitsInHeaderLine(issuedToken)) {
        return FailWith(errorOut, L"服务返回的设备身份不完整。");
    }
    if (!WriteIdentityString(kNetworkDeviceIdValue, issuedId) ||
        !WriteIdentityString(kNetworkNicknameValue, issuedNickname) || !WriteProtectedToken(issuedToken)) {
        return FailWith(errorOut, L"无法在这台电脑上保存联机身份。");
    }
    SetIdentity({std::move(issuedId), std::move(issuedNickname), std::move(issuedToken)});
    return true;
}
