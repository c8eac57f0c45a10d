#pragma once

#include "transport/beast_types.h"
#include "transport/connection_tracker.h"
#include "transport/network_context.h"

#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace mossquill::service {

// One TLS connection carrying HTTP/1.1 requests, until it closes or upgrades to a live
// session on the WebSocket path.
class HttpsSession : public StoppableConnection, public std::enable_shared_from_this<HttpsSession> {
public:
    HttpsSession(tcp::socket socket, net::ssl::context& tls, NetworkContext& context, ConnectionTracker::Ticket ticket);

    void Start();
    void Stop() override;

private:
    using Request = beast::http::request<beast::http::string_body>;

    void OnHandshake(beast::error_code error);
    void ReadRequest();
    void OnRead(beast::error_code error);
    void Answer(std::shared_ptr<Request> request);
    // Whether the connection stays open after this answer: the client asked for it, and it
    // has not used up its answers without a device.
    bool MayKeepAlive(const Request& request, const ApiResponse& response);
    void Refuse(unsigned status, std::string_view message);
    void Upgrade(std::shared_ptr<Request> request);
    void Admitted(Request& request, std::variant<LiveAdmission, ApiResponse>& admission);
    void Write(unsigned status, std::string body, bool keepAlive);
    void OnWrite(bool keepAlive, beast::error_code error);
    void Shutdown();
    void LogRequest(std::string_view method, std::string_view target, unsigned status, std::string_view deviceId,
                    std::string_view note) const;

    TlsStream stream_;
    NetworkContext& context_;
    std::optional<ConnectionTracker::Ticket> ticket_;
    std::string peer_;         // address:port, for the log
    std::string peerAddress_;  // address alone, for limits per client
    beast::flat_buffer buffer_;
    std::optional<beast::http::request_parser<beast::http::string_body>> parser_;
    beast::http::response<beast::http::string_body> response_;
    std::chrono::steady_clock::time_point requestStart_;
    bool stopping_ = false;
    std::size_t unauthenticatedAnswers_ = 0;
};

}  // namespace mossquill::service
