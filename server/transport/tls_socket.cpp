#include "transport/tls_socket.h"

#include <boost/asio/ssl/error.hpp>

#include <openssl/err.h>

#include <sys/socket.h>

#include <cerrno>
#include <stdexcept>

namespace mossquill::service {
namespace {

namespace net = boost::asio;

// OpenSSL's socket BIO writes with write(), which raises SIGPIPE when the peer has gone;
// this one sends with MSG_NOSIGNAL and reads as the socket BIO does.
int SendWithoutSignal(BIO* bio, const char* data, int size) {
    int descriptor = -1;
    BIO_get_fd(bio, &descriptor);
    errno = 0;
    const auto sent = static_cast<int>(send(descriptor, data, static_cast<std::size_t>(size), MSG_NOSIGNAL));
    BIO_clear_retry_flags(bio);
    if (sent <= 0 && BIO_sock_should_retry(sent)) {
        BIO_set_retry_write(bio);
    }
    return sent;
}

const BIO_METHOD* SocketMethod() {
    static const BIO_METHOD* const method = [] {
        const BIO_METHOD* socket = BIO_s_socket();
        BIO_METHOD* own = BIO_meth_new(BIO_TYPE_SOCKET, "socket without SIGPIPE");
        if (own == nullptr) {
            throw std::runtime_error("cannot make a socket BIO method");
        }
        BIO_meth_set_write(own, SendWithoutSignal);
        BIO_meth_set_read(own, BIO_meth_get_read(socket));
        BIO_meth_set_puts(own, BIO_meth_get_puts(socket));
        BIO_meth_set_ctrl(own, BIO_meth_get_ctrl(socket));
        BIO_meth_set_create(own, BIO_meth_get_create(socket));
        BIO_meth_set_destroy(own, BIO_meth_get_destroy(socket));
        return own;
    }();
    return method;
}

}  // namespace

TlsSocket::TlsSocket(net::ip::tcp::socket socket, net::ssl::context& context)
    : socket_(std::move(socket)), ssl_(SSL_new(context.native_handle())), deadline_(socket_.get_executor()) {
    if (!ssl_) {
        throw std::runtime_error("cannot make a TLS connection object");
    }
    boost::system::error_code ignored;
    socket_.non_blocking(true, ignored);
    // OpenSSL writes each record as it is ready (a handshake's session tickets, a frame
    // after its handshake); Nagle's algorithm would hold the small ones for an ACK.
    socket_.set_option(net::ip::tcp::no_delay(true), ignored);
    BIO* bio = BIO_new(SocketMethod());
    if (bio == nullptr) {
        throw std::runtime_error("cannot make a socket BIO");
    }
    BIO_set_fd(bio, static_cast<int>(socket_.native_handle()), BIO_NOCLOSE);
    SSL_set_bio(ssl_.get(), bio, bio);
    SSL_set_accept_state(ssl_.get());
}

TlsSocket::~TlsSocket() {
    if (alive_) {
        *alive_ = false;
    }
}

void TlsSocket::ExpiresAfter(std::chrono::steady_clock::duration timeout) {
    timedOut_ = false;
    deadline_.expires_after(timeout);
    deadline_.async_wait([this, alive = std::weak_ptr<bool>(alive_)](boost::beast::error_code error) {
        const auto living = alive.lock();
        if (error || !living || !*living) {
            return;
        }
        timedOut_ = true;
        Cancel();
    });
}

void TlsSocket::ExpiresNever() { deadline_.cancel(); }

void TlsSocket::Cancel() {
    boost::system::error_code ignored;
    socket_.cancel(ignored);
}

void TlsSocket::Close() {
    boost::system::error_code ignored;
    deadline_.cancel();
    socket_.close(ignored);
}

int TlsSocket::Step(int result) {
    lastError_ = {};
    if (result == 1) {
        return kDone;  // nothing queued: every call starts with a cleared queue
    }
    const int reason = SSL_get_error(ssl_.get(), result);
    if (reason == SSL_ERROR_WANT_READ) {
        return kWantRead;
    }
    if (reason == SSL_ERROR_WANT_WRITE) {
        return kWantWrite;
    }
    if (reason == SSL_ERROR_ZERO_RETURN) {
        lastError_ = net::error::eof;
    } else if (reason == SSL_ERROR_SYSCALL && ERR_peek_error() == 0) {
        lastError_ = errno != 0 ? boost::beast::error_code(errno, boost::system::system_category())
                                : boost::beast::error_code(net::ssl::error::stream_truncated);
    } else if (ERR_GET_REASON(ERR_peek_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING) {
        lastError_ = net::ssl::error::stream_truncated;
    } else {
        lastError_ = boost::beast::error_code(static_cast<int>(ERR_peek_error()), net::error::get_ssl_category());
    }
    ERR_clear_error();
    return kFailed;
}

void beast_close_socket(TlsSocket& stream) { stream.Close(); }

void teardown(boost::beast::role_type, TlsSocket& stream, boost::beast::error_code& error) {
    error = {};
    stream.Close();
}

}  // namespace mossquill::service
