#include "load_options.h"
#include "load_totals.h"
#include "worker_process.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

namespace load {
namespace {

constexpr std::size_t Totals::*kCounts[] = {&Totals::connected,
                                            &Totals::resumed,
                                            &Totals::connectFailures,
                                            &Totals::closedEarly,
                                            &Totals::visitsSent,
                                            &Totals::visitsReceived,
                                            &Totals::dropped,
                                            &Totals::errorsReceived,
                                            &Totals::sendFailures,
                                            &Totals::outageLocalSent,
                                            &Totals::outageLocalDelivered,
                                            &Totals::outageAcrossSent,
                                            &Totals::outageHeartbeats,
                                            &Totals::outageErrors,
                                            &Totals::outageClosedEarly};

// Every count different, so that one lost or swapped on the way shows.
Totals WorkerFigures(std::size_t base, std::vector<double> latencies) {
    Totals totals;
    for (const auto count : kCounts) {
        totals.*count = ++base;
    }
    totals.latenciesMs = latencies;
    totals.steadyLatenciesMs = {static_cast<double>(base), 2.0};
    totals.outageLocalLatenciesMs = {static_cast<double>(base)};
    return totals;
}

// Two worker processes send their figures over their pipes; the parent adds them up. Each
// count is the sum, and the percentiles are those of all visits together, not an average of
// each worker's: a worker whose visits were slow must show in the p99.
TEST(LoadReportTest, WorkersFiguresCrossTheirPipesAndAddUpToOneReport) {
    const std::vector<double> fast(900, 1.0);
    const std::vector<double> slow(100, 50.0);
    auto workers = WorkerProcess::StartAll(2, [&](std::size_t index) -> WorkerProcess::Body {
        return [&, index](MessagePipe& parent) {
            const nlohmann::json command = parent.Receive();
            parent.Send(TotalsToJson(index == 0 ? WorkerFigures(0, fast) : WorkerFigures(100, slow)));
            return command.at("phase") == "report" ? 0 : 1;
        };
    });
    Totals report;
    for (const nlohmann::json& reply : Broadcast(workers, {{"phase", "report"}})) {
        AddTotals(report, TotalsFromJson(reply));
    }
    for (auto& worker : workers) {
        EXPECT_EQ(worker->Wait(), 0);
    }

    // Every count is the two workers' sum.
    const Totals first = WorkerFigures(0, fast);
    const Totals second = WorkerFigures(100, slow);
    for (const auto count : kCounts) {
        EXPECT_EQ(report.*count, first.*count + second.*count);
    }
    EXPECT_EQ(report.outageLocalLatenciesMs.size(), 2u);
    EXPECT_EQ(report.steadyLatenciesMs.size(), 4u);

    ASSERT_EQ(report.latenciesMs.size(), 1000u);
    EXPECT_EQ(Percentile(report.latenciesMs, 0.5), 1.0);
    EXPECT_EQ(Percentile(report.latenciesMs, 0.99), 50.0);
    EXPECT_EQ(Largest(report.latenciesMs), 50.0);
}

// A real run's samples are far larger than a pipe's buffer: they arrive whole, and a worker
// that ends without replying is an error rather than a report of nothing.
TEST(LoadReportTest, ALargeReplyArrivesWholeAndAWorkerThatEndsSilentlyIsAnError) {
    std::vector<double> many(300000);
    for (std::size_t i = 0; i < many.size(); ++i) {
        many[i] = static_cast<double>(i) / 7;
    }
    auto workers = WorkerProcess::StartAll(2, [&](std::size_t index) -> WorkerProcess::Body {
        return [&, index](MessagePipe& parent) {
            parent.Receive();
            if (index == 1) {
                return 3;
            }
            parent.Send(TotalsToJson(WorkerFigures(0, many)));
            return 0;
        };
    });
    workers[0]->Pipe().Send({{"phase", "report"}});
    EXPECT_EQ(TotalsFromJson(workers[0]->Pipe().Receive()).latenciesMs, many);
    workers[1]->Pipe().Send({{"phase", "report"}});
    EXPECT_THROW(workers[1]->Pipe().Receive(), std::runtime_error);
    EXPECT_EQ(workers[1]->Wait(), 3);
}

// More sessions than one process may hold are shared out over as few processes as fit them,
// each with room for its own connections besides the sessions.
TEST(LoadReportTest, SessionsAreSharedOverAsFewProcessesAsTheDescriptorLimitAllows) {
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_max == RLIM_INFINITY || limit.rlim_max > 1000000) {
        GTEST_SKIP() << "no useful descriptor limit";
    }
    Options options;
    options.sessions = (limit.rlim_max - kSpareDescriptors) * 5 / 2 & ~std::size_t{1};
    PlanProcesses(options);
    EXPECT_EQ(options.processes, 3u);
    EXPECT_EQ(options.threads, 1u);
    std::size_t pairs = 0;
    for (std::size_t process = 0; process < options.processes; ++process) {
        const PairRange range = PairsOf(options, process);
        EXPECT_EQ(range.first, pairs);
        EXPECT_LE(2 * (range.end - range.first) + kSpareDescriptors, limit.rlim_max);
        pairs = range.end;
    }
    EXPECT_EQ(pairs, options.sessions / 2);

    options.processes = 2;
    EXPECT_THROW(PlanProcesses(options), std::runtime_error);
}

}  // namespace
}  // namespace load
