#include "transport/tls_context.h"

#include <openssl/ssl.h>

#include <stdexcept>

namespace mossquill::service {
namespace {

constexpr const char* kTls12Suites =
    "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-RSA-AES128-GCM-SHA256:ECDHE-ECDSA-AES256-GCM-SHA384:"
    "ECDHE-RSA-AES256-GCM-SHA384:ECDHE-ECDSA-CHACHA20-POLY1305:ECDHE-RSA-CHACHA20-POLY1305";
// TLS 1.3 suites in the service's order: SHA-256 first, which processors hash in hardware
// (SHA-384 they do not), so the dozen key derivations of each handshake cost far less.
constexpr const char* kTls13Suites = "TLS_AES_128_GCM_SHA256:TLS_CHACHA20_POLY1305_SHA256:TLS_AES_256_GCM_SHA384";
constexpr const char* kGroups = "X25519:P-256:P-384";
// A pet that reconnects within this time resumes with its ticket: no certificate, no
// signature, a fraction of a full handshake.
constexpr long kTicketLifetimeSeconds = 2 * 60 * 60;
constexpr unsigned char kSessionContext[] = "mossquill";

}  // namespace

boost::asio::ssl::context MakeServerTlsContext(const std::string& certificateChainFile, const std::string& keyFile) {
    namespace ssl = boost::asio::ssl;
    ssl::context context(ssl::context::tls_server);
    context.set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 | ssl::context::no_sslv3 |
                        ssl::context::no_tlsv1 | ssl::context::no_tlsv1_1 | ssl::context::single_dh_use |
                        ssl::context::no_compression);
    SSL_CTX* native = context.native_handle();
    // TLS 1.2 offers only AEAD suites with forward secrecy (no CBC: LUCKY13 and kin);
    // TLS 1.3 suites are all of that kind already.
    if (SSL_CTX_set_cipher_list(native, kTls12Suites) != 1 || SSL_CTX_set_ciphersuites(native, kTls13Suites) != 1 ||
        SSL_CTX_set1_groups_list(native, kGroups) != 1) {
        throw std::runtime_error("the TLS library refuses the cipher suites");
    }
    SSL_CTX_set_options(native, SSL_OP_NO_RENEGOTIATION | SSL_OP_CIPHER_SERVER_PREFERENCE);
    // Idle connections are most of them; their read and write buffers go back to the heap.
    SSL_CTX_set_mode(native, SSL_MODE_RELEASE_BUFFERS);
    // A record's header and body in one read from the socket rather than two.
    SSL_CTX_set_read_ahead(native, 1);
    // Resumption by stateless tickets only (one per handshake): no session kept here per
    // client, so tens of thousands of them cost no memory.
    SSL_CTX_set_session_cache_mode(native, SSL_SESS_CACHE_SERVER | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_set_session_id_context(native, kSessionContext, sizeof kSessionContext - 1);
    SSL_CTX_set_timeout(native, kTicketLifetimeSeconds);
    SSL_CTX_set_num_tickets(native, 1);
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
