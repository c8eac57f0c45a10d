#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>

// What this pet remembers of the visits it sent, per friend id, for as long as it runs: when it
// may visit that friend again, and which action it sent last.
class VisitLog {
public:
    static constexpr uint64_t kCooldownMs = 30000;

    explicit VisitLog(uint32_t seed) : rng_(seed) {}

    // Whole seconds (rounded up) still to wait before visiting the friend again; nothing when a
    // visit may go now.
    std::optional<uint64_t> SecondsToWait(const std::wstring& friendId, uint64_t now) const;
    // A visit was handed to the live session.
    void Sent(const std::wstring& friendId, int actionIndex, uint64_t now);
    // A random action 0..8 that is never the one last sent to the friend; on a repeat draw the
    // action after the last one is twice as likely as each other.
    int PickAction(const std::wstring& friendId);

private:
    std::map<std::wstring, uint64_t> cooldownUntil_;
    std::map<std::wstring, int> lastAction_;
    std::mt19937 rng_;
};
