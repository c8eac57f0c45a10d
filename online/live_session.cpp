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
// The pause before reconnecting, slept in steps of 200 ms so that a stop request ends it quickly.
constexpr std::chrono::milliseconds kReconnectPause{10000};
constexpr std::chrono::milliseconds kPauseStep{200};

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

OnlineClient::~OnlineClient() {
    if (!view_) Stop();
}

void OnlineClient::InstallCallbacks(SessionCallbacks callbacks) {
    ExclusiveLock hold(state_->lock);
    state_->callbacks = std::move(callbacks);
}

void OnlineClient::Start() {
    if (view_ || run_ || !HasCompleteIdentity()) return;
    auto run = std::make_shared<Run>();
    run->threadsRunning.store(2);
    // Each thread holds the state and its session, so that neither goes away under it.
    sessionThread_ = std::thread([state = state_, run] {
        OnlineClient(state, run).SessionLoop();
        run->threadsRunning.fetch_sub(1);
    });
    workerThread_ = std::thread([state = state_, run] {
        OnlineClient(state, run).RunBackgroundRequests();
        run->threadsRunning.fetch_sub(1);
    });
    run_ = std::move(run);
}

void OnlineClient::Stop() {
    if (view_) return;
    if (run_) {
        {
            // Waits for a callback in progress; none starts afterwards.
            ExclusiveLock gate(run_->gate);
            run_->stopRequested.exchange(true);
        }
        run_->requests.Close();
    }
    CloseSocket();
    if (run_) {
        const ULONGLONG waitEnd = GetTickCount64() + kStopWaitMs;
        while (run_->threadsRunning.load() > 0 && GetTickCount64() < waitEnd)
            Sleep(10);
        // A thread still blocked on the service ends by itself when its call does.
        for (std::thread* thread : {&sessionThread_, &workerThread_}) {
            if (!thread->joinable()) continue;
            if (run_->threadsRunning.load() == 0) {
                thread->join();
            } else {
                thread->detach();
            }
        }
        run_.reset();
    }
    state_->socketConnected.exchange(false);
}

bool OnlineClient::StopRequested() const { return run_ && run_->stopRequested.load(); }

void OnlineClient::PublishAppearance(int appearance) {
    if (run_ && !view_) run_->requests.PublishAppearance(appearance);
}

void OnlineClient::RunBackgroundRequests() {
    while (const std::optional<BackgroundRequests::Job> job = run_->requests.Next()) {
        if (job->kind == BackgroundRequests::Job::Kind::Appearance) {
            SetAppearance(job->appearance);
        } else {
            RefreshFriends(nullptr, job->afterFriendAdded);
        }
    }
}

void OnlineClient::CloseSocket() {
    // Declared so that they close in the order socket, connection, session.
    WinHttpHandle session;
    WinHttpHandle connection;
    WinHttpHandle webSocket;
    {
        ExclusiveLock hold(state_->lock);
        session = std::move(state_->wsSession);
        connection = std::move(state_->wsConnection);
        webSocket = std::move(state_->webSocket);
    }
    // Only the close frame is sent here: the session thread may be blocked in a receive on this
    // socket, and it is that receive which reads the service's answering close frame and ends.
    // Waiting for that answer here as well would make two threads read one TLS stream.
    if (webSocket) WinHttpWebSocketShutdown(webSocket.get(), WINHTTP_WEB_SOCKET_SUCCESS_CLOSE_STATUS, nullptr, 0);
}

SessionSendResult OnlineClient::SendSessionMessage(std::string_view utf8) {
    ExclusiveLock hold(state_->lock);
    if (!state_->webSocket || !state_->socketConnected.load()) return {SessionSendResult::Outcome::NotConnected, 0};
    const DWORD result = WinHttpWebSocketSend(state_->webSocket.get(), WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE,
                                              const_cast<char*>(utf8.data()), static_cast<DWORD>(utf8.size()));
    if (result != NO_ERROR) return {SessionSendResult::Outcome::Failed, result};
    return {SessionSendResult::Outcome::Sent, 0};
}

void OnlineClient::EmitStatus(bool connected, const std::wstring& text) {
    Deliver(&SessionCallbacks::onStatus, connected, text);
}

void OnlineClient::SessionLoop() {
    while (!StopRequested()) {
        if (Connect(Identity())) {
            ReceiveMessages();
            // After a stop the socket is Stop's to close: it may already be a newer session's.
            if (StopRequested()) return;
            state_->socketConnected.exchange(false);
            CloseSocket();
            EmitStatus(false, kReconnectingText);
        } else {
            if (StopRequested()) return;
            EmitStatus(false, kUnreachableText);
        }
        PauseBeforeReconnecting();
    }
}

bool OnlineClient::Connect(const DeviceIdentity& identity) {
    const bool gatewayFirst = state_->hostPreference.load() == kPreferGatewayHost;
    const std::array<std::size_t, 2> order =
        gatewayFirst ? std::array{kGatewayHostIndex, kRelayHostIndex} : std::array{kRelayHostIndex, kGatewayHostIndex};
    const std::wstring headers = BuildSessionHeaders(identity.deviceId, identity.token);
    for (const std::size_t host : order) {
        if (StopRequested()) return false;
        WinHttpHandle session = OpenServiceSession(kSessionReceiveTimeoutMs);
        if (!session) continue;
        WinHttpHandle connection(WinHttpConnect(session.get(), state_->hosts[host].name, kServicePort, 0));
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

        state_->hostPreference.exchange(HostPreferenceFor(host));
        {
            // Stop sets its flag before it takes the handles under this lock: a socket stored
            // after that would be left open for the next session to find.
            ExclusiveLock hold(state_->lock);
            if (StopRequested()) return false;
            state_->wsSession = std::move(session);
            state_->wsConnection = std::move(connection);
            state_->webSocket = std::move(webSocket);
            state_->socketConnected.exchange(true);
        }
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
        ExclusiveLock hold(state_->lock);
        webSocket = state_->webSocket.get();
    }
    if (!webSocket) return;
    std::array<char, kReceiveBufferBytes> buffer;
    SessionMessageAssembler assembler;
    while (!StopRequested()) {
        DWORD bytesRead = 0;
        WINHTTP_WEB_SOCKET_BUFFER_TYPE type = WINHTTP_WEB_SOCKET_BINARY_MESSAGE_BUFFER_TYPE;
        if (WinHttpWebSocketReceive(webSocket, buffer.data(), static_cast<DWORD>(buffer.size()), &bytesRead, &type) !=
                NO_ERROR ||
            type == WINHTTP_WEB_SOCKET_CLOSE_BUFFER_TYPE) {
            return;
        }
        if (type != WINHTTP_WEB_SOCKET_UTF8_FRAGMENT_BUFFER_TYPE &&
            type != WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE) {
            continue;
        }
        auto message = assembler.Add({buffer.data(), bytesRead}, type == WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE);
        if (message) HandleMessage(*message);
    }
}

void OnlineClient::HandleMessage(std::string_view text) {
    const SessionMessage message = ReadSessionMessage(text);
    if (const auto* connected = std::get_if<ConnectedMessage>(&message)) {
        Deliver(&SessionCallbacks::onFriends, connected->friends, false);
        if (connected->announcement) Deliver(&SessionCallbacks::onAnnouncement, *connected->announcement);
    } else if (const auto* changed = std::get_if<FriendsChangedMessage>(&message)) {
        // Fetched by the worker, so that this thread keeps reading and a stop is not held up.
        run_->requests.RefreshFriends(changed->friendAdded);
    } else if (const auto* visit = std::get_if<IncomingVisit>(&message)) {
        Deliver(&SessionCallbacks::onVisit, *visit);
    } else if (const auto* reaction = std::get_if<IncomingReaction>(&message)) {
        Deliver(&SessionCallbacks::onReaction, *reaction);
    } else if (const auto* error = std::get_if<ServerErrorMessage>(&message)) {
        EmitStatus(true, error->text);
    }
}

void OnlineClient::PauseBeforeReconnecting() {
    if (state_->reconnectPause) {
        state_->reconnectPause(kReconnectPause, run_->stopRequested);
        return;
    }
    for (auto slept = kPauseStep; slept <= kReconnectPause && !StopRequested(); slept += kPauseStep) {
        if (run_->reconnectNow.exchange(false)) return;
        Sleep(static_cast<DWORD>(kPauseStep.count()));
    }
}

void OnlineClient::SetReconnectPause(ReconnectPause pause) { state_->reconnectPause = std::move(pause); }

void OnlineClient::ReconnectNow() {
    if (!run_) return;
    run_->reconnectNow.exchange(true);
    CloseSocket();
}
