#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace mossquill::service {

// One session's presence notices, at most one per friend within the interval: a friend
// whose session flaps would otherwise make each of its friends' pets fetch the friend
// list again for every flap. The first notice goes out at once; later ones within the
// interval replace each other and the latest goes out when the interval ends, unless it
// says what the last one sent said. Holds one entry per friend heard of recently, so a
// session's memory is bounded by its friends, and needs one timer (NextDue) whatever
// the number of notices.
class PresenceCoalescer {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    explicit PresenceCoalescer(std::chrono::milliseconds interval) : interval_(interval) {}

    // The notice about the friend `aboutId`: returned when it is to be sent now, kept
    // for later otherwise.
    std::optional<std::string> Offer(const std::string& aboutId, std::string notice, TimePoint now);

    // The kept notices whose interval has ended, to be sent now; forgets friends whose
    // interval is over.
    std::vector<std::string> TakeDue(TimePoint now);

    // The friendship ended: nothing kept about the former friend goes out.
    void Forget(const std::string& aboutId) { friends_.erase(aboutId); }

    // When TakeDue next has something to do; nothing while no friend is remembered.
    std::optional<TimePoint> NextDue() const;

private:
    struct Friend {
        TimePoint sentAt;
        std::string sent;
        std::optional<std::string> kept;
    };

    std::chrono::milliseconds interval_;
    std::unordered_map<std::string, Friend> friends_;
};

}  // namespace mossquill::service
