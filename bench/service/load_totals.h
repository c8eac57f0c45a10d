// What the sessions counted: per thread, then per worker process, then over all processes,
// with every latency sample kept so that the percentiles are those of all visits.
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <vector>

namespace load {

struct Totals {
    std::size_t connected = 0;
    std::size_t resumed = 0;  // TLS sessions resumed with a ticket
    std::size_t connectFailures = 0;
    std::size_t closedEarly = 0;
    std::size_t visitsSent = 0;
    std::size_t visitsReceived = 0;
    std::size_t dropped = 0;  // not counting visits across instances while Redis was stopped
    std::size_t errorsReceived = 0;
    std::size_t sendFailures = 0;
    std::vector<double> latenciesMs;
    std::vector<double> steadyLatenciesMs;  // when Redis is stopped: of the visits due well apart from it
    // While Redis was stopped: visits between friends on one instance must flow, the others
    // may be answered as offline; heartbeats must keep coming and sessions stay.
    std::size_t outageLocalSent = 0;
    std::size_t outageLocalDelivered = 0;
    std::size_t outageAcrossSent = 0;
    std::vector<double> outageLocalLatenciesMs;
    std::size_t outageHeartbeats = 0;
    std::size_t outageErrors = 0;
    std::size_t outageClosedEarly = 0;
};

void AddTotals(Totals& into, const Totals& from);

// Between processes.
nlohmann::json TotalsToJson(const Totals& totals);
Totals TotalsFromJson(const nlohmann::json& json);

// The value at that fraction of the sorted values (nearest rank below); 0 when there are none.
// Reorders the values.
double Percentile(std::vector<double>& values, double fraction);
double Largest(const std::vector<double>& values);

}  // namespace load
