// The online client: the device identity, the calls to the service with their failover between
// the two hosts, the profile, pairing and friends operations built on them, and the live session
// that keeps a WebSocket to the relay open and turns its messages into events.
//
// Threads: everything here is called on the user-interface thread, except that the session
// thread runs RefreshFriends and the callbacks. One slim reader/writer lock (the client lock)
// guards the identity, the live-session handles and the callbacks; it is never held across a
// network call of the session thread or a callback, and it is held across each
// SendSessionMessage so that the session thread cannot close the socket during a send.
#pragma once

#include "online/exclusive_lock.h"
#include "online/online_friend.h"
#include "online/service_hosts.h"
#include "online/service_response.h"
#include "online/session_events.h"
#include "online/winhttp_handle.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
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
    bool CreatePairCode(std::wstring& codeOut, std::wstring* errorOut);
    bool ClaimPairCode(const std::wstring& code, std::wstring* errorOut);
    // Fetches the friend list and hands it to onFriends, saying whether the service had just
    // announced a new friend.
    bool RefreshFriends(std::wstring* errorOut, bool afterFriendAdded = false);
    // Ends the friendship with the device for both sides, then fetches the friend list.
    bool RemoveFriend(const std::wstring& friendId, std::wstring* errorOut);

    // Live session. InstallCallbacks replaces all five receivers under the lock; install them
    // before Start. Start runs the session thread when the identity is complete and no thread
    // runs; Stop ends it and waits for it (it only sets the flags when none runs), so it must
    // not be called from a callback. Neither touches the identity or the callbacks.
    void InstallCallbacks(SessionCallbacks callbacks);
    void Start();
    void Stop();
    // Closes the current WebSocket, so that a blocked receive returns. Any thread.
    void CloseSocket();
    bool IsSessionConnected() const { return socketConnected_.load(); }
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
    std::int32_t HostPreference() const { return hostPreference_.load(); }
    void SetHostPreference(std::int32_t preference) { hostPreference_.exchange(preference); }

private:
    void SessionLoop();
    // One round over both hosts in the preferred order; true once a WebSocket is stored.
    bool Connect(const DeviceIdentity& identity);
    // Until the connection ends or a stop is requested.
    void ReceiveMessages();
    void HandleMessage(std::string_view text);
    void EmitStatus(bool connected, const std::wstring& text);
    void PauseBeforeReconnecting();
    // A copy of one callback, taken under the lock, so that it can be called without it.
    template <typename Callback>
    Callback CopyCallback(Callback SessionCallbacks::*callback) {
        ExclusiveLock hold(lock_);
        return callbacks_.*callback;
    }

    const ServiceHosts hosts_;
    // The client lock: guards everything down to the callbacks; always taken exclusively.
    SRWLOCK lock_ = SRWLOCK_INIT;
    DeviceIdentity identity_;
    WinHttpHandle wsSession_;
    WinHttpHandle wsConnection_;
    WinHttpHandle webSocket_;
    SessionCallbacks callbacks_;
    // Only the user-interface thread starts, stops and joins it.
    std::thread sessionThread_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> socketConnected_{false};
    std::atomic<std::int32_t> hostPreference_{kNoHostPreference};
};
