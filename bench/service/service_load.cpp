// Load program for the online service: registers devices in friend pairs, holds one live
// session per device over TLS, relays visits between the friends at a fixed rate and prints
// what the service carried. Loopback only; run it through scripts/bench-service.
//
// The sessions are shared out over worker processes, each within its descriptor limit; this
// process steps them through the phases together, samples the service's processes at the phase
// boundaries and prints one report of all of them.

#include "health_probe.h"
#include "load_options.h"
#include "load_totals.h"
#include "load_worker.h"
#include "service_process.h"
#include "worker_process.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>

#include <signal.h>

namespace {

using namespace load;

constexpr auto kDrainTime = std::chrono::seconds(3);

struct Connections {
    std::size_t connected = 0;
    std::size_t resumed = 0;
    std::size_t failed = 0;
};

// Sums the workers' replies to a connect command (their counts so far).
Connections Connect(std::vector<std::unique_ptr<WorkerProcess>>& workers, bool resume) {
    Connections sum;
    for (const nlohmann::json& reply : Broadcast(workers, ConnectCommand(resume))) {
        sum.connected += reply.at("connected").get<std::size_t>();
        sum.resumed += reply.at("resumed").get<std::size_t>();
        sum.failed += reply.at("failed").get<std::size_t>();
    }
    return sum;
}

void PrintOutage(const Options& options, Totals& totals, std::size_t heldAtEnd, const HealthProber& prober) {
    std::vector<double>& local = totals.outageLocalLatenciesMs;
    std::printf(
        "redis stopped %d s: visits within one instance %zu of %zu delivered meanwhile, latency p50 %.2f ms, "
        "p99 %.2f ms, max %.2f ms; %zu visits across instances meanwhile (not counted as dropped), %zu "
        "error answers\n",
        options.outageSeconds, totals.outageLocalDelivered, totals.outageLocalSent, Percentile(local, 0.5),
        Percentile(local, 0.99), Largest(local), totals.outageAcrossSent, totals.outageErrors);
    std::printf(
        "redis stopped: %zu sessions closed early meanwhile, %zu held at the end; %zu heartbeats "
        "received meanwhile\n",
        totals.outageClosedEarly, heldAtEnd, totals.outageHeartbeats);
    std::size_t ok = 0;
    std::size_t failing = 0;
    std::size_t silent = 0;
    double slowest = 0;
    for (const HealthAnswer& answer : prober.Answers()) {
        ok += answer.status == 200 ? 1 : 0;
        failing += answer.status != 200 && answer.status != 0 ? 1 : 0;
        silent += answer.status == 0 ? 1 : 0;
        slowest = std::max(slowest, answer.ms);
    }
    std::printf(
        "redis stopped: health asked %zu times: %zu answered 200, %zu answered a failure, %zu not "
        "answered within %lld s; slowest %.1f ms\n",
        prober.Answers().size(), ok, failing, silent, static_cast<long long>(kHealthProbeTimeout.count()), slowest);
}

int Run(const Options& options) {
    std::printf(
        "load: %zu sessions (%zu friend pairs), %.0f visits/s for %d s, from %zu source prefixes, "
        "to %zu instances (friends on different ones when several), in %zu processes of %zu threads\n",
        options.sessions, options.sessions / 2, options.visitsPerSecond, options.holdSeconds, options.sourcePrefixes,
        options.targets.size(), options.processes, options.threads);
    // No thread may exist yet: each worker starts as a copy of this process.
    auto workers = WorkerProcess::StartAll(options.processes, [&options](std::size_t process) -> WorkerProcess::Body {
        return [&options, process](MessagePipe& parent) { return RunWorker(options, process, parent); };
    });

    const auto setupStart = Clock::now();
    Broadcast(workers, SetupCommand());
    const double setupSeconds = std::chrono::duration<double>(Clock::now() - setupStart).count();
    std::printf("setup: %zu registrations and %zu pairings in %.1f s (%.0f requests/s)\n", options.sessions,
                options.sessions / 2, setupSeconds, static_cast<double>(options.sessions * 2) / setupSeconds);

    const ProcessSample beforeSessions = SampleProcesses(options.servicePids);
    const auto connectStart = Clock::now();
    const Connections first = Connect(workers, false);
    const double connectSeconds = std::chrono::duration<double>(Clock::now() - connectStart).count();
    const ProcessSample afterConnect = SampleProcesses(options.servicePids);
    const std::size_t opened = first.connected;
    std::printf(
        "connect: %zu of %zu sessions open in %.1f s: %.0f TLS+WebSocket handshakes/s, "
        "%zu failed; service CPU %.2f ms per handshake\n",
        opened, options.sessions, connectSeconds, static_cast<double>(opened) / connectSeconds, first.failed,
        opened == 0 ? 0.0
                    : 1000.0 * (afterConnect.cpuSeconds - beforeSessions.cpuSeconds) / static_cast<double>(opened));
    // Let the service settle before reading its idle memory.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const ProcessSample idle = SampleProcesses(options.servicePids);
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
    std::size_t heldAtEnd = 0;
    for (const nlohmann::json& reply : Broadcast(workers, HoldCommand(holdBegan, outage))) {
        heldAtEnd += reply.at("held").get<std::size_t>();
    }
    const ProcessSample holdEnd = SampleProcesses(options.servicePids);
    if (outageDriver.joinable()) {
        outageDriver.join();
    }
    const double holdSeconds = std::chrono::duration<double>(Clock::now() - holdBegan).count();
    std::this_thread::sleep_for(kDrainTime);
    Broadcast(workers, CloseCommand());
    std::this_thread::sleep_for(std::chrono::seconds(2));

    // Every session at once comes back (as after a restart of the service's machine or a
    // network blip), resuming its TLS session where the service allows it.
    const ProcessSample stormStart = SampleProcesses(options.servicePids);
    const auto stormBegan = Clock::now();
    const Connections second = Connect(workers, true);
    const double stormSeconds = std::chrono::duration<double>(Clock::now() - stormBegan).count();
    const ProcessSample stormEnd = SampleProcesses(options.servicePids);
    const std::size_t back = second.connected - first.connected;
    std::printf(
        "reconnect storm: %zu of %zu sessions back in %.1f s: %.0f handshakes/s, %zu resumed, "
        "%zu failed; service CPU %.2f ms per handshake\n",
        back, options.sessions, stormSeconds, static_cast<double>(back) / stormSeconds, second.resumed - first.resumed,
        second.failed - first.failed,
        back == 0 ? 0.0 : 1000.0 * (stormEnd.cpuSeconds - stormStart.cpuSeconds) / static_cast<double>(back));
    Broadcast(workers, CloseCommand());
    std::this_thread::sleep_for(std::chrono::seconds(2));

    Totals totals;
    for (const nlohmann::json& reply : Broadcast(workers, ReportCommand())) {
        AddTotals(totals, TotalsFromJson(reply));
    }
    for (auto& worker : workers) {
        worker->Wait();
    }
    const double sessions = static_cast<double>(opened);
    std::vector<double>& latencies = totals.latenciesMs;
    std::printf("held: %zu of %zu sessions open after %.0f s; %zu closed early\n", heldAtEnd, options.sessions,
                holdSeconds, totals.closedEarly);
    std::printf("relay: %zu visits sent, %zu delivered, %zu dropped, %zu error answers, %zu send failures\n",
                totals.visitsSent, totals.visitsReceived, totals.dropped, totals.errorsReceived, totals.sendFailures);
    if (outage.planned) {
        PrintOutage(options, totals, heldAtEnd, *prober);
    }
    std::printf("relay latency: p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", Percentile(latencies, 0.5),
                Percentile(latencies, 0.99), Largest(latencies));
    if (outage.planned) {
        std::vector<double>& steady = totals.steadyLatenciesMs;
        std::printf(
            "relay latency of the visits due well apart from the outage: p50 %.2f ms, p99 %.2f ms, max %.2f ms\n",
            Percentile(steady, 0.5), Percentile(steady, 0.99), Largest(steady));
    }
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
    return totals.dropped == 0 && outageHeld && totals.connectFailures == 0 && totals.closedEarly == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure as soon as it is known
    try {
        Options options = ParseOptions(argc, argv);
        PlanProcesses(options);
        CheckServiceDescriptors(options);
        return Run(options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "service_load: %s\n", error.what());
        return 2;
    }
}
