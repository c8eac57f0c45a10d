#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace mossquill::service {

// Jobs run one after another on a thread of their own, so that callers on the network
// threads never wait for Redis. Bounded: when `capacity` jobs wait, a new one is refused
// (the caller treats it as failed) instead of the queue growing without end during an
// outage.
class WorkQueue {
public:
    // `idle` (optional) runs on the queue's thread whenever no job waits, before the thread
    // sleeps: jobs may hold work back for it, so that one burst shares one round trip.
    explicit WorkQueue(std::size_t capacity, std::function<void()> idle = {});
    ~WorkQueue();
    WorkQueue(const WorkQueue&) = delete;
    WorkQueue& operator=(const WorkQueue&) = delete;

    // False when the queue is full or stopped. A job posted by a job runs at once: it
    // keeps its place in the order, also while the queue drains.
    bool Post(std::function<void()> job);

    // Runs the jobs already queued, then ends the thread; later posts are refused.
    void Stop();

private:
    void Run();

    const std::size_t capacity_;
    const std::function<void()> idle_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace mossquill::service
