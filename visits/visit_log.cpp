#include "visits/visit_log.h"

std::optional<uint64_t> VisitLog::SecondsToWait(const std::wstring& friendId, uint64_t now) const {
    const auto found = cooldownUntil_.find(friendId);
    if (found == cooldownUntil_.end() || found->second <= now) return std::nullopt;
    return (found->second - now + 999) / 1000;
}

void VisitLog::Sent(const std::wstring& friendId, int actionIndex, uint64_t now) {
    cooldownUntil_[friendId] = now + kCooldownMs;
    lastAction_[friendId] = actionIndex;
}

int VisitLog::PickAction(const std::wstring& friendId) {
    const auto found = lastAction_.find(friendId);
    const int last = found == lastAction_.end() ? -1 : found->second;
    std::uniform_int_distribution<int> draw(0, 8);
    const int action = draw(rng_);
    if (action != last) return action;
    return (last + draw(rng_) % 8 + 1) % 9;
}
