#include "online/exclusive_lock.h"
#include "online/online_client.h"
#include "online/request_headers.h"
#include "online/service_session.h"
#include "online/winhttp_handle.h"

#include <winhttp.h>

namespace {

constexpr int kReceiveTimeoutMs = 12000;

std::wstring LastErrorText() { return WinHttpErrorText(GetLastError()); }

// Appends the body to the response until the server has sent all of it.
void ReadBody(HINTERNET request, ServiceResponse& response) {
    for (;;) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request, &available)) {
            response.error = L"读取联机响应失败：" + LastErrorText();
            return;
        }
        if (available == 0) return;
        if (response.body.size() + available > kMaxResponseBodyBytes) {
            response.error = L"读取联机响应失败：" + WinHttpErrorText(ERROR_WINHTTP_RESPONSE_DRAIN_OVERFLOW);
            return;
        }
        std::string chunk(available, '\0');
        DWORD read = 0;
        if (!WinHttpReadData(request, chunk.data(), available, &read)) {
            response.error = L"读取联机响应失败：" + LastErrorText();
            return;
        }
        response.body.append(chunk.data(), read);
    }
}

}  // namespace

OnlineClient::OnlineClient(const ServiceHosts& hosts) : hosts_(hosts) {}

ServiceResponse OnlineClient::RequestOnce(std::size_t hostIndex, const std::wstring& method, const std::wstring& path,
                                          const std::string& body, bool authenticated) {
    ServiceResponse response;
    std::wstring requestDeviceId;
    std::wstring requestToken;
    if (authenticated) {
        {
            ExclusiveLock hold(lock_);
            requestDeviceId = identity_.deviceId;
            requestToken = identity_.token;
        }
        if (requestDeviceId.empty() || requestToken.empty()) {
            response.error = L"这台电脑还没有联机身份。";
            return response;
        }
    }

    WinHttpHandle session = OpenServiceSession(kReceiveTimeoutMs);
    if (!session) {
        response.error = L"无法初始化网络：" + LastErrorText();
        return response;
    }
    WinHttpHandle connection(WinHttpConnect(session.get(), hosts_[hostIndex].name, kServicePort, 0));
    if (!connection) {
        response.error = L"无法连接联机服务：" + LastErrorText();
        return response;
    }
    WinHttpHandle request(WinHttpOpenRequest(connection.get(), method.c_str(), path.c_str(), nullptr,
                                             WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE));
    if (!request) {
        response.error = L"无法创建网络请求：" + LastErrorText();
        return response;
    }

    const std::wstring headers = BuildRequestHeaders(authenticated, requestDeviceId, requestToken);
    const auto bodyLength = static_cast<DWORD>(body.size());
    void* optional = body.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(body.data());
    if (!WinHttpSendRequest(request.get(), headers.c_str(), static_cast<DWORD>(-1L), optional, bodyLength, bodyLength,
                            0) ||
        !WinHttpReceiveResponse(request.get(), nullptr)) {
        response.error = L"联机请求失败：" + LastErrorText();
        return response;
    }

    DWORD status = 0;
    DWORD statusSize = sizeof(status);
    if (WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize, WINHTTP_NO_HEADER_INDEX)) {
        response.status = status;
    }
    ReadBody(request.get(), response);
    return response;
}

ServiceResponse OnlineClient::Request(const std::wstring& method, const std::wstring& path, const std::string& body,
                                      bool authenticated) {
    const bool gatewayFirst = hostPreference_.load() == kPreferGatewayHost;
    const std::size_t first = gatewayFirst ? kGatewayHostIndex : kRelayHostIndex;
    const std::size_t second = gatewayFirst ? kRelayHostIndex : kGatewayHostIndex;

    ServiceResponse firstResponse = RequestOnce(first, method, path, body, authenticated);
    if (firstResponse.status != 0) {
        hostPreference_.exchange(HostPreferenceFor(first));
        return firstResponse;
    }
    ServiceResponse secondResponse = RequestOnce(second, method, path, body, authenticated);
    if (secondResponse.status != 0) {
        hostPreference_.exchange(HostPreferenceFor(second));
        return secondResponse;
    }
    return secondResponse.error.empty() ? firstResponse : secondResponse;
}
