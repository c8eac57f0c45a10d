#pragma once

#include <chrono>
#include <cstddef>

namespace mossquill::service {

// Protocol limits of the service; tests shrink some of them.
struct ServiceLimits {
    std::chrono::milliseconds pairCodeLifetime = std::chrono::minutes(10);

    // Failed claims (unknown or expired code) allowed per device and for everyone
    // together within the window; with 1,000,000 codes this keeps walking them hopeless.
    std::size_t claimFailuresPerDevice = 10;
    std::size_t claimFailuresOverall = 300;
    std::chrono::milliseconds claimWindow = std::chrono::minutes(10);

    // Registrations per client address within the window; 0 for no limit.
    std::size_t registrationsPerAddress = 30;
    std::chrono::milliseconds registrationWindow = std::chrono::minutes(10);

    // Messages a live session may send within the window.
    std::size_t liveMessagesPerDevice = 30;
    std::chrono::milliseconds liveMessageWindow = std::chrono::minutes(1);

    // Profile changes and new pairing codes per device within the window: each one is
    // a disk write, and a profile change is announced to every online friend.
    std::size_t changesPerDevice = 30;
    std::chrono::milliseconds changeWindow = std::chrono::minutes(1);

    // Live sessions a device may start within the window (a client reconnects every 10 s).
    std::size_t liveSessionsPerDevice = 20;
    std::chrono::milliseconds liveSessionWindow = std::chrono::minutes(1);

    std::size_t maxFriends = 500;
};

}  // namespace mossquill::service
