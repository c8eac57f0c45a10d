#include "main/server_runtime.h"

#include "live/announcement.h"
#include "transport/beast_types.h"
#include "transport/connection_tracker.h"
#include "http/http_api.h"
#include "transport/listener.h"
#include "transport/metrics_listener.h"
#include "live/live_relay.h"
#include "core/log_line.h"
#include "transport/network_context.h"
#include "cluster/redis_directory.h"
#include "cluster/redis_rate_limiter.h"
#include "live/session_directory.h"
#include "store/store.h"
#include "transport/tls_context.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>

#include <boost/asio/executor_work_guard.hpp>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <optional>
#include <stdexcept>

namespace mossquill::service {
namespace {

constexpr auto kShutdownGrace = std::chrono::seconds(3);
constexpr auto kShutdownPoll = std::chrono::milliseconds(20);
constexpr auto kExpiryInterval = std::chrono::hours(1);

unsigned NetworkThreads() { return std::max(1u, std::thread::hardware_concurrency()); }

std::optional<nlohmann::json> ReadAnnouncement(const std::optional<std::string>& file) {
    if (!file) {
        return std::nullopt;
    }
    return LoadAnnouncement(*file);
}

std::string Describe(const tcp::endpoint& endpoint) {
    const auto address = endpoint.address();
    const std::string host = address.is_v6() ? "[" + address.to_string() + "]" : address.to_string();
    return host + ":" + std::to_string(endpoint.port());
}

// The Redis password from its file or the environment (never the command line, which
// every local user can read); nothing when neither gives one.
std::optional<std::string> RedisPassword(const ServerConfig& config) {
    if (config.redisPasswordFile) {
        std::ifstream file(*config.redisPasswordFile);
        std::string password;
        if (!std::getline(file, password) || password.empty()) {
            throw std::runtime_error("cannot read the Redis password from " + *config.redisPasswordFile);
        }
        return password;
    }
    const char* fromEnvironment = std::getenv("MOSSQUILL_REDIS_PASSWORD");
    if (fromEnvironment != nullptr && *fromEnvironment != '\0') {
        return std::string(fromEnvironment);
    }
    return std::nullopt;
}

std::unique_ptr<RedisClient> MakeRedis(const ServerConfig& config) {
    if (!config.redis) {
        return nullptr;
    }
    return std::make_unique<RedisClient>(config.redis->host, config.redis->port, RedisPassword(config));
}

std::unique_ptr<SessionDirectory> MakeDirectory(RedisClient* redis, std::chrono::seconds presenceTtl) {
    if (redis == nullptr) {
        return std::make_unique<LoneInstance>();
    }
    return std::make_unique<RedisDirectory>(*redis, presenceTtl);
}

}  // namespace

class ServerRuntime::Impl {
public:
    Impl(const ServerConfig& config, const Clock& clock)
        : config_(config),
          clock_(clock),
          store_(OpenStore(config.databaseFile)),
          redis_(MakeRedis(config)),
          directory_(MakeDirectory(redis_.get(), config.presenceTtl)),
          limiters_(redis_ ? RedisWindowLimiter::Factory(*redis_) : SlidingWindowLimiter::Factory()),
          // A device's live messages all reach the one instance holding its session, so
          // that instance counts them alone: a relayed message never waits for Redis.
          relay_(clock, config_.limits, ReadAnnouncement(config.announcementFile), *directory_,
                 SlidingWindowLimiter::Factory()),
          api_(*store_, clock, config_.limits, relay_, limiters_),
          tracker_(config.transport.maxConnections, config.transport.maxConnectionsPerAddress,
                   config.transport.maxConnectionsPerPrefix),
          tls_(MakeServerTlsContext(config.certFile, config.keyFile)),
          context_{storage_, api_, api_.Health(), relay_, tracker_, config_.transport},
          io_(static_cast<int>(NetworkThreads())),
          signals_(io_),
          shutdownTimer_(io_),
          expiryTimer_(storage_),
          healthTimer_(storage_) {
        for (const auto& address : config.listen) {
            Bind(address);
        }
        if (listeners_.empty()) {
            throw std::runtime_error("no address to listen on");
        }
        if (config.metrics) {
            for (const auto& entry : Resolve(*config.metrics)) {
                metricsListeners_.push_back(std::make_shared<MetricsListener>(io_, entry.endpoint()));
            }
        }
    }

    ~Impl() {
        directory_->Stop();
        // Sessions whose peers never finished closing are still held by the relay; they
        // must go before the io_context they belong to.
        relay_.DropSessions();
    }

    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    std::vector<ListenAddress> BoundAddresses() const {
        std::vector<ListenAddress> bound;
        for (const auto& listener : listeners_) {
            const auto endpoint = listener->LocalEndpoint();
            bound.push_back({endpoint.address().to_string(), endpoint.port()});
        }
        return bound;
    }

    void Run() {
        for (const auto& listener : metricsListeners_) {
            listener->Start();
            LogEvent("metrics_listening", {{"address", Describe(listener->LocalEndpoint())}});
        }
        for (const auto& listener : listeners_) {
            listener->Start();
            LogEvent("listening", {{"address", Describe(listener->LocalEndpoint())}});
        }
        if (config_.handleSignals) {
            signals_.add(SIGTERM);
            signals_.add(SIGINT);
            signals_.add(SIGHUP);
            WaitForSignal();
        }
        directory_->Start(relay_);
        auto storageWork = net::make_work_guard(storage_);
        ExpireDevices();
        // The first check before anyone asks; the storage thread runs none yet.
        api_.Health().Check();
        CheckHealth();
        std::thread storageThread([this] { storage_.run(); });
        std::vector<std::thread> networkThreads;
        for (unsigned i = 1; i < NetworkThreads(); ++i) {
            networkThreads.emplace_back([this] { io_.run(); });
        }
        io_.run();
        for (auto& thread : networkThreads) {
            thread.join();
        }
        storageWork.reset();
        storage_.stop();
        storageThread.join();
        directory_->Stop();
        LogEvent("stopped", {});
    }

    void Stop() {
        net::post(io_, [this] { BeginShutdown(); });
    }

private:
    tcp::resolver::results_type Resolve(const ListenAddress& address) {
        tcp::resolver resolver(io_);
        return resolver.resolve(address.host, std::to_string(address.port),
                                tcp::resolver::passive | tcp::resolver::numeric_service);
    }

    void Bind(const ListenAddress& address) {
        for (const auto& entry : Resolve(address)) {
            try {
                auto listener = std::make_shared<Listener>(io_, tls_, context_, entry.endpoint());
                listeners_.push_back(std::move(listener));
            } catch (const boost::system::system_error& error) {
                // "localhost" may name an IPv6 address on a machine without IPv6.
                LogEvent("listen_failed", {{"address", Describe(entry.endpoint())}, {"error", error.code().message()}});
            }
        }
    }

    // On the storage thread: forgets devices that stopped coming back, hourly.
    void ExpireDevices() {
        expiryTimer_.expires_after(kExpiryInterval);
        expiryTimer_.async_wait([this](beast::error_code error) {
            if (error) {
                return;
            }
            try {
                const std::size_t expired = api_.ExpireDevices(clock_.Now(), DeviceExpiry{});
                if (expired > 0) {
                    LogEvent("devices_expired", {{"count", std::to_string(expired)}});
                }
            } catch (const std::exception& failure) {
                LogEvent("device_expiry_failed", {{"error", failure.what()}});
            }
            ExpireDevices();
        });
    }

    // On the storage thread: keeps the health checks' answer fresh.
    void CheckHealth() {
        healthTimer_.expires_after(config_.limits.healthCheckInterval);
        healthTimer_.async_wait([this](beast::error_code error) {
            if (error) {
                return;
            }
            api_.Health().Check();
            CheckHealth();
        });
    }

    void WaitForSignal() {
        signals_.async_wait([this](beast::error_code error, int signal) {
            if (error) {
                return;
            }
            if (signal == SIGHUP) {
                ReloadAnnouncement();
                WaitForSignal();
                return;
            }
            LogEvent("signal", {{"signal", signal == SIGTERM ? "SIGTERM" : "SIGINT"}});
            BeginShutdown();
        });
    }

    void ReloadAnnouncement() {
        try {
            relay_.SetAnnouncement(ReadAnnouncement(config_.announcementFile));
            LogEvent("announcement_reread", {});
        } catch (const std::exception& error) {
            LogEvent("announcement_kept", {{"reason", "the file is unusable"}, {"error", error.what()}});
        }
    }

    void BeginShutdown() {
        if (stopping_) {
            return;
        }
        stopping_ = true;
        LogEvent("stopping", {{"connections", std::to_string(tracker_.Count())}});
        for (const auto& listener : listeners_) {
            listener->Stop();
        }
        for (const auto& listener : metricsListeners_) {
            listener->Stop();
        }
        beast::error_code ignored;
        signals_.cancel(ignored);
        tracker_.StopAll();
        shutdownDeadline_ = std::chrono::steady_clock::now() + kShutdownGrace;
        WaitForConnections();
    }

    // Lets closing handshakes finish, but not for longer than the grace period.
    void WaitForConnections() {
        if (tracker_.Count() == 0 || std::chrono::steady_clock::now() >= shutdownDeadline_) {
            io_.stop();
            return;
        }
        shutdownTimer_.expires_after(kShutdownPoll);
        shutdownTimer_.async_wait([this](beast::error_code) { WaitForConnections(); });
    }

    ServerConfig config_;
    const Clock& clock_;
    std::unique_ptr<Store> store_;
    std::unique_ptr<RedisClient> redis_;  // with other instances only
    std::unique_ptr<SessionDirectory> directory_;
    LimiterFactory limiters_;
    LiveRelay relay_;
    HttpApi api_;
    ConnectionTracker tracker_;
    net::ssl::context tls_;
    NetworkContext context_;
    // Declared after everything the connections use: destroying the io_context
    // destroys the connections still waiting in it.
    net::io_context io_;
    // Destroyed before io_: work still queued for it holds connections of io_.
    net::io_context storage_{1};
    net::signal_set signals_;
    net::steady_timer shutdownTimer_;
    net::steady_timer expiryTimer_;
    net::steady_timer healthTimer_;
    std::vector<std::shared_ptr<Listener>> listeners_;
    std::vector<std::shared_ptr<MetricsListener>> metricsListeners_;
    std::chrono::steady_clock::time_point shutdownDeadline_;
    bool stopping_ = false;
};

ServerRuntime::ServerRuntime(const ServerConfig& config, const Clock& clock)
    : impl_(std::make_unique<Impl>(config, clock)) {}

ServerRuntime::~ServerRuntime() = default;

std::vector<ListenAddress> ServerRuntime::BoundAddresses() const { return impl_->BoundAddresses(); }

void ServerRuntime::Run() { impl_->Run(); }

void ServerRuntime::Stop() { impl_->Stop(); }

}  // namespace mossquill::service
