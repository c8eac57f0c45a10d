#include "online/background_requests.h"

#include <utility>

void BackgroundRequests::PublishAppearance(int appearance) {
    {
        std::lock_guard hold(mutex_);
        appearance_ = appearance;
    }
    wake_.notify_one();
}

void BackgroundRequests::RefreshFriends(bool afterFriendAdded) {
    {
        std::lock_guard hold(mutex_);
        friendsWaiting_ = true;
        friendAddedWaiting_ = friendAddedWaiting_ || afterFriendAdded;
    }
    wake_.notify_one();
}

std::optional<BackgroundRequests::Job> BackgroundRequests::Next() {
    std::unique_lock hold(mutex_);
    wake_.wait(hold, [this] { return closed_ || appearance_ || friendsWaiting_; });
    if (closed_) return std::nullopt;
    // The appearance first: it is one small call, and friends should see the right picture.
    if (appearance_) {
        const Job job{Job::Kind::Appearance, *appearance_, false};
        appearance_.reset();
        return job;
    }
    friendsWaiting_ = false;
    const bool afterFriendAdded = std::exchange(friendAddedWaiting_, false);
    return Job{Job::Kind::FriendList, 0, afterFriendAdded};
}

void BackgroundRequests::Close() {
    {
        std::lock_guard hold(mutex_);
        closed_ = true;
    }
    wake_.notify_all();
}
