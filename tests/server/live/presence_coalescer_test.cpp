#include "live/presence_coalescer.h"

#include <gtest/gtest.h>

namespace mossquill::service {
namespace {

using namespace std::chrono_literals;

TEST(PresenceCoalescerTest, AFlappingFriendCostsOneNoticeAtOnceAndTheLatestStateAtTheEnd) {
    PresenceCoalescer coalescer(3s);
    const PresenceCoalescer::TimePoint start{};
    EXPECT_FALSE(coalescer.NextDue()) << "nothing to wake up for";

    EXPECT_EQ(coalescer.Offer("bob", "bob off", start), "bob off");
    EXPECT_EQ(coalescer.Offer("carol", "carol on", start + 1s), "carol on") << "each friend has its own interval";
    EXPECT_FALSE(coalescer.Offer("bob", "bob on", start + 1s));
    EXPECT_FALSE(coalescer.Offer("bob", "bob off", start + 2s));
    EXPECT_FALSE(coalescer.Offer("bob", "bob on", start + 2900ms));
    EXPECT_EQ(coalescer.NextDue(), start + 3s);
    EXPECT_TRUE(coalescer.TakeDue(start + 2999ms).empty());
    EXPECT_EQ(coalescer.TakeDue(start + 3s), std::vector<std::string>{"bob on"}) << "the latest state wins";

    // The trailing notice opened an interval of its own; a flap back to what the friend
    // was last told sends nothing more.
    EXPECT_FALSE(coalescer.Offer("bob", "bob off", start + 4s));
    EXPECT_FALSE(coalescer.Offer("bob", "bob on", start + 5s));
    EXPECT_TRUE(coalescer.TakeDue(start + 6s).empty());
    EXPECT_FALSE(coalescer.NextDue()) << "friends are forgotten once their interval is over";
    EXPECT_EQ(coalescer.Offer("bob", "bob on", start + 6s), "bob on");

    EXPECT_FALSE(coalescer.Offer("bob", "bob off", start + 7s));
    coalescer.Forget("bob");
    EXPECT_TRUE(coalescer.TakeDue(start + 9s).empty()) << "a former friend's state is not passed on";
}

}  // namespace
}  // namespace mossquill::service
