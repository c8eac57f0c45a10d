#include "load_totals.h"

#include <algorithm>

namespace load {

namespace {

// Every field once, for adding up and for crossing the pipe alike.
struct CountField {
    const char* name;
    std::size_t Totals::*member;
};
constexpr CountField kCounts[] = {
    {"connected", &Totals::connected},
    {"resumed", &Totals::resumed},
    {"connectFailures", &Totals::connectFailures},
    {"closedEarly", &Totals::closedEarly},
    {"visitsSent", &Totals::visitsSent},
    {"visitsReceived", &Totals::visitsReceived},
    {"dropped", &Totals::dropped},
    {"errorsReceived", &Totals::errorsReceived},
    {"sendFailures", &Totals::sendFailures},
    {"outageLocalSent", &Totals::outageLocalSent},
    {"outageLocalDelivered", &Totals::outageLocalDelivered},
    {"outageAcrossSent", &Totals::outageAcrossSent},
    {"outageHeartbeats", &Totals::outageHeartbeats},
    {"outageErrors", &Totals::outageErrors},
    {"outageClosedEarly", &Totals::outageClosedEarly},
};

struct SampleField {
    const char* name;
    std::vector<double> Totals::*member;
};
constexpr SampleField kSamples[] = {
    {"latenciesMs", &Totals::latenciesMs},
    {"steadyLatenciesMs", &Totals::steadyLatenciesMs},
    {"outageLocalLatenciesMs", &Totals::outageLocalLatenciesMs},
};

}  // namespace

void AddTotals(Totals& into, const Totals& from) {
    for (const CountField& field : kCounts) {
        into.*field.member += from.*field.member;
    }
    for (const SampleField& field : kSamples) {
        (into.*field.member)
            .insert((into.*field.member).end(), (from.*field.member).begin(), (from.*field.member).end());
    }
}

nlohmann::json TotalsToJson(const Totals& totals) {
    nlohmann::json json = nlohmann::json::object();
    for (const CountField& field : kCounts) {
        json[field.name] = totals.*field.member;
    }
    for (const SampleField& field : kSamples) {
        json[field.name] = totals.*field.member;
    }
    return json;
}

Totals TotalsFromJson(const nlohmann::json& json) {
    Totals totals;
    for (const CountField& field : kCounts) {
        totals.*field.member = json.at(field.name).get<std::size_t>();
    }
    for (const SampleField& field : kSamples) {
        totals.*field.member = json.at(field.name).get<std::vector<double>>();
    }
    return totals;
}

double Percentile(std::vector<double>& values, double fraction) {
    if (values.empty()) {
        return 0;
    }
    const auto position = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(position), values.end());
    return values[position];
}

double Largest(const std::vector<double>& values) {
    return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
}

}  // namespace load
