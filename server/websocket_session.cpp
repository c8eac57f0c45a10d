#include "websocket_session.h"

#include "log_line.h"
#include "texts.h"
#include "wire_format.h"

#include <boost/asio/buffer.hpp>
#include <boost/beast/core/buffers_to_string.hpp>
#include <boost/beast/websocket/ssl.hpp>

namespace mossquill::service {
namespace {

namespace websocket = beast::websocket;

constexpr const char* kHeartbeat = R"({"type":"heartbeat"})";
constexpr std::uint16_t kReplacedCloseCode = 4000;

// Runs one step of the relay; a failure (the database, say) is logged and ends only
// this session, never the service.
template <class Step>
bool RunGuarded(const std::string& peer, Step&& step)
{
    try {
        step();
        return true;
    } catch (const std::exception& error) {
        LogLine(peer + " live failure: " + error.what());
        return false;
    }
}

}  // namespace

WebSocketSession::WebSocketSession(TlsStream stream, NetworkContext& context, ConnectionTracker::Ticket ticket,
                                   std::string peer, DeviceRecord device)
    : socket_(std::move(stream)),
      context_(context),
      ticket_(std::move(ticket)),
      peer_(std::move(peer)),
      device_(std::move(device)),
      heartbeat_(socket_.get_executor())
{
}

void WebSocketSession::Accept(beast::http::request<beast::http::string_body> request)
{
    ticket_.Attach(weak_from_this());
    beast::get_lowest_layer(socket_).expires_never();
    socket_.set_option(websocket::stream_base::timeout{context_.limits.handshakeTimeout,
                                                       context_.limits.liveIdleTimeout, true});
    socket_.set_option(websocket::stream_base::decorator([](websocket::response_type& response) {
        response.set(beast::http::field::server, "mossquill-service");
    }));
    socket_.read_message_max(context_.limits.maxMessageBytes);
    // The request must stay alive until the handshake has been answered.
    auto held = std::make_shared<beast::http::request<beast::http::string_body>>(std::move(request));
    socket_.async_accept(*held, [self = shared_from_this(), held](beast::error_code error) { self->OnAccept(error); });
}

void WebSocketSession::OnAccept(beast::error_code error)
{
    if (error) {
        End("handshake failed: " + error.message());
        return;
    }
    open_ = true;
    LogLine(peer_ + " live open device=" + device_.id);
    if (!RunGuarded(peer_, [this] { context_.relay.Open(device_, shared_from_this()); })) {
        CloseWith(websocket::close_reason(websocket::close_code::internal_error));
    }
    ReadMessage();
    ScheduleHeartbeat();
}

void WebSocketSession::ReadMessage()
{
    socket_.async_read(buffer_, [self = shared_from_this()](beast::error_code error, std::size_t) {
        self->OnRead(error);
    });
}

void WebSocketSession::OnRead(beast::error_code error)
{
    if (error) {
        End(error.message());
        return;
    }
    if (!socket_.got_text()) {
        Send(LiveError(texts::kMessageNotText));
    } else {
        const std::string text = beast::buffers_to_string(buffer_.data());
        if (!RunGuarded(peer_, [&] { context_.relay.Receive(device_.id, *this, text); })) {
            CloseWith(websocket::close_reason(websocket::close_code::internal_error));
        }
    }
    buffer_.consume(buffer_.size());
    ReadMessage();
}

void WebSocketSession::Send(std::string message)
{
    if (closing_ || ended_) {
        return;
    }
    if (outgoing_.size() >= context_.limits.maxQueuedMessages) {
        // A client that does not read would make the queue grow without end.
        LogLine(peer_ + " live overflow device=" + device_.id);
        closing_ = true;
        beast::error_code ignored;
        beast::get_lowest_layer(socket_).socket().close(ignored);
        return;
    }
    outgoing_.push_back(std::move(message));
    if (!writing_) {
        WriteNext();
    }
}

void WebSocketSession::Replace()
{
    LogLine(peer_ + " live replaced device=" + device_.id);
    CloseWith(websocket::close_reason(static_cast<websocket::close_code>(kReplacedCloseCode), "replaced by a newer session"));
}

void WebSocketSession::Stop() { CloseWith(websocket::close_reason(websocket::close_code::going_away)); }

void WebSocketSession::WriteNext()
{
    if (outgoing_.empty()) {
        if (pendingClose_) {
            const websocket::close_reason reason = *pendingClose_;
            pendingClose_.reset();
            writing_ = true;
            socket_.async_close(reason, [self = shared_from_this()](beast::error_code) { self->writing_ = false; });
        }
        return;
    }
    writing_ = true;
    socket_.text(true);
    socket_.async_write(net::buffer(outgoing_.front()), [self = shared_from_this()](beast::error_code error,
                                                                                    std::size_t) {
        self->OnWrite(error);
    });
}

void WebSocketSession::OnWrite(beast::error_code error)
{
    writing_ = false;
    if (error) {
        return;  // the pending read fails as well and ends the session
    }
    outgoing_.pop_front();
    WriteNext();
}

void WebSocketSession::CloseWith(websocket::close_reason reason)
{
    if (closing_ || ended_) {
        return;
    }
    closing_ = true;
    heartbeat_.cancel();
    if (!open_) {
        beast::get_lowest_layer(socket_).cancel();
        return;
    }
    // Only a message already being written still goes out.
    outgoing_.erase(writing_ ? std::next(outgoing_.begin()) : outgoing_.begin(), outgoing_.end());
    pendingClose_ = reason;
    if (!writing_) {
        WriteNext();
    }
}

void WebSocketSession::ScheduleHeartbeat()
{
    heartbeat_.expires_after(context_.limits.heartbeatInterval);
    heartbeat_.async_wait([weak = weak_from_this()](beast::error_code error) {
        const auto self = weak.lock();
        if (error || !self || self->closing_ || self->ended_) {
            return;
        }
        self->Send(kHeartbeat);
        self->ScheduleHeartbeat();
    });
}

void WebSocketSession::End(std::string_view reason)
{
    if (ended_) {
        return;
    }
    ended_ = true;
    heartbeat_.cancel();
    if (open_) {
        RunGuarded(peer_, [this] { context_.relay.Close(device_.id, *this); });
    }
    LogLine(peer_ + " live close device=" + device_.id + ": " + std::string(reason));
}

}  // namespace mossquill::service
