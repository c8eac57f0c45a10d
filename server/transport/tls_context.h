#pragma once

#include <boost/asio/ssl/context.hpp>

#include <string>

namespace mossquill::service {

// Server TLS (1.2 and newer) with the certificate chain and key in PEM files; throws
// std::runtime_error when they cannot be used.
boost::asio::ssl::context MakeServerTlsContext(const std::string& certificateChainFile, const std::string& keyFile);

}  // namespace mossquill::service
