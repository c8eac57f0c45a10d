#pragma once

#include "transport/beast_types.h"
#include "transport/network_context.h"

#include <boost/asio/steady_timer.hpp>

#include <memory>

namespace mossquill::service {

// Accepts TCP connections on one address and starts an HTTPS session for each, within
// the connection caps; pauses briefly when accepting fails.
class Listener : public std::enable_shared_from_this<Listener> {
public:
    // Binds at once; throws boost::system::system_error when the address cannot be used.
    Listener(net::io_context& io, net::ssl::context& tls, NetworkContext& context, const tcp::endpoint& endpoint);

    tcp::endpoint LocalEndpoint() const { return acceptor_.local_endpoint(); }
    void Start();
    void Stop();

private:
    void Accept();
    void OnAccept(beast::error_code error, tcp::socket socket);

    net::io_context& io_;
    net::ssl::context& tls_;
    NetworkContext& context_;
    tcp::acceptor acceptor_;
    net::steady_timer backoff_;
};

}  // namespace mossquill::service
