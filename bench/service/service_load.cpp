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
#include <latch>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>

#include <signal.h>
#include <sys/resource.h>
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
constexpr auto kDrainTime = std::chrono::seconds(3);
// With several instances, one friend pair in this many sits on one instance, so that visits
// that need no other instance can be told apart while Redis is stopped.
constexpr std::size_t kLocalPairEvery = 10;
constexpr auto kOutageStartsAfter = std::chrono::seconds(5);
// Cross-instance visits due this long after Redis comes back may still meet its back-off.
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
    std::size_t threads = 2;          // the sessions are shared out over this many
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

// Every session is a descriptor here and one in its instance of the service; a limit below
// that would show up as connect failures far into the run, so it is checked before any work.
void EnsureDescriptors(const Options& options) {
    constexpr rlim_t kSpare = 64;  // setup connections, the CA file, /proc reads
    rlimit own{};
    getrlimit(RLIMIT_NOFILE, &own);
    own.rlim_cur = own.rlim_max;
    setrlimit(RLIMIT_NOFILE, &own);
    if (own.rlim_cur < options.sessions + kSpare) {
        throw std::runtime_error("the load program may open " + std::to_string(own.rlim_cur) +
                                 " descriptors (hard limit), " + std::to_string(options.sessions) + " sessions need " +
                                 std::to_string(options.sessions + kSpare));
    }
    const std::size_t perInstance = (options.sessions + options.targets.size() - 1) / options.targets.size();
    for (const int pid : options.servicePids) {
        std::ifstream limits("/proc/" + std::to_string(pid) + "/limits");
        std::string line;
        while (std::getline(limits, line)) {
            if (line.rfind("Max open files", 0) == 0) {
                const auto soft = std::stoull(line.substr(line.find_first_of("0123456789")));
                if (soft < perInstance + kSpare) {
                    throw std::runtime_error("service process " + std::to_string(pid) + " may open " +
                                             std::to_string(soft) + " descriptors, its " + std::to_string(perInstance) +
                                             " sessions need " + std::to_string(perInstance + kSpare));
                }
            }
        }
    }
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
    std::vector<double> latenciesMs;
    // While Redis was stopped: visits between friends on one instance must flow, the others
    // may be answered as offline; heartbeats must keep coming and sessions stay.
    std::size_t outageLocalSent = 0;
    std::size_t outageLocalDelivered = 0;
    std::vector<double> outageLocalLatenciesMs;
    std::size_t outageHeartbeats = 0;
    std::size_t outageErrors = 0;
    std::size_t outageClosedEarly = 0;
};

// When Redis is stopped: fixed before the hold begins, read by every thread.
struct OutagePlan {
    bool planned = false;
    Clock::time_point begins;
    Clock::time_point ends;

    bool During(Clock::time_point when) const { return planned && when >= begins && when < ends; }
    // Visits due then, or so soon after that they may still meet the back-off.
    bool Covers(Clock::time_point when) const { return planned && when >= begins && when < ends + kOutageSettleTime; }
};

class Session;

// One thread's share of the sessions: whole friend pairs, so that a visit never leaves the
// thread that sent it. Each share has its own event loop and TLS context.
struct LoadState {
    LoadState(const Options& options, const std::vector<Identity>& devices, std::vector<SSL_SESSION*>& tickets)
        : options(options), tls(MakeClientTls(options.caFile)), devices(devices), tickets(tickets) {}

    const Options& options;
    net::io_context io{1};
    ssl::context tls;
    Totals totals;
    std::vector<Clock::time_point> sentAt;  // by visit number: when it was due
    std::vector<bool> arrived;
    std::vector<char> duringOutage;  // by visit number: 'l' local, 'x' across instances, 0 otherwise
    OutagePlan outage;
    std::size_t inFlight = 0;  // this share of the connection attempts at once
    std::size_t pendingConnects = 0;
    std::size_t nextToConnect = 0;
    std::vector<std::size_t> members;                // the devices of this share, friends side by side
    std::vector<std::shared_ptr<Session>> sessions;  // by member
    const std::vector<Identity>& devices;
    std::vector<SSL_SESSION*>& tickets;  // by device: the TLS session to resume on reconnecting
    std::function<void()> onAllConnected;
    std::size_t heldAtEnd = 0;

    void ConnectAll(bool resume, std::function<void()> done);
    void ConnectMore();
    void CloseAll();
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
        } else if (name == "--threads") {
            options.threads = std::clamp<std::size_t>(std::stoul(value), 1, 16);
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
            "[--sessions N] [--rate VISITS_PER_S] [--hold SECONDS] [--in-flight N] [--threads N] [--source-prefixes "
            "K] [--redis-pid PID [--outage SECONDS]]");
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
        EnsureDescriptors(options);
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

        // Sessions are shared out over the threads by friend pair; each thread runs its share
        // on its own event loop, and this one steps them all through the phases together.
        std::vector<SSL_SESSION*> tickets(devices.size(), nullptr);
        std::vector<std::unique_ptr<LoadState>> shares;
        for (std::size_t t = 0; t < options.threads; ++t) {
            shares.push_back(std::make_unique<LoadState>(options, devices, tickets));
            shares.back()->inFlight = std::max<std::size_t>(1, options.inFlight / options.threads);
        }
        for (std::size_t device = 0; device < devices.size(); ++device) {
            shares[(device / 2) % shares.size()]->members.push_back(device);
        }
        std::vector<std::thread> threads;
        std::vector<net::executor_work_guard<net::io_context::executor_type>> keep;
        for (auto& share : shares) {
            keep.push_back(net::make_work_guard(share->io));
            threads.emplace_back([&io = share->io] { io.run(); });
        }
        // Runs the step on every share's thread and waits until each has called its done.
        const auto onEvery = [&](const std::function<void(LoadState&, std::function<void()>)>& step) {
            std::latch finished(static_cast<std::ptrdiff_t>(shares.size()));
            for (auto& share : shares) {
                net::post(share->io,
                          [&step, &finished, &share = *share] { step(share, [&] { finished.count_down(); }); });
            }
            finished.wait();
        };
        const auto sum = [&](auto field) {
            std::size_t total = 0;
            for (const auto& share : shares) {
                total += field(*share);
            }
            return total;
        };
        const auto connected = [](const LoadState& share) { return share.totals.connected; };
        const auto resumed = [](const LoadState& share) { return share.totals.resumed; };
        const auto failed = [](const LoadState& share) { return share.totals.connectFailures; };

        const ProcessSample beforeSessions = SampleProcess(options.servicePids);
        const auto connectStart = Clock::now();
        onEvery([](LoadState& share, std::function<void()> done) { share.ConnectAll(false, std::move(done)); });
        const double connectSeconds = std::chrono::duration<double>(Clock::now() - connectStart).count();
        const ProcessSample afterConnect = SampleProcess(options.servicePids);
        const std::size_t opened = sum(connected);
        std::printf(
            "connect: %zu of %zu sessions open in %.1f s: %.0f TLS+WebSocket handshakes/s, "
            "%zu failed; service CPU %.2f ms per handshake\n",
            opened, devices.size(), connectSeconds, static_cast<double>(opened) / connectSeconds, sum(failed),
            opened == 0 ? 0.0
                        : 1000.0 * (afterConnect.cpuSeconds - beforeSessions.cpuSeconds) / static_cast<double>(opened));
        // Let the service settle before reading its idle memory.
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const ProcessSample idle = SampleProcess(options.servicePids);
        const ProcessSample holdStart = idle;
        const auto holdBegan = Clock::now();
        OutagePlan outage;
        std::optional<HealthProber> prober;
        std::thread outageDriver;
        if (options.redisPid != 0) {
            outage = {true, holdBegan + kOutageStartsAfter,
                      holdBegan + kOutageStartsAfter + std::chrono::seconds(options.outageSeconds)};
            outageDriver = std::thread([&] {
                std::this_thread::sleep_until(outage.begins);
                kill(options.redisPid, SIGSTOP);
                std::printf("outage: Redis (pid %d) stopped for %d s\n", options.redisPid, options.outageSeconds);
                prober.emplace(options);
                std::this_thread::sleep_until(outage.ends);
                kill(options.redisPid, SIGCONT);
                prober->Stop();
            });
        }
        for (auto& share : shares) {
            share->outage = outage;
        }
        onEvery([&](LoadState& share, std::function<void()> done) {
            auto timer = std::make_shared<net::steady_timer>(share.io);
            auto tick = std::make_shared<std::function<void()>>();
            // Each share sends its part of the rate, alternating the direction within a pair
            // so that both friends send equally often.
            const auto dueOf = [holdBegan, &options](std::size_t visit) {
                return holdBegan + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                                       static_cast<double>(visit) * static_cast<double>(options.threads) /
                                       options.visitsPerSecond));
            };
            const auto holdEnds = holdBegan + std::chrono::seconds(options.holdSeconds);
            *tick = [&share, timer, tick, done, holdEnds, dueOf, &options, nextPair = std::size_t{0}]() mutable {
                const auto now = Clock::now();
                if (now >= holdEnds) {
                    share.heldAtEnd = static_cast<std::size_t>(
                        std::count_if(share.sessions.begin(), share.sessions.end(), [](auto& s) { return s->Open(); }));
                    const auto finished = std::move(done);
                    *tick = nullptr;  // breaks the cycle; nothing of this closure is used after it
                    finished();
                    return;
                }
                const std::size_t pairs = share.sessions.size() / 2;
                const bool sending = pairs > 0 && options.visitsPerSecond > 0;
                while (sending && dueOf(share.totals.visitsSent) <= now) {
                    const std::size_t visit = share.totals.visitsSent++;
                    const std::size_t pair = nextPair++ % pairs;
                    const std::size_t from = pair * 2 + (visit / pairs) % 2;
                    const std::size_t to = from ^ 1u;
                    // Latency counts from when the visit was due, so a load program that falls
                    // behind cannot hide the wait (no coordinated omission).
                    const auto dueAt = dueOf(visit);
                    share.sentAt.push_back(dueAt);
                    share.arrived.push_back(false);
                    const bool local = IsLocalPair(options, share.members[pair * 2] / 2);
                    const bool covered = share.outage.Covers(dueAt);
                    share.duringOutage.push_back(covered ? (local ? 'l' : 'x') : 0);
                    share.totals.outageLocalSent += covered && local ? 1 : 0;
                    share.sessions[from]->SendVisit(visit, share.devices[share.members[to]].id);
                }
                // Waking for each visit when it is due, rather than on a coarse tick, keeps the
                // load program's own wait out of the latency it reports.
                timer->expires_at(sending ? std::min(dueOf(share.totals.visitsSent), holdEnds) : holdEnds);
                timer->async_wait([tick](beast::error_code) { (*tick)(); });
            };
            (*tick)();
        });
        const ProcessSample holdEnd = SampleProcess(options.servicePids);
        if (outageDriver.joinable()) {
            outageDriver.join();
        }
        const double holdSeconds = std::chrono::duration<double>(Clock::now() - holdBegan).count();
        const std::size_t heldAtEnd = sum([](const LoadState& share) { return share.heldAtEnd; });
        std::this_thread::sleep_for(kDrainTime);
        onEvery([](LoadState& share, std::function<void()> done) {
            share.CloseAll();
            done();
        });
        std::this_thread::sleep_for(std::chrono::seconds(2));

        // Every session at once comes back (as after a restart of the service's machine or a
        // network blip), resuming its TLS session where the service allows it.
        const std::size_t connectedBefore = sum(connected);
        const std::size_t resumedBefore = sum(resumed);
        const std::size_t failedBefore = sum(failed);
        const ProcessSample stormStart = SampleProcess(options.servicePids);
        const auto stormBegan = Clock::now();
        onEvery([](LoadState& share, std::function<void()> done) { share.ConnectAll(true, std::move(done)); });
        const double stormSeconds = std::chrono::duration<double>(Clock::now() - stormBegan).count();
        const ProcessSample stormEnd = SampleProcess(options.servicePids);
        const std::size_t back = sum(connected) - connectedBefore;
        std::printf(
            "reconnect storm: %zu of %zu sessions back in %.1f s: %.0f handshakes/s, %zu resumed, "
            "%zu failed; service CPU %.2f ms per handshake\n",
            back, devices.size(), stormSeconds, static_cast<double>(back) / stormSeconds, sum(resumed) - resumedBefore,
            sum(failed) - failedBefore,
            back == 0 ? 0.0 : 1000.0 * (stormEnd.cpuSeconds - stormStart.cpuSeconds) / static_cast<double>(back));
        onEvery([](LoadState& share, std::function<void()> done) {
            share.CloseAll();
            done();
        });
        std::this_thread::sleep_for(std::chrono::seconds(2));
        keep.clear();
        for (auto& share : shares) {
            share->io.stop();
        }
        for (auto& thread : threads) {
            thread.join();
        }
        for (SSL_SESSION* ticket : tickets) {
            SSL_SESSION_free(ticket);
        }

        Totals totals;
        for (const auto& share : shares) {
            totals.visitsSent += share->totals.visitsSent;
            totals.visitsReceived += share->totals.visitsReceived;
            totals.errorsReceived += share->totals.errorsReceived;
            totals.sendFailures += share->totals.sendFailures;
            totals.closedEarly += share->totals.closedEarly;
            totals.connectFailures += share->totals.connectFailures;
            totals.connected += share->totals.connected;
            totals.latenciesMs.insert(totals.latenciesMs.end(), share->totals.latenciesMs.begin(),
                                      share->totals.latenciesMs.end());
            totals.outageLocalSent += share->totals.outageLocalSent;
            totals.outageLocalDelivered += share->totals.outageLocalDelivered;
            totals.outageLocalLatenciesMs.insert(totals.outageLocalLatenciesMs.end(),
                                                 share->totals.outageLocalLatenciesMs.begin(),
                                                 share->totals.outageLocalLatenciesMs.end());
            totals.outageHeartbeats += share->totals.outageHeartbeats;
            totals.outageErrors += share->totals.outageErrors;
            totals.outageClosedEarly += share->totals.outageClosedEarly;
        }
        // Visits across instances while Redis was stopped may be answered as offline instead.
        std::size_t dropped = 0;
        std::size_t acrossDuringOutage = 0;
        for (const auto& share : shares) {
            for (std::size_t visit = 0; visit < share->arrived.size(); ++visit) {
                acrossDuringOutage += share->duringOutage[visit] == 'x' ? 1 : 0;
                dropped += !share->arrived[visit] && share->duringOutage[visit] != 'x' ? 1 : 0;
            }
        }
        const double sessions = static_cast<double>(opened);
        std::vector<double>& latencies = totals.latenciesMs;
        std::printf("held: %zu of %zu sessions open after %.0f s; %zu closed early\n", heldAtEnd, devices.size(),
                    holdSeconds, totals.closedEarly);
        std::printf("relay: %zu visits sent, %zu delivered, %zu dropped, %zu error answers, %zu send failures\n",
                    totals.visitsSent, totals.visitsReceived, dropped, totals.errorsReceived, totals.sendFailures);
        if (outage.planned) {
            std::vector<double>& local = totals.outageLocalLatenciesMs;
            std::printf(
                "redis stopped %d s: visits within one instance %zu of %zu delivered meanwhile, latency p50 %.2f ms, "
                "p99 %.2f ms, max %.2f ms; %zu visits across instances meanwhile (not counted as dropped), %zu "
                "error answers\n",
                options.outageSeconds, totals.outageLocalDelivered, totals.outageLocalSent, Percentile(local, 0.5),
                Percentile(local, 0.99), local.empty() ? 0.0 : *std::max_element(local.begin(), local.end()),
                acrossDuringOutage, totals.outageErrors);
            std::printf(
                "redis stopped: %zu sessions closed early meanwhile, %zu held at the end; %zu heartbeats "
                "received meanwhile\n",
                totals.outageClosedEarly, heldAtEnd, totals.outageHeartbeats);
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
        if (!options.servicePids.empty() && opened > 0) {
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
        const bool outageHeld = totals.outageLocalDelivered == totals.outageLocalSent;
        return dropped == 0 && outageHeld && totals.connectFailures == 0 && totals.closedEarly == 0 ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "service_load: %s\n", error.what());
        return 2;
    }
}
