#include "transport/websocket_session.h"

#include "core/log_line.h"
#include "core/metrics.h"
#include "core/texts.h"
#include "live/wire_format.h"

#include <boost/asio/buffer.hpp>
#include <boost/asio/defer.hpp>
#include <boost/asio/post.hpp>

namespace mossquill::service {
namespace {

namespace websocket = beast::websocket;

constexpr const char* kHeartbeat = R"({"type":"heartbeat"})";
constexpr std::uint16_t kReplacedCloseCode = 4000;
// Enough for a heartbeat or a short message in one read.
constexpr std::size_t kIdleReadBytes = 256;

// Runs one step of the relay; a failure (the database, say) is logged and ends only
// this session, never the service.
template <class Step>
bool RunGuarded(const std::string& peer, Step&& step) {
    try {
        step();
        return true;
    } catch (const std::exception& error) {
        LogEvent("live_failure", {{"peer", peer}, {"error", error.what()}});
        return false;
    }
}

}  // namespace

WebSocketSession::WebSocketSession(TlsStream stream, NetworkContext& context, ConnectionTracker::Ticket ticket,
                                   std::string peer, LiveAdmission admission)
    : socket_(std::move(stream)),
      context_(context),
      ticket_(std::move(ticket)),
      peer_(std::move(peer)),
      device_(std::move(admission.device)),
      friends_(std::move(admission.friends)),
      heartbeat_(socket_.get_executor()),
      presence_(context.limits.presenceNoticeInterval),
      presenceTimer_(socket_.get_executor()) {}

void WebSocketSession::Accept(beast::http::request<beast::http::string_body> request) {
    ticket_.Attach(weak_from_this());
    socket_.next_layer().ExpiresNever();
    socket_.set_option(
        websocket::stream_base::timeout{context_.limits.handshakeTimeout, context_.limits.liveIdleTimeout, true});
    socket_.set_option(websocket::stream_base::decorator(
        [](websocket::response_type& response) { response.set(beast::http::field::server, "mossquill-service"); }));
    socket_.read_message_max(context_.limits.maxMessageBytes);
    // The request must stay alive until the handshake has been answered.
    auto held = std::make_shared<beast::http::request<beast::http::string_body>>(std::move(request));
    socket_.async_accept(*held, [self = shared_from_this(), held](beast::error_code error) { self->OnAccept(error); });
}

void WebSocketSession::OnAccept(beast::error_code error) {
    if (error) {
        End("handshake failed: " + error.message());
        return;
    }
    open_ = true;
    LogEvent("live_open", {{"peer", peer_}, {"device", device_.id}});
    if (closing_) {
        // Stopped while the handshake was finishing: the close goes out at once.
        WriteNext();
        ReadMessage();
        return;
    }
    // Opening may consult the directory of other instances, which no network thread waits
    // for: the relay takes the session on the storage thread (the friends came with the
    // admission, so no database work is left). Reading starts once it has, so that nothing
    // the client sends is missed.
    net::post(context_.storage, [self = shared_from_this(), friends = std::move(friends_)] {
        const bool started = RunGuarded(self->peer_, [&] { self->context_.relay.Open(self->device_, friends, self); });
        net::post(self->socket_.get_executor(), [self, started] { self->Started(started); });
    });
}

void WebSocketSession::Started(bool started) {
    registered_ = started;
    if (ended_) {
        if (started) {
            RunGuarded(peer_, [this] { context_.relay.Close(device_.id, *this); });
        }
        return;
    }
    if (!started) {
        CloseWith(websocket::close_reason(websocket::close_code::internal_error));
    }
    if (closing_ || ended_) {
        // Stopped or replaced meanwhile: the close is under way, and its read ends the session.
        ReadMessage();
        return;
    }
    WriteNext();
    ReadMessage();
    ScheduleHeartbeat();
}

void WebSocketSession::ReadMessage() {
    // Beast sizes the buffer of a read before any byte has come, about 1.5 KiB; most sessions
    // wait idle between messages, so the wait for a message's start reserves only a little.
    // The rest of a longer message follows in reads of Beast's own size.
    const std::size_t limit = buffer_.size() == 0 ? kIdleReadBytes : 0;
    socket_.async_read_some(buffer_, limit,
                            [self = shared_from_this()](beast::error_code error, std::size_t) { self->OnRead(error); });
}

void WebSocketSession::OnRead(beast::error_code error) {
    if (error) {
        End(error.message());
        return;
    }
    if (!socket_.is_message_done()) {
        ReadMessage();
        return;
    }
    // A flat buffer holds the message in one piece: the relay reads it where it lies.
    const std::string_view message(static_cast<const char*>(buffer_.data().data()), buffer_.size());
    if (!RunGuarded(peer_, [&] {
            const auto received = std::chrono::steady_clock::now();
            context_.relay.Receive(device_.id, *this, message, socket_.got_text());
            Metrics().relayLatency.Observe(std::chrono::steady_clock::now() - received);
        })) {
        CloseWith(websocket::close_reason(websocket::close_code::internal_error));
    }
    // Idle sessions are most of them: give the read buffer back between messages.
    buffer_.consume(buffer_.size());
    buffer_.shrink_to_fit();
    ReadMessage();
}

// Deferred rather than posted: a message relayed from another session's handler then waits
// for this thread to finish that handler instead of waking another thread to write it.
void WebSocketSession::Send(std::string message) {
    net::defer(socket_.get_executor(), [self = shared_from_this(), message = std::move(message)]() mutable {
        self->Queue(std::move(message));
    });
}

void WebSocketSession::SendPresence(std::string aboutId, std::string message) {
    net::defer(socket_.get_executor(), [self = shared_from_this(), aboutId = std::move(aboutId),
                                        message = std::move(message)]() mutable {
        if (self->closing_ || self->ended_) {
            return;
        }
        const bool idle = !self->presence_.NextDue();
        if (auto now = self->presence_.Offer(aboutId, std::move(message), std::chrono::steady_clock::now())) {
            self->Queue(std::move(*now));
        }
        if (idle) {
            self->SchedulePresence();
        }
    });
}

void WebSocketSession::ForgetPresence(std::string aboutId) {
    net::post(socket_.get_executor(),
              [self = shared_from_this(), aboutId = std::move(aboutId)] { self->presence_.Forget(aboutId); });
}

void WebSocketSession::SchedulePresence() {
    const auto due = presence_.NextDue();
    if (!due) {
        return;
    }
    presenceTimer_.expires_at(*due);
    presenceTimer_.async_wait([weak = weak_from_this()](beast::error_code error) {
        const auto self = weak.lock();
        if (error || !self || self->closing_ || self->ended_) {
            return;
        }
        for (std::string& notice : self->presence_.TakeDue(std::chrono::steady_clock::now())) {
            self->Queue(std::move(notice));
        }
        self->SchedulePresence();
    });
}

void WebSocketSession::Queue(std::string message) {
    if (closing_ || ended_) {
        return;
    }
    if (outgoing_.size() >= context_.limits.maxQueuedMessages) {
        // A client that does not read would make the queue grow without end.
        LogEvent("live_overflow", {{"peer", peer_}, {"device", device_.id}});
        closing_ = true;
        socket_.next_layer().Close();
        return;
    }
    outgoing_.push_back(std::move(message));
    if (!writing_ && registered_) {
        WriteNext();
    }
}

void WebSocketSession::Replace() {
    net::post(socket_.get_executor(), [self = shared_from_this()] {
        LogEvent("live_replaced", {{"peer", self->peer_}, {"device", self->device_.id}});
        self->CloseWith(websocket::close_reason(static_cast<websocket::close_code>(kReplacedCloseCode),
                                                "replaced by a newer session"));
    });
}

void WebSocketSession::Stop() {
    net::post(socket_.get_executor(), [self = shared_from_this()] {
        self->CloseWith(websocket::close_reason(websocket::close_code::going_away));
    });
}

void WebSocketSession::WriteNext() {
    if (writing_) {
        return;
    }
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
    socket_.async_write(net::buffer(outgoing_.front()),
                        [self = shared_from_this()](beast::error_code error, std::size_t) { self->OnWrite(error); });
}

void WebSocketSession::OnWrite(beast::error_code error) {
    writing_ = false;
    if (error) {
        return;  // the pending read fails as well and ends the session
    }
    outgoing_.pop_front();
    WriteNext();
}

void WebSocketSession::CloseWith(websocket::close_reason reason) {
    if (closing_ || ended_) {
        return;
    }
    closing_ = true;
    heartbeat_.cancel();
    presenceTimer_.cancel();
    if (!open_) {
        // A handshake still being written fails; one already written closes on completion.
        pendingClose_ = reason;
        socket_.next_layer().Cancel();
        return;
    }
    // Only a message already being written still goes out.
    outgoing_.erase(writing_ ? std::next(outgoing_.begin()) : outgoing_.begin(), outgoing_.end());
    pendingClose_ = reason;
    if (!writing_) {
        WriteNext();
    }
}

void WebSocketSession::ScheduleHeartbeat() {
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

void WebSocketSession::End(std::string_view reason) {
    if (ended_) {
        return;
    }
    ended_ = true;
    heartbeat_.cancel();
    presenceTimer_.cancel();
    if (open_) {
        RunGuarded(peer_, [this] { context_.relay.Close(device_.id, *this); });
    }
    LogEvent("live_close", {{"peer", peer_}, {"device", device_.id}, {"reason", reason}});
}

}  // namespace mossquill::service
