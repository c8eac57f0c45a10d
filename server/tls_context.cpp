#include "tls_context.h"

#include <openssl/ssl.h>

#include <stdexcept>

namespace mossquill::service {

boost::asio::ssl::context MakeServerTlsContext(const std::string& certificateChainFile, const std::string& keyFile)
{
    namespace ssl = boost::asio::ssl;
    ssl::context context(ssl::context::tls_server);
    context.set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 | ssl::context::no_sslv3 |
                        ssl::context::no_tlsv1 | ssl::context::no_tlsv1_1 | ssl::context::single_dh_use);
    boost::system::error_code error;
    context.use_certificate_chain_file(certificateChainFile, error);
    if (error) {
        throw std::runtime_error("cannot use certificate " + certificateChainFile + ": " + error.message());
    }
    context.use_private_key_file(keyFile, ssl::context::pem, error);
    if (error) {
        throw std::runtime_error("cannot use key " + keyFile + ": " + error.message());
    }
    if (SSL_CTX_check_private_key(context.native_handle()) != 1) {
        throw std::runtime_error("key " + keyFile + " does not belong to certificate " + certificateChainFile);
    }
    return context;
}

}  // namespace mossquill::service
