#include "limits/client_prefix.h"
#include "limits/rate_limiter.h"

#include <gtest/gtest.h>

namespace mossquill::service {
namespace {

using namespace std::chrono_literals;

TEST(RateLimiterTest, WindowSlidesPerKey) {
    SlidingWindowLimiter limiter(2, 10s);
    const TimePoint start{};
    EXPECT_TRUE(limiter.TryTake("a", start));
    EXPECT_TRUE(limiter.TryTake("a", start + 4s));
    EXPECT_FALSE(limiter.TryTake("a", start + 9s));
    EXPECT_TRUE(limiter.TryTake("b", start + 9s)) << "keys are independent";
    EXPECT_TRUE(limiter.TryTake("a", start + 10s)) << "the first event has left the window";
    EXPECT_FALSE(limiter.TryTake("a", start + 13s));
    EXPECT_TRUE(limiter.TryTake("a", start + 14s));
}

TEST(RateLimiterTest, RecordingWithoutTakingStillCounts) {
    SlidingWindowLimiter limiter(1, 1min);
    const TimePoint start{};
    EXPECT_FALSE(limiter.IsExhausted("x", start));
    limiter.Record("x", start);
    EXPECT_TRUE(limiter.IsExhausted("x", start + 59s));
    EXPECT_FALSE(limiter.IsExhausted("x", start + 60s));
}

TEST(RateLimiterTest, ZeroMeansNoLimitAndSweepsKeepRecentKeys) {
    SlidingWindowLimiter unlimited(0, 1min);
    for (int i = 0; i < 100; ++i) {
        EXPECT_TRUE(unlimited.TryTake("same", TimePoint{}));
    }
    SlidingWindowLimiter limiter(1, 1s);
    for (int i = 0; i < 5000; ++i) {
        EXPECT_TRUE(limiter.TryTake(std::to_string(i), TimePoint{} + std::chrono::milliseconds(i)));
    }
    EXPECT_FALSE(limiter.TryTake("4999", TimePoint{} + 5s)) << "recent keys survive sweeps";
}

TEST(ClientPrefixTest, AddressesOfOneNetworkShareABudget) {
    EXPECT_EQ(ClientPrefix("203.0.113.7"), ClientPrefix("203.0.113.250"));
    EXPECT_NE(ClientPrefix("203.0.113.7"), ClientPrefix("203.0.114.7"));
    EXPECT_EQ(ClientPrefix("::ffff:203.0.113.9"), ClientPrefix("203.0.113.7")) << "IPv4 seen through IPv6";
    EXPECT_EQ(ClientPrefix("2001:db8:1:2:aaaa::1"), ClientPrefix("2001:db8:1:2:ffff:1:2:3")) << "one /64";
    EXPECT_NE(ClientPrefix("2001:db8:1:2::1"), ClientPrefix("2001:db8:1:3::1"));
}

TEST(ClientPrefixTest, OneIpv6CustomerIsOneNetworkAtTheWiderWidths) {
    const auto household = ClientNetworks("2001:db8:1:2aff::1");
    const auto neighbour = ClientNetworks("2001:db8:1:2a00::1");   // same /56, another /64
    const auto sameCustomer = ClientNetworks("2001:db8:1:ff::1");  // same /48, another /56
    ASSERT_EQ(household.size(), 3U);
    EXPECT_EQ(household[0], ClientPrefix("2001:db8:1:2aff::1")) << "narrowest first, as ClientPrefix";
    EXPECT_NE(household[0], neighbour[0]);
    EXPECT_EQ(household[1], neighbour[1]);
    EXPECT_NE(household[1], sameCustomer[1]);
    EXPECT_EQ(household[2], sameCustomer[2]);
    EXPECT_NE(household[2], ClientNetworks("2001:db8:2::1")[2]);
    EXPECT_EQ(ClientNetworks("::ffff:198.51.100.7"), ClientNetworks("198.51.100.200")) << "IPv4 has one width";
    EXPECT_EQ(ClientNetworks("not-an-address"), std::vector<std::string>{"not-an-address"});
}

}  // namespace
}  // namespace mossquill::service
