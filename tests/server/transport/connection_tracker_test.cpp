#include "transport/connection_tracker.h"

#include <gtest/gtest.h>

#include <string>
#include <iterator>
#include <list>

namespace mossquill::service {
namespace {

// One customer holds 2001:db8:7::/48 and opens its connections from many /64s inside it.
std::string InCustomerSubnet(int subnet, int host) {
    return "2001:db8:7:" + std::to_string(subnet) + "::" + std::to_string(host + 1);
}

TEST(ConnectionTrackerTest, OneCustomerSpreadOverManySubnetsFillsOnlyItsOwnShare) {
    ConnectionTracker tracker(/*maxConnections=*/1000, /*maxPerAddress=*/10, /*maxPerPrefix=*/20);
    std::list<ConnectionTracker::Ticket> held;
    int admitted = 0;
    for (int subnet = 0; subnet < 60; ++subnet) {
        for (int host = 0; host < 5; ++host) {
            if (auto ticket = tracker.Admit(InCustomerSubnet(subnet, host))) {
                held.push_back(std::move(*ticket));
                ++admitted;
            }
        }
    }
    EXPECT_EQ(admitted, 20) << "the /48 is one network however many /64s it spans";

    EXPECT_TRUE(tracker.Admit("2001:db8:8::1")) << "another customer's /48 still gets in";
    EXPECT_TRUE(tracker.Admit("198.51.100.7"));

    held.erase(held.begin(), std::next(held.begin(), 3));
    EXPECT_TRUE(tracker.Admit(InCustomerSubnet(99, 0))) << "closed connections give their places back";
}

TEST(ConnectionTrackerTest, AddressesOfOneIpv4NetworkShareItsCap) {
    ConnectionTracker tracker(1000, 2, 3);
    std::list<ConnectionTracker::Ticket> held;
    for (int host = 1; host <= 3; ++host) {
        auto ticket = tracker.Admit("203.0.113." + std::to_string(host));
        ASSERT_TRUE(ticket);
        held.push_back(std::move(*ticket));
    }
    EXPECT_FALSE(tracker.Admit("203.0.113.200"));
    EXPECT_TRUE(tracker.Admit("203.0.114.1"));
}

}  // namespace
}  // namespace mossquill::service
