// The online client: the device identity, the calls to the service with their failover between
// the two hosts, and the profile, pairing and friends operations built on them.
#pragma once

#include "online/online_friend.h"
#include "online/service_hosts.h"
#include "online/service_response.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using FriendsCallback = std::function<void(const std::vector<OnlineFriend>&)>;

class OnlineClient {
public:
    // Production talks to kServiceHosts; tests hand in hosts of their own.
    explicit OnlineClient(const ServiceHosts& hosts = kServiceHosts);
    OnlineClient(const OnlineClient&) = delete;
    OnlineClient& operator=(const OnlineClient&) = delete;

    // Reads the stored identity; any unreadable part leaves the identity empty.
    void LoadIdentity();
    // Registers this computer under the nickname and stores the identity the service issues.
    bool Register(const std::wstring& nickname, std::wstring* errorOut);
    // A device id, a nickname and a 64-character token are all present.
    bool HasCompleteIdentity();

    bool SetNickname(const std::wstring& newNickname, std::wstring* errorOut);
    // Publishes the appearance, clamped to 0..3; the answer is ignored.
    void SetAppearance(int appearance);
    bool CreatePairCode(std::wstring& codeOut, std::wstring* errorOut);
    bool ClaimPairCode(const std::wstring& code, std::wstring* errorOut);
    // Fetches the friend list and hands it to onFriends.
    bool RefreshFriends(std::wstring* errorOut);

    // One call to the service: the preferred host first, the other one when the first gives no
    // HTTP status. Blocks the calling thread.
    ServiceResponse Request(const std::wstring& method, const std::wstring& path, const std::string& body,
                            bool authenticated);
    // One attempt against one host of the table.
    ServiceResponse RequestOnce(std::size_t hostIndex, const std::wstring& method, const std::wstring& path,
                                const std::string& body, bool authenticated);

    // Guards the identity strings and the callbacks; always taken exclusively.
    SRWLOCK lock = SRWLOCK_INIT;
    std::wstring deviceId;
    std::wstring nickname;
    std::wstring token;
    // Which host answered last: kNoHostPreference, kPreferRelayHost or kPreferGatewayHost.
    std::atomic<std::int32_t> hostPreference{kNoHostPreference};
    FriendsCallback onFriends;

private:
    const ServiceHosts hosts_;
};
