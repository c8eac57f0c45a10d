#pragma once

#include "protocol/field_limits.h"

#include <chrono>
#include <cstddef>

namespace mossquill::service {

// Protocol limits of the service; tests shrink some of them. "Prefix" is a client's
// /24 (IPv4) or /64 (IPv6) network.
struct ServiceLimits {
    std::chrono::milliseconds pairCodeLifetime = std::chrono::minutes(10);

    // Failed claims (unknown or expired code) within the window, per device (fewer in its
    // first day, so that fresh registrations do not multiply a budget) and per client
    // network at each width it is counted at: IPv4 by /24; IPv6 by /56 (one customer) and
    // by /48 (what a customer, or an attacker, may hold: 256 /56s). A network's budget is
    // spent whichever of its devices and addresses spend it. server/README.md works out
    // what these leave a guesser. The ceiling for everybody, over a shorter window, stops
    // a flood from networks beyond counting; reaching it is logged.
    std::size_t claimFailuresPerDevice = 10;
    std::size_t claimFailuresPerNewDevice = 3;
    std::chrono::milliseconds newDeviceAge = std::chrono::hours(24);
    std::size_t claimFailuresPerIpv4Network = 20;
    std::size_t claimFailuresPerIpv6Customer = 20;
    std::size_t claimFailuresPerIpv6Block = 40;
    std::chrono::milliseconds claimWindow = std::chrono::hours(24);
    std::size_t claimFailuresOverall = 5000;
    std::chrono::milliseconds claimCeilingWindow = std::chrono::minutes(10);

    // Registrations per client address within the window; 0 for no limit. A prefix may
    // make kRegistrationsPerPrefixFactor times as many and everybody together
    // kRegistrationsOverallFactor times as many, so a few clients cannot fill the disk.
    std::size_t registrationsPerAddress = 30;
    std::chrono::milliseconds registrationWindow = std::chrono::minutes(10);

    // Failed authentications (401) per client network (each width it is counted at) within
    // the window; probing for devices and tokens costs a database read each.
    std::size_t authFailuresPerPrefix = 200;
    std::chrono::milliseconds authFailureWindow = std::chrono::minutes(10);

    // Devices whose verified credentials are kept in memory, and for how long: another
    // instance's change of a device (its profile, its expiry) is seen here at most this late.
    std::size_t credentialCacheDevices = 20000;
    std::chrono::milliseconds credentialCacheLifetime = std::chrono::minutes(1);

    // Friend-list reads per device within the window (clients read it again after
    // every presence notice, so this is generous).
    std::size_t friendListReadsPerDevice = 120;
    std::chrono::milliseconds friendListWindow = std::chrono::minutes(1);

    // Messages a live session may send within the window.
    std::size_t liveMessagesPerDevice = 30;
    std::chrono::milliseconds liveMessageWindow = std::chrono::minutes(1);

    // Profile changes, new pairing codes and friend removals per device within the window:
    // each one is a disk write announced to online friends (or, for a code, a new secret).
    std::size_t changesPerDevice = 30;
    std::chrono::milliseconds changeWindow = std::chrono::minutes(1);

    // Live sessions a device may start within the window. A pet pauses 10 s after every
    // lost or refused session, network changes included, so it starts at most 6 a minute
    // even when every session fails at once; 8 leaves it room and halves what a flapping
    // device could cost its friends before.
    std::size_t liveSessionsPerDevice = 8;
    std::chrono::milliseconds liveSessionWindow = std::chrono::minutes(1);

    // Health checks per client network within the window (a load balancer asks every few
    // seconds); answers come from the last real check, made in the background once per interval.
    std::size_t healthChecksPerNetwork = 120;
    std::chrono::milliseconds healthWindow = std::chrono::minutes(1);
    std::chrono::milliseconds healthCheckInterval = std::chrono::seconds(1);

    std::size_t maxFriends = protocol::kMaxFriends;
};

inline constexpr std::size_t kRegistrationsPerPrefixFactor = 10;
inline constexpr std::size_t kRegistrationsOverallFactor = 1000;

}  // namespace mossquill::service
