#include "limits/claim_budget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <regex>

namespace mossquill::service {
namespace {

using namespace std::chrono_literals;

constexpr double kCodeSpace = 1'000'000;

struct Claimant {
    std::string deviceId;
    std::string address;
};
using Claimants = std::function<Claimant(int)>;

// What a budget of the service turned out to be when spent.
struct Measured {
    double failures = 0;
    double windowHours = 0;
};

std::string Hex(int value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%x", value);
    return text;
}

class ClaimBudgetTest : public ::testing::Test {
protected:
    // Failed claims from the claimants, in turn, until one is refused; then how long until
    // that one may claim again.
    Measured Spend(const Claimants& claimants, TimePoint registeredAt)
    {
        ClaimBudget budget(limits_, SlidingWindowLimiter::Factory());
        Measured measured;
        int next = 0;
        for (;; ++next) {
            const Claimant claimant = claimants(next);
            if (budget.Check(claimant.deviceId, registeredAt, claimant.address, now_) != ClaimBudget::Verdict::Allowed) {
                break;
            }
            budget.RecordFailure(claimant.deviceId, registeredAt, claimant.address, now_);
        }
        measured.failures = next;
        const Claimant refused = claimants(next);
        for (auto later = 1min; later <= 48h; later += 1min) {
            if (budget.Check(refused.deviceId, registeredAt, refused.address, now_ + later) ==
                ClaimBudget::Verdict::Allowed) {
                measured.windowHours = std::chrono::duration<double, std::ratio<3600>>(later).count();
                break;
            }
        }
        return measured;
    }

    const ServiceLimits limits_;  // as the service enforces them
    const TimePoint now_ = std::chrono::system_clock::now();
    const TimePoint longAgo_ = now_ - std::chrono::hours(24 * 30);
};

// Each fresh device claims from an IPv4 /24 of its own, so that only the rule measured counts.
Claimant EverywhereFrom(const std::string& deviceId, int n)
{
    return {deviceId, "10." + std::to_string(n / 256) + "." + std::to_string(n % 256) + ".1"};
}

TEST_F(ClaimBudgetTest, TheGuessingFiguresOfTheReadmeAreWhatTheServiceEnforces)
{
    const auto device = [](int n) { return "device-" + std::to_string(n); };
    std::map<std::string, Measured> measured;
    measured["one device"] = Spend([](int n) { return EverywhereFrom("one", n); }, longAgo_);
    measured["one device in its first day"] = Spend([](int n) { return EverywhereFrom("new", n); }, now_);
    measured["one IPv4 /24"] =
        Spend([&](int n) { return Claimant{device(n), "198.51.100." + std::to_string(1 + n % 250)}; }, longAgo_);
    // Another /64 of one /56 each time; then another /56 of one /48 each time.
    measured["one IPv6 /56"] =
        Spend([&](int n) { return Claimant{device(n), "2001:db8:0:" + Hex(n % 256) + "::1"}; }, longAgo_);
    measured["one IPv6 /48"] =
        Spend([&](int n) { return Claimant{device(n), "2001:db8:0:" + Hex((n % 256) << 8) + "::1"}; }, longAgo_);
    measured["everybody together"] = Spend([&](int n) { return EverywhereFrom(device(n), n); }, longAgo_);

    std::ifstream readme(std::string(MOSSQUILL_SERVICE_SOURCE_DIR) + "/README.md");
    ASSERT_TRUE(readme) << "server/README.md";
    const std::regex budgetRow(R"(\| (one [^|]+|everybody together) \| (\d+) \| (\d+) (h|min) \|)");
    const std::regex guessesLine(R"(= (\d+) guesses)");
    const std::regex hitsRow(R"(\| ([\d,]+) \| ([\d.]+) \|)");
    std::map<std::string, Measured> documented;
    double documentedGuesses = 0;
    std::map<double, double> documentedHits;
    std::string line;
    std::smatch match;
    while (std::getline(readme, line)) {
        if (std::regex_match(line, match, budgetRow)) {
            const double window = std::stod(match[3]) / (match[4] == "h" ? 1.0 : 60.0);
            documented[match[1]] = {std::stod(match[2]), window};
        } else if (std::regex_search(line, match, guessesLine)) {
            documentedGuesses = std::stod(match[1]);
        } else if (std::regex_match(line, match, hitsRow)) {
            std::string codes = match[1];
            codes.erase(std::remove(codes.begin(), codes.end(), ','), codes.end());
            documentedHits[std::stod(codes)] = std::stod(match[2]);
        }
    }
    ASSERT_EQ(documented.size(), measured.size()) << "a budget row is missing from the README";
    for (const auto& [name, budget] : measured) {
        EXPECT_EQ(documented[name].failures, budget.failures) << name;
        EXPECT_EQ(documented[name].windowHours, budget.windowHours) << name;
    }

    // The attacker of the README: 16 IPv4 /24s and 4 IPv6 /48s, devices without end. Each /48
    // spends the smaller of its own budget and its 256 /56s'.
    const auto perDay = [](const Measured& budget) { return budget.failures * 24 / budget.windowHours; };
    const double guesses = 16 * perDay(measured["one IPv4 /24"]) +
                           4 * std::min(perDay(measured["one IPv6 /48"]), 256 * perDay(measured["one IPv6 /56"]));
    EXPECT_EQ(documentedGuesses, guesses);
    ASSERT_EQ(documentedHits.size(), 3u);
    for (const auto& [codes, hits] : documentedHits) {
        EXPECT_DOUBLE_EQ(hits, guesses * codes / kCodeSpace) << codes << " live codes";
    }
    EXPECT_LT(guesses * 1000 / kCodeSpace, 1.0) << "at 1,000 live codes a guess a day or more succeeds";
}

TEST_F(ClaimBudgetTest, ASpentNetworkRefusesEveryDeviceInItButNoNeighbourAndTyposAreForgiven)
{
    ClaimBudget budget(limits_, SlidingWindowLimiter::Factory());
    const auto check = [&](const std::string& deviceId, const std::string& address) {
        return budget.Check(deviceId, longAgo_, address, now_);
    };
    // A flood over the /56s of one /48, one failure from each, with fresh devices.
    int failures = 0;
    while (check("guesser-" + std::to_string(failures), "2001:db8:7:" + Hex(failures << 8) + "::1") ==
           ClaimBudget::Verdict::Allowed) {
        budget.RecordFailure("guesser-" + std::to_string(failures), longAgo_,
                             "2001:db8:7:" + Hex(failures << 8) + "::1", now_);
        ++failures;
    }
    EXPECT_LT(failures, 256) << "spreading over the /56s of a /48 must not multiply its budget";
    EXPECT_EQ(check("newcomer", "2001:db8:7:ff00::1"), ClaimBudget::Verdict::Spent) << "an untouched /56 of that /48";
    EXPECT_EQ(check("neighbour", "2001:db8:8::1"), ClaimBudget::Verdict::Allowed) << "the next /48";
    EXPECT_EQ(check("mapped", "::ffff:192.0.2.1"), ClaimBudget::Verdict::Allowed);

    // A user in a new device mistypes twice, then types the code right.
    budget.RecordFailure("typist", now_, "192.0.2.7", now_);
    budget.RecordFailure("typist", now_, "192.0.2.7", now_);
    EXPECT_EQ(budget.Check("typist", now_, "192.0.2.7", now_), ClaimBudget::Verdict::Allowed);
}

}  // namespace
}  // namespace mossquill::service
