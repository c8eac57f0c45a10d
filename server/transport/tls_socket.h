#pragma once

#include <boost/asio/compose.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/error.hpp>
#include <boost/beast/core/role.hpp>

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <type_traits>

namespace mossquill::service {

// A server-side TLS connection that lets OpenSSL read and write the socket itself.
// Asio's own TLS stream keeps about 70 KiB of fixed buffers per connection; here an
// idle connection holds only OpenSSL's session state (its record buffers are released
// while idle), which is what lets one machine hold tens of thousands of live sessions.
//
// An asynchronous stream for Beast (HTTP and WebSocket). Like beast::tcp_stream it has
// a deadline: a pending operation that outlives it fails with beast::error::timeout.
// Used on one strand.
class TlsSocket {
public:
    using executor_type = boost::asio::ip::tcp::socket::executor_type;

    TlsSocket(boost::asio::ip::tcp::socket socket, boost::asio::ssl::context& context);
    TlsSocket(TlsSocket&&) = default;
    TlsSocket& operator=(TlsSocket&&) = delete;
    ~TlsSocket();

    executor_type get_executor() { return socket_.get_executor(); }
    boost::asio::ip::tcp::socket& Socket() { return socket_; }

    void ExpiresAfter(std::chrono::steady_clock::duration timeout);
    void ExpiresNever();
    // Ends every pending operation with operation_aborted.
    void Cancel();
    void Close();

    template <class Handler>
    auto async_handshake(Handler&& handler) {
        return Start<false>([](SSL* ssl, std::size_t&) { return SSL_do_handshake(ssl); },
                            std::forward<Handler>(handler));
    }

    // Sends close_notify; does not wait for the peer's.
    template <class Handler>
    auto async_shutdown(Handler&& handler) {
        return Start<false>([](SSL* ssl, std::size_t&) { return SSL_shutdown(ssl) >= 0 ? 1 : -1; },
                            std::forward<Handler>(handler));
    }

    template <class MutableBufferSequence, class Handler>
    auto async_read_some(const MutableBufferSequence& buffers, Handler&& handler) {
        const boost::asio::mutable_buffer buffer = FirstBuffer(buffers);
        return Start<true>(
            [buffer](SSL* ssl, std::size_t& done) {
                return buffer.size() == 0 ? 1 : SSL_read_ex(ssl, buffer.data(), buffer.size(), &done);
            },
            std::forward<Handler>(handler));
    }

    template <class ConstBufferSequence, class Handler>
    auto async_write_some(const ConstBufferSequence& buffers, Handler&& handler) {
        // A WebSocket frame comes as header and payload; one record carries both.
        auto gathered = std::make_shared<std::string>();
        for (auto it = boost::asio::buffer_sequence_begin(buffers); it != boost::asio::buffer_sequence_end(buffers);
             ++it) {
            const boost::asio::const_buffer part = *it;
            if (gathered->size() + part.size() > kMaxGather) {
                if (gathered->empty()) {
                    gathered->assign(static_cast<const char*>(part.data()), kMaxGather);
                }
                break;
            }
            gathered->append(static_cast<const char*>(part.data()), part.size());
        }
        return Start<true>(
            [gathered](SSL* ssl, std::size_t& done) {
                return gathered->empty() ? 1 : SSL_write_ex(ssl, gathered->data(), gathered->size(), &done);
            },
            std::forward<Handler>(handler));
    }

private:
    static constexpr std::size_t kMaxGather = 16 * 1024;

    struct SslFree {
        void operator()(SSL* ssl) const { SSL_free(ssl); }
    };

    // Runs one OpenSSL call until it completes, waiting on the socket whenever it wants
    // to read or write.
    template <class Call, bool TransfersBytes>
    struct Operation {
        TlsSocket& stream;
        Call call;
        bool waited = false;

        template <class Self>
        void operator()(Self& self, boost::beast::error_code error = {}) {
            if (error) {
                Finish(self, stream.timedOut_ ? boost::beast::error::timeout : error, 0);
                return;
            }
            std::size_t done = 0;
            ERR_clear_error();  // OpenSSL reads the reason of a failure from this queue
            const int outcome = stream.Step(call(stream.ssl_.get(), done));
            if (outcome == kWantRead || outcome == kWantWrite) {
                waited = true;
                stream.socket_.async_wait(
                    outcome == kWantRead ? boost::asio::socket_base::wait_read : boost::asio::socket_base::wait_write,
                    std::move(self));
                return;
            }
            Finish(self, stream.lastError_, done);
        }

        // A result at once is handed over through the executor, never from inside the call.
        template <class Self>
        void Finish(Self& self, boost::beast::error_code error, std::size_t done) {
            if (waited) {
                Complete(self, error, done);
                return;
            }
            boost::asio::post(stream.get_executor(),
                              [self = std::move(self), error, done]() mutable { Complete(self, error, done); });
        }

        template <class Self>
        static void Complete(Self& self, boost::beast::error_code error, std::size_t done) {
            if constexpr (TransfersBytes) {
                self.complete(error, done);
            } else {
                self.complete(error);
            }
        }
    };

    template <bool TransfersBytes, class Call, class Handler>
    auto Start(Call call, Handler&& handler) {
        using Signature = std::conditional_t<TransfersBytes, void(boost::beast::error_code, std::size_t),
                                             void(boost::beast::error_code)>;
        return boost::asio::async_compose<Handler, Signature>(Operation<Call, TransfersBytes>{*this, std::move(call)},
                                                              handler, socket_);
    }

    template <class MutableBufferSequence>
    static boost::asio::mutable_buffer FirstBuffer(const MutableBufferSequence& buffers) {
        for (auto it = boost::asio::buffer_sequence_begin(buffers); it != boost::asio::buffer_sequence_end(buffers);
             ++it) {
            if (boost::asio::mutable_buffer buffer = *it; buffer.size() > 0) {
                return buffer;
            }
        }
        return {};
    }

    static constexpr int kDone = 0;
    static constexpr int kWantRead = 1;
    static constexpr int kWantWrite = 2;
    static constexpr int kFailed = 3;

    // Classifies the result of an OpenSSL call; a failure is left in lastError_.
    int Step(int result);

    boost::asio::ip::tcp::socket socket_;
    std::unique_ptr<SSL, SslFree> ssl_;
    boost::asio::steady_timer deadline_;
    // Lets a deadline handler that runs after this object has gone notice it.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    boost::beast::error_code lastError_;
    bool timedOut_ = false;
};

// What Beast's WebSocket stream needs of its lowest layer.
void beast_close_socket(TlsSocket& stream);
void teardown(boost::beast::role_type role, TlsSocket& stream, boost::beast::error_code& error);

template <class Handler>
void async_teardown(boost::beast::role_type, TlsSocket& stream, Handler&& handler) {
    stream.async_shutdown(std::forward<Handler>(handler));
}

}  // namespace mossquill::service
