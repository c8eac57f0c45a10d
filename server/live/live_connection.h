#pragma once

#include <string>

namespace mossquill::service {

// The service's side of one live session, as the protocol logic sees it.
class LiveConnection {
public:
    virtual ~LiveConnection() = default;

    // Queues one text message.
    virtual void Send(std::string message) = 0;

    // Queues a presence notice about the friend `aboutId`; the session may hold it back
    // and send only the latest of a quick series (see PresenceCoalescer).
    virtual void SendPresence(std::string aboutId, std::string message) = 0;

    // Drops a presence notice held back about a former friend.
    virtual void ForgetPresence(std::string aboutId) = 0;

    // Ends the session because a newer session of the same device took its place.
    virtual void Replace() = 0;
};

}  // namespace mossquill::service
