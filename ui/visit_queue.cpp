#include "ui/visit_queue.h"

#include "render/pose.h"

VisitQueue::Arrival VisitQueue::Arrive(const IncomingVisit& visit, uint64_t now) {
    if (showing_) {
        if (waiting_.size() >= kMaxWaiting) return Arrival::Dropped;
        waiting_.push_back(visit);
        return Arrival::Waiting;
    }
    current_ = visit;
    current_.appearance = ClampAppearance(visit.appearance);
    showing_ = true;
    responded_ = false;
    ++serial_;
    startTick_ = now;
    return Arrival::Shown;
}

std::optional<IncomingVisit> VisitQueue::End() {
    showing_ = false;
    if (waiting_.empty()) return std::nullopt;
    IncomingVisit next = std::move(waiting_.front());
    waiting_.pop_front();
    return next;
}

int VisitQueue::SecondsLeft(uint64_t now) const {
    const uint64_t end = endTick();
    if (now >= end) return 0;
    return static_cast<int>((end - now + 999) / 1000);
}
