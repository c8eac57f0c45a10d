#include "online/exclusive_lock.h"
#include "online/online_client.h"
#include "online/request_headers.h"
#include "online/service_session.h"
#include "online/winhttp_handle.h"

#include <winhttp.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

namespace {

constexpr int kReceiveTimeoutMs = 12000;
// A call normally ends at its deadline by itself, with its own failure text; only one that does
// not is given up, this much later.
constexpr ULONGLONG kGivenUpGraceMs = 1000;
// A call given up keeps its thread until the service lets go, which a hostile one never does:
// once this many call threads run, a further call fails at once rather than start another.
constexpr int kMaxCallThreads = 2;

std::wstring TimedOutText() { return L"联机请求失败：" + WinHttpErrorText(ERROR_WINHTTP_TIMEOUT); }

std::wstring LastErrorText() { return WinHttpErrorText(GetLastError()); }

ULONGLONG Remaining(ULONGLONG deadline) {
    const ULONGLONG now = GetTickCount64();
    return now < deadline ? deadline - now : 0;
}

int Capped(int timeoutMs, ULONGLONG remaining) {
    return static_cast<int>(std::min<ULONGLONG>(static_cast<ULONGLONG>(timeoutMs), remaining));
}

// WinHTTP's time-outs count per step; they are cut to what is left of the call's deadline before
// every step, so that a service trickling its answer cannot stretch the call.
bool LimitToDeadline(HINTERNET request, ULONGLONG deadline) {
    const ULONGLONG remaining = Remaining(deadline);
    if (remaining == 0) {
        SetLastError(ERROR_WINHTTP_TIMEOUT);
        return false;
    }
    return WinHttpSetTimeouts(request, Capped(kResolveTimeoutMs, remaining), Capped(kConnectTimeoutMs, remaining),
                              Capped(kSendTimeoutMs, remaining), Capped(kReceiveTimeoutMs, remaining)) != FALSE;
}

// Appends the body to the response until the server has sent all of it.
void ReadBody(HINTERNET request, ULONGLONG deadline, ServiceResponse& response) {
    for (;;) {
        DWORD available = 0;
        if (!LimitToDeadline(request, deadline) || !WinHttpQueryDataAvailable(request, &available)) {
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

OnlineClient::OnlineClient(const ServiceHosts& hosts) : state_(std::make_shared<State>(hosts)) {}

OnlineClient::OnlineClient(std::shared_ptr<State> state, std::shared_ptr<Run> run)
    : state_(std::move(state)), run_(std::move(run)), view_(true) {}

HINTERNET OnlineClient::HostConnection(std::size_t hostIndex, std::wstring& errorOut) {
    std::lock_guard hold(state_->hostsMutex);
    WinHttpHandle& session = state_->hostSessions[hostIndex];
    if (!session) {
        session = OpenServiceSession(kReceiveTimeoutMs);
        if (!session) {
            errorOut = L"无法初始化网络：" + LastErrorText();
            return nullptr;
        }
    }
    WinHttpHandle& connection = state_->hostConnections[hostIndex];
    if (!connection) {
        connection.Reset(WinHttpConnect(session.get(), state_->hosts[hostIndex].name, kServicePort, 0));
        if (!connection) {
            errorOut = L"无法连接联机服务：" + LastErrorText();
            return nullptr;
        }
    }
    return connection.get();
}

ServiceResponse OnlineClient::RequestOnce(std::size_t hostIndex, const std::wstring& method, const std::wstring& path,
                                          const std::string& body, bool authenticated) {
    return Attempt(hostIndex, method, path, body, authenticated, GetTickCount64() + kServiceRequestDeadlineMs);
}

ServiceResponse OnlineClient::Attempt(std::size_t hostIndex, const std::wstring& method, const std::wstring& path,
                                      const std::string& body, bool authenticated, ULONGLONG deadline) {
    ServiceResponse response;
    std::wstring requestDeviceId;
    std::wstring requestToken;
    if (authenticated) {
        {
            ExclusiveLock hold(state_->lock);
            requestDeviceId = state_->identity.deviceId;
            requestToken = state_->identity.token;
        }
        if (requestDeviceId.empty() || requestToken.empty()) {
            response.error = L"这台电脑还没有联机身份。";
            return response;
        }
    }

    const HINTERNET connection = HostConnection(hostIndex, response.error);
    if (!connection) return response;
    WinHttpHandle request(WinHttpOpenRequest(connection, method.c_str(), path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                             WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE));
    if (!request) {
        response.error = L"无法创建网络请求：" + LastErrorText();
        return response;
    }

    const std::wstring headers = BuildRequestHeaders(authenticated, requestDeviceId, requestToken);
    const auto bodyLength = static_cast<DWORD>(body.size());
    void* optional = body.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(body.data());
    if (!LimitToDeadline(request.get(), deadline) ||
        !WinHttpSendRequest(request.get(), headers.c_str(), static_cast<DWORD>(-1L), optional, bodyLength, bodyLength,
                            0) ||
        !LimitToDeadline(request.get(), deadline) || !WinHttpReceiveResponse(request.get(), nullptr)) {
        response.error = L"联机请求失败：" + LastErrorText();
        return response;
    }

    DWORD status = 0;
    DWORD statusSize = sizeof(status);
    if (WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize, WINHTTP_NO_HEADER_INDEX)) {
        response.status = status;
    }
    ReadBody(request.get(), deadline, response);
    return response;
}

ServiceResponse OnlineClient::Request(const std::wstring& method, const std::wstring& path, const std::string& body,
                                      bool authenticated) {
    const ULONGLONG deadline = GetTickCount64() + kServiceRequestDeadlineMs;
    if (view_) return RequestBothHosts(method, path, body, authenticated, deadline);
    // The caller (the window thread, mostly) never waits past the deadline, not even on a service
    // that trickles its headers, which WinHTTP's time-outs cannot bound: the call runs on a thread
    // of its own, which ends by itself when it is given up.
    if (state_->callThreads.fetch_add(1) >= kMaxCallThreads) {
        state_->callThreads.fetch_sub(1);
        return {0, {}, TimedOutText()};
    }
    auto answer = std::make_shared<std::promise<ServiceResponse>>();
    std::future<ServiceResponse> answered = answer->get_future();
    std::thread([state = state_, method, path, body, authenticated, deadline, answer] {
        answer->set_value(OnlineClient(state, nullptr).RequestBothHosts(method, path, body, authenticated, deadline));
        state->callThreads.fetch_sub(1);
    }).detach();
    if (answered.wait_for(std::chrono::milliseconds(kServiceRequestDeadlineMs + kGivenUpGraceMs)) ==
        std::future_status::ready) {
        return answered.get();
    }
    return {0, {}, TimedOutText()};
}

ServiceResponse OnlineClient::RequestBothHosts(const std::wstring& method, const std::wstring& path,
                                               const std::string& body, bool authenticated, ULONGLONG deadline) {
    const bool gatewayFirst = state_->hostPreference.load() == kPreferGatewayHost;
    const std::size_t first = gatewayFirst ? kGatewayHostIndex : kRelayHostIndex;
    const std::size_t second = gatewayFirst ? kRelayHostIndex : kGatewayHostIndex;

    ServiceResponse firstResponse = Attempt(first, method, path, body, authenticated, deadline);
    if (firstResponse.status != 0) {
        state_->hostPreference.exchange(HostPreferenceFor(first));
        return firstResponse;
    }
    ServiceResponse secondResponse = Attempt(second, method, path, body, authenticated, deadline);
    if (secondResponse.status != 0) {
        state_->hostPreference.exchange(HostPreferenceFor(second));
        return secondResponse;
    }
    return secondResponse.error.empty() ? firstResponse : secondResponse;
}
