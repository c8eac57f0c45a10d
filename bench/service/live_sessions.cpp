#include "live_sessions.h"

#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/beast/websocket/ssl.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <deque>
#include <string>

namespace load {

namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;

class Session : public std::enable_shared_from_this<Session> {
public:
    Session(LoadState& state, std::size_t index, SSL_SESSION* resume = nullptr)
        : state_(state), index_(index), socket_(state.io, state.tls) {
        if (resume != nullptr) {
            SSL_set_session(socket_.next_layer().native_handle(), resume);
        }
    }

    bool Open() const { return open_; }

    void Start() {
        auto& tcpSocket = beast::get_lowest_layer(socket_).socket();
        beast::error_code error;
        tcpSocket.open(tcp::v4(), error);
        if (!error) {
            tcpSocket.bind(tcp::endpoint(SourceAddress(state_.options, index_), 0), error);
        }
        if (error) {
            Fail();
            return;
        }
        SSL_set_tlsext_host_name(socket_.next_layer().native_handle(), kHostName);
        beast::get_lowest_layer(socket_).expires_after(std::chrono::seconds(30));
        beast::get_lowest_layer(socket_).async_connect(
            TargetOf(state_.options, index_),
            [self = shared_from_this()](beast::error_code error) { self->OnConnect(error); });
    }

    void SendVisit(std::size_t visit, const std::string& to) {
        if (!open_) {
            ++state_.totals.sendFailures;
            return;
        }
        outgoing_.push_back(
            nlohmann::json{{"type", "action"}, {"to", to}, {"action", "greet"}, {"text", std::to_string(visit)}}
                .dump());
        if (outgoing_.size() == 1) {
            WriteNext();
        }
    }

    void Close() {
        if (open_) {
            open_ = false;
            closing_ = true;
            socket_.async_close(websocket::close_code::normal, [self = shared_from_this()](beast::error_code) {});
        }
    }

private:
    void OnConnect(beast::error_code error) {
        if (error) {
            Fail();
            return;
        }
        socket_.next_layer().async_handshake(ssl::stream_base::client,
                                             [self = shared_from_this()](beast::error_code error) {
                                                 if (error) {
                                                     self->Fail();
                                                     return;
                                                 }
                                                 self->WebSocketHandshake();
                                             });
    }

    void WebSocketHandshake() {
        beast::get_lowest_layer(socket_).expires_never();
        socket_.set_option(websocket::stream_base::timeout::suggested(beast::role_type::client));
        const Identity& identity = state_.devices[index_];
        socket_.set_option(websocket::stream_base::decorator([identity](websocket::request_type& request) {
            request.set("X-Mossquill-App-Key", kAppKey);
            request.set("X-Mossquill-Device", identity.id);
            request.set(http::field::authorization, "Bearer " + identity.token);
        }));
        socket_.async_handshake(kHostName, "/v1/ws", [self = shared_from_this()](beast::error_code error) {
            if (error) {
                self->Fail();
                return;
            }
            self->Read();
        });
    }

    void Read() {
        socket_.async_read(buffer_,
                           [self = shared_from_this()](beast::error_code error, std::size_t) { self->OnRead(error); });
    }

    void OnRead(beast::error_code error) {
        if (error) {
            if (open_ && !closing_) {
                ++state_.totals.closedEarly;
                state_.totals.outageClosedEarly += state_.outage.During(Clock::now()) ? 1 : 0;
            } else if (!connected_) {
                Fail();
            }
            open_ = false;
            return;
        }
        const auto message = nlohmann::json::parse(beast::buffers_to_string(buffer_.data()), nullptr, false);
        buffer_.consume(buffer_.size());
        const std::string type = message.is_object() ? message.value("type", "") : "";
        if (type == "connected" && !connected_) {
            connected_ = true;
            open_ = true;
            ++state_.totals.connected;
            SSL* native = socket_.next_layer().native_handle();
            state_.totals.resumed += SSL_session_reused(native) == 1 ? 1 : 0;
            // The service's ticket came before its first message: kept for the reconnect storm.
            if (state_.tickets[index_] == nullptr) {
                state_.tickets[index_] = SSL_get1_session(native);
            }
            Finished();
        } else if (type == "action") {
            const std::size_t visit = std::stoull(message.at("text").get<std::string>());
            if (visit < state_.sentAt.size() && !state_.arrived[visit]) {
                state_.arrived[visit] = true;
                ++state_.totals.visitsReceived;
                const double latency =
                    std::chrono::duration<double, std::milli>(Clock::now() - state_.sentAt[visit]).count();
                state_.totals.latenciesMs.push_back(latency);
                if (state_.outage.planned && state_.duringOutage[visit] == 0) {
                    state_.totals.steadyLatenciesMs.push_back(latency);
                }
                if (state_.duringOutage[visit] == 'l') {
                    ++state_.totals.outageLocalDelivered;
                    state_.totals.outageLocalLatenciesMs.push_back(latency);
                }
            }
        } else if (type == "error") {
            ++state_.totals.errorsReceived;
            state_.totals.outageErrors += state_.outage.During(Clock::now()) ? 1 : 0;
        } else if (type == "heartbeat") {
            state_.totals.outageHeartbeats += state_.outage.During(Clock::now()) ? 1 : 0;
        }
        Read();
    }

    void WriteNext() {
        socket_.async_write(net::buffer(outgoing_.front()),
                            [self = shared_from_this()](beast::error_code error, std::size_t) {
                                if (error) {
                                    ++self->state_.totals.sendFailures;
                                    self->outgoing_.clear();
                                    return;
                                }
                                self->outgoing_.pop_front();
                                if (!self->outgoing_.empty()) {
                                    self->WriteNext();
                                }
                            });
    }

    void Fail() {
        ++state_.totals.connectFailures;
        Finished();
    }

    void Finished() {
        --state_.pendingConnects;
        state_.ConnectMore();
    }

    LoadState& state_;
    std::size_t index_;
    websocket::stream<beast::ssl_stream<beast::tcp_stream>> socket_;
    beast::flat_buffer buffer_;
    std::deque<std::string> outgoing_;
    bool connected_ = false;
    bool open_ = false;
    bool closing_ = false;
};

void LoadState::ConnectAll(bool resume, std::function<void()> done) {
    std::vector<std::shared_ptr<Session>> fresh;
    for (const std::size_t device : members) {
        fresh.push_back(std::make_shared<Session>(*this, device, resume ? tickets[device] : nullptr));
    }
    sessions.swap(fresh);
    nextToConnect = 0;
    pendingConnects = 0;
    onAllConnected = std::move(done);
    ConnectMore();
}

void LoadState::CloseAll() {
    for (auto& session : sessions) {
        session->Close();
    }
}

void LoadState::ConnectMore() {
    while (pendingConnects < inFlight && nextToConnect < sessions.size()) {
        ++pendingConnects;
        sessions[nextToConnect++]->Start();
    }
    if (pendingConnects == 0 && nextToConnect == sessions.size() && onAllConnected) {
        auto done = std::move(onAllConnected);
        onAllConnected = nullptr;
        done();
    }
}

void LoadState::Hold(Clock::time_point began, std::function<void(std::size_t)> done) {
    auto timer = std::make_shared<net::steady_timer>(io);
    auto tick = std::make_shared<std::function<void()>>();
    const double rate = visitsPerSecond;
    const auto dueOf = [began, rate](std::size_t visit) {
        return began + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(static_cast<double>(visit) / rate));
    };
    const auto holdEnds = began + std::chrono::seconds(options.holdSeconds);
    // Alternates the direction within a pair so that both friends send equally often.
    *tick = [this, timer, tick, done = std::move(done), holdEnds, dueOf, nextPair = std::size_t{0}]() mutable {
        const auto now = Clock::now();
        if (now >= holdEnds) {
            const auto held = static_cast<std::size_t>(
                std::count_if(sessions.begin(), sessions.end(), [](auto& s) { return s->Open(); }));
            const auto finished = std::move(done);
            *tick = nullptr;  // breaks the cycle; nothing of this closure is used after it
            finished(held);
            return;
        }
        const std::size_t pairs = sessions.size() / 2;
        const bool sending = pairs > 0 && visitsPerSecond > 0;
        while (sending && dueOf(totals.visitsSent) <= now) {
            const std::size_t visit = totals.visitsSent++;
            const std::size_t pair = nextPair++ % pairs;
            const std::size_t from = pair * 2 + (visit / pairs) % 2;
            const std::size_t to = from ^ 1u;
            // Latency counts from when the visit was due, so a load program that falls
            // behind cannot hide the wait (no coordinated omission).
            const auto dueAt = dueOf(visit);
            sentAt.push_back(dueAt);
            arrived.push_back(false);
            const bool local = IsLocalPair(options, members[pair * 2] / 2);
            const bool covered = outage.Covers(dueAt);
            duringOutage.push_back(covered ? (local ? 'l' : 'x') : 0);
            totals.outageLocalSent += covered && local ? 1 : 0;
            totals.outageAcrossSent += covered && !local ? 1 : 0;
            sessions[from]->SendVisit(visit, devices[members[to]].id);
        }
        // Waking for each visit when it is due, rather than on a coarse tick, keeps the
        // load program's own wait out of the latency it reports.
        timer->expires_at(sending ? std::min(dueOf(totals.visitsSent), holdEnds) : holdEnds);
        timer->async_wait([tick](beast::error_code) { (*tick)(); });
    };
    (*tick)();
}

Totals LoadState::Finish() const {
    Totals finished = totals;
    // Visits across instances while Redis was stopped may be answered as offline instead.
    for (std::size_t visit = 0; visit < arrived.size(); ++visit) {
        finished.dropped += !arrived[visit] && duringOutage[visit] != 'x' ? 1 : 0;
    }
    return finished;
}

}  // namespace load
