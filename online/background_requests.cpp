#include "online/background_requests.h"

void BackgroundRequests::PublishAppearance(int appearance) {
    {
        std::lock_guard hold(mutex_);
        appearance_ = appearance;
    }
    wake_.notify_one();
}

void BackgroundRequests::RefreshFriends() {
    {
        std::lock_guard hold(mutex_);
        friendsWaiting_ = true;
    }
    wake_.notify_one();
}

std::optional<BackgroundRequests::Job> BackgroundRequests::Next() {
    std::unique_lock hold(mutex_);
    wake_.wait(hold, [this] { return closed_ || appearance_ || friendsWaiting_; });
    if (closed_) return std::nullopt;
    // The appearance first: it is one small call, and friends should see the right picture.
    if (appearance_) {
        const Job job{Job::Kind::Appearance, *appearance_};
        appearance_.reset();
        return job;
    }
    friendsWaiting_ = false;
    return Job{Job::Kind::FriendList, 0};
}

void BackgroundRequests::Close() {
    {
        std::lock_guard hold(mutex_);
        closed_ = true;
    }
    wake_.notify_all();
}
