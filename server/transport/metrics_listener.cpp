#include "transport/metrics_listener.h"

#include "core/metrics.h"

#include <boost/asio/post.hpp>
#include <boost/asio/strand.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/http/write.hpp>

#include <chrono>

namespace mossquill::service {
namespace {

namespace http = beast::http;

// A scraper asks a few times a minute; more at once is somebody else.
constexpr std::size_t kMaxOpen = 4;
constexpr auto kExchangeTimeout = std::chrono::seconds(5);
constexpr std::size_t kMaxRequestBytes = 4096;

struct Exchange {
    explicit Exchange(tcp::socket socket) : stream(std::move(socket)) {}
    beast::tcp_stream stream;
    beast::flat_buffer buffer{kMaxRequestBytes};
    http::request<http::empty_body> request;
    http::response<http::string_body> response;
};

}  // namespace

MetricsListener::MetricsListener(net::io_context& io, const tcp::endpoint& endpoint)
    : io_(io), acceptor_(net::make_strand(io)) {
    acceptor_.open(endpoint.protocol());
    acceptor_.set_option(net::socket_base::reuse_address(true));
    acceptor_.bind(endpoint);
    acceptor_.listen();
}

void MetricsListener::Start() {
    net::post(acceptor_.get_executor(), [self = shared_from_this()] { self->Accept(); });
}

void MetricsListener::Stop() {
    net::post(acceptor_.get_executor(), [self = shared_from_this()] {
        beast::error_code ignored;
        self->acceptor_.close(ignored);
    });
}

void MetricsListener::Accept() {
    acceptor_.async_accept(net::make_strand(io_),
                           [self = shared_from_this()](beast::error_code error, tcp::socket socket) {
                               if (error == net::error::operation_aborted || !self->acceptor_.is_open()) {
                                   return;
                               }
                               if (!error && *self->open_ < kMaxOpen) {
                                   self->Serve(std::move(socket));
                               }
                               self->Accept();
                           });
}

void MetricsListener::Serve(tcp::socket socket) {
    ++*open_;
    auto exchange = std::make_shared<Exchange>(std::move(socket));
    // Runs on the acceptor's strand when the exchange ends, however it ends.
    auto done = std::shared_ptr<void>(nullptr, [self = shared_from_this()](void*) {
        net::post(self->acceptor_.get_executor(), [self] { --*self->open_; });
    });
    exchange->stream.expires_after(kExchangeTimeout);
    http::async_read(
        exchange->stream, exchange->buffer, exchange->request, [exchange, done](beast::error_code error, std::size_t) {
            if (error) {
                return;
            }
            auto& response = exchange->response;
            response.version(11);
            response.keep_alive(false);
            const auto& request = exchange->request;
            if (request.method() != http::verb::get || request.target().substr(0, 8) != "/metrics") {
                response.result(http::status::not_found);
            } else {
                response.set(http::field::content_type, "text/plain; version=0.0.4; charset=utf-8");
                response.body() = MetricsExposition(Metrics());
            }
            response.prepare_payload();
            http::async_write(exchange->stream, response, [exchange, done](beast::error_code, std::size_t) {
                beast::error_code ignored;
                exchange->stream.socket().shutdown(tcp::socket::shutdown_both, ignored);
            });
        });
}

}  // namespace mossquill::service
