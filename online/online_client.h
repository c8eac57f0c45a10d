// The online client: the device identity, the calls to the service with their failover between
// the two hosts, the profile, pairing and friends operations built on them, and the live session
// that keeps a WebSocket to the relay open and turns its messages into events.
//
// Threads: everything here is called on the user-interface thread, except that the session
// thread and its worker (which makes the calls the pet makes on its own) run the callbacks. One
// slim reader/writer lock (the client lock) guards the identity, the live-session handles and
// the callbacks; it is never held across a network call of the session thread or a callback,
// and it is held across each SendSessionMessage so that the session thread cannot close the
// socket during a send.
//
// A service may stop answering in the middle of a call. Stop therefore waits only a moment for
// the two threads: one still blocked is let go, keeps what it uses alive through the shared
// state, calls no callback any more and ends when its call does.
#pragma once

#include "online/background_requests.h"
#include "online/exclusive_lock.h"
#include "online/online_friend.h"
#include "online/service_hosts.h"
#include "online/service_response.h"
#include "online/session_events.h"
#include "online/winhttp_handle.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

// The identity this computer has with the service; the three are replaced together.
struct DeviceIdentity {
    std::wstring deviceId;
    std::wstring nickname;
    std::wstring token;  // 64 characters when valid
};

// The outcome of one message handed to the live session.
struct SessionSendResult {
    enum class Outcome { Sent, NotConnected, Failed };
    Outcome outcome = Outcome::NotConnected;
    unsigned long error = 0;  // the WinHTTP error code when Failed (text: WinHttpErrorText)
};

// The most any call to the service may take, whatever the service does; the live session's
// connection has its own time-outs.
inline constexpr ULONGLONG kServiceRequestDeadlineMs = 15000;
// How long Stop waits for the session's threads before letting them go.
inline constexpr DWORD kStopWaitMs = 800;

class OnlineClient {
public:
    // Production talks to kServiceHosts; tests hand in hosts of their own.
    explicit OnlineClient(const ServiceHosts& hosts = kServiceHosts);
    // Stops the live session and waits for its thread.
    ~OnlineClient();
    OnlineClient(const OnlineClient&) = delete;
    OnlineClient& operator=(const OnlineClient&) = delete;

    // Identity. LoadIdentity reads the stored identity; any unreadable part, or a device id or
    // token that cannot travel in a header line, leaves the identity empty.
    void LoadIdentity();
    // Registers this computer under the nickname and stores the identity the service issues.
    bool Register(const std::wstring& nickname, std::wstring* errorOut);
    // A device id, a nickname and a 64-character token are all present.
    bool HasCompleteIdentity();
    // A copy taken under the lock.
    DeviceIdentity Identity();
    // Replaces the identity in memory only (nothing is stored); the live session uses it from
    // its next connection attempt on.
    void SetIdentity(DeviceIdentity identity);

    // Operations on the service. Each returns false with the text to show in *errorOut (when
    // given); a text that came from the service is bounded for a message box.
    bool SetNickname(const std::wstring& newNickname, std::wstring* errorOut);
    // Publishes the appearance, clamped to 0..3; the answer is ignored.
    void SetAppearance(int appearance);
    // The same, made by the live session's worker while it runs (dropped otherwise: every new
    // connection publishes it again); the caller does not wait.
    void PublishAppearance(int appearance);
    bool CreatePairCode(std::wstring& codeOut, std::wstring* errorOut);
    bool ClaimPairCode(const std::wstring& code, std::wstring* errorOut);
    // Fetches the friend list and hands it to onFriends, saying whether the service had just
    // announced a new friend.
    bool RefreshFriends(std::wstring* errorOut, bool afterFriendAdded = false);
    // Ends the friendship with the device for both sides, then fetches the friend list.
    bool RemoveFriend(const std::wstring& friendId, std::wstring* errorOut);

    // Live session. InstallCallbacks replaces all five receivers under the lock; install them
    // before Start. Start runs the session thread when the identity is complete and no thread
    // runs; Stop ends it within a second (it only sets the flags when none runs) and no callback
    // of the ended session runs once it has returned, so it must not be called from a callback.
    // Neither touches the identity or the callbacks.
    void InstallCallbacks(SessionCallbacks callbacks);
    void Start();
    void Stop();
    // How the session waits before it reconnects: given how long, and the flag a stop request sets,
    // which must end the wait. By default it sleeps; tests hand in a pause they end by hand.
    using ReconnectPause = std::function<void(std::chrono::milliseconds pause, const std::atomic<bool>& stop)>;
    // Before Start.
    void SetReconnectPause(ReconnectPause pause);
    // Closes the current WebSocket, so that a blocked receive returns. Any thread.
    void CloseSocket();
    // Drops the connection and connects again at once, without the pause between attempts: after
    // the computer resumed or its network changed, the socket may be dead long before a receive
    // fails. Any thread.
    void ReconnectNow();
    bool IsSessionConnected() const;
    // Sends one UTF-8 text message (a visit or a reaction) on the live session, holding the lock
    // across the send. Blocks the calling thread for as long as the send takes.
    SessionSendResult SendSessionMessage(std::string_view utf8);

    // One call to the service: the preferred host first, the other one when the first gives no
    // HTTP status. Blocks the calling thread.
    ServiceResponse Request(const std::wstring& method, const std::wstring& path, const std::string& body,
                            bool authenticated);
    // One attempt against one host of the table.
    ServiceResponse RequestOnce(std::size_t hostIndex, const std::wstring& method, const std::wstring& path,
                                const std::string& body, bool authenticated);
    // Which host answered last: kNoHostPreference, kPreferRelayHost or kPreferGatewayHost.
    std::int32_t HostPreference() const;
    void SetHostPreference(std::int32_t preference);

private:
    struct State;
    struct Run;
    // A thread's own view of the client: the same state, never stopping anything when it ends.
    OnlineClient(std::shared_ptr<State> state, std::shared_ptr<Run> run);

    ServiceResponse RequestBothHosts(const std::wstring& method, const std::wstring& path, const std::string& body,
                                     bool authenticated, ULONGLONG deadline);
    ServiceResponse Attempt(std::size_t hostIndex, const std::wstring& method, const std::wstring& path,
                            const std::string& body, bool authenticated, ULONGLONG deadline);
    // The host's connection target, opened on first use and kept, so that WinHTTP reuses its
    // connections and a call costs no new handshake. Null when WinHTTP refuses, with the text.
    HINTERNET HostConnection(std::size_t hostIndex, std::wstring& errorOut);
    void SessionLoop();
    void RunBackgroundRequests();
    // One round over both hosts in the preferred order; true once a WebSocket is stored.
    bool Connect(const DeviceIdentity& identity);
    // Until the connection ends or a stop is requested.
    void ReceiveMessages();
    void HandleMessage(std::string_view text);
    void EmitStatus(bool connected, const std::wstring& text);
    void PauseBeforeReconnecting();
    bool StopRequested() const;
    // Calls one callback with a copy taken under the lock, without the lock held; a session
    // thread calls only until its session is stopped.
    template <typename Callback, typename... Args>
    void Deliver(Callback SessionCallbacks::*callback, const Args&... args);

    std::shared_ptr<State> state_;
    // The running session (the owner's), or the session a thread belongs to (a view's).
    std::shared_ptr<Run> run_;
    const bool view_ = false;
    // Only the user-interface thread starts, stops and lets them go.
    std::thread sessionThread_;
    std::thread workerThread_;
};

// Everything the threads touch: it lives until the last of them has ended.
struct OnlineClient::State {
    explicit State(const ServiceHosts& serviceHosts) : hosts(serviceHosts) {}

    const ServiceHosts hosts;
    // The client lock: guards everything down to the callbacks; always taken exclusively.
    SRWLOCK lock = SRWLOCK_INIT;
    DeviceIdentity identity;
    WinHttpHandle wsSession;
    WinHttpHandle wsConnection;
    WinHttpHandle webSocket;
    SessionCallbacks callbacks;
    std::atomic<bool> socketConnected{false};
    std::atomic<std::int32_t> hostPreference{kNoHostPreference};
    // One WinHTTP session and connection target per host, for the program's life.
    std::mutex hostsMutex;
    // Tests hold the pause before reconnecting by hand; empty: the real pause.
    ReconnectPause reconnectPause;
    WinHttpHandle hostSessions[2];
    WinHttpHandle hostConnections[2];
    // Threads running a call for the window thread, those it gave up on included.
    std::atomic<int> callThreads{0};
};

// One live session, from Start to Stop.
struct OnlineClient::Run {
    std::atomic<bool> stopRequested{false};
    // Set by ReconnectNow: the pause before the next attempt is skipped once.
    std::atomic<bool> reconnectNow{false};
    // Held shared around each callback and exclusively while the stop is requested.
    SRWLOCK gate = SRWLOCK_INIT;
    BackgroundRequests requests;
    std::atomic<int> threadsRunning{0};
};

inline bool OnlineClient::IsSessionConnected() const { return state_->socketConnected.load(); }
inline std::int32_t OnlineClient::HostPreference() const { return state_->hostPreference.load(); }
inline void OnlineClient::SetHostPreference(std::int32_t preference) { state_->hostPreference.exchange(preference); }

template <typename Callback, typename... Args>
void OnlineClient::Deliver(Callback SessionCallbacks::*callback, const Args&... args) {
    Callback receiver;
    {
        ExclusiveLock hold(state_->lock);
        receiver = state_->callbacks.*callback;
    }
    if (!receiver) return;
    if (!view_) {
        receiver(args...);
        return;
    }
    SharedLock gate(run_->gate);
    if (!run_->stopRequested.load()) receiver(args...);
}
