// The service calls the pet makes on its own while the live session runs: publishing its
// appearance and fetching the friend list after a friend's change. They run one at a time on
// the session's worker thread, never on the window thread, and pile up no further than one
// waiting call of each kind, however many changes arrive while one is in flight.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>

class BackgroundRequests {
public:
    struct Job {
        enum class Kind { Appearance, FriendList };
        Kind kind = Kind::FriendList;
        int appearance = 0;
    };

    // A newer appearance replaces one still waiting.
    void PublishAppearance(int appearance);
    // Joins a friend-list fetch already waiting.
    void RefreshFriends();
    // Blocks until a job waits or the queue is closed; nothing once it is closed.
    std::optional<Job> Next();
    // Wakes the worker for good; jobs still waiting are dropped.
    void Close();

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<int> appearance_;
    bool friendsWaiting_ = false;
    bool closed_ = false;
};
