#include "load_worker.h"

#include "device_setup.h"
#include "live_sessions.h"
#include "load_totals.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/post.hpp>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <signal.h>

namespace load {

namespace {

// steady_clock is the system's monotonic clock: the same in every process.
std::int64_t Ticks(Clock::time_point when) { return when.time_since_epoch().count(); }
Clock::time_point FromTicks(std::int64_t ticks) { return Clock::time_point(Clock::duration(ticks)); }

class Worker {
public:
    Worker(const Options& options, std::size_t process)
        : options_(options),
          process_(process),
          pairs_(PairsOf(options, process)),
          devices_(options.sessions),
          tickets_(options.sessions, nullptr) {}

    ~Worker() {
        Stop();
        for (SSL_SESSION* ticket : tickets_) {
            SSL_SESSION_free(ticket);
        }
    }

    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    nlohmann::json Setup() {
        const std::size_t connections = std::max<std::size_t>(1, kSetupConnections / options_.processes);
        RegisterPairs(options_, pairs_, connections, process_ * connections, devices_);
        StartShares();
        return nlohmann::json::object();
    }

    nlohmann::json Connect(bool resume) {
        OnEvery([resume](LoadState& share, std::function<void()> done) { share.ConnectAll(resume, std::move(done)); });
        Totals sum;
        for (const auto& share : shares_) {
            sum.connected += share->totals.connected;
            sum.resumed += share->totals.resumed;
            sum.connectFailures += share->totals.connectFailures;
        }
        return {{"connected", sum.connected}, {"resumed", sum.resumed}, {"failed", sum.connectFailures}};
    }

    nlohmann::json Hold(Clock::time_point began, const OutagePlan& outage) {
        std::atomic<std::size_t> held{0};
        OnEvery([&](LoadState& share, std::function<void()> done) {
            share.outage = outage;
            share.Hold(began, [&held, done = std::move(done)](std::size_t open) {
                held += open;
                done();
            });
        });
        return {{"held", held.load()}};
    }

    nlohmann::json Close() {
        OnEvery([](LoadState& share, std::function<void()> done) {
            share.CloseAll();
            done();
        });
        return nlohmann::json::object();
    }

    nlohmann::json Report() {
        Stop();
        Totals all;
        for (const auto& share : shares_) {
            AddTotals(all, share->Finish());
        }
        return TotalsToJson(all);
    }

private:
    // The pairs are shared out over the threads; each runs its share on its own event loop.
    void StartShares() {
        const double shares = static_cast<double>(options_.processes * options_.threads);
        for (std::size_t t = 0; t < options_.threads; ++t) {
            shares_.push_back(std::make_unique<LoadState>(options_, devices_, tickets_));
            shares_.back()->inFlight =
                std::max<std::size_t>(1, options_.inFlight / (options_.processes * options_.threads));
            shares_.back()->visitsPerSecond = options_.visitsPerSecond / shares;
        }
        for (std::size_t pair = pairs_.first; pair < pairs_.end; ++pair) {
            auto& members = shares_[(pair - pairs_.first) % shares_.size()]->members;
            members.push_back(pair * 2);
            members.push_back(pair * 2 + 1);
        }
        for (auto& share : shares_) {
            keep_.push_back(net::make_work_guard(share->io));
            threads_.emplace_back([&io = share->io] { io.run(); });
        }
    }

    // Runs the step on every share's thread and waits until each has called its done. (A
    // condition variable, not std::latch: this thread waits for a whole phase, and the
    // library's latch kept a core busy meanwhile.)
    void OnEvery(const std::function<void(LoadState&, std::function<void()>)>& step) {
        std::mutex mutex;
        std::condition_variable allDone;
        std::size_t pending = shares_.size();
        for (auto& share : shares_) {
            net::post(share->io, [&, &share = *share] {
                step(share, [&] {
                    std::lock_guard lock(mutex);
                    if (--pending == 0) {
                        allDone.notify_one();
                    }
                });
            });
        }
        std::unique_lock lock(mutex);
        allDone.wait(lock, [&] { return pending == 0; });
    }

    void Stop() {
        keep_.clear();
        for (auto& share : shares_) {
            share->io.stop();
        }
        for (auto& thread : threads_) {
            thread.join();
        }
        threads_.clear();
    }

    const Options& options_;
    std::size_t process_;
    PairRange pairs_;
    std::vector<Identity> devices_;      // by device; this worker's pairs only are registered
    std::vector<SSL_SESSION*> tickets_;  // by device: the TLS session to resume on reconnecting
    std::vector<std::unique_ptr<LoadState>> shares_;
    std::vector<net::executor_work_guard<net::io_context::executor_type>> keep_;
    std::vector<std::thread> threads_;
};

}  // namespace

nlohmann::json SetupCommand() { return {{"phase", "setup"}}; }

nlohmann::json ConnectCommand(bool resume) { return {{"phase", "connect"}, {"resume", resume}}; }

nlohmann::json HoldCommand(Clock::time_point began, const OutagePlan& outage) {
    return {{"phase", "hold"},
            {"began", Ticks(began)},
            {"outage", {{"planned", outage.planned}, {"begins", Ticks(outage.begins)}, {"ends", Ticks(outage.ends)}}}};
}

nlohmann::json CloseCommand() { return {{"phase", "close"}}; }

nlohmann::json ReportCommand() { return {{"phase", "report"}}; }

int RunWorker(const Options& options, std::size_t process, MessagePipe& parent) {
    signal(SIGPIPE, SIG_IGN);  // a parent that has gone shows as a failed write
    try {
        Worker worker(options, process);
        for (;;) {
            const nlohmann::json command = parent.Receive();
            const std::string phase = command.at("phase");
            if (phase == "setup") {
                parent.Send(worker.Setup());
            } else if (phase == "connect") {
                parent.Send(worker.Connect(command.at("resume").get<bool>()));
            } else if (phase == "hold") {
                const nlohmann::json& outage = command.at("outage");
                parent.Send(
                    worker.Hold(FromTicks(command.at("began").get<std::int64_t>()),
                                {outage.at("planned").get<bool>(), FromTicks(outage.at("begins").get<std::int64_t>()),
                                 FromTicks(outage.at("ends").get<std::int64_t>())}));
            } else if (phase == "close") {
                parent.Send(worker.Close());
            } else if (phase == "report") {
                parent.Send(worker.Report());
                return 0;
            } else {
                throw std::invalid_argument("unknown phase " + phase);
            }
        }
    } catch (const std::exception& error) {
        try {
            parent.Send({{"error", error.what()}});
        } catch (const std::exception&) {
            // The parent has gone: nobody is left to tell.
        }
        return 2;
    }
}

}  // namespace load
