#include "live/presence_coalescer.h"

namespace mossquill::service {

std::optional<std::string> PresenceCoalescer::Offer(const std::string& aboutId, std::string notice, TimePoint now) {
    const auto found = friends_.find(aboutId);
    if (found == friends_.end() || now - found->second.sentAt >= interval_) {
        friends_[aboutId] = Friend{now, notice, std::nullopt};
        return notice;
    }
    found->second.kept = std::move(notice);
    return std::nullopt;
}

std::vector<std::string> PresenceCoalescer::TakeDue(TimePoint now) {
    std::vector<std::string> due;
    for (auto entry = friends_.begin(); entry != friends_.end();) {
        Friend& known = entry->second;
        if (now - known.sentAt < interval_) {
            ++entry;
            continue;
        }
        if (known.kept && *known.kept != known.sent) {
            // The trailing notice opens an interval of its own.
            known.sentAt = now;
            known.sent = std::move(*known.kept);
            known.kept.reset();
            due.push_back(known.sent);
            ++entry;
            continue;
        }
        entry = friends_.erase(entry);
    }
    return due;
}

std::optional<PresenceCoalescer::TimePoint> PresenceCoalescer::NextDue() const {
    std::optional<TimePoint> next;
    for (const auto& [id, known] : friends_) {
        const TimePoint due = known.sentAt + interval_;
        if (!next || due < *next) {
            next = due;
        }
    }
    return next;
}

}  // namespace mossquill::service
