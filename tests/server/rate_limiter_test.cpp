#include "client_prefix.h"
#include "rate_limiter.h"

#include <gtest/gtest.h>

namespace mossquill::service {
namespace {

using namespace std::chrono_literals;

TEST(RateLimiterTest, WindowSlidesPerKey)
{
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

TEST(RateLimiterTest, RecordingWithoutTakingStillCounts)
{
    SlidingWindowLimiter limiter(1, 1min);
    const TimePoint start{};
    EXPECT_FALSE(limiter.IsExhausted("x", start));
    limiter.Record("x", start);
    EXPECT_TRUE(limiter.IsExhausted("x", start + 59s));
    EXPECT_FALSE(limiter.IsExhausted("x", start + 60s));
}

TEST(RateLimiterTest, ZeroMeansNoLimitAndSweepsKeepRecentKeys)
{
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

TEST(ClientPrefixTest, AddressesOfOneNetworkShareABudget)
{
    EXPECT_EQ(ClientPrefix("203.0.113.7"), ClientPrefix("203.0.113.250"));
    EXPECT_NE(ClientPrefix("203.0.113.7"), ClientPrefix("203.0.114.7"));
    EXPECT_EQ(ClientPrefix("::ffff:203.0.113.9"), ClientPrefix("203.0.113.7")) << "IPv4 seen through IPv6";
    EXPECT_EQ(ClientPrefix("2001:db8:1:2:aaaa::1"), ClientPrefix("2001:db8:1:2:ffff:1:2:3")) << "one /64";
    EXPECT_NE(ClientPrefix("2001:db8:1:2::1"), ClientPrefix("2001:db8:1:3::1"));
}

}  // namespace
}  // namespace mossquill::service
