#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace mossquill::service {

// A connection the service can end on shutdown.
class StoppableConnection {
public:
    virtual ~StoppableConnection() = default;
    virtual void Stop() = 0;
};

// Counts open connections against a cap for everybody, one per client address and one
// per client network (the /24; the /64, /56 and /48, each against the same cap), and
// knows them for shutdown. Safe from any thread.
class ConnectionTracker {
public:
    // Held by a connection for its whole life; releases the place when destroyed.
    class Ticket {
    public:
        Ticket(ConnectionTracker& tracker, std::uint64_t id) : tracker_(&tracker), id_(id) {}
        Ticket(Ticket&& other) noexcept : tracker_(std::exchange(other.tracker_, nullptr)), id_(other.id_) {}
        Ticket& operator=(Ticket&&) = delete;
        ~Ticket();

        void Attach(std::weak_ptr<StoppableConnection> connection);

    private:
        ConnectionTracker* tracker_;
        std::uint64_t id_;
    };

    ConnectionTracker(std::size_t maxConnections, std::size_t maxPerAddress, std::size_t maxPerPrefix)
        : maxConnections_(maxConnections), maxPerAddress_(maxPerAddress), maxPerPrefix_(maxPerPrefix) {}

    // A ticket, or nothing when a cap is reached.
    std::optional<Ticket> Admit(const std::string& address);
    void StopAll();
    std::size_t Count() const;

private:
    struct Entry {
        std::string address;
        std::vector<std::string> networks;  // every width the address counts at
        std::weak_ptr<StoppableConnection> connection;
    };

    void Release(std::uint64_t id);

    std::size_t maxConnections_;
    std::size_t maxPerAddress_;
    std::size_t maxPerPrefix_;
    mutable std::mutex mutex_;
    std::uint64_t nextId_ = 0;
    std::unordered_map<std::uint64_t, Entry> connections_;
    std::unordered_map<std::string, std::size_t> perAddress_;
    std::unordered_map<std::string, std::size_t> perPrefix_;
};

}  // namespace mossquill::service
