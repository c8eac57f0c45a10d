#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/beast/core/error.hpp>

#include "transport/tls_socket.h"

namespace mossquill::service {

namespace net = boost::asio;
namespace beast = boost::beast;
using tcp = net::ip::tcp;
using TlsStream = TlsSocket;

}  // namespace mossquill::service
