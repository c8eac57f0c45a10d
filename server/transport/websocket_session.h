#pragma once

#include "transport/beast_types.h"
#include "transport/connection_tracker.h"
#include "live/live_connection.h"
#include "live/presence_coalescer.h"
#include "transport/network_context.h"
#include "store/store.h"

#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/websocket/stream.hpp>

#include <list>
#include <memory>
#include <optional>
#include <string>

namespace mossquill::service {

// One device's live session over WebSocket: hands complete messages to the relay and
// writes the relay's messages in order, one write at a time. All its work runs on the
// connection's strand; Send, Replace and Stop may be called from any thread.
class WebSocketSession : public LiveConnection,
                         public StoppableConnection,
                         public std::enable_shared_from_this<WebSocketSession> {
public:
    WebSocketSession(TlsStream stream, NetworkContext& context, ConnectionTracker::Ticket ticket, std::string peer,
                     LiveAdmission admission);

    void Accept(beast::http::request<beast::http::string_body> request);

    void Send(std::string message) override;
    void SendPresence(std::string aboutId, std::string message) override;
    void ForgetPresence(std::string aboutId) override;
    void Replace() override;
    void Stop() override;

private:
    void OnAccept(beast::error_code error);
    void Started(bool started);
    void Queue(std::string message);
    void ReadMessage();
    void OnRead(beast::error_code error);
    void WriteNext();
    void OnWrite(beast::error_code error);
    void CloseWith(beast::websocket::close_reason reason);
    void ScheduleHeartbeat();
    void SchedulePresence();
    void End(std::string_view reason);

    beast::websocket::stream<TlsStream> socket_;
    NetworkContext& context_;
    ConnectionTracker::Ticket ticket_;
    std::string peer_;
    DeviceRecord device_;
    std::vector<DeviceRecord> friends_;  // handed to the relay when the session opens
    beast::flat_buffer buffer_;
    // A list: empty, it holds no memory (a deque keeps a 512-byte block), and most sessions'
    // queues are empty most of the time.
    std::list<std::string> outgoing_;
    std::optional<beast::websocket::close_reason> pendingClose_;
    net::steady_timer heartbeat_;
    PresenceCoalescer presence_;
    net::steady_timer presenceTimer_;  // armed while presence_ remembers a friend
    bool writing_ = false;
    bool registered_ = false;  // the relay knows the session: queued messages may go out
    bool closing_ = false;
    bool open_ = false;
    bool ended_ = false;
};

}  // namespace mossquill::service
