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

struct Budget {
    double failures = 0;
    double hours = 0;  // the window
};

// Spends a budget of the service with failed claims, from device and address number n in turn,
// until one is refused; then finds how long that one waits.
Budget Spend(const std::function<std::pair<std::string, std::string>(int)>& claimant, bool newDevice) {
    const TimePoint now = std::chrono::system_clock::now();
    const TimePoint registered = newDevice ? now : now - 30 * 24h;
    ClaimBudget budget(ServiceLimits{}, SlidingWindowLimiter::Factory());
    int n = 0;
    for (; budget.Check(claimant(n).first, registered, claimant(n).second, now) == ClaimBudget::Verdict::Allowed; ++n) {
        budget.RecordFailure(claimant(n).first, registered, claimant(n).second, now);
    }
    auto wait = 1min;
    while (wait < 48h && budget.Check(claimant(n).first, registered, claimant(n).second, now + wait) !=
                             ClaimBudget::Verdict::Allowed) {
        wait += 1min;
    }
    return {double(n), std::chrono::duration<double, std::ratio<3600>>(wait).count()};
}

std::string Hex(int n) {
    char text[8];
    std::snprintf(text, sizeof text, "%x", n);
    return text;
}

TEST(ClaimBudgetTest, TheGuessingFiguresOfTheReadmeAreWhatTheServiceEnforces) {
    // Each IPv4 claimant on a /24 of its own, so that only the rule measured counts.
    const auto ownNetwork = [](int n) {
        return "10." + std::to_string(n / 256) + "." + std::to_string(n % 256) + ".1";
    };
    const auto device = [](int n) { return "device-" + std::to_string(n); };
    std::map<std::string, Budget> measured = {
        {"one device", Spend(
                           [&](int n) {
                               return std::pair{std::string("one"), ownNetwork(n)};
                           },
                           false)},
        {"one device in its first day", Spend(
                                            [&](int n) {
                                                return std::pair{std::string("new"), ownNetwork(n)};
                                            },
                                            true)},
        {"one IPv4 /24", Spend(
                             [&](int n) {
                                 return std::pair{device(n), "198.51.100." + std::to_string(n % 250)};
                             },
                             false)},
        // Another /64 of one /56 each time; another /56 of one /48 each time.
        {"one IPv6 /56", Spend(
                             [&](int n) {
                                 return std::pair{device(n), "2001:db8:0:" + Hex(n % 256) + "::1"};
                             },
                             false)},
        {"one IPv6 /48", Spend(
                             [&](int n) {
                                 return std::pair{device(n), "2001:db8:0:" + Hex((n % 256) << 8) + "::1"};
                             },
                             false)},
        {"everybody together", Spend(
                                   [&](int n) {
                                       return std::pair{device(n), ownNetwork(n)};
                                   },
                                   false)},
    };

    std::ifstream readme(std::string(MOSSQUILL_SERVICE_SOURCE_DIR) + "/README.md");
    std::map<std::string, Budget> documented;
    double documentedGuesses = 0;
    std::map<double, double> documentedHits;
    std::smatch match;
    for (std::string line; std::getline(readme, line);) {
        if (std::regex_match(line, match,
                             std::regex(R"(\| (one [^|]+|everybody together) \| (\d+) \| (\d+) (h|min) \|)"))) {
            documented[match[1]] = {std::stod(match[2]), std::stod(match[3]) / (match[4] == "h" ? 1 : 60)};
        } else if (std::regex_search(line, match, std::regex(R"(= (\d+) guesses)"))) {
            documentedGuesses = std::stod(match[1]);
        } else if (std::regex_match(line, match, std::regex(R"(\| ([\d,]+) \| ([\d.]+) \|)"))) {
            std::string codes = match[1];
            std::erase(codes, ',');
            documentedHits[std::stod(codes)] = std::stod(match[2]);
        }
    }
    ASSERT_EQ(documented.size(), measured.size()) << "the budget table of server/README.md";
    for (const auto& [name, budget] : measured) {
        EXPECT_EQ(documented[name].failures, budget.failures) << name;
        EXPECT_EQ(documented[name].hours, budget.hours) << name;
    }

    // The README's attacker: 16 IPv4 /24s, 4 IPv6 /48s (each spends the smaller of its own budget
    // and its 256 /56s'), and devices without end, which add nothing.
    const auto perDay = [&](const char* name) { return measured[name].failures * 24 / measured[name].hours; };
    const double guesses =
        16 * perDay("one IPv4 /24") + 4 * std::min(perDay("one IPv6 /48"), 256 * perDay("one IPv6 /56"));
    EXPECT_EQ(documentedGuesses, guesses);
    ASSERT_EQ(documentedHits.size(), 3u);
    for (const auto& [codes, hits] : documentedHits) {
        EXPECT_DOUBLE_EQ(hits, guesses * codes / 1e6) << codes << " live codes";
    }
    EXPECT_LT(guesses * 1000 / 1e6, 1.0) << "a successful guess a day or more at 1,000 live codes";
    EXPECT_GE(measured["one device in its first day"].failures, 3) << "two typos, then the right code";
}

}  // namespace
}  // namespace mossquill::service
