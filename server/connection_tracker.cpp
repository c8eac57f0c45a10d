#include "connection_tracker.h"

#include <vector>

namespace mossquill::service {

ConnectionTracker::Ticket::~Ticket()
{
    if (tracker_ != nullptr) {
        tracker_->Release(id_);
    }
}

void ConnectionTracker::Ticket::Attach(std::weak_ptr<StoppableConnection> connection)
{
    tracker_->connections_.at(id_).connection = std::move(connection);
}

std::optional<ConnectionTracker::Ticket> ConnectionTracker::Admit(const std::string& address)
{
    if (connections_.size() >= maxConnections_) {
        return std::nullopt;
    }
    std::size_t& fromAddress = perAddress_[address];
    if (fromAddress >= maxPerAddress_) {
        return std::nullopt;
    }
    ++fromAddress;
    const std::uint64_t id = nextId_++;
    connections_.emplace(id, Entry{address, {}});
    return Ticket(*this, id);
}

void ConnectionTracker::Release(std::uint64_t id)
{
    const auto found = connections_.find(id);
    if (found == connections_.end()) {
        return;
    }
    const auto count = perAddress_.find(found->second.address);
    if (count != perAddress_.end() && --count->second == 0) {
        perAddress_.erase(count);
    }
    connections_.erase(found);
}

void ConnectionTracker::StopAll()
{
    // Stopping may end a connection and so change the map; work on a copy.
    std::vector<std::shared_ptr<StoppableConnection>> open;
    for (const auto& [id, entry] : connections_) {
        if (auto alive = entry.connection.lock()) {
            open.push_back(std::move(alive));
        }
    }
    for (const auto& connection : open) {
        connection->Stop();
    }
}

}  // namespace mossquill::service
