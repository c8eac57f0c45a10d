#include "connection_tracker.h"

#include <vector>

namespace mossquill::service {

ConnectionTracker::Ticket::~Ticket()
{
    if (tracker_ != nullptr) {
        tracker_->connections_.erase(id_);
    }
}

void ConnectionTracker::Ticket::Attach(std::weak_ptr<StoppableConnection> connection)
{
    tracker_->connections_[id_] = std::move(connection);
}

std::optional<ConnectionTracker::Ticket> ConnectionTracker::Admit()
{
    if (connections_.size() >= maxConnections_) {
        return std::nullopt;
    }
    const std::uint64_t id = nextId_++;
    connections_.emplace(id, std::weak_ptr<StoppableConnection>());
    return Ticket(*this, id);
}

void ConnectionTracker::StopAll()
{
    // Stopping may end a connection and so change the map; work on a copy.
    std::vector<std::shared_ptr<StoppableConnection>> open;
    for (const auto& [id, connection] : connections_) {
        if (auto alive = connection.lock()) {
            open.push_back(std::move(alive));
        }
    }
    for (const auto& connection : open) {
        connection->Stop();
    }
}

}  // namespace mossquill::service
