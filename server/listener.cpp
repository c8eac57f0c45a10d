#include "listener.h"

#include "https_session.h"
#include "log_line.h"

#include <boost/asio/ip/v6_only.hpp>

namespace mossquill::service {

Listener::Listener(net::io_context& io, net::ssl::context& tls, NetworkContext& context, const tcp::endpoint& endpoint)
    : tls_(tls), context_(context), acceptor_(io)
{
    acceptor_.open(endpoint.protocol());
    acceptor_.set_option(net::socket_base::reuse_address(true));
    if (endpoint.protocol() == tcp::v6()) {
        acceptor_.set_option(net::ip::v6_only(true));
    }
    acceptor_.bind(endpoint);
    acceptor_.listen(net::socket_base::max_listen_connections);
}

void Listener::Start() { Accept(); }

void Listener::Stop()
{
    beast::error_code ignored;
    acceptor_.close(ignored);
}

void Listener::Accept()
{
    acceptor_.async_accept([self = shared_from_this()](beast::error_code error, tcp::socket socket) {
        self->OnAccept(error, std::move(socket));
    });
}

void Listener::OnAccept(beast::error_code error, tcp::socket socket)
{
    if (error == net::error::operation_aborted || !acceptor_.is_open()) {
        return;
    }
    if (error) {
        LogLine("accept failed: " + error.message());
        Accept();
        return;
    }
    beast::error_code ignored;
    const std::string address = socket.remote_endpoint(ignored).address().to_string();
    if (auto ticket = context_.tracker.Admit(address)) {
        std::make_shared<HttpsSession>(std::move(socket), tls_, context_, std::move(*ticket))->Start();
    } else {
        LogLine(address + " connection refused: connection limit reached");
    }
    Accept();
}

}  // namespace mossquill::service
