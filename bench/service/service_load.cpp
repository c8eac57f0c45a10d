// Load program for the online service: registers devices in friend pairs, holds one live
// session per device over TLS, relays visits between the friends at a fixed rate and prints
// what the service carried. Loopback only; run it through scripts/bench-service.

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/beast/websocket/ssl.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>

#include <signal.h>
#include <unistd.h>
#include <vector>

namespace {

namespace net = boost::asio;
namespace ssl = net::ssl;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = net::ip::tcp;
using Clock = std::chrono::steady_clock;

constexpr const char* kAppKey = "5d3b8e0f71a24c96b0e7d14f2a9c63e85b07f1d2c4a98e360f5b12d7e4c9a0b6";
constexpr const char* kHostName = "localhost";
constexpr int kSetupThreads = 8;
constexpr auto kTick = std::chrono::milliseconds(5);
constexpr auto kDrainTime = std::chrono::seconds(3);
// With several instances, one friend pair in this many sits on one instance, so that visits
// that need no other instance can be told apart while Redis is stopped.
constexpr std::size_t kLocalPairEvery = 10;
constexpr auto kOutageStartsAfter = std::chrono::seconds(5);
// Cross-instance visits sent this long after Redis comes back may still meet its back-off.
constexpr auto kOutageSettleTime = std::chrono::seconds(3);
constexpr auto kHealthProbeInterval = std::chrono::seconds(1);
constexpr auto kHealthProbeTimeout = std::chrono::seconds(2);

struct Target {
    std::string host = "127.0.0.1";
    unsigned short port = 0;
};

struct Options {
    // Several instances of the service share the sessions: session i goes to target i mod n.
    std::vector<Target> targets;
    std::string caFile;
    std::vector<int> servicePids;  // their figures are added up
    std::size_t sessions = 1000;
    double visitsPerSecond = 200;
    int holdSeconds = 10;
    std::size_t inFlight = 200;       // connection attempts at once
    std::size_t sourcePrefixes = 50;  // client addresses 127.0.P.1 .. 127.0.P+K.1, one /24 each
    int redisPid = 0;                 // stopped (SIGSTOP) for outageSeconds during the hold
    int outageSeconds = 10;
};

struct Identity {
    std::string id;
    std::string token;
};

// ---- the service's process, read from /proc ----

struct ProcessSample {
    double cpuSeconds = 0;
    double rssKiB = 0;
};

ProcessSample SampleOneProcess(int pid) {
    ProcessSample sample;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    // Fields after the command name, which ends at the last ')'.
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    double user = 0;
    double system = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14) {
            user = std::stod(field);
        } else if (index == 15) {
            system = std::stod(field);
            break;
        }
    }
    sample.cpuSeconds = (user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            sample.rssKiB = std::stod(line.substr(6));
        }
    }
    return sample;
}

ProcessSample SampleProcess(const std::vector<int>& pids) {
    ProcessSample total;
    for (const int pid : pids) {
        const ProcessSample sample = SampleOneProcess(pid);
        total.cpuSeconds += sample.cpuSeconds;
        total.rssKiB += sample.rssKiB;
    }
    return total;
}

bool IsLocalPair(const Options& options, std::size_t pair) {
    return options.targets.size() > 1 && pair % kLocalPairEvery == kLocalPairEvery - 1;
}

tcp::endpoint TargetOf(const Options& options, std::size_t index) {
    const std::size_t slot = IsLocalPair(options, index / 2) ? index / 2 : index;
    const Target& target = options.targets[slot % options.targets.size()];
    return {net::ip::make_address(target.host), target.port};
}

ssl::context MakeClientTls(const std::string& caFile) {
    ssl::context context(ssl::context::tls_client);
    context.load_verify_file(caFile);
    context.set_verify_mode(ssl::verify_peer);
    return context;
}

net::ip::address SourceAddress(const Options& options, std::size_t index) {
    const auto prefix = static_cast<unsigned>(1 + index % options.sourcePrefixes);
    return net::ip::make_address_v4((127u << 24) | ((prefix >> 8) << 16) | ((prefix & 0xff) << 8) | 1u);
}

// ---- setup: registration and pairing over kept-alive HTTPS connections ----

class SetupClient {
public:
    SetupClient(const Options& options, ssl::context& tls, std::size_t index)
        : options_(options), tls_(tls), index_(index) {}

    nlohmann::json Call(http::verb method, const std::string& target, const nlohmann::json& body,
                        const Identity* identity, unsigned expected) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                if (!stream_) {
                    Connect();
                }
                http::request<http::string_body> request(method, target, 11);
                request.set(http::field::host, kHostName);
                request.set("X-Mossquill-App-Key", kAppKey);
                request.set(http::field::content_type, "application/json");
                if (identity != nullptr) {
                    request.set("X-Mossquill-Device", identity->id);
                    request.set(http::field::authorization, "Bearer " + identity->token);
                }
                request.body() = body.dump();
                request.prepare_payload();
                http::write(*stream_, request);
                http::response<http::string_body> response;
                http::read(*stream_, buffer_, response);
                if (!response.keep_alive()) {
                    stream_.reset();
                }
                if (response.result_int() != expected) {
                    throw std::runtime_error(target + " answered " + std::to_string(response.result_int()) + " " +
                                             response.body());
                }
                return nlohmann::json::parse(response.body());
            } catch (const boost::system::system_error&) {
                stream_.reset();  // a closed kept-alive connection: reconnect once
                if (attempt == 1) {
                    throw;
                }
            }
        }
        return {};
    }

private:
    void Connect() {
        stream_.emplace(io_, tls_);
        SSL_set_tlsext_host_name(stream_->native_handle(), kHostName);
        stream_->set_verify_callback(ssl::host_name_verification(kHostName));
        auto& socket = beast::get_lowest_layer(*stream_).socket();
        socket.open(tcp::v4());
        socket.bind(tcp::endpoint(SourceAddress(options_, index_), 0));
        socket.connect(TargetOf(options_, index_));
        stream_->handshake(ssl::stream_base::client);
        buffer_.clear();
    }

    const Options& options_;
    ssl::context& tls_;
    std::size_t index_;
    net::io_context io_;
    std::optional<beast::ssl_stream<beast::tcp_stream>> stream_;
    beast::flat_buffer buffer_;
};

// Devices 2k and 2k+1 are friends.
std::vector<Identity> RegisterPairs(const Options& options) {
    std::vector<Identity> devices(options.sessions);
    std::atomic<std::size_t> nextPair{0};
    std::atomic<bool> failed{false};
    std::string failure;
    std::mutex failureMutex;
    std::vector<std::thread> workers;
    for (int worker = 0; worker < kSetupThreads; ++worker) {
        workers.emplace_back([&, worker] {
            ssl::context tls = MakeClientTls(options.caFile);
            SetupClient client(options, tls, static_cast<std::size_t>(worker));
            try {
                for (std::size_t pair = nextPair++; pair * 2 + 1 < devices.size() && !failed; pair = nextPair++) {
                    for (std::size_t member = 0; member < 2; ++member) {
                        const auto answer =
                            client.Call(http::verb::post, "/v1/register",
                                        {{"nickname", "压测" + std::to_string(pair % 1000)}}, nullptr, 201);
                        devices[pair * 2 + member] = {answer.at("device").at("id"), answer.at("device").at("token")};
                    }
                    const auto code = client.Call(http::verb::post, "/v1/pair/create", nlohmann::json::object(),
                                                  &devices[pair * 2], 200);
                    client.Call(http::verb::post, "/v1/pair/claim", {{"code", code.at("code")}}, &devices[pair * 2 + 1],
                                200);
                }
            } catch (const std::exception& error) {
                std::lock_guard lock(failureMutex);
                failed = true;
                failure = error.what();
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    if (failed) {
        throw std::runtime_error("setup failed: " + failure);
    }
    return devices;
}

// ---- live sessions ----

struct Totals {
    std::size_t connected = 0;
    std::size_t resumed = 0;  // TLS sessions resumed with a ticket
    std::size_t connectFailures = 0;
    std::size_t closedEarly = 0;
    std::size_t visitsSent = 0;
    std::size_t visitsReceived = 0;
    std::size_t errorsReceived = 0;
    std::size_t sendFailures = 0;
    std::size_t heartbeats = 0;
    std::vector<double> latenciesMs;
};

// What happened while Redis was stopped: visits between friends on one instance must flow,
// the others may be answered as offline; heartbeats and health answers must keep coming.
struct Outage {
    bool planned = false;
    bool started = false;
    bool ended = false;
    Clock::time_point began;
    Clock::time_point over;
    Totals atStart;
    Totals atEnd;
    std::size_t openAtStart = 0;
    std::size_t openAtEnd = 0;
    std::size_t localSent = 0;
    std::size_t localDelivered = 0;
    std::vector<double> localLatenciesMs;

    bool Covers(Clock::time_point when) const {
        return started && when >= began && (!ended || when < over + kOutageSettleTime);
    }
};

class Session;

struct LoadState {
    const Options& options;
    net::io_context& io;
    ssl::context& tls;
    Totals totals;
    std::vector<Clock::time_point> sentAt;  // by visit number: when it was due
    std::vector<bool> arrived;
    std::vector<char> duringOutage;  // by visit number: 'l' local, 'x' across instances, 0 otherwise
    Outage outage;
    std::size_t pendingConnects = 0;
    std::size_t nextToConnect = 0;
    std::vector<std::shared_ptr<Session>> sessions;
    std::vector<Identity> devices;
    std::function<void()> onAllConnected;
    std::vector<SSL_SESSION*> tickets;  // by session: the TLS session to resume on reconnecting

    ~LoadState() {
        for (SSL_SESSION* ticket : tickets) {
            SSL_SESSION_free(ticket);
        }
    }

    void ConnectMore();
};

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
                if (state_.duringOutage[visit] == 'l') {
                    ++state_.outage.localDelivered;
                    state_.outage.localLatenciesMs.push_back(latency);
                }
            }
        } else if (type == "heartbeat") {
            ++state_.totals.heartbeats;
        } else if (type == "error") {
            ++state_.totals.errorsReceived;
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

void LoadState::ConnectMore() {
    while (pendingConnects < options.inFlight && nextToConnect < sessions.size()) {
        ++pendingConnects;
        sessions[nextToConnect++]->Start();
    }
    if (pendingConnects == 0 && nextToConnect == sessions.size() && onAllConnected) {
        auto done = std::move(onAllConnected);
        onAllConnected = nullptr;
        done();
    }
}

// ---- Redis stopped under load ----

struct HealthAnswer {
    unsigned status = 0;  // 0: no answer within the time-out
    double ms = 0;
};

// One GET /v1/health on a connection of its own, bounded in time: a network thread of the
// service that waited on Redis would show here as a missing answer.
HealthAnswer ProbeHealth(const Options& options, ssl::context& tls, std::size_t target) {
    net::io_context io;
    beast::ssl_stream<beast::tcp_stream> stream(io, tls);
    SSL_set_tlsext_host_name(stream.native_handle(), kHostName);
    http::request<http::empty_body> request(http::verb::get, "/v1/health", 11);
    request.set(http::field::host, kHostName);
    http::response<http::string_body> response;
    beast::flat_buffer buffer;
    HealthAnswer answer;
    const auto started = Clock::now();
    beast::get_lowest_layer(stream).expires_after(kHealthProbeTimeout);
    beast::get_lowest_layer(stream).async_connect(TargetOf(options, target), [&](beast::error_code error) {
        if (error) {
            return;
        }
        stream.async_handshake(ssl::stream_base::client, [&](beast::error_code error) {
            if (error) {
                return;
            }
            http::async_write(stream, request, [&](beast::error_code error, std::size_t) {
                if (error) {
                    return;
                }
                http::async_read(stream, buffer, response, [&](beast::error_code error, std::size_t) {
                    answer.status = error ? 0 : response.result_int();
                });
            });
        });
    });
    io.run();
    answer.ms = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
    return answer;
}

// Asks every instance for its health once a second on a thread of its own until stopped.
class HealthProber {
public:
    explicit HealthProber(const Options& options)
        : options_(options), tls_(MakeClientTls(options.caFile)), thread_([this] { Run(); }) {}
    ~HealthProber() { Stop(); }

    void Stop() {
        stopping_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    // Once stopped.
    const std::vector<HealthAnswer>& Answers() const { return answers_; }

private:
    void Run() {
        while (!stopping_) {
            const auto round = Clock::now();
            for (std::size_t target = 0; target < options_.targets.size(); ++target) {
                answers_.push_back(ProbeHealth(options_, tls_, target));
            }
            std::this_thread::sleep_until(round + kHealthProbeInterval);
        }
    }

    const Options& options_;
    ssl::context tls_;
    std::atomic<bool> stopping_{false};
    std::vector<HealthAnswer> answers_;
    std::thread thread_;
};

double Percentile(std::vector<double>& values, double fraction) {
    if (values.empty()) {
        return 0;
    }
    const auto position = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(position), values.end());
    return values[position];
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const std::string value = argv[i + 1];
        if (name == "--target") {
            const auto colon = value.rfind(':');
            options.targets.push_back(
                {value.substr(0, colon), static_cast<unsigned short>(std::stoul(value.substr(colon + 1)))});
        } else if (name == "--ca") {
            options.caFile = value;
        } else if (name == "--service-pid") {
            options.servicePids.push_back(std::stoi(value));
        } else if (name == "--sessions") {
            options.sessions = std::stoul(value) & ~std::size_t{1};
        } else if (name == "--rate") {
            options.visitsPerSecond = std::stod(value);
        } else if (name == "--hold") {
            options.holdSeconds = std::stoi(value);
        } else if (name == "--in-flight") {
            options.inFlight = std::stoul(value);
        } else if (name == "--redis-pid") {
            options.redisPid = std::stoi(value);
        } else if (name == "--outage") {
            options.outageSeconds = std::stoi(value);
        } else if (name == "--source-prefixes") {
            options.sourcePrefixes = std::max<std::size_t>(1, std::stoul(value));
        } else {
            throw std::invalid_argument("unknown option " + name);
        }
    }
    if (options.targets.empty() || options.caFile.empty()) {
        throw std::invalid_argument(
            "usage: service_load --target HOST:PORT [--target HOST:PORT ...] --ca CA.pem [--service-pid PID ...] "
            "[--sessions N] [--rate VISITS_PER_S] [--hold SECONDS] [--in-flight N] [--source-prefixes K] "
            "[--redis-pid PID [--outage SECONDS]]");
    }
    if (options.redisPid != 0 && options.holdSeconds < kOutageStartsAfter.count() + options.outageSeconds + 5) {
        throw std::invalid_argument("the hold must outlast the Redis outage by " +
                                    std::to_string(kOutageStartsAfter.count() + 5) + " s");
    }
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure as soon as it is known
    try {
        const Options options = ParseOptions(argc, argv);
        std::printf(
            "load: %zu sessions (%zu friend pairs), %.0f visits/s for %d s, from %zu source prefixes, "
            "to %zu instances (friends on different ones when several)\n",
            options.sessions, options.sessions / 2, options.visitsPerSecond, options.holdSeconds,
            options.sourcePrefixes, options.targets.size());

        const auto setupStart = Clock::now();
        std::vector<Identity> devices = RegisterPairs(options);
        const double setupSeconds = std::chrono::duration<double>(Clock::now() - setupStart).count();
        std::printf("setup: %zu registrations and %zu pairings in %.1f s (%.0f requests/s)\n", devices.size(),
                    devices.size() / 2, setupSeconds, static_cast<double>(devices.size() * 2) / setupSeconds);

        net::io_context io(1);
        ssl::context tls = MakeClientTls(options.caFile);
        LoadState state{options, io, tls, {}, {}, {}, {}, {}, 0, 0, {}, {}, {}, {}};
        state.devices = std::move(devices);
        state.tickets.assign(state.devices.size(), nullptr);
        for (std::size_t i = 0; i < state.devices.size(); ++i) {
            state.sessions.push_back(std::make_shared<Session>(state, i));
        }

        const ProcessSample beforeSessions = SampleProcess(options.servicePids);
        const auto connectStart = Clock::now();
        ProcessSample idle;
        ProcessSample holdStart;
        ProcessSample holdEnd;
        Clock::time_point holdBegan;
        double connectSeconds = 0;
        double holdSeconds = 0;
        std::size_t heldAtEnd = 0;
        net::steady_timer timer(io);
        std::size_t nextPair = 0;

        // Every session at once comes back (as after a restart of the service's machine or a
        // network blip), resuming its TLS session where the service allows it.
        std::function<void()> reconnectStorm = [&] {
            const Totals before = state.totals;
            const ProcessSample stormStart = SampleProcess(options.servicePids);
            const auto started = Clock::now();
            std::vector<std::shared_ptr<Session>> again;
            for (std::size_t i = 0; i < state.devices.size(); ++i) {
                again.push_back(std::make_shared<Session>(state, i, state.tickets[i]));
            }
            state.sessions.swap(again);
            state.nextToConnect = 0;
            state.pendingConnects = 0;
            state.onAllConnected = [&, before, stormStart, started, old = std::move(again)] {
                const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
                const ProcessSample stormEnd = SampleProcess(options.servicePids);
                const std::size_t back = state.totals.connected - before.connected;
                std::printf(
                    "reconnect storm: %zu of %zu sessions back in %.1f s: %.0f handshakes/s, %zu resumed, "
                    "%zu failed; service CPU %.2f ms per handshake\n",
                    back, state.sessions.size(), seconds, static_cast<double>(back) / seconds,
                    state.totals.resumed - before.resumed, state.totals.connectFailures - before.connectFailures,
                    back == 0 ? 0.0
                              : 1000.0 * (stormEnd.cpuSeconds - stormStart.cpuSeconds) / static_cast<double>(back));
                for (auto& session : state.sessions) {
                    session->Close();
                }
                timer.expires_after(std::chrono::seconds(2));
                timer.async_wait([&](beast::error_code) { io.stop(); });
            };
            state.ConnectMore();
        };

        Outage& outage = state.outage;
        outage.planned = options.redisPid != 0;
        std::optional<HealthProber> prober;
        const auto countOpen = [&] {
            return static_cast<std::size_t>(
                std::count_if(state.sessions.begin(), state.sessions.end(), [](auto& s) { return s->Open(); }));
        };

        std::function<void()> tick;
        tick = [&] {
            const auto now = Clock::now();
            const auto elapsed = now - holdBegan;
            const double seconds = std::chrono::duration<double>(elapsed).count();
            if (outage.planned && !outage.started && elapsed >= kOutageStartsAfter) {
                kill(options.redisPid, SIGSTOP);
                outage.started = true;
                outage.began = now;
                outage.atStart = state.totals;
                outage.openAtStart = countOpen();
                prober.emplace(options);
                std::printf("outage: Redis (pid %d) stopped for %d s\n", options.redisPid, options.outageSeconds);
            }
            if (outage.started && !outage.ended && now - outage.began >= std::chrono::seconds(options.outageSeconds)) {
                kill(options.redisPid, SIGCONT);
                outage.ended = true;
                outage.over = now;
                outage.atEnd = state.totals;
                outage.openAtEnd = countOpen();
                prober->Stop();
            }
            if (seconds >= options.holdSeconds) {
                holdEnd = SampleProcess(options.servicePids);
                holdSeconds = seconds;
                heldAtEnd = countOpen();
                timer.expires_after(kDrainTime);
                timer.async_wait([&](beast::error_code) {
                    for (auto& session : state.sessions) {
                        session->Close();
                    }
                    timer.expires_after(std::chrono::seconds(2));
                    timer.async_wait([&](beast::error_code) { reconnectStorm(); });
                });
                return;
            }
            const auto due = static_cast<std::size_t>(seconds * options.visitsPerSecond);
            const std::size_t pairs = state.sessions.size() / 2;
            while (state.totals.visitsSent < due && pairs > 0) {
                const std::size_t visit = state.totals.visitsSent++;
                // Alternate the direction so that both friends send equally often.
                const std::size_t pair = nextPair++ % pairs;
                const std::size_t from = pair * 2 + (visit / pairs) % 2;
                const std::size_t to = from ^ 1u;
                // Latency counts from when the visit was due, so a load program that falls behind
                // cannot hide the wait (no coordinated omission).
                const auto dueAt =
                    holdBegan + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                                    static_cast<double>(visit) / options.visitsPerSecond));
                state.sentAt.push_back(dueAt);
                state.arrived.push_back(false);
                const bool local = IsLocalPair(options, pair);
                state.duringOutage.push_back(outage.Covers(dueAt) ? (local ? 'l' : 'x') : 0);
                outage.localSent += state.duringOutage.back() == 'l' ? 1 : 0;
                state.sessions[from]->SendVisit(visit, state.devices[to].id);
            }
            timer.expires_after(kTick);
            timer.async_wait([&](beast::error_code) { tick(); });
        };

        state.onAllConnected = [&] {
            connectSeconds = std::chrono::duration<double>(Clock::now() - connectStart).count();
            const ProcessSample afterConnect = SampleProcess(options.servicePids);
            std::printf(
                "connect: %zu of %zu sessions open in %.1f s: %.0f TLS+WebSocket handshakes/s, "
                "%zu failed; service CPU %.2f ms per handshake\n",
                state.totals.connected, state.sessions.size(), connectSeconds,
                static_cast<double>(state.totals.connected) / connectSeconds, state.totals.connectFailures,
                state.totals.connected == 0 ? 0.0
                                            : 1000.0 * (afterConnect.cpuSeconds - beforeSessions.cpuSeconds) /
                                                  static_cast<double>(state.totals.connected));
            // Let the service settle before reading its idle memory.
            timer.expires_after(std::chrono::seconds(2));
            timer.async_wait([&](beast::error_code) {
                idle = SampleProcess(options.servicePids);
                holdStart = idle;
                holdBegan = Clock::now();
                tick();
            });
        };
        net::post(io, [&] { state.ConnectMore(); });
        io.run();

        const Totals& totals = state.totals;
        std::size_t dropped = 0;
        std::size_t acrossDuringOutage = 0;
        for (std::size_t visit = 0; visit < state.arrived.size(); ++visit) {
            acrossDuringOutage += state.duringOutage[visit] == 'x' ? 1 : 0;
            dropped += !state.arrived[visit] && state.duringOutage[visit] != 'x' ? 1 : 0;
        }
        std::vector<double> latencies = totals.latenciesMs;
        std::printf("held: %zu of %zu sessions open after %.0f s; %zu closed early\n", heldAtEnd, state.sessions.size(),
                    holdSeconds, totals.closedEarly);
        std::printf("relay: %zu visits sent, %zu delivered, %zu dropped, %zu error answers, %zu send failures\n",
                    totals.visitsSent, totals.visitsReceived, dropped, totals.errorsReceived, totals.sendFailures);
        if (outage.started) {
            std::vector<double>& local = outage.localLatenciesMs;
            std::printf(
                "redis stopped %d s: visits within one instance %zu of %zu delivered meanwhile, latency p50 %.2f ms, "
                "p99 %.2f ms, max %.2f ms; %zu visits across instances meanwhile (not counted as dropped), %zu "
                "error answers\n",
                options.outageSeconds, outage.localDelivered, outage.localSent, Percentile(local, 0.5),
                Percentile(local, 0.99), local.empty() ? 0.0 : *std::max_element(local.begin(), local.end()),
                acrossDuringOutage, outage.atEnd.errorsReceived - outage.atStart.errorsReceived);
            std::printf(
                "redis stopped: sessions open %zu before, %zu after, %zu closed early meanwhile; %zu "
                "heartbeats received meanwhile\n",
                outage.openAtStart, outage.openAtEnd, outage.atEnd.closedEarly - outage.atStart.closedEarly,
                outage.atEnd.heartbeats - outage.atStart.heartbeats);
            std::size_t ok = 0;
            std::size_t failing = 0;
            std::size_t silent = 0;
            double slowest = 0;
            for (const HealthAnswer& answer : prober->Answers()) {
                ok += answer.status == 200 ? 1 : 0;
                failing += answer.status != 200 && answer.status != 0 ? 1 : 0;
                silent += answer.status == 0 ? 1 : 0;
                slowest = std::max(slowest, answer.ms);
            }
            std::printf(
                "redis stopped: health asked %zu times: %zu answered 200, %zu answered a failure, %zu not "
                "answered within %lld s; slowest %.1f ms\n",
                prober->Answers().size(), ok, failing, silent, static_cast<long long>(kHealthProbeTimeout.count()),
                slowest);
        }
        std::printf("relay latency: p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", Percentile(latencies, 0.5),
                    Percentile(latencies, 0.99),
                    latencies.empty() ? 0.0 : *std::max_element(latencies.begin(), latencies.end()));
        if (!options.servicePids.empty() && totals.connected > 0) {
            const double sessions = static_cast<double>(totals.connected);
            std::printf(
                "service memory: %.0f MiB before sessions, %.0f MiB with them idle: %.1f KiB per idle "
                "session; %.0f MiB at the end of the load\n",
                beforeSessions.rssKiB / 1024, idle.rssKiB / 1024, (idle.rssKiB - beforeSessions.rssKiB) / sessions,
                holdEnd.rssKiB / 1024);
            const double cpu = (holdEnd.cpuSeconds - holdStart.cpuSeconds) / holdSeconds;
            std::printf(
                "service CPU under load: %.0f%% of one core, %.1f us per second per session, %.0f us per "
                "relayed visit\n",
                100 * cpu, 1e6 * cpu / sessions,
                totals.visitsReceived == 0
                    ? 0.0
                    : 1e6 * (holdEnd.cpuSeconds - holdStart.cpuSeconds) / static_cast<double>(totals.visitsReceived));
        }
        const bool outageHeld = !outage.started || outage.localDelivered == outage.localSent;
        return dropped == 0 && outageHeld && totals.connectFailures == 0 && totals.closedEarly == 0 ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "service_load: %s\n", error.what());
        return 2;
    }
}
