#include "transport/connection_tracker.h"

#include "core/metrics.h"
#include "limits/client_prefix.h"

#include <vector>

namespace mossquill::service {
namespace {

void Decrement(std::unordered_map<std::string, std::size_t>& counts, const std::string& key) {
    const auto found = counts.find(key);
    if (found != counts.end() && --found->second == 0) {
        counts.erase(found);
    }
}

}  // namespace

ConnectionTracker::Ticket::~Ticket() {
    if (tracker_ != nullptr) {
        tracker_->Release(id_);
    }
}

void ConnectionTracker::Ticket::Attach(std::weak_ptr<StoppableConnection> connection) {
    const std::lock_guard lock(tracker_->mutex_);
    tracker_->connections_.at(id_).connection = std::move(connection);
}

std::optional<ConnectionTracker::Ticket> ConnectionTracker::Admit(const std::string& address) {
    std::vector<std::string> networks = ClientNetworks(address);
    const std::lock_guard lock(mutex_);
    if (connections_.size() >= maxConnections_) {
        return std::nullopt;
    }
    const auto fromAddress = perAddress_.find(address);
    if (fromAddress != perAddress_.end() && fromAddress->second >= maxPerAddress_) {
        return std::nullopt;
    }
    for (const std::string& network : networks) {
        const auto fromNetwork = perPrefix_.find(network);
        if (fromNetwork != perPrefix_.end() && fromNetwork->second >= maxPerPrefix_) {
            return std::nullopt;
        }
    }
    ++perAddress_[address];
    for (const std::string& network : networks) {
        ++perPrefix_[network];
    }
    const std::uint64_t id = nextId_++;
    connections_.emplace(id, Entry{address, std::move(networks), {}});
    Metrics().connectionsOpen.Add(1);
    return Ticket(*this, id);
}

std::size_t ConnectionTracker::Count() const {
    const std::lock_guard lock(mutex_);
    return connections_.size();
}

void ConnectionTracker::Release(std::uint64_t id) {
    const std::lock_guard lock(mutex_);
    const auto found = connections_.find(id);
    if (found == connections_.end()) {
        return;
    }
    Decrement(perAddress_, found->second.address);
    for (const std::string& network : found->second.networks) {
        Decrement(perPrefix_, network);
    }
    connections_.erase(found);
    Metrics().connectionsOpen.Add(-1);
}

void ConnectionTracker::StopAll() {
    // Stopping may end a connection and so change the map; work on a copy, unlocked.
    std::vector<std::shared_ptr<StoppableConnection>> open;
    {
        const std::lock_guard lock(mutex_);
        for (const auto& [id, entry] : connections_) {
            if (auto alive = entry.connection.lock()) {
                open.push_back(std::move(alive));
            }
        }
    }
    for (const auto& connection : open) {
        connection->Stop();
    }
}

}  // namespace mossquill::service
