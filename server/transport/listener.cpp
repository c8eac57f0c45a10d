#include "transport/listener.h"

#include "transport/https_session.h"
#include "core/log_line.h"
#include "core/metrics.h"

#include <boost/asio/ip/v6_only.hpp>
#include <boost/asio/strand.hpp>

namespace mossquill::service {
namespace {

// After a failed accept (no descriptors left, say) the listener waits this long instead
// of retrying at once and spinning on the same error.
constexpr auto kAcceptBackoff = std::chrono::milliseconds(100);

}  // namespace

Listener::Listener(net::io_context& io, net::ssl::context& tls, NetworkContext& context, const tcp::endpoint& endpoint)
    : io_(io), tls_(tls), context_(context), acceptor_(net::make_strand(io)), backoff_(acceptor_.get_executor()) {
    acceptor_.open(endpoint.protocol());
    acceptor_.set_option(net::socket_base::reuse_address(true));
    if (endpoint.protocol() == tcp::v6()) {
        acceptor_.set_option(net::ip::v6_only(true));
    }
    acceptor_.bind(endpoint);
    acceptor_.listen(net::socket_base::max_listen_connections);
}

void Listener::Start() {
    net::post(acceptor_.get_executor(), [self = shared_from_this()] { self->Accept(); });
}

void Listener::Stop() {
    net::post(acceptor_.get_executor(), [self = shared_from_this()] {
        beast::error_code ignored;
        self->acceptor_.close(ignored);
        self->backoff_.cancel();
    });
}

void Listener::Accept() {
    // Each connection gets a strand of its own, so its handlers never run at once while
    // the connections share every network thread.
    acceptor_.async_accept(net::make_strand(io_),
                           [self = shared_from_this()](beast::error_code error, tcp::socket socket) {
                               self->OnAccept(error, std::move(socket));
                           });
}

void Listener::OnAccept(beast::error_code error, tcp::socket socket) {
    if (error == net::error::operation_aborted || !acceptor_.is_open()) {
        return;
    }
    if (error) {
        LogEvent("accept_failed", {{"error", error.message()}, {"pause_ms", std::to_string(kAcceptBackoff.count())}});
        backoff_.expires_after(kAcceptBackoff);
        backoff_.async_wait([self = shared_from_this()](beast::error_code waited) {
            if (!waited && self->acceptor_.is_open()) {
                self->Accept();
            }
        });
        return;
    }
    beast::error_code ignored;
    const std::string address = socket.remote_endpoint(ignored).address().to_string();
    if (auto ticket = context_.tracker.Admit(address)) {
        Metrics().connectionsAccepted.Add();
        std::make_shared<HttpsSession>(std::move(socket), tls_, context_, std::move(*ticket))->Start();
    } else {
        Metrics().Refused(Refusal::ConnectionLimit);
        LogThrottled(ThrottledEvent::ConnectionRefused, {{"peer", address}, {"reason", "connection_limit"}});
    }
    Accept();
}

}  // namespace mossquill::service
