#pragma once

#include "http/http_api.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mossquill::service::testing {

// Real TLS clients for the service on loopback, verifying its certificate against the
// development CA under the name "localhost", as the pet does with its host names.

// Where the service listens; a bare port means 127.0.0.1.
struct ServiceAddress {
    ServiceAddress(unsigned short port) : port(port) {}  // implicit: most tests name only the port
    ServiceAddress(std::string host, unsigned short port) : host(std::move(host)), port(port) {}

    std::string host = "127.0.0.1";
    unsigned short port = 0;
};

struct RequestHeaders {
    std::string appKey = std::string(kApplicationKey);
    std::string deviceId;
    std::string token;
    std::string contentType = "application/json; charset=utf-8";
    std::vector<std::pair<std::string, std::string>> extra;
    // Loopback address the client connects from (any of 127.0.0.0/8); empty: the default.
    std::string source;
};

struct HttpReply {
    unsigned status = 0;
    std::string body;

    nlohmann::json Json() const;
    // The "message" member of a failure answer.
    std::string Message() const;
};

HttpReply HttpsRequest(const ServiceAddress& service, std::string_view method, std::string_view target,
                       std::string_view body, const RequestHeaders& headers = {});

// A WebSocket upgrade request to /v1/ws made as a plain request, to read a refusal.
HttpReply UpgradeRequest(const ServiceAddress& service, RequestHeaders headers);

// Sends bytes as they are over TLS and returns whatever comes back until the server
// closes the connection.
std::string RawHttpsExchange(const ServiceAddress& service, std::string_view bytes);

struct Device {
    std::string id;
    std::string nickname;
    std::string token;

    RequestHeaders Auth() const;
};

// Registers and checks the answer's shape.
Device Register(const ServiceAddress& service, std::string_view nickname);

// A fresh pairing code of the device.
std::string CreatePairCode(const ServiceAddress& service, const Device& device);

// The ids in the device's friend list, in the service's order.
std::vector<std::string> FriendIds(const ServiceAddress& service, const Device& device);

// A live session. Messages are collected by a background thread; heartbeats are skipped.
class LiveClient {
public:
    ~LiveClient();

    // Connects and waits for the upgrade; nothing when the service refuses it.
    static std::unique_ptr<LiveClient> Connect(const ServiceAddress& service, const RequestHeaders& headers);

    void Send(std::string_view text);
    void SendBinary(std::string_view bytes);

    // The next message other than a heartbeat, or nothing within the time.
    std::optional<nlohmann::json> Next(std::chrono::milliseconds timeout = std::chrono::seconds(5));

    // Waits for the server to end the session; its close code, or nothing if it stays open.
    std::optional<unsigned> WaitClosed(std::chrono::milliseconds timeout = std::chrono::seconds(5));

    std::size_t HeartbeatsSeen() const;

    // Sends a WebSocket ping; true when the pong came back in time.
    bool Ping(std::chrono::milliseconds timeout);

private:
    class Impl;
    explicit LiveClient(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// A live session of the device whose "connected" message has been read (and copied to
// `connected` when given); throws when there is none.
std::unique_ptr<LiveClient> ConnectLive(const ServiceAddress& service, const Device& device,
                                        nlohmann::json* connected = nullptr);

// The client's next message, checked to be of the type (a test failure otherwise).
nlohmann::json ExpectMessage(LiveClient& client, std::string_view type,
                             std::chrono::milliseconds timeout = std::chrono::seconds(5));

}  // namespace mossquill::service::testing
