#pragma once

#include "visits/incoming_visit.h"

#include <cstdint>
#include <deque>
#include <optional>

// The visit card's state: the visit on show with its ten seconds, whether it has been answered,
// and the visits that arrived meanwhile (at most two wait; more are lost).
class VisitQueue {
public:
    static constexpr uint64_t kShowMs = 10000;
    static constexpr size_t kMaxWaiting = 2;

    enum class Arrival { Shown, Waiting, Dropped };

    // Shows the visit at once when none is on show, else lets it wait if there is room.
    Arrival Arrive(const IncomingVisit& visit, uint64_t now);
    // Ends the visit on show; the next waiting one, which the caller shows with Arrive.
    std::optional<IncomingVisit> End();
    // Gives the visit on show its whole time again from now: it waited where nobody could see it.
    void Restart(uint64_t now) {
        if (showing_) startTick_ = now;
    }
    // Marks the visit of that serial answered, if it is still the one on show.
    void Responded(uint64_t serial) {
        if (showing_ && serial == serial_) responded_ = true;
    }

    bool showing() const { return showing_; }
    bool responded() const { return responded_; }
    const IncomingVisit& current() const { return current_; }
    // Names each visit shown, so that an answer chosen while the card changed finds its visit.
    uint64_t serial() const { return serial_; }
    uint64_t startTick() const { return startTick_; }
    uint64_t endTick() const { return startTick_ + kShowMs; }
    size_t waiting() const { return waiting_.size(); }
    bool Over(uint64_t now) const { return showing_ && now >= endTick(); }
    // The countdown on the card: whole seconds left, rounded up; 0 once over.
    int SecondsLeft(uint64_t now) const;

private:
    bool showing_ = false;
    bool responded_ = false;
    IncomingVisit current_;
    uint64_t serial_ = 0;
    uint64_t startTick_ = 0;
    std::deque<IncomingVisit> waiting_;
};
