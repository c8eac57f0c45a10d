#pragma once

#include "transport/beast_types.h"

#include <boost/asio/io_context.hpp>

#include <cstddef>
#include <memory>

namespace mossquill::service {

// Serves the metrics in plain HTTP on an address of their own (a monitoring network, never
// the public one): GET /metrics, one request per connection, a few connections at a time.
class MetricsListener : public std::enable_shared_from_this<MetricsListener> {
public:
    // Binds at once; throws boost::system::system_error when the address cannot be used.
    MetricsListener(net::io_context& io, const tcp::endpoint& endpoint);

    tcp::endpoint LocalEndpoint() const { return acceptor_.local_endpoint(); }
    void Start();
    void Stop();

private:
    void Accept();
    void Serve(tcp::socket socket);

    net::io_context& io_;
    tcp::acceptor acceptor_;
    std::shared_ptr<std::size_t> open_ = std::make_shared<std::size_t>(0);  // on the acceptor's strand
};

}  // namespace mossquill::service
