#include "transport/https_session.h"

#include "core/log_line.h"
#include "core/metrics.h"
#include "core/texts.h"
#include "transport/websocket_session.h"
#include "live/wire_format.h"

#include <boost/asio/ssl/error.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>
#include <boost/beast/websocket/rfc6455.hpp>

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <variant>

namespace mossquill::service {
namespace {

namespace http = beast::http;

constexpr const char* kServerName = "mossquill-service";

std::string_view View(beast::string_view text) { return {text.data(), text.size()}; }

std::string_view Header(const http::request<http::string_body>& request, std::string_view name) {
    const auto found = request.find(beast::string_view(name.data(), name.size()));
    return found == request.end() ? std::string_view() : View(found->value());
}

std::string_view Header(const http::request<http::string_body>& request, http::field field) {
    const auto found = request.find(field);
    return found == request.end() ? std::string_view() : View(found->value());
}

ApiRequest ToApiRequest(const http::request<http::string_body>& request, std::string_view peerAddress) {
    return {View(request.method_string()),
            View(request.target()),
            Header(request, "X-Mossquill-App-Key"),
            Header(request, "X-Mossquill-Device"),
            Header(request, http::field::authorization),
            Header(request, http::field::content_type),
            request.body(),
            peerAddress};
}

}  // namespace

HttpsSession::HttpsSession(tcp::socket socket, net::ssl::context& tls, NetworkContext& context,
                           ConnectionTracker::Ticket ticket)
    : stream_(std::move(socket), tls), context_(context), ticket_(std::move(ticket)) {
    beast::error_code error;
    const auto remote = stream_.Socket().remote_endpoint(error);
    if (!error) {
        peerAddress_ = remote.address().to_string();
        peer_ = peerAddress_ + ":" + std::to_string(remote.port());
    } else {
        peer_ = peerAddress_ = "unknown";
    }
}

void HttpsSession::Start() {
    ticket_->Attach(weak_from_this());
    stream_.ExpiresAfter(context_.limits.handshakeTimeout);
    stream_.async_handshake([self = shared_from_this()](beast::error_code error) { self->OnHandshake(error); });
}

void HttpsSession::Stop() {
    net::post(stream_.get_executor(), [self = shared_from_this()] {
        self->stopping_ = true;
        self->stream_.Cancel();
    });
}

void HttpsSession::OnHandshake(beast::error_code error) {
    if (error == net::error::operation_aborted) {
        return;  // stopped during shutdown
    }
    if (error) {
        Metrics().handshakeFailures.Add();
        LogThrottled(ThrottledEvent::HandshakeFailed, {{"peer", peer_}, {"error", error.message()}});
        return;
    }
    Metrics().handshakes.Add();
    ReadRequest();
}

void HttpsSession::ReadRequest() {
    if (stopping_) {
        Shutdown();
        return;
    }
    parser_.emplace();
    parser_->header_limit(static_cast<std::uint32_t>(context_.limits.maxHeaderBytes));
    parser_->body_limit(context_.limits.maxBodyBytes);
    stream_.ExpiresAfter(context_.limits.requestTimeout);
    http::async_read(stream_, buffer_, *parser_,
                     [self = shared_from_this()](beast::error_code error, std::size_t) { self->OnRead(error); });
}

void HttpsSession::OnRead(beast::error_code error) {
    requestStart_ = std::chrono::steady_clock::now();
    if (error == http::error::end_of_stream || error == net::ssl::error::stream_truncated) {
        Shutdown();
        return;
    }
    if (error == http::error::body_limit) {
        Refuse(413, texts::kBodyTooLarge);
        return;
    }
    if (error == http::error::header_limit) {
        Refuse(431, texts::kHeadersTooLarge);
        return;
    }
    if (error == beast::error::timeout || error == net::error::operation_aborted) {
        return;  // idle or stopped: the connection simply ends
    }
    if (error) {
        // A request the parser could not read gets an answer; a broken transport does not.
        if (error.category() == beast::error_code(http::error::bad_target).category()) {
            Refuse(400, texts::kBadRequest);
        }
        return;
    }
    auto request = std::make_shared<Request>(parser_->release());
    if (beast::websocket::is_upgrade(*request) && IsLiveSessionTarget(View(request->target()))) {
        Upgrade(std::move(request));
        return;
    }
    if (IsHealthCheck(View(request->method_string()), View(request->target()))) {
        // From memory, here: a load balancer is answered even while storage is slow.
        const ApiResponse response = context_.health.Answer(peerAddress_);
        LogRequest(View(request->method_string()), View(request->target()), response.status, {}, response.logNote);
        Write(response.status, response.body, MayKeepAlive(*request, response));
        return;
    }
    Answer(std::move(request));
}

void HttpsSession::Answer(std::shared_ptr<Request> request) {
    // The request is answered on the storage thread; no timer runs meanwhile, the
    // connection simply waits for its answer.
    stream_.ExpiresNever();
    net::post(context_.storage, [self = shared_from_this(), request = std::move(request)] {
        const ScopedTiming timing(Metrics().storageLatency, Metrics().storageErrors);
        auto response =
            std::make_shared<ApiResponse>(self->context_.api.Handle(ToApiRequest(*request, self->peerAddress_)));
        net::post(self->stream_.get_executor(), [self, request, response] {
            self->LogRequest(View(request->method_string()), View(request->target()), response->status,
                             response->deviceId, response->logNote);
            self->Write(response->status, std::move(response->body), self->MayKeepAlive(*request, *response));
        });
    });
}

bool HttpsSession::MayKeepAlive(const Request& request, const ApiResponse& response) {
    if (!request.keep_alive()) {
        return false;
    }
    if (response.deviceId.empty() && ++unauthenticatedAnswers_ >= context_.limits.unauthenticatedAnswersPerConnection) {
        Metrics().Refused(Refusal::IdleKeepAlive);
        return false;
    }
    return true;
}

void HttpsSession::Refuse(unsigned status, std::string_view message) {
    const bool headerRead = parser_ && parser_->is_header_done();
    LogRequest(headerRead ? View(parser_->get().method_string()) : "-",
               headerRead ? View(parser_->get().target()) : "-", status, {}, "malformed or oversized request");
    Write(status, ErrorBody(message), false);
}

void HttpsSession::Upgrade(std::shared_ptr<Request> request) {
    stream_.ExpiresNever();
    net::post(context_.storage, [self = shared_from_this(), request = std::move(request)] {
        const ScopedTiming timing(Metrics().storageLatency, Metrics().storageErrors);
        auto admission = std::make_shared<std::variant<LiveAdmission, ApiResponse>>(
            self->context_.api.AdmitLiveSession(ToApiRequest(*request, self->peerAddress_)));
        net::post(self->stream_.get_executor(), [self, request, admission] { self->Admitted(*request, *admission); });
    });
}

void HttpsSession::Admitted(Request& request, std::variant<LiveAdmission, ApiResponse>& admission) {
    if (auto* refusal = std::get_if<ApiResponse>(&admission)) {
        LogRequest(View(request.method_string()), View(request.target()), refusal->status, refusal->deviceId,
                   refusal->logNote);
        Write(refusal->status, std::move(refusal->body), false);
        return;
    }
    if (stopping_) {
        Shutdown();
        return;
    }
    LogRequest(View(request.method_string()), View(request.target()), 101, std::get<LiveAdmission>(admission).device.id,
               {});
    auto live = std::make_shared<WebSocketSession>(std::move(stream_), context_, std::move(*ticket_), peer_,
                                                   std::get<LiveAdmission>(std::move(admission)));
    ticket_.reset();
    live->Accept(std::move(request));
}

void HttpsSession::Write(unsigned status, std::string body, bool keepAlive) {
    response_ = {};
    response_.result(status);
    response_.version(11);
    response_.set(http::field::server, kServerName);
    response_.set(http::field::content_type, "application/json; charset=utf-8");
    response_.set(http::field::cache_control, "no-store");
    response_.body() = std::move(body);
    response_.keep_alive(keepAlive && !stopping_);
    response_.prepare_payload();
    stream_.ExpiresAfter(context_.limits.requestTimeout);
    http::async_write(stream_, response_,
                      [self = shared_from_this(), keep = response_.keep_alive()](beast::error_code error, std::size_t) {
                          self->OnWrite(keep, error);
                      });
}

void HttpsSession::OnWrite(bool keepAlive, beast::error_code error) {
    if (error) {
        return;
    }
    if (keepAlive) {
        ReadRequest();
    } else {
        Shutdown();
    }
}

void HttpsSession::Shutdown() {
    stream_.ExpiresAfter(context_.limits.handshakeTimeout);
    stream_.async_shutdown([self = shared_from_this()](beast::error_code) {
        beast::error_code ignored;
        self->stream_.Socket().shutdown(tcp::socket::shutdown_both, ignored);
    });
}

void HttpsSession::LogRequest(std::string_view method, std::string_view target, unsigned status,
                              std::string_view deviceId, std::string_view note) const {
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - requestStart_);
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.1f", static_cast<double>(elapsed.count()) / 1000.0);
    // The path only: a query string is the client's text and none of the log's business.
    LogEvent("request", {{"peer", peer_},
                         {"method", method},
                         {"path", target.substr(0, std::min<std::size_t>(target.find('?'), 200))},
                         {"status", std::to_string(status)},
                         {"device", deviceId.empty() ? std::string_view("-") : deviceId},
                         {"ms", duration},
                         {"note", note}});
}

}  // namespace mossquill::service
