// The live session: a thread that keeps one WebSocket to the service open, reconnects after
// every loss, and turns each complete message into a callback.
#include "online/exclusive_lock.h"
#include "online/online_client.h"
#include "online/request_headers.h"
#include "online/service_session.h"
#include "online/session_message.h"
#include "online/session_message_assembler.h"

#include <winhttp.h>

#include <array>
#include <variant>

namespace {

// A connection that hears nothing for this long is given up; the service's heartbeat comes
// far more often.
constexpr int kSessionReceiveTimeoutMs = 30000;
constexpr std::size_t kReceiveBufferBytes = 8192;
// The pause before reconnecting: 50 steps of 200 ms, so that a stop request ends it quickly.
constexpr int kPauseSteps = 50;
constexpr DWORD kPauseStepMs = 200;

constexpr wchar_t kReconnectingText[] = L"联机断开，正在自动重连……";
constexpr wchar_t kUnreachableText[] = L"暂时连接不到咕噜兽联机服务。";

bool SwitchedProtocols(HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof(status);
    return WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                               WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX) &&
           status == HTTP_STATUS_SWITCH_PROTOCOLS;
}

}  // namespace

OnlineClient::~OnlineClient() { Stop(); }

void OnlineClient::InstallCallbacks(SessionCallbacks callbacks) {
    ExclusiveLock hold(lock_);
    callbacks_ = std::move(callbacks);
}

void OnlineClient::Start() {
    if (!HasCompleteIdentity()) return;
    if (sessionThread_.joinable()) return;
    stopRequested_.exchange(false);
    sessionThread_ = std::thread(&OnlineClient::SessionLoop, this);
}

void OnlineClient::Stop() {
    stopRequested_.exchange(true);
    CloseSocket();
    if (sessionThread_.joinable()) sessionThread_.join();
    socketConnected_.exchange(false);
}

void OnlineClient::CloseSocket() {
    // Declared so that they close in the order socket, connection, session.
    WinHttpHandle session;
    WinHttpHandle connection;
    WinHttpHandle webSocket;
    {
        ExclusiveLock hold(lock_);
        session = std::move(wsSession_);
        connection = std::move(wsConnection_);
        webSocket = std::move(webSocket_);
    }
    // Only the close frame is sent here: the session thread may be blocked in a receive on this
    // socket, and it is that receive which reads the service's answering close frame and ends.
    // Waiting for that answer here as well would make two threads read one TLS stream.
    if (webSocket) WinHttpWebSocketShutdown(webSocket.get(), WINHTTP_WEB_SOCKET_SUCCESS_CLOSE_STATUS, nullptr, 0);
}

SessionSendResult OnlineClient::SendSessionMessage(std::string_view utf8) {
    ExclusiveLock hold(lock_);
    if (!webSocket_ || !socketConnected_.load()) return {SessionSendResult::Outcome::NotConnected, 0};
    const DWORD result = WinHttpWebSocketSend(webSocket_.get(), WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE,
                                              const_cast<char*>(utf8.data()), static_cast<DWORD>(utf8.size()));
    if (result != NO_ERROR) return {SessionSendResult::Outcome::Failed, result};
    return {SessionSendResult::Outcome::Sent, 0};
}

void OnlineClient::EmitStatus(bool connected, const std::wstring& text) {
    const StatusCallback onStatus = CopyCallback(&SessionCallbacks::onStatus);
    if (onStatus) onStatus(connected, text);
}

void OnlineClient::SessionLoop() {
    while (!stopRequested_.load()) {
        if (Connect(Identity())) {
            ReceiveMessages();
            socketConnected_.exchange(false);
            CloseSocket();
            if (!stopRequested_.load()) EmitStatus(false, kReconnectingText);
        } else {
            if (stopRequested_.load()) return;
            EmitStatus(false, kUnreachableText);
        }
        PauseBeforeReconnecting();
    }
}

bool OnlineClient::Connect(const DeviceIdentity& identity) {
    const bool gatewayFirst = hostPreference_.load() == kPreferGatewayHost;
    const std::array<std::size_t, 2> order = gatewayFirst ? std::array{kGatewayHostIndex, kRelayHostIndex}
                                                          : std::array{kRelayHostIndex, kGatewayHostIndex};
    const std::wstring headers = BuildSessionHeaders(identity.deviceId, identity.token);
    for (const std::size_t host : order) {
        if (stopRequested_.load()) return false;
        WinHttpHandle session = OpenServiceSession(kSessionReceiveTimeoutMs);
        if (!session) continue;
        WinHttpHandle connection(WinHttpConnect(session.get(), hosts_[host].name, kServicePort, 0));
        if (!connection) continue;
        WinHttpHandle request(WinHttpOpenRequest(connection.get(), L"GET", L"/v1/ws", nullptr, WINHTTP_NO_REFERER,
                                                 WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE));
        if (!request) continue;
        WinHttpSetOption(request.get(), WINHTTP_OPTION_UPGRADE_TO_WEB_SOCKET, nullptr, 0);
        // Only a WebSocket counts: any other answer makes this host fail. Windows refuses the
        // upgrade of an answer other than 101 by itself; Wine hands out a WebSocket for any
        // answer, so the status is checked here as well.
        WinHttpHandle webSocket;
        if (WinHttpSendRequest(request.get(), headers.c_str(), static_cast<DWORD>(-1L), WINHTTP_NO_REQUEST_DATA, 0, 0,
                               0) &&
            WinHttpReceiveResponse(request.get(), nullptr) && SwitchedProtocols(request.get())) {
            webSocket.Reset(WinHttpWebSocketCompleteUpgrade(request.get(), 0));
        }
        request.Reset();
        if (!webSocket) continue;

        hostPreference_.exchange(HostPreferenceFor(host));
        {
            ExclusiveLock hold(lock_);
            wsSession_ = std::move(session);
            wsConnection_ = std::move(connection);
            webSocket_ = std::move(webSocket);
        }
        socketConnected_.exchange(true);
        EmitStatus(true, kSessionConnectedText);
        return true;
    }
    return false;
}

void OnlineClient::ReceiveMessages() {
    // The receive runs without the lock: a stop closes the socket under the lock from another
    // thread, which is what ends a blocked receive. The handle is read once, under the lock.
    HINTERNET webSocket = nullptr;
    {
        ExclusiveLock hold(lock_);
        webSocket = webSocket_.get();
    }
    if (!webSocket) return;
    std::array<char, kReceiveBufferBytes> buffer;
    SessionMessageAssembler assembler;
    while (!stopRequested_.load()) {
        DWORD bytesRead = 0;
        WINHTTP_WEB_SOCKET_BUFFER_TYPE type = WINHTTP_WEB_SOCKET_BINARY_MESSAGE_BUFFER_TYPE;
        if (WinHttpWebSocketReceive(webSocket, buffer.data(), static_cast<DWORD>(buffer.size()), &bytesRead, &type) !=
                NO_ERROR ||
            type == WINHTTP_WEB_SOCKET_CLOSE_BUFFER_TYPE) {
            return;
        }
        if (type != WINHTTP_WEB_SOCKET_UTF8_FRAGMENT_BUFFER_TYPE && type != WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE) {
            continue;
        }
        auto message = assembler.Add({buffer.data(), bytesRead}, type == WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE);
        if (message) HandleMessage(*message);
    }
}

void OnlineClient::HandleMessage(std::string_view text) {
    const SessionMessage message = ReadSessionMessage(text);
    if (const auto* connected = std::get_if<ConnectedMessage>(&message)) {
        FriendsCallback onFriends;
        AnnouncementCallback onAnnouncement;
        {
            ExclusiveLock hold(lock_);
            onFriends = callbacks_.onFriends;
            onAnnouncement = callbacks_.onAnnouncement;
        }
        if (onFriends) onFriends(connected->friends, false);
        if (connected->announcement && onAnnouncement) onAnnouncement(*connected->announcement);
    } else if (const auto* changed = std::get_if<FriendsChangedMessage>(&message)) {
        RefreshFriends(nullptr, changed->friendAdded);
    } else if (const auto* visit = std::get_if<IncomingVisit>(&message)) {
        const VisitCallback onVisit = CopyCallback(&SessionCallbacks::onVisit);
        if (onVisit) onVisit(*visit);
    } else if (const auto* reaction = std::get_if<IncomingReaction>(&message)) {
        const ReactionCallback onReaction = CopyCallback(&SessionCallbacks::onReaction);
        if (onReaction) onReaction(*reaction);
    } else if (const auto* error = std::get_if<ServerErrorMessage>(&message)) {
        EmitStatus(true, error->text);
    }
}

void OnlineClient::PauseBeforeReconnecting() {
    for (int step = 0; step < kPauseSteps && !stopRequested_.load(); ++step) Sleep(kPauseStepMs);
}
